#include "videoimage/rawimage/raw_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "support/assert_guard.h"
#include "videoimage/rawimage/format_registry.h"

namespace {

using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;
using vixo_test::assertionText;

RawImageInfo boundHeader(const RawFormatSpec& spec, int width, int height) {
  RawImageInfo info(spec, width, height);
  info.bindReader();
  return info;
}

RawImageInfo boundHeader(RawFormatHint hint, int width, int height) {
  return boundHeader(rawFormatFromHint(hint), width, height);
}

RawImage allocated(const RawImageInfo& header) {
  RawImage image(header);
  EXPECT_TRUE(image.allocate());
  return image;
}

std::ptrdiff_t offsetOf(const RawFrame& frame, int p) {
  return frame.planeData(p) - frame.planeData(0);
}

// Fills every row of every plane (row bytes only) with a pattern that differs per plane, row
// and column.
void fillPattern(RawFrame& frame, int seed) {
  for (int p = 0; p < frame.planeCount(); ++p) {
    const int bytes = frame.header.reader->rowBytes(p);
    for (int y = 0; y < frame.header.planeHeight(p); ++y) {
      uint8_t* row = frame.row(p, y);
      for (int x = 0; x < bytes; ++x) row[x] = static_cast<uint8_t>(seed + 31 * p + 7 * y + x);
    }
  }
}

bool samePixels(const ConstRawFrame& a, const ConstRawFrame& b) {
  for (int p = 0; p < a.planeCount(); ++p) {
    const int bytes = a.header.reader->rowBytes(p);
    for (int y = 0; y < a.header.planeHeight(p); ++y) {
      if (std::memcmp(a.row(p, y), b.row(p, y), static_cast<size_t>(bytes)) != 0) return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------- allocation layout

TEST(RawImageAllocate, LaysOutPlanesWithStridesRoundedTo64Bytes) {
  struct PlaneLayout {
    int rowBytes, stride, rows, offset;
  };
  const RawFormatSpec bitPackedGray({L::Y, O::Y, S::Int8, true, B::Default}, 1, false);
  const RawFormatSpec bitPacked10({L::Packed_444, O::YUV, S::Int16, true, B::Default}, 10, false);
  const struct {
    const char* what;
    RawFormatSpec spec;
    int width, height;
    std::vector<PlaneLayout> planes;
    uint64_t size;
  } rows[] = {
      {"packed RGB 100x2",
       rawFormatFromHint(RawFormatHint::RGB24),
       100,
       2,
       {{300, 320, 2, 0}},
       640},
      {"planar 4:2:0 64x64",
       rawFormatFromHint(RawFormatHint::YUV420p),
       64,
       64,
       {{64, 64, 64, 0}, {32, 64, 32, 4096}, {32, 64, 32, 6144}},
       8192},
      {"planar 4:2:0 7x5, chroma rounded up",
       rawFormatFromHint(RawFormatHint::YUV420p),
       7,
       5,
       {{7, 64, 5, 0}, {4, 64, 3, 320}, {4, 64, 3, 512}},
       704},
      {"planar 4:1:0 9x7",
       rawFormatFromHint(RawFormatHint::YUV410p),
       9,
       7,
       {{9, 64, 7, 0}, {3, 64, 2, 448}, {3, 64, 2, 576}},
       704},
      {"planar RGBA has four planes",
       rawFormatFromHint(RawFormatHint::RGBAp),
       5,
       3,
       {{5, 64, 3, 0}, {5, 64, 3, 192}, {5, 64, 3, 384}, {5, 64, 3, 576}},
       768},
      {"semi-planar 4:2:0, odd width holds a whole last pair",
       rawFormatFromHint(RawFormatHint::YUVnv420),
       5,
       3,
       {{5, 64, 3, 0}, {6, 64, 2, 192}},
       320},
      {"packed 4:2:2, odd width holds a whole last pair",
       rawFormatFromHint(RawFormatHint::YUYV422),
       5,
       2,
       {{12, 64, 2, 0}},
       128},
      {"a multiple of 64 stays",
       rawFormatFromHint(RawFormatHint::gray),
       128,
       3,
       {{128, 128, 3, 0}},
       384},
      {"16-bit gray", rawFormatFromHint(RawFormatHint::gray16LE), 40, 1, {{80, 128, 1, 0}}, 128},
      {"float RGB", rawFormatFromHint(RawFormatHint::RGBf), 6, 1, {{72, 128, 1, 0}}, 128},
      {"bit-packed 1-bit gray", bitPackedGray, 10, 2, {{2, 64, 2, 0}}, 128},
      {"bit-packed 10-bit YUV", bitPacked10, 1, 1, {{4, 64, 1, 0}}, 64},
      {"empty picture",
       rawFormatFromHint(RawFormatHint::YUV420p),
       0,
       0,
       {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
       0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    RawImage image(boundHeader(row.spec, row.width, row.height));
    ASSERT_TRUE(image.allocate());
    EXPECT_EQ(image.alignment(), 64);
    EXPECT_EQ(image.size(), row.size);
    EXPECT_EQ(image.storageSize(), row.size + 63);
    ASSERT_EQ(image.planeCount(), static_cast<int>(row.planes.size()));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image.planeData(0)) % 64, 0u);
    for (int p = 0; p < image.planeCount(); ++p) {
      SCOPED_TRACE(p);
      const PlaneLayout& want = row.planes[static_cast<size_t>(p)];
      EXPECT_EQ(image.header.reader->rowBytes(p), want.rowBytes);
      EXPECT_EQ(image.planeStride(p), want.stride);
      EXPECT_EQ(image.header.planeHeight(p), want.rows);
      EXPECT_EQ(offsetOf(image, p), want.offset);
    }
  }
}

// Every plane of every predefined format lies inside the buffer, aligned and apart from the
// others, at odd and even sizes: under AddressSanitizer a write of every byte of every stored row,
// padding included, stays inside the allocation.
TEST(RawImageAllocate, EveryByteOfEveryPlaneOfEveryHintIsInsideTheBuffer) {
  const struct {
    int width, height;
  } sizes[] = {{1, 1}, {2, 2}, {3, 5}, {7, 3}, {33, 17}, {64, 64}, {100, 2}};
  for (int hint = 0; hint < kRawFormatHintCount; ++hint) {
    for (const auto& size : sizes) {
      SCOPED_TRACE(rawFormatFromHint(static_cast<RawFormatHint>(hint)).name() + " " +
                   std::to_string(size.width) + "x" + std::to_string(size.height));
      RawImage image(boundHeader(static_cast<RawFormatHint>(hint), size.width, size.height));
      ASSERT_TRUE(image.allocate());
      const uint8_t* end = image.planeData(0) + image.size();
      const uint8_t* next = image.planeData(0);
      for (int p = 0; p < image.planeCount(); ++p) {
        const int stride = image.planeStride(p);
        const int rows = image.header.planeHeight(p);
        EXPECT_EQ(image.planeData(p), next) << "planes lie back to back";
        EXPECT_EQ(reinterpret_cast<uintptr_t>(image.planeData(p)) % 64, 0u);
        EXPECT_EQ(stride % 64, 0);
        EXPECT_GE(stride, image.header.reader->rowBytes(p));
        EXPECT_GT(rows, 0);
        for (int y = 0; y < rows; ++y) std::memset(image.row(p, y), 0xA5, stride);
        next = image.planeData(p) + static_cast<std::ptrdiff_t>(stride) * rows;
      }
      EXPECT_EQ(next, end);
    }
  }
}

TEST(RawImageAllocate, AllocatingAgainWithTheSameHeaderKeepsThePixels) {
  RawImage image(boundHeader(RawFormatHint::YUV420p, 33, 17));
  ASSERT_TRUE(image.allocate());
  fillPattern(image, 5);
  const std::vector<RawFrame::Plane> before = image.planes;
  const size_t storage = image.storageSize();

  ASSERT_TRUE(image.allocate());
  EXPECT_EQ(image.storageSize(), storage);
  for (int p = 0; p < image.planeCount(); ++p) {
    EXPECT_EQ(image.planeData(p), before[static_cast<size_t>(p)].data);
  }
  RawImage expected(image.header);
  ASSERT_TRUE(expected.allocate());
  fillPattern(expected, 5);
  EXPECT_TRUE(samePixels(image, expected));
}

// ---------------------------------------------------------------- headers without a reader

TEST(RawImageWithoutReader, HeadersWithoutAReaderMakeEmptyImagesAndFrames) {
  RawImageInfo unbound(rawFormatFromHint(RawFormatHint::RGB24), 4, 4);  // never bound
  const struct {
    const char* what;
    RawImageInfo header;
  } rows[] = {
      {"default header", RawImageInfo()},
      {"never bound", unbound},
      {"unknown hint", boundHeader(static_cast<RawFormatHint>(58), 4, 4)},
      {"no reader for the layout and order",
       boundHeader(RawFormatSpec({L::Planar_422, O::RGB, S::Int8, false, B::Default}, 8, false), 4,
                   4)},
      {"negative size", boundHeader(RawFormatHint::RGB24, -4, 4)},
  };
  uint8_t buffer[256] = {};
  uint8_t* pointers[4] = {buffer, buffer, buffer, buffer};
  const int strides[4] = {16, 16, 16, 16};
  const RawImage source = allocated(boundHeader(RawFormatHint::RGB24, 4, 4));

  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_FALSE(row.header.reader);
    EXPECT_EQ(row.header.planeHeight(0), 0);

    RawImage image(row.header);
    EXPECT_FALSE(image.allocate());
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.storageSize(), 0u);
    EXPECT_EQ(image.size(), 0u);

    EXPECT_TRUE(RawFrame(row.header, buffer).empty());
    EXPECT_TRUE(ConstRawFrame(row.header, buffer).empty());

    RawFrame frame(row.header);
    EXPECT_FALSE(frame.setPlanes(pointers, strides));
    EXPECT_TRUE(frame.empty());
    EXPECT_FALSE(frame.copyFrom(frame));
    EXPECT_EQ(assertionText([&] { frame.row(0, 0); }), "p >= 0 && p < (int)planes.size()");

    EXPECT_TRUE(source.reinterpret({0, 1, 2, 3}, row.header).empty());
  }
}

TEST(RawImageWithoutReader, AnImageWhoseHeaderLosesItsReaderGivesUpItsBuffer) {
  RawImage image = allocated(boundHeader(RawFormatHint::BGR24, 16, 16));
  image.header.reader.reset();
  EXPECT_FALSE(image.allocate());
  EXPECT_TRUE(image.empty());
  EXPECT_EQ(image.storageSize(), 0u);
  EXPECT_EQ(image.size(), 0u);
}

// ---------------------------------------------------------------- sizes beyond 32 bits

TEST(RawImageSizes, PicturesWhoseRowsCannotBeCountedGetNoReader) {
  const struct {
    const char* what;
    RawFormatHint hint;
    int width, height;
    bool reader;
  } rows[] = {
      {"widest float RGB row that fits", RawFormatHint::RGBf, 178956965, 1, true},
      {"float RGB row beyond an int", RawFormatHint::RGBf, 178956966, 1, false},
      {"bottom-up float BGR row beyond an int", RawFormatHint::BGRfu, 1 << 28, 1, false},
      {"planar float row that fits", RawFormatHint::RGBpf, 1 << 28, 1, true},
      {"wider than the readers count", RawFormatHint::gray, (1 << 28) + 1, 1, false},
      {"taller than the readers count", RawFormatHint::gray, 1, (1 << 28) + 1, false},
      {"negative width", RawFormatHint::gray, -1, 1, false},
      {"negative height", RawFormatHint::gray, 1, -1, false},
      {"largest side", RawFormatHint::YUV420p, 1 << 28, 1 << 28, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(static_cast<bool>(boundHeader(row.hint, row.width, row.height).reader), row.reader);
  }
}

TEST(RawImageSizes, RowAndPlaneOffsetsBeyond2GiBDoNotWrap) {
  // Nothing is allocated: only addresses are computed.
  std::vector<uint8_t> buffer(64);
  const RawImageInfo gray = boundHeader(RawFormatHint::gray, 65536, 40000);
  RawFrame frame(gray);
  uint8_t* data[] = {buffer.data()};
  const int strides[] = {65536};
  ASSERT_TRUE(frame.setPlanes(data, strides));
  EXPECT_EQ(frame.row(0, 39999) - buffer.data(), std::ptrdiff_t{39999} * 65536);

  const RawFrame planar(boundHeader(RawFormatHint::YUV444p, 65536, 40000), buffer.data());
  ASSERT_EQ(planar.planeCount(), 3);
  EXPECT_EQ(planar.planeData(1) - buffer.data(), std::ptrdiff_t{65536} * 40000);
  EXPECT_EQ(planar.planeData(2) - buffer.data(), std::ptrdiff_t{2} * 65536 * 40000);
}

// ---------------------------------------------------------------- frames

TEST(RawFrameOverBuffer, PlanesLieBackToBackWithoutPadding) {
  uint8_t buffer[64] = {};
  const RawFrame planar(boundHeader(RawFormatHint::RGBp, 5, 3), buffer);
  ASSERT_EQ(planar.planeCount(), 3);
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(planar.planeData(p), buffer + 15 * p);
    EXPECT_EQ(planar.planeStride(p), 5);
  }
  const RawFrame packed(boundHeader(RawFormatHint::RGB24, 5, 3), buffer);
  ASSERT_EQ(packed.planeCount(), 1);
  EXPECT_EQ(packed.planeStride(0), 15);

  const RawFrame nv(boundHeader(RawFormatHint::YUVnv420, 5, 3), buffer);
  ASSERT_EQ(nv.planeCount(), 2);
  EXPECT_EQ(nv.planeData(1), buffer + 15);
  EXPECT_EQ(nv.planeStride(1), 6);
}

TEST(RawFrameAccess, IndexesOutsideThePlanesAndRowsFailTheirAssertions) {
  const RawImage image = allocated(boundHeader(RawFormatHint::YUV420p, 8, 6));
  const char* plane = "p >= 0 && p < (int)planes.size()";
  const char* row = "y >= 0 && y < header.planeHeight(p)";
  EXPECT_EQ(assertionText([&] { image.planeData(-1); }), plane);
  EXPECT_EQ(assertionText([&] { image.planeData(3); }), plane);
  EXPECT_EQ(assertionText([&] { image.planeStride(3); }), plane);
  EXPECT_EQ(assertionText([&] { image.row(3, 0); }), plane);
  EXPECT_EQ(assertionText([&] { image.row(0, -1); }), row);
  EXPECT_EQ(assertionText([&] { image.row(0, 6); }), row);
  EXPECT_EQ(assertionText([&] { image.row(1, 3); }), row);
  EXPECT_EQ(assertionText([&] { image.row(1, 2); }), "(no assertion)");
  EXPECT_EQ(image.row(1, 2), image.planeData(1) + 2 * 64);
}

TEST(RawFrameAccess, SetPlanesTakesOnePlanePerStoredPlane) {
  uint8_t a[8], b[8], c[8], d[8];
  uint8_t* pointers[] = {a, b, c, d};
  const int strides[] = {1, -2, 3, 4};
  RawFrame frame(boundHeader(RawFormatHint::YUVnv420, 2, 2));
  ASSERT_TRUE(frame.setPlanes(pointers, strides));
  ASSERT_EQ(frame.planeCount(), 2);
  EXPECT_EQ(frame.planeData(1), b);
  EXPECT_EQ(frame.planeStride(1), -2);

  frame = RawFrame(boundHeader(RawFormatHint::RGBAp, 2, 2));
  ASSERT_TRUE(frame.setPlanes(pointers, strides));
  EXPECT_EQ(frame.planeCount(), 4);
  EXPECT_EQ(frame.planeData(3), d);
}

TEST(RawFrameCopy, CopiesHeaderAndPlaneTableNeverPixels) {
  RawImage image = allocated(boundHeader(RawFormatHint::YUV420p, 8, 6));
  const long readers = image.header.reader.use_count();
  const RawFrame view = image;
  const ConstRawFrame constView = image;
  EXPECT_EQ(image.header.reader.use_count(), readers + 2);
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(view.planeData(p), image.planeData(p));
    EXPECT_EQ(constView.planeData(p), image.planeData(p));
    EXPECT_EQ(constView.planeStride(p), image.planeStride(p));
  }
  EXPECT_EQ(constView.getInfo(), image.getInfo());
}

TEST(RawFrameMove, MoveTakesReaderAndPlanesAndLeavesTheSourceEmpty) {
  RawImage image = allocated(boundHeader(RawFormatHint::BGR24, 8, 6));
  RawFrame source = image;
  RawFrame target;
  target = std::move(source);
  EXPECT_EQ(target.getInfo(), image.getInfo());
  EXPECT_EQ(target.header.reader, image.header.reader);
  EXPECT_EQ(target.planeData(0), image.planeData(0));
  EXPECT_TRUE(source.empty());  // NOLINT(bugprone-use-after-move): the moved-from state is defined
  EXPECT_FALSE(source.header.reader);
  EXPECT_EQ(source.header.width, 8);  // the other header fields are copied

  RawFrame& alias = target;
  target = std::move(alias);
  EXPECT_EQ(target.planeData(0), image.planeData(0));
  EXPECT_TRUE(target.header.reader);
}

TEST(RawFrameCopyFrom, CopiesRowBytesRowByRowBetweenDifferentStrides) {
  const RawImageInfo header = boundHeader(RawFormatHint::RGB24, 100, 2);
  std::vector<uint8_t> tight(600);
  std::iota(tight.begin(), tight.end(), uint8_t{1});
  const RawFrame source(header, tight.data());
  ASSERT_EQ(source.planeStride(0), 300);

  RawImage image = allocated(header);
  std::memset(image.planeData(0), 0xEE, image.size());
  ASSERT_TRUE(image.copyFrom(source));
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(std::memcmp(image.row(0, y), tight.data() + 300 * y, 300), 0);
    for (int x = 300; x < 320; ++x) EXPECT_EQ(image.row(0, y)[x], 0xEE) << "padding untouched";
  }
}

