// The plane readers of the raw-image library: each turns one stored plane of one sample-row type
// into rows of the planar 4:4:4 working image (`PlaneSet`) and back.
//
// - `Planar`: one full-size component; `Y`: gray input, neutral chroma;
// - `PlanarScale`: a chroma plane reduced sx times across and sy times down;
// - `Packed444`, `PackedSkipping`: three samples a pixel, or four with one skipped (alpha);
// - `Packed422_yFirst`, `Packed422_crFirst`: two pixels sharing one U and one V;
// - `PackedCroma_420`, `PackedCroma_422`: the interleaved chroma plane of semi-planar layouts.
//
// Decoding replicates subsampled chroma; encoding averages it with truncating integer means (float
// means multiply by 0.5 or 0.25). A plane mask selects the working planes a decode writes; every
// mask consumes the same samples of a row as a full decode and writes the selected planes with
// the same values. Rows of odd widths hold whole pairs (4:2:2, semi-planar): the last pair serves
// the last column alone. Readers are immutable and keep nothing between calls, so one reader may
// serve any number of threads.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "videoimage/rawimage/encoded_image.h"
#include "videoimage/rawimage/row_kernels.h"

namespace rawDecoderTmp {

// The working image as the readers see it: planar 4:4:4, plane k holding component k of the
// colour model (R, G, B or Y, U, V). Row y of plane k starts strides[k] x y bytes after
// planes[k]. A single-plane set (planeCount 1) carries one working plane in entry 0.
template <class T>
struct PlaneSet {
  int planeCount = 3;
  T* planes[3] = {nullptr, nullptr, nullptr};
  int strides[3] = {0, 0, 0};
  int width = 0;   // working columns
  int height = 0;  // working rows

  T* row(int k, int y) const {
    return reinterpret_cast<T*>(reinterpret_cast<char*>(planes[k]) +
                                static_cast<std::ptrdiff_t>(y) * strides[k]);
  }
  // The set of working plane k alone, for a plane reader of one plane.
  PlaneSet single(int k) const {
    PlaneSet s;
    s.planeCount = 1;
    s.planes[0] = planes[k];
    s.strides[0] = strides[k];
    s.width = width;
    s.height = height;
    return s;
  }
};

namespace readers {

// ceil(x / k) for x >= 0.
constexpr int ceilDiv(int x, int k) { return (x + k - 1) / k; }

// Sequential reads of the samples of one stored row. Byte rows check once that the row holds all
// the samples asked for and read them in place; bit-packed rows unpack as they go. The row moves
// past what was read.
template <class ConstRow, bool = rows::kIsByteRow<ConstRow>>
class SampleReader {
 public:
  using T = typename ConstRow::T;
  SampleReader(ConstRow& row, int samples) : p_(row.take(samples)) {}
  T next() {
    const T v = rows::loadSample<T, ConstRow::kByteOrder>(p_);
    p_ += sizeof(T);
    return v;
  }

 private:
  const uint8_t* p_;
};

template <class ConstRow>
class SampleReader<ConstRow, false> {
 public:
  using T = typename ConstRow::T;
  SampleReader(ConstRow& row, int /*samples*/) : row_(row), local_(row) {}
  ~SampleReader() { row_ = local_; }
  SampleReader(const SampleReader&) = delete;
  SampleReader& operator=(const SampleReader&) = delete;
  T next() { return local_.next(); }

 private:
  ConstRow& row_;
  ConstRow local_;
};

// Sequential writes into one stored row, checked like SampleReader.
template <class Row, bool = rows::kIsByteRow<Row>>
class SampleWriter {
 public:
  using T = typename Row::T;
  SampleWriter(Row& row, int samples) : p_(row.take(samples)) {}
  void put(T v) {
    rows::storeSample<T, Row::kByteOrder>(p_, v);
    p_ += sizeof(T);
  }

 private:
  uint8_t* p_;
};

template <class Row>
class SampleWriter<Row, false> {
 public:
  using T = typename Row::T;
  SampleWriter(Row& row, int /*samples*/) : row_(row), local_(row) {}
  ~SampleWriter() { row_ = local_; }
  SampleWriter(const SampleWriter&) = delete;
  SampleWriter& operator=(const SampleWriter&) = delete;
  void put(T v) { local_.put(v); }

