#include "layouts/wnd_main_stub.h"

#include <wx/artprov.h>
#include <wx/dataview.h>
#include <wx/font.h>
#include <wx/menu.h>
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

#include "layouts/layout_rows.h"
#include "layouts/pictures.h"

namespace {

wxPanel* newPanel(wxWindow* parent) {
  return new wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
}

wxSplitterWindow* newSplitter(wxWindow* parent, int minimumPaneSize) {
  auto* splitter =
      new wxSplitterWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSP_3D, "splitter");
  // The left (or top) pane takes every change of the frame's size.
  splitter->SetSashGravity(1.0);
  splitter->SetMinimumPaneSize(minimumPaneSize);
  return splitter;
}

// An item with its label, the accelerator text after a tab where there is one, the help text
// and the bitmap, appended to menu.
wxMenuItem* appendItem(wxMenu* menu, const wxString& label, const wxString& accelerator,
                       const wxString& help, const wxBitmap& bitmap) {
  auto* item =
      new wxMenuItem(menu, wxID_ANY, accelerator.empty() ? label : label + "\t" + accelerator, help,
                     wxITEM_NORMAL);
  if (bitmap.IsOk()) item->SetBitmap(bitmap);
  menu->Append(item);
  return item;
}

wxBitmap menuArt(const wxArtID& id) { return wxArtProvider::GetBitmap(id, wxART_MENU); }

wxBitmap toolArt(const wxArtID& id) { return wxArtProvider::GetBitmap(id, wxART_TOOLBAR); }

}  // namespace

WndMainStub::WndMainStub(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                         const wxSize& size, long style)
    : wxFrame(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);
  auto* frameSizer = new wxBoxSizer(wxVERTICAL);

  mainPanel = newPanel(this);
  auto* mainPanelSizer = new wxBoxSizer(wxHORIZONTAL);
  mainSplitter = newSplitter(mainPanel, 200);
  mainSplitter->Bind(wxEVT_IDLE, &WndMainStub::onSplitterIdle, this);

  fileListPanel = newPanel(mainSplitter);
  auto* fileListSizer = new wxBoxSizer(wxVERTICAL);
  fileList = new wxDataViewListCtrl(fileListPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                    wxDV_MULTIPLE);
  fileListSizer->Add(fileList, 1, wxEXPAND | wxBOTTOM | wxLEFT, 5);
  finishPanel(fileListPanel, fileListSizer);

  sidePanel = newPanel(mainSplitter);
  auto* sideSizer = new wxBoxSizer(wxVERTICAL);
  infoSplitter = newSplitter(sidePanel, 30);
  infoSplitter->Bind(wxEVT_IDLE, &WndMainStub::onInfoSplitterIdle, this);

  propertyPanel = newPanel(infoSplitter);
  auto* propertySizer = new wxBoxSizer(wxVERTICAL);
  propertyGrid =
      new wxPropertyGrid(propertyPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                         wxPG_BOLD_MODIFIED | wxPG_SPLITTER_AUTO_CENTER, "wxPropertyGrid");
  propertySizer->Add(propertyGrid, 1, wxEXPAND, 5);
  finishPanel(propertyPanel, propertySizer);

  infoPanel = newPanel(infoSplitter);
  infoSizer = new wxBoxSizer(wxVERTICAL);
  infoScrolledWindow = new wxScrolledWindow(infoPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                            wxVSCROLL | wxBORDER_SIMPLE, "panel");
  infoScrolledWindow->SetScrollRate(5, 5);
  auto* infoTextSizer = new wxBoxSizer(wxVERTICAL);
  infoTitleLabel = newLabel(infoScrolledWindow, wxEmptyString);
  infoTitleLabel->SetFont(
      wxFont(9, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD, false, "Arial"));
  infoTextSizer->Add(infoTitleLabel, 0, wxLEFT | wxRIGHT | wxTOP, 5);
  infoBodyLabel = newLabel(infoScrolledWindow, wxEmptyString);
  infoTextSizer->Add(infoBodyLabel, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 5);
  finishPanel(infoScrolledWindow, infoTextSizer);
  infoSizer->Add(infoScrolledWindow, 1, wxEXPAND | wxBOTTOM, 5);

  // Stretch spacers centre the thumbnail vertically.
  thumbnailPanel = newPanel(infoPanel);
  auto* thumbnailSizer = new wxBoxSizer(wxVERTICAL);
  thumbnailSizer->Add(0, 0, 1, wxEXPAND, 5);
  thumbnailPicture = new wxStaticBitmap(thumbnailPanel, wxID_ANY, wxNullBitmap, wxDefaultPosition,
                                        wxDefaultSize, 0);
  thumbnailPicture->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
  thumbnailSizer->Add(thumbnailPicture, 0, wxALIGN_CENTER_HORIZONTAL, 5);
  thumbnailSizer->Add(0, 0, 1, wxEXPAND, 5);
  finishPanel(thumbnailPanel, thumbnailSizer);
  infoSizer->Add(thumbnailPanel, 1, wxEXPAND | wxBOTTOM, 5);
  finishPanel(infoPanel, infoSizer);

  // A negative sash position is the size of the right (or bottom) pane.
  infoSplitter->SplitHorizontally(propertyPanel, infoPanel, -100);
  sideSizer->Add(infoSplitter, 1, wxEXPAND | wxRIGHT, 5);
  finishPanel(sidePanel, sideSizer);

  mainSplitter->SplitVertically(fileListPanel, sidePanel, -250);
  mainPanelSizer->Add(mainSplitter, 1, wxEXPAND, 5);
  finishPanel(mainPanel, mainPanelSizer);
  frameSizer->Add(mainPanel, 1, wxEXPAND, 5);

  picturePanel = newPanel(this);
  picturePanel->Show(false);
  auto* pictureSizer = new wxBoxSizer(wxVERTICAL);
  const auto addPicture = [&](const wxBitmap& bitmap) {
    auto* picture =
        new wxStaticBitmap(picturePanel, wxID_ANY, bitmap, wxDefaultPosition, wxDefaultSize, 0);
    pictureSizer->Add(picture, 0, wxALL, 5);
    return picture;
  };
  fileLoadingPicture = addPicture(fileLoadingBitmap());
  fileOkPicture = addPicture(fileOkBitmap());
  fileErrorPicture = addPicture(fileErrorBitmap());
  videoNotLoadedPicture = addPicture(videoNotLoadedBitmap());
  runToolPicture = addPicture(runToolBitmap());
  runToolBlockedPicture = addPicture(runToolBlockedBitmap());
  debugToolPicture = addPicture(debugToolBitmap());
  debugToolBlockedPicture = addPicture(debugToolBlockedBitmap());
  finishPanel(picturePanel, pictureSizer);
  frameSizer->Add(picturePanel, 1, wxEXPAND | wxALL, 5);

  SetSizer(frameSizer);
  Layout();

  buildMenus();
  statusBar = CreateStatusBar(3, wxSTB_SIZEGRIP, wxID_ANY, "status_line");
  statusBar->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_INACTIVECAPTION));
  buildToolBar();
  contextMenu = new wxMenu();
  Bind(wxEVT_RIGHT_DOWN, &WndMainStub::onContextMenu, this);

  Centre(wxBOTH);
}

