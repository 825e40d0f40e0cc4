// Playback timing on a real window: a 1080p60 H.264 video of 20 s played into a window the size
// of the screen, and two videos started together. Run it under a virtual X server with a
// 1920 x 1080 screen, e.g.
//   xvfb-run -a -s "-screen 0 1920x1080x24" build/release/bench/bench_playback
//
// Per frame, shown - due: "shown" is the moment the GUI thread finished drawing the frame into
// the window, "due" the start of playback + k x frame duration. Reported in milliseconds as
// median, p99 and max, with the count of frames later than 2 ms and later than one frame
// duration, and of dropped frames (painted but replaced before they were drawn, or never
// painted). The video is written once per run (or taken from VIXO_BENCH_VIDEO).
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "common/event_loop_wait.h"
#include "media/ffmpeg_video_file.h"
#include "media/media_clock.h"
#include "media/open_media.h"
#include "support/test_video.h"

namespace {

constexpr int kFrames = 1200;  // 20 s at 60 frames per second

std::string benchVideo() {
  if (const char* given = std::getenv("VIXO_BENCH_VIDEO")) return given;
  static const std::string path = [] {
    const std::string file =
        (std::filesystem::temp_directory_path() / "vixo-bench-1080p60.mp4").string();
    if (std::filesystem::exists(file)) return file;
    vixo_test::VideoSpec spec;
    spec.container = "mp4";
    spec.codec = "libx264";
    spec.width = 1920;
    spec.height = 1080;
    spec.frames = kFrames;
    spec.rateNum = 60;
    spec.gop = 60;
    const std::string error = vixo_test::writeVideo(file, spec);
    if (!error.empty()) std::fprintf(stderr, "no bench video: %s\n", error.c_str());
    return file;
  }();
  return path;
}

void runUntil(const connections::ExpressionPtr<bool>& condition) {
  auto late = connections::makeVariableMem(false);
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { late->set(true); });
  timer.StartOnce(60'000);
  connections::runEventLoopUntil(condition || late);
}

// What one file's frames did on screen.
struct Record {
  std::vector<int64_t> lateness;          // ns, per frame drawn: drawn - due
  std::vector<int64_t> handOverLateness;  // the same frames: handed over (scaled) - due
  WindowsPainter::Counts counts;
  int64_t firstShown = 0;
  int64_t start = 0;
};

class Playing {
 public:
  Playing(wxWindow* window, const std::string& path, int bufferSeconds)
      : file(openMedia({fromUtf8(path), true, bufferSeconds, 0})), window(window) {}

  FFmpegVideoFile& video() { return static_cast<FFmpegVideoFile&>(*file); }

  bool play() {
    if (!file->isValid() || !file->play(NativeWindow{window})) return false;
    video().getWindowPainter().setPresentListener(
        [this](uint64_t number, int64_t handedOver, int64_t drawn) {
          shown.push_back({number, handedOver, drawn});
        });
    return true;
  }

  Record finish() {
    Record r;
    r.counts = video().getWindowPainter().getCounts();
    r.start = video().getPlayback().startTime;
    const int64_t d = video().getFrameDuration();
    for (const Shown& s : shown) {
      const int64_t due = r.start + static_cast<int64_t>(s.number - 1) * d;
      r.lateness.push_back(s.drawn - due);
      r.handOverLateness.push_back(s.handedOver - due);
    }
    r.firstShown = shown.empty() ? 0 : shown.front().drawn;
    return r;
  }

