#include "videoimage/rawimage/converter_kernels.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace rawImageConverters {
namespace kernels {
namespace {

// --- samples in memory

template <class T, bool Swap>
[[gnu::always_inline]] inline T load(const uint8_t* p, int i) {
  T v;
  std::memcpy(&v, p + static_cast<std::ptrdiff_t>(i) * sizeof(T), sizeof(T));
  if constexpr (Swap && sizeof(T) == 2) v = __builtin_bswap16(v);
  return v;
}

template <class T, bool Swap>
[[gnu::always_inline]] inline void store(uint8_t* p, int i, T v) {
  if constexpr (Swap && sizeof(T) == 2) v = __builtin_bswap16(v);
  std::memcpy(p + static_cast<std::ptrdiff_t>(i) * sizeof(T), &v, sizeof(T));
}

// v clamped to 0 .. maxValue (NaN to 0) and truncated toward zero. Clamping first keeps the
// conversion in range, so the loops vectorise.
template <class T>
[[gnu::always_inline]] inline T clampTruncate(float v, float maxValue) {
  float c = v > 0.0f ? v : 0.0f;
  c = c < maxValue ? c : maxValue;
  return static_cast<T>(static_cast<int>(c));
}

// --- sample rows: the loops, written once and compiled for each instruction set

template <class S, class D, bool SwapS, bool SwapD>
[[gnu::always_inline]] inline void intToIntLoop(const SampleRowSpec& spec,
                                                const uint8_t* __restrict src,
                                                uint8_t* __restrict dst, int n) {
  const int a = spec.srcBits;
  const int b = spec.dstBits;
  if (b <= a) {
    const int shift = a - b;
    for (int i = 0; i < n; ++i) {
      store<D, SwapD>(dst, i, static_cast<D>(uint32_t{load<S, SwapS>(src, i)} >> shift));
    }
    return;
  }
  // Repeats the a input bits from the top until b bits are filled.
  const uint32_t k = ((1u << b) - 1) / ((1u << a) - 1);
  const int c = b % a;
  if (c == 0) {
    for (int i = 0; i < n; ++i) {
      store<D, SwapD>(dst, i, static_cast<D>(uint32_t{load<S, SwapS>(src, i)} * k));
    }
    return;
  }
  const int shift = a - c;
  for (int i = 0; i < n; ++i) {
    const uint32_t x = load<S, SwapS>(src, i);
    store<D, SwapD>(dst, i, static_cast<D>(x * k + (x >> shift)));
  }
}

template <class S, bool SwapS>
[[gnu::always_inline]] inline void intToFloatLoop(const SampleRowSpec& spec,
                                                  const uint8_t* __restrict src,
                                                  uint8_t* __restrict dst, int n) {
  const float divisor = static_cast<float>((1u << spec.srcBits) - 1);
  for (int i = 0; i < n; ++i) {
    store<float, false>(dst, i, static_cast<float>(load<S, SwapS>(src, i)) / divisor);
  }
}

template <class D, bool SwapD>
[[gnu::always_inline]] inline void floatToIntLoop(const SampleRowSpec& spec,
                                                  const uint8_t* __restrict src,
                                                  uint8_t* __restrict dst, int n) {
  const float m = static_cast<float>((1u << spec.dstBits) - 1);
  for (int i = 0; i < n; ++i) {
    store<D, SwapD>(dst, i, clampTruncate<D>(load<float, false>(src, i) * m, m));
  }
}

// --- matrix rows

// What the loops may assume of the coefficients, checked once per picture (matrixShape).
enum Shape {
  kAnyCoefficients,  // float samples, or coefficients that may overflow an int
  kBounded,          // integer samples, finite coefficients: every v lies well inside an int, so
                     // it is truncated first and clamped as an integer, with the same result
  kLumaShared,       // bounded, and the matrix of YUV to RGB: input 0 weighs the same in every
                     // output, input 1 not in output 0, input 2 not in output 2. A zero weight
                     // times an integer sample is a zero, which adds nothing; the products of
                     // input 0 are one product
};

template <class T>
[[gnu::always_inline]] inline T clampInt(float v, int maxValue) {
  int i = static_cast<int>(v);
  i = i < 0 ? 0 : i;
  i = i > maxValue ? maxValue : i;
  // Through unsigned: the vectoriser narrows that form and not a signed one.
  return static_cast<T>(static_cast<unsigned>(i));
}

template <class T, int S>
[[gnu::always_inline]] inline void matrixLoop(const T* __restrict s0, const T* __restrict s1,
                                              const T* __restrict s2, T* __restrict d0,
                                              T* __restrict d1, T* __restrict d2, int n,
                                              const float* m, const float* o, float maxValue) {
  const float m0 = m[0], m1 = m[1], m2 = m[2], m3 = m[3], m4 = m[4], m5 = m[5], m6 = m[6],
              m7 = m[7], m8 = m[8];
  const float o0 = o[0], o1 = o[1], o2 = o[2];
  const int maxInt = static_cast<int>(maxValue);
  for (int x = 0; x < n; ++x) {
    const float a = static_cast<float>(s0[x]);
    const float b = static_cast<float>(s1[x]);
    const float c = static_cast<float>(s2[x]);
    float v0, v1, v2;
    if constexpr (S == kLumaShared) {
      const float y = m0 * a;
      v0 = (y + m2 * c) + o0;
      v1 = ((y + m4 * b) + m5 * c) + o1;
      v2 = (y + m7 * b) + o2;
    } else {
      v0 = ((m0 * a + m1 * b) + m2 * c) + o0;
      v1 = ((m3 * a + m4 * b) + m5 * c) + o1;
      v2 = ((m6 * a + m7 * b) + m8 * c) + o2;
    }
    if constexpr (sizeof(T) == 4) {
      d0[x] = v0;
      d1[x] = v1;
      d2[x] = v2;
    } else if constexpr (S == kAnyCoefficients) {
      d0[x] = clampTruncate<T>(v0, maxValue);
      d1[x] = clampTruncate<T>(v1, maxValue);
      d2[x] = clampTruncate<T>(v2, maxValue);
    } else {
      d0[x] = clampInt<T>(v0, maxInt);
      d1[x] = clampInt<T>(v1, maxInt);
      d2[x] = clampInt<T>(v2, maxInt);
    }
  }
}

Shape matrixShape(int width, const float* m, const float* o) {
  if (width == 4) return kAnyCoefficients;
  // |v| is at most the sum of |weight| x the largest sample the type holds, plus |offset|.
  const double largest = width == 1 ? 255.0 : 65535.0;
  for (int r = 0; r < 3; ++r) {
    double bound = std::fabs(static_cast<double>(o[r]));
    for (int c = 0; c < 3; ++c) bound += std::fabs(static_cast<double>(m[3 * r + c])) * largest;
    if (!std::isfinite(bound) || bound >= 0x1p30) return kAnyCoefficients;
  }
  if (m[1] == 0.0f && m[8] == 0.0f && m[0] == m[3] && m[0] == m[6]) return kLumaShared;
  return kBounded;
}

// --- the YUV to RGB matrix over subsampled chroma

// Rows of the shape kLumaShared whose chroma sample i covers the Step columns Step i ..: the
// products of a chroma sample are made once for all its pixels of all Rows rows, and each pixel
// gets the same sums, in the same order, of the same products as matrixLoop gives it over the
// repeated chroma. Pixels past the last whole group take the next chroma sample.
template <class T, int Step, int Rows>
[[gnu::always_inline]] inline void subsampledLoop(const T* __restrict u, const T* __restrict v,
                                                  const T* const* luma, T* const* dst, int n,
                                                  const float* m, const float* o, float maxValue) {
  const T* __restrict y0 = luma[0];
  const T* __restrict y1 = luma[Rows - 1];
  T* __restrict a0 = dst[0];
  T* __restrict a1 = dst[1];
  T* __restrict a2 = dst[2];
  T* __restrict b0 = dst[3 * (Rows - 1)];
  T* __restrict b1 = dst[3 * (Rows - 1) + 1];
  T* __restrict b2 = dst[3 * (Rows - 1) + 2];
  const float m0 = m[0], m2 = m[2], m4 = m[4], m5 = m[5], m7 = m[7];
  const float o0 = o[0], o1 = o[1], o2 = o[2];
  const int maxInt = static_cast<int>(maxValue);
  const int groups = (n + Step - 1) / Step;
  for (int i = 0; i < groups; ++i) {
    const float b = static_cast<float>(u[i]);
    const float c = static_cast<float>(v[i]);
    const float pr = m2 * c, g1 = m4 * b, g2 = m5 * c, pb = m7 * b;
    const int end = Step * i + Step < n ? Step * i + Step : n;
    for (int x = Step * i; x < end; ++x) {
      const float l0 = m0 * static_cast<float>(y0[x]);
      a0[x] = clampInt<T>((l0 + pr) + o0, maxInt);
      a1[x] = clampInt<T>(((l0 + g1) + g2) + o1, maxInt);
      a2[x] = clampInt<T>((l0 + pb) + o2, maxInt);
      if constexpr (Rows == 2) {
        const float l1 = m0 * static_cast<float>(y1[x]);
        b0[x] = clampInt<T>((l1 + pr) + o0, maxInt);
        b1[x] = clampInt<T>(((l1 + g1) + g2) + o1, maxInt);
        b2[x] = clampInt<T>((l1 + pb) + o2, maxInt);
      }
    }
  }
}

template <class T, int Step>
[[gnu::always_inline]] inline void subsampledRows(const void* u, const void* v,
                                                  const void* const* luma, void* const* dst,
                                                  int rows, int n, const float* m, const float* o,
                                                  float maxValue) {
  const T* y[2] = {static_cast<const T*>(luma[0]), static_cast<const T*>(luma[rows - 1])};
  T* d[6];
  for (int k = 0; k < 3 * rows; ++k) d[k] = static_cast<T*>(dst[k]);
  if (rows == 2) {
    subsampledLoop<T, Step, 2>(static_cast<const T*>(u), static_cast<const T*>(v), y, d, n, m, o,
                               maxValue);
  } else {
    subsampledLoop<T, Step, 1>(static_cast<const T*>(u), static_cast<const T*>(v), y, d, n, m, o,
                               maxValue);
  }
}

#if defined(__x86_64__) || defined(__i386__)
// GCC 12 takes the undefined vectors that the intrinsics start from for uninitialised values.
#pragma GCC diagnostic push
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#define VIXO_AVX512 [[gnu::target("avx512f,avx512bw,avx512dq,avx512vl")]]

// The 8-bit 4:2:x rows with AVX-512 by hand: 16 chroma samples and 32 pixels of each row per
// step. The compiler's own vectorisation of the loop above spends most of its time moving lanes.
// The arithmetic is the loop's, lane for lane: a product once per chroma sample, duplicated into
// the two pixels it covers, and the sums in the loop's order; v is truncated, then clamped as an
// integer (below 0 by a maximum, above 255 by the saturating narrowing store).
// 16 bytes as floats.
VIXO_AVX512 inline __m512 load16(const uint8_t* p) {
  return _mm512_cvtepi32_ps(
      _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
}

// 16 floats truncated, clamped to 0 .. 255, as bytes.
VIXO_AVX512 inline __m128i narrow16(__m512 value) {
  const __m512i i = _mm512_max_epi32(_mm512_cvttps_epi32(value), _mm512_setzero_si512());
  return _mm512_cvtusepi32_epi8(i);
}

VIXO_AVX512 inline void store32(uint8_t* p, __m128i low, __m128i high) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p),
                      _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1));
}

