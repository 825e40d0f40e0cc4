#include "media/window_painter.h"

extern "C" {
#include <libswscale/swscale.h>
}

#include <cairo.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/graphics.h>
#include <wx/thread.h>
#include <wx/window.h>

#include <mutex>
#include <utility>

#include "media/media_clock.h"

// The pictures of one attach, shared by the painter, the window's handlers and the presents
// posted to the GUI thread. Three buffers: the playback thread writes `back` and swaps it with
// `ready`; the GUI thread swaps `ready` with `front` and draws `front`.
struct WindowsPainter::Screen : public wxEvtHandler {
  // The buffers are not cleared: each is drawn only after a frame was scaled into it, and
  // touching them all here would cost the caller of play() the time of their page faults.
  Screen(int32_t width, int32_t height) : width(width), height(height), stride(strideFor(width)) {
    for (auto& buffer : buffers)
      buffer = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(stride) * height);
  }

  void bindTo(wxWindow* target) {
    window = target;
    window->Bind(wxEVT_PAINT, &Screen::onPaint, this);
    window->Bind(wxEVT_DESTROY, &Screen::onDestroy, this);
  }

  // GUI thread.
  void detach() {
    if (!window) return;
    window->Unbind(wxEVT_PAINT, &Screen::onPaint, this);
    window->Unbind(wxEVT_DESTROY, &Screen::onDestroy, this);
    window->Refresh();
    window = nullptr;
    listener = nullptr;
  }

  // Playback thread: the back buffer, filled, becomes the newest picture.
  bool handOver() {
    std::lock_guard<std::mutex> lock(mutex);
    std::swap(back, ready);
    if (readyNew) counts.dropped += 1;
    readyNew = true;
    counts.painted += 1;
    number[ready] = counts.painted;
    handedOver[ready] = monotonicNs();
    const bool post = !pending;
    pending = true;
    return post;
  }

  // GUI thread: draws the newest picture, if there is one not drawn yet.
  void present() {
    uint64_t shown = 0;
    int64_t handed = 0;
    {
      std::lock_guard<std::mutex> lock(mutex);
      pending = false;
      if (readyNew) {
        std::swap(front, ready);
        readyNew = false;
        frontValid = true;
        counts.presented += 1;
        shown = number[front];
        handed = handedOver[front];
      }
    }
    if (!shown || !window) return;
    window->Refresh(false);
    window->Update();
    if (listener) listener(shown, handed, monotonicNs());
  }

  void onPaint(wxPaintEvent&) {
    wxPaintDC dc(window);
    if (!frontValid) {
      dc.SetBackground(*wxBLACK_BRUSH);
      dc.Clear();
      return;
    }
    wxGraphicsContext* graphics = dc.GetGraphicsContext();
    auto* cairo = static_cast<cairo_t*>(graphics ? graphics->GetNativeContext() : nullptr);
    if (!cairo) return;
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        buffers[front].get(), CAIRO_FORMAT_RGB24, width, height, stride);
    cairo_save(cairo);
    cairo_set_source_surface(cairo, surface, 0, 0);
    cairo_set_operator(cairo, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cairo);
    cairo_restore(cairo);
    cairo_surface_destroy(surface);
  }

  void onDestroy(wxWindowDestroyEvent& event) {
    event.Skip();
    if (event.GetEventObject() == window) window = nullptr;
  }

  const int32_t width;
  const int32_t height;
  const int32_t stride;
  std::unique_ptr<uint8_t[]> buffers[3];
  int back = 0;  // playback thread only

  std::mutex mutex;  // guards the members up to `counts`
  int ready = 1;
  bool readyNew = false;  // `ready` holds a picture not presented yet
  bool pending = false;   // a present is posted and has not run yet
  uint64_t number[3] = {};
  int64_t handedOver[3] = {};
  Counts counts;

  // --- GUI thread only
  int front = 2;
  bool frontValid = false;
  wxWindow* window = nullptr;
  PresentListener listener;
};

int32_t WindowsPainter::strideFor(int32_t width) {
  return cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width);
}

WindowsPainter::~WindowsPainter() { release(); }

void WindowsPainter::attach(NativeWindow window, FrameSize source) {
  release();
  skipped = 0;
  sourceSize = source;
  if (!window.window) return;
  const wxSize client = window.window->GetClientSize();
  windowSize = FrameSize{client.x, client.y};
  if (windowSize.width <= 0 || windowSize.height <= 0) return;
  screen = std::make_shared<Screen>(windowSize.width, windowSize.height);
  screen->bindTo(window.window);
  if (source.width <= 0 || source.height <= 0) return;
  // Packed B, G, R bytes into x, R, G, B words of the machine's byte order: every colour stays
  // in its place, as cairo reads the buffers.
  scaler =
      sws_getContext(source.width, source.height, AV_PIX_FMT_BGR24, windowSize.width,
                     windowSize.height, AV_PIX_FMT_0RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr);
}

void WindowsPainter::release() {
  if (scaler) sws_freeContext(scaler);
  scaler = nullptr;
  prepared = nullptr;
  if (!screen) return;
  if (wxThread::IsMain()) {
    screen->detach();
  } else if (wxTheApp) {
    wxTheApp->CallAfter([s = screen] { s->detach(); });
  }
  screen.reset();
}

bool WindowsPainter::scale(const RawFrame& frame) {
  const RawImageInfo& info = frame.getInfo();
  if (!scaler || frame.empty() || info.width != sourceSize.width ||
      info.height != sourceSize.height)
    return false;
  const uint8_t* const source[] = {frame.planeData(0)};
  const int sourceStride[] = {frame.planeStride(0)};
  uint8_t* const target[] = {screen->buffers[screen->back].get()};
  const int targetStride[] = {screen->stride};
  sws_scale(scaler, source, sourceStride, 0, sourceSize.height, target, targetStride);
  return true;
}

void WindowsPainter::prepare(const RawFrame& frame) {
  prepared = scale(frame) ? frame.planeData(0) : nullptr;
}

void WindowsPainter::paint(RawFrame frame) {
  // A frame prepared ahead is in the back buffer already (a ring slot keeps its picture while
  // it is buffered).
  const bool ready = prepared && !frame.empty() && frame.planeData(0) == prepared;
  prepared = nullptr;
  if (!ready && !scale(frame)) {
    skipped += 1;
    return;
  }
  if (screen->handOver() && wxTheApp) wxTheApp->CallAfter([s = screen] { s->present(); });
}

WindowsPainter::Counts WindowsPainter::getCounts() const {
  Counts counts;
  if (screen) {
    std::lock_guard<std::mutex> lock(screen->mutex);
    counts = screen->counts;
  }
  counts.skipped = skipped;
  return counts;
}

void WindowsPainter::setPresentListener(PresentListener listener) {
  if (screen) screen->listener = std::move(listener);
}
