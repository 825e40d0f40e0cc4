// Still-image files over a scripted picture source: states, display time, pause, seek.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "common/wait.h"
#include "support/fake_video.h"

namespace {

using namespace std::chrono_literals;
using connections::ExpressionPtr;
using vixo_test::FakeImageFile;
using vixo_test::waitFor;
using Clock = std::chrono::steady_clock;

int64_t msSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

TEST(ImageFile, OpensWithoutBufferingAndClosesWhenItsDisplayTimeIsUsed) {
  FakeImageFile file({32, 16}, true, 150);
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_EQ(file.getState(), VideoFile::Ready);
  EXPECT_TRUE(file.isValid());
  EXPECT_TRUE(file.isStillImage());
  EXPECT_EQ(file.getSize(), (FrameSize{32, 16}));
  EXPECT_EQ(file.getDurationMs(), 150);
  EXPECT_EQ(file.getProgress(), 0.0);

  const auto started = Clock::now();
  ASSERT_TRUE(file.play(nullptr));
  EXPECT_FALSE(file.play(nullptr)) << "plays once";
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_GE(msSince(started), 150);
  EXPECT_EQ(file.getState(), VideoFile::Closed);
  EXPECT_EQ(file.getProgress(), 1.0);
  EXPECT_EQ(file.getPositionMs(), 150);
}

TEST(ImageFile, APictureThatCannotBeReadEndsClosedAndNotValid) {
  for (bool throws : {false, true}) {
    SCOPED_TRACE(throws ? "load throws" : "no picture");
    FakeImageFile file({32, 16}, false, 1000, throws);
    ASSERT_TRUE(waitFor(file.opened()));
    EXPECT_EQ(file.getState(), VideoFile::Closed);
    EXPECT_FALSE(file.isValid());
    EXPECT_TRUE(file.idle()->get());
    EXPECT_FALSE(file.play(nullptr));
  }
}

TEST(ImageFile, ADisplayTimeOfZeroEndsAtOnceWithFullProgress) {
  FakeImageFile file({8, 8}, true, 0);
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_EQ(file.getProgress(), 1.0);
  ASSERT_TRUE(file.play(nullptr));
  ASSERT_TRUE(waitFor(file.idle(), 2s));
  EXPECT_EQ(file.getProgress(), 1.0);
  EXPECT_EQ(file.getPositionMs(), 0);
}

TEST(ImageFile, TimePausedDoesNotCountAndProgressStandsStill) {
  FakeImageFile file({8, 8}, true, 500);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(nullptr));
  std::this_thread::sleep_for(200ms);
  file.setPaused(true);
  std::this_thread::sleep_for(50ms);
  const double during = file.getProgress();
  EXPECT_NEAR(during, 0.4, 0.1);
  std::this_thread::sleep_for(250ms);  // longer than the time left
  EXPECT_EQ(file.getState(), VideoFile::Paused);
  EXPECT_EQ(file.getProgress(), during);

  const auto resumed = Clock::now();
  file.setPaused(false);
  std::this_thread::sleep_for(50ms);
  EXPECT_GT(file.getProgress(), during);
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_GE(msSince(resumed), 250) << "the time left before the pause is shown after it";
  EXPECT_EQ(file.getProgress(), 1.0);
}

TEST(ImageFile, ASeekAppliesWhenThePauseEnds) {
  struct Row {
    int64_t target;
    int64_t minMs;  // the display after the resume lasts at least this long
    int64_t maxMs;  // and at most this long
  };
  const Row rows[] = {{100, 350, 5000}, {500, 0, 200}, {9000, 0, 200}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.target);
    FakeImageFile file({8, 8}, true, 500);
    ASSERT_TRUE(waitFor(file.opened()));
    ASSERT_TRUE(file.play(nullptr));
    std::this_thread::sleep_for(300ms);
    file.setPaused(true);
    file.requestSeek(row.target);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(file.getState(), VideoFile::Paused) << "a seek waits for the resume";
    const auto resumed = Clock::now();
    file.setPaused(false);
    ASSERT_TRUE(waitFor(file.idle()));
    EXPECT_GE(msSince(resumed), row.minMs);
    EXPECT_LE(msSince(resumed), row.maxMs);
  }
}

TEST(ImageFile, StopEndsTheDisplayAndReopenLoadsAgain) {
  FakeImageFile file({8, 8}, true, 10'000);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(nullptr));
  const auto started = Clock::now();
  file.stop();
  EXPECT_LT(msSince(started), 1000);
  EXPECT_EQ(file.getState(), VideoFile::Closed);
  file.reopen();
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_TRUE(file.isValid());
  EXPECT_EQ(file.source.loads, 2);
  EXPECT_EQ(file.getProgress(), 0.0);
}

}  // namespace
