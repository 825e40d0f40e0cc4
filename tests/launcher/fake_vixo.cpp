// A stand-in for the application library that shows on standard output what a host program
// handed it: the search folders (when it takes them), the mode and the arguments. Its entry
// returns the number in FAKE_VIXO_RESULT (0 when unset). Built without its entry as well
// (FAKE_VIXO_WITHOUT_START), for a library a host must refuse.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "avifile/avi_system.h"

extern "C" __attribute__((visibility("default"))) void setDllPath(int count, const wchar_t** dirs) {
  std::printf("dirs: %d\n", count);
  for (int i = 0; i < count; ++i) std::printf("dir: %s\n", toUtf8(dirs[i]).c_str());
}

#ifndef FAKE_VIXO_WITHOUT_START
extern "C" __attribute__((visibility("default"))) int startVIXO(int argc, wchar_t** argv,
                                                                bool openMode) {
  std::printf("openMode: %d\nargc: %d\n", openMode ? 1 : 0, argc);
  for (int i = 0; i < argc; ++i) std::printf("arg%d: %s\n", i, toUtf8(argv[i]).c_str());
  std::printf("end: %s\n", argv[argc] == nullptr ? "null" : "set");
  std::fflush(stdout);
  const char* result = std::getenv("FAKE_VIXO_RESULT");
  return result ? std::atoi(result) : 0;
}
#endif
