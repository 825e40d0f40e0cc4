// The server over real sockets on loopback: what the handler sees of raw requests, the bytes of
// the response, the limits on what a client can make it hold, and its threads at stop.
#include "network/corvidwebserver/webserver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "server_fixture.h"

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::StartsWith;
using vixo_test::exchange;
using vixo_test::RawClient;
using vixo_test::RecordingServer;
using vixo_test::statusLine;
using Clock = std::chrono::steady_clock;
using vixo_test::Pairs;
using vixo_test::pairsOf;

// A gate that handlers wait at until the test opens it.
class Gate {
 public:
  void wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  bool waitForWaiting(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return waiting_ >= n; });
  }
  void open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int waiting_ = 0;
  bool open_ = false;
};

// The response to a request sent again and again while the server closes the connection without
// one (no place free: a freed place counts once its connection's thread has been reaped); empty
// after 10 s.
std::string exchangeOnceTaken(int port, std::string_view request) {
  const auto deadline = Clock::now() + 10s;
  std::string response;
  while (response.empty() && Clock::now() < deadline) response = exchange(port, request);
  return response;
}

// --- what the handler sees

struct ParseCase {
  const char* name;
  std::vector<std::string> pieces;  // sent one after another, each in its own segment
  bool closeAfter;                  // the client stops sending after the pieces
  std::function<void(const webserver::http_request&)> check;
};

