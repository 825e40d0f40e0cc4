// The reader templates of the raw-image library, each over one sample-row type (encoded_image.h):
// - plane readers, each serving one stored plane and filling one or more working planes of the
//   planar 4:4:4 working image, with the maps between the picture size and the plane's size;
// - image readers, which wire the plane readers of a format to stored and working planes
//   (Combinator for planar layouts, Combinator2 for semi-planar, ImageReaderPacked for packed
//   and gray);
// - reader factories, one stateless object per class, which build them for a picture size;
// - ReaderInterfaceImpl, the reader a raw-image header holds, and FormatDescriptorImpl, which the
//   registry files.
// Everything here is immutable after construction and may be shared between threads.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "avifile/assertion.h"
#include "videoimage/rawimage/encoded_image.h"
#include "videoimage/rawimage/format_registry.h"
#include "videoimage/rawimage/raw_format.h"
#include "videoimage/rawimage/reader_interface.h"

namespace rawDecoderTmp {
namespace readers {

// ceil(x / k) for x >= 0.
constexpr int ceilDiv(int x, int k) { return (x + k - 1) / k; }

// Reader of one stored plane. width and height are the picture size the reader covers (also for
// readers that subsample chroma); the size maps turn them into the plane's samples and rows.
template <class Row>
class PlaneReader {
 public:
  using RowType = Row;

  PlaneReader(int width, int height, int bitDepth)
      : width(width), height(height), bitDepth(bitDepth) {}
  virtual ~PlaneReader() = default;
  PlaneReader(const PlaneReader&) = delete;
  PlaneReader& operator=(const PlaneReader&) = delete;

  int getWidth() const { return width; }
  int getHeight() const { return height; }
  int getBitDepth() const { return bitDepth; }

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
  virtual bool isDirect() const = 0;

