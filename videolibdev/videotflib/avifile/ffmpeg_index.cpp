#include "avifile/ffmpeg_index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "avifile/assertion.h"
#include "avifile/avi_system.h"

// --- modes and paths

const IndexModeInfo& indexModeInfo(int32_t mode) {
  static const std::vector<IndexModeInfo> table = {
      {IndexModeNo, "no", L"no index", false, IndexBuildPolicy::None},
      {IndexModeNeeded, "needed", L"if needed", true, IndexBuildPolicy::IfNeeded},
      {IndexModeForced, "forced", L"forced", true, IndexBuildPolicy::Forced},
      {IndexModeNeededMem, "needed_mem", L"if needed, no file (in memory)", false,
       IndexBuildPolicy::IfNeeded},
      {IndexModeForcedMem, "forced_mem", L"forced, no file (in memory)", false,
       IndexBuildPolicy::Forced},
  };
  static const IndexModeInfo unknown{-1, "unknown", L"unknown", false, IndexBuildPolicy::Unknown};
  return mode >= 0 && mode < static_cast<int32_t>(table.size()) ? table[mode] : unknown;
}

namespace {

bool isNameChar(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L'_' || c == L'-';
}

// Tokens are "$(" name ")" with names of letters, digits, '_' and '-' (possibly none), found
// left to right.
std::wstring expand(const std::wstring& text, const std::map<std::wstring, std::wstring>& vars,
                    std::set<std::wstring>& inProgress) {
  std::wstring out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = at + 2;
    if (text.compare(at, 2, L"$(") == 0) {
      while (end < text.size() && isNameChar(text[end])) ++end;
    }
    if (text.compare(at, 2, L"$(") != 0 || end >= text.size() || text[end] != L')') {
      out += text[at++];
      continue;
    }
    const std::wstring name = text.substr(at + 2, end - at - 2);
    const auto var = vars.find(name);
    if (var == vars.end() || inProgress.count(name)) {
      out.append(text, at, end + 1 - at);
    } else {
      inProgress.insert(name);
      out += expand(var->second, vars, inProgress);
      inProgress.erase(name);
    }
    at = end + 1;
  }
  return out;
}

}  // namespace

std::wstring expandPathTemplate(const std::wstring& pathTemplate,
                                const std::map<std::wstring, std::wstring>& variables) {
  std::set<std::wstring> inProgress;
  return expand(pathTemplate, variables, inProgress);
}

std::wstring IndexSettings::indexPath(const std::wstring& videoPath) const {
  if (!usesFile()) return {};
  const PathParts parts = splitPath(videoPath);
  std::wstring dir = parts.drive + parts.directory;
  // The folder without its last separator; a video named without a folder lies in ".".
  dir = dir.empty() ? L"." : dir.substr(0, dir.size() - 1);
  std::wstring tmpl = pathTemplate;
  std::replace(tmpl.begin(), tmpl.end(), L'\\', L'/');
  return expandPathTemplate(tmpl, {{L"DirPath", dir},
                                   {L"FileBase", parts.baseName},
                                   {L"FileName", parts.baseName + parts.extension}});
}

// --- the index in memory

FFmpegMemIndex::FFmpegMemIndex(std::function<int64_t()> readPosition)
    : readPosition_(std::move(readPosition)) {
  updatePositions(-1);
}

void FFmpegMemIndex::updatePositions(int64_t pos) {
  const int64_t cur = readPosition_ ? readPosition_() : 0;
  while (!readPositions.empty() && readPositions.back() > cur) readPositions.pop_back();
  if (readPositions.empty() || readPositions.back() != cur) readPositions.push_back(cur);
  if (pos >= 0) {
    size_t drop = 0;
    while (readPositions.size() - drop > 1 && readPositions[drop + 1] < pos) ++drop;
    readPositions.erase(readPositions.begin(), readPositions.begin() + drop);
  }
}

void FFmpegMemIndex::addPacket(const IndexPacket& packet) {
  const int32_t n = packetCount++;
  updatePositions(packet.pos);
  if (!(packet.flags & kPacketFlagKey) && n != 0) return;
  if (packet.pos != -1) keyByPosition.emplace(packet.pos, n);
  keys.push_back(
      {n, packet.pts, packet.dts, packet.flags, packet.pos, readPositions.front(), keyCount});
  keyCount += 1;
}

bool FFmpegMemIndex::finish() {
  positions.clear();
  positions.reserve(keyByPosition.size());
  for (const auto& [pos, frame] : keyByPosition) positions.push_back({pos, frame});
  return true;
}

