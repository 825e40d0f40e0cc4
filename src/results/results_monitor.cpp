#include "results/results_monitor.h"

#include <pthread.h>

#include <exception>

#include "avifile/avi_system.h"
#include "results/pass_files.h"

namespace {

// The folder to watch, made first if it can be.
std::wstring preparedStatesFolder(const std::wstring& taskPath) {
  createPassFolders(taskPath);
  return statesFolder(taskPath);
}

}  // namespace

std::wstring resultsStatusText(const std::vector<PassHeader>& passes) {
  int finished = 0;
  int running = 0;
  double progress = 0;
  for (const PassHeader& pass : passes) {
    if (pass.finished) {
      ++finished;
    } else {
      ++running;
      progress += pass.progress;
    }
  }
  std::vector<std::wstring> parts;
  if (finished > 0) parts.push_back(L"Finished: " + std::to_wstring(finished) + L";");
  if (running > 0) {
    const int percent = static_cast<int>(progress / running * 100 + 0.5);
    parts.push_back(L"Now running: " + std::to_wstring(running) + L" (" + std::to_wstring(percent) +
                    L"% passed);");
  }
  if (parts.empty()) return L"No results";
  return joinStrings(parts, L" ");
}

ResultsMonitor::ResultsMonitor(const std::wstring& taskPath)
    : taskPath_(taskPath), watch_(preparedStatesFolder(taskPath)) {
  thread_ = std::thread([this] { watchLoop(); });
}

ResultsMonitor::~ResultsMonitor() {
  stop_ = true;
  watch_.stop();
  if (thread_.joinable()) thread_.join();
}

ResultsMonitor::Subscription ResultsMonitor::subscribe(Subscriber subscriber) {
  std::lock_guard lock(subscriberLock_);
  return subscribers_.insert(subscribers_.end(), std::move(subscriber));
}

void ResultsMonitor::unsubscribe(Subscription subscription) {
  std::lock_guard lock(subscriberLock_);
  subscribers_.erase(subscription);
}

std::wstring ResultsMonitor::statusText() const {
  std::lock_guard lock(dataLock_);
  return status_;
}

std::vector<PassHeader> ResultsMonitor::passes() const {
  std::lock_guard lock(dataLock_);
  return passes_;
}

void ResultsMonitor::watchLoop() {
  pthread_setname_np(pthread_self(), "results");
  bool lastScan = !watch_.isWatching();
  for (;;) {
    {
      std::lock_guard lock(dataLock_);
      status_ = L"Updating results...";
    }
    std::vector<PassHeader> passes = scanResults(taskPath_);
    std::wstring status = resultsStatusText(passes);
    {
      std::lock_guard lock(dataLock_);
      passes_ = std::move(passes);
      status_ = std::move(status);
    }
    {
      std::lock_guard lock(subscriberLock_);
      for (Subscriber& subscriber : subscribers_) {
        // One subscriber's failure must not end the watch or keep the others uninformed.
        try {
          subscriber();
        } catch (const std::exception&) {
        }
      }
    }
    if (lastScan || stop_) return;
    // A watch that broke (the folder itself deleted or moved away) reports at once on every
    // wait: one more scan shows the folder's state, then the monitor keeps that for good.
    if (watch_.wait() == ChangeWatch::Wake::Failed) lastScan = true;
    if (stop_) return;
  }
}
