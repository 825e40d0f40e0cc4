// Writes test videos with libavformat and libavcodec; see test_video.h.
#include "support/test_video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <sys/wait.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "support/run_command.h"

namespace vixo_test {

namespace {

constexpr int kGrid = 4;
constexpr int kNumberBits = 12;

int checkBits(int n) { return (n ^ (n >> 4) ^ (n >> 8) ^ 0x5) & 0xf; }

struct CodecFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

std::string avError(int rc) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(rc, text, sizeof text);
  return text;
}

// One output file with its streams; writes packets in interleaved order.
class Writer {
 public:
  ~Writer() {
    if (!ctx_) return;
    if (ctx_->pb) avio_closep(&ctx_->pb);
    avformat_free_context(ctx_);
  }

  std::string open(const std::string& path, const std::string& container) {
    const int rc = avformat_alloc_output_context2(&ctx_, nullptr, container.c_str(), path.c_str());
    if (rc < 0 || !ctx_) return "no muxer " + container + ": " + avError(rc);
    return {};
  }
  AVFormatContext* ctx() const { return ctx_; }
  bool globalHeader() const { return ctx_->oformat->flags & AVFMT_GLOBALHEADER; }

  std::string start(const std::string& path, const std::map<std::string, std::string>& options) {
    int rc = avio_open(&ctx_->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) return "cannot create " + path + ": " + avError(rc);
    AVDictionary* opts = nullptr;
    for (const auto& [key, value] : options) av_dict_set(&opts, key.c_str(), value.c_str(), 0);
    rc = avformat_write_header(ctx_, &opts);
    av_dict_free(&opts);
    if (rc < 0) return "header not written: " + avError(rc);
    return {};
  }

  // Sends a frame (null: flush) to the encoder and writes what comes out.
  std::string encode(AVCodecContext* enc, AVStream* st, AVFrame* frame,
                     const std::map<int64_t, int64_t>& durations = {}) {
    int rc = avcodec_send_frame(enc, frame);
    if (rc < 0) return "encoder refused a frame: " + avError(rc);
    PacketPtr pkt(av_packet_alloc());
    for (;;) {
      rc = avcodec_receive_packet(enc, pkt.get());
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return {};
      if (rc < 0) return "encoding failed: " + avError(rc);
      if (pkt->duration == 0) {
        const auto it = durations.find(pkt->pts);
        pkt->duration = it != durations.end() ? it->second : 1;
      }
      av_packet_rescale_ts(pkt.get(), enc->time_base, st->time_base);
      pkt->stream_index = st->index;
      rc = av_interleaved_write_frame(ctx_, pkt.get());
      if (rc < 0) return "packet not written: " + avError(rc);
    }
  }

  std::string finish() {
    const int rc = av_write_trailer(ctx_);
    if (rc < 0) return "trailer not written: " + avError(rc);
    return {};
  }

