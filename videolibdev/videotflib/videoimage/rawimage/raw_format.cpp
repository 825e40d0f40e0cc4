#include "videoimage/rawimage/raw_format.h"

#include <array>
#include <map>

#include "avifile/assertion.h"

namespace {

// A table indexed by value, with the record that unknown values resolve to.
template <class Info, size_t N>
const Info& lookup(const std::array<Info, N>& table, const Info& fallback, int32_t value) {
  if (value < 0 || static_cast<size_t>(value) >= N) return fallback;
  return table[static_cast<size_t>(value)];
}

}  // namespace

const ChromaLayoutInfo& chromaLayoutInfo(ChromaLayout layout) {
  static const std::array<ChromaLayoutInfo, 10> table = {{
      {0, "Y", kPlaneKindPlanar, 0},
      {1, "Packed_444", kPlaneKindPacked, 0},
      {2, "Planar_444", kPlaneKindPlanar, 0},
      {3, "Packed_422", kPlaneKindPacked, 1},
      {4, "Planar_422", kPlaneKindPlanar, 1},
      {5, "NV_422", kPlaneKindSemiPlanar, 1},
      {6, "NV_420", kPlaneKindSemiPlanar, 2},
      {7, "Planar_410", kPlaneKindPlanar, 4},
      {8, "Planar_411", kPlaneKindPlanar, 3},
      {9, "Planar_420", kPlaneKindPlanar, 2},
  }};
  static const ChromaLayoutInfo unknown{0, "", 3, 5};
  return lookup(table, unknown, static_cast<int32_t>(layout));
}

const ComponentOrderInfo& componentOrderInfo(ComponentOrder order) {
  static const std::array<ComponentOrderInfo, 17> table = {{
      {0, "Y", 1, 1},
      {1, "YUV", 1, 3},
      {2, "YVU", 1, 3},
      {3, "UYV", 1, 3},
      {4, "RGB", 0, 3},
      {5, "BGR", 0, 3},
      {6, "GBR", 0, 3},
      {7, "RBG", 0, 3},
      {8, "BRG", 0, 3},
      {9, "GRB", 0, 3},
      {10, "RGBA", 0, 4},
      {11, "BGRA", 0, 4},
      {12, "ARGB", 0, 4},
      {13, "ABGR", 0, 4},
      {14, "YUYV", 1, 3},
      {15, "YVYU", 1, 3},
      {16, "UYVY", 1, 3},
  }};
  static const ComponentOrderInfo unknown{17, "", 2, 0};
  return lookup(table, unknown, static_cast<int32_t>(order));
}

const SampleTypeInfo& sampleTypeInfo(SampleType type) {
  static const std::array<SampleTypeInfo, 3> table = {{
      {0, "8-bit int", 1, true, {1, 8}},
      {1, "16-bit int", 2, true, {9, 10, 12, 14, 16}},
      {2, "float (32-bit)", 4, false, {32}},
  }};
  static const SampleTypeInfo unknown{3, "", 0, false, {}};
  return lookup(table, unknown, static_cast<int32_t>(type));
}

const ByteOrderInfo& byteOrderInfo(ByteOrder order) {
  static const std::array<ByteOrderInfo, 3> table = {{
      {0, "LE"},
      {1, "default"},
      {2, "BE"},
  }};
  static const ByteOrderInfo unknown{0, ""};
  return lookup(table, unknown, static_cast<int32_t>(order));
}

namespace {

// Only unpacked 16-bit samples have a byte order of their own.
bool hasOwnByteOrder(SampleType sampleType, bool packed) {
  return !packed && sampleTypeInfo(sampleType).id == static_cast<int>(SampleType::Int16);
}

}  // namespace

RawFormat::RawFormat(ChromaLayout layout, ComponentOrder order, SampleType sampleType, bool packed,
                     ByteOrder byteOrder)
    : layout(layout), order(order), sampleType(sampleType), packed(packed) {
  const int id = byteOrderInfo(byteOrder).id;
  if (hasOwnByteOrder(sampleType, packed)) {
    this->byteOrder =
        id == static_cast<int>(ByteOrder::Default) ? ByteOrder::LE : static_cast<ByteOrder>(id);
  } else {
    this->byteOrder = ByteOrder::Default;
  }
}

RawFormat::SortKey RawFormat::sortKey() const {
  const ByteOrder key = hasOwnByteOrder(sampleType, packed) ? byteOrder : ByteOrder::Default;
  return {static_cast<int32_t>(layout), static_cast<int32_t>(order),
          static_cast<int32_t>(sampleType), packed, static_cast<int32_t>(key)};
}

