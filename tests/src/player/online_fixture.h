// An online test state on a free loopback port, with the votes it passed on, for the tests that
// drive it with real HTTP clients.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "avifile/avi_system.h"
#include "player/online_test_state.h"

namespace vixo_test {

// The page texts of a test named "Café test".
inline const std::wstring kWelcome = L"Welcome to test Caf\u00e9 test";
inline const std::wstring kNamePrompt = L"Please, enter your name";
inline const std::wstring kRegistered =
    L"You are registered to test Caf\u00e9 test\nThe test will be started soon";

// The votes a state passed on, from any thread.
class VoteLog {
 public:
  OnlineTestState::VoteCallback callback() {
    return [this](int question, int subQuestion, const std::wstring& name, std::vector<int> votes,
                  const std::string& text) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        log.push_back({question, subQuestion, name, std::move(votes), text});
      }
      changed.notify_all();
    };
  }
  std::vector<OnlineVote> votes() {
    std::lock_guard<std::mutex> lock(mutex);
    return log;
  }
  bool waitForCount(size_t count, std::chrono::seconds limit = std::chrono::seconds(20)) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, limit, [&] { return log.size() >= count; });
  }

 private:
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<OnlineVote> log;
};

// Polls `done` every few milliseconds until it holds or the limit passes.
inline bool eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// A started state serving the page of `programFolder`.
class OnlineServer {
 public:
  OnlineServer(const std::string& programFolder, std::chrono::milliseconds pollTimeout,
               OnlineTestState::Options options = {}) {
    options.programFolder = fromUtf8(programFolder) + L"/";
    options.pollTimeout = pollTimeout;
    state = std::make_unique<OnlineTestState>(kWelcome, kNamePrompt, kRegistered, log.callback(), 0,
                                              options);
    started = state->startServer();
    EXPECT_TRUE(started);
  }

  int port() const { return state->listeningPort(); }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port()) + path;
  }

  VoteLog log;  // before the state, which calls it until it is gone
  std::unique_ptr<OnlineTestState> state;
  bool started = false;
};

}  // namespace vixo_test
