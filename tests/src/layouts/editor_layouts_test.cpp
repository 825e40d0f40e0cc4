// The layouts of the task editor: the main window with its menus, tool bar, splitters, status
// bar and popup menu; the status panel, the question editor and its help; the messages and
// results dialogs. Built on real windows.
#include <gtest/gtest.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dataview.h>
#include <wx/frame.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/propgrid/propgrid.h>
#include <wx/scrolwin.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/splitter.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include <dlfcn.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "layout_fixture.h"
#include "layouts/dlg_custom_question_help_impl.h"
#include "layouts/dlg_edit_questions_stub.h"
#include "layouts/dlg_messages_stub.h"
#include "layouts/dlg_results_stub.h"
#include "layouts/pictures.h"
#include "layouts/status_bar_panel2_stub.h"
#include "layouts/wnd_main_stub.h"
#include "support/layout_text.h"
#include "support/screenshot.h"

namespace {

using vixo_test::block;
using vixo_test::escapedLabel;
using vixo_test::expectOpening;
using vixo_test::kDialogStyle;
using vixo_test::LayoutText;
using vixo_test::runEvents;
using vixo_test::runEventsUntil;

class EditorLayoutTest : public vixo_test::LayoutTest {};

// ---------------------------------------------------------------- main window

// The size of the toolkit's menu pictures at their default size (24 x 24 with this theme).
std::string menuArtSize() {
  const wxSize size = wxArtProvider::GetBitmap(wxART_FILE_OPEN, wxART_MENU).GetSize();
  return std::to_string(size.x) + "x" + std::to_string(size.y);
}

LayoutText mainWindowText(WndMainStub& w) {
  LayoutText text(&w, "frame",
                  {MEMBER(w, mainPanel),
                   MEMBER(w, mainSplitter),
                   MEMBER(w, fileListPanel),
                   MEMBER(w, fileList),
                   MEMBER(w, sidePanel),
                   MEMBER(w, infoSplitter),
                   MEMBER(w, propertyPanel),
                   MEMBER(w, propertyGrid),
                   MEMBER(w, infoPanel),
                   MEMBER(w, infoSizer),
                   MEMBER(w, infoScrolledWindow),
                   MEMBER(w, infoTitleLabel),
                   MEMBER(w, infoBodyLabel),
                   MEMBER(w, thumbnailPanel),
                   MEMBER(w, thumbnailPicture),
                   MEMBER(w, picturePanel),
                   MEMBER(w, fileLoadingPicture),
                   MEMBER(w, fileOkPicture),
                   MEMBER(w, fileErrorPicture),
                   MEMBER(w, videoNotLoadedPicture),
                   MEMBER(w, runToolPicture),
                   MEMBER(w, runToolBlockedPicture),
                   MEMBER(w, debugToolPicture),
                   MEMBER(w, debugToolBlockedPicture),
                   MEMBER(w, menuBar),
                   MEMBER(w, taskMenu),
                   MEMBER(w, newMenuItem),
                   MEMBER(w, openMenuItem),
                   MEMBER(w, saveMenuItem),
                   MEMBER(w, saveAsMenuItem),
                   MEMBER(w, exportCsvMenuItem),
                   MEMBER(w, importResultsMenuItem),
                   MEMBER(w, debugMenuItem),
                   MEMBER(w, runMenuItem),
                   MEMBER(w, exitMenuItem),
                   MEMBER(w, editMenu),
                   MEMBER(w, undoMenuItem),
                   MEMBER(w, redoMenuItem),
                   MEMBER(w, addFilesMenuItem),
                   MEMBER(w, removeFilesMenuItem),
                   MEMBER(w, setReferenceMenuItem),
                   MEMBER(w, viewResultsMenuItem),
                   MEMBER(w, setGroupMenu),
                   MEMBER(w, helpMenu),
                   MEMBER(w, aboutMenuItem),
                   MEMBER(w, statusBar),
                   MEMBER(w, toolBar),
                   MEMBER(w, taskNameLabel),
                   MEMBER(w, taskNameText),
                   MEMBER(w, newTool),
                   MEMBER(w, openTool),
                   MEMBER(w, saveTool),
                   MEMBER(w, debugTool),
                   MEMBER(w, runTool),
                   MEMBER(w, viewResultsTool),
                   MEMBER(w, addFilesTool),
                   MEMBER(w, removeFilesTool),
                   MEMBER(w, moveUpTool),
                   MEMBER(w, moveDownTool),
                   MEMBER(w, setReferenceTool),
                   MEMBER(w, groupMenuAnchorLabel),
                   MEMBER(w, groupFilesTool),
                   MEMBER(w, undoTool),
                   MEMBER(w, redoTool),
                   MEMBER(w, contextMenu)});
  text.nameColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW), "WINDOW");
  text.nameColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT), "HIGHLIGHT");
  text.nameColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INACTIVECAPTION), "INACTIVECAPTION");
  return text;
}

