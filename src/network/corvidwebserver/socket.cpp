#include "network/corvidwebserver/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Milliseconds from now until `until` for poll, rounded up, at least 0; -1 for no limit.
int pollTimeout(Socket::Clock::time_point until) {
  if (until == Socket::Clock::time_point::max()) return -1;
  const auto left = until - Socket::Clock::now();
  if (left <= Socket::Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<int64_t>(ms, 1'000'000'000));
}

}  // namespace

// --- Socket::SocketHolder

Socket::SocketHolder::~SocketHolder() {
  if (fd_ >= 0) ::close(fd_);
}

void Socket::SocketHolder::close() {
  if (fd_ >= 0 && valid_.exchange(false, std::memory_order_acq_rel)) ::shutdown(fd_, SHUT_RDWR);
}

// --- Socket

Socket::Socket(int fd, int stopEvent)
    : holder_(std::make_shared<SocketHolder>(fd)), stopEvent_(stopEvent) {}

Socket::Socket(const Socket& other)
    : holder_(other.holder_),
      stopEvent_(other.stopEvent_),
      peer_(other.peer_),
      deadline_(other.deadline_),
      sendTimeout_(other.sendTimeout_) {}

Socket& Socket::operator=(const Socket& other) {
  if (this != &other) {
    holder_ = other.holder_;
    stopEvent_ = other.stopEvent_;
    peer_ = other.peer_;
    deadline_ = other.deadline_;
    sendTimeout_ = other.sendTimeout_;
    readPos_ = end_ = 0;
  }
  return *this;
}

void Socket::close() {
  if (holder_) holder_->close();
}

std::string Socket::peerText() const {
  if (peer_.ss_family == AF_INET)
    return peerAddress() + ":" +
           std::to_string(ntohs(reinterpret_cast<const sockaddr_in&>(peer_).sin_port));
  if (peer_.ss_family == AF_INET6)
    return peerAddress() + ":" +
           std::to_string(ntohs(reinterpret_cast<const sockaddr_in6&>(peer_).sin6_port));
  return "?";
}

std::string Socket::peerAddress() const {
  char text[INET6_ADDRSTRLEN] = "?";
  if (peer_.ss_family == AF_INET) {
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(peer_).sin_addr, text, sizeof text);
    return text;
  }
  if (peer_.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(peer_);
    if (IN6_IS_ADDR_V4MAPPED(&in6.sin6_addr)) {
      inet_ntop(AF_INET, &in6.sin6_addr.s6_addr[12], text, sizeof text);
      return text;
    }
    inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
    return "[" + std::string(text) + "]";
  }
  return "?";
}

Socket::Io Socket::wait(short events, Clock::time_point until) const {
  for (;;) {
    pollfd fds[2] = {{fd(), events, 0}, {stopEvent_, POLLIN, 0}};
    const int ready = ::poll(fds, stopEvent_ >= 0 ? 2 : 1, pollTimeout(until));
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Io::Closed;
    }
    // Readiness of the socket wins over the stop: a response that can go out still goes.
    if (fds[0].revents != 0) return Io::Ok;
    if (stopEvent_ >= 0 && (fds[1].revents & POLLIN)) return Io::Stopped;
    if (ready == 0 || pollTimeout(until) == 0) return Io::TimedOut;
  }
}

Socket::Io Socket::fill() {
  readPos_ = end_ = 0;
  for (;;) {
    if (!isValid()) return Io::Closed;
    const ssize_t n = ::recv(fd(), buffer_, kBufferSize, MSG_DONTWAIT);
    if (n > 0) {
      end_ = static_cast<size_t>(n);
      return Io::Ok;
    }
    if (n == 0) return Io::Closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Io::Closed;
    if (const Io waited = wait(POLLIN, deadline_); waited != Io::Ok) return waited;
  }
}

Socket::Io Socket::receiveLine(std::string& line, size_t maxBytes) {
  for (;;) {
    const char* begin = buffer_ + readPos_;
    const char* end = buffer_ + end_;
    const char* lf = std::find(begin, end, '\n');
    const size_t take = static_cast<size_t>(lf - begin) + (lf != end ? 1 : 0);
    if (line.size() + take > maxBytes || (lf == end && line.size() + take == maxBytes))
      return Io::TooLong;
    line.append(begin, take);
    readPos_ += take;
    if (lf != end) return Io::Ok;
    if (const Io filled = fill(); filled != Io::Ok) return filled;
  }
}

