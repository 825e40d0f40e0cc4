#include "network/corvidwebserver/http_text.h"

#include <array>
#include <cstddef>
#include <locale>
#include <sstream>

#include "avifile/avi_system.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// White space of the C library's classic locale.
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value of up to two characters read as a hexadecimal int by a formatted stream read
// (white space skipped, a sign, a "0x"; 0 when nothing can be read).
int readHexLikeStream(std::string_view digits) {
  if (digits.size() == 2 && hexDigit(digits[0]) >= 0 && hexDigit(digits[1]) >= 0)
    return hexDigit(digits[0]) * 16 + hexDigit(digits[1]);
  // Anything else is rare; the stream itself says what it reads.
  std::istringstream in{std::string(digits)};
  in.imbue(std::locale::classic());
  int value = 0;
  in >> std::hex >> value;
  return value;
}

}  // namespace

void splitRequestTarget(std::string target, std::string& path, ParamMap& params) {
  while (!target.empty() && (target.back() == '\r' || target.back() == '\n')) target.pop_back();
  const size_t n = target.size();
  if (n > 7 && target.compare(n - 8, 7, "HTTP/1.") == 0)
    target.resize(n >= 9 ? n - 9 : 0);  // " HTTP/1.x"; a bare "HTTP/1.x" leaves nothing
  const size_t question = target.find('?');
  if (question == std::string::npos) {
    path = std::move(target);
    return;
  }
  path = target.substr(0, question);
  parseParams(std::string_view(target).substr(question + 1), params);
}

void parseParams(std::string_view text, ParamMap& params) {
  for (;;) {
    const size_t amp = text.find('&');
    const std::string_view pair = text.substr(0, amp);
    const size_t eq = pair.find('=');
    if (eq == std::string_view::npos)
      params.emplace(urlDecode(pair), urlDecode(pair));
    else
      params.emplace(urlDecode(pair.substr(0, eq)), urlDecode(pair.substr(eq + 1)));
    if (amp == std::string_view::npos) return;
    text.remove_prefix(amp + 1);
  }
}

std::string urlDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%') {
      const std::string_view digits = text.substr(i + 1, 2);
      std::string taken(digits);
      for (char& d : taken)
        if (d == '+') d = ' ';  // the "+" were made blanks before the escapes are read
      out += static_cast<char>(readHexLikeStream(taken) & 0xFF);
      i += digits.size();
    } else {
      out += c;
    }
  }
  return out;
}

void parseRequestLine(std::string_view line, webserver::http_request& request) {
  if (line.starts_with("GET"))
    request.method = "GET";
  else if (line.starts_with("POST"))
    request.method = "POST";
  else
    request.method.clear();
  size_t start = request.method.size();
  while (start < line.size() && line[start] == ' ') ++start;
  request.params.clear();
  splitRequestTarget(std::string(line.substr(start)), request.path, request.params);
}

HeaderLine parseHeaderLine(std::string_view line, std::string& name, std::string& value) {
  line = line.substr(0, line.find_first_of("\r\n"));
  if (line.empty()) return HeaderLine::End;
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return HeaderLine::Ignored;
  size_t nameEnd = colon;
  while (nameEnd > 0 && isBlank(line[nameEnd - 1])) --nameEnd;
  size_t valueStart = colon + 1;
  while (valueStart < line.size() && isBlank(line[valueStart])) ++valueStart;
  name.assign(line.substr(0, nameEnd));
  value.assign(line.substr(valueStart));
  return HeaderLine::Field;
}

std::string headerValue(const webserver::http_request& request, const std::string& name) {
  const auto found = request.headers.find(name);
  return found == request.headers.end() ? std::string() : found->second;
}

int64_t parseContentLength(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (value > (INT64_MAX - digit) / 10) {
      value = INT64_MAX;
      // The rest of the digits cannot change a saturated value.
      break;
    }
    value = value * 10 + digit;
  }
  return negative ? 0 : value;
}

