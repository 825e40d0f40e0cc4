// An online pass with 200 observers, each an HTTP client on loopback with a thread and a client
// address of its own (127.1.x.y, as observers on their own machines),
// as the observers' page behaves: it registers, long-polls for the next message and votes on
// every question once it sees it. The online player runs a DSIS pass of three questions on its
// full-screen window; the operator's control panel is worked as an operator would (start the
// test once everyone is registered, go on from the instructions) and each voting stage ends by
// itself once every observer has voted.
//
// Counters, over every pass: the median, p99 and max time from a vote's request to its record
// by the play's recorder on the GUI thread (milliseconds); "votes_lost": votes the server
// accepted that were not recorded, or recorded with another mark; "votes_recorded_twice";
// "votes_refused": votes answered false; "requests_failed": requests without a whole reply
// during the pass; "end_missed": observers whose poll was on its way when the server stopped at
// the end of the pass, so that they did not see "term". Run it under a virtual X server, e.g.
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/release/bench/bench_online
#include <benchmark/benchmark.h>
#include <wx/timer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "avifile/avi_system.h"
#include "avifile/json.h"
#include "avifile/json_parser.h"
#include "common/event_loop_wait.h"
#include "common/prompt.h"
#include "player/network_control_panel.h"
#include "player/player_online.h"
#include "results/result_store.h"
#include "support/loopback_http.h"
#include "support/temp_folder.h"
#include "support/test_video.h"
#include "task/answer_getter.h"
#include "task/play.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace {

using Clock = std::chrono::steady_clock;
using vixo_test::formBody;
using vixo_test::postForm;

constexpr int kObservers = 200;
constexpr int kFiles = 4;  // a reference and three test videos: three questions

// What the observers sent and what the player recorded, from every thread.
class VoteBook {
 public:
  void sent(int observer, int question, Clock::time_point at) {
    std::lock_guard<std::mutex> lock(mutex);
    sentAt[{observer, question}] = at;
  }
  void recorded(int observer, int question, int mark, Clock::time_point at) {
    std::lock_guard<std::mutex> lock(mutex);
    records.push_back({observer, question, mark, at});
  }

  struct Record {
    int observer, question, mark;
    Clock::time_point at;
  };
  std::mutex mutex;
  std::map<std::pair<int, int>, Clock::time_point> sentAt;
  std::vector<Record> records;
  std::atomic<int> accepted{0};
  std::atomic<int> refused{0};
  std::atomic<int> failed{0};
  std::atomic<bool> ending{false};  // the pass is over and the server stops
  std::atomic<int> endMissed{0};
};

// The play's recorder, noting when each mark has been recorded.
class TimedRecorder : public AnswerGetter<int> {
 public:
  TimedRecorder(std::shared_ptr<AnswerGetterBase> recorder, VoteBook& book)
      : recorder(std::move(recorder)), book(book) {
    protocol = this->recorder->protocol;
    results = this->recorder->results;
  }
  void setAnswer(int question, const std::wstring& expert, const int& mark) override {
    if (auto* marks = dynamic_cast<AnswerGetter<int>*>(recorder.get()))
      marks->setAnswer(question, expert, mark);
    // "Observer N"
    book.recorded(std::stoi(toUtf8(expert).substr(9)), question, mark, Clock::now());
  }

 private:
  std::shared_ptr<AnswerGetterBase> recorder;
  VoteBook& book;
};

// The label index observer n chooses; its DSIS mark is 5 - index.
int choiceOf(int observer) { return observer % 5; }

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
// The JSON object of a reply; throws when it is none.
Brindle::JSON replyObject(const vixo_test::HttpReply& reply) {
  if (reply.status != 200) throw std::runtime_error("no reply");
  std::istringstream in(reply.body);
  return Brindle::JSONparser::parse(in);
}

// One observer on a machine of its own: registers, then follows the messages until the end of
// the test.
void follow(int port, int n, VoteBook& book) {
  const std::string address = vixo_test::observerAddress(n);
  const auto post = [&](const std::string& path,
                        const std::vector<std::pair<std::string, std::string>>& fields) {
    return postForm(port, path, formBody(fields), std::chrono::seconds(30), address);
  };
  Brindle::JSON answer = replyObject(post("/reg", {{"name", "Observer " + std::to_string(n)}}));
  if (!answer.at("success").getBool()) throw std::runtime_error("not registered");
  const std::string key = answer.at("key").getString();
  long long state = -1;
  long long answeredState = -1;
  for (;;) {
    Brindle::JSON message =
        replyObject(post("/poll", {{"userid", key}, {"prevState", std::to_string(state)}}));
    state = message.at("state").getInteger();
    const std::string type = message.at("type").getString();
    if (type == "term") return;
    if (type != "question" || state == answeredState) continue;
    answeredState = state;
    const int question = static_cast<int>(message.at("qid").getInteger());
    book.sent(n, question, Clock::now());
    const vixo_test::HttpReply vote = post("/vote", {{"userid", key},
                                                     {"qid", std::to_string(question)},
                                                     {"qi", "0"},
                                                     {"votes[]", std::to_string(choiceOf(n))}});
    if (vote.status != 200)
      ++book.failed;
    else if (vote.body == "true")
      ++book.accepted;
    else
      ++book.refused;
  }
}

