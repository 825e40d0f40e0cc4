// A scripted video source, a recording painter and media files built on them, for tests of the
// media files' threads without FFmpeg and without a window.
//
// FakeVideoSource writes each frame's number into the frame's first four bytes; frameNumber
// reads it back. Its script (frame count, duration, failures, a hook before each decode) is set
// before the file that owns it is made, and the hook runs on the file's reader thread.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/wait.h"
#include "media/frame_buffer.h"
#include "media/image_file.h"
#include "media/media_clock.h"
#include "media/painter.h"
#include "media/video_file_bufferized.h"
#include "media/video_source.h"

namespace vixo_test {

// Waits on a worker thread (not the GUI thread) until the condition holds, at most `limit`.
inline bool waitFor(const connections::ExpressionPtr<bool>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  return connections::waitExpressionUntil(condition, std::chrono::steady_clock::now() + limit);
}

// Holds a thread until the test lets it go (or 10 s have passed).
class Gate {
 public:
  void pass() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::seconds(10), [this] { return open_; });
  }
  void open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    cv_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
};

struct FakeScript {
  int frames = 25;
  int64_t frameDuration = 40'000'000;  // ns
  FrameSize size{4, 2};
  int64_t durationMs = 1000;
  int failedOpens = 0;    // the first n opens fail
  int throwAtFrame = -1;  // readNext of this frame throws
  bool throwAtOpen = false;
  // Run on the reader thread before the open and before frame n is decoded (to hold it up).
  std::function<void()> beforeOpen;
  std::function<void(int n)> beforeDecode;
  // Run on the thread that interrupts the source (a stop) or lets it work again (the reader).
  std::function<void(bool interrupted)> onInterrupt;
};

inline int frameNumber(const RawFrame& frame) {
  if (frame.empty()) return -1;
  int n;
  std::memcpy(&n, frame.planeData(0), sizeof n);
  return n;
}

class FakeVideoSource : public VideoSource {
 public:
  explicit FakeVideoSource(FakeScript script) : script(std::move(script)) {}
  ~FakeVideoSource() = default;

  int64_t getFrameDuration() override { return isOpen ? script.frameDuration : 0; }
  FrameSize getFrameSize() override { return script.size; }
  int64_t getDurationMs() override { return script.durationMs; }
  std::wstring getFileName() override { return L"fake.video"; }
  bool readNext(RawImage& frame) override {
    const int n = next++;
    if (n >= script.frames) return false;
    if (script.beforeDecode) script.beforeDecode(n);
    if (n == script.throwAtFrame) throw std::runtime_error("decoder broke");
    std::memcpy(frame.planeData(0), &n, sizeof n);
    decoded += 1;
    return true;
  }
  RawImage newFrame() override {
    RawImageInfo info(rawFormatFromHint(RawFormatHint::BGR24), script.size.width,
                      script.size.height);
    info.bindReader();
    RawImage image(info);
    image.allocate();
    return image;
  }
  bool open() override {
    if (script.beforeOpen) script.beforeOpen();
    opens += 1;
    if (script.throwAtOpen) throw std::runtime_error("cannot open");
    if (opens <= script.failedOpens) return false;
    next = 0;
    isOpen = true;
    return true;
  }
  void close() override {
    closes += 1;
    isOpen = false;
  }
  void setInterrupted(bool on) override {
    interrupted = on;
    if (script.onInterrupt) script.onInterrupt(on);
  }

  FakeScript script;
  std::atomic<bool> interrupted{false};
  std::atomic<int> opens{0};
  std::atomic<int> closes{0};
  std::atomic<int> decoded{0};

 private:
  int next = 0;
  std::atomic<bool> isOpen{false};
};

// Records the number and time of every frame it is handed.
class RecordingPainter : public Painter {
 public:
  struct Shown {
    int number;
    int64_t time;  // monotonic ns
  };
  // How a frame's number is read.
  using NumberOf = std::function<int(const RawFrame&)>;

  explicit RecordingPainter(NumberOf numberOf = frameNumber) : numberOf_(std::move(numberOf)) {}

  // Like a painter that works ahead: it remembers the frame prepared and checks, when a frame
  // in the same slot is painted, that it is still the frame prepared.
  void prepare(const RawFrame& frame) override {
    prepared_ = frame.empty() ? nullptr : frame.planeData(0);
    preparedNumber_ = numberOf_(frame);
  }

