#include "videoimage/rawimage/raw_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;

template <class E>
E value(int v) {
  return static_cast<E>(v);
}

// ---------------------------------------------------------------- enumeration tables

TEST(RawFormatTables, ChromaLayoutsWithTheirPlaneKindsAndSubsampling) {
  const struct {
    int value;
    const char* name;
    int id, planeKind, subsampling;
  } rows[] = {
      {0, "Y", 0, 1, 0},
      {1, "Packed_444", 1, 0, 0},
      {2, "Planar_444", 2, 1, 0},
      {3, "Packed_422", 3, 0, 1},
      {4, "Planar_422", 4, 1, 1},
      {5, "NV_422", 5, 2, 1},
      {6, "NV_420", 6, 2, 2},
      {7, "Planar_410", 7, 1, 4},
      {8, "Planar_411", 8, 1, 3},
      {9, "Planar_420", 9, 1, 2},
      // Unknown values resolve to the default record.
      {10, "", 0, 3, 5},
      {-1, "", 0, 3, 5},
      {1 << 30, "", 0, 3, 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    const ChromaLayoutInfo& info = chromaLayoutInfo(value<L>(row.value));
    EXPECT_EQ(info.id, row.id);
    EXPECT_EQ(info.name, row.name);
    EXPECT_EQ(info.planeKind, row.planeKind);
    EXPECT_EQ(info.subsampling, row.subsampling);
  }
}

TEST(RawFormatTables, ComponentOrdersWithTheirColourModelAndComponentCount) {
  const struct {
    int value;
    const char* name;
    int id, yuvFlag, count;
  } rows[] = {
      {0, "Y", 0, 1, 1},      {1, "YUV", 1, 1, 3},    {2, "YVU", 2, 1, 3},
      {3, "UYV", 3, 1, 3},    {4, "RGB", 4, 0, 3},    {5, "BGR", 5, 0, 3},
      {6, "GBR", 6, 0, 3},    {7, "RBG", 7, 0, 3},    {8, "BRG", 8, 0, 3},
      {9, "GRB", 9, 0, 3},    {10, "RGBA", 10, 0, 4}, {11, "BGRA", 11, 0, 4},
      {12, "ARGB", 12, 0, 4}, {13, "ABGR", 13, 0, 4}, {14, "YUYV", 14, 1, 3},
      {15, "YVYU", 15, 1, 3}, {16, "UYVY", 16, 1, 3}, {17, "", 17, 2, 0},
      {-5, "", 17, 2, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    const ComponentOrderInfo& info = componentOrderInfo(value<O>(row.value));
    EXPECT_EQ(info.id, row.id);
    EXPECT_EQ(info.name, row.name);
    EXPECT_EQ(info.yuvFlag, row.yuvFlag);
    EXPECT_EQ(info.componentCount, row.count);
  }
}

TEST(RawFormatTables, SampleTypesAndByteOrders) {
  const struct {
    int value;
    const char* name;
    int id, bytes;
    bool isInteger;
    std::set<int> depths;
  } samples[] = {
      {0, "8-bit int", 0, 1, true, {1, 8}},
      {1, "16-bit int", 1, 2, true, {9, 10, 12, 14, 16}},
      {2, "float (32-bit)", 2, 4, false, {32}},
      {3, "", 3, 0, false, {}},
      {-1, "", 3, 0, false, {}},
  };
  for (const auto& row : samples) {
    SCOPED_TRACE(row.value);
    const SampleTypeInfo& info = sampleTypeInfo(value<S>(row.value));
    EXPECT_EQ(info.id, row.id);
    EXPECT_EQ(info.name, row.name);
    EXPECT_EQ(info.bytesPerSample, row.bytes);
    EXPECT_EQ(info.isInteger, row.isInteger);
    EXPECT_EQ(info.allowedBitDepths, row.depths);
  }

  const struct {
    int value;
    const char* name;
    int id;
  } orders[] = {{0, "LE", 0}, {1, "default", 1}, {2, "BE", 2}, {3, "", 0}, {-1, "", 0}};
  for (const auto& row : orders) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(byteOrderInfo(value<B>(row.value)).id, row.id);
    EXPECT_EQ(byteOrderInfo(value<B>(row.value)).name, row.name);
  }
}

// ---------------------------------------------------------------- RawFormat

TEST(RawFormatKey, ConstructorKeepsTheByteOrderOnlyForUnpacked16BitSamples) {
  const struct {
    RawFormat format;
    B stored;
  } rows[] = {
      {{L::Packed_444, O::RGB, S::Int16, false, B::Default}, B::LE},
      {{L::Packed_444, O::RGB, S::Int16, false, B::LE}, B::LE},
      {{L::Packed_444, O::RGB, S::Int16, false, B::BE}, B::BE},
      // An unknown byte order reads as "LE".
      {{L::Packed_444, O::RGB, S::Int16, false, value<B>(7)}, B::LE},
      {{L::Planar_420, O::YUV, S::Int8, false, B::BE}, B::Default},
      {{L::Planar_420, O::YUV, S::Float32, false, B::LE}, B::Default},
      // Bit-packed samples have no byte order.
      {{L::Packed_444, O::RGB, S::Int16, true, B::BE}, B::Default},
      {{L::Packed_444, O::RGB, value<S>(9), false, B::BE}, B::Default},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.format.sampleType));
    EXPECT_EQ(row.format.byteOrder, row.stored);
  }
}

