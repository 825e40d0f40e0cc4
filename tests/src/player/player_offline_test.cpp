// Whole passes of every method through the offline player, with clips written at test time and
// an observer who works the real dialogs with keys and clicks; what a vote gives when a dialog
// is closed to stop the pass; and the votes' answers read from the dialogs.
#include "player/player_offline.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "player/dlg_before_video.h"
#include "player/dlg_send_archive.h"
#include "player/dlg_voting_custom.h"
#include "player/dlg_voting_dscqs.h"
#include "player/dlg_voting_dsis.h"
#include "player/dlg_voting_samviq.h"
#include "player/dlg_voting_scacj.h"
#include "player/dlg_voting_scacj_bin.h"
#include "results/pass_files.h"
#include "src/player/player_fixture.h"
#include "support/ui_driver.h"
#include "task/custom_question.h"
#include "task/method_custom.h"

namespace {

using namespace vixo_test;
namespace fs = std::filesystem;
using Brindle::JSON;

// An observer at the test machine: works each dialog of the pass from inside its modal loop,
// with the handler the test gave for its kind, and notes the dialogs in order. A dialog without
// a handler fails the test and stops the pass.
class Observer {
 public:
  explicit Observer(DefaultPlayer& player) : player_(player) {
    vixo::setModalAnswerer([this](wxDialog& d) { answer(d); });
  }
  ~Observer() { vixo::setModalAnswerer({}); }

  std::vector<std::string> seen;
  std::function<void(DlgBeforeVideo&)> beforeVideo = [](DlgBeforeVideo& d) {
    sendKey(&d, WXK_SPACE);
  };
  std::function<void(DlgVotingDSIS&)> dsis;
  std::function<void(DlgVotingDSCQS&)> dscqs;
  std::function<void(DlgVotingSCACJ&)> scacj;
  std::function<void(DlgVotingSCACJbin&)> scacjBinary;
  std::function<void(DlgVotingSAMVIQ&)> samviq;
  std::function<void(DlgVotingCustom&)> custom;

 private:
  template <class Dialog>
  bool work(wxDialog& d, const char* name, const std::function<void(Dialog&)>& handler) {
    auto* dialog = dynamic_cast<Dialog*>(&d);
    if (!dialog) return false;
    seen.push_back(name);
    if (handler) {
      handler(*dialog);
    } else {
      ADD_FAILURE() << "no answer for " << name;
      player_.interrupter.forceInterrupt();
    }
    return true;
  }
  void answer(wxDialog& d) {
    EXPECT_TRUE(waitOnScreen(&d));
    const bool known = work(d, "before", beforeVideo) || work(d, "DSIS", dsis) ||
                       work(d, "DSCQS", dscqs) || work(d, "SCACJ", scacj) ||
                       work(d, "binary", scacjBinary) || work(d, "SAMVIQ", samviq) ||
                       work(d, "custom", custom);
    if (!known) {
      ADD_FAILURE() << "unexpected dialog " << d.GetTitle();
      player_.interrupter.forceInterrupt();
    }
    if (!waitUntilEnded(d)) {
      ADD_FAILURE() << "the observer left the dialog \"" << d.GetTitle() << "\" open";
      player_.interrupter.forceInterrupt();
      d.EndModal(-1);
    }
  }
  DefaultPlayer& player_;
};

// One pass of a task through the offline player.
struct OfflinePass {
  OfflinePass(const Task& task, const std::wstring& taskPath) {
    play = task.method()->createPlay(
        PlayContext(LoadedTask(task, taskPath), player.get(), L"Ann", "", 0, false, false));
    EXPECT_TRUE(play);
    store = ResultStore(play);
  }
  void run() { player->runPass(store); }
  const TestResults& results() const { return play->context.results; }
  // The answer events of the protocol.
  std::vector<const JSON*> answers() const {
    std::vector<const JSON*> out;
    for (const JSON& e : play->protocol.elements())
      if (e.find("type")->getString() == "answer") out.push_back(e.find("data"));
    return out;
  }