template <int Rows>
VIXO_AVX512 void subsampledBlocksU8Step2Avx512(const uint8_t* u, const uint8_t* v,
                                               const void* const* luma, void* const* dst,
                                               int blocks, const float* m, const float* o) {
  const __m512 m0 = _mm512_set1_ps(m[0]), m2 = _mm512_set1_ps(m[2]), m4 = _mm512_set1_ps(m[4]),
               m5 = _mm512_set1_ps(m[5]), m7 = _mm512_set1_ps(m[7]);
  const __m512 o0 = _mm512_set1_ps(o[0]), o1 = _mm512_set1_ps(o[1]), o2 = _mm512_set1_ps(o[2]);
  // Lanes 0, 0, 1, 1, .. 7, 7 and 8, 8, .. 15, 15 of a vector of chroma products.
  const __m512i lowPairs = _mm512_set_epi32(7, 7, 6, 6, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1, 0, 0);
  const __m512i highPairs =
      _mm512_set_epi32(15, 15, 14, 14, 13, 13, 12, 12, 11, 11, 10, 10, 9, 9, 8, 8);
  const uint8_t* y[Rows];
  uint8_t* d[3 * Rows];
  for (int r = 0; r < Rows; ++r) {
    y[r] = static_cast<const uint8_t*>(luma[r]);
    for (int k = 0; k < 3; ++k) d[3 * r + k] = static_cast<uint8_t*>(dst[3 * r + k]);
  }
  for (int i = 0; i < blocks; ++i) {
    const __m512 b = load16(u + 16 * i);
    const __m512 c = load16(v + 16 * i);
    const __m512 pr = _mm512_mul_ps(m2, c), g1 = _mm512_mul_ps(m4, b), g2 = _mm512_mul_ps(m5, c),
                 pb = _mm512_mul_ps(m7, b);
    const __m512 pairs[2][4] = {
        {_mm512_permutexvar_ps(lowPairs, pr), _mm512_permutexvar_ps(lowPairs, g1),
         _mm512_permutexvar_ps(lowPairs, g2), _mm512_permutexvar_ps(lowPairs, pb)},
        {_mm512_permutexvar_ps(highPairs, pr), _mm512_permutexvar_ps(highPairs, g1),
         _mm512_permutexvar_ps(highPairs, g2), _mm512_permutexvar_ps(highPairs, pb)}};
    const int x = 32 * i;
    for (int r = 0; r < Rows; ++r) {
      __m128i out[3][2];
      for (int half = 0; half < 2; ++half) {
        const __m512* p = pairs[half];
        const __m512 l = _mm512_mul_ps(m0, load16(y[r] + x + 16 * half));
        out[0][half] = narrow16(_mm512_add_ps(_mm512_add_ps(l, p[0]), o0));
        out[1][half] = narrow16(_mm512_add_ps(_mm512_add_ps(_mm512_add_ps(l, p[1]), p[2]), o1));
        out[2][half] = narrow16(_mm512_add_ps(_mm512_add_ps(l, p[3]), o2));
      }
      for (int k = 0; k < 3; ++k) store32(d[3 * r + k] + x, out[k][0], out[k][1]);
    }
  }
}

