// The start-test dialog shown before every new pass: the test's name and number of questions, a
// check of the task in the background (validation, then every file of the test opened once),
// the observer's name for a local test, the display of the full-screen window, and for an
// online test the host and port that the browsers will use. The choices are kept per user in
// the settings store, written only when "Start test" is pressed, which hands the caller the
// pass's context.
//
// Shown modally (vixo::showModal). Its result: 0 after "Start test" (then `playContext` holds
// the pass's context, to be copied before the dialog goes), wxID_CANCEL for "Cancel" or a close,
// wxID_ABORT when the task check failed.
//
// Threads: the GUI thread owns the dialog, its controls and variables. The check runs on
// `checkThread`, which reads only the task's file list (unchanged while the dialog exists) and
// `stopCheck`, and posts its progress, an open error and its end to the dialog through
// `events`. The destructor stops the check after its current file and joins it before anything
// a post refers to goes.
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/event_getter.h"
#include "common/operations.h"
#include "common/variable.h"
#include "layouts/play_start_wnd_stub.h"
#include "task/task.h"

class DefaultPlayer;
class VIXOmethod;

class PlayStartWnd : public PlayStartWndStub {
 public:
  // The per-user settings of the dialog, with their defaults.
  struct Settings {
    int display = 0;
    std::wstring observer;
    int port = 8080;
    std::string host;  // UTF-8
    int hostIdx = -1;
  };

  // `task` is not owned and must outlive the dialog; `player` is the pass's player (its
  // full-screen window takes the display, its question dialogs the dialog's centre).
  PlayStartWnd(wxWindow* parent, LoadedTask& task, DefaultPlayer* player, bool network, bool debug);
  ~PlayStartWnd() override;

  // Fills the controls from the settings store (the defaults for values it does not hold).
  void loadSettings();
  // Writes the five settings; called by "Start test" only.
  void saveSettings();
  // The port text as the C library reads a signed decimal number: leading white space and a
  // sign allowed, reading stops at the first other character, 0 when no digit comes first.
  int portNumber() const;
  void startTest();
  // Validates the task, then starts the file check; from the init-dialog event.
  void checkTaskInBackground();
  // The file check; on `checkThread`.
  static void checkFiles(PlayStartWnd* dialog, std::shared_ptr<EventGetterSetterHelper> post,
                         std::vector<TaskFile> files);
  void showOpenError(const TaskFile& file);
  // Shows a moving white square on the chosen display.
  void runDisplayTest();

  // Ends the modal loop with the code once it runs: the task check may fail before it starts.
  void endWhenRunning(int code);

  std::thread checkThread;
  EventGetter events{this};
  connections::VariableMemPtr<bool> checkDone;
  connections::VariableMemPtr<bool> checkFailed;
  connections::VariablePtr<int> progress;
  connections::VariablePtr<wxString> observerText;
  std::atomic<bool> stopCheck{false};
  int savedHostIndex = -1;
  const VIXOmethod* method = nullptr;
  PlayContext playContext;
  connections::BindingList bindings;
  LoadedTask& task;
  connections::VariableMemPtr<bool> nameAllowsStart;
  connections::VariableMemPtr<bool> showNameRow;
  connections::VariableMemPtr<bool> showHostRow;
  connections::VariableMemPtr<bool> showTestButton;
  connections::ExpressionPtr<std::wstring> observerName;
  // Online tests only: the port names a port (1 to 65535); always true offline.
  connections::VariableMemPtr<bool> portAllowsStart;
  connections::VariablePtr<wxString> portVar;  // the port text

  DefaultPlayer* player;
  bool network;
  bool debug;
};

// A pass with one observer at the test machine: asks the observer's name.
class PlayStartWndOffline : public PlayStartWnd {
 public:
  PlayStartWndOffline(LoadedTask& task, DefaultPlayer* player, bool debug);
};

// A pass whose observers vote from their browsers: asks the host and port of the test's
// address, over the player's full-screen window.
class PlayStartWndOnline : public PlayStartWnd {
 public:
  PlayStartWndOnline(LoadedTask& task, DefaultPlayer* player, bool debug);
  // Offers the addresses (UTF-8) in the host box and selects the saved one, or the first.
  void fillHostList(const std::vector<std::string>& addresses);
};

// The settings store of the dialog: "display", "observer", "port", "host", "hostIdx" of the
// application "vixo". Values the store does not hold, or holds with another kind, keep the
// defaults; the defaults when the store cannot be opened.
PlayStartWnd::Settings readStartSettings();
// Writes the five values in that order; false when the store cannot be opened. Single write
// failures are ignored.
bool writeStartSettings(const PlayStartWnd::Settings& settings);
