// A still image as a media file: the same states, pause, seek and stop as a video, but its
// playback is a display time.
//
// The concrete file owns the image source, starts the loader as the last step of its
// constructor and calls stop() first in its destructor.
//
// Threads: the loader thread reads the picture and makes the file Ready (or Closed when there is
// no picture); once the file plays, the display-time thread counts the display time on the
// monotonic clock, pauses excluded, and closes the file when it is used up. Both catch every
// exception. The clock mutex guards the display clock's span, its progress values and the seek
// request; it is never held while the state mutex is taken. stop() (any thread but the file's
// own) closes the file and joins both threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "media/video_file.h"
#include "videoimage/rawimage/raw_image.h"

// Where a still image's picture comes from. Owned by its media file; the loader thread calls
// load() once before the file is Ready; getFrame() is read after that.
class ImageSource {
 public:
  virtual const std::wstring& getPath() const = 0;
  // A view of the loaded picture (packed R, G, B, 8-bit, rows top to bottom), or an empty frame.
  virtual RawFrame getFrame() = 0;
  // Reads the picture from the path; a picture that cannot be read leaves none.
  virtual void load() = 0;

 protected:
  ~ImageSource() = default;
};

class ImageFile : public VideoFile {
 public:
  ~ImageFile() override;

  FrameSize getSize() const override;
  int64_t getDurationMs() const override { return displayTime / 1'000'000; }
  bool isValid() const override { return valid; }
  std::wstring getPath() const override { return imageSource->getPath(); }
  // The share of the display time used, 0 to 1; 1 for a display time of 0.
  double getProgress() const override;
  int64_t getPositionMs() const override;
  void stopAndClear() override { stop(); }
  bool play(wxWindow*) override { return false; }
  bool play(NativeWindow) override { return false; }
  void stop() override;
  bool setVolume(int32_t) override { return false; }
  void reopen() override;
  bool isStillImage() const override { return true; }
  // Takes effect when the current pause ends: the display time used becomes the target (either
  // way); a target at or beyond the display time ends the display at the resume.
  void requestSeek(int64_t ms) override;

 protected:
  ImageFile(ImageSource* source, int64_t displayMs);

  void startLoader();
  // Ready to Playing, then the display-time thread; false when the file was not Ready.
  bool startPlayback();

  ImageSource* const imageSource;

 private:
  void loaderLoop();
  void clockLoop();
  void clockSteps();
  double shareOf(int64_t used) const;
  // The progress stands at the share of `used` until the clock runs again.
  void freezeClock(int64_t used);

  std::jthread loaderThread;
  std::jthread clockThread;

  mutable std::mutex clockMutex;  // guards the six members below
  int64_t clockStart = 0;         // the current span of the display clock, monotonic ns
  int64_t clockEnd = 0;
  double progressStart = 0;  // progress at clockStart and at clockEnd
  double progressEnd = 0;
  bool seekRequested = false;
  int64_t seekMs = 0;

  // --- set by the loader thread before the state leaves Opening
  std::atomic<int32_t> width{0};
  std::atomic<int32_t> height{0};
  std::atomic<bool> valid{false};

  const int64_t displayTime;  // ns
};
