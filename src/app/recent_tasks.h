// The task files opened or saved last, offered at the end of the editor's "Task" menu. The list
// lives in the per-user settings store (values "0hist" .. "9hist", newest first), so every
// editor and every later run sees it; each change reads it again first, so the entries another
// editor wrote meanwhile stay. GUI thread only; lives as long as the main window.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

class wxMenu;

class RecentTasks {
 public:
  using Callback = std::function<void(const std::wstring& path)>;

  // Reads the list and appends its items to the menu; a chosen item calls the callback with its
  // path.
  RecentTasks(wxMenu* menu, Callback callback);

  // Records a task file that was just opened or saved.
  void add(const std::wstring& path);
  // Forgets the first entry equal to the path; the stored list and the menu stay as they are.
  void remove(const std::wstring& path);
  // Stores the list.
  void save();
  // Replaces the list with the stored one.
  void load();
  // Replaces the menu items by items for the current list.
  void rebuildMenu();

  wxMenu* menu;  // not owned
  Callback callback;
  std::map<int, std::wstring> items;  // menu item id to path
  std::vector<std::wstring> paths;    // newest first
};
