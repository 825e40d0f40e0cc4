// The operator's control panel on a real window: the stages with their texts, the countdown,
// the votes against the observers online, the automatic end, "Stop countdown", "Repeat last
// video" and the close through the interrupter. The buttons are clicked through the X server
// inside the panel's own modal loop; the counters change on other threads, as the web server's
// connection threads change them.
#include "player/network_control_panel.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/stattext.h>

#include <chrono>
#include <functional>
#include <thread>

#include "common/prompt.h"
#include "player/vixo_player.h"
#include "src/layouts/layout_fixture.h"
#include "support/ui_driver.h"

namespace {

using namespace vixo_test;

const wxString kNone = wxString(L"\u2014");

class FakeInterrupter : public TestInterrupter {
 public:
  bool askInterrupt(wxWindow* asking) override {
    askedBy.push_back(asking);
    return stop;
  }
  void forceInterrupt() override { ++forced; }

  bool stop = false;
  std::vector<wxWindow*> askedBy;
  int forced = 0;
};

// Handles events until the condition holds, at most `ms` milliseconds.
bool settleUntil(const std::function<bool()>& done, int ms = 5000) {
  for (int waited = 0; waited < ms && !done(); waited += 10) settle(10);
  return done();
}

// Sets the counter on another thread, as a connection thread of the server does.
void setFromServer(const connections::VariableMemPtr<int>& counter, int value) {
  std::thread([counter, value] { counter->set(value); }).join();
}

class ControlPanelTest : public LayoutTest {
 protected:
  ControlPanelTest() {
    parent = keep(new wxFrame(nullptr, wxID_ANY, "screen"));
    panel = new NetworkControlPanel(parent, &interrupter);
    // Ticks only when a test calls tick(), unless it shortens the second itself.
    panel->tickMs = 3'600'000;
    panel->bindObserverCount(observers);
    panel->voteCountSource = votes;
  }
  ~ControlPanelTest() override { vixo::setModalAnswerer({}); }

