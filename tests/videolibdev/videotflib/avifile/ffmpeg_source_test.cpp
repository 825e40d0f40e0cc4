#include "avifile/ffmpeg.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

#include "avifile/avi_system.h"
#include "avifile/ffmpeg_reader.h"
#include "ffmpeg_test_util.h"
#include "support/assert_guard.h"
#include "support/recording_listener.h"
#include "support/temp_folder.h"
#include "support/test_fifo.h"
#include "support/test_video.h"

namespace {

using vixo_test::OpenOptions;
using vixo_test::openSource;
using vixo_test::readShown;
using vixo_test::RecordingListener;
using vixo_test::shownNumber;
using vixo_test::TestVideos;
using Error = tfFFmpegSource::Error;

// The videos that play from start to end, with their frame counts.
struct Playable {
  const char* name;
  int frames;
};
const Playable kPlayable[] = {
    {"mpeg4.avi", 40}, {"h264.mp4", 40},      {"ffv1.mkv", 30},
    {"bgr24.mkv", 20}, {"yuv422p10.mkv", 20}, {"mjpeg.avi", 10},
};

TEST(FFmpegSource, ErrorTexts) {
  const struct {
    int32_t code;
    const wchar_t* text;
  } rows[] = {
      {0, L"Success"},
      {1, L"Can't open file. File not exists or locked for reading"},
      {2, L"Unknown error"},
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
      {17, L"Unknown error"},
      {99, L"Unknown error"},
      {-1, L"Unknown error"},
  };
  tfFFmpegSource source;
  for (const auto& row : rows) {
    EXPECT_EQ(tfFFmpegSource::errorText(row.code), row.text) << row.code;
    EXPECT_EQ(source.getErrorText(row.code), row.text) << row.code;
  }
  const MessageRecord m = Error(13).toMessage();
  EXPECT_EQ(m.kind, 0);
  EXPECT_EQ(m.code, 16023);
  EXPECT_EQ(m.text, L"Seeking failed");
  EXPECT_TRUE(m.details.empty());
  EXPECT_STREQ(Error(16).what(), "No such frame in file");
}

TEST(FFmpegSource, FreshSourceAnswersItsDefaults) {
  tfFFmpegSource source;
  EXPECT_EQ(source.getWidth(), 0);
  EXPECT_EQ(source.getHeight(), 0);
  EXPECT_EQ(source.getFrameCount(), 0);
  EXPECT_EQ(source.getChangeCount(), 0);
  EXPECT_EQ(source.lastError, 0);
  EXPECT_FALSE(source.isStreamReady());
  EXPECT_EQ(source.getFps(), 0);
  EXPECT_TRUE(source.getFileName().empty());
  EXPECT_EQ(source.getLastPacketSize(), -1);
  EXPECT_TRUE(source.getDecoderOptions().entries().empty());
  RawImage image;
  EXPECT_EQ(source.readNextFrame(image), 16);
  EXPECT_EQ(source.seek(0), 13);
  EXPECT_EQ(source.getShortDescription(), L"format <unknown> codec <unknown>");
}

TEST(FFmpegSource, OpenFailuresGiveTheirCodes) {
  TestVideos videos;
  vixo_test::TempFolder folder;
  const std::string empty = folder.makeFile("empty.mp4", "");
  const struct {
    std::string path;
    int32_t code;
  } rows[] = {
      {folder / "missing.mp4", 1},
      {folder.path(), 1},  // a folder
      {empty, 1},
      {videos.path("audio.mka"), 4},
      {videos.path("unknown_tag.avi"), 8},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    for (bool accurate : {true, false}) {
      int32_t rc = -1;
      auto source = openSource(row.path, rc, {.frameAccurate = accurate});
      EXPECT_EQ(rc, row.code);
      EXPECT_EQ(source->lastError, row.code);
      EXPECT_FALSE(source->isStreamReady());
      EXPECT_EQ(source->getChangeCount(), 1);
      EXPECT_EQ(source->getFileName(), fromUtf8(row.path));
      RawImage image;
      EXPECT_EQ(source->readNextFrame(image), 16);
    }
  }
}

// What is not a regular file is refused before the demuxer opens it: opening a pipe to read
// waits for a writer, and a device may never end.
TEST(FFmpegSource, PipesAndDevicesAreRefusedWithoutBeingOpened) {
  vixo_test::TempFolder folder;
  vixo_test::TestFifo fifo(folder / "clip.mp4");
  ASSERT_TRUE(fifo.made());
  const std::string zero = folder / "zero.avi";
  ASSERT_EQ(symlink("/dev/zero", zero.c_str()), 0);
  for (const std::string& path : {fifo.path(), zero, std::string("/dev/null")}) {
    for (bool accurate : {true, false}) {
      SCOPED_TRACE(path + (accurate ? " frame-accurate" : " plain"));
      int32_t rc = -1;
      auto source = openSource(path, rc, {.frameAccurate = accurate});
      EXPECT_EQ(rc, 1);
      EXPECT_FALSE(source->isStreamReady());
    }
  }
  EXPECT_FALSE(fifo.releasedAReader()) << "the pipe was opened";
}

// An interrupted source reads nothing more: an open fails, a read finds the end; taking the
// interrupt back lets it read again.
TEST(FFmpegSource, AnInterruptEndsEveryRead) {
  vixo_test::TempFolder folder;
  // Raw pictures, each larger than what the demuxer reads ahead.
  vixo_test::VideoSpec spec = TestVideos::spec("bgr24.mkv");
  spec.width = 320;
  spec.height = 240;
  spec.frames = 12;
  const std::string path = folder / "large frames.mkv";
  ASSERT_EQ(vixo_test::writeVideo(path, spec), "");
  for (bool accurate : {true, false}) {
    SCOPED_TRACE(accurate);
    tfFFmpegSource source;
    source.requestedHint = 1;
    FFmpegSourceParams params = vixo_test::paramsFor(path);
    params.frameAccurate = accurate;
    source.setInterrupted(true);
    EXPECT_EQ(source.open(params), 1);
    source.setInterrupted(false);
    ASSERT_EQ(source.open(params), 0);
    RawImage image = source.newFrame();
    ASSERT_EQ(source.readNextFrame(image), 0);
    source.setInterrupted(true);
    int more = 0;
    while (more < spec.frames && source.readNextFrame(image) == 0) ++more;
    EXPECT_LE(more, 2) << "frames read after the interrupt";
    source.setInterrupted(false);
    EXPECT_EQ(vixo_test::readShown(source, image, 7), 7);
  }
}

TEST(FFmpegSource, ReadsEveryFrameInOrderThenReportsTheEnd) {
  TestVideos videos;
  for (const Playable& v : kPlayable) {
    for (bool accurate : {true, false}) {
      SCOPED_TRACE(std::string(v.name) + (accurate ? " frame-accurate" : " plain"));
      int32_t rc = -1;
      auto source = openSource(videos.path(v.name), rc, {.frameAccurate = accurate});
      ASSERT_EQ(rc, 0);
      EXPECT_TRUE(source->isStreamReady());
      EXPECT_EQ(source->isFrameAccurate(), accurate);
      EXPECT_EQ(source->getWidth(), 64);
      EXPECT_EQ(source->getHeight(), 48);
      EXPECT_EQ(source->getRawFormat(), rawFormatFromHint(RawFormatHint::BGR24));
      if (accurate) {
        EXPECT_EQ(source->getFrameCount(), v.frames);
        EXPECT_TRUE(source->isFrameCountExact());
      }
      RawImage image = source->newFrame();
      ASSERT_EQ(image.planeCount(), 1);
      for (int n = 0; n < v.frames; ++n) {
        ASSERT_EQ(source->readNextFrame(image), 0) << n;
        ASSERT_EQ(shownNumber(image), n);
        EXPECT_GT(source->getLastPacketSize(), 0);
      }
      EXPECT_TRUE(source->isAtEnd());
      EXPECT_EQ(source->readNextFrame(image), 16);
      EXPECT_EQ(source->readNextFrame(image), 16);
    }
  }
}

// Frame counts without probing: the container's count, else the stream's length at its rate.
TEST(FFmpegSource, PlainOpenEstimatesTheCount) {
  TestVideos videos;
  for (const char* name : {"mpeg4.avi", "h264.mp4", "ffv1.mkv"}) {
    SCOPED_TRACE(name);
    int32_t rc = -1;
    auto source = openSource(videos.path(name), rc, {.frameAccurate = false});
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(source->getFrameCount(), TestVideos::spec(name).frames);
    EXPECT_FALSE(source->isFrameCountExact());
  }
}

TEST(FFmpegSource, SeeksToEveryFrameInBothDirections) {
  TestVideos videos;
  for (const Playable& v : kPlayable) {
    SCOPED_TRACE(v.name);
    int32_t rc = -1;
    auto source = openSource(videos.path(v.name), rc);
    ASSERT_EQ(rc, 0);
    RawImage image = source->newFrame();
    for (int n = 0; n < v.frames; ++n) ASSERT_EQ(readShown(*source, image, n), n);
    for (int n = v.frames - 1; n >= 0; --n) ASSERT_EQ(readShown(*source, image, n), n);
    // Beyond the last frame there is none.
    EXPECT_TRUE(source->seekAndTestEnd(v.frames));
    EXPECT_FALSE(source->seekAndTestEnd(v.frames - 1));
    EXPECT_EQ(source->readFrame(image, -1), 13);
    EXPECT_EQ(readShown(*source, image, 2), 2);
  }
}

// A read right after the frame before is no seek; after an open that did not seek, the counter
// starts at the first frame, so this shortcut never lands one frame late.
TEST(FFmpegSource, SequentialReadsAndShortcutsAgree) {
  TestVideos videos;
  for (bool accurate : {true, false}) {
    SCOPED_TRACE(accurate);
    int32_t rc = -1;
    auto source = openSource(videos.path("h264.mp4"), rc, {.frameAccurate = accurate});
    ASSERT_EQ(rc, 0);
    RawImage image = source->newFrame();
    for (int n = 0; n < 4; ++n) ASSERT_EQ(source->readNextFrame(image), 0);
    EXPECT_EQ(readShown(*source, image, 4), 4);
    EXPECT_EQ(readShown(*source, image, 3), 3);
    EXPECT_EQ(readShown(*source, image, 4), 4);
    EXPECT_EQ(readShown(*source, image, 0), 0);
    EXPECT_EQ(readShown(*source, image, 0), 0);  // frame 0 always seeks
  }
}

TEST(FFmpegSource, TruncatedAndDamagedFilesEndWithoutHarm) {
  TestVideos videos;
  vixo_test::TempFolder folder;
  // A file with bytes overwritten in the middle of its pictures.
  const std::string damaged = folder / "damaged.mp4";
  std::filesystem::copy_file(videos.path("h264.mp4"), damaged);
  {
    std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
    const auto size = std::filesystem::file_size(damaged);
    for (uint64_t at = size / 10; at < size * 7 / 10; at += 97) {
      f.seekp(static_cast<std::streamoff>(at));
      f.put(static_cast<char>(at * 31));
    }
  }
  for (const std::string& path :
       {videos.path("truncated.avi"), videos.path("truncated.mp4"), damaged}) {
    for (bool accurate : {true, false}) {
      SCOPED_TRACE(path + (accurate ? " frame-accurate" : " plain"));
      int32_t rc = -1;
      auto source = openSource(path, rc, {.frameAccurate = accurate});
      EXPECT_GE(rc, 0);
      EXPECT_LE(rc, 16);
      if (rc != 0) continue;
      RawImage image = source->newFrame();
      int frames = 0;
      for (int guard = 0; guard < 1000; ++guard) {
        int32_t r;
        try {
          r = source->readNextFrame(image);
        } catch (const Error& e) {
          EXPECT_EQ(e.code, 12);
          continue;  // the damaged picture is passed over
        }
        if (r == 16) break;
        ASSERT_EQ(r, 0);
        ++frames;
      }
      EXPECT_LT(frames, 1000);
      for (int n : {30, 0, 39, 5}) {
        try {
          source->readFrame(image, n);
        } catch (const Error&) {
        }
      }
    }
  }
  // The truncated AVI keeps what it has: the first frames in order, and the count is not exact.
  int32_t rc = -1;
  auto source = openSource(videos.path("truncated.avi"), rc);
  ASSERT_EQ(rc, 0);
  EXPECT_FALSE(source->isFrameCountExact());
  RawImage image = source->newFrame();
  for (int n = 0; n < 15; ++n) {
    ASSERT_EQ(source->readNextFrame(image), 0);
    EXPECT_EQ(shownNumber(image), n);
  }
}

TEST(FFmpegSource, ResolutionChangeStopsReading) {
  TestVideos videos;
  int32_t rc = -1;
  auto source = openSource(videos.path("resize.ts"), rc, {.frameAccurate = false});
  ASSERT_EQ(rc, 0);
  RawImage image = source->newFrame();
  for (int n = 0; n < 10; ++n) {
    ASSERT_EQ(source->readNextFrame(image), 0);
    EXPECT_EQ(shownNumber(image), n);
  }
  try {
    source->readNextFrame(image);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.code, 14);
  }
  // A frame-accurate open probes the end, where the size has changed.
  source = openSource(videos.path("resize.ts"), rc);
  EXPECT_EQ(rc, 14);
}