  std::shared_ptr<VideoFile> file;
  wxWindow* window;
  struct Shown {
    uint64_t number;
    int64_t handedOver;
    int64_t drawn;
  };
  std::vector<Shown> shown;
};

double ms(int64_t ns) { return static_cast<double>(ns) / 1e6; }

// Sorts the values and gives the value at quantile q.
int64_t quantile(std::vector<int64_t>& values, double q) {
  std::sort(values.begin(), values.end());
  const size_t i = static_cast<size_t>(q * static_cast<double>(values.size()));
  return values[std::min(values.size() - 1, i)];
}

void report(benchmark::State& state, Record r, int64_t frameDuration, uint64_t frames) {
  std::vector<int64_t>& late = r.lateness;
  if (late.empty()) {
    state.SkipWithError("no frame was shown");
    return;
  }
  state.counters["median_ms"] = ms(quantile(late, 0.5));
  state.counters["p99_ms"] = ms(quantile(late, 0.99));
  state.counters["max_ms"] = ms(late.back());
  state.counters["late_2ms"] = static_cast<double>(
      std::count_if(late.begin(), late.end(), [](int64_t l) { return l > 2'000'000; }));
  state.counters["late_frame"] = static_cast<double>(
      std::count_if(late.begin(), late.end(), [&](int64_t l) { return l > frameDuration; }));
  state.counters["shown"] = static_cast<double>(late.size());
  state.counters["dropped"] = static_cast<double>(frames - r.counts.presented);
  // The playback thread's half: the frame scaled and handed over, against its due time.
  state.counters["handover_median_ms"] = ms(quantile(r.handOverLateness, 0.5));
  state.counters["handover_p99_ms"] = ms(quantile(r.handOverLateness, 0.99));
}

wxFrame* screenWindow() {
  auto* frame =
      new wxFrame(nullptr, wxID_ANY, "playback", wxPoint(0, 0), wxSize(1920, 1080), wxBORDER_NONE);
  frame->ShowFullScreen(true);
  wxYield();
  return frame;
}

// One 1080p60 video for 20 s into a window the size of the screen.
void BM_Playback1080p60(benchmark::State& state) {
  const std::string path = benchVideo();
  wxFrame* frame = screenWindow();
  // The picture at the video's own size, as a full-screen test shows a 1080p video on a
  // 1080p screen.
  auto* picture = new wxWindow(frame, wxID_ANY, wxPoint(0, 0), wxSize(1920, 1080));
  wxYield();
  for (auto _ : state) {
    Playing one(picture, path, static_cast<int>(state.range(0)));
    runUntil(one.file->opened());
    if (!one.play()) {
      state.SkipWithError("the video did not play");
      break;
    }
    runUntil(one.file->idle());
    const Record r = one.finish();
    report(state, r, one.video().getFrameDuration(), kFrames);
    state.counters["painted"] = static_cast<double>(r.counts.painted);
    state.counters["window_w"] = picture->GetClientSize().x;
    state.counters["window_h"] = picture->GetClientSize().y;
  }
  frame->Destroy();
  wxYield();
}
BENCHMARK(BM_Playback1080p60)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Two 1080p60 videos started together side by side (half the screen each), played for 5 s:
// the offset of their starts and of their first pictures, and the timing of the first.
void BM_TwoFilesStartedTogether(benchmark::State& state) {
  const std::string path = benchVideo();
  wxFrame* frame = screenWindow();
  const wxSize half(960, 540);
  auto* left = new wxWindow(frame, wxID_ANY, wxPoint(0, 0), half);
  auto* right = new wxWindow(frame, wxID_ANY, wxPoint(half.x, 0), half);
  wxYield();
  for (auto _ : state) {
    Playing a(left, path, 1);
    Playing b(right, path, 1);
    runUntil(a.file->opened() && b.file->opened());
    const int64_t before = monotonicNs();
    const bool playing = a.play() && b.play();
    state.counters["play_calls_ms"] = ms(monotonicNs() - before);
    if (!playing) {
      state.SkipWithError("the videos did not play");
      break;
    }
    auto later = connections::makeVariableMem(false);
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { later->set(true); });
    timer.StartOnce(5000);
    runUntil(later);
    a.file->stop();
    b.file->stop();
    const Record ra = a.finish();
    const Record rb = b.finish();
    report(state, ra, a.video().getFrameDuration(), ra.counts.painted);
    state.counters["start_offset_ms"] = ms(std::abs(ra.start - rb.start));
    state.counters["first_shown_offset_ms"] = ms(std::abs(ra.firstShown - rb.firstShown));
    state.counters["dropped_b"] = static_cast<double>(rb.counts.painted - rb.counts.presented);
  }
  frame->Destroy();
  wxYield();
}
BENCHMARK(BM_TwoFilesStartedTogether)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "The window toolkit could not start (no display?)\n");
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return 0;
}
