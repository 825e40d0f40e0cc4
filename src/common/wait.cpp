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

ExpressionPtr<void> callWhenTrue(const ExpressionPtr<bool>& cond, std::function<void()> onTrue) {
  ExpressionPtr<void> functor =
      makeFunctor(std::function<void(bool)>([onTrue = std::move(onTrue)](bool value) {
                    if (value) onTrue();
                  }),
                  cond);
  ExpressionPtr<void> listener = makeListener(functor);
  functor->get();  // the read after connecting
  return listener;
}

void waitUntilWith(const ExpressionPtr<bool>& cond, const WaitFunction& wait) {
  auto state = std::make_shared<WaitState>();
  const ExpressionPtr<void> listener = callWhenTrue(cond, [state] {
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      state->flag = true;
    }
    state->cv.notify_one();
  });
  // The lock is let go before the listener, whose callable takes it.
  std::unique_lock<std::mutex> lock(state->mutex);
  wait(state->cv, state->flag, lock);
}

void waitUntil(const ExpressionPtr<bool>& cond) {
  waitUntilWith(
      cond, [](std::condition_variable& cv, const bool& flag, std::unique_lock<std::mutex>& lock) {
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
