// The windows of a test run on a desktop as operators have it (support/desktop.sh): a 1920 x 1080
// screen that openbox manages, or the same screen without a window manager. Every dialog of a
// pass, its message boxes and the online control panel stand above the full-screen window and
// get the keys when they open, as the X server stacks and focuses them; the observer works them
// with real keys and clicks, so a dialog hidden behind the full-screen window cannot be answered.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/uiaction.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/wnd_main.h"
#include "player/dlg_before_video.h"
#include "player/dlg_send_archive.h"
#include "player/dlg_voting_dsis.h"
#include "player/network_control_panel.h"
#include "player/player_offline.h"
#include "player/player_online.h"
#include "src/player/player_fixture.h"
#include "support/control_fit.h"
#include "support/loopback_http.h"
#include "support/screen_stacking.h"
#include "support/ui_driver.h"

namespace {

using namespace vixo_test;

// A window of the run as the observer meets it when it opens.
struct Met {
  std::string what;
  bool wantsKeys = true;
  bool above = false;  // stands above the full-screen window, which is on the screen
  bool keys = false;   // gets the keys

  bool right() const { return above && (keys || !wantsKeys); }
};

std::ostream& operator<<(std::ostream& out, const Met& met) {
  return out << met.what << (met.above ? " above" : " BELOW")
             << (met.keys ? ", with the keys" : ", without the keys");
}

wxPoint centreOf(const wxRect& r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

// The window with the title that lies in `place`: the toolkit's rectangle of a window holds its
// client area (anywhere when `place` is empty).
bool isWindow(const ScreenWindow& window, const std::string& title, const wxRect& place) {
  return window.title == title && (place.IsEmpty() || (place.Contains(centreOf(window.rect)) &&
                                                       window.rect.width <= place.width &&
                                                       window.rect.height <= place.height));
}

// Looks at the screen until the window stands above the full-screen window and, when it should,
// gets the keys; for two seconds at most: the window manager takes its own time.
Met meet(const std::string& what, const std::string& title, const wxRect& place = wxRect(),
         bool wantsKeys = true) {
  Met met{what, wantsKeys};
  const wxRect screen = vixo::displayRect(0);
  for (int i = 0; i < 100; ++i) {
    const std::vector<ScreenWindow> windows = stackedWindows();
    int position = -1;
    for (size_t k = windows.size(); k-- > 0 && position < 0;)
      if (isWindow(windows[k], title, place)) position = static_cast<int>(k);
    const int fullScreen = coveringPosition(windows, screen);
    met.above = fullScreen >= 0 && position > fullScreen;
    met.keys = isWindow(keyWindow(), title, place);
    if (met.right()) break;
    settle(20);
  }
  return met;
}

Met meet(const std::string& what, wxTopLevelWindow& window, bool wantsKeys = true) {
  return meet(what, window.GetTitle().utf8_string(), window.GetScreenRect(), wantsKeys);
}

// The toolkit's modal dialog with the title, when one runs.
wxDialog* modalDialog(const wxString& title) {
  for (wxWindow* window : wxTopLevelWindows)
    if (auto* dialog = dynamic_cast<wxDialog*>(window))
      if (dialog->IsModal() && dialog->GetTitle() == title) return dialog;
  return nullptr;
}

wxButton* buttonLabelled(wxWindow* parent, const wxString& label) {
  for (wxWindow* child : parent->GetChildren()) {
    if (auto* button = dynamic_cast<wxButton*>(child); button && button->GetLabel() == label)
      return button;
    if (wxButton* found = buttonLabelled(child, label)) return found;
  }
  return nullptr;
}

class DesktopTest : public PlayerTest {
 protected:
  void SetUp() override {
    const char* desktop = std::getenv("VIXO_WINDOW_MANAGER");
    ASSERT_TRUE(desktop) << "run under support/desktop.sh";
    ASSERT_EQ(windowManagerRunning(), std::string(desktop) == "openbox");
    ASSERT_EQ(vixo::displayRect(0), wxRect(0, 0, 1920, 1080));
    boxes.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { lookForBoxes(); });
  }
  void TearDown() override {
    boxes.Stop();
    PlayerTest::TearDown();
  }

  // Message boxes are shown without the modal road: they are found on the screen by their
  // captions, met, and answered by `answer` once each.
  void expectBox(const std::string& caption, std::function<void()> answer) {
    boxAnswers[caption] = std::move(answer);
    boxes.Start(50);
  }
  void lookForBoxes() {
    for (const ScreenWindow& window : stackedWindows()) {
      auto found = boxAnswers.find(window.title);
      if (found == boxAnswers.end()) continue;
      const std::function<void()> answer = found->second;
      boxAnswers.erase(found);
      if (boxAnswers.empty()) boxes.Stop();
      met.push_back(meet("box " + window.title, window.title));
      answer();
      return;
    }
  }
  // A click on the button of the toolkit's own message box (one placed at a point).
  static void clickBoxButton(const wxString& caption, const wxString& label) {
    wxDialog* box = modalDialog(caption);
    ASSERT_TRUE(box) << caption;
    wxButton* button = buttonLabelled(box, label);
    ASSERT_TRUE(button) << label;
    click(button);
    if (box == modalDialog(caption)) {
      ADD_FAILURE() << "the click did not reach \"" << label << "\"";
      box->EndModal(wxID_CANCEL);
    }
  }
  // A key for the native message box that has the keys.
  static void pressKey(int key) {
    wxUIActionSimulator keys;
    keys.Char(key);
    settle(100);
  }

  // Ends a dialog that the observer's keys or clicks did not reach, stopping the pass.
  static void endUnanswered(wxDialog& dialog, DefaultPlayer& player) {
    if (waitUntilEnded(dialog)) return;
    ADD_FAILURE() << "the observer could not answer \"" << dialog.GetTitle() << "\"";
    player.interrupter.forceInterrupt();
    dialog.EndModal(-1);
  }

  std::vector<Met> met;
  std::map<std::string, std::function<void()>> boxAnswers;
  wxTimer boxes;
  Clips clips;
  TempFolder folder;
};

// Passes of the offline player to their ends: the instructions, the vote and what ends the pass
// (the box with the results' file, the request to send the archive, or a file that cannot be
// opened).
TEST_F(DesktopTest, EveryWindowOfAnOfflinePassStandsAboveAndGetsTheKeys) {
  const struct {
    const char* how;
    const char* email;
    bool textFile;  // the second file cannot be shown
    std::vector<std::string> windows;
  } cases[] = {
      {"results saved", "", false, {"instructions", "instructions", "DSIS", "box Task finished"}},
      {"archive to send",
       "lab@example.org",
       false,
       {"instructions", "instructions", "DSIS", "send archive"}},
      {"a text file", "", true, {"instructions", "instructions", "box Error opening file"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    met.clear();
    Task task = dsisTask(clips, 2);
    task.properties["resultCollectingEmail"] = makeStringValue(c.email);
    if (c.textFile) {
      std::ofstream(folder / "notes.txt") << "f0 is the reference\n";
      task.files[1].path = fromUtf8(folder / "notes.txt");
    }
    const std::wstring taskPath = fromUtf8(folder / (std::string(c.how) + ".vixo"));
    auto player = std::make_unique<PlayerOffline>();
    auto play = task.method()->createPlay(
        PlayContext(LoadedTask(task, taskPath), player.get(), L"Ann", "", 0, false, false));
    ASSERT_TRUE(play);
    ResultStore store(play);

    vixo::setModalAnswerer([&](wxDialog& d) {
      EXPECT_TRUE(waitOnScreen(&d));
      if (auto* before = dynamic_cast<DlgBeforeVideo*>(&d)) {
        met.push_back(meet("instructions", *before));
        sendKey(before, WXK_SPACE);
      } else if (auto* vote = dynamic_cast<DlgVotingDSIS*>(&d)) {
        met.push_back(meet("DSIS", *vote));
        sendKey(vote, '4');
        click(vote->okButton);
      } else if (auto* send = dynamic_cast<DlgSendArchive*>(&d)) {
        met.push_back(meet("send archive", *send));
        click(send->okButton);
      } else {
        ADD_FAILURE() << "unexpected dialog " << d.GetTitle();
      }
      endUnanswered(d, *player);
    });
    expectBox("Task finished", [] { clickBoxButton("Task finished", "OK"); });
    expectBox("Error opening file", [] { pressKey(WXK_ESCAPE); });  // "Interrupt test"
    player->runPass(store);
    vixo::setModalAnswerer({});
    boxes.Stop();
    boxAnswers.clear();

    std::vector<std::string> seen;
    for (const Met& m : met) {
      seen.push_back(m.what);
      EXPECT_TRUE(m.right()) << m;
    }
    EXPECT_EQ(seen, c.windows);
    EXPECT_EQ(play->isFinished(), !c.textFile);
    player.reset();
    settle(100);
  }
}

// The online test's control panel over the full-screen window with the test's address, the
// box about a test without observers, the instructions with the panel over them, and the
// question whether to stop, asked over the panel.
TEST_F(DesktopTest, TheOnlineControlPanelAndItsBoxesStandAboveAndGetTheKeys) {
  Task task = dsisTask(clips, 2);
  task.properties["network"] = Any::of(true);
  task.properties["networkInstrTime"] = Any::of(0LL);
  auto player = std::make_unique<PlayerOnline>();
  player->onlineOptions.programFolder = fromUtf8(VIXO_PAGE_FOLDER) + L"/";
  auto play = task.method()->createPlay(PlayContext(LoadedTask(task, fromUtf8(folder / "o.vixo")),
                                                    player.get(), L"Operator", "127.0.0.1",
                                                    freeLoopbackPort(), true, false));
  ASSERT_TRUE(play);
  ResultStore store(play);

  vixo::setModalAnswerer([&](wxDialog& d) {
    auto* panel = dynamic_cast<NetworkControlPanel*>(&d);
    if (!panel) {
      ADD_FAILURE() << "unexpected dialog " << d.GetTitle();
      return;
    }
    EXPECT_TRUE(waitOnScreen(panel));
    met.push_back(meet("panel " + panel->stageText.utf8_string(), *panel));
    if (panel->stageText == "Waiting connections") {
      expectBox("No connections", [] { pressKey(WXK_RETURN); });  // start without observers
      click(panel->proceedButton);
    } else {
      // The instructions are on the screen too, below the panel.
      for (wxWindow* window : wxTopLevelWindows)
        if (auto* before = dynamic_cast<DlgBeforeVideo*>(window); before && before->IsShown())
          met.push_back(meet("instructions", *before, false));
      expectBox("Test not finished",
                [] { clickBoxButton("Test not finished", "Exit discarding progress"); });
      panel->Close();
    }
    endUnanswered(*panel, *player);
  });
  player->runPass(store);
  vixo::setModalAnswerer({});

  std::vector<std::string> seen;
  for (const Met& m : met) {
    seen.push_back(m.what);
    EXPECT_TRUE(m.right()) << m;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"panel Waiting connections", "box No connections",
                                            "panel Viewing instructions", "instructions",
                                            "box Test not finished"}));
  EXPECT_TRUE(player->interruptRequested->get());
  player.reset();
}

TEST_F(DesktopTest, TheEditorShowsItsControlsAndTheSettingsLabelsWhole) {
  setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);  // its recent tasks
  auto* editor = new WndMain;
  Task task;
  task.properties["method"] = makeStringValue("Custom");  // the longest labels of a method
  editor->setTask(task, L"");
  editor->Show();
  EXPECT_TRUE(waitOnScreen(editor));
  settle(300);
  EXPECT_EQ(cutGridLabels(editor->propertyGrid), std::vector<std::string>{});
  EXPECT_EQ(cutControls(editor), std::vector<std::string>{});
  editor->Destroy();
  settle(100);
}

}  // namespace
