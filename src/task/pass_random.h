// The random source of one pass. Every random choice of a pass comes from it: the shuffle of a
// block, the draws of a training block, the side on which a pair is shown and the order of a
// SAMVIQ group. It is a 32-bit Mersenne Twister seeded with one value from the system's
// nondeterministic source when the pass is made; no seed is stored with the pass. Tests seed it
// (or copy it from another pass) to make a pass repeatable.
//
// Used by the thread that runs the pass (the GUI thread).
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

class PassRandom {
 public:
  // Seeded from std::random_device.
  PassRandom();
  explicit PassRandom(uint32_t seed) : engine_(seed) {}

  void seed(uint32_t seed) { engine_.seed(seed); }

  // A uniform draw from 0..n-1 (n above 0): the usual uniform integer distribution, which
  // rejects the biased top range of the 32-bit outputs.
  size_t below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(engine_); }
  // One output of the generator: true when it is odd.
  bool odd() { return (engine_() & 1u) != 0; }

  // A uniform shuffle (Fisher-Yates): for k = 1 .. size-1 in turn, j drawn from 0..k, and the
  // elements at k and j swapped when they differ.
  template <class T>
  void shuffle(std::vector<T>& items) {
    for (size_t k = 1; k < items.size(); ++k) {
      const size_t j = below(k + 1);
      if (j != k) std::swap(items[k], items[j]);
    }
  }

  friend bool operator==(const PassRandom&, const PassRandom&) = default;

 private:
  std::mt19937 engine_;
};
