// The task's status summary: headlines and colours of the validation's findings, the details
// line, the status bar of a real task as it is fixed step by step (read back from the screen),
// and the run and debug commands that errors block.
#include "app/status_summary.h"

#include <gtest/gtest.h>
#include <wx/hyperlink.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include <limits>

#include "editor_fixture.h"
#include "support/screenshot.h"
#include "task/validation.h"

namespace {

using vixo_test::EditorTest;
using vixo_test::runEvents;

const wxColour kErrorColour(253, 119, 122), kWarningColour(255, 183, 130), kGreen(180, 255, 151);

ValidationMessage message(int level, const wchar_t* text) {
  return ValidationMessage(level, text, std::wstring(L"full: ") + text);
}

TEST(StatusSummary, HeadlineAndColourOfTheMostSeriousLevel) {
  const struct {
    std::vector<ValidationMessage> messages;
    const char* headline;
    wxColour colour;
    int errors;
  } cases[] = {
      {{}, "Ready", kGreen, 0},
      {{message(0, L"e1"), message(1, L"w1"), message(0, L"e2"), message(0, L"e3")},
       "Error: e1 and 2 other error(s), 1 warning(s)",
       kErrorColour,
       3},
      {{message(2, L"n1"), message(1, L"w1"), message(2, L"n2")},
       "Warning: w1, 2 notice(s)",
       kWarningColour,
       0},
      {{message(2, L"n1")}, "Notice: n1", kGreen, 0},
      {{message(2, L"n1"), message(0, L"e1")}, "Error: e1, 1 notice(s)", kErrorColour, 1},
      {{message(1, L"w1"), message(1, L"w2"), message(0, L"e1"), message(2, L"n1")},
       "Error: e1, 2 warning(s), 1 notice(s)",
       kErrorColour,
       1},
      {{message(1, L"w1"), message(1, L"w2")},
       "Warning: w1 and 1 other warning(s)",
       kWarningColour,
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headline);
    const StatusSummary summary = summarizeValidation(c.messages);
    EXPECT_EQ(summary.headline, c.headline);
    EXPECT_EQ(summary.colour, c.colour);
    EXPECT_EQ(summary.errors, c.errors);
  }
}

// Media answers for the details: every file the same length.
class SameLength : public VideoInfoCache {
 public:
  explicit SameLength(int64_t ms) { info_ = {true, true, 640, 360, false, ms}; }
  const VideoInfo& getInfo(const std::wstring&) override { return info_; }

