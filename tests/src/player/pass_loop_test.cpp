// Whole passes of a small DSIS task on the full-screen window, with clips written at test time:
// the state saved before every question, the pass files at the end, interruption and resume,
// and every prompt of the loop with what each answer does.
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "results/pass_files.h"
#include "src/player/player_fixture.h"
#include "support/real_ftp_server.h"
#include "support/screenshot.h"

namespace {

using namespace vixo_test;
namespace fs = std::filesystem;

class PassLoopTest : public PlayerTest {
 protected:
  std::wstring taskPath() const { return fromUtf8(folder / "task.vixo"); }
  fs::path states() const { return folder / "task.vixo.states"; }
  fs::path protocols() const { return folder / "task.vixo.protocols"; }
  fs::path archives() const { return folder / "task.vixo.archives"; }
  static size_t filesIn(const fs::path& dir) {
    if (!fs::is_directory(dir)) return 0;
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }
  // Puts a plain file where a pass folder must be, so that writing into it fails.
  static void block(const fs::path& dir) {
    fs::remove_all(dir);
    std::ofstream(dir) << "in the way";
  }
  static void unblock(const fs::path& dir) {
    fs::remove(dir);
    fs::create_directory(dir);
  }
  // Removes the pass files and the prompts seen, for the next pass of a test.
  void startOver() {
    for (const fs::path& dir : {states(), protocols(), archives()}) fs::remove_all(dir);
    prompts.seen.clear();
  }

