// Broken contracts as exceptions, so that a test can check the reported expression text.
#pragma once

#include <functional>
#include <string>

#include "avifile/assertion.h"

namespace vixo_test {

// Routes failed assertions into vixo::AssertionFailure while it lives.
class AssertGuard {
 public:
  AssertGuard() : previous_(vixo::setAssertHandler(vixo::throwingAssertHandler)) {}
  ~AssertGuard() { vixo::setAssertHandler(previous_); }
  AssertGuard(const AssertGuard&) = delete;
  AssertGuard& operator=(const AssertGuard&) = delete;

 private:
  vixo::AssertHandler previous_;
};

// The expression text of the assertion that f fails, or "(no assertion)".
inline std::string assertionText(const std::function<void()>& f) {
  AssertGuard guard;
  try {
    f();
  } catch (const vixo::AssertionFailure& e) {
    return e.what();
  }
  return "(no assertion)";
}

}  // namespace vixo_test
