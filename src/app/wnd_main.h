// The task editor: the one frame of edit mode. It keeps the edited task and shows it in three
// places (the file list, the property grid and the task-name field of the tool bar); every edit
// updates the task at once and stores a snapshot in a ring of 50, which gives undo, redo and the
// modified state. After every change the task is validated and summarised in the status bar; an
// error blocks test runs. Task files are made, opened, saved and saved under a new name here,
// and archives of passes imported.
//
// Everything is bound at run time on the controls that WndMainStub builds. GUI thread only:
// worker threads reach the frame through callables posted with `eventGetter`.
#pragma once

#include <wx/dataview.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/editor_services.h"
#include "app/property_grid_initializer.h"
#include "common/event_getter.h"
#include "common/operations.h"
#include "common/variable.h"
#include "layouts/wnd_main_stub.h"
#include "media/limited_loader.h"
#include "media/video_info.h"
#include "task/task.h"

class RecentTasks;
class VIXOmethod;
class StatusFieldPlacer;
class wxCloseEvent;
class wxHyperlinkCtrl;
class wxHyperlinkEvent;
class wxPropertyGridEvent;
class wxSizeEvent;

// What the editor knows of one media file: its summary and its thumbnail (null when none could
// be made).
struct FileInfo {
  VideoInfo info;
  std::shared_ptr<wxImage> thumbnail;
};

class WndMain : public WndMainStub {
 public:
  class FileData;
  class VIXOmodel;
  class StatusBarPanel2;
  class DropTarget;
  class CustomQuestionPropertyCreator;

  // The information of the files examined so far, by path; it only grows. It answers the task
  // validation's questions about files.
  class InfoCache : public VideoInfoCache {
   public:
    // The cached summary, or one process-wide empty record (not opened, not valid).
    const VideoInfo& getInfo(const std::wstring& path) override;
    std::map<std::wstring, FileInfo> files;
  };

  // Builds the frame with a new, empty task; does not show it. The program hands in the
  // services of the whole application; without them the editor has only its own.
  WndMain();
  explicit WndMain(EditorServices services);
  ~WndMain() override;

  // --- the task and its snapshots
  // Makes the task the edited one with its file path, starts a new undo history, marks it saved.
  void setTask(const Task& t, const std::wstring& path);
  // Puts the task into the controls and into `task`; takes no snapshot.
  void applyTask(const Task& t);
  // Stores a snapshot when the task differs from the current one, then refreshes.
  void pushUndoState();
  void undo();
  void redo();
  // Refreshes everything that follows the task: commands, title, summary, selection state.
  void updateUndoState();
  // Copies the list rows into `task`, then takes a snapshot.
  void modelToTask();

  // --- files
  bool newTask();
  // Reads a task file without asking anything; false (nothing changed) when it cannot be read.
  bool loadTask(const std::wstring& path);
  bool openTask();
  void openRecentTask(const std::wstring& path);
  bool saveTask();
  bool saveTaskAs();
  // The unsaved-changes question; true means go on.
  bool confirmDiscard(const wxString& caption);
  void importResults();
  void updateTitle();

  // --- edits from the controls
  void onTaskNameChanged(const wxString& text);
  void onPropertyChanged(wxPropertyGridEvent& event);
  void onFileIdEdited(wxDataViewEvent& event);
  void addFiles();
  void removeSelectedFiles();
  void setReference();
  void setGroup(int group);
  void moveSelectedFiles(int delta);
  wxDataViewItem moveRow(const wxDataViewItem& item, int delta);

  // --- summary and test runs
  void updateValidationStatus();
  void showMessages();
  void debugTask();
  void runTask();
  void setRunToolIcons(bool blocked);

  // --- frame commands
  void onClose(wxCloseEvent& event);
  void popupGroupMenu();
  void onSummaryLink(wxHyperlinkEvent& event);
  void exportResultsCsv();