TEST(RawFrameCopyFrom, EqualStridesCopyOneBlockWithoutReadingPastTheLastRow) {
  const RawImageInfo header = boundHeader(RawFormatHint::YUV420p, 7, 5);
  RawImage source = allocated(header);
  fillPattern(source, 9);

  // A caller's buffer with 64-byte rows that ends right after the last row's samples: reading
  // the last row's padding would leave it (AddressSanitizer reports that).
  std::vector<std::unique_ptr<uint8_t[]>> buffers;
  uint8_t* pointers[3];
  int strides[3];
  for (int p = 0; p < 3; ++p) {
    const size_t bytes = static_cast<size_t>(header.planeHeight(p) - 1) * 64 +
                         static_cast<size_t>(header.reader->rowBytes(p));
    buffers.push_back(std::make_unique<uint8_t[]>(bytes));
    pointers[p] = buffers.back().get();
    strides[p] = 64;
  }
  RawFrame caller(header);
  ASSERT_TRUE(caller.setPlanes(pointers, strides));
  ASSERT_TRUE(caller.copyFrom(source));
  EXPECT_TRUE(samePixels(caller, source));

  RawImage back = allocated(header);
  ASSERT_TRUE(back.copyFrom(caller));
  EXPECT_TRUE(samePixels(back, source));
}

