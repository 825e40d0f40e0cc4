// Recent tasks in the settings store: kept across editor windows and runs, newest first, at most
// ten, offered on the "Task" menu by file name; a failed write or an empty store loses nothing
// else; the menu's other commands pass through.
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <string>
#include <vector>

#include "app/recent_tasks.h"
#include "avifile/registry_store.h"
#include "editor_fixture.h"
#include "src/results/pass_fixture.h"

namespace {

using vixo_test::EditorTest;

class RecentTasksTest : public EditorTest {
 protected:
  std::vector<std::wstring> stored() {
    RegistryStore store = RegistryStore::open(L"vixo");
    std::vector<std::wstring> values;
    for (int i = 0; i < 10; ++i) {
      std::wstring value = L"<missing>";
      (void)store.getString(std::to_wstring(i) + L"hist", value);
      values.push_back(value);
    }
    return values;
  }
  void store(const std::vector<std::wstring>& values) {
    RegistryStore store = RegistryStore::open(L"vixo");
    for (size_t i = 0; i < values.size(); ++i)
      ASSERT_TRUE(store.setString(std::to_wstring(i) + L"hist", values[i]));
  }
  // The labels of the recent items, in menu order.
  std::vector<std::string> menuLabels() {
    std::vector<std::string> labels;
    for (wxMenuItem* item : w->taskMenu->GetMenuItems())
      if (w->recentTasks->items.count(item->GetId()))
        labels.push_back(item->GetItemLabelText().utf8_string());
    return labels;
  }
  // A new editor window, as after a restart.
  void restart() {
    w->savedPosition = w->undoPosition;
    w->Destroy();
    for (int i = 0; i < 100 && !wxTopLevelWindows.empty(); ++i) wxTheApp->ProcessIdle();
    w = new WndMain;
  }
  std::wstring path(const std::string& name) { return fromUtf8(folder / name); }
};

TEST_F(RecentTasksTest, SavedAndOpenedTasksAreOfferedAgainAfterARestart) {
  // Saved: it becomes the newest entry.
  typeName("Lab");
  fileAnswers.push_back({wxString::FromUTF8(folder / "lab.vixo")});
  menu(w->saveAsMenuItem);
  typeName("2");
  fileAnswers.push_back({wxString::FromUTF8(folder / "other&more.vixo")});
  menu(w->saveAsMenuItem);
  EXPECT_EQ(menuLabels(), (std::vector<std::string>{"other&more.vixo", "lab.vixo"}));
  std::vector<std::wstring> values = stored();
  EXPECT_EQ(values[0], path("other&more.vixo"));
  EXPECT_EQ(values[1], path("lab.vixo"));
  for (int i = 2; i < 10; ++i) EXPECT_EQ(values[static_cast<size_t>(i)], L"") << i;

  restart();
  EXPECT_EQ(menuLabels(), (std::vector<std::string>{"other&more.vixo", "lab.vixo"}));
  // Choosing an item opens its task; opening makes it the newest.
  const int second = w->taskMenu->GetMenuItems()[w->taskMenu->GetMenuItemCount() - 1]->GetId();
  w->taskMenu->SendEvent(second);
  EXPECT_EQ(w->task.name, L"Lab");
  EXPECT_EQ(w->taskPath, path("lab.vixo"));
  EXPECT_EQ(menuLabels(), (std::vector<std::string>{"lab.vixo", "other&more.vixo"}));

  // The menu's own commands still reach their handlers.
  menu(w->newMenuItem);
  EXPECT_EQ(w->task.name, L"");
  EXPECT_EQ(w->taskPath, L"");
  EXPECT_EQ(menuLabels(), (std::vector<std::string>{"lab.vixo", "other&more.vixo"}));
}

TEST_F(RecentTasksTest, TheListKeepsTenNewestAndWhatOtherEditorsWrote) {
  RecentTasks& recent = *w->recentTasks;
  for (int i = 0; i < 10; ++i) recent.add(path("t" + std::to_string(i) + ".vixo"));
  EXPECT_EQ(stored()[9], path("t0.vixo"));

  // The third moves to the front; the length stays.
  recent.add(path("t7.vixo"));
  EXPECT_EQ(recent.paths.size(), 10u);
  EXPECT_EQ(recent.paths[0], path("t7.vixo"));
  EXPECT_EQ(recent.paths[1], path("t9.vixo"));
  EXPECT_EQ(recent.paths[2], path("t8.vixo"));

  // An eleventh drops the oldest; 9hist then holds the previous ninth.
  recent.add(path("new.vixo"));
  EXPECT_EQ(stored()[9], path("t1.vixo"));
  EXPECT_EQ(menuLabels().size(), 10u);

  // Another editor's entry is kept: each change reads the store first.
  std::vector<std::wstring> values = stored();
  values.insert(values.begin(), path("theirs.vixo"));
  values.resize(10);
  store(values);
  recent.add(path("mine.vixo"));
  EXPECT_EQ(recent.paths[0], path("mine.vixo"));
  EXPECT_EQ(recent.paths[1], path("theirs.vixo"));

  // Letter case counts; same names in two folders give two items with the same label.
  store({path("A.vixo"), path("a.vixo"), path("x/a.vixo"), L"", L"", L"", L"", L"", L"", L""});
  recent.add(path("a.vixo"));
  EXPECT_EQ(recent.paths,
            (std::vector<std::wstring>{path("a.vixo"), path("A.vixo"), path("x/a.vixo")}));
  EXPECT_EQ(menuLabels(), (std::vector<std::string>{"a.vixo", "A.vixo", "a.vixo"}));
  values = stored();
  for (int i = 3; i < 10; ++i) EXPECT_EQ(values[static_cast<size_t>(i)], L"") << i;
}

TEST_F(RecentTasksTest, GapsAndMissingValuesLoadAsAShorterList) {
  store({L"", path("one.vixo"), L"", path("two.vixo")});
  w->recentTasks->load();
  EXPECT_EQ(w->recentTasks->paths, (std::vector<std::wstring>{path("one.vixo"), path("two.vixo")}));

  // A value of another kind is skipped like a missing one.
  RegistryStore store = RegistryStore::open(L"vixo");
  ASSERT_TRUE(store.setDword(L"0hist", 7));
  w->recentTasks->load();
  EXPECT_EQ(w->recentTasks->paths.size(), 2u);
}

TEST_F(RecentTasksTest, AStoreThatCannotBeReadIsNeverOverwritten) {
  const std::wstring kept = path("kept.vixo");
  w->recentTasks->add(kept);
  const std::string file = RegistryStore::open(L"vixo").filePath();
  vixo_test::writeBytes(file, "{ damaged");
  w->recentTasks->load();
  EXPECT_TRUE(w->recentTasks->paths.empty());
  w->recentTasks->add(path("new.vixo"));
  EXPECT_EQ(vixo_test::readBytes(file), "{ damaged");
  // The editor goes on; the item of this session is on the menu.
  EXPECT_EQ(menuLabels(), std::vector<std::string>{"new.vixo"});
}

}  // namespace
