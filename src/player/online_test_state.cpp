#include "player/online_test_state.h"

#include <thread>

#include "avifile/avi_system.h"
#include "common/operations.h"
#include "common/wait.h"
#include "player/online_protocol.h"
#include "player/static_files.h"

namespace E = Brindle::JSONElements;
using Brindle::JSON;

namespace {

const char kWrongUrl[] = "Wrong url";

void notFound(webserver::http_request* request) {
  request->status = "404 Not Found";
  request->answer = kWrongUrl;
}

// Counts a poll while it waits.
class WaitingPoll {
 public:
  explicit WaitingPoll(std::atomic<int>& count) : count(count) { ++count; }
  ~WaitingPoll() { --count; }
  WaitingPoll(const WaitingPoll&) = delete;
  WaitingPoll& operator=(const WaitingPoll&) = delete;

 private:
  std::atomic<int>& count;
};

}  // namespace

OnlineTestState::OnlineTestState(std::wstring welcomeText, std::wstring namePrompt,
                                 std::wstring registeredText, VoteCallback voteCallback, int port)
    : OnlineTestState(std::move(welcomeText), std::move(namePrompt), std::move(registeredText),
                      std::move(voteCallback), port, Options{}) {}

OnlineTestState::OnlineTestState(std::wstring welcomeText, std::wstring namePrompt,
                                 std::wstring registeredText, VoteCallback voteCallback, int port,
                                 Options options)
    : welcomeText(std::move(welcomeText)),
      namePrompt(std::move(namePrompt)),
      registeredText(std::move(registeredText)),
      voteCallback(std::move(voteCallback)),
      programFolder(options.programFolder.empty() ? getModuleDirectory() : options.programFolder),
      pollTimeout(options.pollTimeout),
      endGrace(options.endGrace),
      server([this](webserver::http_request* request) { handleHttpRequest(request); }, port,
             options.serverLimits) {}

OnlineTestState::~OnlineTestState() {
  endTest();
  // Polls that arrive now come from browsers that had just been answered; they get the end. An
  // end published long enough ago has had its grace.
  std::chrono::steady_clock::time_point ended;
  {
    std::lock_guard<std::mutex> lock(stateMutex);
    ended = endedAt;
  }
  const auto graceLeft = ended + endGrace - std::chrono::steady_clock::now();
  if (graceLeft > std::chrono::steady_clock::duration::zero())
    std::this_thread::sleep_for(graceLeft);
  {
    // A poll that came in the grace waits for a message after the end, which never comes; the
    // stop of the server waits for its handler.
    std::lock_guard<std::mutex> lock(stateMutex);
    stopping->set(true);
  }
  server.stop();
}

bool OnlineTestState::startServer() { return server.start(); }

int OnlineTestState::listeningPort() const { return server.listeningPort(); }

void OnlineTestState::publish(const OnlineMessage& message) {
  std::lock_guard<std::mutex> lock(stateMutex);
  publishLocked(message);
}

void OnlineTestState::endTest() {
  std::lock_guard<std::mutex> lock(stateMutex);
  if (current.type == OnlineMessage::Term) return;
  OnlineMessage term;
  term.type = OnlineMessage::Term;
  term.text = L"Test is terminated\nGood bye";
  publishLocked(term);
}

void OnlineTestState::publishLocked(const OnlineMessage& message) {
  current = message;
  current.seq = 0;
  // Waiting polls take only their own lock in this notification and wake up.
  stateCounter->set(stateCounter->get() + 1);
  if (message.type == OnlineMessage::Question) {
    openQuestion = current;
    voted.clear();
    voters.clear();
    voteCounter->set(0);
  }
  if (message.type == OnlineMessage::Term) endedAt = std::chrono::steady_clock::now();
}

OnlineMessage OnlineTestState::currentMessage() {
  std::lock_guard<std::mutex> lock(stateMutex);
  OnlineMessage copy = current;
  copy.seq = stateCounter->get();
  return copy;
}

void OnlineTestState::handleHttpRequest(webserver::http_request* request) {
  const std::string& path = request->path;
  if (path == "/") {
    request->status = "301 Moved Permanently";
    setResponseHeader(request, "Location", "/static/index.html");
    request->answer.clear();
  } else if (path.starts_with("/static/")) {
    serveStaticFile(request);
  } else if (path == "/poll") {
    servePoll(request);
  } else if (path == "/reg") {
    serveRegistration(request);
  } else if (path == "/vote") {
    serveVote(request);
  } else {
    notFound(request);
  }
}

const ObserverEntry* OnlineTestState::findObserver(const webserver::http_request* request) {
  const auto& fields = request->method == "POST" ? request->postParams : request->params;
  const auto field = fields.find("userid");
  std::string id = field == fields.end() ? std::string() : field->second;
  if (id.empty()) {
    const auto cookie = request->cookies.find("userid");
    if (cookie != request->cookies.end()) id = cookie->second;
  }
  if (id.empty()) return nullptr;
  std::lock_guard<std::mutex> lock(observersMutex);
  const auto it = observers.find(id);
  return it == observers.end() ? nullptr : &it->second;
}

void OnlineTestState::serveStaticFile(webserver::http_request* request) {
  const std::wstring rest = fromUtf8(std::string_view(request->path).substr(8));
  const std::wstring root = staticRootFolder(programFolder);
  const std::wstring file = staticFilePathIn(root, rest);
  std::string content;
  if (file.empty() || !readStaticFile(file, root, content)) {
    notFound(request);
    return;
  }
  setResponseHeader(request, "Content-Type", mimeTypeForPath(splitPath(rest).extension));
  request->answer = std::move(content);
}