 private:
  Row& row_;
  Row local_;
};

// Means of subsampled chroma: integer sums in 32 bits shifted right (truncating), float sums
// multiplied by 0.5 or 0.25.
template <class T>
inline T mean2(T a, T b) {
  if constexpr (std::is_floating_point_v<T>) {
    return (a + b) * 0.5f;
  } else {
    return static_cast<T>((int{a} + int{b}) >> 1);
  }
}

template <class T>
inline T mean4(T a, T b, T c, T d) {
  if constexpr (std::is_floating_point_v<T>) {
    return (((a + b) + c) + d) * 0.25f;
  } else {
    return static_cast<T>((int{a} + int{b} + int{c} + int{d}) >> 2);
  }
}

template <class T>
inline void fillSamples(T* d, int n, T v) {
  if (n <= 0) return;
  if constexpr (sizeof(T) == 1) {
    std::memset(d, v, static_cast<size_t>(n));
  } else {
    std::fill_n(d, n, v);
  }
}

// Reader of one stored plane. width and height are the picture size the reader covers (also for
// readers that subsample chroma); the size maps turn them into the plane's samples and rows.
template <class Row>
class PlaneReader {
 public:
  using RowType = Row;
  using T = typename RowTraits<Row>::Sample;
  using ConstRow = typename RowTraits<Row>::ConstRow;
  using Set = PlaneSet<T>;
  using Source = EncodedPlaneBase<ConstRow>;
  using Sink = EncodedPlaneBase<Row>;

  PlaneReader(int width, int height, int bitDepth)
      : width(width), height(height), bitDepth(bitDepth) {}
  virtual ~PlaneReader() = default;
  PlaneReader(const PlaneReader&) = delete;
  PlaneReader& operator=(const PlaneReader&) = delete;

  int getWidth() const { return width; }
  int getHeight() const { return height; }
  int getBitDepth() const { return bitDepth; }

  // Decodes stored row rawRow (the row object at its start) into the working rows it covers,
  // `width` columns, in the planes selected by planeMask; the row moves past the row's samples
  // whatever the mask.
  virtual void readRows(const Set& planes, ConstRow& row, int rawRow, int width,
                        int planeMask) const = 0;
  // The same with every plane the reader fills.
  virtual void readFullRow(const Set& planes, ConstRow& row, int rawRow, int width) const = 0;
  // Encodes stored row rawRow from the working rows it covers, planes.width columns.
  virtual void writeRow(Row& row, const Set& planes, int rawRow) const = 0;
  // Reads `count` samples of working component `component` along working row `row` from working
  // column `start` (as the decode would put them there) and returns count. The caller keeps
  // start + count within the picture width. A component the plane does not hold gives 0 and
  // writes nothing.
  virtual int readComponentAt(T* dst, int start, int count, int component, const Source& source,
                              int row) const = 0;
  // The same from the working column where the row object stands (a pixel, pair or block
  // boundary).
  virtual int readComponent(T* dst, int count, int component, ConstRow& row) const = 0;
  // Whether component index `component` exists in this plane.
  virtual bool hasComponent(int component) const = 0;
  // The stored plane is one full-size working plane.
  virtual bool isPlainPlane() const = 0;
  virtual bool acceptsWidth() const = 0;
  // Picture size -> samples per stored row and stored rows, and back.
  virtual int samplesForWidth(int width) const = 0;
  virtual int planeRowsForHeight(int height) const = 0;
  virtual int widthForSamples(int samples) const = 0;
  virtual int heightForPlaneRows(int rows) const = 0;
  // Bit k set: the reader fills working plane k of the set it is given.
  virtual int componentMask() const = 0;

  // Every stored row of source into the planes the mask selects; nothing when the mask selects
  // none of the reader's planes.
  virtual void readImage(const Set& planes, const Source& source, int planeMask) const {
    if ((planeMask & componentMask()) == 0) return;
    for (int r = 0; r < source.getHeight(); ++r) {
      ConstRow row = source.row(r);
      readRows(planes, row, r, planes.width, planeMask);
    }
  }
  virtual void readImageAll(const Set& planes, const Source& source) const {
    for (int r = 0; r < source.getHeight(); ++r) {
      ConstRow row = source.row(r);
      readFullRow(planes, row, r, planes.width);
    }
  }
  // Reads what the stored plane holds into a working image that may be larger (no more rows
  // than the set's height, no more columns than the picture's or the set's width) and fills the
  // rest by replication: each row's last sample to the right, the last row read downwards. When
  // no row or no column is read, nothing is written.
  virtual void readImagePadded(const Set& planes, const Source& source, int planeMask) const {
    const int mask = planeMask & componentMask();
    if (mask == 0) return;
    const int rowsToRead = std::min(planeRowsForHeight(planes.height), source.getHeight());
    const int readWidth = std::min({widthForSamples(source.getWidth()), width, planes.width});
    if (rowsToRead <= 0 || readWidth <= 0) return;
    for (int r = 0; r < rowsToRead; ++r) {
      ConstRow row = source.row(r);
      readRows(planes, row, r, readWidth, planeMask);
      if (planes.width <= readWidth) continue;
      const int last = std::min(heightForPlaneRows(r + 1), planes.height);
      for (int y = heightForPlaneRows(r); y < last; ++y) {
        for (int k = 0; k < 3; ++k) {
          if (!(mask >> k & 1)) continue;
          T* d = planes.row(k, y);
          fillSamples(d + readWidth, planes.width - readWidth, d[readWidth - 1]);
        }
      }
    }
    const int filled = std::min(heightForPlaneRows(rowsToRead), planes.height);
    for (int y = filled; y < planes.height; ++y) {
      for (int k = 0; k < 3; ++k) {
        if (!(mask >> k & 1)) continue;
        std::memcpy(planes.row(k, y), planes.row(k, filled - 1),
                    static_cast<size_t>(planes.width) * sizeof(T));
      }
    }
  }
  virtual bool isDirect() const = 0;

