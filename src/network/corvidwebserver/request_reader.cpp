#include "network/corvidwebserver/request_reader.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "network/corvidwebserver/http_text.h"

RequestRead readRequest(Socket& socket, webserver::http_request& request,
                        const webserver::Limits& limits) {
  using Io = Socket::Io;
  std::string line;
  Io io = socket.receiveLine(line, limits.maxRequestLineBytes);
  if (io == Io::TooLong) return RequestRead::LineTooLong;
  if (io == Io::Stopped) return RequestRead::Stopped;
  if (io == Io::TimedOut) return line.empty() ? RequestRead::Idle : RequestRead::TimedOut;
  if (line.empty()) return RequestRead::Empty;
  debugLog("Request: " + line);
  parseRequestLine(line, request);

  // Header section: ends at an empty line or when the client closes.
  size_t headerBytes = 0;
  std::string name, value;
  while (io == Io::Ok) {
    line.clear();
    io = socket.receiveLine(
        line, std::min(limits.maxHeaderLineBytes, limits.maxHeaderBytes - headerBytes));
    if (io == Io::TooLong) return RequestRead::HeadersTooLarge;
    if (io == Io::Stopped) return RequestRead::Stopped;
    if (io == Io::TimedOut) return RequestRead::TimedOut;
    headerBytes += line.size();
    const HeaderLine kind = parseHeaderLine(line, name, value);
    if (kind == HeaderLine::End) break;
    if (kind == HeaderLine::Field) request.headers.emplace(name, value);
  }

  const int64_t length = parseContentLength(headerValue(request, "Content-Length"));
  if (static_cast<uint64_t>(length) > limits.maxBodyBytes) return RequestRead::BodyTooLarge;
  const auto wanted = static_cast<size_t>(length);
  request.body = socket.takeBuffered(wanted);
  while (request.body.size() < wanted && socket.isValid()) {
    io = socket.receiveSome(request.body, wanted - request.body.size());
    if (io == Io::Stopped) return RequestRead::Stopped;
    if (io == Io::TimedOut) return RequestRead::TimedOut;
    if (io != Io::Ok) break;  // closed: the body stays short
  }

  interpretHeaders(request);
  interpretBody(request);
  return RequestRead::Complete;
}

std::string_view refusalStatus(RequestRead outcome) {
  switch (outcome) {
    case RequestRead::TimedOut:
      return "408 Request Timeout";
    case RequestRead::BodyTooLarge:
      return "413 Payload Too Large";
    case RequestRead::LineTooLong:
      return "414 URI Too Long";
    case RequestRead::HeadersTooLarge:
      return "431 Request Header Fields Too Large";
    default:
      return {};
  }
}
