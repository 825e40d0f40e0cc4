// The state of one online pass, shared by the GUI thread and the web server's connection
// threads, and the request handler of the observers' web page.
//
// The GUI thread publishes what the browsers are to show (registration, a text, a question, the
// end); the connection threads serve the page's files, register observers, answer long polls
// with the current message and accept votes, which go to the vote callback.
//
// Routes (the path decides; the method is not checked; parameters are form fields of the body):
//   "/"          301 to "/static/index.html"
//   "/static/…"  a file of the page (see static_files.h), else 404 "Wrong url"
//   "/poll"      "userid", "prevState": waits until the message changes from prevState, at most
//                the poll timeout (10 s), and answers the current message with its "state"
//   "/reg"       "name": registers while the registration message is current, at most
//                kMaxObservers observers, each name at most kMaxNameLength characters; answers
//                {"success","key","message"}
//   "/vote"      "userid", "qid", "qi", "votes[…]" or "text": answers true or false; false once
//                the end of the test is shown
//   anything else 404 "Wrong url"
// The browser is known by "userid": a form field (a query field for a request that is not a
// POST), else the cookie of that name.
//
// Threads and locks: publish(), currentMessage() and the destructor belong to the GUI thread;
// handleHttpRequest() runs on connection threads. stateMutex is taken before observersMutex
// (only a registration holds both). A long poll waits without either lock. The counters change
// under stateMutex and notify their dependents on the changing thread (the GUI thread for a new
// question, connection threads for registrations and votes). The vote callback runs on the
// connection thread with no lock held; it must not touch windows.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/variable.h"
#include "network/corvidwebserver/webserver.h"
#include "player/online_message.h"

class OnlineTestState {
 public:
  // What registrations can make the state hold: the page's name field takes 200 characters, and
  // no room seats a thousand observers.
  static constexpr size_t kMaxNameLength = 200;
  static constexpr size_t kMaxObservers = 1000;

  // (question index, sub-question index, observer's name, the answer's label indices, the
  // answer's text) of an accepted vote.
  using VoteCallback = std::function<void(int question, int subQuestion, const std::wstring& name,
                                          std::vector<int> votes, const std::string& text)>;

  struct Options {
    // The folder of the page's files and of "conf_redirect.txt"; empty: the folder of the
    // running program.
    std::wstring programFolder;
    // The longest a poll waits for the message to change.
    std::chrono::milliseconds pollTimeout{10'000};
    // How long the server stays up after the end is published, so that a browser between two
    // polls still gets the end instead of a refused connection.
    std::chrono::milliseconds endGrace{500};
    webserver::Limits serverLimits;
  };

  // Builds the server on the port; start it with startServer().
  OnlineTestState(std::wstring welcomeText, std::wstring namePrompt, std::wstring registeredText,
                  VoteCallback voteCallback, int port);
  OnlineTestState(std::wstring welcomeText, std::wstring namePrompt, std::wstring registeredText,
                  VoteCallback voteCallback, int port, Options options);
  // Ends the test (see endTest), keeps serving the end for its grace, and stops the server;
  // polls still waiting then are answered at once.
  ~OnlineTestState();
  OnlineTestState(const OnlineTestState&) = delete;
  OnlineTestState& operator=(const OnlineTestState&) = delete;

  // False when the server cannot listen (port in use) or runs already.
  bool startServer();
  // The port the server listens on, 0 while it does not run.
  int listeningPort() const;

  // Makes the message current (its seq is ignored). A question opens: who voted is forgotten
  // and the vote count goes back to 0. GUI thread.
  void publish(const OnlineMessage& message);
  // Publishes the end of the test ("term"), once: every waiting poll is answered with it, and
  // from now on every vote is refused. GUI thread.
  void endTest();
  // The current message with seq set to the state counter. Any thread.
  OnlineMessage currentMessage();
  // Registered observers; fixed once anything has been published.
  connections::ExpressionPtr<int> observerCount() const { return observerCounter; }
  // Observers who answered every sub-question of the open question.
  connections::ExpressionPtr<int> voteCount() const { return voteCounter; }

  // Votes accepted since the state was made, each counted before the vote count changes and
  // before its callback runs. Any thread.
  long long acceptedVotes() const { return votesAccepted.load(); }

  // Polls waiting for the message to change now (for tests and diagnostics). Any thread.
  int waitingPolls() const { return pollsWaiting.load(); }

  // The web server's handler. Connection threads.
  void handleHttpRequest(webserver::http_request* request);

  // The registered observer who sent the request, or null. Entries never move or go while the
  // state lives.
  const ObserverEntry* findObserver(const webserver::http_request* request);

  const std::wstring welcomeText;
  const std::wstring namePrompt;
  const std::wstring registeredText;

 private:
  void servePoll(webserver::http_request* request);
  void serveRegistration(webserver::http_request* request);
  void serveVote(webserver::http_request* request);
  void serveStaticFile(webserver::http_request* request);
  void publishLocked(const OnlineMessage& message);
  // Accepts a vote into the open question; the sub-question's answer in `votes` when accepted.
  bool acceptVoteLocked(const ObserverEntry& observer, const webserver::http_request* request,
                        int& question, int& subQuestion, std::vector<int>& votes,
                        std::string& text);

  // --- fixed at construction
  const VoteCallback voteCallback;
  const std::wstring programFolder;
  const std::chrono::milliseconds pollTimeout;
  const std::chrono::milliseconds endGrace;

  // --- guarded by stateMutex (the counters change only under it; they are read anywhere)
  std::mutex stateMutex;
  OnlineMessage current;
  OnlineMessage openQuestion;                     // qIndex -1 while no question was published
  std::chrono::steady_clock::time_point endedAt;  // when the end was published
  std::set<std::pair<std::string, int>> voted;    // (user id, sub-question) of the open question
  std::set<std::string> voters;                   // user ids who answered all its sub-questions
  const connections::VariableMemPtr<int> stateCounter = connections::makeVariableMem(0);
  const connections::VariableMemPtr<int> observerCounter = connections::makeVariableMem(0);
  const connections::VariableMemPtr<int> voteCounter = connections::makeVariableMem(0);
  // Set when the server is about to stop: waiting polls answer at once.
  const connections::VariableMemPtr<bool> stopping = connections::makeVariableMem(false);

  std::atomic<int> pollsWaiting{0};
  std::atomic<long long> votesAccepted{0};

  // --- guarded by observersMutex
  std::mutex observersMutex;
  std::map<std::string, ObserverEntry> observers;  // by user id; grows only
  std::set<std::wstring> lowerCaseNames;           // the registered names, lower-cased

  // Last, so that it is built when everything its handler uses exists. Owner's thread.
  webserver server;
};