// Without an index, frame numbers are time stamps at the stream's rate. Variable frame times play
// in order, and a frame-accurate open does not claim a count that time stamps cannot prove.
TEST(FFmpegSource, VariableFrameTimes) {
  TestVideos videos;
  const vixo_test::VideoSpec spec = TestVideos::spec("vfr.mkv");
  for (bool accurate : {true, false}) {
    SCOPED_TRACE(accurate);
    int32_t rc = -1;
    auto source = openSource(videos.path("vfr.mkv"), rc, {.frameAccurate = accurate});
    ASSERT_EQ(rc, 0);
    EXPECT_FALSE(source->isFrameCountExact());
    RawImage image = source->newFrame();
    for (int n = 0; n < spec.frames; ++n) {
      ASSERT_EQ(source->readNextFrame(image), 0);
      EXPECT_EQ(shownNumber(image), n);
    }
    EXPECT_EQ(source->readNextFrame(image), 16);
    // Frame n is the first frame shown at or after n frame periods.
    const double period = 1000.0 / source->getFps();
    for (int n : {0, 5, 2, 17}) {
      int expected = 0;
      while (vixo_test::variableFrameTimeMs(spec, expected) < n * period) ++expected;
      EXPECT_EQ(readShown(*source, image, n), expected) << n;
    }
  }
}

