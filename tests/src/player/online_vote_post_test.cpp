// Votes of browsers reach the GUI thread through a window's posting channel, and only while the
// window is there. Runs under a real X server (Xvfb in the test script).
#include "player/online_vote_post.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/utils.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "avifile/avi_system.h"
#include "common/event_getter.h"
#include "support/gui_pump.h"
#include "support/run_command.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
using vixo_test::shellQuote;

using vixo_test::pumpUntil;

// Sends form fields with curl; the reply's body.
std::string post(int port, const std::string& path, const std::vector<std::string>& fields) {
  std::string command = "curl -sS --max-time 20";
  for (const std::string& field : fields) command += " --data-urlencode " + shellQuote(field);
  int status = 0;
  std::string out = vixo_test::runCommand(
      command + " " + shellQuote("http://127.0.0.1:" + std::to_string(port) + path), status);
  EXPECT_EQ(status, 0);
  return out;
}

class VotePostTest : public testing::Test {
 protected:
  void SetUp() override {
    frame = new wxFrame(nullptr, wxID_ANY, "votes");
    poster = std::make_unique<EventGetter>(frame);
    OnlineTestState::Options options;
    options.programFolder = fromUtf8(folder.path()) + L"/";
    state = std::make_unique<OnlineTestState>(
        L"Welcome", L"Name?", L"Registered",
        postVotesTo(poster->helper(),
                    [this](OnlineVote& vote) {
                      onGuiThread.push_back(std::this_thread::get_id() == guiThread);
                      received.push_back(std::move(vote));
                    }),
        0, options);
    ASSERT_TRUE(state->startServer());
    const std::string reply = post(state->listeningPort(), "/reg", {"name=Ann"});
    const std::string field = "\"key\" : \"";
    key = reply.substr(reply.find(field) + field.size(), 36);
    OnlineMessage question;
    question.type = OnlineMessage::Question;
    question.qIndex = 3;
    question.questions = {{L"Which?", {L"a", L"b", L"c"}, OnlineQuestion::OneIndex}};
    state->publish(question);
  }
  void TearDown() override {
    state.reset();
    poster.reset();
    frame->Destroy();
    pumpUntil([] { return wxTopLevelWindows.empty(); });
  }

  std::string vote(int index) {
    return post(state->listeningPort(), "/vote",
                {"userid=" + key, "qid=3", "qi=0", "votes[]=" + std::to_string(index)});
  }

  vixo_test::TempFolder folder;
  wxFrame* frame = nullptr;
  std::unique_ptr<EventGetter> poster;
  std::unique_ptr<OnlineTestState> state;
  std::string key;
  const std::thread::id guiThread = std::this_thread::get_id();
  std::vector<OnlineVote> received;
  std::vector<bool> onGuiThread;
};

TEST_F(VotePostTest, VotesArriveOnTheGuiThreadInOrder) {
  EXPECT_EQ(vote(2), "true");
  EXPECT_EQ(vote(0), "true");
  EXPECT_EQ(vote(7), "false");  // no such label: nothing is posted
  ASSERT_TRUE(pumpUntil([&] { return received.size() == 2; }));
  EXPECT_EQ(onGuiThread, (std::vector<bool>{true, true}));
  EXPECT_EQ(received[0].question, 3);
  EXPECT_EQ(received[0].subQuestion, 0);
  EXPECT_EQ(received[0].name, L"Ann");
  EXPECT_EQ(received[0].votes, std::vector<int>{2});
  EXPECT_EQ(received[1].votes, std::vector<int>{0});
}

TEST_F(VotePostTest, APostedVoteOutlivesTheState) {
  EXPECT_EQ(vote(1), "true");
  // Not run yet: it waits in the window's queue while the state goes.
  state.reset();
  ASSERT_TRUE(pumpUntil([&] { return received.size() == 1; }));
  EXPECT_EQ(received[0].name, L"Ann");
  EXPECT_EQ(received[0].votes, std::vector<int>{1});
}

TEST_F(VotePostTest, VotesAreDroppedOnceTheWindowsChannelIsGone) {
  poster.reset();
  EXPECT_EQ(vote(2), "true");  // accepted by the state, dropped on its way to the window
  pumpUntil([] { return false; }, 300ms);
  EXPECT_TRUE(received.empty());
}

}  // namespace
