// The start-test dialog on real windows: the settings it reads and writes (only on "Start
// test"), the context it hands over, the task check on its thread with its gauge and its abort,
// the host list and the port of an online test, and the display test.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/frame.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <cstdlib>
#include <fstream>

#include "avifile/registry_store.h"
#include "common/dialog_place.h"
#include "player/full_screen_wnd.h"
#include "player/play_start_wnd.h"
#include "player/player_offline.h"
#include "src/player/player_fixture.h"
#include "support/run_command.h"
#include "support/screenshot.h"
#include "support/ui_driver.h"

namespace {

using namespace vixo_test;

class StartDialogTest : public PlayerTest {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    // Five tiny clips, named without an extension: the check opens them as the player will.
    VideoSpec spec;
    spec.width = 32;
    spec.height = 24;
    spec.frames = 2;
    for (int i = 0; i < 5; ++i) ASSERT_EQ(writeVideo(media / ("f" + std::to_string(i)), spec), "");
    loaded = LoadedTask(dsisTask(5), fromUtf8(media / "task.vixo"));
  }
  void TearDown() override {
    player.reset();
    PlayerTest::TearDown();
  }

  // A DSIS task of files f0 (the reference) .. f(n-1) of the media folder.
  Task dsisTask(int files) {
    Task task;
    task.name = L"Lab task";
    for (int i = 0; i < files; ++i)
      task.files.push_back(
          {L"id" + std::to_wstring(i), fromUtf8(media / ("f" + std::to_string(i))), 1});
    task.references = {0};
    task.properties["method"] = makeStringValue("DSIS");
    task.properties["trainingQuestions"] = Any::of(0LL);
    return task;
  }

  static void storeSettings(int display, const std::wstring& observer, int port,
                            const std::string& host, int hostIdx) {
    RegistryStore store = RegistryStore::open(L"vixo");
    ASSERT_TRUE(store);
    ASSERT_TRUE(store.setDword(L"display", display));
    ASSERT_TRUE(store.setString(L"observer", observer));
    ASSERT_TRUE(store.setDword(L"port", port));
    ASSERT_TRUE(store.setUtf8String(L"host", host));
    ASSERT_TRUE(store.setDword(L"hostIdx", hostIdx));
  }
  std::string settingsFile() const {
    std::ifstream in(home / "Orlo/vixo.json");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Shows the dialog modally with no one to answer it: for dialogs that end by themselves. A
  // timer ends it with -7 after ten seconds if it would not.
  static int showUnattended(wxDialog& dialog) {
    wxTimer guard;
    guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (dialog.IsModal()) dialog.EndModal(-7);
    });
    guard.StartOnce(10000);
    return vixo::showModal(dialog);
  }

  // Waits inside the dialog's modal loop until its check is over.
  static bool checkOver(PlayStartWnd& dialog) {
    return runEventsUntil([&] { return dialog.checkDone->get() || !dialog.IsModal(); });
  }

  // The check of the loaded task passes: the gauge is full and nothing is reported; then the
  // dialog is cancelled.
  void expectCheckPassed() {
    PlayStartWndOffline dialog(loaded, player.get(), false);
    const int code = runScripted(dialog, [&](wxDialog&) {
      ASSERT_TRUE(checkOver(dialog));
      EXPECT_EQ(dialog.checkProgressGauge->GetValue(), 100);
      click(dialog.cancelButton);
    });
    EXPECT_EQ(code, wxID_CANCEL);
    EXPECT_TRUE(prompts.seen.empty());
  }

  TempFolder home;
  TempFolder media;
  LoadedTask loaded;
  std::unique_ptr<PlayerOffline> player = std::make_unique<PlayerOffline>();
  PromptLog prompts;
};