TEST_F(EditorLayoutTest, MainWindowTree) {
  auto* w = keep(new WndMainStub(nullptr));
  const LayoutText text = mainWindowText(*w);
  // The toolkit adds wxBORDER_NONE and tab traversal to splitters and the status bar (which
  // also repaints in full on resizing), and scroll bars, a theme border and wxWANTS_CHARS to
  // the property grid. A menu item whose accelerator text names no key loses that text.
  EXPECT_EQ(text.members(), block(R"x(
mainPanel: wxPanel in frame style=0x280000
mainSplitter: wxSplitterWindow in mainPanel split=vertical gravity=1.0 minPane=200 style=0x280300
fileListPanel: wxPanel in mainSplitter style=0x280000
fileList: wxDataViewListCtrl in fileListPanel columns=0 rows=0 style=0x1
sidePanel: wxPanel in mainSplitter style=0x280000
infoSplitter: wxSplitterWindow in sidePanel split=horizontal gravity=1.0 minPane=30 style=0x280300
propertyPanel: wxPanel in infoSplitter style=0x280000
propertyGrid: wxPropertyGrid in propertyPanel style=0xD00400C0
infoPanel: wxPanel in infoSplitter style=0x280000
infoSizer: wxBoxSizer of infoPanel
infoScrolledWindow: wxScrolledWindow in infoPanel scrollRate=5x5 style=0x82000000
infoTitleLabel: wxStaticText in infoScrolledWindow "" style=0 font=9pt bold face="Arial"
infoBodyLabel: wxStaticText in infoScrolledWindow "" style=0
thumbnailPanel: wxPanel in infoPanel style=0x280000
thumbnailPicture: wxStaticBitmap in thumbnailPanel bitmap=none style=0 bg=WINDOW
picturePanel: wxPanel in frame style=0x280000 hidden
fileLoadingPicture: wxStaticBitmap in picturePanel bitmap=16x16 style=0
fileOkPicture: wxStaticBitmap in picturePanel bitmap=16x16 style=0
fileErrorPicture: wxStaticBitmap in picturePanel bitmap=16x16 style=0
videoNotLoadedPicture: wxStaticBitmap in picturePanel bitmap=400x200 style=0
runToolPicture: wxStaticBitmap in picturePanel bitmap=24x24 style=0
runToolBlockedPicture: wxStaticBitmap in picturePanel bitmap=24x24 style=0
debugToolPicture: wxStaticBitmap in picturePanel bitmap=24x24 style=0
debugToolBlockedPicture: wxStaticBitmap in picturePanel bitmap=24x24 style=0
menuBar: wxMenuBar in frame style=0
taskMenu: wxMenu items=11 in menuBar at 0 "Task"
newMenuItem: wxMenuItem in taskMenu "New\tCTRL+N" accel=Ctrl+N bitmap={art}
openMenuItem: wxMenuItem in taskMenu "Open...\tCTRL+O" accel=Ctrl+O bitmap={art}
saveMenuItem: wxMenuItem in taskMenu "Save\tCTRL+S" accel=Ctrl+S bitmap={art}
saveAsMenuItem: wxMenuItem in taskMenu "Save as...\tCTRL+SHIFT+S" accel=Ctrl+Shift+S bitmap={art}
exportCsvMenuItem: wxMenuItem in taskMenu "Export results as CSV"
importResultsMenuItem: wxMenuItem in taskMenu "Import results from .vixores file(s)..."
debugMenuItem: wxMenuItem in taskMenu "Debug this task\tF5" accel=F5 help="Debug this task - no results will be saved" bitmap=16x16
runMenuItem: wxMenuItem in taskMenu "Run without debugging\tCTRL+F5" accel=Ctrl+F5 help="Run this task saving results" bitmap=16x16
exitMenuItem: wxMenuItem in taskMenu "Exit"
editMenu: wxMenu items=8 in menuBar at 1 "Edit"
undoMenuItem: wxMenuItem in editMenu "Undo\tCTRL-Z" accel=Ctrl+Z bitmap={art}
redoMenuItem: wxMenuItem in editMenu "Redo\tCTRL-Y" accel=Ctrl+Y bitmap={art} disabled
addFilesMenuItem: wxMenuItem in editMenu "Add files" bitmap=16x16
removeFilesMenuItem: wxMenuItem in editMenu "Remove selected file(s)\tCTRL-D" accel=Ctrl+D bitmap=16x16
setReferenceMenuItem: wxMenuItem in editMenu "Set reference" bitmap=16x16
viewResultsMenuItem: wxMenuItem in editMenu "View results" bitmap=16x16
setGroupMenu: wxMenu items=0
helpMenu: wxMenu items=1 in menuBar at 2 "Help"
aboutMenuItem: wxMenuItem in helpMenu "About\tF1" accel=F1
statusBar: wxStatusBar in frame fields=3 style=0x290010 bg=INACTIVECAPTION
toolBar: wxToolBar in frame tools=22 style=0x4
taskNameLabel: wxStaticText in toolBar "Task name: " style=0 min=-1x15
taskNameText: wxTextCtrl in toolBar "" style=0
newTool: tool "New file" bitmap=24x24 help="new task"
openTool: tool "Open task" bitmap=24x24 help="open task"
saveTool: tool "Save task" bitmap=24x24 help="save task"
debugTool: tool "tool" bitmap=24x24 help="debug this task - no results will be saved"
runTool: tool "tool" bitmap=24x24 help="run this task, saving results"
viewResultsTool: tool "View results" bitmap=24x24 help="view results"
addFilesTool: tool "Add file(s)" bitmap=24x24 help="add file(s)"
removeFilesTool: tool "Remove file(s)" bitmap=24x24 help="remove selected file(s)"
moveUpTool: tool "Move up" bitmap=24x24 help="move selected file(s) up"
moveDownTool: tool "Move down" bitmap=24x24 help="move selected file(s) down"
setReferenceTool: tool "Set reference" bitmap=24x24 help="set reference"
groupMenuAnchorLabel: wxStaticText in toolBar "" style=0 bg=HIGHLIGHT min=0x24
groupFilesTool: tool "Group files" bitmap=24x24 help="group files"
undoTool: tool "Undo" bitmap=24x24 help="undo"
redoTool: tool "Redo" bitmap=24x24 help="redo"
contextMenu: wxMenu items=0
)x",
                                  {{"{art}", menuArtSize()}}));
  EXPECT_EQ(text.unusualNames(), "statusBar=status_line\n");
  EXPECT_EQ(w->GetName(), "frame");
}