  // Encodes every stored row of sink from the working image.
  void writeRows(const Sink& sink, const Set& planes) const {
    for (int r = 0; r < sink.getHeight(); ++r) {
      Row row = sink.row(r);
      writeRow(row, planes, r);
    }
  }

 protected:
  const int width;
  const int height;
  const int bitDepth;
};

// One full-size component per stored plane.
template <class Row>
class Planar : public PlaneReader<Row> {
 public:
  using Base = PlaneReader<Row>;
  using Base::Base;
  using typename Base::ConstRow;
  using typename Base::Set;
  using typename Base::Source;
  using typename Base::T;

  void readRows(const Set& planes, ConstRow& row, int rawRow, int width,
                int planeMask) const override {
    if ((planeMask & 1) && width > 0) row.read(planes.row(0, rawRow), width);
  }
  void readFullRow(const Set& planes, ConstRow& row, int rawRow, int width) const override {
    readRows(planes, row, rawRow, width, 1);
  }
  void writeRow(Row& row, const Set& planes, int rawRow) const override {
    if (planes.width > 0) row.write(planes.row(0, rawRow), planes.width);
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& source,
                      int row) const override {
    if (component != 0 || count <= 0) return 0;
    ConstRow r = source.row(row);
    r.skipSamples(start);
    return readComponent(dst, count, component, r);
  }
  int readComponent(T* dst, int count, int component, ConstRow& row) const override {
    if (component != 0 || count <= 0) return 0;
    row.read(dst, count);
    return count;
  }
  bool hasComponent(int c) const override { return c == 0; }
  bool isPlainPlane() const override { return true; }
  bool acceptsWidth() const override { return true; }
  int samplesForWidth(int w) const override { return w; }
  int planeRowsForHeight(int h) const override { return h; }
  int widthForSamples(int s) const override { return s; }
  int heightForPlaneRows(int r) const override { return r; }
  int componentMask() const override { return 1; }
  bool isDirect() const override { return true; }
};

// Neutral chroma of gray input: half scale, 1 << (bitDepth - 1) (128 at 8 bits), so that gray
// stays gray through a colour matrix; 0 at 1 bit; 0.5 for float samples.
template <class T>
T neutralChroma(int bitDepth) {
  if constexpr (std::is_floating_point_v<T>) {
    return 0.5f;
  } else {
    constexpr int kBits = 8 * static_cast<int>(sizeof(T));
    if (bitDepth <= 1) return 0;
    return static_cast<T>(1u << ((bitDepth > kBits ? kBits : bitDepth) - 1));
  }
}

// Gray input: luma from the plane as Planar reads it, neutral chroma. Only luma is stored, so only
// luma can be read as a component; encoding keeps luma and drops chroma.
template <class Row>
class Y : public Planar<Row> {
 public:
  using Base = Planar<Row>;
  using Base::Base;
  using typename Base::ConstRow;
  using typename Base::Set;
  using typename Base::T;

  void readRows(const Set& planes, ConstRow& row, int rawRow, int width,
                int planeMask) const override {
    if (width <= 0) return;
    Base::readRows(planes, row, rawRow, width, planeMask);
    const T neutral = neutralChroma<T>(this->bitDepth);
    if (planeMask & 2) fillSamples(planes.row(1, rawRow), width, neutral);
    if (planeMask & 4) fillSamples(planes.row(2, rawRow), width, neutral);
  }
  void readFullRow(const Set& planes, ConstRow& row, int rawRow, int width) const override {
    readRows(planes, row, rawRow, width, 7);
  }
  bool isPlainPlane() const override { return false; }
  int componentMask() const override { return 7; }
  bool isDirect() const override { return false; }
};

// A chroma plane reduced SX times across and SY times down (rounded up): each stored sample
// stands for an SX x SY block of the picture, clipped to it.
template <class Row, int SX, int SY>
class PlanarScale : public PlaneReader<Row> {
  static_assert((SX == 2 || SX == 4) && (SY == 1 || SY == 2 || SY == 4));

