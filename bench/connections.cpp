// Costs of the reactive values: one set() that notifies 1, 10 and 100 listeners (callables
// capturing a reference or a shared_ptr), and a cross-thread wake-up (a set on one thread
// ending a waitUntil on another), in nanoseconds.
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/operations.h"
#include "common/variable.h"
#include "common/wait.h"

namespace {

using namespace connections;

void BM_SetNotifying(benchmark::State& state) {
  auto v = makeVariableMem(0);
  long heard = 0;
  BindingList listeners;
  for (int64_t i = 0; i < state.range(0); ++i)
    holdBinding(
        makeListener(makeFunctor(std::function<void(int)>([&heard](int x) { heard += x; }), v)),
        listeners);
  int value = 0;
  for (auto _ : state) v->set(++value);
  benchmark::DoNotOptimize(heard);
  state.counters["dependents"] = static_cast<double>(state.range(0));
}

// As above, with callables that capture a shared_ptr (which std::function keeps on the heap):
// evaluating such a functor must not copy the callable.
void BM_SetNotifyingCapturingShared(benchmark::State& state) {
  auto v = makeVariableMem(0);
  auto heard = std::make_shared<long>(0);
  BindingList listeners;
  for (int64_t i = 0; i < state.range(0); ++i)
    holdBinding(
        makeListener(makeFunctor(std::function<void(int)>([heard](int x) { *heard += x; }), v)),
        listeners);
  int value = 0;
  for (auto _ : state) v->set(++value);
  benchmark::DoNotOptimize(*heard);
  state.counters["dependents"] = static_cast<double>(state.range(0));
}

// Ping-pong between two threads: each round is two wake-ups, each made by a set() on one thread
// that ends a waitUntil() on the other.
void BM_CrossThreadWakeUp(benchmark::State& state) {
  auto ping = makeVariableMem(0);
  auto pong = makeVariableMem(0);
  std::mutex pingLock, pongLock;  // each variable's owner sets it under its lock
  std::atomic<bool> stop{false};
  std::thread partner([&] {
    for (int round = 1;; ++round) {
      waitUntil(ping >= makeConstant(round));
      if (stop) return;
      std::lock_guard<std::mutex> lock(pongLock);
      pong->set(round);
    }
  });
  int round = 0;
  for (auto _ : state) {
    ++round;
    {
      std::lock_guard<std::mutex> lock(pingLock);
      ping->set(round);
    }
    waitUntil(pong >= makeConstant(round));
  }
  stop = true;
  {
    std::lock_guard<std::mutex> lock(pingLock);
    ping->set(round + 1);
  }
  partner.join();
  state.SetItemsProcessed(state.iterations() * 2);
  state.counters["ns_per_wakeup"] =
      benchmark::Counter(static_cast<double>(state.iterations() * 2),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_SetNotifying)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_SetNotifyingCapturingShared)->Arg(1)->Arg(10)->Arg(100);
BENCHMARK(BM_CrossThreadWakeUp)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
