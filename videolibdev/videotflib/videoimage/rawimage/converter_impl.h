// The reader templates of the raw-image library, each over one sample-row type (encoded_image.h):
// - plane readers (plane_readers.h), each serving one stored plane and filling one or more
//   working planes of the planar 4:4:4 working image;
// - image readers, which wire the plane readers of a format to stored and working planes
//   (Combinator for planar layouts, Combinator2 for semi-planar, ImageReaderPacked for packed
//   and gray);
// - reader factories, one stateless object per class, which build them for a picture size;
// - ReaderInterfaceImpl, the reader a raw-image header holds, and FormatDescriptorImpl, which the
//   registry files.
// Everything here is immutable after construction and may be shared between threads.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "avifile/assertion.h"
#include "videoimage/rawimage/encoded_image.h"
#include "videoimage/rawimage/format_registry.h"
#include "videoimage/rawimage/plane_readers.h"
#include "videoimage/rawimage/raw_format.h"
#include "videoimage/rawimage/reader_interface.h"

namespace rawDecoderTmp {
namespace readers {

// Reader of a whole raw image of one format at one size; its size and bit depth are those of
// its first plane reader. Reads take the stored planes in a read-only container, writes in a
// writable one; the working image is a PlaneSet of three planes.
template <class Row>
class ImageReader {
 public:
  using RowType = Row;
  using PlaneReaderPtr = std::shared_ptr<PlaneReader<Row>>;
  using T = typename PlaneReader<Row>::T;
  using ConstRow = typename PlaneReader<Row>::ConstRow;
  using Set = PlaneSet<T>;
  using Source = EncodedImageBase<ConstRow>;
  using Sink = EncodedImageBase<Row>;

  explicit ImageReader(const PlaneReader<Row>& first)
      : width(first.getWidth()), height(first.getHeight()), bitDepth(first.getBitDepth()) {}
  virtual ~ImageReader() = default;
  ImageReader(const ImageReader&) = delete;
  ImageReader& operator=(const ImageReader&) = delete;

  int getWidth() const { return width; }
  int getHeight() const { return height; }
  int getBitDepth() const { return bitDepth; }

  // Working plane -> stored plane for the working planes whose plane reader is a plain plane;
  // `out` is cleared first.
  virtual std::map<int, int>& plainComponents(std::map<int, int>& out) const = 0;
  // Decodes the stored planes into the working planes the mask selects.
  virtual void read(const Set& dst, const Source& src, int planeMask) const = 0;
  virtual void readAll(const Set& dst, const Source& src) const = 0;
  // As read, into a working image of dst's size, which may be larger: the margin is filled by
  // replicating the last column and the last row.
  virtual void readPadded(const Set& dst, const Source& src, int planeMask) const = 0;
  // Encodes the working image into the stored planes (an alpha plane is left as it is).
  virtual void write(const Sink& dst, const Set& src) const = 0;
  // count samples of working component `component` along working row `row` from working column
  // `start`; returns count, or 0 for a component the format does not store.
  virtual int readComponentAt(T* dst, int start, int count, int component, const Source& src,
                              int row) const = 0;
  virtual bool hasComponent(int component) const = 0;
  virtual int componentMask() const = 0;
  virtual bool acceptsWidth() const = 0;
  // The plane reader that serves stored plane p.
  virtual const PlaneReader<Row>& planeReader(int p) const = 0;
  virtual bool isDirect() const = 0;
  // For each working plane, the stored plane it comes from.
  virtual void componentOrder(int out[3]) const = 0;

 protected:
  const int width;
  const int height;
  const int bitDepth;
};

// Planar layouts: reader i serves stored plane Si and fills working plane Ci. The fourth reader
// only gives the size of a stored plane that none of the three serves (the alpha plane).
template <class Row, int S0, int S1, int S2, int C0, int C1, int C2>
class Combinator : public ImageReader<Row> {
 public:
  using Base = ImageReader<Row>;
  using typename Base::PlaneReaderPtr;
  using typename Base::Set;
  using typename Base::Sink;
  using typename Base::Source;
  using typename Base::T;
  static constexpr int kStored[3] = {S0, S1, S2};
  static constexpr int kWorking[3] = {C0, C1, C2};

