// What a video media file sees of its decoder: a source that opens, tells its frame duration,
// size and length, decodes the next frame into an image it allocated, and closes.
//
// Threads: a source is opened, read and closed by one thread (the file's reader thread); only
// setInterrupted comes from others (a stop). Its frame size, duration and length are set by
// open() and only read after it.
#pragma once

#include <cstdint>
#include <string>

#include "media/video_file.h"

class RawImage;

class VideoSourceObserver {
 protected:
  ~VideoSourceObserver() = default;
};

// Owned by its media file; never deleted through this interface.
class VideoSource : public VideoSourceObserver {
 public:
  // The duration of one frame in nanoseconds (whole microseconds); 0 before open.
  virtual int64_t getFrameDuration() = 0;
  virtual FrameSize getFrameSize() = 0;
  // The length of the video; 0 when the container does not tell.
  virtual int64_t getDurationMs() = 0;
  virtual std::wstring getFileName() = 0;
  // Decodes the next frame into an image made by newFrame(); true when a frame was written,
  // false at the end of the video and on any decoding failure. Never throws.
  virtual bool readNext(RawImage& frame) = 0;
  // A new, allocated image of the source's raw format and frame size (empty when it cannot be
  // allocated).
  virtual RawImage newFrame() = 0;
  virtual bool open() = 0;
  virtual void close() = 0;
  // Any thread: true makes an open or a read that waits for data give up soon (it then fails),
  // false lets the source work again. Nothing by default.
  virtual void setInterrupted(bool) {}

 protected:
  ~VideoSource() = default;
};
