// Converters between raw formats: the converter interface (`RawImageConverter`) and its five
// converters in `rawImageConverters`: to the planar 4:4:4 working image and back, between sample
// types, bit depths and byte orders, between the RGB and YUV colour models, and the universal
// chain that goes from any raw format to any other through the working image.
//
// A converter first tries a view: a frame of the output format over the source's own planes,
// made without copying a sample. Only when no view is possible does it convert into an image.
// Sources a converter cannot serve (no planes, no reader, another header than it was made for)
// make it return false or the empty frame; a destination that does not fit its source is a
// programming error and ends in an assertion.
//
// The one-call entry for a frame of any format: `convertRawFrame` (a frame in, a target format, a
// new image out). For a stream of frames of one header, keep a `UniversalConverter`: it reuses
// its intermediate images for every frame.
//
// Threads: no converter takes a lock. The planar, sample and matrix converters are immutable and
// may be shared; a universal converter writes its own images, and `convert`/`convertFrame`
// write the image they are given, so each serves one thread at a time.
#pragma once

#include <memory>
#include <optional>

#include "videoimage/rawimage/raw_format.h"
#include "videoimage/rawimage/raw_image.h"

// What every converter offers. Converters are held by value, never deleted through this base.
class RawImageConverter {
 public:
  // The header of the output for a source of this header; the default header (no reader) for a
  // source the converter cannot serve.
  virtual RawImageInfo outputInfo(const RawImageInfo& source) const = 0;
  // A frame of the output over the source's own planes, or the empty frame when there is none.
  virtual RawFrame view(const RawFrame& source) const = 0;
  virtual ConstRawFrame view(const ConstRawFrame& source) const = 0;
  // Converts into the image, which is (re-)allocated first unless it already has the output's
  // header and planes. False when the source is empty or cannot be served.
  virtual bool convert(const ConstRawFrame& source, RawImage& destination);
  // Converts into a frame over memory the caller owns, whose header must be the output's.
  // False, with nothing written, when the source is empty or cannot be served.
  virtual bool convertInto(const ConstRawFrame& source, RawFrame& destination) = 0;
  // The destination has the output's header and planes.
  virtual bool isOutputCompatible(const ConstRawFrame& source, const RawFrame& destination) const;
  // A new image of the output's header, allocated (empty when the output has no reader).
  virtual RawImage allocateOutput(const ConstRawFrame& source) const;

  // The view when there is one (the buffer is not touched); otherwise the conversion into the
  // buffer, which is allocated only when it does not fit, so that one buffer serves every source
  // of one header. The empty frame when the conversion fails. The result points into the source
  // or the buffer and lives as long as they do.
  ConstRawFrame convertFrame(const ConstRawFrame& source, RawImage& buffer);

 protected:
  RawImageConverter() = default;
  RawImageConverter(const RawImageConverter&) = default;
  RawImageConverter& operator=(const RawImageConverter&) = default;
  ~RawImageConverter() = default;
};

namespace rawImageConverters {

// Any raw format to its planar 4:4:4 working image (`RawImageInfo::getDecodedType`). A planar
// 4:4:4 source whose full-size planes hold working samples as they are is viewed.
class ToPlanarConverter final : public RawImageConverter {
 public:
  // planeMask: the working planes to fill (bit k: plane k); 255 fills them all.
  explicit ToPlanarConverter(int planeMask = 255) : planeMask(planeMask) {}

  RawImageInfo outputInfo(const RawImageInfo& source) const override;
  RawFrame view(const RawFrame& source) const override;
  ConstRawFrame view(const ConstRawFrame& source) const override;
  bool convertInto(const ConstRawFrame& source, RawFrame& destination) override;

  int planeMask;
};

// The working image of one raw format back into that format. Only sources of the target's
// decoded type are served; a planar 4:4:4 target that stores working samples as they are is a
// view of the source's planes in the target's plane order.
class FromPlanarConverter final : public RawImageConverter {
 public:
  // The target header; its reader is bound here.
  explicit FromPlanarConverter(RawImageInfo target);

  RawImageInfo outputInfo(const RawImageInfo& source) const override;
  RawFrame view(const RawFrame& source) const override;
  ConstRawFrame view(const ConstRawFrame& source) const override;
  bool convertInto(const ConstRawFrame& source, RawFrame& destination) override;

  RawImageInfo targetInfo;