TEST_F(StartDialogTest, OfflineStartWritesTheSettingsAndHandsOverTheTrimmedName) {
  storeSettings(0, L"Ann", 9000, "h\xc3\xb4te.example", -1);
  PlayStartWndOffline dialog(loaded, player.get(), false);
  EXPECT_EQ(dialog.GetTitle(), "Start Test - Orlo VIXO 2.1 BETA r12218");
  EXPECT_EQ(dialog.testNameLabel->GetLabel(), "Lab task");
  EXPECT_EQ(dialog.questionCountLabel->GetLabel(), "4");
  EXPECT_EQ(dialog.observerNameText->GetValue(), "Ann");
  EXPECT_EQ(dialog.portText->GetValue(), "9000");
  EXPECT_EQ(dialog.hostCombo->GetValue(), wxString::FromUTF8("h\xc3\xb4te.example"));
  EXPECT_EQ(dialog.displayChoice->GetSelection(), 0);
  EXPECT_TRUE(dialog.observerNameCaptionLabel->IsShown());
  EXPECT_FALSE(dialog.serverHostCaptionLabel->IsShown());
  EXPECT_FALSE(dialog.debugRunLabel->IsShown());
  EXPECT_FALSE(dialog.startTestButton->IsEnabled());
  const std::string before = settingsFile();

  wxPoint centre;
  const int code = runScripted(dialog, [&](wxDialog&) {
    ASSERT_TRUE(checkOver(dialog));
    EXPECT_EQ(dialog.checkProgressGauge->GetValue(), 100);
    EXPECT_FALSE(dialog.checkingTaskLabel->IsShown());
    dialog.observerNameText->SetValue("  \tBob Lee  ");
    EXPECT_EQ(settingsFile(), before) << "nothing is written before \"Start test\"";
    centre = vixo::windowCentre(dialog);
    click(dialog.startTestButton);
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(prompts.seen.empty());

  const PlayContext& context = dialog.playContext;
  EXPECT_EQ(context.player, player.get());
  EXPECT_EQ(context.expert, L"Bob Lee");
  EXPECT_EQ(context.host, "h\xc3\xb4te.example");
  EXPECT_EQ(context.port, 9000);
  EXPECT_FALSE(context.network);
  EXPECT_FALSE(context.debug);
  EXPECT_EQ(context.loadedTask.task.name, L"Lab task");
  EXPECT_EQ(context.loadedTask.path, loaded.path);
  EXPECT_EQ(player->fullScreenWnd->displayIndex, 0);
  EXPECT_EQ(wxPoint(player->questionsX, player->questionsY), centre);

  const PlayStartWnd::Settings saved = readStartSettings();
  EXPECT_EQ(saved.display, 0);
  EXPECT_EQ(saved.observer, L"Bob Lee");
  EXPECT_EQ(saved.port, 9000);
  EXPECT_EQ(saved.host, "h\xc3\xb4te.example");  // UTF-8 both ways
  EXPECT_EQ(saved.hostIdx, -1);
}

// The last observer's name is filled in. The next observer clicks into it, at its end or in its
// middle, or tabs into it, and types a name: the typed name replaces the old one.
TEST_F(StartDialogTest, TypingIntoTheFilledNameReplacesIt) {
  const struct {
    const char* how;
    int at;  // where the click lands, in pixels from the field's right edge; 0: the Tab key
  } cases[] = {{"a click after the name", 20}, {"a click inside the name", -1}, {"Tab", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    storeSettings(0, L"Alice", 8080, "", -1);
    PlayStartWndOffline dialog(loaded, player.get(), false);
    const int code = runScripted(dialog, [&](wxDialog&) {
      ASSERT_TRUE(checkOver(dialog));
      wxTextCtrl* name = dialog.observerNameText;
      EXPECT_EQ(name->GetValue(), "Alice");
      if (c.at == 0) {
        dialog.displayChoice->SetFocus();  // the control before the name field
        settle(50);
        sendKey(name, WXK_TAB, wxMOD_SHIFT);
      } else {
        dialog.cancelButton->SetFocus();
        settle(50);
        const int x = c.at > 0 ? name->GetSize().x - c.at : name->GetTextExtent("Al").x + 4;
        clickAt(name, x, name->GetSize().y / 2);
      }
      settle(50);
      ASSERT_TRUE(name->HasFocus());
      wxUIActionSimulator keys;
      keys.Text("Bob");
      settle(100);
      EXPECT_EQ(name->GetValue(), "Bob");
      click(dialog.startTestButton);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(dialog.playContext.expert, L"Bob");
  }
}

TEST_F(StartDialogTest, CancelWritesNothing) {
  storeSettings(0, L"Ann", 8080, "", -1);
  const std::string before = settingsFile();
  PlayStartWndOffline dialog(loaded, player.get(), true);
  EXPECT_TRUE(dialog.debugRunLabel->IsShown());
  const int code = runScripted(dialog, [&](wxDialog&) {
    ASSERT_TRUE(checkOver(dialog));
    dialog.observerNameText->SetValue("Carl");
    click(dialog.cancelButton);
  });
  EXPECT_EQ(code, wxID_CANCEL);
  EXPECT_EQ(settingsFile(), before);
}

TEST_F(StartDialogTest, NoSettingsYetShowTheDefaults) {
  PlayStartWndOffline dialog(loaded, player.get(), false);
  EXPECT_EQ(dialog.observerNameText->GetValue(), "");
  EXPECT_EQ(dialog.portText->GetValue(), "8080");
  EXPECT_EQ(dialog.hostCombo->GetValue(), "");
  EXPECT_EQ(dialog.displayChoice->GetSelection(), 0);
  EXPECT_EQ(dialog.savedHostIndex, -1);
}

TEST_F(StartDialogTest, ADisplayThatIsGoneLeavesTheChoiceEmpty) {
  storeSettings(7, L"", 8080, "", -1);
  PlayStartWndOffline dialog(loaded, player.get(), false);
  EXPECT_EQ(dialog.displayChoice->GetCount(), vixo::displayCount());
  EXPECT_EQ(dialog.displayChoice->GetSelection(), wxNOT_FOUND);
}

TEST_F(StartDialogTest, TheObserverNameDecidesOfflineAndNothingOnline) {
  const struct {
    bool online;
    const char* name;
    bool enabled;
  } cases[] = {{false, "", false},
               {false, "  \t ", false},
               {false, " x ", true},
               {true, "", true},
               {true, " ", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.online ? "online " : "offline ") + "\"" + c.name + "\"");
    std::unique_ptr<PlayStartWnd> dialog;
    if (c.online)
      dialog = std::make_unique<PlayStartWndOnline>(loaded, player.get(), false);
    else
      dialog = std::make_unique<PlayStartWndOffline>(loaded, player.get(), false);
    EXPECT_EQ(dialog->observerNameText->IsShown(), !c.online);
    EXPECT_EQ(dialog->hostCombo->IsShown(), c.online);
    EXPECT_TRUE(dialog->displayTestButton->IsShown());
    runScripted(*dialog, [&](wxDialog&) {
      ASSERT_TRUE(checkOver(*dialog));
      dialog->observerNameText->SetValue(c.name);
      settle();
      EXPECT_EQ(dialog->startTestButton->IsEnabled(), c.enabled);
      click(dialog->cancelButton);
    });
  }
}

TEST_F(StartDialogTest, OnlineStartNeedsAPortOfOneTo65535) {
  const struct {
    const char* text;
    int port;
    bool enabled;
  } cases[] = {{"8080", 8080, true}, {"1", 1, true},          {"65535", 65535, true},
               {"0", 0, false},      {"65536", 65536, false}, {"-1", -1, false},
               {"80x", 80, true},    {" +81", 81, true},      {"x80", 0, false},
               {"", 0, false}};
  PlayStartWndOnline dialog(loaded, player.get(), false);
  runScripted(dialog, [&](wxDialog&) {
    ASSERT_TRUE(checkOver(dialog));
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      dialog.portText->SetValue(c.text);
      EXPECT_EQ(dialog.portNumber(), c.port);
      EXPECT_EQ(dialog.startTestButton->IsEnabled(), c.enabled);
    }
    dialog.portText->SetValue("8081");
    dialog.hostCombo->SetValue(wxString::FromUTF8(" h\xc3\xb6st "));
    click(dialog.startTestButton);
  });
  EXPECT_TRUE(dialog.playContext.network);
  EXPECT_EQ(dialog.playContext.port, 8081);
  EXPECT_EQ(dialog.playContext.host, "h\xc3\xb6st");
  EXPECT_EQ(dialog.playContext.expert, L"");
  const PlayStartWnd::Settings saved = readStartSettings();
  EXPECT_EQ(saved.port, 8081);
  EXPECT_EQ(saved.host, "h\xc3\xb6st");
  EXPECT_EQ(saved.hostIdx, -1);  // typed, not picked
}

TEST_F(StartDialogTest, TheSavedHostIndexPicksAListedAddressOrTheFirst) {
  const struct {
    int hostIdx;
    std::vector<std::string> addresses;
    const char* shown;
  } cases[] = {{2, {"10.0.0.1", "10.0.0.2", "10.0.0.3"}, "10.0.0.3"},
               {2, {"10.0.0.1", "10.0.0.2"}, "10.0.0.1"},
               {-1, {"10.0.0.1", "10.0.0.2"}, "10.0.0.1"},
               {0, {}, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hostIdx);
    storeSettings(0, L"", 8080, "typed.example", c.hostIdx);
    PlayStartWndOnline dialog(loaded, player.get(), false);
    dialog.fillHostList(c.addresses);
    EXPECT_EQ(dialog.hostCombo->GetCount(), c.addresses.size());
    EXPECT_EQ(dialog.hostCombo->GetValue(), c.shown);
  }
}

TEST_F(StartDialogTest, AnOfflineStartMakesTheNextOnlineDialogOfferTheFirstAddress) {
  storeSettings(0, L"Ann", 8080, "10.0.0.2", 1);
  {
    PlayStartWndOffline dialog(loaded, player.get(), false);
    runScripted(dialog, [&](wxDialog&) {
      ASSERT_TRUE(checkOver(dialog));
      click(dialog.startTestButton);
    });
    EXPECT_EQ(readStartSettings().hostIdx, -1);
  }
  PlayStartWndOnline dialog(loaded, player.get(), false);
  dialog.fillHostList({"10.0.0.1", "10.0.0.2"});
  EXPECT_EQ(dialog.hostCombo->GetValue(), "10.0.0.1");
}

TEST_F(StartDialogTest, TheGaugeFollowsTheCheckUntilAFileDoesNotOpen) {
  std::filesystem::remove(media / "f2");
  std::vector<int> gaugeAtBox;
  PlayStartWndOffline dialog(loaded, player.get(), false);
  prompts.answer = [&](const vixo::Prompt&) {
    gaugeAtBox.push_back(dialog.checkProgressGauge->GetValue());
    return wxID_OK;
  };
  EXPECT_EQ(showUnattended(dialog), wxID_ABORT);
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].caption, "Task checking");
  EXPECT_EQ(prompts.seen[0].text, "Error checking task: can't open file:\nid2");
  EXPECT_EQ(prompts.seen[0].style, wxOK | wxICON_ERROR);
  EXPECT_EQ(prompts.seen[0].parent, &dialog);
  EXPECT_EQ(gaugeAtBox, std::vector<int>{40});
  EXPECT_TRUE(dialog.checkFailed->get());
  EXPECT_FALSE(dialog.startTestButton->IsEnabled());
}

TEST_F(StartDialogTest, ExcludedFilesAreNotOpenedAndAFolderIsNoFile) {
  Task task = dsisTask(3);
  task.files.push_back({L"gone", fromUtf8(media / "missing"), 0});
  task.files.push_back({L"folder", fromUtf8(media.path()), 0});
  loaded.task = task;
  expectCheckPassed();

  loaded.task.files[2].path = fromUtf8(media.path());  // a folder where a video should be
  PlayStartWndOffline again(loaded, player.get(), false);
  EXPECT_EQ(showUnattended(again), wxID_ABORT);
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].text, "Error checking task: can't open file:\nid2");
}