TEST(RawFormatKey, FormatsCompareEqualWhenOnlyAnInapplicableByteOrderDiffers) {
  auto withStoredOrder = [](RawFormat f, B order) {
    f.byteOrder = order;  // set directly, past the constructor's normalisation
    return f;
  };
  const RawFormat u8(L::Planar_420, O::YUV, S::Int8, false, B::Default);
  const RawFormat u16(L::Planar_420, O::YUV, S::Int16, false, B::LE);
  const RawFormat pu16(L::Planar_420, O::YUV, S::Int16, true, B::Default);

  EXPECT_EQ(withStoredOrder(u8, B::LE), withStoredOrder(u8, B::BE));
  EXPECT_EQ(withStoredOrder(pu16, B::LE), withStoredOrder(pu16, B::BE));
  EXPECT_NE(withStoredOrder(u16, B::LE), withStoredOrder(u16, B::BE));
  // The sort key keeps a stored "default" of 16-bit samples: it is not the "LE" format.
  EXPECT_NE(withStoredOrder(u16, B::Default), u16);
  EXPECT_EQ(std::get<4>(withStoredOrder(u8, B::BE).sortKey()), 1);
  EXPECT_EQ(std::get<4>(withStoredOrder(u16, B::Default).sortKey()), 1);

  // Keys order layout first, then order, sample type, packed flag and byte order.
  const RawFormatOrder less;
  EXPECT_TRUE(less(RawFormat(L::Y, O::ABGR, S::Float32, true, B::BE), u8));
  EXPECT_TRUE(less(u8, RawFormat(L::Planar_420, O::YVU, S::Int8, false, B::Default)));
  EXPECT_TRUE(less(u8, u16));
  EXPECT_TRUE(less(u16, pu16));
  EXPECT_TRUE(less(u16, RawFormat(L::Planar_420, O::YUV, S::Int16, false, B::BE)));
  EXPECT_FALSE(less(withStoredOrder(u8, B::LE), withStoredOrder(u8, B::BE)));
}

TEST(RawFormatKey, PlaneCountFollowsThePlaneKind) {
  const struct {
    L layout;
    O order;
    int planes;
  } rows[] = {
      {L::Packed_444, O::RGBA, 1},
      {L::Packed_422, O::YUYV, 1},
      {L::Y, O::Y, 1},
      {L::Planar_444, O::RGB, 3},
      {L::Planar_444, O::RGBA, 4},
      {L::Planar_420, O::YUV, 3},
      {L::NV_420, O::YUV, 2},
      {L::NV_422, O::YVU, 2},
      // Unknown layouts count as semi-planar; planar with an unknown order has none.
      {value<L>(10), O::RGB, 2},
      {L::Planar_444, value<O>(17), 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.layout));
    EXPECT_EQ(RawFormat(row.layout, row.order, S::Int8, false, B::Default).planeCount(),
              row.planes);
  }
}

// ---------------------------------------------------------------- hints and names

