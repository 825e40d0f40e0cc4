#include "avifile/ffmpeg_formats.h"

extern "C" {
#include <libavutil/log.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "avifile/assertion.h"
#include "videoimage/rawimage/raw_image.h"

namespace FFmpegFormats {

void initFFmpeg() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!std::getenv("VIXO_DEBUG")) av_log_set_level(AV_LOG_QUIET);
  });
}

// --- messages

std::shared_ptr<Message> EmptyMessage::clone() const { return std::make_shared<EmptyMessage>(); }

std::shared_ptr<MultipleMessages> EmptyMessage::combine(const std::shared_ptr<Message>& other) {
  auto otherClone = other->clone();
  return std::make_shared<MultipleMessages>(clone(), otherClone);
}

std::shared_ptr<Message> Warning::clone() const {
  return std::make_shared<Warning>(code, id, text);
}

std::shared_ptr<MultipleMessages> Warning::combine(const std::shared_ptr<Message>& other) {
  auto otherClone = other->clone();
  return std::make_shared<MultipleMessages>(clone(), otherClone);
}

void Warning::post(MEQA::MessageListener* listener) const {
  if (!listener) return;
  listener->receive(MessageRecord{messageTimeNow(), 1, text, {}, code});
}

MultipleMessages::MultipleMessages(std::shared_ptr<Message> first, std::shared_ptr<Message> second)
    : list{std::move(second), std::move(first)} {}

std::shared_ptr<Message> MultipleMessages::clone() const {
  return std::make_shared<MultipleMessages>(list);
}

std::shared_ptr<MultipleMessages> MultipleMessages::combine(const std::shared_ptr<Message>& other) {
  list.push_back(other->clone());
  return std::make_shared<MultipleMessages>(list);
}

void MultipleMessages::post(MEQA::MessageListener* listener) const {
  if (!listener) return;
  for (const auto& m : list) m->post(listener);
}

namespace {

std::shared_ptr<Message> makeWarning(int32_t code, const char* id, const wchar_t* text) {
  return std::make_shared<Warning>(code, id, text);
}

}  // namespace

const std::shared_ptr<Message>& emptyMessage() {
  static const std::shared_ptr<Message> m = std::make_shared<EmptyMessage>();
  return m;
}
const std::shared_ptr<Message>& warnOver() {
  static const auto m =
      makeWarning(18000, "W_OVER", L"Video was converted to format with more significant bits");
  return m;
}
const std::shared_ptr<Message>& warnBits() {
  static const auto m = makeWarning(
      18001, "W_BITS", L"Video has bit depth more than 8 bits for channel, data will be lost");
  return m;
}
const std::shared_ptr<Message>& warnScalePixelFormat() {
  static const auto m =
      makeWarning(18002, "W_SCALE", L"Pixel format of video was scaled to supported format");
  return m;
}
const std::shared_ptr<Message>& warnScaleColorRange() {
  static const auto m = makeWarning(18002, "W_SCALE", L"Untypical color range will be converted");
  return m;
}
const std::shared_ptr<Message>& warnAlpha() {
  static const auto m =
      makeWarning(18003, "W_ALPHA", L"Alpha is not supported for this pixel format");
  return m;
}
const std::shared_ptr<Message>& warnUnknown() {
  static const auto m = makeWarning(18004, "W_UNKNOWN",
                                    L"The pixel format of video is unknown, some data can be lost");
  return m;
}
const std::shared_ptr<Message>& warnUnsupported() {
  static const auto m = makeWarning(18005, "WARN_UNSUPPORTED",
                                    L"The pixel format is unsupported, frames will be converted to "
                                    L"default pixel format with possible loss of data");
  return m;
}

// --- the table

