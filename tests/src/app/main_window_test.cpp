// The editor's main window as it opens and its frame commands: the title, which menu items and
// tools are enabled, the file list's columns, the group menus, closing with unsaved changes and
// the summary link in the status bar, on a real window.
#include <gtest/gtest.h>
#include <wx/accel.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>

#include <memory>

#include "app/file_list.h"
#include "app/status_panel.h"
#include "editor_fixture.h"
#include "support/control_fit.h"
#include "task/validation.h"

namespace {

using vixo_test::EditorTest;
using vixo_test::runEvents;

bool sameImage(const wxBitmap& a, const wxBitmap& b) {
  const wxImage x = a.ConvertToImage(), y = b.ConvertToImage();
  return x.GetSize() == y.GetSize() &&
         std::equal(x.GetData(), x.GetData() + 3 * x.GetWidth() * x.GetHeight(), y.GetData());
}

wxBitmap toolBitmap(WndMain* w, wxToolBarToolBase* tool) {
  return w->toolBar->FindById(tool->GetId())->GetNormalBitmap();
}

TEST_F(EditorTest, OpensWithAnEmptyUnmodifiedTaskAndItsCommandsDisabled) {
  EXPECT_EQ(title(), "Untitled - Orlo VIXO Editor 2.1 BETA r12218");
  EXPECT_EQ(w->undoPosition, 1);
  EXPECT_EQ(w->savedPosition, 1);
  EXPECT_EQ(compareTasks(w->task, Task()), 0);

  const struct {
    const char* name;
    wxMenuItem* item;
    bool enabled;
  } items[] = {
      {"New", w->newMenuItem, true},
      {"Open", w->openMenuItem, true},
      {"Save", w->saveMenuItem, true},
      {"Save as", w->saveAsMenuItem, true},
      {"Export results as CSV", w->exportCsvMenuItem, false},
      {"Import results", w->importResultsMenuItem, false},
      {"Debug", w->debugMenuItem, true},
      {"Run", w->runMenuItem, true},
      {"Exit", w->exitMenuItem, true},
      {"Undo", w->undoMenuItem, false},
      {"Redo", w->redoMenuItem, false},
      {"Add files", w->addFilesMenuItem, true},
      {"Remove selected file(s)", w->removeFilesMenuItem, false},
      {"Set reference", w->setReferenceMenuItem, false},
      {"View results", w->viewResultsMenuItem, false},
      {"About", w->aboutMenuItem, true},
  };
  for (const auto& i : items) EXPECT_EQ(menuEnabled(i.item), i.enabled) << i.name;

  const struct {
    const char* name;
    wxToolBarToolBase* tool;
    bool enabled;
  } tools[] = {
      {"New file", w->newTool, true},
      {"Open task", w->openTool, true},
      {"Save task", w->saveTool, true},
      {"debug", w->debugTool, true},
      {"run", w->runTool, true},
      {"View results", w->viewResultsTool, false},
      {"Add file(s)", w->addFilesTool, true},
      {"Remove file(s)", w->removeFilesTool, false},
      {"Move up", w->moveUpTool, false},
      {"Move down", w->moveDownTool, false},
      {"Set reference", w->setReferenceTool, false},
      {"Group files", w->groupFilesTool, false},
      {"Undo", w->undoTool, false},
      {"Redo", w->redoTool, false},
  };
  for (const auto& t : tools) EXPECT_EQ(toolEnabled(t.tool), t.enabled) << t.name;

  // The empty task has an error ("select method"): run and debug show their blocked pictures.
  EXPECT_TRUE(w->runBlocked->get());
  EXPECT_TRUE(sameImage(toolBitmap(w, w->debugTool), w->debugToolBlockedPicture->GetBitmap()));
  EXPECT_TRUE(sameImage(toolBitmap(w, w->runTool), w->runToolBlockedPicture->GetBitmap()));
  EXPECT_EQ(headline(), "Error: select method");
  EXPECT_EQ(w->summaryText->GetLabel(), "");

  // The file list's columns; the first one alone is editable.
  const char* titles[] = {"File Id (editable)", "Resolution", "Dur.", "Group", "Path"};
  ASSERT_EQ(w->fileList->GetColumnCount(), 5u);
  for (unsigned i = 0; i < 5; ++i) {
    EXPECT_EQ(w->fileList->GetColumn(i)->GetTitle(), titles[i]);
    EXPECT_EQ(w->fileList->GetColumn(i)->GetRenderer()->GetMode(),
              i == 0 ? wxDATAVIEW_CELL_EDITABLE : wxDATAVIEW_CELL_INERT);
  }
  EXPECT_EQ(w->fileList->GetColumn(4)->GetMinWidth(), 80);

  // Status fields: the summary stretches, the others are as wide as their contents.
  EXPECT_EQ(w->statusBar->GetStatusWidth(0), -1);
  wxRect panelField;
  ASSERT_TRUE(w->statusBar->GetFieldRect(2, panelField));
  EXPECT_EQ(panelField.width, w->statusPanel->GetClientSize().x);
  EXPECT_TRUE(panelField.Contains(w->statusPanel->GetRect()));
  EXPECT_EQ(w->statusBar->GetStatusStyle(1), wxSB_RAISED);
  EXPECT_TRUE(w->statusPanel->saveHintLabel->IsShown());
  EXPECT_FALSE(w->statusPanel->resultsStatusLabel->IsShown());
}

// The editor opens large enough for what the toolkit's fonts and themes need: every control
// whole, every tool on the tool bar, and the setting's labels readable in the grid, whatever
// method the task has.
TEST_F(EditorTest, OpensWithItsControlsWholeAndTheSettingsLabelsReadable) {
  EXPECT_GE(w->GetSize().x, 771);
  EXPECT_GE(w->GetSize().y, 498);
  w->Show();
  runEvents(300);
  EXPECT_EQ(vixo_test::cutControls(w), std::vector<std::string>{});
  EXPECT_GE(w->toolBar->GetSize().x, w->toolBar->GetBestSize().x);
  for (long method = 1; method <= 6; ++method) {
    SCOPED_TRACE(method);
    editProperty("method", wxVariant(method));
    runEvents(50);
    EXPECT_EQ(vixo_test::cutGridLabels(w->propertyGrid), std::vector<std::string>{});
  }
}

TEST_F(EditorTest, GroupMenusCarryEveryGroupWithItsKeyAndColour) {
  ASSERT_EQ(w->setGroupMenu->GetMenuItemCount(), 20u);
  ASSERT_EQ(w->contextMenu->GetMenuItemCount(), 20u);
  for (int group = 0; group < 20; ++group) {
    SCOPED_TRACE(group);
    wxMenuItem* item = w->setGroupMenu->FindItemByPosition(static_cast<size_t>(group));
    wxMenuItem* context = w->contextMenu->FindItemByPosition(static_cast<size_t>(group));
    const wxString label =
        group == 0 ? wxString("(Excluded)") : wxString::Format("Group %d", group);
    EXPECT_EQ(item->GetItemLabelText(), label);
    EXPECT_EQ(context->GetItemLabelText(), label);
    std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
    ASSERT_TRUE(accel);
    EXPECT_EQ(accel->GetFlags(), group < 10 ? wxACCEL_CTRL : wxACCEL_ALT);
    EXPECT_EQ(accel->GetKeyCode(), '0' + group % 10);
    EXPECT_FALSE(context->GetAccel());
    EXPECT_TRUE(sameImage(item->GetBitmap(), groupColourBitmap(group)));
    // Only the "Set group" items follow the selection.
    EXPECT_FALSE(item->IsEnabled());
    EXPECT_TRUE(context->IsEnabled());
  }
  // Excluded files are crossed out; other groups are plain colour.
  const wxImage excluded = groupColourBitmap(0).ConvertToImage();
  EXPECT_EQ(excluded.GetSize(), wxSize(16, 16));
  EXPECT_NE(wxColour(excluded.GetRed(8, 8), excluded.GetGreen(8, 8), excluded.GetBlue(8, 8)),
            *wxWHITE);
  const wxImage five = groupColourBitmap(5).ConvertToImage();
  EXPECT_EQ(wxColour(five.GetRed(8, 8), five.GetGreen(8, 8), five.GetBlue(8, 8)),
            wxColour(255, 230, 128));

  // A context-menu group without a selection changes nothing.
  menu(w->contextMenu->FindItemByPosition(3));
  EXPECT_EQ(w->undoPosition, 1);
  EXPECT_EQ(title(), "Untitled - Orlo VIXO Editor 2.1 BETA r12218");
}

TEST_F(EditorTest, ClosingWithUnsavedChangesAsksAndCancelKeepsTheWindow) {
  typeName("Lab");
  promptAnswers = {wxID_CANCEL};
  menu(w->exitMenuItem);
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0].caption, "Exit VIXO");
  EXPECT_EQ(prompts[0].text, "The task has unsaved modifications.\nDo you want to save it?");
  EXPECT_EQ(prompts[0].style, wxYES_NO | wxCANCEL | wxICON_INFORMATION);
  EXPECT_EQ(prompts[0].yesLabel, "Save");
  EXPECT_EQ(prompts[0].noLabel, "Close, without saving");
  EXPECT_EQ(prompts[0].cancelLabel, "Cancel");
  EXPECT_EQ(prompts[0].parent, w);
  EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(w));
  EXPECT_EQ(w->task.name, L"Lab");

  // The window's own close box takes the same road.
  promptAnswers = {wxID_NO};
  EXPECT_TRUE(w->Close(false));
  EXPECT_EQ(prompts.size(), 2u);
  EXPECT_TRUE(wxTheApp->IsScheduledForDestruction(w));
  w = nullptr;
}

