// The catalogue of named test videos; see test_video.h.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/temp_folder.h"
#include "support/test_video.h"

namespace vixo_test {

// --- the catalogue

VideoSpec TestVideos::spec(const std::string& name) {
  VideoSpec s;
  if (name == "mpeg4.avi" || name == "unknown_tag.avi" || name == "truncated.avi") {
    s.container = "avi";
    s.codec = "mpeg4";
    s.frames = 40;
    s.bFrames = 2;
    s.audio = name == "mpeg4.avi" || name == "truncated.avi";
    if (name == "unknown_tag.avi") s.fourcc = "QQQQ";
  } else if (name == "h264.mp4" || name == "truncated.mp4") {
    s.container = "mp4";
    s.codec = "libx264";
    s.frames = 40;
    s.bFrames = 2;
    s.audio = true;
  } else if (name == "ffv1.mkv") {
    s.frames = 30;
    s.gop = 1;
  } else if (name == "bgr24.mkv") {
    s.codec = "rawvideo";
    s.pixelFormat = "bgr24";
    s.frames = 20;
    s.muxerOptions = {{"allow_raw_vfw", "1"}};
  } else if (name == "yuv422p10.mkv") {
    s.pixelFormat = "yuv422p10le";
    s.frames = 20;
    s.gop = 5;
  } else if (name == "mjpeg.avi") {
    s.container = "avi";
    s.codec = "mjpeg";
    s.pixelFormat = "yuvj420p";
    s.frames = 10;
  } else if (name == "vfr.mkv") {
    s.codec = "libx264";
    s.frames = 30;
    s.bFrames = 2;
    s.durationsMs = {40, 40, 80, 20, 60};
  } else if (name == "resize.ts") {
    s.container = "mpegts";
    s.codec = "libx264";
    s.frames = 20;
    s.resizeAt = 10;
    s.width2 = 96;
    s.height2 = 64;
  } else if (name == "audio.mka") {
    s.video = false;
  } else {
    ADD_FAILURE() << "no test video " << name;
  }
  return s;
}

struct TestVideos::State {
  TempFolder folder;
  std::map<std::string, std::string> written;
};

TestVideos::TestVideos() : state_(std::make_unique<State>()) {}
TestVideos::~TestVideos() = default;

const std::string& TestVideos::folder() const { return state_->folder.path(); }

std::string TestVideos::path(const std::string& name) {
  auto it = state_->written.find(name);
  if (it != state_->written.end()) return it->second;
  const std::string file = state_->folder / name;
  const bool truncated = name.rfind("truncated.", 0) == 0;
  std::string err;
  if (truncated) {
    const std::string whole = path(name == "truncated.avi" ? "mpeg4.avi" : "h264.mp4");
    std::error_code ec;
    std::filesystem::copy_file(whole, file, ec);
    if (!ec) std::filesystem::resize_file(file, std::filesystem::file_size(whole) * 6 / 10, ec);
    if (ec) err = ec.message();
  } else {
    err = writeVideo(file, spec(name));
  }
  if (!err.empty()) {
    ADD_FAILURE() << "test video " << name << " not written: " << err;
    return {};
  }
  return state_->written[name] = file;
}

}  // namespace vixo_test
