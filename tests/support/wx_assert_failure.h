// Makes every failed wxWidgets assertion a failure of the running test (instead of the
// toolkit's dialog, which would wait for a click that never comes under the test server).
#pragma once

#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/string.h>

namespace vixo_test {

inline void failTestOnWxAssertion(const wxString& file, int line, const wxString& function,
                                  const wxString& condition, const wxString& message) {
  ADD_FAILURE_AT(file.utf8_str(), line) << "wx assertion in " << function.utf8_str() << ": "
                                        << condition.utf8_str() << " " << message.utf8_str();
}

// While it lives, a failed wx assertion fails the running test.
class WxAssertionsFailTest {
 public:
  WxAssertionsFailTest() : previous_(wxSetAssertHandler(failTestOnWxAssertion)) {}
  ~WxAssertionsFailTest() { wxSetAssertHandler(previous_); }
  WxAssertionsFailTest(const WxAssertionsFailTest&) = delete;
  WxAssertionsFailTest& operator=(const WxAssertionsFailTest&) = delete;

 private:
  wxAssertHandler_t previous_;
};

}  // namespace vixo_test
