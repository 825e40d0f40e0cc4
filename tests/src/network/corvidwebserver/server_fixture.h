// A web server on a free loopback port whose handler records every request it sees, and a raw
// TCP client for it.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "network/corvidwebserver/webserver.h"

namespace vixo_test {

// The entries of a map or multimap in order, for comparing with a list of pairs.
using Pairs = std::vector<std::pair<std::string, std::string>>;
template <typename Map>
Pairs pairsOf(const Map& map) {
  return Pairs(map.begin(), map.end());
}

// One client connection, closed with the object. Reads give up after 10 s, so that a server
// that never answers fails the test instead of hanging it. An IPv4 client may come from another
// loopback address than 127.0.0.1 (`source`), as a second machine would.
class RawClient {
 public:
  explicit RawClient(int port, int family = AF_INET, int receiveBuffer = 0,
                     const char* source = nullptr) {
    fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    if (source) {
      const int one = 1;  // the port is chosen at connect, as without a source
      setsockopt(fd_, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
      sockaddr_in from{};
      from.sin_family = AF_INET;
      inet_pton(AF_INET, source, &from.sin_addr);
      if (::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
    }
    const timeval timeout{10, 0};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (receiveBuffer > 0)
      setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    int connected = -1;
    if (family == AF_INET6) {
      sockaddr_in6 address{};
      address.sin6_family = AF_INET6;
      address.sin6_addr = in6addr_loopback;
      address.sin6_port = htons(static_cast<uint16_t>(port));
      connected = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<uint16_t>(port));
      connected = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    if (connected != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Whether the server has closed the connection (without waiting): what it sent is read away.
  bool closedByServer() {
    char buffer[4096];
    for (;;) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) continue;
      return n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    }
  }

  bool send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }
  void closeSending() { ::shutdown(fd_, SHUT_WR); }

  // Everything until the server closes (or a reset, or the 10 s give-up).
  std::string readAll() {
    std::string out;
    char buffer[16384];
    for (;;) {
      const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }

 private:
  int fd_ = -1;
};

// Whether a client can come from this IPv4 loopback address (all of 127/8 on Linux).
inline bool canUseLoopbackAddress(const char* address) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  const bool usable = inet_pton(AF_INET, address, &from.sin_addr) == 1 &&
                      ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0;
  ::close(fd);
  return usable;
}

// Sends a whole request on a new connection (from the source address, when one is given) and
// returns the whole response.
inline std::string exchange(int port, std::string_view request, const char* source = nullptr) {
  RawClient client(port, AF_INET, 0, source);
  EXPECT_TRUE(client.connected());
  client.send(request);
  return client.readAll();
}

// The status line of a response, without its line end.
inline std::string statusLine(const std::string& response) {
  return response.substr(0, response.find('\n'));
}

// The server on a port of the system's choosing; its handler records a copy of each request
// and then runs `respond` (by default it answers "ok").
class RecordingServer {
 public:
  using Respond = std::function<void(webserver::http_request*)>;

  explicit RecordingServer(webserver::Limits limits = webserver::Limits(), Respond respond = {})
      : respond_(std::move(respond)),
        server_([this](webserver::http_request* request) { handle(request); }, 0, limits) {
    EXPECT_TRUE(server_.start());
    port_ = server_.listeningPort();
    EXPECT_GT(port_, 0);
  }

  webserver& server() { return server_; }
  int port() const { return port_; }

  // Waits until n requests have reached the handler; false after 10 s.
  bool waitForRequests(size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return seenChanged_.wait_for(lock, std::chrono::seconds(10), [&] { return seen_.size() >= n; });
  }
  std::vector<webserver::http_request> seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }
  webserver::http_request last() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_.empty() ? webserver::http_request() : seen_.back();
  }

 private:
  void handle(webserver::http_request* request) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      seen_.push_back(*request);
      seen_.back().connection = nullptr;
    }
    seenChanged_.notify_all();
    if (respond_)
      respond_(request);
    else
      request->answer = "ok";
  }

  std::mutex mutex_;
  std::condition_variable seenChanged_;
  std::vector<webserver::http_request> seen_;
  Respond respond_;
  int port_ = 0;
  webserver server_;  // last: stopped before the records go
};

}  // namespace vixo_test
