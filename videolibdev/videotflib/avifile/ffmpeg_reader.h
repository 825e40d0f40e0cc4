// The reader behind tfFFmpegSource: packet reading, decoding, seeking and frame counting.
// Internal to the video source module (its .cpp files); callers use ffmpeg.h.
//
// Frame n is the (n+1)-th frame the decoder delivers from the start of the file. Time stamps are
// in the video stream's time base; INT64_MIN (FFmpeg's "no time stamp") means unknown.
// Single-threaded, like the source.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "avifile/ffmpeg.h"
#include "avifile/ffmpeg_formats.h"
#include "avifile/ffmpeg_index.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

constexpr int64_t kNoTimestamp = INT64_MIN;

class FFmpegDecoder {
 public:
  // Throws tfFFmpegSource::Error 11 when no frame can be allocated.
  explicit FFmpegDecoder(FFmpegReader& reader);
  ~FFmpegDecoder();
  FFmpegDecoder(const FFmpegDecoder&) = delete;
  FFmpegDecoder& operator=(const FFmpegDecoder&) = delete;

  // One step of the decoder: feeds the current packet when it has not been taken yet, then asks
  // for a frame. Returns frameReady. Throws Error 12 (the decoder failed) or 14 (the picture's
  // size or pixel format changed).
  bool decodeStep();
  // Switches to flushing the decoder at the end of the file.
  void startDraining();
  bool hasFrame() const { return frameReady; }
  // The clean state of an open or a seek (the held picture released, the queue emptied).
  void reset();
  // Frames the decoder holds back: its reordering delay and that of frame threads.
  size_t delayedFrames() const;
  // Releases the held picture, frees the frame and empties the queue.
  void release();

  FFmpegReader& reader;
  bool packetDecoded = true;  // nothing left to do with the current packet
  bool draining = false;      // the end was reached and the decoder is being flushed
  bool frameHeld = false;     // `frame` holds a picture that the next step releases
  bool frameReady = false;    // a decoded frame waits to be taken
  bool packetFed = false;     // a packet was read since the start or the last seek
  // The decoder accepted the current packet (or the end-of-stream marker). A packet that it
  // refused with EAGAIN stays pending until the waiting frames have been taken.
  bool packetSent = false;
  AVFrame* frame = nullptr;
  int64_t framePts = kNoTimestamp;
  int64_t frameDts = kNoTimestamp;
  int64_t frameDuration = 0;
  struct Stamps {
    int64_t pts, dts, duration;
  };
  std::deque<Stamps> timestampQueue;  // packets' time stamps in decode order (AVI only)
  // Since the last reset: video packets the decoder took, frames it gave, and how many of the
  // packets before its first frame gave no picture (-1 before the first frame). A seek into an
  // open group skips the pictures that refer to the group before.
  int64_t packetsTaken = 0;
  int64_t framesGiven = 0;
  int64_t skippedPictures = -1;
};

class FFmpegReader {
 public:
  FFmpegReader();
  ~FFmpegReader();
  FFmpegReader(const FFmpegReader&) = delete;
  FFmpegReader& operator=(const FFmpegReader&) = delete;

  // Throws tfFFmpegSource::Error with the code of the failure.
  void open(const FFmpegSourceParams& params, int32_t requestedHint);
  // Closes the input and forgets the stream and the decoder; sizes, counts, names and the
  // converter stay.
  void close();

  // Reads the next packet of any stream; false (and draining) at the end of the file.
  bool readPacket();
  // Reads packets until one of the stream arrives; false at the end of the file.
  bool readPacketOfStream(int32_t streamIndex);
  // Decodes until a frame is ready; false when the stream is exhausted.
  bool ensureFrame();
  // The ready frame; valid until the next decoding step. Requires one (assertion).
  AVFrame* takeFrame();
  int32_t readNextFrame(RawImage& out);
  bool isAtEnd() { return !ensureFrame(); }
  // Resets decoding and seeks the video stream; false when the seek failed.
  bool seekTimestamp(int64_t ts, int flags);
  // The earlier known of the stream's first time stamps; 0 when both are unknown.
  int64_t startTimestamp() const;
  // Positions the reader so that the next frame read is frame n; throws Error 13.
  void seekToFrame(int32_t n);
  // The time stamp of the last frame, at rate rateNum/rateDen (both positive); unknown possible.
  int64_t lastFrameTimestamp(int rateNum, int rateDen);
  void estimateFrameCount();
  bool verifyFrameCount();
  double fps() const;

