// The observers' page in a real browser: headless Chromium, driven by Selenium, registers on the
// page served by the real server and answers a DSIS, a DSCQS and a custom question while this
// program publishes the test's messages; the votes the state receives equal the answers given,
// and every text of the protocol appears on the page as it was sent.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "browser_script.h"
#include "online_fixture.h"
#include "support/json_text.h"
#include "support/loopback_http.h"
#include "support/run_command.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
using Brindle::JSON;

std::vector<std::string> strings(const JSON& list) {
  std::vector<std::string> out;
  for (const JSON& item : list.elements()) out.push_back(item.getString());
  return out;
}

// What the page shows of one sub-question.
struct Shown {
  std::string text;
  std::vector<std::string> labels;
  std::vector<std::string> columns;
  int textareas;
  bool operator==(const Shown&) const = default;
  friend void PrintTo(const Shown& s, std::ostream* out) {
    *out << "{" << testing::PrintToString(s.text) << ", " << testing::PrintToString(s.labels)
         << ", " << testing::PrintToString(s.columns) << ", " << s.textareas << "}";
  }
};

std::vector<Shown> shown(JSON report) {
  std::vector<Shown> out;
  for (const JSON& sub : report.at("subs").elements()) {
    JSON s = sub;
    out.push_back({s.at("text").getString(), strings(s.at("labels")), strings(s.at("columns")),
                   static_cast<int>(s.at("textareas").getInteger())});
  }
  return out;
}

OnlineMessage question(int qIndex, std::vector<OnlineQuestion> questions) {
  OnlineMessage message;
  message.type = OnlineMessage::Question;
  message.qIndex = qIndex;
  message.questions = std::move(questions);
  return message;
}

const std::vector<std::wstring> kDsis = {L"Imperceptible", L"Perceptible, but not annoying",
                                         L"Slightly annoying", L"Annoying", L"Very annoying"};
const std::vector<std::wstring> kDscqs = {L"Excellent", L"Good", L"Fair", L"Poor", L"Bad"};

std::vector<std::string> utf8(const std::vector<std::wstring>& texts) {
  std::vector<std::string> out;
  for (const std::wstring& t : texts) out.push_back(toUtf8(t));
  return out;
}

void expectVote(const OnlineVote& vote, int question, int subQuestion, std::vector<int> votes,
                const std::string& text) {
  EXPECT_EQ(vote.question, question);
  EXPECT_EQ(vote.subQuestion, subQuestion);
  EXPECT_EQ(vote.name, L"Ann");
  EXPECT_EQ(vote.votes, votes);
  EXPECT_EQ(vote.text, text);
}