TEST_F(EditorTest, AnUnmodifiedTaskClosesWithoutAQuestion) {
  typeName("x");
  menu(w->undoMenuItem);
  EXPECT_TRUE(w->Close(false));
  EXPECT_TRUE(prompts.empty());
  w = nullptr;
}

// A real click on the summary link opens the messages of the current validation. The toolkit
// sends one event per click here, so each click opens them once.
TEST_F(EditorTest, EachClickOnTheSummaryOpensTheMessages) {
  w->Show();
  runEvents(200);
  wxUIActionSimulator mouse;
  mouse.MouseMove(w->summaryLink->GetScreenPosition() + wxPoint(4, 4));
  runEvents(50);
  for (int click = 0; click < 2; ++click) {
    mouse.MouseClick();
    runEvents(200);
  }
  ASSERT_EQ(shownMessages.size(), 2u);
  EXPECT_EQ(w->summaryClicks, 2);
  ASSERT_EQ(shownMessages[1].size(), 1u);
  EXPECT_EQ(shownMessages[1][0].text, L"Method not selected: select method");
}

TEST_F(EditorTest, AboutComesFromTheHelpMenu) {
  int shown = 0;
  w->services.showAbout = [&](wxWindow* parent) {
    EXPECT_EQ(parent, w);
    ++shown;
  };
  menu(w->aboutMenuItem);
  EXPECT_EQ(shown, 1);
}

}  // namespace
