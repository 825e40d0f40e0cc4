#include "player/online_protocol.h"

#include <climits>
#include <cstdint>

namespace E = Brindle::JSONElements;
using Brindle::JSON;

int OnlineQuestion::indicesAsked() const {
  switch (type) {
    case TwoIndices:
      return 2;
    case FreeText:
      return 0;
    default:
      return 1;
  }
}

ParsedInt parseDecimal(std::string_view text) {
  ParsedInt out;
  size_t i = 0;
  auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // The magnitude is kept in 64 bits and stops growing once it has left the int range.
  constexpr int64_t kLimit = int64_t{INT_MAX} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    out.digits = true;
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (!out.digits) return out;
  out.whole = i == text.size();
  if (negative) {
    out.overflow = magnitude > kLimit;
    out.value = out.overflow ? INT_MIN : static_cast<int>(-magnitude);
  } else {
    out.overflow = magnitude > INT_MAX;
    out.value = out.overflow ? INT_MAX : static_cast<int>(magnitude);
  }
  return out;
}

std::string postParam(const webserver::http_request* request, const std::string& name,
                      const std::string& fallback) {
  const auto it = request->postParams.find(name);  // the first of equal names
  return it == request->postParams.end() ? fallback : it->second;
}

int readIntParam(const webserver::http_request* request, const std::string& name, int fallback) {
  const auto it = request->postParams.find(name);
  return it == request->postParams.end() ? fallback : parseDecimal(it->second).value;
}

int readPrevState(const webserver::http_request* request) {
  const ParsedInt parsed = parseDecimal(postParam(request, "prevState", "-1"));
  return parsed.digits && !parsed.overflow ? parsed.value : -1;
}

std::vector<std::string> readArrayParam(const webserver::http_request* request,
                                        const std::string& name) {
  const std::string prefix = name + "[";
  std::vector<std::string> values;
  for (auto it = request->postParams.lower_bound(prefix);
       it != request->postParams.end() && it->first.starts_with(prefix); ++it)
    values.push_back(it->second);
  return values;
}

void sendJson(webserver::http_request* request, const JSON& value) {
  setResponseHeader(request, "Content-Type", "text/json");
  request->answer = value.toString(0);
}

JSON makeHelloMessage(const std::wstring& welcomeText, const std::wstring& namePrompt) {
  JSON reply{E::Object()};
  reply.set("type", "hello");
  reply.set("text", welcomeText);
  reply.set("qtext", namePrompt);
  return reply;
}

JSON makeTextMessage(bool success, const std::wstring& text) {
  JSON reply{E::Object()};
  reply.set("type", "text");
  reply.set("success", success);
  reply.set("text", text);
  return reply;
}

JSON makeTermMessage(const std::wstring& text) {
  JSON reply{E::Object()};
  reply.set("type", "term");
  reply.set("text", text);
  return reply;
}

JSON makeQuestionMessage(const OnlineMessage& message) {
  JSON questions{E::Array()};
  for (const OnlineQuestion& q : message.questions) {
    JSON labels{E::Array()};
    for (const std::wstring& label : q.vars) labels.append(label);
    JSON item{E::Object()};
    item.set("text", q.text);
    item.set("type", E::Integer(q.type));
    item.set("vars", labels);
    questions.append(item);
  }
  JSON reply{E::Object()};
  reply.set("type", "question");
  reply.set("qid", E::Integer(message.qIndex));
  reply.set("qs", questions);
  return reply;
}