TEST_F(EditorLayoutTest, MainWindowSizers) {
  auto* w = keep(new WndMainStub(nullptr));
  EXPECT_EQ(mainWindowText(*w).sizers(), block(R"x(
box V
  mainPanel 1 0x2000 5
    box H
      mainSplitter 1 0x2000 5
        pane1 fileListPanel
          box V
            fileList 1 0x2090 5
        pane2 sidePanel
          box V
            infoSplitter 1 0x2020 5
              pane1 propertyPanel
                box V
                  propertyGrid 1 0x2000 5
              pane2 infoPanel
                infoSizer=box V
                  infoScrolledWindow 1 0x2080 5
                    box V
                      infoTitleLabel 0 0x70 5
                      infoBodyLabel 0 0x20B0 5
                  thumbnailPanel 1 0x2080 5
                    box V
                      spacer 0x0 1 0x2000 5
                      thumbnailPicture 0 0x100 5
                      spacer 0x0 1 0x2000 5
  picturePanel 1 0x20F0 5 hidden
    box V
      fileLoadingPicture 0 0xF0 5
      fileOkPicture 0 0xF0 5
      fileErrorPicture 0 0xF0 5
      videoNotLoadedPicture 0 0xF0 5
      runToolPicture 0 0xF0 5
      runToolBlockedPicture 0 0xF0 5
      debugToolPicture 0 0xF0 5
      debugToolBlockedPicture 0 0xF0 5
)x"));
}

TEST_F(EditorLayoutTest, MainWindowMenusAndTools) {
  auto* w = keep(new WndMainStub(nullptr));
  const LayoutText text = mainWindowText(*w);
  ASSERT_EQ(w->GetMenuBar(), w->menuBar);
  EXPECT_EQ(text.menuItems(w->taskMenu), block(R"x(
newMenuItem: wxMenuItem in taskMenu "New\tCTRL+N" accel=Ctrl+N bitmap={art}
openMenuItem: wxMenuItem in taskMenu "Open...\tCTRL+O" accel=Ctrl+O bitmap={art}
saveMenuItem: wxMenuItem in taskMenu "Save\tCTRL+S" accel=Ctrl+S bitmap={art}
saveAsMenuItem: wxMenuItem in taskMenu "Save as...\tCTRL+SHIFT+S" accel=Ctrl+Shift+S bitmap={art}
exportCsvMenuItem: wxMenuItem in taskMenu "Export results as CSV"
importResultsMenuItem: wxMenuItem in taskMenu "Import results from .vixores file(s)..."
---
debugMenuItem: wxMenuItem in taskMenu "Debug this task\tF5" accel=F5 help="Debug this task - no results will be saved" bitmap=16x16
runMenuItem: wxMenuItem in taskMenu "Run without debugging\tCTRL+F5" accel=Ctrl+F5 help="Run this task saving results" bitmap=16x16
exitMenuItem: wxMenuItem in taskMenu "Exit"
---
)x",
                                               {{"{art}", menuArtSize()}}));
  EXPECT_EQ(text.menuItems(w->editMenu), block(R"x(
undoMenuItem: wxMenuItem in editMenu "Undo\tCTRL-Z" accel=Ctrl+Z bitmap={art}
redoMenuItem: wxMenuItem in editMenu "Redo\tCTRL-Y" accel=Ctrl+Y bitmap={art} disabled
---
addFilesMenuItem: wxMenuItem in editMenu "Add files" bitmap=16x16
removeFilesMenuItem: wxMenuItem in editMenu "Remove selected file(s)\tCTRL-D" accel=Ctrl+D bitmap=16x16
setReferenceMenuItem: wxMenuItem in editMenu "Set reference" bitmap=16x16
viewResultsMenuItem: wxMenuItem in editMenu "View results" bitmap=16x16
(item): wxMenuItem in editMenu "Set group" bitmap=16x16 submenu=setGroupMenu
)x",
                                               {{"{art}", menuArtSize()}}));
  EXPECT_EQ(text.menuItems(w->helpMenu),
            "aboutMenuItem: wxMenuItem in helpMenu \"About\\tF1\" accel=F1\n");
  // "Add files" shows its label alone: the accelerator text names no key.
  EXPECT_EQ(w->addFilesMenuItem->GetItemLabelText(), "Add files");
  EXPECT_EQ(w->addFilesMenuItem->GetAccel(), nullptr);

  EXPECT_EQ(text.tools(w->toolBar), block(R"x(
---
taskNameLabel: control taskNameLabel
taskNameText: control taskNameText
---
newTool: tool "New file" bitmap=24x24 help="new task"
openTool: tool "Open task" bitmap=24x24 help="open task"
saveTool: tool "Save task" bitmap=24x24 help="save task"
---
debugTool: tool "tool" bitmap=24x24 help="debug this task - no results will be saved"
runTool: tool "tool" bitmap=24x24 help="run this task, saving results"
viewResultsTool: tool "View results" bitmap=24x24 help="view results"
---
addFilesTool: tool "Add file(s)" bitmap=24x24 help="add file(s)"
removeFilesTool: tool "Remove file(s)" bitmap=24x24 help="remove selected file(s)"
moveUpTool: tool "Move up" bitmap=24x24 help="move selected file(s) up"
moveDownTool: tool "Move down" bitmap=24x24 help="move selected file(s) down"
setReferenceTool: tool "Set reference" bitmap=24x24 help="set reference"
groupMenuAnchorLabel: control groupMenuAnchorLabel
groupFilesTool: tool "Group files" bitmap=24x24 help="group files"
---
undoTool: tool "Undo" bitmap=24x24 help="undo"
redoTool: tool "Redo" bitmap=24x24 help="redo"
)x"));
  // The run and debug tools start with the pictures of a task that cannot run.
  EXPECT_TRUE(w->debugTool->GetNormalBitmap().IsSameAs(debugToolBlockedBitmap()));
  EXPECT_TRUE(w->runTool->GetNormalBitmap().IsSameAs(runToolBlockedBitmap()));
  EXPECT_EQ(w->GetStatusBar(), w->statusBar);
  EXPECT_EQ(w->GetToolBar(), w->toolBar);
}

