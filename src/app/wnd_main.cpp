// The main window's construction: members, status bar, file list columns, property grid,
// group menus, reactive enabling and every event binding; and the frame's own commands.
#include "app/wnd_main.h"

#include <wx/hyperlink.h>
#include <wx/menu.h>
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

#include <algorithm>

#include "app/custom_question_editor.h"
#include "app/file_list.h"
#include "app/recent_tasks.h"
#include "app/status_panel.h"
#include "avifile/avi_desktop.h"
#include "common/app_icon.h"
#include "common/control_bindings.h"
#include "common/dialog_place.h"
#include "task/task_properties.h"

namespace {

constexpr int kGroups = 20;

wxIcon iconOf(const wxStaticBitmap* picture) {
  wxIcon icon;
  icon.CopyFromBitmap(picture->GetBitmap());
  return icon;
}

}  // namespace

WndMain::WndMain() : WndMain(defaultEditorServices()) {}

WndMain::WndMain(EditorServices editorServices)
    : WndMainStub(nullptr, wxID_ANY, "Orlo VIXO task manager"),
      services(std::move(editorServices)) {
  using namespace connections;
  loadingWindow = services.showLoadingWindow(this);
  recentTasks = std::make_unique<RecentTasks>(
      taskMenu, [this](const std::wstring& path) { openRecentTask(path); });
  eventGetter = std::make_unique<EventGetter>(this);
  fileLoadingIcon = iconOf(fileLoadingPicture);
  fileOkIcon = iconOf(fileOkPicture);
  fileErrorIcon = iconOf(fileErrorPicture);
  gridInitializer = std::make_unique<PropertyGridInitializer>(propertyGrid);

  canUndo = makeVariableMem(false);
  canRedo = makeVariableMem(false);
  canSetReference = makeVariableMem(false);
  canGroup = makeVariableMem(false);
  canRemove = makeVariableMem(false);
  runBlocked = makeVariableMem(true);
  thumbnailShown = makeVariableMem(false);
  taskPathVar = makeVariableMem(std::wstring());

  summaryLink = new wxHyperlinkCtrl(statusBar, wxID_ANY, "abc", wxEmptyString, wxDefaultPosition,
                                    wxDefaultSize, wxHL_ALIGN_LEFT | wxBORDER_NONE, "hyperlink");
  summaryText =
      new wxStaticText(statusBar, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                       wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE | wxBORDER_NONE, "staticText");
  statusPanel = new StatusBarPanel2(this);
  statusPlacers.push_back(std::make_unique<StatusFieldPlacer>(statusBar, summaryLink, 0, false));
  statusPlacers.push_back(std::make_unique<StatusFieldPlacer>(statusBar, summaryText, 1, true));
  statusPlacers.push_back(std::make_unique<StatusFieldPlacer>(statusBar, statusPanel, 2, true));

  SetIcons(makeAppIconBundle());

  model = wxObjectDataPtr<VIXOmodel>(new VIXOmodel);
  fileList->AssociateModel(model.get());
  const int resizable = wxDATAVIEW_COL_RESIZABLE;
  fileList->AppendIconTextColumn(_("File Id (editable)"), wxDATAVIEW_CELL_EDITABLE, -1,
                                 wxALIGN_LEFT, resizable);
  fileList->AppendTextColumn(_("Resolution"), wxDATAVIEW_CELL_INERT, -1, wxALIGN_LEFT, resizable);
  fileList->AppendTextColumn(_("Dur."), wxDATAVIEW_CELL_INERT, -1, wxALIGN_LEFT, resizable);
  fileList->AppendIconTextColumn(_("Group"), wxDATAVIEW_CELL_INERT, -1, wxALIGN_LEFT, resizable);
  fileList->AppendTextColumn(_("Path"), wxDATAVIEW_CELL_INERT, -1, wxALIGN_LEFT, resizable);
  const int halfWidth = fileList->GetSize().x / 2;
  fileList->GetColumn(0)->SetWidth(halfWidth);
  fileList->GetColumn(4)->SetWidth(halfWidth);
  fileList->GetColumn(4)->SetMinWidth(80);
  fileList->SetDropTarget(new DropTarget(this, fileList));

  holdBinding(makeWxWindowShowVar(thumbnailPanel, infoSizer), bindings)->assign(thumbnailShown);
  holdBinding(makeWxWindowShowVar(infoScrolledWindow, infoSizer), bindings)
      ->assign(!thumbnailShown);

  buildGrid();
  buildGroupMenus();

  toolBar->Bind(
      wxEVT_TOOL, [this](wxCommandEvent&) { popupGroupMenu(); }, groupFilesTool->GetId());
  summaryLink->Bind(wxEVT_HYPERLINK, &WndMain::onSummaryLink, this);
  bindChildEvents(true);

  task.properties = gridInitializer->collectValues();
  showMethodRows(nullptr);  // a method's rows appear once it is chosen

  bindCommands();

  Bind(wxEVT_CLOSE_WINDOW, &WndMain::onClose, this);

  const int styles[] = {wxSB_NORMAL, wxSB_RAISED, wxSB_RAISED};
  statusBar->SetStatusStyles(3, styles);

  setTask(Task(), std::wstring());
  fitToControls();
}

