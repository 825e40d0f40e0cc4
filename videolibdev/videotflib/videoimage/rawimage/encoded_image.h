// The sample-row types of the raw-image library and the short-lived containers through which the
// image readers see a raw frame's stored planes.
//
// A row type fixes how one stored row is walked: byte rows (8-bit, 16-bit little- or big-endian,
// 32-bit float) and bit-packed rows (up to 8 or up to 16 bits a sample, most significant bit
// first). Each has a writable form (the sink of an encode) and a read-only twin (the source of a
// decode). A container describes the caller's memory for one call and owns no pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "videoimage/rawimage/raw_format.h"

namespace rawDecoderTmp {
namespace rows {

// The working sample type of a row type: unsigned char, unsigned short or float.
template <class T>
struct SampleInfo {
  using Type = T;
};

// A byte row: samples of one, two or four bytes. ByteOrderArg is a ByteOrder value: 0 for
// little-endian, 2 for big-endian, 1 where byte order does not apply.
template <class Info, int ByteOrderArg>
struct TEncodedRow {
  using Byte = uint8_t;
  Byte* data = nullptr;  // next sample
  int size = 0;          // bytes left in the row from data on (the plane's stride at the start)
  int bitDepth = 0;      // carried along; byte rows do not use it

  TEncodedRow() = default;
  TEncodedRow(Byte* data, int size, int bitDepth) : data(data), size(size), bitDepth(bitDepth) {}
};

template <class Info, int ByteOrderArg>
struct ConstTEncodedRow {
  using Byte = const uint8_t;
  Byte* data = nullptr;
  int size = 0;
  int bitDepth = 0;

  ConstTEncodedRow() = default;
  ConstTEncodedRow(Byte* data, int size, int bitDepth)
      : data(data), size(size), bitDepth(bitDepth) {}
};

// A bit-packed row being written: samples of `bits` bits back to back, most significant bit
// first, starting at a byte boundary.
template <class Info>
struct TEncodedRowPacked {
  using Byte = uint8_t;
  int bits = 0;
  Byte* data = nullptr;  // byte being filled
  int size = 0;          // bytes left
  int freeBits = 8;      // low bits of *data not yet written

  TEncodedRowPacked() = default;
  TEncodedRowPacked(Byte* data, int size, int bitDepth) : bits(bitDepth), data(data), size(size) {}
};

// A bit-packed row being read; unpacks eight samples at a time into `pack`.
template <class Info>
struct ConstTEncodedRowPacked {
  using Byte = const uint8_t;
  using T = typename Info::Type;
  int bits = 0;
  Byte* data = nullptr;  // next byte not yet unpacked
  int size = 0;
  T pack[8] = {};
  int packIdx = 0;   // next entry of pack to hand out
  int packSize = 0;  // valid entries in pack; 0 at the start of a row

