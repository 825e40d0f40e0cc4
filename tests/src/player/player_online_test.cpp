// Whole online passes of every method on the full-screen window, with clips written at test
// time: observers register, poll and vote over HTTP on loopback while the online player runs
// its control panel stage by stage. What the browsers are shown at each stage, byte for byte,
// the marks each method records, "Repeat last video", the link and its QR code read back from
// the screen, and the failures at the start of a pass.
#include "player/player_online.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/statbmp.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "avifile/json_parser.h"
#include "player/network_control_panel.h"
#include "results/archive_import.h"
#include "src/player/browser_script.h"
#include "src/player/player_fixture.h"
#include "support/json_text.h"
#include "support/loopback_http.h"
#include "support/run_command.h"
#include "support/screenshot.h"

namespace {

using namespace vixo_test;
using Brindle::JSON;

// A click of the panel's button, as the toolkit delivers it.
void press(wxButton* button) {
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

// The observers' side: registration, polls and votes, each a POST of form fields.
class Observers {
 public:
  explicit Observers(int port) : port(port) {}

  // The registration's key; empty when it was refused.
  std::string enrol(const std::string& name) {
    const HttpReply reply = postForm(port, "/reg", formBody({{"name", name}}));
    EXPECT_EQ(reply.status, 200) << name;
    JSON answer = parseText(reply.body);
    if (!answer.at("success").getBool()) return {};
    keys[name] = answer.at("key").getString();
    return keys[name];
  }
  // What the observer's browser is shown now (the whole reply of a poll that answers at once).
  std::string poll(const std::string& name = "") {
    std::vector<std::pair<std::string, std::string>> fields = {{"prevState", "-1"}};
    if (!name.empty()) fields.emplace_back("userid", keys.at(name));
    return postForm(port, "/poll", formBody(fields)).body;
  }
  // A long poll that waits for the message after `state`.
  std::future<std::string> pollAfter(const std::string& name, int state) {
    return std::async(std::launch::async, [this, key = keys.at(name), state] {
      return postForm(port, "/poll",
                      formBody({{"userid", key}, {"prevState", std::to_string(state)}}))
          .body;
    });
  }
  // Sends the fields (besides "userid", "qid" of the open question and "qi"); the reply.
  std::string vote(const std::string& name, int subQuestion,
                   std::vector<std::pair<std::string, std::string>> fields) {
    JSON shown = parseText(poll(name));
    fields.insert(fields.begin(), {{"userid", keys.at(name)},
                                   {"qid", std::to_string(shown.at("qid").getInteger())},
                                   {"qi", std::to_string(subQuestion)}});
    return postForm(port, "/vote", formBody(fields)).body;
  }

  const int port;
  std::map<std::string, std::string> keys;
};

// One answer event of a protocol: expert, then the answers or the text.
std::vector<std::string> answerEvents(const JSON& protocol) {
  std::vector<std::string> out;
  for (JSON event : protocol.elements()) {
    if (event.at("type").getString() != "answer") continue;
    JSON data = event.at("data");
    std::string line = data.at("expert").getString() + ":";
    if (data.has("answers"))
      for (const JSON& a : data.at("answers").elements())
        line += " " + std::to_string(a.getInteger());
    if (data.has("text")) line += " \"" + data.at("text").getString() + "\"";
    out.push_back(line);
  }
  return out;
}

const char kDsisQuestion[] =
    R"({"text" : "Please, vote on the impared video, keeping in mind the reference one",)"
    R"("type" : 0,"vars" : ["Imperceptible","Perceptible, but not annoying",)"
    R"("Slightly annoying","Annoying","Very annoying"]})";
const char kAttention[] =
    R"({"type" : "text","success" : true,"text" : "Attention to the screen",)";

class OnlinePassTest : public PlayerTest {
 protected:
  OnlinePassTest() {
    guard.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { guardCheck(); });
    prompts.answer = [this](const vixo::Prompt& p) -> int {
      if (p.caption == "No connections") return noConnectionsAnswer;
      return (p.style & wxYES_NO) ? wxID_NO : wxID_OK;
    };
  }

  void TearDown() override {
    guard.Stop();
    player.reset();
    PlayerTest::TearDown();
  }

  Task makeTask(const std::string& method, int files, bool reference,
                const PropertyMap& extra = {}) {
    Task task;
    task.name = L"Lab task";
    for (int i = 0; i < files; ++i)
      task.files.push_back({L"f" + std::to_wstring(i), clips.clip(i), 1});
    if (reference) task.references = {0};
    task.properties["method"] = makeStringValue(method);
    task.properties["trainingQuestions"] = Any::of(0LL);
    task.properties["shuffleSources"] = Any::of(false);
    task.properties["relativePaths"] = Any::of(false);
    task.properties["network"] = Any::of(true);
    // The voting stage ends once everyone has voted.
    task.properties["networkMaxTime"] = Any::of(0LL);
    for (const auto& [key, value] : extra) task.properties[key] = value;
    return task;
  }

  // Runs a pass of the task on a new online player at the port (a free one by default); every run
  // of the control panel calls `stage` inside its modal loop, and the stage ends when the observers
  // have voted or the script pressed a button.
  // The pass writes its files beside `taskPath`, when one is given.
  void runPass(const Task& task, std::function<void(NetworkControlPanel&)> stage, int onPort = 0,
               const std::wstring& taskPath = L"") {
    port = onPort ? onPort : freeLoopbackPort();
    observers = std::make_unique<Observers>(port);
    player = std::make_unique<PlayerOnline>();
    player->onlineOptions.programFolder = fromUtf8(VIXO_PAGE_FOLDER) + L"/";
    auto made = task.method()->createPlay(PlayContext(LoadedTask(task, taskPath), player.get(),
                                                      L"Operator", "127.0.0.1", port, true, false));
    ASSERT_TRUE(made);
    play = made;
    store = ResultStore(play);
    vixo::setModalAnswerer([this, stage](wxDialog& shown) {
      auto* panel = dynamic_cast<NetworkControlPanel*>(&shown);
      if (!panel) return;
      stage(*panel);
      // A stage that should have ended and did not fails the test instead of hanging it.
      const int run = ++stageRuns;
      guardCheck = [this, panel, run] {
        if (run != stageRuns || !player || player->controlPanel != panel || panel->stageEnded)
          return;
        ADD_FAILURE() << "the stage \"" << panel->stageText << "\" did not end";
        press(panel->proceedButton);
      };
      guard.StartOnce(20000);
    });
    player->runPass(store);
    guard.Stop();
  }

  // The stage and what the first observer's browser shows, for each stage.
  void logStage(NetworkControlPanel& panel, const std::string& who) {
    stages.push_back(panel.stageText.ToStdString() + " | " + observers->poll(who));
  }

  // Registers the observers, then starts the test.
  void enrolAndStart(NetworkControlPanel& panel, const std::vector<std::string>& names) {
    for (const std::string& name : names) EXPECT_FALSE(observers->enrol(name).empty()) << name;
    press(panel.proceedButton);
  }

  Clips clips;
  PromptLog prompts;
  int noConnectionsAnswer = wxID_YES;
  int port = 0;
  std::unique_ptr<Observers> observers;
  std::unique_ptr<PlayerOnline> player;
  std::shared_ptr<VIXOplay> play;
  ResultStore store;
  std::vector<std::string> stages;
  wxTimer guard;
  std::function<void()> guardCheck = [] {};
  int stageRuns = 0;
};

TEST_F(OnlinePassTest, DsisPassShowsEachStageAndRecordsEveryObserversMark) {
  std::future<std::string> last;
  runPass(makeTask("DSIS", 2, true), [&](NetworkControlPanel& panel) {
    const std::string stage = panel.stageText.ToStdString();
    if (stage == "Waiting connections") {
      // Before registering, a browser is greeted with the test's name.
      stages.push_back(stage + " | " + observers->poll());
      enrolAndStart(panel, {"Ann", "Bob"});
    } else if (stage == "Viewing instructions") {
      logStage(panel, "Ann");
      press(panel.proceedButton);
    } else {
      logStage(panel, "Ann");
      EXPECT_EQ(panel.votesLabel->GetLabel(), "0/2");
      // Ann's answer is the best, Bob's the worst; Bob changes his mind once.
      EXPECT_EQ(observers->vote("Ann", 0, {{"votes[]", "0"}}), "true");
      EXPECT_EQ(observers->vote("Bob", 0, {{"votes[]", "3"}}), "true");
      EXPECT_EQ(observers->vote("Bob", 0, {{"votes[]", "4"}}), "true");
      last = observers->pollAfter("Ann", 3);
    }
  });
  EXPECT_EQ(stages, (std::vector<std::string>{
                        "Waiting connections | "
                        R"({"type" : "hello","text" : "Welcome to test Lab task",)"
                        R"("qtext" : "Please, enter your name","state" : 0})",
                        std::string("Viewing instructions | ") + kAttention + R"("state" : 1})",
                        std::string("Viewing instructions | ") + kAttention + R"("state" : 2})",
                        std::string(R"(Voting | {"type" : "question","qid" : 0,"qs" : [)") +
                            kDsisQuestion + R"(],"state" : 3})",
                    }));
  EXPECT_EQ(answerEvents(play->protocol), (std::vector<std::string>{"Ann: 5", "Bob: 2", "Bob: 1"}));
  EXPECT_EQ(play->context.results.singles,
            (std::map<SingleAnswerKey, float>{{{L"Ann", L"1", L"f1"}, 1.0f},
                                              {{L"Bob", L"1", L"f1"}, 0.0f}}));
  EXPECT_EQ(prompts.captions(), (std::vector<wxString>{"Task finished"}));

  // The browsers see the end of the test as soon as the pass ends.
  ASSERT_TRUE(last.valid());
  EXPECT_EQ(last.get(), R"({"type" : "term","text" : "Test is terminated\nGood bye","state" : 4})");
}

// Observers may change a vote until the pass ends: every change the server answers "true" is in
// the protocol, the result file and the archive, and once the pass ends the server refuses the
// changes and the pages show the end while "Task finished" is open.
TEST_F(OnlinePassTest, EveryConfirmedVoteIsInThePassFiles) {
  TempFolder folder;
  const std::wstring taskPath = fromUtf8(folder / "task.vixo");
  std::mutex mutex;
  std::vector<std::pair<int, std::string>> replies;  // (label index, reply) of Ann's votes
  const auto refusals = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return std::count_if(replies.begin(), replies.end(),
                         [](const auto& r) { return r.second != "true"; });
  };
  std::atomic<bool> stop{false};
  std::thread changes;
  std::string shownAtEnd;
  bool refusedAtEnd = false;
  prompts.answer = [&](const vixo::Prompt& p) -> int {
    if (p.caption == "Task finished") {
      shownAtEnd = observers->poll("Ann");
      const auto deadline = std::chrono::steady_clock::now() + 10s;
      while (refusals() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
      refusedAtEnd = refusals() > 0;
    }
    return (p.style & wxYES_NO) ? wxID_NO : wxID_OK;
  };
  runPass(
      makeTask("DSIS", 2, true),
      [&](NetworkControlPanel& panel) {
        const std::string stage = panel.stageText.ToStdString();
        if (stage == "Waiting connections") return enrolAndStart(panel, {"Ann"});
        if (stage == "Viewing instructions") return press(panel.proceedButton);
        // Ann's first answer ends the stage; she goes on changing it through the end.
        changes = std::thread([&, key = observers->keys.at("Ann")] {
          for (int i = 0; !stop; ++i) {
            const int index = i % 5;
            const std::string reply = postForm(port, "/vote",
                                               formBody({{"userid", key},
                                                         {"qid", "0"},
                                                         {"qi", "0"},
                                                         {"votes[]", std::to_string(index)}}))
                                          .body;
            std::lock_guard<std::mutex> lock(mutex);
            replies.emplace_back(index, reply);
            if (i % 4 == 3) std::this_thread::sleep_for(2ms);
          }
        });
      },
      0, taskPath);
  stop = true;
  if (changes.joinable()) changes.join();

  EXPECT_EQ(shownAtEnd, R"({"type" : "term","text" : "Test is terminated\nGood bye","state" : 4})");
  EXPECT_TRUE(refusedAtEnd);
  // Confirmed until the end, refused from then on.
  std::vector<std::string> confirmed;
  int lastIndex = -1;
  bool refused = false;
  for (const auto& [index, reply] : replies) {
    refused |= reply != "true";
    EXPECT_EQ(reply, refused ? "false" : "true");
    if (refused) continue;
    confirmed.push_back("Ann: " + std::to_string(5 - index));
    lastIndex = index;
  }
  ASSERT_GE(lastIndex, 0);

  const auto readJson = [](const std::wstring& path) {
    std::ifstream in(toUtf8(path), std::ios::binary);
    return Brindle::JSONparser::parse(in);
  };
  JSON protocol = readJson(store.protocolPath());
  EXPECT_EQ(answerEvents(protocol.at("protocol")), confirmed);
  JSON archive = readJson(store.archivePath());
  EXPECT_EQ(answerEvents(archive.at("protocol").at("protocol")), confirmed);
  const TestResults results = readResultFile(taskPath, play->context.passId);
  const std::map<SingleAnswerKey, float> last = {{{L"Ann", L"1", L"f1"}, (4 - lastIndex) / 4.0f}};
  EXPECT_EQ(results.singles, last);
  EXPECT_EQ(archive.at("results").toString(0), results.toJson().toString(0));
}

// The question each method publishes, the answers sent to it and what its recorder received.
TEST_F(OnlinePassTest, EveryMethodRecordsTheMarksOfItsLabels) {
  using Fields = std::vector<std::pair<std::string, std::string>>;
  struct Row {
    const char* method;
    int files;
    bool reference;
    PropertyMap extra;
    std::string question;  // the "qs" of the question message
    // Per observer, per sub-question: the vote fields.
    std::vector<std::tuple<std::string, int, Fields>> votes;
    std::vector<std::string> recorded;
  };
  const std::string scacjLabels =
      R"("vars" : ["Left is much better","Left is better","Left is slightly better",)"
      R"("Same quality","Right is slightly better","Right is better","Right is much better"]})";
  PropertyMap scale3;
  scale3["scacjScale"] = makeStringValue("-3..3 scale");
  PropertyMap binary;
  binary["scacjScale"] = makeStringValue("binary scale");
  PropertyMap custom;
  custom["customQuestion"] =
      makeStringValue("[[look]] How does it look?\n1 bad\n5 good\n\nAnything else?\n");
  custom["customQuestionType"] = makeStringValue("One video");
  const Row rows[] = {
      {"DSIS",
       2,
       true,
       {},
       std::string("[") + kDsisQuestion + "]",
       {{"Ann", 0, {{"votes[]", "1"}}}, {"Bob", 0, {{"votes[]", "2"}}}},
       {"Ann: 4", "Bob: 3"}},
      {"SCACJ",
       2,
       false,
       scale3,
       R"([{"text" : "Please, choose better image","type" : 0,)" + scacjLabels + "]",
       {{"Ann", 0, {{"votes[]", "0"}}}, {"Bob", 0, {{"votes[]", "6"}}}},
       {"Ann: -3", "Bob: 3"}},
      {"SCACJ",
       2,
       false,
       binary,
       R"([{"text" : "Please, choose better image","type" : 0,)"
       R"("vars" : ["Left is better","Same quality","Right is better"]}])",
       {{"Ann", 0, {{"votes[]", "0"}}},
        {"Bob", 0, {{"votes[]", "1"}}},
        {"Cy", 0, {{"votes[]", "2"}}}},
       {"Ann: -1", "Bob: 0", "Cy: 1"}},
      {"DSCQS II",
       2,
       true,
       {},
       R"([{"text" : "Please, vote on both videos","type" : 2,)"
       R"("vars" : ["Excellent","Good","Fair","Poor","Bad"]}])",
       {{"Ann", 0, {{"votes[]", "0"}, {"votes[]", "4"}}},
        {"Bob", 0, {{"votes[]", "2"}, {"votes[]", "1"}}}},
       // Marks of 0..100, "Excellent" 100 .. "Bad" 0.
       {"Ann: 100 0", "Bob: 50 75"}},
      {"Custom",
       1,
       false,
       custom,
       R"([{"text" : "How does it look?","type" : 0,"vars" : ["bad","good"]},)"
       R"({"text" : "Anything else?","type" : 3,"vars" : []}])",
       {{"Ann", 0, {{"votes[]", "1"}}},
        {"Ann", 1, {{"text", "Too dark"}}},
        {"Bob", 1, {{"text", "fine"}}},
        {"Bob", 0, {{"votes[]", "0"}}}},
       {"Ann: 1", "Ann: \"Too dark\"", "Bob: \"fine\"", "Bob: 0"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    std::set<std::string> names;
    for (const auto& vote : row.votes) names.insert(std::get<0>(vote));
    std::vector<std::string> shown;
    runPass(makeTask(row.method, row.files, row.reference, row.extra),
            [&](NetworkControlPanel& panel) {
              const std::string stage = panel.stageText.ToStdString();
              if (stage == "Waiting connections") {
                enrolAndStart(panel, {names.begin(), names.end()});
              } else if (stage == "Viewing instructions") {
                press(panel.proceedButton);
              } else {
                JSON question = parseText(observers->poll(*names.begin()));
                shown.push_back(question.at("qs").toString(0));
                for (const auto& [name, sub, fields] : row.votes)
                  EXPECT_EQ(observers->vote(name, sub, fields), "true") << name;
              }
            });
    EXPECT_EQ(shown, std::vector<std::string>{row.question});
    EXPECT_EQ(answerEvents(play->protocol), row.recorded);
  }

  // DSCQS values are taken from the marks: Ann rated the test video worst against the best
  // reference, (0 - 100 + 100) / 200.
  runPass(makeTask("DSCQS II", 2, true), [&](NetworkControlPanel& panel) {
    if (panel.stageText == "Waiting connections") return enrolAndStart(panel, {"Ann"});
    if (panel.stageText == "Viewing instructions") return press(panel.proceedButton);
    EXPECT_EQ(observers->vote("Ann", 0, {{"votes[]", "4"}, {"votes[]", "0"}}), "true");
  });
  ASSERT_EQ(play->context.results.singles.size(), 1u);
  const float value = play->context.results.singles.begin()->second;
  EXPECT_TRUE(value == 0.0f || value == 1.0f) << value;  // the sides are drawn
}

TEST_F(OnlinePassTest, RepeatLastVideoAsksTheQuestionAgain) {
  int votingStages = 0;
  // A minimum time keeps the stage open for the operator after the vote.
  PropertyMap minimum;
  minimum["networkMaxTime"] = Any::of(100LL);
  runPass(makeTask("DSIS", 2, true, minimum), [&](NetworkControlPanel& panel) {
    const std::string stage = panel.stageText.ToStdString();
    if (stage == "Waiting connections") return enrolAndStart(panel, {"Ann"});
    logStage(panel, "Ann");
    if (stage == "Viewing instructions") return press(panel.proceedButton);
    EXPECT_EQ(observers->vote("Ann", 0, {{"votes[]", std::to_string(2 * votingStages)}}), "true");
    press(++votingStages == 1 ? panel.repeatVideoButton : panel.proceedButton);
  });
  EXPECT_EQ(votingStages, 2);
  std::vector<std::string> kinds;
  for (const std::string& s : stages) kinds.push_back(s.substr(0, s.find(" | ")));
  EXPECT_EQ(kinds,
            (std::vector<std::string>{"Viewing instructions", "Viewing instructions", "Voting",
                                      "Viewing instructions", "Viewing instructions", "Voting"}));
  // The same question index both times, in a new message.
  EXPECT_NE(stages[2].find(R"("qid" : 0,)"), std::string::npos);
  EXPECT_NE(stages[5].find(R"("qid" : 0,)"), std::string::npos);
  EXPECT_NE(stages[5].find(R"("state" : 6})"), std::string::npos) << stages[5];
  EXPECT_EQ(answerEvents(play->protocol), (std::vector<std::string>{"Ann: 5", "Ann: 3"}));
  EXPECT_EQ(play->context.results.singles.begin()->second, 0.5f);
}

// An observer in a real browser: headless Chromium registers on the page and answers every
// question of a whole DSIS pass and then of a whole custom pass; what the passes record equals
// the answers given. The two DSIS questions read the same, so the page must show the second as
// a new question.
TEST_F(OnlinePassTest, AnObserverInChromiumVotesThroughWholePasses) {
  PropertyMap custom;
  custom["customQuestion"] =
      makeStringValue("[[look]] How does it look?\n1 bad\n5 good\n\nAnything else?\n");
  custom["customQuestionType"] = makeStringValue("One video");
  const struct {
    const char* method;
    int files;
    bool reference;
    PropertyMap extra;
    std::string answers;  // per question, per sub-question
    std::vector<std::string> recorded;
    int port;
  } rows[] = {
      {"DSIS", 3, true, {}, "[[0], [4]]", {"Ann: 5", "Ann: 1"}, freeLoopbackPort()},
      {"Custom",
       2,
       false,
       custom,
       R"([[1, "Too dark"], [0, "Fine"]])",
       {"Ann: 1", "Ann: \"Too dark\"", "Ann: 0", "Ann: \"Fine\""},
       freeLoopbackPort()},
  };
  // One browser for both passes: it starts slowly.
  TempFolder folder;
  std::vector<std::string> arguments = {folder / "profile", "Ann"};
  for (const auto& row : rows) {
    arguments.push_back("http://127.0.0.1:" + std::to_string(row.port));
    arguments.push_back(row.answers);
  }
  BrowserScript browser(VIXO_PASS_SCRIPT, arguments, folder);

  for (const auto& row : rows) {
    SCOPED_TRACE(row.method);
    std::vector<std::string> statuses;
    // The page shows the end while the operator still reads where the results are.
    std::string endShown;
    prompts.answer = [&](const vixo::Prompt& p) -> int {
      if (p.caption == "Task finished") endShown = browser.next("term").at("text").getString();
      return (p.style & wxYES_NO) ? wxID_NO : wxID_OK;
    };
    runPass(
        makeTask(row.method, row.files, row.reference, row.extra),
        [&](NetworkControlPanel& panel) {
          const std::string stage = panel.stageText.ToStdString();
          if (stage == "Waiting connections") {
            EXPECT_EQ(browser.next("registered").at("text").getWString(),
                      L"You are registered to test Lab task\nThe test will be started soon");
            press(panel.proceedButton);
          } else if (stage == "Viewing instructions") {
            press(panel.proceedButton);
          } else {
            // The stage ends by itself once the browser's answers are in.
            statuses.push_back(browser.next("question").at("status").getString());
          }
        },
        row.port);
    EXPECT_EQ(statuses.size(), 2u);
    EXPECT_EQ(answerEvents(play->protocol), row.recorded);
    EXPECT_EQ(play->answeredCount(), 2);
    EXPECT_EQ(endShown, "Test is terminated\nGood bye");
    player.reset();
  }
  EXPECT_EQ(browser.finish(), 0) << browser.stderrText();
}

TEST_F(OnlinePassTest, TheScreenShowsTheLinkAndItsQrCode) {
  std::string decoded, panelLink, screenLink;
  runPass(makeTask("DSIS", 2, true), [&](NetworkControlPanel& panel) {
    if (panel.stageText != "Waiting connections") return press(panel.proceedButton);
    panelLink = panel.addressLink->GetLabel().ToStdString();
    EXPECT_EQ(panel.addressLink->GetURL(), panel.addressLink->GetLabel());
    auto* screen = player->fullScreenWnd;
    screenLink = screen->addressLink->GetLabel().ToStdString();
    EXPECT_TRUE(screen->firstImagePicture->IsShown());
    // What the screen shows of the full-screen window, read by a phone's kind of reader.
    const std::string shot = saveScreenshot(screen, "online-link");
    ASSERT_FALSE(shot.empty());
    int status = 0;
    decoded = runCommand("zbarimg --quiet --raw " + shellQuote(shot), status);
    EXPECT_EQ(status, 0);
    press(panel.proceedButton);  // nobody: "No connections" is answered Yes
  });
  const std::string link = "http://127.0.0.1:" + std::to_string(port);
  EXPECT_EQ(decoded, link + "\n");
  EXPECT_EQ(panelLink, link);
  EXPECT_EQ(screenLink, link);
  EXPECT_EQ(player->link(), fromUtf8(link));
  // Without observers the voting stage ends at once and nothing is recorded.
  EXPECT_EQ(answerEvents(play->protocol), std::vector<std::string>{});
  EXPECT_EQ(prompts.captions(), (std::vector<wxString>{"No connections", "Task finished"}));
}

TEST_F(OnlinePassTest, APassThatCannotStartAsksNoQuestion) {
  // "No connections" answered No waits again; closing the panel then stops the pass.
  noConnectionsAnswer = wxID_NO;
  int waits = 0;
  runPass(makeTask("DSIS", 2, true), [&](NetworkControlPanel& panel) {
    EXPECT_EQ(panel.stageText, "Waiting connections");
    if (++waits == 1) return press(panel.proceedButton);
    prompts.answer = [](const vixo::Prompt& p) {
      return p.caption == "Test not finished" ? wxID_YES : wxID_OK;
    };
    EXPECT_TRUE(panel.Close(false));
  });
  EXPECT_EQ(waits, 2);
  EXPECT_EQ(prompts.captions(), (std::vector<wxString>{"No connections", "Test not finished"}));
  EXPECT_TRUE(player->interruptRequested->get());
  EXPECT_EQ(play->answeredCount(), 0);

  // A port taken by another program: the server cannot listen.
  prompts.seen.clear();
  const int taken = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(taken, 1), 0);
  socklen_t size = sizeof address;
  ::getsockname(taken, reinterpret_cast<sockaddr*>(&address), &size);
  const int busy = ntohs(address.sin_port);
  bool panelRan = false;
  player = std::make_unique<PlayerOnline>();
  auto made = makeTask("DSIS", 2, true)
                  .method()
                  ->createPlay(PlayContext(LoadedTask(makeTask("DSIS", 2, true), L""), player.get(),
                                           L"Operator", "127.0.0.1", busy, true, false));
  play = made;
  store = ResultStore(play);
  vixo::setModalAnswerer([&](wxDialog&) { panelRan = true; });
  player->runPass(store);
  ::close(taken);
  EXPECT_FALSE(panelRan);
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].caption, "Server start");
  EXPECT_EQ(prompts.seen[0].text,
            "Can't start server listening\nCheck firewall configure or try another port");
  EXPECT_EQ(prompts.seen[0].parent, nullptr);
  EXPECT_TRUE(prompts.seen[0].style & wxICON_ERROR);
  EXPECT_TRUE(player->interruptRequested->get());
  EXPECT_EQ(play->answeredCount(), 0);
}

}  // namespace