const KeyRecord& FFmpegMemIndex::lastKeyRecord() const {
  VIXO_ASSERT(!keys.empty());
  return keys.back();
}

namespace {

// The place of the last record whose field is <= value (the first record when value precedes
// them all), by binary search over records sorted by the field; requires records.
template <class Record, class Value>
size_t lastAtOrBefore(const std::vector<Record>& records, Value Record::*field, Value value) {
  size_t lo = 0, hi = records.size();
  while (hi - lo > 1) {
    const size_t mid = (lo + hi) / 2;
    if (records[mid].*field > value)
      hi = mid;
    else
      lo = mid;
  }
  return lo;
}

}  // namespace

const KeyRecord& FFmpegMemIndex::keyAtOrBefore(int32_t frame) const {
  VIXO_ASSERT(!keys.empty());
  return keys[lastAtOrBefore(keys, &KeyRecord::frame, frame)];
}

int32_t FFmpegMemIndex::frameOfPosition(int64_t pos) const {
  if (positions.empty()) return -1;
  const PositionRecord& p = positions[lastAtOrBefore(positions, &PositionRecord::pos, pos)];
  return p.pos == pos ? p.frame : -1;
}

// --- the index file

namespace {

constexpr char kMagic[10] = {'M', 'E', 'Q', 'A', 'F', 'F', 'I', 'D', 'X', '\0'};

void put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}
void put64(std::string& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v));
  put32(out, static_cast<uint32_t>(v >> 32));
}
uint32_t get32(const std::string& in, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t{static_cast<uint8_t>(in[at + i])} << (8 * i);
  return v;
}
uint64_t get64(const std::string& in, size_t at) {
  return get32(in, at) | uint64_t{get32(in, at + 4)} << 32;
}

std::string recordBytes(const std::vector<KeyRecord>& keys,
                        const std::vector<PositionRecord>& positions) {
  std::string out;
  out.reserve(keys.size() * kKeyRecordSize + positions.size() * kPositionRecordSize);
  for (const KeyRecord& k : keys) {
    put32(out, static_cast<uint32_t>(k.frame));
    put64(out, static_cast<uint64_t>(k.pts));
    put64(out, static_cast<uint64_t>(k.dts));
    put32(out, static_cast<uint32_t>(k.flags));
    put64(out, static_cast<uint64_t>(k.pos));
    put64(out, static_cast<uint64_t>(k.seekPos));
    put32(out, static_cast<uint32_t>(k.keyIndex));
  }
  for (const PositionRecord& p : positions) {
    put64(out, static_cast<uint64_t>(p.pos));
    put32(out, static_cast<uint32_t>(p.frame));
  }
  return out;
}

// The xor of the records' 32-bit words.
uint32_t checksumOf(const std::string& records, size_t from) {
  uint32_t sum = 0;
  for (size_t at = from; at + 4 <= records.size(); at += 4) sum ^= get32(records, at);
  return sum;
}

uint32_t checkOf(uint64_t time, uint32_t keyCount, uint32_t positionCount, uint32_t checksum) {
  const uint32_t hi = static_cast<uint32_t>(time >> 32), lo = static_cast<uint32_t>(time);
  return hi * 23u + positionCount * 7u + keyCount * 13u + lo * 17u + checksum * 29u;
}

// The length of a file with these counts; 0 for counts that no file can have.
uint64_t fileLength(int64_t keyCount, int64_t positionCount) {
  if (keyCount < 0 || positionCount < 0) return 0;
  return kIndexHeaderSize + static_cast<uint64_t>(keyCount) * kKeyRecordSize +
         static_cast<uint64_t>(positionCount) * kPositionRecordSize;
}

}  // namespace

std::string indexFileBytes(uint64_t videoTime, const std::vector<KeyRecord>& keys,
                           const std::vector<PositionRecord>& positions) {
  const std::string records = recordBytes(keys, positions);
  const uint32_t checksum = checksumOf(records, 0);
  const auto keyCount = static_cast<uint32_t>(keys.size());
  const auto positionCount = static_cast<uint32_t>(positions.size());
  std::string out(kMagic, sizeof kMagic);
  put64(out, videoTime);
  put32(out, keyCount);
  put32(out, positionCount);
  put32(out, checksum);
  put32(out, checkOf(videoTime, keyCount, positionCount, checksum));
  return out + records;
}

