// The universal converter: the order of its steps, views through the whole chain, buffers kept
// for a stream of frames, the band-by-band conversion against the steps over the whole picture
// for every predefined format, and sources it cannot serve.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "videoimage/rawimage/raw_converter.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

namespace {

using namespace rawimage_test;
using rawImageConverters::UniversalConverter;
using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;
using H = RawFormatHint;

RawFormatSpec spec(L layout, O order, S type, int bits, B byteOrder = B::Default) {
  return RawFormatSpec(RawFormat(layout, order, type, false, byteOrder), bits, false);
}

// Random samples within the bit depth (floats within 0 .. 1), so that a picture converted there
// and back is expected to survive.
RawImage randomPicture(const RawImageInfo& info, unsigned seed) {
  RawImage image = allocated(info);
  std::mt19937 random(seed);
  fillRandom(image, random);
  if (info.sampleType == S::Int16 && info.bitDepth < 16) {
    for (int p = 0; p < image.planeCount(); ++p) {
      const int samples = info.reader->planeWidth(p);
      for (int y = 0; y < info.planeHeight(p); ++y) {
        uint8_t* row = image.row(p, y);
        for (int i = 0; i < samples; ++i) {
          uint16_t w;
          std::memcpy(&w, row + 2 * i, 2);
          if (info.byteOrder == B::BE) w = static_cast<uint16_t>(w >> 8 | w << 8);
          w = static_cast<uint16_t>(w & ((1u << info.bitDepth) - 1));
          if (info.byteOrder == B::BE) w = static_cast<uint16_t>(w >> 8 | w << 8);
          std::memcpy(row + 2 * i, &w, 2);
        }
      }
    }
  }
  if (info.sampleType == S::Float32) {
    for (int p = 0; p < image.planeCount(); ++p) {
      for (int y = 0; y < info.planeHeight(p); ++y) {
        float* row = reinterpret_cast<float*>(image.row(p, y));
        for (int i = 0; i < info.reader->planeWidth(p); ++i) row[i] /= 16.0f;
      }
    }
  }
  return image;
}

RawImage convertedWhole(const ConstRawFrame& source, const RawFormatSpec& target) {
  UniversalConverter converter(source.header, target);
  RawImage out = allocated(converter.outputInfo(source.header));
  EXPECT_TRUE(converter.convertWhole(source, out));
  return out;
}

TEST(UniversalConverter, RunsTheSampleStepOnceOnTheDeeperSide) {
  struct Case {
    H from, to;
    int planarBits;  // -1: no planar image (the source is viewed)
    int sampleBits;  // -1: no sample step (a view)
    int matrixBits;  // -1: no matrix step
  };
  const Case cases[] = {
      {H::RGB24, H::RGB24, 8, -1, -1},        // decode, view, encode
      {H::RGB24, H::RGB48LE, 8, 16, -1},      // rising: right after the planar step
      {H::RGB48LE, H::RGB24, 16, 8, -1},      // falling: last
      {H::YUV420p, H::RGB48LE, 8, 16, 16},    // rising: the matrix works at 16 bits
      {H::YUV420p10LE, H::RGB24, 10, 8, 10},  // falling: the matrix works at 10 bits
      {H::YUV444p, H::RGB24, -1, -1, 8},      // planar source viewed, then the matrix
      {H::RGBp, H::GBRp, -1, -1, -1},         // a view all through
  };
  for (const Case& c : cases) {
    const RawImage source = randomPicture(bound(c.from, 6, 4), 1);
    SCOPED_TRACE(source.header.name() + " -> " + rawFormatFromHint(c.to).name());
    UniversalConverter converter(source.header, rawFormatFromHint(c.to));
    RawImage out = allocated(converter.outputInfo(source.header));
    ASSERT_TRUE(converter.convertWhole(source, out));
    const auto bitsOf = [](const RawImage& image) {
      return image.empty() ? -1 : image.header.bitDepth;
    };
    EXPECT_EQ(bitsOf(converter.planarImage()), c.planarBits);
    EXPECT_EQ(bitsOf(converter.sampleOutput()), c.sampleBits);
    EXPECT_EQ(bitsOf(converter.matrixOutput()), c.matrixBits);
  }
}

TEST(UniversalConverter, SameModelRoundTripsAndViews) {
  // Without a colour change, a conversion there and back gives the picture back.
  const std::pair<H, H> pairs[] = {{H::RGB24, H::BGRA32u},           {H::RGB24, H::RGBp16LE},
                                   {H::YUV444p10LE, H::YUV444p16LE}, {H::RGB48BE, H::RGBf},
                                   {H::YUYV422, H::UYVY422},         {H::YUV420p, H::YUVnv420}};
  for (const auto& [from, to] : pairs) {
    const RawImage source = randomPicture(bound(from, 8, 6), 2);
    SCOPED_TRACE(source.header.name() + " <-> " + rawFormatFromHint(to).name());
    const RawImage there = convertRawFrame(source, rawFormatFromHint(to));
    ASSERT_FALSE(there.empty());
    const RawImage back = convertRawFrame(there, rawFormatFromHint(from));
    EXPECT_EQ(payload(back), payload(source));
  }

  // Re-labelled planes: the whole chain is a view.
  const RawImage gbr = randomPicture(bound(H::GBRp, 5, 3), 3);
  UniversalConverter toRgb(gbr.header, rawFormatFromHint(H::RGBp));
  const ConstRawFrame view = toRgb.view(ConstRawFrame(gbr));
  ASSERT_EQ(view.planeCount(), 3);
  EXPECT_EQ(view.planeData(0), gbr.planeData(2));
  EXPECT_EQ(view.planeData(1), gbr.planeData(0));
  EXPECT_EQ(view.planeData(2), gbr.planeData(1));
  RawImage buffer;
  EXPECT_EQ(toRgb.convertFrame(gbr, buffer).planeData(1), gbr.planeData(0));
  EXPECT_TRUE(buffer.empty());
  // Across colour models never: the matrix writes an image of its own.
  const RawImage yuv = randomPicture(bound(H::YUV444p, 5, 3), 4);
  EXPECT_TRUE(
      UniversalConverter(yuv.header, rawFormatFromHint(H::RGBp)).view(ConstRawFrame(yuv)).empty());
  EXPECT_TRUE(UniversalConverter(gbr.header, rawFormatFromHint(H::YUV444p))
                  .view(static_cast<const RawFrame&>(gbr))
                  .empty());
}

TEST(UniversalConverter, KeepsItsImagesForAStreamOfFrames) {
  const RawImageInfo info = bound(H::YUV420p10LE, 40, 24);
  UniversalConverter converter(info, rawFormatFromHint(H::BGR24));
  converter.setBandRows(8);
  RawImage out = allocated(converter.outputInfo(info));
  const RawImage first = randomPicture(info, 5);
  ASSERT_TRUE(converter.convertInto(first, out));
  const uint8_t* matrix = converter.matrixOutput().planeData(0);
  const uint8_t* samples = converter.sampleOutput().planeData(0);
  const RawImage second = randomPicture(info, 6);
  ASSERT_TRUE(converter.convertInto(second, out));
  EXPECT_EQ(converter.matrixOutput().planeData(0), matrix);
  EXPECT_EQ(converter.sampleOutput().planeData(0), samples);
  EXPECT_EQ(payload(out), payload(convertedWhole(second, rawFormatFromHint(H::BGR24))));
  // A band's rows, not the picture's.
  EXPECT_EQ(converter.matrixOutput().header.height, 8);

  // convert keeps a destination image that fits.
  RawImage image;
  ASSERT_TRUE(converter.convert(first, image));
  const uint8_t* memory = image.planeData(0);
  ASSERT_TRUE(converter.convert(second, image));
  EXPECT_EQ(image.planeData(0), memory);
}

// The band-by-band conversion gives the bytes of the steps over the whole picture: every
// predefined format to a set of targets, at sizes whose last band is short and whose chroma
// blocks are partial.
TEST(UniversalConverter, BandsGiveTheWholePicturesBytes) {
  const H targets[] = {H::RGB24, H::BGRA32u,     H::BGR24u,  H::YUV420p, H::gray,
                       H::RGBf,  H::YUV422p10LE, H::RGB48BE, H::YUYV422, H::YUV410p};
  const std::pair<int, int> sizes[] = {{13, 11}, {70, 9}};
  for (int hint = 0; hint < kRawFormatHintCount; ++hint) {
    for (const auto& [width, height] : sizes) {
      const RawImageInfo info = bound(static_cast<H>(hint), width, height);
      if (!info.reader || !info.reader->acceptsWidth()) continue;
      const RawImage source = randomPicture(info, static_cast<unsigned>(hint));
      for (H target : targets) {
        SCOPED_TRACE(info.name() + " -> " + rawFormatFromHint(target).name() + " " +
                     std::to_string(width) + "x" + std::to_string(height));
        UniversalConverter converter(info, rawFormatFromHint(target));
        const RawImageInfo outInfo = converter.outputInfo(info);
        if (!outInfo.reader->acceptsWidth()) continue;
        converter.setBandRows(4);
        RawImage banded = allocated(outInfo);
        ASSERT_TRUE(converter.convertInto(source, banded));
        EXPECT_TRUE(converter.convertsInBands());
        EXPECT_EQ(payload(banded), payload(convertedWhole(source, rawFormatFromHint(target))));
      }
    }
  }
}

// Subsampled YUV reaches the matrix without its chroma repeated: the same bytes for each chroma
// layout and plane order, 8 and 10 bits, into 8 and 16 bits, at widths the vector loops cover in
// part, in bands of two heights.
TEST(UniversalConverter, SubsampledChromaGivesTheBytesOfRepeatedChroma) {
  for (L layout : {L::Planar_420, L::Planar_422, L::Planar_411, L::Planar_410}) {
    for (O order : {O::YUV, O::YVU, O::UYV}) {
      for (const auto& [type, bits, byteOrder] :
           {std::tuple{S::Int8, 8, B::Default}, std::tuple{S::Int16, 10, B::LE}}) {
        const RawImageInfo info = bound(spec(layout, order, type, bits, byteOrder), 101, 19);
        ASSERT_NE(info.reader, nullptr);
        const RawImage source = randomPicture(info, bits);
        for (H target : {H::RGB24, H::RGB48LE, H::BGRA32u}) {
          for (int bandRows : {4, 8}) {
            SCOPED_TRACE(info.name() + " -> " + rawFormatFromHint(target).name() + " bands " +
                         std::to_string(bandRows));
            UniversalConverter converter(info, rawFormatFromHint(target));
            converter.setBandRows(bandRows);
            RawImage out = allocated(converter.outputInfo(info));
            ASSERT_TRUE(converter.convertInto(source, out));
            EXPECT_TRUE(converter.convertsInBands());
            EXPECT_EQ(payload(out), payload(convertedWhole(source, rawFormatFromHint(target))));
          }
        }
      }
    }
  }
}

TEST(UniversalConverter, SourcesItCannotServe) {
  const RawImageInfo info = bound(H::YUV420p, 8, 8);
  UniversalConverter converter(info, rawFormatFromHint(H::RGB24));
  RawImage out = allocated(converter.outputInfo(info));
  fillBytes(out, 0x42);
  const auto before = everyByte(out);

  EXPECT_FALSE(converter.convertInto(ConstRawFrame(), out));
  // Another size than the converter was made for: no output header, nothing converted.
  const RawImage wider = randomPicture(bound(H::YUV420p, 10, 8), 1);
  EXPECT_EQ(converter.outputInfo(wider.header).reader, nullptr);
  EXPECT_EQ(converter.outputInfo(wider.header).layout, static_cast<L>(10));
  EXPECT_FALSE(converter.isOutputCompatible(wider, out));
  EXPECT_FALSE(converter.convertInto(wider, out));
  EXPECT_TRUE(converter.view(ConstRawFrame(wider)).empty());
  EXPECT_EQ(everyByte(out), before);

  // Formats no reader serves, on either side.
  const RawFormatSpec noReader = spec(L::Packed_422, O::RGB, S::Int8, 8);
  const RawImage source = randomPicture(info, 2);
  UniversalConverter toNothing(info, noReader);
  RawImage none;
  EXPECT_FALSE(toNothing.convert(source, none));
  EXPECT_TRUE(convertRawFrame(source, noReader).empty());
  // A width that interleaved 4:2:2 does not take.
  const RawImage odd = randomPicture(bound(H::YUYV422, 7, 2), 3);
  EXPECT_FALSE(odd.empty());
  EXPECT_TRUE(convertRawFrame(odd, rawFormatFromHint(H::RGB24)).empty());
  EXPECT_TRUE(convertRawFrame(source, rawFormatFromHint(H::YUVnv422)).empty() ==
              !bound(H::YUVnv422, 8, 8).reader->acceptsWidth());
  std::vector<uint8_t> memory(256, 1);
  ConstRawFrame unread{RawImageInfo(noReader, 8, 8)};
  unread.planes.push_back({memory.data(), 32});
  EXPECT_TRUE(convertRawFrame(unread, rawFormatFromHint(H::RGB24)).empty());
  EXPECT_TRUE(convertRawFrame(ConstRawFrame(), rawFormatFromHint(H::RGB24)).empty());
}

TEST(ConvertRawFrame, AFrameInATargetFormatAFrameOut) {
  // One frame over caller memory, as the thumbnails have it: gray to packed RGB.
  std::vector<uint8_t> gray = {0, 16, 128, 235, 255, 7};
  const ConstRawFrame frame(bound(H::gray, 3, 2), gray.data());
  const RawImage rgb = convertRawFrame(frame, rawFormatFromHint(H::RGB24));
  ASSERT_EQ(rgb.planeCount(), 1);
  EXPECT_EQ(rgb.header.width, 3);
  EXPECT_EQ(rgb.header.height, 2);
  std::vector<uint8_t> expected;
  for (uint8_t g : gray) expected.insert(expected.end(), {g, g, g});
  EXPECT_EQ(payload(rgb), expected);
}

}  // namespace
