#include "media/video_file.h"

#include <algorithm>

using connections::makeConstant;

VideoFile::VideoFile() : state(connections::makeVariableMem(Created)) {}

bool VideoFile::changeState(std::initializer_list<State> from, State to) {
  std::lock_guard<std::mutex> lock(mutex);
  if (std::find(from.begin(), from.end(), state->get()) == from.end()) return false;
  state->set(to);
  return true;
}

void VideoFile::close() { resetState(Closed); }

void VideoFile::resetState(State to) {
  std::lock_guard<std::mutex> lock(mutex);
  state->set(to);
}

connections::ExpressionPtr<bool> VideoFile::opened() const { return state >= makeConstant(Ready); }

connections::ExpressionPtr<bool> VideoFile::idle() const {
  return state == makeConstant(Closed) || state == makeConstant(Created);
}

bool VideoFile::isPaused() const { return state->get() == Paused; }

void VideoFile::togglePause() {
  for (;;) {
    const State now = state->get();
    if (now != Playing && now != Paused) return;
    // Another thread may change the state between the read and the exchange: read again then.
    if (changeState({now}, now == Playing ? Paused : Playing)) return;
  }
}

void VideoFile::setPaused(bool paused) {
  changeState({Playing, Paused}, paused ? Paused : Playing);
}