 public:
  using Base = PlaneReader<Row>;
  using Base::Base;
  using typename Base::ConstRow;
  using typename Base::Set;
  using typename Base::Source;
  using typename Base::T;

  // Takes ceil(width / SX) samples and repeats each over its block: SX columns of the working
  // rows rawRow x SY .. rawRow x SY + SY - 1 that lie in the set. The samples are taken also when
  // no row lies in the set.
  void readRows(const Set& planes, ConstRow& row, int rawRow, int width,
                int planeMask) const override {
    if (!(planeMask & 1) || width <= 0) return;
    const int samples = ceilDiv(width, SX);
    SampleReader<ConstRow> in(row, samples);
    const int y0 = rawRow * SY;
    if (y0 < 0 || y0 >= planes.height) {
      for (int j = 0; j < samples; ++j) in.next();
      return;
    }
    T* d = planes.row(0, y0);
    const int full = width / SX;
    for (int j = 0; j < full; ++j) {
      const T v = in.next();
      for (int k = 0; k < SX; ++k) d[j * SX + k] = v;
    }
    if (full < samples) {
      const T v = in.next();
      for (int x = full * SX; x < width; ++x) d[x] = v;
    }
    const int last = std::min(y0 + SY, planes.height);
    for (int y = y0 + 1; y < last; ++y) {
      std::memcpy(planes.row(0, y), d, static_cast<size_t>(width) * sizeof(T));
    }
  }
  void readFullRow(const Set& planes, ConstRow& row, int rawRow, int width) const override {
    readRows(planes, row, rawRow, width, 1);
  }
  // One sample per block: the mean of the row means of the block's rows (rows past the bottom
  // repeat the last row), each row mean over the block's columns; a last partial block averages
  // the columns it has.
  void writeRow(Row& row, const Set& planes, int rawRow) const override {
    const int w = planes.width;
    const int h = planes.height;
    if (w <= 0 || h <= 0) return;
    const T* src[SY];
    for (int k = 0; k < SY; ++k) {
      src[k] = planes.row(0, std::max(0, std::min(rawRow * SY + k, h - 1)));
    }
    const int full = w / SX;
    const int rest = w - full * SX;
    SampleWriter<Row> out(row, full + (rest > 0));
    for (int j = 0; j < full; ++j) out.put(blockValue(src, j * SX, SX));
    if (rest > 0) out.put(blockValue(src, full * SX, rest));
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& source,
                      int row) const override {
    if (component != 0 || count <= 0) return 0;
    ConstRow r = source.row(row / SY);
    r.skipSamples(start / SX);
    return readScaled(dst, count, r, start % SX);
  }
  int readComponent(T* dst, int count, int component, ConstRow& row) const override {
    if (component != 0) return 0;
    return readScaled(dst, count, row, 0);
  }
  bool hasComponent(int c) const override { return c == 0; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return true; }
  int samplesForWidth(int w) const override { return ceilDiv(w, SX); }
  int planeRowsForHeight(int h) const override { return ceilDiv(h, SY); }
  int widthForSamples(int s) const override { return SX * s; }
  int heightForPlaneRows(int r) const override { return SY * r; }
  int componentMask() const override { return 1; }
  bool isDirect() const override { return false; }

 private:
  // count working samples from `phase` columns into the block where the row stands.
  static int readScaled(T* dst, int count, ConstRow& row, int phase) {
    if (count <= 0) return 0;
    SampleReader<ConstRow> in(row, ceilDiv(phase + count, SX));
    int n = 0;
    int repeat = SX - phase;
    while (n < count) {
      const T v = in.next();
      for (int k = 0; k < repeat && n < count; ++k) dst[n++] = v;
      repeat = SX;
    }
    return count;
  }

  // Mean of n samples from column x of one row: a shift for a whole block, a division for a
  // partial one.
  static T rowMean(const T* s, int x, int n) {
    if constexpr (std::is_floating_point_v<T>) {
      float sum = s[x];
      for (int k = 1; k < n; ++k) sum += s[x + k];
      return n == SX ? sum * (SX == 2 ? 0.5f : 0.25f) : sum / static_cast<float>(n);
    } else {
      int sum = 0;
      for (int k = 0; k < n; ++k) sum += s[x + k];
      return static_cast<T>(n == SX ? sum >> (SX == 2 ? 1 : 2) : sum / n);
    }
  }