TEST(FFmpegSource, CloseForgetsTheStream) {
  TestVideos videos;
  int32_t rc = -1;
  auto source = openSource(videos.path("h264.mp4"), rc);
  ASSERT_EQ(rc, 0);
  const std::wstring description = source->getDescription();
  EXPECT_EQ(source->close(), 0);
  EXPECT_EQ(source->getChangeCount(), 2);
  EXPECT_FALSE(source->isStreamReady());
  EXPECT_EQ(source->getFps(), 0);
  EXPECT_EQ(source->getContainerDuration(), INT64_MIN);
  RawImage image = source->newFrame();
  EXPECT_EQ(source->readNextFrame(image), 16);
  EXPECT_EQ(source->seek(3), 13);
  EXPECT_EQ(source->readFrame(image, 0), 13);
  EXPECT_TRUE(source->isAtEnd());
  // What was learnt about the file stays.
  EXPECT_EQ(source->getWidth(), 64);
  EXPECT_EQ(source->getFrameCount(), 40);
  EXPECT_EQ(source->getDescription(), description);
  source->close();

  // Opening again, with or without a close, reads from the start.
  rc = source->open(vixo_test::paramsFor(videos.path("mpeg4.avi")));
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(readShown(*source, image, 7), 7);
  rc = source->open(vixo_test::paramsFor(videos.path("h264.mp4")));
  ASSERT_EQ(rc, 0);
  ASSERT_EQ(source->readNextFrame(image), 0);
  EXPECT_EQ(shownNumber(image), 0);
}

