// A playable media file: a video or a still image.
#pragma once

#include <cstdint>

class VideoFile {
 public:
  // The life-cycle state; the numbers are fixed (2 is not used).
  enum State : int32_t {
    Created = 0,    // constructed; the open has not started
    Opening = 1,    // the open thread is opening the file
    Buffering = 3,  // a buffered video is filling its frame ring before it is ready
    Ready = 4,      // opened; the first frame is available; waiting to be played
    Playing = 5,    // the playback thread runs
    Paused = 6,     // playback paused
    Closed = 7,     // finished, stopped, or the open failed
  };

  virtual ~VideoFile() = default;
};
