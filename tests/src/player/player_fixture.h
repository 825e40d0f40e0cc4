// What the player tests share: a player whose observer is a script (votes, instructions and
// the send-archive dialog answered in place of the voting dialogs), the prompts a pass shows
// answered and recorded, small test clips written at test time, and waits on the event loop.
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/timer.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "avifile/avi_system.h"
#include "common/dialog_place.h"
#include "common/event_loop_wait.h"
#include "common/prompt.h"
#include "media/video_file.h"
#include "player/default_player.h"
#include "player/full_screen_wnd.h"
#include "results/result_store.h"
#include "src/layouts/layout_fixture.h"
#include "support/temp_folder.h"
#include "support/test_video.h"
#include "task/answer_getter.h"
#include "task/play.h"
#include "task/task.h"
#include "task/vixo_method.h"

namespace vixo_test {

using namespace std::chrono_literals;

// Runs the event loop until the condition holds or the time limit passes; true when it held.
inline bool loopUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = 10s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  auto done = connections::makeVariableMem(false);
  wxTimer poll;
  poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (condition() || std::chrono::steady_clock::now() > end) done->set(true);
  });
  poll.Start(5);
  connections::runEventLoopUntil(done);
  poll.Stop();
  return condition();
}

// A key as the observer presses it, through the window's key hook.
inline void pressKey(wxWindow* window, int code) {
  wxKeyEvent key(wxEVT_CHAR_HOOK);
  key.m_keyCode = code;
  key.SetEventObject(window);
  window->GetEventHandler()->ProcessEvent(key);
}

// The number N of a clip ".../fN.mkv"; -1 for another name.
inline int clipNumber(const std::wstring& path) {
  const std::wstring name = std::filesystem::path(path).stem().wstring();
  if (name.size() < 2 || name[0] != L'f') return -1;
  return std::stoi(name.substr(1));
}

// A player whose observer answers from a script. The media really play on the full-screen
// window; only what the voting dialogs would ask is answered here.
class ScriptedDefaultPlayer : public DefaultPlayer {
 public:
  // Every call, in order: "playVideo|path", "beforeVideo|message|choose|press|pause",
  // "voteDSIS|question", "sendArchive|email|path".
  std::vector<std::wstring> calls;
  // Called when a vote is asked, before it is answered.
  std::function<void(int question)> onVote;
  // Called when a playback starts (a file of the question plays).
  std::function<void()> onPlaying;
  // What the instructions dialog answers.
  char beforeVideoKey = 0;
  bool begin = true;
  // The dialog the send-archive seam made, and where it stood when it was shown.
  wxPoint sendArchiveCentre;
  int stateNumberAtVote = -1;

  bool playVideo(const std::wstring& message, const std::wstring& path) override {
    calls.push_back(L"playVideo|" + path);
    played.push_back(path);
    watchPlayback({path});
    return DefaultPlayer::playVideo(message, path);
  }
  bool playVideoPair(const std::wstring& message, const std::wstring& first,
                     const std::wstring& second) override {
    calls.push_back(L"playVideoPair|" + first + L"|" + second);
    played.push_back(second);
    watchPlayback({first, second});
    return DefaultPlayer::playVideoPair(message, first, second);
  }

  // DSIS mark 1 + N % 5 for the clip fN shown last: a resumed pass gives the same marks.
  bool voteDSIS(int question) override {
    calls.push_back(L"voteDSIS|" + std::to_wstring(question));
    if (resultStore) stateNumberAtVote = resultStore->stateNumber;
    if (onVote) onVote(question);
    if (isStopRequested()) return true;
    auto* recorder = dynamic_cast<AnswerGetter<int>*>(play->recorder.get());
    if (recorder)
      recorder->setAnswer(question, play->context.expert, 1 + clipNumber(played.back()) % 5);
    return true;
  }
  bool voteSCACJ(int) override { return true; }
  bool voteSCACJbinary(int) override { return true; }
  char voteDSCQS(bool, int) override { return 0; }
  int voteSAMVIQ(const std::vector<int>&, std::map<int, int>&, int, bool) override { return -2; }
  bool voteCustom(const std::vector<CustomQuestion>&, int) override { return true; }
  void showInstructions(const std::wstring& message) override {
    showBeforeVideo(message, false, true);
  }
  bool beginPass() override { return begin; }

  std::vector<std::wstring> played;