TEST(WebserverParseTest, RequestsAsTheHandlerSeesThem) {
  const ParseCase cases[] = {
      {"plain GET",
       {"GET /static/index.html HTTP/1.1\r\nHost: x\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.method, "GET");
         EXPECT_EQ(r.path, "/static/index.html");
         EXPECT_TRUE(r.params.empty());
         EXPECT_EQ(pairsOf(r.headers), (Pairs{{"Host", "x"}}));
         EXPECT_EQ(r.status, "200 OK");
       }},
      {"query",
       {"GET /poll?userid=7&prevState=3 HTTP/1.1\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.path, "/poll");
         EXPECT_EQ(pairsOf(r.params), (Pairs{{"prevState", "3"}, {"userid", "7"}}));
       }},
      {"other method",
       {"PUT /x HTTP/1.1\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.method, "");
         EXPECT_EQ(r.path, "PUT /x");
       }},
      {"method alone",
       {"GET\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.method, "GET");
         EXPECT_EQ(r.path, "");
       }},
      {"line feeds alone",
       {"POST /lf HTTP/1.0\nA: 1\n\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.method, "POST");
         EXPECT_EQ(r.path, "/lf");
         EXPECT_EQ(pairsOf(r.headers), (Pairs{{"A", "1"}}));
       }},
      {"odd header lines",
       {"GET / HTTP/1.1\r\nX-Empty:\r\nno colon here\r\nX: 1\r\nX : 2\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(pairsOf(r.headers), (Pairs{{"X", "1"}, {"X", "2"}, {"X-Empty", ""}}));
       }},
      {"named headers",
       {"GET / HTTP/1.1\r\nAccept: text/html\r\nAccept-Language: de\r\nAccept-Encoding: gzip\r\n"
        "User-Agent: probe/1\r\naccept: ignored\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.accept, "text/html");
         EXPECT_EQ(r.acceptLanguage, "de");
         EXPECT_EQ(r.acceptEncoding, "gzip");
         EXPECT_EQ(r.userAgent, "probe/1");
       }},
      {"cookies",
       {"GET / HTTP/1.1\r\nCookie: userid=abc%2Fd; theme = dark\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_EQ(pairsOf(r.cookies), (Pairs{{"theme", "dark"}, {"userid", "abc/d"}}));
       }},
      {"credentials with two colons",
       {"GET / HTTP/1.1\r\nAuthorization: Basic dXNlcjpwYTpzcw==\r\n\r\n"},  // user:pa:ss
       false,
       [](const auto& r) {
         EXPECT_TRUE(r.authenticationGiven);
         EXPECT_EQ(r.username, "user");
         EXPECT_EQ(r.password, "pa:ss");
       }},
      {"credentials without colon",
       {"GET / HTTP/1.1\r\nAuthorization: Basic anVzdHVzZXI=\r\n\r\n"},  // justuser
       false,
       [](const auto& r) {
         EXPECT_EQ(r.username, "justuser");
         EXPECT_EQ(r.password, "justuser");
       }},
      {"other authorization",
       {"GET / HTTP/1.1\r\nAuthorization: Bearer x\r\n\r\n"},
       false,
       [](const auto& r) {
         EXPECT_TRUE(r.authenticationGiven);
         EXPECT_EQ(r.username, "");
       }},
      {"form body with charset",
       {"POST /vote HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded; charset=UTF-8\r\n"
        "Content-Length: 31\r\n\r\nname=John+Smith&n2=John%20Smith"},
       false,
       [](const auto& r) {
         EXPECT_EQ(pairsOf(r.postParams), (Pairs{{"n2", "John Smith"}, {"name", "John Smith"}}));
       }},
      {"other body type",
       {"POST /vote HTTP/1.1\r\nContent-Type: text/plain\r\nContent-Length: 3\r\n\r\na=b"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.body, "a=b");
         EXPECT_TRUE(r.postParams.empty());
       }},
      {"body in several segments",
       {"POST /b HTTP/1.1\r\nContent-Length: 12\r\n\r\nhel", "lo w", "orld!"},
       false,
       [](const auto& r) { EXPECT_EQ(r.body, "hello world!"); }},
      {"headers and body in pieces",
       {"POST /b HTT", "P/1.1\r\nContent-Le", "ngth: 2\r", "\n\r\n", "o", "k"},
       false,
       [](const auto& r) {
         EXPECT_EQ(r.path, "/b");
         EXPECT_EQ(r.body, "ok");
       }},
      {"bytes after the body are ignored",
       {"POST / HTTP/1.1\r\nContent-Length: 2\r\n\r\nabGET /next HTTP/1.1\r\n\r\n"},
       false,
       [](const auto& r) { EXPECT_EQ(r.body, "ab"); }},
      {"length names are exact",
       {"POST / HTTP/1.1\r\ncontent-length: 5\r\n\r\nabcde"},
       false,
       [](const auto& r) { EXPECT_EQ(r.body, ""); }},
      {"negative length",
       {"POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\nabcde"},
       false,
       [](const auto& r) { EXPECT_EQ(r.body, ""); }},
      {"closed during the headers",
       {"GET /cut HTTP/1.1\r\nA: 1\r\nB: par"},
       true,
       [](const auto& r) {
         EXPECT_EQ(r.path, "/cut");
         EXPECT_EQ(pairsOf(r.headers), (Pairs{{"A", "1"}, {"B", "par"}}));
       }},
      {"closed during the body",
       {"POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc"},
       true,
       [](const auto& r) { EXPECT_EQ(r.body, "abc"); }},
      {"closed during the request line",
       {"GET /half"},
       true,
       [](const auto& r) {
         EXPECT_EQ(r.path, "/half");
         EXPECT_TRUE(r.headers.empty());
       }},
  };
  RecordingServer server;
  size_t handled = 0;
  for (const ParseCase& row : cases) {
    SCOPED_TRACE(row.name);
    RawClient client(server.port());
    ASSERT_TRUE(client.connected());
    for (size_t i = 0; i < row.pieces.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(5ms);  // separate segments
      ASSERT_TRUE(client.send(row.pieces[i]));
    }
    if (row.closeAfter) client.closeSending();
    EXPECT_THAT(client.readAll(), StartsWith("HTTP/1.1 200 OK\n"));
    ASSERT_TRUE(server.waitForRequests(++handled));
    row.check(server.last());
  }
}

// --- the response

TEST(WebserverResponseTest, BytesOfAPlainAnswer) {
  RecordingServer server({}, [](webserver::http_request* r) { r->answer = "abc"; });
  EXPECT_THAT(exchange(server.port(), "GET / HTTP/1.1\r\n\r\n"),
              MatchesRegex("HTTP/1\\.1 200 OK\n"
                           "Connection: close\n"
                           "Content-Length: 3\n"
                           "Content-Type: text/html; charset=utf-8\n"
                           "Date: [A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} "
                           "[0-9]{4} GMT\n"
                           "Server: CorvidWebserver for VIXO \\(Windows\\)\n"
                           "\n"
                           "abc\n"));
}

