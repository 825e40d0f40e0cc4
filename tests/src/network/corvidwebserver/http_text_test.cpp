#include "network/corvidwebserver/http_text.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "network/corvidwebserver/local_addresses.h"
#include "network/corvidwebserver/webserver.h"
#include "server_fixture.h"

namespace {

using vixo_test::Pairs;
using vixo_test::pairsOf;

TEST(UrlDecodeTest, Cases) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"John+Smith", "John Smith"},
      {"John%20Smith", "John Smith"},
      {"%41%0a%25", std::string("A\n%")},
      {"%2541", "%41"},  // a decoded "%" is not decoded again
      {"%2B+", "+ "},    // a decoded "+" stays
      {"%e2%82%AC", "\xe2\x82\xac"},
      {"a%4", "a\x04"},  // up to two characters
      {"a%4g", std::string("a\x04")},
      {"%zz!", std::string("\0!", 2)},  // nothing readable: the byte 0
      {"%", std::string("\0", 1)},
      {"%+4", "\x04"},  // the "+" became a blank, which the read skips
      {"%-1", "\xff"},  // a negative number keeps its low 8 bits
      {"", ""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(urlDecode(row.in), row.out);
  }
}

// Every escape of two bytes decodes as a formatted hexadecimal stream read of them does.
TEST(UrlDecodeTest, EscapesReadLikeAStream) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      std::string digits{static_cast<char>(a), static_cast<char>(b)};
      std::string blanked = digits;
      for (char& c : blanked)
        if (c == '+') c = ' ';
      std::istringstream in(blanked);
      in.imbue(std::locale::classic());
      int value = 0;
      in >> std::hex >> value;
      const std::string decoded = urlDecode("%" + digits);
      ASSERT_EQ(decoded, std::string(1, static_cast<char>(value & 0xFF)))
          << "escape bytes " << a << " " << b;
    }
  }
}

TEST(ParseParamsTest, Cases) {
  const struct {
    std::string text;
    Pairs expected;
  } cases[] = {
      {"userid=7&prevState=3", {{"prevState", "3"}, {"userid", "7"}}},
      {"a=1&a=2", {{"a", "1"}, {"a", "2"}}},  // arrival order
      {"word", {{"word", "word"}}},
      {"", {{"", ""}}},
      {"a=1&", {{"", ""}, {"a", "1"}}},
      {"&&", {{"", ""}, {"", ""}, {"", ""}}},
      {"n=John+Smith&m=John%20Smith", {{"m", "John Smith"}, {"n", "John Smith"}}},
      {"a%3Db=c%26d", {{"a=b", "c&d"}}},  // separators decoded only after the split
      {"x==1", {{"x", "=1"}}},
      {"votes[]=2&votes[]=4", {{"votes[]", "2"}, {"votes[]", "4"}}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.text);
    ParamMap params;
    parseParams(row.text, params);
    EXPECT_EQ(pairsOf(params), row.expected);
  }
}

TEST(SplitRequestTargetTest, Cases) {
  const struct {
    std::string target, path;
    Pairs params;
  } cases[] = {
      {"/static/index.html HTTP/1.1\r\n", "/static/index.html", {}},
      {"/poll?userid=7 HTTP/1.0\n", "/poll", {{"userid", "7"}}},
      {"/x?", "/x", {{"", ""}}},
      {"/a%20b?q=%20", "/a%20b", {{"q", " "}}},  // the path is not decoded
      {"/x HTTP/2.0", "/x HTTP/2.0", {}},        // only HTTP/1.x is taken off
      {"HTTP/1.1", "", {}},                      // a bare version leaves nothing
      {"xHTTP/1.1", "", {}},
      {"\r\n\r\n", "", {}},
      {"", "", {}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.target);
    std::string path = "old";
    ParamMap params;
    splitRequestTarget(row.target, path, params);
    EXPECT_EQ(path, row.path);
    EXPECT_EQ(pairsOf(params), row.params);
  }
}

