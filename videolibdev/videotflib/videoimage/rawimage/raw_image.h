// Raw images and frames: the header of a raw picture (`RawImageInfo`), non-owning views of its
// stored planes (`RawFrame`, writable, and `ConstRawFrame`, read-only) and the image that owns
// one 64-byte aligned buffer holding all its planes (`RawImage`).
//
// A header whose format has no reader describes a picture but holds no pixels: frames and images
// made with it are empty (no planes), and operations on them report failure. Sizes and offsets
// are computed in pointer width; a picture too large to lay out or allocate is refused, never
// wrapped.
//
// These types take no locks. A frame or image serves one thread at a time; the reader in a header
// is immutable and may be shared by copies on several threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avifile/assertion.h"
#include "videoimage/rawimage/raw_format.h"
#include "videoimage/rawimage/reader_interface.h"

// A colour model: RGB (id 0) or YUV (id 1), with its component ids and the planar order of its
// working image.
struct ColourModel {
  std::string name;
  std::vector<int> componentIds;
  ComponentOrder planarOrder = static_cast<ComponentOrder>(17);
};

// The model of an id (a component order's yuvFlag), or a record with an empty name, no
// components and no order for any other id.
const ColourModel& colourModelOf(int modelId);

// The header of a raw picture: format, bit depth, row direction, size and the format's reader.
struct RawImageInfo : RawFormatSpec {
  // Made by bindReader for this format, size and bit depth; null until bound, and null when the
  // registry has no reader for the format. Copies of a header share it.
  std::shared_ptr<ReaderInterface> reader;
  int width = 0;   // pixels
  int height = 0;  // rows

  // The unknown spec, 0 x 0, no reader.
  RawImageInfo() = default;
  // No reader: callers call bindReader once the fields are final.
  RawImageInfo(const RawFormatSpec& spec, int width, int height)
      : RawFormatSpec(spec), width(width), height(height) {}

  // Looks the format up in the format registry and takes a new reader for this width, height
  // and bit depth, or none. The row direction plays no part.
  void bindReader();

  // Stored rows of plane p by the reader; 0 without a reader. p is not range-checked.
  int planeHeight(int p) const { return reader ? reader->planeHeight(p) : 0; }

  // The header of the planar 4:4:4 working image this picture decodes to: Planar_444 in the
  // colour model of the order (RGB or YUV), the same sample type, unpacked (16-bit samples
  // little-endian), bit depth and size, top-down, with its own reader bound.
  RawImageInfo getDecodedType() const;
  // The same header without a reader: for comparisons, which do not look at readers.
  RawImageInfo decodedHeader() const;
};

// Equal format sort keys, bit depths, row directions and sizes; the reader is not compared.
bool operator==(const RawImageInfo& a, const RawImageInfo& b);

class ConstRawFrame;
class RawFrame;

namespace rawimage_detail {

// What RawFrame and ConstRawFrame share; Byte is uint8_t or const uint8_t.
template <class Frame, class Byte>
class FrameBase {
 public:
  struct Plane {
    Byte* data = nullptr;  // first byte of stored row 0
    int stride = 0;        // bytes from one stored row to the next; may be negative
  };

  RawImageInfo header;
  std::vector<Plane> planes;  // one per stored plane, or none (an empty frame)

  // The empty frame: the unknown header and no planes.
  FrameBase() = default;
  // The header (reader shared) and no planes.
  explicit FrameBase(RawImageInfo header) : header(std::move(header)) {}
  FrameBase(const FrameBase&) = default;
  FrameBase& operator=(const FrameBase&) = default;
  FrameBase(FrameBase&& other) noexcept { take(other); }
  // Takes over the reader and the plane table, copies the other header fields, and leaves the
  // other frame with no reader and no planes. Moving a frame onto itself changes nothing.
  FrameBase& operator=(FrameBase&& other) noexcept {
    if (this != &other) take(other);
    return *this;
  }

  const RawImageInfo& getInfo() const { return header; }
  RawImageInfo getDecodedType() const { return header.getDecodedType(); }

  int planeCount() const { return static_cast<int>(planes.size()); }
  bool empty() const { return planes.empty(); }

  // Sets one plane per stored plane of the format from the arrays, which must hold that many
  // entries. Without a reader the frame stays empty and the result is false.
  bool setPlanes(Byte* const* data, const int* strides) {
    planes.clear();
    if (!header.reader) return false;
    const int n = header.planeCount();
    planes.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) planes[static_cast<size_t>(i)] = {data[i], strides[i]};
    return true;
  }