  Clips clips;
  TempFolder folder;
  PromptLog prompts;
};

// The marks of a DSIS pass by file id: (mark - 1) x 0.25 with mark 1 + N % 5 for clip fN.
std::map<std::wstring, float> marksByFile(const TestResults& results) {
  std::map<std::wstring, float> out;
  for (const auto& [key, value] : results.singles) out[key.file] = value;
  return out;
}

TEST_F(PassLoopTest, DsisPassPlaysEveryQuestionAndLeavesItsPassFiles) {
  const Task task = dsisTask(clips, 3);
  std::vector<int> stateAtVote;
  std::vector<size_t> stateFilesAtVote;
  PlayerPass pass(task, taskPath());
  pass.player->onVote = [&](int) {
    stateAtVote.push_back(pass.player->stateNumberAtVote);
    stateFilesAtVote.push_back(filesIn(states()));
  };
  pass.run();

  const std::wstring ref = task.files[0].path;
  const std::vector<std::wstring> expectedCalls = {
      L"playVideo|" + ref,
      L"beforeVideo|Following sequence is the reference one.|0|1|1",
      L"playVideo|" + task.files[1].path,
      L"beforeVideo|Following sequence is impaired.\n\nCompare it with reference picture that "
      L"you have seen before.\nAfter playback you will be asked to give your mark for this "
      L"sequence.|0|1|1",
      L"voteDSIS|0",
      L"playVideo|" + ref,
      L"beforeVideo|Following sequence is the reference one.|0|1|1",
      L"playVideo|" + task.files[2].path,
      L"beforeVideo|Following sequence is impaired.\n\nCompare it with reference picture that "
      L"you have seen before.\nAfter playback you will be asked to give your mark for this "
      L"sequence.|0|1|1",
      L"voteDSIS|1",
  };
  EXPECT_EQ(pass.player->calls, expectedCalls);
  // A state before each question, one file at a time; none after the last question.
  EXPECT_EQ(stateAtVote, (std::vector<int>{1, 2}));
  EXPECT_EQ(stateFilesAtVote, (std::vector<size_t>{1, 1}));
  EXPECT_EQ(pass.store.stateNumber, 2);
  EXPECT_TRUE(pass.play->isFinished());
  EXPECT_TRUE(pass.player->finished->get());

  // The pass files: no state left, the protocol, the result file and the archive.
  EXPECT_EQ(filesIn(states()), 1u);  // the result file
  EXPECT_TRUE(fs::exists(fs::path(pass.store.protocolPath())));
  EXPECT_TRUE(fs::exists(fs::path(pass.store.archivePath())));
  EXPECT_EQ(marksByFile(pass.play->context.results),
            (std::map<std::wstring, float>{{L"f1", 0.25f}, {L"f2", 0.5f}}));

  ASSERT_EQ(prompts.seen.size(), 1u);
  const auto& end = prompts.seen[0];
  EXPECT_EQ(end.caption, "Task finished");
  EXPECT_EQ(end.text, "Results are saved to file:\n" + wxString(pass.store.protocolPath()));
  EXPECT_EQ(end.style & (wxYES_NO | wxNO_DEFAULT | wxICON_INFORMATION),
            wxYES_NO | wxICON_INFORMATION);
  EXPECT_EQ(end.yes, "Open in explorer");
  EXPECT_EQ(end.no, "OK");
  EXPECT_EQ(end.parent, pass.player->fullScreenWnd);
  EXPECT_EQ(end.at, wxPoint(pass.player->questionsX, pass.player->questionsY));
}

// Esc while question k plays, answered "Exit saving progress"; the pass resumed from its state
// file ends with the results of a pass run straight through.
TEST_F(PassLoopTest, StopAtEachQuestionWithExitSavingProgressResumesToTheSameResults) {
  const Task task = dsisTask(clips, 3);
  std::map<std::wstring, float> straight;
  {
    TempFolder other;
    PlayerPass pass(task, fromUtf8(other / "task.vixo"));
    pass.run();
    straight = marksByFile(pass.play->context.results);
  }
  ASSERT_EQ(straight.size(), 2u);

  for (int k = 0; k < 2; ++k) {
    SCOPED_TRACE(k);
    startOver();
    prompts.answer = [](const vixo::Prompt& p) {
      return p.caption == "Test not finished" ? wxID_YES : wxID_NO;
    };
    int number = 0;
    {
      PlayerPass pass(task, taskPath());
      int playbacks = 0;
      pass.player->onPlaying = [&] {
        // The first video of question k.
        if (playbacks++ == 2 * k) pressKey(pass.player->fullScreenWnd, WXK_ESCAPE);
      };
      pass.run();
      EXPECT_TRUE(pass.player->interruptRequested->get());
      EXPECT_TRUE(pass.player->windowClosed->get());
      EXPECT_FALSE(pass.play->isFinished());
      number = pass.store.stateNumber;
      EXPECT_EQ(number, k + 1);
      // The prompt was the only one: an interrupted pass shows nothing at its end.
      ASSERT_EQ(prompts.captions(), std::vector<wxString>{"Test not finished"});
      const auto& ask = prompts.seen[0];
      EXPECT_EQ(ask.text,
                "Test not finished. Do you really want to interrupt test?\nYou can choose "
                "saving progress to continue test in the future.");
      EXPECT_EQ(ask.yes, "Exit saving progress");
      EXPECT_EQ(ask.no, "Exit discarding progress");
      EXPECT_EQ(ask.cancel, "Continue test");
      EXPECT_EQ(ask.style & (wxYES_NO | wxCANCEL | wxCANCEL_DEFAULT | wxICON_INFORMATION),
                wxYES_NO | wxCANCEL | wxCANCEL_DEFAULT | wxICON_INFORMATION);
      EXPECT_EQ(filesIn(protocols()), 0u);
      EXPECT_EQ(filesIn(archives()), 0u);
    }
    EXPECT_TRUE(fs::exists(fs::path(stateFilePath(taskPath(), number, false))));

    prompts.seen.clear();
    PlayerPass resumed(taskPath(), number);
    ASSERT_TRUE(resumed.play);
    resumed.run();
    EXPECT_TRUE(resumed.play->isFinished());
    EXPECT_EQ(marksByFile(resumed.play->context.results), straight);
    EXPECT_EQ(prompts.captions(), std::vector<wxString>{"Task finished"});
    EXPECT_TRUE(fs::exists(fs::path(resumed.store.protocolPath())));
  }
}

TEST_F(PassLoopTest, StateThatCannotBeSavedIsTriedAgainOrEndsThePass) {
  const Task task = dsisTask(clips, 2);
  {
    PlayerPass pass(task, taskPath());
    block(states());
    int asked = 0;
    prompts.answer = [&](const vixo::Prompt& p) {
      if (p.caption != "Error saving state") return wxID_NO;
      if (++asked == 2) unblock(states());
      return wxID_YES;  // "Try again"
    };
    pass.run();
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(pass.play->isFinished());
    const auto& box = prompts.seen[0];
    EXPECT_EQ(box.text,
              "Can't save current state. Make sure that you have enough disk space and "
              "write access to the directory:\n" +
                  wxString(taskPath() + L".states"));
    EXPECT_EQ(box.style & (wxYES_NO | wxNO_DEFAULT | wxICON_ERROR), wxYES_NO | wxICON_ERROR);
    EXPECT_EQ(box.yes, "Try again");
    EXPECT_EQ(box.no, "Interrupt test");
    EXPECT_EQ(box.at, wxPoint(pass.player->questionsX, pass.player->questionsY));
    EXPECT_EQ(prompts.captions().back(), "Task finished");
  }
  startOver();
  {
    PlayerPass pass(task, taskPath());
    block(states());
    prompts.answer = [](const vixo::Prompt&) { return wxID_NO; };  // "Interrupt test"
    pass.run();
    EXPECT_TRUE(pass.player->interruptRequested->get());
    EXPECT_TRUE(pass.player->calls.empty());  // no question was asked
    EXPECT_EQ(prompts.captions(), std::vector<wxString>{"Error saving state"});
    EXPECT_EQ(filesIn(protocols()), 0u);
  }
}

TEST_F(PassLoopTest, ResultsThatCannotBeSavedAreTriedAgainOrLeftForAResume) {
  const Task task = dsisTask(clips, 2);
  {
    PlayerPass pass(task, taskPath());
    block(protocols());
    prompts.answer = [&](const vixo::Prompt& p) {
      if (p.caption == "Error saving results") {
        unblock(protocols());
        return wxID_YES;
      }
      return wxID_NO;
    };
    pass.run();
    ASSERT_EQ(prompts.captions(), (std::vector<wxString>{"Error saving results", "Task finished"}));
    // The box names the file that failed and why: here no folder, not a full disk.
    const auto& box = prompts.seen[0];
    EXPECT_EQ(box.text, "Can't save results. Can't write the file:\n" +
                            wxString(pass.store.protocolPath()) + "\n" + std::strerror(ENOTDIR));
    EXPECT_EQ(box.yes, "Try again");
    EXPECT_EQ(box.no, "Exit");
    EXPECT_EQ(box.style & (wxYES_NO | wxNO_DEFAULT | wxICON_ERROR), wxYES_NO | wxICON_ERROR);
    EXPECT_TRUE(fs::exists(fs::path(pass.store.protocolPath())));
  }
  startOver();
  {
    PlayerPass pass(task, taskPath());
    block(protocols());
    prompts.answer = [](const vixo::Prompt&) { return wxID_NO; };  // "Exit"
    pass.run();
    // No upload, no further box; the last state stays for a resume.
    EXPECT_EQ(prompts.captions(), std::vector<wxString>{"Error saving results"});
    EXPECT_TRUE(fs::exists(fs::path(stateFilePath(taskPath(), pass.store.stateNumber, false))));
  }
}

TEST_F(PassLoopTest, UploadedResultsAreReportedAndTheArchiveIsOfferedForEmail) {
  TempFolder root;
  RealFtpServer server(root.path(), {"--user", "lab", "pw"}, root / "server.log");
  ASSERT_NE(server.port(), 0);
  Task task = dsisTask(clips, 2);
  task.properties["resultCollectingFtp"] =
      makeStringValue("  lab@127.0.0.1:" + std::to_string(server.port()) + " ");
  task.properties["resultCollectingFtpPass"] = makeStringValue("pw");
  task.properties["resultCollectingEmail"] = makeStringValue(" results@lab.example ");
  PlayerPass pass(task, taskPath());
  bool dialogModal = false;
  vixo::setModalAnswerer([&](wxDialog& dialog) {
    dialogModal = dialog.IsModal() && dialog.GetParent() == pass.player->fullScreenWnd;
    dialog.EndModal(wxID_OK);
  });
  pass.run();
  ASSERT_EQ(prompts.captions(), std::vector<wxString>{"Task finished"});
  EXPECT_EQ(prompts.seen[0].text, "Results uploaded to FTP");
  EXPECT_EQ(prompts.seen[0].style & (wxOK | wxICON_INFORMATION), wxOK | wxICON_INFORMATION);
  EXPECT_EQ(pass.player->calls.back(),
            L"sendArchive|results@lab.example|" + pass.store.archivePath());
  EXPECT_TRUE(dialogModal);
  // Centred where the question dialogs are (clamped into the display's top-left corner).
  const wxRect display = vixo::displayRectAt({pass.player->questionsX, pass.player->questionsY});
  EXPECT_EQ(pass.player->sendArchiveCentre.x,
            std::max(pass.player->questionsX, display.x + 150 - 1));
  const fs::path uploaded = fs::path(root.path()) / fs::path(pass.store.archivePath()).filename();
  EXPECT_TRUE(fs::exists(uploaded)) << uploaded;
}

TEST_F(PassLoopTest, FailedUploadIsTriedAgainOrGivenUp) {
  Task task = dsisTask(clips, 2);
  // Nobody listens there.
  task.properties["resultCollectingFtp"] = makeStringValue("127.0.0.1:1");
  PlayerPass pass(task, taskPath());
  int tries = 0;
  prompts.answer = [&](const vixo::Prompt& p) {
    if (p.text.StartsWith("Can't upload")) return ++tries < 2 ? wxID_YES : wxID_NO;
    return wxID_NO;
  };
  pass.run();
  EXPECT_EQ(tries, 2);
  ASSERT_EQ(prompts.seen.size(), 3u);
  EXPECT_EQ(prompts.seen[0].caption, "Task finished");
  EXPECT_EQ(prompts.seen[0].text,
            "Can't upload results to FTP\nPlease, check network and try again");
  EXPECT_EQ(prompts.seen[0].yes, "Try again");
  EXPECT_EQ(prompts.seen[0].no, "Cancel sending");
  EXPECT_EQ(prompts.seen[0].style & (wxYES_NO | wxNO_DEFAULT | wxICON_ERROR),
            wxYES_NO | wxICON_ERROR);
  // "Cancel sending" goes on: no e-mail address, so where the results are.
  EXPECT_TRUE(prompts.seen[2].text.StartsWith("Results are saved to file:\n"));
}

TEST_F(PassLoopTest, TaskNeverSavedKeepsNoStateAndSaysSo) {
  const Task task = dsisTask(clips, 2);
  PlayerPass pass(task, L"");
  pass.run();
  EXPECT_TRUE(pass.play->isFinished());
  EXPECT_EQ(pass.player->stateNumberAtVote, 0);
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].caption, "Task finished");
  EXPECT_EQ(prompts.seen[0].text, "Project not saved: no protocol created");
  EXPECT_EQ(prompts.seen[0].style & (wxOK | wxICON_INFORMATION), wxOK | wxICON_INFORMATION);
}

