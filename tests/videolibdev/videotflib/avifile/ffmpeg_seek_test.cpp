// Random frame numbers, each read by number and checked by the number the picture shows.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "avifile/avi_system.h"
#include "avifile/ffmpeg.h"
#include "ffmpeg_test_util.h"
#include "support/test_video.h"

namespace {

using vixo_test::readShown;
using vixo_test::shownNumber;
using vixo_test::TestVideos;

TEST(FFmpegRandomSeek, EveryTargetLandsOnItsFrame) {
  TestVideos videos;
  std::mt19937 random(20240611);
  int seeks = 0;
  for (const char* name :
       {"mpeg4.avi", "h264.mp4", "ffv1.mkv", "bgr24.mkv", "yuv422p10.mkv", "mjpeg.avi"}) {
    SCOPED_TRACE(name);
    const int frames = TestVideos::spec(name).frames;
    int32_t rc = -1;
    auto source = vixo_test::openSource(videos.path(name), rc);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(source->getFrameCount(), frames);
    RawImage image = source->newFrame();
    std::uniform_int_distribution<int> target(0, frames - 1), run(0, 3);
    for (int i = 0; i < 60; ++i, ++seeks) {
      const int n = target(random);
      ASSERT_EQ(readShown(*source, image, n), n) << "seek " << i;
      // A few frames in sequence after the seek.
      for (int k = 1, more = run(random); k <= more && n + k < frames; ++k) {
        ASSERT_EQ(source->readNextFrame(image), 0);
        ASSERT_EQ(shownNumber(image), n + k);
      }
    }
  }
  EXPECT_GE(seeks, 300);
}

// Decoding on several threads delays frames further; they still land on their numbers.
TEST(FFmpegRandomSeek, FrameThreadsKeepFramesOnTheirNumbers) {
  TestVideos videos;
  std::mt19937 random(77);
  for (const char* name : {"mpeg4.avi", "h264.mp4"}) {
    SCOPED_TRACE(name);
    const int frames = TestVideos::spec(name).frames;
    auto source = std::make_unique<tfFFmpegSource>();
    source->requestedHint = 1;
    FFmpegSourceParams params;
    params.fileName = fromUtf8(videos.path(name));
    params.decoderOptions["threads"] = Any::of(4);
    params.decoderOptions["thread_type"] = makeStringValue("frame");
    ASSERT_EQ(source->open(params), 0);
    EXPECT_EQ(source->getFrameCount(), frames);
    EXPECT_TRUE(source->isFrameCountExact());
    RawImage image = source->newFrame();
    for (int n = 0; n < frames; ++n) {
      ASSERT_EQ(source->readNextFrame(image), 0);
      ASSERT_EQ(shownNumber(image), n);
    }
    std::uniform_int_distribution<int> target(0, frames - 1);
    for (int i = 0; i < 40; ++i) {
      const int n = target(random);
      ASSERT_EQ(readShown(*source, image, n), n) << "seek " << i;
    }
  }
}

}  // namespace
