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
  // Playback thread, before the frame's due time: the frame the next paint() will be handed, so
  // that its work can be done ahead; an empty frame forgets what was prepared. Painters that
  // have nothing to do ahead ignore it.
  virtual void prepare(const RawFrame& frame) { (void)frame; }
};