// Files that an operator adds through "All files" and the player cannot show: each is found by
// the check, before the pass, and named; pictures and videos that play pass it.
TEST_F(StartDialogTest, TheCheckOpensEachFileAsThePlayerWill) {
  const auto ffmpeg = [&](const std::string& arguments, const std::string& name) {
    int status = 0;
    runCommand("ffmpeg -v error -y " + arguments + " " + shellQuote(media / name) + " 2>&1",
               status);
    EXPECT_EQ(status, 0) << name;
    return media / name;
  };
  const auto text = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(media / name) << bytes;
    return media / name;
  };
  wxImage picture(21, 13);
  picture.SetRGB(wxRect(0, 0, 21, 13), 0, 128, 255);
  ASSERT_TRUE(picture.SaveFile(wxString::FromUTF8(media / "still.png"), wxBITMAP_TYPE_PNG));
  const struct {
    std::string file;
    bool passes;
  } cases[] = {
      {text("notes.txt", "Clip list\nf0 reference\nf1 test\n"), false},
      {ffmpeg("-f lavfi -i sine=frequency=440:duration=1", "tone.wav"), false},
      {text("looks like.png", "not a picture"), false},
      {text("empty.mkv", ""), false},
      {media / "still.png", true},
      // 4:4:4 at an odd size and 30000/1001 frames per second, as the ffmpeg command makes it.
      {ffmpeg("-f lavfi -i testsrc=size=99x61:rate=30000/1001:duration=0.2 -pix_fmt yuv444p",
              "clip 444.mkv"),
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    prompts.seen.clear();
    loaded.task = dsisTask(3);
    loaded.task.files[1].path = fromUtf8(c.file);
    if (c.passes) {
      expectCheckPassed();
    } else {
      PlayStartWndOffline dialog(loaded, player.get(), false);
      EXPECT_EQ(showUnattended(dialog), wxID_ABORT);
      ASSERT_EQ(prompts.seen.size(), 1u);
      EXPECT_EQ(prompts.seen[0].text, "Error checking task: can't open file:\nid1");
    }
  }
}