TEST(OnlineBrowser, AnObserverFollowsATestInChromium) {
  vixo_test::TempFolder folder;
  // Short polls: the page sees the same message again and again and must keep what the
  // observer has chosen and typed.
  vixo_test::OnlineServer server(VIXO_PAGE_FOLDER, 300ms);
  ASSERT_TRUE(server.started);
  // Someone else took "Bob" already.
  int status = 0;
  vixo_test::runCommand("curl -sS --max-time 20 --data name=Bob " + server.url("/reg"), status);
  ASSERT_EQ(status, 0);

  const std::string screenshots = getenv("VIXO_SCREENSHOTS") ? getenv("VIXO_SCREENSHOTS") : "";
  vixo_test::BrowserScript ann(VIXO_BROWSER_SCRIPT,
                               {server.url(""), folder / "profile", screenshots}, folder);
  JSON hello = ann.next("hello");
  EXPECT_EQ(hello.at("url").getString(), server.url("/static/index.html"));
  EXPECT_EQ(hello.at("welcome").getWString(), vixo_test::kWelcome);
  EXPECT_EQ(hello.at("prompt").getWString(), vixo_test::kNamePrompt);

  JSON registered = ann.next("registered");
  EXPECT_EQ(registered.at("refusal").getString(), "This name already in use");
  EXPECT_EQ(registered.at("text").getWString(), vixo_test::kRegistered);
  EXPECT_EQ(server.state->observerCount()->get(), 2);

  OnlineMessage text;
  text.type = OnlineMessage::Text;
  text.text = L"Attention to the screen";
  server.state->publish(text);
  EXPECT_EQ(ann.next("text").at("text").getString(), "Attention to the screen");

  const std::string sent = "Your answer has been sent. You may change it until the next question.";
  server.state->publish(question(
      0, {{L"Please, vote on the impared video, keeping in mind the reference one", kDsis, 0}}));
  JSON dsis = ann.next("dsis");
  EXPECT_EQ(
      shown(dsis),
      (std::vector<Shown>{{"Please, vote on the impared video, keeping in mind the reference one",
                           utf8(kDsis),
                           {},
                           0}}));
  EXPECT_EQ(dsis.at("status").getString(), sent);
  ASSERT_TRUE(server.log.waitForCount(1));
  expectVote(server.log.votes()[0], 0, 0, {3}, "");

  server.state->publish(question(1, {{L"Please, vote on both videos", kDscqs, 2}}));
  JSON dscqs = ann.next("dscqs");
  std::vector<std::string> twice = utf8(kDscqs);
  twice.insert(twice.end(), kDscqs.size(), "");
  std::copy(twice.begin(), twice.begin() + 5, twice.begin() + 5);
  EXPECT_EQ(shown(dscqs),
            (std::vector<Shown>{
                {"Please, vote on both videos", twice, {"First video", "Second video"}, 0}}));
  ASSERT_TRUE(server.log.waitForCount(2));
  expectVote(server.log.votes()[1], 1, 0, {0, 4}, "");

  server.state->publish(question(
      2, {{L"Which one is \"sharper\"?\nLook closely", {L"Left", L"Right"}, 0}, {L"Why?", {}, 3}}));
  JSON custom = ann.next("custom");
  EXPECT_EQ(
      shown(custom),
      (std::vector<Shown>{{"Which one is \"sharper\"?\nLook closely", {"Left", "Right"}, {}, 0},
                          {"Why?", {}, {}, 1}}));
  EXPECT_EQ(custom.at("incomplete").getString(), "Please answer every question.");
  EXPECT_EQ(custom.at("status").getString(), sent);
  ASSERT_TRUE(server.log.waitForCount(4));
  expectVote(server.log.votes()[2], 2, 0, {1}, "");
  expectVote(server.log.votes()[3], 2, 1, {}, "Too dark");
  EXPECT_EQ(server.state->voteCount()->get(), 1);

  // The end of the state is the end of the test for the browser.
  server.state.reset();
  EXPECT_EQ(ann.next("term").at("text").getString(), "Test is terminated\nGood bye");
  EXPECT_EQ(ann.finish(), 0) << ann.stderrText();
  EXPECT_EQ(server.log.votes().size(), 4u);
}

// The refusals of a registration as the page shows them: a name longer than the page's field
// takes, and one more observer than the test takes; the end of the test still reaches the page.
TEST(OnlineBrowser, ThePageShowsWhyARegistrationIsRefused) {
  vixo_test::TempFolder folder;
  vixo_test::OnlineServer server(VIXO_PAGE_FOLDER, 10s);
  ASSERT_TRUE(server.started);
  constexpr int kCap = static_cast<int>(OnlineTestState::kMaxObservers);
  std::atomic<int> next{0};
  std::vector<std::thread> clients;
  for (int t = 0; t < 8; ++t)
    clients.emplace_back([&] {
      for (int n = next++; n < kCap; n = next++)
        vixo_test::postForm(server.port(), "/reg",
                            vixo_test::formBody({{"name", "Observer " + std::to_string(n)}}));
    });
  for (std::thread& t : clients) t.join();
  ASSERT_EQ(server.state->observerCount()->get(), kCap);

  vixo_test::BrowserScript zoe(VIXO_REFUSED_SCRIPT, {server.url(""), folder / "profile", "Zoe"},
                               folder);
  JSON refused = zoe.next("refused");
  EXPECT_EQ(refused.at("too_long").getString(), "Name too long (at most 200 characters)");
  EXPECT_EQ(refused.at("full").getString(), "Too many observers (at most 1000)");
  server.state->endTest();
  EXPECT_EQ(zoe.next("term").at("text").getString(), "Test is terminated\nGood bye");
  EXPECT_EQ(zoe.finish(), 0) << zoe.stderrText();
}

}  // namespace
