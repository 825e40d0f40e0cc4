// A media file: one video or still image that a test shows, with its life-cycle state.
//
// Every media file opens itself on a thread of its own from the moment it is constructed and,
// once played, shows itself on a second thread of its own; the concrete file owns both threads
// and joins them in stop() and in its destructor. The state is a reactive variable that changes
// only by a compare-and-set under the file's mutex; callers wait on opened() and idle().
//
// Every change of the state notifies the expressions built on it synchronously, on the changing
// thread, while the file's mutex is held: a listener must not call back into the same file (it
// may post to the GUI thread, or signal a waiting thread).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>

#include "common/variable.h"

class RawImage;
class wxWindow;

// The size of a file's pictures, in pixels.
struct FrameSize {
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const FrameSize&) const = default;
};

// The window a video paints its frames into itself (the picture panel of the players): a plain
// toolkit window whose painting the video's painter takes over while it is attached. Videos
// play only into such a window; still images play into a toolkit control (play(wxWindow*)).
struct NativeWindow {
  wxWindow* window = nullptr;
};

class VideoFile {
 public:
  // The life-cycle state; the numbers are fixed (2 is not used).
  enum State : int32_t {
    Created = 0,    // constructed; the open has not started
    Opening = 1,    // the open thread is opening the file
    Buffering = 3,  // a buffered video is filling its frame ring before it is ready
    Ready = 4,      // opened; the first frame is available; waiting to be played
    Playing = 5,    // the playback thread runs
    Paused = 6,     // playback paused
    Closed = 7,     // finished, stopped, or the open failed
  };

  VideoFile();
  virtual ~VideoFile() = default;
  VideoFile(const VideoFile&) = delete;
  VideoFile& operator=(const VideoFile&) = delete;

  // Size of the pictures; 0 x 0 until the open succeeded.
  virtual FrameSize getSize() const = 0;
  virtual int64_t getDurationMs() const = 0;
  // The open succeeded (meaningful once opened() holds).
  virtual bool isValid() const = 0;
  virtual std::wstring getPath() const = 0;
  // 0 to 1.
  virtual double getProgress() const = 0;
  virtual int64_t getPositionMs() const = 0;
  // Stops the file and empties what it holds decoded.
  virtual void stopAndClear() = 0;
  // Shows the file in a toolkit control (GUI thread); false when the file is not shown that way.
  virtual bool play(wxWindow* window) = 0;
  // Shows the file in a window it paints itself (GUI thread); false when it is not shown that way.
  virtual bool play(NativeWindow window) = 0;
  // Closes the file and joins its threads. Never from one of the file's own threads.
  virtual void stop() = 0;
  // Media files carry no sound: false.
  virtual bool setVolume(int32_t volume) = 0;
  // Opens the file anew after a stop (the retry of a failed open).
  virtual void reopen() = 0;
  // Draws the current picture, fitted into max width x max height, into the image.
  virtual bool drawCurrent(RawImage& image, int32_t maxWidth, int32_t maxHeight) = 0;
  // A new, independent file made from the same request; it opens itself.
  virtual std::shared_ptr<VideoFile> clone() const = 0;
  virtual bool isStillImage() const = 0;
  virtual bool isPaused() const;
  // Switches Playing and Paused; nothing in any other state.
  virtual void togglePause();
  // Paused (true) or Playing (false), from Playing or Paused only.
  virtual void setPaused(bool paused);
  // Asks for a jump to the position while paused; it takes effect during (or at the end of) the
  // next pause.
  virtual void requestSeek(int64_t ms) = 0;

  // When the state is one of `from`, sets it to `to` and returns true; else false. Atomic under
  // the file's mutex.
  bool changeState(std::initializer_list<State> from, State to);
  // The state to Closed, from any state.
  void close();
  // The open attempt is over, successfully or not (Ready, Playing, Paused or Closed).
  connections::ExpressionPtr<bool> opened() const;
  // Not playing and not about to (Closed or Created).
  connections::ExpressionPtr<bool> idle() const;

  State getState() const { return state->get(); }
  // The state as a reactive value, for callers' own expressions. Read-only for them.
  connections::ExpressionPtr<State> stateExpression() const { return state; }

 protected:
  // Sets the state under the mutex without a check (reopen's return to Created).
  void resetState(State to);

 private:
  mutable std::mutex mutex;  // every change of state happens under it
  connections::VariableMemPtr<State> state;
};