 protected:
  const int width;
  const int height;
  const int bitDepth;
};

// One full-size component per stored plane.
template <class Row>
class Planar : public PlaneReader<Row> {
 public:
  using PlaneReader<Row>::PlaneReader;
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

// A chroma plane reduced SX times across and SY times down (rounded up).
template <class Row, int SX, int SY>
class PlanarScale : public PlaneReader<Row> {
 public:
  using PlaneReader<Row>::PlaneReader;
  bool hasComponent(int c) const override { return c == 0; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return true; }
  int samplesForWidth(int w) const override { return ceilDiv(w, SX); }
  int planeRowsForHeight(int h) const override { return ceilDiv(h, SY); }
  int widthForSamples(int s) const override { return SX * s; }
  int heightForPlaneRows(int r) const override { return SY * r; }
  int componentMask() const override { return 1; }
  bool isDirect() const override { return false; }
};

// Gray input: luma from the plane, neutral chroma.
template <class Row>
class Y : public PlaneReader<Row> {
 public:
  using PlaneReader<Row>::PlaneReader;
  bool hasComponent(int c) const override { return static_cast<unsigned>(c) <= 2; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return true; }
  int samplesForWidth(int w) const override { return w; }
  int planeRowsForHeight(int h) const override { return h; }
  int widthForSamples(int s) const override { return s; }
  int heightForPlaneRows(int r) const override { return r; }
  int componentMask() const override { return 7; }
  bool isDirect() const override { return false; }
};

// Three samples a pixel; stored sample i belongs to working plane Ci.
template <class Row, int C0, int C1, int C2>
class Packed444 : public PlaneReader<Row> {
 public:
  using PlaneReader<Row>::PlaneReader;
  bool hasComponent(int c) const override { return static_cast<unsigned>(c) <= 2; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return true; }
  int samplesForWidth(int w) const override { return 3 * w; }
  int planeRowsForHeight(int h) const override { return h; }
  int widthForSamples(int s) const override { return ceilDiv(s, 3); }
  int heightForPlaneRows(int r) const override { return r; }
  int componentMask() const override { return 7; }
  bool isDirect() const override { return false; }
};

// Four samples a pixel, one skipped (alpha); working plane k is stored sample Sk.
template <class Row, int S0, int S1, int S2>
class PackedSkipping : public PlaneReader<Row> {
 public:
  using PlaneReader<Row>::PlaneReader;
  bool hasComponent(int c) const override { return static_cast<unsigned>(c) <= 3; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return true; }
  int samplesForWidth(int w) const override { return 4 * w; }
  int planeRowsForHeight(int h) const override { return h; }
  int widthForSamples(int s) const override { return ceilDiv(s, 4); }
  int heightForPlaneRows(int r) const override { return r; }
  int componentMask() const override { return 7; }
  bool isDirect() const override { return false; }
};

// Packed 4:2:2: two pixels share one U and one V. Rows hold whole pairs, as other tools lay them
// out: an odd width has a last pair of which only the first pixel is used.
template <class Row>
class Packed422Base : public PlaneReader<Row> {
 public:
  using PlaneReader<Row>::PlaneReader;
  bool hasComponent(int c) const override { return static_cast<unsigned>(c) <= 2; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return this->width % 2 == 0; }
  int samplesForWidth(int w) const override { return 4 * ceilDiv(w, 2); }
  int planeRowsForHeight(int h) const override { return h; }
  int widthForSamples(int s) const override { return ceilDiv(s, 2); }
  int heightForPlaneRows(int r) const override { return r; }
  int componentMask() const override { return 7; }
  bool isDirect() const override { return false; }
};

// Y0 A Y1 B: A and B are the chroma components (1 = U, 2 = V) at the first and second position.
template <class Row, int A, int B>
class Packed422_yFirst : public Packed422Base<Row> {
 public:
  using Packed422Base<Row>::Packed422Base;
};

// A Y0 B Y1.
template <class Row, int A, int B>
class Packed422_crFirst : public Packed422Base<Row> {
 public:
  using Packed422Base<Row>::Packed422Base;
};

// The interleaved chroma plane of a semi-planar layout: pairs of (Q0, Q1) samples, one pair for
// every two columns (an odd width has a last whole pair), SY picture rows per stored row.
template <class Row, int SY>
class PackedCromaBase : public PlaneReader<Row> {
 public:
  using PlaneReader<Row>::PlaneReader;
  bool hasComponent(int c) const override { return c == 1 || c == 2; }
  bool isPlainPlane() const override { return false; }
  bool acceptsWidth() const override { return this->width % 2 == 0; }
  int samplesForWidth(int w) const override { return 2 * ceilDiv(w, 2); }
  int planeRowsForHeight(int h) const override { return ceilDiv(h, SY); }
  int widthForSamples(int s) const override { return s; }
  int heightForPlaneRows(int r) const override { return SY * r; }
  int componentMask() const override { return 6; }
  bool isDirect() const override { return false; }
};

template <class Row, int Q0, int Q1>
class PackedCroma_420 : public PackedCromaBase<Row, 2> {
 public:
  using PackedCromaBase<Row, 2>::PackedCromaBase;
};

template <class Row, int Q0, int Q1>
class PackedCroma_422 : public PackedCromaBase<Row, 1> {
 public:
  using PackedCromaBase<Row, 1>::PackedCromaBase;
};

// Reader of a whole raw image of one format at one size; its size and bit depth are those of
// its first plane reader.
template <class Row>
class ImageReader {
 public:
  using RowType = Row;
  using PlaneReaderPtr = std::shared_ptr<PlaneReader<Row>>;

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
  using PlaneReaderPtr = typename ImageReader<Row>::PlaneReaderPtr;
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
  using PlaneReaderPtr = typename ImageReader<Row>::PlaneReaderPtr;

  Combinator2(PlaneReaderPtr p1, PlaneReaderPtr r)
      : ImageReader<Row>(*p1), lumaReader(p1), chromaReader(r) {
    VIXO_ASSERT(r->getWidth() == p1->getWidth() && r->getHeight() == p1->getHeight());
  }

  std::map<int, int>& plainComponents(std::map<int, int>& out) const override {
    out.clear();
    return out;
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
  using PlaneReaderPtr = typename ImageReader<Row>::PlaneReaderPtr;

  explicit ImageReaderPacked(PlaneReaderPtr reader)
      : ImageReader<Row>(*reader), packedReader(std::move(reader)) {}

  std::map<int, int>& plainComponents(std::map<int, int>& out) const override {
    out.clear();
    return out;
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
// order that count the format's stored planes.
template <class Row>
class ReaderInterfaceImpl final : public ReaderInterface {
 public:
  ReaderInterfaceImpl(std::shared_ptr<rawDecoderTmp::readers::ImageReader<Row>> reader,
                      ChromaLayout layout, ComponentOrder order)
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

  int storedPlanes() const { return planeCount(layout, order); }

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
  int64_t rowBytes64(int plane) const {
    return rawDecoderTmp::RowTraits<Row>::rowBytes(planeWidth(plane), reader->getBitDepth());
  }

  const std::shared_ptr<rawDecoderTmp::readers::ImageReader<Row>> reader;
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

  std::shared_ptr<ReaderInterface> createReader(int width, int height,
                                                int bitDepth) const override {
    using rawDecoderTmp::kMaxPictureSide;
    if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
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
