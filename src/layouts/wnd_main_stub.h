// Layout of the task editor's main frame: the file list on the left; on the right the task's
// property grid above an information panel (title, text and thumbnail); a hidden panel holding
// eight pictures for the editor; the menus "Task", "Edit" and "Help"; a three-field status bar;
// a tool bar with the task name and the editor's tools; and a popup menu.
//
// Builds the controls and nothing else, except three handlers of its own: each splitter places
// its sash once, on its first idle event, and a right click on the frame pops the popup menu up.
// The layout owns the popup menu and deletes it. The editor's main window derives from it and
// binds everything else. GUI thread only.
#pragma once

#include <wx/frame.h>

class wxBoxSizer;
class wxDataViewListCtrl;
class wxIdleEvent;
class wxMenu;
class wxMenuBar;
class wxMenuItem;
class wxMouseEvent;
class wxPanel;
class wxPropertyGrid;
class wxScrolledWindow;
class wxSplitterWindow;
class wxStaticBitmap;
class wxStaticText;
class wxStatusBar;
class wxTextCtrl;
class wxToolBar;
class wxToolBarToolBase;

class WndMainStub : public wxFrame {
 public:
  WndMainStub(wxWindow* parent, wxWindowID id = wxID_ANY,
              const wxString& title = "Orlo VIXO task manager",
              const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(771, 498),
              long style = wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL);
  ~WndMainStub() override;

  // Sash placement on the first idle event of each splitter, measured at the splitter's size
  // then; each handler unbinds itself.
  void onSplitterIdle(wxIdleEvent& event);
  // The width of the right pane (the grid and the info panel) that the first sash placement
  // gives; a derived window may widen it before.
  int sidePaneWidth = 250;
  void onInfoSplitterIdle(wxIdleEvent& event);
  // Pops contextMenu up at the mouse position of a right click on the frame itself.
  void onContextMenu(wxMouseEvent& event);

  wxPanel* mainPanel = nullptr;
  wxSplitterWindow* mainSplitter = nullptr;  // file list left, side panel right
  wxPanel* fileListPanel = nullptr;
  wxDataViewListCtrl* fileList = nullptr;
  wxPanel* sidePanel = nullptr;
  wxSplitterWindow* infoSplitter = nullptr;  // property grid above, information below
  wxPanel* propertyPanel = nullptr;
  wxPropertyGrid* propertyGrid = nullptr;
  wxPanel* infoPanel = nullptr;
  wxBoxSizer* infoSizer = nullptr;  // the editor shows and hides its two items
  wxScrolledWindow* infoScrolledWindow = nullptr;
  wxStaticText* infoTitleLabel = nullptr;
  wxStaticText* infoBodyLabel = nullptr;
  wxPanel* thumbnailPanel = nullptr;
  wxStaticBitmap* thumbnailPicture = nullptr;
  wxPanel* picturePanel = nullptr;  // never shown: holds the pictures the editor swaps in
  wxStaticBitmap* fileLoadingPicture = nullptr;
  wxStaticBitmap* fileOkPicture = nullptr;
  wxStaticBitmap* fileErrorPicture = nullptr;
  wxStaticBitmap* videoNotLoadedPicture = nullptr;
  wxStaticBitmap* runToolPicture = nullptr;
  wxStaticBitmap* runToolBlockedPicture = nullptr;
  wxStaticBitmap* debugToolPicture = nullptr;
  wxStaticBitmap* debugToolBlockedPicture = nullptr;
  wxMenuBar* menuBar = nullptr;
  wxMenu* taskMenu = nullptr;  // the editor appends the recent tasks after its last separator
  wxMenuItem* newMenuItem = nullptr;
  wxMenuItem* openMenuItem = nullptr;
  wxMenuItem* saveMenuItem = nullptr;
  wxMenuItem* saveAsMenuItem = nullptr;
  wxMenuItem* exportCsvMenuItem = nullptr;
  wxMenuItem* importResultsMenuItem = nullptr;
  wxMenuItem* debugMenuItem = nullptr;
  wxMenuItem* runMenuItem = nullptr;
  wxMenuItem* exitMenuItem = nullptr;
  wxMenu* editMenu = nullptr;
  wxMenuItem* undoMenuItem = nullptr;
  wxMenuItem* redoMenuItem = nullptr;
  wxMenuItem* addFilesMenuItem = nullptr;
  wxMenuItem* removeFilesMenuItem = nullptr;
  wxMenuItem* setReferenceMenuItem = nullptr;
  wxMenuItem* viewResultsMenuItem = nullptr;
  wxMenu* setGroupMenu = nullptr;  // the editor appends one item per file group
  wxMenu* helpMenu = nullptr;
  wxMenuItem* aboutMenuItem = nullptr;
  wxStatusBar* statusBar = nullptr;
  wxToolBar* toolBar = nullptr;
  wxStaticText* taskNameLabel = nullptr;
  wxTextCtrl* taskNameText = nullptr;
  wxToolBarToolBase* newTool = nullptr;
  wxToolBarToolBase* openTool = nullptr;
  wxToolBarToolBase* saveTool = nullptr;
  wxToolBarToolBase* debugTool = nullptr;
  wxToolBarToolBase* runTool = nullptr;
  wxToolBarToolBase* viewResultsTool = nullptr;
  wxToolBarToolBase* addFilesTool = nullptr;
  wxToolBarToolBase* removeFilesTool = nullptr;
  wxToolBarToolBase* moveUpTool = nullptr;
  wxToolBarToolBase* moveDownTool = nullptr;
  wxToolBarToolBase* setReferenceTool = nullptr;
  wxStaticText* groupMenuAnchorLabel = nullptr;  // places the popup menu under "Group files"
  wxToolBarToolBase* groupFilesTool = nullptr;
  wxToolBarToolBase* undoTool = nullptr;
  wxToolBarToolBase* redoTool = nullptr;
  wxMenu* contextMenu = nullptr;  // in no menu bar: owned and deleted by this layout

 private:
  void buildMenus();
  void buildToolBar();
};
