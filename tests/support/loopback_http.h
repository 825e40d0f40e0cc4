// A blocking HTTP client on loopback for the tests and benchmarks of the online test: one POST
// of form fields per connection, as the observers' page sends them, and the reply read to the
// server's close. Any thread.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace vixo_test {

struct HttpReply {
  int status = 0;    // 0 when the request failed
  std::string body;  // after the header lines
};

// The fields as an "application/x-www-form-urlencoded" body.
inline std::string formBody(const std::vector<std::pair<std::string, std::string>>& fields) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string body;
  for (const auto& [name, value] : fields) {
    if (!body.empty()) body += '&';
    for (const std::string* part : {&name, &value}) {
      for (const unsigned char c : *part) {
        if (isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
          body += static_cast<char>(c);
        } else {
          body += '%';
          body += kHex[c >> 4];
          body += kHex[c & 15];
        }
      }
      if (part == &name) body += '=';
    }
  }
  return body;
}

// The client address of the n-th of many observers on loopback: one machine each, as observers
// in a room are (127.1.0.1, 127.1.0.2, ...; all of 127/8 is this machine's loopback).
inline std::string observerAddress(int n) {
  return "127.1." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
}

// A connection to 127.0.0.1:port from the source address (127.0.0.1 when empty); -1 when it
// cannot be made.
inline int connectLoopback(int port, const std::string& source = "") {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (!source.empty()) {
    // The port is chosen at connect, as without a source: reserving one at bind would take
    // ports from the range that servers on port 0 get theirs from.
    setsockopt(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    if (inet_pton(AF_INET, source.c_str(), &from.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0) {
      ::close(fd);
      return -1;
    }
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// POSTs the body to the path on 127.0.0.1:port (from the source address, when one is given) and
// waits at most `limit` for the whole reply.
inline HttpReply postForm(int port, const std::string& path, const std::string& body,
                          std::chrono::milliseconds limit = std::chrono::seconds(30),
                          const std::string& source = "") {
  HttpReply reply;
  const int fd = connectLoopback(port, source);
  std::string text;
  if (fd >= 0) {
    const std::string request = "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                "Content-Type: application/x-www-form-urlencoded\r\n" +
                                "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                                body;
    size_t sent = 0;
    while (sent < request.size()) {
      const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    const auto end = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      pollfd p{fd, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
        text.clear();
        break;
      }
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
  }
  const size_t headerEnd = text.find("\n\n");
  if (text.rfind("HTTP/1.1 ", 0) != 0 || headerEnd == std::string::npos) return reply;
  reply.status = std::atoi(text.c_str() + 9);
  reply.body = text.substr(headerEnd + 2);
  // The body is as long as the header says; the server ends its reply with a line feed.
  const std::string header = "\nContent-Length: ";
  const size_t length = text.find(header);
  if (length != std::string::npos && length < headerEnd) {
    const size_t size = std::strtoul(text.c_str() + length + header.size(), nullptr, 10);
    if (size <= reply.body.size()) reply.body.resize(size);
  }
  return reply;
}

// A port that nothing listens on at the moment (the system's choice for a bound socket).
inline int freeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

}  // namespace vixo_test
