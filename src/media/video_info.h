// What a caller keeps about a media file, and the cache through which the task model asks for it
// by path.
#pragma once

#include <cstdint>
#include <string>

class VideoFile;

// A summary of one media file. A file is playable only when it is both opened and valid; a file
// that is not counts 0 ms.
struct VideoInfo {
  bool opened = false;  // the open attempt is over
  bool valid = false;   // the open succeeded
  int32_t width = 0;
  int32_t height = 0;
  bool stillImage = false;
  int64_t durationMs = 0;  // -1 when there is no file
};

// The summary of a file as it stands now; of a null file: not opened, not valid, 0 x 0, -1 ms.
VideoInfo makeVideoInfo(const VideoFile* file);

// Answers a file's summary by its path. This base answers every path with one all-zero record
// (not opened, not valid); the editor supplies its own, which knows the files it has loaded.
class VideoInfoCache {
 public:
  virtual ~VideoInfoCache() = default;
  // Valid until the next call.
  virtual const VideoInfo& getInfo(const std::wstring& path);
};
