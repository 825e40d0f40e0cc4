// The task editor with a task of 1000 files: the time until the task is open in the window, until
// a click on a row is answered (while the files' information and thumbnails load behind it,
// three files at a time), and until every file is examined. The goal is a window that opens and
// answers within 2 s. Run it under a virtual X server, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/release/bench/bench_editor
//
// The files are hard links to one small video written at start, so each has a path of its own
// and is opened once.
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/dataview.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/file_list.h"
#include "app/wnd_main.h"
#include "avifile/avi_system.h"
#include "support/test_video.h"
#include "task/task.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 1000;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The task file of kFiles clips in five groups, in a folder of its own.
std::string benchTask(const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path clip = folder / "clip.mkv";
  vixo_test::VideoSpec spec;
  spec.frames = 10;
  const std::string error = vixo_test::writeVideo(clip.string(), spec);
  if (!error.empty()) std::fprintf(stderr, "no bench video: %s\n", error.c_str());
  Task task;
  task.name = L"thousand";
  for (int i = 0; i < kFiles; ++i) {
    const fs::path link = folder / ("clip" + std::to_string(i) + ".mkv");
    std::error_code ignored;
    fs::create_hard_link(clip, link, ignored);
    task.files.push_back({L"clip" + std::to_wstring(i), fromUtf8(link.string()), 1 + i % 5});
  }
  const fs::path path = folder / "thousand.vixo";
  std::ofstream(path, std::ios::binary) << taskToJson(task, fromUtf8(path.string())).toString(-1);
  return path.string();
}

void BM_EditorOpensTaskOf1000Files(benchmark::State& state) {
  const fs::path folder = fs::temp_directory_path() / "vixo-bench-editor";
  fs::remove_all(folder);
  setenv("XDG_CONFIG_HOME", (folder / "settings").c_str(), 1);
  const std::string taskPath = benchTask(folder / "task");
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    auto* window = new WndMain;
    window->Show();
    if (!window->loadTask(fromUtf8(taskPath))) state.SkipWithError("the task did not load");
    const double opened = secondsSince(start);

    // A click on row 500 and its answer: the selection's commands and the info panel.
    wxDataViewItemArray items;
    items.push_back(window->model->GetItem(500));
    window->fileList->SetSelections(items);
    wxDataViewEvent click(wxEVT_DATAVIEW_SELECTION_CHANGED, window->fileList, items[0]);
    window->fileList->HandleWindowEvent(click);
    wxYield();
    const double answered = secondsSince(start);
    if (!window->canRemove->get()) state.SkipWithError("the click was not answered");
    const size_t stillLoading = window->pendingLoads.size();

    while (!window->pendingLoads.empty() && secondsSince(start) < 300) {
      wxTheApp->ProcessPendingEvents();
      wxYield();
      wxMilliSleep(1);
    }
    const double examined = secondsSince(start);

    state.counters["opened_s"] = opened;
    state.counters["click_answered_s"] = answered;
    state.counters["loading_at_click"] = static_cast<double>(stillLoading);
    state.counters["all_examined_s"] = examined;
    window->savedPosition = window->undoPosition;
    window->Destroy();
    for (int i = 0; i < 100 && !wxTopLevelWindows.empty(); ++i) wxTheApp->ProcessIdle();
  }
  fs::remove_all(folder);
}
BENCHMARK(BM_EditorOpensTaskOf1000Files)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
