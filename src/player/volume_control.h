// The volume of one playback: the level the arrow keys change and hand to the media files.
// The media files play no sound, so only the level passed to them changes. GUI thread only.
#pragma once

#include <algorithm>
#include <memory>
#include <vector>

#include "media/video_file.h"

struct VolumeControl {
  std::vector<std::shared_ptr<VideoFile>> files;
  int level = 100;
  bool muted = false;  // the task plays without sound
  int step = 10;

  // Every file's volume: 0 when muted, else the level.
  void apply() const {
    for (const auto& file : files) file->setVolume(muted ? 0 : level);
  }
  void raise() {
    level = std::min(level + step, 100);
    apply();
  }
  void lower() {
    level = std::max(level - step, 0);
    apply();
  }
};