bool parseIndexFile(const std::string& bytes, uint64_t videoTime, std::vector<KeyRecord>& keys,
                    std::vector<PositionRecord>& positions) {
  keys.clear();
  positions.clear();
  if (bytes.size() < kIndexHeaderSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
    return false;
  const uint64_t time = get64(bytes, 10);
  const auto keyCount = static_cast<int32_t>(get32(bytes, 18));
  const auto positionCount = static_cast<int32_t>(get32(bytes, 22));
  const uint32_t checksum = get32(bytes, 26);
  if (time != videoTime) return false;
  if (get32(bytes, 30) != checkOf(time, static_cast<uint32_t>(keyCount),
                                  static_cast<uint32_t>(positionCount), checksum))
    return false;
  // The counts must describe exactly this many bytes before anything is made of them.
  if (fileLength(keyCount, positionCount) != bytes.size()) return false;
  if (checksumOf(bytes, kIndexHeaderSize) != checksum) return false;
  std::vector<KeyRecord> k(static_cast<size_t>(keyCount));
  std::vector<PositionRecord> p(static_cast<size_t>(positionCount));
  size_t at = kIndexHeaderSize;
  for (int32_t i = 0; i < keyCount; ++i, at += kKeyRecordSize) {
    KeyRecord& r = k[i];
    r.frame = static_cast<int32_t>(get32(bytes, at));
    r.pts = static_cast<int64_t>(get64(bytes, at + 4));
    r.dts = static_cast<int64_t>(get64(bytes, at + 12));
    r.flags = static_cast<int32_t>(get32(bytes, at + 20));
    r.pos = static_cast<int64_t>(get64(bytes, at + 24));
    r.seekPos = static_cast<int64_t>(get64(bytes, at + 32));
    r.keyIndex = static_cast<int32_t>(get32(bytes, at + 40));
    // Packet order: rising frames, each record numbered by its place.
    if (r.keyIndex != i || r.frame < 0 || (i > 0 && r.frame <= k[i - 1].frame)) return false;
  }
  for (int32_t i = 0; i < positionCount; ++i, at += kPositionRecordSize) {
    p[i].pos = static_cast<int64_t>(get64(bytes, at));
    p[i].frame = static_cast<int32_t>(get32(bytes, at + 8));
    if (p[i].pos < 0 || p[i].frame < 0 || (i > 0 && p[i].pos <= p[i - 1].pos)) return false;
  }
  keys = std::move(k);
  positions = std::move(p);
  return true;
}

namespace {

// The file's bytes when its header's counts fit its length; nothing is read beyond the header
// of a file that cannot be an index.
bool readIndexFile(const std::string& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  std::string header(kIndexHeaderSize, '\0');
  ok = ok && ::read(fd, header.data(), header.size()) == static_cast<ssize_t>(header.size());
  ok = ok &&
       fileLength(static_cast<int32_t>(get32(header, 18)),
                  static_cast<int32_t>(get32(header, 22))) == static_cast<uint64_t>(st.st_size);
  if (ok) {
    bytes = header;
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t at = kIndexHeaderSize;
    while (ok && at < bytes.size()) {
      const ssize_t n = ::read(fd, bytes.data() + at, bytes.size() - at);
      if (n <= 0) ok = false;
      at += n > 0 ? static_cast<size_t>(n) : 0;
    }
  }
  ::close(fd);
  return ok;
}

// Writes the bytes to a new temporary file beside the path, then renames it over the path, so
// that the path holds either the old file or the whole new one.
bool writeFileAtomically(const std::string& path, const std::string& bytes) {
  std::string tmp = path + ".tmp.XXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
    if (n <= 0) ok = false;
    at += n > 0 ? static_cast<size_t>(n) : 0;
  }
  ok = fchmod(fd, 0644) == 0 && ok;
  ok = fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = std::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(tmp.c_str());
  return ok;
}

}  // namespace

FFmpegFileIndex::FFmpegFileIndex(std::function<int64_t()> readPosition, std::wstring video,
                                 std::wstring index)
    : videoPath(std::move(video)), indexPath(std::move(index)), memIndex(std::move(readPosition)) {
  std::string path, bytes;
  if (!toNativePath(indexPath, path) || !readIndexFile(path, bytes)) return;
  loaded = parseIndexFile(bytes, getFileWriteTime(videoPath), memIndex.keys, memIndex.positions);
}

bool FFmpegFileIndex::finish() {
  if (!memIndex.finish()) return false;
  std::string path;
  if (!toNativePath(indexPath, path)) return false;
  return writeFileAtomically(
      path, indexFileBytes(getFileWriteTime(videoPath), memIndex.keys, memIndex.positions));
}
