// Reads index files of the video source's key-frame index from arbitrary bytes.
//
// Inputs of even length get the video's time and a fitting check value written into their
// header first, so that the fuzzer reaches the counts, records and checksum. Invariants: no crash
// or sanitizer report; a refused file leaves no records; an accepted file writes back to the same
// bytes, its lookups agree with its records, and loading it from disk gives the same records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "avifile/ffmpeg_index.h"

namespace {

std::string folder;
uint64_t videoTime = 0;

void put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}
uint32_t get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t{static_cast<uint8_t>(b[at + i])} << (8 * i);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char tmpl[] = "/tmp/vixo-fuzz-index.XXXXXX";
  if (!mkdtemp(tmpl)) std::abort();
  folder = tmpl;
  const std::string video = folder + "/video.avi";
  std::ofstream(video) << "video";
  const struct timespec times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
  if (utimensat(AT_FDCWD, video.c_str(), times, 0) != 0) std::abort();
  videoTime = getFileWriteTime(fromUtf8(video));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size >= kIndexHeaderSize && size % 2 == 0) {
    put32(bytes, 10, static_cast<uint32_t>(videoTime));
    put32(bytes, 14, static_cast<uint32_t>(videoTime >> 32));
    const uint32_t check = static_cast<uint32_t>(videoTime >> 32) * 23u + get32(bytes, 22) * 7u +
                           get32(bytes, 18) * 13u + static_cast<uint32_t>(videoTime) * 17u +
                           get32(bytes, 26) * 29u;
    put32(bytes, 30, check);
  }
  std::vector<KeyRecord> keys;
  std::vector<PositionRecord> positions;
  const bool accepted = parseIndexFile(bytes, videoTime, keys, positions);
  if (!accepted && (!keys.empty() || !positions.empty())) std::abort();
  if (accepted) {
    if (indexFileBytes(videoTime, keys, positions) != bytes) std::abort();
    FFmpegMemIndex index(nullptr);
    index.keys = keys;
    index.positions = positions;
    for (const KeyRecord& k : keys) {
      if (!(index.keyAtOrBefore(k.frame) == k)) std::abort();
      const KeyRecord& before = index.keyAtOrBefore(k.frame - 1);
      if (k.keyIndex > 0 && before.keyIndex != k.keyIndex - 1) std::abort();
    }
    for (const PositionRecord& p : positions) {
      if (index.frameOfPosition(p.pos) != p.frame) std::abort();
    }
  }
  // The same bytes from disk.
  const std::string indexPath = folder + "/video.avi.meqaidx";
  std::ofstream(indexPath, std::ios::binary | std::ios::trunc) << bytes;
  FFmpegFileIndex file(nullptr, fromUtf8(folder + "/video.avi"), fromUtf8(indexPath));
  if (file.loaded != accepted || file.memIndex.keys != keys || file.memIndex.positions != positions)
    std::abort();
  return 0;
}
