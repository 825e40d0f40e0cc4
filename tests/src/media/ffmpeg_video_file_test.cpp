// Videos written with FFmpeg at test time, read through the FFmpeg video source into the frame
// ring and played by the file's threads into a recording painter (no window): frame order and
// timing, seeking, reopening, damaged and unreadable files; and the thumbnail scaler.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "avifile/avi_system.h"
#include "media/ffmpeg_video_file.h"
#include "media/ffmpeg_video_source.h"
#include "media/scale_to_fit.h"
#include "support/fake_video.h"
#include "support/temp_folder.h"
#include "support/test_video.h"

namespace {

using vixo_test::lateness;
using vixo_test::TestVideos;
using vixo_test::waitFor;

// The suite's videos are written once for all its tests.
TestVideos& videos() {
  static TestVideos v;
  return v;
}

int numberOfPicture(const RawFrame& frame) {
  if (frame.empty()) return -1;
  return vixo_test::frameNumberOfPacked24(frame.planeData(0), frame.planeStride(0),
                                          frame.getInfo().width, frame.getInfo().height);
}

// A video file over the FFmpeg source that paints into a recording painter.
class RecordedVideoFile : public vixo_test::RecordedVideoFile<FFmpegVideoSource> {
 public:
  RecordedVideoFile(const std::string& path, bool buffered, int32_t seconds)
      : vixo_test::RecordedVideoFile<FFmpegVideoSource>(fromUtf8(path), buffered, seconds,
                                                        numberOfPicture) {}
};

std::vector<int> upTo(int n) {
  std::vector<int> v(n);
  for (int i = 0; i < n; ++i) v[i] = i;
  return v;
}

TEST(FFmpegVideoSource, FrameDurationsHaveMicrosecondResolution) {
  struct Row {
    double rate;
    int64_t duration;
  };
  const Row rows[] = {{25, 40'000'000},
                      {29.97, 33'366'000},
                      {30000.0 / 1001, 33'366'000},
                      {60, 16'666'000},
                      {0, 0},
                      {-25, 0},
                      {std::numeric_limits<double>::infinity(), 0},
                      {std::numeric_limits<double>::quiet_NaN(), 0},
                      {1e-12, 0}};
  for (const Row& row : rows) EXPECT_EQ(frameDurationOf(row.rate), row.duration) << row.rate;
}

TEST(FFmpegVideoSource, DeliversEveryFrameAsBgrAtTheVideosSize) {
  FFmpegVideoSource source(fromUtf8(videos().path("h264.mp4")));
  EXPECT_EQ(source.getFrameDuration(), 0);
  ASSERT_TRUE(source.open());
  EXPECT_EQ(source.getFrameDuration(), 40'000'000);
  EXPECT_EQ(source.getFrameSize(), (FrameSize{64, 48}));
  // The container's length: the audio stream runs a little longer than the 40 frames.
  EXPECT_GE(source.getDurationMs(), 1600);
  EXPECT_LT(source.getDurationMs(), 1700);
  RawImage image = source.newFrame();
  ASSERT_FALSE(image.empty());
  EXPECT_TRUE(static_cast<const RawFormatSpec&>(image.getInfo()) ==
              rawFormatFromHint(RawFormatHint::BGR24));
  std::vector<int> numbers;
  while (source.readNext(image)) numbers.push_back(numberOfPicture(image));
  EXPECT_EQ(numbers, upTo(40));
  EXPECT_FALSE(source.readNext(image));
  source.close();
  EXPECT_FALSE(source.readNext(image)) << "a closed source reads nothing";
}

TEST(FFmpegVideoFile, PlaysA25FpsVideoFrameByFrameOnTime) {
  RecordedVideoFile file(videos().path("h264.mp4"), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.isValid());
  EXPECT_EQ(file.getSize(), (FrameSize{64, 48}));
  EXPECT_EQ(file.getFrameDuration(), 40'000'000);
  EXPECT_EQ(file.ring.getCapacity(), 25);
  EXPECT_EQ(file.ring.getCount(), 24);
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.painterMember.numbers(), upTo(40));
  auto late = lateness(file, file.painterMember);
  for (size_t k = 0; k < late.size(); ++k) EXPECT_GE(late[k], 0) << "frame " << k << " shown early";
  std::sort(late.begin(), late.end());
  EXPECT_LT(late[late.size() / 2], 20'000'000) << "median";
  EXPECT_EQ(file.getPositionMs(), 1600);
  EXPECT_DOUBLE_EQ(file.getProgress(), 1600.0 / static_cast<double>(file.getDurationMs()));
}

