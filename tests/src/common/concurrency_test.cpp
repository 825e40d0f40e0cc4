// The reactive values across threads: waits of worker threads, notifications from several
// threads at once, and nodes that come and go while others notify them. Threads meet on
// conditions, never on sleeps. Every test ends in bounded time; a hang is reported by a time-out
// rather than by the test runner's limit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "common/operations.h"
#include "common/variable.h"
#include "common/wait.h"

namespace {

using namespace connections;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A variable with the lock its owner sets it under, as the media files keep theirs.
template <class T>
struct Guarded {
  explicit Guarded(T initial) : var(makeVariableMem(initial)) {}
  void set(const T& v) {
    std::lock_guard<std::mutex> lock(mutex);
    var->set(v);
  }
  std::mutex mutex;
  VariableMemPtr<T> var;
};

// A latch that waits with a time-out, so that a lost wake-up fails the test instead of hanging.
// Arrivals beyond the count are allowed.
class Latch {
 public:
  explicit Latch(int count) : count_(count) {}
  void arrive() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (--count_ <= 0) cv_.notify_all();
  }
  bool wait(std::chrono::milliseconds limit = 10s) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, limit, [this] { return count_ <= 0; });
  }
  bool reached() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_ <= 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  int count_;
};

TEST(Waits, ReturnAtOnceWhenTheExpressionHolds) {
  auto yes = makeVariableMem(true);
  waitUntil(yes);
  EXPECT_TRUE(waitExpressionUntil(yes, Clock::now() + 1h));
  auto no = makeVariableMem(false);
  // a deadline already past gives the current value at once
  EXPECT_FALSE(waitExpressionUntil(no, Clock::now() - 1s));
  EXPECT_TRUE(waitExpressionUntil(yes, Clock::now() - 1s));
  // nothing of the waits stays registered
  EXPECT_EQ(yes->dependents().size(), 0u);
  EXPECT_EQ(no->dependents().size(), 0u);
}