  Combinator(PlaneReaderPtr p1, PlaneReaderPtr p2, PlaneReaderPtr p3, PlaneReaderPtr p4)
      : ImageReader<Row>(*p1), componentReaders{p1, p2, p3}, fourthReader(std::move(p4)) {
    VIXO_ASSERT(p2->getWidth() == p1->getWidth() && p2->getHeight() == p1->getHeight());
    VIXO_ASSERT(p3->getWidth() == p1->getWidth() && p3->getHeight() == p1->getHeight());
  }

  std::map<int, int>& plainComponents(std::map<int, int>& out) const override {
    out.clear();
    for (int i = 0; i < 3; ++i) {
      if (componentReaders[i]->isPlainPlane()) out[kWorking[i]] = kStored[i];
    }
    return out;
  }
  void read(const Set& dst, const Source& src, int planeMask) const override {
    for (int i = 0; i < 3; ++i) {
      componentReaders[i]->readImage(dst.single(kWorking[i]), src.getPlane(kStored[i]),
                                     planeMask >> kWorking[i]);
    }
  }
  void readAll(const Set& dst, const Source& src) const override {
    for (int i = 0; i < 3; ++i) {
      componentReaders[i]->readImageAll(dst.single(kWorking[i]), src.getPlane(kStored[i]));
    }
  }
  void readPadded(const Set& dst, const Source& src, int planeMask) const override {
    for (int i = 0; i < 3; ++i) {
      componentReaders[i]->readImagePadded(dst.single(kWorking[i]), src.getPlane(kStored[i]),
                                           planeMask >> kWorking[i]);
    }
  }
  void write(const Sink& dst, const Set& src) const override {
    for (int i = 0; i < 3; ++i) {
      componentReaders[i]->writeRows(dst.getPlane(kStored[i]), src.single(kWorking[i]));
    }
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& src,
                      int row) const override {
    const int i = readerOf(component);
    if (i < 0) return 0;
    return componentReaders[i]->readComponentAt(dst, start, count, 0, src.getPlane(kStored[i]),
                                                row);
  }
  bool hasComponent(int component) const override {
    const int i = readerOf(component);
    return i >= 0 && componentReaders[i]->hasComponent(0);
  }
  int componentMask() const override {
    int mask = 0;
    for (int i = 0; i < 3; ++i) mask |= componentReaders[i]->componentMask() << kWorking[i];
    return mask;
  }
  bool acceptsWidth() const override {
    for (const auto& r : componentReaders) {
      if (!r->acceptsWidth()) return false;
    }
    return true;
  }
  const PlaneReader<Row>& planeReader(int p) const override {
    for (int i = 0; i < 3; ++i) {
      if (p == kStored[i]) return *componentReaders[i];
    }
    return *fourthReader;
  }
  bool isDirect() const override {
    for (const auto& r : componentReaders) {
      if (!r->isDirect()) return false;
    }
    return true;
  }
  void componentOrder(int out[3]) const override {
    for (int i = 0; i < 3; ++i) out[kWorking[i]] = kStored[i];
  }

 private:
  // The reader that fills working plane k, or -1.
  static int readerOf(int k) {
    for (int i = 0; i < 3; ++i) {
      if (kWorking[i] == k) return i;
    }
    return -1;
  }

  const std::array<PlaneReaderPtr, 3> componentReaders;
  const PlaneReaderPtr fourthReader;
};

// Semi-planar layouts: luma in stored plane 0, interleaved chroma in stored plane 1.
template <class Row, int I0, int I1, int I2>
class Combinator2 : public ImageReader<Row> {
 public:
  using Base = ImageReader<Row>;
  using typename Base::PlaneReaderPtr;
  using typename Base::Set;
  using typename Base::Sink;
  using typename Base::Source;
  using typename Base::T;

  Combinator2(PlaneReaderPtr p1, PlaneReaderPtr r)
      : ImageReader<Row>(*p1), lumaReader(p1), chromaReader(r) {
    VIXO_ASSERT(r->getWidth() == p1->getWidth() && r->getHeight() == p1->getHeight());
  }