TEST_F(StartDialogTest, AFileCheckOfNoFilesIsDoneAtOnce) {
  PlayStartWndOffline dialog(loaded, player.get(), false);
  std::thread check(PlayStartWnd::checkFiles, &dialog, dialog.events.helper(),
                    std::vector<TaskFile>{{L"a", L"/nowhere/a", 0}, {L"b", L"/nowhere/b", 0}});
  check.join();
  EXPECT_TRUE(runEventsUntil([&] { return dialog.checkDone->get(); }));
  EXPECT_EQ(dialog.checkProgressGauge->GetValue(), 0);
  EXPECT_TRUE(prompts.seen.empty());
}

// Validation errors are found before the modal loop runs; the dialog still ends with the abort
// code.
TEST_F(StartDialogTest, ValidationErrorsEndTheDialogWithTheAbortCode) {
  loaded.task = dsisTask(1);
  loaded.task.references.clear();  // too few files, and no reference: two errors
  PlayStartWndOffline dialog(loaded, player.get(), false);
  EXPECT_EQ(showUnattended(dialog), wxID_ABORT);
  ASSERT_EQ(prompts.captions(), (std::vector<wxString>{"Task checking", "Task checking"}));
  for (const auto& seen : prompts.seen) {
    EXPECT_EQ(seen.text, "Task has error(s), please, edit task via task editor");
    EXPECT_EQ(seen.style, wxOK | wxICON_ERROR);
  }
  EXPECT_FALSE(dialog.startTestButton->IsEnabled());
}

