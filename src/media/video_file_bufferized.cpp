#include "media/video_file_bufferized.h"

#include <pthread.h>

#include <algorithm>
#include <limits>

#include "common/wait.h"
#include "media/frame_buffer.h"
#include "media/media_clock.h"
#include "media/painter.h"
#include "media/video_source.h"

using connections::makeConstant;
using connections::waitExpressionUntil;
using connections::waitUntil;

VideoFileBufferized::VideoFileBufferized(Painter* painter, FrameBuffer* buffer, bool buffered,
                                         int32_t bufferSeconds)
    : painter(painter),
      buffer(buffer),
      bufferSeconds(buffered ? std::max(bufferSeconds, 0) : 0),
      buffered(buffered),
      seekRequested(connections::makeVariableMem(false)) {
  playback.owner = this;
}

VideoFileBufferized::~VideoFileBufferized() { stop(); }

FrameSize VideoFileBufferized::getSize() const { return FrameSize{width, height}; }

std::wstring VideoFileBufferized::getPath() const { return buffer->getSource()->getFileName(); }

int64_t VideoFileBufferized::getPositionMs() const {
  return static_cast<int64_t>(shown) * frameDuration / 1'000'000;
}

double VideoFileBufferized::getProgress() const {
  const int64_t duration = durationMs;
  if (duration <= 0) return 1.0;
  return std::min(static_cast<double>(getPositionMs()) / static_cast<double>(duration), 1.0);
}

void VideoFileBufferized::stop() {
  close();
  readerThread.request_stop();
  if (readerThread.joinable()) readerThread.join();
  if (playbackThread.joinable()) playbackThread.join();
}

void VideoFileBufferized::stopAndClear() {
  stop();
  buffer->clear();
}

void VideoFileBufferized::reopen() {
  stopAndClear();
  resetState(Created);
  buffer->resetEndOfStream();
  valid = false;
  startReader();
}

void VideoFileBufferized::requestSeek(int64_t ms) {
  std::lock_guard<std::mutex> lock(seekMutex);
  seekMs = ms;
  seekRequested->set(true);
}

void VideoFileBufferized::startReader() {
  readerThread = std::jthread([this](std::stop_token stop) { readerLoop(std::move(stop)); });
}

bool VideoFileBufferized::startPlayback() {
  if (!changeState({Ready}, Playing)) return false;
  // The run starts when play is called, not when the new thread gets a processor: files started
  // together keep one schedule, and a thread that starts late catches up.
  playback.startTime = monotonicNs();
  playback.startShown = shown.load();
  playbackThread = std::jthread([this] { playLoop(); });
  return true;
}

// --- the reader thread

void VideoFileBufferized::readerLoop(std::stop_token stop) {
  pthread_setname_np(pthread_self(), "reader");
  // A stop reaches a source that waits for data inside the demuxer. The source may be
  // interrupted from an earlier run: that ends before the callback, which acts at once on a stop
  // requested already.
  VideoSource* source = buffer->getSource();
  source->setInterrupted(false);
  const std::stop_callback interrupt(stop, [source] { source->setInterrupted(true); });
  try {
    readerSteps(std::move(stop));
  } catch (...) {
    // A source or a ring that throws ends the file, not the process.
    close();
  }
  try {
    buffer->close();
  } catch (...) {
  }
}

void VideoFileBufferized::readerSteps(std::stop_token stop) {
  if (!changeState({Created}, Opening)) return;
  if (!buffer->open(bufferSeconds)) {
    valid = false;
    close();
    return;
  }
  VideoSource* source = buffer->getSource();
  const FrameSize size = source->getFrameSize();
  width = size.width;
  height = size.height;
  durationMs = source->getDurationMs();
  frameDuration = source->getFrameDuration();

  if (buffered) {
    if (!changeState({Opening}, Buffering)) {
      close();
      return;
    }
    buffer->fill(stop);
  } else {
    buffer->decodeOne();
  }
  if (buffer->getCount() <= 0) {
    valid = false;
    close();
    return;
  }
  valid = true;
  if (!changeState({Opening, Buffering}, Ready)) {
    close();
    return;
  }

  const auto state = stateExpression();
  waitUntil(state != makeConstant(Ready));
  // Keep the ring above its low-water mark while the file plays or is paused.
  const auto refill = buffer->belowLowWater() && !buffer->endOfStream();
  const auto wake = refill || state == makeConstant(Closed);
  while (getState() != Closed) {
    if (refill->get()) buffer->fill(stop);
    waitUntil(wake);
  }
}