  std::map<int, int>& plainComponents(std::map<int, int>& out) const override {
    out.clear();
    return out;
  }
  void read(const Set& dst, const Source& src, int planeMask) const override {
    lumaReader->readImage(dst.single(0), src.getPlane(0), planeMask);
    chromaReader->readImage(dst, src.getPlane(1), planeMask);
  }
  void readAll(const Set& dst, const Source& src) const override {
    lumaReader->readImageAll(dst.single(0), src.getPlane(0));
    chromaReader->readImageAll(dst, src.getPlane(1));
  }
  void readPadded(const Set& dst, const Source& src, int planeMask) const override {
    lumaReader->readImagePadded(dst.single(0), src.getPlane(0), planeMask);
    chromaReader->readImagePadded(dst, src.getPlane(1), planeMask);
  }
  void write(const Sink& dst, const Set& src) const override {
    lumaReader->writeRows(dst.getPlane(0), src.single(0));
    chromaReader->writeRows(dst.getPlane(1), src);
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& src,
                      int row) const override {
    if (component == 0)
      return lumaReader->readComponentAt(dst, start, count, 0, src.getPlane(0), row);
    return chromaReader->readComponentAt(dst, start, count, component, src.getPlane(1), row);
  }
  bool hasComponent(int component) const override {
    if (component == 0) return lumaReader->hasComponent(0);
    return chromaReader->hasComponent(component);
  }
  int componentMask() const override {
    return lumaReader->componentMask() | chromaReader->componentMask();
  }
  bool acceptsWidth() const override {
    return lumaReader->acceptsWidth() && chromaReader->acceptsWidth();
  }
  const PlaneReader<Row>& planeReader(int p) const override {
    return p == 0 ? *lumaReader : *chromaReader;
  }
  bool isDirect() const override { return false; }
  void componentOrder(int out[3]) const override {
    out[0] = 0;
    out[1] = 1;
    out[2] = 1;
  }

 private:
  const PlaneReaderPtr lumaReader;
  const PlaneReaderPtr chromaReader;
};

// Packed layouts and gray: one plane reader fills every working plane from stored plane 0.
template <class Row>
class ImageReaderPacked : public ImageReader<Row> {
 public:
  using Base = ImageReader<Row>;
  using typename Base::PlaneReaderPtr;
  using typename Base::Set;
  using typename Base::Sink;
  using typename Base::Source;
  using typename Base::T;

  explicit ImageReaderPacked(PlaneReaderPtr reader)
      : ImageReader<Row>(*reader), packedReader(std::move(reader)) {}

  std::map<int, int>& plainComponents(std::map<int, int>& out) const override {
    out.clear();
    return out;
  }
  void read(const Set& dst, const Source& source, int planeMask) const override {
    VIXO_ASSERT(source.getPlanes() == 1);
    packedReader->readImage(dst, source.getPlane(0), planeMask);
  }
  void readAll(const Set& dst, const Source& source) const override {
    VIXO_ASSERT(source.getPlanes() == 1);
    packedReader->readImageAll(dst, source.getPlane(0));
  }
  void readPadded(const Set& dst, const Source& source, int planeMask) const override {
    VIXO_ASSERT(source.getPlanes() == 1);
    packedReader->readImagePadded(dst, source.getPlane(0), planeMask);
  }
  void write(const Sink& sink, const Set& src) const override {
    VIXO_ASSERT(sink.getPlanes() == 1);
    packedReader->writeRows(sink.getPlane(0), src);
  }
  int readComponentAt(T* dst, int start, int count, int component, const Source& src,
                      int row) const override {
    return packedReader->readComponentAt(dst, start, count, component, src.getPlane(0), row);
  }
  bool hasComponent(int component) const override { return packedReader->hasComponent(component); }
  int componentMask() const override { return packedReader->componentMask(); }
  bool acceptsWidth() const override { return packedReader->acceptsWidth(); }
  const PlaneReader<Row>& planeReader(int p) const override {
    VIXO_ASSERT(p == 0);
    return *packedReader;
  }
  bool isDirect() const override { return false; }
  void componentOrder(int out[3]) const override { out[0] = out[1] = out[2] = 0; }

