// A watch on one folder (not its subfolders) for files created, renamed, moved in or out,
// deleted, or whose attributes change. Writes to a file's content alone do not wake it.
//
// One thread waits; stop() may be called from any thread and wakes that wait at once. The
// stop event resets itself when a wait returns for it (a stop before the wait is not lost).
// Changes between two waits wake the next wait once. The owner destroys the watch after the
// waiting thread has ended.
#pragma once

#include <atomic>
#include <string>

class ChangeWatch {
 public:
  enum class Wake { Changed, Stopped, Failed };

  explicit ChangeWatch(const std::wstring& folder);
  ~ChangeWatch();
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

  // False when the folder could not be watched (missing, not a folder, no permission), and from
  // the wait that found the watch broken on. May be read on any thread.
  bool isWatching() const { return watch_ >= 0 && !broken_; }

  // Waits without time-out for a change or for stop(). Failed at once when the folder is not
  // watched, and when the watch breaks (the folder itself was deleted or moved away).
  Wake wait();
  // As wait(), for at most timeoutMs milliseconds: false on time-out, else the wake in `wake`.
  bool waitFor(int timeoutMs, Wake& wake);
  // Signals the stop event.
  void stop();

 private:
  Wake waitInternal(int timeoutMs, bool& timedOut);

  int inotify_ = -1;
  int watch_ = -1;
  int stopEvent_ = -1;
  std::atomic<bool> broken_{false};  // written by the waiting thread only
};
