#include "videoimage/rawimage/raw_image.h"

#include <climits>
#include <cstring>
#include <map>
#include <new>
#include <stdexcept>

#include "videoimage/rawimage/format_registry.h"

void RawImageInfo::bindReader() {
  const FormatDescriptor* descriptor = FormatRegistry::instance().lookup(*this);
  reader = descriptor ? descriptor->createReader(width, height, bitDepth) : nullptr;
}

const ColourModel& colourModelOf(int modelId) {
  static const std::map<int, ColourModel> models = {
      {0, {"RGB", {0, 1, 2}, ComponentOrder::RGB}},
      {1, {"YUV", {3, 4, 5}, ComponentOrder::YUV}},
  };
  static const ColourModel none;
  const auto it = models.find(modelId);
  return it == models.end() ? none : it->second;
}

RawImageInfo RawImageInfo::decodedHeader() const {
  const ComponentOrder decoded = colourModelOf(componentOrderInfo(order).yuvFlag).planarOrder;
  // The constructor turns "LE" into "default" for all but 16-bit samples.
  const RawFormat format(ChromaLayout::Planar_444, decoded, sampleType, false, ByteOrder::LE);
  return RawImageInfo(RawFormatSpec(format, bitDepth, false), width, height);
}

RawImageInfo RawImageInfo::getDecodedType() const {
  RawImageInfo info = decodedHeader();
  info.bindReader();
  return info;
}

bool operator==(const RawImageInfo& a, const RawImageInfo& b) {
  return static_cast<const RawFormatSpec&>(a) == static_cast<const RawFormatSpec&>(b) &&
         a.width == b.width && a.height == b.height;
}

bool RawFrame::copyFrom(const ConstRawFrame& src) {
  VIXO_ASSERT(getInfo() == src.getInfo());
  if (empty() || src.empty() || !header.reader || planes.size() != src.planes.size()) {
    return false;
  }
  for (int i = 0; i < planeCount(); ++i) {
    const Plane& to = planes[static_cast<size_t>(i)];
    const ConstRawFrame::Plane& from = src.planes[static_cast<size_t>(i)];
    const int rows = header.planeHeight(i);
    const size_t rowBytes = static_cast<size_t>(header.reader->rowBytes(i));
    if (rows <= 0 || rowBytes == 0 || to.data == from.data) continue;
    if (to.stride == from.stride && to.stride > 0) {
      // One block, padding between rows included; the last row's padding is not read, since a
      // caller's buffer may end with the last row's samples.
      std::memcpy(to.data, from.data, static_cast<size_t>(rows - 1) * to.stride + rowBytes);
    } else {
      for (int y = 0; y < rows; ++y) {
        std::memcpy(to.data + static_cast<std::ptrdiff_t>(y) * to.stride,
                    from.data + static_cast<std::ptrdiff_t>(y) * from.stride, rowBytes);
      }
    }
  }
  return true;
}

ConstRawFrame::ConstRawFrame(const RawFrame& frame) : FrameBase(frame.header) {
  planes.reserve(frame.planes.size());
  for (const RawFrame::Plane& p : frame.planes) planes.push_back({p.data, p.stride});
}

namespace {

constexpr int kAlignment = 64;

// n rounded up to a multiple of 64; n is at most INT_MAX - 63.
int roundUpToAlignment(int n) { return (n + kAlignment - 1) / kAlignment * kAlignment; }

}  // namespace

bool RawImage::allocate() {
  const ReaderInterface* reader = header.reader.get();
  if (!reader) {
    release();
    return false;
  }
  const int n = header.planeCount();
  std::vector<Plane> laid(static_cast<size_t>(n));
  std::vector<uint64_t> offsets(static_cast<size_t>(n));
  uint64_t total = 0;
  for (int p = 0; p < n; ++p) {
    const int rowBytes = reader->rowBytes(p);
    const int rows = reader->planeHeight(p);
    if (rowBytes < 0 || rows < 0 || rowBytes > INT_MAX - (kAlignment - 1)) {
      release();
      return false;
    }
    const int stride = roundUpToAlignment(rowBytes);
    uint64_t bytes = 0;
    offsets[static_cast<size_t>(p)] = total;
    laid[static_cast<size_t>(p)].stride = stride;
    if (__builtin_mul_overflow(static_cast<uint64_t>(stride), static_cast<uint64_t>(rows),
                               &bytes) ||
        __builtin_add_overflow(total, bytes, &total)) {
      release();
      return false;
    }
  }
  if (total > static_cast<uint64_t>(PTRDIFF_MAX) - (kAlignment - 1) ||
      total + (kAlignment - 1) > storage_.max_size()) {
    release();
    return false;
  }
  try {
    storage_.resize(static_cast<size_t>(total) + (kAlignment - 1));
  } catch (const std::bad_alloc&) {
    release();
    return false;
  } catch (const std::length_error&) {
    release();
    return false;
  }
  alignment_ = kAlignment;
  size_ = total;
  const uintptr_t address = reinterpret_cast<uintptr_t>(storage_.data());
  uint8_t* base = storage_.data() + (kAlignment - address % kAlignment) % kAlignment;
  for (int p = 0; p < n; ++p) {
    laid[static_cast<size_t>(p)].data = base + offsets[static_cast<size_t>(p)];
  }
  planes = std::move(laid);
  return true;
}

RawImage& RawImage::moveFrom(RawImage& target, RawImage& source) noexcept {
  if (&target == &source) return target;
  static_cast<RawFrame&>(target) = std::move(static_cast<RawFrame&>(source));
  // The buffer's memory moves with the vector, so the planes taken over stay valid.
  target.storage_ = std::move(source.storage_);
  source.storage_ = std::vector<uint8_t>();
  target.alignment_ = source.alignment_;
  target.size_ = source.size_;
  source.size_ = 0;
  return target;
}

void RawImage::release() noexcept {
  planes.clear();
  storage_ = std::vector<uint8_t>();
  size_ = 0;
}