TEST(FFmpegSource, FrameRatesAndDuration) {
  TestVideos videos;
  int32_t rc = -1;
  auto source = openSource(videos.path("h264.mp4"), rc);
  ASSERT_EQ(rc, 0);
  EXPECT_DOUBLE_EQ(source->getFps(), 25);
  // 40 frames of 40 ms; the audio track may run a little longer.
  EXPECT_GE(source->getContainerDuration(), 1'600'000);
  EXPECT_LT(source->getContainerDuration(), 1'700'000);
  // Variable frame times: the real base rate that FFmpeg guesses from them.
  source = openSource(videos.path("vfr.mkv"), rc, {.frameAccurate = false});
  ASSERT_EQ(rc, 0);
  EXPECT_GT(source->getFps(), 0);
  EXPECT_TRUE(std::isfinite(source->getFps()));
}

TEST(FFmpegSource, DescriptionsNameFormatsContainerAndCodec) {
  TestVideos videos;
  const std::string path = videos.path("h264.mp4");
  int32_t rc = -1;
  auto source = openSource(path, rc);
  ASSERT_EQ(rc, 0);
  const std::wstring tail =
      L"yuv420p -> BGR24 format QuickTime / MOV codec H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10";
  EXPECT_EQ(source->getShortDescription(), tail);
  EXPECT_EQ(source->getDescription(), L"\"" + fromUtf8(path) + L"\" " + tail);
  EXPECT_EQ(source->getDescriptionLines(),
            (std::vector<std::wstring>{L"yuv420p -> BGR24", L"Format: QuickTime / MOV",
                                       L"Codec: H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10"}));

  // Without a listener the names are not looked up.
  tfFFmpegSource quiet;
  quiet.setListener(nullptr);
  quiet.requestedHint = 1;
  FFmpegSourceParams p;
  p.fileName = fromUtf8(path);
  ASSERT_EQ(quiet.open(p), 0);
  EXPECT_EQ(quiet.getShortDescription(), L"yuv420p -> BGR24 format <unknown> codec <unknown>");
  EXPECT_EQ(quiet.getDescriptionLines().back(), L"Codec: <unknown>");
}

