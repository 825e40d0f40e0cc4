#include "app/recent_tasks.h"

#include <utility>

// The stored list and its menu items come with the settings of the recent tasks; until then the
// list is kept in memory only and offers no items.
RecentTasks::RecentTasks(wxMenu* menu, Callback callback)
    : menu(menu), callback(std::move(callback)) {}

void RecentTasks::add(const std::wstring& path) {
  remove(path);
  paths.insert(paths.begin(), path);
  if (paths.size() > 10) paths.resize(10);
}

void RecentTasks::remove(const std::wstring& path) {
  for (auto it = paths.begin(); it != paths.end(); ++it)
    if (*it == path) {
      paths.erase(it);
      return;
    }
}

void RecentTasks::save() {}

void RecentTasks::load() {}

void RecentTasks::rebuildMenu() {}
