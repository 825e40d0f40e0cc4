// tfFFmpegSource and its reader: every call into libavformat and libavcodec for demultiplexing,
// decoding and seeking lives in this file.
#include "avifile/ffmpeg.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "avifile/assertion.h"
#include "avifile/avi_system.h"
#include "avifile/ffmpeg_reader.h"

using Error = tfFFmpegSource::Error;

namespace {

using FFmpegFormats::initFFmpeg;

int64_t addSaturated(int64_t a, int64_t b) {
  int64_t r;
  if (!__builtin_add_overflow(a, b, &r)) return r;
  return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

// The earlier of two time stamps, unknown ones left out.
int64_t earlierKnown(int64_t a, int64_t b) {
  if (a == kNoTimestamp) return b;
  if (b == kNoTimestamp) return a;
  return std::min(a, b);
}

bool positive(AVRational r) { return r.num > 0 && r.den > 0; }

// The rate at which frame numbers become time stamps: the average rate when it is known, else
// the real base rate; 25 frames per second when neither is usable, so that no time stamp is
// divided by zero.
AVRational frameNumberRate(const AVStream* st) {
  if (positive(st->avg_frame_rate)) return st->avg_frame_rate;
  if (positive(st->r_frame_rate)) return st->r_frame_rate;
  return AVRational{25, 1};
}

// A rate whose terms are non-zero and whose value is at least 1e-10, else 0.
double usableRate(AVRational r) {
  if (r.num == 0 || r.den == 0) return 0;
  const double v = static_cast<double>(r.num) / r.den;
  return v >= 1e-10 ? v : 0;
}

template <class T>
T clampToRange(double v) {
  if (!(v == v)) return 0;
  if (v <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (v >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(v);
}

// The decoder's settable options: the generic codec options for video decoding that are not
// read-only, with named values attached to the option of their unit.
PropertyDescriptionList decoderOptionList() {
  PropertyDescriptionList list;
  const AVClass* cls = avcodec_get_class();
  auto wanted = [](const AVOption* o) {
    return (o->flags &
            (AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_READONLY)) ==
           (AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
  };
  std::map<std::string, int32_t> groups;  // unit (or name) -> entry
  for (const AVOption* o = cls->option; o && o->name; ++o) {
    if (!wanted(o)) continue;
    std::shared_ptr<AviFile::PropertyValidatorBase> validator;
    switch (o->type) {
      case AV_OPT_TYPE_FLAGS:
        validator = std::make_shared<AviFile::FlagsValidator>(o->default_val.i64);
        break;
      case AV_OPT_TYPE_INT:
        validator = std::make_shared<AviFile::IntegerValidator<int>>(
            clampToRange<int>(static_cast<double>(o->default_val.i64)), clampToRange<int>(o->min),
            clampToRange<int>(o->max));
        break;
      case AV_OPT_TYPE_INT64:
        validator = std::make_shared<AviFile::IntegerValidator<long long>>(
            o->default_val.i64, clampToRange<long long>(o->min), clampToRange<long long>(o->max));
        break;
      case AV_OPT_TYPE_DOUBLE:
      case AV_OPT_TYPE_FLOAT:
        validator = std::make_shared<AviFile::DoubleValidator>(o->default_val.dbl, o->min, o->max);
        break;
      case AV_OPT_TYPE_STRING:
        validator = std::make_shared<AviFile::StringValidator>(
            o->default_val.str ? o->default_val.str : "");
        break;
      default:
        continue;
    }
    const PropertyDescription& entry =
        list.append(PropertyDescription(o->name, o->name, o->help ? o->help : "", L"", validator));
    groups[o->unit && *o->unit ? o->unit : o->name] = entry.index;
  }
  for (const AVOption* o = cls->option; o && o->name; ++o) {
    if (!wanted(o) || o->type != AV_OPT_TYPE_CONST || !o->unit) continue;
    const auto group = groups.find(o->unit);
    if (group == groups.end()) continue;
    PropertyDescription& entry = list.entries()[group->second];
    if (!entry.validator->hasChoices()) {
      const Any old = entry.validator->defaultValue();
      auto choices = std::make_shared<AviFile::EnumValidator>(false);
      choices->setDefault(!old.empty() && old->isInteger() ? static_cast<int32_t>(old->toInteger(0))
                                                           : 0);
      entry.setValidator(choices);
    }
    const std::string help = o->help ? o->help : "";
    const std::string label =
        help.empty() || help == o->name ? o->name : help + " (" + o->name + ")";
    entry.validator->addChoice(label, o->default_val.i64);
  }
  return list;
}

struct DictionaryFree {
  void operator()(AVDictionary** d) const { av_dict_free(d); }
};

}  // namespace

// --- decoder

FFmpegDecoder::FFmpegDecoder(FFmpegReader& owner) : reader(owner), frame(av_frame_alloc()) {
  if (!frame) throw Error(11);
}

FFmpegDecoder::~FFmpegDecoder() { release(); }

void FFmpegDecoder::release() {
  if (frame) av_frame_free(&frame);
  frameHeld = frameReady = false;
  timestampQueue.clear();
}

void FFmpegDecoder::reset() {
  if (frameHeld) av_frame_unref(frame);
  frameHeld = false;
  timestampQueue.clear();
  packetDecoded = true;
  packetSent = false;
  draining = frameReady = packetFed = false;
  packetsTaken = framesGiven = 0;
  skippedPictures = -1;
}

size_t FFmpegDecoder::delayedFrames() const {
  const AVCodecContext* ctx = reader.codecContext;
  if (!ctx) return 0;
  const bool frameThreads = (ctx->active_thread_type & FF_THREAD_FRAME) && ctx->thread_count > 1;
  return static_cast<size_t>(std::max(0, ctx->has_b_frames)) +
         (frameThreads ? static_cast<size_t>(ctx->thread_count - 1) : 0);
}

void FFmpegDecoder::startDraining() {
  if (draining) return;
  av_packet_unref(reader.packet);
  draining = true;
  packetSent = false;
  // A decoder that was fed nothing since the last reset has nothing to give back.
  const bool delays =
      reader.codecContext && (reader.codecContext->codec->capabilities & AV_CODEC_CAP_DELAY);
  packetDecoded = !packetFed && delays;
}

bool FFmpegDecoder::decodeStep() {
  if (frameHeld) {
    av_frame_unref(frame);
    frameHeld = false;
  }
  AVCodecContext* ctx = reader.codecContext;
  if (!ctx || (!draining && reader.packet->stream_index != reader.videoStreamIndex)) {
    packetDecoded = true;
    return frameReady;
  }
  // Input first. EAGAIN means the decoder holds frames that must be taken before it takes more
  // input: the packet stays pending and goes in at a later step.
  if (!packetSent) {
    const int rc = avcodec_send_packet(ctx, draining ? nullptr : reader.packet);
    if (rc == 0) {
      packetSent = true;
      if (!draining) ++packetsTaken;
      if (reader.isAvi && !draining) {
        timestampQueue.push_back({reader.packet->pts, reader.packet->dts, reader.packet->duration});
      }
    } else if (rc == AVERROR_EOF) {
      packetSent = true;  // already flushed: nothing more goes in
    } else if (rc != AVERROR(EAGAIN)) {
      packetDecoded = true;  // a damaged packet is passed over by a reader that goes on
      throw Error(12);
    }
  }
  // Then output. EAGAIN means the decoder needs more input: this packet is done.
  const int rc = avcodec_receive_frame(ctx, frame);
  if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
    if (!packetSent) {  // neither input nor output is possible
      packetDecoded = true;
      throw Error(12);
    }
    packetDecoded = true;
    return frameReady;
  }
  if (rc < 0) {
    packetDecoded = true;
    throw Error(12);
  }
  // A frame came out. The packet stays current: it may still be pending, or give more frames.
  frameHeld = true;
  if (!reader.formatLocked) {
    reader.width = frame->width;
    reader.height = frame->height;
    reader.pixelFormat = frame->format;
    reader.formatLocked = true;
  } else if (frame->width != reader.width || frame->height != reader.height ||
             frame->format != reader.pixelFormat) {
    throw Error(14);
  }
  frameReady = true;
  // Besides this frame, the decoder holds the frames it delays, and, unless it is draining, the
  // packet that pushed this frame out. Packets beyond that gave no picture (the B frames of an
  // open group whose reference was left behind by a seek).
  const size_t held = std::max<size_t>(1, delayedFrames() + (draining ? 0 : 1));
  ++framesGiven;
  if (skippedPictures < 0) {
    skippedPictures = std::max<int64_t>(0, packetsTaken - static_cast<int64_t>(held));
  }
  if (reader.isAvi && !timestampQueue.empty()) {
    // The stamps of skipped pictures go first, so that every frame keeps its own.
    while (timestampQueue.size() > held) timestampQueue.pop_front();
    const Stamps s = timestampQueue.front();
    timestampQueue.pop_front();
    framePts = s.pts;
    frameDts = s.dts;
    frameDuration = s.duration;
  } else {
    const int64_t pts = frame->pts, dts = frame->pkt_dts;
    // A zero beside a known, non-zero other stamp is a placeholder, not a time.
    framePts = pts == 0 && dts != kNoTimestamp && dts != 0 ? kNoTimestamp : pts;
    frameDts = dts == 0 && pts != kNoTimestamp && pts != 0 ? kNoTimestamp : dts;
    frameDuration = frame->pkt_duration;
  }
  return true;
}

// --- reader

int FFmpegReader::isInterrupted(void* flag) {
  return static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed) ? 1 : 0;
}

FFmpegReader::FFmpegReader()
    : packet(av_packet_alloc()), decoder(*this), heldPicture(av_frame_alloc()) {
  if (!packet || !heldPicture) {
    av_packet_free(&packet);
    av_frame_free(&heldPicture);
    throw Error(11);
  }
}

FFmpegReader::~FFmpegReader() {
  close();
  decoder.release();
  av_frame_free(&heldPicture);
  av_packet_free(&packet);
}

void FFmpegReader::post(int32_t kind, const std::wstring& text, const std::wstring& details,
                        int32_t code) {
  if (listener) listener->receive(MessageRecord{messageTimeNow(), kind, text, details, code});
}

void FFmpegReader::close() {
  initFFmpeg();
  av_packet_unref(packet);
  decoder.reset();
  forgetHeldPicture();
  avcodec_free_context(&codecContext);
  avformat_close_input(&formatContext);
  videoStream = nullptr;
  videoStreamIndex = -1;
  streamReady = false;
  endOfFile = false;
  index.reset();
}

void FFmpegReader::open(const FFmpegSourceParams& p, int32_t requestedHint) {
  currentFrame = -1;
  streamReady = firstFrameSeen = formatLocked = false;
  endOfFile = false;
  decoder.reset();
  forgetHeldPicture();
  params = p;
  std::string path;
  const bool pathOk = toNativePath(params.fileName, path);
  close();
  initFFmpeg();
  videoStreamIndex = -1;
  // Only regular files: the demuxer's open of a pipe waits for a writer, and no stop reaches it
  // there.
  if (!pathOk || !isRegularFile(path)) throw Error(1);
  formatContext = avformat_alloc_context();
  if (!formatContext) throw Error(1);
  formatContext->interrupt_callback = AVIOInterruptCB{&isInterrupted, &interrupted};
  if (avformat_open_input(&formatContext, path.c_str(), nullptr, nullptr) < 0) {
    formatContext = nullptr;
    throw Error(1);
  }
  if (avformat_find_stream_info(formatContext, nullptr) < 0)
    post(1, L"Can't find stream info", L"", -1);
  openDecoder();
  videoStreamIndex = streamInfo.streamIndex;
  videoStream = formatContext->streams[videoStreamIndex];
  // Known before the first packet is decoded, so that every frame takes its packet's stamps.
  isAvi = std::strcmp(formatContext->iformat->name, "avi") == 0;

  indexStep();
  ensureFrame();
  if (!formatLocked) {
    width = codecContext->width;
    height = codecContext->height;
    pixelFormat = codecContext->pix_fmt;
  }
  firstPts = firstDts = videoStream->start_time;
  streamReady = true;
  frameCount = kNoTimestamp;
  frameCountExact = false;
  if (params.frameAccurate && !firstFrameSeen) {
    if (!ensureFrame()) throw Error(12);
    takeFrame();
  }
  if (!(params.frameAccurate && indexUsable() && countViaIndex())) estimateFrameCount();
  if (params.frameAccurate) {
    seekToFrame(0);
  } else {
    currentFrame = 0;  // nothing was read or skipped: the next read is the first frame
  }
  if (params.formatFromStream)
    converter.setFromFormat(width, height, pixelFormat);
  else
    converter.setFromHint(width, height, pixelFormat, requestedHint);
  // The first frame was decoded: the decoder knows the stream's colour matrix and range.
  converter.setColourDetails(codecContext->colorspace, codecContext->color_range);
  if (converter.message) converter.message->post(listener);
  if (!converter.ready()) throw Error(7);
  if (!videoStream) throw Error(4);
}

void FFmpegReader::openDecoder() {
  const int best = av_find_best_stream(formatContext, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (best == AVERROR_STREAM_NOT_FOUND) throw Error(4);
  if (best == AVERROR_DECODER_NOT_FOUND) throw Error(5);
  if (best < 0) throw Error(6);
  const AVStream* st = formatContext->streams[best];
  const AVCodec* decoderCodec = avcodec_find_decoder(st->codecpar->codec_id);
  if (!decoderCodec) throw Error(8);

  streamInfo = StreamInfo{};
  if (listener) {
    const AVInputFormat* f = formatContext->iformat;
    streamInfo.formatName = f->long_name ? f->long_name : f->name ? f->name : "";
    streamInfo.decoderName = decoderCodec->long_name ? decoderCodec->long_name
                             : decoderCodec->name    ? decoderCodec->name
                                                     : "";
  }
  AVDictionary* dict = nullptr;
  std::unique_ptr<AVDictionary*, DictionaryFree> dictGuard(&dict);
  for (const auto& [name, value] : params.decoderOptions) {
    if (!value.empty()) av_dict_set(&dict, name.c_str(), anyToText(value).c_str(), 0);
  }
  av_dict_set(&dict, "refcounted_frames", "1", 0);
  decoderOptions = decoderOptionList();

  codecContext = avcodec_alloc_context3(decoderCodec);
  if (!codecContext || avcodec_parameters_to_context(codecContext, st->codecpar) < 0)
    throw Error(9);
  codecContext->pkt_timebase = st->time_base;
  if (avcodec_open2(codecContext, decoderCodec, &dict) < 0) throw Error(9);
  streamInfo.streamIndex = best;
}

bool FFmpegReader::readPacket() {
  if (endOfFile) return false;
  av_packet_unref(packet);
  if (!formatContext || av_read_frame(formatContext, packet) < 0) {
    endOfFile = true;
    decoder.startDraining();
    return false;
  }
  if (isAvi && packet->stream_index == videoStreamIndex) restampFromIndex();
  const bool& packetDecoded = decoder.packetDecoded;
  VIXO_ASSERT(packetDecoded);
  decoder.packetDecoded = false;
  decoder.packetSent = false;
  decoder.draining = false;
  decoder.packetFed = true;
  return true;
}

bool FFmpegReader::readPacketOfStream(int32_t streamIndex) {
  do {
    decoder.packetDecoded = true;
    if (!readPacket()) return false;
  } while (packet->stream_index != streamIndex);
  return true;
}

bool FFmpegReader::ensureFrame() {
  for (;;) {
    if (decoder.frameReady) return true;
    if (!decoder.packetDecoded && decoder.decodeStep()) return true;
    if (decoder.draining && decoder.packetDecoded) return false;
    readPacket();
  }
}

AVFrame* FFmpegReader::takeFrame() {
  if (!decoder.frameReady && !decoder.packetDecoded) decoder.decodeStep();
  VIXO_ASSERT(decoder.hasFrame());
  decoder.frameReady = false;
  return decoder.frame;
}

int32_t FFmpegReader::readNextFrame(RawImage& out) {
  if (!ensureFrame()) return 16;
  const int64_t slot = isAvi ? readySlot() : kNoTimestamp;
  // A slot of an AVI file's index without a picture of its own (an empty chunk, or one that the
  // demuxer or the decoder lost to damage) shows the picture before it, so that reading in order
  // keeps the numbers that seeking finds.
  if (isAvi && heldSlot >= 0 && nextSlot >= 0 && slot != kNoTimestamp && nextSlot < slot) {
    converter.convert(out, heldPicture->data, heldPicture->linesize);
    nextSlot += 1;
    if (currentFrame >= 0) currentFrame += 1;
    return 0;
  }
  lastPacketSize = decoder.frame->pkt_size;
  AVFrame* f = takeFrame();
  converter.convert(out, f->data, f->linesize);
  if (isAvi) holdPicture(f, slot);
  if (currentFrame >= 0) currentFrame += 1;
  return 0;
}

int64_t FFmpegReader::readySlot() const {
  if (!decoder.frameReady || !videoStream) return kNoTimestamp;
  const int64_t t = earlierKnown(decoder.framePts, decoder.frameDts);
  if (t == kNoTimestamp) return kNoTimestamp;
  const AVRational rate = frameNumberRate(videoStream);
  const int64_t slot = av_rescale_q_rnd(t - startTimestamp(), videoStream->time_base,
                                        AVRational{rate.den, rate.num}, AV_ROUND_NEAR_INF);
  // A slot beyond the frames the file's header counts is no slot of the file.
  const int64_t frames = videoStream->nb_frames;
  return slot >= 0 && (frames <= 0 || slot < frames) ? slot : kNoTimestamp;
}

void FFmpegReader::holdPicture(const AVFrame* picture, int64_t slot) {
  av_frame_unref(heldPicture);
  if (slot == kNoTimestamp || av_frame_ref(heldPicture, picture) < 0) {
    forgetHeldPicture();
    return;
  }
  heldSlot = slot;
  nextSlot = slot + 1;
}

void FFmpegReader::forgetHeldPicture() {
  if (heldPicture) av_frame_unref(heldPicture);
  heldSlot = nextSlot = -1;
}

void FFmpegReader::restampFromIndex() {
  if (packet->pos < 0 || packet->dts == kNoTimestamp) return;
  // The index lists the chunks in file order; after damage the demuxer numbers the chunks it
  // reads in order on from the last one it found, while the index knows each chunk's place. An
  // entry names the chunk's header (its 8 bytes) or its data.
  constexpr int64_t kChunkHeader = 8;
  int lo = 0, hi = avformat_index_get_entries_count(videoStream) - 1;
  const AVIndexEntry* chunk = nullptr;  // the last entry at or before the packet
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const AVIndexEntry* e = avformat_index_get_entry(videoStream, mid);
    if (!e) return;
    if (e->pos <= packet->pos) {
      chunk = e;
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  if (!chunk || packet->pos - chunk->pos > kChunkHeader) return;
  const int64_t shift = chunk->timestamp - packet->dts;
  packet->dts = chunk->timestamp;
  if (packet->pts != kNoTimestamp) packet->pts = addSaturated(packet->pts, shift);
}

bool FFmpegReader::ensureFramePastDamage() {
  for (int damaged = 0;; ++damaged) {
    try {
      return ensureFrame();
    } catch (const Error& e) {
      if (e.code != 12 || damaged >= tfFFmpegSource::kDamagedPacketsInARow) throw;
    }
  }
}

bool FFmpegReader::seekTimestamp(int64_t ts, int flags) {
  endOfFile = false;
  // Frames still inside the decoder belong to the old position: flushing drops them.
  decoder.reset();
  forgetHeldPicture();
  av_packet_unref(packet);
  if (!formatContext || !codecContext) return false;
  avcodec_flush_buffers(codecContext);
  return av_seek_frame(formatContext, videoStreamIndex, ts, flags) >= 0;
}

int64_t FFmpegReader::landAfterSeek() {
  if (!readPacketOfStream(videoStreamIndex)) return kNoTimestamp;
  return packet->dts != kNoTimestamp ? packet->dts : packet->pts;
}

int64_t FFmpegReader::startTimestamp() const {
  const int64_t t = earlierKnown(firstPts, firstDts);
  return t == kNoTimestamp ? 0 : t;
}

void FFmpegReader::seekToFrame(int32_t n) {
  if (currentFrame == n && n > 0) return;
  if (indexUsable()) {
    if (!seekViaIndex(n)) throw Error(13);
    return;
  }
  currentFrame = -1;
  walkStamps.clear();
  if (!videoStream || n < 0) throw Error(13);
  const AVRational rate = frameNumberRate(videoStream);
  const AVRational tb = videoStream->time_base;
  const int64_t start = startTimestamp();
  const int64_t target =
      addSaturated(start, av_rescale_q_rnd(n, AVRational{tb.den, tb.num}, rate, AV_ROUND_DOWN));
  int64_t seekTs = std::max(addSaturated(target, -1), start);
  for (;;) {
    if (!seekTimestamp(seekTs, AVSEEK_FLAG_BACKWARD)) throw Error(13);
    const int64_t landing = landAfterSeek();
    if (ensureFramePastDamage()) {
      const int64_t t = earlierKnown(decoder.framePts, decoder.frameDts);
      if (t != kNoTimestamp && t <= target) break;
    }
    // Landed after the target: step back to before the landing point, while that still moves.
    if (landing < 1) throw Error(13);
    const int64_t next = landing - 1;
    if (next >= seekTs) throw Error(13);
    seekTs = next;
  }
  // A time base that rounds each frame's time and duration (Matroska's milliseconds) may let a
  // frame's end pass the next frame's time by a tick: such a frame does not cover the target.
  const int64_t slack =
      av_rescale_q_rnd(1, AVRational{tb.den, tb.num}, rate, AV_ROUND_DOWN) > 2 ? 1 : 0;
  for (;;) {
    const int64_t t =
        decoder.frameReady ? earlierKnown(decoder.framePts, decoder.frameDts) : kNoTimestamp;
    if (t == kNoTimestamp) throw Error(13);
    walkStamps.push_back(t);
    currentFrame = n;
    if (isAvi) {
      // Frame n is the picture of slot n, else the last one before it (as reading in order
      // shows it): held, the next read gives it.
      const int64_t slot = readySlot();
      if (slot != kNoTimestamp && slot >= n) {
        nextSlot = heldSlot >= 0 ? n : -1;
        return;
      }
      holdPicture(decoder.frame, slot);
    } else {
      const int64_t end =
          addSaturated(t, decoder.frameDuration > slack ? decoder.frameDuration - slack : 1);
      if (end > target) return;
    }
    takeFrame();
    ensureFramePastDamage();
  }
}

int64_t FFmpegReader::lastFrameTimestamp(int rateNum, int rateDen) {
  const AVRational tb = videoStream->time_base;
  int64_t end;
  if (videoStream->duration > 0) {
    end = addSaturated(startTimestamp(), videoStream->duration);
  } else if (formatContext->duration > 0) {
    end = addSaturated(startTimestamp(), av_rescale_q_rnd(formatContext->duration, AV_TIME_BASE_Q,
                                                          tb, AV_ROUND_DOWN));
  } else {
    return kNoTimestamp;
  }
  if (params.frameAccurate) {
    if (!seekTimestamp(end, AVSEEK_FLAG_BACKWARD)) return kNoTimestamp;
    const int64_t landing = landAfterSeek();
    int64_t lastPts = kNoTimestamp, lastDts = kNoTimestamp;
    while (ensureFrame()) {
      if (decoder.framePts == kNoTimestamp && decoder.frameDts == kNoTimestamp) break;
      lastPts = decoder.framePts;
      lastDts = decoder.frameDts;
      takeFrame();
    }
    const int64_t last = earlierKnown(lastPts, lastDts);
    if (last != kNoTimestamp) return last;
    if (landing != kNoTimestamp && landing >= startTimestamp()) return landing;
  }
  const int64_t frameTicks =
      static_cast<int64_t>(rateDen) * tb.den / (static_cast<int64_t>(rateNum) * tb.num);
  return addSaturated(end, -frameTicks);
}

int64_t FFmpegReader::countPackets() {
  if (!seekTimestamp(startTimestamp(), AVSEEK_FLAG_BACKWARD)) return kNoTimestamp;
  int64_t count = 0;
  while (readPacketOfStream(videoStreamIndex)) ++count;
  return count > 0 ? count : kNoTimestamp;
}

void FFmpegReader::estimateFrameCount() {
  frameCount = kNoTimestamp;
  if (videoStream->nb_frames > 0) {
    frameCount = videoStream->nb_frames;
  } else {
    const AVRational rate = frameNumberRate(videoStream);
    const AVRational tb = videoStream->time_base;
    const int64_t last = lastFrameTimestamp(rate.num, rate.den);
    if (last != kNoTimestamp) {
      // To the nearest frame: a time base coarser than the frame rate (Matroska's milliseconds
      // at 24 or 29.97 frames per second) rounds each frame's time either way.
      const int64_t span = last > startTimestamp() ? last - startTimestamp() : 0;
      frameCount =
          addSaturated(av_rescale_rnd(span, static_cast<int64_t>(tb.num) * rate.num,
                                      static_cast<int64_t>(tb.den) * rate.den, AV_ROUND_NEAR_INF),
                       1);
    }
  }
  // No length from the container or the time stamps: the packets tell, when the open may read
  // the whole file.
  if (frameCount == kNoTimestamp && params.frameAccurate) frameCount = countPackets();
  frameCountExact = false;
  if (params.frameAccurate) {
    if (frameCount == kNoTimestamp || frameCount <= 0) throw Error(15);
    frameCountExact = verifyFrameCount();
  }
}

bool FFmpegReader::verifyFrameCount() {
  if (frameCount < 1 || frameCount > std::numeric_limits<int32_t>::max()) return false;
  try {
    seekToFrame(static_cast<int32_t>(frameCount - 1));
    // Frame numbers come from time stamps: the frames decoded on the way to the last one must lie
    // one frame apart (variable frame times do not), the last frame must be there and nothing
    // may follow it (a frame that cannot be decoded there leaves the count unproven).
    const AVRational rate = frameNumberRate(videoStream);
    const AVRational tb = videoStream->time_base;
    const double period =
        static_cast<double>(tb.den) * rate.den / (static_cast<double>(tb.num) * rate.num);
    bool regular = true;
    for (size_t i = 1; i < walkStamps.size(); ++i) {
      const double step =
          static_cast<double>(walkStamps[i]) - static_cast<double>(walkStamps[i - 1]);
      if (std::fabs(step - period) > 1.0) regular = false;
    }
    takeFrame();
    bool more = true;
    try {
      more = ensureFrame();
    } catch (const Error&) {
    }
    seekToFrame(0);
    if (more || !regular) return false;
  } catch (const Error& e) {
    if (e.code == 13) return false;
    throw;
  }
  frameCountExact = true;
  return true;
}

// --- the key-frame index

bool FFmpegReader::indexUsable() const { return index && index->usable(); }

void FFmpegReader::indexStep() {
  const IndexModeInfo& mode = indexModeInfo(params.indexSettings.mode);
  // The container's own index does not list every frame.
  const int64_t frames = videoStream->nb_frames;
  const bool needIndex = frames <= 0 || avformat_index_get_entries_count(videoStream) < frames;
  if (!params.frameAccurate && !mode.usesFile) return;
  if (mode.policy == IndexBuildPolicy::None) return;
  if (mode.policy == IndexBuildPolicy::Forced || needIndex) buildIndex(!params.frameAccurate);
}

void FFmpegReader::buildIndex(bool onlyLoad) {
  static_assert(kPacketFlagKey == AV_PKT_FLAG_KEY);
  const bool usesFile = params.indexSettings.usesFile();
  auto readPosition = [this] {
    return formatContext && formatContext->pb ? avio_tell(formatContext->pb) : int64_t{0};
  };
  if (!usesFile && !onlyLoad) {
    index = std::make_shared<FFmpegMemIndex>(readPosition);
  } else {
    const std::wstring path = params.indexSettings.indexPath(params.fileName);
    post(3842, L"Use index file: " + path, path, -1);
    index = std::make_shared<FFmpegFileIndex>(readPosition, params.fileName, path);
  }
  if (!index->needsBuilding()) return;
  post(3842, std::wstring(L"Building index") + (usesFile ? L"" : L" in mem") + L"...", L"", -1);
  if (onlyLoad) return;
  while (readPacket()) {
    // The first frame is decoded on the way and stays ready.
    if (!firstFrameSeen && (decoder.frameReady || (!decoder.packetDecoded && decoder.decodeStep())))
      firstFrameSeen = true;
    if (packet->stream_index == videoStreamIndex)
      index->addPacket({packet->pts, packet->dts, packet->flags, packet->pos});
    decoder.packetDecoded = true;
  }
  if (!index->finish()) {
    post(1, L"Error creating index", L"", -1);
    index.reset();
  }
}

bool FFmpegReader::seekViaIndex(int32_t n) {
  return seekViaKey(n, true, false) || seekViaKey(n, true, true) || seekViaKey(n, false, false) ||
         seekViaKey(n, false, true);
}

bool FFmpegReader::seekViaKey(int32_t n, bool byteSeek, bool fromPreviousKey) {
  if (!indexUsable()) return false;
  currentFrame = -1;
  KeyRecord k = index->keyAtOrBefore(n);
  // In an open group the frames before a key's picture come from the key before.
  for (int tries = 0; tries < 4; ++tries) {
    switch (seekFromKey(n, k, byteSeek, fromPreviousKey)) {
      case KeySeek::Landed:
        currentFrame = n;
        return true;
      case KeySeek::Failed:
        return false;
      case KeySeek::TooLate:
        if (k.frame == 0) return false;
        k = index->keyAtOrBefore(k.frame - 1);
    }
  }
  return false;
}

FFmpegReader::KeySeek FFmpegReader::seekFromKey(int32_t n, const KeyRecord& k, bool byteSeek,
                                                bool fromPreviousKey) {
  KeyRecord t = k;
  if (fromPreviousKey) {
    if (k.frame == 0) return KeySeek::Failed;
    t = index->keyAtOrBefore(k.frame - 1);
  }
  bool sought;
  if (byteSeek) {
    if (formatContext->iformat->flags & AVFMT_NO_BYTE_SEEK) return KeySeek::Failed;
    sought = seekTimestamp(t.seekPos, AVSEEK_FLAG_BYTE | AVSEEK_FLAG_ANY);
  } else {
    const int64_t ts = earlierKnown(t.pts, t.dts);
    sought = ts != kNoTimestamp && seekTimestamp(ts, AVSEEK_FLAG_BACKWARD);
  }
  if (!sought) return KeySeek::Failed;
  // Where the seek landed: the first video packet at a key packet's position.
  int32_t j = -1;
  while (j < 0) {
    if (!readPacketOfStream(videoStreamIndex)) return KeySeek::Failed;
    if (packet->pos >= 0) j = index->frameOfPosition(packet->pos);
  }
  if (j > k.frame) return KeySeek::Failed;
  if (t.keyIndex - index->keyAtOrBefore(j).keyIndex > 2) return KeySeek::Failed;
  // Over the packets before the key, undecoded.
  while (j < k.frame && packet->pos != k.pos) {
    if (!readPacketOfStream(videoStreamIndex)) return KeySeek::Failed;
    ++j;
  }
  if (packet->pos != k.pos) return KeySeek::Failed;
  // Decode from the key up to frame n; the key's first picture is frame k.frame unless the
  // decoder skipped pictures before it.
  for (int32_t frame = -1;;) {
    if (!ensureFrame()) return KeySeek::Failed;
    frame = frame < 0 ? static_cast<int32_t>(k.frame + decoder.skippedPictures) : frame + 1;
    if (frame > n) return KeySeek::TooLate;
    if (frame == n) return KeySeek::Landed;
    takeFrame();
  }
}

bool FFmpegReader::countViaIndex() {
  if (!indexUsable()) return false;
  const KeyRecord k = index->lastKeyRecord();
  if (!seekViaIndex(k.frame)) return false;
  int64_t count = k.frame;
  while (ensureFrame()) {
    takeFrame();
    ++count;
  }
  frameCount = count;
  frameCountExact = true;
  return true;
}

double FFmpegReader::fps() const {
  if (!videoStream) return 0;
  if (const double r = usableRate(videoStream->r_frame_rate)) return r;
  if (const double r = usableRate(videoStream->avg_frame_rate)) return r;
  const AVRational tb = av_stream_get_codec_timebase(videoStream);
  if (tb.num != 0 && tb.den != 0) {
    const double r = 1.0 / (static_cast<double>(tb.num) / tb.den);
    if (std::isfinite(r) && r > 0) return r;
  }
  return 25;
}

// --- the abstract source

namespace {

const PropertyDescriptionList& emptyOptionList() {
  static const PropertyDescriptionList list;
  return list;
}

}  // namespace

RawImage tfIVideoSource::newFrame() {
  RawImage image(imageInfo());
  image.allocate();
  return image;
}

const PropertyDescriptionList& tfIVideoSource::getDecoderOptions() const {
  return emptyOptionList();
}

double tfIVideoSource::getFps() const { return std::numeric_limits<double>::quiet_NaN(); }

RawImageInfo tfIVideoSource::imageInfo() {
  RawImageInfo info(getRawFormat(), getWidth(), getHeight());
  info.bindReader();
  return info;
}

// --- the FFmpeg source

const char* Error::what() const noexcept {
  static thread_local std::string text;
  text = toUtf8(errorText(code));
  return text.c_str();
}

MessageRecord Error::toMessage() const {
  return MessageRecord{messageTimeNow(), 0, errorText(code), L"", 16010 + code};
}

std::wstring tfFFmpegSource::errorText(int32_t code) {
  static const std::map<int32_t, std::wstring> texts = {
      {0, L"Success"},
      {1, L"Can't open file. File not exists or locked for reading"},
      {3, L"Can't find stream info. File has unknown format"},
      {4, L"File contains no video"},
      {5, L"Decoder not found"},
      {6, L"Stream can not be opened"},
      {7, L"Unable to decode file pixel format"},
      {8, L"Decoder for this file not found"},
      {9, L"Decoder for this file can't be initialized"},
      {10, L"Buffer of proper size could'n be allocated"},
      {11, L"Buffer for frame could'n be allocated"},
      {12, L"Error occured while decoding frame: corruption of unknown format of file"},
      {13, L"Seeking failed"},
      {14,
       L"Video stream has mutable resolution or pixel format. Only constant image format "
       L"supported"},
      {15, L"Failed to calculate the number of frames"},
      {16, L"No such frame in file"},
  };
  const auto it = texts.find(code);
  return it != texts.end() ? it->second : L"Unknown error";
}

tfFFmpegSource::tfFFmpegSource() : reader(std::make_unique<FFmpegReader>()) {}

tfFFmpegSource::~tfFFmpegSource() = default;

int32_t tfFFmpegSource::open(const FFmpegSourceParams& params) {
  VIXO_ASSERT(params.range.isDefault());
  fileName = toUtf8(params.fileName);
  changeCount += 1;
  try {
    reader->open(params, requestedHint);
  } catch (const Error& e) {
    lastError = e.code;
    return e.code;
  }
  return 0;
}

int32_t tfFFmpegSource::readFrame(RawImage& out, int32_t n) {
  try {
    reader->seekToFrame(n);
  } catch (const Error& e) {
    return e.code;
  }
  return reader->readNextFrame(out);
}

int32_t tfFFmpegSource::readNextFrame(RawImage& out) { return reader->readNextFrame(out); }

void tfFFmpegSource::setInterrupted(bool interrupted) {
  reader->interrupted.store(interrupted, std::memory_order_relaxed);
}

int32_t tfFFmpegSource::close() {
  changeCount += 1;
  reader->close();
  return 0;
}

bool tfFFmpegSource::seekAndTestEnd(int32_t n) {
  try {
    reader->seekToFrame(n);
    return reader->isAtEnd();
  } catch (const Error& e) {
    if (listener) listener->receive(e.toMessage());
    return true;
  }
}

bool tfFFmpegSource::isAtEnd() {
  try {
    return reader->isAtEnd();
  } catch (const Error& e) {
    if (listener) listener->receive(e.toMessage());
    return true;
  }
}

RawFormatSpec tfFFmpegSource::getRawFormat() {
  if (!reader) return RawFormatSpec();
  return rawFormatFromHint(static_cast<RawFormatHint>(reader->converter.hint));
}

int32_t tfFFmpegSource::getWidth() const { return reader->width; }
int32_t tfFFmpegSource::getHeight() const { return reader->height; }

int32_t tfFFmpegSource::getFrameCount() const {
  const int64_t n = reader->frameCount;
  return n >= 0 && n <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(n) : 0;
}

bool tfFFmpegSource::isFrameCountExact() const { return reader->frameCountExact; }

const PropertyDescriptionList& tfFFmpegSource::getDecoderOptions() const {
  return reader->decoderOptions;
}

void tfFFmpegSource::setListener(MEQA::MessageListener* l) {
  listener = l;
  reader->listener = l;
}

std::wstring tfFFmpegSource::getFileName() const { return fromUtf8(fileName); }

bool tfFFmpegSource::isStreamReady() const { return reader->streamReady; }

bool tfFFmpegSource::isFrameAccurate() const { return reader->params.frameAccurate; }

int32_t tfFFmpegSource::seek(int32_t n) {
  try {
    reader->seekToFrame(n);
  } catch (const Error& e) {
    return e.code;
  }
  return 0;
}

double tfFFmpegSource::getFps() const { return reader->fps(); }

int64_t tfFFmpegSource::getLastPacketSize() const { return reader->lastPacketSize; }

int64_t tfFFmpegSource::getContainerDuration() const {
  const AVFormatContext* f = reader->formatContext;
  return f ? f->duration : kNoTimestamp;
}

std::wstring tfFFmpegSource::describe(bool withFileName) const {
  std::vector<std::string> items;
  if (withFileName && !fileName.empty()) items.push_back("\"" + fileName + "\"");
  const FFmpegFormats::Converter& c = reader->converter;
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(c.sourceFormat));
  if (c.ready() && d) {
    items.push_back(d->name);
    items.push_back("->");
    items.push_back(rawFormatFromHint(static_cast<RawFormatHint>(c.hint)).name());
  }
  const auto& info = reader->streamInfo;
  items.push_back("format " + (info.formatName.empty() ? "<unknown>" : info.formatName));
  items.push_back("codec " + (info.decoderName.empty() ? "<unknown>" : info.decoderName));
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : " ") + item;
  return fromUtf8(text);
}

std::wstring tfFFmpegSource::getDescription() { return describe(true); }

std::wstring tfFFmpegSource::getShortDescription() { return describe(false); }

std::vector<std::wstring> tfFFmpegSource::getDescriptionLines() {
  std::vector<std::wstring> lines;
  const FFmpegFormats::Converter& c = reader->converter;
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(c.sourceFormat));
  if (c.ready() && d) {
    lines.push_back(fromUtf8(std::string(d->name) + " -> " +
                             rawFormatFromHint(static_cast<RawFormatHint>(c.hint)).name()));
  }
  const auto& info = reader->streamInfo;
  lines.push_back(fromUtf8("Format: " + (info.formatName.empty() ? "<unknown>" : info.formatName)));
  lines.push_back(
      fromUtf8("Codec: " + (info.decoderName.empty() ? "<unknown>" : info.decoderName)));
  return lines;
}
