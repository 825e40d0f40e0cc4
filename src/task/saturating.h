// Counting that stops at the limits of its type instead of overflowing. Stored task settings are
// not clamped to their ranges, so the counts and durations a plan is made of may meet the limits
// of the integers that hold them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

namespace saturating {

// The value held to the range of an int.
constexpr int toInt(long long v) {
  return static_cast<int>(
      std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

template <class T>
constexpr T limitOf(bool negative) {
  return negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
}

template <class T>
constexpr T add(T a, T b) {
  T r;
  return __builtin_add_overflow(a, b, &r) ? limitOf<T>(b < 0) : r;
}

template <class T>
constexpr T multiply(T a, T b) {
  T r;
  return __builtin_mul_overflow(a, b, &r) ? limitOf<T>((a < 0) != (b < 0)) : r;
}

}  // namespace saturating
