// The clock of media timing: the monotonic clock read as int64 nanoseconds.
#pragma once

#include <chrono>
#include <cstdint>

inline int64_t monotonicNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A time of monotonicNs() as the time point the waits take.
inline std::chrono::steady_clock::time_point monotonicTimePoint(int64_t ns) {
  return std::chrono::steady_clock::time_point(
      std::chrono::duration_cast<std::chrono::steady_clock::duration>(
          std::chrono::nanoseconds(ns)));
}
