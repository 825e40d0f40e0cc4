// The library's decode and encode against libswscale, for the conversions whose bytes are fixed
// (SWS_POINT | SWS_BITEXACT | SWS_ACCURATE_RND): rearrangements of RGB, BGR and planar RGB,
// alpha dropped, 16-bit byte-order swaps, packed 4:2:2 and semi-planar chroma to and from planar
// at even widths, point-sampled chroma upsampling and gray to YUV with neutral chroma.
//
// The library goes raw -> working image (decode) -> raw (encode); swscale converts the same
// pixels in one call. Both write frames of the same layout, compared byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "videoimage/rawimage/raw_image.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace {

using namespace rawimage_test;
using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;

constexpr int kFlags = SWS_POINT | SWS_BITEXACT | SWS_ACCURATE_RND;

RawFormatSpec spec(L layout, O order, S type, B byteOrder, int bitDepth) {
  return RawFormatSpec(RawFormat(layout, order, type, false, byteOrder), bitDepth, false);
}

RawFormatSpec spec8(L layout, O order) { return spec(layout, order, S::Int8, B::Default, 8); }

// A format of the library and the swscale format with the same planes in the same order.
struct Side {
  RawFormatSpec spec;
  AVPixelFormat av;
};

struct Pair {
  Side from;
  Side to;
};

std::string nameOf(const Pair& pair) {
  return std::string(av_get_pix_fmt_name(pair.from.av)) + " -> " + av_get_pix_fmt_name(pair.to.av);
}

// Random samples within the bit depth, in the stored byte order.
RawImage randomSource(const RawImageInfo& info, std::mt19937& random) {
  RawImage image = allocated(info);
  std::uniform_int_distribution<int> sample(0, (1 << info.bitDepth) - 1);
  for (int p = 0; p < image.planeCount(); ++p) {
    for (int y = 0; y < info.planeHeight(p); ++y) {
      uint8_t* row = image.row(p, y);
      for (int i = 0; i < info.reader->planeWidth(p); ++i) {
        const int v = sample(random);
        if (info.sampleType == S::Int8) {
          row[i] = static_cast<uint8_t>(v);
        } else if (info.byteOrder == B::BE) {
          row[2 * i] = static_cast<uint8_t>(v >> 8);
          row[2 * i + 1] = static_cast<uint8_t>(v);
        } else {
          row[2 * i] = static_cast<uint8_t>(v);
          row[2 * i + 1] = static_cast<uint8_t>(v >> 8);
        }
      }
    }
  }
  return image;
}

void expectSameAsSwscale(const Pair& pair, int width, int height) {
  SCOPED_TRACE(nameOf(pair) + " " + std::to_string(width) + "x" + std::to_string(height));
  std::mt19937 random(width * 131 + height);
  const RawImage src = randomSource(bound(pair.from.spec, width, height), random);
  ASSERT_EQ(src.planeCount(), av_pix_fmt_count_planes(pair.from.av));

  RawImage working = workingFor(src.header);
  ASSERT_TRUE(src.decode(working));
  RawImage ours = allocated(bound(pair.to.spec, width, height));
  ASSERT_EQ(ours.planeCount(), av_pix_fmt_count_planes(pair.to.av));
  ASSERT_TRUE(working.encodeTo(ours));

  RawImage theirs = allocated(ours.header);
  SwsContext* sws = sws_getContext(width, height, pair.from.av, width, height, pair.to.av, kFlags,
                                   nullptr, nullptr, nullptr);
  ASSERT_NE(sws, nullptr);
  // Gray counts as full range to swscale and YUV as limited: ask for one range on both sides, so
  // that samples are carried over, not rescaled.
  int* inverse = nullptr;
  int* table = nullptr;
  int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
  ASSERT_GE(sws_getColorspaceDetails(sws, &inverse, &srcRange, &table, &dstRange, &brightness,
                                     &contrast, &saturation),
            0);
  sws_setColorspaceDetails(sws, inverse, srcRange, table, srcRange, brightness, contrast,
                           saturation);
  const uint8_t* in[4] = {};
  int inStrides[4] = {};
  for (int p = 0; p < src.planeCount(); ++p) {
    in[p] = src.planeData(p);
    inStrides[p] = src.planeStride(p);
  }
  uint8_t* out[4] = {};
  int outStrides[4] = {};
  for (int p = 0; p < theirs.planeCount(); ++p) {
    out[p] = theirs.planeData(p);
    outStrides[p] = theirs.planeStride(p);
  }
  EXPECT_EQ(sws_scale(sws, in, inStrides, 0, height, out, outStrides), height);
  sws_freeContext(sws);

  for (int p = 0; p < ours.planeCount(); ++p) {
    for (int y = 0; y < ours.header.planeHeight(p); ++y) {
      ASSERT_EQ(rowBytes(ours, p, y), rowBytes(theirs, p, y)) << "plane " << p << " row " << y;
    }
  }
}

// Even widths and heights by default; swscale's point sampling repeats chroma exactly only where
// the picture is a whole number of chroma blocks.
void expectSameAsSwscale(const std::vector<Pair>& pairs,
                         std::vector<std::pair<int, int>> sizes = {{16, 8}, {34, 6}, {2, 2}}) {
  for (const Pair& pair : pairs) {
    for (const auto& [width, height] : sizes) expectSameAsSwscale(pair, width, height);
  }
}

const Side kRgb24{spec8(L::Packed_444, O::RGB), AV_PIX_FMT_RGB24};
const Side kBgr24{spec8(L::Packed_444, O::BGR), AV_PIX_FMT_BGR24};
const Side kGbrp{spec8(L::Planar_444, O::GBR), AV_PIX_FMT_GBRP};
const Side kYuv444p{spec8(L::Planar_444, O::YUV), AV_PIX_FMT_YUV444P};
const Side kYuv422p{spec8(L::Planar_422, O::YUV), AV_PIX_FMT_YUV422P};
const Side kYuv420p{spec8(L::Planar_420, O::YUV), AV_PIX_FMT_YUV420P};