  std::unique_ptr<PlayerOffline> player = std::make_unique<PlayerOffline>();
  std::shared_ptr<VIXOplay> play;
  ResultStore store;
};

std::vector<std::wstring> strings(const JSON& list) {
  std::vector<std::wstring> out;
  for (const JSON& e : list.elements()) out.push_back(e.getWString());
  return out;
}
std::vector<int> integers(const JSON& list) {
  std::vector<int> out;
  for (const JSON& e : list.elements()) out.push_back(static_cast<int>(e.getInteger()));
  return out;
}

class OfflinePassTest : public PlayerTest {
 protected:
  std::wstring taskPath() const { return fromUtf8(folder / "task.vixo"); }

  // A task of the method over clips f0 .. f(n-1) in group 1 (f0 the reference when asked for),
  // one cycle, no training, no shuffling.
  Task clipTask(const std::string& method, int files, bool reference, PropertyMap extra = {}) {
    Task task = dsisTask(clips, files);
    task.name = L"Faces at low bit rates";
    task.properties["method"] = makeStringValue(method);
    if (!reference) task.references.clear();
    for (auto& [key, value] : extra) task.properties[key] = value;
    return task;
  }

  // The pass ended normally: its protocol and the "Task finished" box.
  void expectFinished(OfflinePass& pass) {
    EXPECT_TRUE(pass.play->isFinished());
    EXPECT_TRUE(fs::exists(fs::path(pass.store.protocolPath())));
    EXPECT_EQ(prompts.captions(), std::vector<wxString>{"Task finished"});
  }