 private:
  const PlaneReaderPtr packedReader;
};

// Builders: the image reader and its shared count in one allocation.
template <class C>
std::shared_ptr<ImageReader<typename C::RowType>> makeCombinator(
    typename C::PlaneReaderPtr p1, typename C::PlaneReaderPtr p2, typename C::PlaneReaderPtr p3,
    typename C::PlaneReaderPtr fourth) {
  return std::make_shared<C>(std::move(p1), std::move(p2), std::move(p3), std::move(fourth));
}

template <class C>
std::shared_ptr<ImageReader<typename C::RowType>> makeCombinator2(typename C::PlaneReaderPtr p1,
                                                                  typename C::PlaneReaderPtr r) {
  return std::make_shared<C>(std::move(p1), std::move(r));
}

template <class C>
std::shared_ptr<ImageReader<typename C::RowType>> makeImageReaderPacked(
    typename C::PlaneReaderPtr reader) {
  return std::make_shared<C>(std::move(reader));
}

}  // namespace readers

// Factory of image readers of one row type. Factories hold no state; there is one object per
// class (`instance`), made on first use and never destroyed.
template <class Row>
class ReaderFactoryBase {
 public:
  virtual std::shared_ptr<readers::ImageReader<Row>> create(int width, int height,
                                                            int bitDepth) const = 0;

 protected:
  ~ReaderFactoryBase() = default;
};

// One plane reader R over the single stored plane.
template <class R>
class ReaderFactoryPacked final : public ReaderFactoryBase<typename R::RowType> {
 public:
  using Row = typename R::RowType;
  static const ReaderFactoryPacked* instance() {
    static const ReaderFactoryPacked factory;
    return &factory;
  }
  std::shared_ptr<readers::ImageReader<Row>> create(int width, int height,
                                                    int bitDepth) const override {
    return readers::makeImageReaderPacked<readers::ImageReaderPacked<Row>>(
        std::make_shared<R>(width, height, bitDepth));
  }
};

// Three plane readers P0, P1, P2 on stored planes s0, s1, s2 filling working planes c0, c1, c2,
// and a fourth reader P3 for the size of the remaining stored plane.
template <class Row, class P0, class P1, class P2, int s0, int s1, int s2, int c0, int c1, int c2,
          class P3>
class ReaderFactoryPlanar final : public ReaderFactoryBase<Row> {
 public:
  static const ReaderFactoryPlanar* instance() {
    static const ReaderFactoryPlanar factory;
    return &factory;
  }
  std::shared_ptr<readers::ImageReader<Row>> create(int width, int height,
                                                    int bitDepth) const override {
    return readers::makeCombinator<readers::Combinator<Row, s0, s1, s2, c0, c1, c2>>(
        std::make_shared<P0>(width, height, bitDepth),
        std::make_shared<P1>(width, height, bitDepth),
        std::make_shared<P2>(width, height, bitDepth),
        std::make_shared<P3>(width, height, bitDepth));
  }
};

// A luma reader L and an interleaved-chroma reader C.
template <class Row, class L, int i0, int i1, int i2, class C>
class ReaderFactoryMixed final : public ReaderFactoryBase<Row> {
 public:
  static const ReaderFactoryMixed* instance() {
    static const ReaderFactoryMixed factory;
    return &factory;
  }
  std::shared_ptr<readers::ImageReader<Row>> create(int width, int height,
                                                    int bitDepth) const override {
    auto chroma = std::make_shared<C>(width, height, bitDepth);
    auto luma = std::make_shared<L>(width, height, bitDepth);
    return readers::makeCombinator2<readers::Combinator2<Row, i0, i1, i2>>(std::move(luma),
                                                                           std::move(chroma));
  }
};

// Pictures up to this many pixels a side have plane sizes that the readers' int maps can hold.
constexpr int kMaxPictureSide = 1 << 28;
// The longest stored row whose stride, rounded up to 64 bytes, still fits an int.
constexpr int64_t kMaxRowBytes = INT_MAX - 63;

}  // namespace rawDecoderTmp

// The reader a raw-image header holds: one image reader of row type Row, with the layout and
// order that count the format's stored planes. Each call wraps the caller's raw planes in a
// container of its own; nothing is copied and nothing changes in the reader.
template <class Row>
class ReaderInterfaceImpl final : public ReaderInterface {
 public:
  using ImageReaderType = rawDecoderTmp::readers::ImageReader<Row>;
  using T = typename ImageReaderType::T;
  using ConstRow = typename ImageReaderType::ConstRow;
  using Set = rawDecoderTmp::PlaneSet<T>;