 protected:
  char runBeforeVideoDialog(wxWindow* parent, const std::wstring& message, bool chooseSequence,
                            bool pressSpace, bool pauseAllowed) override {
    EXPECT_EQ(parent, fullScreenWnd);
    calls.push_back(L"beforeVideo|" + message + L"|" + (chooseSequence ? L"1" : L"0") + L"|" +
                    (pressSpace ? L"1" : L"0") + L"|" + (pauseAllowed ? L"1" : L"0"));
    return beforeVideoKey;
  }
  std::unique_ptr<wxDialog> makeSendArchiveDialog(wxWindow* parent, const std::wstring& email,
                                                  const std::wstring& archivePath) override {
    calls.push_back(L"sendArchive|" + email + L"|" + archivePath);
    auto dialog = std::make_unique<wxDialog>(parent, wxID_ANY, "Please, send results",
                                             wxDefaultPosition, wxSize(300, 200));
    dialog->Bind(wxEVT_SHOW, [this, d = dialog.get()](wxShowEvent& e) {
      e.Skip();
      if (e.IsShown()) sendArchiveCentre = vixo::windowCentre(*d);
    });
    return dialog;
  }

 private:
  // Calls onPlaying once a file of the question plays.
  void watchPlayback(std::vector<std::wstring> paths) {
    if (!onPlaying || !loadedTask) return;
    wxTimer* timer = watchers.emplace_back(std::make_unique<wxTimer>()).get();
    timer->Bind(wxEVT_TIMER, [this, timer, paths](wxTimerEvent&) {
      for (const auto& path : paths) {
        auto file = loadedTask->openedFiles[path].lock();
        if (file && file->getState() == VideoFile::Playing) {
          timer->Stop();
          onPlaying();
          return;
        }
      }
    });
    timer->Start(2);
  }
  std::vector<std::unique_ptr<wxTimer>> watchers;  // stopped with the player
};

// The prompts shown, answered by a function of the prompt (wxID_OK when there is none).
struct PromptLog {
  struct Seen {
    wxString caption, text;
    long style;
    wxString yes, no, cancel;
    std::optional<wxPoint> at;
    wxWindow* parent;
  };
  std::vector<Seen> seen;
  std::function<int(const vixo::Prompt&)> answer;

  PromptLog() {
    vixo::setPromptAnswerer([this](const vixo::Prompt& p) -> int {
      seen.push_back(
          {p.caption, p.text, p.style, p.yesLabel, p.noLabel, p.cancelLabel, p.at, p.parent});
      if (answer) return answer(p);
      return (p.style & wxYES_NO) ? wxID_NO : wxID_OK;
    });
  }
  ~PromptLog() {
    vixo::setPromptAnswerer({});
    vixo::setModalAnswerer({});
  }
  std::vector<wxString> captions() const {
    std::vector<wxString> out;
    for (const Seen& s : seen) out.push_back(s.caption);
    return out;
  }
};

// Tiny clips f0.mkv, f1.mkv, ... (FFV1, 32 x 24, a few frames) in a folder of their own.
class Clips {
 public:
  std::wstring clip(int n, int frames = 3) {
    const std::string path = folder / ("f" + std::to_string(n) + ".mkv");
    if (!std::filesystem::exists(path)) {
      VideoSpec spec;
      spec.width = 32;
      spec.height = 24;
      spec.frames = frames;
      EXPECT_EQ(writeVideo(path, spec), "");
    }
    return fromUtf8(path);
  }
  TempFolder folder;
};

// A DSIS task of clips f0 (the reference) .. f(n-1), no training, no shuffling.
inline Task dsisTask(Clips& clips, int files) {
  Task task;
  task.name = L"Lab task";
  for (int i = 0; i < files; ++i)
    task.files.push_back({L"f" + std::to_wstring(i), clips.clip(i), 1});
  task.references = {0};
  task.properties["method"] = makeStringValue("DSIS");
  task.properties["trainingQuestions"] = Any::of(0LL);
  task.properties["shuffleSources"] = Any::of(false);
  task.properties["relativePaths"] = Any::of(false);
  return task;
}

// One pass of a task: a player, the play of the task's method and the pass's store.
struct PlayerPass {
  PlayerPass(const Task& task, const std::wstring& taskPath, bool debug = false) {
    auto made = task.method()->createPlay(
        PlayContext(LoadedTask(task, taskPath), player.get(), L"Ann", "", 0, false, debug));
    EXPECT_TRUE(made);
    play = made;
    store = ResultStore(play);
  }
  // A pass resumed from state file `number` of the task.
  PlayerPass(const std::wstring& taskPath, int number) {
    play = resumePass(taskPath, number, player.get(), false);
    EXPECT_TRUE(play);
    store.play = play;
    store.hasState = true;
    store.stateNumber = number;
  }
  void run() { player->runPass(store); }

  std::unique_ptr<ScriptedDefaultPlayer> player = std::make_unique<ScriptedDefaultPlayer>();
  std::shared_ptr<VIXOplay> play;
  ResultStore store;
};

// Destroys what the players leave (their full-screen windows go at the next idle time) and
// checks that no window stays.
class PlayerTest : public LayoutTest {
 protected:
  void TearDown() override {
    vixo::setPromptAnswerer({});
    vixo::setModalAnswerer({});
    LayoutTest::TearDown();
  }
};

}  // namespace vixo_test
