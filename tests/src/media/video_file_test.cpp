// Buffered video files over a scripted source with a recording painter: states, timing, pause,
// seek, stop, reopen and failures, with the file's real reader and playback threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "common/wait.h"
#include "media/video_info.h"
#include "support/fake_video.h"

namespace {

using namespace std::chrono_literals;
using connections::ExpressionPtr;
using vixo_test::FakeScript;
using vixo_test::FakeVideoFile;
using vixo_test::Gate;
using vixo_test::lateness;
using vixo_test::waitFor;
using State = VideoFile::State;

// The states a file passes through from the moment the log is made, without repeats.
class StateLog {
 public:
  explicit StateLog(VideoFile& file)
      : listener_(connections::makeListener(connections::makeFunctor(
            std::function<void(State)>([this](State s) { record(s); }), file.stateExpression()))) {
    record(file.getState());
  }
  std::vector<State> states() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<State> result = states_;
    // A file may have left Created before the log was made.
    if (!result.empty() && result.front() == VideoFile::Created) result.erase(result.begin());
    return result;
  }

 private:
  void record(State s) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (states_.empty() || states_.back() != s) states_.push_back(s);
  }
  mutable std::mutex mutex_;
  std::vector<State> states_;
  ExpressionPtr<void> listener_;
};

FakeScript frames(int count, int64_t frameDuration = 40'000'000) {
  FakeScript s;
  s.frames = count;
  s.frameDuration = frameDuration;
  s.durationMs = count * frameDuration / 1'000'000;
  return s;
}

int64_t ms(int64_t n) { return n * 1'000'000; }

// --- states

TEST(VideoFileStates, ABufferedFileFillsItsRingPlaysAndClosesAtItsEnd) {
  Gate gate;
  FakeScript script = frames(10, ms(10));
  script.beforeOpen = [&] { gate.pass(); };
  FakeVideoFile file(script, true, 1);
  StateLog log(file);
  gate.open();
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_TRUE(file.isValid());
  EXPECT_EQ(file.getState(), VideoFile::Ready);
  EXPECT_EQ(file.getSize(), (FrameSize{4, 2}));
  EXPECT_EQ(file.getDurationMs(), 100);
  EXPECT_EQ(file.ring.getCount(), 10) << "the whole video fits the ring";
  EXPECT_EQ(file.getProgress(), 0.0);

  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(log.states(),
            (std::vector<State>{VideoFile::Opening, VideoFile::Buffering, VideoFile::Ready,
                                VideoFile::Playing, VideoFile::Closed}));
  EXPECT_EQ(file.painterMember.numbers(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(file.getPositionMs(), 100);
  EXPECT_EQ(file.getProgress(), 1.0);
  EXPECT_TRUE(file.isValid());
}

TEST(VideoFileStates, AnUnbufferedFileIsReadyAfterOneFrameAndDecodesNoMoreWhileWaiting) {
  Gate gate;
  FakeScript script = frames(10);
  script.beforeOpen = [&] { gate.pass(); };
  FakeVideoFile file(script, false, 5);
  StateLog log(file);
  gate.open();
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_EQ(file.ring.getCapacity(), 2) << "an unbuffered file asks for no seconds";
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(file.source.decoded, 1);
  EXPECT_EQ(log.states(), (std::vector<State>{VideoFile::Opening, VideoFile::Ready}));
}

TEST(VideoFileStates, AFailedOpenEndsClosedAndNotValidWithoutBeingReady) {
  struct Row {
    const char* what;
    FakeScript script;
  };
  std::vector<Row> rows;
  rows.push_back({"source does not open", frames(10)});
  rows.back().script.failedOpens = 1;
  rows.push_back({"no first frame", frames(0)});
  rows.push_back({"no frame rate", frames(10, 0)});
  rows.push_back({"open throws", frames(10)});
  rows.back().script.throwAtOpen = true;
  rows.push_back({"first frame throws", frames(10)});
  rows.back().script.throwAtFrame = 0;
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    Gate gate;
    row.script.beforeOpen = [&] { gate.pass(); };
    for (bool buffered : {false, true}) {
      FakeVideoFile file(row.script, buffered, 1);
      StateLog log(file);
      gate.open();
      ASSERT_TRUE(waitFor(file.opened()));
      ASSERT_TRUE(waitFor(file.idle()));
      EXPECT_EQ(file.getState(), VideoFile::Closed);
      EXPECT_FALSE(file.isValid());
      const auto states = log.states();
      EXPECT_EQ(std::count(states.begin(), states.end(), VideoFile::Ready), 0);
      EXPECT_FALSE(file.play(NativeWindow{}));
    }
  }
}

TEST(VideoFileStates, PlayBeforeReadyStartsNothingAndWorksOnceReady) {
  Gate gate;
  FakeScript script = frames(3, ms(5));
  script.beforeOpen = [&] { gate.pass(); };
  FakeVideoFile file(script, true, 1);
  EXPECT_FALSE(file.play(NativeWindow{}));
  gate.open();
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.painterMember.numbers().size(), 3u);
}

