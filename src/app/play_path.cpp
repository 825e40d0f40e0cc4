#include "app/play_path.h"

#include <wx/msgdlg.h>

#include <climits>
#include <cmath>
#include <string>

#include "avifile/avi_system.h"
#include "common/prompt.h"
#include "player/play_start_wnd.h"
#include "results/pass_files.h"
#include "results/pass_header.h"
#include "results/result_store.h"
#include "task/play.h"
#include "task/task.h"
#include "task/task_properties.h"
#include "task/vixo_method.h"

namespace {

void showLoadingProblem(const wxString& text) {
  vixo::Prompt prompt;
  prompt.caption = "Loading problem";
  prompt.text = text;
  prompt.style = wxOK | wxICON_ERROR;
  vixo::showPrompt(prompt);
}

// Asks about the unfinished pass: wxID_YES continues it, wxID_NO starts from the beginning,
// wxID_CANCEL ends.
int askAboutUnfinishedPass(const PassHeader& header) {
  vixo::Prompt prompt;
  prompt.caption = "Task opening";
  prompt.text = unfinishedPassText(header);
  prompt.style = wxYES_NO | wxCANCEL | wxICON_INFORMATION;
  prompt.yesLabel = "Continue this pass";
  prompt.noLabel = "Start from beginning";
  prompt.cancelLabel = "Cancel";
  return vixo::showPrompt(prompt);
}

// The start-test dialog, then the pass, for a task with its file.
bool startNewPass(LoadedTask& loaded, RunPlayers& players, bool debug) {
  const bool network = getTaskProperties().network.getBoolProperty(loaded.task.properties);
  DefaultPlayer* player = network ? players.online.get() : players.offline.get();
  if (!player) {
    showLoadingProblem("This build of VIXO cannot run online tests.");
    return false;
  }
  PlayContext context;
  {
    std::unique_ptr<PlayStartWnd> dialog;
    if (network)
      dialog = std::make_unique<PlayStartWndOnline>(loaded, player, debug);
    else
      dialog = std::make_unique<PlayStartWndOffline>(loaded, player, debug);
    if (vixo::showModal(*dialog) != 0) return false;
    context = dialog->playContext;
  }  // the dialog goes before the pass
  if (!context.player) return false;

  const VIXOmethod* method = loaded.task.method();
  std::shared_ptr<VIXOplay> play = method ? method->createPlay(context) : nullptr;
  if (!play) return false;
  ResultStore store(play);
  player->runPass(store);
  return true;
}

}  // namespace

std::wstring unfinishedPassText(const PassHeader& header) {
  std::wstring text = L"This task has unfinished pass\n";
  if (header.network)
    text += L"Host: " + fromUtf8(header.host) + L"\nPort: " + std::to_wstring(header.port) + L"\n";
  else
    text += L"Observer: " + header.expert + L"\n";
  text += L"Started at: " + fromUtf8(formatTimeStamp(header.start));
  // A damaged header may hold any number: the percentage stays within what an int holds.
  const double percent = header.progress * 100 + 0.5;
  const int shown = std::isnan(percent)  ? 0
                    : percent >= INT_MAX ? INT_MAX
                    : percent <= INT_MIN ? INT_MIN
                                         : static_cast<int>(percent);
  text += L"\nCurrent progress: " + std::to_wstring(shown);
  text += L"%\n\nDo you want to continue this task?";
  return text;
}

bool runTest(const Task& task, const std::wstring& taskPath, bool debug,
             const PlayerMaker& makePlayers) {
  LoadedTask loaded(task, taskPath);
  RunPlayers players = makePlayers();
  return startNewPass(loaded, players, debug);
}

bool playTaskFile(const std::wstring& taskPath, const PlayerMaker& makePlayers) {
  PassHeader header = readPassHeaders(taskPath);
  if (header.isValid()) {
    const int answer = askAboutUnfinishedPass(header);
    if (answer != wxID_YES && answer != wxID_NO) return false;
    // From the beginning: the old pass's state file stays, to be offered again next time.
    if (answer == wxID_NO) header = PassHeader();
  }

  RunPlayers players = makePlayers();
  if (header.isValid()) {
    DefaultPlayer* player = header.network ? players.online.get() : players.offline.get();
    std::shared_ptr<VIXOplay> play =
        player ? resumePass(taskPath, header.stateNumber, player, false) : nullptr;
    if (!play) {
      showLoadingProblem(
          "Error while loading task. File corrupted or incompatible with this VIXO version.");
      return false;
    }
    ResultStore store;
    store.play = play;
    store.hasState = true;
    store.stateNumber = header.stateNumber;
    store.debug = false;
    player->runPass(store);
    return true;
  }

  LoadedTask loaded;
  if (!loadTaskFile(loaded.task, taskPath)) {
    showLoadingProblem(
        "Error while loading task. File corrupted, incompatible with this VIXO version or can't "
        "be opened.");
    return false;
  }
  loaded.path = taskPath;
  return startNewPass(loaded, players, false);
}