TEST(RawFrameCopyFrom, RefusesOtherHeadersAndEmptyFrames) {
  RawImage image = allocated(boundHeader(RawFormatHint::YUV420p, 8, 6));
  const RawImage other = allocated(boundHeader(RawFormatHint::YUV420p, 8, 4));
  EXPECT_EQ(assertionText([&] { image.copyFrom(other); }), "getInfo() == src.getInfo()");
  EXPECT_FALSE(image.copyFrom(RawFrame(image.header)));
  EXPECT_FALSE(RawFrame(image.header).copyFrom(image));
}

TEST(RawImageInfoEquality, ComparesFormatDepthDirectionAndSizeButNotTheReader) {
  const RawImageInfo bound = boundHeader(RawFormatHint::RGB24, 4, 3);
  RawImageInfo unbound = bound;
  unbound.reader.reset();
  EXPECT_EQ(bound, unbound);

  RawImageInfo changed = bound;
  changed.bottomUp = true;
  EXPECT_NE(bound, changed);
  changed = bound;
  changed.width = 5;
  EXPECT_NE(bound, changed);
  changed = bound;
  changed.height = 2;
  EXPECT_NE(bound, changed);
  changed = bound;
  changed.bitDepth = 7;
  EXPECT_NE(bound, changed);
  changed = bound;
  changed.byteOrder = B::BE;  // does not apply to 8-bit samples
  EXPECT_EQ(bound, changed);
}