  static T blockValue(const T* const* src, int x, int n) {
    if constexpr (SY == 1) {
      return rowMean(src[0], x, n);
    } else if constexpr (std::is_floating_point_v<T>) {
      float sum = rowMean(src[0], x, n);
      for (int k = 1; k < SY; ++k) sum += rowMean(src[k], x, n);
      return sum * (SY == 2 ? 0.5f : 0.25f);
    } else {
      int sum = 0;
      for (int k = 0; k < SY; ++k) sum += rowMean(src[k], x, n);
      return static_cast<T>(sum >> (SY == 2 ? 1 : 2));
    }
  }
};

// Calls K::readSelected<mask> for the low three bits of planeMask, so that each combination of
// planes has a loop of its own.
template <class K, class Set, class ConstRow>
void readByMask(int planeMask, const Set& planes, ConstRow& row, int y, int width) {
  switch (planeMask & 7) {
    case 0:
      return K::template readSelected<0>(planes, row, y, width);
    case 1:
      return K::template readSelected<1>(planes, row, y, width);
    case 2:
      return K::template readSelected<2>(planes, row, y, width);
    case 3:
      return K::template readSelected<3>(planes, row, y, width);
    case 4:
      return K::template readSelected<4>(planes, row, y, width);
    case 5:
      return K::template readSelected<5>(planes, row, y, width);
    case 6:
      return K::template readSelected<6>(planes, row, y, width);
    default:
      return K::template readSelected<7>(planes, row, y, width);
  }
}

// Packed 4:4:4: one group of N samples a pixel; working plane k is stored sample Pk. With four
// samples, the one no plane takes (alpha) is skipped on decode, written as 0, and read as
// component 3.
template <class Row, int N, int P0, int P1, int P2>
class PackedPixels : public PlaneReader<Row> {
  static_assert(N == 3 || N == 4);

 public:
  using Base = PlaneReader<Row>;
  using Base::Base;
  using typename Base::ConstRow;
  using typename Base::Set;
  using typename Base::Source;
  using typename Base::T;
  static constexpr int kSkipped = N == 4 ? 6 - P0 - P1 - P2 : -1;
  // Pixels of three bytes, moved by the row kernels.
  static constexpr bool kBytePixels = N == 3 && rows::kIsByteRow<Row> && sizeof(T) == 1;

  // width pixels into the planes of Mask; the pixels are taken whatever the mask.
  template <int Mask>
  static void readSelected(const Set& planes, ConstRow& row, int y, int width) {
    if (width <= 0) return;
    T* d[3] = {};
    for (int k = 0; k < 3; ++k) {
      if (Mask >> k & 1) d[k] = planes.row(k, y);
    }
    if constexpr (Mask == 7 && kBytePixels) {
      kernels::deinterleave3(row.take(3 * width), d[planeOf(0)], d[planeOf(1)], d[planeOf(2)],
                             width);
      return;
    }
    SampleReader<ConstRow> in(row, N * width);
    for (int x = 0; x < width; ++x) {
      T g[N];
      for (T& v : g) v = in.next();
      if constexpr (Mask & 1) d[0][x] = g[P0];
      if constexpr (Mask & 2) d[1][x] = g[P1];
      if constexpr (Mask & 4) d[2][x] = g[P2];
    }
  }
  static void readPlanes12(const Set& planes, ConstRow& row, int y, int width) {
    readSelected<6>(planes, row, y, width);
  }

  void readRows(const Set& planes, ConstRow& row, int rawRow, int width,
                int planeMask) const override {
    readByMask<PackedPixels>(planeMask, planes, row, rawRow, width);
  }
  void readFullRow(const Set& planes, ConstRow& row, int rawRow, int width) const override {
    readSelected<7>(planes, row, rawRow, width);
  }
  void writeRow(Row& row, const Set& planes, int rawRow) const override {
    const int w = planes.width;
    if (w <= 0) return;
    const T* s[3] = {planes.row(0, rawRow), planes.row(1, rawRow), planes.row(2, rawRow)};
    if constexpr (kBytePixels) {
      kernels::interleave3(row.take(3 * w), s[planeOf(0)], s[planeOf(1)], s[planeOf(2)], w);
      return;
    }
    SampleWriter<Row> out(row, N * w);
    for (int x = 0; x < w; ++x) {
      T g[N];
      g[P0] = s[0][x];
      g[P1] = s[1][x];
      g[P2] = s[2][x];
      if constexpr (N == 4) g[kSkipped] = T{0};
      for (const T v : g) out.put(v);
    }
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& source,
                      int row) const override {
    if (position(component) < 0 || count <= 0) return 0;
    ConstRow r = source.row(row);
    r.skipSamples(N * start);
    return readComponent(dst, count, component, r);
  }
  int readComponent(T* dst, int count, int component, ConstRow& row) const override {
    const int p = position(component);
    if (p < 0 || count <= 0) return 0;
    SampleReader<ConstRow> in(row, N * count);
    for (int i = 0; i < count; ++i) {
      T g[N];
      for (T& v : g) v = in.next();
      dst[i] = g[p];
    }
    return count;
  }
  bool hasComponent(int c) const override { return static_cast<unsigned>(c) < N; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return true; }
  int samplesForWidth(int w) const override { return N * w; }
  int planeRowsForHeight(int h) const override { return h; }
  int widthForSamples(int s) const override { return ceilDiv(s, N); }
  int heightForPlaneRows(int r) const override { return r; }
  int componentMask() const override { return 7; }
  bool isDirect() const override { return false; }