TEST(WebserverResponseTest, RealmStatusAndHandlerFailure) {
  RecordingServer server({}, [](webserver::http_request* r) {
    if (r->path == "/auth") {
      r->status = "200 OK";
      r->authRealm = "Lab";
      r->answer = "denied";
    } else if (r->path == "/throw") {
      r->answer = "half-made";
      setResponseHeader(r, "X-Half", "1");
      throw std::runtime_error("handler broke");
    } else {
      r->status = "404 Not Found";
      r->answer = "Wrong url";
    }
  });
  const std::string auth = exchange(server.port(), "GET /auth HTTP/1.1\r\n\r\n");
  EXPECT_THAT(auth, StartsWith("HTTP/1.1 401 Unauthorized\n"
                               "WWW-Authenticate: Basic Realm=\"Lab\"\n"));
  EXPECT_THAT(auth, ::testing::EndsWith("\n\ndenied\n"));
  EXPECT_EQ(statusLine(exchange(server.port(), "GET /nothing HTTP/1.1\r\n\r\n")),
            "HTTP/1.1 404 Not Found");
  // A failing handler costs its own request only: a clean 500, and the server goes on.
  const std::string failed = exchange(server.port(), "GET /throw HTTP/1.1\r\n\r\n");
  EXPECT_EQ(statusLine(failed), "HTTP/1.1 500 Internal Server Error");
  EXPECT_THAT(failed, ::testing::Not(HasSubstr("X-Half")));
  EXPECT_THAT(failed, HasSubstr("Content-Length: 0\n"));
  EXPECT_EQ(statusLine(exchange(server.port(), "GET /again HTTP/1.1\r\n\r\n")),
            "HTTP/1.1 404 Not Found");
}

TEST(WebserverResponseTest, LongAnswerArrivesWhole) {
  const std::string answer(3'000'000, 'x');
  RecordingServer server({}, [&](webserver::http_request* r) { r->answer = answer; });
  const std::string response = exchange(server.port(), "GET / HTTP/1.1\r\n\r\n");
  EXPECT_THAT(response, HasSubstr("Content-Length: 3000000\n"));
  EXPECT_TRUE(response.ends_with("\n\n" + answer + "\n"));
}

// --- limits

std::string requestLineOf(size_t bytes) {
  const std::string head = "GET /", tail = " HTTP/1.1\r\n";
  return head + std::string(bytes - head.size() - tail.size(), 'a') + tail;
}

std::string headerLineOf(size_t bytes) {
  return "X-Long: " + std::string(bytes - 10, 'v') + "\r\n";
}

