// Frame-exact reading of one video file through FFmpeg.
//
// tfIVideoSource is the abstract video source; tfFFmpegSource reads the best video stream of a
// file through the FFmpeg libraries and hands its frames out one by one as raw images of one
// fixed raw format and size: in sequence, or by frame number (time-stamp seeking, or a key-frame
// index). Failures are tfFFmpegSource::Error codes 0 to 16 with fixed English texts; errors,
// warnings and progress notes also go to a MEQA::MessageListener.
//
// Threads: a source takes no locks and starts no threads. One thread at a time may use it, and
// its listener is called on that thread; only setInterrupted may be called from any thread.
#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "avifile/ffmpeg_index.h"
#include "avifile/message_listener.h"
#include "avifile/property_validator.h"
#include "videoimage/rawimage/raw_image.h"

class tfIVideoSource {
 public:
  tfIVideoSource() : listener(&MEQA::MessageListener::dummy()) {}
  virtual ~tfIVideoSource() = default;
  tfIVideoSource(const tfIVideoSource&) = delete;
  tfIVideoSource& operator=(const tfIVideoSource&) = delete;

  virtual int32_t getChangeCount() const { return changeCount; }
  // Frame n into out: 0, or an error code.
  virtual int32_t readFrame(RawImage& out, int32_t n) = 0;
  // The next frame into out: 0, or 16 when there is none.
  virtual int32_t readNextFrame(RawImage& out) = 0;
  // An allocated image of the source's raw format and size.
  virtual RawImage newFrame();
  virtual int32_t close() = 0;
  virtual std::wstring getDescription() = 0;
  virtual std::wstring getShortDescription() = 0;
  virtual std::vector<std::wstring> getDescriptionLines() = 0;
  virtual std::wstring getErrorText(int32_t code) = 0;
  // Positions on frame n and tells whether no frame can be read there.
  virtual bool seekAndTestEnd(int32_t n) = 0;
  virtual bool isAtEnd() = 0;
  virtual RawFormatSpec getRawFormat() = 0;
  virtual int32_t getWidth() const = 0;
  virtual int32_t getHeight() const = 0;
  virtual int32_t spare1() { return 0; }
  virtual int32_t spare2() { return 1; }
  virtual int32_t getFrameCount() const { return 0; }
  virtual bool isFrameCountExact() const { return true; }
  virtual bool spare3() { return false; }
  virtual int32_t spare4() { return 0; }
  virtual const PropertyDescriptionList& getDecoderOptions() const;
  virtual void setListener(MEQA::MessageListener* l) { listener = l; }
  virtual void spare5() {}
  virtual std::wstring getFileName() const = 0;
  virtual bool isStreamReady() const { return false; }
  virtual bool spare6() { return false; }
  virtual bool isFrameAccurate() const { return false; }
  // Positions on frame n: 0, or an error code.
  virtual int32_t seek(int32_t n) = 0;
  // Frames per second; NaN when the source cannot tell.
  virtual double getFps() const;
  virtual int64_t getLastPacketSize() const = 0;
  virtual bool spare7() = 0;

  // The header of the source's frames, its reader bound.
  RawImageInfo imageInfo();

 protected:
  MEQA::MessageListener* listener;  // not owned
  int32_t changeCount = 0;
};

struct FrameRange {
  int32_t start = 0;
  int32_t end = -1;
  bool isDefault() const { return start == 0 && end == -1; }
};

struct FFmpegSourceParams {
  std::wstring fileName;
  // Options handed to the decoder, in key order; an entry without a value is not handed on.
  std::map<std::string, Any> decoderOptions;
  IndexSettings indexSettings;
  FrameRange range;  // only the whole file is supported
  // true: frames in the stream's own pixel format; false: in the requested hint's format.
  bool formatFromStream = false;
  // Probe during the open so that frame numbers, seeking and the frame count are exact.
  bool frameAccurate = true;
};

class FFmpegReader;

class tfFFmpegSource : public tfIVideoSource {
 public:
  class Error : public std::exception {
   public:
    explicit Error(int32_t code) : code(code) {}
    const char* what() const noexcept override;
    // {now, kind 0, the code's text, no details, 16010 + code}
    MessageRecord toMessage() const;
    int32_t code;
  };
  // The text of a code; "Unknown error" for a code without one.
  static std::wstring errorText(int32_t code);
  // Damaged packets (Error 12) passed over in a row, reading in order or seeking, before the
  // stream counts as broken.
  static constexpr int kDamagedPacketsInARow = 16;

  // Throws Error 11 when FFmpeg cannot allocate a frame.
  tfFFmpegSource();
  ~tfFFmpegSource() override;

  // 0, or the error code (also kept in lastError). Closes what was open first.
  int32_t open(const FFmpegSourceParams& params);

  // Any thread: true makes every read of the file end at once, so that an open or a read that
  // waits for data gives up (an open then fails with 1, a read finds the end); false lets the
  // source read again. A new source reads.
  void setInterrupted(bool interrupted);

  int32_t readFrame(RawImage& out, int32_t n) override;
  // Decoding failures leave as Error 12 or 14.
  int32_t readNextFrame(RawImage& out) override;
  int32_t close() override;
  std::wstring getDescription() override;
  std::wstring getShortDescription() override;
  std::vector<std::wstring> getDescriptionLines() override;
  std::wstring getErrorText(int32_t code) override { return errorText(code); }
  bool seekAndTestEnd(int32_t n) override;
  bool isAtEnd() override;
  RawFormatSpec getRawFormat() override;
  int32_t getWidth() const override;
  int32_t getHeight() const override;
  int32_t getFrameCount() const override;
  bool isFrameCountExact() const override;
  const PropertyDescriptionList& getDecoderOptions() const override;
  void setListener(MEQA::MessageListener* l) override;
  std::wstring getFileName() const override;
  bool isStreamReady() const override;
  bool isFrameAccurate() const override;
  int32_t seek(int32_t n) override;
  // The stream's real base rate, else its average rate, else the inverse of its codec time
  // base; 25 when none of them is usable; 0 without a stream.
  double getFps() const override;
  int64_t getLastPacketSize() const override;
  bool spare7() override { return false; }

  // The container's duration in microseconds; INT64_MIN when it has none or nothing is open.
  int64_t getContainerDuration() const;

  std::string fileName;  // UTF-8 path of the last open
  std::unique_ptr<FFmpegReader> reader;
  int32_t lastError = 0;
  int32_t requestedHint = 0;  // RawFormatHint used when formatFromStream is false

 private:
  std::wstring describe(bool withFileName) const;
};
