// Opening media files by what a caller asks for: the kind follows the file's extension.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "media/video_file.h"

struct MediaOpenRequest {
  std::wstring path;
  bool buffered = false;       // videos: fill the frame ring before becoming ready
  int32_t bufferLength = 0;    // the frame ring's length in seconds, for a buffered video
  int64_t imageDisplayMs = 0;  // how long a still image is shown
};

// The 26 video extensions of the file dialogs, lower case with the dot.
const std::vector<std::wstring>& videoExtensions();
// The 11 extensions that open as still images, lower case with the dot.
const std::vector<std::wstring>& imageExtensions();

// A still-image file for an image extension (any case), a video file for anything else; the
// file starts opening in the background before this returns and never fails here: a file that
// cannot be opened ends Closed and not valid. Call on the GUI thread.
std::shared_ptr<VideoFile> openMedia(const MediaOpenRequest& request);

// Whether the file opens as openMedia's file would for a player: a still image whose picture
// decodes for an image extension, else a video stream whose first frame decodes. Reads the file
// on the calling thread, which may be any thread.
bool mediaOpens(const std::wstring& path);

// The players' table of opened files: sets the path's entry to the file, releasing an older
// file stored under the same path.
void storeVideoFile(std::map<std::wstring, std::shared_ptr<VideoFile>>& table,
                    const std::wstring& path, std::shared_ptr<VideoFile> file);