// The toolkit shows a popup menu in a loop of its own until the menu goes away; these tests
// close it from an event once it is open (the toolkit has no call for that, so its GTK function
// is looked up by name).
void closeSoon(wxMenu* menu) {
  using Popdown = void (*)(GtkWidget*);
  static const auto popdown = reinterpret_cast<Popdown>(dlsym(RTLD_DEFAULT, "gtk_menu_popdown"));
  ASSERT_NE(popdown, nullptr);
  wxTheApp->CallAfter([menu] { popdown(menu->m_menu); });
}

// A right button press at (20, 30) of target, as the toolkit sends it.
void pressRightButton(wxWindow* target) {
  wxMouseEvent press(wxEVT_RIGHT_DOWN);
  press.SetPosition(wxPoint(20, 30));
  press.SetEventObject(target);
  target->HandleWindowEvent(press);
}

TEST_F(EditorLayoutTest, RightClickOnTheFrameItselfPopsUpTheContextMenu) {
  auto* w = keep(new WndMainStub(nullptr));
  w->contextMenu->Append(wxID_ANY, "Group 1");  // as the editor fills it
  w->Show();
  runEvents(100);
  std::vector<wxMenu*> opened;
  w->Bind(wxEVT_MENU_OPEN, [&](wxMenuEvent& event) {
    if (event.IsPopup()) {
      opened.push_back(event.GetMenu());
      closeSoon(event.GetMenu());
    }
    event.Skip();
  });
  pressRightButton(w);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], w->contextMenu);
  // Mouse events do not travel to the parent window: a press on a child pops nothing up.
  pressRightButton(w->mainPanel);
  pressRightButton(w->fileListPanel);
  EXPECT_EQ(opened.size(), 1u);
}

