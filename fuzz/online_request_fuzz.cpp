// Requests of arbitrary paths and fields to the online test's handler: no crash, only the
// statuses of the protocol, JSON on its routes, no file outside the page's root, and no vote
// passed on that its sub-question does not allow.
//
// Input: lines; the first is the path and selects the state (a leading '!' the one still
// registering, else the one with an open question); then "P name=value" (form field of the
// body), "Q name=value" (query field), "C name=value" (cookie), "M method". The text "KEY" stands
// for the key of the registered observer.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "avifile/avi_system.h"
#include "avifile/json_parser.h"
#include "player/online_test_state.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

OnlineMessage openQuestion() {
  OnlineMessage question;
  question.type = OnlineMessage::Question;
  question.qIndex = 2;
  question.questions = {{L"one", {L"a", L"b", L"c"}, OnlineQuestion::OneIndex},
                        {L"pair", {L"x", L"y"}, OnlineQuestion::TwoIndices},
                        {L"free", {}, OnlineQuestion::FreeText},
                        {L"none", {}, OnlineQuestion::OneIndex}};
  return question;
}

char folderName[] = "/tmp/vixo-online-fuzz.XXXXXX";

void removeFolder() { std::filesystem::remove_all(folderName); }

// What every input shares: a program folder with a page, a secret beside it, and two states.
// Never destroyed: the reactive values must not outlive the main thread's own storage, which
// goes before static objects at exit.
struct World {
  World() {
    if (!mkdtemp(folderName)) fail("no temporary folder");
    std::atexit(removeFolder);
    folder = folderName;
    std::filesystem::create_directories(folder + "/static_html/sub");
    std::ofstream(folder + "/static_html/a.txt") << "inside";
    std::ofstream(folder + "/static_html/sub/b.js") << "inside";
    std::ofstream(folder + "/secret.txt") << "SECRET";
    OnlineTestState::Options options;
    options.programFolder = fromUtf8(folder) + L"/";
    options.pollTimeout = std::chrono::milliseconds(0);
    const auto check = [](int question, int subQuestion, const std::wstring&,
                          std::vector<int> votes, const std::string& text) {
      const OnlineMessage asked = openQuestion();
      if (question != asked.qIndex) fail("a vote for a question that is not open");
      if (subQuestion < 0 || subQuestion >= static_cast<int>(asked.questions.size()))
        fail("a vote for a sub-question that does not exist");
      const OnlineQuestion& q = asked.questions[static_cast<size_t>(subQuestion)];
      if (static_cast<int>(votes.size()) != q.indicesAsked()) fail("wrong number of indices");
      for (const int v : votes)
        if (v < 0 || v >= static_cast<int>(q.vars.size())) fail("an index without a label");
      if (q.indicesAsked() == 0 && text.empty()) fail("an empty free text");
    };
    registering = std::make_unique<OnlineTestState>(L"W", L"N", L"R", check, 0, options);
    running = std::make_unique<OnlineTestState>(L"W", L"N", L"R", check, 0, options);
    webserver::http_request reg;
    reg.method = "POST";
    reg.path = "/reg";
    reg.postParams.emplace("name", "Ann");
    running->handleHttpRequest(&reg);
    const std::string field = "\"key\" : \"";
    key = reg.answer.substr(reg.answer.find(field) + field.size(), 36);
    running->publish(openQuestion());
  }
  std::string folder;
  std::string key;
  std::unique_ptr<OnlineTestState> registering;
  std::unique_ptr<OnlineTestState> running;
};

std::string withKey(std::string text, const std::string& key) {
  for (size_t at = text.find("KEY"); at != std::string::npos; at = text.find("KEY", at + 1))
    text.replace(at, 3, key);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World& world = *new World;
  std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
  std::string line;
  std::getline(lines, line);
  OnlineTestState& state = line.starts_with("!") ? *world.registering : *world.running;
  webserver::http_request request;
  request.method = "POST";
  request.path = withKey(line.starts_with("!") ? line.substr(1) : line, world.key);
  while (std::getline(lines, line)) {
    line = withKey(line, world.key);
    if (line.size() < 2 || line[1] != ' ') continue;
    const std::string item = line.substr(2);
    const size_t equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const std::string value = equals == std::string::npos ? "" : item.substr(equals + 1);
    switch (line[0]) {
      case 'P':
        request.postParams.emplace(name, value);
        break;
      case 'Q':
        request.params.emplace(name, value);
        break;
      case 'C':
        request.cookies.emplace(name, value);
        break;
      case 'M':
        request.method = item;
        break;
    }
  }
  const std::string path = request.path;
  state.handleHttpRequest(&request);

  if (request.status == "404 Not Found") {
    if (request.answer != "Wrong url") fail("a refusal without its text");
  } else if (request.status == "301 Moved Permanently") {
    if (path != "/") fail("a redirect of another path");
  } else if (request.status != "200 OK") {
    fail("a status the protocol does not know");
  } else if (path.starts_with("/static/")) {
    if (request.answer != "inside") fail("a file from outside the page's root");
  } else if (path == "/poll" || path == "/reg" || path == "/vote") {
    if (request.answerHeaders["Content-Type"] != "text/json") fail("JSON of another type");
    std::istringstream in(request.answer);
    try {
      const Brindle::JSON value = Brindle::JSONparser::parse(in);
      if (path == "/vote" && !value.isBool()) fail("a vote answered with something else");
      if (path != "/vote" && !value.isObject()) fail("a reply that is no object");
    } catch (const Brindle::JSONparser::Error&) {
      fail("a reply that is no JSON");
    }
  } else {
    fail("a route that does not exist");
  }
  return 0;
}
