// Where a playing video's frames go: the playback thread hands each frame to a painter at its
// due time.
#pragma once

#include "videoimage/rawimage/raw_image.h"

class Painter {
 public:
  virtual ~Painter() = default;
  // Shows one frame (a view into the frame ring, valid until this call returns). Called on the
  // playback thread only; an empty frame is skipped.
  virtual void paint(RawFrame frame) = 0;
};