namespace {

enum class Note {
  None,
  Over,
  Bits,
  ScalePixel,
  ScaleRange,
  Alpha,
  Unknown,
  Unsupported,
  ScalePixelThenRange,
  OverThenAlpha
};

std::shared_ptr<Message> noteMessage(Note note) {
  switch (note) {
    case Note::None:
      return emptyMessage()->clone();
    case Note::Over:
      return warnOver()->clone();
    case Note::Bits:
      return warnBits()->clone();
    case Note::ScalePixel:
      return warnScalePixelFormat()->clone();
    case Note::ScaleRange:
      return warnScaleColorRange()->clone();
    case Note::Alpha:
      return warnAlpha()->clone();
    case Note::Unknown:
      return warnUnknown()->clone();
    case Note::Unsupported:
      return warnUnsupported()->clone();
    case Note::ScalePixelThenRange:
      return warnScaleColorRange()->clone()->combine(warnScalePixelFormat());
    case Note::OverThenAlpha:
      return warnAlpha()->clone()->combine(warnOver());
  }
  return emptyMessage()->clone();
}

// Rows with one hint, target and message.
struct Group {
  int32_t hint;
  AVPixelFormat target;
  Note note;
  std::vector<AVPixelFormat> sources;
};

// Formats that this FFmpeg no longer defines (the old hardware formats and the libav aliases of
// the alpha formats) are not listed.
std::vector<Group> groups() {
  return {
      {0, AV_PIX_FMT_RGB24, Note::None, {AV_PIX_FMT_RGB24}},
      {1, AV_PIX_FMT_BGR24, Note::None, {AV_PIX_FMT_BGR24}},
      {7, AV_PIX_FMT_YUYV422, Note::None, {AV_PIX_FMT_YUYV422}},
      {8, AV_PIX_FMT_RGB48LE, Note::None, {AV_PIX_FMT_RGB48LE}},
      {8, AV_PIX_FMT_RGB48LE, Note::Bits, {AV_PIX_FMT_BGR48LE}},
      {8, AV_PIX_FMT_RGB48LE, Note::Alpha, {AV_PIX_FMT_RGBA64LE, AV_PIX_FMT_BGRA64LE}},
      {9, AV_PIX_FMT_RGB48BE, Note::None, {AV_PIX_FMT_RGB48BE}},
      {9, AV_PIX_FMT_RGB48BE, Note::Bits, {AV_PIX_FMT_BGR48BE}},
      {9, AV_PIX_FMT_RGB48BE, Note::Alpha, {AV_PIX_FMT_RGBA64BE, AV_PIX_FMT_BGRA64BE}},
      {13,
       AV_PIX_FMT_GRAY8,
       Note::None,
       {AV_PIX_FMT_GRAY8, AV_PIX_FMT_MONOWHITE, AV_PIX_FMT_MONOBLACK}},
      {13, AV_PIX_FMT_GRAY8, Note::Alpha, {AV_PIX_FMT_Y400A, AV_PIX_FMT_GRAY8A, AV_PIX_FMT_YA8}},
      {14, AV_PIX_FMT_GRAY16LE, Note::None, {AV_PIX_FMT_GRAY16BE, AV_PIX_FMT_GRAY16LE}},
      {14, AV_PIX_FMT_GRAY16LE, Note::Alpha, {AV_PIX_FMT_YA16BE, AV_PIX_FMT_YA16LE}},
      {21,
       AV_PIX_FMT_GBRP,
       Note::None,
       {AV_PIX_FMT_PAL8, AV_PIX_FMT_ARGB, AV_PIX_FMT_RGBA, AV_PIX_FMT_ABGR, AV_PIX_FMT_BGRA,
        AV_PIX_FMT_GBRP, AV_PIX_FMT_0RGB, AV_PIX_FMT_RGB0, AV_PIX_FMT_0BGR, AV_PIX_FMT_BGR0}},
      {21,
       AV_PIX_FMT_GBRP,
       Note::Over,
       {AV_PIX_FMT_BGR8, AV_PIX_FMT_BGR4, AV_PIX_FMT_BGR4_BYTE, AV_PIX_FMT_RGB8, AV_PIX_FMT_RGB4,
        AV_PIX_FMT_RGB4_BYTE, AV_PIX_FMT_RGB565BE, AV_PIX_FMT_RGB565LE, AV_PIX_FMT_RGB555BE,
        AV_PIX_FMT_RGB555LE, AV_PIX_FMT_BGR565BE, AV_PIX_FMT_BGR565LE, AV_PIX_FMT_BGR555BE,
        AV_PIX_FMT_BGR555LE, AV_PIX_FMT_RGB444LE, AV_PIX_FMT_RGB444BE, AV_PIX_FMT_BGR444LE,
        AV_PIX_FMT_BGR444BE}},
      {21, AV_PIX_FMT_GBRP, Note::Unknown, {AV_PIX_FMT_VAAPI, AV_PIX_FMT_DXVA2_VLD}},
      {21, AV_PIX_FMT_GBRP, Note::Unsupported, {AV_PIX_FMT_XYZ12LE, AV_PIX_FMT_XYZ12BE}},
      {21, AV_PIX_FMT_GBRP, Note::Alpha, {AV_PIX_FMT_GBRAP}},
      {21,
       AV_PIX_FMT_GBRP,
       Note::ScalePixel,
       {AV_PIX_FMT_BAYER_BGGR8, AV_PIX_FMT_BAYER_RGGB8, AV_PIX_FMT_BAYER_GBRG8,
        AV_PIX_FMT_BAYER_GRBG8}},
      {22, AV_PIX_FMT_GBRP10LE, Note::Over, {AV_PIX_FMT_GBRP9BE, AV_PIX_FMT_GBRP9LE}},
      {22, AV_PIX_FMT_GBRP10LE, Note::None, {AV_PIX_FMT_GBRP10BE, AV_PIX_FMT_GBRP10LE}},
      {23, AV_PIX_FMT_GBRP12LE, Note::None, {AV_PIX_FMT_GBRP12BE, AV_PIX_FMT_GBRP12LE}},
      {24, AV_PIX_FMT_GBRP14LE, Note::None, {AV_PIX_FMT_GBRP14BE, AV_PIX_FMT_GBRP14LE}},
      {25, AV_PIX_FMT_GBRP16LE, Note::None, {AV_PIX_FMT_GBRP16BE, AV_PIX_FMT_GBRP16LE}},
      {25, AV_PIX_FMT_GBRP16LE, Note::Alpha, {AV_PIX_FMT_GBRAP16BE, AV_PIX_FMT_GBRAP16LE}},
      {25,
       AV_PIX_FMT_GBRP16LE,
       Note::ScalePixel,
       {AV_PIX_FMT_BAYER_BGGR16LE, AV_PIX_FMT_BAYER_BGGR16BE, AV_PIX_FMT_BAYER_RGGB16LE,
        AV_PIX_FMT_BAYER_RGGB16BE, AV_PIX_FMT_BAYER_GBRG16LE, AV_PIX_FMT_BAYER_GBRG16BE,
        AV_PIX_FMT_BAYER_GRBG16LE, AV_PIX_FMT_BAYER_GRBG16BE}},
      {29, AV_PIX_FMT_YUV411P, Note::None, {AV_PIX_FMT_YUV411P, AV_PIX_FMT_UYYVYY411}},
      {29, AV_PIX_FMT_YUV411P, Note::ScaleRange, {AV_PIX_FMT_YUVJ411P}},
      {30, AV_PIX_FMT_YUV410P, Note::None, {AV_PIX_FMT_YUV410P}},
      {31, AV_PIX_FMT_YUV444P, Note::None, {AV_PIX_FMT_YUV444P}},
      {31, AV_PIX_FMT_YUV444P, Note::ScaleRange, {AV_PIX_FMT_YUVJ444P}},
      {31, AV_PIX_FMT_YUV444P, Note::ScalePixel, {AV_PIX_FMT_YUV440P}},
      {31, AV_PIX_FMT_YUV444P, Note::ScalePixelThenRange, {AV_PIX_FMT_YUVJ440P}},
      {31, AV_PIX_FMT_YUV444P, Note::Unknown, {AV_PIX_FMT_VDPAU}},
      {31, AV_PIX_FMT_YUV444P, Note::Alpha, {AV_PIX_FMT_YUVA444P}},
      {34,
       AV_PIX_FMT_YUV422P,
       Note::None,
       {AV_PIX_FMT_YUV422P, AV_PIX_FMT_UYVY422, AV_PIX_FMT_NV16, AV_PIX_FMT_YVYU422}},
      {34, AV_PIX_FMT_YUV422P, Note::ScaleRange, {AV_PIX_FMT_YUVJ422P}},
      {34, AV_PIX_FMT_YUV422P, Note::Alpha, {AV_PIX_FMT_YUVA422P}},
      {35, AV_PIX_FMT_YUV420P, Note::None, {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NV12, AV_PIX_FMT_NV21}},
      {35, AV_PIX_FMT_YUV420P, Note::ScaleRange, {AV_PIX_FMT_YUVJ420P}},
      {35, AV_PIX_FMT_YUV420P, Note::Alpha, {AV_PIX_FMT_YUVA420P}},
      // The 9-bit planar YUV formats are delivered as themselves (little-endian), by the 9-bit
      // hints; the other 9-bit formats go to 10 bits.
      {36, AV_PIX_FMT_YUV444P9LE, Note::None, {AV_PIX_FMT_YUV444P9BE, AV_PIX_FMT_YUV444P9LE}},
      {37, AV_PIX_FMT_YUV422P9LE, Note::None, {AV_PIX_FMT_YUV422P9BE, AV_PIX_FMT_YUV422P9LE}},
      {38, AV_PIX_FMT_YUV420P9LE, Note::None, {AV_PIX_FMT_YUV420P9BE, AV_PIX_FMT_YUV420P9LE}},
      {39, AV_PIX_FMT_YUV444P10LE, Note::None, {AV_PIX_FMT_YUV444P10BE, AV_PIX_FMT_YUV444P10LE}},
      {39,
       AV_PIX_FMT_YUV444P10LE,
       Note::OverThenAlpha,
       {AV_PIX_FMT_YUVA444P9BE, AV_PIX_FMT_YUVA444P9LE}},
      {39, AV_PIX_FMT_YUV444P10LE, Note::Alpha, {AV_PIX_FMT_YUVA444P10BE, AV_PIX_FMT_YUVA444P10LE}},
      {40,
       AV_PIX_FMT_YUV422P10LE,
       Note::None,
       {AV_PIX_FMT_YUV422P10BE, AV_PIX_FMT_YUV422P10LE, AV_PIX_FMT_NV20LE, AV_PIX_FMT_NV20BE}},
      {40,
       AV_PIX_FMT_YUV422P10LE,
       Note::Alpha,
       {AV_PIX_FMT_YUVA422P9BE, AV_PIX_FMT_YUVA422P9LE, AV_PIX_FMT_YUVA422P10BE,
        AV_PIX_FMT_YUVA422P10LE}},
      {41, AV_PIX_FMT_YUV420P10LE, Note::None, {AV_PIX_FMT_YUV420P10BE, AV_PIX_FMT_YUV420P10LE}},
      {41,
       AV_PIX_FMT_YUV420P10LE,
       Note::OverThenAlpha,
       {AV_PIX_FMT_YUVA420P9BE, AV_PIX_FMT_YUVA420P9LE}},
      {41, AV_PIX_FMT_YUV420P10LE, Note::Alpha, {AV_PIX_FMT_YUVA420P10BE, AV_PIX_FMT_YUVA420P10LE}},
      {42, AV_PIX_FMT_YUV444P12LE, Note::None, {AV_PIX_FMT_YUV444P12BE, AV_PIX_FMT_YUV444P12LE}},
      {43, AV_PIX_FMT_YUV422P12LE, Note::None, {AV_PIX_FMT_YUV422P12BE, AV_PIX_FMT_YUV422P12LE}},
      {44, AV_PIX_FMT_YUV420P12LE, Note::None, {AV_PIX_FMT_YUV420P12BE, AV_PIX_FMT_YUV420P12LE}},
      {45, AV_PIX_FMT_YUV444P14LE, Note::None, {AV_PIX_FMT_YUV444P14BE, AV_PIX_FMT_YUV444P14LE}},
      {46, AV_PIX_FMT_YUV422P14LE, Note::None, {AV_PIX_FMT_YUV422P14BE, AV_PIX_FMT_YUV422P14LE}},
      {47, AV_PIX_FMT_YUV420P14LE, Note::None, {AV_PIX_FMT_YUV420P14BE, AV_PIX_FMT_YUV420P14LE}},
      {48, AV_PIX_FMT_YUV444P16LE, Note::None, {AV_PIX_FMT_YUV444P16LE, AV_PIX_FMT_YUV444P16BE}},
      {48, AV_PIX_FMT_YUV444P16LE, Note::Alpha, {AV_PIX_FMT_YUVA444P16BE, AV_PIX_FMT_YUVA444P16LE}},
      {49, AV_PIX_FMT_YUV422P16LE, Note::None, {AV_PIX_FMT_YUV422P16LE, AV_PIX_FMT_YUV422P16BE}},
      {49, AV_PIX_FMT_YUV422P16LE, Note::Alpha, {AV_PIX_FMT_YUVA422P16BE, AV_PIX_FMT_YUVA422P16LE}},
      {50, AV_PIX_FMT_YUV420P16LE, Note::None, {AV_PIX_FMT_YUV420P16LE, AV_PIX_FMT_YUV420P16BE}},
      {50, AV_PIX_FMT_YUV420P16LE, Note::Alpha, {AV_PIX_FMT_YUVA420P16BE, AV_PIX_FMT_YUVA420P16LE}},
  };
}

// Where a row stands: its source's value, except that the 4:2:2 9-bit rows stand right after
// YUV422P10LE; the lookup by hint depends on this order.
std::pair<int, int> rowPlace(AVPixelFormat source) {
  if (source == AV_PIX_FMT_YUV422P9BE) return {AV_PIX_FMT_YUV422P10LE, 1};
  if (source == AV_PIX_FMT_YUV422P9LE) return {AV_PIX_FMT_YUV422P10LE, 2};
  return {source, 0};
}

std::vector<PixelFormatEntry> buildTable() {
  struct Placed {
    std::pair<int, int> place;
    PixelFormatEntry row;
  };
  std::vector<Placed> placed;
  for (const Group& g : groups())
    for (AVPixelFormat source : g.sources)
      placed.push_back({rowPlace(source), {g.hint, g.target, source, noteMessage(g.note)}});
  // Stable: the three names of YA8 keep their order.
  std::stable_sort(placed.begin(), placed.end(),
                   [](const Placed& a, const Placed& b) { return a.place < b.place; });
  std::vector<PixelFormatEntry> table;
  table.reserve(placed.size());
  for (auto& p : placed) table.push_back(std::move(p.row));
  return table;
}

}  // namespace