TEST(FFmpegVideoFile, SeeksWhilePausedAndReopensAfterTheEnd) {
  RecordedVideoFile file(videos().path("ffv1.mkv"), false, 0);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(file.painterMember.waitFor(1));
  file.setPaused(true);
  file.requestSeek(600);  // frame 15
  ASSERT_TRUE(file.painterMember.waitForNumber(14));
  EXPECT_EQ(file.painterMember.numbers().back(), 14);
  file.setPaused(false);
  ASSERT_TRUE(waitFor(file.idle()));
  EXPECT_EQ(file.painterMember.numbers().back(), 29);

  file.reopen();
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.isValid());
  const size_t before = file.painterMember.numbers().size();
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  const auto numbers = file.painterMember.numbers();
  EXPECT_EQ(std::vector<int>(numbers.begin() + before, numbers.end()), upTo(30));
}

TEST(FFmpegVideoFile, ATruncatedVideoPlaysWhatItHoldsAndEndsOrFailsToOpen) {
  // The AVI keeps its index at the end, its frames before; the MP4 its whole index at the end.
  RecordedVideoFile file(videos().path("truncated.avi"), true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.isValid());
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  const auto numbers = file.painterMember.numbers();
  ASSERT_GE(numbers.size(), 10u);
  EXPECT_LT(numbers.size(), 40u);
  // In order; a B frame whose later reference was cut off may be missing at the end.
  EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 10), upTo(10));
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
  EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end());

  RecordedVideoFile cut(videos().path("truncated.mp4"), true, 1);
  ASSERT_TRUE(waitFor(cut.opened()));
  EXPECT_FALSE(cut.isValid());
  EXPECT_EQ(cut.getState(), VideoFile::Closed);
}

TEST(FFmpegVideoFile, DamageInTheMiddleDoesNotEndTheVideo) {
  vixo_test::TempFolder folder;
  const std::string path = folder / "damaged.avi";
  std::filesystem::copy_file(videos().path("mpeg4.avi"), path);
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekp(size / 2);
    const std::string garbage(400, '\xff');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  RecordedVideoFile file(path, true, 1);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.isValid());
  ASSERT_TRUE(file.play(NativeWindow{}));
  ASSERT_TRUE(waitFor(file.idle()));
  const auto numbers = file.painterMember.numbers();
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(numbers.front(), 0);
  EXPECT_EQ(numbers.back(), 39) << "the frames after the damage are shown";
}

TEST(FFmpegVideoFile, FilesThatAreNoVideosFailToOpen) {
  vixo_test::TempFolder folder;
  const std::string text = folder.makeFile("notes.mp4", "this is not a video");
  const std::string empty = folder.makeFile("empty.avi", "");
  for (const std::string& path :
       {text, empty, folder / "missing.mkv", videos().path("audio.mka"), folder.path()}) {
    SCOPED_TRACE(path);
    FFmpegVideoFile file(fromUtf8(path), true, 1);
    ASSERT_TRUE(waitFor(file.opened()));
    EXPECT_EQ(file.getState(), VideoFile::Closed);
    EXPECT_FALSE(file.isValid());
    EXPECT_TRUE(file.idle()->get());
    RawImage thumbnail;
    EXPECT_FALSE(file.drawCurrent(thumbnail, 400, 200));
  }
}

