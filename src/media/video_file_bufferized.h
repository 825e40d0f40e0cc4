// A video media file that decodes ahead into a frame ring on its reader thread and shows each
// frame at its due time on its playback thread.
//
// The concrete file owns the source, the ring and the painter, starts the reader as the last
// step of its constructor and calls stop() first in its destructor.
//
// Timing: frame k of a run is due at t0 + k x frame duration, t0 being the start of the run (the
// start of playback, or the end of a pause); the first frame of a run is shown at once. A late
// frame is shown as soon as it is available, and so are the following ones until the schedule
// is met again: no frame is skipped and the schedule does not move.
//
// Threads: the reader thread opens the source, fills the ring and keeps it above its low-water
// mark while the file plays or is paused; the playback thread (from play on) pops frames and
// hands them to the painter, and serves seek requests while paused. Both catch every exception:
// a file that fails ends Closed. stop() (any thread but the file's own) closes the file, which
// wakes every wait of both threads, and joins them. Locks: the seek mutex is taken before the
// ring's; neither is held while the file's state mutex is taken.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

#include "media/video_file.h"

class FrameBuffer;
class Painter;

class VideoFileBufferized : public VideoFile {
 public:
  // The current run of the playback thread: frame startShown was due at startTime.
  struct Playback {
    VideoFileBufferized* owner = nullptr;
    std::atomic<int32_t> startShown{0};
    std::atomic<int64_t> startTime{0};  // monotonic ns
  };

  ~VideoFileBufferized() override;

  FrameSize getSize() const override;
  int64_t getDurationMs() const override { return durationMs; }
  bool isValid() const override { return valid; }
  std::wstring getPath() const override;
  // The end of the frames shown, as a share of the length; 1 for a file without a length.
  double getProgress() const override;
  // The end time of the last frame shown.
  int64_t getPositionMs() const override;
  void stopAndClear() override;
  bool play(wxWindow*) override { return false; }
  bool play(NativeWindow) override { return false; }
  void stop() override;
  bool setVolume(int32_t) override { return false; }
  void reopen() override;
  bool isStillImage() const override { return false; }
  // Acted on by the playback thread while the file is paused: it comes to the last frame at
  // which getPositionMs reads no more than ms. A target not after the current position only
  // clears the request.
  void requestSeek(int64_t ms) override;

  int64_t getFrameDuration() const { return frameDuration; }
  // Frames shown since the file was made.
  int32_t getShown() const { return shown; }
  const Playback& getPlayback() const { return playback; }

 protected:
  // painter and buffer are members of the concrete file (made after this base).
  VideoFileBufferized(Painter* painter, FrameBuffer* buffer, bool buffered, int32_t bufferSeconds);

  // Starts the reader thread; the member must not hold a running thread.
  void startReader();
  // Ready to Playing, then the playback thread; false when the file was not Ready.
  bool startPlayback();
  // The playback thread was started and not joined yet (the caller's thread only).
  bool playbackStarted() const { return playbackThread.joinable(); }

  Painter* const painter;
  FrameBuffer* const buffer;

 private:
  void readerLoop(std::stop_token stop);
  void readerSteps(std::stop_token stop);
  void playLoop();
  void playSteps();
  void seekWhilePaused();

  std::jthread readerThread;
  std::jthread playbackThread;
  Playback playback;

  // --- set by the reader thread before the state leaves Opening/Buffering
  std::atomic<int32_t> width{0};
  std::atomic<int32_t> height{0};
  std::atomic<int64_t> durationMs{0};
  std::atomic<int64_t> frameDuration{0};
  std::atomic<bool> valid{false};

  const int32_t bufferSeconds;  // 0 for an unbuffered file
  const bool buffered;

  std::mutex seekMutex;  // guards seekMs, the setting of seekRequested and the seek pass
  connections::VariableMemPtr<bool> seekRequested;
  int64_t seekMs = 0;

  // --- written by the playback thread only
  std::atomic<int32_t> shown{0};
};
