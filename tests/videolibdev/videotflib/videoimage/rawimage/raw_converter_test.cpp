// The converter interface and the planar converters: views over the source's own planes exactly
// where the raw planes hold working samples, conversions into buffers that are allocated once per
// source header, sources without planes or readers, and broken destinations.
#include "videoimage/rawimage/raw_converter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "support/assert_guard.h"
#include "videolibdev/videotflib/videoimage/rawimage/raw_fixtures.h"

namespace {

using namespace rawimage_test;
using rawImageConverters::FromPlanarConverter;
using rawImageConverters::ToPlanarConverter;
using vixo_test::assertionText;
using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;

RawFormatSpec spec(L layout, O order, S type, int bits, B byteOrder = B::Default,
                   bool packed = false, bool bottomUp = false) {
  return RawFormatSpec(RawFormat(layout, order, type, packed, byteOrder), bits, bottomUp);
}

RawImage randomImage(const RawImageInfo& info, unsigned seed = 1) {
  RawImage image = allocated(info);
  std::mt19937 random(seed);
  fillRandom(image, random);
  return image;
}

std::vector<const uint8_t*> planePointers(const ConstRawFrame& frame) {
  std::vector<const uint8_t*> pointers;
  for (const auto& plane : frame.planes) pointers.push_back(plane.data);
  return pointers;
}

// The working image a decode gives, for comparison.
RawImage decoded(const ConstRawFrame& raw) {
  RawImage working = workingFor(raw.header);
  EXPECT_TRUE(raw.decode(working));
  return working;
}

TEST(ToPlanarConverter, ViewsExactlyThePlanesThatHoldWorkingSamples) {
  struct Case {
    RawFormatSpec spec;
    std::vector<int> planeOfComponent;  // empty: no view
  };
  const Case cases[] = {
      {spec(L::Planar_444, O::RGB, S::Int8, 8), {0, 1, 2}},
      {spec(L::Planar_444, O::GBR, S::Int8, 8), {2, 0, 1}},
      {spec(L::Planar_444, O::YVU, S::Int8, 8), {0, 2, 1}},
      {spec(L::Planar_444, O::RGB, S::Int16, 10, B::LE), {0, 1, 2}},
      {spec(L::Planar_444, O::YUV, S::Float32, 32), {0, 1, 2}},
      // The alpha plane is left out.
      {spec(L::Planar_444, O::ARGB, S::Int8, 8), {1, 2, 3}},
      // Re-encoded samples, subsampled or interleaved planes: decoded.
      {spec(L::Planar_444, O::RGB, S::Int16, 16, B::BE), {}},
      {spec(L::Planar_444, O::RGB, S::Int16, 10, B::Default, true), {}},
      {spec(L::Planar_444, O::YUV, S::Int8, 3, B::Default, true), {}},
      {spec(L::Packed_444, O::RGB, S::Int8, 8), {}},
      {spec(L::Planar_420, O::YUV, S::Int8, 8), {}},
      {spec(L::NV_420, O::YUV, S::Int8, 8), {}},
      {spec(L::Y, O::Y, S::Int8, 8), {}},
      // A view keeps the stored row order, so a bottom-up picture is decoded top-down.
      {spec(L::Planar_444, O::RGB, S::Int8, 8, B::Default, false, true), {}},
  };
  ToPlanarConverter toPlanar;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec.name() + (c.spec.packed ? " bit-packed" : ""));
    const RawImage source = randomImage(bound(c.spec, 7, 3));
    const ConstRawFrame view = toPlanar.view(ConstRawFrame(source));
    RawImage buffer;
    const ConstRawFrame result = toPlanar.convertFrame(source, buffer);
    if (c.planeOfComponent.empty()) {
      EXPECT_TRUE(view.empty());
      ASSERT_EQ(result.planeCount(), 3);
      EXPECT_EQ(result.planes[0].data, buffer.planeData(0));
      EXPECT_EQ(payload(result), payload(decoded(source)));
      continue;
    }
    ASSERT_EQ(view.planeCount(), 3);
    EXPECT_TRUE(view.header == source.getDecodedType());
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(view.planeData(k), source.planeData(c.planeOfComponent[static_cast<size_t>(k)]));
    }
    // convertFrame hands out the view and leaves its buffer alone.
    EXPECT_EQ(planePointers(result), planePointers(view));
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(payload(result), payload(decoded(source)));
    // The writable overload views the same planes.
    const RawImage& writable = source;
    EXPECT_EQ(planePointers(toPlanar.view(static_cast<const RawFrame&>(writable))),
              planePointers(view));
  }
}

