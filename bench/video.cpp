// Video source benchmarks on 1080p H.264 videos that the benchmark writes into a temporary
// folder at start:
// - decoding to packed BGR pictures through tfFFmpegSource into raw images (BM_DecodeToBgr_Vixo)
//   against a bare libavcodec + swscale loop on the same file with the same decoder and scaler
//   settings (bicubic, as the source converts) (BM_DecodeToBgr_FFmpeg), both in decoded frames
//   per second;
// - the key-frame index of a longer video: the frame-accurate open that builds it in memory
//   (BM_OpenBuildingIndex) beside the one that probes the count without it
//   (BM_OpenWithoutIndex), and 100 random frame seeks through the index (BM_RandomSeeks_Index)
//   and by time stamps (BM_RandomSeeks_TimeStamps).
#include <benchmark/benchmark.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "avifile/ffmpeg.h"
#include "support/test_video.h"

namespace {

constexpr int kFrames = 60;

constexpr int kLongFrames = 300;

const std::string& benchFolder() {
  static const std::string folder = [] {
    char tmpl[] = "/tmp/vixo-bench-video.XXXXXX";
    if (!mkdtemp(tmpl)) std::abort();
    std::atexit([] { std::filesystem::remove_all(benchFolder()); });
    return std::string(tmpl);
  }();
  return folder;
}

std::string write1080p(const std::string& name, int frames, const char* preset) {
  const std::string file = benchFolder() + "/" + name;
  vixo_test::VideoSpec spec;
  spec.container = "mp4";
  spec.codec = "libx264";
  spec.width = 1920;
  spec.height = 1080;
  spec.frames = frames;
  spec.gop = 25;
  spec.bFrames = 2;
  spec.options = {{"preset", preset}};
  const std::string err = vixo_test::writeVideo(file, spec);
  if (!err.empty()) {
    std::fprintf(stderr, "no test video: %s\n", err.c_str());
    std::abort();
  }
  return file;
}

// A 1080p H.264 file of kFrames frames, made once per run.
const std::string& video1080p() {
  static const std::string path = write1080p("1080p.mp4", kFrames, "veryfast");
  return path;
}

// A longer one (12 s), made once per run.
const std::string& longVideo1080p() {
  static const std::string path = write1080p("long.mp4", kLongFrames, "ultrafast");
  return path;
}

void BM_DecodeToBgr_Vixo(benchmark::State& state) {
  int64_t frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto source = std::make_unique<tfFFmpegSource>();
    source->requestedHint = 1;
    FFmpegSourceParams params;
    params.fileName = fromUtf8(video1080p());
    params.frameAccurate = false;
    if (source->open(params) != 0) state.SkipWithError("open failed");
    RawImage image = source->newFrame();
    state.ResumeTiming();
    while (source->readNextFrame(image) == 0) ++frames;
    benchmark::DoNotOptimize(image.planeData(0));
    state.PauseTiming();
    source.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(frames);
}

void BM_DecodeToBgr_FFmpeg(benchmark::State& state) {
  int64_t frames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, video1080p().c_str(), nullptr, nullptr) < 0) std::abort();
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    AVStream* stream = format->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(ctx, stream->codecpar);
    ctx->pkt_timebase = stream->time_base;
    avcodec_open2(ctx, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    // The same picture layout as a raw image: rows 64-byte aligned.
    const int stride = (ctx->width * 3 + 63) / 64 * 64;
    std::vector<uint8_t> buffer(static_cast<size_t>(stride) * ctx->height + 64);
    uint8_t* dst[1] = {buffer.data() + (64 - reinterpret_cast<uintptr_t>(buffer.data()) % 64) % 64};
    const int dstStride[1] = {stride};
    SwsContext* sws = sws_getContext(ctx->width, ctx->height, ctx->pix_fmt, ctx->width, ctx->height,
                                     AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
    state.ResumeTiming();
    auto drain = [&] {
      while (avcodec_receive_frame(ctx, frame) == 0) {
        sws_scale(sws, frame->data, frame->linesize, 0, ctx->height, dst, dstStride);
        ++frames;
        av_frame_unref(frame);
      }
    };
    while (av_read_frame(format, packet) >= 0) {
      if (packet->stream_index == index && avcodec_send_packet(ctx, packet) == 0) drain();
      av_packet_unref(packet);
    }
    avcodec_send_packet(ctx, nullptr);
    drain();
    benchmark::DoNotOptimize(dst[0]);
    state.PauseTiming();
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    avformat_close_input(&format);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(frames);
}

std::unique_ptr<tfFFmpegSource> openLong(int32_t mode) {
  auto source = std::make_unique<tfFFmpegSource>();
  source->requestedHint = 1;
  FFmpegSourceParams params;
  params.fileName = fromUtf8(longVideo1080p());
  params.indexSettings.mode = mode;
  if (source->open(params) != 0 || source->getFrameCount() != kLongFrames) std::abort();
  return source;
}

void BM_OpenBuildingIndex(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(openLong(IndexModeForcedMem));
}

void BM_OpenWithoutIndex(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(openLong(IndexModeNo));
}

void randomSeeks(benchmark::State& state, int32_t mode) {
  auto source = openLong(mode);
  RawImage image = source->newFrame();
  std::mt19937 random(5);
  std::uniform_int_distribution<int> target(0, kLongFrames - 1);
  for (auto _ : state) {
    for (int i = 0; i < 100; ++i) {
      if (source->readFrame(image, target(random)) != 0) state.SkipWithError("seek failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * 100);
}

void BM_RandomSeeks_Index(benchmark::State& state) { randomSeeks(state, IndexModeForcedMem); }
void BM_RandomSeeks_TimeStamps(benchmark::State& state) { randomSeeks(state, IndexModeNo); }

BENCHMARK(BM_DecodeToBgr_Vixo)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_DecodeToBgr_FFmpeg)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_OpenBuildingIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenWithoutIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomSeeks_Index)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomSeeks_TimeStamps)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The videos are written before anything is timed.
  video1080p();
  longVideo1080p();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