  void paint(RawFrame frame) override {
    if (throwOnPaint) throw std::runtime_error("painter broke");
    const int number = numberOf_(frame);
    if (prepared_ && !frame.empty() && frame.planeData(0) == prepared_) {
      preparedHits += 1;
      if (number != preparedNumber_) stalePictures += 1;
    }
    prepared_ = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.push_back({number, monotonicNs()});
    changed_.notify_all();
  }

  std::vector<Shown> shown() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }
  std::vector<int> numbers() const {
    std::vector<int> result;
    for (const Shown& s : shown()) result.push_back(s.number);
    return result;
  }
  // Waits (at most 10 s) until the frame with that number was painted.
  bool waitForNumber(int number) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] {
      for (const Shown& s : shown_)
        if (s.number == number) return true;
      return false;
    });
  }
  // Waits (at most 10 s) until n frames were painted.
  bool waitFor(size_t n) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return shown_.size() >= n; });
  }

  std::atomic<bool> throwOnPaint{false};
  std::atomic<int> preparedHits{0};   // frames painted as prepared
  std::atomic<int> stalePictures{0};  // frames that a prepared picture of another frame would show

 private:
  NumberOf numberOf_;
  const uint8_t* prepared_ = nullptr;  // playback thread only
  int preparedNumber_ = -1;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Shown> shown_;
};

// How late each painted frame was against the due times of one run from the playback's start
// (frame k due at start + k x frame duration), in ns.
inline std::vector<int64_t> lateness(const VideoFileBufferized& file,
                                     const RecordingPainter& painter) {
  std::vector<int64_t> result;
  const int64_t t0 = file.getPlayback().startTime;
  const auto shown = painter.shown();
  for (size_t k = 0; k < shown.size(); ++k)
    result.push_back(shown[k].time - (t0 + static_cast<int64_t>(k) * file.getFrameDuration()));
  return result;
}

// A buffered video file over a source of type Source (made from `sourceArgument`), painting
// into a recording painter that reads each frame's number with `numberOf`.
template <class Source>
class RecordedVideoFile : public VideoFileBufferized {
 public:
  template <class Argument>
  RecordedVideoFile(Argument sourceArgument, bool buffered, int32_t seconds,
                    RecordingPainter::NumberOf numberOf = frameNumber)
      : VideoFileBufferized(&painterMember, &ring, buffered, seconds),
        source(std::move(sourceArgument)),
        ring(&source),
        painterMember(std::move(numberOf)) {
    startReader();
  }
  ~RecordedVideoFile() override { stop(); }

  // Plays without a window.
  bool play(NativeWindow) override { return startPlayback(); }
  bool drawCurrent(RawImage&, int32_t, int32_t) override { return false; }
  std::shared_ptr<VideoFile> clone() const override { return nullptr; }

  Source source;
  FixedFrameBuffer ring;
  RecordingPainter painterMember;
};

using FakeVideoFile = RecordedVideoFile<FakeVideoSource>;

// A picture source that makes a w x h RGB picture, or none.
class FakeImageSource : public ImageSource {
 public:
  FakeImageSource(FrameSize size, bool readable) : size(size), readable(readable) {}
  ~FakeImageSource() = default;

  const std::wstring& getPath() const override { return path; }
  RawFrame getFrame() override { return loaded ? RawFrame(image) : RawFrame(); }
  void load() override {
    loads += 1;
    if (throwOnLoad) throw std::runtime_error("cannot read");
    if (!readable) return;
    RawImageInfo info(rawFormatFromHint(RawFormatHint::RGB24), size.width, size.height);
    info.bindReader();
    image = RawImage(info);
    loaded = image.allocate();
  }

  std::wstring path = L"fake.png";
  FrameSize size;
  bool readable;
  bool throwOnLoad = false;
  std::atomic<int> loads{0};

 private:
  RawImage image;
  bool loaded = false;
};

class FakeImageFile : public ImageFile {
 public:
  FakeImageFile(FrameSize size, bool readable, int64_t displayMs, bool throwOnLoad = false)
      : ImageFile(&source, displayMs), source(size, readable) {
    source.throwOnLoad = throwOnLoad;
    startLoader();
  }
  ~FakeImageFile() override { stop(); }

  bool play(wxWindow*) override { return startPlayback(); }
  bool drawCurrent(RawImage&, int32_t, int32_t) override { return false; }
  std::shared_ptr<VideoFile> clone() const override { return nullptr; }

  FakeImageSource source;
};

}  // namespace vixo_test
