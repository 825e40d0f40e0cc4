#include "app/file_list.h"

#include <wx/brush.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>

#include <array>

#include "avifile/avi_system.h"
#include "common/prompt.h"

namespace {

wxString wide(const std::wstring& text) { return wxString(text.c_str()); }

}  // namespace

// ---------------------------------------------------------------- groups

wxColour groupColour(int group) {
  static const std::array<wxColour, 20> colours = {
      wxColour(255, 255, 255), wxColour(255, 255, 255), wxColour(255, 128, 128),
      wxColour(255, 153, 85),  wxColour(222, 170, 135), wxColour(255, 230, 128),
      wxColour(212, 255, 42),  wxColour(188, 211, 95),  wxColour(85, 255, 221),
      wxColour(42, 212, 255),  wxColour(85, 153, 255),  wxColour(215, 244, 238),
      wxColour(175, 175, 233), wxColour(179, 166, 255), wxColour(221, 85, 255),
      wxColour(196, 183, 200), wxColour(255, 71, 145),  wxColour(222, 170, 135),
      wxColour(211, 188, 95),  wxColour(167, 172, 147)};
  return colours[static_cast<size_t>(group)];
}

wxBitmap groupColourBitmap(int group) {
  wxBitmap bitmap(16, 16);
  wxMemoryDC dc(bitmap);
  dc.SetBrush(wxBrush(groupColour(group), wxBRUSHSTYLE_SOLID));
  dc.DrawRectangle(0, 0, 16, 16);
  if (group == 0) {
    dc.DrawLine(0, 0, 16, 16);
    dc.DrawLine(15, 0, 0, 15);
  }
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}

wxString mediaFileWildcard() {
  // The video and image filters come with the media files' extension lists.
  return "All files|*.*";
}

// ---------------------------------------------------------------- records

WndMain::FileData::FileData(WndMain* mainWindow, const TaskFile& entry)
    : mainWindow(mainWindow), id(entry.id), path(entry.path), group(entry.group) {}

void WndMain::FileData::appendRow() {
  VIXOmodel* model = mainWindow->model.get();
  model->AppendItem(rowValues(), reinterpret_cast<wxUIntPtr>(this));
  rowItem = model->GetItem(model->GetCount() - 1);
}

void WndMain::FileData::refreshRow() {
  if (!rowItem.IsOk()) return;
  VIXOmodel* model = mainWindow->model.get();
  const unsigned row = model->GetRow(rowItem);
  const wxVector<wxVariant> values = rowValues();
  for (unsigned column = 0; column < values.size(); ++column) {
    model->SetValueByRow(values[column], row, column);
    model->ValueChanged(rowItem, column);
  }
}

wxVector<wxVariant> WndMain::FileData::rowValues() const {
  const wxIcon& icon = !info.opened ? mainWindow->fileLoadingIcon
                       : info.valid ? mainWindow->fileOkIcon
                                    : mainWindow->fileErrorIcon;
  wxVector<wxVariant> values;
  values.push_back(wxVariant(wxDataViewIconText(wide(id), icon)));
  values.push_back(info.valid ? wxString::Format("%dx%d", info.width, info.height) : wxString());
  wxString duration;
  if (info.valid)
    duration = info.stillImage ? wxString("[var]") : wxString(formatDuration(info.durationMs));
  values.push_back(duration);
  values.push_back(wxVariant(groupCell()));
  values.push_back(wide(path));
  return values;
}

wxDataViewIconText WndMain::FileData::groupCell() const {
  wxIcon icon;
  icon.CopyFromBitmap(groupColourBitmap(group));
  return wxDataViewIconText(groupLabel(group), icon);
}

// ---------------------------------------------------------------- model

bool WndMain::VIXOmodel::GetAttrByRow(unsigned row, unsigned, wxDataViewItemAttr& attr) const {
  const auto* data = reinterpret_cast<const FileData*>(GetItemData(GetItem(row)));
  if (!data) return false;
  // Set either way: the toolkit reuses one cell renderer for every row.
  attr.SetItalic(data->isReference && italicReferences);
  attr.SetColour(data->group == 0 ? wxColour(200, 200, 200) : wxColour(0, 0, 0));
  const wxColour colour = groupColour(data->group);
  wxImage::HSVValue hsv =
      wxImage::RGBtoHSV(wxImage::RGBValue(colour.Red(), colour.Green(), colour.Blue()));
  hsv.saturation *= 0.5;
  const wxImage::RGBValue rgb = wxImage::HSVtoRGB(hsv);
  attr.SetBackgroundColour(wxColour(rgb.red, rgb.green, rgb.blue, 255));
  return true;
}

void WndMain::VIXOmodel::refreshRows(const std::set<unsigned>& rows) {
  for (unsigned row : rows)
    for (unsigned column = 0; column < kFileListColumns; ++column)
      ValueChanged(GetItem(row), column);
}

// ---------------------------------------------------------------- the main window's rows

const VideoInfo& WndMain::InfoCache::getInfo(const std::wstring& path) {
  static const VideoInfo nothing;
  auto found = files.find(path);
  return found != files.end() ? found->second.info : nothing;
}

std::shared_ptr<WndMain::FileData> WndMain::addFile(const std::wstring& path) {
  const PathParts parts = splitPath(path);
  const std::wstring base = parts.fileName();
  std::wstring candidate = base;
  const auto taken = [this](const std::wstring& id) {
    for (const TaskFile& file : task.files)
      if (file.id == id) return true;
    return false;
  };
  for (int n = 1; taken(candidate); ++n) candidate = base + L" (" + std::to_wstring(n) + L")";
  return createFileData({candidate, path, 1});
}

std::shared_ptr<WndMain::FileData> WndMain::createFileData(const TaskFile& entry) {
  auto data = std::make_shared<FileData>(this, entry);
  auto cached = infoCache.files.find(entry.path);
  if (cached != infoCache.files.end()) {
    data->info = cached->second.info;
    data->thumbnail = cached->second.thumbnail;
  }
  // A file not examined yet keeps the loading icon until its information arrives.
  data->appendRow();
  fileRows[data.get()] = data;
  return data;
}

std::vector<std::wstring> WndMain::selectFiles(wxWindow* parent, const wxString& message) {
  vixo::FilePrompt prompt;
  prompt.parent = parent;
  prompt.message = message;
  prompt.wildcard = mediaFileWildcard();
  prompt.style = wxFD_OPEN | wxFD_MULTIPLE;
  std::vector<std::wstring> paths;
  for (const wxString& path : vixo::showFilePrompt(prompt)) paths.push_back(path.ToStdWstring());
  return paths;
}

WndMain::FileData* WndMain::itemData(const wxDataViewItem& item) const {
  if (!item.IsOk()) return nullptr;
  return reinterpret_cast<FileData*>(model->GetItemData(item));
}

WndMain::FileData* WndMain::rowData(unsigned row) const { return itemData(model->GetItem(row)); }

std::vector<WndMain::FileData*> WndMain::selectedFiles() const {
  wxDataViewItemArray items;
  fileList->GetSelections(items);
  std::vector<FileData*> files;
  for (const wxDataViewItem& item : items)
    if (FileData* data = itemData(item)) files.push_back(data);
  return files;
}
