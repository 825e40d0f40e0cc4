#include "avifile/ffmpeg_formats.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <map>
#include <string>
#include <vector>

#include "support/recording_listener.h"
#include "support/test_video.h"
#include "videoimage/rawimage/raw_image.h"

namespace {

using FFmpegFormats::Converter;
using FFmpegFormats::Message;
using FFmpegFormats::PixelFormatEntry;
using vixo_test::RecordingListener;

std::vector<int32_t> codes(const RecordingListener& l) {
  std::vector<int32_t> out;
  for (const auto& r : l.records) out.push_back(r.code);
  return out;
}

TEST(FormatMessages, WarningsCarryTheirCodesAndTexts) {
  const struct {
    const std::shared_ptr<Message>& message;
    int32_t code;
    const char* id;
    const wchar_t* text;
  } rows[] = {
      {FFmpegFormats::warnOver(), 18000, "W_OVER",
       L"Video was converted to format with more significant bits"},
      {FFmpegFormats::warnBits(), 18001, "W_BITS",
       L"Video has bit depth more than 8 bits for channel, data will be lost"},
      {FFmpegFormats::warnScalePixelFormat(), 18002, "W_SCALE",
       L"Pixel format of video was scaled to supported format"},
      {FFmpegFormats::warnScaleColorRange(), 18002, "W_SCALE",
       L"Untypical color range will be converted"},
      {FFmpegFormats::warnAlpha(), 18003, "W_ALPHA",
       L"Alpha is not supported for this pixel format"},
      {FFmpegFormats::warnUnknown(), 18004, "W_UNKNOWN",
       L"The pixel format of video is unknown, some data can be lost"},
      {FFmpegFormats::warnUnsupported(), 18005, "WARN_UNSUPPORTED",
       L"The pixel format is unsupported, frames will be converted to default pixel format with "
       L"possible loss of data"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    auto* warning = dynamic_cast<FFmpegFormats::Warning*>(row.message.get());
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(warning->id, row.id);
    RecordingListener l;
    row.message->post(&l);
    ASSERT_EQ(l.records.size(), 1u);
    EXPECT_EQ(l.records[0].kind, 1);
    EXPECT_EQ(l.records[0].code, row.code);
    EXPECT_EQ(l.records[0].text, row.text);
    EXPECT_TRUE(l.records[0].details.empty());
    EXPECT_GT(l.records[0].time, 16'000'000'000'000'000);  // after 2020, in 100-ns ticks
    row.message->post(nullptr);                            // nothing, no crash
  }
  RecordingListener l;
  FFmpegFormats::emptyMessage()->post(&l);
  EXPECT_TRUE(l.records.empty());
}

TEST(FormatMessages, CombiningPostsTheOtherMessageFirst) {
  auto range = FFmpegFormats::warnScaleColorRange()->clone();
  auto both = range->combine(FFmpegFormats::warnScalePixelFormat());
  RecordingListener l;
  both->post(&l);
  ASSERT_EQ(l.records.size(), 2u);
  EXPECT_EQ(l.records[0].text, L"Pixel format of video was scaled to supported format");
  EXPECT_EQ(l.records[1].text, L"Untypical color range will be converted");

  // A list combined with a third message appends it to itself and returns a copy.
  auto three = both->combine(FFmpegFormats::warnAlpha());
  EXPECT_EQ(both->list.size(), 3u);
  EXPECT_EQ(three->list.size(), 3u);
  EXPECT_NE(three.get(), both.get());
  RecordingListener l3;
  three->post(&l3);
  EXPECT_EQ(codes(l3), (std::vector<int32_t>{18002, 18002, 18003}));

  // Cloning a list shares its messages; combining empty messages gives a list of two.
  auto copy = std::static_pointer_cast<FFmpegFormats::MultipleMessages>(three->clone());
  EXPECT_EQ(copy->list[0].get(), three->list[0].get());
  auto empties = FFmpegFormats::emptyMessage()->clone()->combine(FFmpegFormats::emptyMessage());
  EXPECT_EQ(empties->list.size(), 2u);
  RecordingListener none;
  empties->post(&none);
  EXPECT_TRUE(none.records.empty());
}

TEST(PixelFormatTable, RowsAreUniqueAndOrderedExceptTheNamesOfYa8) {
  const auto& table = FFmpegFormats::pixelFormatTable();
  // The formats of the old table less the 13 this FFmpeg no longer defines.
  EXPECT_EQ(table.size(), 162u - 13u);
  std::map<int32_t, int> seen;
  for (const PixelFormatEntry& row : table) ++seen[row.sourceFormat];
  for (const auto& [format, count] : seen) {
    SCOPED_TRACE(av_get_pix_fmt_name(static_cast<AVPixelFormat>(format)));
    EXPECT_EQ(count, format == AV_PIX_FMT_YA8 ? 3 : 1);
  }
  // Ascending by value, with the 4:2:2 9-bit rows right after YUV422P10LE.
  std::vector<int32_t> order;
  for (const PixelFormatEntry& row : table) order.push_back(row.sourceFormat);
  for (size_t i = 1; i < order.size(); ++i) {
    const int32_t a = order[i - 1], b = order[i];
    if (b == AV_PIX_FMT_YUV422P9BE) {
      EXPECT_EQ(a, AV_PIX_FMT_YUV422P10LE);
    } else if (a == AV_PIX_FMT_YUV422P9LE) {
      EXPECT_EQ(b, AV_PIX_FMT_YUV444P9BE);
    } else if (b != AV_PIX_FMT_YUV422P9LE) {
      EXPECT_LE(a, b) << i;
    }
  }
  // Every row holds its own message object.
  std::map<const Message*, int> owners;
  for (const PixelFormatEntry& row : table) EXPECT_EQ(++owners[row.message.get()], 1);
}

struct Lookup {
  int32_t hint;
  int32_t target;
  std::vector<int32_t> codes;
};

TEST(PixelFormatTable, LookupByHintTakesTheFirstRowOfTheHint) {
  const std::map<int32_t, Lookup> expected = {
      {0, {0, AV_PIX_FMT_RGB24, {}}},           {1, {1, AV_PIX_FMT_BGR24, {}}},
      {7, {7, AV_PIX_FMT_YUYV422, {}}},         {8, {8, AV_PIX_FMT_RGB48LE, {}}},
      {9, {9, AV_PIX_FMT_RGB48BE, {}}},         {13, {13, AV_PIX_FMT_GRAY8, {}}},
      {14, {14, AV_PIX_FMT_GRAY16LE, {}}},      {21, {21, AV_PIX_FMT_GBRP, {}}},
      {22, {22, AV_PIX_FMT_GBRP10LE, {18000}}}, {23, {23, AV_PIX_FMT_GBRP12LE, {}}},
      {24, {24, AV_PIX_FMT_GBRP14LE, {}}},      {25, {25, AV_PIX_FMT_GBRP16LE, {}}},
      {29, {29, AV_PIX_FMT_YUV411P, {}}},       {30, {30, AV_PIX_FMT_YUV410P, {}}},
      {31, {31, AV_PIX_FMT_YUV444P, {}}},       {34, {34, AV_PIX_FMT_YUV422P, {}}},
      {35, {35, AV_PIX_FMT_YUV420P, {}}},       {36, {36, AV_PIX_FMT_YUV444P9LE, {}}},
      {37, {37, AV_PIX_FMT_YUV422P9LE, {}}},    {38, {38, AV_PIX_FMT_YUV420P9LE, {}}},
      {39, {39, AV_PIX_FMT_YUV444P10LE, {}}},   {40, {40, AV_PIX_FMT_YUV422P10LE, {}}},
      {41, {41, AV_PIX_FMT_YUV420P10LE, {}}},   {42, {42, AV_PIX_FMT_YUV444P12LE, {}}},
      {43, {43, AV_PIX_FMT_YUV422P12LE, {}}},   {44, {44, AV_PIX_FMT_YUV420P12LE, {}}},
      {45, {45, AV_PIX_FMT_YUV444P14LE, {}}},   {46, {46, AV_PIX_FMT_YUV422P14LE, {}}},
      {47, {47, AV_PIX_FMT_YUV420P14LE, {}}},   {48, {48, AV_PIX_FMT_YUV444P16LE, {}}},
      {49, {49, AV_PIX_FMT_YUV422P16LE, {}}},   {50, {50, AV_PIX_FMT_YUV420P16LE, {}}},
  };
  for (int32_t hint = -1; hint <= 58; ++hint) {
    SCOPED_TRACE(hint);
    const auto it = expected.find(hint);
    // A hint that no row delivers becomes YUV444P of hint 31, with the unknown-format warning.
    const Lookup want = it != expected.end() ? it->second : Lookup{31, AV_PIX_FMT_YUV444P, {18004}};
    Converter c;
    c.setFromHint(64, 48, AV_PIX_FMT_YUV420P, hint);
    EXPECT_EQ(c.hint, want.hint);
    EXPECT_EQ(c.targetFormat, want.target);
    EXPECT_EQ(c.sourceFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(c.noSws, want.target == AV_PIX_FMT_YUV420P);
    EXPECT_EQ(c.swsContext != nullptr, !c.noSws);
    RecordingListener l;
    c.message->post(&l);
    EXPECT_EQ(codes(l), want.codes);
  }
}

TEST(PixelFormatTable, LookupByFormat) {
  const struct {
    int32_t source;
    Lookup want;
  } rows[] = {
      {AV_PIX_FMT_BGR24, {1, AV_PIX_FMT_BGR24, {}}},
      {AV_PIX_FMT_YUVJ420P, {35, AV_PIX_FMT_YUV420P, {18002}}},
      {AV_PIX_FMT_YUVJ440P, {31, AV_PIX_FMT_YUV444P, {18002, 18002}}},
      {AV_PIX_FMT_YUVA420P9LE, {41, AV_PIX_FMT_YUV420P10LE, {18000, 18003}}},
      {AV_PIX_FMT_GBRP9LE, {22, AV_PIX_FMT_GBRP10LE, {18000}}},
      {AV_PIX_FMT_BGR48LE, {8, AV_PIX_FMT_RGB48LE, {18001}}},
      {AV_PIX_FMT_XYZ12LE, {21, AV_PIX_FMT_GBRP, {18005}}},
      {AV_PIX_FMT_NV12, {35, AV_PIX_FMT_YUV420P, {}}},
      {AV_PIX_FMT_YUV422P10LE, {40, AV_PIX_FMT_YUV422P10LE, {}}},
      {AV_PIX_FMT_YUV420P9BE, {38, AV_PIX_FMT_YUV420P9LE, {}}},
      {AV_PIX_FMT_VDPAU, {31, AV_PIX_FMT_YUV444P, {18004}}},
      // Formats without a row: the default row.
      {AV_PIX_FMT_XVMC, {31, AV_PIX_FMT_YUV444P, {18004}}},
      {AV_PIX_FMT_P010LE, {31, AV_PIX_FMT_YUV444P, {18004}}},
      {100000, {31, AV_PIX_FMT_YUV444P, {18004}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.source);
    Converter c;
    c.setFromFormat(64, 48, row.source);
    EXPECT_EQ(c.hint, row.want.hint);
    EXPECT_EQ(c.targetFormat, row.want.target);
    EXPECT_EQ(c.sourceFormat, row.source);
    RecordingListener l;
    c.message->post(&l);
    EXPECT_EQ(codes(l), row.want.codes);
  }
  // The YUVJ440P message posts the pixel-format note before the colour-range one.
  Converter c;
  c.setFromFormat(64, 48, AV_PIX_FMT_YUVJ440P);
  RecordingListener l;
  c.message->post(&l);
  ASSERT_EQ(l.records.size(), 2u);
  EXPECT_EQ(l.records[0].text, L"Pixel format of video was scaled to supported format");
  EXPECT_EQ(l.records[1].text, L"Untypical color range will be converted");

  const PixelFormatEntry& unknown = FFmpegFormats::unknownFormatEntry();
  EXPECT_EQ(unknown.hint, 31);
  EXPECT_EQ(unknown.targetFormat, AV_PIX_FMT_YUV444P);
  EXPECT_EQ(unknown.sourceFormat, -1);
}

TEST(PixelFormatTable, Hint22WarnsEvenWhenTheVideoIsAlreadyThere) {
  Converter c;
  c.setFromHint(64, 48, AV_PIX_FMT_GBRP10LE, 22);
  EXPECT_TRUE(c.noSws);
  EXPECT_EQ(c.swsContext, nullptr);
  RecordingListener l;
  c.message->post(&l);
  EXPECT_EQ(codes(l), std::vector<int32_t>{18000});
}

TEST(Converter, ReleaseDropsTheContextAndOnlyThenTheMessage) {
  Converter c;
  EXPECT_FALSE(c.ready());  // a fresh converter converts nothing
  c.setFromFormat(64, 48, AV_PIX_FMT_BGR24);
  ASSERT_TRUE(c.noSws);
  c.release();
  EXPECT_NE(c.message, nullptr);  // no context, nothing changes
  EXPECT_TRUE(c.ready());

  c.setFromHint(64, 48, AV_PIX_FMT_YUV420P, 1);
  ASSERT_NE(c.swsContext, nullptr);
  c.setFromHint(32, 16, AV_PIX_FMT_YUV420P, 1);  // the first context is freed (leak check)
  EXPECT_EQ(c.width, 32);
  c.release();
  EXPECT_EQ(c.swsContext, nullptr);
  EXPECT_EQ(c.message, nullptr);
  EXPECT_FALSE(c.ready());
}

TEST(Converter, RefusesAFormatThatSwscaleCannotRead) {
  Converter c;
  c.setFromFormat(64, 48, AV_PIX_FMT_VAAPI);  // a hardware surface, no pixels
  EXPECT_EQ(c.hint, 21);
  EXPECT_FALSE(c.ready());
}

// A picture of a format's own layout drawn from a gray one, and the gray picture read back.
class Pictures {
 public:
  static constexpr int W = 64, H = 48;

  static bool draw(AVPixelFormat format, int n, AVFrame* frame) {
    std::vector<uint8_t> gray(W * H);
    vixo_test::drawFrameNumber(n, gray.data(), W, W, H);
    SwsContext* s =
        sws_getContext(W, H, AV_PIX_FMT_GRAY8, W, H, format, SWS_POINT, nullptr, nullptr, nullptr);
    if (!s) return false;
    const uint8_t* src[1] = {gray.data()};
    const int stride[1] = {W};
    sws_scale(s, src, stride, 0, H, frame->data, frame->linesize);
    sws_freeContext(s);
    return true;
  }

  static int read(AVPixelFormat format, const RawImage& image) {
    const uint8_t* planes[8] = {};
    int strides[8] = {};
    for (int p = 0; p < image.planeCount(); ++p) {
      planes[p] = image.planeData(p);
      strides[p] = image.planeStride(p);
    }
    std::vector<uint8_t> gray(W * H);
    SwsContext* s =
        sws_getContext(W, H, format, W, H, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr);
    if (!s) return -2;
    uint8_t* dst[1] = {gray.data()};
    const int dstStride[1] = {W};
    sws_scale(s, planes, strides, 0, H, dst, dstStride);
    sws_freeContext(s);
    return vixo_test::frameNumberOf(W, H, [&](int x, int y) { return gray[y * W + x] / 255.0; });
  }
};

// Every row delivers frames that fit a raw image of its hint: the converter writes the image's
// planes exactly (AddressSanitizer watches the edges), and the picture survives.
TEST(Converter, EveryRowFillsARawImageOfItsHint) {
  int checked = 0;
  for (const PixelFormatEntry& row : FFmpegFormats::pixelFormatTable()) {
    const auto source = static_cast<AVPixelFormat>(row.sourceFormat);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(source);
    ASSERT_NE(desc, nullptr);
    SCOPED_TRACE(desc->name);
    Converter c;
    c.setFromFormat(Pictures::W, Pictures::H, source);
    // Formats that swscale cannot read (hardware surfaces, a few packed ones) cannot be
    // converted; a video in one of them fails to open with code 7.
    if (!sws_isSupportedInput(source) && source != c.targetFormat) {
      EXPECT_FALSE(c.ready());
      continue;
    }
    ASSERT_TRUE(c.ready());

    AVFrame* frame = av_frame_alloc();
    frame->format = source;
    frame->width = Pictures::W;
    frame->height = Pictures::H;
    ASSERT_GE(av_frame_get_buffer(frame, 0), 0);
    const bool drawn = sws_isSupportedOutput(source) && Pictures::draw(source, 1234, frame);
    if (!drawn) {
      for (int p = 0; p < 4 && frame->buf[p]; ++p)
        std::fill_n(frame->buf[p]->data, frame->buf[p]->size, uint8_t{0});
    }

    RawImageInfo info(rawFormatFromHint(static_cast<RawFormatHint>(c.hint)), Pictures::W,
                      Pictures::H);
    info.bindReader();
    RawImage image(info);
    ASSERT_TRUE(image.allocate());
    c.convert(image, frame->data, frame->linesize);
    av_frame_free(&frame);
    if (drawn) {
      EXPECT_EQ(Pictures::read(static_cast<AVPixelFormat>(c.targetFormat), image), 1234);
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
