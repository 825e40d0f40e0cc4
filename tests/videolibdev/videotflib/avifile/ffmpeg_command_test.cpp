// Videos written by the ffmpeg command, read through the source and held against the command's
// own decoding: the colours of every frame in the layouts and sizes users have.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

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

// The numbers that reading in order shows, damaged packets passed over as the media files pass
// them over.
std::vector<int> readInOrder(tfFFmpegSource& source, RawImage& image) {
  std::vector<int> shown;
  for (int damaged = 0; damaged < 16 && shown.size() < 1000;) {
    try {
      if (source.readNextFrame(image) != 0) break;
      shown.push_back(vixo_test::shownNumber(image));
      damaged = 0;
    } catch (const tfFFmpegSource::Error& e) {
      EXPECT_EQ(e.code, 12);
      ++damaged;
    }
  }
  return shown;
}

// Every slot of an AVI file's index is a frame: a slot without a picture of its own (a frame the
// ffmpeg command dropped, or one lost to damage) shows the picture before it. So reading in order
// and seeking agree, and a count called exact is the number of frames read.
TEST(FFmpegCommandVideos, AviSlotsWithoutAPictureKeepTheFramesInStep) {
  vixo_test::TempFolder folder;
  const struct {
    const char* name;
    int frames;
    const char* args;
    bool damaged;  // 4000 bytes of garbage in the middle
  } rows[] = {
      {"dropped.avi", 40, "-vf select='not(between(n\\,10\\,11))' -fps_mode passthrough -c:v mpeg4",
       false},
      {"damaged.avi", 100, "-c:v mpeg4 -q:v 2", true},
      {"damaged_intra.avi", 100, "-c:v mpeg4 -q:v 2 -g 1", true},
      {"damaged_b_frames.avi", 100, "-c:v mpeg4 -bf 2", true},
  };
  std::mt19937 random(114);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder / row.name;
    ASSERT_EQ(vixo_test::writeVideoWithCommand(path, 640, 480, row.frames, "25", row.args), "");
    if (row.damaged) {
      std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
      f.seekp(static_cast<std::streamoff>(std::filesystem::file_size(path) / 2));
      for (int i = 0; i < 4000; ++i) f.put(static_cast<char>(i * 37 + 11));
    }
    int32_t rc = -1;
    auto source = openSource(path, rc);
    ASSERT_EQ(rc, 0);
    RawImage image = source->newFrame();
    const std::vector<int> shown = readInOrder(*source, image);
    if (source->isFrameCountExact()) {
      EXPECT_EQ(shown.size(), source->getFrameCount());
    }
    ASSERT_GE(shown.size(), 10u);
    // Up to the damage, or the frames the command dropped, every frame shows its number.
    for (int n = 0; n < 10; ++n) EXPECT_EQ(shown[n], n);
    if (!row.damaged) {
      EXPECT_EQ(shown.size(), 40u);
      EXPECT_EQ(source->getFrameCount(), 40);
      for (int n = 0; n < 40; ++n) EXPECT_EQ(shown[n], n == 10 || n == 11 ? 9 : n) << n;
    }
    std::uniform_int_distribution<int> target(0, static_cast<int>(shown.size()) - 1);
    int disagreeing = 0;
    for (int i = 0; i < 114; ++i) {
      const int n = target(random);
      if (vixo_test::readShown(*source, image, n) != shown[n]) ++disagreeing;
    }
    EXPECT_EQ(disagreeing, 0) << "seeks of 114";
  }
}

}  // namespace