  ReaderInterfaceImpl(std::shared_ptr<ImageReaderType> reader, ChromaLayout layout,
                      ComponentOrder order)
      : reader(std::move(reader)), layout(layout), order(order) {}

  bool acceptsWidth() const override { return reader->acceptsWidth(); }
  int planeWidth(int plane) const override {
    const auto& p = reader->planeReader(plane);
    return p.samplesForWidth(p.getWidth());
  }
  int planeHeight(int plane) const override {
    const auto& p = reader->planeReader(plane);
    return p.planeRowsForHeight(p.getHeight());
  }
  int rowBytes(int plane) const override { return static_cast<int>(rowBytes64(plane)); }
  bool isDirect() const override { return reader->isDirect(); }
  void componentOrder(int out[3]) const override { reader->componentOrder(out); }
  std::map<int, int>& plainComponents(std::map<int, int>& out) const override {
    return reader->plainComponents(out);
  }
  int componentMask() const override { return reader->componentMask(); }
  bool hasComponent(int component) const override { return reader->hasComponent(component); }

  void decode(const void* const* rawPtrs, const int* rawStrides, bool bottomUp,
              void* const* dstPtrs, const int* dstStrides, int planeMask) const override {
    const rawDecoderTmp::EncodedImageMemory<ConstRow> source(
        wrap<ConstRow>(rawPtrs, rawStrides, bottomUp));
    reader->read(working(dstPtrs, dstStrides, reader->getWidth(), reader->getHeight()), source,
                 planeMask);
  }
  void encode(const void* const* srcPtrs, const int* srcStrides, void* const* rawPtrs,
              const int* rawStrides, bool bottomUp) const override {
    const rawDecoderTmp::EncodedImageMemory<Row> sink(wrap<Row>(rawPtrs, rawStrides, bottomUp));
    reader->write(sink, working(srcPtrs, srcStrides, reader->getWidth(), reader->getHeight()));
  }
  void decodePadded(const void* const* rawPtrs, const int* rawStrides, bool bottomUp,
                    void* const* dstPtrs, const int* dstStrides, int dstWidth, int dstHeight,
                    int planeMask) const override {
    const rawDecoderTmp::EncodedImageMemory<ConstRow> source(
        wrap<ConstRow>(rawPtrs, rawStrides, bottomUp));
    reader->readPadded(working(dstPtrs, dstStrides, dstWidth, dstHeight), source, planeMask);
  }
  int readComponentAt(void* dst, int start, int count, int component, const void* const* rawPtrs,
                      const int* rawStrides, bool bottomUp, int row) const override {
    const int width = reader->getWidth();
    VIXO_ASSERT(start >= 0 && count >= 0 && start <= width - count);
    VIXO_ASSERT(row >= 0 && row < reader->getHeight());
    if (count == 0 || !reader->hasComponent(component)) return 0;
    const rawDecoderTmp::EncodedImageMemory<ConstRow> source(
        wrap<ConstRow>(rawPtrs, rawStrides, bottomUp));
    return reader->readComponentAt(static_cast<T*>(dst), start, count, component, source, row);
  }
  void readSamples(const void* rawRow, int start, void* dst, int count) const override {
    if (start < 0 || count <= 0) return;
    ConstRow row = rowAt<ConstRow>(static_cast<const uint8_t*>(rawRow), start, count);
    row.read(static_cast<T*>(dst), count);
  }
  void writeSamples(void* rawRow, int start, const void* src, int count) const override {
    if (start < 0 || count <= 0) return;
    uint8_t* base = static_cast<uint8_t*>(rawRow);
    Row row = rowAt<Row>(base, start, count);
    if constexpr (rawDecoderTmp::rows::kIsByteRow<Row>) {
      row.write(static_cast<const T*>(src), count);
    } else {
      // The last byte may hold bits of the samples after the last one written: keep them.
      const int64_t endBit = static_cast<int64_t>(start + int64_t{count}) * bitDepth();
      uint8_t* last = base + endBit / 8;
      const int tailBits = 8 - static_cast<int>(endBit % 8);
      const uint8_t kept = tailBits < 8 ? *last : 0;
      row.write(static_cast<const T*>(src), count);
      if (tailBits < 8) {
        const uint8_t low = static_cast<uint8_t>((1u << tailBits) - 1);
        *last = static_cast<uint8_t>((*last & ~low) | (kept & low));
      }
    }
  }

