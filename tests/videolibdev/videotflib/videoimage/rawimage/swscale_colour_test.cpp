// The universal converter's colours against libswscale's (BT.601, limited-range YUV, full-range
// gray; SWS_ACCURATE_RND | SWS_BITEXACT): every sample within one code value. Each case prints
// the largest difference it found per plane.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "videoimage/rawimage/raw_converter.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace {

using namespace rawimage_test;
using H = RawFormatHint;

constexpr int kFlags = SWS_POINT | SWS_ACCURATE_RND | SWS_BITEXACT;

struct Side {
  H hint;
  AVPixelFormat av;
};

// A picture that holds every value of every sample at least once, in varied neighbours: a ramp
// per plane with different strides, then random samples. YUV other than gray stays within the
// legal range (luma 16 .. 235, chroma 16 .. 240, times 2^(bits - 8)): swscale wraps some colours
// far outside it, where the library saturates (YuvOutsideTheLegalRangeSaturates).
RawImage testPicture(const RawImageInfo& info) {
  RawImage image = allocated(info);
  std::mt19937 random(7);
  const bool legal = componentOrderInfo(info.order).yuvFlag == 1 && info.order != ComponentOrder::Y;
  const int scale = 1 << (info.bitDepth - 8);
  const int size = info.sampleType == SampleType::Int8 ? 1 : 2;
  int planes[3];
  info.reader->componentOrder(planes);
  for (int p = 0; p < image.planeCount(); ++p) {
    const bool luma = p == planes[0];
    const int low = legal ? 16 * scale : 0;
    const int high = legal ? (luma ? 235 : 240) * scale : (1 << info.bitDepth) - 1;
    const int span = high - low + 1;
    const int samples = info.reader->planeWidth(p);
    for (int y = 0; y < info.planeHeight(p); ++y) {
      uint8_t* row = image.row(p, y);
      for (int i = 0; i < samples; ++i) {
        const int index = y * samples + i;
        const int v = low + (y < info.planeHeight(p) / 2 ? (index * (2 * p + 1)) % span
                                                         : static_cast<int>(random() % span));
        if (size == 1) {
          row[i] = static_cast<uint8_t>(v);
        } else {
          row[2 * i] = static_cast<uint8_t>(v);
          row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
      }
    }
  }
  return image;
}

RawImage swscaled(const RawImage& src, AVPixelFormat from, const RawImageInfo& outInfo,
                  AVPixelFormat to, int flags) {
  RawImage out = allocated(outInfo);
  SwsContext* sws = sws_getContext(src.header.width, src.header.height, from, outInfo.width,
                                   outInfo.height, to, flags, nullptr, nullptr, nullptr);
  EXPECT_NE(sws, nullptr);
  if (!sws) return out;
  const uint8_t* in[4] = {};
  int inStrides[4] = {};
  for (int p = 0; p < src.planeCount(); ++p) {
    in[p] = src.planeData(p);
    inStrides[p] = src.planeStride(p);
  }
  uint8_t* dst[4] = {};
  int dstStrides[4] = {};
  for (int p = 0; p < out.planeCount(); ++p) {
    dst[p] = out.planeData(p);
    dstStrides[p] = out.planeStride(p);
  }
  EXPECT_EQ(sws_scale(sws, in, inStrides, 0, src.header.height, dst, dstStrides),
            src.header.height);
  sws_freeContext(sws);
  return out;
}

// The largest difference of a sample, per stored plane.
std::vector<int> largestDifferences(const ConstRawFrame& a, const ConstRawFrame& b) {
  std::vector<int> largest;
  const int size = a.header.sampleType == SampleType::Int8 ? 1 : 2;
  for (int p = 0; p < a.planeCount(); ++p) {
    int most = 0;
    const int samples = a.header.reader->planeWidth(p);
    for (int y = 0; y < a.header.planeHeight(p); ++y) {
      const uint8_t* ra = a.row(p, y);
      const uint8_t* rb = b.row(p, y);
      for (int i = 0; i < samples; ++i) {
        const int va = size == 1 ? ra[i] : ra[2 * i] | ra[2 * i + 1] << 8;
        const int vb = size == 1 ? rb[i] : rb[2 * i] | rb[2 * i + 1] << 8;
        most = std::max(most, std::abs(va - vb));
      }
    }
    largest.push_back(most);
  }
  return largest;
}

void expectWithinOneCode(const Side& from, const Side& to, int width, int height,
                         int flags = kFlags) {
  const std::string name =
      std::string(av_get_pix_fmt_name(from.av)) + " -> " + av_get_pix_fmt_name(to.av);
  SCOPED_TRACE(name);
  const RawImage src = testPicture(bound(from.hint, width, height));
  const RawImage ours = convertRawFrame(src, rawFormatFromHint(to.hint));
  ASSERT_FALSE(ours.empty());
  const RawImage theirs = swscaled(src, from.av, ours.header, to.av, flags);
  const std::vector<int> largest = largestDifferences(ours, theirs);
  std::string report;
  for (int d : largest) report += " " + std::to_string(d);
  std::printf("%s: largest difference per plane:%s\n", name.c_str(), report.c_str());
  ::testing::Test::RecordProperty(name, report);
  for (int d : largest) EXPECT_LE(d, 1);
}

// 4:4:4 both ways; 256 x 256 samples hold every 8-bit value in every plane.
TEST(SwscaleColours, RgbToAndFromLimitedRangeYuv) {
  const Side rgb24{H::RGB24, AV_PIX_FMT_RGB24};
  const Side bgr24{H::BGR24, AV_PIX_FMT_BGR24};
  const Side gbrp{H::GBRp, AV_PIX_FMT_GBRP};
  const Side yuv444p{H::YUV444p, AV_PIX_FMT_YUV444P};
  expectWithinOneCode(rgb24, yuv444p, 256, 256);
  expectWithinOneCode(bgr24, yuv444p, 256, 256);
  expectWithinOneCode(gbrp, yuv444p, 256, 256);
  expectWithinOneCode(yuv444p, rgb24, 256, 256);
  expectWithinOneCode(yuv444p, bgr24, 256, 256);
  expectWithinOneCode(yuv444p, gbrp, 256, 256);
}

// The thumbnails' road: 4:2:0 and 4:2:2 video to packed RGB, and deeper YUV to 8-bit RGB.
// Chroma is point-sampled; swscale rounds as precisely as the library only in its output stage
// with full chroma (its table-driven stage for packed RGB is off by up to 3).
TEST(SwscaleColours, SubsampledAndDeeperYuvToRgb) {
  const int full = kFlags | SWS_FULL_CHR_H_INT;
  expectWithinOneCode({H::YUV420p, AV_PIX_FMT_YUV420P}, {H::RGB24, AV_PIX_FMT_RGB24}, 320, 96,
                      full);
  expectWithinOneCode({H::YUV422p, AV_PIX_FMT_YUV422P}, {H::BGR24, AV_PIX_FMT_BGR24}, 320, 96,
                      full);
  expectWithinOneCode({H::YUV444p10LE, AV_PIX_FMT_YUV444P10LE}, {H::RGB24, AV_PIX_FMT_RGB24}, 256,
                      128);
}

// Colours outside the legal range clamp to the nearest RGB value; none wraps round.
TEST(SwscaleColours, YuvOutsideTheLegalRangeSaturates) {
  const RawImageInfo info = bound(H::YUV444p, 4, 1);
  RawImage yuv = allocated(info);
  const uint8_t pixels[4][3] = {{255, 244, 0}, {255, 255, 255}, {0, 0, 0}, {0, 255, 255}};
  for (int x = 0; x < 4; ++x) {
    for (int p = 0; p < 3; ++p) yuv.row(p, 0)[x] = pixels[x][p];
  }
  const RawImage rgb = convertRawFrame(yuv, rawFormatFromHint(H::RGB24));
  ASSERT_FALSE(rgb.empty());
  // R = 1.164 (Y - 16) + 1.596 (V - 128), G = 1.164 (Y - 16) - 0.392 (U - 128) - 0.813 (V - 128),
  // B = 1.164 (Y - 16) + 2.017 (U - 128).
  const std::vector<uint8_t> expected = {74, 255, 255, 255, 125, 255, 0, 136, 0, 184, 0, 238};
  EXPECT_EQ(payload(rgb), expected);
}

// Gray is full-range luma to FFmpeg: R = G = B = Y one way, the luma sum the other.
TEST(SwscaleColours, GrayAndRgb) {
  expectWithinOneCode({H::gray, AV_PIX_FMT_GRAY8}, {H::RGB24, AV_PIX_FMT_RGB24}, 64, 16);
  expectWithinOneCode({H::RGB24, AV_PIX_FMT_RGB24}, {H::gray, AV_PIX_FMT_GRAY8}, 256, 256);
}

}  // namespace
