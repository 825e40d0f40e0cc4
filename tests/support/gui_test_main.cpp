// Test main for programs that open windows: the toolkit is started (on the X display of the
// environment, Xvfb in the test script) before the tests and shut down after them.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstring>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return RUN_ALL_TESTS();
  wxApp::SetInstance(new wxApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    std::fprintf(stderr, "The window toolkit could not start (no display?)\n");
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