  // --- selection and the information panel
  void onSelectionChanged();
  void showThumbnail();
  void fitThumbnail();
  void onPropertySelected(wxPropertyGridEvent& event);
  void selectMethod(int index);
  // Shows the rows of the "Method" category that the method uses and hides the others (all of
  // them for no method).
  void showMethodRows(const VIXOmethod* method);
  void layoutInfoPanel();

  // --- file rows
  // A row for a new file with a unique id in group 1; the caller copies the rows into the task.
  std::shared_ptr<FileData> addFile(const std::wstring& path);
  // The record and row of an entry as it stands, appended at the end of the list.
  std::shared_ptr<FileData> createFileData(const TaskFile& entry);
  // Opens the record's file in the background; its row and the cache take what the open found.
  void examineFile(const std::shared_ptr<FileData>& data);
  // Files are put back on the disk or mended while the editor runs: every listed file whose open
  // failed is examined again, and shown as it is now once that open has ended.
  void examineUnopenedFilesAgain();
  // The files chosen in the file chooser; empty when it was cancelled.
  std::vector<std::wstring> selectFiles(wxWindow* parent, const wxString& message);
  // The record of a row of the list.
  FileData* rowData(unsigned row) const;
  FileData* itemData(const wxDataViewItem& item) const;
  // The selected rows' records, in the order the list gives them.
  std::vector<FileData*> selectedFiles() const;

  // What the editor asks of the rest of the application; tests replace entries.
  EditorServices services = defaultEditorServices();

  wxWindow* loadingWindow = nullptr;  // owned by the toolkit; not used again
  std::unique_ptr<RecentTasks> recentTasks;
  std::array<Task, 50> undoRing;
  int32_t undoCount = 0;
  int64_t undoBase = 0;
  int64_t undoPosition = 0;
  int64_t savedPosition = -1;
  std::unique_ptr<EventGetter> eventGetter;
  InfoCache infoCache;
  wxIcon fileLoadingIcon, fileOkIcon, fileErrorIcon;
  bool applyingTask = false;
  bool layingOutInfo = false;
  bool sidePanePlaced = false;  // the operator has moved the sash of the grid's pane
  std::wstring infoText;
  std::unique_ptr<PropertyGridInitializer> gridInitializer;
  int32_t summaryClicks = 0;
  Task task;
  std::wstring taskPath;
  connections::VariableMemPtr<bool> canUndo, canRedo, canSetReference, canGroup, canRemove,
      runBlocked, thumbnailShown;
  connections::VariableMemPtr<std::wstring> taskPathVar;
  wxImage thumbnail;
  wxHyperlinkCtrl* summaryLink = nullptr;
  wxStaticText* summaryText = nullptr;
  StatusBarPanel2* statusPanel = nullptr;
  std::vector<std::unique_ptr<StatusFieldPlacer>> statusPlacers;  // fields 0, 1 and 2
  std::map<FileData*, std::shared_ptr<FileData>> fileRows;
  // Openings that had not ended when their record was made and have not reported back.
  std::set<LimitedLoader::LoadContract*> pendingLoads;
  // Examines the listed files, three at a time.
  LimitedLoader loader{3};
  wxObjectDataPtr<VIXOmodel> model;
  connections::BindingList bindings;

 private:
  void bindCommands();
  // Binds (or unbinds) the handlers of the controls' own events.
  void bindChildEvents(bool bind);
  void onListSelectionChanged(wxDataViewEvent& event);
  void onListItemActivated(wxDataViewEvent& event);
  void onHelpAreaSize(wxSizeEvent& event);
  void onThumbnailPanelSize(wxSizeEvent& event);
  void buildGrid();
  // Grows the frame and its panes from the layout's sizes to what the toolkit's fonts and
  // themes need: every tool on the tool bar, the settings' labels whole in the grid's label
  // column, the status bar's controls whole.
  void fitToControls();
  void buildGroupMenus();
  // Status bar texts: headline on the level's colour, details.
  void showSummary(const wxString& headline, const wxString& details, const wxColour& colour);
};
