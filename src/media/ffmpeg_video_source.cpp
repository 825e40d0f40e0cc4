#include "media/ffmpeg_video_source.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "avifile/ffmpeg.h"

namespace {

constexpr int32_t kBgr24 = static_cast<int32_t>(RawFormatHint::BGR24);
constexpr int32_t kDamagedPacket = 12;

}  // namespace

int64_t frameDurationOf(double rate) {
  if (!(rate > 0) || !std::isfinite(rate)) return 0;
  const double us = 1'000'000.0 / rate;
  if (!(us < static_cast<double>(std::numeric_limits<int64_t>::max() / 1000))) return 0;
  return static_cast<int64_t>(us) * 1000;
}

struct FFmpegVideoSource::Impl {
  bool opened = false;
  int64_t frameDuration = 0;
  FrameSize size;
  int64_t durationMs = 0;
  tfFFmpegSource source;
};

FFmpegVideoSource::FFmpegVideoSource(std::wstring fileName)
    : impl(std::make_unique<Impl>()), fileName(std::move(fileName)) {}

FFmpegVideoSource::~FFmpegVideoSource() = default;

int64_t FFmpegVideoSource::getFrameDuration() { return impl->frameDuration; }
FrameSize FFmpegVideoSource::getFrameSize() { return impl->size; }
int64_t FFmpegVideoSource::getDurationMs() { return impl->durationMs; }

bool FFmpegVideoSource::open() {
  tfFFmpegSource& source = impl->source;
  source.requestedHint = kBgr24;
  FFmpegSourceParams params;
  params.formatFromStream = false;
  params.frameAccurate = false;
  params.fileName = fileName;
  // Decoding runs ahead of playback on its own thread; the decoder's own threads let large
  // videos decode faster than they play.
  params.decoderOptions["threads"] = Any::of(std::string("auto"));
  impl->opened = source.open(params) == 0;
  if (!impl->opened) return false;
  impl->frameDuration = frameDurationOf(source.getFps());
  impl->size = FrameSize{source.getWidth(), source.getHeight()};
  const int64_t us = source.getContainerDuration();
  impl->durationMs = us == std::numeric_limits<int64_t>::min() || us < 0 ? 0 : us / 1000;
  return true;
}

bool FFmpegVideoSource::readNext(RawImage& frame) {
  if (!impl->opened) return false;
  for (int attempt = 0; attempt < tfFFmpegSource::kDamagedPacketsInARow; ++attempt) {
    try {
      return impl->source.readNextFrame(frame) == 0;
    } catch (const tfFFmpegSource::Error& e) {
      if (e.code != kDamagedPacket) return false;
    } catch (...) {
      return false;
    }
  }
  return false;
}

RawImage FFmpegVideoSource::newFrame() { return impl->source.newFrame(); }

void FFmpegVideoSource::setInterrupted(bool interrupted) {
  impl->source.setInterrupted(interrupted);
}

void FFmpegVideoSource::close() {
  impl->source.close();
  impl->opened = false;
}