  Clips clips;
  TempFolder folder;
  PromptLog prompts;
};

// ---------------------------------------------------------------- whole passes

TEST_F(OfflinePassTest, DsisPass) {
  OfflinePass pass(clipTask("DSIS", 3, true), taskPath());
  Observer observer(*pass.player);
  std::vector<wxString> numbers;
  observer.beforeVideo = [&](DlgBeforeVideo& d) {
    numbers.push_back(d.questionNumberValueLabel->GetLabel());
    EXPECT_EQ(d.taskNameValueLabel->GetLabel(), "Faces at low bit rates");
    EXPECT_EQ(d.expertNameValueLabel->GetLabel(), "Ann");
    sendKey(&d, WXK_SPACE);
  };
  const int keys[] = {'4', WXK_NUMPAD2};
  int vote = 0;
  observer.dsis = [&](DlgVotingDSIS& d) {
    sendKey(&d, keys[vote++]);
    click(d.okButton);
  };
  pass.run();
  EXPECT_EQ(observer.seen,
            (std::vector<std::string>{"before", "before", "DSIS", "before", "before", "DSIS"}));
  expectFinished(pass);
  std::map<std::wstring, float> marks;
  for (const auto& [key, value] : pass.results().singles) marks[key.file] = value;
  EXPECT_EQ(marks, (std::map<std::wstring, float>{{L"f1", 0.75f}, {L"f2", 0.25f}}));
}

TEST_F(OfflinePassTest, DscqsPassesOfBothTypes) {
  for (const char* method : {"DSCQS I", "DSCQS II"}) {
    SCOPED_TRACE(method);
    prompts.seen.clear();
    fs::remove_all(folder / "task.vixo.protocols");
    const bool typeOne = std::string(method) == "DSCQS I";
    OfflinePass pass(clipTask(method, 3, true), taskPath());
    Observer observer(*pass.player);
    std::vector<std::string> choices;
    observer.beforeVideo = [&](DlgBeforeVideo& d) {
      if (!d.sequenceALink->IsShown()) return sendKey(&d, WXK_SPACE);
      choices.push_back("choose");
      sendKey(&d, 'B');
    };
    bool replayed = false;
    observer.dscqs = [&](DlgVotingDSCQS& d) {
      if (!replayed) {  // first the observer wants to see a sequence again
        replayed = true;
        if (typeOne)
          sendKey(&d, 'b');
        else
          click(d.watchAgainButton);
        return;
      }
      pageSlider(d.markSliderA, 3);
      pageSlider(d.markSliderB, -2);
      EXPECT_EQ(d.markALabel->GetLabel(), "A: 80");
      EXPECT_EQ(d.markBLabel->GetLabel(), "B: 30");
      click(d.okButton);
      replayed = false;
    };
    pass.run();
    expectFinished(pass);
    EXPECT_EQ(choices.size(), typeOne ? 2u : 0u);
    // each question: its videos, the vote, the videos asked again, the vote
    EXPECT_EQ(std::count(observer.seen.begin(), observer.seen.end(), "DSCQS"), 4);
    const auto answers = pass.answers();
    ASSERT_EQ(answers.size(), 2u);
    ASSERT_EQ(pass.results().singles.size(), 2u);
    for (const JSON* answer : answers) {
      EXPECT_EQ(integers(*answer->find("answers")), (std::vector<int>{80, 30}));
      // the sides were drawn: the test file gets 80 when it was A, else 30
      const auto inputs = strings(*answer->find("inputs"));
      const bool testIsA = inputs[0] != L"f0";
      const std::wstring file = testIsA ? inputs[0] : inputs[1];
      bool found = false;
      for (const auto& [key, value] : pass.results().singles)
        if (key.file == file) {
          found = true;
          EXPECT_FLOAT_EQ(value, testIsA ? 0.75f : 0.25f);
        }
      EXPECT_TRUE(found) << toUtf8(file);
    }
  }
}

TEST_F(OfflinePassTest, ScacjPassesOnTheScaleAndAsABinaryChoice) {
  for (const char* scale : {"-3..3 scale", "binary scale"}) {
    SCOPED_TRACE(scale);
    prompts.seen.clear();
    fs::remove_all(folder / "task.vixo.protocols");
    const bool binary = std::string(scale) == "binary scale";
    OfflinePass pass(clipTask("SCACJ", 3, false, {{"scacjScale", makeStringValue(scale)}}),
                     taskPath());
    Observer observer(*pass.player);
    int vote = 0;
    const std::vector<int> given = binary ? std::vector<int>{-1, 1, 0} : std::vector<int>{-2, 3, 0};
    observer.scacj = [&](DlgVotingSCACJ& d) {
      const int m = given[vote++];
      sendKey(&d, '0' + std::abs(m), m < 0 ? wxMOD_CONTROL : 0);
      click(d.okButton);
    };
    observer.scacjBinary = [&](DlgVotingSCACJbin& d) {
      const int m = given[vote++];
      if (m < 0)
        click(d.leftChoiceLabel);
      else
        click(m > 0 ? d.rightChoicePanel : d.sameChoicePanel);
      click(d.okButton);
    };
    pass.run();
    expectFinished(pass);
    EXPECT_EQ(std::count(observer.seen.begin(), observer.seen.end(), binary ? "binary" : "SCACJ"),
              3);
    const auto answers = pass.answers();
    ASSERT_EQ(answers.size(), 3u);
    ASSERT_EQ(pass.results().pairs.size(), 3u);
    for (size_t q = 0; q < 3; ++q) {
      EXPECT_EQ(integers(*answers[q]->find("answers")), std::vector<int>{given[q]});
      const auto inputs = strings(*answers[q]->find("inputs"));
      bool found = false;
      for (const auto& [key, value] : pass.results().pairs)
        if (key.file1 == inputs[0] && key.file2 == inputs[1]) {
          found = true;
          EXPECT_FLOAT_EQ(value, binary ? given[q] : given[q] / 3.0f);
        }
      EXPECT_TRUE(found) << q;
    }
  }
}

TEST_F(OfflinePassTest, SamviqPassInFreeOrder) {
  // One group: the reference f0, and f0, f1, f2 as the sequences A, B, C in a drawn order. The
  // pass starts with the reference.
  OfflinePass pass(clipTask("SAMVIQ", 3, true), taskPath());
  Observer observer(*pass.player);
  std::vector<int> changing;
  const auto watch = [](DlgVotingSAMVIQ& d, DlgVotingSAMVIQ::SAMVIQmark* next) {
    click(next->sequenceRadio);
    click(d.watchVideoButton);
  };
  observer.samviq = [&](DlgVotingSAMVIQ& d) {
    changing.push_back(d.changingPosition);
    ASSERT_EQ(d.markPanels.size(), 3u);
    switch (changing.size()) {
      case 1:  // after the reference: A
        EXPECT_EQ(d.nextButton->GetLabel(), "Finish task");
        EXPECT_FALSE(d.nextButton->IsEnabled());
        watch(d, d.markPanels[0]);
        break;
      case 2:  // A just watched: 70, then the reference again
        pageSlider(d.markSlider, 2);
        watch(d, d.referencePanel);
        break;
      case 3:  // the reference: C before B
        watch(d, d.markPanels[2]);
        break;
      case 4:  // C: 40, then B
        pageSlider(d.markSlider, -1);
        EXPECT_FALSE(d.nextButton->IsEnabled());
        watch(d, d.markPanels[1]);
        break;
      case 5:  // B: 20, and the group is done
        pageSlider(d.markSlider, -3);
        EXPECT_TRUE(d.nextButton->IsEnabled());
        click(d.nextButton);
        break;
      default:
        ADD_FAILURE() << "too many SAMVIQ dialogs";
        click(d.nextButton);
    }
  };
  pass.run();
  expectFinished(pass);
  EXPECT_EQ(changing, (std::vector<int>{-1, 0, -1, 2, 1}));
  std::vector<float> values;
  for (const auto& [key, value] : pass.results().singles) values.push_back(value);
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, (std::vector<float>{0.2f, 0.4f, 0.7f}));
}