 private:
  RawImageInfo servedInfo_;  // targetInfo's decoded type: the one source header served
};

// Re-encodes every sample of an unpacked raw image (sample type, bit depth, byte order) and
// keeps everything else: layout, order, planes, size, row direction.
//
//  - integer to integer: fewer bits drop the low bits (x >> (a - b)); more bits repeat the input
//    bits from the top until the output is full (8 to 10 bits: x * 4 + (x >> 6));
//  - integer to float: x / (2^a - 1); float to integer: x * (2^b - 1), clamped to 0 .. 2^b - 1
//    (NaN gives 0) and truncated;
//  - only ByteOrder::BE means swapped 16-bit words; a float side must not be BE (asserted).
class BpsConverter final : public RawImageConverter {
 public:
  // Sample type and byte order ids of SampleType and ByteOrder; bits are bit depths.
  BpsConverter(int srcSampleType, int srcBits, int srcByteOrder, int dstSampleType, int dstBits,
               int dstByteOrder);

  RawImageInfo outputInfo(const RawImageInfo& source) const override;
  // With equal source and target members: a frame over the source's planes. Otherwise empty.
  RawFrame view(const RawFrame& source) const override;
  ConstRawFrame view(const ConstRawFrame& source) const override;
  // Serves unpacked sources with a reader whose sample type and bit depth are the converter's
  // source ones; the destination must have outputInfo's header (asserted).
  bool convertInto(const ConstRawFrame& source, RawFrame& destination) override;

  int srcSampleType;
  int srcBits;
  int srcByteOrder;
  int dstSampleType;
  int dstBits;
  int dstByteOrder;

 private:
  bool isIdentity() const;
  // outputInfo without a reader (for comparisons).
  RawImageInfo outputHeader(const RawImageInfo& source) const;
};

// A 3x3 matrix and an offset vector applied to every pixel of a planar 4:4:4 image, from one
// colour model into the other.
//
// Entry 3r + c of the matrix weighs input plane c for output plane r; planes are in each model's
// planar order (R, G, B or Y, U, V). The matrix is scale-free (integer samples enter as they
// are, float samples normalised); the offsets are in 8-bit code units and scaled to the sample
// range: x (2^bits - 1) / 255, or / 255 for float. Per output, in single precision:
// v = ((m0 s0 + m1 s1) + m2 s2) + o. Integer samples store 0 for v <= 0 or NaN, 2^bits - 1 for
// v at or above it, v truncated otherwise; float samples store v as it is.
struct ColourCoefficients {
  float matrix[9] = {};
  float offsets[3] = {};
};

class MatrixConverter final : public RawImageConverter {
 public:
  // Not set up: converts nothing.
  MatrixConverter() = default;
  // The coefficients are not copied; they must outlive the converter.
  MatrixConverter(const float* matrix, const float* offsets, int targetModel, int sampleType,
                  int bitDepth)
      : matrix(matrix),
        offsets(offsets),
        targetModel(targetModel),
        sampleType(sampleType),
        bitDepth(bitDepth) {}

  // Planar 4:4:4 in the target model's planar order, of the converter's sample type and bit depth
  // (16-bit little-endian), top-down, the source's size.
  RawImageInfo outputInfo(const RawImageInfo& source) const override;
  // Always the empty frame: the output never lies in the source's planes.
  RawFrame view(const RawFrame& source) const override;
  ConstRawFrame view(const ConstRawFrame& source) const override;
  // Serves planar 4:4:4 unpacked little-endian sources of the converter's sample type and bit
  // depth with a reader, when the coefficients are set; the destination must have outputInfo's
  // header (asserted) and must not share planes with the source.
  bool convertInto(const ConstRawFrame& source, RawFrame& destination) override;

  // The offsets scaled to the samples, and the largest integer sample (0 for float), as
  // convertInto applies them. Needs the coefficients and an integer bit depth up to 16.
  void scaledOffsets(float out[3], float* maxValue) const;

  const float* matrix = nullptr;   // 9 entries, not owned
  const float* offsets = nullptr;  // 3 entries, not owned
  int targetModel = -1;            // ColourModel id of the output: 0 RGB, 1 YUV
  int sampleType = -1;             // SampleType id of input and output
  int bitDepth = 0;