 private:
  // The stored position of a component, or -1.
  static constexpr int position(int component) {
    return component == 0   ? P0
           : component == 1 ? P1
           : component == 2 ? P2
           : component == 3 ? kSkipped
                            : -1;
  }
  // The working plane of stored sample i of a three-sample pixel.
  static constexpr int planeOf(int i) { return P0 == i ? 0 : P1 == i ? 1 : 2; }
};

// The stored position of working plane k when stored sample i holds plane Ci.
constexpr int positionOfPlane(int k, int c0, int c1) { return c0 == k ? 0 : c1 == k ? 1 : 2; }

// Three samples a pixel; stored sample i belongs to working plane Ci.
template <class Row, int C0, int C1, int C2>
class Packed444 : public PackedPixels<Row, 3, positionOfPlane(0, C0, C1),
                                      positionOfPlane(1, C0, C1), positionOfPlane(2, C0, C1)> {
 public:
  using Packed444::PackedPixels::PackedPixels;
};

// Four samples a pixel; working plane k is stored sample Sk, the fourth sample is skipped.
template <class Row, int S0, int S1, int S2>
class PackedSkipping : public PackedPixels<Row, 4, S0, S1, S2> {
 public:
  using PackedSkipping::PackedPixels::PackedPixels;
};

// Packed 4:2:2: groups of four samples, two lumas and one sample of each chroma component for a
// pair of pixels. Working planes A and B (1 = U, 2 = V) take the group's first and second chroma
// sample. Rows hold whole pairs, as other tools lay them out: for an odd width the last group
// serves the last column alone (its second luma is padding, written as a copy of the first).
template <class Row, int A, int B, bool kYFirst>
class Packed422 : public PlaneReader<Row> {
 public:
  using Base = PlaneReader<Row>;
  using Base::Base;
  using typename Base::ConstRow;
  using typename Base::Set;
  using typename Base::Source;
  using typename Base::T;
  // Positions in a group.
  static constexpr int kY0 = kYFirst ? 0 : 1;
  static constexpr int kY1 = kYFirst ? 2 : 3;
  static constexpr int kA = kYFirst ? 1 : 0;
  static constexpr int kB = kYFirst ? 3 : 2;

  template <int Mask>
  static void readSelected(const Set& planes, ConstRow& row, int y, int width) {
    if (width <= 0) return;
    T* d[3] = {};
    for (int k = 0; k < 3; ++k) {
      if (Mask >> k & 1) d[k] = planes.row(k, y);
    }
    const int pairs = width / 2;
    SampleReader<ConstRow> in(row, 4 * ceilDiv(width, 2));
    for (int i = 0; i < pairs; ++i) {
      T g[4];
      for (T& v : g) v = in.next();
      if constexpr (Mask & 1) {
        d[0][2 * i] = g[kY0];
        d[0][2 * i + 1] = g[kY1];
      }
      if constexpr (Mask >> A & 1) d[A][2 * i] = d[A][2 * i + 1] = g[kA];
      if constexpr (Mask >> B & 1) d[B][2 * i] = d[B][2 * i + 1] = g[kB];
    }
    if (width & 1) {
      T g[4];
      for (T& v : g) v = in.next();
      const int x = width - 1;
      if constexpr (Mask & 1) d[0][x] = g[kY0];
      if constexpr (Mask >> A & 1) d[A][x] = g[kA];
      if constexpr (Mask >> B & 1) d[B][x] = g[kB];
    }
  }
  static void readPlanes12(const Set& planes, ConstRow& row, int y, int width) {
    readSelected<6>(planes, row, y, width);
  }
  static void readPlane0(const Set& planes, ConstRow& row, int y, int width) {
    readSelected<1>(planes, row, y, width);
  }
  static void readPlanes01(const Set& planes, ConstRow& row, int y, int width) {
    readSelected<3>(planes, row, y, width);
  }
  static void readPlanes02(const Set& planes, ConstRow& row, int y, int width) {
    readSelected<5>(planes, row, y, width);
  }

