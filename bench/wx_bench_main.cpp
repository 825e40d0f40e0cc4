// The main of the benchmarks that need the window toolkit (run them under a virtual X server).
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>

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
