#include "media/ffmpeg_video_file.h"

#include "media/scale_to_fit.h"

FFmpegVideoFile::FFmpegVideoFile(std::wstring path, bool buffered, int32_t bufferSeconds)
    : VideoFileBufferized(&windowPainter, &ring, buffered, bufferSeconds),
      request{path, buffered, bufferSeconds},
      videoSource(std::move(path)),
      ring(&videoSource) {
  startReader();
}

FFmpegVideoFile::~FFmpegVideoFile() { stop(); }

bool FFmpegVideoFile::play(NativeWindow window) {
  // The playback thread paints with the painter: it is not set up anew under it.
  if (playbackStarted()) return false;
  windowPainter.attach(window, getSize());
  return startPlayback();
}

bool FFmpegVideoFile::drawCurrent(RawImage& image, int32_t maxWidth, int32_t maxHeight) {
  return scaleToFit(image, maxWidth, maxHeight, ring.newest());
}

std::shared_ptr<VideoFile> FFmpegVideoFile::clone() const {
  return std::make_shared<FFmpegVideoFile>(request.path, request.buffered, request.bufferSeconds);
}
