// Row kernels of 8-bit packed pixels that the plane readers hand their hottest loops to: three
// planes interleaved into one row of three-byte pixels, and back. They use the processor's byte
// shuffles where it has them (checked once) and a plain loop otherwise; the bytes are the same.
#pragma once

#include <cstdint>

namespace rawDecoderTmp {
namespace kernels {

// dst[3x] = a[x], dst[3x + 1] = b[x], dst[3x + 2] = c[x] for x < n. The planes do not overlap
// dst.
void interleave3(uint8_t* dst, const uint8_t* a, const uint8_t* b, const uint8_t* c, int n);

// a[x] = src[3x], b[x] = src[3x + 1], c[x] = src[3x + 2] for x < n. The planes do not overlap
// src or each other.
void deinterleave3(const uint8_t* src, uint8_t* a, uint8_t* b, uint8_t* c, int n);

}  // namespace kernels
}  // namespace rawDecoderTmp