TEST(ToPlanarConverter, ReusesItsBufferForSourcesOfOneHeader) {
  ToPlanarConverter toPlanar;
  const RawImageInfo info = bound(RawFormatHint::YUV420p, 9, 5);
  const RawImage first = randomImage(info, 1);
  const RawImage second = randomImage(info, 2);
  RawImage buffer;
  const ConstRawFrame a = toPlanar.convertFrame(first, buffer);
  const uint8_t* memory = buffer.planeData(0);
  EXPECT_EQ(payload(a), payload(decoded(first)));
  const ConstRawFrame b = toPlanar.convertFrame(second, buffer);
  EXPECT_EQ(buffer.planeData(0), memory);
  EXPECT_EQ(b.planes[0].data, memory);
  EXPECT_EQ(payload(b), payload(decoded(second)));

  // Another header re-allocates; so does convert into an image of another header.
  const RawImage larger = randomImage(bound(RawFormatHint::YUV420p, 12, 6));
  EXPECT_EQ(payload(toPlanar.convertFrame(larger, buffer)), payload(decoded(larger)));
  EXPECT_EQ(buffer.header.width, 12);
  RawImage wrong = allocated(bound(RawFormatHint::RGB24, 3, 3));
  ASSERT_TRUE(toPlanar.convert(first, wrong));
  EXPECT_TRUE(wrong.header == first.getDecodedType());
  EXPECT_EQ(payload(wrong), payload(decoded(first)));
}

TEST(FromPlanarConverter, ServesOnlyTheTargetsWorkingImage) {
  const RawImageInfo target = bound(RawFormatHint::BGR24, 5, 4);
  FromPlanarConverter fromPlanar(target);
  const RawImage working = randomImage(target.getDecodedType());

  EXPECT_TRUE(fromPlanar.outputInfo(working.header) == target);
  EXPECT_NE(fromPlanar.outputInfo(working.header).reader, nullptr);
  RawImage out;
  const ConstRawFrame encoded = fromPlanar.convertFrame(working, out);
  ASSERT_EQ(encoded.planeCount(), 1);
  RawImage expected = allocated(target);
  ASSERT_TRUE(working.encodeTo(expected));
  EXPECT_EQ(payload(encoded), payload(expected));

  // Any other source: no output header, no destination fits it, and nothing is converted.
  const RawImage other = randomImage(bound(spec(L::Planar_444, O::RGB, S::Int8, 8), 5, 3));
  const RawImageInfo none = fromPlanar.outputInfo(other.header);
  EXPECT_EQ(none.reader, nullptr);
  EXPECT_EQ(none.layout, static_cast<L>(10));
  EXPECT_FALSE(fromPlanar.isOutputCompatible(other, expected));
  RawImage buffer = allocated(target);
  const auto before = everyByte(buffer);
  EXPECT_FALSE(fromPlanar.convertInto(other, buffer));
  EXPECT_EQ(everyByte(buffer), before);
  EXPECT_TRUE(fromPlanar.convertFrame(other, buffer).empty());
}