const std::vector<PixelFormatEntry>& pixelFormatTable() {
  static const std::vector<PixelFormatEntry> table = buildTable();
  return table;
}

const PixelFormatEntry& unknownFormatEntry() {
  static const PixelFormatEntry entry{31, AV_PIX_FMT_YUV444P, AV_PIX_FMT_NONE,
                                      warnUnknown()->clone()};
  return entry;
}

// --- the converter

Converter::~Converter() {
  release();
  message.reset();
}

void Converter::release() {
  if (!swsContext) return;
  sws_freeContext(swsContext);
  swsContext = nullptr;
  message.reset();
}

void Converter::setFromFormat(int w, int h, int source) {
  for (const PixelFormatEntry& row : pixelFormatTable()) {
    if (row.sourceFormat == source) return setUp(w, h, source, row);
  }
  setUp(w, h, source, unknownFormatEntry());
}

void Converter::setFromHint(int w, int h, int source, int32_t wanted) {
  for (const PixelFormatEntry& row : pixelFormatTable()) {
    if (row.hint == wanted) return setUp(w, h, source, row);
  }
  setUp(w, h, source, unknownFormatEntry());
}

void Converter::setUp(int w, int h, int source, const PixelFormatEntry& row) {
  initFFmpeg();
  release();
  width = w;
  height = h;
  sourceFormat = source;
  targetFormat = row.targetFormat;
  hint = row.hint;
  message = row.message;
  noSws = sourceFormat == targetFormat;
  // swscale aborts on formats it does not know, so it is asked first.
  const auto from = static_cast<AVPixelFormat>(source);
  const auto to = static_cast<AVPixelFormat>(targetFormat);
  // Bicubic, as the ffmpeg command converts: the fast bilinear path keeps only every other
  // chroma sample of a row for packed RGB, so 4:4:4 and 4:2:2 sources and odd widths would lose
  // colour detail. At equal sizes the luma is copied either way.
  if (!noSws && w > 0 && h > 0 && sws_isSupportedInput(from) && sws_isSupportedOutput(to)) {
    swsContext = sws_getContext(w, h, from, w, h, to, SWS_BICUBIC, nullptr, nullptr, nullptr);
  }
}