TEST(WebserverLimitsTest, LinesHeadersAndBodies) {
  const webserver::Limits limits;  // the defaults
  const struct {
    const char* name;
    std::string request;
    const char* status;
  } cases[] = {
      {"request line at its limit", requestLineOf(limits.maxRequestLineBytes) + "\r\n",
       "HTTP/1.1 200 OK"},
      {"request line beyond", requestLineOf(limits.maxRequestLineBytes + 1) + "\r\n",
       "HTTP/1.1 414 URI Too Long"},
      {"request line without end", "GET /" + std::string(100'000, 'a'),
       "HTTP/1.1 414 URI Too Long"},
      {"header line at its limit",
       "GET / HTTP/1.1\r\n" + headerLineOf(limits.maxHeaderLineBytes) + "\r\n", "HTTP/1.1 200 OK"},
      {"header line beyond",
       "GET / HTTP/1.1\r\n" + headerLineOf(limits.maxHeaderLineBytes + 1) + "\r\n",
       "HTTP/1.1 431 Request Header Fields Too Large"},
      {"headers just within",
       [] {
         std::string r = "GET / HTTP/1.1\r\n";
         for (int i = 0; i < 8; ++i) r += headerLineOf(8190);
         // A line of blanks fills the section up to its limit with the empty line that ends it.
         return r + std::string(65536 - 8 * 8190 - 4, ' ') + "\r\n\r\n";
       }(),
       "HTTP/1.1 200 OK"},
      {"headers beyond",
       [] {
         std::string r = "GET / HTTP/1.1\r\n";
         for (int i = 0; i < 9; ++i) r += headerLineOf(8000);
         return r + "\r\n";
       }(),
       "HTTP/1.1 431 Request Header Fields Too Large"},
      {"many short header lines",
       [] {
         std::string r = "GET / HTTP/1.1\r\n";
         for (int i = 0; i < 25'000; ++i) r += "a\r\n";
         return r + "\r\n";
       }(),
       "HTTP/1.1 431 Request Header Fields Too Large"},
      {"body at its limit",
       "POST / HTTP/1.1\r\nContent-Length: 1048576\r\n\r\n" + std::string(1048576, 'b'),
       "HTTP/1.1 200 OK"},
      {"body beyond", "POST / HTTP/1.1\r\nContent-Length: 1048577\r\n\r\n",
       "HTTP/1.1 413 Payload Too Large"},
      {"length beyond any number",
       "POST / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n",
       "HTTP/1.1 413 Payload Too Large"},
  };
  RecordingServer server;
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(statusLine(exchange(server.port(), row.request)), row.status);
  }
  // The accepted ones reached the handler whole.
  bool sawBody = false;
  for (const auto& r : server.seen()) sawBody |= r.body.size() == 1048576;
  EXPECT_TRUE(sawBody);
}

TEST(WebserverLimitsTest, RequestMustArriveInTime) {
  webserver::Limits limits;
  limits.receiveTimeout = 300ms;
  RecordingServer server(limits);

  {  // a connection that sends nothing is closed without a reply
    RawClient idle(server.port());
    const auto start = Clock::now();
    EXPECT_EQ(idle.readAll(), "");
    EXPECT_GE(Clock::now() - start, 250ms);
  }
  // A request that stops halfway gets 408.
  RawClient partial(server.port());
  partial.send("GET /x HTTP/1.1\r\nHost");
  EXPECT_EQ(statusLine(partial.readAll()), "HTTP/1.1 408 Request Timeout");

  // The time-out holds for the whole request, however steadily the client trickles.
  RawClient trickle(server.port());
  std::atomic<bool> done{false};
  std::thread sender([&] {
    const std::string request = "GET /" + std::string(1000, 'a');
    for (size_t i = 0; i < request.size() && !done; ++i) {
      if (!trickle.send(request.substr(i, 1))) break;
      std::this_thread::sleep_for(20ms);
    }
  });
  const auto start = Clock::now();
  const std::string response = trickle.readAll();
  done = true;
  sender.join();
  EXPECT_EQ(statusLine(response), "HTTP/1.1 408 Request Timeout");
  EXPECT_LT(Clock::now() - start, 5s);
  EXPECT_TRUE(server.seen().empty());
}

// A place is taken while a connection is served and freed when it ends; beyond the cap on all
// connections nobody else is let in, beyond the cap of one address another address still is.
TEST(WebserverLimitsTest, ConnectionsBeyondTheCapsAreClosed) {
  const struct {
    const char* name;
    size_t all, perAddress;
    bool otherAddressServed;
  } rows[] = {{"all connections", 3, 64, false}, {"one address", 1024, 3, true}};
  if (!vixo_test::canUseLoopbackAddress("127.0.0.2")) GTEST_SKIP() << "no 127.0.0.2 here";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    webserver::Limits limits;
    limits.maxConnections = row.all;
    limits.maxConnectionsPerAddress = row.perAddress;
    Gate gate;
    RecordingServer server(limits, [&](webserver::http_request* r) {
      if (r->path == "/hold") gate.wait();
      r->answer = "ok";
    });
    std::vector<std::unique_ptr<RawClient>> held;
    for (int i = 0; i < 3; ++i) {
      held.push_back(std::make_unique<RawClient>(server.port()));
      held.back()->send("GET /hold HTTP/1.1\r\n\r\n");
    }
    ASSERT_TRUE(gate.waitForWaiting(3));
    // The fourth is closed at once, without a reply.
    EXPECT_EQ(exchange(server.port(), "GET /more HTTP/1.1\r\n\r\n"), "");
    const std::string other = exchange(server.port(), "GET /other HTTP/1.1\r\n\r\n", "127.0.0.2");
    if (row.otherAddressServed)
      EXPECT_THAT(other, StartsWith("HTTP/1.1 200 OK\n"));
    else
      EXPECT_EQ(other, "");
    gate.open();
    for (auto& client : held) EXPECT_THAT(client->readAll(), HasSubstr("\n\nok\n"));
    // Finished connections free their places.
    EXPECT_THAT(exchangeOnceTaken(server.port(), "GET /after HTTP/1.1\r\n\r\n"),
                StartsWith("HTTP/1.1 200 OK\n"));
  }
}

