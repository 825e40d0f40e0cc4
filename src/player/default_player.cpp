#include "player/default_player.h"

#include <wx/dialog.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

#include <optional>

#include "avifile/avi_desktop.h"
#include "avifile/avi_system.h"
#include "common/dialog_place.h"
#include "common/event_loop_wait.h"
#include "common/prompt.h"
#include "media/open_media.h"
#include "media/video_file.h"
#include "player/full_screen_wnd.h"
#include "results/result_store.h"
#include "shell/wnd_loading.h"
#include "task/play.h"
#include "task/task.h"
#include "task/task_properties.h"

using connections::makeConstant;
using connections::makeVariableMem;

namespace {

vixo::Prompt makePrompt(wxWindow* parent, const wxString& caption, const wxString& text, long style,
                        std::optional<wxPoint> at = {}) {
  vixo::Prompt prompt;
  prompt.parent = parent;
  prompt.caption = caption;
  prompt.text = text;
  prompt.style = style;
  prompt.at = at;
  return prompt;
}

// A box with "Try again" (the default) and another way out; true for "Try again".
bool askTryAgain(vixo::Prompt prompt, const wxString& otherLabel) {
  prompt.style |= wxYES_NO;
  prompt.yesLabel = "Try again";
  prompt.noLabel = otherLabel;
  return vixo::showPrompt(prompt) == wxID_YES;
}

wxString pathText(const std::wstring& path) { return wxString(path.c_str()); }

// The text of a pass file that could not be written into its folder.
wxString folderProblem(const char* what, const std::wstring& folder) {
  return wxString("Can't save ") + what +
         ". Make sure that you have enough disk space and write access to the directory:\n" +
         pathText(folder);
}

// What the pass end could not write, and the system's reason: a full disk, a folder without
// write access or a name taken by another pass each need something else done.
wxString resultsProblem(const ResultStore& store, const std::wstring& taskPath) {
  if (store.failedFile.empty()) return folderProblem("results", taskPath + L".protocols");
  return "Can't save results. Can't write the file:\n" + pathText(store.failedFile) + "\n" +
         wxSysErrorMsgStr(static_cast<unsigned long>(store.failure));
}

}  // namespace

SettingsScheme::Object playerLayoutScheme(PlayerLayout& layout) {
  SettingsScheme::Object scheme;
  scheme.add(L"display", &layout.display)
      .add(L"questionsX", &layout.questionsX)
      .add(L"questionsY", &layout.questionsY);
  return scheme;
}

// ---------------------------------------------------------------- construction

DefaultPlayer::DefaultPlayer()
    : interruptRequested(makeVariableMem(false)),
      windowClosed(makeVariableMem(false)),
      finished(makeVariableMem(false)),
      stopRequested((interruptRequested || windowClosed) || finished) {
  fullScreenWnd = new FullScreenWnd();
  loadingWindow = showLoadingWindow(fullScreenWnd);
  // The window may outlive the player (the toolkit deletes it later): its handlers reach the
  // player through a pointer that the destructor clears.
  const auto self = windowOwner;
  FullScreenWnd* window = fullScreenWnd;
  window->Bind(wxEVT_DESTROY, [self, window](wxWindowDestroyEvent& event) {
    event.Skip();
    if (*self && event.GetEventObject() == window) (*self)->fullScreenWnd = nullptr;
  });
  window->Bind(wxEVT_CLOSE_WINDOW, [self](wxCloseEvent& event) {
    DefaultPlayer* player = *self;
    if (player) {
      if (!event.CanVeto()) {
        player->interrupter.forceInterrupt();
      } else if (!player->interrupter.askInterrupt(player->fullScreenWnd)) {
        event.Veto();
        return;
      }
    }
    event.Skip();
    if (player) player->windowClosed->set(true);
  });
}

DefaultPlayer::~DefaultPlayer() {
  *windowOwner = nullptr;
  if (fullScreenWnd) fullScreenWnd->Destroy();
}

// ---------------------------------------------------------------- the interrupter

bool DefaultPlayer::Interrupter::askInterrupt(wxWindow* asking) {
  if (player->stopRequested->get()) return true;
  if (player->play && !player->play->context.debug) {
    vixo::Prompt prompt = makePrompt(
        asking, "Test not finished",
        "Test not finished. Do you really want to interrupt test?\nYou can choose saving "
        "progress to continue test in the future.",
        wxYES_NO | wxCANCEL | wxCANCEL_DEFAULT | wxICON_INFORMATION);
    prompt.yesLabel = "Exit saving progress";
    prompt.noLabel = "Exit discarding progress";
    prompt.cancelLabel = "Continue test";
    if (asking) prompt.at = vixo::windowCentre(*asking);
    const int answer = vixo::showPrompt(prompt);
    if (answer != wxID_YES && answer != wxID_NO) return false;
    if (answer == wxID_NO && player->resultStore) player->resultStore->deleteState();
  }
  player->interruptRequested->set(true);
  return true;
}