VIXO_AVX512 void subsampledRowsU8Step2Avx512(const void* uIn, const void* vIn,
                                             const void* const* luma, void* const* dst, int rows,
                                             int n, const float* m, const float* o,
                                             float maxValue) {
  const uint8_t* u = static_cast<const uint8_t*>(uIn);
  const uint8_t* v = static_cast<const uint8_t*>(vIn);
  // The narrowing store clamps at 255: other depths take the loop.
  const int blocks = maxValue == 255.0f ? n / 32 : 0;
  if (rows == 2) {
    subsampledBlocksU8Step2Avx512<2>(u, v, luma, dst, blocks, m, o);
  } else {
    subsampledBlocksU8Step2Avx512<1>(u, v, luma, dst, blocks, m, o);
  }
  // The rest of the row, from its first chroma sample on.
  const int done = 32 * blocks;
  if (done == n) return;
  const void* restLuma[2];
  void* restDst[6];
  for (int r = 0; r < rows; ++r) {
    restLuma[r] = static_cast<const uint8_t*>(luma[r]) + done;
    for (int k = 0; k < 3; ++k) restDst[3 * r + k] = static_cast<uint8_t*>(dst[3 * r + k]) + done;
  }
  subsampledRows<uint8_t, 2>(u + done / 2, v + done / 2, restLuma, restDst, rows, n - done, m, o,
                             maxValue);
}
#undef VIXO_AVX512
#pragma GCC diagnostic pop
#endif