TEST(FromPlanarConverter, ViewsAPlanarTargetInItsPlaneOrder) {
  struct Case {
    RawFormatSpec target;
    std::vector<int> componentOfPlane;  // empty: no view
  };
  const Case cases[] = {
      {spec(L::Planar_444, O::GBR, S::Int8, 8), {1, 2, 0}},
      {spec(L::Planar_444, O::BRG, S::Int8, 8), {2, 0, 1}},
      {spec(L::Planar_444, O::YUV, S::Int16, 12, B::LE), {0, 1, 2}},
      {spec(L::Planar_444, O::YVU, S::Float32, 32), {0, 2, 1}},
      {spec(L::Packed_444, O::RGB, S::Int8, 8), {}},
      {spec(L::Planar_444, O::RGB, S::Int16, 16, B::BE), {}},
      {spec(L::Planar_444, O::RGB, S::Int8, 8, B::Default, true), {}},
      {spec(L::Planar_444, O::RGBA, S::Int8, 8), {}},
      {spec(L::Planar_422, O::YUV, S::Int8, 8), {}},
      {spec(L::Planar_444, O::RGB, S::Int8, 8, B::Default, false, true), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target.name() + (c.target.packed ? " bit-packed" : ""));
    const RawImageInfo target = bound(c.target, 6, 2);
    FromPlanarConverter fromPlanar(target);
    const RawImage working = randomImage(target.getDecodedType());
    const RawFrame view = fromPlanar.view(static_cast<const RawFrame&>(working));
    if (c.componentOfPlane.empty()) {
      EXPECT_TRUE(view.empty());
      continue;
    }
    ASSERT_EQ(view.planeCount(), 3);
    EXPECT_TRUE(view.header == target);
    for (int p = 0; p < 3; ++p) {
      EXPECT_EQ(view.planeData(p), working.planeData(c.componentOfPlane[static_cast<size_t>(p)]));
    }
    // The view holds what an encode would write.
    RawImage expected = allocated(target);
    ASSERT_TRUE(working.encodeTo(expected));
    EXPECT_EQ(payload(view), payload(expected));
  }
}

TEST(PlanarConverters, EmptySourcesAndSourcesWithoutReaders) {
  ToPlanarConverter toPlanar;
  FromPlanarConverter fromPlanar(bound(RawFormatHint::RGB24, 4, 4));
  RawImage destination = allocated(bound(RawFormatHint::RGB24, 4, 4).getDecodedType());
  fillBytes(destination, 0x5a);
  const auto before = everyByte(destination);

  const ConstRawFrame empty;
  EXPECT_FALSE(toPlanar.convertInto(empty, destination));
  EXPECT_FALSE(fromPlanar.convertInto(empty, destination));
  EXPECT_TRUE(toPlanar.view(empty).empty());
  EXPECT_TRUE(fromPlanar.view(empty).empty());
  RawImage buffer;
  EXPECT_TRUE(toPlanar.convertFrame(empty, buffer).empty());

  // Planes under a header whose format no reader serves (4:2:2 interleaved RGB).
  std::vector<uint8_t> memory(64, 7);
  ConstRawFrame noReader{RawImageInfo(spec(L::Packed_422, O::RGB, S::Int8, 8), 4, 4)};
  noReader.planes.push_back({memory.data(), 16});
  EXPECT_FALSE(toPlanar.convertInto(noReader, destination));
  EXPECT_TRUE(toPlanar.view(noReader).empty());
  EXPECT_TRUE(toPlanar.convertFrame(noReader, buffer).empty());
  EXPECT_EQ(everyByte(destination), before);
}

TEST(PlanarConverters, DestinationsOfAnotherHeaderAreProgrammingErrors) {
  ToPlanarConverter toPlanar;
  const RawImage raw = randomImage(bound(RawFormatHint::YUV420p, 4, 4));
  RawImage wrong = allocated(bound(RawFormatHint::RGBp, 4, 4));
  EXPECT_EQ(assertionText([&] { toPlanar.convertInto(raw, wrong); }),
            "dst.getInfo() == getDecodedType()");

  const RawImageInfo target = bound(RawFormatHint::RGB24, 4, 4);
  FromPlanarConverter fromPlanar(target);
  const RawImage working = randomImage(target.getDecodedType());
  RawImage gray = allocated(bound(RawFormatHint::gray, 4, 4));
  EXPECT_EQ(assertionText([&] { fromPlanar.convertInto(working, gray); }),
            "dst.getDecodedType() == getInfo()");
}

}  // namespace
