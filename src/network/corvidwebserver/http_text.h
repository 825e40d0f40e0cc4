// The texts of HTTP messages as the server reads and writes them: the request line, header
// lines, query strings and form bodies, cookies, Basic credentials, and the response.
//
// Pure functions of their arguments, for any thread. Malformed text is tolerated: it gives empty
// or partial fields, never an error.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "network/corvidwebserver/webserver.h"

using ParamMap = std::multimap<std::string, std::string>;

// Path and query parameters of a request target: trailing CR and LF and a final " HTTP/1.x" are
// removed; the path is the text before the first "?", the parameters come from the text after
// it (none without "?").
void splitRequestTarget(std::string target, std::string& path, ParamMap& params);

// Adds the pairs of a query string or urlencoded form: "name=value" pairs separated by "&",
// both url-decoded, equal names kept in arrival order; a pair without "=" is its own name and
// value. The empty text, and a text ending in "&", give one empty pair (at the end).
void parseParams(std::string_view text, ParamMap& params);

// Form decoding: "+" is a space; "%" and the (up to) two characters after it, read as a
// hexadecimal number the way a formatted stream read does, become the byte of its low 8 bits.
std::string urlDecode(std::string_view text);

// Method ("GET", "POST" or empty, by the start of the line) and target of the request line.
void parseRequestLine(std::string_view line, webserver::http_request& request);

enum class HeaderLine { End, Ignored, Field };
// One header line, cut at its first CR or LF: End for an empty line, Ignored without ":",
// else Field with the name (trailing blanks removed) and the value (from its first non-blank).
HeaderLine parseHeaderLine(std::string_view line, std::string& name, std::string& value);

// The first value of a header, or empty.
std::string headerValue(const webserver::http_request& request, const std::string& name);

// A signed decimal read by the C library's rules (leading white space, a sign, digits up to the
// first other character); 0 when there is no number or it is negative; saturated at INT64_MAX.
int64_t parseContentLength(std::string_view text);

// The request fields that come from its header section: authorization, cookies and the
// Accept, Accept-Language, Accept-Encoding and User-Agent values.
void interpretHeaders(webserver::http_request& request);
// Fills postParams from the body when the content type is "application/x-www-form-urlencoded"
// (parameters after ";" and surrounding white space aside).
void interpretBody(webserver::http_request& request);

// Adds the cookies of a "Cookie" header value; of equal names the first is kept.
void parseCookies(std::string_view header, std::map<std::string, std::string>& cookies);

// The response to the request as sent: the status line (or "401 Unauthorized" with its
// WWW-Authenticate line when authRealm is set), the default headers Date (of utcTicks, 100-ns
// ticks since 1970), Server, Connection, Content-Type and Content-Length where the handler did
// not set them (they are added to answerHeaders), every header in name order, an empty line,
// and the answer followed by one line feed. Every line ends in a single LF.
std::string buildResponse(webserver::http_request& request, int64_t utcTicks);