 private:
  AVFormatContext* ctx_ = nullptr;
};

std::string openVideoEncoder(const VideoSpec& spec, int width, int height, bool globalHeader,
                             CodecPtr& out) {
  const AVCodec* codec = avcodec_find_encoder_by_name(spec.codec.c_str());
  if (!codec) return "no encoder " + spec.codec;
  CodecPtr enc(avcodec_alloc_context3(codec));
  enc->width = width;
  enc->height = height;
  enc->pix_fmt = av_get_pix_fmt(spec.pixelFormat.c_str());
  if (enc->pix_fmt == AV_PIX_FMT_NONE) return "no pixel format " + spec.pixelFormat;
  enc->time_base =
      spec.durationsMs.empty() ? AVRational{spec.rateDen, spec.rateNum} : AVRational{1, 1000};
  enc->framerate = AVRational{spec.rateNum, spec.rateDen};
  enc->gop_size = spec.gop;
  enc->max_b_frames = spec.bFrames;
  enc->thread_count = 1;
  if (spec.codec == "mpeg4" || spec.codec == "mpeg2video" || spec.codec == "mjpeg") {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = FF_QP2LAMBDA * spec.quality;
  }
  if (globalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* opts = nullptr;
  if (spec.codec == "libx264") {
    av_dict_set(&opts, "preset", "ultrafast", 0);
    av_dict_set(&opts, "crf", "20", 0);
  }
  for (const auto& [key, value] : spec.options) av_dict_set(&opts, key.c_str(), value.c_str(), 0);
  const int rc = avcodec_open2(enc.get(), codec, &opts);
  av_dict_free(&opts);
  if (rc < 0) return "encoder " + spec.codec + " not opened: " + avError(rc);
  out = std::move(enc);
  return {};
}

std::string openAudioEncoder(const VideoSpec& spec, bool globalHeader, CodecPtr& out) {
  const bool mp4Family = spec.container == "mp4" || spec.container == "mov";
  const AVCodec* codec = avcodec_find_encoder_by_name(mp4Family ? "aac" : "pcm_s16le");
  if (!codec) return "no audio encoder";
  CodecPtr enc(avcodec_alloc_context3(codec));
  enc->sample_rate = 8000;
  enc->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  av_channel_layout_default(&enc->ch_layout, 1);
  enc->time_base = AVRational{1, enc->sample_rate};
  enc->bit_rate = 32000;
  if (globalHeader) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const int rc = avcodec_open2(enc.get(), codec, nullptr);
  if (rc < 0) return "audio encoder not opened: " + avError(rc);
  out = std::move(enc);
  return {};
}

// Frame n drawn in gray, then converted into the encoder's pixel format.
std::string makeVideoFrame(AVCodecContext* enc, int n, FramePtr& out) {
  FramePtr frame(av_frame_alloc());
  frame->format = enc->pix_fmt;
  frame->width = enc->width;
  frame->height = enc->height;
  if (av_frame_get_buffer(frame.get(), 0) < 0) return "no frame buffer";
  std::vector<uint8_t> gray(static_cast<size_t>(enc->width) * enc->height);
  drawFrameNumber(n, gray.data(), enc->width, enc->width, enc->height);
  std::unique_ptr<SwsContext, SwsFree> sws(sws_getContext(enc->width, enc->height, AV_PIX_FMT_GRAY8,
                                                          enc->width, enc->height, enc->pix_fmt,
                                                          SWS_POINT, nullptr, nullptr, nullptr));
  if (!sws) return "no conversion to " + std::string(av_get_pix_fmt_name(enc->pix_fmt));
  const uint8_t* src[1] = {gray.data()};
  const int srcStride[1] = {enc->width};
  sws_scale(sws.get(), src, srcStride, 0, enc->height, frame->data, frame->linesize);
  out = std::move(frame);
  return {};
}

std::string makeAudioFrame(AVCodecContext* enc, int64_t pts, FramePtr& out) {
  FramePtr frame(av_frame_alloc());
  frame->format = enc->sample_fmt;
  frame->nb_samples = enc->frame_size > 0 ? enc->frame_size : 320;
  frame->sample_rate = enc->sample_rate;
  if (av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout) < 0) return "no layout";
  if (av_frame_get_buffer(frame.get(), 0) < 0) return "no audio buffer";
  av_samples_set_silence(frame->data, 0, frame->nb_samples, enc->ch_layout.nb_channels,
                         enc->sample_fmt);
  frame->pts = pts;
  out = std::move(frame);
  return {};
}

// Replaces the four-character tag in the headers (before the first "movi" chunk).
std::string replaceTag(const std::string& path, uint32_t tag, const std::string& fourcc) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  const std::string old{static_cast<char>(tag & 0xff), static_cast<char>((tag >> 8) & 0xff),
                        static_cast<char>((tag >> 16) & 0xff), static_cast<char>(tag >> 24)};
  const size_t end = std::min(bytes.find("movi"), bytes.size());
  bool replaced = false;
  for (size_t at = bytes.find(old); at < end; at = bytes.find(old, at + 4)) {
    bytes.replace(at, 4, fourcc);
    replaced = true;
  }
  if (!replaced) return "tag " + old + " not found";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return {};
}

