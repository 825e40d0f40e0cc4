// Opens mutated small videos through the FFmpeg video source and reads and seeks in them.
//
// The videos are written with the FFmpeg libraries when the fuzzer starts (no video files are
// kept with the sources). An input is a recipe: byte 0 picks the video and the open flags, bytes 1
// and 2 a length to cut the file to, and every following 3 bytes xor one byte of the file (a
// 16-bit offset, then the value). Invariants: no crash, no sanitizer report, no hang; the open
// gives 0 or a code of the table, and reading and seeking end with codes or the source's own
// errors.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "avifile/ffmpeg.h"
#include "support/test_video.h"

namespace {

std::vector<std::string>& baseVideos() {
  static std::vector<std::string> videos;
  return videos;
}

std::string& workFile() {
  static std::string path;
  return path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char folder[] = "/tmp/vixo-fuzz-video.XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  struct Base {
    const char* name;
    vixo_test::VideoSpec spec;
  };
  std::vector<Base> bases(5);
  for (Base& b : bases) {
    b.spec.width = 32;
    b.spec.height = 32;
    b.spec.frames = 8;
    b.spec.gop = 4;
  }
  bases[0].name = "mpeg4.avi";
  bases[0].spec.container = "avi";
  bases[0].spec.codec = "mpeg4";
  bases[0].spec.bFrames = 2;
  bases[1].name = "h264.mp4";
  bases[1].spec.container = "mp4";
  bases[1].spec.codec = "libx264";
  bases[1].spec.bFrames = 2;
  bases[2].name = "ffv1.mkv";
  bases[2].spec.frames = 5;
  bases[3].name = "mjpeg.avi";
  bases[3].spec.container = "avi";
  bases[3].spec.codec = "mjpeg";
  bases[3].spec.pixelFormat = "yuvj420p";
  bases[3].spec.frames = 3;
  bases[4].name = "h264.ts";
  bases[4].spec.container = "mpegts";
  bases[4].spec.codec = "libx264";
  for (const Base& b : bases) {
    const std::string path = std::string(folder) + "/" + b.name;
    const std::string err = vixo_test::writeVideo(path, b.spec);
    if (!err.empty()) {
      std::fprintf(stderr, "%s: %s\n", b.name, err.c_str());
      std::abort();
    }
    baseVideos().push_back(readFile(path));
    std::remove(path.c_str());
  }
  workFile() = std::string(folder) + "/input";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const std::vector<std::string>& bases = baseVideos();
  std::string bytes = bases[data[0] % bases.size()];
  const bool accurate = data[0] & 0x08;
  const bool ownFormat = data[0] & 0x10;
  if (data[0] & 0x20) bytes.resize((data[1] | data[2] << 8) % (bytes.size() + 1));
  for (size_t i = 3; i + 2 < size && !bytes.empty(); i += 3) {
    const size_t at = (data[i] | data[i + 1] << 8) % bytes.size();
    bytes[at] = static_cast<char>(bytes[at] ^ data[i + 2]);
  }
  std::ofstream(workFile(), std::ios::binary | std::ios::trunc) << bytes;

  tfFFmpegSource source;
  source.requestedHint = 1;
  FFmpegSourceParams params;
  params.fileName = fromUtf8(workFile());
  params.frameAccurate = accurate;
  params.formatFromStream = ownFormat;
  const int32_t rc = source.open(params);
  if (rc < 0 || rc > 16) std::abort();
  if (rc != 0) return 0;
  // Pictures larger than any base video come from damaged headers; they are not allocated.
  if (source.getWidth() <= 0 || source.getHeight() <= 0 ||
      int64_t{source.getWidth()} * source.getHeight() > 4096 * 4096)
    return 0;
  RawImage image = source.newFrame();
  for (int n = 0; n < 40; ++n) {
    try {
      const int32_t r = source.readNextFrame(image);
      if (r == 16) break;
      if (r != 0) std::abort();
    } catch (const tfFFmpegSource::Error& e) {
      if (e.code != 12 && e.code != 14) std::abort();
    }
  }
  for (size_t i = 0; i < 3; ++i) {
    const int32_t n = data[i] % 12;
    try {
      const int32_t r = source.readFrame(image, n);
      if (r < 0 || r > 16) std::abort();
    } catch (const tfFFmpegSource::Error& e) {
      if (e.code != 12 && e.code != 14) std::abort();
    }
  }
  source.isAtEnd();
  source.getDescription();
  source.close();
  return 0;
}
