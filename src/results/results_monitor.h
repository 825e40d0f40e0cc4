// The watch of a task's passes: on a thread of its own, the monitor rescans the task's ".states"
// folder after every change there (files appearing, moved in, renamed or deleted; passes of
// other computers sharing the folder included), keeps the latest list of passes and a one-line
// status, and calls its subscribers after every scan.
//
// Threads: the monitor owns its watcher thread; the destructor stops and joins it (a scan in
// progress ends first, its subscribers still called), so it must not run on that thread, that
// is, not from a subscriber. Subscribers run on the watcher thread, one after another, under
// the subscriber lock: they must not subscribe or unsubscribe, must not touch windows (they
// post), and may read passes() and statusText(). An unsubscribe from another thread waits for
// the calls in progress. Locks: the subscriber lock is taken before the data lock, never
// after.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "avifile/change_watch.h"
#include "results/pass_header.h"

class ResultsMonitor {
 public:
  using Subscriber = std::function<void()>;
  using Subscription = std::list<Subscriber>::iterator;

  // Creates the pass folders of the task file P and starts watching P + ".states"; the first
  // scan starts at once.
  explicit ResultsMonitor(const std::wstring& taskPath);
  ~ResultsMonitor();
  ResultsMonitor(const ResultsMonitor&) = delete;
  ResultsMonitor& operator=(const ResultsMonitor&) = delete;

  // Adds a callable called after every later scan; its handle ends the subscription.
  Subscription subscribe(Subscriber subscriber);
  void unsubscribe(Subscription subscription);

  // "Loading results..." until the first scan begins, "Updating results..." while a scan runs,
  // then "Finished: F;", "Now running: R (Q% passed);" (both, blank between, when there are
  // both) or "No results".
  std::wstring statusText() const;
  // The passes of the latest scan, by ascending pass id.
  std::vector<PassHeader> passes() const;
  // The task file P given at construction.
  const std::wstring& taskPath() const { return taskPath_; }
  // False when the folder could not be watched, and from the last scan on once the watch ended
  // (the folder deleted or moved away): the monitor then shows that scan for good, and only a
  // new monitor follows the passes again. May be read on any thread.
  bool isWatching() const { return watch_.isWatching(); }

 private:
  void watchLoop();

  const std::wstring taskPath_;
  ChangeWatch watch_;              // made once the folders exist
  std::atomic<bool> stop_{false};  // set by the destructor before it signals the watch

  // --- guarded by subscriberLock_
  mutable std::mutex subscriberLock_;
  std::list<Subscriber> subscribers_;

  // --- guarded by dataLock_
  mutable std::mutex dataLock_;
  std::vector<PassHeader> passes_;
  std::wstring status_ = L"Loading results...";

  std::thread thread_;  // last: starts once everything above is made
};

// The status of a list of passes: "Finished: F;", "Now running: R (Q% passed);" (Q the mean
// progress in percent, rounded half up), both joined by a blank, or "No results".
std::wstring resultsStatusText(const std::vector<PassHeader>& passes);
