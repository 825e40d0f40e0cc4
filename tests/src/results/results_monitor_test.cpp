// The results monitor over a real folder: pass files appearing, changing and disappearing wake
// it through the folder watch; its status texts, subscribers, a folder it cannot watch or that
// goes away, and its thread joined when it is destroyed, also in the middle of a scan.
//
// The program puts its own opendir in front of the C library's: a gate that, while closed,
// holds every scan of a ".states" folder at its start, so that a test knows where the watcher
// thread is.
#include "results/results_monitor.h"

#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

#include "results/pass_files.h"
#include "src/results/pass_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace vixo_test;
using namespace std::chrono_literals;

class ScanGate {
 public:
  void close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  void open() {
    std::lock_guard lock(mutex_);
    closed_ = false;
    changed_.notify_all();
  }
  // Called by the scans: waits while the gate is closed.
  void pass() {
    std::unique_lock lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !closed_; });
    --waiting_;
  }
  // Waits until a scan is held at the gate.
  bool waitForScan() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return waiting_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool closed_ = false;
  int waiting_ = 0;
};

ScanGate gate;

}  // namespace

extern "C" DIR* opendir(const char* path) {
  static auto* next = reinterpret_cast<DIR* (*)(const char*)>(dlsym(RTLD_NEXT, "opendir"));
  if (std::string_view(path).ends_with(".states")) gate.pass();
  return next(path);
}

namespace {

// A monitor with a subscriber that counts its calls; made with the first scan held, so that
// no call is missed.
class Watched {
 public:
  explicit Watched(const std::wstring& taskPath) {
    gate.close();
    monitor = std::make_unique<ResultsMonitor>(taskPath);
    monitor->subscribe([this] {
      std::lock_guard lock(mutex_);
      ++calls_;
      called_.notify_all();
    });
    gate.open();
  }
  // The monitor goes first: its thread may be calling the subscriber.
  ~Watched() { monitor.reset(); }

  int calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  // Waits until the subscriber was called `count` times in all.
  bool waitForCalls(int count) {
    std::unique_lock lock(mutex_);
    return called_.wait_for(lock, 10s, [&] { return calls_ >= count; });
  }
  // Waits, scan by scan, until the status is the text.
  bool waitForStatus(const std::wstring& text) {
    std::unique_lock lock(mutex_);
    return called_.wait_for(lock, 10s, [&] { return monitor->statusText() == text; });
  }

  std::unique_ptr<ResultsMonitor> monitor;