  // The index step of the open: loads or builds the index the mode asks for.
  void buildIndex(bool onlyLoad);
  // Positions on frame n through the index, trying byte and time-stamp seeks to the key frame
  // and to the one before; false when all fail.
  bool seekViaIndex(int32_t n);
  bool seekViaKey(int32_t n, bool byteSeek, bool fromPreviousKey);
  // Counts the frames from the last key frame to the end; false when it cannot seek there.
  bool countViaIndex();
  // An index with key records and their positions; an empty one is never read.
  bool indexUsable() const;

  // Set from any thread: every demuxer call of this reader then ends at once (FFmpeg asks
  // isInterrupted while it waits for data).
  std::atomic<bool> interrupted{false};
  AVPacket* packet = nullptr;  // the last packet read
  FFmpegDecoder decoder;
  bool endOfFile = false;
  AVFormatContext* formatContext = nullptr;
  AVStream* videoStream = nullptr;
  AVCodecContext* codecContext = nullptr;  // owned
  int32_t videoStreamIndex = -1;
  bool formatLocked = false;  // set by the first decoded frame: the size and format are fixed
  int32_t width = 0;
  int32_t height = 0;
  int32_t pixelFormat = -1;
  int64_t frameCount = kNoTimestamp;
  FFmpegFormats::Converter converter;
  int64_t firstPts = kNoTimestamp;
  int64_t firstDts = kNoTimestamp;
  PropertyDescriptionList decoderOptions;
  bool streamReady = false;
  struct StreamInfo {
    int32_t streamIndex = -1;
    std::string decoderName;
    std::string formatName;
  } streamInfo;
  bool firstFrameSeen = false;
  std::shared_ptr<FFmpegIndexBase> index;
  MEQA::MessageListener* listener = &MEQA::MessageListener::dummy();
  bool isAvi = false;
  bool frameCountExact = false;
  int32_t currentFrame = -1;  // the frame the next read returns; -1 unknown
  int64_t lastPacketSize = -1;
  FFmpegSourceParams params;
  // The time stamps of the frames the last seekToFrame decoded, from its landing point to the
  // target frame.
  std::vector<int64_t> walkStamps;
  // AVI only: the picture of the last frame read or passed over, its slot (the frame's place in
  // the file's index, -1 none) and the slot the next read gives (-1 unknown). A slot without a
  // picture of its own repeats the held picture.
  AVFrame* heldPicture = nullptr;
  int64_t heldSlot = -1;
  int64_t nextSlot = -1;

 private:
  // FFmpeg's interrupt callback over `interrupted`.
  static int isInterrupted(void* flag);
  void openDecoder();
  // The slot of the ready frame in an AVI file; unknown without one or beyond the header's count.
  int64_t readySlot() const;
  void holdPicture(const AVFrame* picture, int64_t slot);
  void forgetHeldPicture();
  // The demuxer's time stamps of a video packet of an AVI file, replaced by those of its chunk in
  // the file's index.
  void restampFromIndex();
  // ensureFrame, passing over damaged packets (a few in a row) as reading in order does.
  bool ensureFramePastDamage();
  // Reads the first packet of the video stream after a seek and keeps it pending for decoding;
  // its dts (else its pts) tells where the seek landed.
  int64_t landAfterSeek();
  // The frame count of a stream whose length no time stamp tells: its video packets, counted
  // by reading the file once without decoding.
  int64_t countPackets();
  void post(int32_t kind, const std::wstring& text, const std::wstring& details, int32_t code);
  void indexStep();
  enum class KeySeek { Landed, Failed, TooLate };
  // Seeks to key k (or the key before it), passes over the packets up to k and decodes from k
  // to frame n. TooLate: frame n comes before the first picture that k gives.
  KeySeek seekFromKey(int32_t n, const KeyRecord& k, bool byteSeek, bool fromPreviousKey);
};