void observe(int port, int n, VoteBook& book) {
  try {
    follow(port, n, book);
  } catch (const std::exception&) {
    // A request without a whole reply, or a reply that is not the protocol's. A poll sent
    // again while the server stops at the end of the pass misses the end of the test.
    ++(book.ending ? book.endMissed : book.failed);
  }
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * values.size()))];
}

void BM_OnlinePass200Observers(benchmark::State& state) {
  vixo_test::TempFolder folder;
  Task task;
  task.name = L"Bench task";
  for (int i = 0; i < kFiles; ++i) {
    const std::string path = folder / ("f" + std::to_string(i) + ".mkv");
    vixo_test::VideoSpec spec;
    spec.width = 32;
    spec.height = 24;
    spec.frames = 3;
    if (!vixo_test::writeVideo(path, spec).empty()) {
      state.SkipWithError("the test videos could not be written");
      return;
    }
    task.files.push_back({L"f" + std::to_wstring(i), fromUtf8(path), 1});
  }
  task.references = {0};
  task.properties["method"] = makeStringValue("DSIS");
  task.properties["trainingQuestions"] = Any::of(0LL);
  task.properties["shuffleSources"] = Any::of(false);
  task.properties["relativePaths"] = Any::of(false);
  task.properties["network"] = Any::of(true);
  task.properties["networkMaxTime"] = Any::of(0LL);  // a stage ends once everyone has voted
  // The end of the pass asks where the results are; nobody answers here.
  vixo::setPromptAnswerer(
      [](const vixo::Prompt& p) { return p.style & wxYES_NO ? wxID_NO : wxID_OK; });

  std::vector<double> delays;
  int questions = 0, lost = 0, twice = 0, refused = 0, failed = 0, endMissed = 0;
  for (auto _ : state) {
    VoteBook book;
    const int port = vixo_test::freeLoopbackPort();
    auto player = std::make_unique<PlayerOnline>();
    auto made = task.method()->createPlay(PlayContext(LoadedTask(task, L""), player.get(),
                                                      L"Operator", "127.0.0.1", port, true, false));
    if (!made) {
      state.SkipWithError("the play could not be made");
      break;
    }
    std::shared_ptr<VIXOplay> play = made;
    play->recorder = std::make_shared<TimedRecorder>(play->recorder, book);
    ResultStore store(play);
    std::vector<std::thread> observers;
    PlayerOnline* const online = player.get();
    vixo::setModalAnswerer([&](wxDialog& shown) {
      auto* panel = dynamic_cast<NetworkControlPanel*>(&shown);
      if (!panel) return;
      if (panel->stageText == "Waiting connections") {
        for (int n = 0; n < kObservers; ++n)
          observers.emplace_back(observe, port, n, std::ref(book));
        // Everyone, or as many as registered within a minute.
        auto late = connections::makeVariableMem(false);
        wxTimer limit;
        limit.Bind(wxEVT_TIMER, [late](wxTimerEvent&) { late->set(true); });
        limit.StartOnce(60'000);
        connections::runEventLoopUntil(
            (online->onlineState->observerCount() >= connections::makeConstant(kObservers)) ||
            late);
        panel->endStage();
      } else if (panel->stageText == "Viewing instructions") {
        panel->endStage();
      } else {
        ++questions;  // the stage ends by itself once everyone has voted
      }
    });
    player->runPass(store);
    book.ending = true;
    player.reset();  // the observers see the end of the test
    for (std::thread& t : observers) t.join();
    vixo::setModalAnswerer({});

    // Each accepted vote recorded once, with its observer's mark.
    std::set<std::pair<int, int>> recorded;
    for (const VoteBook::Record& r : book.records) {
      auto sent = book.sentAt.find({r.observer, r.question});
      if (sent == book.sentAt.end() || r.mark != 5 - choiceOf(r.observer)) continue;
      if (!recorded.insert({r.observer, r.question}).second) {
        ++twice;
        continue;
      }
      delays.push_back(ms(r.at - sent->second));
    }
    lost += book.accepted - static_cast<int>(recorded.size());
    refused += book.refused;
    failed += book.failed;
    endMissed += book.endMissed;
  }
  state.counters["questions"] = questions;
  state.counters["votes_accepted"] = static_cast<double>(delays.size()) + lost;
  state.counters["votes_lost"] = lost;
  state.counters["votes_recorded_twice"] = twice;
  state.counters["votes_refused"] = refused;
  state.counters["requests_failed"] = failed;
  state.counters["end_missed"] = endMissed;
  state.counters["vote_to_record_median_ms"] = percentile(delays, 0.5);
  state.counters["vote_to_record_p99_ms"] = percentile(delays, 0.99);
  state.counters["vote_to_record_max_ms"] = percentile(delays, 1.0);
  vixo::setPromptAnswerer({});
}
BENCHMARK(BM_OnlinePass200Observers)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