void parseCookies(std::string_view header, std::map<std::string, std::string>& cookies) {
  std::string text(header);
  text += ';';
  size_t start = 0;
  while (start < text.size()) {
    const size_t semi = text.find(';', start);  // found: the text ends with one
    const size_t eq = text.find('=', start);
    if (eq != std::string::npos && eq < semi) {
      size_t s = start;
      while (isBlank(text[s])) ++s;  // stops at the "=" at the latest
      ptrdiff_t e = static_cast<ptrdiff_t>(eq) - 1;
      while (e >= 0 && isBlank(text[static_cast<size_t>(e)])) --e;
      // The name's last character may lie before the segment (a segment that starts with
      // "=" right after the previous ";" has an empty name); otherwise the segment is skipped.
      if (e >= 0 && e + 1 >= static_cast<ptrdiff_t>(s)) {
        std::string name = text.substr(s, static_cast<size_t>(e) + 1 - s);
        size_t valueStart = eq + 1;
        while (valueStart < semi && isBlank(text[valueStart])) ++valueStart;
        size_t valueEnd = semi;
        while (valueEnd > valueStart && isBlank(text[valueEnd - 1])) --valueEnd;
        cookies.emplace(std::move(name), urlDecode(std::string_view(text).substr(
                                             valueStart, valueEnd - valueStart)));
      }
    }
    start = semi + 1;
  }
}

void interpretHeaders(webserver::http_request& request) {
  if (const auto found = request.headers.find("Authorization"); found != request.headers.end()) {
    request.authenticationGiven = true;
    const std::string& value = found->second;
    if (value.starts_with("Basic ")) {
      const std::string decoded = base64Decode(std::string_view(value).substr(6));
      const size_t colon = decoded.find(':');
      if (colon == std::string::npos) {
        request.username = request.password = decoded;
      } else {
        request.username = decoded.substr(0, colon);
        request.password = decoded.substr(colon + 1);
      }
    }
  }
  parseCookies(headerValue(request, "Cookie"), request.cookies);
  request.accept = headerValue(request, "Accept");
  request.acceptLanguage = headerValue(request, "Accept-Language");
  request.acceptEncoding = headerValue(request, "Accept-Encoding");
  request.userAgent = headerValue(request, "User-Agent");
}

void interpretBody(webserver::http_request& request) {
  std::string type = headerValue(request, "Content-Type");
  type = trim(type.substr(0, type.find(';')));
  if (type == "application/x-www-form-urlencoded") parseParams(request.body, request.postParams);
}

std::string buildResponse(webserver::http_request& request, int64_t utcTicks) {
  std::string out = "HTTP/1.1 ";
  if (!request.authRealm.empty()) {
    out += "401 Unauthorized\nWWW-Authenticate: Basic Realm=\"";
    out += request.authRealm;
    out += "\"\n";
  } else {
    out += request.status;
    out += '\n';
  }
  auto setDefault = [&request](const std::string& name, const std::string& value) {
    if (!request.answerHeaders.contains(name)) setResponseHeader(&request, name, value);
  };
  setDefault("Date", formatUtcTimeStamp(utcTicks) + " GMT");
  setDefault("Server", "CorvidWebserver for VIXO (Windows)");
  setDefault("Connection", "close");
  setDefault("Content-Type", "text/html; charset=utf-8");
  setDefault("Content-Length", std::to_string(request.answer.size()));
  for (const auto& [name, value] : request.answerHeaders) {
    out += name;
    out += ": ";
    out += value;
    out += '\n';
  }
  out += '\n';
  out += request.answer;
  out += '\n';
  return out;
}

std::string base64Decode(std::string_view text) {
  static constexpr auto kValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (size_t i = 0; i < base64Alphabet.size(); ++i)
      values[static_cast<unsigned char>(base64Alphabet[i])] = static_cast<signed char>(i);
    return values;
  }();
  std::string out;
  out.reserve(text.size() / 4 * 3 + 2);
  uint32_t bits = 0;
  int count = 0;  // characters in the current group of four
  for (const char c : text) {
    const int value = kValues[static_cast<unsigned char>(c)];
    if (value < 0) break;  // "=" or any other character ends the data
    bits = bits << 6 | static_cast<uint32_t>(value);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16 & 0xFF);
      out += static_cast<char>(bits >> 8 & 0xFF);
      out += static_cast<char>(bits & 0xFF);
      bits = 0;
      count = 0;
    }
  }
  if (count == 2) {
    out += static_cast<char>(bits >> 4 & 0xFF);
  } else if (count == 3) {
    out += static_cast<char>(bits >> 10 & 0xFF);
    out += static_cast<char>(bits >> 2 & 0xFF);
  }
  return out;
}