  // Shows the panel modally and runs the script inside its loop; the end code, -1 when the
  // stage did not end within ten seconds.
  int runStage(const std::function<void()>& script) {
    vixo::setModalAnswerer([&](wxDialog& shown) {
      EXPECT_TRUE(waitOnScreen(&shown));
      script();
      if (!settleUntil([&] { return !panel->IsModal() || panel->stageEnded; }, 10'000)) {
        ADD_FAILURE() << "the stage did not end";
        panel->EndModal(-1);
      }
    });
    return vixo::showModal(*panel);
  }

  std::string label(wxStaticText* text) const { return text->GetLabel().ToStdString(); }

  FakeInterrupter interrupter;
  wxFrame* parent;
  NetworkControlPanel* panel;  // a child of the frame
  connections::VariableMemPtr<int> observers = connections::makeVariableMem(0);
  connections::VariableMemPtr<int> votes = connections::makeVariableMem(0);
};

TEST_F(ControlPanelTest, WaitingStageShowsNoCountdownAndEndsOnItsButton) {
  EXPECT_EQ(panel->GetTitle(), "Online test control panel");
  panel->setStage("Waiting connections", "Start test", -1, false, false, 0);
  EXPECT_EQ(panel->stageLabel->GetLabel(), "Waiting connections");
  EXPECT_FALSE(panel->stageEnded);
  EXPECT_EQ(panel->proceedButton->GetLabel(), "Start test");
  EXPECT_EQ(panel->countdownLabel->GetLabel(), kNone);
  EXPECT_EQ(panel->votesLabel->GetLabel(), kNone);
  EXPECT_FALSE(panel->stopCountdownButton->IsEnabled());
  EXPECT_FALSE(panel->repeatVideoButton->IsEnabled());
  EXPECT_FALSE(panel->timer.IsRunning());

  const int code = runStage([&] {
    // Registrations on connection threads reach the label.
    setFromServer(observers, 1);
    setFromServer(observers, 2);
    EXPECT_TRUE(settleUntil([&] { return label(panel->expertsLabel) == "2"; }));
    EXPECT_TRUE(panel->IsModal());
    click(panel->proceedButton);
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(panel->stageEnded);
  EXPECT_FALSE(panel->repeatRequested);
  EXPECT_EQ(panel->countdownLabel->GetLabel(), "finishing...");
}

TEST_F(ControlPanelTest, CountdownCountsDownAndEndsTheStage) {
  panel->setStage("Viewing instructions", "Show video", 5, false, false, 0);
  EXPECT_EQ(panel->proceedButton->GetLabel(), "Show video");
  EXPECT_TRUE(panel->stopCountdownButton->IsEnabled());
  EXPECT_TRUE(panel->timer.IsRunning());
  std::vector<std::string> shown = {label(panel->countdownLabel)};
  for (int i = 0; i < 5; ++i) {
    panel->tick();
    shown.push_back(label(panel->countdownLabel));
  }
  EXPECT_EQ(shown, (std::vector<std::string>{"5", "4", "3", "2", "1", "finishing..."}));
  EXPECT_TRUE(panel->stageEnded);
  EXPECT_FALSE(panel->timer.IsRunning());

  // Without a countdown the operator goes on by hand: seconds pass, nothing ends.
  panel->setStage("Viewing instructions", "Show video", 0, false, false, 0);
  EXPECT_EQ(panel->countdownLabel->GetLabel(), kNone);
  EXPECT_FALSE(panel->timer.IsRunning());
  for (int i = 0; i < 10; ++i) panel->tick();
  EXPECT_FALSE(panel->stageEnded);
}

TEST_F(ControlPanelTest, VotingStageEndsOnceEveryObserverVotedAndTheMinimumPassed) {
  setFromServer(observers, 2);
  settleUntil([&] { return label(panel->expertsLabel) == "2"; });
  std::vector<std::string> seen;
  // The default timings: no countdown, three seconds at least (the timer runs for them).
  panel->setStage("Voting", "Stop voting", 0, true, true, 3);
  EXPECT_TRUE(panel->timer.IsRunning());
  EXPECT_EQ(panel->countdownLabel->GetLabel(), kNone);
  const int code = runStage([&] {
    seen.push_back(label(panel->votesLabel));
    for (int n = 1; n <= 2; ++n) {
      setFromServer(votes, n);
      settleUntil([&] { return label(panel->votesLabel) == std::to_string(n) + "/2"; });
      seen.push_back(label(panel->votesLabel));
    }
    // Everyone voted within the minimum: the stage goes on until it has passed.
    panel->tick();
    panel->tick();
    EXPECT_FALSE(panel->stageEnded);
    panel->tick();
    EXPECT_TRUE(panel->stageEnded);
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"0/2", "1/2", "2/2"}));
  EXPECT_FALSE(panel->repeatRequested);
}

TEST_F(ControlPanelTest, VotingStageWithDefaultTimingsEndsByItselfOnRealSeconds) {
  setFromServer(observers, 1);
  panel->tickMs = 30;  // a short second
  const auto start = std::chrono::steady_clock::now();
  panel->setStage("Voting", "Stop voting", 0, true, true, 7);
  const int code = runStage([&] { setFromServer(votes, 1); });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(panel->stageEnded);
  EXPECT_GE(panel->elapsed, 7);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(7 * 30));
}

TEST_F(ControlPanelTest, VotesThatCameBeforeTheStageCount) {
  // Both observers answered between the question's publication and the stage's start.
  setFromServer(observers, 2);
  setFromServer(votes, 2);
  panel->setStage("Voting", "Stop voting", 0, true, true, 0);
  EXPECT_EQ(panel->votesLabel->GetLabel(), "2/2");
  EXPECT_TRUE(panel->stageEnded);
  // A stage that ended before the panel appeared closes it at once.
  const auto start = std::chrono::steady_clock::now();
  vixo::showModal(*panel);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(panel->IsShown());
}

TEST_F(ControlPanelTest, StopCountdownFreezesTheStageUntilTheOperatorEndsIt) {
  setFromServer(observers, 1);
  panel->setStage("Voting", "Stop voting", 10, true, true, 0);
  const int code = runStage([&] {
    panel->tick();
    panel->tick();
    EXPECT_EQ(label(panel->countdownLabel), "8");
    click(panel->stopCountdownButton);
    EXPECT_TRUE(panel->stopped->get());
    EXPECT_FALSE(panel->stopCountdownButton->IsEnabled());
    EXPECT_FALSE(panel->timer.IsRunning());
    setFromServer(votes, 1);
    settleUntil([&] { return label(panel->votesLabel) == "1/1"; });
    for (int i = 0; i < 20; ++i) panel->tick();
    EXPECT_EQ(label(panel->countdownLabel), "8");
    EXPECT_FALSE(panel->stageEnded);
    click(panel->proceedButton);
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(panel->proceedButton->GetLabel(), "Stop voting");

  // The next stage runs its countdown again.
  panel->setStage("Viewing instructions", "Show video", 3, false, false, 0);
  EXPECT_FALSE(panel->stopped->get());
  EXPECT_TRUE(panel->stopCountdownButton->IsEnabled());
  EXPECT_TRUE(panel->timer.IsRunning());
}

TEST_F(ControlPanelTest, RepeatLastVideoEndsTheStageUntilTheNextStage) {
  setFromServer(observers, 3);
  panel->setStage("Voting", "Stop voting", 0, true, true, 0);
  EXPECT_TRUE(panel->repeatVideoButton->IsEnabled());
  const int code = runStage([&] { click(panel->repeatVideoButton); });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(panel->repeatRequested);
  panel->setStage("Viewing instructions", "Show video", 0, false, false, 0);
  EXPECT_FALSE(panel->repeatRequested);
  EXPECT_FALSE(panel->repeatVideoButton->IsEnabled());
}

TEST_F(ControlPanelTest, EachStageCountsItsOwnSeconds) {
  setFromServer(observers, 1);
  // A countdown stage leaves seconds counted; the voting stage after it starts from 0 and
  // waits its whole minimum although everyone voted.
  panel->setStage("Viewing instructions", "Show video", 5, false, false, 0);
  for (int i = 0; i < 4; ++i) panel->tick();
  panel->endStage();
  setFromServer(votes, 1);
  panel->setStage("Voting", "Stop voting", 0, true, true, 3);
  EXPECT_EQ(panel->elapsed, 0);
  EXPECT_FALSE(panel->stageEnded);
  panel->tick();
  panel->tick();
  EXPECT_FALSE(panel->stageEnded);
  panel->tick();
  EXPECT_TRUE(panel->stageEnded);
  // A stage with neither countdown nor minimum has no timer.
  panel->setStage("Waiting connections", "Start test", -1, false, false, 0);
  EXPECT_FALSE(panel->timer.IsRunning());

  // No observers and no minimum: the voting stage ends at its start.
  setFromServer(observers, 0);
  setFromServer(votes, 0);
  settleUntil([&] { return label(panel->expertsLabel) == "0"; });
  panel->setStage("Voting", "Stop voting", 0, true, true, 0);
  EXPECT_TRUE(panel->stageEnded);
}

TEST_F(ControlPanelTest, ClosingAsksTheInterrupter) {
  setFromServer(observers, 1);
  interrupter.stop = false;
  panel->setStage("Viewing instructions", "Show video", 10, false, false, 0);
  const int code = runStage([&] {
    panel->tick();
    // "Continue test": the close is refused and the countdown goes on where it stood.
    EXPECT_FALSE(panel->Close(false));
    EXPECT_EQ(interrupter.askedBy, (std::vector<wxWindow*>{panel}));
    EXPECT_TRUE(panel->IsModal());
    EXPECT_TRUE(panel->timer.IsRunning());
    EXPECT_EQ(label(panel->countdownLabel), "9");
    // Stop: the panel closes; the stage is not marked as ended.
    interrupter.stop = true;
    EXPECT_TRUE(panel->Close(false));
  });
  EXPECT_EQ(code, wxID_CANCEL);
  EXPECT_FALSE(panel->stageEnded);
  EXPECT_FALSE(panel->timer.IsRunning());
  EXPECT_EQ(interrupter.askedBy.size(), 2u);

  // A close that cannot be refused stops the pass without asking.
  panel->setStage("Voting", "Stop voting", 0, true, true, 5);
  const int forced = runStage([&] { panel->Close(true); });
  EXPECT_EQ(forced, wxID_CANCEL);
  EXPECT_EQ(interrupter.forced, 1);
  EXPECT_EQ(interrupter.askedBy.size(), 2u);
}

}  // namespace
