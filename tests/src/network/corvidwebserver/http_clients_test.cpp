// The server against the clients observers and tests use: curl and Python's http.client. They
// must accept the server's replies (lines ending in LF alone, a line feed after the body) and
// their requests must reach the handler as sent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "network/corvidwebserver/webserver.h"
#include "server_fixture.h"
#include "support/run_command.h"
#include "support/temp_folder.h"

namespace {

using ::testing::HasSubstr;
using vixo_test::Pairs;
using vixo_test::pairsOf;
using vixo_test::RecordingServer;

constexpr auto run = &vixo_test::runCommand;

std::string url(const RecordingServer& server, const std::string& rest) {
  return "'http://127.0.0.1:" + std::to_string(server.port()) + rest + "'";
}

// A handler that answers a short text, and asks for credentials on "/private".
RecordingServer::Respond answering() {
  return [](webserver::http_request* r) {
    if (r->path == "/private" && r->username.empty()) r->authRealm = "VIXO lab";
    r->answer = "hello " + r->path;
  };
}

TEST(CurlTest, GetWithQueryAndHeaders) {
  RecordingServer server({}, answering());
  int status = 0;
  const std::string out =
      run("curl -sS --max-time 10 -D - -A probe/2 " + url(server, "/poll?userid=7&prevState=3"),
          status);
  EXPECT_EQ(status, 0);
  EXPECT_THAT(out, ::testing::StartsWith("HTTP/1.1 200 OK\n"));
  EXPECT_THAT(out, HasSubstr("Server: CorvidWebserver for VIXO (Windows)\n"));
  EXPECT_TRUE(out.ends_with("\n\nhello /poll")) << out;  // the extra line feed is not body
  const auto r = server.last();
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(pairsOf(r.params), (Pairs{{"prevState", "3"}, {"userid", "7"}}));
  EXPECT_EQ(r.userAgent, "probe/2");
  EXPECT_EQ(r.accept, "*/*");
}

TEST(CurlTest, FormCredentialsAndCookies) {
  RecordingServer server({}, answering());
  int status = 0;
  EXPECT_EQ(run("curl -sS --max-time 10 --data-urlencode 'name=John Smith' --data 'votes[]=2' "
                "--data 'votes[]=4' -u 'user:pa:ss' -b 'userid=abc%2Fd; theme=dark' " +
                    url(server, "/vote"),
                status),
            "hello /vote");
  EXPECT_EQ(status, 0);
  const auto r = server.last();
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(pairsOf(r.postParams),
            (Pairs{{"name", "John Smith"}, {"votes[]", "2"}, {"votes[]", "4"}}));
  EXPECT_TRUE(r.authenticationGiven);
  EXPECT_EQ(r.username, "user");
  EXPECT_EQ(r.password, "pa:ss");
  EXPECT_EQ(pairsOf(r.cookies), (Pairs{{"theme", "dark"}, {"userid", "abc/d"}}));
}

TEST(CurlTest, StatusOfCredentialsAndLimits) {
  RecordingServer server({}, answering());
  vixo_test::TempFolder folder;
  const std::string big = folder.makeFile("big", std::string(1'500'000, 'b'));
  const struct {
    const char* name;
    std::string arguments;
    std::string code;
  } cases[] = {
      {"credentials asked", url(server, "/private"), "401"},
      {"credentials given", "-u a:b " + url(server, "/private"), "200"},
      {"long target", url(server, "/" + std::string(9000, 'a')), "414"},
      {"long header", "-H 'X-Big: " + std::string(9000, 'h') + "' " + url(server, "/"), "431"},
      {"long body", "-H 'Expect:' --data-binary @" + big + " " + url(server, "/"), "413"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    int status = 0;
    EXPECT_EQ(run("curl -s --max-time 10 -o /dev/null -w '%{http_code}' " + row.arguments, status),
              row.code);
    EXPECT_EQ(status, 0);
  }
  int status = 0;
  EXPECT_THAT(run("curl -sS --max-time 10 -D - -o /dev/null " + url(server, "/private"), status),
              HasSubstr("WWW-Authenticate: Basic Realm=\"VIXO lab\"\n"));
}

TEST(PythonHttpClientTest, PostAndConcurrentGets) {
  RecordingServer server({}, answering());
  const std::string script = R"(
import http.client, sys, threading
port = int(sys.argv[1])
c = http.client.HTTPConnection('127.0.0.1', port, timeout=10)
c.request('POST', '/vote?from=query', body='qid=3&text=caf%C3%A9',
          headers={'Content-Type': 'application/x-www-form-urlencoded', 'Cookie': 'userid=k1'})
r = c.getresponse()
print(r.version, r.status, r.reason)
print(r.getheader('Content-Type'), '|', r.getheader('Content-Length'), '|', r.getheader('Connection'))
print(repr(r.read()))
answers = []
def get(i):
    c = http.client.HTTPConnection('127.0.0.1', port, timeout=10)
    c.request('GET', '/n%d' % i)
    answers.append(c.getresponse().read())
threads = [threading.Thread(target=get, args=(i,)) for i in range(20)]
for t in threads: t.start()
for t in threads: t.join()
print(sorted(answers) == sorted(b'hello /n%d' % i for i in range(20)))
)";
  vixo_test::TempFolder folder;
  const std::string path = folder.makeFile("client.py", script);
  int status = 0;
  const std::string out = run("python3 " + path + " " + std::to_string(server.port()), status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out,
            "11 200 OK\n"
            "text/html; charset=utf-8 | 11 | close\n"
            "b'hello /vote'\n"
            "True\n");
  const auto seen = server.seen();
  ASSERT_EQ(seen.size(), 21u);
  EXPECT_EQ(pairsOf(seen[0].postParams), (Pairs{{"qid", "3"}, {"text", "caf\xc3\xa9"}}));
  EXPECT_EQ(pairsOf(seen[0].params), (Pairs{{"from", "query"}}));
  EXPECT_EQ(pairsOf(seen[0].cookies), (Pairs{{"userid", "k1"}}));
}

}  // namespace
