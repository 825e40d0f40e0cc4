// TCP sockets of the HTTP server: a connected socket with its receive buffer, and the listening
// socket.
//
// Every wait of a socket is a poll on its descriptor together with a stop event (an eventfd that
// the server signals once when it stops), so no thread stays blocked on a client at stop.
// Receiving waits until the socket's deadline; sending waits at most the send time-out for each
// step of progress. Descriptors are non-blocking and close-on-exec; sends never raise SIGPIPE.
//
// A socket is used by one thread at a time; close() may be called from any thread.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class Socket {
 public:
  using Clock = std::chrono::steady_clock;

  enum class Io {
    Ok,
    Closed,    // the peer closed the connection, or the socket failed or was closed
    TimedOut,  // the deadline passed
    Stopped,   // the stop event was signalled
    TooLong,   // the line would exceed its limit
  };

  // Owns the descriptor. close() shuts the connection down at once (which wakes any wait on it)
  // and marks it invalid for every copy; the descriptor itself is released with the last owner,
  // so that its number cannot be reused while another thread still polls it.
  class SocketHolder {
   public:
    explicit SocketHolder(int fd) : fd_(fd), valid_(fd >= 0) {}
    ~SocketHolder();
    SocketHolder(const SocketHolder&) = delete;
    SocketHolder& operator=(const SocketHolder&) = delete;

    int fd() const { return fd_; }
    bool isValid() const { return valid_.load(std::memory_order_acquire); }
    void close();

   private:
    const int fd_;
    std::atomic<bool> valid_;
  };

  Socket() = default;
  // Adopts a descriptor; waits also watch stopEvent (-1: none).
  Socket(int fd, int stopEvent);
  virtual ~Socket() = default;
  // A copy shares the descriptor and starts with an empty buffer.
  Socket(const Socket& other);
  Socket& operator=(const Socket& other);

  bool isValid() const { return holder_ && holder_->isValid(); }
  void close();
  int fd() const { return holder_ ? holder_->fd() : -1; }

  const sockaddr_storage& peer() const { return peer_; }
  void setPeer(const sockaddr_storage& peer) { peer_ = peer; }
  // "address:port" of the peer; IPv4-mapped IPv6 addresses as IPv4, IPv6 in brackets.
  std::string peerText() const;
  // The peer's address alone, in the same form: one text per client machine and address.
  std::string peerAddress() const;

  void setDeadline(Clock::time_point deadline) { deadline_ = deadline; }
  void setSendTimeout(std::chrono::milliseconds timeout) { sendTimeout_ = timeout; }

  // Appends the bytes up to and including the next line feed to `line`. TooLong when `line`
  // would grow beyond maxBytes; otherwise anything but Ok leaves in `line` what arrived.
  Io receiveLine(std::string& line, size_t maxBytes);
  // The next n buffered bytes, or all buffered bytes when fewer are there.
  std::string takeBuffered(size_t n);
  // Appends up to `count` more bytes from the connection to `out`, waiting for the first ones.
  Io receiveSome(std::string& out, size_t count);
  // Discards what arrives until the peer closes, maxBytes were read, or `until` passes.
  void drain(size_t maxBytes, Clock::time_point until);

  // Sends the text followed by one line feed; sendBytes without it. False when not everything
  // could be sent.
  bool sendLine(std::string_view text);
  bool sendBytes(std::string_view text);
  // Sends no more (the peer sees the end of the response).
  void shutdownSending();

 protected:
  int stopEvent() const { return stopEvent_; }

 private:
  // Waits for the events on the socket (POLLIN or POLLOUT) until `until`.
  Io wait(short events, Clock::time_point until) const;
  // Refills the empty buffer.
  Io fill();

  std::shared_ptr<SocketHolder> holder_;
  int stopEvent_ = -1;
  sockaddr_storage peer_{};
  Clock::time_point deadline_ = Clock::time_point::max();
  std::chrono::milliseconds sendTimeout_{30'000};
  static constexpr size_t kBufferSize = 1024;
  char buffer_[kBufferSize];
  size_t readPos_ = 0;  // unread bytes lie in [readPos_, end_)
  size_t end_ = 0;
};

// The listening socket.
class SocketServer : public Socket {
 public:
  enum class Accept { Connection, Retry, Exhausted, Failed };

  using Socket::Socket;

  // Listens on all interfaces: IPv6 with IPv4-mapped addresses where the system has IPv6, else
  // IPv4. Invalid when the socket cannot be made, bound or put to listen.
  static std::unique_ptr<SocketServer> listenOn(int port, int stopEvent);
  // The bound port.
  int localPort() const;
  // One pending connection, without waiting: Connection with `connection` set; Retry when none
  // is pending any more; Exhausted when the process is out of descriptors; Failed when the
  // listener is closed or broken. Accepted sockets watch the listener's stop event.
  Accept accept(Socket& connection);
};