TEST(RawFormatHints, EveryHintResolvesToItsSpecAndName) {
  const struct {
    L layout;
    O order;
    S sampleType;
    B byteOrder;
    int bitDepth;
    bool bottomUp;
    const char* name;
  } rows[kRawFormatHintCount] = {
      {L::Packed_444, O::RGB, S::Int8, B::Default, 8, false, "RGB24"},
      {L::Packed_444, O::BGR, S::Int8, B::Default, 8, false, "BGR24"},
      {L::Packed_444, O::RGBA, S::Int8, B::Default, 8, false, "RGBA32"},
      {L::Packed_444, O::RGB, S::Int8, B::Default, 8, true, "RGB24u"},
      {L::Packed_444, O::BGR, S::Int8, B::Default, 8, true, "BGR24u"},
      {L::Packed_444, O::RGBA, S::Int8, B::Default, 8, true, "RGBA32u"},
      {L::Packed_444, O::BGRA, S::Int8, B::Default, 8, true, "BGRA32u"},
      {L::Packed_422, O::YUYV, S::Int8, B::Default, 8, false, "YUYV422"},
      {L::Packed_444, O::RGB, S::Int16, B::LE, 16, false, "RGB48"},
      {L::Packed_444, O::RGB, S::Int16, B::BE, 16, false, "RGB48"},
      {L::Packed_444, O::RGB, S::Float32, B::Default, 32, false, "RGBf"},
      {L::Packed_444, O::BGR, S::Int16, B::LE, 16, true, "BGR48u"},
      {L::Packed_444, O::BGR, S::Float32, B::Default, 32, true, "BGRfu"},
      {L::Y, O::Y, S::Int8, B::Default, 8, false, "gray"},
      {L::Y, O::Y, S::Int16, B::LE, 16, false, "gray16LE"},
      {L::Planar_444, O::RGB, S::Int8, B::Default, 8, false, "RGBp"},
      {L::Planar_444, O::RGBA, S::Int8, B::Default, 8, false, "RGBAp"},
      {L::Planar_444, O::RGB, S::Int16, B::LE, 10, false, "RGBp10LE"},
      {L::Planar_444, O::RGB, S::Int16, B::LE, 12, false, "RGBp12LE"},
      {L::Planar_444, O::RGB, S::Int16, B::LE, 14, false, "RGBp14LE"},
      {L::Planar_444, O::RGB, S::Int16, B::LE, 16, false, "RGBp16LE"},
      {L::Planar_444, O::GBR, S::Int8, B::Default, 8, false, "GBRp"},
      {L::Planar_444, O::GBR, S::Int16, B::LE, 10, false, "GBRp10LE"},
      {L::Planar_444, O::GBR, S::Int16, B::LE, 12, false, "GBRp12LE"},
      {L::Planar_444, O::GBR, S::Int16, B::LE, 14, false, "GBRp14LE"},
      {L::Planar_444, O::GBR, S::Int16, B::LE, 16, false, "GBRp16LE"},
      {L::NV_420, O::YUV, S::Int8, B::Default, 8, false, "YUVnv420"},
      {L::NV_420, O::YVU, S::Int8, B::Default, 8, false, "YVUnv420"},
      {L::NV_422, O::YUV, S::Int8, B::Default, 8, false, "YUVnv422"},
      {L::Planar_411, O::YUV, S::Int8, B::Default, 8, false, "YUV411p"},
      {L::Planar_410, O::YUV, S::Int8, B::Default, 8, false, "YUV410p"},
      {L::Planar_444, O::YUV, S::Int8, B::Default, 8, false, "YUV444p"},
      {L::Planar_444, O::YVU, S::Int8, B::Default, 8, false, "YVU444p"},
      {L::Packed_444, O::YUV, S::Int8, B::Default, 8, false, "YUV444"},
      {L::Planar_422, O::YUV, S::Int8, B::Default, 8, false, "YUV422p"},
      {L::Planar_420, O::YUV, S::Int8, B::Default, 8, false, "YUV420p"},
      {L::Planar_444, O::YUV, S::Int16, B::LE, 9, false, "YUV444p9LE"},
      {L::Planar_422, O::YUV, S::Int16, B::LE, 9, false, "YUV422p9LE"},
      {L::Planar_420, O::YUV, S::Int16, B::LE, 9, false, "YUV420p9LE"},
      {L::Planar_444, O::YUV, S::Int16, B::LE, 10, false, "YUV444p10LE"},
      {L::Planar_422, O::YUV, S::Int16, B::LE, 10, false, "YUV422p10LE"},
      {L::Planar_420, O::YUV, S::Int16, B::LE, 10, false, "YUV420p10LE"},
      {L::Planar_444, O::YUV, S::Int16, B::LE, 12, false, "YUV444p12LE"},
      {L::Planar_422, O::YUV, S::Int16, B::LE, 12, false, "YUV422p12LE"},
      {L::Planar_420, O::YUV, S::Int16, B::LE, 12, false, "YUV420p12LE"},
      {L::Planar_444, O::YUV, S::Int16, B::LE, 14, false, "YUV444p14LE"},
      {L::Planar_422, O::YUV, S::Int16, B::LE, 14, false, "YUV422p14LE"},
      {L::Planar_420, O::YUV, S::Int16, B::LE, 14, false, "YUV420p14LE"},
      {L::Planar_444, O::YUV, S::Int16, B::LE, 16, false, "YUV444p16LE"},
      {L::Planar_422, O::YUV, S::Int16, B::LE, 16, false, "YUV422p16LE"},
      {L::Planar_420, O::YUV, S::Int16, B::LE, 16, false, "YUV420p16LE"},
      {L::Planar_444, O::RGB, S::Float32, B::Default, 32, false, "RGBpf"},
      {L::Planar_444, O::YUV, S::Float32, B::Default, 32, false, "YUV444pf"},
      {L::Packed_422, O::UYVY, S::Int8, B::Default, 8, false, "UYVY422"},
      {L::Planar_422, O::YVU, S::Int8, B::Default, 8, false, "YVU422p"},
      {L::Planar_420, O::YVU, S::Int8, B::Default, 8, false, "YVU420p"},
      {L::Packed_444, O::YUV, S::Int16, B::LE, 10, false, "YUV444i10LE"},
      {L::Packed_444, O::YUV, S::Int16, B::LE, 16, false, "YUV444i16LE"},
  };
  for (int hint = 0; hint < kRawFormatHintCount; ++hint) {
    SCOPED_TRACE(hint);
    const auto& row = rows[hint];
    const RawFormatSpec spec = rawFormatFromHint(static_cast<RawFormatHint>(hint));
    EXPECT_EQ(spec.layout, row.layout);
    EXPECT_EQ(spec.order, row.order);
    EXPECT_EQ(spec.sampleType, row.sampleType);
    EXPECT_FALSE(spec.packed);
    EXPECT_EQ(spec.byteOrder, row.byteOrder);
    EXPECT_EQ(spec.bitDepth, row.bitDepth);
    EXPECT_EQ(spec.bottomUp, row.bottomUp);
    EXPECT_EQ(spec.name(), row.name);
  }
  EXPECT_EQ(rawFormatFromHint(RawFormatHint::BGR24).order, O::BGR);
}

