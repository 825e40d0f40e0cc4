#include "support/bars_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <memory>

namespace vixo_test {

namespace {

const Rgb kTop[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
const Rgb kBottom[4] = {{255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {0, 0, 0}};

struct Output {
  AVFormatContext* format = nullptr;
  ~Output() {
    if (format && !(format->oformat->flags & AVFMT_NOFILE)) avio_closep(&format->pb);
    avformat_free_context(format);
  }
};
struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

std::string drain(AVCodecContext* encoder, AVFormatContext* format, AVStream* stream,
                  AVFrame* frame) {
  if (avcodec_send_frame(encoder, frame) < 0) return "the encoder refused a frame";
  std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
  for (;;) {
    const int rc = avcodec_receive_packet(encoder, packet.get());
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return {};
    if (rc < 0) return "encoding failed";
    av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
    packet->stream_index = stream->index;
    if (av_interleaved_write_frame(format, packet.get()) < 0) return "a packet was not written";
  }
}

}  // namespace

Rgb barColour(int x, int y, int w, int h) {
  const int bar = x * 4 / w;
  return y < h / 2 ? kTop[bar] : kBottom[bar];
}

std::string writeBarsVideo(const std::string& path, int width, int height, int frames,
                           int framesPerSecond) {
  Output out;
  if (avformat_alloc_output_context2(&out.format, nullptr, "matroska", path.c_str()) < 0)
    return "no Matroska muxer";
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_FFV1);
  if (!codec) return "no FFV1 encoder";
  std::unique_ptr<AVCodecContext, CodecFree> encoder(avcodec_alloc_context3(codec));
  encoder->width = width;
  encoder->height = height;
  encoder->pix_fmt = AV_PIX_FMT_0RGB32;
  encoder->time_base = AVRational{1, framesPerSecond};
  encoder->framerate = AVRational{framesPerSecond, 1};
  if (out.format->oformat->flags & AVFMT_GLOBALHEADER)
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(encoder.get(), codec, nullptr) < 0) return "the FFV1 encoder did not open";
  AVStream* stream = avformat_new_stream(out.format, nullptr);
  if (!stream || avcodec_parameters_from_context(stream->codecpar, encoder.get()) < 0)
    return "no stream";
  stream->time_base = encoder->time_base;
  if (avio_open(&out.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot write " + path;
  if (avformat_write_header(out.format, nullptr) < 0) return "no header";

  std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
  frame->format = encoder->pix_fmt;
  frame->width = width;
  frame->height = height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return "no frame";
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(frame->data[0] + y * frame->linesize[0]);
    for (int x = 0; x < width; ++x) {
      const Rgb c = barColour(x, y, width, height);
      row[x] = (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;  // native x, R, G, B
    }
  }
  for (int n = 0; n < frames; ++n) {
    if (av_frame_make_writable(frame.get()) < 0) return "frame not writable";
    frame->pts = n;
    if (std::string e = drain(encoder.get(), out.format, stream, frame.get()); !e.empty()) return e;
  }
  if (std::string e = drain(encoder.get(), out.format, stream, nullptr); !e.empty()) return e;
  if (av_write_trailer(out.format) < 0) return "no trailer";
  return {};
}

}  // namespace vixo_test