TEST(HeaderLineTest, Cases) {
  const struct {
    std::string line;
    HeaderLine kind;
    std::string name, value;
  } cases[] = {
      {"Host: example\r\n", HeaderLine::Field, "Host", "example"},
      {"Name \t:\t  spaced value  \r\n", HeaderLine::Field, "Name", "spaced value  "},
      {"Empty:\r\n", HeaderLine::Field, "Empty", ""},
      {"Empty:   \n", HeaderLine::Field, "Empty", ""},
      {"a:b:c\n", HeaderLine::Field, "a", "b:c"},
      {": no name\n", HeaderLine::Field, "", "no name"},
      {"Cut: here\rrest: x\n", HeaderLine::Field, "Cut", "here"},
      {"no colon\r\n", HeaderLine::Ignored, "", ""},
      {"\r\n", HeaderLine::End, "", ""},
      {"\n", HeaderLine::End, "", ""},
      {"", HeaderLine::End, "", ""},
      {"\rjunk: x\n", HeaderLine::End, "", ""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.line);
    std::string name, value;
    EXPECT_EQ(parseHeaderLine(row.line, name, value), row.kind);
    EXPECT_EQ(name, row.name);
    EXPECT_EQ(value, row.value);
  }
}

TEST(ContentLengthTest, ReadsLikeTheCLibrary) {
  const struct {
    std::string text;
    int64_t value;
  } cases[] = {
      {"12", 12},
      {" \t12abc", 12},
      {"+7", 7},
      {"-5", 0},
      {"abc", 0},
      {"", 0},
      {"00042", 42},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MAX},
      {"99999999999999999999999", INT64_MAX},
      {"-99999999999999999999999", 0},
      {"4294967296", 4294967296},  // beyond 32 bits it does not wrap
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(parseContentLength(row.text), row.value);
  }
}

TEST(CookiesTest, Cases) {
  using Map = std::map<std::string, std::string>;
  const struct {
    std::string header;
    Map cookies;
  } cases[] = {
      {"userid=abc%2Fd; theme = dark", {{"theme", "dark"}, {"userid", "abc/d"}}},
      {"a=1; a=2", {{"a", "1"}}},  // the first of equal names
      {"a=1;=x", {{"", "x"}, {"a", "1"}}},
      {"=x", {}},                 // nothing before "=" at all
      {"a=1; =x", {{"a", "1"}}},  // blanks before "=": skipped
      {"novalue; b=2", {{"b", "2"}}},
      {"c=  spaced out \t; d=", {{"c", "spaced out"}, {"d", ""}}},
      {"e=f=g", {{"e", "f=g"}}},
      {"x=a+b%20c", {{"x", "a b c"}}},
      {"", {}},
      {";;;", {}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.header);
    Map cookies;
    parseCookies(row.header, cookies);
    EXPECT_EQ(cookies, row.cookies);
  }
}

// RFC 4648's test vectors, the stop rules, and random data against an encoder of the test's own.
TEST(Base64Test, Decodes) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"Zg==", "f"},
      {"Zm8=", "fo"},
      {"Zm9v", "foo"},
      {"Zm9vYg==", "foob"},
      {"Zm9vYmE=", "fooba"},
      {"Zm9vYmFy", "foobar"},
      {"Zm9vYmFy=Zm9v", "foobar"},  // "=" ends the data
      {"Zm9v YmFy", "foo"},         // so does any other character
      {"Zm9vY", "foo"},             // a single final character gives nothing
      {"Zg", "f"},
      {"Zm8", "fo"},
      {"+/+/", "\xfb\xff\xbf"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(base64Decode(row.in), row.out);
  }

  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string data(random() % 40, '\0');
    for (char& c : data) c = static_cast<char>(random());
    std::string encoded;
    for (size_t i = 0; i < data.size(); i += 3) {
      uint32_t bits = 0;
      const size_t n = std::min<size_t>(3, data.size() - i);
      for (size_t k = 0; k < 3; ++k)
        bits = bits << 8 | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
      for (size_t k = 0; k < n + 1; ++k) encoded += base64Alphabet[bits >> (18 - 6 * k) & 63];
      encoded.append(3 - n, '=');
    }
    ASSERT_EQ(base64Decode(encoded), data) << encoded;
  }
}