// One set of entry points per instruction set: Isa 0 plain, 1 AVX2.
template <int Isa>
struct Routines;

#define VIXO_CONVERTER_ROUTINES(ISA, ATTRIBUTE)                                                   \
  template <>                                                                                     \
  struct Routines<ISA> {                                                                          \
    template <class S, class D, bool SwapS, bool SwapD>                                           \
    ATTRIBUTE static void intToInt(const SampleRowSpec& spec, const uint8_t* src, uint8_t* dst,   \
                                   int n) {                                                       \
      intToIntLoop<S, D, SwapS, SwapD>(spec, src, dst, n);                                        \
    }                                                                                             \
    template <class S, bool SwapS>                                                                \
    ATTRIBUTE static void intToFloat(const SampleRowSpec& spec, const uint8_t* src, uint8_t* dst, \
                                     int n) {                                                     \
      intToFloatLoop<S, SwapS>(spec, src, dst, n);                                                \
    }                                                                                             \
    template <class D, bool SwapD>                                                                \
    ATTRIBUTE static void floatToInt(const SampleRowSpec& spec, const uint8_t* src, uint8_t* dst, \
                                     int n) {                                                     \
      floatToIntLoop<D, SwapD>(spec, src, dst, n);                                                \
    }                                                                                             \
    template <class T, int S>                                                                     \
    ATTRIBUTE static void matrix(const MatrixRow& row, const float* m, const float* o,            \
                                 float maxValue) {                                                \
      matrixLoop<T, S>(static_cast<const T*>(row.src[0]), static_cast<const T*>(row.src[1]),      \
                       static_cast<const T*>(row.src[2]), static_cast<T*>(row.dst[0]),            \
                       static_cast<T*>(row.dst[1]), static_cast<T*>(row.dst[2]), row.n, m, o,     \
                       maxValue);                                                                 \
    }                                                                                             \
    template <class T, int Step>                                                                  \
    ATTRIBUTE static void subsampled(const void* u, const void* v, const void* const* luma,       \
                                     void* const* dst, int rows, int n, const float* m,           \
                                     const float* o, float maxValue) {                            \
      subsampledRows<T, Step>(u, v, luma, dst, rows, n, m, o, maxValue);                          \
    }                                                                                             \
  };

