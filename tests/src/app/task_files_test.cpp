// The task's files from the main window: a task built by commands and grid edits, saved and
// opened again; save, save as and their prompts; the unsaved-changes question of new, open and
// exit; loading failures; writes that fail; and the import of pass archives with its reports.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/recent_tasks.h"
#include "editor_fixture.h"
#include "results/pass_files.h"
#include "src/results/pass_fixture.h"
#include "support/file_size_limit.h"
#include "support/screenshot.h"

namespace {

using vixo_test::EditorTest;
using vixo_test::namesIn;
using vixo_test::readBytes;
using vixo_test::writeBytes;
namespace fs = std::filesystem;

const char* kSuffix = " - Orlo VIXO Editor 2.1 BETA r12218";

// The names of the plain files in the folder (a saved task's pass folders left out).
std::set<std::string> filesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) names.insert(entry.path().filename().string());
  return names;
}

class TaskFilesTest : public EditorTest {
 protected:
  std::string taskFile(const std::string& name) { return folder / name; }
  void saveAs(const std::string& path) {
    fileAnswers.push_back({wxString::FromUTF8(path)});
    menu(w->saveAsMenuItem);
  }
  // A small saved task: DSIS over two files of one group.
  void saveSmallTask(const std::string& path) {
    addFiles({folder / "clips/ref.avi", folder / "clips/test.avi"});
    editProperty("method", wxVariant(1L));
    saveAs(path);
  }
};

