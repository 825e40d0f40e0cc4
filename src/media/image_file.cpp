#include "media/image_file.h"

#include <pthread.h>

#include <algorithm>
#include <limits>

#include "common/wait.h"
#include "media/media_clock.h"

using connections::makeConstant;

namespace {

int64_t msToNs(int64_t ms) {
  const int64_t limit = std::numeric_limits<int64_t>::max() / 1'000'000;
  return std::clamp<int64_t>(ms, 0, limit) * 1'000'000;
}

}  // namespace

ImageFile::ImageFile(ImageSource* source, int64_t displayMs)
    : imageSource(source), displayTime(msToNs(displayMs)) {}

ImageFile::~ImageFile() { stop(); }

FrameSize ImageFile::getSize() const { return FrameSize{width, height}; }

double ImageFile::shareOf(int64_t used) const {
  if (displayTime <= 0) return 1.0;
  return std::clamp(static_cast<double>(used) / static_cast<double>(displayTime), 0.0, 1.0);
}

double ImageFile::getProgress() const {
  if (displayTime <= 0) return 1.0;
  std::lock_guard<std::mutex> lock(clockMutex);
  if (clockStart == clockEnd) return progressStart;
  const double share =
      static_cast<double>(monotonicNs() - clockStart) / static_cast<double>(clockEnd - clockStart);
  // Between the deadline and the file's close the clock runs on; the progress stays at its end.
  return std::clamp(share * (progressEnd - progressStart) + progressStart, 0.0, 1.0);
}

int64_t ImageFile::getPositionMs() const {
  return static_cast<int64_t>(getProgress() * static_cast<double>(getDurationMs()));
}

void ImageFile::stop() {
  close();
  if (loaderThread.joinable()) loaderThread.join();
  if (clockThread.joinable()) clockThread.join();
}

void ImageFile::reopen() {
  stopAndClear();
  resetState(Created);
  valid = false;
  {
    std::lock_guard<std::mutex> lock(clockMutex);
    clockStart = clockEnd = 0;
    progressStart = progressEnd = 0;
    seekRequested = false;
  }
  startLoader();
}

void ImageFile::requestSeek(int64_t ms) {
  std::lock_guard<std::mutex> lock(clockMutex);
  seekRequested = true;
  seekMs = ms;
}

void ImageFile::startLoader() {
  loaderThread = std::jthread([this] { loaderLoop(); });
}

bool ImageFile::startPlayback() {
  if (!changeState({Ready}, Playing)) return false;
  clockThread = std::jthread([this] { clockLoop(); });
  return true;
}

void ImageFile::loaderLoop() {
  pthread_setname_np(pthread_self(), "loader");
  try {
    if (!changeState({Created}, Opening)) return;
    imageSource->load();
    const RawFrame frame = imageSource->getFrame();
    if (frame.empty()) {
      valid = false;
      close();
      return;
    }
    width = frame.getInfo().width;
    height = frame.getInfo().height;
    valid = true;
    if (!changeState({Opening}, Ready)) close();
  } catch (...) {
    // A picture that cannot be read in any way ends the file, not the process.
    close();
  }
}

void ImageFile::clockLoop() {
  pthread_setname_np(pthread_self(), "display");
  try {
    clockSteps();
  } catch (...) {
    close();
  }
}

void ImageFile::clockSteps() {
  const auto state = stateExpression();
  const auto notPlaying = state != makeConstant(Playing);
  const auto notPaused = state != makeConstant(Paused);
  int64_t used = 0;  // display time spent, ns
  for (;;) {
    if (getState() == Closed) return;
    const int64_t start = monotonicNs();
    const int64_t deadline = start + (displayTime - used);
    {
      std::lock_guard<std::mutex> lock(clockMutex);
      clockStart = start;
      clockEnd = deadline;
      progressStart = shareOf(used);
      progressEnd = 1.0;
    }
    connections::waitExpressionUntil(notPlaying, monotonicTimePoint(deadline));
    const int64_t now = monotonicNs();
    if (now >= deadline) changeState({Playing, Paused}, Closed);
    if (getState() != Paused) continue;

    // Paused: the progress stands still at the share shown until the pause ends.
    used = std::min(used + (now - start), displayTime);
    freezeClock(used);
    connections::waitUntil(notPaused);
    {
      std::lock_guard<std::mutex> lock(clockMutex);
      if (seekRequested) used = std::min(msToNs(seekMs), displayTime);
      seekRequested = false;
    }
    freezeClock(used);
  }
}

void ImageFile::freezeClock(int64_t used) {
  std::lock_guard<std::mutex> lock(clockMutex);
  clockStart = clockEnd = monotonicNs();
  progressStart = progressEnd = shareOf(used);
}