TEST_F(EditorLayoutTest, MainWindowOwnsAndDeletesItsContextMenu) {
  // A menu item that says when it goes: it goes with its menu.
  struct TrackedItem : wxMenuItem {
    TrackedItem(wxMenu* menu, bool* gone) : wxMenuItem(menu, wxID_ANY, "Group 1"), gone(gone) {}
    ~TrackedItem() override { *gone = true; }
    bool* gone;
  };
  bool gone = false;
  auto* w = new WndMainStub(nullptr);  // never shown
  w->contextMenu->Append(new TrackedItem(w->contextMenu, &gone));
  w->Destroy();
  for (int i = 0; i < 1000 && !wxTopLevelWindows.empty(); ++i) {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
  }
  EXPECT_TRUE(gone);
}

TEST_F(EditorLayoutTest, SplittersPlaceTheirSashesOnTheFirstIdleEvent) {
  auto* w = keep(new WndMainStub(nullptr));
  EXPECT_EQ(w->GetSize(), wxSize(771, 498));
  w->Show();
  wxSplitterWindow* main = w->mainSplitter;
  wxSplitterWindow* info = w->infoSplitter;
  runEventsUntil([&] {
    return main->GetSashPosition() == main->GetClientSize().x - 250 &&
           info->GetSashPosition() == info->GetClientSize().y - 100;
  });
  // The side panel is 250 pixels wide and the information panel 100 pixels high.
  EXPECT_EQ(main->GetSashPosition(), main->GetClientSize().x - 250);
  EXPECT_EQ(info->GetSashPosition(), info->GetClientSize().y - 100);
  // The hidden picture panel takes no room.
  EXPECT_EQ(w->mainPanel->GetSize(), w->GetClientSize());
  vixo_test::saveScreenshot(w, "main_window");
  w->Show();

  // Sash gravity 1: a larger frame widens the file list and heightens the property grid only.
  w->SetSize(1100, 800);
  runEventsUntil([&] {
    return main->GetSashPosition() == main->GetClientSize().x - 250 &&
           info->GetSashPosition() == info->GetClientSize().y - 100;
  });
  EXPECT_EQ(main->GetSashPosition(), main->GetClientSize().x - 250);
  EXPECT_EQ(info->GetSashPosition(), info->GetClientSize().y - 100);

  // Later idle events leave a moved sash alone.
  main->SetSashPosition(400);
  info->SetSashPosition(200);
  runEvents(100);
  EXPECT_EQ(main->GetSashPosition(), 400);
  EXPECT_EQ(info->GetSashPosition(), 200);

  // No pane narrower than 200 pixels (file list, side panel) or lower than 30 (grid, info).
  main->SetSashPosition(50);
  EXPECT_EQ(main->GetSashPosition(), 200);
  main->SetSashPosition(main->GetClientSize().x - 50);
  EXPECT_EQ(main->GetSashPosition(), main->GetClientSize().x - 200 - main->GetSashSize());
  info->SetSashPosition(5);
  EXPECT_EQ(info->GetSashPosition(), 30);
}

// ---------------------------------------------------------------- status panel