TEST(Waits, WorkerIsWokenByAnotherThread) {
  Guarded<int> count(0);
  auto reached = count.var >= makeConstant(3);
  auto waiter = std::async(std::launch::async, [&] {
    waitUntil(reached);
    return count.var->get();
  });
  for (int i = 1; i <= 3; ++i) count.set(i);
  ASSERT_EQ(waiter.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(waiter.get(), 3);
  EXPECT_EQ(reached->dependents().size(), 0u);  // nothing of the wait is left
}

TEST(Waits, AnExpressionThatFlipsBackStillEndsTheWait) {
  Guarded<bool> ready(false);
  Latch waiting(1);
  auto waiter = std::async(std::launch::async, [&] {
    waitUntilWith(ready.var, [&](std::condition_variable& cv, const bool& flag,
                                 std::unique_lock<std::mutex>& lock) {
      waiting.arrive();  // connected and waiting: a change now must not be lost
      cv.wait(lock, [&flag] { return flag; });
    });
  });
  ASSERT_TRUE(waiting.wait());
  ready.set(true);
  ready.set(false);  // before the waiter has woken
  ASSERT_EQ(waiter.wait_for(10s), std::future_status::ready);
}

TEST(Waits, DeadlinesOfTheMonotonicClock) {
  Guarded<int> count(0);
  auto reached = count.var >= makeConstant(3);

  // the deadline passes first
  const auto start = Clock::now();
  EXPECT_FALSE(waitExpressionUntil(reached, start + 50ms));
  EXPECT_GE(Clock::now() - start, 50ms);

  // the expression turns true before the deadline
  auto result = std::async(std::launch::async,
                           [&] { return waitExpressionUntil(reached, Clock::now() + 20s); });
  for (int i = 1; i <= 3; ++i) count.set(i);
  ASSERT_EQ(result.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(result.get());
  EXPECT_EQ(reached->dependents().size(), 0u);
}

TEST(Waits, CustomWaitingFunctionSeesTheFlag) {
  Guarded<bool> go(false);
  std::atomic<int> wakes{0};
  Latch wokeOnce(1);  // the waiting function runs, so the listener is connected
  auto done = std::async(std::launch::async, [&] {
    waitUntilWith(go.var, [&](std::condition_variable& cv, const bool& flag,
                              std::unique_lock<std::mutex>& lock) {
      while (!flag) {
        cv.wait_for(lock, 5ms);
        ++wakes;
        wokeOnce.arrive();
      }
    });
  });
  ASSERT_TRUE(wokeOnce.wait());
  go.set(true);
  ASSERT_EQ(done.wait_for(10s), std::future_status::ready);
  EXPECT_GT(wakes.load(), 0);
}

// Two threads that notify the same node at the same time: neither swallows the other's
// notification. The listener's callable holds both threads inside it at once.
TEST(Notifications, ConcurrentWalksOfOneNodeAreNotLost) {
  for (int round = 0; round < 20; ++round) {
    Guarded<int> a(0), b(0);
    Latch bothInside(2);
    std::atomic<int> calls{0};
    auto sum =
        makeFunctor(std::function<int(int, int)>([](int x, int y) { return x + y; }), a.var, b.var);
    auto listener = makeListener(makeFunctor(std::function<void(int)>([&](int) {
                                               ++calls;
                                               bothInside.arrive();
                                               bothInside.wait();
                                             }),
                                             sum));
    std::thread t1([&] { a.set(1); });
    std::thread t2([&] { b.set(1); });
    t1.join();
    t2.join();
    ASSERT_EQ(calls.load(), 2) << "round " << round;
  }
}

// Destroying a node on one thread waits for a notification of it running on another.
TEST(Notifications, DestructionWaitsForANotificationInProgress) {
  Guarded<int> v(0);
  Latch inside(1), release(1);
  std::atomic<bool> callableReturned{false};
  auto holder = std::make_shared<ExpressionPtr<void>>(
      makeListener(makeFunctor(std::function<void(int)>([&](int) {
                                 inside.arrive();
                                 release.wait();
                                 callableReturned = true;
                               }),
                               v.var)));
  std::thread notifier([&] { v.set(1); });
  ASSERT_TRUE(inside.wait());
  Latch destroying(1), destroyedLatch(1);
  std::atomic<bool> destroyed{false};
  std::thread destroyer([&] {
    destroying.arrive();
    holder->reset();
    destroyed = true;
    destroyedLatch.arrive();
    EXPECT_TRUE(callableReturned.load());
  });
  ASSERT_TRUE(destroying.wait());
  // Still inside the notification: the destruction must not end while the callable runs.
  EXPECT_FALSE(destroyedLatch.wait(100ms));
  EXPECT_FALSE(destroyed.load());
  release.arrive();
  notifier.join();
  destroyer.join();
  EXPECT_TRUE(destroyed.load());
}

// Dropping one listener waits only for the walks inside it: a listener of the same variable
// whose callable is held up by another thread's notification does not hold up the drop of its
// neighbour, and its own drop ends when its callable returns.
TEST(Notifications, RemovalWaitsOnlyForWalksInsideItsEntry) {
  for (int round = 0; round < 20; ++round) {
    Guarded<int> v(0);
    Latch inside(1), release(1);
    auto slow = std::make_shared<ExpressionPtr<void>>(
        makeListener(makeFunctor(std::function<void(int)>([&](int) {
                                   inside.arrive();
                                   release.wait();
                                 }),
                                 v.var)));
    std::atomic<int> quickCalls{0};
    auto quick = std::make_shared<ExpressionPtr<void>>(
        makeListener(makeFunctor(std::function<void(int)>([&](int) { ++quickCalls; }), v.var)));
    std::thread notifier([&] { v.set(1); });
    ASSERT_TRUE(inside.wait());

    // The neighbour behind the held-up entry goes at once.
    auto dropQuick = std::async(std::launch::async, [&] { quick->reset(); });
    ASSERT_EQ(dropQuick.wait_for(10s), std::future_status::ready) << "round " << round;
    // The held-up one waits for its callable.
    Latch slowDropped(1);
    std::thread dropSlow([&] {
      slow->reset();
      slowDropped.arrive();
    });
    EXPECT_FALSE(slowDropped.wait(20ms));
    release.arrive();
    EXPECT_TRUE(slowDropped.wait());
    notifier.join();
    dropSlow.join();
    EXPECT_LE(quickCalls.load(), 1);
    EXPECT_EQ(v.var->dependents().size(), 0u);
  }
}

// Many threads set variables, make and drop listeners over them and wait on them. No wake-up
// is lost, nothing deadlocks and nothing crashes.
TEST(Stress, SettersListenersAndWaitersTogether) {
  constexpr int kSteps = 400;
  constexpr int kWaiters = 4;
  constexpr int kChurners = 3;
  Guarded<int> counter(0);
  Guarded<bool> flag(false);
  std::atomic<bool> stop{false};

  std::vector<std::future<void>> waiters;
  for (int w = 0; w < kWaiters; ++w) {
    waiters.push_back(std::async(std::launch::async, [&, w] {
      // each waiter waits for a few thresholds on the way up
      for (int t = 1; t <= 4; ++t) {
        const int threshold = kSteps * t / 4 - w;
        waitUntil(counter.var >= makeConstant(threshold));
        EXPECT_GE(counter.var->get(), threshold);
      }
    }));
  }
  std::vector<std::thread> churners;
  std::atomic<long> heard{0};
  for (int c = 0; c < kChurners; ++c) {
    churners.emplace_back([&, c] {
      std::mt19937 rng(c);
      while (!stop) {
        auto sum = makeFunctor(std::function<int(int, bool)>([](int x, bool f) { return x + f; }),
                               counter.var, flag.var);
        auto listener =
            makeListener(makeFunctor(std::function<void(int)>([&](int) { ++heard; }), sum));
        if (rng() % 2) std::this_thread::yield();
        // dropped here, possibly while another thread notifies it
      }
    });
  }
  std::thread flipper([&] {
    bool f = false;
    while (!stop) flag.set(f = !f);
  });
  std::thread producer([&] {
    for (int i = 1; i <= kSteps; ++i) {
      counter.set(i);
      if (i % 50 == 0) std::this_thread::yield();
    }
  });
  producer.join();
  for (auto& w : waiters) ASSERT_EQ(w.wait_for(30s), std::future_status::ready);
  stop = true;
  flipper.join();
  for (auto& t : churners) t.join();
  for (auto& w : waiters) w.get();
  EXPECT_EQ(counter.var->dependents().size(), 0u);
  EXPECT_EQ(flag.var->dependents().size(), 0u);
}

// A listener that drops itself from its own notification on a worker thread, while other
// threads keep notifying it.
TEST(Stress, SelfRemovalWhileOthersNotify) {
  for (int round = 0; round < 50; ++round) {
    Guarded<int> a(0), b(0);
    auto holder = std::make_shared<ExpressionPtr<void>>();  // (captured by the callable)
    std::mutex holderMutex;
    std::atomic<int> calls{0};
    *holder = makeListener(
        makeFunctor(std::function<void(int)>([&, holder](int) {
                      ++calls;
                      ExpressionPtr<void> last;
                      {
                        std::lock_guard<std::mutex> lock(holderMutex);
                        last = std::move(*holder);
                      }
                      // dropped outside the lock: the drop waits for
                      // the other thread, which may want the lock
                    }),
                    makeFunctor(std::function<int(int, int)>([](int x, int y) { return x + y; }),
                                a.var, b.var)));
    std::thread t1([&] {
      for (int i = 1; i < 20; ++i) a.set(i);
    });
    std::thread t2([&] {
      for (int i = 1; i < 20; ++i) b.set(i);
    });
    t1.join();
    t2.join();
    EXPECT_GE(calls.load(), 1);
    EXPECT_EQ(a.var->dependents().size(), 0u);
    EXPECT_EQ(b.var->dependents().size(), 0u);
  }
}

}  // namespace
