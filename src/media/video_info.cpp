#include "media/video_info.h"

#include "media/video_file.h"

VideoInfo makeVideoInfo(const VideoFile* file) {
  if (!file) return VideoInfo{false, false, 0, 0, false, -1};
  const FrameSize size = file->getSize();
  return VideoInfo{file->opened()->get(), file->isValid(),      size.width,
                   size.height,           file->isStillImage(), file->getDurationMs()};
}

const VideoInfo& VideoInfoCache::getInfo(const std::wstring&) {
  static const VideoInfo nothing;
  return nothing;
}
