// The embedded HTTP/1.1 server of the online test, and the helpers that go with it.
//
// The server listens on one TCP port on all interfaces (IPv4, and IPv6 where the system has
// it), accepts connections on its own thread ("http-accept") and serves every connection on a
// thread of its own ("http-conn", small stack): it reads one request, calls the handler it was
// built with, writes the response the handler left in the request record and closes the
// connection. No keep-alive, no chunked transfer, no TLS.
//
// What a client can make the server hold is bounded (see Limits): a request line or header line
// longer than its limit gets "414 URI Too Long" or "431 Request Header Fields Too Large", a body
// announced longer than its limit "413 Payload Too Large", a request that does not arrive in time
// "408 Request Timeout" (a connection that sent nothing is closed without a reply), and a
// connection beyond the cap on live connections, or beyond the smaller cap on the live
// connections of its client address, is closed at once: one machine that opens connections
// without end cannot keep the others out. A request that the client
// cuts short by closing is handled with what arrived. A handler that throws costs its own
// request a "500 Internal Server Error".
//
// The request record lives for one request on its connection's thread; the handler must not
// keep pointers into it.
//
// Threads: start() and stop() belong to the owner's thread. The handler runs on the connection
// threads, concurrently for concurrent connections; protecting shared state is its business.
// stop() (also called by the destructor) closes the listener, wakes every connection thread
// that waits for its client and joins them all, each after its handler has returned.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class Socket;
class SocketServer;

class webserver {
 public:
  // One request with its response. All texts are byte strings; the server does not interpret
  // their encoding. Header names are compared exactly (case-sensitive); a lookup in a multimap
  // takes the first value of a name.
  struct http_request {
    Socket* connection = nullptr;
    std::string method;  // "GET" or "POST", empty for any other request line
    std::string path;    // request target without query and protocol version; not decoded
    std::multimap<std::string, std::string> params;      // query, url-decoded
    std::multimap<std::string, std::string> headers;     // every header field as sent
    std::multimap<std::string, std::string> postParams;  // urlencoded form body, url-decoded
    std::map<std::string, std::string> cookies;          // of equal names the first is kept
    std::string body;
    std::string accept;
    std::string acceptLanguage;
    std::string acceptEncoding;
    std::string userAgent;
    std::string status = "200 OK";  // set by the handler
    // Set by the handler: the reply is then "401 Unauthorized", asking for Basic credentials.
    std::string authRealm;
    std::string answer;                // response body, set by the handler
    bool authenticationGiven = false;  // the request had an "Authorization" header
    std::string username;              // of Basic credentials
    std::string password;
    // Response header fields by name, one value each; set by the handler through
    // setResponseHeader, the defaults added by the server.
    std::map<std::string, std::string> answerHeaders;
  };

  // Called once per request on the connection's thread.
  using Handler = std::function<void(http_request*)>;

  // What one client can make the server hold.
  struct Limits {
    size_t maxRequestLineBytes = 8 * 1024;  // the request line with its line end
    size_t maxHeaderLineBytes = 8 * 1024;   // each header line with its line end
    size_t maxHeaderBytes = 64 * 1024;      // all header lines together
    size_t maxBodyBytes = 1024 * 1024;      // the announced Content-Length
    // The whole request (line, headers, body) arrives within this time of the connection.
    std::chrono::milliseconds receiveTimeout{30'000};
    // A response that makes no progress for this long is given up.
    std::chrono::milliseconds sendTimeout{30'000};
    size_t maxConnections = 1024;          // live connections; one thread each
    size_t maxConnectionsPerAddress = 64;  // live connections of one client address
  };

  // Stack of a connection thread: the handler runs on it.
  static constexpr size_t kConnectionStackBytes = 256 * 1024;

  webserver(Handler handler, int port);
  webserver(Handler handler, int port, Limits limits);
  ~webserver();
  webserver(const webserver&) = delete;
  webserver& operator=(const webserver&) = delete;

  // Creates the listening socket (the port's low 16 bits; 0 lets the system choose) and the
  // accept thread. False when the socket cannot be made, bound or put to listen (port in use),
  // or when the server runs already. A stopped server may be started again. Raises the process's
  // soft limit of open descriptors, within its hard limit, to make room for the connections.
  bool start();
  // Closes the listener and joins every thread; nothing when the server does not run.
  void stop();
  // The port the server listens on; 0 when it does not run.
  int listeningPort() const;

 private:
  struct Connection;
  struct AcceptState;

  void acceptLoop(std::unique_ptr<SocketServer> server, int stopEvent, int wakeEvent);
  // Adds the connection of the client address and starts its thread; false when no thread
  // could be made.
  bool startConnection(AcceptState& state, const Socket& socket, const std::string& address);
  void serveConnection(Socket socket);
  void respond(Socket& socket, http_request& request, bool lingerLong);

  // --- guarded by mutex
  mutable std::mutex mutex;
  SocketServer* listener = nullptr;  // set while the accept loop runs
  int boundPort = 0;
  // --- owner's thread only
  std::thread acceptThread;
  int stopEvent = -1;  // eventfd: signalled once by stop(), seen by every wait
  int wakeEvent = -1;  // eventfd: a connection thread finished
  // --- fixed at construction
  const Handler handler;
  const int port;
  const Limits limits;
};

// Sets one response header: every header of that name is replaced by the one given.
void setResponseHeader(webserver::http_request* request, const std::string& name,
                       const std::string& value);

// This computer's addresses for an observer's link: IPv4 dotted, IPv6 in square brackets;
// loopback, link-local (fe80::/10) and Teredo ("2001:0:") addresses are left out. Possibly empty.
std::vector<std::string> listLocalAddresses();

// The alphabet of RFC 4648.
inline constexpr std::string_view base64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Decodes the leading run of alphabet characters (it ends at "=" or any other character); a
// final group of two or three characters gives one or two bytes, a single one nothing.
std::string base64Decode(std::string_view text);

// Writes the text and a line feed to standard error when the environment variable VIXO_DEBUG is
// set; control bytes other than tab, CR and LF are shown as '?'.
void debugLog(std::string_view text);
