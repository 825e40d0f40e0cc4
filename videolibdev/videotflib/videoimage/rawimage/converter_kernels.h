// Row routines of the sample and matrix converters: one stored row of samples re-encoded
// (sample type, bit depth, byte order), and one row of three planes through a colour matrix.
// Each routine is chosen once per picture for its sample widths and byte-order flags, so its
// loop holds no decision on formats; on x86 the loops also exist compiled for AVX2 and AVX-512
// (the processor is asked once) and give the same values as the plain ones: the arithmetic is
// the same, only more lanes wide.
#pragma once

#include <cstdint>

namespace rawImageConverters {
namespace kernels {

// How one row of samples is re-encoded. Widths are bytes per sample (1, 2, or 4 for float);
// swaps apply to 16-bit words (big-endian samples).
struct SampleRowSpec {
  int srcWidth = 1;
  int dstWidth = 1;
  bool swapSrc = false;
  bool swapDst = false;
  int srcBits = 8;  // bit depth of integer input
  int dstBits = 8;  // bit depth of integer output
};

// Converts n samples from src to dst; src and dst do not overlap.
using SampleRowFn = void (*)(const SampleRowSpec& spec, const uint8_t* src, uint8_t* dst, int n);

// Which compiled loops to use: the best the processor runs, or one set by name (for tests that
// hold each against the plain loops).
enum class Loops { Best, Plain, Avx2, Avx512 };

// Whether the processor runs those loops (Best and Plain always).
bool loopsSupported(Loops loops);

// The routine for the widths and flags of spec (a float side's swap flag is ignored), or null
// when a width is none of 1, 2, 4 or the loops are not supported.
SampleRowFn sampleRowRoutine(const SampleRowSpec& spec, Loops loops = Loops::Best);

// One row of a colour matrix over three planes: for each x, output r = ((m[3r] s0 + m[3r+1] s1)
// + m[3r+2] s2) + o[r] in single precision, stored as the sample type stores it (integers
// clamped to 0 .. maxValue, NaN to 0, truncated). Output planes do not overlap input planes.
struct MatrixRow {
  const void* src[3];
  void* dst[3];
  int n;
};

// width: 1 (8-bit), 2 (16-bit) or 4 (float); o holds the offsets already scaled to the samples;
// maxValue is 2^bits - 1 (unused for float).
using MatrixRowFn = void (*)(const MatrixRow& row, const float* m, const float* o, float maxValue);

// The routine for the sample width and these coefficients (it may rely on what it sees in them,
// such as zero weights, and must be called with them), or null for another width or unsupported
// loops.
MatrixRowFn matrixRowRoutine(int width, const float* m, const float* o, Loops loops = Loops::Best);

// The same matrix when the chroma of the source is subsampled: the matrix of YUV to RGB (input 0
// weighs the same in every output, input 1 nothing in output 0, input 2 nothing in output 2) on
// integer samples, fed with luma rows and the chroma rows they share, without repeating the
// chroma first. Chroma sample i covers columns step i .. step i + step - 1 of each of the `rows`
// (1 or 2) luma rows luma[r]; dst[3 r + k] is output plane k of row r. The products of a chroma
// sample are made once for all the pixels it covers; the outputs are those of the matrix
// routine over the chroma repeated.
using SubsampledRowsFn = void (*)(const void* u, const void* v, const void* const* luma,
                                  void* const* dst, int rows, int n, const float* m, const float* o,
                                  float maxValue);

// The routine for 1- or 2-byte samples, chroma repeated over step (2 or 4) columns, and
// coefficients of that form; null otherwise.
SubsampledRowsFn subsampledMatrixRoutine(int width, int step, const float* m, const float* o,
                                         Loops loops = Loops::Best);

}  // namespace kernels
}  // namespace rawImageConverters