TEST(FFmpegSource, FramesInTheStreamsOwnFormat) {
  TestVideos videos;
  const struct {
    const char* name;
    RawFormatHint hint;
    const wchar_t* conversion;
  } rows[] = {
      {"bgr24.mkv", RawFormatHint::BGR24, L"bgr24 -> BGR24"},
      {"yuv422p10.mkv", RawFormatHint::YUV422p10LE, L"yuv422p10le -> YUV422p10LE"},
      {"ffv1.mkv", RawFormatHint::YUV420p, L"yuv420p -> YUV420p"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    int32_t rc = -1;
    auto source = openSource(videos.path(row.name), rc, {.formatFromStream = true});
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(source->getRawFormat(), rawFormatFromHint(row.hint));
    EXPECT_EQ(source->getDescriptionLines().front(), row.conversion);
    RawImage image = source->newFrame();
    const int bytes = sampleTypeInfo(image.getInfo().sampleType).bytesPerSample;
    const double white = bytes == 2 ? 940 : 235, black = bytes == 2 ? 64 : 16;
    for (int n : {3, 0, 7}) {
      ASSERT_EQ(source->readFrame(image, n), 0);
      const int shown = row.hint == RawFormatHint::BGR24
                            ? shownNumber(image)
                            : vixo_test::frameNumberOf(64, 48, [&](int x, int y) {
                                // Luma, plane 0.
                                const uint8_t* p = image.row(0, y) + x * bytes;
                                const double v = bytes == 2 ? p[0] | p[1] << 8 : p[0];
                                return (v - black) / (white - black);
                              });
      EXPECT_EQ(shown, n);
    }
  }
}

TEST(FFmpegSource, ConversionNoteGoesToTheListener) {
  TestVideos videos;
  RecordingListener listener;
  tfFFmpegSource source;
  source.setListener(&listener);
  FFmpegSourceParams p;
  p.fileName = fromUtf8(videos.path("mjpeg.avi"));
  p.formatFromStream = true;
  ASSERT_EQ(source.open(p), 0);
  ASSERT_EQ(listener.records.size(), 1u);
  EXPECT_EQ(listener.records[0].kind, 1);
  EXPECT_EQ(listener.records[0].code, 18002);
  EXPECT_EQ(listener.records[0].text, L"Untypical color range will be converted");
  EXPECT_EQ(source.getRawFormat(), rawFormatFromHint(RawFormatHint::YUV420p));

  // Failed seeks inside the testing calls become error messages.
  listener.records.clear();
  EXPECT_TRUE(source.seekAndTestEnd(-3));
  ASSERT_EQ(listener.records.size(), 1u);
  EXPECT_EQ(listener.records[0].kind, 0);
  EXPECT_EQ(listener.records[0].code, 16023);
}

TEST(FFmpegSource, DecoderOptions) {
  TestVideos videos;
  const std::string path = videos.path("h264.mp4");
  int32_t rc = -1;
  auto source = openSource(path, rc);
  ASSERT_EQ(rc, 0);
  const PropertyDescriptionList& options = source->getDecoderOptions();
  std::map<std::string, int> seen;
  for (const PropertyDescription& d : options) ++seen[d.name];
  for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << name;
  // Encoding-only and read-only options are left out; typed ones get their validators.
  EXPECT_EQ(options.indexOf("b"), -1);
  EXPECT_EQ(options.indexOf("g"), -1);
  const auto& skip = options.entries().at(options.indexOf("skip_frame"));
  EXPECT_EQ(skip.label, "skip_frame");
  EXPECT_EQ(skip.caption, "skip decoding for the selected frames");
  auto* skipChoices = dynamic_cast<AviFile::EnumValidator*>(skip.validator.get());
  ASSERT_NE(skipChoices, nullptr);
  EXPECT_EQ(skipChoices->valueByName.count("discard all frames except keyframes (nokey)"), 1u);
  EXPECT_EQ(skipChoices->defaultName, "discard useless frames (default)");
  auto* flags = dynamic_cast<AviFile::FlagsValidator*>(
      options.entries().at(options.indexOf("flags")).validator.get());
  ASSERT_NE(flags, nullptr);
  EXPECT_FALSE(flags->flags.empty());
  EXPECT_NE(dynamic_cast<AviFile::IntegerValidator<int>*>(
                options.entries().at(options.indexOf("lowres")).validator.get()),
            nullptr);

  // Options reach the decoder: only key frames are decoded with skip_frame=nokey.
  auto openWith = [&](Any value) {
    auto s = std::make_unique<tfFFmpegSource>();
    s->requestedHint = 1;
    FFmpegSourceParams p;
    p.fileName = fromUtf8(path);
    p.frameAccurate = false;
    p.decoderOptions["skip_frame"] = std::move(value);
    rc = s->open(p);
    return s;
  };
  auto framesOf = [](tfFFmpegSource& s) {
    RawImage image = s.newFrame();
    int n = 0;
    while (s.readNextFrame(image) == 0) ++n;
    return n;
  };
  auto keyOnly = openWith(makeStringValue("nokey"));
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(framesOf(*keyOnly), 4);
  auto all = openWith(Any());  // no value: not handed on
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(framesOf(*all), 40);
  openWith(makeStringValue("no such choice"));
  EXPECT_EQ(rc, 9);

  // Opening again lists every option once.
  ASSERT_EQ(source->open(vixo_test::paramsFor(path)), 0);
  EXPECT_EQ(source->getDecoderOptions().size(), seen.size());
}

}  // namespace