TEST_F(EditorLayoutTest, StatusPanelTree) {
  auto* frame = keep(new wxFrame(nullptr, wxID_ANY, "host"));
  wxStatusBar* bar = frame->CreateStatusBar(3);
  auto* w = new StatusBarPanel2stub(bar);
  const LayoutText text(
      w, "panel",
      {MEMBER(*w, panelSizer), MEMBER(*w, saveHintLabel), MEMBER(*w, resultsSizer),
       MEMBER(*w, resultsStatusLabel), MEMBER(*w, openResultsLink), MEMBER(*w, refreshLink)});
  EXPECT_EQ(text.members(), block(R"x(
panelSizer: wxBoxSizer of panel
saveHintLabel: wxStaticText in panel "Save project to start result monitoring" style=0
resultsSizer: wxBoxSizer
resultsStatusLabel: wxStaticText in panel "Finished: ...; In progres: ...;" style=0
openResultsLink: wxHyperlinkCtrl in panel "Open results" url="https://vixo.orlo.example/" style=0x200009
refreshLink: wxHyperlinkCtrl in panel "Refresh" url="https://vixo.orlo.example/" style=0x200009
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
panelSizer=box H
  saveHintLabel 0 0x800 5
  resultsSizer=box H 0 0x800 5
    resultsStatusLabel 0 0x930 5
    openResultsLink 0 0x830 5
    refreshLink 0 0x830 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
  EXPECT_EQ(w->GetWindowStyleFlag() & wxTAB_TRAVERSAL, wxTAB_TRAVERSAL);
  // Exactly the minimum size of its sizer, every item centred vertically.
  EXPECT_EQ(w->GetSize(), w->panelSizer->GetMinSize());
  const int middle = w->GetSize().y / 2;
  for (wxWindow* item :
       {static_cast<wxWindow*>(w->saveHintLabel), static_cast<wxWindow*>(w->resultsStatusLabel),
        static_cast<wxWindow*>(w->openResultsLink), static_cast<wxWindow*>(w->refreshLink)}) {
    const wxRect rect = item->GetRect();
    EXPECT_NEAR(rect.y + rect.height / 2, middle, 1) << item->GetLabel();
  }
  // Wider than its content: the status line and the links keep their natural widths.
  const int statusWidth = w->resultsStatusLabel->GetSize().x;
  w->SetSize(w->GetSize() + wxSize(300, 0));
  w->Layout();
  EXPECT_EQ(w->resultsStatusLabel->GetSize().x, statusWidth);
  EXPECT_EQ(w->refreshLink->GetRect().GetRight() + 1 + 5, w->panelSizer->GetMinSize().x);
  w->SetSize(w->panelSizer->GetMinSize());
  frame->SetSize(700, 120);
  vixo_test::saveScreenshot(frame, "status_panel");
}

// ---------------------------------------------------------------- question editor

TEST_F(EditorLayoutTest, QuestionEditorTree) {
  auto* w = keep(new DlgEditQuestionsStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, questionsText), MEMBER(*w, helpLink), MEMBER(*w, lineCaptionLabel),
       MEMBER(*w, lineNumberLabel), MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
questionsText: wxTextCtrl in dialog "Question 1\n5 Exellent\n4 Good\n3 Fair\n2 Poor\n1 Bad" style=0x20
helpLink: wxHyperlinkCtrl in dialog "Help on creating questions..." url="" style=0x200009
lineCaptionLabel: wxStaticText in dialog "Line " style=0
lineNumberLabel: wxStaticText in dialog "1   " style=0
okButton: wxButton in dialog "OK" style=0 default
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  questionsText 1 0x2000 5
  box H 0 0x2000 5
    helpLink 0 0x8F0 5
    spacer 0x0 1 0x2000 5
    lineCaptionLabel 0 0x8D0 5
    lineNumberLabel 0 0x8E0 5
    okButton 0 0xF0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(EditorLayoutTest, QuestionEditorGivesExtraRoomToTheQuestions) {
  auto* w = keep(new DlgEditQuestionsStub(nullptr));
  expectOpening(w, "Custom question editor", kDialogStyle | wxRESIZE_BORDER, wxSize(422, 273));
  // The line number keeps the natural width of "1" and three blanks.
  EXPECT_NEAR(w->lineNumberLabel->GetSize().x, w->lineNumberLabel->GetTextExtent("1   ").x, 1);
  EXPECT_GT(w->lineNumberLabel->GetSize().x, w->lineNumberLabel->GetTextExtent("1").x);
  const wxSize text = w->questionsText->GetSize();
  const int rowHeight = w->okButton->GetSize().y;
  w->SetSize(w->GetSize() + wxSize(120, 80));
  w->Layout();
  EXPECT_EQ(w->questionsText->GetSize(), text + wxSize(120, 80));
  EXPECT_EQ(w->okButton->GetSize().y, rowHeight);
  EXPECT_EQ(w->okButton->GetRect().GetRight() + 1 + 5, w->GetClientSize().x);
  EXPECT_EQ(w->lineNumberLabel->GetRect().GetRight() + 1 + 5 + 5, w->okButton->GetPosition().x);
  EXPECT_EQ(w->helpLink->GetPosition().x, 5);
  vixo_test::saveScreenshot(w, "question_editor");
}

// ---------------------------------------------------------------- question help

TEST_F(EditorLayoutTest, QuestionHelpTree) {
  auto* w = keep(new DlgCustomQuestionHelpImpl(nullptr));
  const LayoutText text(w, "dialog",
                        {MEMBER(*w, rulesLabel), MEMBER(*w, chooseSampleLabel),
                         MEMBER(*w, sampleChoice), MEMBER(*w, sampleText)});
  EXPECT_EQ(
      text.members(),
      block(R"x(
rulesLabel: wxStaticText in dialog "{rules}" style=0 min=-1x{rulesHeight}
chooseSampleLabel: wxStaticText in dialog "Choose sample:" style=0
sampleChoice: wxChoice in dialog items=0 selection=-1 style=0
sampleText: wxTextCtrl in dialog "" style=0x30 min=-1x150
)x",
            {{"{rules}", escapedLabel(w->rulesLabel)},
             {"{rulesHeight}", std::to_string(std::max(130, w->rulesLabel->GetBestSize().y))}}));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  rulesLabel 0 0xF0 5
  box H 0 0 5
    chooseSampleLabel 0 0x8F0 5
    spacer 0x0 1 0x2000 5
    sampleChoice 0 0xF0 5
  sampleText 0 0x20B0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
  // The rules, one text of 347 characters with four line breaks of its own; the label breaks
  // further lines at 400 pixels.
  const wxString rules =
      "1. Specify question wording in first line\n"
      "2. Specify answer choices, each on separate line\n"
      "3. Specify rank as floating-point number in the beginning of choice line\n"
      "4. In case of multiple questions, leave an empty string between questions\n"
      "5. If you want to specify identifier for question, place it in [[...]] before question "
      "wording (in same line)";
  EXPECT_EQ(rules.length(), 347u);
  wxString shown = w->rulesLabel->GetLabel(), expected = rules;
  shown.Replace("\n", " ");
  expected.Replace("\n", " ");
  EXPECT_EQ(shown, expected);
  EXPECT_LE(w->rulesLabel->GetSize().x, 400);
}

TEST_F(EditorLayoutTest, QuestionHelpShowsAllItsContentBesideTheChoice) {
  auto* w = keep(new DlgCustomQuestionHelpImpl(nullptr));
  // 400 x 338, or larger where the content needs more in the toolkit's font: the dialog cannot
  // be resized by hand.
  wxSize size(400, 338);
  size.IncTo(w->GetSizer()->ComputeFittingWindowSize(w));
  expectOpening(w, "Custom question help", kDialogStyle, size);
  // Every line of the rules shows, in at least 130 pixels; the sample text is at least 150
  // pixels high and cannot be edited.
  EXPECT_GE(w->rulesLabel->GetSize().y, 130);
  EXPECT_GE(w->rulesLabel->GetSize().y, w->rulesLabel->GetBestSize().y);
  EXPECT_GE(w->sampleText->GetSize().y, 150);
  EXPECT_FALSE(w->sampleText->IsEditable());
  // The sample row is only as wide as its content: the spacer gets nothing.
  EXPECT_EQ(w->sampleChoice->GetPosition().x,
            w->chooseSampleLabel->GetRect().GetRight() + 1 + 5 + 5);
  vixo_test::saveScreenshot(w, "question_help");
}

// ---------------------------------------------------------------- messages dialog

TEST_F(EditorLayoutTest, MessagesDialogTree) {
  auto* w = keep(new DlgMessagesStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, messagesPanel), MEMBER(*w, messageList), MEMBER(*w, messageColumn),
       MEMBER(*w, summaryLabel), MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
messagesPanel: wxPanel in dialog style=0x280000
messageList: wxDataViewListCtrl in messagesPanel columns=1 rows=0 style=0x2
messageColumn: column "Message" of messageList type=wxDataViewIconText mode=0 width={width} align=0 flags=0x1
summaryLabel: wxStaticText in messagesPanel "MyLabel" style=0
okButton: wxButton in messagesPanel "OK" style=0 default
)x",
                                  {{"{width}", std::to_string(w->messageColumn->GetWidth())}}));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  messagesPanel 1 0x2000 5
    box V
      messageList 1 0x20F0 5
      box H 0 0x2000 5
        summaryLabel 0 0x830 5
        spacer 0x0 1 0x2000 5
        okButton 0 0x8B0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