// --- the playback thread

void VideoFileBufferized::playLoop() {
  pthread_setname_np(pthread_self(), "playback");
  try {
    playSteps();
  } catch (...) {
    // A painter that throws ends the file, not the process.
    close();
  }
}

void VideoFileBufferized::playSteps() {
  const auto state = stateExpression();
  const auto hasFrames = buffer->hasFrames();
  const auto endOfStream = buffer->endOfStream();
  const auto end = !hasFrames && endOfStream;
  const auto notPlaying = state != makeConstant(Playing);
  const auto frameOrEnd = hasFrames || endOfStream || notPlaying;
  const auto stopWaiting = notPlaying || end;
  const auto resumeOrSeek = state != makeConstant(Paused) || seekRequested;

  const int64_t d = frameDuration;
  painter->prepare(RawFrame());  // nothing prepared in an earlier playback counts
  int32_t k0 = playback.startShown;
  int64_t t0 = playback.startTime;
  for (;;) {
    if (getState() == Closed) return;
    waitUntil(frameOrEnd);
    if (hasFrames->get() && monotonicNs() >= t0 + (shown - k0) * d) {
      painter->paint(buffer->pop());
      shown += 1;
      // The next frame, when it is decoded already, is prepared while its due time comes.
      if (monotonicNs() < t0 + (shown - k0) * d) painter->prepare(buffer->oldest());
    }
    waitExpressionUntil(stopWaiting, monotonicTimePoint(t0 + (shown - k0) * d));
    if (end->get()) changeState({Playing, Paused}, Closed);
    if (getState() == Paused) {
      while (getState() == Paused) {
        waitUntil(resumeOrSeek);
        if (seekRequested->get()) seekWhilePaused();
      }
      // A new run starts when playback resumes.
      t0 = monotonicNs();
      k0 = shown;
      playback.startTime = t0;
      playback.startShown = k0;
    }
  }
}

void VideoFileBufferized::seekWhilePaused() {
  std::lock_guard<std::mutex> lock(seekMutex);
  if (!seekRequested->get()) return;
  const int64_t d = frameDuration;
  if (d > 0) {
    // The most frames whose position, as getPositionMs reads it, is not after the target: the
    // position truncates to whole milliseconds, so a file asked for another file's position at
    // the same frame rate comes to that file's frame, not to the one before.
    const int64_t limit = std::numeric_limits<int64_t>::max() / 1'000'000 - 1;
    const int64_t ms = std::clamp<int64_t>(seekMs, 0, limit);
    const int64_t target =
        std::min<int64_t>(((ms + 1) * 1'000'000 - 1) / d, std::numeric_limits<int32_t>::max());
    // Frames are taken only when there are some: the pass waits for the reader, and ends at
    // the end of the stream or at a stop.
    const auto state = stateExpression();
    const auto ready =
        buffer->hasFrames() || buffer->endOfStream() || state == makeConstant(Closed);
    const auto hasFrames = buffer->hasFrames();
    RawFrame last;
    painter->prepare(RawFrame());  // the frame prepared may be passed over
    while (shown < target) {
      waitUntil(ready);
      if (getState() == Closed || !hasFrames->get()) break;
      // The slot of the frame popped last is not written before the next pop.
      last = buffer->pop();
      shown += 1;
    }
    if (!last.empty()) painter->paint(std::move(last));
  }
  seekRequested->set(false);
}
