// The sample-row types of the raw-image library and the short-lived containers through which the
// image readers see a raw frame's stored planes.
//
// A row type fixes how one stored row is walked: byte rows (8-bit, 16-bit little- or big-endian,
// 32-bit float) and bit-packed rows (up to 8 or up to 16 bits a sample, most significant bit
// first). Each has a writable form (the sink of an encode) and a read-only twin (the source of a
// decode). A container describes the caller's memory for one call and owns no pixels.
#pragma once

#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "avifile/assertion.h"
#include "videoimage/rawimage/raw_format.h"

namespace rawDecoderTmp {
namespace rows {

static_assert(std::endian::native == std::endian::little,
              "working samples are kept in the byte order of a little-endian machine");

// The working sample type of a row type: unsigned char, unsigned short or float.
template <class T>
struct SampleInfo {
  using Type = T;
};

// One stored sample of a byte row at p, in the working (host) byte order; ByteOrderArg 2 marks
// big-endian 16-bit samples. Floats are copied bit for bit.
template <class T, int ByteOrderArg>
inline T loadSample(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));
  if constexpr (ByteOrderArg == 2 && sizeof(T) == 2) v = __builtin_bswap16(v);
  return v;
}

template <class T, int ByteOrderArg>
inline void storeSample(uint8_t* p, T v) {
  if constexpr (ByteOrderArg == 2 && sizeof(T) == 2) v = __builtin_bswap16(v);
  std::memcpy(p, &v, sizeof(T));
}

// Swaps the two bytes of each of n 16-bit samples in place.
inline void swapSamples(uint8_t* p, int n) {
  for (int i = 0; i < n; ++i) std::swap(p[2 * i], p[2 * i + 1]);
}

// What byte rows share; Byte is uint8_t (writable) or const uint8_t (read-only).
template <class Info, int ByteOrderArg, class ByteType>
struct ByteRowBase {
  using T = typename Info::Type;
  using Byte = ByteType;
  static constexpr int kByteOrder = ByteOrderArg;

  Byte* data = nullptr;  // next sample
  int size = 0;          // bytes left in the row from data on
  int bitDepth = 0;      // carried along; byte rows do not use it

  ByteRowBase() = default;
  ByteRowBase(Byte* data, int size, int bitDepth) : data(data), size(size), bitDepth(bitDepth) {}

  // Bytes of n samples.
  static int64_t bytesFor(int64_t samples, int /*bitDepth*/) {
    return samples * static_cast<int64_t>(sizeof(T));
  }

  // The next len samples in place (as stored), after checking that the row holds them; the row
  // moves past them.
  Byte* take(int len) {
    VIXO_ASSERT(size >= len * (int)sizeof(T));
    Byte* p = data;
    data += len * static_cast<int>(sizeof(T));
    size -= len * static_cast<int>(sizeof(T));
    return p;
  }

  // Moves the row to `samples` samples further on, without reading.
  void skipSamples(int samples) {
    data += static_cast<std::ptrdiff_t>(samples) * static_cast<std::ptrdiff_t>(sizeof(T));
    size -= samples * static_cast<int>(sizeof(T));
  }
};

// A byte row being written: samples of one, two or four bytes. ByteOrderArg is a ByteOrder
// value: 0 for little-endian, 2 for big-endian, 1 where byte order does not apply.
template <class Info, int ByteOrderArg>
struct TEncodedRow : ByteRowBase<Info, ByteOrderArg, uint8_t> {
  using Base = ByteRowBase<Info, ByteOrderArg, uint8_t>;
  using T = typename Base::T;
  using Base::Base;

  // Copies len working samples into the row (swapped to big-endian where the row is) and
  // moves on.
  void write(const T* src, int len) {
    uint8_t* p = this->take(len);
    if (len <= 0) return;
    std::memcpy(p, src, static_cast<size_t>(len) * sizeof(T));
    if constexpr (ByteOrderArg == 2 && sizeof(T) == 2) swapSamples(p, len);
  }
};

// A byte row being read.
template <class Info, int ByteOrderArg>
struct ConstTEncodedRow : ByteRowBase<Info, ByteOrderArg, const uint8_t> {
  using Base = ByteRowBase<Info, ByteOrderArg, const uint8_t>;
  using T = typename Base::T;
  using Base::Base;

  // Copies len samples out of the row as working samples and moves on.
  void read(T* dst, int len) {
    const uint8_t* p = this->take(len);
    if (len <= 0) return;
    std::memcpy(dst, p, static_cast<size_t>(len) * sizeof(T));
    if constexpr (ByteOrderArg == 2 && sizeof(T) == 2) {
      swapSamples(reinterpret_cast<uint8_t*>(dst), len);
    }
  }
};

// Whether a sample of `bits` bits can be held in T.
template <class T>
constexpr bool bitsFit(int bits) {
  return bits >= 1 && bits <= 8 * static_cast<int>(sizeof(T));
}

// A bit-packed row being written: samples of `bits` bits back to back, most significant bit
// first, starting at a byte boundary.
template <class Info>
struct TEncodedRowPacked {
  using T = typename Info::Type;
  using Byte = uint8_t;
  int bits = 0;
  Byte* data = nullptr;  // byte being filled
  int size = 0;          // bytes of the row from its start (not consulted by the writes)
  int freeBits = 8;      // low bits of *data not yet written

  TEncodedRowPacked() = default;
  TEncodedRowPacked(Byte* data, int size, int bitDepth) : bits(bitDepth), data(data), size(size) {}

  static int64_t bytesFor(int64_t samples, int bitDepth) { return (samples * bitDepth + 7) / 8; }