const char kQuestions[] =
    "[[look]] How natural do the faces look?\n3 Natural\n2 Slightly artificial\n1 Artificial\n\n"
    "Anything else you noticed?\n";

TEST_F(OfflinePassTest, CustomPassAsksEveryQuestion) {
  OfflinePass pass(clipTask("Custom", 2, false, {{"customQuestion", makeStringValue(kQuestions)}}),
                   taskPath());
  Observer observer(*pass.player);
  int dialogs = 0;
  observer.custom = [&](DlgVotingCustom& d) {
    if (dialogs++ % 2 == 0) {
      EXPECT_EQ(d.questionLabel->GetLabel(), "How natural do the faces look?");
      click(d.variantButtons[1]);
    } else {
      EXPECT_EQ(d.questionLabel->GetLabel(), "Anything else you noticed?");
      click(d.DlgVotingCustomStub::answerText);
      for (char c : std::string("halo")) sendKey(d.DlgVotingCustomStub::answerText, c);
    }
    click(d.okButton);
  };
  pass.run();
  expectFinished(pass);
  EXPECT_EQ(dialogs, 4);  // two files, two questions each
  const auto answers = pass.answers();
  ASSERT_EQ(answers.size(), 4u);
  for (size_t i = 0; i < answers.size(); ++i) {
    if (i % 2 == 0) {
      EXPECT_EQ(integers(*answers[i]->find("answers")), std::vector<int>{1});
      EXPECT_EQ(answers[i]->find("rank")->getFloat(), 2.0);
    } else {
      EXPECT_EQ(answers[i]->find("text")->getString(), "halo");
    }
  }
  ASSERT_EQ(pass.results().singles.size(), 2u);
  for (const auto& [key, value] : pass.results().singles) EXPECT_FLOAT_EQ(value, 0.5f);
}

// ---------------------------------------------------------------- stopping from a vote

TEST_F(OfflinePassTest, AVoteClosedToStopRecordsNothingAndThePassIsNotFinished) {
  OfflinePass pass(clipTask("DSIS", 3, true), taskPath());
  Observer observer(*pass.player);
  prompts.answer = [](const vixo::Prompt& p) {
    return p.caption == "Test not finished" ? wxID_YES : wxID_NO;  // "Exit saving progress"
  };
  int vote = 0;
  observer.dsis = [&](DlgVotingDSIS& d) {
    sendKey(&d, '5');
    if (vote++ == 0) {
      click(d.okButton);
    } else {
      d.Close();  // the last question: the slider stands at 5, but no mark was given
    }
  };
  pass.run();
  EXPECT_EQ(prompts.captions(), std::vector<wxString>{"Test not finished"});
  EXPECT_TRUE(pass.player->interruptRequested->get());
  EXPECT_FALSE(pass.play->isFinished());
  EXPECT_EQ(pass.play->answeredCount(), 1);
  ASSERT_EQ(pass.answers().size(), 1u);
  ASSERT_EQ(pass.results().singles.size(), 1u);
  EXPECT_EQ(pass.results().singles.begin()->first.file, L"f1");
  EXPECT_TRUE(fs::is_empty(folder / "task.vixo.protocols"));
  EXPECT_EQ(pass.store.stateNumber, 2);  // the state before the last question remains
  EXPECT_TRUE(fs::exists(fs::path(stateFilePath(taskPath(), 2, false))));
  EXPECT_TRUE(pass.player->windowClosed->get());
}

