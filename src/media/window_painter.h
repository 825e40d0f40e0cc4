// The painter of the video files: shows each frame in a plain toolkit window (the picture panel
// of the players), scaled to the window's size.
//
// The toolkit draws only on the GUI thread, so painting has two halves. The playback thread
// scales each frame (swscale, bicubic) into a back buffer of the window's size, ahead of the
// frame's due time when it is prepared, and at the due time hands it over as the newest
// picture; it posts one "present" to the GUI thread unless one is pending already. The GUI thread,
// on a present, takes the newest picture and redraws the window with it; the window's paint handler
// draws the picture presented last, so a paused or finished video keeps its picture through
// exposures. A picture replaced by a newer one before the GUI thread presented it is dropped and
// counted. Colours: frames are packed B, G, R bytes, the buffers native-endian x, R, G, B words; a
// frame's top row is the window's top row.
//
// Threads: attach() and release() on the GUI thread, before the playback thread starts or after
// it ended; prepare() and paint() on the playback thread only. A painter released (or destroyed) on
// another thread hands its window back through the GUI thread. The window may be destroyed before
// the painter; the painter then stops presenting.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "media/painter.h"
#include "media/video_file.h"

struct SwsContext;

class WindowsPainter : public Painter {
 public:
  // What happened to the frames handed in since the last attach.
  struct Counts {
    uint64_t painted = 0;    // scaled into a back buffer
    uint64_t presented = 0;  // drawn into the window
    uint64_t dropped = 0;    // replaced by a newer frame before they were presented
    uint64_t skipped = 0;    // not painted: no window, no picture size, or a frame of another size
  };
  // Called on the GUI thread after a picture was drawn: its number (the n-th frame painted
  // since attach, from 1), the monotonic times in ns when the playback thread handed it over
  // (scaled) and when the drawing was done.
  using PresentListener = std::function<void(uint64_t number, int64_t handedOver, int64_t drawn)>;

  WindowsPainter() = default;
  ~WindowsPainter() override;
  WindowsPainter(const WindowsPainter&) = delete;
  WindowsPainter& operator=(const WindowsPainter&) = delete;

  // Prepares the back buffers and the scaler for the window's current client size and the
  // frames' size. A window or frame without area leaves the painter without a scaler: it then
  // skips every frame.
  void attach(NativeWindow window, FrameSize source);
  void paint(RawFrame frame) override;
  // Scales the next frame ahead of its due time; paint() of the same frame then only hands it
  // over.
  void prepare(const RawFrame& frame) override;
  // Frees the scaler and the buffers and gives the window its own painting back.
  void release();

  FrameSize getPictureSize() const { return windowSize; }
  Counts getCounts() const;
  // GUI thread, after attach (before the first present runs: right after play).
  void setPresentListener(PresentListener listener);

  // Bytes of one row of a w pixels wide back buffer (four per pixel).
  static int32_t strideFor(int32_t width);

 private:
  struct Screen;

  // Into the back buffer; false (nothing done) when the frame cannot be painted.
  bool scale(const RawFrame& frame);

  std::shared_ptr<Screen> screen;  // shared with the window's handlers and posted presents
  // Frames not painted since attach: counted here, as a painter without a picture size has no
  // screen. Written by the playback thread, read by any.
  std::atomic<uint64_t> skipped{0};
  SwsContext* scaler = nullptr;
  FrameSize sourceSize;
  FrameSize windowSize;
  const uint8_t* prepared = nullptr;  // the frame in the back buffer (playback thread)
};