TEST(RawFrameReinterpret, PicksPlanesByIndexUnderTheNewHeader) {
  const RawImage image = allocated(boundHeader(RawFormatHint::YUV444p, 4, 4));
  const RawImageInfo gbr = boundHeader(RawFormatHint::GBRp, 4, 4);
  const RawFrame view = image.reinterpret({2, 0, 1}, gbr);
  ASSERT_EQ(view.planeCount(), 3);
  EXPECT_EQ(view.getInfo(), gbr);
  EXPECT_EQ(view.planeData(0), image.planeData(2));
  EXPECT_EQ(view.planeData(1), image.planeData(0));
  EXPECT_EQ(view.planeData(2), image.planeData(1));

  // One plane picked alone, under a one-plane header; extra indices are ignored.
  const RawFrame luma = image.reinterpret({0, 7, 7}, boundHeader(RawFormatHint::gray, 4, 4));
  ASSERT_EQ(luma.planeCount(), 1);
  EXPECT_EQ(luma.planeData(0), image.planeData(0));
  const ConstRawFrame constLuma =
      ConstRawFrame(image).reinterpret({1}, boundHeader(RawFormatHint::gray, 4, 4));
  EXPECT_EQ(constLuma.planeData(0), image.planeData(1));

  const char* text = "p >= 0 && p < (int)planes.size()";
  EXPECT_EQ(assertionText([&] { image.reinterpret({-1, 0, 1}, gbr); }), text);
  EXPECT_EQ(assertionText([&] { image.reinterpret({0, 1, 3}, gbr); }), text);
  EXPECT_TRUE(RawFrame().reinterpret({-1, 9}, gbr).empty());
}

