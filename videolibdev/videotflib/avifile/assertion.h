// Programming-error checks that stay on in every build.
//
// VIXO_ASSERT(expr) reports the expression's text with file and line, then aborts. Tests may
// install a handler that throws instead, so that a broken contract can be checked without
// killing the test program.
#pragma once

#include <stdexcept>
#include <string>

namespace vixo {

using AssertHandler = void (*)(const char* expression, const char* file, int line);

// Installs a handler (nullptr restores the default, which prints to stderr and aborts) and
// returns the previous one. A handler that returns normally is followed by abort().
AssertHandler setAssertHandler(AssertHandler handler);

[[noreturn]] void assertFailed(const char* expression, const char* file, int line);

// What the throwing test handler throws: what() is the expression text alone.
class AssertionFailure : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// A handler that throws AssertionFailure; for tests.
void throwingAssertHandler(const char* expression, const char* file, int line);

}  // namespace vixo

#define VIXO_ASSERT(expr) ((expr) ? (void)0 : ::vixo::assertFailed(#expr, __FILE__, __LINE__))
