// The sample converter (bit depths, sample types, byte orders) and the colour matrix converter:
// worked values, every value of every pair of bit depths there and back, the byte-order and
// clamping rules, and the vectorised loops against the plain ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "support/assert_guard.h"
#include "videoimage/rawimage/converter_kernels.h"
#include "videoimage/rawimage/raw_converter.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

namespace {

using namespace rawimage_test;
using rawImageConverters::BpsConverter;
using rawImageConverters::MatrixConverter;
using vixo_test::assertionText;
namespace kernels = rawImageConverters::kernels;
using S = SampleType;
using B = ByteOrder;

constexpr int kInt8 = 0, kInt16 = 1, kFloat = 2;
constexpr int kLE = 0, kDefault = 1, kBE = 2;

// A side of a sample conversion: type, depth, byte order ids.
struct Encoding {
  int type;
  int bits;
  int order;
};

std::string describe(const Encoding& e) {
  return std::to_string(e.type) + "/" + std::to_string(e.bits) + "/" + std::to_string(e.order);
}

int widthOf(int type) { return type == kInt8 ? 1 : type == kInt16 ? 2 : 4; }

// One gray row of n samples in that encoding.
RawImageInfo grayRow(const Encoding& e, int n) {
  const RawFormat format(ChromaLayout::Y, ComponentOrder::Y, static_cast<S>(e.type), false,
                         static_cast<B>(e.order));
  return bound(RawFormatSpec(format, e.bits, false), n, 1);
}

// Integer values stored in the encoding's byte order.
RawImage grayOf(const Encoding& e, const std::vector<uint32_t>& values) {
  RawImage image = allocated(grayRow(e, static_cast<int>(values.size())));
  uint8_t* row = image.row(0, 0);
  for (size_t i = 0; i < values.size(); ++i) {
    if (e.type == kInt8) {
      row[i] = static_cast<uint8_t>(values[i]);
    } else if (e.order == kBE) {
      row[2 * i] = static_cast<uint8_t>(values[i] >> 8);
      row[2 * i + 1] = static_cast<uint8_t>(values[i]);
    } else {
      row[2 * i] = static_cast<uint8_t>(values[i]);
      row[2 * i + 1] = static_cast<uint8_t>(values[i] >> 8);
    }
  }
  return image;
}

RawImage grayOfFloats(const std::vector<float>& values) {
  RawImage image = allocated(grayRow({kFloat, 32, kDefault}, static_cast<int>(values.size())));
  std::memcpy(image.row(0, 0), values.data(), values.size() * sizeof(float));
  return image;
}

std::vector<uint32_t> integersOf(const ConstRawFrame& image, int order) {
  std::vector<uint32_t> values;
  const uint8_t* row = image.row(0, 0);
  for (int i = 0; i < image.header.width; ++i) {
    if (image.header.sampleType == S::Int8) {
      values.push_back(row[i]);
    } else if (order == kBE) {
      values.push_back(uint32_t{row[2 * i]} << 8 | row[2 * i + 1]);
    } else {
      values.push_back(uint32_t{row[2 * i + 1]} << 8 | row[2 * i]);
    }
  }
  return values;
}

std::vector<float> floatsOf(const ConstRawFrame& image) {
  std::vector<float> values(static_cast<size_t>(image.header.width));
  std::memcpy(values.data(), image.row(0, 0), values.size() * sizeof(float));
  return values;
}

RawImage convertSamples(const Encoding& from, const Encoding& to, const ConstRawFrame& source) {
  BpsConverter bps(from.type, from.bits, from.order, to.type, to.bits, to.order);
  RawImage out;
  EXPECT_TRUE(bps.convert(source, out)) << describe(from) << " -> " << describe(to);
  return out;
}

// x with its a bits repeated from the top until b bits are filled.
uint32_t replicated(uint32_t x, int a, int b) {
  uint64_t bits = 0;
  int filled = 0;
  while (filled < b) {
    bits = bits << a | x;
    filled += a;
  }
  return static_cast<uint32_t>(bits >> (filled - b));
}

TEST(BpsConverter, WorkedValues) {
  struct Case {
    Encoding from, to;
    std::vector<uint32_t> in, out;
  };
  const Case cases[] = {
      {{kInt8, 8, kDefault}, {kInt16, 10, kLE}, {255, 128, 1, 0}, {1023, 514, 4, 0}},
      {{kInt8, 8, kDefault}, {kInt16, 16, kLE}, {1, 255}, {257, 65535}},
      {{kInt16, 10, kLE}, {kInt16, 16, kLE}, {512, 1023}, {32800, 65535}},
      {{kInt16, 12, kLE}, {kInt16, 16, kLE}, {4095}, {65535}},
      {{kInt16, 10, kLE}, {kInt8, 8, kDefault}, {1023, 3}, {255, 0}},
      {{kInt8, 1, kDefault}, {kInt8, 8, kDefault}, {0, 1}, {0, 255}},
      // Byte orders: the value 258 is 01 02 big-endian and 02 01 little-endian.
      {{kInt16, 16, kBE}, {kInt16, 16, kLE}, {258}, {258}},
      {{kInt16, 16, kLE}, {kInt16, 16, kBE}, {258}, {258}},
      {{kInt16, 16, kBE}, {kInt16, 16, kBE}, {258, 65280}, {258, 65280}},
      {{kInt8, 8, kDefault}, {kInt16, 16, kBE}, {1}, {257}},
      {{kInt16, 12, kBE}, {kInt8, 8, kDefault}, {4095, 16}, {255, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(describe(c.from) + " -> " + describe(c.to));
    const RawImage source = grayOf(c.from, c.in);
    EXPECT_EQ(integersOf(convertSamples(c.from, c.to, source), c.to.order), c.out);
  }
  // The byte pattern itself, not only the value.
  const RawImage be = grayOf({kInt16, 16, kBE}, {258});
  EXPECT_EQ(be.row(0, 0)[0], 1);
  EXPECT_EQ(be.row(0, 0)[1], 2);
  const RawImage le = convertSamples({kInt16, 16, kBE}, {kInt16, 16, kLE}, be);
  EXPECT_EQ(le.row(0, 0)[0], 2);
  EXPECT_EQ(le.row(0, 0)[1], 1);
}

TEST(BpsConverter, FloatSamplesAreNormalisedAndTruncated) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const RawImage floats = grayOfFloats({0.5f, 1.0f, 1.5f, -0.25f, nan, 0.0f});
  EXPECT_EQ(
      integersOf(convertSamples({kFloat, 32, kDefault}, {kInt8, 8, kDefault}, floats), kDefault),
      (std::vector<uint32_t>{127, 255, 255, 0, 0, 0}));
  EXPECT_EQ(integersOf(convertSamples({kFloat, 32, kDefault}, {kInt16, 10, kLE}, floats), kLE),
            (std::vector<uint32_t>{511, 1023, 1023, 0, 0, 0}));
  EXPECT_EQ(integersOf(convertSamples({kFloat, 32, kDefault}, {kInt16, 16, kBE}, floats), kBE),
            (std::vector<uint32_t>{32767, 65535, 65535, 0, 0, 0}));

  EXPECT_EQ(floatsOf(convertSamples({kInt8, 8, kDefault}, {kFloat, 32, kDefault},
                                    grayOf({kInt8, 8, kDefault}, {255, 0}))),
            (std::vector<float>{1.0f, 0.0f}));
  EXPECT_EQ(floatsOf(convertSamples({kInt16, 10, kBE}, {kFloat, 32, kDefault},
                                    grayOf({kInt16, 10, kBE}, {1023, 0}))),
            (std::vector<float>{1.0f, 0.0f}));

  // Float to float copies every bit pattern, NaN and values out of range included.
  const RawImage copied = convertSamples({kFloat, 32, kDefault}, {kFloat, 32, kDefault}, floats);
  EXPECT_EQ(payload(copied), payload(floats));
}

// Every value of every pair of depths: up and back down is the identity, up is bit replication,
// down drops the low bits; through float and back is the identity too.
TEST(BpsConverter, EveryValueOfEveryPairOfDepths) {
  const std::vector<Encoding> depths = {
      {kInt8, 1, kDefault}, {kInt8, 8, kDefault}, {kInt16, 9, kLE}, {kInt16, 10, kLE},
      {kInt16, 12, kBE},    {kInt16, 14, kLE},    {kInt16, 16, kBE}};
  const Encoding real{kFloat, 32, kDefault};
  for (const Encoding& a : depths) {
    std::vector<uint32_t> all(size_t{1} << a.bits);
    for (uint32_t x = 0; x < all.size(); ++x) all[x] = x;
    const RawImage source = grayOf(a, all);
    for (const Encoding& b : depths) {
      if (b.bits <= a.bits) continue;
      SCOPED_TRACE(describe(a) + " <-> " + describe(b));
      const RawImage up = convertSamples(a, b, source);
      const std::vector<uint32_t> upValues = integersOf(up, b.order);
      bool replicates = true;
      for (uint32_t x = 0; x < all.size() && replicates; ++x) {
        replicates = upValues[x] == replicated(x, a.bits, b.bits);
      }
      EXPECT_TRUE(replicates);
      EXPECT_EQ(integersOf(convertSamples(b, a, up), a.order), all);

      std::vector<uint32_t> everyB(size_t{1} << b.bits);
      for (uint32_t x = 0; x < everyB.size(); ++x) everyB[x] = x;
      const std::vector<uint32_t> down =
          integersOf(convertSamples(b, a, grayOf(b, everyB)), a.order);
      bool drops = true;
      for (uint32_t x = 0; x < everyB.size() && drops; ++x) {
        drops = down[x] == x >> (b.bits - a.bits);
      }
      EXPECT_TRUE(drops);
    }
    SCOPED_TRACE(describe(a) + " <-> float");
    EXPECT_EQ(integersOf(convertSamples(real, a, convertSamples(a, real, source)), a.order), all);
  }
}

TEST(BpsConverter, ViewsOnlyTheIdentity) {
  const RawImage planar = allocated(bound(RawFormatHint::RGBp10LE, 5, 3));
  BpsConverter same(kInt16, 10, kLE, kInt16, 10, kLE);
  const RawFrame view = same.view(static_cast<const RawFrame&>(planar));
  ASSERT_EQ(view.planeCount(), 3);
  for (int p = 0; p < 3; ++p) EXPECT_EQ(view.planeData(p), planar.planeData(p));
  RawImage buffer;
  EXPECT_EQ(same.convertFrame(planar, buffer).planes[1].data, planar.planeData(1));
  EXPECT_TRUE(buffer.empty());
  EXPECT_TRUE(BpsConverter(kInt16, 10, kLE, kInt16, 10, kBE).view(ConstRawFrame(planar)).empty());
  EXPECT_TRUE(BpsConverter(kInt16, 10, kLE, kInt16, 12, kLE).view(ConstRawFrame(planar)).empty());
}

TEST(BpsConverter, ConvertsEveryPlaneAndKeepsTheLayout) {
  std::mt19937 random(3);
  RawImage source = allocated(bound(RawFormatHint::YUV420p, 7, 5));
  fillRandom(source, random);
  BpsConverter bps(kInt8, 8, kDefault, kInt16, 16, kBE);
  RawImage out;
  ASSERT_TRUE(bps.convert(source, out));
  EXPECT_EQ(out.header.layout, ChromaLayout::Planar_420);
  EXPECT_EQ(out.header.byteOrder, ByteOrder::BE);
  EXPECT_EQ(out.header.bitDepth, 16);
  ASSERT_EQ(out.planeCount(), 3);
  for (int p = 0; p < 3; ++p) {
    for (int y = 0; y < source.header.planeHeight(p); ++y) {
      for (int x = 0; x < source.header.reader->planeWidth(p); ++x) {
        const uint8_t v = source.row(p, y)[x];
        EXPECT_EQ(out.row(p, y)[2 * x], v);
        EXPECT_EQ(out.row(p, y)[2 * x + 1], v);
      }
    }
  }
}

TEST(BpsConverter, ByteOrderOnAFloatSideIsAProgrammingError) {
  const RawImage floats = grayOfFloats({0.25f, 0.75f});
  RawImage out = allocated(floats.header);
  BpsConverter floatBoth(kFloat, 32, kBE, kFloat, 32, kDefault);
  EXPECT_EQ(assertionText([&] { floatBoth.convertInto(floats, out); }),
            "convEndianSrc == false && convEndianDst == false");
  BpsConverter floatSource(kFloat, 32, kBE, kInt8, 8, kDefault);
  RawImage bytes = allocated(grayRow({kInt8, 8, kDefault}, 2));
  EXPECT_EQ(assertionText([&] { floatSource.convertInto(floats, bytes); }),
            "convEndianSrc == false");
  const RawImage words = grayOf({kInt16, 16, kLE}, {1, 2});
  BpsConverter floatTarget(kInt16, 16, kLE, kFloat, 32, kBE);
  EXPECT_EQ(assertionText([&] { floatTarget.convertInto(words, out); }), "convEndianDst == false");
}

TEST(BpsConverter, SourcesItCannotServe) {
  BpsConverter bps(kInt8, 8, kDefault, kInt16, 16, kLE);
  RawImage out = allocated(grayRow({kInt16, 16, kLE}, 4));
  fillBytes(out, 0x33);
  const auto before = everyByte(out);
  EXPECT_FALSE(bps.convertInto(ConstRawFrame(), out));
  // Samples of another width or depth than the converter's, or bit-packed ones: reading them
  // as the converter's would run past their rows.
  EXPECT_FALSE(bps.convertInto(grayOf({kInt16, 16, kLE}, {1, 2, 3, 4}), out));
  EXPECT_FALSE(bps.convertInto(grayOf({kInt8, 3, kDefault}, {1, 2, 3, 4}), out));
  const RawFormat packed(ChromaLayout::Y, ComponentOrder::Y, S::Int8, true, B::Default);
  RawImage bits = allocated(bound(RawFormatSpec(packed, 8, false), 4, 1));
  EXPECT_FALSE(bps.convertInto(bits, out));
  EXPECT_EQ(everyByte(out), before);
  // A depth that its type cannot hold.
  BpsConverter zero(kInt8, 0, kDefault, kInt16, 16, kLE);
  EXPECT_FALSE(zero.convertInto(grayOf({kInt8, 0, kDefault}, {0}), out));
}

// --- matrix

// One pixel in three planes of a planar 4:4:4 image of that sample type and depth.
RawImage pixelImage(int type, int bits, const std::vector<double>& values) {
  const RawFormat format(ChromaLayout::Planar_444, ComponentOrder::RGB, static_cast<S>(type), false,
                         B::LE);
  RawImage image =
      allocated(bound(RawFormatSpec(format, bits, false), static_cast<int>(values.size()), 1));
  for (int p = 0; p < 3; ++p) {
    for (size_t x = 0; x < values.size(); ++x) {
      uint8_t* at = image.row(p, 0) + x * static_cast<size_t>(widthOf(type));
      if (type == kFloat) {
        const float f = static_cast<float>(values[x]);
        std::memcpy(at, &f, 4);
      } else if (type == kInt16) {
        const uint16_t w = static_cast<uint16_t>(values[x]);
        std::memcpy(at, &w, 2);
      } else {
        *at = static_cast<uint8_t>(values[x]);
      }
    }
  }
  return image;
}

double sampleAt(const ConstRawFrame& image, int p, int x) {
  const uint8_t* at = image.row(p, 0) + x * widthOf(static_cast<int>(image.header.sampleType));
  if (image.header.sampleType == S::Float32) {
    float f;
    std::memcpy(&f, at, 4);
    return f;
  }
  if (image.header.sampleType == S::Int16) {
    uint16_t w;
    std::memcpy(&w, at, 2);
    return w;
  }
  return *at;
}

const float kIdentity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

// Output plane 0 for input values through row 0 = (1, 0, 0) and offset o (8-bit units).
std::vector<double> throughIdentity(int type, int bits, const std::vector<double>& in, float o,
                                    const float* matrix = kIdentity) {
  const float offsets[3] = {o, 0, 0};
  MatrixConverter converter(matrix, offsets, 1, type, bits);
  const RawImage source = pixelImage(type, bits, in);
  RawImage out;
  EXPECT_TRUE(converter.convert(source, out));
  std::vector<double> values;
  for (size_t x = 0; x < in.size(); ++x) values.push_back(sampleAt(out, 0, static_cast<int>(x)));
  return values;
}

TEST(MatrixConverter, IntegerOutputsAreClampedAndTruncated) {
  // 8-bit: offsets are codes.
  EXPECT_EQ(throughIdentity(kInt8, 8, {0}, -3.2f), std::vector<double>{0});
  EXPECT_EQ(throughIdentity(kInt8, 8, {254}, 0.9f), std::vector<double>{254});
  EXPECT_EQ(throughIdentity(kInt8, 8, {255}, 45.0f), std::vector<double>{255});
  const float nanMatrix[9] = {std::numeric_limits<float>::quiet_NaN(), 0, 0, 0, 1, 0, 0, 0, 1};
  EXPECT_EQ(throughIdentity(kInt8, 8, {10}, 0.0f, nanMatrix), std::vector<double>{0});
  // 10-bit: an offset of 255 stands for 1023.
  EXPECT_EQ(throughIdentity(kInt16, 10, {1023}, 0.5f * 255.0f / 1023.0f),
            std::vector<double>{1023});
  EXPECT_EQ(throughIdentity(kInt16, 10, {1000}, 100.0f * 255.0f / 1023.0f),
            std::vector<double>{1023});
  EXPECT_EQ(throughIdentity(kInt16, 10, {0, 500}, 300.0f), (std::vector<double>{1023, 1023}));
  // The scaled offset is computed in single precision: 255 x (1023 / 255) falls just short.
  EXPECT_EQ(throughIdentity(kInt16, 10, {0}, 255.0f), std::vector<double>{1022});
  EXPECT_EQ(throughIdentity(kInt16, 10, {500}, 2.5f * 255.0f / 1023.0f), std::vector<double>{502});
}

TEST(MatrixConverter, FloatOutputsAreNotClamped) {
  const std::vector<double> out = throughIdentity(kFloat, 32, {1.2, -0.1, 0.5}, 0.0f);
  EXPECT_EQ(out[0], static_cast<double>(1.2f));
  EXPECT_EQ(out[1], static_cast<double>(-0.1f));
  // Float offsets are in 8-bit units too: 255 is 1.0.
  EXPECT_FLOAT_EQ(static_cast<float>(throughIdentity(kFloat, 32, {0.25}, 127.5f)[0]), 0.75f);
}

TEST(MatrixConverter, IdentityLeavesIntegerImagesUnchanged) {
  const float zero[3] = {0, 0, 0};
  for (const auto& [type, bits] :
       {std::pair{kInt8, 8}, std::pair{kInt16, 16}, std::pair{kInt16, 10}}) {
    SCOPED_TRACE(bits);
    const RawFormat format(ChromaLayout::Planar_444, ComponentOrder::YUV, static_cast<S>(type),
                           false, B::LE);
    RawImage source = allocated(bound(RawFormatSpec(format, bits, false), 37, 4));
    std::mt19937 random(bits);
    fillRandom(source, random);
    if (bits == 10) {
      // Within the depth: the clamp would change anything above it.
      for (int p = 0; p < 3; ++p) {
        for (int y = 0; y < 4; ++y) {
          for (int x = 0; x < 37; ++x) source.row(p, y)[2 * x + 1] &= 3;
        }
      }
    }
    MatrixConverter identity(kIdentity, zero, 0, type, bits);
    RawImage out;
    ASSERT_TRUE(identity.convert(source, out));
    EXPECT_EQ(out.header.order, ComponentOrder::RGB);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(workingPlane(out, p), workingPlane(source, p));
  }
}

TEST(MatrixConverter, OutputHeaderViewsAndRefusals) {
  const float zero[3] = {0, 0, 0};
  MatrixConverter toYuv(kIdentity, zero, 1, kInt16, 12);
  const RawImageInfo out = toYuv.outputInfo(bound(RawFormatHint::RGB24, 9, 2));
  EXPECT_EQ(out.layout, ChromaLayout::Planar_444);
  EXPECT_EQ(out.order, ComponentOrder::YUV);
  EXPECT_EQ(out.sampleType, S::Int16);
  EXPECT_EQ(out.byteOrder, B::LE);
  EXPECT_EQ(out.bitDepth, 12);
  EXPECT_EQ(out.width, 9);
  EXPECT_NE(out.reader, nullptr);
  EXPECT_EQ(MatrixConverter(kIdentity, zero, 2, kInt8, 8).outputInfo(out).reader, nullptr);

  const RawImage source = pixelImage(kInt16, 12, {1, 2, 3});
  EXPECT_TRUE(toYuv.view(ConstRawFrame(source)).empty());
  EXPECT_TRUE(toYuv.view(static_cast<const RawFrame&>(source)).empty());

  // Sizes of nothing: nothing to write, and done.
  RawImage none = allocated(toYuv.outputInfo(bound(RawFormatHint::RGBp12LE, 0, 3)));
  EXPECT_TRUE(toYuv.convertInto(allocated(bound(RawFormatHint::RGBp12LE, 0, 3)), none));

  RawImage target = allocated(toYuv.outputInfo(source.header));
  fillBytes(target, 0x11);
  const auto before = everyByte(target);
  EXPECT_FALSE(toYuv.convertInto(ConstRawFrame(), target));
  // A converter that was never given coefficients converts nothing.
  MatrixConverter unset;
  unset.targetModel = 1, unset.sampleType = kInt16, unset.bitDepth = 12;
  EXPECT_FALSE(unset.convertInto(source, target));
  // Samples of another type or depth, and images that are not planar 4:4:4.
  EXPECT_FALSE(toYuv.convertInto(pixelImage(kInt8, 8, {1, 2, 3}), target));
  EXPECT_FALSE(toYuv.convertInto(pixelImage(kInt16, 10, {1, 2, 3}), target));
  EXPECT_FALSE(toYuv.convertInto(allocated(bound(RawFormatHint::RGB48LE, 3, 1)), target));
  EXPECT_EQ(everyByte(target), before);

  RawImage wrong = allocated(bound(RawFormatHint::RGBp16LE, 3, 1));
  EXPECT_EQ(assertionText([&] { toYuv.convertInto(source, wrong); }),
            "destination.getInfo() == outputHeader(in)");
}

// --- the loops: every compiled set gives the plain loops' bytes

std::vector<kernels::Loops> compiledLoops() {
  std::vector<kernels::Loops> all;
  for (kernels::Loops l : {kernels::Loops::Avx2, kernels::Loops::Avx512}) {
    if (kernels::loopsSupported(l)) all.push_back(l);
  }
  return all;
}

std::vector<uint8_t> randomBytes(size_t n, std::mt19937& random) {
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// Floats spread over -0.5 .. 1.5 with some NaNs and infinities.
std::vector<uint8_t> randomFloats(size_t n, std::mt19937& random) {
  std::vector<float> values(n);
  std::uniform_real_distribution<float> spread(-0.5f, 1.5f);
  for (size_t i = 0; i < n; ++i) {
    values[i] = i % 97 == 5    ? std::numeric_limits<float>::quiet_NaN()
                : i % 89 == 7  ? std::numeric_limits<float>::infinity()
                : i % 83 == 11 ? -std::numeric_limits<float>::infinity()
                               : spread(random);
  }
  std::vector<uint8_t> bytes(n * 4);
  std::memcpy(bytes.data(), values.data(), bytes.size());
  return bytes;
}

TEST(ConverterLoops, SampleRowsOfEveryLoopSetMatchThePlainOnes) {
  std::mt19937 random(11);
  const int n = 203;  // whole vectors and a tail
  for (int srcWidth : {1, 2, 4}) {
    for (int dstWidth : {1, 2, 4}) {
      for (int flags = 0; flags < 4; ++flags) {
        for (const auto& [srcBits, dstBits] :
             {std::pair{8, 8}, std::pair{8, 10}, std::pair{1, 8}, std::pair{12, 16},
              std::pair{16, 9}, std::pair{10, 8}, std::pair{16, 16}}) {
          if ((srcWidth == 1 && srcBits > 8) || (dstWidth == 1 && dstBits > 8)) continue;
          kernels::SampleRowSpec spec;
          spec.srcWidth = srcWidth, spec.dstWidth = dstWidth;
          spec.swapSrc = flags & 1, spec.swapDst = flags & 2;
          spec.srcBits = srcBits, spec.dstBits = dstBits;
          SCOPED_TRACE(std::to_string(srcWidth) + "->" + std::to_string(dstWidth) + " flags " +
                       std::to_string(flags) + " bits " + std::to_string(srcBits) + "->" +
                       std::to_string(dstBits));
          const std::vector<uint8_t> src =
              srcWidth == 4 ? randomFloats(n, random) : randomBytes(size_t{n} * 2, random);
          std::vector<uint8_t> plain(size_t{n} * 4, 0), other(size_t{n} * 4, 0);
          kernels::sampleRowRoutine(spec, kernels::Loops::Plain)(spec, src.data(), plain.data(), n);
          for (kernels::Loops loops : compiledLoops()) {
            std::fill(other.begin(), other.end(), 0);
            kernels::sampleRowRoutine(spec, loops)(spec, src.data(), other.data(), n);
            EXPECT_EQ(other, plain);
          }
        }
      }
    }
  }
}

TEST(ConverterLoops, MatrixRowsOfEveryLoopSetMatchThePlainOnes) {
  std::mt19937 random(12);
  const int n = 150;
  std::uniform_real_distribution<float> weight(-2.0f, 2.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // A general matrix, one of the YUV to RGB form, and one whose values overflow an int.
  std::vector<std::vector<float>> matrices = {
      {weight(random), weight(random), weight(random), weight(random), weight(random),
       weight(random), weight(random), weight(random), weight(random)},
      {1.164f, 0.0f, 1.596f, 1.164f, -0.392f, -0.813f, 1.164f, 2.017f, 0.0f},
      {3e9f, 1.0f, 0.0f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f, nan}};
  const float offsets[3] = {-222.5f, 135.25f, -276.75f};
  for (int width : {1, 2, 4}) {
    for (const auto& m : matrices) {
      for (float maxValue : {7.0f, 255.0f, 1023.0f, 65535.0f}) {
        if (width == 1 && maxValue > 255.0f) continue;
        SCOPED_TRACE("width " + std::to_string(width) + " m0 " + std::to_string(m[0]) + " max " +
                     std::to_string(maxValue));
        std::vector<std::vector<uint8_t>> in;
        for (int p = 0; p < 3; ++p) {
          in.push_back(width == 4 ? randomFloats(n, random)
                                  : randomBytes(size_t{n} * static_cast<size_t>(width), random));
        }
        const auto run = [&](kernels::Loops loops) {
          std::vector<std::vector<uint8_t>> out(3, std::vector<uint8_t>(size_t{n} * 4, 0));
          kernels::MatrixRow row{{in[0].data(), in[1].data(), in[2].data()},
                                 {out[0].data(), out[1].data(), out[2].data()},
                                 n};
          kernels::matrixRowRoutine(width, m.data(), offsets, loops)(row, m.data(), offsets,
                                                                     maxValue);
          return out;
        };
        const auto plain = run(kernels::Loops::Plain);
        for (kernels::Loops loops : compiledLoops()) {
          const auto other = run(loops);
          if (width != 4) {
            EXPECT_EQ(other, plain);
            continue;
          }
          // Float outputs: equal values, and NaN where the plain loop has NaN (which NaN an
          // operation hands on depends on the order of its operands).
          for (int p = 0; p < 3; ++p) {
            for (int x = 0; x < n; ++x) {
              float a, b;
              std::memcpy(&a, &plain[static_cast<size_t>(p)][static_cast<size_t>(4 * x)], 4);
              std::memcpy(&b, &other[static_cast<size_t>(p)][static_cast<size_t>(4 * x)], 4);
              if (std::isnan(a)) {
                EXPECT_TRUE(std::isnan(b)) << p << " " << x;
              } else {
                EXPECT_EQ(std::memcmp(&a, &b, 4), 0) << p << " " << x << " " << a << " " << b;
              }
            }
          }
        }
      }
    }
  }
}

// The subsampled routines against the plain matrix over the chroma repeated: every loop set,
// one and two rows, widths with and without a partial last chroma sample.
TEST(ConverterLoops, SubsampledChromaGivesTheMatrixOverRepeatedChroma) {
  std::mt19937 random(13);
  const float m[9] = {1.164f, 0.0f, 1.596f, 1.164f, -0.392f, -0.813f, 1.164f, 2.017f, 0.0f};
  const float o[3] = {-222.5f, 135.75f, -276.25f};
  std::vector<kernels::Loops> sets = compiledLoops();
  sets.push_back(kernels::Loops::Plain);
  for (const auto& [width, maxValue] :
       {std::pair{1, 255.0f}, std::pair{1, 7.0f}, std::pair{2, 1023.0f}}) {
    const float scaled[3] = {o[0] * maxValue / 255.0f, o[1] * maxValue / 255.0f,
                             o[2] * maxValue / 255.0f};
    for (int step : {2, 4}) {
      for (int n : {1, 31, 64, 97, 130}) {
        for (int rows : {1, 2}) {
          SCOPED_TRACE("width " + std::to_string(width) + " max " + std::to_string(maxValue) +
                       " step " + std::to_string(step) + " n " + std::to_string(n) + " rows " +
                       std::to_string(rows));
          const size_t bytes = size_t{static_cast<size_t>(n)} * static_cast<size_t>(width);
          const int chroma = (n + step - 1) / step;
          std::vector<uint8_t> u = randomBytes(static_cast<size_t>(chroma * width), random);
          std::vector<uint8_t> v = randomBytes(static_cast<size_t>(chroma * width), random);
          if (width == 2) {
            for (size_t i = 1; i < u.size(); i += 2) u[i] &= 3, v[i] &= 3;
          }
          std::vector<std::vector<uint8_t>> luma = {randomBytes(bytes, random),
                                                    randomBytes(bytes, random)};
          // The reference: chroma repeated, through the plain matrix routine.
          std::vector<uint8_t> uFull(bytes), vFull(bytes);
          for (int x = 0; x < n; ++x) {
            std::memcpy(&uFull[static_cast<size_t>(x * width)],
                        &u[static_cast<size_t>(x / step * width)], static_cast<size_t>(width));
            std::memcpy(&vFull[static_cast<size_t>(x * width)],
                        &v[static_cast<size_t>(x / step * width)], static_cast<size_t>(width));
          }
          std::vector<std::vector<uint8_t>> expected(6, std::vector<uint8_t>(bytes));
          for (int r = 0; r < rows; ++r) {
            kernels::MatrixRow row{
                {luma[static_cast<size_t>(r)].data(), uFull.data(), vFull.data()},
                {expected[static_cast<size_t>(3 * r)].data(),
                 expected[static_cast<size_t>(3 * r + 1)].data(),
                 expected[static_cast<size_t>(3 * r + 2)].data()},
                n};
            kernels::matrixRowRoutine(width, m, scaled, kernels::Loops::Plain)(row, m, scaled,
                                                                               maxValue);
          }
          for (kernels::Loops loops : sets) {
            std::vector<std::vector<uint8_t>> out(6, std::vector<uint8_t>(bytes, 0));
            const void* lumaRows[2] = {luma[0].data(), luma[1].data()};
            void* dst[6];
            for (int k = 0; k < 6; ++k) dst[k] = out[static_cast<size_t>(k)].data();
            const auto routine = kernels::subsampledMatrixRoutine(width, step, m, scaled, loops);
            ASSERT_NE(routine, nullptr);
            routine(u.data(), v.data(), lumaRows, dst, rows, n, m, scaled, maxValue);
            for (int k = 0; k < 3 * rows; ++k) {
              EXPECT_EQ(out[static_cast<size_t>(k)], expected[static_cast<size_t>(k)]) << k;
            }
          }
        }
      }
    }
  }
  // Only that form of matrix, on integer samples.
  EXPECT_EQ(kernels::subsampledMatrixRoutine(4, 2, m, o), nullptr);
  const float general[9] = {1, 0.5f, 0, 0, 1, 0, 0, 0, 1};
  EXPECT_EQ(kernels::subsampledMatrixRoutine(1, 2, general, o), nullptr);
}

}  // namespace