TEST(BuildResponseTest, ExactBytesWithDefaultHeaders) {
  webserver::http_request request;
  request.answer = "abc";
  // 2017-03-04 09:05:07 UTC: the day of the month is padded with a zero.
  EXPECT_EQ(buildResponse(request, 1'488'618'307LL * 10'000'000),
            "HTTP/1.1 200 OK\n"
            "Connection: close\n"
            "Content-Length: 3\n"
            "Content-Type: text/html; charset=utf-8\n"
            "Date: Sat Mar 04 09:05:07 2017 GMT\n"
            "Server: CorvidWebserver for VIXO (Windows)\n"
            "\n"
            "abc\n");
  EXPECT_EQ(request.answerHeaders.size(), 5u);  // the defaults went into the record
}

TEST(BuildResponseTest, HandlerHeadersReplaceDefaultsAndSortByName) {
  webserver::http_request request;
  request.status = "301 Moved Permanently";
  setResponseHeader(&request, "Location", "/static/index.html");
  setResponseHeader(&request, "Content-Type", "text/plain");
  setResponseHeader(&request, "Content-Type", "text/json");  // replaces
  setResponseHeader(&request, "Content-Length", "99");
  EXPECT_EQ(buildResponse(request, 0),
            "HTTP/1.1 301 Moved Permanently\n"
            "Connection: close\n"
            "Content-Length: 99\n"
            "Content-Type: text/json\n"
            "Date: Thu Jan 01 00:00:00 1970 GMT\n"
            "Location: /static/index.html\n"
            "Server: CorvidWebserver for VIXO (Windows)\n"
            "\n"
            "\n");
}

TEST(BuildResponseTest, RealmAsksForCredentialsWhateverTheStatus) {
  webserver::http_request request;
  request.status = "404 Not Found";
  request.authRealm = "Lab";
  request.answer = "denied";
  const std::string response = buildResponse(request, 0);
  EXPECT_THAT(response, ::testing::StartsWith("HTTP/1.1 401 Unauthorized\n"
                                              "WWW-Authenticate: Basic Realm=\"Lab\"\n"
                                              "Connection: close\n"
                                              "Content-Length: 6\n"));
  EXPECT_THAT(response, ::testing::EndsWith("\n\ndenied\n"));
}

TEST(LocalAddressesTest, Ipv6Filter) {
  const struct {
    const char* text;
    bool offered;
  } cases[] = {
      {"fe80::1", false}, {"fe9f::1", false}, {"fea0::1", false},        {"febf:1::2", false},
      {"fec0::1", true},  {"fe7f::1", true},  {"2001:0:4136::1", false}, {"2001:db8::1", true},
      {"2001::1", true},  {"fd00::2", true},  {"::ffff:10.0.0.1", true},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(isOfferedIpv6Address(row.text), row.offered);
  }
}

// Whatever the machine's interfaces, the list holds addresses that a browser can be given and
// none that only this machine or this link can reach.
TEST(LocalAddressesTest, ListsUsableAddresses) {
  for (const std::string& address : listLocalAddresses()) {
    SCOPED_TRACE(address);
    unsigned char bytes[16];
    if (address.starts_with("[")) {
      ASSERT_TRUE(address.ends_with("]"));
      const std::string text = address.substr(1, address.size() - 2);
      ASSERT_EQ(inet_pton(AF_INET6, text.c_str(), bytes), 1);
      EXPECT_NE(text, "::1");
      EXPECT_TRUE(isOfferedIpv6Address(text));
    } else {
      ASSERT_EQ(inet_pton(AF_INET, address.c_str(), bytes), 1);
      EXPECT_NE(bytes[0], 127);
    }
  }
}

}  // namespace