// Both list dialogs: resizable, minimisable and maximisable; extra room goes to the list.
TEST_F(EditorLayoutTest, MessagesAndResultsDialogsGiveExtraRoomToTheirLists) {
  const long style = kDialogStyle | wxRESIZE_BORDER | wxMAXIMIZE_BOX | wxMINIMIZE_BOX;
  auto* messages = keep(new DlgMessagesStub(nullptr));
  expectOpening(messages, "Messages", style, wxSize(457, 315));
  auto* results = keep(new DlgResultsStub(nullptr));
  expectOpening(results, "Test results", style, wxSize(546, 358));
  for (auto [dialog, list, ok] : {std::tuple<wxDialog*, wxWindow*, wxWindow*>{
                                      messages, messages->messageList, messages->okButton},
                                  {results, results->resultsNotebook, results->okButton}}) {
    SCOPED_TRACE(dialog->GetTitle().ToStdString());
    const wxSize before = list->GetSize();
    const int okHeight = ok->GetSize().y;
    dialog->SetSize(dialog->GetSize() + wxSize(100, 60));
    dialog->Layout();
    EXPECT_EQ(list->GetSize(), before + wxSize(100, 60));
    EXPECT_EQ(ok->GetSize().y, okHeight);
    // The stretch spacer keeps "OK" at the right edge (the messages panel fills its dialog).
    EXPECT_EQ(ok->GetRect().GetRight() + 1 + 5, dialog->GetClientSize().x);
  }
  vixo_test::saveScreenshot(messages, "messages");
  vixo_test::saveScreenshot(results, "results");
}

