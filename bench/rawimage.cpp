// The raw-image library's conversions of a 1080p picture against sws_scale doing the same
// conversion in the same program, both on one thread:
//  Yuv420ToWorking: planar 4:2:0 YUV 8-bit decoded to the planar 4:4:4 working image (chroma
//                   repeated; swscale upsamples with point sampling to YUV444P);
//  WorkingToBgr24:  the planar RGB 8-bit working image encoded as packed B, G, R bytes (swscale:
//                   GBRP to BGR24);
//  Yuv420ToRgb24:   the universal converter from planar 4:2:0 YUV 8-bit to packed R, G, B bytes
//                   (BT.601 limited range, chroma repeated), as the thumbnails and the painter
//                   call it, against swscale's fast path for the same conversion (SWS_POINT);
//  Yuv420ToRgb24Accurate: the same against swscale with SWS_ACCURATE_RND | SWS_BITEXACT, which
//                   rounds as precisely as the library does.
// swscale gets the same buffers (64-byte aligned rows) and SWS_POINT; the ratio of the two times
// of one case is the library's speed relative to swscale.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <random>

#include "videoimage/rawimage/raw_converter.h"
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

// Times sws_scale over the whole picture: source planes srcPlanes in swscale's order, into the
// destination planes dstPlanes.
void timeSwscale(benchmark::State& state, AVPixelFormat from, AVPixelFormat to, int flags,
                 const RawFrame& src, std::initializer_list<int> srcPlanes, RawFrame& dst,
                 std::initializer_list<int> dstPlanes) {
  SwsContext* sws =
      sws_getContext(kWidth, kHeight, from, kWidth, kHeight, to, flags, nullptr, nullptr, nullptr);
  const uint8_t* in[4] = {};
  int inStrides[4] = {};
  uint8_t* out[4] = {};
  int outStrides[4] = {};
  int k = 0;
  for (int plane : srcPlanes) in[k] = src.planeData(plane), inStrides[k++] = src.planeStride(plane);
  k = 0;
  for (int plane : dstPlanes)
    out[k] = dst.planeData(plane), outStrides[k++] = dst.planeStride(plane);
  for (auto _ : state) {
    sws_scale(sws, in, inStrides, 0, kHeight, out, outStrides);
    benchmark::ClobberMemory();
  }
  sws_freeContext(sws);
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
  timeSwscale(state, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV444P, kSwsFlags, src, {0, 1, 2}, dst,
              {0, 1, 2});
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
  // GBRP holds G, B, R; the working image R, G, B.
  timeSwscale(state, AV_PIX_FMT_GBRP, AV_PIX_FMT_BGR24, kSwsFlags, src, {1, 2, 0}, dst, {0});
  setBytes(state, dst);
}

// --- the universal converter: planar 4:2:0 YUV to packed RGB

void yuv420ToRgb24Vixo(benchmark::State& state) {
  const RawImage src = makeImage(header(RawFormatHint::YUV420p));
  RawImage dst = makeImage(header(RawFormatHint::RGB24));
  rawImageConverters::UniversalConverter converter(src.getInfo(),
                                                   rawFormatFromHint(RawFormatHint::RGB24));
  for (auto _ : state) {
    if (!converter.convertInto(src, dst)) state.SkipWithError("conversion failed");
    benchmark::ClobberMemory();
  }
  setBytes(state, src);
}

void yuv420ToRgb24Swscale(benchmark::State& state, int flags) {
  const RawImage src = makeImage(header(RawFormatHint::YUV420p));
  RawImage dst = makeImage(header(RawFormatHint::RGB24));
  timeSwscale(state, AV_PIX_FMT_YUV420P, AV_PIX_FMT_RGB24, flags, src, {0, 1, 2}, dst, {0});
  setBytes(state, src);
}

void BM_Yuv420ToRgb24_Vixo(benchmark::State& state) { yuv420ToRgb24Vixo(state); }
void BM_Yuv420ToRgb24_Swscale(benchmark::State& state) { yuv420ToRgb24Swscale(state, kSwsFlags); }
void BM_Yuv420ToRgb24Accurate_Vixo(benchmark::State& state) { yuv420ToRgb24Vixo(state); }
void BM_Yuv420ToRgb24Accurate_Swscale(benchmark::State& state) {
  yuv420ToRgb24Swscale(state, kSwsFlags | SWS_ACCURATE_RND | SWS_BITEXACT);
}

BENCHMARK(BM_Yuv420ToWorking_Vixo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuv420ToWorking_Swscale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorkingToBgr24_Vixo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WorkingToBgr24_Swscale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuv420ToRgb24_Vixo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuv420ToRgb24_Swscale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuv420ToRgb24Accurate_Vixo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Yuv420ToRgb24Accurate_Swscale)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
