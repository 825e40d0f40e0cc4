#include "app/file_list.h"

#include <wx/brush.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>

#include <array>

#include "avifile/avi_system.h"
#include "common/prompt.h"
#include "media/open_media.h"
#include "videoimage/rawimage/raw_image.h"

namespace {

wxString wide(const std::wstring& text) { return wxString(text.c_str()); }

// The drawn picture (packed 8-bit R, G, B or B, G, R) as a toolkit image; an invalid image for
// any other format.
wxImage toImage(const RawFrame& frame) {
  const RawImageInfo& info = frame.getInfo();
  const RawFormatSpec& spec = info;
  const bool rgb = spec == rawFormatFromHint(RawFormatHint::RGB24);
  const bool bgr = spec == rawFormatFromHint(RawFormatHint::BGR24);
  if ((!rgb && !bgr) || info.width <= 0 || info.height <= 0 || !frame.planeData(0)) return {};
  wxImage image(info.width, info.height, false);
  unsigned char* target = image.GetData();
  for (int y = 0; y < info.height; ++y) {
    const uint8_t* row = frame.planeData(0) + static_cast<ptrdiff_t>(y) * frame.planeStride(0);
    for (int x = 0; x < info.width; ++x, row += 3, target += 3) {
      target[0] = row[rgb ? 0 : 2];
      target[1] = row[1];
      target[2] = row[rgb ? 2 : 0];
    }
  }
  return image;
}

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
  const auto pattern = [](const std::vector<std::wstring>& extensions) {
    return wxString("*") + wxString(joinStrings(extensions, L";*").c_str());
  };
  return "Video files|" + pattern(videoExtensions()) + "|Image files|" +
         pattern(imageExtensions()) + "|All files|*.*";
}

FileInfo makeFileInfo(const std::shared_ptr<VideoFile>& file) {
  FileInfo result;
  result.info = makeVideoInfo(file.get());
  if (!file) return result;
  RawImage drawn;
  if (!file->drawCurrent(drawn, 400, 200)) return result;
  wxImage image = toImage(drawn);
  if (image.IsOk()) result.thumbnail = std::make_shared<wxImage>(std::move(image));
  return result;
}

// ---------------------------------------------------------------- records

WndMain::FileData::FileData(WndMain* mainWindow, const TaskFile& entry)
    : mainWindow(mainWindow), id(entry.id), path(entry.path), group(entry.group) {}

WndMain::FileData::~FileData() {
  if (contract) mainWindow->pendingLoads.erase(contract.get());
}

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

void WndMain::FileData::onInfoLoaded() {
  if (!contract || !mainWindow->fileRows.count(this)) return;
  const FileInfo loaded = makeFileInfo(contract->getFile());
  info = loaded.info;
  thumbnail = loaded.thumbnail;
  std::set<LimitedLoader::LoadContract*>& pending = mainWindow->pendingLoads;
  pending.erase(contract.get());
  // Dropping the contract closes the file and lets the loader start the next one.
  bindings.clear();
  contract.reset();
  mainWindow->infoCache.files[path] = loaded;
  // The validation knew nothing yet of the files still being examined: it runs again once all
  // are in, also when this open ended before it could be waited for.
  if (pending.empty()) mainWindow->updateValidationStatus();
  refreshRow();
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
  } else {
    examineFile(data);
  }
  data->appendRow();
  fileRows[data.get()] = data;
  return data;
}

void WndMain::examineFile(const std::shared_ptr<FileData>& data) {
  data->contract = loader.enqueue({data->path, false, 0, 0});
  const connections::VariableMemPtr<bool>& loaded = data->contract->getLoaded();
  // Runs on the thread that ends the opening: it only posts. The record may be gone by then.
  const auto report = [helper = eventGetter->helper(),
                       record = std::weak_ptr<FileData>(data)](bool done) {
    if (!done) return;
    EventGetterSetterHelper::post(helper, [record] {
      if (const std::shared_ptr<FileData> alive = record.lock()) alive->onInfoLoaded();
    });
  };
  connections::holdBinding(connections::makeListener(connections::makeFunctor(report, loaded)),
                           data->bindings);
  if (loaded->get())
    report(true);
  else
    pendingLoads.insert(data->contract.get());
}

void WndMain::examineUnopenedFilesAgain() {
  // The row keeps showing the failure until the new open has ended, so nothing flickers.
  for (const auto& [record, data] : fileRows)
    if (!data->contract && data->info.opened && !data->info.valid) examineFile(data);
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

// ---------------------------------------------------------------- dropped files

WndMain::DropTarget::DropTarget(WndMain* mainWindow, wxWindow* list)
    : savedColour(list->GetBackgroundColour()), mainWindow(mainWindow), list(list) {}

wxDragResult WndMain::DropTarget::OnEnter(wxCoord x, wxCoord y, wxDragResult suggested) {
  const wxDragResult result = wxFileDropTarget::OnDragOver(x, y, suggested);
  if (result != wxDragNone && result != wxDragCancel && !highlighted) {
    list->SetBackgroundColour(highlightColour);
    list->Refresh(true);
    highlighted = true;
  }
  return result;
}

void WndMain::DropTarget::OnLeave() { restore(); }

bool WndMain::DropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
  if (names.empty()) return false;
  for (const wxString& name : names) mainWindow->addFile(name.ToStdWstring());
  restore();
  mainWindow->modelToTask();
  return true;
}

void WndMain::DropTarget::restore() {
  list->SetBackgroundColour(savedColour);
  list->Refresh(true);
  highlighted = false;
}
