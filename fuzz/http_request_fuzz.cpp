// Requests from arbitrary bytes, read from a real socket with small limits: no crash, no read
// beyond the limits, and a reply that always has the right shape.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "network/corvidwebserver/http_text.h"
#include "network/corvidwebserver/request_reader.h"
#include "network/corvidwebserver/socket.h"
#include "network/corvidwebserver/webserver.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

webserver::Limits smallLimits() {
  webserver::Limits limits;
  limits.maxRequestLineBytes = 256;
  limits.maxHeaderLineBytes = 128;
  limits.maxHeaderBytes = 1024;
  limits.maxBodyBytes = 512;
  return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
  // The input fits the socket's buffer; the client then closes its side.
  if (::send(ends[1], input.data(), input.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(size))
    fail("the input did not fit the socket");
  ::shutdown(ends[1], SHUT_WR);

  const webserver::Limits limits = smallLimits();
  Socket socket(ends[0], -1);
  socket.setDeadline(Socket::Clock::now() + std::chrono::seconds(5));
  webserver::http_request request;
  request.connection = &socket;
  const RequestRead outcome = readRequest(socket, request, limits);

  const size_t firstLine = input.find('\n');
  switch (outcome) {
    case RequestRead::Empty:
      if (size != 0) fail("bytes were sent, yet the request is empty");
      break;
    case RequestRead::LineTooLong:
      if ((firstLine == std::string_view::npos ? size + 1 : firstLine + 1) <=
          limits.maxRequestLineBytes)
        fail("a request line within its limit was refused");
      break;
    case RequestRead::BodyTooLarge:
      if (parseContentLength(headerValue(request, "Content-Length")) <=
          static_cast<int64_t>(limits.maxBodyBytes))
        fail("a body within its limit was refused");
      break;
    case RequestRead::HeadersTooLarge:
      break;
    case RequestRead::Complete: {
      if (size == 0) fail("a request from nothing");
      if (request.method != "" && request.method != "GET" && request.method != "POST")
        fail("unknown method");
      if (request.body.size() > limits.maxBodyBytes) fail("body beyond its limit");
      if (request.body.size() > size) fail("body longer than the input");
      size_t headerBytes = 0;
      for (const auto& [name, value] : request.headers) headerBytes += name.size() + value.size();
      if (headerBytes > limits.maxHeaderBytes) fail("headers beyond their limit");
      if (!request.username.empty() && !request.authenticationGiven)
        fail("credentials without an Authorization header");
      request.answer = request.path + request.body;
      const std::string response = buildResponse(request, 0);
      if (!response.starts_with("HTTP/1.1 200 OK\n")) fail("bad status line");
      if (response.find("\nContent-Length: " + std::to_string(request.answer.size()) + "\n") ==
          std::string::npos)
        fail("wrong Content-Length");
      if (!response.ends_with("\n\n" + request.answer + "\n")) fail("body not at the end");
      break;
    }
    default:
      fail("a socket closed by its peer cannot time out or stop");
  }
  ::close(ends[1]);
  return 0;
}
