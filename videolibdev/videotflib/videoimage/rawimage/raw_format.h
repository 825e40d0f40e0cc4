// Raw pixel formats: how raw pixels lie in memory (chroma layout, component order, sample type,
// byte order), the format key `RawFormat`, `RawFormatSpec` with bit depth and row direction, the
// short text name of a format, and the 58 predefined formats named by `RawFormatHint`.
//
// Every table here is a function-local constant built on first use (safe from any thread) and
// read-only afterwards. Unknown enumeration values never fail: they resolve to each table's
// default record.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <tuple>

// How the components are spread over planes and how far chroma is subsampled.
enum class ChromaLayout : int32_t {
  Y = 0,
  Packed_444 = 1,
  Planar_444 = 2,
  Packed_422 = 3,
  Planar_422 = 4,
  NV_422 = 5,
  NV_420 = 6,
  Planar_410 = 7,
  Planar_411 = 8,
  Planar_420 = 9,
};

// Which components a pixel has and in which order they are stored (for planar layouts: the order
// of the planes). The four-component orders carry an alpha component that readers skip; the last
// three are the sample orders of packed 4:2:2.
enum class ComponentOrder : int32_t {
  Y = 0,
  YUV = 1,
  YVU = 2,
  UYV = 3,
  RGB = 4,
  BGR = 5,
  GBR = 6,
  RBG = 7,
  BRG = 8,
  GRB = 9,
  RGBA = 10,
  BGRA = 11,
  ARGB = 12,
  ABGR = 13,
  YUYV = 14,
  YVYU = 15,
  UYVY = 16,
};

// Storage type of one sample. Integer samples are unsigned.
enum class SampleType : int32_t {
  Int8 = 0,
  Int16 = 1,
  Float32 = 2,
};

// Byte order of 16-bit samples; Default means it does not apply.
enum class ByteOrder : int32_t {
  LE = 0,
  Default = 1,
  BE = 2,
};

// planeKind of a chroma layout.
constexpr int kPlaneKindPacked = 0;      // all components interleaved in one plane
constexpr int kPlaneKindPlanar = 1;      // one plane per component
constexpr int kPlaneKindSemiPlanar = 2;  // full-size luma plus one plane of chroma pairs

struct ChromaLayoutInfo {
  int id;
  std::string name;
  int planeKind;    // kPlaneKind...; 3 for an unknown layout
  int subsampling;  // 0 "444", 1 "422", 2 "420", 3 "411", 4 "410"; 5 for an unknown layout
};

struct ComponentOrderInfo {
  int id;
  std::string name;
  int yuvFlag;  // 1 luma/chroma, 0 RGB, 2 for an unknown order
  int componentCount;
};

struct SampleTypeInfo {
  int id;
  std::string name;
  int bytesPerSample;
  bool isInteger;
  std::set<int> allowedBitDepths;  // the depths used with the type; nothing checks against them
};

struct ByteOrderInfo {
  int id;
  std::string name;
};

// The info record of a value, or the table's default record when the value is unknown.
const ChromaLayoutInfo& chromaLayoutInfo(ChromaLayout layout);
const ComponentOrderInfo& componentOrderInfo(ComponentOrder order);
const SampleTypeInfo& sampleTypeInfo(SampleType type);
const ByteOrderInfo& byteOrderInfo(ByteOrder order);

// The key of a raw pixel format. Two formats that differ only in a byte order that does not
// apply to their samples are the same format (see sortKey).
struct RawFormat {
  using SortKey = std::tuple<int32_t, int32_t, int32_t, bool, int32_t>;

  ChromaLayout layout = static_cast<ChromaLayout>(10);
  ComponentOrder order = static_cast<ComponentOrder>(17);
  SampleType sampleType = static_cast<SampleType>(3);
  bool packed = false;  // samples bit-packed, most significant bit first, no gaps
  ByteOrder byteOrder = ByteOrder::Default;