void DefaultPlayer::Interrupter::forceInterrupt() { player->interruptRequested->set(true); }

// ---------------------------------------------------------------- VIXOplayer

bool DefaultPlayer::playVideoPair(const std::wstring& message, const std::wstring& first,
                                  const std::wstring& second) {
  const auto files = openVideos({first, second});
  if (fullScreenWnd) fullScreenWnd->present();
  showInstructions(message);
  return playVideoRange(files);
}

bool DefaultPlayer::playVideo(const std::wstring& message, const std::wstring& path) {
  const auto files = openVideos({path});
  if (fullScreenWnd) fullScreenWnd->present();
  showInstructions(message);
  return playVideoRange(files);
}

char DefaultPlayer::playChosenSequence(const std::wstring& message, const std::wstring& pathA,
                                       const std::wstring& pathB) {
  const auto files = openVideos({pathA, pathB});
  if (fullScreenWnd) fullScreenWnd->present();
  const char answer = showBeforeVideo(message, true, false);
  const char played = answer == 'A' ? 'A' : 'B';
  return playVideoRange({files[played == 'A' ? 0 : 1]}) ? played : 0;
}

bool DefaultPlayer::isStopRequested() { return stopRequested->get(); }

Brindle::JSON DefaultPlayer::saveLayout() {
  PlayerLayout layout{fullScreenWnd ? fullScreenWnd->displayIndex : 0, questionsX, questionsY};
  return playerLayoutScheme(layout).save();
}

bool DefaultPlayer::loadLayout(Brindle::JSON json) {
  PlayerLayout layout{fullScreenWnd ? fullScreenWnd->displayIndex : 0, questionsX, questionsY};
  playerLayoutScheme(layout).load(json);
  if (fullScreenWnd) {
    fullScreenWnd->displayIndex = layout.display;
    if (fullScreenWnd->IsShown()) fullScreenWnd->moveToDisplay();
  }
  questionsX = layout.questionsX;
  questionsY = layout.questionsY;
  return true;
}

bool DefaultPlayer::beginPass() { return true; }

// ---------------------------------------------------------------- the pass

const Task& DefaultPlayer::settings() const {
  static const Task none;
  return task ? *task : none;
}

void DefaultPlayer::runPass(ResultStore& store) {
  loadedTask = &store.play->context.loadedTask;
  task = &loadedTask->task;
  const auto& p = getTaskProperties();
  const long long colour = p.bgColor.getIntegerProperty(task->properties);
  if (fullScreenWnd)
    fullScreenWnd->setTestBackground(wxColour(
        static_cast<unsigned char>(colour & 255), static_cast<unsigned char>((colour >> 8) & 255),
        static_cast<unsigned char>((colour >> 16) & 255), 255));
  resultStore = &store;
  play = store.play.get();

  if (!beginPass()) {
    interruptRequested->set(true);
    return;
  }
  if (!play->isFinished()) {
    for (;;) {
      if (isStopRequested()) break;
      if (!saveProgress()) break;
      play->nextQuestion();
      if (play->isFinished()) break;
    }
  }
  finishTest();
}

bool DefaultPlayer::saveProgress() {
  if (!loadedTask || loadedTask->path.empty()) return true;
  for (;;) {
    if (resultStore && resultStore->saveState()) return true;
    const bool again =
        askTryAgain(makePrompt(fullScreenWnd, "Error saving state",
                               folderProblem("current state", loadedTask->path + L".states"),
                               wxICON_ERROR, wxPoint(questionsX, questionsY)),
                    "Interrupt test");
    if (isStopRequested()) closeFullScreen();
    if (!again) {
      interruptRequested->set(true);
      return false;
    }
  }
}