TEST_F(StartDialogTest, TheDisplayTestRunsOnTheChosenDisplayWithTheOtherWindowsDisabled) {
  auto* other = new wxFrame(nullptr, wxID_ANY, "other window", wxPoint(0, 0), wxSize(200, 100));
  other->Show();
  PlayStartWndOffline dialog(loaded, player.get(), false);
  bool otherEnabledDuringTest = true;
  bool fullScreenShown = false;
  wxTimer probe;
  probe.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (player->fullScreenWnd && player->fullScreenWnd->IsShown()) {
      fullScreenShown = true;
      otherEnabledDuringTest = other->IsEnabled();
    }
  });
  runScripted(dialog, [&](wxDialog&) {
    ASSERT_TRUE(checkOver(dialog));
    probe.Start(50);
    click(dialog.displayTestButton);
    probe.Stop();
    EXPECT_TRUE(dialog.IsEnabled());
    EXPECT_TRUE(other->IsEnabled());
    EXPECT_EQ(wxGetMousePosition(), dialog.displayTestButton->ClientToScreen(wxPoint(0, 0)));
    click(dialog.cancelButton);
  });
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].caption, "Display test");
  EXPECT_EQ(prompts.seen[0].text,
            "Simple animation with moving white rectange will be showed on selected display");
  EXPECT_EQ(prompts.seen[0].style, wxOK | wxCENTRE);
  EXPECT_TRUE(fullScreenShown);
  EXPECT_FALSE(otherEnabledDuringTest);
  EXPECT_EQ(player->fullScreenWnd->displayIndex, 0);
  other->Destroy();
}

TEST_F(StartDialogTest, TheLogoAndTheLinkOpenTheAboutBox) {
  PlayStartWndOffline dialog(loaded, player.get(), false);
  std::vector<wxString> shown;
  vixo::setModalAnswerer([&](wxDialog& about) {
    shown.push_back(about.GetTitle());
    about.EndModal(0);
  });
  wxHyperlinkEvent link(dialog.productLink, dialog.productLink->GetId(), "http://example.com");
  dialog.productLink->GetEventHandler()->ProcessEvent(link);
  wxMouseEvent press(wxEVT_LEFT_DOWN);
  press.SetEventObject(dialog.logoPicture);
  dialog.logoPicture->GetEventHandler()->ProcessEvent(press);
  EXPECT_TRUE(runEventsUntil([&] { return shown.size() == 2; }));
  EXPECT_EQ(shown, (std::vector<wxString>{"About Orlo VIXO", "About Orlo VIXO"}));
}

TEST_F(StartDialogTest, Screenshots) {
  storeSettings(0, L"Ann", 8080, "", 0);
  PlayStartWndOffline offline(loaded, player.get(), true);
  PlayStartWndOnline online(loaded, player.get(), false);
  online.fillHostList({"192.168.1.20", "10.0.0.7"});
  EXPECT_FALSE(saveScreenshot(&offline, "start_dialog_offline_debug").empty());
  offline.Hide();
  EXPECT_FALSE(saveScreenshot(&online, "start_dialog_online").empty());
  online.Hide();
}

}  // namespace
