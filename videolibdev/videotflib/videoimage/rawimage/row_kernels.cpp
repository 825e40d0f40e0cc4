#include "videoimage/rawimage/row_kernels.h"

namespace rawDecoderTmp {
namespace kernels {
namespace {

// The loops are written once and compiled for the baseline instruction set and, on x86, with
// SSSE3 and with AVX-512 VBMI, whose byte shuffles and permutes let the compiler vectorise
// groups of three bytes.
[[gnu::always_inline]] inline void interleave3Loop(uint8_t* __restrict dst,
                                                   const uint8_t* __restrict a,
                                                   const uint8_t* __restrict b,
                                                   const uint8_t* __restrict c, int n) {
  for (int x = 0; x < n; ++x) {
    dst[3 * x] = a[x];
    dst[3 * x + 1] = b[x];
    dst[3 * x + 2] = c[x];
  }
}

[[gnu::always_inline]] inline void deinterleave3Loop(const uint8_t* __restrict src,
                                                     uint8_t* __restrict a, uint8_t* __restrict b,
                                                     uint8_t* __restrict c, int n) {
  for (int x = 0; x < n; ++x) {
    a[x] = src[3 * x];
    b[x] = src[3 * x + 1];
    c[x] = src[3 * x + 2];
  }
}

void interleave3Plain(uint8_t* dst, const uint8_t* a, const uint8_t* b, const uint8_t* c, int n) {
  interleave3Loop(dst, a, b, c, n);
}

void deinterleave3Plain(const uint8_t* src, uint8_t* a, uint8_t* b, uint8_t* c, int n) {
  deinterleave3Loop(src, a, b, c, n);
}

#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("ssse3")]] void interleave3Shuffle(uint8_t* dst, const uint8_t* a, const uint8_t* b,
                                                 const uint8_t* c, int n) {
  interleave3Loop(dst, a, b, c, n);
}

[[gnu::target("ssse3")]] void deinterleave3Shuffle(const uint8_t* src, uint8_t* a, uint8_t* b,
                                                   uint8_t* c, int n) {
  deinterleave3Loop(src, a, b, c, n);
}

// AVX-512's byte permutes gather three planes into a row of pixels in a few steps.
[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]] void interleave3Permute(
    uint8_t* dst, const uint8_t* a, const uint8_t* b, const uint8_t* c, int n) {
  interleave3Loop(dst, a, b, c, n);
}

[[gnu::target("avx512f,avx512bw,avx512vl,avx512vbmi")]] void deinterleave3Permute(
    const uint8_t* src, uint8_t* a, uint8_t* b, uint8_t* c, int n) {
  deinterleave3Loop(src, a, b, c, n);
}

bool hasShuffle() {
  static const bool yes = __builtin_cpu_supports("ssse3");
  return yes;
}

bool hasBytePermute() {
  static const bool yes = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vl") &&
                          __builtin_cpu_supports("avx512vbmi");
  return yes;
}
#endif

}  // namespace

void interleave3(uint8_t* dst, const uint8_t* a, const uint8_t* b, const uint8_t* c, int n) {
#if defined(__x86_64__) || defined(__i386__)
  if (hasBytePermute()) return interleave3Permute(dst, a, b, c, n);
  if (hasShuffle()) return interleave3Shuffle(dst, a, b, c, n);
#endif
  interleave3Plain(dst, a, b, c, n);
}

void deinterleave3(const uint8_t* src, uint8_t* a, uint8_t* b, uint8_t* c, int n) {
#if defined(__x86_64__) || defined(__i386__)
  if (hasBytePermute()) return deinterleave3Permute(src, a, b, c, n);
  if (hasShuffle()) return deinterleave3Shuffle(src, a, b, c, n);
#endif
  deinterleave3Plain(src, a, b, c, n);
}

}  // namespace kernels
}  // namespace rawDecoderTmp