  void readRows(const Set& planes, ConstRow& row, int rawRow, int width,
                int planeMask) const override {
    readByMask<Packed422>(planeMask, planes, row, rawRow, width);
  }
  void readFullRow(const Set& planes, ConstRow& row, int rawRow, int width) const override {
    readSelected<7>(planes, row, rawRow, width);
  }
  // Lumas as they are, each pair's chroma its mean; the last column of an odd width makes a
  // group of its own.
  void writeRow(Row& row, const Set& planes, int rawRow) const override {
    const int w = planes.width;
    if (w <= 0) return;
    const T* luma = planes.row(0, rawRow);
    const T* a = planes.row(A, rawRow);
    const T* b = planes.row(B, rawRow);
    SampleWriter<Row> out(row, 4 * ceilDiv(w, 2));
    const int pairs = w / 2;
    for (int i = 0; i < pairs; ++i) {
      T g[4];
      g[kY0] = luma[2 * i];
      g[kY1] = luma[2 * i + 1];
      g[kA] = mean2(a[2 * i], a[2 * i + 1]);
      g[kB] = mean2(b[2 * i], b[2 * i + 1]);
      for (const T v : g) out.put(v);
    }
    if (w & 1) {
      T g[4];
      g[kY0] = g[kY1] = luma[w - 1];
      g[kA] = a[w - 1];
      g[kB] = b[w - 1];
      for (const T v : g) out.put(v);
    }
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& source,
                      int row) const override {
    if (!hasComponent(component) || count <= 0) return 0;
    ConstRow r = source.row(row);
    r.skipSamples(4 * (start / 2));
    return readPhased(dst, count, component, r, start % 2);
  }
  int readComponent(T* dst, int count, int component, ConstRow& row) const override {
    if (!hasComponent(component)) return 0;
    return readPhased(dst, count, component, row, 0);
  }
  bool hasComponent(int c) const override { return static_cast<unsigned>(c) <= 2; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return this->width % 2 == 0; }
  int samplesForWidth(int w) const override { return 4 * ceilDiv(w, 2); }
  int planeRowsForHeight(int h) const override { return h; }
  int widthForSamples(int s) const override { return ceilDiv(s, 2); }
  int heightForPlaneRows(int r) const override { return r; }
  int componentMask() const override { return 7; }
  bool isDirect() const override { return false; }

 private:
  // count samples of a component from the second pixel of the row's pair when phase is 1.
  static int readPhased(T* dst, int count, int component, ConstRow& row, int phase) {
    if (count <= 0) return 0;
    SampleReader<ConstRow> in(row, 4 * ceilDiv(phase + count, 2));
    const int first = component == 0 ? kY0 : component == A ? kA : kB;
    const int second = component == 0 ? kY1 : first;
    int n = 0;
    int j = phase;
    while (n < count) {
      T g[4];
      for (T& v : g) v = in.next();
      for (; j < 2 && n < count; ++j) dst[n++] = g[j == 0 ? first : second];
      j = 0;
    }
    return count;
  }
};

template <class Row, int A, int B>
class Packed422_yFirst : public Packed422<Row, A, B, true> {
 public:
  using Packed422<Row, A, B, true>::Packed422;
};

template <class Row, int A, int B>
class Packed422_crFirst : public Packed422<Row, A, B, false> {
 public:
  using Packed422<Row, A, B, false>::Packed422;
};

// The interleaved chroma plane of a semi-planar layout: pairs of (Q0, Q1) samples, Q0 and Q1
// being working planes 1 and 2 in the stored order, one pair for every two columns (an odd width
// has a last whole pair for its last column), SY picture rows per stored row.
template <class Row, int Q0, int Q1, int SY>
class PackedCroma : public PlaneReader<Row> {
 public:
  using Base = PlaneReader<Row>;
  using Base::Base;
  using typename Base::ConstRow;
  using typename Base::Set;
  using typename Base::Source;
  using typename Base::T;

  // The working rows of stored row y, kept inside the set.
  static void targetRows(int y, int height, int& r0, int& r1) {
    if constexpr (SY == 1) {
      r0 = r1 = y;
    } else {
      r0 = std::max(0, std::min(2 * y, height - 1));
      r1 = std::max(0, std::min(2 * y + 1, height - 1));
    }
  }

  // The pairs of stored row y into the working planes of Mask (bits 1 and 2).
  template <int Mask>
  static void readSelected(const Set& planes, ConstRow& row, int y, int width) {
    if (width <= 0) return;
    const int pairs = width / 2;
    SampleReader<ConstRow> in(row, 2 * ceilDiv(width, 2));
    int r0 = 0;
    int r1 = 0;
    targetRows(y, planes.height, r0, r1);
    T* first[2] = {};
    T* second[2] = {};
    if constexpr (Mask >> Q0 & 1) first[0] = planes.row(Q0, r0), first[1] = planes.row(Q0, r1);
    if constexpr (Mask >> Q1 & 1) second[0] = planes.row(Q1, r0), second[1] = planes.row(Q1, r1);
    for (int i = 0; i < pairs; ++i) {
      const T f = in.next();
      const T s = in.next();
      for (int k = 0; k < 2; ++k) {
        if constexpr (Mask >> Q0 & 1) first[k][2 * i] = first[k][2 * i + 1] = f;
        if constexpr (Mask >> Q1 & 1) second[k][2 * i] = second[k][2 * i + 1] = s;
      }
    }
    if (width & 1) {
      const T f = in.next();
      const T s = in.next();
      for (int k = 0; k < 2; ++k) {
        if constexpr (Mask >> Q0 & 1) first[k][width - 1] = f;
        if constexpr (Mask >> Q1 & 1) second[k][width - 1] = s;
      }
    }
  }
  // Working plane P alone (P = 1 or 2).
  template <int P>
  static void readOnePlane(const Set& planes, ConstRow& row, int y, int width) {
    readSelected<1 << P>(planes, row, y, width);
  }
  static void readPlane1(const Set& planes, ConstRow& row, int y, int width) {
    readOnePlane<1>(planes, row, y, width);
  }
  static void readPlane2(const Set& planes, ConstRow& row, int y, int width) {
    readOnePlane<2>(planes, row, y, width);
  }