// The stop comes while the second of three questions is open: the observer closes it and
// chooses to stop, or a stop forced from elsewhere arrives and the observer still answers. The
// full-screen window is closing by then; the third question, whose dialog it would parent, is
// not asked.
TEST_F(OfflinePassTest, StopDuringOneOfSeveralCustomQuestionsAsksNoMore) {
  const char three[] = "First?\n1 no\n2 yes\n\nSecond?\n1 no\n2 yes\n\nThird?\n1 no\n2 yes\n";
  for (bool closed : {true, false}) {
    SCOPED_TRACE(closed ? "closed" : "forced");
    fs::remove_all(folder / "task.vixo.states");
    prompts.seen.clear();
    OfflinePass pass(clipTask("Custom", 2, false, {{"customQuestion", makeStringValue(three)}}),
                     taskPath());
    Observer observer(*pass.player);
    prompts.answer = [](const vixo::Prompt& p) {
      return p.caption == "Test not finished" ? wxID_YES : wxID_NO;
    };
    std::vector<std::wstring> asked;
    observer.custom = [&](DlgVotingCustom& d) {
      asked.push_back(d.questionLabel->GetLabel().ToStdWstring());
      click(d.variantButtons[1]);
      if (asked.size() == 2 && closed) return (void)d.Close();
      if (asked.size() == 2) pass.player->interrupter.forceInterrupt();
      click(d.okButton);
    };
    pass.run();
    EXPECT_EQ(asked, (std::vector<std::wstring>{L"First?", L"Second?"}));
    EXPECT_FALSE(pass.play->isFinished());
    // the first answer stays in the protocol; a closed dialog gives none
    ASSERT_EQ(pass.answers().size(), closed ? 1u : 2u);
    EXPECT_EQ(integers(*pass.answers()[0]->find("answers")), std::vector<int>{1});
    EXPECT_TRUE(pass.player->windowClosed->get());
    // the full-screen window goes at the next idle time; no dialog is left
    settle(50);
    EXPECT_EQ(pass.player->fullScreenWnd, nullptr);
  }
}

TEST_F(OfflinePassTest, SamviqClosedToStopKeepsTheMarksItHad) {
  OfflinePass pass(clipTask("SAMVIQ", 3, true), taskPath());
  Observer observer(*pass.player);
  prompts.answer = [](const vixo::Prompt& p) {
    return p.caption == "Test not finished" ? wxID_YES : wxID_NO;
  };
  observer.samviq = [&](DlgVotingSAMVIQ& d) {
    if (d.changingPosition < 0) {  // after the reference: watch A
      click(d.markPanels[0]->sequenceRadio);
      click(d.watchVideoButton);
      return;
    }
    pageSlider(d.markSlider, 3);
    EXPECT_EQ(d.markPanels[0]->markLabel->GetLabel(), "new mark: 80");
    d.Close();
  };
  pass.run();
  EXPECT_EQ(std::count(observer.seen.begin(), observer.seen.end(), "SAMVIQ"), 2);
  EXPECT_FALSE(pass.play->isFinished());
  // the turn of the reference, and none for the closed dialog
  ASSERT_EQ(pass.answers().size(), 1u);
  EXPECT_EQ(pass.answers()[0]->find("new-answers")->size(), 0);
  EXPECT_TRUE(pass.results().singles.empty());
}