TEST(RawFrameReinterpret, RowsThatRunTheOtherWayAreNeverViewed) {
  RawFormatSpec upSpec = rawFormatFromHint(RawFormatHint::RGBp);
  upSpec.bottomUp = true;
  const RawImage bottomUp = allocated(boundHeader(upSpec, 4, 3));
  const RawImage topDown = allocated(boundHeader(RawFormatHint::RGBp, 4, 3));
  // As top-down the view would be upside down: none is made.
  EXPECT_TRUE(bottomUp.reinterpret({0, 1, 2}, bottomUp.getDecodedType()).empty());
  EXPECT_TRUE(topDown.reinterpret({0, 1, 2}, bottomUp.header).empty());
  // The same row direction is re-labelled as ever.
  EXPECT_EQ(bottomUp.reinterpret({2, 1, 0}, bottomUp.header).planeData(0), bottomUp.planeData(2));
}

TEST(ColourModels, RgbAndYuvByTheOrdersYuvFlag) {
  EXPECT_EQ(colourModelOf(0).name, "RGB");
  EXPECT_EQ(colourModelOf(0).componentIds, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(colourModelOf(0).planarOrder, O::RGB);
  EXPECT_EQ(colourModelOf(1).name, "YUV");
  EXPECT_EQ(colourModelOf(1).componentIds, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(colourModelOf(1).planarOrder, O::YUV);
  for (int other : {2, -1, 17}) {
    EXPECT_EQ(colourModelOf(other).name, "");
    EXPECT_TRUE(colourModelOf(other).componentIds.empty());
    EXPECT_EQ(static_cast<int>(colourModelOf(other).planarOrder), 17);
  }
}

TEST(RawImageInfoDecodedType, IsPlanar444InTheColourModelOfTheOrder) {
  const struct {
    const char* what;
    RawFormatSpec spec;
    O order;
    S sampleType;
    B byteOrder;
    int bitDepth;
  } rows[] = {
      {"gray", rawFormatFromHint(RawFormatHint::gray), O::YUV, S::Int8, B::Default, 8},
      {"bottom-up BGRA", rawFormatFromHint(RawFormatHint::BGRA32u), O::RGB, S::Int8, B::Default, 8},
      {"big-endian RGB48", rawFormatFromHint(RawFormatHint::RGB48BE), O::RGB, S::Int16, B::LE, 16},
      {"bit-packed 10-bit 4:2:0",
       RawFormatSpec({L::Planar_420, O::YUV, S::Int16, true, B::Default}, 10, false), O::YUV,
       S::Int16, B::LE, 10},
      {"UYVY", rawFormatFromHint(RawFormatHint::UYVY422), O::YUV, S::Int8, B::Default, 8},
      {"float planar RGB", rawFormatFromHint(RawFormatHint::RGBpf), O::RGB, S::Float32, B::Default,
       32},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const RawImage image(boundHeader(row.spec, 6, 4));
    const RawImageInfo decoded = image.getDecodedType();
    EXPECT_EQ(decoded.layout, L::Planar_444);
    EXPECT_EQ(decoded.order, row.order);
    EXPECT_EQ(decoded.sampleType, row.sampleType);
    EXPECT_FALSE(decoded.packed);
    EXPECT_EQ(decoded.byteOrder, row.byteOrder);
    EXPECT_EQ(decoded.bitDepth, row.bitDepth);
    EXPECT_FALSE(decoded.bottomUp);
    EXPECT_EQ(decoded.width, 6);
    EXPECT_EQ(decoded.height, 4);
    ASSERT_TRUE(decoded.reader);
    EXPECT_NE(decoded.reader, image.header.reader);
    EXPECT_EQ(decoded.planeCount(), 3);
  }
  const RawImageInfo unknown = RawImageInfo().getDecodedType();
  EXPECT_EQ(static_cast<int>(unknown.order), 17);
  EXPECT_FALSE(unknown.reader);
}

// ---------------------------------------------------------------- moving images

TEST(RawImageMove, MoveFromHandsOverTheBufferWithoutCopying) {
  RawImage source = allocated(boundHeader(RawFormatHint::YUV420p, 33, 17));
  fillPattern(source, 3);
  const std::vector<RawFrame::Plane> planes = source.planes;
  const uint64_t size = source.size();
  const size_t storage = source.storageSize();
  const RawImageInfo header = source.header;

  RawImage target = allocated(boundHeader(RawFormatHint::RGB24, 640, 480));
  RawImage& result = RawImage::moveFrom(target, source);
  EXPECT_EQ(&result, &target);
  EXPECT_EQ(target.getInfo(), header);
  EXPECT_EQ(target.header.reader, header.reader);
  EXPECT_EQ(target.size(), size);
  EXPECT_EQ(target.storageSize(), storage);
  EXPECT_EQ(target.alignment(), 64);
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(target.planeData(p), planes[static_cast<size_t>(p)].data) << "not copied";
  }
  RawImage expected = allocated(header);
  fillPattern(expected, 3);
  EXPECT_TRUE(samePixels(target, expected));

  EXPECT_TRUE(source.empty());
  EXPECT_FALSE(source.header.reader);
  EXPECT_EQ(source.storageSize(), 0u);
  EXPECT_EQ(source.size(), 0u);

  // Moving an image onto itself changes nothing.
  RawImage::moveFrom(target, target);
  EXPECT_EQ(target.planeData(0), planes[0].data);
  EXPECT_EQ(target.storageSize(), storage);
  EXPECT_TRUE(samePixels(target, expected));
}

TEST(RawImageMove, ARingOfImagesIsFilledByMoving) {
  const RawImageInfo header = boundHeader(RawFormatHint::BGR24, 16, 9);
  std::vector<RawImage> ring;
  ring.resize(4);
  std::vector<const uint8_t*> pixels;
  for (RawImage& slot : ring) {
    RawImage image(header);
    ASSERT_TRUE(image.allocate());
    pixels.push_back(image.planeData(0));
    slot = std::move(image);
  }
  ring.reserve(64);  // the vector moves its images; their pixels stay where they are
  for (size_t i = 0; i < ring.size(); ++i) {
    EXPECT_EQ(ring[i].getInfo(), header);
    EXPECT_EQ(ring[i].planeData(0), pixels[i]);
  }
}

}  // namespace

