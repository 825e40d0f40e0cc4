// The plane readers on small pictures given byte for byte: what each layout decodes to and
// encodes as, chroma replication and means, odd sizes, gray's neutral chroma, component reads,
// and the row kernels' plane masks down to where they leave the row.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/assert_guard.h"
#include "videoimage/rawimage/converter_impl.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

namespace {

using namespace rawimage_test;
using namespace rawDecoderTmp;
using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;
using vixo_test::assertionText;

RawFormatSpec spec(L layout, O order, S type = S::Int8, int bitDepth = 8, bool packed = false,
                   B byteOrder = B::LE) {
  return RawFormatSpec(RawFormat(layout, order, type, packed, byteOrder), bitDepth, false);
}

template <class T>
using Planes = std::array<std::vector<T>, 3>;

int storedBytes(const RawImageInfo& info) {
  int total = 0;
  for (int p = 0; p < info.planeCount(); ++p) {
    total += info.reader->rowBytes(p) * info.planeHeight(p);
  }
  return total;
}

// Decodes a picture given as its stored bytes (planes and rows back to back) and returns the
// working planes row after row; planes the mask leaves out hold `untouched`.
template <class T>
Planes<T> decodeBytes(const RawFormatSpec& s, int w, int h, std::vector<uint8_t> bytes,
                      int mask = 7, T untouched = T{}) {
  const RawImageInfo info = bound(s, w, h);
  EXPECT_EQ(static_cast<int>(bytes.size()), storedBytes(info)) << info.name();
  bytes.resize(static_cast<size_t>(storedBytes(info)));
  const ConstRawFrame frame(info, bytes.data());
  RawImage working = workingFor(info);
  for (int k = 0; k < 3; ++k) {
    for (int y = 0; y < h; ++y) std::fill_n(reinterpret_cast<T*>(working.row(k, y)), w, untouched);
  }
  EXPECT_TRUE(frame.decode(working, mask));
  Planes<T> planes;
  for (int k = 0; k < 3; ++k) {
    for (int y = 0; y < h; ++y) {
      const T* row = reinterpret_cast<const T*>(working.row(k, y));
      planes[k].insert(planes[k].end(), row, row + w);
    }
  }
  return planes;
}

// Encodes working planes (row after row) and returns the stored bytes; the buffer starts as
// `fill`.
template <class T>
std::vector<uint8_t> encodeBytes(const RawFormatSpec& s, int w, int h, const Planes<T>& planes,
                                 uint8_t fill = 0) {
  const RawImageInfo info = bound(s, w, h);
  RawImage working = workingFor(info);
  for (int k = 0; k < 3; ++k) {
    for (int y = 0; y < h; ++y) {
      std::memcpy(working.row(k, y), planes[k].data() + y * w, sizeof(T) * w);
    }
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(storedBytes(info)), fill);
  RawFrame frame(info, bytes.data());
  EXPECT_TRUE(working.encodeTo(frame));
  return bytes;
}

using Bytes = std::vector<uint8_t>;
using P8 = Planes<uint8_t>;

// ---------------------------------------------------------------- packed 4:4:4

TEST(Packed444Readers, StoredSamplesGoToThePlanesOfTheirComponents) {
  const Bytes row = {10, 20, 30, 40, 50, 60};
  const struct {
    O order;
    P8 planes;
  } cases[] = {
      {O::RGB, {{{10, 40}, {20, 50}, {30, 60}}}}, {O::YUV, {{{10, 40}, {20, 50}, {30, 60}}}},
      {O::GBR, {{{30, 60}, {10, 40}, {20, 50}}}}, {O::BRG, {{{20, 50}, {30, 60}, {10, 40}}}},
      {O::RBG, {{{10, 40}, {30, 60}, {20, 50}}}}, {O::BGR, {{{30, 60}, {20, 50}, {10, 40}}}},
      {O::GRB, {{{20, 50}, {10, 40}, {30, 60}}}}, {O::UYV, {{{20, 50}, {10, 40}, {30, 60}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(componentOrderInfo(c.order).name);
    const auto s = spec(L::Packed_444, c.order);
    EXPECT_EQ(decodeBytes<uint8_t>(s, 2, 1, row), c.planes);
    EXPECT_EQ(encodeBytes(s, 2, 1, c.planes), row);
  }
}

TEST(Packed444Readers, TheSkippedSampleIsDroppedAndWrittenAsZero) {
  const struct {
    O order;
    Bytes stored;
    Bytes written;
  } cases[] = {
      {O::BGRA, {1, 2, 3, 4}, {1, 2, 3, 0}},
      {O::ABGR, {99, 1, 2, 3}, {0, 1, 2, 3}},
      {O::ARGB, {99, 3, 2, 1}, {0, 3, 2, 1}},
      {O::RGBA, {3, 2, 1, 99}, {3, 2, 1, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(componentOrderInfo(c.order).name);
    const auto s = spec(L::Packed_444, c.order);
    const P8 rgb = {{{3}, {2}, {1}}};
    EXPECT_EQ(decodeBytes<uint8_t>(s, 1, 1, c.stored), rgb);
    EXPECT_EQ(encodeBytes(s, 1, 1, rgb, 0xEE), c.written);
  }
}

TEST(Packed444Readers, SixteenBitAndBitPackedPixels) {
  const Planes<uint16_t> rgb = {{{0x0102}, {0x0304}, {0x0506}}};
  EXPECT_EQ(encodeBytes(spec(L::Packed_444, O::RGB, S::Int16, 16, false, B::BE), 1, 1, rgb),
            (Bytes{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(encodeBytes(spec(L::Packed_444, O::RGB, S::Int16, 16, false, B::LE), 1, 1, rgb),
            (Bytes{2, 1, 4, 3, 6, 5}));

  // 5-bit RGB: 45 bits in six bytes; the second pixel starts at bit 15.
  const P8 px = {{{31, 1, 0}, {0, 2, 0}, {31, 3, 0}}};
  const Bytes rgb5 = encodeBytes(spec(L::Packed_444, O::RGB, S::Int8, 5, true), 3, 1, px);
  // 11111 00000 11111 | 00001 00010 00011 | 00000 00000 00000 and three padding bits.
  EXPECT_EQ(rgb5, (Bytes{0xF8, 0x3E, 0x11, 0x0C, 0x00, 0x00}));
  EXPECT_EQ(decodeBytes<uint8_t>(spec(L::Packed_444, O::RGB, S::Int8, 5, true), 3, 1, rgb5), px);
  EXPECT_EQ(encodeBytes(spec(L::Packed_444, O::RGBA, S::Int8, 5, true), 3, 1, px).size(), 8u);
}

// ---------------------------------------------------------------- packed 4:2:2

TEST(Packed422Readers, PairsShareTheirChroma) {
  const Bytes row = {10, 20, 30, 40, 50, 60, 70, 80};
  const struct {
    O order;
    P8 planes;
  } cases[] = {
      {O::YUYV, {{{10, 30, 50, 70}, {20, 20, 60, 60}, {40, 40, 80, 80}}}},
      {O::UYVY, {{{20, 40, 60, 80}, {10, 10, 50, 50}, {30, 30, 70, 70}}}},
      {O::YVYU, {{{10, 30, 50, 70}, {40, 40, 80, 80}, {20, 20, 60, 60}}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(componentOrderInfo(c.order).name);
    const auto s = spec(L::Packed_422, c.order);
    EXPECT_EQ(decodeBytes<uint8_t>(s, 4, 1, row), c.planes);
    EXPECT_EQ(encodeBytes(s, 4, 1, c.planes), row);
  }
  // Chroma of a pair encodes as its rounded-down mean.
  EXPECT_EQ(encodeBytes(spec(L::Packed_422, O::YUYV), 4, 1,
                        P8{{{1, 2, 3, 4}, {10, 13, 20, 20}, {255, 254, 0, 1}}}),
            (Bytes{1, 11, 2, 254, 3, 20, 4, 0}));
  const Planes<float> f = {{{0, 0}, {0.25f, 0.5f}, {1, 1}}};
  const Bytes fb = encodeBytes(spec(L::Packed_422, O::YUYV, S::Float32, 32), 2, 1, f);
  float u = 0;
  std::memcpy(&u, fb.data() + 4, 4);
  EXPECT_EQ(u, 0.375f);
  // Sixteen-bit big-endian luma.
  const Bytes be = encodeBytes(spec(L::Packed_422, O::YUYV, S::Int16, 16, false, B::BE), 2, 1,
                               Planes<uint16_t>{{{0x0102, 0}, {0, 0}, {0, 0}}});
  EXPECT_EQ(be[0], 0x01);
  EXPECT_EQ(be[1], 0x02);
}

TEST(Packed422Readers, BitPackedGroups) {
  // 1-bit YUYV: two groups in one byte, (Y 1, U 0, Y 1, V 1) then (Y 0, U 1, Y 0, V 0).
  const auto s = spec(L::Packed_422, O::YUYV, S::Int8, 1, true);
  const P8 planes = {{{1, 1, 0, 0}, {0, 0, 1, 1}, {1, 1, 0, 0}}};
  EXPECT_EQ(encodeBytes(s, 4, 1, planes), (Bytes{0xB4}));
  EXPECT_EQ(decodeBytes<uint8_t>(s, 4, 1, {0xB4}), planes);
  // A 10-bit group is 40 bits: every group starts on a byte boundary.
  EXPECT_EQ(bound(spec(L::Packed_422, O::UYVY, S::Int16, 10, true), 6, 1).reader->rowBytes(0), 15);
}

TEST(Packed422Readers, AnOddWidthEndsWithAGroupForTheLastColumnAlone) {
  // Width 3: two groups; the second serves column 2 and its second luma is padding.
  const Bytes uyvy = {1, 2, 3, 4, 5, 6, 7, 8};  // U0 Y0 V0 Y1 U1 Y2 V1 Y3
  EXPECT_EQ(decodeBytes<uint8_t>(spec(L::Packed_422, O::UYVY), 3, 1, uyvy),
            (P8{{{2, 4, 6}, {1, 1, 5}, {3, 3, 7}}}));
  const Bytes yuyv = {1, 2, 3, 4, 5, 6, 7, 8};  // Y0 U0 Y1 V0 Y2 U1 Y3 V1
  EXPECT_EQ(decodeBytes<uint8_t>(spec(L::Packed_422, O::YUYV), 3, 1, yuyv),
            (P8{{{1, 3, 5}, {2, 2, 6}, {4, 4, 8}}}));
  // The encode writes the last group from column 2: its padding luma repeats it.
  EXPECT_EQ(
      encodeBytes(spec(L::Packed_422, O::YUYV), 3, 1, P8{{{1, 3, 5}, {2, 2, 6}, {4, 4, 8}}}, 0xEE),
      (Bytes{1, 2, 3, 4, 5, 6, 5, 8}));
  EXPECT_FALSE(bound(spec(L::Packed_422, O::YUYV), 3, 1).reader->acceptsWidth());
}

// ---------------------------------------------------------------- subsampled planar chroma

TEST(PlanarScaleReaders, ChromaIsRepeatedOverItsBlockClippedToThePicture) {
  // 4:1:0, 6 x 5: the chroma planes are 2 x 2; chroma row 1 covers working row 4 only.
  Bytes bytes(6 * 5, 0);
  const Bytes u = {1, 2, 3, 4};
  const Bytes v = {5, 6, 7, 8};
  bytes.insert(bytes.end(), u.begin(), u.end());
  bytes.insert(bytes.end(), v.begin(), v.end());
  const P8 planes = decodeBytes<uint8_t>(spec(L::Planar_410, O::YUV), 6, 5, bytes);
  const std::vector<uint8_t> expectedU = {1, 1, 1, 1, 2, 2,  // rows 0..3
                                          1, 1, 1, 1, 2, 2, 1, 1, 1, 1, 2, 2,
                                          1, 1, 1, 1, 2, 2, 3, 3, 3, 3, 4, 4};  // row 4
  EXPECT_EQ(planes[1], expectedU);
  EXPECT_EQ(planes[2][24], 7);
}

TEST(PlanarScaleReaders, EncodingTakesBlockMeansRowByRowAndTruncates) {
  const auto chromaOf = [](const Bytes& stored, int lumaBytes, int n) {
    return Bytes(stored.begin() + lumaBytes, stored.begin() + lumaBytes + n);
  };
  // 4:2:2 row 10 20 30: a pair and a lone column.
  EXPECT_EQ(chromaOf(encodeBytes(spec(L::Planar_422, O::YUV), 3, 1,
                                 P8{{{0, 0, 0}, {10, 20, 30}, {0, 0, 0}}}),
                     3, 2),
            (Bytes{15, 30}));
  // 4:1:1 row 1..6: (1+2+3+4) >> 2 and (5+6) / 2.
  EXPECT_EQ(chromaOf(encodeBytes(spec(L::Planar_411, O::YUV), 6, 1,
                                 P8{{{0, 0, 0, 0, 0, 0}, {1, 2, 3, 4, 5, 6}, {0, 0, 0, 0, 0, 0}}}),
                     6, 2),
            (Bytes{2, 5}));
  // 4:2:0 block 1 2 / 2 3: row means 1 and 2, block 1 (not (1+2+2+3) >> 2 = 2).
  EXPECT_EQ(chromaOf(encodeBytes(spec(L::Planar_420, O::YUV), 2, 2,
                                 P8{{{0, 0, 0, 0}, {1, 2, 2, 3}, {0, 0, 0, 0}}}),
                     4, 1),
            (Bytes{1}));
  // Height 3: chroma row 1 averages working row 2 with itself.
  EXPECT_EQ(chromaOf(encodeBytes(spec(L::Planar_420, O::YUV), 2, 3,
                                 P8{{{0, 0, 0, 0, 0, 0}, {1, 2, 2, 3, 9, 7}, {0, 0, 0, 0, 0, 0}}}),
                     6, 2),
            (Bytes{1, 8}));
  // Float: row means 0.375 and 0.875, block 0.625.
  const Bytes f =
      encodeBytes(spec(L::Planar_420, O::YUV, S::Float32, 32), 2, 2,
                  Planes<float>{{{0, 0, 0, 0}, {0.5f, 0.25f, 1.0f, 0.75f}, {0, 0, 0, 0}}});
  float block = 0;
  std::memcpy(&block, f.data() + 16, 4);
  EXPECT_EQ(block, 0.625f);
}

// ---------------------------------------------------------------- semi-planar chroma

TEST(SemiPlanarReaders, PairsAreRepeatedAndAveragedOverTheirBlock) {
  // NV_420 YVU: V first in each pair.
  Bytes bytes(4 * 2, 0);
  const Bytes chroma = {10, 20, 30, 40};
  bytes.insert(bytes.end(), chroma.begin(), chroma.end());
  const P8 planes = decodeBytes<uint8_t>(spec(L::NV_420, O::YVU), 4, 2, bytes);
  EXPECT_EQ(planes[2], (Bytes{10, 10, 30, 30, 10, 10, 30, 30}));
  EXPECT_EQ(planes[1], (Bytes{20, 20, 40, 40, 20, 20, 40, 40}));

  const auto chromaOf = [](const Bytes& stored, int lumaBytes) {
    return Bytes(stored.begin() + lumaBytes, stored.end());
  };
  EXPECT_EQ(chromaOf(encodeBytes(spec(L::NV_420, O::YUV), 2, 2,
                                 P8{{{0, 0, 0, 0}, {255, 255, 255, 254}, {1, 2, 2, 2}}}),
                     4),
            (Bytes{254, 1}));
  EXPECT_EQ(chromaOf(encodeBytes(spec(L::NV_422, O::YUV), 2, 1, P8{{{0, 0}, {3, 4}, {7, 9}}}), 2),
            (Bytes{3, 8}));
  const Bytes sixteen =
      encodeBytes(spec(L::NV_420, O::YUV, S::Int16, 16), 2, 2,
                  Planes<uint16_t>{{{0, 0, 0, 0}, {65535, 65535, 65535, 65535}, {0, 0, 0, 0}}});
  EXPECT_EQ(sixteen[8], 0xFF);
  EXPECT_EQ(sixteen[9], 0xFF);
  const Bytes f = encodeBytes(spec(L::NV_420, O::YUV, S::Float32, 32), 2, 2,
                              Planes<float>{{{0, 0, 0, 0}, {1, 2, 3, 4}, {1, 2, 1, 2}}});
  float mean[2] = {};
  std::memcpy(mean, f.data() + 16, 8);
  EXPECT_EQ(mean[0], 2.5f);
  EXPECT_EQ(mean[1], 1.5f);
}

TEST(SemiPlanarReaders, OddSizesKeepEveryRowAndColumnInsideThePicture) {
  // 4 x 5: three chroma rows; the last covers working row 4 alone.
  Bytes bytes(4 * 5, 0);
  const Bytes chroma = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  bytes.insert(bytes.end(), chroma.begin(), chroma.end());
  const P8 planes = decodeBytes<uint8_t>(spec(L::NV_420, O::YUV), 4, 5, bytes);
  EXPECT_EQ(Bytes(planes[1].begin() + 16, planes[1].end()), (Bytes{9, 9, 11, 11}));
  // Encoding chroma row 2 averages working row 4 with itself.
  P8 work = {{Bytes(20, 0), Bytes(20, 0), Bytes(20, 0)}};
  work[1][16] = 100;
  work[1][17] = 51;
  const Bytes encoded = encodeBytes(spec(L::NV_420, O::YUV), 4, 5, work);
  EXPECT_EQ(encoded[20 + 8], (100 + 51 + 100 + 51) >> 2);

  // Width 7: four pairs a row; the fourth serves column 6 alone, and is written from it.
  Bytes odd(7, 0);
  const Bytes pairs = {1, 2, 3, 4, 5, 6, 7, 8};
  odd.insert(odd.end(), pairs.begin(), pairs.end());
  const P8 seven = decodeBytes<uint8_t>(spec(L::NV_422, O::YUV), 7, 1, odd);
  EXPECT_EQ(seven[1], (Bytes{1, 1, 3, 3, 5, 5, 7}));
  EXPECT_EQ(seven[2], (Bytes{2, 2, 4, 4, 6, 6, 8}));
  EXPECT_EQ(encodeBytes(spec(L::NV_422, O::YUV), 7, 1, seven, 0xEE), odd);
  EXPECT_FALSE(bound(spec(L::NV_422, O::YUV), 7, 1).reader->acceptsWidth());
}

// ---------------------------------------------------------------- gray

TEST(GrayReader, ChromaIsNeutralAtHalfScale) {
  const struct {
    RawFormatSpec s;
    double neutral;
  } cases[] = {
      {spec(L::Y, O::Y), 128},
      {spec(L::Y, O::Y, S::Int8, 3, true), 4},
      {spec(L::Y, O::Y, S::Int8, 1, true), 0},
      {spec(L::Y, O::Y, S::Int16, 10), 512},
      {spec(L::Y, O::Y, S::Int16, 16, false, B::BE), 32768},
      {spec(L::Y, O::Y, S::Int16, 12, true), 2048},
      {spec(L::Y, O::Y, S::Float32, 32), 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.s.name() + " " + std::to_string(c.s.bitDepth));
    const RawImageInfo info = bound(c.s, 3, 2);
    RawImage raw = allocated(info);
    RawImage working = workingFor(info);
    ASSERT_TRUE(raw.decode(working));
    for (int k = 1; k < 3; ++k) {
      for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
          double v = 0;
          if (info.sampleType == S::Float32) {
            v = reinterpret_cast<const float*>(working.row(k, y))[x];
          } else if (info.sampleType == S::Int16) {
            v = reinterpret_cast<const uint16_t*>(working.row(k, y))[x];
          } else {
            v = working.row(k, y)[x];
          }
          ASSERT_EQ(v, c.neutral);
        }
      }
    }
  }
  // Luma alone leaves the chroma planes as they were; encoding keeps luma only.
  EXPECT_EQ(decodeBytes<uint8_t>(spec(L::Y, O::Y), 2, 1, {7, 9}, 1, 66),
            (P8{{{7, 9}, {66, 66}, {66, 66}}}));
  EXPECT_EQ(encodeBytes(spec(L::Y, O::Y), 2, 1, P8{{{7, 9}, {1, 2}, {3, 4}}}), (Bytes{7, 9}));
}

// ---------------------------------------------------------------- component reads

// readComponentAt through the format's reader, on a picture given by its stored bytes.
Bytes componentAt(const RawFormatSpec& s, int w, int h, Bytes bytes, int component, int start,
                  int count, int row, int* delivered = nullptr) {
  const RawImageInfo info = bound(s, w, h);
  bytes.resize(static_cast<size_t>(storedBytes(info)));
  const ConstRawFrame frame(info, bytes.data());
  std::vector<const void*> planes;
  std::vector<int> strides;
  for (const auto& p : frame.planes) {
    planes.push_back(p.data);
    strides.push_back(p.stride);
  }
  Bytes out(static_cast<size_t>(count), 0);
  const int n = info.reader->readComponentAt(out.data(), start, count, component, planes.data(),
                                             strides.data(), false, row);
  if (delivered) *delivered = n;
  return out;
}

TEST(ComponentReads, StartIsAWorkingColumnAndExactlyCountSamplesAreDelivered) {
  Bytes p411(12, 0);
  const Bytes u411 = {10, 20, 30};
  p411.insert(p411.end(), u411.begin(), u411.end());
  p411.insert(p411.end(), 3, 0);
  int n = 0;
  EXPECT_EQ(componentAt(spec(L::Planar_411, O::YUV), 12, 1, p411, 1, 5, 6, 0, &n),
            (Bytes{20, 20, 20, 30, 30, 30}));
  EXPECT_EQ(n, 6);

  const Bytes yuyv = {1, 10, 2, 11, 3, 20, 4, 21, 5, 30, 6, 31};
  EXPECT_EQ(componentAt(spec(L::Packed_422, O::YUYV), 6, 1, yuyv, 1, 2, 4, 0, &n),
            (Bytes{20, 20, 30, 30}));
  EXPECT_EQ(componentAt(spec(L::Packed_422, O::YUYV), 6, 1, yuyv, 0, 1, 4, 0, &n),
            (Bytes{2, 3, 4, 5}));
  EXPECT_EQ(n, 4);

  Bytes nv(8 * 6, 0);
  const Bytes pairs = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                       13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  nv.insert(nv.end(), pairs.begin(), pairs.end());
  const auto nv12 = spec(L::NV_420, O::YUV);
  EXPECT_EQ(componentAt(nv12, 8, 6, nv, 1, 1, 1, 0, &n), (Bytes{1}));
  EXPECT_EQ(n, 1);
  EXPECT_EQ(componentAt(nv12, 8, 6, nv, 2, 3, 3, 0, &n), (Bytes{4, 6, 6}));
  EXPECT_EQ(n, 3);
  EXPECT_EQ(componentAt(nv12, 8, 6, nv, 1, 1, 6, 0, &n), (Bytes{1, 3, 3, 5, 5, 7}));
  EXPECT_EQ(n, 6);
  EXPECT_EQ(componentAt(nv12, 8, 6, nv, 1, 0, 2, 5, &n), (Bytes{17, 17})) << "chroma row 2";

  // Four-sample pixels: start counts pixels.
  EXPECT_EQ(componentAt(spec(L::Packed_444, O::BGR), 2, 1, {1, 2, 3, 4, 5, 6}, 0, 1, 1, 0),
            (Bytes{6}));
  // Gray stores luma only.
  EXPECT_EQ(componentAt(spec(L::Y, O::Y), 2, 1, {1, 2}, 1, 0, 2, 0, &n), (Bytes{0, 0}));
  EXPECT_EQ(n, 0);
}

TEST(ComponentReads, BitPackedChromaSkipsWholeGroupsByBytes) {
  // NV_420 with 10-bit samples: working column 17 is in pair 8, which starts at sample 16, two
  // groups of eight (20 bytes) into the row.
  const auto s = spec(L::NV_420, O::YUV, S::Int16, 10, true);
  const RawImageInfo info = bound(s, 24, 2);
  RawImage raw = allocated(info);
  std::vector<uint16_t> chroma(24);
  for (int i = 0; i < 24; ++i) chroma[i] = static_cast<uint16_t>(100 + i);
  info.reader->writeSamples(raw.row(1, 0), 0, chroma.data(), 24);
  const void* planes[2] = {raw.planeData(0), raw.planeData(1)};
  const int strides[2] = {raw.planeStride(0), raw.planeStride(1)};
  uint16_t out[4] = {};
  EXPECT_EQ(info.reader->readComponentAt(out, 17, 4, 1, planes, strides, false, 0), 4);
  EXPECT_EQ(std::vector<uint16_t>(out, out + 4), (std::vector<uint16_t>{116, 118, 118, 120}));
}

// ---------------------------------------------------------------- row kernels

// Where a row object stands after a kernel.
template <class ConstRow>
std::vector<long> position(const ConstRow& row) {
  if constexpr (rows::kIsByteRow<ConstRow>) {
    return {reinterpret_cast<long>(row.data), row.size};
  } else {
    return {reinterpret_cast<long>(row.data), row.size, row.packIdx, row.packSize};
  }
}

// For every filed format of row type Row and each of its stored planes: each plane mask leaves
// the row object where the full decode leaves it, writes the planes it selects as the full
// decode does, and leaves the others alone.
template <class Row>
void checkKernelsOf(int bitDepth) {
  using ConstRow = typename RowTraits<Row>::ConstRow;
  using T = typename RowTraits<Row>::Sample;
  std::mt19937 random(21);
  for (const auto& [format, descriptor] : FormatRegistry::instance().formats()) {
    if (format.sampleType != RowTraits<Row>::sampleType ||
        format.packed != RowTraits<Row>::packed || format.byteOrder != RowTraits<Row>::byteOrder) {
      continue;
    }
    for (const int width : {5, 6, 1}) {
      const auto reader = descriptor->createReader(width, 3, bitDepth);
      const auto& impl = dynamic_cast<const ReaderInterfaceImpl<Row>&>(*reader);
      for (int p = 0; p < format.planeCount(); ++p) {
        SCOPED_TRACE(RawFormatSpec(format, bitDepth, false).name() + " plane " + std::to_string(p) +
                     " width " + std::to_string(width));
        const auto& planeReader = impl.imageReader().planeReader(p);
        std::vector<uint8_t> bytes(static_cast<size_t>(reader->rowBytes(p)));
        for (auto& b : bytes) b = static_cast<uint8_t>(random());
        const auto decodeRow = [&](int mask, std::vector<T>(&planes)[3]) {
          PlaneSet<T> set;
          set.width = width;
          set.height = 3;
          for (int k = 0; k < 3; ++k) {
            planes[k].assign(static_cast<size_t>(3 * width), T{7});
            set.planes[k] = planes[k].data();
            set.strides[k] = static_cast<int>(width * sizeof(T));
          }
          ConstRow row(bytes.data(), static_cast<int>(bytes.size()), bitDepth);
          planeReader.readRows(set, row, 0, width, mask);
          return position(row);
        };
        std::vector<T> full[3];
        const auto end = decodeRow(7, full);
        const int has = planeReader.componentMask();
        for (int mask = 0; mask < 7; ++mask) {
          std::vector<T> part[3];
          const auto got = decodeRow(mask, part);
          for (int k = 0; k < 3; ++k) {
            // Compared as bytes: float rows carry NaNs.
            const std::vector<T> expected =
                mask >> k & 1 & has >> k ? full[k] : std::vector<T>(part[k].size(), T{7});
            ASSERT_EQ(std::memcmp(part[k].data(), expected.data(), part[k].size() * sizeof(T)), 0)
                << "mask " << mask << " plane " << k;
          }
          // Planar, subsampled and gray planes hold luma alone and read their row only for
          // it; every other reader takes the whole row whatever the mask.
          const bool untouched = !planeReader.hasComponent(1) && !(mask & 1);
          const ConstRow fresh(bytes.data(), static_cast<int>(bytes.size()), bitDepth);
          ASSERT_EQ(got, untouched ? position(fresh) : end) << "mask " << mask;
        }
      }
    }
  }
}

TEST(RowKernels, EveryMaskLeavesTheRowWhereTheFullDecodeDoes) {
  checkKernelsOf<U8>(8);
  checkKernelsOf<PU8>(6);
  checkKernelsOf<U16LE>(10);
  checkKernelsOf<U16BE>(16);
  checkKernelsOf<PU16>(10);
  checkKernelsOf<F32>(32);
}

TEST(RowKernels, SixBitPixelsAreTakenThroughTwoRefills) {
  // Packed 4:4:4 with 6-bit samples, width 3: nine samples, two refills of six bytes each, seven
  // samples left unread.
  const auto reader = bound(spec(L::Packed_444, O::RGB, S::Int8, 6, true), 3, 1).reader;
  const auto& impl = dynamic_cast<const ReaderInterfaceImpl<PU8>&>(*reader);
  std::vector<uint8_t> bytes(12, 0x41);
  for (int mask : {0, 7}) {
    uint8_t planes[3][3] = {};
    PlaneSet<uint8_t> set;
    set.width = 3;
    set.height = 1;
    for (int k = 0; k < 3; ++k) set.planes[k] = planes[k];
    RowTraits<PU8>::ConstRow row(bytes.data(), 12, 6);
    impl.imageReader().planeReader(0).readRows(set, row, 0, 3, mask);
    EXPECT_EQ(row.data, bytes.data() + 12);
    EXPECT_EQ(row.packSize - row.packIdx, 7);
  }
}

TEST(RowKernels, AByteRowShortOfItsPixelsFailsItsAssertion) {
  const auto reader = bound(spec(L::Packed_444, O::GBR), 4, 1).reader;
  const auto& impl = dynamic_cast<const ReaderInterfaceImpl<U8>&>(*reader);
  uint8_t bytes[12] = {};
  uint8_t planes[3][4] = {};
  PlaneSet<uint8_t> set;
  set.width = 4;
  set.height = 1;
  for (int k = 0; k < 3; ++k) set.planes[k] = planes[k];
  const auto& plane = impl.imageReader().planeReader(0);
  for (int mask = 0; mask < 8; ++mask) {
    EXPECT_EQ(assertionText([&] {
                RowTraits<U8>::ConstRow row(bytes, 11, 8);
                plane.readRows(set, row, 0, 4, mask);
              }),
              "size >= len * (int)sizeof(T)");
  }
  EXPECT_EQ(assertionText([&] {
              U8 row(bytes, 11, 8);
              plane.writeRow(row, set, 0);
            }),
            "size >= len * (int)sizeof(T)");
}

// ---------------------------------------------------------------- image readers

TEST(ImageReaders, APackedReaderAssertsThatItIsGivenOnePlane) {
  const auto reader = bound(spec(L::Packed_444, O::RGB), 2, 1).reader;
  const auto& image = dynamic_cast<const ReaderInterfaceImpl<U8>&>(*reader).imageReader();
  uint8_t bytes[16] = {};
  using ConstRow = RowTraits<U8>::ConstRow;
  std::vector<EncodedImageMemory<ConstRow>::Plane> two(2);
  const EncodedImageMemory<ConstRow> source(two);
  const EncodedImageMemory<U8> sink(std::vector<EncodedImageMemory<U8>::Plane>(2));
  PlaneSet<uint8_t> set;
  for (auto& p : set.planes) p = bytes;
  EXPECT_EQ(assertionText([&] { image.read(set, source, 7); }), "source.getPlanes() == 1");
  EXPECT_EQ(assertionText([&] { image.readAll(set, source); }), "source.getPlanes() == 1");
  EXPECT_EQ(assertionText([&] { image.readPadded(set, source, 7); }), "source.getPlanes() == 1");
  EXPECT_EQ(assertionText([&] { image.write(sink, set); }), "sink.getPlanes() == 1");
}

TEST(ImageReaders, ZeroSizedPicturesDecodeAndEncodeNothing) {
  for (const FormatCase& c : everyFormat()) {
    for (const auto& [w, h] : {std::pair{0, 3}, {3, 0}, {0, 0}}) {
      SCOPED_TRACE(c.name() + " " + std::to_string(w) + "x" + std::to_string(h));
      const RawImageInfo info = bound(c.spec, w, h);
      ASSERT_TRUE(info.reader);
      RawImage raw = allocated(info);
      RawImage working = workingFor(info);
      EXPECT_TRUE(raw.decode(working));
      EXPECT_TRUE(working.encodeTo(raw));
    }
  }
}

}  // namespace