void WndMain::fitToControls() {
  // The grid splits its width in half between labels and values: the right pane is made wide
  // enough for the longest label (of every method's settings) in one half.
  int longest = 0;
  for (const auto& [key, row] : gridInitializer->rows)
    longest = std::max(longest, propertyGrid->GetTextExtent(row.property->GetLabel()).x);
  const int labelColumn = propertyGrid->GetMarginWidth() + longest + 16;
  const int fileListWidth = GetClientSize().x - sidePaneWidth;
  sidePaneWidth = std::max(
      sidePaneWidth, 2 * labelColumn + 10 + wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this));
  mainPanel->SetMinSize(
      wxSize(std::max(toolBar->GetBestSize().x, fileListWidth + sidePaneWidth), -1));
  // The layout places the sash at the splitter's first idle time; under a window manager the
  // frame gets its final size only later, after a few passing ones. Until the operator moves the
  // sash, the pane gets its width again whenever the splitter has room for it.
  mainSplitter->Bind(wxEVT_SPLITTER_SASH_POS_CHANGING, [this](wxSplitterEvent& event) {
    event.Skip();
    sidePanePlaced = true;
  });
  mainSplitter->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    event.Skip();
    // After the splitter's own handling of the size.
    CallAfter([this] {
      const int width = mainSplitter->GetSize().x;
      if (!sidePanePlaced && width >= sidePaneWidth + 2 * mainSplitter->GetMinimumPaneSize() &&
          width - mainSplitter->GetSashPosition() < sidePaneWidth)
        mainSplitter->SetSashPosition(-sidePaneWidth, true);
    });
  });

  int tallest = 0;
  for (const wxWindow* child :
       {static_cast<wxWindow*>(summaryLink), static_cast<wxWindow*>(summaryText),
        static_cast<wxWindow*>(statusPanel)})
    tallest = std::max(tallest, child->GetBestSize().y);
  statusBar->SetMinHeight(tallest);
  vixo::growToFitControls(this);
}

WndMain::~WndMain() {
  // The controls go after this window's members and may still send events on their way (the
  // file list ends an edit, say): none of them may reach this window any more.
  bindChildEvents(false);
  // The results monitor's thread is joined here, while everything its posts reach still stands.
  statusPanel->monitor.reset();
  // The rows' records point at the model; they go before it.
  fileRows.clear();
}

void WndMain::bindChildEvents(bool bind) {
  const auto connect = [bind, this](wxWindow* source, const auto& type, auto handler) {
    if (bind)
      source->Bind(type, handler, this);
    else
      source->Unbind(type, handler, this);
  };
  connect(propertyGrid, wxEVT_PG_SELECTED, &WndMain::onPropertySelected);
  connect(propertyGrid, wxEVT_PG_CHANGED, &WndMain::onPropertyChanged);
  connect(fileList, wxEVT_DATAVIEW_SELECTION_CHANGED, &WndMain::onListSelectionChanged);
  connect(fileList, wxEVT_DATAVIEW_ITEM_EDITING_DONE, &WndMain::onFileIdEdited);
  connect(fileList, wxEVT_DATAVIEW_ITEM_ACTIVATED, &WndMain::onListItemActivated);
  connect(infoScrolledWindow, wxEVT_SIZE, &WndMain::onHelpAreaSize);
  connect(thumbnailPanel, wxEVT_SIZE, &WndMain::onThumbnailPanelSize);
}