void OnlineTestState::servePoll(webserver::http_request* request) {
  const ObserverEntry* observer = findObserver(request);
  const int prev = readPrevState(request);
  {
    const WaitingPoll counted(pollsWaiting);
    // The outcome does not matter: after the time-out the reply is made the same way.
    (void)connections::waitExpressionUntil(
        (stateCounter != connections::makeConstant(prev)) || stopping,
        std::chrono::steady_clock::now() + pollTimeout);
  }
  const OnlineMessage message = currentMessage();
  JSON reply;
  switch (message.type) {
    case OnlineMessage::Registration:
      reply = observer ? makeTextMessage(true, registeredText)
                       : makeHelloMessage(welcomeText, namePrompt);
      break;
    case OnlineMessage::Text:
      reply = observer
                  ? makeTextMessage(true, message.text)
                  : makeTextMessage(
                        false, L"Sorry, test already started. You are not registered to this test");
      break;
    case OnlineMessage::Question:
      reply = observer
                  ? makeQuestionMessage(message)
                  : makeTextMessage(
                        false, L"Sorry, test already started. You are not registered to this test");
      break;
    default:
      reply = makeTermMessage(message.text);
      break;
  }
  reply.set("state", E::Integer(message.seq));
  sendJson(request, reply);
}

void OnlineTestState::serveRegistration(webserver::http_request* request) {
  // The name is read before the locks: it may be as long as a body. UTF-8 takes at most four
  // bytes a character, so a longer text is too long without being decoded.
  const std::string text = trim(postParam(request, "name"));
  const std::wstring name = text.size() <= 4 * kMaxNameLength ? fromUtf8(text) : std::wstring();
  const bool tooLong = text.size() > 4 * kMaxNameLength || name.size() > kMaxNameLength;
  const std::wstring lowered = toLower(name);

  std::lock_guard<std::mutex> stateLock(stateMutex);
  const std::string key = newUuidString();
  bool success = false;
  std::wstring message;
  if (current.type != OnlineMessage::Registration) {
    message = L"Already registered";
  } else if (tooLong) {
    message = L"Name too long (at most " + std::to_wstring(kMaxNameLength) + L" characters)";
  } else if (name.empty()) {
    message = L"Empty name";
  } else {
    std::lock_guard<std::mutex> observersLock(observersMutex);
    if (lowerCaseNames.contains(lowered)) {
      message = L"This name already in use";
    } else if (observers.size() >= kMaxObservers) {
      message = L"Too many observers (at most " + std::to_wstring(kMaxObservers) + L")";
    } else {
      observers.emplace(key, ObserverEntry{name, key});
      lowerCaseNames.insert(lowered);
      observerCounter->set(observerCounter->get() + 1);
      success = true;
    }
  }
  JSON reply{E::Object()};
  reply.set("success", success);
  reply.set("key", key);
  reply.set("message", message);
  sendJson(request, reply);
}

bool OnlineTestState::acceptVoteLocked(const ObserverEntry& observer,
                                       const webserver::http_request* request, int& question,
                                       int& subQuestion, std::vector<int>& votes,
                                       std::string& text) {
  question = openQuestion.qIndex;
  // Once the end is shown the pass is over: nothing sent now could be recorded.
  if (question < 0 || current.type == OnlineMessage::Term) return false;
  const int qid = readIntParam(request, "qid", -1);
  subQuestion = readIntParam(request, "qi", -1);
  const std::vector<std::string> voteTexts = readArrayParam(request, "votes");
  text = postParam(request, "text");
  if (subQuestion < 0 || subQuestion >= static_cast<int>(openQuestion.questions.size()))
    return false;
  // Every answer names its question, free texts too: a text typed for a question that has been
  // replaced would otherwise be recorded under the new one.
  if (qid != question) return false;
  const OnlineQuestion& asked = openQuestion.questions[static_cast<size_t>(subQuestion)];
  const int n = asked.indicesAsked();
  if (n > 0) {
    if (voteTexts.size() != static_cast<size_t>(n)) return false;
    for (const std::string& vote : voteTexts) {
      const ParsedInt index = parseDecimal(vote);
      // An index that names no label, or no index at all, would be recorded as a mark nobody
      // was offered.
      if (!index.whole || index.value < 0 || index.value >= static_cast<int>(asked.vars.size()))
        return false;
      votes.push_back(index.value);
    }
  } else if (text.empty()) {
    return false;
  }
  voted.emplace(observer.userId, subQuestion);
  bool answeredAll = true;
  for (int i = 0; i < static_cast<int>(openQuestion.questions.size()) && answeredAll; ++i)
    answeredAll = voted.contains({observer.userId, i});
  if (answeredAll) voters.insert(observer.userId);
  ++votesAccepted;
  voteCounter->set(static_cast<int>(voters.size()));
  return true;
}

void OnlineTestState::serveVote(webserver::http_request* request) {
  const ObserverEntry* observer = findObserver(request);
  bool accepted = false;
  int question = -1;
  int subQuestion = -1;
  std::vector<int> votes;
  std::string text;
  if (observer) {
    std::lock_guard<std::mutex> lock(stateMutex);
    accepted = acceptVoteLocked(*observer, request, question, subQuestion, votes, text);
  }
  if (accepted && voteCallback)
    voteCallback(question, subQuestion, observer->name, std::move(votes), text);
  sendJson(request, JSON(accepted));
}
