// The key-frame index of the FFmpeg video source: the index modes and the index file's path,
// the index in memory, and the index file beside the video.
//
// The index records every key packet of the video stream (its packet number, which is its frame
// number, its time stamps, byte position and a read position to seek to), so that the source can
// find any frame by number and count the frames exactly. It is built by reading every packet once
// and is kept in memory or in an index file, reused while the video's last-write time is unchanged.
//
// Index file (little-endian, no padding): a 34-byte header {"MEQAFFIDX\0", int64 last-write time
// of the video as FILETIME ticks, int32 key count, int32 position count, int32 checksum, int32
// check}, then 44-byte key records, then 12-byte position records.
//
// Nothing here calls FFmpeg: the reader hands packets over as IndexPackets and tells the read
// position. An index belongs to one reader and is used on its thread; the mode table and the
// template expression are built once and may be read from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

enum IndexMode : int32_t {
  IndexModeNo = 0,
  IndexModeNeeded = 1,
  IndexModeForced = 2,
  IndexModeNeededMem = 3,
  IndexModeForcedMem = 4,
};

// When an index is built: never, when the container's own index is insufficient, always.
enum class IndexBuildPolicy : int32_t { None = 0, IfNeeded = 1, Forced = 2, Unknown = 3 };

struct IndexModeInfo {
  int32_t mode;
  std::string name;
  std::wstring description;
  bool usesFile;
  IndexBuildPolicy policy;
};

// The row of a mode; the "unknown" row for a value the table does not hold.
const IndexModeInfo& indexModeInfo(int32_t mode);

struct IndexSettings {
  int32_t mode = IndexModeNo;
  std::wstring pathTemplate = L"$(DirPath)/$(FileName).meqaidx";

  bool usesFile() const { return indexModeInfo(mode).usesFile; }
  // The index file of a video: the template expanded with DirPath (the video's folder without
  // its last separator; "." for a path without a folder), FileBase and FileName. Backslashes of
  // the template are separators. Empty when the mode keeps no file.
  std::wstring indexPath(const std::wstring& videoPath) const;
};

// Replaces each "$(name)" of the template by the value of the variable of that name, itself
// expanded the same way. Names that are not variables, and variables whose expansion is in
// progress (one that refers to itself, directly or through others), stay as they are.
std::wstring expandPathTemplate(const std::wstring& pathTemplate,
                                const std::map<std::wstring, std::wstring>& variables);

constexpr int32_t kPacketFlagKey = 0x0001;  // FFmpeg's AV_PKT_FLAG_KEY
constexpr int64_t kNoIndexTimestamp = INT64_MIN;

// What the index takes from one packet of the video stream.
struct IndexPacket {
  int64_t pts = kNoIndexTimestamp;
  int64_t dts = kNoIndexTimestamp;
  int32_t flags = 0;
  int64_t pos = -1;  // byte position; -1 unknown
};

// One key packet (44 bytes in the file, fields in this order).
struct KeyRecord {
  int32_t frame = 0;  // video packets before this one
  int64_t pts = kNoIndexTimestamp;
  int64_t dts = kNoIndexTimestamp;
  int32_t flags = 0;
  int64_t pos = -1;
  int64_t seekPos = 0;   // input read position from which reading reaches this packet
  int32_t keyIndex = 0;  // key records before this one
  bool operator==(const KeyRecord&) const = default;
};

// The frame of a key packet by its byte position (12 bytes in the file).
struct PositionRecord {
  int64_t pos = 0;
  int32_t frame = 0;
  bool operator==(const PositionRecord&) const = default;
};

constexpr size_t kIndexHeaderSize = 34;
constexpr size_t kKeyRecordSize = 44;
constexpr size_t kPositionRecordSize = 12;

class FFmpegIndexBase {
 public:
  virtual ~FFmpegIndexBase() = default;
  // Records one packet of the video stream.
  virtual void addPacket(const IndexPacket& packet) = 0;
  // Completes the index after the last packet (the file index also saves it); false on failure.
  virtual bool finish() = 0;
  virtual bool needsBuilding() const = 0;
  // Whether the index holds key records and byte positions to recognise them by; seeking and
  // counting through the index require it.
  virtual bool usable() const = 0;
  virtual const KeyRecord& lastKeyRecord() const = 0;
  // The last record whose frame is <= frame (the first record when frame precedes it).
  virtual const KeyRecord& keyAtOrBefore(int32_t frame) const = 0;
  // The frame of the key packet at this byte position, or -1.
  virtual int32_t frameOfPosition(int64_t pos) const = 0;
};

// The index in memory. The read position is asked for on construction and with every packet.
class FFmpegMemIndex : public FFmpegIndexBase {
 public:
  explicit FFmpegMemIndex(std::function<int64_t()> readPosition);

  void addPacket(const IndexPacket& packet) override;
  bool finish() override;
  bool needsBuilding() const override { return true; }
  bool usable() const override { return !keys.empty() && !positions.empty(); }
  const KeyRecord& lastKeyRecord() const override;
  const KeyRecord& keyAtOrBefore(int32_t frame) const override;
  int32_t frameOfPosition(int64_t pos) const override;

  std::vector<KeyRecord> keys;            // in packet order
  std::vector<PositionRecord> positions;  // ascending by pos
  int32_t packetCount = 0;
  int32_t keyCount = 0;
  std::vector<int64_t> readPositions{0};
  std::map<int64_t, int32_t> keyByPosition;

 private:
  void updatePositions(int64_t pos);
  std::function<int64_t()> readPosition_;
};

// The index kept in a file beside the video: loaded when the file is valid for the video,
// otherwise built and saved.
class FFmpegFileIndex : public FFmpegIndexBase {
 public:
  // Loads the file at indexPath when it exists and passes every check.
  FFmpegFileIndex(std::function<int64_t()> readPosition, std::wstring videoPath,
                  std::wstring indexPath);

  void addPacket(const IndexPacket& packet) override { memIndex.addPacket(packet); }
  // Completes the index and writes the file under a temporary name, then renames it into place.
  bool finish() override;
  bool needsBuilding() const override { return !loaded; }
  bool usable() const override { return memIndex.usable(); }
  const KeyRecord& lastKeyRecord() const override { return memIndex.lastKeyRecord(); }
  const KeyRecord& keyAtOrBefore(int32_t frame) const override {
    return memIndex.keyAtOrBefore(frame);
  }
  int32_t frameOfPosition(int64_t pos) const override { return memIndex.frameOfPosition(pos); }

  std::wstring videoPath;
  std::wstring indexPath;
  FFmpegMemIndex memIndex;
  bool loaded = false;
};

// The bytes of an index file for a video of the given last-write time.
std::string indexFileBytes(uint64_t videoTime, const std::vector<KeyRecord>& keys,
                           const std::vector<PositionRecord>& positions);
// Reads the bytes of an index file: true, with the records, when they are an index of a video of
// that last-write time (magic, time, check, counts against the length, complete records, order
// and checksum all fit).
bool parseIndexFile(const std::string& bytes, uint64_t videoTime, std::vector<KeyRecord>& keys,
                    std::vector<PositionRecord>& positions);