// Everything the operator builds here, through the menus, the tools, the list and the grid,
// comes back from the file into a second editor.
TEST_F(TaskFilesTest, ATaskBuiltByCommandsIsSavedAndOpenedAgainUnchanged) {
  addFiles({folder / "clips/ref.avi", folder / "clips/a.avi", folder / "more/b.mkv"});
  addFiles({folder / "clips/still.png"});
  selectRows({2, 3});
  menu(w->setGroupMenu->FindItemByPosition(2));
  selectRows({0});
  menu(w->setReferenceMenuItem);
  selectRows({2});
  tool(w->setReferenceTool);
  selectRows({3});
  tool(w->moveUpTool);
  editProperty("method", wxVariant(4L));  // SCACJ
  editProperty("cycles", wxVariant(3L));
  editProperty("scacjScale", wxVariant(1L));
  editProperty("pauseAllowed", wxVariant(false));
  editProperty("resultCollectingEmail", wxVariant(wxString::FromUTF8("jürgen@example.de")));
  editProperty("resultCollectingFtpDir", wxVariant("/incoming"));
  EXPECT_EQ(title(), std::string("*Untitled") + kSuffix);

  // "Save" of a task never saved asks for a file; the unnamed task takes the file's name.
  const std::string path = taskFile("clip-test.vixo");
  fileAnswers.push_back({wxString::FromUTF8(path)});
  menu(w->saveMenuItem);
  ASSERT_EQ(filePrompts.size(), 3u);
  const vixo::FilePrompt& chooser = filePrompts.back();
  EXPECT_EQ(chooser.message, "Save VIXO task");
  EXPECT_EQ(chooser.defaultDir, "");
  EXPECT_EQ(chooser.defaultFile, "");
  EXPECT_EQ(chooser.wildcard, "VIXO task files (*.vixo)|*.vixo");
  EXPECT_EQ(chooser.style, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
  EXPECT_EQ(chooser.parent, w);
  EXPECT_EQ(w->task.name, L"clip-test");
  EXPECT_EQ(w->taskNameText->GetValue(), "clip-test");
  EXPECT_EQ(title(), std::string("clip-test (clip-test.vixo)") + kSuffix);
  EXPECT_EQ(w->taskPath, fromUtf8(path));
  // The name taken from the file was an edit of its own: one undo step.
  EXPECT_TRUE(menuEnabled(w->importResultsMenuItem));

  const std::string text = readBytes(path);
  // Written indented, with the paths relative to the task file.
  EXPECT_NE(text.find("\n  \"task-name\" : \"clip-test\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"path\" : \"clips/ref.avi\""), std::string::npos) << text;

  WndMain* second = new WndMain;
  fileAnswers.push_back({wxString::FromUTF8(path)});
  second->openMenuItem->GetMenu()->SendEvent(second->openMenuItem->GetId());
  EXPECT_EQ(compareTasks(second->task, w->task), 0);
  EXPECT_EQ(second->task.files[0].path, fromUtf8(folder / "clips/ref.avi"));
  EXPECT_EQ(second->task.references, (std::set<int>{0, 3}));
  EXPECT_EQ(second->GetTitle(), w->GetTitle());
  EXPECT_EQ(second->propertyGrid->GetPropertyValueAsString("method"), "SCACJ");
  EXPECT_EQ(second->propertyGrid->GetPropertyValue("cycles").GetLong(), 3);
  EXPECT_EQ(second->propertyGrid->GetPropertyValueAsString("resultCollectingEmail"),
            wxString::FromUTF8("jürgen@example.de"));
  ASSERT_EQ(second->model->GetCount(), 4u);
  for (unsigned row = 0; row < 4; ++row)
    EXPECT_EQ(second->rowData(row)->entry(), w->task.files[row]);
  EXPECT_FALSE(second->canUndo->get());
  EXPECT_TRUE(second->importResultsMenuItem->IsEnabled());
  EXPECT_EQ(filePrompts.back().message, "Load VIXO task");
  EXPECT_EQ(filePrompts.back().style, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
  vixo_test::saveScreenshot(second, "editor_reopened_task");
  second->Destroy();
}

TEST_F(TaskFilesTest, CancellingTheSaveChooserChangesNothing) {
  typeName("x");
  fileAnswers.push_back({});
  menu(w->saveMenuItem);
  EXPECT_TRUE(w->taskPath.empty());
  EXPECT_EQ(title(), std::string("*x") + kSuffix);
  EXPECT_NE(w->undoPosition, w->savedPosition);
  EXPECT_TRUE(namesIn(folder.path()).empty());
}

TEST_F(TaskFilesTest, SaveAsOffersTheOldFileAndKeepsAGivenName) {
  typeName("Lab");
  saveAs(taskFile("first.vixo"));
  EXPECT_EQ(title(), std::string("Lab (first.vixo)") + kSuffix);
  saveAs(taskFile("second.vixo"));
  const vixo::FilePrompt& chooser = filePrompts.back();
  EXPECT_EQ(chooser.defaultDir, wxString::FromUTF8(folder.path() + "/"));
  EXPECT_EQ(chooser.defaultFile, "first.vixo");
  EXPECT_EQ(w->task.name, L"Lab");
  EXPECT_EQ(title(), std::string("Lab (second.vixo)") + kSuffix);
  EXPECT_EQ(filesIn(folder.path()), (std::set<std::string>{"first.vixo", "second.vixo"}));
}

TEST_F(TaskFilesTest, ImportFollowsTheTaskPathAtTheNextEditOrSelection) {
  EXPECT_FALSE(menuEnabled(w->importResultsMenuItem));
  typeName("Lab");
  // A task named already: the save makes no edit, so the command waits for the next one.
  saveAs(taskFile("first.vixo"));
  EXPECT_FALSE(menuEnabled(w->importResultsMenuItem));
  typeName("2");
  EXPECT_TRUE(menuEnabled(w->importResultsMenuItem));
  saveAs(taskFile("second.vixo"));
  EXPECT_EQ(w->taskPathVar->get(), fromUtf8(taskFile("first.vixo")));
  selectRows({});
  EXPECT_EQ(w->taskPathVar->get(), fromUtf8(taskFile("second.vixo")));
}

// A write that fails half-way (here a full disk) must not cut the task file short: the old file
// stays whole, and the task stays modified.
TEST_F(TaskFilesTest, AFailedSaveKeepsTheOldFileWholeAndTheTaskModified) {
  const std::string path = taskFile("lab.vixo");
  saveSmallTask(path);
  const std::string before = readBytes(path);
  editProperty("resultCollectingFtpDir", wxVariant(wxString(std::string(4096, 'x'))));
  promptAnswers = {wxID_OK};
  {
    vixo_test::FileSizeLimit full(before.size() + 100);
    menu(w->saveMenuItem);
  }
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].caption, "Saving problem");
  EXPECT_EQ(prompts[0].text, "Error while saving task. Choose another file.");
  EXPECT_EQ(prompts[0].style, wxOK | wxICON_ERROR);
  EXPECT_EQ(prompts[0].parent, nullptr);
  EXPECT_EQ(readBytes(path), before);
  EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"lab.vixo"}) << "no stray file";
  EXPECT_EQ(title(), std::string("*lab (lab.vixo)") + kSuffix);

  // "Save as" that fails keeps the old path.
  promptAnswers = {wxID_OK};
  {
    vixo_test::FileSizeLimit full(100);
    saveAs(taskFile("other.vixo"));
  }
  EXPECT_EQ(w->taskPath, fromUtf8(path));
  EXPECT_FALSE(fs::exists(taskFile("other.vixo")));
  menu(w->saveMenuItem);
  EXPECT_NE(readBytes(path), before);
  EXPECT_EQ(title(), std::string("lab (lab.vixo)") + kSuffix);
}

