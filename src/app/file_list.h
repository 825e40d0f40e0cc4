// The rows of the task editor's file list: one record per row (the file's entry, what is known
// of its media and its thumbnail), the list's model with its five columns and drawing
// attributes, the twenty group colours, and the drop target that adds files dragged onto the
// list.
//
// A file not examined yet is opened in the background through the main window's bounded loader;
// the end of its opening is noticed on the file's own thread, which only posts to the GUI
// thread. Everything else here (records, cache, model) is GUI thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/dataview.h>
#include <wx/dnd.h>
#include <wx/image.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "app/wnd_main.h"
#include "common/operations.h"
#include "media/limited_loader.h"
#include "media/video_info.h"
#include "task/task.h"

// One row of the list, held by a shared pointer in the main window's rows.
class WndMain::FileData {
 public:
  FileData(WndMain* mainWindow, const TaskFile& entry);
  // A record that goes while its file is being examined leaves the pending set, so the set
  // still empties when the other files are in.
  ~FileData();
  FileData(const FileData&) = delete;
  FileData& operator=(const FileData&) = delete;

  // Appends the row at the end of the model and remembers its item.
  void appendRow();
  // Writes the five cells into the row and reports them changed.
  void refreshRow();
  // The cells in column order: id with its status icon, resolution, duration, group, path.
  wxVector<wxVariant> rowValues() const;
  // The group label with the group's colour.
  wxDataViewIconText groupCell() const;
  TaskFile entry() const { return {id, path, group}; }
  // The end of the background opening: takes the file's information and thumbnail, closes the
  // file, fills the cache and the row. Nothing for a record no longer listed or already done.
  void onInfoLoaded();

  WndMain* mainWindow;
  std::wstring id;
  std::wstring path;
  int32_t group;
  bool isReference = false;
  // The background opening; null when the information came from the cache or has been taken.
  std::shared_ptr<LimitedLoader::LoadContract> contract;
  VideoInfo info;                      // not opened until the file's information is there
  std::shared_ptr<wxImage> thumbnail;  // null while there is none
  wxDataViewItem rowItem;              // null until the row is appended
  // The listener on the opening's end; it goes before the contract, and the file with it.
  connections::BindingList bindings;
};

// Files dragged onto the list join it as "Add files" adds them; the list is highlighted while
// a drag that can drop is over it.
class WndMain::DropTarget : public wxFileDropTarget {
 public:
  DropTarget(WndMain* mainWindow, wxWindow* list);

  wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult suggested) override;
  void OnLeave() override;
  bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override;

  bool highlighted = false;
  wxColour savedColour;
  const wxColour highlightColour{247, 255, 185, 255};
  WndMain* mainWindow;
  wxWindow* list;

 private:
  void restore();
};

// The list's columns: id, resolution, duration, group, path.
inline constexpr unsigned kFileListColumns = 5;

class WndMain::VIXOmodel : public wxDataViewListStore {
 public:
  // Italic references, grey excluded files, a pale background of the group's colour.
  bool GetAttrByRow(unsigned row, unsigned column, wxDataViewItemAttr& attr) const override;
  // Reports every column of the rows as changed, in increasing order.
  void refreshRows(const std::set<unsigned>& rows);

  bool italicReferences = true;
};

// The colour of a group, 0 to 19 (not checked).
wxColour groupColour(int group);
// A 16 x 16 picture of the group's colour; group 0 is crossed out.
wxBitmap groupColourBitmap(int group);
// What a file tells of itself once opened: its summary and a thumbnail of at most 400 x 200
// (null when the file is null or no picture could be drawn).
FileInfo makeFileInfo(const std::shared_ptr<VideoFile>& file);
// The file chooser's filters of media files: videos, images, all files.
wxString mediaFileWildcard();