WndMainStub::~WndMainStub() {
  // Before the frame's children go: the popup menu belongs to no menu bar.
  delete contextMenu;
}

void WndMainStub::buildMenus() {
  menuBar = new wxMenuBar(0);

  taskMenu = new wxMenu();
  newMenuItem = appendItem(taskMenu, "New", "CTRL+N", "", menuArt(wxART_NEW_DIR));
  openMenuItem = appendItem(taskMenu, "Open...", "CTRL+O", "", menuArt(wxART_FILE_OPEN));
  saveMenuItem = appendItem(taskMenu, "Save", "CTRL+S", "", menuArt(wxART_FILE_SAVE));
  saveAsMenuItem =
      appendItem(taskMenu, "Save as...", "CTRL+SHIFT+S", "", menuArt(wxART_FILE_SAVE_AS));
  exportCsvMenuItem = appendItem(taskMenu, "Export results as CSV", "", "", wxNullBitmap);
  importResultsMenuItem =
      appendItem(taskMenu, "Import results from .vixores file(s)...", "", "", wxNullBitmap);
  taskMenu->AppendSeparator();
  debugMenuItem = appendItem(taskMenu, "Debug this task", "F5",
                             "Debug this task - no results will be saved", debugMenuBitmap());
  runMenuItem = appendItem(taskMenu, "Run without debugging", "CTRL+F5",
                           "Run this task saving results", runMenuBitmap());
  exitMenuItem = appendItem(taskMenu, "Exit", "", "", wxNullBitmap);
  taskMenu->AppendSeparator();  // the recent tasks follow
  menuBar->Append(taskMenu, "Task");

  editMenu = new wxMenu();
  undoMenuItem = appendItem(editMenu, "Undo", "CTRL-Z", "", menuArt(wxART_UNDO));
  redoMenuItem = appendItem(editMenu, "Redo", "CTRL-Y", "", menuArt(wxART_REDO));
  redoMenuItem->Enable(false);
  editMenu->AppendSeparator();
  // The accelerator text names no key ("CTRL-"): the item keeps its label and has no
  // accelerator.
  addFilesMenuItem = appendItem(editMenu, "Add files", "CTRL-", "", addFilesMenuBitmap());
  removeFilesMenuItem =
      appendItem(editMenu, "Remove selected file(s)", "CTRL-D", "", removeFilesMenuBitmap());
  setReferenceMenuItem = appendItem(editMenu, "Set reference", "", "", setReferenceMenuBitmap());
  viewResultsMenuItem = appendItem(editMenu, "View results", "", "", viewResultsMenuBitmap());
  setGroupMenu = new wxMenu();
  auto* setGroupItem =
      new wxMenuItem(editMenu, wxID_ANY, "Set group", wxEmptyString, wxITEM_NORMAL, setGroupMenu);
  setGroupItem->SetBitmap(setGroupMenuBitmap());
  editMenu->Append(setGroupItem);
  menuBar->Append(editMenu, "Edit");

  helpMenu = new wxMenu();
  aboutMenuItem = appendItem(helpMenu, "About", "F1", "", wxNullBitmap);
  menuBar->Append(helpMenu, "Help");

  SetMenuBar(menuBar);
}

