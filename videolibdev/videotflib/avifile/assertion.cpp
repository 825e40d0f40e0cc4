#include "avifile/assertion.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace vixo {
namespace {
std::atomic<AssertHandler> g_handler{nullptr};
}  // namespace

AssertHandler setAssertHandler(AssertHandler handler) { return g_handler.exchange(handler); }

void assertFailed(const char* expression, const char* file, int line) {
  if (AssertHandler handler = g_handler.load()) handler(expression, file, line);
  std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", expression, file, line);
  std::fflush(stderr);
  std::abort();
}

void throwingAssertHandler(const char* expression, const char*, int) {
  throw AssertionFailure(expression);
}

}  // namespace vixo