  // The unknown format, which no table knows.
  RawFormat() = default;
  // Keeps the byte order only for unpacked 16-bit samples (where "default" becomes "LE");
  // every other format gets ByteOrder::Default.
  RawFormat(ChromaLayout layout, ComponentOrder order, SampleType sampleType, bool packed,
            ByteOrder byteOrder);

  // (layout, order, sampleType, packed, byte order), the byte order read as Default unless the
  // format is unpacked 16-bit. Formats compare by it, first field first.
  SortKey sortKey() const;

  // Stored planes of the format (planeCount below).
  int planeCount() const;
};

// Stored planes of a layout and order: 1 for packed layouts, the order's component count for
// planar ones (so planar RGBA has 4 and "Y" has 1), 2 for semi-planar and unknown layouts.
int planeCount(ChromaLayout layout, ComponentOrder order);

bool operator==(const RawFormat& a, const RawFormat& b);

// Orders formats by their sort keys (the order of the format registry).
struct RawFormatOrder {
  bool operator()(const RawFormat& a, const RawFormat& b) const {
    return a.sortKey() < b.sortKey();
  }
};

// A format with its bit depth and row direction. A default one is the unknown spec.
struct RawFormatSpec : RawFormat {
  int bitDepth = 0;       // significant bits per sample
  bool bottomUp = false;  // the first stored row is the bottom row of the picture

  RawFormatSpec() = default;
  RawFormatSpec(const RawFormat& format, int bitDepth, bool bottomUp)
      : RawFormat(format), bitDepth(bitDepth), bottomUp(bottomUp) {}

  // Short name such as "RGB24", "YUV420p10LE", "gray16LE", "BGRA32u".
  std::string name() const;
};

// Equal sort keys, bit depths and row directions.
bool operator==(const RawFormatSpec& a, const RawFormatSpec& b);

// The predefined formats. None is bit-packed.
enum class RawFormatHint : int32_t {
  RGB24 = 0,
  BGR24 = 1,
  RGBA32 = 2,
  RGB24u = 3,
  BGR24u = 4,
  RGBA32u = 5,
  BGRA32u = 6,
  YUYV422 = 7,
  RGB48LE = 8,
  RGB48BE = 9,
  RGBf = 10,
  BGR48u = 11,
  BGRfu = 12,
  gray = 13,
  gray16LE = 14,
  RGBp = 15,
  RGBAp = 16,
  RGBp10LE = 17,
  RGBp12LE = 18,
  RGBp14LE = 19,
  RGBp16LE = 20,
  GBRp = 21,
  GBRp10LE = 22,
  GBRp12LE = 23,
  GBRp14LE = 24,
  GBRp16LE = 25,
  YUVnv420 = 26,
  YVUnv420 = 27,
  YUVnv422 = 28,
  YUV411p = 29,
  YUV410p = 30,
  YUV444p = 31,
  YVU444p = 32,
  YUV444 = 33,
  YUV422p = 34,
  YUV420p = 35,
  YUV444p9LE = 36,
  YUV422p9LE = 37,
  YUV420p9LE = 38,
  YUV444p10LE = 39,
  YUV422p10LE = 40,
  YUV420p10LE = 41,
  YUV444p12LE = 42,
  YUV422p12LE = 43,
  YUV420p12LE = 44,
  YUV444p14LE = 45,
  YUV422p14LE = 46,
  YUV420p14LE = 47,
  YUV444p16LE = 48,
  YUV422p16LE = 49,
  YUV420p16LE = 50,
  RGBpf = 51,
  YUV444pf = 52,
  UYVY422 = 53,
  YVU422p = 54,
  YVU420p = 55,
  YUV444i10LE = 56,
  YUV444i16LE = 57,
};

constexpr int kRawFormatHintCount = 58;

// The format a hint stands for; the unknown format for a value outside 0..57.
RawFormatSpec rawFormatFromHint(RawFormatHint hint);