  Byte* planeData(int p) const {
    VIXO_ASSERT(p >= 0 && p < (int)planes.size());
    return planes[static_cast<size_t>(p)].data;
  }
  int planeStride(int p) const {
    VIXO_ASSERT(p >= 0 && p < (int)planes.size());
    return planes[static_cast<size_t>(p)].stride;
  }
  // Stored row y of plane p (for a bottom-up format, counted from the bottom of the picture).
  Byte* row(int p, int y) const {
    VIXO_ASSERT(p >= 0 && p < (int)planes.size());
    VIXO_ASSERT(y >= 0 && y < header.planeHeight(p));
    const Plane& plane = planes[static_cast<size_t>(p)];
    return plane.data + static_cast<std::ptrdiff_t>(y) * plane.stride;
  }

  // Decodes this raw frame into dst, the planar 4:4:4 working image of its decoded type
  // (asserted), filling the working planes that planeMask selects (bit k: plane k). A bottom-up
  // frame decodes top-down. False, with nothing written, when this frame is empty or dst has no
  // planes.
  bool decode(RawFrame& dst, int planeMask = 7) const;
  // Encodes this planar working image into the raw frame dst, whose decoded type must be this
  // frame's header (asserted); dst's planes must point at writable memory of its size. False,
  // with nothing written, when this frame or dst is empty.
  bool encodeTo(RawFrame& dst) const;

  // A frame under another header whose plane i is this frame's plane planeIndex[i], for as many
  // planes as the new header's format has. An empty frame, or a new header without a reader,
  // gives the empty frame. So does a header whose rows run the other way (bottom-up against
  // top-down): re-labelling keeps the stored row order, so such a view would show the picture
  // upside down; such frames are decoded or encoded instead.
  Frame reinterpret(const std::vector<int>& planeIndex, RawImageInfo newHeader) const {
    Frame result;
    if (empty() || !newHeader.reader || newHeader.bottomUp != header.bottomUp) return result;
    const int n = newHeader.planeCount();
    VIXO_ASSERT((int)planeIndex.size() >= n);
    result.planes.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      const int p = planeIndex[static_cast<size_t>(i)];
      result.planes[static_cast<size_t>(i)] = {planeData(p), planeStride(p)};
    }
    result.header = std::move(newHeader);
    return result;
  }

 protected:
  // Planes over one buffer with rows and planes back to back, no padding; empty without a
  // reader.
  FrameBase(RawImageInfo header, Byte* buffer) : header(std::move(header)) {
    if (!this->header.reader) return;
    const int n = this->header.planeCount();
    planes.resize(static_cast<size_t>(n));
    std::ptrdiff_t offset = 0;
    for (int i = 0; i < n; ++i) {
      const int stride = this->header.reader->rowBytes(i);
      planes[static_cast<size_t>(i)] = {buffer + offset, stride};
      offset += static_cast<std::ptrdiff_t>(this->header.planeHeight(i)) * stride;
    }
  }

 private:
  // The most stored planes a format has (planar with alpha).
  static constexpr int kMaxPlanes = 4;

  // The plane pointers and strides, for a reader.
  void gather(const void** data, int* strides) const {
    for (int i = 0; i < planeCount() && i < kMaxPlanes; ++i) {
      data[i] = planes[static_cast<size_t>(i)].data;
      strides[i] = planes[static_cast<size_t>(i)].stride;
    }
  }

  void take(FrameBase& other) {
    header = std::move(other.header);  // moves the reader, copies the rest
    other.header.reader.reset();
    planes = std::move(other.planes);
    other.planes.clear();
  }
};

}  // namespace rawimage_detail

// A writable view of a raw picture's stored planes. A frame never owns its pixels; it stays valid
// as long as the memory it views.
class RawFrame : public rawimage_detail::FrameBase<RawFrame, uint8_t> {
 public:
  using FrameBase::FrameBase;
  RawFrame() = default;
  // A frame over one caller buffer that holds the planes back to back without row padding: plane
  // i at the sum of the earlier planes' rows x row bytes, with stride the reader's row bytes. The
  // buffer must hold all of them. Without a reader the frame is empty.
  RawFrame(RawImageInfo header, uint8_t* buffer) : FrameBase(std::move(header), buffer) {}

  // Copies the pixels of src, whose header must equal this one, plane by plane: one block when
  // both strides agree and are positive, else row by row the reader's row bytes. Row padding is
  // not copied. False (nothing copied) when either frame is empty or the header has no reader.
  bool copyFrom(const ConstRawFrame& src);
};