int planeCount(ChromaLayout layout, ComponentOrder order) {
  switch (chromaLayoutInfo(layout).planeKind) {
    case kPlaneKindPacked:
      return 1;
    case kPlaneKindPlanar:
      return componentOrderInfo(order).componentCount;
    default:
      return 2;
  }
}

int RawFormat::planeCount() const { return ::planeCount(layout, order); }

bool operator==(const RawFormat& a, const RawFormat& b) { return a.sortKey() == b.sortKey(); }

bool operator==(const RawFormatSpec& a, const RawFormatSpec& b) {
  return static_cast<const RawFormat&>(a) == static_cast<const RawFormat&>(b) &&
         a.bitDepth == b.bitDepth && a.bottomUp == b.bottomUp;
}

std::string RawFormatSpec::name() const {
  static const char* const kSubsamplingText[] = {"444", "422", "420", "411", "410"};
  const ChromaLayoutInfo& l = chromaLayoutInfo(layout);
  const ComponentOrderInfo& o = componentOrderInfo(order);
  const bool gray = order == ComponentOrder::Y;

  std::string name = gray ? "gray" : o.name;
  if (l.planeKind == kPlaneKindSemiPlanar) name += "nv";
  bool subsamplingWritten = false;
  if (l.subsampling != 0 || (o.yuvFlag == 1 && !gray)) {
    if (l.subsampling >= 0 && l.subsampling < 5) {
      name += kSubsamplingText[l.subsampling];
      subsamplingWritten = true;
    }
  }
  if (l.planeKind == kPlaneKindPlanar && !gray) name += "p";
  if (sampleType == SampleType::Float32) {
    name += "f";
  } else if (l.planeKind == kPlaneKindPlanar || o.yuvFlag == 1) {
    if (bitDepth != 8) {
      if (subsamplingWritten && l.planeKind != kPlaneKindPlanar) name += "i";
      name += std::to_string(bitDepth);
      if (packed) name += "p";
      if (byteOrder != ByteOrder::Default) name += byteOrderInfo(byteOrder).name;
    }
  } else {
    // Packed RGB family: bits per pixel, so 8-bit RGB is 24 and RGBA 32.
    name += std::to_string(static_cast<int64_t>(bitDepth) * o.componentCount);
  }
  if (bottomUp) name += "u";
  return name;
}