TEST(RawFormatHints, ValuesOutsideTheTableGiveTheUnknownSpec) {
  for (int hint : {58, -1, 1000}) {
    SCOPED_TRACE(hint);
    const RawFormatSpec spec = rawFormatFromHint(static_cast<RawFormatHint>(hint));
    EXPECT_EQ(static_cast<int>(spec.layout), 10);
    EXPECT_EQ(static_cast<int>(spec.order), 17);
    EXPECT_EQ(static_cast<int>(spec.sampleType), 3);
    EXPECT_FALSE(spec.packed);
    EXPECT_EQ(spec.byteOrder, B::Default);
    EXPECT_EQ(spec.bitDepth, 0);
    EXPECT_FALSE(spec.bottomUp);
    EXPECT_EQ(spec, RawFormatSpec());
    // An empty order name, then bit depth 0 times component count 0.
    EXPECT_EQ(spec.name(), "0");
  }
}

TEST(RawFormatNames, NamesOfFormatsOutsideTheHintTable) {
  const struct {
    RawFormatSpec spec;
    const char* name;
  } rows[] = {
      {{{L::Planar_444, O::YUV, S::Int16, false, B::BE}, 10, false}, "YUV444p10BE"},
      {{{L::Planar_420, O::YVU, S::Int16, false, B::BE}, 12, true}, "YVU420p12BEu"},
      // Bit-packed samples: "p" after the depth, and no byte order.
      {{{L::Planar_420, O::YUV, S::Int16, true, B::Default}, 10, false}, "YUV420p10p"},
      {{{L::Y, O::Y, S::Int8, true, B::Default}, 1, false}, "gray1p"},
      {{{L::NV_420, O::YUV, S::Int16, false, B::LE}, 10, false}, "YUVnv420i10LE"},
      {{{L::Packed_422, O::UYVY, S::Int16, false, B::BE}, 10, false}, "UYVY422i10BE"},
      {{{L::Packed_444, O::ARGB, S::Int16, false, B::BE}, 16, false}, "ARGB64"},
      {{{L::Packed_444, O::GBR, S::Int8, false, B::Default}, 5, true}, "GBR15u"},
      {{{L::Planar_444, O::BRG, S::Float32, false, B::Default}, 32, false}, "BRGpf"},
      {{{L::Planar_411, O::UYV, S::Int8, false, B::Default}, 8, false}, "UYV411p"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.spec.name(), row.name);
  }

  // A byte order outside the table appends nothing.
  RawFormatSpec odd({L::Planar_444, O::YUV, S::Int16, false, B::LE}, 10, false);
  odd.byteOrder = value<B>(9);
  EXPECT_EQ(odd.name(), "YUV444p10");
}

TEST(RawFormatHints, SpecEqualityComparesBitDepthAndRowDirection) {
  const RawFormatSpec rgb = rawFormatFromHint(RawFormatHint::RGB24);
  EXPECT_EQ(rgb, RawFormatSpec(rgb, 8, false));
  EXPECT_NE(rgb, rawFormatFromHint(RawFormatHint::RGB24u));
  EXPECT_NE(rgb, RawFormatSpec(rgb, 7, false));
  // Hints 8 and 9 share a name, not a format.
  EXPECT_NE(rawFormatFromHint(RawFormatHint::RGB48LE), rawFormatFromHint(RawFormatHint::RGB48BE));
}

}  // namespace
