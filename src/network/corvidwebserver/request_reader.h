// Reads one request from a connection into a request record, within the server's limits.
//
// Runs on the connection's thread.
#pragma once

#include <string_view>

#include "network/corvidwebserver/socket.h"
#include "network/corvidwebserver/webserver.h"

enum class RequestRead {
  Complete,         // the request is in (possibly cut short by the client's close)
  Empty,            // the client closed without sending anything
  Idle,             // nothing arrived within the receive time-out
  Stopped,          // the server stops
  TimedOut,         // the request did not arrive within the receive time-out
  LineTooLong,      // the request line exceeds its limit
  HeadersTooLarge,  // a header line, or all of them, exceed their limits
  BodyTooLarge,     // the announced body exceeds its limit
};

// Reads the request line, the header section and the body announced by "Content-Length", and
// fills every field of the request that the server fills. The socket's deadline bounds the wait.
RequestRead readRequest(Socket& socket, webserver::http_request& request,
                        const webserver::Limits& limits);

// The status of the reply to a request that is refused before its handler: "408 Request
// Timeout", "413 Payload Too Large", "414 URI Too Long", "431 Request Header Fields Too Large";
// empty for the other outcomes.
std::string_view refusalStatus(RequestRead outcome);