TEST_F(TaskFilesTest, SavingThroughALinkWritesTheLinkedFile) {
  const std::string real = taskFile("real.vixo");
  const std::string link = taskFile("link.vixo");
  saveSmallTask(real);
  chmod(real.c_str(), 0640);
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  ASSERT_TRUE(w->loadTask(fromUtf8(link)));
  editProperty("cycles", wxVariant(4L));
  menu(w->saveMenuItem);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_NE(readBytes(real).find("\"cycles\" : 4"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(TaskFilesTest, NewAndOpenAskAboutUnsavedChanges) {
  const std::string saved = taskFile("saved.vixo");
  saveSmallTask(saved);
  const struct {
    const char* caption;
    int answer;
    bool replaced;
  } cases[] = {
      {"New task", wxID_CANCEL, false},
      {"New task", wxID_NO, true},
      {"Load task", wxID_CANCEL, false},
      {"Load task", wxID_NO, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.caption) + " " + std::to_string(c.answer));
    ASSERT_TRUE(w->loadTask(fromUtf8(saved)));
    typeName("!");
    prompts.clear();
    promptAnswers = {c.answer};
    const bool load = std::string(c.caption) == "Load task";
    if (load && c.replaced) fileAnswers.push_back({wxString::FromUTF8(saved)});
    menu(load ? w->openMenuItem : w->newMenuItem);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].caption, c.caption);
    EXPECT_EQ(prompts[0].parent, w);
    EXPECT_EQ(w->task.name, c.replaced ? (load ? L"saved" : L"") : L"saved!");
    EXPECT_EQ(w->taskPath, c.replaced && !load ? L"" : fromUtf8(saved));
    EXPECT_EQ(title().front() == '*', !c.replaced);
  }

  // "Save" saves first, then goes on.
  typeName("?");
  promptAnswers = {wxID_YES};
  tool(w->newTool);
  EXPECT_TRUE(w->task.files.empty());
  Task reread;
  ASSERT_TRUE(loadTaskFile(reread, fromUtf8(saved)));
  EXPECT_EQ(reread.name, L"saved?");
}

TEST_F(TaskFilesTest, AFileThatCannotBeLoadedChangesNothing) {
  typeName("kept");
  const std::string broken = taskFile("broken.vixo");
  writeBytes(broken, "{\"generator\": \"Orlo VIXO\", \"files\": [");
  const int64_t position = w->undoPosition;

  promptAnswers = {wxID_NO, wxID_OK};
  fileAnswers.push_back({wxString::FromUTF8(broken)});
  tool(w->openTool);
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[1].caption, "Loading problem");
  EXPECT_EQ(prompts[1].text,
            "Error while loading task. File corrupted, incompatible with this VIXO version or "
            "can't be opened.");
  EXPECT_EQ(prompts[1].style, wxOK | wxICON_ERROR);
  EXPECT_EQ(prompts[1].parent, nullptr);
  EXPECT_EQ(w->task.name, L"kept");
  EXPECT_TRUE(w->taskPath.empty());
  EXPECT_EQ(w->undoPosition, position);
  EXPECT_TRUE(menuEnabled(w->undoMenuItem));
}