TEST_F(OfflinePassTest, WatchAgainAtTheSecondOfThreeQuestionsAsksAllThreeAgain) {
  const char three[] = "First?\n1 no\n2 yes\n\nSecond?\n1 no\n2 yes\n\nThird?\n1 no\n2 yes\n";
  OfflinePass pass(clipTask("Custom", 2, false, {{"customQuestion", makeStringValue(three)}}),
                   taskPath());
  Observer observer(*pass.player);
  std::vector<std::wstring> asked;
  observer.custom = [&](DlgVotingCustom& d) {
    asked.push_back(d.questionLabel->GetLabel().ToStdWstring());
    click(d.variantButtons[0]);
    click(asked.size() == 2 ? d.watchAgainButton : d.okButton);
  };
  pass.run();
  expectFinished(pass);
  ASSERT_GE(asked.size(), 5u);
  EXPECT_EQ(std::vector<std::wstring>(asked.begin(), asked.begin() + 5),
            (std::vector<std::wstring>{L"First?", L"Second?", L"First?", L"Second?", L"Third?"}));
  EXPECT_EQ(asked.size(), 8u);  // and three for the second file
  // the first answer of the first try stays recorded: 1 + 3 + 3 answer events
  EXPECT_EQ(pass.answers().size(), 7u);
  // the video was played again before the questions were asked again
  EXPECT_EQ(std::count(observer.seen.begin(), observer.seen.end(), "before"), 3);
}

// ---------------------------------------------------------------- the votes themselves

class OfflineVoteTest : public PlayerTest {
 protected:
  PromptLog prompts;
};

TEST_F(OfflineVoteTest, EveryVoteReturnsAtOnceWhileAStopIsRequested) {
  PlayerOffline player;
  vixo::setModalAnswerer([](wxDialog& d) {
    ADD_FAILURE() << "a dialog was shown: " << d.GetTitle();
    d.EndModal(-1);
  });
  player.interruptRequested->set(true);
  std::map<int, int> marks;
  EXPECT_TRUE(player.voteDSIS(0));
  EXPECT_TRUE(player.voteSCACJ(0));
  EXPECT_TRUE(player.voteSCACJbinary(0));
  EXPECT_EQ(player.voteDSCQS(true, 0), 0);
  EXPECT_EQ(player.voteSAMVIQ({1, 2}, marks, 1, false), 0);
  EXPECT_TRUE(player.voteCustom({CustomQuestion{}}, 0));
  EXPECT_TRUE(marks.empty());
}

TEST_F(OfflineVoteTest, DscqsRepeatsAndAnswersOfAnotherKind) {
  Clips clips;
  // A DSIS play: its recorder takes single ints, not the DSCQS pair.
  PlayerOffline player;
  auto play = dsisTask(clips, 2).method()->createPlay(
      PlayContext(LoadedTask(dsisTask(clips, 2), L""), &player, L"Ann", "", 0, false, true));
  player.play = play.get();
  const struct {
    bool typeOne;
    std::function<void(DlgVotingDSCQS&)> work;
    char result;
  } rows[] = {
      {true, [](DlgVotingDSCQS& d) { click(d.repeatBButton); }, 'B'},
      {true, [](DlgVotingDSCQS& d) { click(d.repeatAButton); }, 'A'},
      {false, [](DlgVotingDSCQS& d) { click(d.watchAgainButton); }, 'A'},
      {false, [](DlgVotingDSCQS& d) { click(d.okButton); }, 0},
      {true, [](DlgVotingDSCQS& d) { d.Close(); }, 'A'},  // closed: no marks
  };
  for (const auto& row : rows) {
    vixo::setModalAnswerer([&](wxDialog& d) {
      waitOnScreen(&d);
      row.work(dynamic_cast<DlgVotingDSCQS&>(d));
    });
    EXPECT_EQ(player.voteDSCQS(row.typeOne, 0), row.result);
  }
  // nothing reached the DSIS recorder
  EXPECT_EQ(play->protocol.size(), 1);  // "begin" only
  EXPECT_TRUE(play->context.results.singles.empty());
}

}  // namespace