// A read-only view of a raw picture's stored planes; made from a RawFrame (or RawImage)
// implicitly.
class ConstRawFrame : public rawimage_detail::FrameBase<ConstRawFrame, const uint8_t> {
 public:
  using FrameBase::FrameBase;
  ConstRawFrame() = default;
  ConstRawFrame(RawImageInfo header, const uint8_t* buffer)
      : FrameBase(std::move(header), buffer) {}
  ConstRawFrame(const RawFrame& frame);  // NOLINT(google-explicit-constructor): a view of it
};

namespace rawimage_detail {

template <class Frame, class Byte>
bool FrameBase<Frame, Byte>::decode(RawFrame& dst, int planeMask) const {
  if (empty()) return false;
  // Compared without binding a reader (equality ignores readers), so that a decode costs no
  // reader of its own; the text is that of the comparison it stands for.
  if (!(dst.getInfo() == header.decodedHeader())) {
    ::vixo::assertFailed("dst.getInfo() == getDecodedType()", __FILE__, __LINE__);
  }
  if (!header.reader || dst.planeCount() != 3) return false;
  const void* raw[kMaxPlanes];
  int rawStrides[kMaxPlanes];
  gather(raw, rawStrides);
  void* work[3];
  int workStrides[3];
  for (int k = 0; k < 3; ++k) {
    work[k] = dst.planes[static_cast<size_t>(k)].data;
    workStrides[k] = dst.planes[static_cast<size_t>(k)].stride;
  }
  header.reader->decode(raw, rawStrides, header.bottomUp, work, workStrides, planeMask);
  return true;
}

template <class Frame, class Byte>
bool FrameBase<Frame, Byte>::encodeTo(RawFrame& dst) const {
  if (empty()) return false;
  if (!(dst.header.decodedHeader() == getInfo())) {
    ::vixo::assertFailed("dst.getDecodedType() == getInfo()", __FILE__, __LINE__);
  }
  if (dst.empty() || !dst.header.reader || planeCount() != 3) return false;
  const void* work[kMaxPlanes];
  int workStrides[kMaxPlanes];
  gather(work, workStrides);
  void* raw[kMaxPlanes];
  int rawStrides[kMaxPlanes];
  for (int i = 0; i < dst.planeCount(); ++i) {
    raw[i] = dst.planes[static_cast<size_t>(i)].data;
    rawStrides[i] = dst.planes[static_cast<size_t>(i)].stride;
  }
  dst.header.reader->encode(work, workStrides, raw, rawStrides, dst.header.bottomUp);
  return true;
}

}  // namespace rawimage_detail

// A raw picture that owns one buffer holding all its planes: every plane and every row starts on
// a 64-byte boundary (strides are the reader's row bytes rounded up to 64), planes lie back to
// back. It can be passed wherever a RawFrame is read; its frame part views its own buffer.
class RawImage : public RawFrame {
 public:
  // The unknown header, no planes, no buffer.
  RawImage() = default;
  // The header, no planes; nothing is allocated until allocate().
  explicit RawImage(RawImageInfo header) : RawFrame(std::move(header)) {}

  // Images are moved, never copied behind the caller's back.
  RawImage(const RawImage&) = delete;
  RawImage& operator=(const RawImage&) = delete;
  RawImage(RawImage&& other) noexcept { moveFrom(*this, other); }
  RawImage& operator=(RawImage&& other) noexcept { return moveFrom(*this, other); }

  // Lays out the planes for the header's reader and sizes the buffer to fit them (63 bytes more,
  // for the alignment). Bytes the buffer gains are zero; with an unchanged header nothing moves
  // and the pixels stay. Without a reader, or when the layout or the buffer cannot be had, the
  // image is left empty with no buffer and the result is false.
  bool allocate();

  // Moves source into target: the frame part (reader and plane table), then, unless both are one
  // object, the buffer, leaving the source empty and without one; no pixel is copied.
  static RawImage& moveFrom(RawImage& target, RawImage& source) noexcept;

  int alignment() const { return alignment_; }  // 1 until the first allocation, then 64
  uint64_t size() const { return size_; }       // bytes the planes cover
  size_t storageSize() const { return storage_.size(); }

 private:
  void release() noexcept;

  std::vector<uint8_t> storage_;
  int alignment_ = 1;
  uint64_t size_ = 0;
};
