// Videos written by the ffmpeg command, read through the source and held against the command's
// own decoding: the colours of every frame in the layouts and sizes users have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>

#include "avifile/ffmpeg.h"
#include "ffmpeg_test_util.h"
#include "support/temp_folder.h"
#include "support/test_video.h"

namespace {

using vixo_test::openSource;

// Every frame as packed B, G, R bytes equals the ffmpeg command's default conversion of the same
// frame within 2 codes a sample: chroma of 4:4:4 and 4:2:2 sources is not halved, odd sizes
// keep their last column and row, 10-bit samples and the stream's colour matrix and range are
// taken as the command takes them.
TEST(FFmpegCommandVideos, FramesEqualTheCommandsOwnConversion) {
  vixo_test::TempFolder folder;
  const struct {
    const char* name;
    int width, height;
    const char* args;
  } rows[] = {
      {"h264_444.mp4", 320, 240, "-c:v libx264 -preset ultrafast -pix_fmt yuv444p"},
      {"ffv1_422.mkv", 317, 239, "-c:v ffv1 -pix_fmt yuv422p"},
      {"mpeg4_420.avi", 317, 239, "-c:v mpeg4 -q:v 2 -pix_fmt yuv420p"},
      {"mpeg4_420.mp4", 320, 240, "-c:v mpeg4 -q:v 2 -pix_fmt yuv420p"},
      {"ffv1_420p10.mkv", 317, 239, "-c:v ffv1 -pix_fmt yuv420p10le"},
      {"h264_422p10.mkv", 320, 240, "-c:v libx264 -preset ultrafast -pix_fmt yuv422p10le"},
      {"h264_bt709.mp4", 320, 240,
       "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -colorspace bt709 -color_primaries bt709 "
       "-color_trc bt709"},
      {"ffv1_full_range.mkv", 318, 240, "-c:v ffv1 -pix_fmt yuv420p -color_range pc"},
  };
  constexpr int kFrames = 3;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder / row.name;
    ASSERT_EQ(vixo_test::writeStripesWithCommand(path, row.width, row.height, kFrames, row.args),
              "");
    const std::string expected = vixo_test::bgr24ByCommand(path);
    const size_t frameBytes = static_cast<size_t>(row.width) * row.height * 3;
    ASSERT_EQ(expected.size(), frameBytes * kFrames);
    // As the media files open it.
    int32_t rc = -1;
    auto source = openSource(path, rc, {.frameAccurate = false});
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(source->getWidth(), row.width);
    ASSERT_EQ(source->getHeight(), row.height);
    RawImage image = source->newFrame();
    for (int n = 0; n < kFrames; ++n) {
      ASSERT_EQ(source->readNextFrame(image), 0) << n;
      int worst = 0;
      double sum = 0;
      for (int y = 0; y < row.height; ++y) {
        const uint8_t* got = image.planeData(0) + static_cast<ptrdiff_t>(y) * image.planeStride(0);
        const auto* want = reinterpret_cast<const uint8_t*>(expected.data()) + n * frameBytes +
                           static_cast<size_t>(y) * row.width * 3;
        for (int i = 0; i < row.width * 3; ++i) {
          const int d = std::abs(got[i] - want[i]);
          worst = std::max(worst, d);
          sum += d;
        }
      }
      EXPECT_LE(worst, 2) << "frame " << n << ", mean difference " << sum / frameBytes;
    }
    EXPECT_EQ(source->readNextFrame(image), 16);
  }
}

// Matroska and WebM keep times in milliseconds, so at film and television rates the frames lie
// 41 and 42 ms (or 16 and 17 ms) apart. The count is still exact, and reading in order, seeking
// and the count agree.
TEST(FFmpegCommandVideos, FilmAndTelevisionRatesInMatroskaAndWebMCountExactly) {
  vixo_test::TempFolder folder;
  constexpr int kFrames = 72;
  const struct {
    const char* extension;
    const char* args;
  } containers[] = {
      {"mkv", "-c:v ffv1 -pix_fmt yuv422p"},
      {"webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -g 12 -pix_fmt yuv420p"},
  };
  std::mt19937 random(24);
  std::uniform_int_distribution<int> target(0, kFrames - 1);
  for (const char* rate : {"24000/1001", "24", "30000/1001", "30", "60000/1001", "60"}) {
    for (const auto& container : containers) {
      SCOPED_TRACE(std::string(rate) + " " + container.extension);
      const std::string path = folder / ("numbers." + std::string(container.extension));
      ASSERT_EQ(vixo_test::writeVideoWithCommand(path, 64, 48, kFrames, rate, container.args), "");
      int32_t rc = -1;
      auto plain = openSource(path, rc, {.frameAccurate = false});
      ASSERT_EQ(rc, 0);
      EXPECT_EQ(plain->getFrameCount(), kFrames) << "estimated";
      auto source = openSource(path, rc);
      ASSERT_EQ(rc, 0);
      EXPECT_EQ(source->getFrameCount(), kFrames);
      EXPECT_TRUE(source->isFrameCountExact());
      RawImage image = source->newFrame();
      for (int n = 0; n < kFrames; ++n) {
        ASSERT_EQ(source->readNextFrame(image), 0) << n;
        ASSERT_EQ(vixo_test::shownNumber(image), n);
      }
      EXPECT_EQ(source->readNextFrame(image), 16);
      for (int i = 0; i < 12; ++i) {
        const int n = target(random);
        EXPECT_EQ(vixo_test::readShown(*source, image, n), n);
      }
    }
  }
}

}  // namespace