void WndMainStub::buildToolBar() {
  toolBar = CreateToolBar(wxTB_HORIZONTAL, wxID_ANY, "toolbar");
  const auto addTool = [this](const wxString& label, const wxBitmap& bitmap, const wxString& help) {
    return toolBar->AddTool(wxID_ANY, label, bitmap, wxNullBitmap, wxITEM_NORMAL, help,
                            wxEmptyString, nullptr);
  };
  toolBar->AddSeparator();
  taskNameLabel =
      new wxStaticText(toolBar, wxID_ANY, "Task name: ", wxDefaultPosition, wxSize(-1, 15), 0);
  taskNameLabel->Wrap(-1);
  toolBar->AddControl(taskNameLabel, wxEmptyString);
  taskNameText = new wxTextCtrl(toolBar, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                0, wxDefaultValidator, "text");
  toolBar->AddControl(taskNameText, wxEmptyString);
  toolBar->AddSeparator();
  newTool = addTool("New file", toolArt(wxART_NEW), "new task");
  openTool = addTool("Open task", toolArt(wxART_FILE_OPEN), "open task");
  saveTool = addTool("Save task", toolArt(wxART_FILE_SAVE), "save task");
  toolBar->AddSeparator();
  // The run and debug tools start blocked; the editor swaps their pictures.
  debugTool =
      addTool("tool", debugToolBlockedBitmap(), "debug this task - no results will be saved");
  runTool = addTool("tool", runToolBlockedBitmap(), "run this task, saving results");
  viewResultsTool = addTool("View results", viewResultsToolBitmap(), "view results");
  toolBar->AddSeparator();
  addFilesTool = addTool("Add file(s)", addFilesToolBitmap(), "add file(s)");
  removeFilesTool = addTool("Remove file(s)", removeFilesToolBitmap(), "remove selected file(s)");
  moveUpTool = addTool("Move up", moveUpToolBitmap(), "move selected file(s) up");
  moveDownTool = addTool("Move down", moveDownToolBitmap(), "move selected file(s) down");
  setReferenceTool = addTool("Set reference", setReferenceToolBitmap(), "set reference");
  groupMenuAnchorLabel =
      new wxStaticText(toolBar, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(0, 24), 0);
  groupMenuAnchorLabel->Wrap(-1);
  groupMenuAnchorLabel->SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
  toolBar->AddControl(groupMenuAnchorLabel, wxEmptyString);
  groupFilesTool = addTool("Group files", groupFilesToolBitmap(), "group files");
  toolBar->AddSeparator();
  undoTool = addTool("Undo", toolArt(wxART_UNDO), "undo");
  redoTool = addTool("Redo", toolArt(wxART_REDO), "redo");
  toolBar->Realize();
}

void WndMainStub::onSplitterIdle(wxIdleEvent&) {
  mainSplitter->SetSashPosition(-sidePaneWidth, true);
  mainSplitter->Unbind(wxEVT_IDLE, &WndMainStub::onSplitterIdle, this);
}

void WndMainStub::onInfoSplitterIdle(wxIdleEvent&) {
  infoSplitter->SetSashPosition(-100, true);
  infoSplitter->Unbind(wxEVT_IDLE, &WndMainStub::onInfoSplitterIdle, this);
}

void WndMainStub::onContextMenu(wxMouseEvent& event) {
  PopupMenu(contextMenu, event.GetPosition());
}