TEST(VideoFileStates, PauseOutsidePlayingAndRepeatedStopsChangeNothing) {
  FakeVideoFile file(frames(10), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  file.togglePause();
  file.setPaused(true);
  EXPECT_EQ(file.getState(), VideoFile::Ready);
  file.stop();
  EXPECT_EQ(file.getState(), VideoFile::Closed);
  EXPECT_EQ(file.source.closes, 1) << "the reader closes the source as it ends";
  file.stop();
  file.togglePause();
  EXPECT_EQ(file.getState(), VideoFile::Closed);
  EXPECT_FALSE(file.play(NativeWindow{}));
  EXPECT_TRUE(file.painterMember.numbers().empty());
}

// --- timing

TEST(VideoFileTiming, A25FpsFileShowsEveryFrameAtItsDueTime) {
  FakeVideoFile file(frames(20), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  std::vector<int> expected(20);
  for (int i = 0; i < 20; ++i) expected[i] = i;
  EXPECT_EQ(file.painterMember.numbers(), expected);
  auto late = lateness(file, file.painterMember);
  for (size_t k = 0; k < late.size(); ++k) EXPECT_GE(late[k], 0) << "frame " << k << " shown early";
  std::sort(late.begin(), late.end());
  EXPECT_LT(late[late.size() / 2], ms(20)) << "median";
  EXPECT_EQ(file.getPositionMs(), 800);
  EXPECT_GE(file.painterMember.preparedHits, 15) << "frames are prepared ahead of their time";
}

TEST(VideoFileTiming, LateFramesAreShownAtOnceAndTheScheduleDoesNotMove) {
  FakeScript script = frames(20);
  // Frame 5 is held up for about seven frame durations.
  script.beforeDecode = [](int n) {
    if (n == 5) std::this_thread::sleep_for(300ms);
  };
  FakeVideoFile file(script, false, 0);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  std::vector<int> expected(20);
  for (int i = 0; i < 20; ++i) expected[i] = i;
  EXPECT_EQ(file.painterMember.numbers(), expected) << "no frame is skipped";
  const auto late = lateness(file, file.painterMember);
  for (size_t k = 0; k < late.size(); ++k) EXPECT_GE(late[k], 0) << "frame " << k;
  EXPECT_GE(late[5], ms(200));
  // The frames after the hold-up catch up with the schedule of the run instead of moving it
  // (which would leave every later frame at least as late as frame 5).
  EXPECT_LT(late[19], ms(150));
}

TEST(VideoFileTiming, PauseHoldsThePictureAndResumingStartsANewRun) {
  FakeVideoFile file(frames(12, ms(100)), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(file.painterMember.waitFor(2));
  file.setPaused(true);
  EXPECT_TRUE(file.isPaused());
  const size_t before = file.painterMember.numbers().size();
  std::this_thread::sleep_for(250ms);
  const size_t during = file.painterMember.numbers().size();
  EXPECT_LE(during, before + 1) << "at most the frame in hand when the pause came";
  EXPECT_EQ(file.getPositionMs(), static_cast<int64_t>(during) * 100);

  const int64_t resumed = monotonicNs();
  file.togglePause();
  EXPECT_EQ(file.getState(), VideoFile::Playing);
  ASSERT_TRUE(waitFor(file.idle()));
  const auto shown = file.painterMember.shown();
  ASSERT_EQ(shown.size(), 12u);
  for (size_t k = 0; k < shown.size(); ++k) EXPECT_EQ(shown[k].number, static_cast<int>(k));
  // The run after the pause: its first frame at once (not a frame duration later), then one
  // frame duration apart.
  const int64_t t0 = file.getPlayback().startTime;
  EXPECT_GE(t0, resumed);
  EXPECT_LT(shown[during].time - t0, ms(100));
  for (size_t k = during; k < shown.size(); ++k)
    EXPECT_GE(shown[k].time, t0 + static_cast<int64_t>(k - during) * ms(100)) << k;
}

// --- seeking

TEST(VideoFileSeek, ASeekWhilePausedShowsTheFrameBeforeTheTarget) {
  FakeVideoFile file(frames(50), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(file.painterMember.waitFor(2));
  file.setPaused(true);
  file.requestSeek(1000);  // frame 25
  ASSERT_TRUE(file.painterMember.waitForNumber(24));
  auto numbers = file.painterMember.numbers();
  EXPECT_EQ(numbers.back(), 24);
  EXPECT_EQ(file.getShown(), 25);
  EXPECT_EQ(file.getPositionMs(), 1000);

  // Backwards only clears the request.
  const size_t painted = file.painterMember.numbers().size();
  file.requestSeek(200);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(file.painterMember.numbers().size(), painted);
  EXPECT_EQ(file.getPositionMs(), 1000);

  file.setPaused(false);
  ASSERT_TRUE(waitFor(file.idle()));
  numbers = file.painterMember.numbers();
  const auto resumedAt = std::find(numbers.begin(), numbers.end(), 24) + 1;
  ASSERT_NE(resumedAt, numbers.end());
  EXPECT_EQ(*resumedAt, 25);
  EXPECT_EQ(numbers.back(), 49);
}

// The players align paused files on the position the furthest one reads, in whole
// milliseconds. At rates whose frames do not last whole milliseconds that position is truncated;
// a file asked for it still comes to the leader's frame, whether it was one frame behind or more.
TEST(VideoFileSeek, AFileAskedForAnotherFilesPositionComesToItsFrameAtEveryRate) {
  const struct {
    const char* rate;
    int64_t frameDuration;  // 1 000 000 / rate truncated to whole microseconds, in ns
  } rows[] = {
      {"24", 41'666'000},    {"29.97", 33'366'000}, {"30", 33'333'000},
      {"59.94", 16'683'000}, {"60", 16'666'000},    {"25", 40'000'000},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rate);
    FakeVideoFile file(frames(80, row.frameDuration), true, 1);
    ASSERT_TRUE(waitFor(file.opened()));
    ASSERT_TRUE(file.play(NativeWindow{}));
    file.setPaused(true);
    ASSERT_TRUE(file.painterMember.waitFor(1));
    for (int leader : {2, 3, 4, 7, 8, 15, 16, 29, 31, 52, 60, 79}) {
      if (leader <= file.getShown()) continue;  // the file played on before the pause
      // What a file that has shown `leader` frames at this rate reads.
      const int64_t position = leader * row.frameDuration / 1'000'000;
      file.requestSeek(position);
      ASSERT_TRUE(file.painterMember.waitForNumber(leader - 1)) << leader;
      EXPECT_EQ(file.getShown(), leader);
      EXPECT_EQ(file.getPositionMs(), position);
    }
  }
}

TEST(VideoFileSeek, ASeekRequestedWhilePlayingWaitsForThePause) {
  FakeVideoFile file(frames(60, ms(20)), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  file.requestSeek(1000);  // frame 50
  ASSERT_TRUE(file.painterMember.waitFor(6));
  auto numbers = file.painterMember.numbers();
  for (size_t k = 0; k < numbers.size(); ++k) EXPECT_EQ(numbers[k], static_cast<int>(k));
  file.setPaused(true);
  ASSERT_TRUE(file.painterMember.waitForNumber(49));
  EXPECT_EQ(file.painterMember.numbers().back(), 49);
  EXPECT_EQ(file.getShown(), 50);
}

TEST(VideoFileSeek, ASeekPastTheBufferedFramesWaitsForTheReader) {
  // One frame buffered at a time: the pass must wait for each one instead of taking empty slots.
  FakeScript script = frames(40);
  script.beforeDecode = [](int) { std::this_thread::sleep_for(1ms); };
  FakeVideoFile file(script, false, 0);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(file.painterMember.waitFor(1));
  file.setPaused(true);
  file.requestSeek(1200);  // frame 30
  ASSERT_TRUE(file.painterMember.waitForNumber(29));
  EXPECT_EQ(file.painterMember.numbers().back(), 29);
  EXPECT_EQ(file.getShown(), 30);
  file.setPaused(false);
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.painterMember.numbers().back(), 39);
  EXPECT_EQ(file.painterMember.stalePictures, 0) << "the frame prepared was passed over";
}

TEST(VideoFileSeek, AFramePreparedAheadIsNotShownForTheFrameThatTakesItsSlot) {
  // Five frames a second for one second: five slots, frame n in slot n % 5. Frame 1 is prepared
  // while frame 0 shows; the seek passes it over and shows frame 6, which the reader put into
  // frame 1's slot.
  FakeVideoFile file(frames(50, ms(200)), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_EQ(file.ring.getCapacity(), 5);
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(file.painterMember.waitFor(1));
  file.setPaused(true);
  file.requestSeek(7 * 200);
  ASSERT_TRUE(file.painterMember.waitForNumber(6));
  EXPECT_EQ(file.painterMember.numbers(), (std::vector<int>{0, 6}));
  EXPECT_EQ(file.painterMember.stalePictures, 0);
}

TEST(VideoFileSeek, ASeekBeyondTheEndShowsTheLastFrameAndResumingEndsTheFile) {
  FakeVideoFile file(frames(20), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(file.painterMember.waitFor(1));
  file.setPaused(true);
  file.requestSeek(60'000);
  ASSERT_TRUE(file.painterMember.waitForNumber(19));
  EXPECT_EQ(file.painterMember.numbers().back(), 19);
  EXPECT_EQ(file.getShown(), 20);
  EXPECT_EQ(file.getState(), VideoFile::Paused);
  file.setPaused(false);
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.getProgress(), 1.0);
}

// --- stop, reopen, failures

TEST(VideoFileLifecycle, AFinishedFileReopensBuffersAgainAndPlaysFromTheStart) {
  FakeVideoFile file(frames(5, ms(5)), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  ASSERT_TRUE(file.ring.endOfStream()->get());

  file.reopen();
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_TRUE(file.isValid());
  EXPECT_EQ(file.ring.getCount(), 5) << "the end of the first run does not stop the new fill";
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.painterMember.numbers(), (std::vector<int>{0, 1, 2, 3, 4, 0, 1, 2, 3, 4}));
  EXPECT_EQ(file.source.opens, 2);
}

TEST(VideoFileLifecycle, AFailedOpenSucceedsOnReopen) {
  Gate gate;
  std::atomic<int> opens{0};
  FakeScript script = frames(5);
  script.failedOpens = 1;
  script.beforeOpen = [&] {
    if (++opens == 2) gate.pass();
  };
  FakeVideoFile file(script, true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_FALSE(file.isValid());
  file.reopen();
  EXPECT_FALSE(file.isValid()) << "not valid until the new open is over";
  EXPECT_FALSE(file.opened()->get());
  gate.open();
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_TRUE(file.isValid());
  EXPECT_EQ(file.getState(), VideoFile::Ready);
}

TEST(VideoFileLifecycle, ADecoderOrPainterThatThrowsEndsTheFile) {
  FakeScript script = frames(20, ms(5));
  script.throwAtFrame = 3;
  FakeVideoFile file(script, false, 0);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.getState(), VideoFile::Closed);
  const auto numbers = file.painterMember.numbers();
  EXPECT_LE(numbers.size(), 3u);

  FakeVideoFile painted(frames(20, ms(5)), true, 1);
  painted.painterMember.throwOnPaint = true;
  ASSERT_TRUE(waitFor(painted.opened()));
  ASSERT_TRUE(painted.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(painted.idle()));
  EXPECT_EQ(painted.getState(), VideoFile::Closed);
}

TEST(VideoFileLifecycle, StopReturnsPromptlyWhileBufferingAndWhilePlaying) {
  FakeScript slow = frames(100'000);
  slow.beforeDecode = [](int) { std::this_thread::sleep_for(2ms); };
  auto buffering = std::make_unique<FakeVideoFile>(slow, true, 100);  // minutes of decoding
  ASSERT_TRUE(
      waitFor(buffering->stateExpression() == connections::makeConstant(VideoFile::Buffering)));
  auto started = std::chrono::steady_clock::now();
  buffering.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);

  FakeVideoFile playing(frames(10, 5'000'000'000), true, 1);  // five-second frames
  ASSERT_TRUE(waitFor(playing.opened()));
  ASSERT_TRUE(playing.play(NativeWindow{}));
  ASSERT_TRUE(playing.painterMember.waitFor(1));
  started = std::chrono::steady_clock::now();
  playing.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
  EXPECT_EQ(playing.painterMember.numbers().size(), 1u);
}

// A source that waits for data inside its open (a demuxer reading a stalled file) hears the
// stop, so that the stop does not wait for it; the next open of the file works again.
TEST(VideoFileLifecycle, AStopInterruptsASourceThatWaitsInItsOpen) {
  Gate gate;
  std::atomic<bool> interruptedInOpen{false};
  std::atomic<bool> opening{false};
  FakeScript script = frames(5);
  script.beforeOpen = [&] {
    if (opening.exchange(true)) return;  // only the first open waits
    gate.pass();
  };
  script.onInterrupt = [&](bool on) {
    if (!on || !opening) return;
    interruptedInOpen = true;
    gate.open();
  };
  FakeVideoFile file(script, true, 1);
  ASSERT_TRUE(waitFor(file.stateExpression() == connections::makeConstant(VideoFile::Opening)));
  while (!opening) std::this_thread::sleep_for(1ms);
  file.stop();
  EXPECT_TRUE(interruptedInOpen);
  EXPECT_TRUE(file.source.interrupted);

  file.reopen();
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_TRUE(file.isValid());
  EXPECT_FALSE(file.source.interrupted);
}

TEST(VideoFileLifecycle, PositionAndProgressFollowTheFramesShown) {
  FakeScript script = frames(3, 33'366'000);
  script.durationMs = 0;  // a container that does not tell its length
  FakeVideoFile file(script, true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  EXPECT_EQ(file.getProgress(), 1.0);
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.getPositionMs(), 100);  // 3 x 33.366 ms
}

}  // namespace

namespace {

// --- what callers keep about a file

bool sameInfo(const VideoInfo& a, const VideoInfo& b) {
  return a.opened == b.opened && a.valid == b.valid && a.width == b.width && a.height == b.height &&
         a.stillImage == b.stillImage && a.durationMs == b.durationMs;
}

TEST(VideoInfo, SaysWhatIsKnownOfAFileNowAndMarksAMissingOne) {
  EXPECT_TRUE(sameInfo(makeVideoInfo(nullptr), VideoInfo{false, false, 0, 0, false, -1}));
  EXPECT_TRUE(sameInfo(VideoInfoCache().getInfo(L"/any/where.avi"), VideoInfo{}));

  Gate gate;
  FakeScript script = frames(10);
  script.beforeOpen = [&] { gate.pass(); };
  FakeVideoFile video(script, false, 0);
  EXPECT_FALSE(makeVideoInfo(&video).opened);
  gate.open();
  ASSERT_TRUE(waitFor(video.opened()));
  EXPECT_TRUE(sameInfo(makeVideoInfo(&video), VideoInfo{true, true, 4, 2, false, 400}));

  vixo_test::FakeImageFile image({32, 16}, true, 2500);
  ASSERT_TRUE(waitFor(image.opened()));
  EXPECT_TRUE(sameInfo(makeVideoInfo(&image), VideoInfo{true, true, 32, 16, true, 2500}));
}

}  // namespace
