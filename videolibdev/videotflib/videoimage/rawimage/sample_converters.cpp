// The sample converter (sample type, bit depth, byte order) and the colour matrix converter, with
// the BT.601 coefficients of the universal chain. Declared in raw_converter.h.
#include <cmath>

#include "videoimage/rawimage/converter_kernels.h"
#include "videoimage/rawimage/raw_converter.h"

namespace rawImageConverters {
namespace {

using kernels::SampleRowSpec;

constexpr int kInt8 = static_cast<int>(SampleType::Int8);
constexpr int kInt16 = static_cast<int>(SampleType::Int16);
constexpr int kFloat = static_cast<int>(SampleType::Float32);
constexpr int kBigEndian = static_cast<int>(ByteOrder::BE);

// Bytes of one sample of a type, or 0 for an unknown type.
int sampleWidth(int sampleType) {
  switch (sampleType) {
    case kInt8:
      return 1;
    case kInt16:
      return 2;
    case kFloat:
      return 4;
    default:
      return 0;
  }
}

// Bit depths whose samples the type holds: 1 to 8 bits in a byte, 1 to 16 in a word, any for
// float (normalised, the depth is not used).
bool depthFits(int sampleType, int bits) {
  switch (sampleType) {
    case kInt8:
      return bits >= 1 && bits <= 8;
    case kInt16:
      return bits >= 1 && bits <= 16;
    case kFloat:
      return true;
    default:
      return false;
  }
}

// The byte order a format is compared by: its own for unpacked 16-bit samples, else Default.
ByteOrder comparedByteOrder(const RawFormat& format) {
  return static_cast<ByteOrder>(std::get<4>(format.sortKey()));
}

}  // namespace

// --- BpsConverter

BpsConverter::BpsConverter(int srcSampleType, int srcBits, int srcByteOrder, int dstSampleType,
                           int dstBits, int dstByteOrder)
    : srcSampleType(srcSampleType),
      srcBits(srcBits),
      srcByteOrder(srcByteOrder),
      dstSampleType(dstSampleType),
      dstBits(dstBits),
      dstByteOrder(dstByteOrder) {}

bool BpsConverter::isIdentity() const {
  return srcSampleType == dstSampleType && srcBits == dstBits && srcByteOrder == dstByteOrder;
}

RawImageInfo BpsConverter::outputHeader(const RawImageInfo& source) const {
  RawImageInfo info = source;
  info.reader.reset();
  info.sampleType = static_cast<SampleType>(dstSampleType);
  // Kept as given: formats compare and look up by the normalised byte order.
  info.byteOrder = static_cast<ByteOrder>(dstByteOrder);
  info.bitDepth = dstBits;
  return info;
}

RawImageInfo BpsConverter::outputInfo(const RawImageInfo& source) const {
  RawImageInfo info = outputHeader(source);
  info.bindReader();
  return info;
}

RawFrame BpsConverter::view(const RawFrame& source) const {
  return isIdentity() ? source : RawFrame();
}

ConstRawFrame BpsConverter::view(const ConstRawFrame& source) const {
  return isIdentity() ? source : ConstRawFrame();
}

bool BpsConverter::convertInto(const ConstRawFrame& source, RawFrame& destination) {
  if (source.empty()) return false;
  const RawImageInfo& in = source.getInfo();
  // Rows of plain samples of the converter's source encoding, into a type that holds the target
  // depth: anything else would read or write past the rows.
  if (!in.reader || in.packed || static_cast<int>(in.sampleType) != srcSampleType ||
      in.bitDepth != srcBits || !depthFits(srcSampleType, srcBits) ||
      !depthFits(dstSampleType, dstBits)) {
    return false;
  }
  const bool convEndianSrc = srcByteOrder == kBigEndian;
  const bool convEndianDst = dstByteOrder == kBigEndian;
  if (srcSampleType == kFloat && dstSampleType == kFloat) {
    VIXO_ASSERT(convEndianSrc == false && convEndianDst == false);
  } else if (srcSampleType == kFloat) {
    VIXO_ASSERT(convEndianSrc == false);
  } else if (dstSampleType == kFloat) {
    VIXO_ASSERT(convEndianDst == false);
  }
  VIXO_ASSERT(destination.getInfo() == outputHeader(in));
  if (destination.empty() || !destination.header.reader) return false;

  SampleRowSpec spec;
  spec.srcWidth = sampleWidth(srcSampleType);
  spec.dstWidth = sampleWidth(dstSampleType);
  spec.swapSrc = convEndianSrc;
  spec.swapDst = convEndianDst;
  spec.srcBits = srcBits;
  spec.dstBits = dstBits;
  const kernels::SampleRowFn convertRow = kernels::sampleRowRoutine(spec);
  if (!convertRow) return false;
  for (int p = 0; p < source.planeCount(); ++p) {
    const int rows = in.reader->planeHeight(p);
    const int samples = in.reader->planeWidth(p);
    for (int y = 0; y < rows; ++y) {
      convertRow(spec, source.row(p, y), destination.row(p, y), samples);
    }
  }
  return true;
}

// --- MatrixConverter

RawImageInfo MatrixConverter::outputHeader(const RawImageInfo& source) const {
  const RawFormat format(ChromaLayout::Planar_444, colourModelOf(targetModel).planarOrder,
                         static_cast<SampleType>(sampleType), false, ByteOrder::LE);
  return RawImageInfo(RawFormatSpec(format, bitDepth, false), source.width, source.height);
}

RawImageInfo MatrixConverter::outputInfo(const RawImageInfo& source) const {
  RawImageInfo info = outputHeader(source);
  info.bindReader();
  return info;
}

void MatrixConverter::scaledOffsets(float out[3], float* maxValue) const {
  // Offsets are in 8-bit code units: 255 stands for the largest sample.
  float scale = 0.003921569f;
  *maxValue = 0.0f;
  if (sampleType != kFloat) {
    // A depth the samples cannot hold scales nothing; convertInto refuses it.
    *maxValue = depthFits(sampleType, bitDepth) ? static_cast<float>((1u << bitDepth) - 1) : 0.0f;
    scale = *maxValue / 255.0f;
  }
  for (int r = 0; r < 3; ++r) out[r] = offsets[r] * scale;
}

RawFrame MatrixConverter::view(const RawFrame&) const { return RawFrame(); }

ConstRawFrame MatrixConverter::view(const ConstRawFrame&) const { return ConstRawFrame(); }

bool MatrixConverter::convertInto(const ConstRawFrame& source, RawFrame& destination) {
  if (source.empty()) return false;
  const RawImageInfo& in = source.getInfo();
  const int width = sampleWidth(sampleType);
  if (!matrix || !offsets || width == 0 || !depthFits(sampleType, bitDepth) || !in.reader ||
      in.layout != ChromaLayout::Planar_444 || in.packed ||
      static_cast<int>(in.sampleType) != sampleType || in.bitDepth != bitDepth ||
      comparedByteOrder(in) == ByteOrder::BE || source.planeCount() != 3) {
    return false;
  }
  VIXO_ASSERT(destination.getInfo() == outputHeader(in));
  if (destination.empty() || !destination.header.reader) return false;
  for (int p = 0; p < 3; ++p) {
    for (int q = 0; q < 3; ++q) VIXO_ASSERT(destination.planeData(p) != source.planeData(q));
  }

  float scaled[3];
  float maxValue;
  scaledOffsets(scaled, &maxValue);
  const kernels::MatrixRowFn transformRow = kernels::matrixRowRoutine(width, matrix, scaled);
  kernels::MatrixRow row;
  row.n = in.width;
  for (int y = 0; y < in.height; ++y) {
    for (int p = 0; p < 3; ++p) {
      row.src[p] = source.row(p, y);
      row.dst[p] = destination.row(p, y);
    }
    transformRow(row, matrix, scaled, maxValue);
  }
  return true;
}

// --- BT.601

ColourCoefficients bt601Coefficients(int fromModel, int toModel, bool grayLuma, int sampleType,
                                     int bits, int roundingBits) {
  constexpr double kr = 0.299;
  constexpr double kb = 0.114;
  constexpr double kg = 1.0 - kr - kb;
  // The working samples' scale: full range m, and s the size of one 8-bit code (limited-range
  // levels are 8-bit levels times s). Float samples are normalised.
  const bool isFloat = sampleType == kFloat;
  const double m = isFloat ? 1.0 : std::ldexp(1.0, bits) - 1.0;
  const double s = isFloat ? 1.0 / 255.0 : std::ldexp(1.0, bits - 8);
  // Half a code of the format that truncates the result.
  double half = 0.5;
  if (isFloat) half = roundingBits > 0 ? 0.5 / (std::ldexp(1.0, roundingBits) - 1.0) : 0.0;
  // The converter scales offsets by m / 255.
  const double toOffsetUnits = 255.0 / m;

  double a[9] = {};
  double o[3] = {};
  if (fromModel == 0 && toModel == 1) {
    if (grayLuma) {
      // Full-range luma; chroma is dropped by a gray target, so it is left neutral.
      a[0] = kr, a[1] = kg, a[2] = kb;
      o[0] = half;
      o[1] = o[2] = 128.0 * s + half;
    } else {
      const double y = 219.0 * s / m;
      const double c = 224.0 * s / m;
      a[0] = y * kr, a[1] = y * kg, a[2] = y * kb;
      a[3] = -c * kr / (2 * (1 - kb)), a[4] = -c * kg / (2 * (1 - kb)), a[5] = c / 2;
      a[6] = c / 2, a[7] = -c * kg / (2 * (1 - kr)), a[8] = -c * kb / (2 * (1 - kr));
      o[0] = 16.0 * s + half;
      o[1] = o[2] = 128.0 * s + half;
    }
  } else if (fromModel == 1 && toModel == 0) {
    if (grayLuma) {
      // Gray's chroma is neutral by construction: R = G = B = Y.
      a[0] = a[3] = a[6] = 1.0;
      o[0] = o[1] = o[2] = half;
    } else {
      const double y = m / (219.0 * s);
      const double c = m / (224.0 * s);
      const double rv = c * 2 * (1 - kr);
      const double gu = -c * 2 * (1 - kb) * kb / kg;
      const double gv = -c * 2 * (1 - kr) * kr / kg;
      const double bu = c * 2 * (1 - kb);
      a[0] = y, a[1] = 0, a[2] = rv;
      a[3] = y, a[4] = gu, a[5] = gv;
      a[6] = y, a[7] = bu, a[8] = 0;
      for (int r = 0; r < 3; ++r) {
        o[r] = -y * 16.0 * s - (a[3 * r + 1] + a[3 * r + 2]) * 128.0 * s + half;
      }
    }
  } else {
    // The same model: the identity.
    a[0] = a[4] = a[8] = 1.0;
    o[0] = o[1] = o[2] = half;
  }
  ColourCoefficients k;
  for (int i = 0; i < 9; ++i) k.matrix[i] = static_cast<float>(a[i]);
  for (int r = 0; r < 3; ++r) k.offsets[r] = static_cast<float>(o[r] * toOffsetUnits);
  return k;
}

}  // namespace rawImageConverters
