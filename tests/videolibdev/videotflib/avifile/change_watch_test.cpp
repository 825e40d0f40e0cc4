#include "avifile/change_watch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#include "avifile/avi_system.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Wake = ChangeWatch::Wake;

class ChangeWatchTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(folder_);
    fs::create_directory(root_ + "/elsewhere");
  }

  vixo_test::TempFolder temp_;
  const std::string root_ = temp_.path();
  const std::string folder_ = temp_ / "watched";
};

void touch(const std::string& path, const std::string& text = "x") { std::ofstream(path) << text; }

TEST_F(ChangeWatchTest, NamesAndAttributesWakeTheWait) {
  touch(folder_ + "/existing");
  touch(root_ + "/elsewhere/outside");
  const struct {
    const char* what;
    std::function<void(const std::string&, const std::string&)> change;
  } cases[] = {
      {"create", [](auto& f, auto&) { touch(f + "/new"); }},
      {"rename", [](auto& f, auto&) { fs::rename(f + "/new", f + "/renamed"); }},
      {"attributes", [](auto& f, auto&) { chmod((f + "/renamed").c_str(), 0640); }},
      {"move in", [](auto& f, auto& r) { fs::rename(r + "/elsewhere/outside", f + "/in"); }},
      {"move out", [](auto& f, auto& r) { fs::rename(f + "/in", r + "/elsewhere/back"); }},
      {"delete", [](auto& f, auto&) { fs::remove(f + "/renamed"); }},
      {"make a folder", [](auto& f, auto&) { fs::create_directory(f + "/sub"); }},
  };
  ChangeWatch watch(fromUtf8(folder_));
  ASSERT_TRUE(watch.isWatching());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.change(folder_, root_);
    Wake wake;
    ASSERT_TRUE(watch.waitFor(10000, wake));
    EXPECT_EQ(wake, Wake::Changed);
  }
}

TEST_F(ChangeWatchTest, ContentWritesAndSubfoldersDoNotWake) {
  touch(folder_ + "/existing");
  fs::create_directory(folder_ + "/sub");
  ChangeWatch watch(fromUtf8(folder_));
  {
    std::ofstream out(folder_ + "/existing", std::ios::app);
    out << "more content";
  }
  touch(folder_ + "/sub/inner");  // inside a subfolder
  Wake wake;
  EXPECT_FALSE(watch.waitFor(300, wake));
}

TEST_F(ChangeWatchTest, ChangesBetweenWaitsWakeOnce) {
  ChangeWatch watch(fromUtf8(folder_));
  for (int i = 0; i < 20; ++i) touch(folder_ + "/f" + std::to_string(i));
  EXPECT_EQ(watch.wait(), Wake::Changed);
  Wake wake;
  EXPECT_FALSE(watch.waitFor(200, wake));
}

TEST_F(ChangeWatchTest, StopWakesAWaitingThreadAtOnce) {
  ChangeWatch watch(fromUtf8(folder_));
  std::promise<void> waiting;
  auto result = std::async(std::launch::async, [&] {
    waiting.set_value();
    return watch.wait();
  });
  waiting.get_future().wait();
  watch.stop();
  ASSERT_EQ(result.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(result.get(), Wake::Stopped);
}

TEST_F(ChangeWatchTest, StopResetsItselfAndIsNotLostBeforeTheWait) {
  ChangeWatch watch(fromUtf8(folder_));
  watch.stop();
  watch.stop();  // two signals before a wait are one
  EXPECT_EQ(watch.wait(), Wake::Stopped);
  Wake wake;
  EXPECT_FALSE(watch.waitFor(100, wake));
  // a change still wakes afterwards
  touch(folder_ + "/after");
  EXPECT_EQ(watch.wait(), Wake::Changed);
}

TEST_F(ChangeWatchTest, FoldersThatCannotBeWatchedAreReportedNotWaitedOn) {
  for (const std::string& path : {root_ + "/missing", root_ + "/file", std::string()}) {
    SCOPED_TRACE(path);
    touch(root_ + "/file");
    ChangeWatch watch(fromUtf8(path));
    EXPECT_FALSE(watch.isWatching());
    EXPECT_EQ(watch.wait(), Wake::Failed);  // at once, without a stop
    watch.stop();
    EXPECT_EQ(watch.wait(), Wake::Stopped);  // a pending stop is still reported
  }
}

TEST_F(ChangeWatchTest, RemovingTheFolderBreaksTheWatch) {
  for (const bool moved : {false, true}) {
    SCOPED_TRACE(moved ? "moved away" : "removed");
    fs::create_directories(folder_);
    ChangeWatch watch(fromUtf8(folder_));
    ASSERT_TRUE(watch.isWatching());
    if (moved)
      fs::rename(folder_, root_ + "/away");
    else
      fs::remove_all(folder_);
    Wake wake;
    ASSERT_TRUE(watch.waitFor(10000, wake));
    EXPECT_EQ(wake, Wake::Failed);
    EXPECT_FALSE(watch.isWatching());       // says so from then on
    EXPECT_EQ(watch.wait(), Wake::Failed);  // and stays broken, without waiting
    fs::create_directories(folder_);        // a folder of that name again is not watched
    touch(folder_ + "/new");
    EXPECT_FALSE(watch.isWatching());
    EXPECT_EQ(watch.wait(), Wake::Failed);
    fs::remove_all(root_ + "/away");
  }
}

}  // namespace
