// Decoding raw frames into the working image and encoding back, over every filed format, row
// type and a few odd and even sizes: round trips, row direction, plane masks, padded decodes and
// component reads.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/assert_guard.h"
#include "videoimage/rawimage/raw_image.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

namespace {

using namespace rawimage_test;
using L = ChromaLayout;
using O = ComponentOrder;
using vixo_test::assertionText;

const std::pair<int, int> kSizes[] = {{1, 1}, {2, 3}, {5, 4}, {8, 2}, {13, 5}};

struct Planes {
  std::vector<const void*> data;
  std::vector<int> strides;
};

Planes planesOf(const ConstRawFrame& frame) {
  Planes p;
  for (const auto& plane : frame.planes) {
    p.data.push_back(plane.data);
    p.strides.push_back(plane.stride);
  }
  return p;
}

std::vector<void*> writable(const RawFrame& frame) {
  std::vector<void*> data;
  for (const auto& plane : frame.planes) data.push_back(plane.data);
  return data;
}

int skippedPosition(O order) {
  switch (order) {
    case O::RGBA:
    case O::BGRA:
      return 3;
    case O::ARGB:
    case O::ABGR:
      return 0;
    default:
      return -1;
  }
}

// Makes a random raw frame canonical, so that it survives decode and encode byte for byte: the
// skipped sample of four-sample pixels is 0 (the encode writes 0), the padding luma of an odd
// width's last 4:2:2 group repeats its first luma (the encode writes that copy), and the bits of
// a bit-packed row's last byte that no sample uses are 0.
void canonicalize(RawFrame& frame) {
  const ReaderInterface& reader = *frame.header.reader;
  const int width = frame.header.width;
  uint8_t sample[4] = {};
  for (int y = 0; y < frame.header.height; ++y) {
    uint8_t* row = frame.row(0, y);
    const int skipped =
        frame.header.layout == L::Packed_444 ? skippedPosition(frame.header.order) : -1;
    if (skipped >= 0) {
      const uint8_t zero[4] = {};
      for (int x = 0; x < width; ++x) reader.writeSamples(row, 4 * x + skipped, zero, 1);
    }
    if (frame.header.layout == L::Packed_422 && width % 2 == 1) {
      const int group = 4 * (width / 2);
      const int luma = frame.header.order == O::UYVY ? 1 : 0;
      reader.readSamples(row, group + luma, sample, 1);
      reader.writeSamples(row, group + luma + 2, sample, 1);
    }
  }
  if (!frame.header.packed) return;
  for (int p = 0; p < frame.planeCount(); ++p) {
    const int64_t bits = int64_t{reader.planeWidth(p)} * frame.header.bitDepth;
    if (bits % 8 == 0) continue;
    for (int y = 0; y < frame.header.planeHeight(p); ++y) {
      frame.row(p, y)[bits / 8] &= static_cast<uint8_t>(0xFF << (8 - bits % 8));
    }
  }
}

// The stored alpha plane of a planar format with alpha, which encoding leaves as it is; or -1.
int alphaPlane(const RawImageInfo& info) {
  if (info.layout != L::Planar_444 || info.planeCount() != 4) return -1;
  return info.order == O::ARGB || info.order == O::ABGR ? 0 : 3;
}

RawImage randomFrame(const RawImageInfo& info, std::mt19937& random) {
  RawImage image = allocated(info);
  fillRandom(image, random);
  canonicalize(image);
  return image;
}

RawImage decoded(const ConstRawFrame& raw, int mask = 7) {
  RawImage working = workingFor(raw.header);
  fillBytes(working, 0xEE);
  EXPECT_TRUE(raw.decode(working, mask));
  return working;
}

// The same picture with each plane's stored rows in the other order.
RawImage flippedRows(const ConstRawFrame& raw) {
  RawImage flipped = allocated(raw.header);
  for (int p = 0; p < raw.planeCount(); ++p) {
    const int rows = raw.header.planeHeight(p);
    for (int y = 0; y < rows; ++y) {
      std::memcpy(flipped.row(p, y), raw.row(p, rows - 1 - y),
                  static_cast<size_t>(raw.header.reader->rowBytes(p)));
    }
  }
  return flipped;
}

// Calls f(format case, width, height) for every filed format, bit depth and size; stops at the
// first fatal failure.
template <class F>
void forEveryFormatAndSize(F f) {
  for (const FormatCase& c : everyFormat()) {
    for (const auto& [width, height] : kSizes) {
      SCOPED_TRACE(c.name() + " " + std::to_string(width) + "x" + std::to_string(height));
      f(c, width, height);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

TEST(FrameRoundTrip, DecodeThenEncodeReproducesEveryStoredByte) {
  std::mt19937 random(11);
  int checked = 0;
  forEveryFormatAndSize([&](const FormatCase& c, int width, int height) {
    const RawImageInfo info = bound(c.spec, width, height);
    ASSERT_TRUE(info.reader);
    const RawImage raw = randomFrame(info, random);
    const RawImage working = decoded(raw);

    RawImage out = allocated(info);
    fillBytes(out, 0xA5);
    ASSERT_TRUE(working.encodeTo(out));
    for (int p = 0; p < raw.planeCount(); ++p) {
      const int rowSize = info.reader->rowBytes(p);
      for (int y = 0; y < info.planeHeight(p); ++y) {
        const std::vector<uint8_t> got = rowBytes(out, p, y);
        if (p == alphaPlane(info)) {
          EXPECT_EQ(got, std::vector<uint8_t>(got.size(), 0xA5)) << "the alpha plane is kept";
        } else {
          ASSERT_EQ(got, rowBytes(raw, p, y)) << "plane " << p << " row " << y;
        }
        // Nothing after a row's samples is written.
        for (int i = rowSize; i < out.planeStride(p); ++i) ASSERT_EQ(out.row(p, y)[i], 0xA5);
      }
    }
    ++checked;
  });
  EXPECT_EQ(checked, 5 * 46 * (3 + 2 + 2 + 2 + 2 + 1));
}

TEST(FrameRoundTrip, FloatBitPatternsPassUnchangedWhereNothingIsAveraged) {
  std::mt19937 random(5);
  std::uniform_int_distribution<uint32_t> bits;
  const uint32_t special[] = {0x7FC00001u, 0x7F800001u, 0xFF800000u, 0x80000000u, 0x7F7FFFFFu};
  const RawFormatHint hints[] = {RawFormatHint::RGBf, RawFormatHint::BGRfu, RawFormatHint::RGBpf,
                                 RawFormatHint::YUV444pf};
  for (RawFormatHint hint : hints) {
    const RawImageInfo info = bound(hint, 7, 3);
    SCOPED_TRACE(info.name());
    RawImage raw = allocated(info);
    for (int p = 0; p < raw.planeCount(); ++p) {
      for (int y = 0; y < info.planeHeight(p); ++y) {
        for (int i = 0; i < info.reader->planeWidth(p); ++i) {
          const uint32_t v = i < 5 ? special[i] : bits(random);
          std::memcpy(raw.row(p, y) + 4 * i, &v, 4);
        }
      }
    }
    RawImage out = allocated(info);
    ASSERT_TRUE(decoded(raw).encodeTo(out));
    EXPECT_EQ(payload(out), payload(raw));
  }
}

TEST(FrameRowDirection, BottomUpFramesDecodeAndEncodeTopDown) {
  std::mt19937 random(12);
  forEveryFormatAndSize([&](const FormatCase& c, int width, int height) {
    const RawImageInfo info = bound(c.spec, width, height);
    const RawImage raw = randomFrame(info, random);

    RawFrame bottomUp = raw;
    bottomUp.header.bottomUp = true;
    const RawImage expected = decoded(flippedRows(raw));
    const RawImage got = decoded(bottomUp);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(workingPlane(got, k), workingPlane(expected, k)) << k;

    // A negative stride from the last stored row walks the same rows.
    RawFrame backwards = raw;
    for (int p = 0; p < raw.planeCount(); ++p) {
      const int rows = info.planeHeight(p);
      backwards.planes[p].data = rows > 0 ? raw.row(p, rows - 1) : raw.planes[p].data;
      backwards.planes[p].stride = -raw.planeStride(p);
    }
    const RawImage viaStride = decoded(backwards);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(workingPlane(viaStride, k), workingPlane(expected, k));

    // Encoding into a bottom-up frame puts the picture's top row last again.
    RawImage out = allocated(info);
    RawFrame outBottomUp = out;
    outBottomUp.header.bottomUp = true;
    ASSERT_TRUE(got.encodeTo(outBottomUp));
    for (int p = 0; p < raw.planeCount(); ++p) {
      if (p == alphaPlane(info)) continue;
      for (int y = 0; y < info.planeHeight(p); ++y) {
        ASSERT_EQ(rowBytes(out, p, y), rowBytes(raw, p, y)) << p << " " << y;
      }
    }
  });
}

TEST(FramePlaneMask, AMaskDecodesExactlyThePlanesAFullDecodeWrites) {
  std::mt19937 random(13);
  forEveryFormatAndSize([&](const FormatCase& c, int width, int height) {
    const RawImage raw = randomFrame(bound(c.spec, width, height), random);
    const RawImage full = decoded(raw, 7);
    for (int mask = 0; mask < 7; ++mask) {
      const RawImage part = decoded(raw, mask);
      for (int k = 0; k < 3; ++k) {
        const std::vector<uint8_t> got = workingPlane(part, k);
        if (mask >> k & 1) {
          ASSERT_EQ(got, workingPlane(full, k)) << "mask " << mask << " plane " << k;
        } else {
          ASSERT_EQ(got, std::vector<uint8_t>(got.size(), 0xEE))
              << "mask " << mask << " plane " << k;
        }
      }
    }
    // Bits above the three planes select nothing more.
    const RawImage wide = decoded(raw, 255);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(workingPlane(wide, k), workingPlane(full, k));
  });
}

// decodePadded into a working image of width x height (which may differ from the picture's).
RawImage paddedDecode(const ConstRawFrame& raw, int width, int height, int mask = 7) {
  RawImageInfo info = raw.header.getDecodedType();
  info.width = std::max(width, 1);
  info.height = std::max(height, 1);
  info.bindReader();
  RawImage working = allocated(info);
  fillBytes(working, 0xEE);
  const Planes src = planesOf(raw);
  const std::vector<void*> dst = writable(working);
  const int strides[3] = {working.planeStride(0), working.planeStride(1), working.planeStride(2)};
  raw.header.reader->decodePadded(src.data.data(), src.strides.data(), raw.header.bottomUp,
                                  dst.data(), strides, width, height, mask);
  return working;
}

TEST(FramePaddedDecode, FillsALargerImageByReplicatingTheLastColumnAndRow) {
  std::mt19937 random(14);
  forEveryFormatAndSize([&](const FormatCase& c, int width, int height) {
    const RawImage raw = randomFrame(bound(c.spec, width, height), random);
    const RawImage full = decoded(raw);
    const int size = sampleTypeInfo(full.header.sampleType).bytesPerSample;

    const RawImage same = paddedDecode(raw, width, height);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(workingPlane(same, k), workingPlane(full, k));

    const RawImage larger = paddedDecode(raw, width + 3, height + 2);
    for (int k = 0; k < 3; ++k) {
      for (int y = 0; y < height + 2; ++y) {
        const int from = std::min(y, height - 1);
        ASSERT_EQ(workingRow(larger, k, y, 0, width), workingRow(full, k, from)) << k << " " << y;
        const std::vector<uint8_t> edge = workingRow(full, k, from, width - 1, 1);
        for (int x = width; x < width + 3; ++x) {
          ASSERT_EQ(
              std::vector<uint8_t>(larger.row(k, y) + x * size, larger.row(k, y) + (x + 1) * size),
              edge);
        }
      }
    }

    if (width > 1 && height > 1) {
      const RawImage smaller = paddedDecode(raw, width - 1, height - 1, 5);
      for (int y = 0; y < height - 1; ++y) {
        ASSERT_EQ(workingRow(smaller, 0, y, 0, width - 1), workingRow(full, 0, y, 0, width - 1));
        ASSERT_EQ(workingRow(smaller, 2, y, 0, width - 1), workingRow(full, 2, y, 0, width - 1));
      }
      const auto untouched = workingPlane(smaller, 1);
      ASSERT_EQ(untouched, std::vector<uint8_t>(untouched.size(), 0xEE));
    }

    // No row or no column to read: nothing is written.
    for (const auto& [w, h] : {std::pair{0, 3}, {3, 0}, {-2, 4}, {4, -1}}) {
      const RawImage nothing = paddedDecode(raw, w, h);
      for (int k = 0; k < 3; ++k) {
        const auto bytes = everyByte(nothing);
        ASSERT_EQ(bytes, std::vector<uint8_t>(bytes.size(), 0xEE)) << w << "x" << h;
      }
    }
  });
}

TEST(FrameComponentRead, ReadsExactlyTheCountAskedAsTheDecodePutsIt) {
  std::mt19937 random(15);
  forEveryFormatAndSize([&](const FormatCase& c, int width, int height) {
    const RawImage raw = randomFrame(bound(c.spec, width, height), random);
    const RawImage full = decoded(raw);
    const ReaderInterface& reader = *raw.header.reader;
    const Planes src = planesOf(raw);
    const int size = sampleTypeInfo(full.header.sampleType).bytesPerSample;
    std::vector<std::pair<int, int>> spans = {{0, width}, {width - 1, 1}, {0, 0}};
    if (width > 2) spans.insert(spans.end(), {{1, width - 1}, {1, 1}, {2, width - 3}, {3, 2}});
    for (int k = 0; k < 3; ++k) {
      for (int y = 0; y < height; ++y) {
        for (const auto& [start, count] : spans) {
          std::vector<uint8_t> got((count + 1) * size, 0xEE);
          const int n = reader.readComponentAt(got.data(), start, count, k, src.data.data(),
                                               src.strides.data(), false, y);
          if (!reader.hasComponent(k)) {
            ASSERT_EQ(n, 0);
            ASSERT_EQ(got, std::vector<uint8_t>(got.size(), 0xEE));
            continue;
          }
          ASSERT_EQ(n, count) << "component " << k << " row " << y << " from " << start;
          ASSERT_EQ(std::vector<uint8_t>(got.begin(), got.begin() + count * size),
                    workingRow(full, k, y, start, count))
              << "component " << k << " row " << y << " from " << start;
          ASSERT_EQ(std::vector<uint8_t>(got.end() - size, got.end()),
                    std::vector<uint8_t>(size, 0xEE))
              << "nothing after the count";
        }
      }
    }
  });
}

TEST(FrameComponentRead, PositionsOutsideThePictureFailTheirAssertions) {
  const RawImageInfo info = bound(RawFormatHint::YUYV422, 6, 2);
  const RawImage raw = allocated(info);
  const Planes src = planesOf(raw);
  uint8_t out[16];
  auto read = [&](int start, int count, int row) {
    info.reader->readComponentAt(out, start, count, 0, src.data.data(), src.strides.data(), false,
                                 row);
  };
  const std::string span = "start >= 0 && count >= 0 && start <= width - count";
  EXPECT_EQ(assertionText([&] { read(5, 2, 0); }), span);
  EXPECT_EQ(assertionText([&] { read(-1, 2, 0); }), span);
  EXPECT_EQ(assertionText([&] { read(0, -1, 0); }), span);
  EXPECT_EQ(assertionText([&] { read(0, 6, 2); }), "row >= 0 && row < reader->getHeight()");
  EXPECT_EQ(assertionText([&] { read(0, 6, 1); }), "(no assertion)");
}

TEST(FrameComponentRead, TheSkippedSampleOfFourSamplePixelsIsComponentThree) {
  const RawImageInfo info = bound(
      RawFormatSpec({L::Packed_444, O::ARGB, SampleType::Int16, false, ByteOrder::BE}, 16, false),
      3, 1);
  RawImage raw = allocated(info);
  const uint8_t bytes[] = {0x01, 0x02, 0, 0, 0,    0,    0, 0, 0x03, 0x04, 0, 0,
                           0,    0,    0, 0, 0x05, 0x06, 0, 0, 0,    0,    0, 0};
  std::memcpy(raw.row(0, 0), bytes, sizeof bytes);
  const Planes src = planesOf(raw);
  uint16_t alpha[2] = {};
  EXPECT_TRUE(info.reader->hasComponent(3));
  EXPECT_EQ(
      info.reader->readComponentAt(alpha, 1, 2, 3, src.data.data(), src.strides.data(), false, 0),
      2);
  EXPECT_EQ(alpha[0], 0x0304);
  EXPECT_EQ(alpha[1], 0x0506);
}

TEST(FrameCodecContract, HeadersThatDoNotMatchFailTheirAssertions) {
  const RawImage raw = allocated(bound(RawFormatHint::BGR24, 4, 2));
  RawImage wrongSize = allocated(bound(rawFormatFromHint(RawFormatHint::RGBp), 4, 3));
  RawFormatSpec bottomUpSpec = rawFormatFromHint(RawFormatHint::RGBp);
  bottomUpSpec.bottomUp = true;
  RawImage bottomUp = allocated(bound(bottomUpSpec, 4, 2));
  EXPECT_EQ(assertionText([&] { raw.decode(wrongSize); }), "dst.getInfo() == getDecodedType()");
  EXPECT_EQ(assertionText([&] { raw.decode(bottomUp); }), "dst.getInfo() == getDecodedType()");

  RawImage working = workingFor(raw.header);
  RawImage otherRaw = allocated(bound(RawFormatHint::BGR24, 5, 2));
  EXPECT_EQ(assertionText([&] { working.encodeTo(otherRaw); }),
            "dst.getDecodedType() == getInfo()");
  RawImage gray = allocated(bound(RawFormatHint::gray, 4, 2));
  EXPECT_EQ(assertionText([&] { working.encodeTo(gray); }), "dst.getDecodedType() == getInfo()");
}

TEST(FrameCodecContract, EmptyFramesDecodeAndEncodeNothing) {
  RawImage working = workingFor(bound(RawFormatHint::RGB24, 4, 2));
  fillBytes(working, 0x33);
  RawFrame empty;
  EXPECT_EQ(assertionText([&] { EXPECT_FALSE(empty.decode(working)); }), "(no assertion)");
  EXPECT_EQ(assertionText([&] { EXPECT_FALSE(RawImage().encodeTo(working)); }), "(no assertion)");
  const auto bytes = everyByte(working);
  EXPECT_EQ(bytes, std::vector<uint8_t>(bytes.size(), 0x33));

  // A destination whose header matches but that has no planes gets nothing.
  const RawImage raw = allocated(bound(RawFormatHint::RGB24, 4, 2));
  RawFrame noPlanes(raw.getDecodedType());
  EXPECT_FALSE(raw.decode(noPlanes));
  RawFrame rawNoPlanes(raw.header);
  EXPECT_FALSE(working.encodeTo(rawNoPlanes));
}

// A frame over a caller's tightly packed buffer decodes like an image of the same pixels with
// padded rows; a ConstRawFrame decodes and encodes like the frame it views.
TEST(FrameCodecContract, FramesOverCallerBuffersAndReadOnlyFramesDecodeAlike) {
  std::mt19937 random(3);
  const RawImageInfo info = bound(RawFormatHint::YUV420p, 7, 5);
  const RawImage image = randomFrame(info, random);
  std::vector<uint8_t> buffer(static_cast<size_t>(7 * 5 + 2 * 4 * 3));
  RawFrame tight(info, buffer.data());
  ASSERT_TRUE(tight.copyFrom(image));
  const ConstRawFrame view = tight;
  const RawImage a = decoded(image);
  const RawImage b = decoded(view);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(workingPlane(a, k), workingPlane(b, k));

  std::vector<uint8_t> out(buffer.size(), 0);
  RawFrame outFrame(info, out.data());
  const ConstRawFrame working = a;
  ASSERT_TRUE(working.encodeTo(outFrame));
  EXPECT_EQ(out, buffer);
}

}  // namespace
