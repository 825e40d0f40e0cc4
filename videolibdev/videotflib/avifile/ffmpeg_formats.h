// How FFmpeg pixel formats reach raw images: the pixel-format table (which raw format each
// FFmpeg format is delivered as, what swscale converts it to, and what a listener is told about
// the cost), the format messages, and the converter that turns each decoded frame into a raw
// image.
//
// FFmpeg pixel formats are plain ints (AVPixelFormat values) here, so that no FFmpeg header is
// needed. The table, the default row and the messages are built once on first use and only read
// afterwards: any thread may look them up. A Converter belongs to one video source and is used by
// the one thread that reads that source.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "avifile/message_listener.h"

class RawImage;
struct SwsContext;

namespace FFmpegFormats {

// Once per process, before FFmpeg is first used: FFmpeg's own log output stays quiet unless the
// environment variable VIXO_DEBUG is set. Safe from any thread.
void initFFmpeg();

class MultipleMessages;

// A message about a format conversion.
class Message {
 public:
  virtual ~Message() = default;
  virtual std::shared_ptr<Message> clone() const = 0;
  // Both messages in one list (see the kinds for the order).
  virtual std::shared_ptr<MultipleMessages> combine(const std::shared_ptr<Message>& other) = 0;
  // Hands the message to the listener; a null listener receives nothing.
  virtual void post(MEQA::MessageListener* listener) const = 0;
};

class EmptyMessage : public Message {
 public:
  std::shared_ptr<Message> clone() const override;
  // [clone of other, clone of this]
  std::shared_ptr<MultipleMessages> combine(const std::shared_ptr<Message>& other) override;
  void post(MEQA::MessageListener*) const override {}
};

class Warning : public Message {
 public:
  Warning(int32_t code, std::string id, std::wstring text)
      : code(code), id(std::move(id)), text(std::move(text)) {}
  std::shared_ptr<Message> clone() const override;
  // [clone of other, clone of this]
  std::shared_ptr<MultipleMessages> combine(const std::shared_ptr<Message>& other) override;
  // One record {now, kind 1, text, no details, code}.
  void post(MEQA::MessageListener* listener) const override;

  int32_t code;
  std::string id;  // never leaves the warning
  std::wstring text;
};

class MultipleMessages : public Message {
 public:
  // Lists `second` first, then `first`.
  MultipleMessages(std::shared_ptr<Message> first, std::shared_ptr<Message> second);
  explicit MultipleMessages(std::vector<std::shared_ptr<Message>> list) : list(std::move(list)) {}
  // A new list holding the same message pointers.
  std::shared_ptr<Message> clone() const override;
  // Appends a clone of other to this list and returns a new list with a copy of it.
  std::shared_ptr<MultipleMessages> combine(const std::shared_ptr<Message>& other) override;
  // Posts the elements in list order.
  void post(MEQA::MessageListener* listener) const override;

  std::vector<std::shared_ptr<Message>> list;
};

const std::shared_ptr<Message>& emptyMessage();
const std::shared_ptr<Message>& warnOver();
const std::shared_ptr<Message>& warnBits();
const std::shared_ptr<Message>& warnScalePixelFormat();
const std::shared_ptr<Message>& warnScaleColorRange();
const std::shared_ptr<Message>& warnAlpha();
const std::shared_ptr<Message>& warnUnknown();
const std::shared_ptr<Message>& warnUnsupported();

// One row of the table.
struct PixelFormatEntry {
  int32_t hint;                      // RawFormatHint of the delivered frames
  int32_t targetFormat;              // FFmpeg format that swscale writes into the raw image
  int32_t sourceFormat;              // FFmpeg format of the video
  std::shared_ptr<Message> message;  // the row's own message
};

// Rows in ascending order of their source format (see the .cpp for the two exceptions).
const std::vector<PixelFormatEntry>& pixelFormatTable();
// The row of every lookup that finds none: YUV444P delivered as hint 31, W_UNKNOWN.
const PixelFormatEntry& unknownFormatEntry();

// Turns decoded frames of one size and FFmpeg format into raw images of the chosen hint: a plain
// copy when the video's format is the target, else one sws_scale straight into the image.
class Converter {
 public:
  Converter() = default;
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter();

  // The row of the video's own format (the first row with that source format).
  void setFromFormat(int width, int height, int sourceFormat);
  // The first row that delivers the hint (the default row when none does).
  void setFromHint(int width, int height, int sourceFormat, int32_t hint);
  // The colour matrix (an AVColorSpace) and range (an AVColorRange) of the decoded frames, as
  // the stream names them; a matrix or range it leaves unnamed keeps swscale's default
  // (BT.601, and the range the pixel format implies). Only a conversion from YUV uses them.
  void setColourDetails(int colourSpace, int colourRange);
  // One frame into dst, a raw image of the converter's hint and size. Requires a context or
  // the plain-copy mode (assertion "swsContext || noSws").
  void convert(RawImage& dst, const uint8_t* const planes[], const int lineSizes[]);
  // Frees the swscale context (and then drops the message); nothing without a context.
  void release();

  // Whether frames can be converted.
  bool ready() const { return swsContext != nullptr || noSws; }

  int32_t sourceFormat = 0;
  int32_t targetFormat = 0;
  int32_t hint = 0;
  SwsContext* swsContext = nullptr;
  bool noSws = false;
  int32_t width = 0;
  int32_t height = 0;
  std::shared_ptr<Message> message;

 private:
  void setUp(int width, int height, int sourceFormat, const PixelFormatEntry& row);
};

}  // namespace FFmpegFormats