std::string Socket::takeBuffered(size_t n) {
  const size_t take = std::min(n, end_ - readPos_);
  std::string out(buffer_ + readPos_, take);
  readPos_ += take;
  if (readPos_ == end_) readPos_ = end_ = 0;
  return out;
}

Socket::Io Socket::receiveSome(std::string& out, size_t count) {
  if (count == 0) return Io::Ok;
  if (readPos_ < end_) {
    out += takeBuffered(count);
    return Io::Ok;
  }
  const size_t old = out.size();
  // In steps, so that a long body is not zero-filled again for every piece that arrives.
  count = std::min<size_t>(count, 64 * 1024);
  out.resize(old + count);
  for (;;) {
    if (!isValid()) break;
    const ssize_t n = ::recv(fd(), out.data() + old, count, MSG_DONTWAIT);
    if (n > 0) {
      out.resize(old + static_cast<size_t>(n));
      return Io::Ok;
    }
    if (n == 0) break;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) break;
    if (const Io waited = wait(POLLIN, deadline_); waited != Io::Ok) {
      out.resize(old);
      return waited;
    }
  }
  out.resize(old);
  return Io::Closed;
}

void Socket::drain(size_t maxBytes, Clock::time_point until) {
  readPos_ = end_ = 0;
  size_t total = 0;
  while (total < maxBytes && isValid()) {
    const ssize_t n = ::recv(fd(), buffer_, kBufferSize, MSG_DONTWAIT);
    if (n > 0) {
      total += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return;
    if (wait(POLLIN, until) != Io::Ok) return;
  }
}

bool Socket::sendLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line += '\n';
  return sendBytes(line);
}

bool Socket::sendBytes(std::string_view text) {
  while (!text.empty()) {
    if (!isValid()) return false;
    // In pieces no larger than a socket buffer takes: a call is not charged for the whole rest.
    const size_t piece = std::min<size_t>(text.size(), 1 << 20);
    const ssize_t n = ::send(fd(), text.data(), piece, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      text.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (wait(POLLOUT, Clock::now() + sendTimeout_) != Io::Ok) return false;
  }
  return true;
}

void Socket::shutdownSending() {
  if (isValid()) ::shutdown(fd(), SHUT_WR);
}

// --- SocketServer

std::unique_ptr<SocketServer> SocketServer::listenOn(int port, int stopEvent) {
  const auto portBits = htons(static_cast<uint16_t>(port & 0xFFFF));
  const int one = 1;
  const int zero = 0;
  // Dual stack where the system has IPv6, so that the IPv6 links offered to observers work too.
  int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd >= 0) {
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = portBits;
    if (::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero) != 0 ||
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      // A port in use stays in use for IPv4 too; anything else falls back to IPv4 alone.
      const bool inUse = errno == EADDRINUSE || errno == EACCES;
      ::close(fd);
      fd = -1;
      if (inUse) return nullptr;
    }
  }
  if (fd < 0) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return nullptr;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = portBits;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd);
      return nullptr;
    }
  }
  if (::listen(fd, SOMAXCONN) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<SocketServer>(fd, stopEvent);
}

int SocketServer::localPort() const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET6)
    return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  if (address.ss_family == AF_INET)
    return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  return 0;
}

SocketServer::Accept SocketServer::accept(Socket& connection) {
  for (;;) {
    if (!isValid()) return Accept::Failed;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(this->fd(), reinterpret_cast<sockaddr*>(&peer), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      connection = Socket(fd, stopEvent());
      connection.setPeer(peer);
      return Accept::Connection;
    }
    switch (errno) {
      case EINTR:
      case ECONNABORTED:  // the client gave up before we took it
        continue;
      case EAGAIN:
        return Accept::Retry;
      case EMFILE:
      case ENFILE:
      case ENOBUFS:
      case ENOMEM:
        return Accept::Exhausted;
      default:
        // Errors of the new connection that Linux passes on through accept.
        if (errno == ENETDOWN || errno == EPROTO || errno == ENOPROTOOPT || errno == EHOSTDOWN ||
            errno == ENONET || errno == EHOSTUNREACH || errno == EOPNOTSUPP ||
            errno == ENETUNREACH || errno == EPERM)
          continue;
        return Accept::Failed;
    }
  }
}