  int storedPlanes() const { return planeCount(layout, order); }
  const ImageReaderType& imageReader() const { return *reader; }

  // Every stored plane's rows and row bytes can be counted in an int, with room to round the
  // row up to 64 bytes.
  bool sizesFit() const {
    for (int p = 0; p < storedPlanes(); ++p) {
      const int64_t bytes = rowBytes64(p);
      if (planeWidth(p) < 0 || planeHeight(p) < 0 || bytes < 0 ||
          bytes > rawDecoderTmp::kMaxRowBytes) {
        return false;
      }
    }
    return true;
  }

 private:
  int bitDepth() const { return reader->getBitDepth(); }

  int64_t rowBytes64(int plane) const {
    return rawDecoderTmp::RowTraits<Row>::rowBytes(planeWidth(plane), bitDepth());
  }

  // The container planes over the caller's raw planes: plane i with the reader's samples and
  // rows of plane i, the reader's bit depth and the call's row direction.
  template <class R>
  std::vector<typename rawDecoderTmp::EncodedImageMemory<R>::Plane> wrap(const void* const* ptrs,
                                                                         const int* strides,
                                                                         bool bottomUp) const {
    using Plane = typename rawDecoderTmp::EncodedImageMemory<R>::Plane;
    auto planes = rawDecoderTmp::EncodedImageMemory<R>::makeVector(storedPlanes());
    for (int i = 0; i < storedPlanes(); ++i) {
      Plane& p = planes[static_cast<size_t>(i)];
      p.data = static_cast<typename Plane::Byte*>(const_cast<void*>(ptrs[i]));
      p.stride = strides[i];
      p.width = planeWidth(i);
      p.height = planeHeight(i);
      p.bitDepth = bitDepth();
      p.bottomUp = bottomUp;
    }
    return planes;
  }

  static Set working(const void* const* ptrs, const int* strides, int width, int height) {
    Set set;
    for (int k = 0; k < 3; ++k) {
      set.planes[k] = static_cast<T*>(const_cast<void*>(ptrs[k]));
      set.strides[k] = strides[k];
    }
    set.width = width;
    set.height = height;
    return set;
  }

  // A row object over exactly the bytes of samples 0 .. start + count - 1 of a raw row,
  // positioned at sample start.
  template <class R>
  R rowAt(typename R::Byte* base, int start, int count) const {
    const int64_t bytes = R::bytesFor(int64_t{start} + count, bitDepth());
    VIXO_ASSERT(bytes <= INT_MAX);
    R row(base, static_cast<int>(bytes), bitDepth());
    row.skipSamples(start);
    return row;
  }

  const std::shared_ptr<ImageReaderType> reader;
  const ChromaLayout layout;
  const ComponentOrder order;
};

// A filed format of row type Row: its (layout, order) and the factory that serves it.
template <class Row>
class FormatDescriptorImpl final : public FormatDescriptor {
 public:
  FormatDescriptorImpl(ChromaLayout layout, ComponentOrder order,
                       const rawDecoderTmp::ReaderFactoryBase<Row>* factory)
      : layout(layout), order(order), factory(factory) {}

  // None for a picture whose planes cannot be described, or for bit-packed samples of a depth
  // their row type cannot hold.
  std::shared_ptr<ReaderInterface> createReader(int width, int height,
                                                int bitDepth) const override {
    using rawDecoderTmp::kMaxPictureSide;
    using Traits = rawDecoderTmp::RowTraits<Row>;
    if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
      return nullptr;
    }
    if (Traits::packed && !rawDecoderTmp::rows::bitsFit<typename Traits::Sample>(bitDepth)) {
      return nullptr;
    }
    auto reader = std::make_shared<ReaderInterfaceImpl<Row>>(
        factory->create(width, height, bitDepth), layout, order);
    if (!reader->sizesFit()) return nullptr;
    return reader;
  }

  const ChromaLayout layout;
  const ComponentOrder order;
  const rawDecoderTmp::ReaderFactoryBase<Row>* const factory;  // a process-wide singleton
};