namespace {

using vixo_test::openSource;
using vixo_test::readShown;
using vixo_test::TestVideos;

TEST(FFmpegReader, BrokenCallerContractsAreAssertions) {
  TestVideos videos;
  tfFFmpegSource source;
  FFmpegSourceParams params;
  params.fileName = fromUtf8(videos.path("ffv1.mkv"));
  params.range.start = 5;
  EXPECT_EQ(vixo_test::assertionText([&] { source.open(params); }), "params.range.isDefault()");

  params.range = FrameRange{};
  ASSERT_EQ(source.open(params), 0);
  FFmpegReader& reader = *source.reader;
  EXPECT_EQ(vixo_test::assertionText([&] {
              reader.decoder.packetDecoded = false;
              reader.readPacket();
            }),
            "packetDecoded");
  reader.seekToFrame(29);
  reader.takeFrame();
  EXPECT_FALSE(reader.ensureFrame());
  EXPECT_EQ(vixo_test::assertionText([&] { reader.takeFrame(); }), "decoder.hasFrame()");
}

// A stream whose rates are unusable is numbered at 25 frames per second, not divided by zero.
TEST(FFmpegReader, UnusableFrameRatesFallBackTo25) {
  TestVideos videos;
  int32_t rc = -1;
  auto source = openSource(videos.path("ffv1.mkv"), rc);
  ASSERT_EQ(rc, 0);
  AVStream* stream = source->reader->videoStream;
  stream->r_frame_rate = {0, 0};
  stream->avg_frame_rate = {0, 1};
  RawImage image = source->newFrame();
  for (int n : {17, 3, 29, 0}) EXPECT_EQ(readShown(*source, image, n), n);
}

}  // namespace
