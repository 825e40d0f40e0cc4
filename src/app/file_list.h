// The rows of the task editor's file list: one record per row (the file's entry, what is known
// of its media and its thumbnail), the list's model with its five columns and drawing
// attributes, and the twenty group colours. GUI thread only.
#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/dataview.h>
#include <wx/image.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "app/wnd_main.h"
#include "common/operations.h"
#include "media/video_info.h"
#include "task/task.h"

// One row of the list, held by a shared pointer in the main window's rows.
class WndMain::FileData {
 public:
  FileData(WndMain* mainWindow, const TaskFile& entry);

  // Appends the row at the end of the model and remembers its item.
  void appendRow();
  // Writes the five cells into the row and reports them changed.
  void refreshRow();
  // The cells in column order: id with its status icon, resolution, duration, group, path.
  wxVector<wxVariant> rowValues() const;
  // The group label with the group's colour.
  wxDataViewIconText groupCell() const;
  TaskFile entry() const { return {id, path, group}; }

  WndMain* mainWindow;
  std::wstring id;
  std::wstring path;
  int32_t group;
  bool isReference = false;
  VideoInfo info;                      // not opened until the file's information is there
  std::shared_ptr<wxImage> thumbnail;  // null while there is none
  wxDataViewItem rowItem;              // null until the row is appended
  connections::BindingList bindings;
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
// The file chooser's filter of media files.
wxString mediaFileWildcard();
