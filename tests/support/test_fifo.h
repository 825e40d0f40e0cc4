// A named pipe for tests of code that must refuse one. Opening a pipe to read waits for a writer;
// should the code under test do that, a writer comes after a grace time and leaves at once (the
// reader then reads its end), so that the test fails instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace vixo_test {

class TestFifo {
 public:
  explicit TestFifo(std::string path,
                    std::chrono::milliseconds grace = std::chrono::milliseconds(3000))
      : path_(std::move(path)), made_(mkfifo(path_.c_str(), 0600) == 0) {
    helper_ = std::thread([this, grace] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (cv_.wait_for(lock, grace, [this] { return done_; })) return;
      while (!cv_.wait_for(lock, std::chrono::milliseconds(50), [this] { return done_; })) {
        // Succeeds only while someone waits to read.
        const int fd = open(path_.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
          close(fd);
          released_ = true;
        }
      }
    });
  }
  ~TestFifo() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_all();
    helper_.join();
    unlink(path_.c_str());
  }
  TestFifo(const TestFifo&) = delete;
  TestFifo& operator=(const TestFifo&) = delete;

  const std::string& path() const { return path_; }
  bool made() const { return made_; }
  // Someone opened the pipe to read and waited there until the helper let it go.
  bool releasedAReader() const { return released_; }

 private:
  const std::string path_;
  const bool made_;
  std::atomic<bool> released_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  std::thread helper_;
};

}  // namespace vixo_test