 private:
  VideoInfo info_;
};

TEST(StatusSummary, DetailsNameQuestionsAndTheLengthWhenItCanBeEstimated) {
  Task task;
  for (int i = 0; i < 3; ++i) task.files.push_back({L"f" + std::to_wstring(i), L"/v/f", 1});
  task.references = {0};
  SameLength eightSeconds(8000);
  EXPECT_EQ(taskDetails(task, eightSeconds), "");  // no method

  task.properties["method"] = makeStringValue("DSIS");
  task.properties["trainingQuestions"] = Any::of(0LL);
  const int64_t length = task.estimatedLength(eightSeconds);
  ASSERT_GT(length, 0);
  EXPECT_EQ(taskDetails(task, eightSeconds),
            wxString::Format("Questions: %d; Estimated length: %s", task.planQuestionCount(),
                             formatDuration(length)));
  EXPECT_EQ(task.planQuestionCount(), 2);

  // Lengths beyond what can be added up: the count alone.
  SameLength endless(std::numeric_limits<int64_t>::max() / 2);
  ASSERT_LT(task.estimatedLength(endless), 0);
  EXPECT_EQ(taskDetails(task, endless), "Questions: 2");
}

class StatusBarTest : public EditorTest {
 protected:
  // The colour the screen shows in the status bar's second field, away from its text.
  wxColour paintedStatusColour() {
    runEvents(100);
    const wxImage shot = vixo_test::grabWindow(w->statusBar);
    if (!shot.IsOk()) return wxColour();
    wxRect field;
    w->statusBar->GetFieldRect(0, field);
    const int x = field.GetRight() - 4, y = field.y + field.height / 2;
    return wxColour(shot.GetRed(x, y), shot.GetGreen(x, y), shot.GetBlue(x, y));
  }
  bool runPicturesBlocked() {
    const wxImage shown =
        w->toolBar->FindById(w->runTool->GetId())->GetNormalBitmap().ConvertToImage();
    const wxImage blocked = w->runToolBlockedPicture->GetBitmap().ConvertToImage();
    return shown.GetSize() == blocked.GetSize() &&
           std::equal(shown.GetData(), shown.GetData() + shown.GetWidth() * shown.GetHeight() * 3,
                      blocked.GetData());
  }
};

// A task is fixed step by step; the status bar follows every edit.
TEST_F(StatusBarTest, ATaskWithErrorsAndWarningsShowsItsHeadlineAndColours) {
  w->SetSize(1000, 600);
  w->Show();
  // Six files examined already, one of which did not open.
  for (const char* path :
       {"/clips/ref1.mp4", "/clips/a1.mp4", "/clips/ref2.mp4", "/clips/b2.mp4", "/clips/c2.mp4"})
    knowFile(path, 1920, 1080, 8000);
  w->infoCache.files[L"/clips/missing.mp4"].info = {true, false, 0, 0, false, 0};
  addFiles({"/clips/ref1.mp4", "/clips/a1.mp4", "/clips/ref2.mp4", "/clips/b2.mp4", "/clips/c2.mp4",
            "/clips/missing.mp4"});
  editProperty("method", wxVariant(1L));  // DSIS
  typeName("Sharpness");
  // No references yet: one error and one warning.
  EXPECT_EQ(headline(), "Error: set reference to all groups, 1 warning(s)");
  EXPECT_EQ(w->statusBar->GetBackgroundColour(), kErrorColour);
  EXPECT_EQ(paintedStatusColour(), kErrorColour);
  EXPECT_TRUE(w->runBlocked->get());
  EXPECT_TRUE(runPicturesBlocked());
  vixo_test::saveScreenshot(w, "editor_task_with_errors");

  selectRows({2, 3, 4, 5});
  menu(w->setGroupMenu->FindItemByPosition(2));
  selectRows({0, 2});
  menu(w->setReferenceMenuItem);
  EXPECT_EQ(headline(), "Warning: can't open 1 file(s)");
  EXPECT_EQ(paintedStatusColour(), kWarningColour);
  EXPECT_FALSE(w->runBlocked->get());
  EXPECT_FALSE(runPicturesBlocked());

  selectRows({5});
  menu(w->removeFilesMenuItem);
  EXPECT_EQ(headline(), "Ready");
  EXPECT_EQ(paintedStatusColour(), kGreen);
  EXPECT_EQ(w->summaryText->GetLabel(), taskDetails(w->task, w->infoCache));
  EXPECT_TRUE(w->summaryText->GetLabel().StartsWith("Questions: 8; Estimated length: "));
  // The details are wholly visible in their field.
  wxRect field;
  w->statusBar->GetFieldRect(1, field);
  EXPECT_GE(field.width, w->summaryText->GetTextExtent(w->summaryText->GetLabel()).x);
  selectRows({1});
  vixo_test::saveScreenshot(w, "editor_task_ready");

  // An error again blocks at once.
  editProperty("method", wxVariant(0L));
  EXPECT_EQ(headline(), "Error: select method");
  EXPECT_TRUE(runPicturesBlocked());
}

TEST_F(StatusBarTest, ErrorsTurnRunAndDebugIntoTheMessages) {
  // Every way to start a run while the task has an error.
  menu(w->debugMenuItem);
  tool(w->debugTool);
  menu(w->runMenuItem);
  tool(w->runTool);
  EXPECT_TRUE(runs.empty());
  ASSERT_EQ(shownMessages.size(), 4u);
  for (const auto& shown : shownMessages) {
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Method not selected: select method");
  }
  EXPECT_TRUE(filePrompts.empty());
}

// The debug run of a task never saved starts at once with the task as it is; the run first
// asks where to save it.
TEST_F(StatusBarTest, RunsStartOnceTheTaskHasNoErrors) {
  w->Show();
  addFiles({"/clips/ref.mp4", "/clips/a.mp4"});
  selectRows({0});
  menu(w->setReferenceMenuItem);
  editProperty("method", wxVariant(1L));
  ASSERT_FALSE(w->runBlocked->get());

  // F5 on the keyboard.
  runEvents(200);
  w->fileList->SetFocus();
  wxUIActionSimulator keys;
  keys.Char(WXK_F5);
  runEvents(200);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].debug);
  EXPECT_TRUE(runs[0].path.empty());
  EXPECT_EQ(compareTasks(runs[0].task, w->task), 0);
  EXPECT_EQ(filePrompts.size(), 1u);  // "Add files" only
  tool(w->debugTool);
  EXPECT_EQ(runs.size(), 2u);

  // Run without debugging: a task never saved is saved first; cancelling starts nothing.
  fileAnswers.push_back({});
  keys.Char(WXK_F5, wxMOD_CONTROL);
  runEvents(200);
  EXPECT_EQ(runs.size(), 2u);
  ASSERT_EQ(filePrompts.size(), 2u);
  EXPECT_EQ(filePrompts.back().message, "Save VIXO task");

  const std::string path = folder / "run.vixo";
  fileAnswers.push_back({wxString::FromUTF8(path)});
  tool(w->runTool);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_FALSE(runs[2].debug);
  EXPECT_EQ(runs[2].path, fromUtf8(path));
  EXPECT_EQ(runs[2].task.name, L"run");
  // A saved task runs without a question.
  menu(w->runMenuItem);
  EXPECT_EQ(runs.size(), 4u);
  EXPECT_TRUE(shownMessages.empty());
}

}  // namespace