  void readRows(const Set& planes, ConstRow& row, int rawRow, int width,
                int planeMask) const override {
    switch (planeMask & 6) {
      case 0:
        return readSelected<0>(planes, row, rawRow, width);
      case 2:
        return readPlane1(planes, row, rawRow, width);
      case 4:
        return readPlane2(planes, row, rawRow, width);
      default:
        return readSelected<6>(planes, row, rawRow, width);
    }
  }
  void readFullRow(const Set& planes, ConstRow& row, int rawRow, int width) const override {
    readSelected<6>(planes, row, rawRow, width);
  }
  // Each pair is the mean of the working samples it covers (the last column of an odd width
  // alone), first plane Q0, then Q1.
  void writeRow(Row& row, const Set& planes, int rawRow) const override {
    const int w = planes.width;
    if (w <= 0 || planes.height <= 0) return;
    int r0 = 0;
    int r1 = 0;
    targetRows(rawRow, planes.height, r0, r1);
    const T* p[2][2] = {{planes.row(Q0, r0), planes.row(Q0, r1)},
                        {planes.row(Q1, r0), planes.row(Q1, r1)}};
    SampleWriter<Row> out(row, 2 * ceilDiv(w, 2));
    const int pairs = w / 2;
    for (int i = 0; i < pairs; ++i) {
      for (const auto& q : p) {
        if constexpr (SY == 1) {
          out.put(mean2(q[0][2 * i], q[0][2 * i + 1]));
        } else {
          out.put(mean4(q[0][2 * i], q[0][2 * i + 1], q[1][2 * i], q[1][2 * i + 1]));
        }
      }
    }
    if (w & 1) {
      for (const auto& q : p) {
        if constexpr (SY == 1) {
          out.put(q[0][w - 1]);
        } else {
          out.put(mean2(q[0][w - 1], q[1][w - 1]));
        }
      }
    }
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& source,
                      int row) const override {
    if (!hasComponent(component) || count <= 0) return 0;
    ConstRow r = source.row(row / SY);
    r.skipSamples(2 * (start / 2));
    return readPhased(dst, count, component, r, start % 2);
  }
  int readComponent(T* dst, int count, int component, ConstRow& row) const override {
    if (!hasComponent(component)) return 0;
    return readPhased(dst, count, component, row, 0);
  }
  bool hasComponent(int c) const override { return c == 1 || c == 2; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return this->width % 2 == 0; }
  int samplesForWidth(int w) const override { return 2 * ceilDiv(w, 2); }
  int planeRowsForHeight(int h) const override { return ceilDiv(h, SY); }
  int widthForSamples(int s) const override { return s; }
  int heightForPlaneRows(int r) const override { return SY * r; }
  int componentMask() const override { return 6; }
  bool isDirect() const override { return false; }

 private:
  static int readPhased(T* dst, int count, int component, ConstRow& row, int phase) {
    if (count <= 0) return 0;
    SampleReader<ConstRow> in(row, 2 * ceilDiv(phase + count, 2));
    const bool second = component == Q1;
    int n = 0;
    int repeat = 2 - phase;
    while (n < count) {
      const T f = in.next();
      const T s = in.next();
      const T v = second ? s : f;
      for (int k = 0; k < repeat && n < count; ++k) dst[n++] = v;
      repeat = 2;
    }
    return count;
  }
};

template <class Row, int Q0, int Q1>
class PackedCroma_420 : public PackedCroma<Row, Q0, Q1, 2> {
 public:
  using PackedCroma<Row, Q0, Q1, 2>::PackedCroma;
};

template <class Row, int Q0, int Q1>
class PackedCroma_422 : public PackedCroma<Row, Q0, Q1, 1> {
 public:
  using PackedCroma<Row, Q0, Q1, 1>::PackedCroma;
};

}  // namespace readers
}  // namespace rawDecoderTmp
