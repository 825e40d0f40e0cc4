// A video file read through FFmpeg, decoded ahead into a frame ring and painted into a window.
//
// The reader thread starts when the file is constructed; the destructor stops and joins both
// threads (see VideoFileBufferized). play() and drawCurrent() belong to the GUI thread.
#pragma once

#include <memory>
#include <string>

#include "media/ffmpeg_video_source.h"
#include "media/frame_buffer.h"
#include "media/video_file_bufferized.h"
#include "media/window_painter.h"

class FFmpegVideoFile : public VideoFileBufferized {
 public:
  // What the file was made from.
  struct Request {
    std::wstring path;
    bool buffered = false;
    int32_t bufferSeconds = 0;
  };

  FFmpegVideoFile(std::wstring path, bool buffered, int32_t bufferSeconds);
  ~FFmpegVideoFile() override;

  // Attaches the painter to the window at the frames' size and starts playback; false when the
  // file is not Ready (the painter is attached all the same, unless the file plays already).
  bool play(NativeWindow window) override;
  // The frame decoded last, fitted into the box; for a Ready file (its reader idle).
  bool drawCurrent(RawImage& image, int32_t maxWidth, int32_t maxHeight) override;
  std::shared_ptr<VideoFile> clone() const override;

  const Request& getRequest() const { return request; }
  WindowsPainter& getWindowPainter() { return windowPainter; }

 private:
  const Request request;
  FFmpegVideoSource videoSource;
  FixedFrameBuffer ring;
  WindowsPainter windowPainter;
};