// One machine that opens more idle connections than the server takes in all: only its own share
// is held (the rest closed at once), and an observer on another address is answered.
TEST(WebserverLimitsTest, OneAddressCannotTakeEveryPlace) {
  const webserver::Limits limits;  // the defaults
  ASSERT_LT(limits.maxConnectionsPerAddress * 4, limits.maxConnections);
  const size_t flood = limits.maxConnections + 76;
  // The flood's descriptors and the server's live in this process.
  rlimit files{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &files), 0);
  if (files.rlim_max != RLIM_INFINITY && files.rlim_max < flood + 512)
    GTEST_SKIP() << "too few descriptors allowed: " << files.rlim_max;
  if (files.rlim_cur != RLIM_INFINITY && files.rlim_cur < flood + 512) {
    files.rlim_cur = flood + 512;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0);
  }

  if (!vixo_test::canUseLoopbackAddress("127.0.0.2")) GTEST_SKIP() << "no 127.0.0.2 here";
  RecordingServer server;
  std::vector<std::unique_ptr<RawClient>> idle;
  for (size_t i = 0; i < flood; ++i) {
    idle.push_back(std::make_unique<RawClient>(server.port()));
    ASSERT_TRUE(idle.back()->connected()) << i;
  }
  // Connections are taken in order: once this one is answered, the flood has been dealt with.
  EXPECT_THAT(exchange(server.port(), "GET /observer HTTP/1.1\r\n\r\n", "127.0.0.2"),
              StartsWith("HTTP/1.1 200 OK\n"));
  size_t held = 0;
  for (auto& client : idle) held += client->closedByServer() ? 0 : 1;
  EXPECT_EQ(held, limits.maxConnectionsPerAddress);
  // The flood's own address gets no more while its share is held, and again once it is free.
  EXPECT_EQ(exchange(server.port(), "GET /more HTTP/1.1\r\n\r\n"), "");
  idle.clear();
  EXPECT_THAT(exchangeOnceTaken(server.port(), "GET /after HTTP/1.1\r\n\r\n"),
              StartsWith("HTTP/1.1 200 OK\n"));
}

TEST(WebserverLimitsTest, ClientThatDoesNotReadIsGivenUp) {
  webserver::Limits limits;
  limits.sendTimeout = 300ms;
  limits.maxConnections = 1;
  const std::string answer(8 << 20, 'x');  // more than the socket buffers take
  RecordingServer server(limits, [&](webserver::http_request* r) {
    if (r->path == "/big") r->answer = answer;
  });
  RawClient stuck(server.port(), AF_INET, 4096);
  stuck.send("GET /big HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(server.waitForRequests(1));
  // The only place is taken until the server gives the stuck client up.
  const auto start = Clock::now();
  EXPECT_THAT(exchangeOnceTaken(server.port(), "GET /next HTTP/1.1\r\n\r\n"),
              StartsWith("HTTP/1.1 200 OK\n"));
  EXPECT_GE(Clock::now() - start, 250ms);
  EXPECT_LT(stuck.readAll().size(), answer.size());
}

// --- threads

TEST(WebserverThreadsTest, LongPollsAndAThirdRequestAtOnce) {
  Gate gate;
  std::mutex mutex;
  std::set<std::thread::id> threads;
  RecordingServer server({}, [&](webserver::http_request* r) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      threads.insert(std::this_thread::get_id());
    }
    if (r->path == "/poll") gate.wait();
    r->answer = r->path;
  });
  RawClient first(server.port()), second(server.port());
  first.send("POST /poll HTTP/1.1\r\n\r\n");
  second.send("POST /poll HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(gate.waitForWaiting(2));
  EXPECT_THAT(exchange(server.port(), "GET /now HTTP/1.1\r\n\r\n"), HasSubstr("\n\n/now\n"));
  gate.open();
  EXPECT_THAT(first.readAll(), HasSubstr("\n\n/poll\n"));
  EXPECT_THAT(second.readAll(), HasSubstr("\n\n/poll\n"));
  EXPECT_EQ(threads.size(), 3u);
}

TEST(WebserverThreadsTest, StopClosesIdleConnections) {
  auto server = std::make_unique<RecordingServer>();
  RawClient idle(server->port());
  // Connections are taken in order: once this one is answered, the idle one is being served.
  EXPECT_THAT(exchange(server->port(), "GET / HTTP/1.1\r\n\r\n"), StartsWith("HTTP/1.1 200"));
  const auto start = Clock::now();
  server->server().stop();
  EXPECT_LT(Clock::now() - start, 2s);
  EXPECT_EQ(idle.readAll(), "");
  EXPECT_EQ(server->server().listeningPort(), 0);
  EXPECT_EQ(server->seen().size(), 1u);
}