TEST_F(PassLoopTest, RefusedBeginWritesNothingAndAsksNothing) {
  const Task task = dsisTask(clips, 2);
  PlayerPass pass(task, taskPath());
  pass.player->begin = false;
  pass.run();
  EXPECT_TRUE(pass.player->interruptRequested->get());
  EXPECT_FALSE(pass.player->finished->get());
  EXPECT_TRUE(pass.player->calls.empty());
  EXPECT_TRUE(prompts.seen.empty());
  EXPECT_EQ(filesIn(states()), 0u);
  EXPECT_EQ(filesIn(protocols()), 0u);
}

TEST_F(PassLoopTest, FileThatDoesNotOpenIsTriedAgainOrInterruptsThePass) {
  Task task = dsisTask(clips, 2);
  const std::wstring missing = fromUtf8(clips.folder / "f7.mkv");
  task.files[1].path = missing;
  {
    PlayerPass pass(task, taskPath());
    prompts.answer = [&](const vixo::Prompt& p) {
      if (p.caption != "Error opening file") return wxID_NO;
      clips.clip(7);  // the file is there now
      return wxID_YES;
    };
    pass.run();
    ASSERT_GE(prompts.seen.size(), 2u);
    // The box names the file, so that it can be found.
    EXPECT_EQ(prompts.seen[0].text, "Can't open video and continue test\n" + wxString(missing));
    EXPECT_EQ(prompts.seen[0].yes, "Try again");
    EXPECT_EQ(prompts.seen[0].no, "Interrupt test");
    EXPECT_FALSE(prompts.seen[0].at);
    EXPECT_TRUE(pass.play->isFinished());
  }
  fs::remove(fs::path(missing));
  startOver();
  {
    PlayerPass pass(task, taskPath());
    prompts.answer = [](const vixo::Prompt&) { return wxID_NO; };
    pass.run();
    EXPECT_EQ(prompts.captions(), std::vector<wxString>{"Error opening file"});
    EXPECT_TRUE(pass.player->interruptRequested->get());
    EXPECT_FALSE(pass.play->isFinished());
    // The question was not asked.
    EXPECT_EQ(std::count_if(pass.player->calls.begin(), pass.player->calls.end(),
                            [](const std::wstring& c) { return c.starts_with(L"vote"); }),
              0);
  }
}

