// The video source of the media files over the FFmpeg source: frames arrive as packed 8-bit
// B, G, R images (raw format hint 1) at the video's own size.
//
// Threads: as every VideoSource, used by one thread at a time (the file's reader thread); the
// path is fixed at construction and may be read from any thread.
#pragma once

#include <memory>
#include <string>

#include "media/video_source.h"

class FFmpegVideoSource : public VideoSource {
 public:
  explicit FFmpegVideoSource(std::wstring fileName);
  ~FFmpegVideoSource();
  FFmpegVideoSource(const FFmpegVideoSource&) = delete;
  FFmpegVideoSource& operator=(const FFmpegVideoSource&) = delete;

  int64_t getFrameDuration() override;
  FrameSize getFrameSize() override;
  int64_t getDurationMs() override;
  std::wstring getFileName() override { return fileName; }
  // A damaged packet is passed over (a few in a row at most); the end of the video, a change of
  // the picture's size or format and any other failure end the stream.
  bool readNext(RawImage& frame) override;
  RawImage newFrame() override;
  // Opens the file asking for frames of hint 1; the frame duration comes from the stream's frame
  // rate, truncated to whole microseconds.
  bool open() override;
  void close() override;
  void setInterrupted(bool interrupted) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
  const std::wstring fileName;
};

// The duration of one frame at a frame rate: 1 000 000 / rate truncated to whole microseconds,
// in nanoseconds; 0 for a rate that is not a positive finite number or too high to give one.
int64_t frameDurationOf(double rate);