std::string write(const std::string& path, const VideoSpec& spec) {
  if (!spec.fourcc.empty() && spec.fourcc.size() != 4) return "a tag has four characters";
  Writer out;
  std::string err = out.open(path, spec.container);
  if (!err.empty()) return err;

  CodecPtr venc, aenc;
  AVStream* vst = nullptr;
  AVStream* ast = nullptr;
  if (spec.video) {
    if (!(err = openVideoEncoder(spec, spec.width, spec.height, out.globalHeader(), venc)).empty())
      return err;
    vst = avformat_new_stream(out.ctx(), nullptr);
    avcodec_parameters_from_context(vst->codecpar, venc.get());
    vst->time_base = venc->time_base;
    if (spec.durationsMs.empty()) vst->avg_frame_rate = venc->framerate;
  }
  if (spec.audio || !spec.video) {
    if (!(err = openAudioEncoder(spec, out.globalHeader(), aenc)).empty()) return err;
    ast = avformat_new_stream(out.ctx(), nullptr);
    avcodec_parameters_from_context(ast->codecpar, aenc.get());
    ast->time_base = aenc->time_base;
  }
  if (!(err = out.start(path, spec.muxerOptions)).empty()) return err;

  // Audio keeps up with the video: its frames are written up to the end of each video frame.
  int64_t audioPts = 0;
  auto audioUpTo = [&](double seconds) -> std::string {
    while (aenc && audioPts < seconds * aenc->sample_rate) {
      FramePtr frame;
      std::string e = makeAudioFrame(aenc.get(), audioPts, frame);
      if (!e.empty()) return e;
      audioPts += frame->nb_samples;
      if (!(e = out.encode(aenc.get(), ast, frame.get())).empty()) return e;
    }
    return {};
  };

  std::map<int64_t, int64_t> durations;
  for (int n = 0; n < spec.frames; ++n) {
    const int64_t pts = spec.durationsMs.empty() ? n : variableFrameTimeMs(spec, n);
    const int64_t duration =
        spec.durationsMs.empty() ? 1 : spec.durationsMs[n % spec.durationsMs.size()];
    if (venc) {
      if (n == spec.resizeAt && n > 0) {
        if (!(err = out.encode(venc.get(), vst, nullptr, durations)).empty()) return err;
        if (!(err = openVideoEncoder(spec, spec.width2, spec.height2, out.globalHeader(), venc))
                 .empty())
          return err;
      }
      FramePtr frame;
      if (!(err = makeVideoFrame(venc.get(), n, frame)).empty()) return err;
      frame->pts = pts;
      durations[pts] = duration;
      if (!(err = out.encode(venc.get(), vst, frame.get(), durations)).empty()) return err;
    }
    const double end = static_cast<double>(pts + duration) *
                       (spec.durationsMs.empty() ? double(spec.rateDen) / spec.rateNum : 0.001);
    if (!(err = audioUpTo(end)).empty()) return err;
  }
  if (venc && !(err = out.encode(venc.get(), vst, nullptr, durations)).empty()) return err;
  if (aenc && !(err = out.encode(aenc.get(), ast, nullptr)).empty()) return err;
  if (!(err = out.finish()).empty()) return err;
  const uint32_t tag = vst ? vst->codecpar->codec_tag : 0;
  if (!spec.fourcc.empty()) {
    avio_closep(&out.ctx()->pb);
    return replaceTag(path, tag, spec.fourcc);
  }
  return {};
}

}  // namespace

std::string writeVideo(const std::string& path, const VideoSpec& spec) {
  // The encoders' chatter stays out of the test output.
  const int level = av_log_get_level();
  av_log_set_level(AV_LOG_ERROR);
  const std::string err = write(path, spec);
  av_log_set_level(level);
  return err;
}