 private:
  std::mutex mutex_;
  std::condition_variable called_;
  int calls_ = 0;
};

// Waits, scan by scan, until the monitor's watch has ended.
bool waitUntilEnded(Watched& watched) {
  for (int calls = watched.calls(); watched.monitor->isWatching(); ++calls)
    if (!watched.waitForCalls(calls + 1)) return false;
  return true;
}

// A pass file of another computer, moved into place as the stores do.
void putPassFile(const PassFolder& folder, const std::string& name, const std::string& id,
                 double progress) {
  PassHeader header;
  header.computer = L"other pc";
  header.id = id;
  header.progress = progress;
  const std::string temp = folder.states() + "/" + name + ".tmp";
  writeBytes(temp, passHeaderToJson(header).toString() + "{}\"end\"");
  fs::rename(temp, folder.states() + "/" + name);
}

TEST(ResultsMonitor, StatusOfThePassesFound) {
  struct Row {
    std::vector<std::tuple<std::string, std::string, double>> files;  // name, id, progress
    std::wstring status;
  };
  const Row rows[] = {
      {{}, L"No results"},
      {{{"result@a@", "a", 1.0}, {"state@x@1@", "b", 0.25}, {"state@y@1@", "c", 0.5}},
       L"Finished: 1; Now running: 2 (38% passed);"},
      {{{"result@a@", "a", 1},
        {"result@b@", "b", 1},
        {"result@c@", "c", 1},
        {"state@x@1@", "d", 0.375},
        {"state@x@2@", "e", 0.375}},
       L"Finished: 3; Now running: 2 (38% passed);"},
      {{{"state@x@1@", "a", 0.004}}, L"Now running: 1 (0% passed);"},
      {{{"state@x@1@", "a", 0.005}}, L"Now running: 1 (1% passed);"},
      {{{"result@a@", "a", 1}, {"result@b@", "b", 1}}, L"Finished: 2;"},
      // a result file beside its state file counts as finished only
      {{{"result@a@", "a", 1}, {"state@x@3@", "a", 0.5}}, L"Finished: 1;"},
      {{{"state@x@1@", "", 0.5}, {"notes@", "n", 0.5}}, L"No results"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(toUtf8(row.status));
    PassFolder folder;
    createPassFolders(folder.taskPath);
    for (const auto& [name, id, progress] : row.files) putPassFile(folder, name, id, progress);
    Watched watched(folder.taskPath);
    ASSERT_TRUE(watched.waitForCalls(1));
    EXPECT_EQ(watched.monitor->statusText(), row.status);
    EXPECT_TRUE(watched.monitor->isWatching());
  }
}

TEST(ResultsMonitor, FollowsPassFilesAsTheyAppearChangeAndGo) {
  PassFolder folder;
  Watched watched(folder.taskPath);  // makes the folders
  EXPECT_TRUE(fs::is_directory(folder.states()));
  EXPECT_TRUE(fs::is_directory(folder.protocols()));
  EXPECT_TRUE(fs::is_directory(folder.archives()));
  ASSERT_TRUE(watched.waitForStatus(L"No results"));
  EXPECT_TRUE(watched.monitor->passes().empty());

  FolderPass pass(smallTask("DSIS", 3), folder.taskPath);
  ASSERT_TRUE(pass.store.saveState());
  ASSERT_TRUE(watched.waitForStatus(L"Now running: 1 (0% passed);"));
  pass.play->nextQuestion();
  ASSERT_TRUE(pass.store.saveState());
  ASSERT_TRUE(watched.waitForStatus(L"Now running: 1 (50% passed);"));
  std::vector<PassHeader> passes = watched.monitor->passes();
  ASSERT_EQ(passes.size(), 1u);
  EXPECT_EQ(passes[0].id, pass.play->context.passId);
  EXPECT_FALSE(passes[0].finished);

  pass.play->nextQuestion();
  ASSERT_TRUE(pass.store.finishPass());
  ASSERT_TRUE(watched.waitForStatus(L"Finished: 1;"));
  passes = watched.monitor->passes();
  ASSERT_EQ(passes.size(), 1u);
  EXPECT_TRUE(passes[0].finished);

  // Another computer writing into the shared folder.
  putPassFile(folder, "state@other%20pc@4@", "~later", 0.25);
  ASSERT_TRUE(watched.waitForStatus(L"Finished: 1; Now running: 1 (25% passed);"));
  passes = watched.monitor->passes();
  ASSERT_EQ(passes.size(), 2u);
  EXPECT_EQ(passes[1].computer, L"other pc");  // by ascending id

  fs::remove(folder.states() + "/state@other%20pc@4@");
  ASSERT_TRUE(watched.waitForStatus(L"Finished: 1;"));
  fs::remove(folder.states() + "/result@" + pass.play->context.passId + "@");
  ASSERT_TRUE(watched.waitForStatus(L"No results"));
}

TEST(ResultsMonitor, StatusWhileTheFirstScanRuns) {
  std::promise<void> scanned;  // outlive the monitor, whose subscriber uses them
  std::atomic<bool> once{false};
  PassFolder folder;
  gate.close();
  auto monitor = std::make_unique<ResultsMonitor>(folder.taskPath);
  const std::wstring first = monitor->statusText();
  EXPECT_TRUE(first == L"Loading results..." || first == L"Updating results...") << toUtf8(first);
  ASSERT_TRUE(gate.waitForScan());
  EXPECT_EQ(monitor->statusText(), L"Updating results...");
  EXPECT_TRUE(monitor->passes().empty());
  monitor->subscribe([&] {
    if (!once.exchange(true)) scanned.set_value();
  });
  gate.open();
  ASSERT_EQ(scanned.get_future().wait_for(10s), std::future_status::ready);
  EXPECT_EQ(monitor->statusText(), L"No results");
}

TEST(ResultsMonitor, SubscribersInOrderUntilTheyLeave) {
  std::mutex mutex;  // outlive the monitor, whose subscribers use them
  std::condition_variable called;
  std::vector<char> order;
  std::wstring statusSeenByB;
  PassFolder folder;
  Watched watched(folder.taskPath);
  ASSERT_TRUE(watched.waitForCalls(1));
  auto a = watched.monitor->subscribe([&] {
    std::lock_guard lock(mutex);
    order.push_back('a');
  });
  watched.monitor->subscribe([&] { throw std::runtime_error("a failing subscriber"); });
  ResultsMonitor* monitor = watched.monitor.get();
  watched.monitor->subscribe([&, monitor] {
    std::lock_guard lock(mutex);
    order.push_back('b');
    statusSeenByB = monitor->statusText();  // a subscriber may read the monitor's data
    called.notify_all();
  });

  putPassFile(folder, "result@1@", "1", 1.0);
  ASSERT_TRUE(watched.waitForCalls(2));
  watched.monitor->unsubscribe(a);  // waits for the calls in progress
  putPassFile(folder, "result@2@", "2", 1.0);
  std::unique_lock lock(mutex);
  ASSERT_TRUE(called.wait_for(lock, 10s, [&] { return statusSeenByB == L"Finished: 2;"; }));
  // Each scan calls a, then b (the failing one between them changes nothing); the scans after
  // the unsubscribe call b only.
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[0], 'a');
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == 'a') {
      EXPECT_TRUE(i + 1 < order.size() && order[i + 1] == 'b') << i;
    }
  }
  EXPECT_EQ(order[order.size() - 1], 'b');
  EXPECT_EQ(order[order.size() - 2], 'b');
  lock.unlock();
  watched.monitor.reset();
}