void WndMain::onListSelectionChanged(wxDataViewEvent&) {
  onSelectionChanged();
  showThumbnail();
}

void WndMain::onListItemActivated(wxDataViewEvent& event) {
  if (const FileData* data = itemData(event.GetItem())) showInExplorer(data->path);
}

void WndMain::onHelpAreaSize(wxSizeEvent&) {
  // The area is also sized while it gives way to a thumbnail (the panel's layout runs before it
  // is hidden): only the help on show is laid out again.
  if (infoScrolledWindow->IsShown() && !thumbnailShown->get()) layoutInfoPanel();
}

void WndMain::onThumbnailPanelSize(wxSizeEvent& event) {
  fitThumbnail();
  event.Skip();
}

void WndMain::buildGrid() {
  // The custom-question row gets its own creator with the question editor.
  gridInitializer->creators["customQuestion"] = &CustomQuestionPropertyCreator::instance();
  gridInitializer->clear();
  const VixoProperties& table = getTaskProperties();
  // The task's groups in the order the editor shows them: the method, its settings, the
  // display, the online test, then the files' settings.
  const std::pair<size_t, const std::vector<const props::Property*>*> shown[] = {
      {0, &table.taskGroup},
      {1, &table.methodGroup},
      {2, &table.displayGroup},
      {4, &table.onlineGroup},
      {3, &table.fileGroup}};
  for (const auto& [captionIndex, group] : shown) {
    PropertyDescriptionList list;
    for (const props::Property* property : *group) list.append(property->describe());
    const char* caption = VixoProperties::groupCaption(captionIndex);
    gridInitializer->addCategory(std::wstring(caption, caption + strlen(caption)), list);
  }
  propertyGrid->SetPropertyAttributeAll(wxPG_BOOL_USE_CHECKBOX, true);
  propertyGrid->SetPropertyAttribute("resultCollectingFtpPass", wxPG_STRING_PASSWORD, true);
}

void WndMain::buildGroupMenus() {
  using namespace connections;
  for (int group = 0; group < kGroups; ++group) {
    const wxString label = groupLabel(group);
    const wxString accelerator =
        wxString(group < 10 ? "CTRL" : "ALT") + "+" + wxString::Format("%d", group % 10);
    auto* item = new wxMenuItem(setGroupMenu, wxID_ANY, label + "\t" + accelerator);
    auto* contextItem = new wxMenuItem(contextMenu, wxID_ANY, label);
    item->SetBitmap(groupColourBitmap(group));
    contextItem->SetBitmap(groupColourBitmap(group));
    setGroupMenu->Append(item);
    contextMenu->Append(contextItem);
    setGroupMenu->Bind(
        wxEVT_MENU, [this, group](wxCommandEvent&) { setGroup(group); }, item->GetId());
    contextMenu->Bind(
        wxEVT_MENU, [this, group](wxCommandEvent&) { setGroup(group); }, contextItem->GetId());
    holdBinding(makeWxMenuItemEnableVar(item), bindings)->assign(canGroup);
  }
}

