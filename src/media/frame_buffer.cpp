#include "media/frame_buffer.h"

#include <unistd.h>

#include <algorithm>
#include <limits>
#include <new>

#include "media/video_source.h"

using connections::makeConstant;
using connections::makeVariableMem;

FixedFrameBuffer::FixedFrameBuffer(VideoSource* source)
    : eof(makeVariableMem(false)),
      lowWater(makeVariableMem<int32_t>(0)),
      count(makeVariableMem<int32_t>(0)),
      source(source),
      memoryLimit(defaultMemoryLimit()) {}

int64_t FixedFrameBuffer::framesFor(int32_t seconds, int64_t d) {
  if (d <= 0 || seconds <= 0) return 0;
  const int64_t perSecond = (d + 999'999'999) / d;
  const int64_t max = std::numeric_limits<int32_t>::max();
  return perSecond > max / seconds ? max : perSecond * seconds;
}

uint64_t FixedFrameBuffer::defaultMemoryLimit() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || pageSize <= 0) return uint64_t{512} << 20;
  return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 8;
}

bool FixedFrameBuffer::open(int32_t seconds) {
  if (!source->open()) return false;
  images.clear();  // the slots of an earlier open go before new ones are made
  const int64_t d = source->getFrameDuration();
  // Without a frame duration there is no frame rate to size the ring by.
  const int64_t wanted = d > 0 ? std::max<int64_t>(framesFor(seconds, d), 2) : 0;
  try {
    std::vector<RawImage> slots;
    for (int64_t i = 0; i < wanted; ++i) {
      RawImage image = source->newFrame();
      if (image.empty()) break;
      // The first slot tells what a slot costs; the ring shrinks to what the limit allows.
      const uint64_t bytes = std::max<uint64_t>(image.storageSize(), 1);
      const uint64_t allowed = memoryLimit / bytes;
      if (static_cast<uint64_t>(i) >= allowed) break;
      if (i == 0) slots.reserve(static_cast<size_t>(std::min<uint64_t>(wanted, allowed)));
      slots.push_back(std::move(image));
    }
    images = std::move(slots);
  } catch (const std::bad_alloc&) {
    images.clear();  // a partial ring is dropped with the exception; below it fails to open
  }
  if (images.size() < 2) {
    images.clear();
    source->close();
    return false;
  }
  const int32_t capacity = getCapacity();
  std::lock_guard<std::mutex> lock(mutex);
  lowWater->set(std::max(3 * capacity / 4, 1));
  count->set(0);
  readIndex = 0;
  return true;
}

void FixedFrameBuffer::close() { source->close(); }

void FixedFrameBuffer::fill(std::stop_token stop) {
  while (count->get() < getCapacity() - 1 && !eof->get() && !stop.stop_requested()) decodeOne();
}

bool FixedFrameBuffer::decodeOne() {
  const int32_t capacity = getCapacity();
  size_t slot;
  {
    std::lock_guard<std::mutex> lock(mutex);
    // A full ring (or one never opened) has no free slot: the slot kept free is not written.
    if (count->get() >= capacity - 1) return false;
    slot = static_cast<size_t>((static_cast<int64_t>(count->get()) + readIndex) % capacity);
  }
  if (source->readNext(images[slot])) {
    std::lock_guard<std::mutex> lock(mutex);
    count->set(count->get() + 1);
    return true;
  }
  std::lock_guard<std::mutex> lock(mutex);
  eof->set(true);
  return false;
}

RawFrame FixedFrameBuffer::pop() {
  std::lock_guard<std::mutex> lock(mutex);
  // Popping an empty ring would hand out a slot the reader may be writing: an empty frame.
  if (count->get() <= 0) return RawFrame();
  const int32_t r = readIndex;
  readIndex = (r + 1) % getCapacity();
  count->set(count->get() - 1);
  return RawFrame(images[static_cast<size_t>(r)]);
}

RawFrame FixedFrameBuffer::oldest() {
  std::lock_guard<std::mutex> lock(mutex);
  if (count->get() <= 0) return RawFrame();
  return RawFrame(images[static_cast<size_t>(readIndex)]);
}

RawFrame FixedFrameBuffer::newest() {
  std::lock_guard<std::mutex> lock(mutex);
  const int32_t c = count->get();
  if (c <= 0) return RawFrame();
  return RawFrame(images[static_cast<size_t>((c + readIndex - 1) % getCapacity())]);
}

void FixedFrameBuffer::clear() {
  std::lock_guard<std::mutex> lock(mutex);
  count->set(0);
}

void FixedFrameBuffer::resetEndOfStream() {
  std::lock_guard<std::mutex> lock(mutex);
  eof->set(false);
}

connections::ExpressionPtr<bool> FixedFrameBuffer::belowLowWater() { return count < lowWater; }

connections::ExpressionPtr<bool> FixedFrameBuffer::hasFrames() {
  return count > makeConstant<int32_t>(0);
}
