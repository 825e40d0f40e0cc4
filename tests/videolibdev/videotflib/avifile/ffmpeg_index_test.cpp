#include "avifile/ffmpeg_index.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "avifile/ffmpeg.h"
#include "avifile/ffmpeg_reader.h"
#include "ffmpeg_test_util.h"
#include "support/recording_listener.h"
#include "support/temp_folder.h"
#include "support/test_video.h"

namespace {

using vixo_test::readShown;
using vixo_test::RecordingListener;
using vixo_test::TestVideos;

// --- an independent reader of index files, after the documented layout

struct FileHeader {
  std::string magic;
  int64_t time;
  int32_t keyCount, positionCount, checksum, check;
};

template <class T>
T le(const std::string& b, size_t at) {
  uint64_t v = 0;
  for (size_t i = 0; i < sizeof(T); ++i) v |= uint64_t{static_cast<uint8_t>(b[at + i])} << (8 * i);
  return static_cast<T>(v);
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct IndexFile {
  FileHeader header;
  std::vector<KeyRecord> keys;
  std::vector<PositionRecord> positions;
  uint32_t recordXor = 0;  // of every 32-bit word after the header
};

IndexFile readIndexIndependently(const std::string& b) {
  IndexFile f;
  EXPECT_GE(b.size(), 34u);
  if (b.size() < 34) return f;
  f.header = {b.substr(0, 10),    le<int64_t>(b, 10), le<int32_t>(b, 18),
              le<int32_t>(b, 22), le<int32_t>(b, 26), le<int32_t>(b, 30)};
  EXPECT_EQ(b.size(), 34u + 44u * f.header.keyCount + 12u * f.header.positionCount);
  size_t at = 34;
  for (int i = 0; i < f.header.keyCount && at + 44 <= b.size(); ++i, at += 44) {
    f.keys.push_back({le<int32_t>(b, at), le<int64_t>(b, at + 4), le<int64_t>(b, at + 12),
                      le<int32_t>(b, at + 20), le<int64_t>(b, at + 24), le<int64_t>(b, at + 32),
                      le<int32_t>(b, at + 40)});
  }
  for (int i = 0; i < f.header.positionCount && at + 12 <= b.size(); ++i, at += 12)
    f.positions.push_back({le<int64_t>(b, at), le<int32_t>(b, at + 8)});
  for (size_t w = 34; w + 4 <= b.size(); w += 4) f.recordXor ^= le<uint32_t>(b, w);
  return f;
}

uint32_t expectedCheck(const FileHeader& h) {
  const auto time = static_cast<uint64_t>(h.time);
  return static_cast<uint32_t>(time >> 32) * 23u + static_cast<uint32_t>(h.positionCount) * 7u +
         static_cast<uint32_t>(h.keyCount) * 13u + static_cast<uint32_t>(time) * 17u +
         static_cast<uint32_t>(h.checksum) * 29u;
}

// --- modes, paths and templates

TEST(IndexModes, Table) {
  const struct {
    int32_t mode;
    const char* name;
    const wchar_t* description;
    bool usesFile;
    IndexBuildPolicy policy;
  } rows[] = {
      {0, "no", L"no index", false, IndexBuildPolicy::None},
      {1, "needed", L"if needed", true, IndexBuildPolicy::IfNeeded},
      {2, "forced", L"forced", true, IndexBuildPolicy::Forced},
      {3, "needed_mem", L"if needed, no file (in memory)", false, IndexBuildPolicy::IfNeeded},
      {4, "forced_mem", L"forced, no file (in memory)", false, IndexBuildPolicy::Forced},
      {5, "unknown", L"unknown", false, IndexBuildPolicy::Unknown},
      {-1, "unknown", L"unknown", false, IndexBuildPolicy::Unknown},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mode);
    const IndexModeInfo& info = indexModeInfo(row.mode);
    EXPECT_EQ(info.name, row.name);
    EXPECT_EQ(info.description, row.description);
    EXPECT_EQ(info.usesFile, row.usesFile);
    EXPECT_EQ(info.policy, row.policy);
    EXPECT_EQ(IndexSettings{row.mode}.usesFile(), row.usesFile);
  }
}

TEST(IndexModes, IndexPaths) {
  const struct {
    int32_t mode;
    const wchar_t* video;
    const wchar_t* pathTemplate;
    const wchar_t* expected;
  } rows[] = {
      {IndexModeNeeded, L"/clips/a.avi", nullptr, L"/clips/a.avi.meqaidx"},
      {IndexModeForced, L"a.avi", nullptr, L"./a.avi.meqaidx"},
      {IndexModeForced, L"/a.avi", nullptr, L"/a.avi.meqaidx"},
      {IndexModeForced, L"clips/a.b.avi", nullptr, L"clips/a.b.avi.meqaidx"},
      {IndexModeForced, L"/clips/a.avi", L"$(DirPath)\\idx\\$(FileBase)-$(Other).bin",
       L"/clips/idx/a-$(Other).bin"},
      // A folder named like a token is expanded inside the folder's name.
      {IndexModeForced, L"/x/$(FileName)/a.avi", nullptr, L"/x/a.avi/a.avi.meqaidx"},
      {IndexModeNo, L"/clips/a.avi", nullptr, L""},
      {IndexModeForcedMem, L"/clips/a.avi", nullptr, L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(toUtf8(row.video));
    IndexSettings settings{row.mode};
    if (row.pathTemplate) settings.pathTemplate = row.pathTemplate;
    EXPECT_EQ(settings.indexPath(row.video), row.expected);
  }
}

TEST(IndexModes, TemplateExpansion) {
  const std::map<std::wstring, std::wstring> vars = {
      {L"A", L"a"},     {L"Self", L"<$(Self)>"}, {L"P", L"$(Q)"},
      {L"Q", L"$(P)q"}, {L"Nested", L"[$(A)]"},  {L"x-y_1", L"ok"},
  };
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } rows[] = {
      {L"plain text", L"plain text"},
      {L"$(A)$(A)", L"aa"},
      {L"$(Nested)/$(Nested)", L"[a]/[a]"},
      {L"$(Self)", L"<$(Self)>"},
      {L"$(P)", L"$(P)q"},
      {L"$(Missing) $() $(x-y_1)", L"$(Missing) $() ok"},
      {L"$(a$(A)) $(A", L"$(aa) $(A"},
      {L"$$(A)", L"$a"},
      {L"$(A B)", L"$(A B)"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(expandPathTemplate(row.in, vars), row.out) << toUtf8(row.in);
}

// --- the index in memory

TEST(MemIndex, RecordsKeyPacketsAndTheFirstPacket) {
  std::vector<int64_t> reads = {0, 100, 400, 400, 900, 1300, 1300};
  size_t next = 0;
  FFmpegMemIndex index([&] { return reads[std::min(next++, reads.size() - 1)]; });
  // pts, dts, flags, pos
  index.addPacket({10, 0, 0, 50});    // frame 0: not a key, recorded as the first packet
  index.addPacket({20, 10, 1, 350});  // frame 1: key
  index.addPacket({30, 20, 0, 390});  // frame 2
  index.addPacket({40, 30, 1, 800});  // frame 3: key
  index.addPacket({50, 40, 1, -1});   // frame 4: key without a position
  index.addPacket({60, 50, 1, 800});  // frame 5: key at a position already known
  ASSERT_TRUE(index.finish());
  ASSERT_EQ(index.keys.size(), 5u);
  const std::vector<int32_t> frames = {0, 1, 3, 4, 5};
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(index.keys[i].frame, frames[i]);
    EXPECT_EQ(index.keys[i].keyIndex, static_cast<int32_t>(i));
  }
  EXPECT_EQ(index.keys[1].pts, 20);
  EXPECT_EQ(index.keys[1].dts, 10);
  EXPECT_EQ(index.keys[1].flags, 1);
  // The seek position is the last read position at or before the packet.
  EXPECT_EQ(index.keys[1].seekPos, 100);
  EXPECT_EQ(index.keys[2].seekPos, 400);
  EXPECT_EQ(index.positions, (std::vector<PositionRecord>{{50, 0}, {350, 1}, {800, 3}}));
  EXPECT_EQ(index.packetCount, 6);

  const struct {
    int32_t frame;
    int32_t key;
  } lookups[] = {{-5, 0}, {0, 0}, {2, 1}, {3, 3}, {4, 4}, {100, 5}};
  for (const auto& l : lookups) EXPECT_EQ(index.keyAtOrBefore(l.frame).frame, l.key) << l.frame;
  EXPECT_EQ(index.lastKeyRecord().frame, 5);
  EXPECT_EQ(index.frameOfPosition(800), 3);
  EXPECT_EQ(index.frameOfPosition(50), 0);
  EXPECT_EQ(index.frameOfPosition(351), -1);
  EXPECT_EQ(index.frameOfPosition(10), -1);
  EXPECT_EQ(index.frameOfPosition(5000), -1);
  EXPECT_TRUE(index.needsBuilding());
}

// --- the index file

TEST(IndexFile, BytesFollowTheLayout) {
  const std::vector<KeyRecord> keys = {{0, 0, -2, 1, 48, 0, 0},
                                       {12, 6144, 6144, 1, 70000, 69000, 1},
                                       {24, INT64_MIN, 12288, 3, -1, 140000, 2}};
  const std::vector<PositionRecord> positions = {{48, 0}, {70000, 12}};
  const uint64_t time = 0x01d9'0a0b'0c0d'0e0fULL;
  const std::string bytes = indexFileBytes(time, keys, positions);
  const IndexFile f = readIndexIndependently(bytes);
  EXPECT_EQ(f.header.magic, std::string("MEQAFFIDX\0", 10));
  EXPECT_EQ(f.header.time, static_cast<int64_t>(time));
  EXPECT_EQ(f.header.keyCount, 3);
  EXPECT_EQ(f.header.positionCount, 2);  // the counts may differ
  EXPECT_EQ(static_cast<uint32_t>(f.header.checksum), f.recordXor);
  EXPECT_EQ(static_cast<uint32_t>(f.header.check), expectedCheck(f.header));
  EXPECT_EQ(f.keys, keys);
  EXPECT_EQ(f.positions, positions);

  std::vector<KeyRecord> k;
  std::vector<PositionRecord> p;
  ASSERT_TRUE(parseIndexFile(bytes, time, k, p));
  EXPECT_EQ(k, keys);
  EXPECT_EQ(p, positions);
  EXPECT_FALSE(parseIndexFile(bytes, time + 1, k, p));  // another video time
  EXPECT_TRUE(k.empty());
  // No records at all: a checksum of 0.
  const std::string empty = indexFileBytes(time, {}, {});
  EXPECT_EQ(empty.size(), 34u);
  EXPECT_EQ(readIndexIndependently(empty).header.checksum, 0);
  EXPECT_TRUE(parseIndexFile(empty, time, k, p));
}

// Every single changed byte, every cut and counts beyond the file's length are refused.
TEST(IndexFile, DamagedFilesAreRefused) {
  const std::vector<KeyRecord> keys = {{0, 0, 0, 1, 48, 0, 0}, {12, 512, 512, 1, 900, 800, 1}};
  const std::vector<PositionRecord> positions = {{48, 0}, {900, 12}};
  const uint64_t time = 132'000'000'000'000'000ULL;
  const std::string good = indexFileBytes(time, keys, positions);
  std::vector<KeyRecord> k;
  std::vector<PositionRecord> p;
  for (size_t at = 0; at < good.size(); ++at) {
    for (uint8_t flip : {0x01, 0x80, 0xff}) {
      std::string bad = good;
      bad[at] = static_cast<char>(bad[at] ^ flip);
      EXPECT_FALSE(parseIndexFile(bad, time, k, p)) << at << " " << int(flip);
    }
  }
  for (size_t len = 0; len < good.size(); ++len)
    EXPECT_FALSE(parseIndexFile(good.substr(0, len), time, k, p)) << len;
  EXPECT_FALSE(parseIndexFile(good + std::string(4, '\0'), time, k, p));

  // Huge counts with a matching check: refused by the length, nothing allocated for them.
  std::string huge = indexFileBytes(time, {}, {});
  huge[18] = huge[19] = huge[20] = '\xff';
  huge[21] = '\x7f';
  const uint32_t hugeCheck = static_cast<uint32_t>(time >> 32) * 23u + 0x7fffffffu * 13u +
                             static_cast<uint32_t>(time) * 17u;
  for (int i = 0; i < 4; ++i) huge[30 + i] = static_cast<char>(hugeCheck >> (8 * i));
  EXPECT_FALSE(parseIndexFile(huge, time, k, p));

  // Records out of order, with a valid checksum and check: refused.
  std::vector<KeyRecord> swapped = {keys[1], keys[0]};
  swapped[0].keyIndex = 0;
  swapped[1].keyIndex = 1;
  EXPECT_FALSE(parseIndexFile(indexFileBytes(time, swapped, positions), time, k, p));
  EXPECT_FALSE(
      parseIndexFile(indexFileBytes(time, keys, {positions[1], positions[0]}), time, k, p));
}

// --- the index of an opened video

struct IndexedOpen {
  std::unique_ptr<tfFFmpegSource> source;
  RecordingListener listener;
  int32_t rc = -1;
};

std::unique_ptr<IndexedOpen> openIndexed(const std::string& path, int32_t mode,
                                         bool frameAccurate = true,
                                         const wchar_t* pathTemplate = nullptr) {
  auto o = std::make_unique<IndexedOpen>();
  o->source = std::make_unique<tfFFmpegSource>();
  o->source->setListener(&o->listener);
  o->source->requestedHint = 1;
  FFmpegSourceParams params = vixo_test::paramsFor(path);
  params.frameAccurate = frameAccurate;
  params.indexSettings.mode = mode;
  if (pathTemplate) params.indexSettings.pathTemplate = pathTemplate;
  o->rc = o->source->open(params);
  return o;
}

std::vector<std::wstring> indexNotes(const RecordingListener& l) {
  std::vector<std::wstring> out;
  for (const MessageRecord& r : l.records) {
    if (r.code == -1) out.push_back(std::to_wstring(r.kind) + L" " + r.text);
  }
  return out;
}

TEST(VideoIndex, WhenAnIndexIsMadeAndWhatTheListenerHears) {
  TestVideos videos;
  const std::string mkv = videos.path("ffv1.mkv"), mp4 = videos.path("h264.mp4");
  const std::wstring mkvIndex = fromUtf8(mkv) + L".meqaidx";
  const struct {
    std::string path;
    int32_t mode;
    bool accurate;
    bool indexed;
    std::vector<std::wstring> notes;
  } rows[] = {
      // The MP4 container lists every frame: "needed" makes no index.
      {mp4, IndexModeNeeded, true, false, {}},
      {mp4, IndexModeNeededMem, true, false, {}},
      {mp4, IndexModeForcedMem, true, true, {L"3842 Building index in mem..."}},
      {mkv, IndexModeNo, true, false, {}},
      {mkv, IndexModeNeededMem, false, false, {}},
      {mkv, IndexModeNeededMem, true, true, {L"3842 Building index in mem..."}},
      {mkv, IndexModeForcedMem, true, true, {L"3842 Building index in mem..."}},
      {mkv,
       IndexModeNeeded,
       true,
       true,
       {L"3842 Use index file: " + mkvIndex, L"3842 Building index..."}},
      // The file is there now: loaded, not built.
      {mkv, IndexModeForced, true, true, {L"3842 Use index file: " + mkvIndex}},
      {mkv, IndexModeForced, false, true, {L"3842 Use index file: " + mkvIndex}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path + " mode " + std::to_string(row.mode) + (row.accurate ? " acc" : ""));
    auto o = openIndexed(row.path, row.mode, row.accurate);
    ASSERT_EQ(o->rc, 0);
    EXPECT_EQ(o->source->reader->indexUsable(), row.indexed);
    EXPECT_EQ(indexNotes(o->listener), row.notes);
    for (const MessageRecord& r : o->listener.records) {
      if (r.text.rfind(L"Use index file: ", 0) == 0) {
        EXPECT_EQ(r.details, mkvIndex);
      }
    }
  }
}

// The index file holds every key packet of the video, as the layout says.
TEST(VideoIndex, FileHoldsTheKeyPacketsOfTheVideo) {
  TestVideos videos;
  const struct {
    const char* name;
    std::vector<int32_t> keyFrames;
  } rows[] = {
      {"h264.mp4", {0, 12, 24, 36}},
      {"ffv1.mkv", {}},  // every frame
      {"yuv422p10.mkv", {0, 5, 10, 15}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = videos.path(row.name);
    auto o = openIndexed(path, IndexModeForced);
    ASSERT_EQ(o->rc, 0);
    const IndexFile f = readIndexIndependently(fileBytes(path + ".meqaidx"));
    EXPECT_EQ(f.header.magic, std::string("MEQAFFIDX\0", 10));
    EXPECT_EQ(static_cast<uint64_t>(f.header.time), getFileWriteTime(fromUtf8(path)));
    EXPECT_EQ(static_cast<uint32_t>(f.header.checksum), f.recordXor);
    EXPECT_EQ(static_cast<uint32_t>(f.header.check), expectedCheck(f.header));
    std::vector<int32_t> frames;
    for (size_t i = 0; i < f.keys.size(); ++i) {
      frames.push_back(f.keys[i].frame);
      EXPECT_EQ(f.keys[i].keyIndex, static_cast<int32_t>(i));
      EXPECT_TRUE(f.keys[i].flags & 1);
      EXPECT_GE(f.keys[i].pos, f.keys[i].seekPos);
    }
    std::vector<int32_t> expected = row.keyFrames;
    if (expected.empty())
      for (int n = 0; n < TestVideos::spec(row.name).frames; ++n) expected.push_back(n);
    EXPECT_EQ(frames, expected);
    // One position record per key packet, in ascending order.
    ASSERT_EQ(f.positions.size(), f.keys.size());
    for (size_t i = 0; i < f.positions.size(); ++i) {
      EXPECT_EQ(f.positions[i].pos, f.keys[i].pos);
      EXPECT_EQ(f.positions[i].frame, f.keys[i].frame);
      if (i > 0) {
        EXPECT_GT(f.positions[i].pos, f.positions[i - 1].pos);
      }
    }
    // Nothing but the index beside the video: no temporary file left.
    for (const auto& entry : std::filesystem::directory_iterator(videos.folder()))
      EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST(VideoIndex, StaleOrDamagedFilesAreRebuiltAsNew) {
  TestVideos videos;
  const std::string path = videos.path("h264.mp4");
  const std::string indexPath = path + ".meqaidx";
  auto fresh = [&] {
    std::filesystem::remove(indexPath);
    EXPECT_EQ(openIndexed(path, IndexModeForced)->rc, 0);
    return fileBytes(indexPath);
  };
  auto reopenRebuilds = [&] {
    auto o = openIndexed(path, IndexModeForced);
    EXPECT_EQ(o->rc, 0);
    const auto notes = indexNotes(o->listener);
    return notes.size() == 2 && notes[1] == L"3842 Building index...";
  };
  const std::string original = fresh();
  EXPECT_FALSE(reopenRebuilds());

  // Touching the video.
  struct timespec times[2] = {{0, UTIME_OMIT}, {1'700'000'000, 5'000'000}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_TRUE(reopenRebuilds());
  const std::string touched = fileBytes(indexPath);
  EXPECT_NE(touched, original);
  EXPECT_EQ(touched, fresh());

  // Cut short, one byte changed, or something else altogether.
  const std::vector<std::string> damaged = {
      touched.substr(0, touched.size() - 5),
      [&] {
        std::string b = touched;
        b[b.size() / 2] ^= 0x10;
        return b;
      }(),
      std::string(touched.size(), 'x'),
  };
  for (const std::string& bytes : damaged) {
    std::ofstream(indexPath, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_TRUE(reopenRebuilds());
    EXPECT_EQ(fileBytes(indexPath), touched);
  }
  // Without probing, a damaged file is only reported, not rebuilt.
  std::ofstream(indexPath, std::ios::binary | std::ios::trunc) << damaged[0];
  auto o = openIndexed(path, IndexModeForced, false);
  ASSERT_EQ(o->rc, 0);
  EXPECT_EQ(indexNotes(o->listener).back(), L"3842 Building index...");
  EXPECT_EQ(fileBytes(indexPath), damaged[0]);
}

// An index that holds nothing is never read: seeking falls back to time stamps.
TEST(VideoIndex, EmptyIndexesAreNotRead) {
  TestVideos videos;
  const std::string path = videos.path("mpeg4.avi");
  const std::string indexPath = path + ".meqaidx";
  // No file, no probing: the index is neither loaded nor built.
  std::filesystem::remove(indexPath);
  auto o = openIndexed(path, IndexModeNeeded, false);
  ASSERT_EQ(o->rc, 0);
  EXPECT_FALSE(o->source->reader->indexUsable());
  RawImage image = o->source->newFrame();
  for (int n : {30, 3, 17}) EXPECT_EQ(readShown(*o->source, image, n), n);
  // A valid file without key records.
  std::ofstream(indexPath, std::ios::binary)
      << indexFileBytes(getFileWriteTime(fromUtf8(path)), {}, {});
  o = openIndexed(path, IndexModeForced, true);
  ASSERT_EQ(o->rc, 0);
  EXPECT_EQ(indexNotes(o->listener).size(), 1u);  // loaded
  EXPECT_FALSE(o->source->reader->indexUsable());
  EXPECT_EQ(o->source->getFrameCount(), 40);
  image = o->source->newFrame();
  for (int n : {39, 0, 21}) EXPECT_EQ(readShown(*o->source, image, n), n);
}

// Key packets without byte positions cannot be recognised after a seek: such an index is not
// used, and seeks go by time stamps instead of failing.
TEST(VideoIndex, KeysWithoutPositionsAreNotUsed) {
  TestVideos videos;
  auto o = openIndexed(videos.path("h264.mp4"), IndexModeForcedMem);
  ASSERT_EQ(o->rc, 0);
  auto& index = dynamic_cast<FFmpegMemIndex&>(*o->source->reader->index);
  index.positions.clear();
  EXPECT_FALSE(o->source->reader->indexUsable());
  RawImage image = o->source->newFrame();
  for (int n : {25, 2, 39, 12}) EXPECT_EQ(readShown(*o->source, image, n), n);
}

TEST(VideoIndex, UnwritableIndexFileLeavesTheOpenWithoutIndex) {
  TestVideos videos;
  const std::string path = videos.path("ffv1.mkv");
  auto o = openIndexed(path, IndexModeForced, true, L"$(DirPath)/missing/$(FileName).idx");
  ASSERT_EQ(o->rc, 0);
  ASSERT_FALSE(o->listener.records.empty());
  const MessageRecord& last = o->listener.records.back();
  EXPECT_EQ(last.kind, 1);
  EXPECT_EQ(last.text, L"Error creating index");
  EXPECT_EQ(last.code, -1);
  EXPECT_EQ(o->source->reader->index, nullptr);
  RawImage image = o->source->newFrame();
  EXPECT_EQ(readShown(*o->source, image, 11), 11);
}

// Through the index every frame is found by number, key frames and the frames between them,
// in both directions; the counts are exact, also for variable frame times.
TEST(VideoIndex, SeeksLandOnEveryFrame) {
  TestVideos videos;
  for (const char* name : {"mpeg4.avi", "h264.mp4", "ffv1.mkv", "bgr24.mkv", "yuv422p10.mkv",
                           "mjpeg.avi", "vfr.mkv"}) {
    for (int32_t mode : {IndexModeForcedMem, IndexModeForced}) {
      SCOPED_TRACE(std::string(name) + " mode " + std::to_string(mode));
      const int frames = TestVideos::spec(name).frames;
      auto o = openIndexed(videos.path(name), mode);
      ASSERT_EQ(o->rc, 0);
      ASSERT_TRUE(o->source->reader->indexUsable());
      EXPECT_EQ(o->source->getFrameCount(), frames);
      EXPECT_TRUE(o->source->isFrameCountExact());
      RawImage image = o->source->newFrame();
      for (int n = 0; n < frames; ++n) ASSERT_EQ(readShown(*o->source, image, n), n);
      for (int n = frames - 1; n >= 0; --n) ASSERT_EQ(readShown(*o->source, image, n), n);
      EXPECT_EQ(o->source->readFrame(image, frames), 13);
      EXPECT_EQ(o->source->readFrame(image, -1), 13);
    }
  }
}

}  // namespace
