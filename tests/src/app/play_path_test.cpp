// The play path: the question about an unfinished pass, and what each answer leads to when the
// pass cannot be continued or is started again (the players are real; the start-test dialog is
// answered in place of a person). Whole passes through the program are in
// tests/launcher/vixo_player_test.sh.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <fstream>

#include "app/play_path.h"
#include "avifile/avi_system.h"
#include "player/play_start_wnd.h"
#include "player/player_offline.h"
#include "results/pass_files.h"
#include "results/pass_header.h"
#include "src/player/player_fixture.h"
#include "support/temp_folder.h"

namespace {

using namespace vixo_test;

PassHeader offlineHeader() {
  PassHeader header;
  header.expert = L"Zo\u00eb";
  header.id = "0e8c1b6a-7f55-4c39-9a43-5f1f3c2f9d10";
  header.start = 16000000000000000LL;
  header.progress = 0.25;
  return header;
}

TEST(UnfinishedPassText, NamesTheObserverOrTheAddressAndRoundsTheProgress) {
  PassHeader header = offlineHeader();
  const std::wstring started = fromUtf8(formatTimeStamp(header.start));
  EXPECT_EQ(unfinishedPassText(header),
            L"This task has unfinished pass\nObserver: Zo\u00eb\nStarted at: " + started +
                L"\nCurrent progress: 25%\n\nDo you want to continue this task?");

  header.network = true;
  header.host = "h\xc3\xb4te.example";
  header.port = 8081;
  EXPECT_EQ(unfinishedPassText(header),
            L"This task has unfinished pass\nHost: h\u00f4te.example\nPort: 8081\nStarted at: " +
                started + L"\nCurrent progress: 25%\n\nDo you want to continue this task?");

  const struct {
    double progress;
    std::wstring shown;
  } cases[] = {{0.996, L"100%"},
               {0.004, L"0%"},
               {0.005, L"1%"},
               {1, L"100%"},
               {std::nan(""), L"0%"},  // a damaged header
               {1e300, L": " + std::to_wstring(INT_MAX) + L"%"},
               {-1e300, L": " + std::to_wstring(INT_MIN) + L"%"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.progress);
    header.progress = c.progress;
    EXPECT_NE(unfinishedPassText(header).find(c.shown + L"\n\nDo you"), std::wstring::npos);
  }
}

class PlayPathTest : public PlayerTest {
 protected:
  void SetUp() override {
    setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    // Three tiny clips: the start-test dialog's check opens them as the player will.
    VideoSpec clip;
    clip.width = 32;
    clip.height = 24;
    clip.frames = 2;
    std::string files;
    for (int i = 0; i < 3; ++i) {
      const std::string name = "f" + std::to_string(i);
      ASSERT_EQ(writeVideo(folder / name, clip), "");
      files += std::string(i ? ", " : "") + "{ \"id\" : \"" + name + "\", \"path\" : \"" + name +
               "\", \"group\" : 1 }";
    }
    std::ofstream(toUtf8(taskPath))
        << "{ \"generator\" : \"Orlo VIXO\", \"generator-version-maj\" : 2, "
           "\"generator-version-min\" : 1, \"generator-version-rev\" : 12218, "
           "\"generator-version-extra\" : \"\", \"file-format-version\" : 100, "
           "\"generator-url\" : \"http://www.example.com/vixo\", \"task-name\" : \"Lab task\", "
           "\"files\" : [ "
        << files
        << " ], \"properties\" : { \"method\" : \"DSIS\", \"relativePaths\" : true }, "
           "\"references\" : [ 0 ] }";
    Task task;
    ASSERT_TRUE(loadTaskFile(task, taskPath));
    ASSERT_EQ(task.files.size(), 3u);
  }

  // A whole state file of an unfinished pass of this computer, holding no play to resume.
  void writeBrokenState(const PassHeader& header) {
    createPassFolders(taskPath);
    std::ofstream(toUtf8(stateFilePath(taskPath, 3, false)))
        << passHeaderToJson(header).toString() << "{}\"end\"";
  }

  // The players of a run, counted.
  PlayerMaker players(bool withOnline) {
    return [this, withOnline] {
      ++playersMade;
      RunPlayers made;
      if (withOnline) made.online = std::make_unique<PlayerOffline>();
      made.offline = std::make_unique<PlayerOffline>();
      return made;
    };
  }

