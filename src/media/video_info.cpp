#include "media/video_info.h"

const VideoInfo& VideoInfoCache::info(const std::wstring&) {
  static const VideoInfo nothing;
  return nothing;
}
