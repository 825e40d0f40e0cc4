// Editing a task in the main window: the ring of 50 snapshots behind undo and redo, edits that
// change nothing, the title's modified mark, and the file list's commands (adding, moving,
// grouping, references, removing, editing ids), each undone through the ring.
#include <gtest/gtest.h>
#include <wx/uiaction.h>

#include <string>
#include <vector>

#include "editor_fixture.h"

namespace {

using vixo_test::EditorTest;
using vixo_test::runEvents;

class EditingTest : public EditorTest {
 protected:
  // Rows with the ids given, added in one "Add files" from the folder /clips.
  void addClips(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back("/clips/" + name);
    addFiles(paths);
  }
  std::vector<std::wstring> ids() {
    std::vector<std::wstring> out;
    for (const TaskFile& file : w->task.files) out.push_back(file.id);
    return out;
  }
  std::vector<int> groups() {
    std::vector<int> out;
    for (const TaskFile& file : w->task.files) out.push_back(file.group);
    return out;
  }
  std::vector<unsigned> selectedRows() {
    std::vector<unsigned> rows;
    for (unsigned row = 0; row < w->model->GetCount(); ++row)
      if (w->fileList->IsSelected(w->model->GetItem(row))) rows.push_back(row);
    return rows;
  }
  // The list shows what the task holds: ids, groups and reference flags in order.
  void expectRowsMatchTask() {
    ASSERT_EQ(w->model->GetCount(), w->task.files.size());
    for (unsigned row = 0; row < w->model->GetCount(); ++row) {
      SCOPED_TRACE(row);
      const WndMain::FileData* data = w->rowData(row);
      EXPECT_EQ(data->entry(), w->task.files[row]);
      EXPECT_EQ(data->isReference, w->task.references.count(static_cast<int>(row)) == 1);
      wxVariant cell;
      w->model->GetValueByRow(cell, row, 0);
      wxDataViewIconText idCell;
      idCell << cell;
      EXPECT_EQ(idCell.GetText().ToStdWstring(), data->id);
    }
  }
  void editId(unsigned row, const wxString& text, bool allowed) {
    wxDataViewEvent event(wxEVT_DATAVIEW_ITEM_EDITING_DONE, w->fileList, w->fileList->GetColumn(0),
                          w->model->GetItem(row));
    event.SetValue(wxVariant(wxDataViewIconText(text)));
    w->fileList->HandleWindowEvent(event);
    EXPECT_EQ(event.IsAllowed(), allowed) << text;
  }
  int undoAll() {
    int steps = 0;
    while (menuEnabled(w->undoMenuItem)) {
      menu(w->undoMenuItem);
      ++steps;
    }
    return steps;
  }
};

TEST_F(EditingTest, SixtyEditsKeepTheLastFiftySnapshots) {
  const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  typeName(letters.substr(0, 60));
  EXPECT_EQ(w->undoPosition, 61);
  EXPECT_EQ(w->undoCount, 50);
  EXPECT_EQ(w->undoBase, 11);

  EXPECT_EQ(undoAll(), 49);
  EXPECT_EQ(w->task.name, fromUtf8(letters.substr(0, 11)));
  EXPECT_EQ(w->taskNameText->GetValue(), letters.substr(0, 11));
  EXPECT_FALSE(toolEnabled(w->undoTool));
  menu(w->undoMenuItem);  // nothing left to undo
  EXPECT_EQ(w->task.name, fromUtf8(letters.substr(0, 11)));

  int redone = 0;
  while (toolEnabled(w->redoTool)) {
    tool(w->redoTool);
    ++redone;
  }
  EXPECT_EQ(redone, 49);
  EXPECT_EQ(w->task.name, fromUtf8(letters.substr(0, 60)));
}

// Real key presses in the task-name field: each changes the name and is one step.
TEST_F(EditingTest, TypingAbcIsThreeSteps) {
  w->Show();
  runEvents(200);
  w->taskNameText->SetFocus();
  runEvents(50);
  wxUIActionSimulator keys;
  keys.Text("abc");
  runEvents(200);
  ASSERT_EQ(w->task.name, L"abc");
  EXPECT_EQ(title(), "*abc - Orlo VIXO Editor 2.1 BETA r12218");

  for (const wchar_t* expected : {L"ab", L"a", L""}) {
    menu(w->undoMenuItem);
    EXPECT_EQ(w->task.name, expected);
    EXPECT_EQ(w->taskNameText->GetValue().ToStdWstring(), expected);
  }
  EXPECT_FALSE(menuEnabled(w->undoMenuItem));
  EXPECT_TRUE(menuEnabled(w->redoMenuItem));
  EXPECT_EQ(title(), "Untitled - Orlo VIXO Editor 2.1 BETA r12218");
}

TEST_F(EditingTest, AnEditAfterUndoDropsTheRedoSteps) {
  typeName("abc");
  menu(w->undoMenuItem);
  menu(w->undoMenuItem);
  EXPECT_TRUE(menuEnabled(w->redoMenuItem));
  typeName("x");
  EXPECT_EQ(w->task.name, L"ax");
  EXPECT_FALSE(menuEnabled(w->redoMenuItem));
  menu(w->redoMenuItem);
  EXPECT_EQ(w->task.name, L"ax");
  EXPECT_EQ(undoAll(), 2);
  EXPECT_EQ(w->task.name, L"");
}

TEST_F(EditingTest, EditsThatLeaveTheTaskEqualAddNoStep) {
  addClips({"a.avi", "b.avi"});
  editProperty("cycles", wxVariant(10L));
  const int64_t position = w->undoPosition;

  // A value above the maximum is corrected to the maximum the task holds already.
  editProperty("cycles", wxVariant(25L));
  EXPECT_EQ(propertyValue("cycles").GetLong(), 10);
  // A file id edited to its own text.
  editId(1, "b.avi", true);
  // The name set to the text it has already.
  w->taskNameText->SetValue("");
  // Grouping files into the group they are in.
  selectRows({0, 1});
  menu(w->setGroupMenu->FindItemByPosition(1));
  EXPECT_EQ(w->undoPosition, position);
  EXPECT_EQ(undoAll(), 2);
}

TEST_F(EditingTest, TheTitleShowsTheModifiedMarkUntilUndoneToTheSavedState) {
  typeName("Lab");
  EXPECT_EQ(title(), "*Lab - Orlo VIXO Editor 2.1 BETA r12218");
  menu(w->undoMenuItem);
  EXPECT_EQ(title(), "*La - Orlo VIXO Editor 2.1 BETA r12218");
  undoAll();
  EXPECT_EQ(title(), "Untitled - Orlo VIXO Editor 2.1 BETA r12218");
  menu(w->redoMenuItem);
  EXPECT_EQ(title(), "*L - Orlo VIXO Editor 2.1 BETA r12218");
}

TEST_F(EditingTest, UndoPutsSettingsBackIntoTheGrid) {
  editProperty("method", wxVariant(1L));  // DSIS
  editProperty("cycles", wxVariant(3L));
  editProperty("progress", wxVariant(false));
  EXPECT_EQ(anyToText(w->task.properties["method"]), "DSIS");
  EXPECT_EQ(*w->task.properties["cycles"].as<long long>(), 3);

  menu(w->undoMenuItem);
  EXPECT_TRUE(propertyValue("progress").GetBool());
  EXPECT_TRUE(w->task.properties["progress"].empty());
  menu(w->undoMenuItem);
  EXPECT_EQ(propertyValue("cycles").GetLong(), 1);
  menu(w->undoMenuItem);
  EXPECT_EQ(w->propertyGrid->GetPropertyValueAsString("method"), "Select method");
  EXPECT_EQ(w->task.method(), nullptr);

  menu(w->redoMenuItem);
  menu(w->redoMenuItem);
  EXPECT_EQ(w->propertyGrid->GetPropertyValueAsString("method"), "DSIS");
  EXPECT_EQ(propertyValue("cycles").GetLong(), 3);
}

TEST_F(EditingTest, AddedFilesGetIdsOfTheirNamesMadeUnique) {
  addClips({"a.avi"});
  addClips({"a.avi"});
  addClips({"A.avi"});
  EXPECT_EQ(ids(), (std::vector<std::wstring>{L"a.avi", L"a.avi (1)", L"A.avi"}));
  // Files of one command are not compared with each other.
  addFiles({"/one/a.avi", "/two/a.avi"});
  EXPECT_EQ(ids(), (std::vector<std::wstring>{L"a.avi", L"a.avi (1)", L"A.avi", L"a.avi (2)",
                                              L"a.avi (2)"}));
  EXPECT_EQ(groups(), (std::vector<int>{1, 1, 1, 1, 1}));
  EXPECT_EQ(w->task.files[4].path, L"/two/a.avi");
  expectRowsMatchTask();
  ASSERT_EQ(filePrompts.size(), 4u);
  EXPECT_EQ(filePrompts[0].message, "Select file(s)");
  EXPECT_EQ(filePrompts[0].style, wxFD_OPEN | wxFD_MULTIPLE);
  EXPECT_EQ(filePrompts[0].parent, w);
  const wxString wildcard = filePrompts[0].wildcard;
  EXPECT_TRUE(wildcard.StartsWith("Video files|*.avi;*.avs;*.dat;")) << wildcard;
  EXPECT_NE(wildcard.Find(";*.3gpp|Image files|*.bmp;*.gif;"), wxNOT_FOUND) << wildcard;
  EXPECT_TRUE(wildcard.EndsWith(";*.xpm|All files|*.*")) << wildcard;

  // A cancelled chooser adds nothing.
  fileAnswers.push_back({});
  menu(w->addFilesMenuItem);
  EXPECT_EQ(w->task.files.size(), 5u);

  EXPECT_EQ(undoAll(), 4);
  EXPECT_TRUE(w->task.files.empty());
  EXPECT_EQ(w->model->GetCount(), 0u);
}

TEST_F(EditingTest, MovingSelectedRowsKeepsThemSelected) {
  addClips({"r0", "r1", "r2", "r3", "r4"});
  selectRows({2, 4});
  EXPECT_TRUE(toolEnabled(w->moveUpTool));
  EXPECT_FALSE(toolEnabled(w->moveDownTool));
  tool(w->moveUpTool);
  EXPECT_EQ(ids(), (std::vector<std::wstring>{L"r0", L"r2", L"r1", L"r4", L"r3"}));
  EXPECT_EQ(selectedRows(), (std::vector<unsigned>{1, 3}));
  expectRowsMatchTask();

  // The last row cannot go further down; the others move.
  selectRows({1, 4});
  w->moveSelectedFiles(+1);
  EXPECT_EQ(ids(), (std::vector<std::wstring>{L"r0", L"r1", L"r2", L"r4", L"r3"}));
  EXPECT_EQ(selectedRows(), (std::vector<unsigned>{2, 4}));

  selectRows({0});
  EXPECT_FALSE(toolEnabled(w->moveUpTool));
  EXPECT_TRUE(toolEnabled(w->moveDownTool));
  selectRows({0, 1, 2, 3, 4});
  EXPECT_FALSE(toolEnabled(w->moveUpTool));
  EXPECT_FALSE(toolEnabled(w->moveDownTool));

  menu(w->undoMenuItem);
  menu(w->undoMenuItem);
  EXPECT_EQ(ids(), (std::vector<std::wstring>{L"r0", L"r1", L"r2", L"r3", L"r4"}));
  expectRowsMatchTask();
}

TEST_F(EditingTest, GroupingKeepsAtMostOneReferencePerGroup) {
  addClips({"a", "b", "c", "d", "e"});
  // Groups 1, 1, 2, 2, 3 with references a (1) and c (2).
  selectRows({2, 3});
  menu(w->setGroupMenu->FindItemByPosition(2));
  selectRows({4});
  menu(w->setGroupMenu->FindItemByPosition(3));
  selectRows({0});
  menu(w->setReferenceMenuItem);
  selectRows({2});
  tool(w->setReferenceTool);
  EXPECT_EQ(groups(), (std::vector<int>{1, 1, 2, 2, 3}));
  EXPECT_EQ(w->task.references, (std::set<int>{0, 2}));

  // A reference moved into a group that has one loses its flag.
  selectRows({0});
  menu(w->setGroupMenu->FindItemByPosition(2));
  EXPECT_EQ(groups(), (std::vector<int>{2, 1, 2, 2, 3}));
  EXPECT_EQ(w->task.references, (std::set<int>{2}));
  expectRowsMatchTask();

  // Two references of different groups moved into a group without one: the first keeps it.
  selectRows({1});
  menu(w->setReferenceMenuItem);
  EXPECT_EQ(w->task.references, (std::set<int>{1, 2}));
  selectRows({1, 2});
  menu(w->contextMenu->FindItemByPosition(5));
  EXPECT_EQ(groups(), (std::vector<int>{2, 5, 5, 2, 3}));
  EXPECT_EQ(w->task.references, (std::set<int>{1}));
  expectRowsMatchTask();

  // A new reference replaces the group's old one.
  selectRows({2});
  menu(w->setReferenceMenuItem);
  EXPECT_EQ(w->task.references, (std::set<int>{2}));
  expectRowsMatchTask();

  // Undo puts the flags back row by row.
  menu(w->undoMenuItem);
  EXPECT_EQ(w->task.references, (std::set<int>{1}));
  expectRowsMatchTask();
}

TEST_F(EditingTest, SelectionDecidesWhichListCommandsAreEnabled) {
  addClips({"a", "b", "c"});
  selectRows({0, 1});  // same group
  EXPECT_FALSE(menuEnabled(w->setReferenceMenuItem));
  EXPECT_TRUE(menuEnabled(w->removeFilesMenuItem));
  EXPECT_TRUE(toolEnabled(w->groupFilesTool));
  EXPECT_TRUE(w->setGroupMenu->FindItemByPosition(7)->IsEnabled());
  selectRows({1});
  menu(w->setGroupMenu->FindItemByPosition(4));
  selectRows({0, 1});  // groups 1 and 4
  EXPECT_TRUE(menuEnabled(w->setReferenceMenuItem));
  selectRows({});
  EXPECT_FALSE(menuEnabled(w->setReferenceMenuItem));
  EXPECT_FALSE(toolEnabled(w->removeFilesTool));
  EXPECT_FALSE(w->setGroupMenu->FindItemByPosition(7)->IsEnabled());
}

TEST_F(EditingTest, RemovingSelectedFiles) {
  addClips({"a", "b", "c", "d"});
  selectRows({1});
  menu(w->setReferenceMenuItem);
  selectRows({1, 3});
  tool(w->removeFilesTool);
  EXPECT_EQ(ids(), (std::vector<std::wstring>{L"a", L"c"}));
  EXPECT_TRUE(w->task.references.empty());
  EXPECT_EQ(w->fileRows.size(), 2u);
  expectRowsMatchTask();
  menu(w->undoMenuItem);
  EXPECT_EQ(ids(), (std::vector<std::wstring>{L"a", L"b", L"c", L"d"}));
  EXPECT_EQ(w->task.references, (std::set<int>{1}));
  expectRowsMatchTask();
}

TEST_F(EditingTest, FileIdsAreEditedButNeverEmptied) {
  addClips({"a.avi", "b.avi"});
  const int64_t position = w->undoPosition;
  editId(0, "", false);
  EXPECT_EQ(w->task.files[0].id, L"a.avi");
  EXPECT_EQ(w->undoPosition, position);
  editId(0, "reference", true);
  EXPECT_EQ(w->task.files[0].id, L"reference");
  EXPECT_EQ(w->undoPosition, position + 1);
  menu(w->undoMenuItem);
  EXPECT_EQ(w->task.files[0].id, L"a.avi");
  expectRowsMatchTask();
}

}  // namespace