  ConstTEncodedRowPacked() = default;
  ConstTEncodedRowPacked(Byte* data, int size, int bitDepth)
      : bits(bitDepth), data(data), size(size) {}
};

}  // namespace rows

// The six row types over which every reader is made.
using U8 = rows::TEncodedRow<rows::SampleInfo<unsigned char>, 1>;
using PU8 = rows::TEncodedRowPacked<rows::SampleInfo<unsigned char>>;
using U16LE = rows::TEncodedRow<rows::SampleInfo<unsigned short>, 0>;
using U16BE = rows::TEncodedRow<rows::SampleInfo<unsigned short>, 2>;
using PU16 = rows::TEncodedRowPacked<rows::SampleInfo<unsigned short>>;
using F32 = rows::TEncodedRow<rows::SampleInfo<float>, 1>;

template <class T>
constexpr SampleType sampleTypeOf() {
  if constexpr (sizeof(T) == 1) {
    return SampleType::Int8;
  } else if constexpr (sizeof(T) == 2) {
    return SampleType::Int16;
  } else {
    return SampleType::Float32;
  }
}

// What a (writable) row type stands for: the format fields it is filed under, its read-only twin
// and the bytes of a stored row of n samples. Row sizes are computed in 64 bits; the readers
// refuse pictures whose rows do not fit an int.
template <class Row>
struct RowTraits;

template <class T, int ByteOrderArg>
struct RowTraits<rows::TEncodedRow<rows::SampleInfo<T>, ByteOrderArg>> {
  using Sample = T;
  using ConstRow = rows::ConstTEncodedRow<rows::SampleInfo<T>, ByteOrderArg>;
  static constexpr SampleType sampleType = sampleTypeOf<T>();
  static constexpr bool packed = false;
  static constexpr ByteOrder byteOrder = static_cast<ByteOrder>(ByteOrderArg);
  static int64_t rowBytes(int64_t samples, int /*bitDepth*/) {
    return samples * static_cast<int64_t>(sizeof(T));
  }
};

template <class T>
struct RowTraits<rows::TEncodedRowPacked<rows::SampleInfo<T>>> {
  using Sample = T;
  using ConstRow = rows::ConstTEncodedRowPacked<rows::SampleInfo<T>>;
  static constexpr SampleType sampleType = sampleTypeOf<T>();
  static constexpr bool packed = true;
  static constexpr ByteOrder byteOrder = ByteOrder::Default;
  static int64_t rowBytes(int64_t samples, int bitDepth) { return (samples * bitDepth + 7) / 8; }
};

// One stored plane as the readers see it.
template <class Row>
class EncodedPlaneBase {
 public:
  virtual ~EncodedPlaneBase() = default;
  // The row object of picture row y (no range check; callers keep 0 <= y < getHeight()).
  virtual Row row(int y) const = 0;
  virtual int getWidth() const = 0;   // samples per row
  virtual int getHeight() const = 0;  // rows
  virtual int getStride() const = 0;  // bytes from one stored row to the next
};

// A raw image as the readers see it: its stored planes.
template <class Row>
class EncodedImageBase {
 public:
  virtual ~EncodedImageBase() = default;
  virtual int getPlanes() const = 0;
  // Plane i, without a range check; callers keep 0 <= i < getPlanes().
  virtual const EncodedPlaneBase<Row>& getPlane(int i) const = 0;
};

// The stored planes of a raw frame over the caller's memory, for one decode or encode call.
template <class Row>
class EncodedImageMemory : public EncodedImageBase<Row> {
 public:
  class Plane : public EncodedPlaneBase<Row> {
   public:
    using Byte = typename Row::Byte;

    Byte* data = nullptr;   // first byte of stored row 0, in memory order
    int stride = 0;         // may be negative
    int width = 0;          // samples per row
    int height = 0;         // rows
    int bitDepth = 0;       // bits per sample (the bit-packed rows use it)
    bool bottomUp = false;  // stored rows run from the bottom of the picture to the top

    // Picture row y is stored row height - 1 - y of a bottom-up plane. The row starts
    // stride x stored row bytes from data, computed in pointer width so that large planes
    // never wrap. A byte row's size is the whole stride; a bit-packed row starts on its first
    // bit with nothing unpacked.
    Row row(int y) const override {
      const int stored = bottomUp ? height - 1 - y : y;
      return Row(data + static_cast<std::ptrdiff_t>(stored) * stride, stride, bitDepth);
    }
    int getWidth() const override { return width; }
    int getHeight() const override { return height; }
    int getStride() const override { return stride; }
  };

  explicit EncodedImageMemory(std::vector<Plane> planes) : planes_(std::move(planes)) {}

  int getPlanes() const override { return static_cast<int>(planes_.size()); }
  const Plane& getPlane(int i) const override { return planes_[static_cast<size_t>(i)]; }

 private:
  std::vector<Plane> planes_;
};

}  // namespace rawDecoderTmp