// ---------------------------------------------------------------- results dialog

TEST_F(EditorLayoutTest, ResultsDialogTree) {
  auto* w = keep(new DlgResultsStub(nullptr));
  // The toolkit puts the tabs at the top explicitly (wxBK_TOP) and hides the pages not shown.
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, resultsNotebook), MEMBER(*w, passesPanel), MEMBER(*w, passList),
       MEMBER(*w, machineColumn), MEMBER(*w, passExpertColumn), MEMBER(*w, startTimeColumn),
       MEMBER(*w, passedColumn), MEMBER(*w, resultTablePanel), MEMBER(*w, resultList),
       MEMBER(*w, testTimeColumn), MEMBER(*w, resultExpertColumn), MEMBER(*w, valueIdColumn),
       MEMBER(*w, screeningColumn), MEMBER(*w, warningPicture), MEMBER(*w, warningLabel),
       MEMBER(*w, exportCsvButton), MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
resultsNotebook: wxNotebook in dialog pages=2 selection=0 style=0x10
passesPanel: wxPanel in resultsNotebook style=0x280000
passList: wxDataViewListCtrl in passesPanel columns=4 rows=0 style=0
machineColumn: column "Machine" of passList type=string mode=0 width={width} align=0 flags=0x1
passExpertColumn: column "Expert" of passList type=string mode=0 width={width} align=0 flags=0x1
startTimeColumn: column "Start time" of passList type=string mode=0 width={width} align=0 flags=0x1
passedColumn: column "Passed" of passList type=wxDataViewIconText mode=0 width={width} align=0 flags=0x1
resultTablePanel: wxPanel in resultsNotebook style=0x280000 hidden
resultList: wxDataViewListCtrl in resultTablePanel columns=4 rows=0 style=0
testTimeColumn: column "Test time" of resultList type=string mode=0 width={width} align=0 flags=0x1
resultExpertColumn: column "Expert" of resultList type=string mode=0 width={width} align=0 flags=0x1
valueIdColumn: column "Value id" of resultList type=string mode=0 width={width} align=0 flags=0x1
screeningColumn: column "Screening" of resultList type=string mode=0 width={width} align=0 flags=0x1
warningPicture: wxStaticBitmap in dialog bitmap=none style=0 min=16x16
warningLabel: wxStaticText in dialog "" style=0
exportCsvButton: wxButton in dialog "Export results as CSV" style=0
okButton: wxButton in dialog "OK" style=0 default
)x",
                                  {{"{width}", std::to_string(w->machineColumn->GetWidth())}}));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  resultsNotebook 1 0x20F0 5
    page "Information about passes" selected passesPanel
      box V
        passList 1 0x2040 5
    page "Result table" resultTablePanel
      box V
        resultList 1 0x2040 5
  box H 0 0x2000 5
    warningPicture 0 0x810 5
    warningLabel 0 0x830 5
    spacer 0x0 1 0x2000 5
    exportCsvButton 0 0x890 5
    okButton 0 0x8B0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
  // Even while empty, the warning picture takes 16 x 16 at the left of the bottom row.
  EXPECT_EQ(w->warningPicture->GetSize(), wxSize(16, 16));
  EXPECT_EQ(w->warningPicture->GetPosition().x, 5);
}

}  // namespace
