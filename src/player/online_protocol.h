// The pieces of the online test's web protocol that need no state: reading the form fields of a
// request, the JSON replies and how they are sent. Every function may be called from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "avifile/json.h"
#include "network/corvidwebserver/webserver.h"
#include "player/online_message.h"

// A decimal integer read the way the C library's strtol reads one: leading ASCII white space,
// an optional sign, then digits up to the first other character; no digits give 0 and values
// beyond the int range saturate. Independent of the process locale.
struct ParsedInt {
  int value = 0;
  bool digits = false;    // at least one digit was read
  bool overflow = false;  // the digits were outside the int range (value saturated)
  bool whole = false;     // digits, and nothing after them: the text is a number
};
ParsedInt parseDecimal(std::string_view text);

// The first value of a form field of the body; `fallback` when there is none.
std::string postParam(const webserver::http_request* request, const std::string& name,
                      const std::string& fallback = {});
// A form field read with parseDecimal; the field missing reads as `fallback`.
int readIntParam(const webserver::http_request* request, const std::string& name, int fallback);
// The form field "prevState": -1 when it is missing, has no digits or is outside the int range.
int readPrevState(const webserver::http_request* request);
// The values of every form field whose name begins with name + "[", in the order of the names
// (bytes), equal names in arrival order: "votes[]" twice and "votes[0]", "votes[1]" give the
// same list.
std::vector<std::string> readArrayParam(const webserver::http_request* request,
                                        const std::string& name);

// The reply: header "Content-Type" "text/json", body the compact text of the value.
void sendJson(webserver::http_request* request, const Brindle::JSON& value);

// The replies of a poll, without the "state" member that the poll adds.
Brindle::JSON makeHelloMessage(const std::wstring& welcomeText, const std::wstring& namePrompt);
Brindle::JSON makeTextMessage(bool success, const std::wstring& text);
Brindle::JSON makeTermMessage(const std::wstring& text);
Brindle::JSON makeQuestionMessage(const OnlineMessage& message);
