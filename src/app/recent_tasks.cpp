#include "app/recent_tasks.h"

#include <wx/menu.h>

#include <utility>

#include "avifile/avi_system.h"
#include "avifile/registry_store.h"

namespace {

constexpr size_t kMaxTasks = 10;

std::wstring valueName(size_t position) { return std::to_wstring(position) + L"hist"; }

}  // namespace

RecentTasks::RecentTasks(wxMenu* menu, Callback callback)
    : menu(menu), callback(std::move(callback)) {
  load();
  // Every command of the menu comes here first; those of other items pass on.
  menu->Bind(wxEVT_MENU, [this](wxCommandEvent& event) {
    auto found = items.find(event.GetId());
    if (found == items.end()) {
      event.Skip();
      return;
    }
    // The callback may rebuild the menu (and so this map): it gets its own copy of the path.
    const std::wstring path = found->second;
    this->callback(path);
  });
  rebuildMenu();
}

void RecentTasks::add(const std::wstring& path) {
  // Another editor may have added a task since: start from the stored list.
  load();
  remove(path);
  paths.insert(paths.begin(), path);
  if (paths.size() > kMaxTasks) paths.resize(kMaxTasks);
  save();
  rebuildMenu();
}

void RecentTasks::remove(const std::wstring& path) {
  for (auto it = paths.begin(); it != paths.end(); ++it)
    if (*it == path) {
      paths.erase(it);
      return;
    }
}

void RecentTasks::save() {
  RegistryStore store = RegistryStore::open(L"vixo");
  if (!store) return;
  // Positions beyond the list are emptied; the first failing write ends the save.
  for (size_t i = 0; i < kMaxTasks; ++i)
    if (!store.setString(valueName(i), i < paths.size() ? paths[i] : std::wstring())) return;
}

void RecentTasks::load() {
  paths.clear();
  RegistryStore store = RegistryStore::open(L"vixo");
  if (!store) return;
  for (size_t i = 0; i < kMaxTasks; ++i) {
    std::wstring path;
    if (store.getString(valueName(i), path) && !path.empty()) paths.push_back(path);
  }
}

void RecentTasks::rebuildMenu() {
  for (const auto& [id, path] : items) menu->Destroy(id);
  items.clear();
  for (const std::wstring& path : paths) {
    // A "&" in a file name is shown as such, not taken for a mnemonic.
    wxString label(splitPath(path).fileName().c_str());
    label.Replace("&", "&&");
    auto* item = new wxMenuItem(menu, wxID_ANY, label, wxEmptyString, wxITEM_NORMAL, nullptr);
    menu->Append(item);
    items[item->GetId()] = path;
  }
}
