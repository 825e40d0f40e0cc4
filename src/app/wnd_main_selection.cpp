// The selection's effects: which list commands are enabled, the information panel below the
// grid (the selected file's thumbnail, or the help of a property or method), and the rows of
// the chosen method.
#include <wx/propgrid/propgrid.h>
#include <wx/scrolwin.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>

#include <algorithm>
#include <set>

#include "app/file_list.h"
#include "app/wnd_main.h"
#include "task/task_properties.h"
#include "task/vixo_method.h"

void WndMain::onSelectionChanged() {
  const std::vector<FileData*> selected = selectedFiles();
  const bool any = !selected.empty();
  bool distinct = true;
  std::set<int> groups;
  for (const FileData* data : selected)
    if (!groups.insert(data->group).second) {
      distinct = false;
      break;
    }
  canSetReference->set(any && distinct);
  canGroup->set(any);
  canRemove->set(any);
  taskPathVar->set(taskPath);
  const unsigned count = model->GetCount();
  const auto isSelected = [this, count](unsigned row) {
    return row < count && fileList->IsSelected(model->GetItem(row));
  };
  toolBar->EnableTool(moveUpTool->GetId(), any && !isSelected(0));
  toolBar->EnableTool(moveDownTool->GetId(), any && count > 0 && !isSelected(count - 1));
}

void WndMain::showThumbnail() {
  const std::vector<FileData*> selected = selectedFiles();
  if (selected.size() != 1) {
    thumbnailShown->set(false);
    return;
  }
  const FileData* data = selected.front();
  if (data->thumbnail && data->thumbnail->IsOk())
    thumbnail = *data->thumbnail;
  else
    thumbnail = videoNotLoadedPicture->GetBitmap().ConvertToImage();
  thumbnailShown->set(true);
  fitThumbnail();
}

void WndMain::fitThumbnail() {
  if (!thumbnailShown->get() || !thumbnail.IsOk()) return;
  const wxSize area = thumbnailPanel->GetClientSize();
  const long w = area.x, h = area.y;
  const long iw = thumbnail.GetWidth(), ih = thumbnail.GetHeight();
  if (iw <= 0 || ih <= 0) return;
  const long width = std::min({w, iw, iw * h / ih});
  const long height = std::min({h, ih, ih * w / iw});
  if (width <= 0 || height <= 0) return;
  thumbnailPicture->SetBitmap(wxBitmap(thumbnail.Scale(
      static_cast<int>(width), static_cast<int>(height), wxIMAGE_QUALITY_BILINEAR)));
  thumbnailPanel->Layout();
}

void WndMain::onPropertySelected(wxPropertyGridEvent& event) {
  const wxPGProperty* property = event.GetProperty();
  if (!property) return;
  const std::string name = property->GetName().utf8_string();
  const VixoProperties& table = getTaskProperties();
  const props::Property* found = nullptr;
  for (const auto* group : table.groups)
    for (const props::Property* candidate : *group)
      if (candidate->key == name) found = candidate;
  if (!found) return;
  if (found == &table.method) {
    wxVariant value = event.GetValue();
    if (value.IsNull()) value = property->GetValue();
    selectMethod(static_cast<int>(value.IsNull() ? 0 : value.GetLong()) - 1);
    return;
  }
  infoTitleLabel->SetLabel(wxString::FromUTF8(found->label));
  infoText = found->help;
  layoutInfoPanel();
}

void WndMain::selectMethod(int index) {
  const std::vector<const VIXOmethod*>& methods = getTestMethods();
  if (index < 0 || static_cast<size_t>(index) >= methods.size()) return;
  const VIXOmethod* method = methods[static_cast<size_t>(index)];
  infoTitleLabel->SetLabel(wxString::FromUTF8(method->name));
  infoText = method->description;
  layoutInfoPanel();
  showMethodRows(method);
}

void WndMain::showMethodRows(const VIXOmethod* method) {
  static const std::vector<const props::Property*> none;
  const std::vector<const props::Property*>& used = method ? method->properties() : none;
  for (const props::Property* property : getTaskProperties().methodGroup) {
    const bool uses = std::find(used.begin(), used.end(), property) != used.end();
    auto row = gridInitializer->rows.find(property->key);
    if (row != gridInitializer->rows.end())
      propertyGrid->HideProperty(row->second.property, !uses, wxPG_RECURSE);
  }
}

void WndMain::layoutInfoPanel() {
  if (layingOutInfo) return;
  infoBodyLabel->SetLabelText(wxString(infoText.c_str()));
  infoBodyLabel->Wrap(infoScrolledWindow->GetClientSize().x -
                      wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, infoScrolledWindow) - 10);
  infoScrolledWindow->FitInside();
  thumbnailShown->set(false);
  const bool wasLayingOut = layingOutInfo;
  layingOutInfo = true;
  infoPanel->Layout();
  layingOutInfo = wasLayingOut;
}
