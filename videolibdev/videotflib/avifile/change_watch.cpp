#include "avifile/change_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "avifile/avi_system.h"

namespace {
// Names and attributes, as the results monitor needs them; the folder's own removal breaks the
// watch.
constexpr uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                           IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
}  // namespace

ChangeWatch::ChangeWatch(const std::wstring& folder) {
  stopEvent_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  std::string native;
  if (!toNativePath(folder, native) || native.empty()) return;
  inotify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (inotify_ < 0) return;
  watch_ = inotify_add_watch(inotify_, native.c_str(), kMask);
}

ChangeWatch::~ChangeWatch() {
  if (inotify_ >= 0) ::close(inotify_);
  if (stopEvent_ >= 0) ::close(stopEvent_);
}

void ChangeWatch::stop() {
  if (stopEvent_ < 0) return;
  const uint64_t one = 1;
  // A full counter means a stop is pending already; nothing else can fail here.
  [[maybe_unused]] ssize_t n = ::write(stopEvent_, &one, sizeof one);
}

ChangeWatch::Wake ChangeWatch::wait() {
  bool timedOut = false;
  return waitInternal(-1, timedOut);
}

bool ChangeWatch::waitFor(int timeoutMs, Wake& wake) {
  bool timedOut = false;
  wake = waitInternal(timeoutMs < 0 ? 0 : timeoutMs, timedOut);
  return !timedOut;
}

ChangeWatch::Wake ChangeWatch::waitInternal(int timeoutMs, bool& timedOut) {
  timedOut = false;
  const bool watching = isWatching();
  pollfd fds[2] = {{stopEvent_, POLLIN, 0}, {watching ? inotify_ : -1, POLLIN, 0}};
  // Without a watch only a stop can come; waiting for it alone would hang an owner that never
  // stops, so the wait reports the failure at once unless a stop is already pending.
  if (!watching) timeoutMs = 0;
  int ready;
  do {
    ready = poll(fds, 2, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) {
    broken_ = true;  // changes can no longer be told
    return Wake::Failed;
  }
  if (fds[0].revents & POLLIN) {
    uint64_t count;
    [[maybe_unused]] ssize_t n = ::read(stopEvent_, &count, sizeof count);  // resets the event
    return Wake::Stopped;
  }
  if (!watching) return Wake::Failed;
  if (ready == 0) {
    timedOut = true;
    return Wake::Failed;
  }
  // Re-arm: take every queued event, so that changes up to now wake this wait only.
  alignas(inotify_event) char buffer[4096];
  bool gone = false;
  for (;;) {
    const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) gone = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  if (gone) {
    broken_ = true;
    return Wake::Failed;
  }
  return Wake::Changed;
}
