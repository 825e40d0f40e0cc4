// Test main for programs that open windows: the toolkit is started (on the X display of the
// environment, Xvfb in the test script) before the tests and shut down after them. Listing the
// tests starts nothing, so that tests can be listed (and the tests that need no window run) on
// a machine without a display.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>

int main(int argc, char** argv) {
  // Takes the test flags out of argv; whether to list is read from the flags, not from argv.
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
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