TEST_F(PassLoopTest, InterrupterAsksOnlyDuringARealPass) {
  const Task task = dsisTask(clips, 2);
  // Before the pass: stops at once.
  {
    PlayerPass pass(task, taskPath());
    EXPECT_TRUE(pass.player->interrupter.askInterrupt(pass.player->fullScreenWnd));
    EXPECT_TRUE(pass.player->interruptRequested->get());
    // A stop is requested already: true without asking.
    EXPECT_TRUE(pass.player->interrupter.askInterrupt(nullptr));
  }
  // A debug pass: the window's close stops it without the prompt.
  {
    PlayerPass pass(task, taskPath(), true);
    pass.player->onVote = [&](int) { pass.player->fullScreenWnd->Close(); };
    pass.run();
    EXPECT_TRUE(pass.player->windowClosed->get());
    EXPECT_FALSE(pass.play->isFinished());
  }
  EXPECT_TRUE(prompts.seen.empty());
}

TEST_F(PassLoopTest, ContinueRefusesTheCloseAndDiscardingDeletesTheState) {
  const Task task = dsisTask(clips, 3);
  PlayerPass pass(task, taskPath());
  int step = 0;
  pass.player->onVote = [&](int question) {
    auto* window = pass.player->fullScreenWnd;
    if (question == 0) {
      prompts.answer = [](const vixo::Prompt&) { return wxID_CANCEL; };  // "Continue test"
      EXPECT_FALSE(window->Close());
      EXPECT_FALSE(pass.player->isStopRequested());
      EXPECT_TRUE(window->IsShown());
      ++step;
    } else {
      const int number = pass.store.stateNumber;
      EXPECT_TRUE(fs::exists(fs::path(stateFilePath(taskPath(), number, false))));
      prompts.answer = [](const vixo::Prompt&) { return wxID_NO; };  // "Exit discarding"
      EXPECT_TRUE(window->Close());
      EXPECT_FALSE(fs::exists(fs::path(stateFilePath(taskPath(), number, false))));
      ++step;
    }
  };
  pass.run();
  EXPECT_EQ(step, 2);
  EXPECT_TRUE(pass.player->windowClosed->get());
  EXPECT_EQ(filesIn(protocols()), 0u);
  // The prompt is centred on the asking window.
  ASSERT_EQ(prompts.seen.size(), 2u);
  EXPECT_TRUE(prompts.seen[0].at);
  EXPECT_EQ(prompts.seen[0].parent, prompts.seen[1].parent);
}

}  // namespace