TEST_F(TaskFilesTest, RecentTasksOpenWithoutAskingAndAFailureOffersToForgetThem) {
  const std::string saved = taskFile("saved.vixo");
  saveSmallTask(saved);
  EXPECT_EQ(w->recentTasks->paths.front(), fromUtf8(saved));
  menu(w->newMenuItem);
  typeName("unsaved");

  // Modified or not, a recent task replaces the edited one without a question.
  w->openRecentTask(fromUtf8(saved));
  EXPECT_TRUE(prompts.empty());
  EXPECT_EQ(w->task.name, L"saved");

  const std::wstring gone = fromUtf8(taskFile("gone.vixo"));
  w->recentTasks->add(gone);
  promptAnswers = {wxID_NO};
  w->openRecentTask(gone);
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].caption, "Loading problem");
  EXPECT_EQ(prompts[0].style, wxYES_NO | wxICON_ERROR);
  EXPECT_EQ(prompts[0].yesLabel, "Delete from history");
  EXPECT_EQ(prompts[0].noLabel, "OK");
  EXPECT_EQ(prompts[0].parent, w);
  EXPECT_EQ(w->recentTasks->paths.front(), gone);
  promptAnswers = {wxID_YES};
  w->openRecentTask(gone);
  EXPECT_EQ(w->recentTasks->paths, std::vector<std::wstring>{fromUtf8(saved)});
  EXPECT_EQ(w->task.name, L"saved");
}

// Archives of real passes of another copy of the task, and a file that is no archive.
class ImportTest : public TaskFilesTest {
 protected:
  std::string finishedPass(const std::string& expert) {
    vixo_test::FolderPass pass(vixo_test::smallTask("DSIS", 3), elsewhere.taskPath, false,
                               fromUtf8(expert));
    pass.run();
    EXPECT_TRUE(pass.store.finishPass());
    return toUtf8(pass.store.archivePath());
  }
  vixo_test::PassFolder elsewhere;
};

TEST_F(ImportTest, ReportsWhichArchivesWereImported) {
  const std::string ann = finishedPass("Ann"), bob = finishedPass("Bob");
  const std::string junk = taskFile("junk.vixores");
  writeBytes(junk, "not an archive");
  const std::string path = taskFile("lab.vixo");
  saveSmallTask(path);

  const struct {
    std::vector<std::string> chosen;
    const char* text;
    long icon;
  } cases[] = {
      {{ann, junk, bob},
       "The following file(s) imported correctly:\n<ann>\n<bob>\n\nThe following file(s) was not "
       "imported due to error:\n<junk>\n",
       wxICON_ERROR},
      {{junk}, "Can't import file(s)", wxICON_ERROR},
  };
  for (const auto& c : cases) {
    std::vector<wxString> answer;
    for (const std::string& chosen : c.chosen) answer.push_back(wxString::FromUTF8(chosen));
    fileAnswers.push_back(answer);
    promptAnswers = {wxID_OK};
    prompts.clear();
    menu(w->importResultsMenuItem);
    ASSERT_EQ(prompts.size(), 1u);
    wxString text = c.text;
    text.Replace("<ann>", wxString::FromUTF8(ann));
    text.Replace("<bob>", wxString::FromUTF8(bob));
    text.Replace("<junk>", wxString::FromUTF8(junk));
    EXPECT_EQ(prompts[0].caption, "Import");
    EXPECT_EQ(prompts[0].text, text);
    EXPECT_EQ(prompts[0].style, wxOK | c.icon);
    EXPECT_EQ(prompts[0].parent, nullptr);
  }
  const vixo::FilePrompt& chooser = filePrompts.back();
  EXPECT_EQ(chooser.message, "Import one or multiple results");
  EXPECT_EQ(chooser.wildcard, "VIXO result archive (*.vixores)|*.vixores");
  EXPECT_EQ(chooser.style, wxFD_OPEN | wxFD_MULTIPLE);
  EXPECT_EQ(scanResults(fromUtf8(path)).size(), 2u);
  EXPECT_EQ(namesIn(folder / "lab.vixo.protocols").size(), 2u);

  // Both again: their result files exist already, so nothing is imported a second time.
  fileAnswers.push_back({wxString::FromUTF8(ann), wxString::FromUTF8(bob)});
  promptAnswers = {wxID_OK};
  prompts.clear();
  menu(w->importResultsMenuItem);
  EXPECT_EQ(prompts[0].text, "Can't import file(s)");

  const std::string carl = finishedPass("Carl");
  fileAnswers.push_back({wxString::FromUTF8(carl)});
  promptAnswers = {wxID_OK};
  prompts.clear();
  menu(w->importResultsMenuItem);
  EXPECT_EQ(prompts[0].text, "All files imported correctly");
  EXPECT_EQ(prompts[0].style, wxOK | wxICON_INFORMATION);
  EXPECT_EQ(scanResults(fromUtf8(path)).size(), 3u);

  fileAnswers.push_back({});
  menu(w->importResultsMenuItem);  // cancelled: no report
}

}  // namespace