TEST(FFmpegVideoFile, AnUnbufferedFileDrawsItsFirstFrameAsAThumbnailAndClones) {
  const std::string path = videos().path("ffv1.mkv");
  FFmpegVideoFile file(fromUtf8(path), false, 0);
  ASSERT_TRUE(waitFor(file.opened()));
  ASSERT_TRUE(file.isValid());
  EXPECT_EQ(file.getPath(), fromUtf8(path));
  RawImage thumbnail;
  ASSERT_TRUE(file.drawCurrent(thumbnail, 400, 200));
  EXPECT_EQ(thumbnail.getInfo().width, 64);
  EXPECT_EQ(thumbnail.getInfo().height, 48);
  EXPECT_EQ(numberOfPicture(thumbnail), 0);

  auto copy = file.clone();
  ASSERT_TRUE(copy);
  ASSERT_TRUE(waitFor(copy->opened()));
  EXPECT_TRUE(copy->isValid());
  EXPECT_EQ(copy->getPath(), file.getPath());
  EXPECT_EQ(copy->getState(), VideoFile::Ready);
}

// --- the thumbnail scaler

RawImage solid(RawFormatHint hint, int w, int h, uint8_t a, uint8_t b, uint8_t c) {
  RawImageInfo info(rawFormatFromHint(hint), w, h);
  info.bindReader();
  RawImage image(info);
  EXPECT_TRUE(image.allocate());
  for (int y = 0; y < h; ++y) {
    uint8_t* row = image.row(0, y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = a;
      row[3 * x + 1] = b;
      row[3 * x + 2] = c;
    }
  }
  return image;
}

TEST(ScaleToFit, FitsIntoTheBoxWithoutEnlargingAndKeepsTheByteOrder) {
  struct Row {
    int w, h, boxW, boxH, fitW, fitH;
  };
  const Row rows[] = {{1920, 1080, 400, 200, 355, 200},
                      {320, 240, 400, 200, 266, 200},
                      {100, 50, 400, 200, 100, 50},
                      {2000, 1, 400, 200, 400, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.w << "x" << row.h);
    for (RawFormatHint hint : {RawFormatHint::RGB24, RawFormatHint::BGR24}) {
      RawImage frame = solid(hint, row.w, row.h, 200, 100, 50);
      RawImage target;
      ASSERT_TRUE(scaleToFit(target, row.boxW, row.boxH, frame));
      EXPECT_EQ(target.getInfo().width, row.fitW);
      EXPECT_EQ(target.getInfo().height, row.fitH);
      EXPECT_TRUE(static_cast<const RawFormatSpec&>(target.getInfo()) == rawFormatFromHint(hint));
      const uint8_t* middle = target.row(0, row.fitH / 2) + 3 * (row.fitW / 2);
      EXPECT_NEAR(middle[0], 200, 2);
      EXPECT_NEAR(middle[1], 100, 2);
      EXPECT_NEAR(middle[2], 50, 2);
    }
  }
}

TEST(ScaleToFit, RefusesEmptyFramesOtherFormatsAndZeroBoxes) {
  RawImage target = solid(RawFormatHint::RGB24, 8, 8, 1, 2, 3);
  const uint8_t* before = target.planeData(0);
  EXPECT_FALSE(scaleToFit(target, 400, 200, RawFrame()));
  RawImage frame = solid(RawFormatHint::BGR24, 16, 16, 0, 0, 0);
  EXPECT_FALSE(scaleToFit(target, 0, 200, frame));
  EXPECT_FALSE(scaleToFit(target, 400, 0, frame));
  RawImageInfo yuv(rawFormatFromHint(RawFormatHint::YUV420p), 16, 16);
  yuv.bindReader();
  RawImage planar(yuv);
  ASSERT_TRUE(planar.allocate());
  EXPECT_FALSE(scaleToFit(target, 400, 200, planar));
  EXPECT_EQ(target.planeData(0), before) << "a refused call leaves the target alone";
  EXPECT_EQ(target.getInfo().width, 8);
}

}  // namespace
