// What the task model needs to know about a media file, by its path.
#pragma once

#include <cstdint>
#include <string>

// A summary of one media file. A file is playable only when it is both opened and valid; a file
// that is not counts 0 ms.
struct VideoInfo {
  bool opened = false;
  bool valid = false;
  int32_t width = 0;
  int32_t height = 0;
  bool stillImage = false;
  int64_t durationMs = 0;  // -1 when there is no file
};

// Answers a file's summary by its path. This base answers every path with one all-zero record
// (not opened, not valid); the editor supplies its own, which knows the files it has loaded.
class VideoInfoCache {
 public:
  virtual ~VideoInfoCache() = default;
  // Valid until the next call.
  virtual const VideoInfo& info(const std::wstring& path);
};
