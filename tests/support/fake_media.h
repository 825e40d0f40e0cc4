// Media information filled by hand, for tests of the task model.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "media/video_info.h"

namespace vixo_test {

// Media information filled by hand. Like the real source, the answer is one record that the next
// question overwrites, so code that keeps an answer across calls reads the wrong file.
class FakeMedia : public VideoInfoCache {
 public:
  FakeMedia& video(const std::wstring& path, int64_t ms) {
    known_[path] = VideoInfo{true, true, 640, 480, false, ms};
    return *this;
  }
  FakeMedia& image(const std::wstring& path, int64_t ms = 0) {
    known_[path] = VideoInfo{true, true, 640, 480, true, ms};
    return *this;
  }
  // Opened, but the decoder refused it.
  FakeMedia& broken(const std::wstring& path, int64_t ms) {
    known_[path] = VideoInfo{true, false, 0, 0, false, ms};
    return *this;
  }

  const VideoInfo& getInfo(const std::wstring& path) override {
    asked.push_back(path);
    const auto it = known_.find(path);
    current_ = it == known_.end() ? VideoInfo{} : it->second;
    return current_;
  }

  std::vector<std::wstring> asked;

 private:
  std::map<std::wstring, VideoInfo> known_;
  VideoInfo current_;
};

}  // namespace vixo_test
