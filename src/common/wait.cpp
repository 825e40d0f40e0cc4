#include "common/wait.h"

#include <memory>

namespace connections {

namespace {
// Shared with the listener's callable, which may still be returning on the changing thread
// when the waiter has already woken and left.
struct WaitState {
  std::mutex mutex;
  std::condition_variable cv;
  bool flag = false;
};
}  // namespace

void waitUntilWith(const ExpressionPtr<bool>& cond, const WaitFunction& wait) {
  auto state = std::make_shared<WaitState>();
  ExpressionPtr<void> functor = makeFunctor(
      std::function<void(bool)>([state](bool value) {
        if (!value) return;
        {
          std::lock_guard<std::mutex> lock(state->mutex);
          state->flag = true;
        }
        state->cv.notify_one();
      }),
      cond);
  ExpressionPtr<void> listener = makeListener(functor);
  {
    // Read after the listener is connected, so that no change made meanwhile is lost.
    std::unique_lock<std::mutex> lock(state->mutex);
    if (!state->flag) {
      lock.unlock();
      const bool now = cond->get();
      lock.lock();
      state->flag = state->flag || now;
    }
    wait(state->cv, state->flag, lock);
  }
  listener.reset();
  functor.reset();
}

void waitUntil(const ExpressionPtr<bool>& cond) {
  waitUntilWith(cond, [](std::condition_variable& cv, const bool& flag,
                         std::unique_lock<std::mutex>& lock) {
    cv.wait(lock, [&flag] { return flag; });
  });
}

bool waitExpressionUntil(const ExpressionPtr<bool>& cond,
                         std::chrono::steady_clock::time_point deadline) {
  bool result = false;
  waitUntilWith(cond, [&result, deadline](std::condition_variable& cv, const bool& flag,
                                          std::unique_lock<std::mutex>& lock) {
    result = cv.wait_until(lock, deadline, [&flag] { return flag; });
  });
  return result;
}

}  // namespace connections