VIXO_CONVERTER_ROUTINES(0, )
#if defined(__x86_64__) || defined(__i386__)
VIXO_CONVERTER_ROUTINES(1, [[gnu::target("avx2")]])
// Wide vectors give the loops twice the lanes and registers enough to hold every coefficient.
// GCC vectorises with 256-bit vectors unless told otherwise; clang has no such target option.
#if defined(__clang__)
VIXO_CONVERTER_ROUTINES(2, [[gnu::target("avx512f,avx512bw,avx512dq,avx512vl")]])
#else
VIXO_CONVERTER_ROUTINES(2, [[gnu::target("avx512f,avx512bw,avx512dq,avx512vl,"
                                         "prefer-vector-width=512")]])
#endif
#endif
#undef VIXO_CONVERTER_ROUTINES

void copyFloats(const SampleRowSpec&, const uint8_t* src, uint8_t* dst, int n) {
  std::memcpy(dst, src, static_cast<size_t>(n) * sizeof(float));
}

template <int Isa, class S, class D>
SampleRowFn intToIntFor(bool swapS, bool swapD) {
  using R = Routines<Isa>;
  if (swapS) {
    return swapD ? &R::template intToInt<S, D, true, true>
                 : &R::template intToInt<S, D, true, false>;
  }
  return swapD ? &R::template intToInt<S, D, false, true>
               : &R::template intToInt<S, D, false, false>;
}

template <int Isa>
SampleRowFn sampleRowFor(const SampleRowSpec& spec) {
  using R = Routines<Isa>;
  // 8-bit samples have no byte order.
  const bool swapS = spec.srcWidth == 2 && spec.swapSrc;
  const bool swapD = spec.dstWidth == 2 && spec.swapDst;
  switch (spec.srcWidth * 8 + spec.dstWidth) {
    case 1 * 8 + 1:
      return intToIntFor<Isa, uint8_t, uint8_t>(false, false);
    case 1 * 8 + 2:
      return intToIntFor<Isa, uint8_t, uint16_t>(false, swapD);
    case 2 * 8 + 1:
      return intToIntFor<Isa, uint16_t, uint8_t>(swapS, false);
    case 2 * 8 + 2:
      return intToIntFor<Isa, uint16_t, uint16_t>(swapS, swapD);
    case 1 * 8 + 4:
      return &R::template intToFloat<uint8_t, false>;
    case 2 * 8 + 4:
      return swapS ? &R::template intToFloat<uint16_t, true>
                   : &R::template intToFloat<uint16_t, false>;
    case 4 * 8 + 1:
      return &R::template floatToInt<uint8_t, false>;
    case 4 * 8 + 2:
      return swapD ? &R::template floatToInt<uint16_t, true>
                   : &R::template floatToInt<uint16_t, false>;
    case 4 * 8 + 4:
      return &copyFloats;
    default:
      return nullptr;
  }
}