void Converter::setColourDetails(int colourSpace, int colourRange) {
  if (!swsContext) return;
  int* inverse = nullptr;
  int* table = nullptr;
  int fullRange = 0, targetFullRange = 0, brightness = 0, contrast = 0, saturation = 0;
  if (sws_getColorspaceDetails(swsContext, &inverse, &fullRange, &table, &targetFullRange,
                               &brightness, &contrast, &saturation) < 0)
    return;  // not a conversion from YUV
  // The matrix the stream names (an unnamed or unknown one stays BT.601), and its range.
  const bool named = colourSpace >= AVCOL_SPC_BT709 && colourSpace <= AVCOL_SPC_BT2020_CL &&
                     colourSpace != AVCOL_SPC_UNSPECIFIED && colourSpace != AVCOL_SPC_RESERVED &&
                     colourSpace != AVCOL_SPC_YCGCO;
  const int* matrix = named ? sws_getCoefficients(colourSpace) : inverse;
  if (colourRange == AVCOL_RANGE_JPEG) fullRange = 1;
  if (colourRange == AVCOL_RANGE_MPEG) fullRange = 0;
  sws_setColorspaceDetails(swsContext, matrix, fullRange, matrix, targetFullRange, brightness,
                           contrast, saturation);
}

void Converter::convert(RawImage& dst, const uint8_t* const planes[], const int lineSizes[]) {
  VIXO_ASSERT(swsContext || noSws);
  // Anything else than an image of the converter's size would be written past its planes.
  VIXO_ASSERT(dst.getInfo().width == width && dst.getInfo().height == height);
  if (noSws) {
    ConstRawFrame frame(dst.getInfo());
    frame.setPlanes(planes, lineSizes);
    dst.copyFrom(frame);
    return;
  }
  uint8_t* dstPlanes[8] = {};
  int dstStrides[8] = {};
  const int count = std::min(8, dst.planeCount());
  for (int p = 0; p < count; ++p) {
    dstPlanes[p] = dst.planeData(p);
    dstStrides[p] = dst.planeStride(p);
  }
  sws_scale(swsContext, planes, lineSizes, 0, height, dstPlanes, dstStrides);
}

}  // namespace FFmpegFormats
