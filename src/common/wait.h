// Waiting on a worker thread until a bool expression holds.
//
// A listener on the expression wakes the waiter; it runs on the thread that changes the
// watched variable, so that change must be made by another thread. Once the expression has
// been seen true the wait ends, even if it turns false again before the waiter wakes. Nothing
// of a wait stays registered after it returns.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "common/operations.h"

namespace connections {

// Calls `onTrue` whenever a change leaves the expression true, on the changing thread, while
// the returned handle lives. The expression is also read on the calling thread once the
// listener is connected, and `onTrue` called there if it holds, so that a change made by
// another thread in between is not lost; `onTrue` may thus run more than once.
ExpressionPtr<void> callWhenTrue(const ExpressionPtr<bool>& cond, std::function<void()> onTrue);

// Called with the held lock; returns, with the lock held, when it has waited enough. `flag`
// tells whether the expression has been true.
using WaitFunction = std::function<void(std::condition_variable& cv, const bool& flag,
                                        std::unique_lock<std::mutex>& lock)>;

// Any thread but the GUI thread.
void waitUntilWith(const ExpressionPtr<bool>& cond, const WaitFunction& wait);
// Until the expression has been true; returns at once when it is true already.
void waitUntil(const ExpressionPtr<bool>& cond);
// Until the expression has been true or the deadline of the monotonic clock has passed;
// true when it was (or became) true in time. A change of the wall clock changes nothing.
bool waitExpressionUntil(const ExpressionPtr<bool>& cond,
                         std::chrono::steady_clock::time_point deadline);

}  // namespace connections