template <int Isa, class T>
MatrixRowFn matrixOfShape(Shape shape) {
  using R = Routines<Isa>;
  switch (shape) {
    case kLumaShared:
      return &R::template matrix<T, kLumaShared>;
    case kBounded:
      return &R::template matrix<T, kBounded>;
    default:
      return &R::template matrix<T, kAnyCoefficients>;
  }
}

template <int Isa>
MatrixRowFn matrixFor(int width, Shape shape) {
  switch (width) {
    case 1:
      return matrixOfShape<Isa, uint8_t>(shape);
    case 2:
      return matrixOfShape<Isa, uint16_t>(shape);
    case 4:
      return &Routines<Isa>::template matrix<float, kAnyCoefficients>;
    default:
      return nullptr;
  }
}

template <int Isa, class T>
SubsampledRowsFn subsampledFor(int step) {
  using R = Routines<Isa>;
#if defined(__x86_64__) || defined(__i386__)
  if constexpr (Isa == 2 && sizeof(T) == 1) {
    if (step == 2) return &subsampledRowsU8Step2Avx512;
  }
#endif
  if (step == 2) return &R::template subsampled<T, 2>;
  if (step == 4) return &R::template subsampled<T, 4>;
  return nullptr;
}

template <int Isa>
SubsampledRowsFn subsampledFor(int width, int step) {
  switch (width) {
    case 1:
      return subsampledFor<Isa, uint8_t>(step);
    case 2:
      return subsampledFor<Isa, uint16_t>(step);
    default:
      return nullptr;
  }
}

#if defined(__x86_64__) || defined(__i386__)
constexpr bool kX86 = true;
#else
constexpr bool kX86 = false;
#endif

// The loops to run for a request: the best the processor has, or exactly the one asked for.
int isaFor(Loops loops) {
  if (!loopsSupported(loops)) return -1;
  switch (loops) {
    case Loops::Plain:
      return 0;
    case Loops::Avx2:
      return 1;
    case Loops::Avx512:
      return 2;
    case Loops::Best:
      break;
  }
  if (loopsSupported(Loops::Avx512)) return 2;
  if (loopsSupported(Loops::Avx2)) return 1;
  return 0;
}

}  // namespace

bool loopsSupported(Loops loops) {
  switch (loops) {
    case Loops::Best:
    case Loops::Plain:
      return true;
    case Loops::Avx2: {
      if constexpr (!kX86) return false;
      static const bool yes = __builtin_cpu_supports("avx2");
      return yes;
    }
    case Loops::Avx512: {
      if constexpr (!kX86) return false;
      static const bool yes =
          __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
          __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
      return yes;
    }
  }
  return false;
}

namespace {

// Calls pick with the instruction set of the loops asked for (std::integral_constant), or gives
// null when the processor does not run them.
template <class Pick>
auto forLoops(Loops loops, Pick pick) -> decltype(pick(std::integral_constant<int, 0>())) {
  switch (isaFor(loops)) {
    case 0:
      return pick(std::integral_constant<int, 0>());
#if defined(__x86_64__) || defined(__i386__)
    case 1:
      return pick(std::integral_constant<int, 1>());
    case 2:
      return pick(std::integral_constant<int, 2>());
#endif
    default:
      return nullptr;
  }
}

}  // namespace

SampleRowFn sampleRowRoutine(const SampleRowSpec& spec, Loops loops) {
  return forLoops(loops, [&](auto isa) { return sampleRowFor<isa()>(spec); });
}

MatrixRowFn matrixRowRoutine(int width, const float* m, const float* o, Loops loops) {
  const Shape shape = matrixShape(width, m, o);
  return forLoops(loops, [&](auto isa) { return matrixFor<isa()>(width, shape); });
}

SubsampledRowsFn subsampledMatrixRoutine(int width, int step, const float* m, const float* o,
                                         Loops loops) {
  if (matrixShape(width, m, o) != kLumaShared) return nullptr;
  return forLoops(loops, [&](auto isa) { return subsampledFor<isa()>(width, step); });
}

}  // namespace kernels
}  // namespace rawImageConverters