TEST(ResultsMonitor, FolderThatCannotBeWatchedGivesOneScan) {
  PassFolder folder;
  folder.folder.makeFile("not-a-folder");
  const std::wstring task = fromUtf8(folder.folder / "not-a-folder/t.vixo");
  Watched watched(task);
  ASSERT_TRUE(watched.waitForCalls(1));
  EXPECT_FALSE(watched.monitor->isWatching());
  EXPECT_EQ(watched.monitor->statusText(), L"No results");
  watched.monitor.reset();  // the thread has ended; joined all the same
  EXPECT_EQ(watched.calls(), 1);
}

TEST(ResultsMonitor, FolderRemovedWhileWatchedEndsTheWatchAfterOneScan) {
  PassFolder folder;
  createPassFolders(folder.taskPath);
  putPassFile(folder, "result@a@", "a", 1.0);
  // What each scan's subscribers are told about the watch; declared before the monitor, whose
  // thread may call the subscriber until the monitor is gone.
  std::mutex mutex;
  std::condition_variable called;
  std::vector<bool> watching;
  Watched watched(folder.taskPath);
  ResultsMonitor* monitor = watched.monitor.get();
  watched.monitor->subscribe([&, monitor] {
    std::lock_guard lock(mutex);
    watching.push_back(monitor->isWatching());
    called.notify_all();
  });
  ASSERT_TRUE(watched.waitForStatus(L"Finished: 1;"));
  EXPECT_TRUE(watched.monitor->isWatching());
  fs::remove_all(folder.states());
  ASSERT_TRUE(watched.waitForStatus(L"No results"));
  // The last scan's subscribers hear that the watch has ended: the window they post to offers
  // to look again.
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(called.wait_for(lock, 10s, [&] { return !watching.empty() && !watching.back(); }));
  }
  EXPECT_FALSE(watched.monitor->isWatching());
  const int calls = watched.calls();
  // A watch that broke reports at once on every wait; after the scan that saw the file go, at
  // most the one that saw the folder go and the one that saw the watch break (the removal of the
  // file and of the folder may come to separate scans), not one scan after another.
  std::this_thread::sleep_for(100ms);
  EXPECT_LE(watched.calls(), calls + 2);
}

TEST(ResultsMonitor, FolderBackAfterTheWatchEndedIsFollowedByANewMonitor) {
  PassFolder folder;
  Watched watched(folder.taskPath);
  ASSERT_TRUE(watched.waitForStatus(L"No results"));
  fs::remove_all(folder.states());
  ASSERT_TRUE(waitUntilEnded(watched));
  fs::create_directory(folder.states());
  putPassFile(folder, "result@a@", "a", 1.0);
  EXPECT_FALSE(watched.monitor->isWatching());

  Watched again(folder.taskPath);
  ASSERT_TRUE(again.waitForStatus(L"Finished: 1;"));
  EXPECT_TRUE(again.monitor->isWatching());
  putPassFile(folder, "state@other@1@", "b", 0.5);
  EXPECT_TRUE(again.waitForStatus(L"Finished: 1; Now running: 1 (50% passed);"));
}

TEST(ResultsMonitor, DestroyedDuringAScanWaitsForItAndItsSubscribers) {
  std::atomic<bool> destroyed{false};
  std::atomic<int> sawDestroyed{0};
  PassFolder folder;
  Watched watched(folder.taskPath);
  ASSERT_TRUE(watched.waitForCalls(1));
  watched.monitor->subscribe([&] { sawDestroyed += destroyed ? 1 : 0; });

  gate.close();
  putPassFile(folder, "result@a@", "a", 1.0);
  ASSERT_TRUE(gate.waitForScan());
  std::thread destroyer([&] {
    watched.monitor.reset();
    destroyed = true;
  });
  std::this_thread::sleep_for(50ms);  // give the destructor time to be waiting
  EXPECT_FALSE(destroyed);
  gate.open();
  destroyer.join();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(watched.calls(), 2);  // the scan in progress still called its subscribers
  EXPECT_EQ(sawDestroyed, 0);
}

TEST(ResultsMonitor, DestroyedWhileWaitingEndsAtOnce) {
  for (int i = 0; i < 20; ++i) {
    PassFolder folder;
    Watched watched(folder.taskPath);
    if (i % 2) {
      ASSERT_TRUE(watched.waitForCalls(1));
    }
    watched.monitor.reset();
  }
}

}  // namespace
