// The raw-image library's conversions of a 1080p picture against sws_scale doing the same
// conversion in the same program, both on one thread:
//  Yuv420ToWorking: planar 4:2:0 YUV 8-bit decoded to the planar 4:4:4 working image (chroma
//                   repeated; swscale upsamples with point sampling to YUV444P);
//  WorkingToBgr24:  the planar RGB 8-bit working image encoded as packed B, G, R bytes (swscale:
//                   GBRP to BGR24).
// swscale gets the same buffers (64-byte aligned rows) and SWS_POINT; the ratio of the two times
// of one case is the library's speed relative to swscale.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "videoimage/rawimage/raw_image.h"

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSwsFlags = SWS_POINT;

RawImage makeImage(const RawImageInfo& header) {
  RawImage image(header);
  image.allocate();
  std::mt19937 random(1);
  for (int p = 0; p < image.planeCount(); ++p) {
    for (int y = 0; y < image.header.planeHeight(p); ++y) {
      uint8_t* row = image.row(p, y);
      for (int i = 0; i < image.planeStride(p); ++i) row[i] = static_cast<uint8_t>(random());
    }
  }
  return image;
}

RawImageInfo header(RawFormatHint hint) {
  RawImageInfo info(rawFormatFromHint(hint), kWidth, kHeight);
  info.bindReader();
  return info;
}

void setBytes(benchmark::State& state, const RawFrame& frame) {
  state.SetBytesProcessed(state.iterations() * frame.header.width * frame.header.height);
}

// --- planar 4:2:0 to the working image

void BM_Yuv420ToWorking_Vixo(benchmark::State& state) {
  const RawImage src = makeImage(header(RawFormatHint::YUV420p));
  RawImage dst = makeImage(src.getDecodedType());
  for (auto _ : state) {
    src.decode(dst);
    benchmark::ClobberMemory();
  }
  setBytes(state, src);
}

void BM_Yuv420ToWorking_Swscale(benchmark::State& state) {
  const RawImage src = makeImage(header(RawFormatHint::YUV420p));
  RawImage dst = makeImage(src.getDecodedType());
  SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight,
                                   AV_PIX_FMT_YUV444P, kSwsFlags, nullptr, nullptr, nullptr);
  const uint8_t* in[4] = {src.planeData(0), src.planeData(1), src.planeData(2), nullptr};
  const int inStrides[4] = {src.planeStride(0), src.planeStride(1), src.planeStride(2), 0};
  uint8_t* out[4] = {dst.planeData(0), dst.planeData(1), dst.planeData(2), nullptr};
  const int outStrides[4] = {dst.planeStride(0), dst.planeStride(1), dst.planeStride(2), 0};
  for (auto _ : state) {
    sws_scale(sws, in, inStrides, 0, kHeight, out, outStrides);
    benchmark::ClobberMemory();
  }
  sws_freeContext(sws);
  setBytes(state, src);
}

// --- the planar RGB working image to packed BGR

void BM_WorkingToBgr24_Vixo(benchmark::State& state) {
  RawImage dst = makeImage(header(RawFormatHint::BGR24));
  const RawImage src = makeImage(dst.getDecodedType());
  for (auto _ : state) {
    src.encodeTo(dst);
    benchmark::ClobberMemory();
  }
  setBytes(state, dst);
}

void BM_WorkingToBgr24_Swscale(benchmark::State& state) {
  RawImage dst = makeImage(header(RawFormatHint::BGR24));
  const RawImage src = makeImage(dst.getDecodedType());
  SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_GBRP, kWidth, kHeight,
                                   AV_PIX_FMT_BGR24, kSwsFlags, nullptr, nullptr, nullptr);
  // GBRP holds G, B, R; the working image R, G, B.
  const uint8_t* in[4] = {src.planeData(1), src.planeData(2), src.planeData(0), nullptr};
  const int inStrides[4] = {src.planeStride(1), src.planeStride(2), src.planeStride(0), 0};
  uint8_t* out[4] = {dst.planeData(0), nullptr, nullptr, nullptr};
  const int outStrides[4] = {dst.planeStride(0), 0, 0, 0};
  for (auto _ : state) {
    sws_scale(sws, in, inStrides, 0, kHeight, out, outStrides);
    benchmark::ClobberMemory();
  }
  sws_freeContext(sws);
  setBytes(state, dst);
}

BENCHMARK(BM_Yuv420ToWorking_Vixo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuv420ToWorking_Swscale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorkingToBgr24_Vixo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorkingToBgr24_Swscale)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