void DefaultPlayer::finishTest() {
  takeLastAnswers();
  finished->set(true);
  if (!play || !play->isFinished()) return;
  const wxPoint at(questionsX, questionsY);
  if (!loadedTask || loadedTask->path.empty()) {
    vixo::showPrompt(makePrompt(fullScreenWnd, "Task finished",
                                "Project not saved: no protocol created", wxOK | wxICON_INFORMATION,
                                at));
    return;
  }
  while (!resultStore->finishPass()) {
    if (!askTryAgain(makePrompt(fullScreenWnd, "Error saving results",
                                resultsProblem(*resultStore, loadedTask->path), wxICON_ERROR, at),
                     "Exit"))
      return;
  }

  const auto& p = getTaskProperties();
  const std::wstring ftp = trim(p.resultCollectingFtp.getStringProperty(task->properties));
  if (!ftp.empty()) {
    for (;;) {
      if (resultStore->uploadArchive()) {
        vixo::showPrompt(makePrompt(fullScreenWnd, "Task finished", "Results uploaded to FTP",
                                    wxOK | wxICON_INFORMATION, at));
        break;
      }
      if (!askTryAgain(
              makePrompt(fullScreenWnd, "Task finished",
                         "Can't upload results to FTP\nPlease, check network and try again",
                         wxICON_ERROR, at),
              "Cancel sending"))
        break;
    }
  }

  const std::wstring email = trim(p.resultCollectingEmail.getStringProperty(task->properties));
  if (!email.empty()) {
    std::unique_ptr<wxDialog> dialog =
        makeSendArchiveDialog(fullScreenWnd, email, resultStore->archivePath());
    if (dialog) {
      vixo::placeDialogAt(dialog.get(), questionsX, questionsY);
      vixo::showModal(*dialog);
    }
    return;
  }

  const std::wstring protocol = resultStore->protocolPath();
  vixo::Prompt prompt = makePrompt(fullScreenWnd, "Task finished",
                                   "Results are saved to file:\n" + pathText(protocol),
                                   wxYES_NO | wxICON_INFORMATION, at);
  prompt.yesLabel = "Open in explorer";
  prompt.noLabel = "OK";
  if (vixo::showPrompt(prompt) == wxID_YES) showInExplorer(protocol);
}

// ---------------------------------------------------------------- dialogs

bool DefaultPlayer::closeFullScreen() { return fullScreenWnd ? fullScreenWnd->Close(false) : true; }

int DefaultPlayer::runModal(wxDialog& dialog) {
  vixo::placeDialogAt(&dialog, questionsX, questionsY);
  const int result = vixo::showModal(dialog);
  rememberDialogCentre(&dialog);
  if (isStopRequested()) closeFullScreen();
  return result;
}

char DefaultPlayer::showBeforeVideo(const std::wstring& message, bool chooseSequence,
                                    bool startButton) {
  if (isStopRequested()) return 0;
  const bool pauseAllowed = getTaskProperties().pauseAllowed.getBoolProperty(settings().properties);
  const char key =
      runBeforeVideoDialog(fullScreenWnd, message, chooseSequence, startButton, pauseAllowed);
  if (isStopRequested()) closeFullScreen();
  return key;
}

void DefaultPlayer::rememberDialogCentre(wxWindow* window) {
  if (!window) return;
  const wxPoint centre = vixo::windowCentre(*window);
  questionsX = centre.x;
  questionsY = centre.y;
}

// ---------------------------------------------------------------- media files

std::vector<std::shared_ptr<VideoFile>> DefaultPlayer::openVideos(
    const std::vector<std::wstring>& paths) {
  const auto& p = getTaskProperties();
  const Task& t = settings();
  MediaOpenRequest request;
  request.buffered = true;
  request.bufferLength = static_cast<int32_t>(p.bufferLength.getIntegerProperty(t.properties));
  request.imageDisplayMs = p.imageLength.getIntegerProperty(t.properties);
  std::vector<std::shared_ptr<VideoFile>> files;
  for (const std::wstring& path : paths) {
    request.path = path;
    files.push_back(openMedia(request));
    if (loadedTask) loadedTask->openedFiles[path] = files.back();
  }
  return files;
}

bool DefaultPlayer::ensureVideosOpen(const std::vector<std::shared_ptr<VideoFile>>& files) {
  for (const auto& file : files) {
    while (!(file->opened()->get() && file->isValid())) {
      // The file is named: the observer or the operator has to find it.
      const vixo::Prompt prompt = makePrompt(
          fullScreenWnd, "Error opening file",
          "Can't open video and continue test\n" + pathText(file->getPath()), wxICON_ERROR);
      if (!askTryAgain(prompt, "Interrupt test")) {
        interruptRequested->set(true);
        return false;
      }
      file->reopen();
      waitUntilReady({file});
    }
  }
  return true;
}

void DefaultPlayer::waitUntilReady(const std::vector<std::shared_ptr<VideoFile>>& files) {
  connections::ExpressionPtr<bool> ready = makeConstant(true);
  for (const auto& file : files) ready = ready && file->opened();
  connections::runEventLoopUntil(ready || stopRequested);
}

bool DefaultPlayer::upscaleAllowed() const {
  return getTaskProperties().scaling.getEnumeratedProperty(settings().properties) ==
         VixoProperties::UpOrDownscale;
}