namespace {

// One line per predefined format: its planes at an odd size, as samples x rows, row bytes,
// stride and offset in the image's buffer.
std::string layoutDump(int width, int height) {
  std::string dump;
  for (int hint = 0; hint < kRawFormatHintCount; ++hint) {
    RawImage image(boundHeader(static_cast<RawFormatHint>(hint), width, height));
    if (!image.allocate()) return "allocation failed for hint " + std::to_string(hint);
    dump += std::to_string(hint) + " " + image.header.name() + ":";
    for (int p = 0; p < image.planeCount(); ++p) {
      dump += " " + std::to_string(image.header.reader->planeWidth(p)) + "x" +
              std::to_string(image.header.planeHeight(p)) + "/" +
              std::to_string(image.header.reader->rowBytes(p)) + "/" +
              std::to_string(image.planeStride(p)) + "@" + std::to_string(offsetOf(image, p));
    }
    dump += " = " + std::to_string(image.size()) + "\n";
  }
  return dump;
}

TEST(RawImageAllocate, LayoutsOfThePredefinedFormatsMatchTheRecordedOnes) {
  const std::string path = std::string(VIXO_TEST_DATA) + "/rawimage/hint_layouts_7x5.txt";
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  const std::string recorded((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  const std::string now = layoutDump(7, 5);
  EXPECT_EQ(now, recorded) << "layouts now:\n" << now;
}

}  // namespace