 private:
  RawImageInfo outputHeader(const RawImageInfo& source) const;
};

// The coefficients the universal chain uses between RGB and YUV: BT.601, limited range (16 to
// 235 luma, 16 to 240 chroma, scaled by 2^(bits - 8) for deeper samples), except that a gray
// ("Y") side is full-range luma, as FFmpeg reads and writes gray. `bits` is the working bit depth
// of integer samples (ignored for float). Half a code of the format that finally truncates the
// result is folded into the offsets, so that truncation rounds to nearest: of the working depth
// for integer samples, of `roundingBits` (a later float-to-integer step) for float samples;
// roundingBits 0 folds nothing.
ColourCoefficients bt601Coefficients(int fromModel, int toModel, bool grayLuma, int sampleType,
                                     int bits, int roundingBits);

// Any raw format to any other, through the working image: decode, bit depth up, colour matrix,
// bit depth down (the sample step runs once: before the matrix when the depth rises, after it
// otherwise), encode. Made for one source header and one target; its intermediate images are
// allocated by the first frame and reused for every later one.
//
// Pictures are converted band by band (a few rows at a time, whole chroma rows), so that the
// intermediate images stay small and in the processor's cache; the result is the one the steps
// give over the whole picture, which `convertWhole` computes for comparison.
class UniversalConverter final : public RawImageConverter {
 public:
  UniversalConverter(RawImageInfo source, RawFormatSpec target);
  UniversalConverter(UniversalConverter&&) noexcept;
  UniversalConverter& operator=(UniversalConverter&&) noexcept;
  ~UniversalConverter();

  // The target format at the source's size, a reader bound; the default header for any other
  // source header.
  RawImageInfo outputInfo(const RawImageInfo& source) const override;
  // The chain of views: a frame over the source's planes when every step is one, else empty.
  RawFrame view(const RawFrame& source) const override;
  ConstRawFrame view(const ConstRawFrame& source) const override;
  // False for an empty source, a source of another header, or a format pair the chain cannot
  // convert (a format without a reader or colour model).
  bool convertInto(const ConstRawFrame& source, RawFrame& destination) override;

  const RawImageInfo& sourceInfo() const { return srcInfo; }
  const RawFormatSpec& target() const { return targetSpec; }
  // The owned outputs of the planar, matrix and sample steps (empty until a step needs one).
  const RawImage& planarImage() const { return toPlanarImage; }
  const RawImage& matrixOutput() const { return matrixImage; }
  const RawImage& sampleOutput() const { return bpsImage; }

  // The steps over the whole picture at once, each step as its converter does it alone; the same
  // result as convertInto.
  bool convertWhole(const ConstRawFrame& source, RawFrame& destination);
  // Rows per band, rounded up to a multiple of 4 (the tallest chroma block); 0 chooses by the
  // picture's width. For tests and measurements.
  void setBandRows(int rows);
  // Whether conversions go band by band (decided by the first one).
  bool convertsInBands() const { return bands_ != nullptr; }

 private:
  struct Stage;
  struct BandPlan;

  RawImageInfo srcInfo;
  RawFormatSpec targetSpec;
  RawImage toPlanarImage;
  RawImage matrixImage;
  RawImage bpsImage;
  // The matrix step's coefficients, on the heap so that a move keeps the matrix converter's
  // pointers valid.
  std::unique_ptr<ColourCoefficients> coefficients;
  ToPlanarConverter toPlanar{255};
  MatrixConverter matrixConverter;
  BpsConverter bpsConverter;
  FromPlanarConverter fromPlanar;

  bool rising = false;        // the bit depth rises: the sample step runs before the matrix
  bool modelChange = false;   // RGB to YUV or back
  bool sampleChange = false;  // the sample step is not the identity
  bool servable = false;      // both formats have readers and known colour models

  int bandRows_ = 0;                 // requested; 0 by width
  std::unique_ptr<BandPlan> bands_;  // made by the first banded conversion; frames over the
                                     // three images, which must not move while it lives
  bool noBands_ = false;             // planned, and the picture is converted whole

  template <class Frame>
  Frame viewChain(const Frame& source) const;
  // Builds bands_ for a source of srcInfo (with its reader); false when the picture is one band
  // or its planes cannot be cut into bands.
  bool planBands(const RawImageInfo& source);
  bool convertBands(const ConstRawFrame& source, RawFrame& destination);
  bool convertBand(Stage& stage, const ConstRawFrame& source, RawFrame& destination, int y0);
  // The steps after the matrix, from the band's frame `cur` on.
  bool finishBand(Stage& stage, const ConstRawFrame* cur);
  void planSubsampled(BandPlan& plan, const RawImageInfo& source) const;
  void subsampledMatrix(BandPlan& plan, Stage& stage, const ConstRawFrame& source, int y0);
};

}  // namespace rawImageConverters

// The frame converted to the target format at its own size, in a new image; the empty image
// when the frame is empty or either format has no reader.
RawImage convertRawFrame(const ConstRawFrame& source, const RawFormatSpec& target);