TEST(WebserverThreadsTest, StopWaitsForHandlersAndTheirReplies) {
  Gate gate;
  RecordingServer server({}, [&](webserver::http_request* r) {
    gate.wait();
    r->answer = "term";
  });
  RawClient polling(server.port());
  polling.send("POST /poll HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(gate.waitForWaiting(1));
  std::atomic<bool> stopped{false};
  std::thread stopper([&] {
    server.server().stop();
    stopped = true;
  });
  // The listener goes at once, while the handler still runs.
  const auto deadline = Clock::now() + 10s;
  while (server.server().listeningPort() != 0 && Clock::now() < deadline) std::this_thread::yield();
  EXPECT_FALSE(stopped);
  gate.open();
  stopper.join();
  EXPECT_THAT(polling.readAll(), HasSubstr("\n\nterm\n"));
}

TEST(WebserverThreadsTest, StopDoesNotWaitForAClientThatDoesNotRead) {
  const std::string answer(8 << 20, 'x');  // more than the socket buffers take
  RecordingServer server({}, [&](webserver::http_request* r) { r->answer = answer; });
  RawClient stuck(server.port(), AF_INET, 4096);
  stuck.send("GET / HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(server.waitForRequests(1));
  const auto start = Clock::now();
  server.server().stop();
  EXPECT_LT(Clock::now() - start, 5s);  // far below the send time-out of 30 s
}

TEST(WebserverThreadsTest, StartsAndStopsAgainAndAgain) {
  RecordingServer first;
  const int port = first.port();
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    EXPECT_THAT(exchange(first.server().listeningPort(), "GET / HTTP/1.1\r\n\r\n"),
                StartsWith("HTTP/1.1 200 OK\n"));
    first.server().stop();
    first.server().stop();  // a second stop does nothing
    EXPECT_EQ(first.server().listeningPort(), 0);
    ASSERT_TRUE(first.server().start());
  }
  first.server().stop();
  // New servers on the same port, one after another, right after connections on it closed.
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    webserver again([](webserver::http_request* r) { r->answer = "again"; }, port);
    ASSERT_TRUE(again.start());
    EXPECT_EQ(again.listeningPort(), port);
    EXPECT_THAT(exchange(port, "GET / HTTP/1.1\r\n\r\n"), HasSubstr("\n\nagain\n"));
  }
}

TEST(WebserverThreadsTest, PortInUseFailsToStart) {
  RecordingServer running;
  webserver second([](webserver::http_request*) {}, running.port());
  EXPECT_FALSE(second.start());
  EXPECT_EQ(second.listeningPort(), 0);
  second.stop();                           // nothing to stop
  EXPECT_FALSE(running.server().start());  // it runs already
  EXPECT_THAT(exchange(running.port(), "GET / HTTP/1.1\r\n\r\n"), StartsWith("HTTP/1.1 200 OK"));
}

TEST(WebserverThreadsTest, AnswersOverIpv6Too) {
  RecordingServer server;
  RawClient client(server.port(), AF_INET6);
  if (!client.connected()) GTEST_SKIP() << "no IPv6 loopback here";
  client.send("GET /six HTTP/1.1\r\n\r\n");
  EXPECT_THAT(client.readAll(), StartsWith("HTTP/1.1 200 OK\n"));
}

// --- debug log

class DebugLogTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("VIXO_DEBUG"); }

  // Runs the requests against a server of its own and returns what went to standard error
  // until the server had stopped.
  static std::string logOf(const std::function<void(int port)>& requests) {
    webserver server([](webserver::http_request* r) { r->answer = "ok"; }, 0);
    EXPECT_TRUE(server.start());
    ::testing::internal::CaptureStderr();
    requests(server.listeningPort());
    server.stop();  // every connection thread has ended
    return ::testing::internal::GetCapturedStderr();
  }
};

TEST_F(DebugLogTest, WritesOnlyWhenAsked) {
  auto run = [](int port) {
    exchange(port, "GET /log\x1b[31m HTTP/1.1\r\n\r\n");
    RawClient silent(port);
    silent.closeSending();
    EXPECT_EQ(silent.readAll(), "");
  };
  setenv("VIXO_DEBUG", "1", 1);
  const std::string log = logOf(run);
  EXPECT_THAT(log, MatchesRegex("(.|\n)*Accepting success 127\\.0\\.0\\.1:[0-9]+\n(.|\n)*"));
  EXPECT_THAT(log, HasSubstr("Request: GET /log?[31m HTTP/1.1\r\n\n"));
  EXPECT_THAT(log, HasSubstr("Request empty line :(\n"));
  unsetenv("VIXO_DEBUG");
  EXPECT_EQ(logOf(run), "");
}

}  // namespace
