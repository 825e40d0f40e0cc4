// The web server under the load of an online test, on loopback:
//
// Every client comes from a loopback address of its own (127.1.x.y), as observers on their own
// machines do; the server caps the connections of one address.
//
// BM_LongPollEvent: 200 clients wait in a long poll (the handler waits on a condition variable,
// as the online test's poll does); one event wakes them all. The time of an iteration is from
// the event to the last client's complete reply; the counters give the median and p99 of every
// single client's reply time and the p99 of the last reply per event (in microseconds).
//
// BM_RequestBesideIdle/N: one normal request (connect, send, read the whole reply) while N idle
// connections are held open; "idle_held" confirms at the end that the server still holds them.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "network/corvidwebserver/webserver.h"
#include "support/loopback_http.h"

namespace {

using vixo_test::connectLoopback;
using vixo_test::observerAddress;
using Clock = std::chrono::steady_clock;

bool sendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Reads until the server closes; the number of bytes.
size_t readToEnd(int fd) {
  char buffer[4096];
  size_t total = 0;
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return total;
    total += static_cast<size_t>(n);
  }
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
  return values[at];
}

// The server side of a long poll: handlers wait for the next event.
class EventSource {
 public:
  void wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    const long seen = generation_;
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return generation_ != seen; });
    --waiting_;
  }
  void waitForWaiting(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return waiting_ >= n; });
  }
  void fire() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  long generation_ = 0;
  int waiting_ = 0;
};

void BM_LongPollEvent(benchmark::State& state) {
  const int clients = static_cast<int>(state.range(0));
  EventSource events;
  webserver server(
      [&](webserver::http_request* r) {
        if (r->path == "/poll") events.wait();
        setResponseHeader(r, "Content-Type", "text/json");
        r->answer = R"({"type":"text","success":true,"text":"next","state":1})";
      },
      0);
  if (!server.start()) {
    state.SkipWithError("server did not start");
    return;
  }
  const std::string request =
      "POST /poll HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
      "Content-Length: 11\r\n\r\nprevState=0";
  std::vector<double> single, last;
  for (auto _ : state) {
    std::vector<pollfd> fds;
    for (int i = 0; i < clients; ++i) {
      // Each from an address of its own, as observers on their own machines are.
      const int fd = connectLoopback(server.listeningPort(), observerAddress(i));
      if (fd < 0 || !sendAll(fd, request)) {
        state.SkipWithError("client could not connect");
        return;
      }
      fds.push_back({fd, POLLIN, 0});
    }
    events.waitForWaiting(clients);
    const auto event = Clock::now();
    events.fire();
    int open = clients;
    double slowest = 0;
    char buffer[4096];
    while (open > 0) {
      if (::poll(fds.data(), fds.size(), 10'000) <= 0) {
        state.SkipWithError("replies did not come");
        return;
      }
      for (pollfd& p : fds) {
        if (p.fd < 0 || p.revents == 0) continue;
        const ssize_t n = ::recv(p.fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) continue;
        // The reply is complete when the server closes.
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - event).count();
        single.push_back(us);
        slowest = std::max(slowest, us);
        ::close(p.fd);
        p.fd = -1;
        --open;
      }
    }
    last.push_back(slowest);
    state.SetIterationTime(slowest / 1e6);
  }
  state.counters["clients"] = clients;
  state.counters["reply_p50_us"] = percentile(single, 0.50);
  state.counters["reply_p99_us"] = percentile(single, 0.99);
  state.counters["all_replied_p99_us"] = percentile(last, 0.99);
}
BENCHMARK(BM_LongPollEvent)
    ->Arg(200)
    ->Iterations(100)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_RequestBesideIdle(benchmark::State& state) {
  const int idleCount = static_cast<int>(state.range(0));
  webserver server([](webserver::http_request* r) { r->answer = "ok"; }, 0);
  if (!server.start()) {
    state.SkipWithError("server did not start");
    return;
  }
  const int port = server.listeningPort();
  std::vector<int> idle;
  for (int i = 0; i < idleCount; ++i) {
    const int fd = connectLoopback(port, observerAddress(i));
    if (fd < 0) {
      state.SkipWithError("idle client could not connect");
      for (const int f : idle) ::close(f);
      return;
    }
    idle.push_back(fd);
  }
  const std::string request = "GET /static/index.html HTTP/1.1\r\nHost: lab\r\n\r\n";
  for (auto _ : state) {
    const int fd = connectLoopback(port);
    if (fd < 0 || !sendAll(fd, request) || readToEnd(fd) == 0) {
      state.SkipWithError("no answer");
      if (fd >= 0) ::close(fd);
      break;
    }
    ::close(fd);
  }
  // Held means: the server has neither closed nor answered any idle connection.
  int held = 0;
  for (const int fd : idle) {
    pollfd p{fd, POLLIN, 0};
    held += ::poll(&p, 1, 0) == 0 ? 1 : 0;
    ::close(fd);
  }
  state.counters["idle_held"] = held;
}
BENCHMARK(BM_RequestBesideIdle)->Arg(0)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // Clients and server share this process: two descriptors per connection.
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 8192) {
    limit.rlim_cur = std::min<rlim_t>(8192, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