TEST(SwscaleConformance, RgbRearrangementsAndDroppedAlpha) {
  expectSameAsSwscale({
      {kRgb24, kGbrp},
      {kBgr24, kGbrp},
      {kGbrp, kRgb24},
      {kGbrp, kBgr24},
      {kRgb24, kBgr24},
      {kBgr24, kRgb24},
      {{spec8(L::Packed_444, O::RGBA), AV_PIX_FMT_RGBA}, kGbrp},
      {{spec8(L::Packed_444, O::BGRA), AV_PIX_FMT_BGRA}, kGbrp},
      {{spec8(L::Packed_444, O::ARGB), AV_PIX_FMT_ARGB}, kGbrp},
      {{spec8(L::Packed_444, O::ABGR), AV_PIX_FMT_ABGR}, kGbrp},
      {{spec8(L::Packed_444, O::RGBA), AV_PIX_FMT_RGBA}, kRgb24},
      {{spec8(L::Packed_444, O::BGRA), AV_PIX_FMT_BGRA}, kBgr24},
  });
}

TEST(SwscaleConformance, SixteenBitByteOrderSwaps) {
  const auto rgb48 = [](B order) {
    return Side{spec(L::Packed_444, O::RGB, S::Int16, order, 16),
                order == B::BE ? AV_PIX_FMT_RGB48BE : AV_PIX_FMT_RGB48LE};
  };
  const auto gbrp16 = [](B order) {
    return Side{spec(L::Planar_444, O::GBR, S::Int16, order, 16),
                order == B::BE ? AV_PIX_FMT_GBRP16BE : AV_PIX_FMT_GBRP16LE};
  };
  const auto yuv = [](L layout, B order, int depth, AVPixelFormat av) {
    return Side{spec(layout, O::YUV, S::Int16, order, depth), av};
  };
  expectSameAsSwscale({
      {rgb48(B::BE), rgb48(B::LE)},
      {rgb48(B::LE), rgb48(B::BE)},
      {gbrp16(B::BE), gbrp16(B::LE)},
      {gbrp16(B::LE), gbrp16(B::BE)},
      {yuv(L::Planar_444, B::BE, 16, AV_PIX_FMT_YUV444P16BE),
       yuv(L::Planar_444, B::LE, 16, AV_PIX_FMT_YUV444P16LE)},
      {yuv(L::Planar_420, B::BE, 16, AV_PIX_FMT_YUV420P16BE),
       yuv(L::Planar_420, B::LE, 16, AV_PIX_FMT_YUV420P16LE)},
      {yuv(L::Planar_420, B::LE, 10, AV_PIX_FMT_YUV420P10LE),
       yuv(L::Planar_420, B::BE, 10, AV_PIX_FMT_YUV420P10BE)},
      {yuv(L::Planar_422, B::BE, 10, AV_PIX_FMT_YUV422P10BE),
       yuv(L::Planar_422, B::LE, 10, AV_PIX_FMT_YUV422P10LE)},
      {{spec(L::Y, O::Y, S::Int16, B::BE, 16), AV_PIX_FMT_GRAY16BE},
       {spec(L::Y, O::Y, S::Int16, B::LE, 16), AV_PIX_FMT_GRAY16LE}},
  });
}

TEST(SwscaleConformance, PackedAndSemiPlanarChromaToAndFromPlanar) {
  const Side yuyv{spec8(L::Packed_422, O::YUYV), AV_PIX_FMT_YUYV422};
  const Side uyvy{spec8(L::Packed_422, O::UYVY), AV_PIX_FMT_UYVY422};
  const Side yvyu{spec8(L::Packed_422, O::YVYU), AV_PIX_FMT_YVYU422};
  const Side nv12{spec8(L::NV_420, O::YUV), AV_PIX_FMT_NV12};
  const Side nv21{spec8(L::NV_420, O::YVU), AV_PIX_FMT_NV21};
  expectSameAsSwscale({
      {yuyv, kYuv422p},
      {uyvy, kYuv422p},
      {yvyu, kYuv422p},
      {kYuv422p, yuyv},
      {kYuv422p, uyvy},
      {nv12, kYuv420p},
      {nv21, kYuv420p},
      {kYuv420p, nv12},
      {kYuv420p, nv21},
  });
}

TEST(SwscaleConformance, PointSampledChromaUpsampling) {
  expectSameAsSwscale(
      {
          {kYuv420p, kYuv444p},
          {kYuv422p, kYuv444p},
          {{spec8(L::Planar_411, O::YUV), AV_PIX_FMT_YUV411P}, kYuv444p},
          {{spec8(L::Planar_410, O::YUV), AV_PIX_FMT_YUV410P}, kYuv444p},
          {{spec8(L::NV_420, O::YUV), AV_PIX_FMT_NV12}, kYuv444p},
          {{spec8(L::Packed_422, O::YUYV), AV_PIX_FMT_YUYV422}, kYuv444p},
      },
      {{16, 8}, {36, 12}, {4, 4}});
}

TEST(SwscaleConformance, GrayBecomesYuvWithNeutralChroma) {
  expectSameAsSwscale({
      {{spec8(L::Y, O::Y), AV_PIX_FMT_GRAY8}, kYuv444p},
      {{spec(L::Y, O::Y, S::Int16, B::LE, 16), AV_PIX_FMT_GRAY16LE},
       {spec(L::Planar_444, O::YUV, S::Int16, B::LE, 16), AV_PIX_FMT_YUV444P16LE}},
  });
}

}  // namespace