void WndMain::bindCommands() {
  using namespace connections;
  const auto onMenu = [](wxMenu* menu, wxMenuItem* item, auto handler) {
    menu->Bind(
        wxEVT_MENU, [handler](wxCommandEvent&) { handler(); }, item->GetId());
  };
  const auto onTool = [this](wxToolBarToolBase* tool, auto handler) {
    toolBar->Bind(
        wxEVT_TOOL, [handler](wxCommandEvent&) { handler(); }, tool->GetId());
  };
  const auto menuEnabled = [this](wxMenuItem* item, const auto& source) {
    holdBinding(makeWxMenuItemEnableVar(item), bindings)->assign(source);
  };
  const auto toolEnabled = [this](wxToolBarToolBase* tool, const auto& source) {
    holdBinding(makeWxToolEnableVar(tool), bindings)->assign(source);
  };

  // Enabling.
  menuEnabled(undoMenuItem, canUndo);
  toolEnabled(undoTool, canUndo);
  menuEnabled(redoMenuItem, canRedo);
  toolEnabled(redoTool, canRedo);
  menuEnabled(setReferenceMenuItem, canSetReference);
  toolEnabled(setReferenceTool, canSetReference);
  toolEnabled(groupFilesTool, canGroup);
  menuEnabled(removeFilesMenuItem, canRemove);
  toolEnabled(removeFilesTool, canRemove);
  menuEnabled(importResultsMenuItem,
              makeFunctor([](std::wstring path) { return !path.empty(); }, taskPathVar));
  const ExpressionPtr<bool> resultsAvailable = statusPanel->monitoringExpression();
  menuEnabled(exportCsvMenuItem, resultsAvailable);
  menuEnabled(viewResultsMenuItem, resultsAvailable);
  toolEnabled(viewResultsTool, resultsAvailable);
  holdBinding(
      makeListener(makeFunctor([this](bool blocked) { setRunToolIcons(blocked); }, runBlocked)),
      bindings);

  // Commands.
  onMenu(taskMenu, newMenuItem, [this] { newTask(); });
  onTool(newTool, [this] { newTask(); });
  onMenu(taskMenu, openMenuItem, [this] { openTask(); });
  onTool(openTool, [this] { openTask(); });
  onMenu(taskMenu, saveMenuItem, [this] { saveTask(); });
  onTool(saveTool, [this] { saveTask(); });
  onMenu(taskMenu, saveAsMenuItem, [this] { saveTaskAs(); });
  onMenu(taskMenu, exportCsvMenuItem, [this] { exportResultsCsv(); });
  onMenu(taskMenu, importResultsMenuItem, [this] { importResults(); });
  onMenu(taskMenu, debugMenuItem, [this] { debugTask(); });
  onTool(debugTool, [this] { debugTask(); });
  onMenu(taskMenu, runMenuItem, [this] { runTask(); });
  onTool(runTool, [this] { runTask(); });
  onMenu(taskMenu, exitMenuItem, [this] { Close(false); });
  onMenu(editMenu, undoMenuItem, [this] { undo(); });
  onTool(undoTool, [this] { undo(); });
  onMenu(editMenu, redoMenuItem, [this] { redo(); });
  onTool(redoTool, [this] { redo(); });
  onMenu(editMenu, addFilesMenuItem, [this] { addFiles(); });
  onTool(addFilesTool, [this] { addFiles(); });
  onMenu(editMenu, removeFilesMenuItem, [this] { removeSelectedFiles(); });
  onTool(removeFilesTool, [this] { removeSelectedFiles(); });
  onMenu(editMenu, setReferenceMenuItem, [this] { setReference(); });
  onTool(setReferenceTool, [this] { setReference(); });
  onMenu(editMenu, viewResultsMenuItem, [this] { statusPanel->openResults(); });
  onTool(viewResultsTool, [this] { statusPanel->openResults(); });
  onTool(moveUpTool, [this] { moveSelectedFiles(-1); });
  onTool(moveDownTool, [this] { moveSelectedFiles(+1); });
  onMenu(helpMenu, aboutMenuItem, [this] { services.showAbout(this); });

  // Every change of the task-name field's text.
  holdBinding(makeListener(makeFunctor([this](wxString text) { onTaskNameChanged(text); },
                                       holdBinding(makeVarWxText(taskNameText), bindings))),
              bindings);
}

void WndMain::onClose(wxCloseEvent& event) {
  if (confirmDiscard("Exit VIXO") || !event.CanVeto()) {
    Destroy();
    return;
  }
  event.Veto();
}

void WndMain::popupGroupMenu() {
  // Just below the marker that stands before the "Group files" tool.
  const wxPoint marker = ScreenToClient(groupMenuAnchorLabel->GetScreenPosition());
  PopupMenu(contextMenu, marker.x + 5, marker.y + groupMenuAnchorLabel->GetSize().y - 1);
}

void WndMain::onSummaryLink(wxHyperlinkEvent&) {
  // The toolkit sends one event per click here, so every click opens the messages.
  ++summaryClicks;
  showMessages();
}

void WndMain::exportResultsCsv() {
  if (!statusPanel->monitor) return;
  services.exportResultsCsv(this, statusPanel->monitor, fileLoadingIcon);
}