namespace {

using L = ChromaLayout;
using O = ComponentOrder;
using S = SampleType;
using B = ByteOrder;

std::map<RawFormatHint, RawFormatSpec> buildHintTable() {
  struct Row {
    L layout;
    O order;
    S sampleType;
    B byteOrder;
    int bitDepth;
    bool bottomUp;
  };
  static const Row rows[kRawFormatHintCount] = {
      {L::Packed_444, O::RGB, S::Int8, B::Default, 8, false},      // 0
      {L::Packed_444, O::BGR, S::Int8, B::Default, 8, false},      // 1
      {L::Packed_444, O::RGBA, S::Int8, B::Default, 8, false},     // 2
      {L::Packed_444, O::RGB, S::Int8, B::Default, 8, true},       // 3
      {L::Packed_444, O::BGR, S::Int8, B::Default, 8, true},       // 4
      {L::Packed_444, O::RGBA, S::Int8, B::Default, 8, true},      // 5
      {L::Packed_444, O::BGRA, S::Int8, B::Default, 8, true},      // 6
      {L::Packed_422, O::YUYV, S::Int8, B::Default, 8, false},     // 7
      {L::Packed_444, O::RGB, S::Int16, B::LE, 16, false},         // 8
      {L::Packed_444, O::RGB, S::Int16, B::BE, 16, false},         // 9
      {L::Packed_444, O::RGB, S::Float32, B::Default, 32, false},  // 10
      {L::Packed_444, O::BGR, S::Int16, B::LE, 16, true},          // 11
      {L::Packed_444, O::BGR, S::Float32, B::Default, 32, true},   // 12
      {L::Y, O::Y, S::Int8, B::Default, 8, false},                 // 13
      {L::Y, O::Y, S::Int16, B::LE, 16, false},                    // 14
      {L::Planar_444, O::RGB, S::Int8, B::Default, 8, false},      // 15
      {L::Planar_444, O::RGBA, S::Int8, B::Default, 8, false},     // 16
      {L::Planar_444, O::RGB, S::Int16, B::LE, 10, false},         // 17
      {L::Planar_444, O::RGB, S::Int16, B::LE, 12, false},         // 18
      {L::Planar_444, O::RGB, S::Int16, B::LE, 14, false},         // 19
      {L::Planar_444, O::RGB, S::Int16, B::LE, 16, false},         // 20
      {L::Planar_444, O::GBR, S::Int8, B::Default, 8, false},      // 21
      {L::Planar_444, O::GBR, S::Int16, B::LE, 10, false},         // 22
      {L::Planar_444, O::GBR, S::Int16, B::LE, 12, false},         // 23
      {L::Planar_444, O::GBR, S::Int16, B::LE, 14, false},         // 24
      {L::Planar_444, O::GBR, S::Int16, B::LE, 16, false},         // 25
      {L::NV_420, O::YUV, S::Int8, B::Default, 8, false},          // 26
      {L::NV_420, O::YVU, S::Int8, B::Default, 8, false},          // 27
      {L::NV_422, O::YUV, S::Int8, B::Default, 8, false},          // 28
      {L::Planar_411, O::YUV, S::Int8, B::Default, 8, false},      // 29
      {L::Planar_410, O::YUV, S::Int8, B::Default, 8, false},      // 30
      {L::Planar_444, O::YUV, S::Int8, B::Default, 8, false},      // 31
      {L::Planar_444, O::YVU, S::Int8, B::Default, 8, false},      // 32
      {L::Packed_444, O::YUV, S::Int8, B::Default, 8, false},      // 33
      {L::Planar_422, O::YUV, S::Int8, B::Default, 8, false},      // 34
      {L::Planar_420, O::YUV, S::Int8, B::Default, 8, false},      // 35
      {L::Planar_444, O::YUV, S::Int16, B::LE, 9, false},          // 36
      {L::Planar_422, O::YUV, S::Int16, B::LE, 9, false},          // 37
      {L::Planar_420, O::YUV, S::Int16, B::LE, 9, false},          // 38
      {L::Planar_444, O::YUV, S::Int16, B::LE, 10, false},         // 39
      {L::Planar_422, O::YUV, S::Int16, B::LE, 10, false},         // 40
      {L::Planar_420, O::YUV, S::Int16, B::LE, 10, false},         // 41
      {L::Planar_444, O::YUV, S::Int16, B::LE, 12, false},         // 42
      {L::Planar_422, O::YUV, S::Int16, B::LE, 12, false},         // 43
      {L::Planar_420, O::YUV, S::Int16, B::LE, 12, false},         // 44
      {L::Planar_444, O::YUV, S::Int16, B::LE, 14, false},         // 45
      {L::Planar_422, O::YUV, S::Int16, B::LE, 14, false},         // 46
      {L::Planar_420, O::YUV, S::Int16, B::LE, 14, false},         // 47
      {L::Planar_444, O::YUV, S::Int16, B::LE, 16, false},         // 48
      {L::Planar_422, O::YUV, S::Int16, B::LE, 16, false},         // 49
      {L::Planar_420, O::YUV, S::Int16, B::LE, 16, false},         // 50
      {L::Planar_444, O::RGB, S::Float32, B::Default, 32, false},  // 51
      {L::Planar_444, O::YUV, S::Float32, B::Default, 32, false},  // 52
      {L::Packed_422, O::UYVY, S::Int8, B::Default, 8, false},     // 53
      {L::Planar_422, O::YVU, S::Int8, B::Default, 8, false},      // 54
      {L::Planar_420, O::YVU, S::Int8, B::Default, 8, false},      // 55
      {L::Packed_444, O::YUV, S::Int16, B::LE, 10, false},         // 56
      {L::Packed_444, O::YUV, S::Int16, B::LE, 16, false},         // 57
  };
  std::map<RawFormatHint, RawFormatSpec> res;
  for (int i = 0; i < kRawFormatHintCount; ++i) {
    const Row& r = rows[i];
    res.emplace(static_cast<RawFormatHint>(i),
                RawFormatSpec(RawFormat(r.layout, r.order, r.sampleType, false, r.byteOrder),
                              r.bitDepth, r.bottomUp));
  }
  for (int i = 0; i < kRawFormatHintCount; ++i) {
    VIXO_ASSERT(res.find((RawFormatHint)i) != res.end());
  }
  return res;
}

}  // namespace

RawFormatSpec rawFormatFromHint(RawFormatHint hint) {
  static const std::map<RawFormatHint, RawFormatSpec> table = buildHintTable();
  const auto it = table.find(hint);
  return it == table.end() ? RawFormatSpec() : it->second;
}