  TempFolder folder;
  std::wstring taskPath = fromUtf8(folder / "task.vixo");
  PromptLog prompts;
  int playersMade = 0;
  std::vector<std::string> dialogs;
};

TEST_F(PlayPathTest, EachAnswerToTheUnfinishedPassQuestion) {
  const struct {
    const char* name;
    bool network;
    bool withOnline;
    int answer;
    std::vector<wxString> captions;
    int playersMade;
    std::vector<std::string> dialogs;
  } cases[] = {
      {"cancel", false, true, wxID_CANCEL, {"Task opening"}, 0, {}},
      {"continue, no play in the state",
       false,
       true,
       wxID_YES,
       {"Task opening", "Loading problem"},
       1,
       {}},
      {"continue online, no online player",
       true,
       false,
       wxID_YES,
       {"Task opening", "Loading problem"},
       1,
       {}},
      {"from the beginning", false, true, wxID_NO, {"Task opening"}, 1, {"offline start"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    prompts.seen.clear();
    dialogs.clear();
    playersMade = 0;
    PassHeader header = offlineHeader();
    header.network = c.network;
    writeBrokenState(header);
    prompts.answer = [&](const vixo::Prompt& prompt) {
      return prompt.caption == "Task opening" ? c.answer : wxID_OK;
    };
    vixo::setModalAnswerer([&](wxDialog& dialog) {
      dialogs.push_back(dynamic_cast<PlayStartWndOffline*>(&dialog) ? "offline start" : "other");
      dialog.EndModal(wxID_CANCEL);
    });

    EXPECT_FALSE(playTaskFile(taskPath, players(c.withOnline)));
    EXPECT_EQ(prompts.captions(), c.captions);
    EXPECT_EQ(playersMade, c.playersMade);
    EXPECT_EQ(dialogs, c.dialogs);
    ASSERT_FALSE(prompts.seen.empty());
    EXPECT_EQ(prompts.seen[0].text, unfinishedPassText(header));
    EXPECT_EQ(prompts.seen[0].style, wxYES_NO | wxCANCEL | wxICON_INFORMATION);
    EXPECT_EQ(prompts.seen[0].yes, "Continue this pass");
    EXPECT_EQ(prompts.seen[0].no, "Start from beginning");
    EXPECT_EQ(prompts.seen[0].cancel, "Cancel");
    EXPECT_EQ(prompts.seen[0].parent, nullptr);
    if (prompts.seen.size() > 1) {
      EXPECT_EQ(prompts.seen[1].text,
                "Error while loading task. File corrupted or incompatible with this VIXO version.");
    }
    // Whatever was answered, the unfinished pass stays to be offered again.
    EXPECT_EQ(listStateFiles(taskPath, false), std::vector<int>{3});
  }
}

TEST_F(PlayPathTest, ATaskThatDoesNotLoadSaysSo) {
  std::ofstream(toUtf8(taskPath)) << "{ \"files\" : [";
  EXPECT_FALSE(playTaskFile(taskPath, players(true)));
  ASSERT_EQ(prompts.captions(), std::vector<wxString>{"Loading problem"});
  EXPECT_EQ(prompts.seen[0].text,
            "Error while loading task. File corrupted, incompatible with this VIXO version or "
            "can't be opened.");
  EXPECT_EQ(prompts.seen[0].style, wxOK | wxICON_ERROR);
}

// The editor's runs: never a question about unfinished passes; the debug flag reaches the
// dialog, and a cancelled dialog leaves no pass files.
TEST_F(PlayPathTest, TestRunsNeverAskAboutUnfinishedPasses) {
  writeBrokenState(offlineHeader());
  Task task;
  ASSERT_TRUE(loadTaskFile(task, taskPath));
  std::vector<bool> debugShown;
  vixo::setModalAnswerer([&](wxDialog& dialog) {
    auto* start = dynamic_cast<PlayStartWnd*>(&dialog);
    debugShown.push_back(start && start->debugRunLabel->IsShown());
    dialog.EndModal(wxID_CANCEL);
  });
  EXPECT_FALSE(runTest(task, taskPath, true, players(true)));
  EXPECT_FALSE(runTest(task, L"", false, players(true)));
  EXPECT_EQ(debugShown, (std::vector<bool>{true, false}));
  EXPECT_TRUE(prompts.seen.empty());
  EXPECT_EQ(listStateFiles(taskPath, false), std::vector<int>{3});
}

}  // namespace
