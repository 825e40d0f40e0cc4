// The frames a video decodes ahead, between its reader thread and its playback thread.
//
// FixedFrameBuffer is a ring of raw images allocated once when it opens, so that decoding never
// allocates per frame: the reader decodes straight into a free slot, the playback thread pops a
// view of the oldest slot. A ring of capacity n holds at most n - 1 frames, so the slot of a
// popped view is not written again before the next pop.
//
// The ring's memory is bounded: it never asks for more than its memory limit (by default an
// eighth of the machine's memory); a ring that would need more holds fewer frames, and one that
// cannot hold two frames within the limit fails to open.
//
// Threads: the reader thread is the only writer (open, fill, decodeOne, close), the playback
// thread the only consumer (pop). The fill level and read index change under the ring's mutex;
// decoding runs outside it. The fill level, low-water mark and end-of-stream flag are reactive
// variables, so every change notifies, on the changing thread, the expressions built on them.
// newest() is for a ring whose reader is idle; clear() and resetEndOfStream() for a ring whose
// threads are both stopped.
#pragma once

#include <cstdint>
#include <mutex>
#include <stop_token>
#include <vector>

#include "common/variable.h"
#include "videoimage/rawimage/raw_image.h"

class VideoSource;

class FrameBuffer {
 public:
  virtual ~FrameBuffer() = default;

  virtual VideoSource* getSource() = 0;
  // Opens the source and sizes the buffer for `seconds` of frames; false when the source does
  // not open or the buffer cannot be had.
  virtual bool open(int32_t seconds) = 0;
  // Closes the source.
  virtual void close() = 0;
  // Decodes until the buffer is full, the stream ended, or a stop is requested.
  virtual void fill(std::stop_token stop = {}) = 0;
  // Takes the oldest buffered frame out; requires at least one (see getCount).
  virtual RawFrame pop() = 0;
  // The frame pop() would take out next, left in place; an empty frame when there is none.
  // Consumer thread only.
  virtual RawFrame oldest() = 0;
  // Drops every buffered frame.
  virtual void clear() = 0;
  // The frame decoded last, or an empty frame.
  virtual RawFrame newest() = 0;
  // Decodes one frame into the next free slot; false at the end of the stream.
  virtual bool decodeOne() = 0;
  virtual int32_t getCount() = 0;
  // Holds while the buffer is below its refill threshold.
  virtual connections::ExpressionPtr<bool> belowLowWater() = 0;
  // Holds while at least one frame is buffered.
  virtual connections::ExpressionPtr<bool> hasFrames() = 0;
  // Holds once the source reported that no frame follows.
  virtual connections::ExpressionPtr<bool> endOfStream() = 0;
  // Forgets the end of the stream, for a file that opens anew.
  virtual void resetEndOfStream() = 0;
};

class FixedFrameBuffer : public FrameBuffer {
 public:
  explicit FixedFrameBuffer(VideoSource* source);

  VideoSource* getSource() override { return source; }
  bool open(int32_t seconds) override;
  void close() override;
  void fill(std::stop_token stop = {}) override;
  RawFrame pop() override;
  RawFrame oldest() override;
  void clear() override;
  RawFrame newest() override;
  bool decodeOne() override;
  int32_t getCount() override { return count->get(); }
  connections::ExpressionPtr<bool> belowLowWater() override;
  connections::ExpressionPtr<bool> hasFrames() override;
  connections::ExpressionPtr<bool> endOfStream() override { return eof; }
  void resetEndOfStream() override;

  int32_t getCapacity() const { return static_cast<int32_t>(images.size()); }
  int32_t getLowWater() const { return lowWater->get(); }
  // Bytes the slots may take together; set before open.
  void setMemoryLimit(uint64_t bytes) { memoryLimit = bytes; }
  uint64_t getMemoryLimit() const { return memoryLimit; }

  // Frames wanted for `seconds` at a frame duration of d ns: the frame rate rounded up to whole
  // frames per second, times the seconds (at least 0, at most INT32_MAX).
  static int64_t framesFor(int32_t seconds, int64_t d);
  // The default memory limit: an eighth of the machine's physical memory.
  static uint64_t defaultMemoryLimit();

 private:
  std::mutex mutex;  // guards the changes of count and readIndex
  connections::VariableMemPtr<bool> eof;
  connections::VariableMemPtr<int32_t> lowWater;
  connections::VariableMemPtr<int32_t> count;
  int32_t readIndex = 0;
  std::vector<RawImage> images;  // the slots; their number is the capacity
  VideoSource* source;           // owned by the media file
  uint64_t memoryLimit;
};