std::string writeVideoWithCommand(const std::string& path, int width, int height, int frames,
                                  const std::string& rate, const std::string& outputArgs) {
  const std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt gray -s " +
                              std::to_string(width) + "x" + std::to_string(height) + " -r " + rate +
                              " -i - " + outputArgs + " " + shellQuote(path);
  // A command that fails early closes the pipe: writing then fails instead of ending the test.
  std::signal(SIGPIPE, SIG_IGN);
  FILE* pipe = popen(command.c_str(), "w");
  if (!pipe) return "ffmpeg cannot be started";
  std::vector<uint8_t> gray(static_cast<size_t>(width) * height);
  bool written = true;
  for (int n = 0; n < frames && written; ++n) {
    drawFrameNumber(n, gray.data(), width, width, height);
    written = fwrite(gray.data(), 1, gray.size(), pipe) == gray.size();
  }
  const int status = pclose(pipe);
  if (!written || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "ffmpeg failed on " + command;
  return {};
}

std::string writeStripesWithCommand(const std::string& path, int width, int height, int frames,
                                    const std::string& outputArgs) {
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const std::string stripes =
      "color=black:s=" + size +
      ":r=25,format=rgb24,geq=r='255*mod(X+N,2)':g='255*mod(floor((X+N)/3),2)'"
      ":b='255*mod(floor(Y/2)+floor((X+N)/5),2)'";
  const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i " + shellQuote(stripes) +
                              " -frames:v " + std::to_string(frames) + " " + outputArgs + " " +
                              shellQuote(path);
  int status = -1;
  runCommand(command, status);
  return status == 0 ? std::string() : "ffmpeg failed on " + command;
}

std::string bgr24ByCommand(const std::string& path) {
  int status = -1;
  std::string frames = runCommand(
      "ffmpeg -nostdin -v error -i " + shellQuote(path) + " -f rawvideo -pix_fmt bgr24 -", status);
  return status == 0 ? frames : std::string();
}

void drawFrameNumber(int n, uint8_t* gray, int stride, int width, int height) {
  const int value = (n & ((1 << kNumberBits) - 1)) | (checkBits(n) << kNumberBits);
  for (int y = 0; y < height; ++y) {
    const int row = std::min(y * kGrid / height, kGrid - 1);
    for (int x = 0; x < width; ++x) {
      const int col = std::min(x * kGrid / width, kGrid - 1);
      const int bit = row * kGrid + col;
      gray[static_cast<size_t>(y) * stride + x] = (value >> bit) & 1 ? 255 : 0;
    }
  }
}

int frameNumberOf(int width, int height, const std::function<double(int x, int y)>& brightness) {
  int value = 0;
  for (int row = 0; row < kGrid; ++row) {
    for (int col = 0; col < kGrid; ++col) {
      // The middle half of the cell, away from edges that codecs blur.
      const int x0 = col * width / kGrid, x1 = (col + 1) * width / kGrid;
      const int y0 = row * height / kGrid, y1 = (row + 1) * height / kGrid;
      double sum = 0;
      int count = 0;
      for (int y = y0 + (y1 - y0) / 4; y < y1 - (y1 - y0) / 4; ++y)
        for (int x = x0 + (x1 - x0) / 4; x < x1 - (x1 - x0) / 4; ++x, ++count)
          sum += brightness(x, y);
      if (count == 0) return -1;
      const double mean = sum / count;
      if (mean > 0.3 && mean < 0.7) return -1;  // neither black nor white
      if (mean >= 0.7) value |= 1 << (row * kGrid + col);
    }
  }
  const int n = value & ((1 << kNumberBits) - 1);
  return (value >> kNumberBits) == checkBits(n) ? n : -1;
}

int frameNumberOfPacked24(const uint8_t* data, int stride, int width, int height) {
  return frameNumberOf(width, height, [&](int x, int y) {
    const uint8_t* p = data + static_cast<ptrdiff_t>(y) * stride + 3 * x;
    return (p[0] + p[1] + p[2]) / (3.0 * 255);
  });
}

int64_t variableFrameTimeMs(const VideoSpec& spec, int n) {
  int64_t t = 0;
  for (int i = 0; i < n; ++i) t += spec.durationsMs[i % spec.durationsMs.size()];
  return t;
}

}  // namespace vixo_test
