#include "support/scripted_ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ftp_test {

namespace {

constexpr int kWaitMs = 5000;

bool waitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&p, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

void sendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return;  // the client is gone; the test sees it in what was heard
    }
    sent += static_cast<size_t>(n);
  }
}

sockaddr_in loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

// --- Listener

Listener::Listener(int backlog) {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) < 0 ||
      ::listen(fd_, backlog) < 0 ||
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) < 0) {
    throw std::runtime_error(std::string("no loopback listener: ") + std::strerror(errno));
  }
  port_ = ntohs(address.sin_port);
}

Listener::~Listener() {
  if (fd_ >= 0) ::close(fd_);
}

int Listener::accept(int timeoutMs) const {
  if (!waitReadable(fd_, timeoutMs)) return -1;
  return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

// --- FtpSession

void FtpSession::send(const std::string& bytes) { sendAll(fd_, bytes); }

void FtpSession::reply(const std::string& line) { sendAll(fd_, line + "\r\n"); }

std::string FtpSession::read() {
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end + 1);
      pending_.erase(0, end + 1);
      if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
        line.resize(line.size() - 2);
      } else {
        line = "<no CRLF>" + line;
      }
      server_.record(line);
      return line;
    }
    char buffer[4096];
    const ssize_t n =
        closed_ || !waitReadable(fd_, kWaitMs) ? 0 : ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) {
      if (!pending_.empty()) server_.record("<no CRLF>" + pending_);
      pending_.clear();
      closed_ = true;
      return {};
    }
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

std::string FtpSession::passive() {
  data_ = std::make_unique<Listener>();
  const uint16_t port = data_->port();
  return "227 Entering Passive Mode (127,0,0,1," + std::to_string(port >> 8) + "," +
         std::to_string(port & 0xFF) + ")";
}

std::string FtpSession::receiveData() {
  std::string bytes;
  if (!data_) return bytes;
  const int fd = data_->accept(kWaitMs);
  if (fd < 0) return bytes;
  char buffer[65536];
  while (waitReadable(fd, kWaitMs)) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  server_.recordData(bytes);
  return bytes;
}

void FtpSession::stall() {
  while (!closed_) read();
}

void FtpSession::hangUp() {
  ::shutdown(fd_, SHUT_RDWR);
  closed_ = true;
}

// --- ScriptedFtpServer

ScriptedFtpServer::ScriptedFtpServer(Dialogue dialogue)
    : thread_([this, dialogue = std::move(dialogue)] { run(dialogue); }) {}

ScriptedFtpServer::~ScriptedFtpServer() { join(); }

void ScriptedFtpServer::join() {
  if (thread_.joinable()) thread_.join();
}

void ScriptedFtpServer::run(Dialogue dialogue) {
  const int fd = listener_.accept(kWaitMs);
  if (fd < 0) return;
  FtpSession session(*this, fd);
  dialogue(session);
  while (!session.closed()) {
    if (session.read() == "QUIT") session.reply("221 Goodbye");
  }
  ::close(fd);
}

void ScriptedFtpServer::record(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  heard_.push_back(line);
}

void ScriptedFtpServer::recordData(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  data_ += bytes;
}

std::vector<std::string> ScriptedFtpServer::heard() {
  std::lock_guard<std::mutex> lock(mutex_);
  return heard_;
}

std::string ScriptedFtpServer::data() {
  std::lock_guard<std::mutex> lock(mutex_);
  return data_;
}

// --- StalledListener

StalledListener::StalledListener() {
  // Connect until one connect gets no answer: from then on the queue is full.
  for (int i = 0; i < 16; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    fillers_.push_back(fd);
    const sockaddr_in address = loopback(listener_.port());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      continue;
    }
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 200) == 0) return;
  }
  throw std::runtime_error("the listener's queue never filled");
}

StalledListener::~StalledListener() {
  for (const int fd : fillers_) ::close(fd);
}

uint16_t closedPort() {
  const Listener listener;
  return listener.port();
}

}  // namespace ftp_test