  // Appends one sample. Only its low `bits` bits are stored, so that a value out of range can
  // never spill into its neighbours. The low bits of the current byte that follow the sample are
  // cleared; the bits before it stay.
  void put(T value) {
    if (!bitsFit<T>(bits)) return;
    const uint32_t v = static_cast<uint32_t>(value) & ((uint32_t{1} << bits) - 1);
    int written = 0;
    while (written < bits) {
      const int take = freeBits < bits - written ? freeBits : bits - written;
      const uint32_t part = (v >> (bits - written - take)) & ((uint32_t{1} << take) - 1);
      const uint32_t keep = ~((uint32_t{1} << freeBits) - 1) & 0xFFu;
      *data = static_cast<Byte>((*data & keep) | (part << (freeBits - take)));
      written += take;
      freeBits -= take;
      if (freeBits == 0) {
        ++data;
        freeBits = 8;
      }
    }
  }

  void write(const T* src, int len) {
    for (int i = 0; i < len; ++i) put(src[i]);
  }

  // Moves a fresh row to sample `samples` without touching memory: whole groups of eight
  // samples (exactly `bits` bytes) by bytes, the rest bit by bit.
  void skipSamples(int samples) {
    data += static_cast<std::ptrdiff_t>(samples / 8) * bits;
    const int rest = (samples % 8) * bits;
    data += rest / 8;
    freeBits = 8 - rest % 8;
  }
};

// A bit-packed row being read; unpacks eight samples at a time into `pack`.
template <class Info>
struct ConstTEncodedRowPacked {
  using T = typename Info::Type;
  using Byte = const uint8_t;
  int bits = 0;
  Byte* data = nullptr;  // next byte not yet unpacked
  int size = 0;          // bytes left from data on
  T pack[8] = {};
  int packIdx = 0;   // next entry of pack to hand out
  int packSize = 0;  // valid entries in pack; 0 at the start of a row

  ConstTEncodedRowPacked() = default;
  ConstTEncodedRowPacked(Byte* data, int size, int bitDepth)
      : bits(bitDepth), data(data), size(size) {}

  static int64_t bytesFor(int64_t samples, int bitDepth) { return (samples * bitDepth + 7) / 8; }

  // The next sample. A refill takes up to `bits` bytes (eight samples); at the end of the row it
  // takes what is left and unpacks the whole samples in it.
  T next() {
    if (packIdx < packSize) return pack[packIdx++];
    refill();
    VIXO_ASSERT(packIdx < packSize);
    return pack[packIdx++];
  }

  void read(T* dst, int len) {
    for (int i = 0; i < len; ++i) dst[i] = next();
  }

  // Moves a fresh row to sample `samples`: whole groups of eight by bytes, the rest unpacked
  // and dropped.
  void skipSamples(int samples) {
    const int skip = (samples / 8) * bits;
    data += skip;
    size -= skip;
    packIdx = packSize = 0;
    for (int i = 0; i < samples % 8; ++i) next();
  }

 private:
  void refill() {
    const int n = bitsFit<T>(bits) ? (bits < size ? bits : size) : 0;
    const uint64_t mask = n > 0 ? (uint64_t{1} << bits) - 1 : 0;
    uint64_t accumulator = 0;
    int count = 0;
    int k = 0;
    for (int i = 0; i < n; ++i) {
      accumulator = (accumulator << 8) | data[i];
      count += 8;
      while (count >= bits && k < 8) {
        count -= bits;
        pack[k++] = static_cast<T>((accumulator >> count) & mask);
      }
    }
    if (n > 0) {
      data += n;
      size -= n;
    }
    packSize = k;
    packIdx = 0;
  }
};

template <class Row>
constexpr bool kIsByteRow = requires {
  Row::kByteOrder;
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
  static int64_t rowBytes(int64_t samples, int bitDepth) {
    return ConstRow::bytesFor(samples, bitDepth);
  }
};

template <class T>
struct RowTraits<rows::TEncodedRowPacked<rows::SampleInfo<T>>> {
  using Sample = T;
  using ConstRow = rows::ConstTEncodedRowPacked<rows::SampleInfo<T>>;
  static constexpr SampleType sampleType = sampleTypeOf<T>();
  static constexpr bool packed = true;
  static constexpr ByteOrder byteOrder = ByteOrder::Default;
  static int64_t rowBytes(int64_t samples, int bitDepth) {
    return ConstRow::bytesFor(samples, bitDepth);
  }
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
    // never wrap; a negative stride walks backwards. A row object covers exactly the bytes of
    // the plane's samples, whatever the stride, so that nothing reads or writes past a row. A
    // bit-packed row starts on its first bit with nothing unpacked.
    Row row(int y) const override {
      const int stored = bottomUp ? height - 1 - y : y;
      const int64_t bytes = Row::bytesFor(width, bitDepth);
      return Row(data + static_cast<std::ptrdiff_t>(stored) * stride,
                 bytes < 0         ? 0
                 : bytes > INT_MAX ? INT_MAX
                                   : static_cast<int>(bytes),
                 bitDepth);
    }
    int getWidth() const override { return width; }
    int getHeight() const override { return height; }
    int getStride() const override { return stride; }
  };

  // n default planes (null data, zero sizes), which the caller fills in full.
  static std::vector<Plane> makeVector(int n) {
    return std::vector<Plane>(static_cast<size_t>(n > 0 ? n : 0));
  }
  static std::vector<Plane> copyVector(const std::vector<Plane>& planes) { return planes; }

  explicit EncodedImageMemory(std::vector<Plane> planes) : planes_(std::move(planes)) {}

  int getPlanes() const override { return static_cast<int>(planes_.size()); }
  const Plane& getPlane(int i) const override { return planes_[static_cast<size_t>(i)]; }

 private:
  std::vector<Plane> planes_;
};

}  // namespace rawDecoderTmp
