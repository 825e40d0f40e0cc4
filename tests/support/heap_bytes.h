// The bytes of this process's heap that are allocated and not yet freed, for tests that check
// what a piece of work leaves behind. Under the sanitizers their allocator counts (freed memory
// held in quarantine is not counted); otherwise the C library's.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Of the sanitizers' allocator interface (GCC ships the runtime, not this header).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace vixo_test {

inline size_t liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

}  // namespace vixo_test
