// The common part of the players: the full-screen window, the stop of a pass and the pass loop.
//
// A pass runs in DefaultPlayer::runPass: the state is saved before every question (never after
// the last one), the play asks its questions through the VIXOplayer operations, and the pass
// end writes the result files, uploads the archive and tells the operator where the results
// are. A stop is never an exception: it is the expression `stopRequested`, the OR of three
// flags that are only ever set, never cleared; every wait, vote and loop of the run tests it.
//
// Everything here runs on the GUI thread. Waits are nested event loops, so window events keep
// arriving while a question plays or a file opens. Media files change their states on their
// own threads and reach the player only through expressions and posts to the full-screen
// window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "avifile/json.h"
#include "avifile/settings_scheme.h"
#include "common/variable.h"
#include "player/vixo_player.h"

class ResultStore;
class VIXOplay;
class VideoFile;
class WndLoading;
class wxDialog;
class wxWindow;
struct LoadedTask;
struct Task;

// The player's part of a pass state file (its "player" member).
struct PlayerLayout {
  int display = 0;     // the display the full-screen window uses
  int questionsX = 0;  // the remembered centre of the question dialogs, screen pixels
  int questionsY = 0;
};
// "display", "questionsX", "questionsY", in this order.
SettingsScheme::Object playerLayoutScheme(PlayerLayout& layout);

class DefaultPlayer : public VIXOplayer {
 public:
  class FullScreenWnd;  // player/full_screen_wnd.h

  // The single place where a pass is stopped.
  class Interrupter : public TestInterrupter {
   public:
    explicit Interrupter(DefaultPlayer* player) : player(player) {}
    // True at once while a stop is requested; before the pass and in a debug pass it stops
    // without asking; otherwise "Test not finished" asks whether to stop saving or discarding
    // the progress, or to continue.
    bool askInterrupt(wxWindow* asking) override;
    void forceInterrupt() override;

    DefaultPlayer* player;
  };

  // Creates the full-screen window (hidden) and shows the loading window over it; returns
  // once the loading window is on screen.
  DefaultPlayer();
  // Asks the full-screen window, when it still exists, to destroy itself.
  virtual ~DefaultPlayer();

  // --- VIXOplayer operations shared by every player
  bool playVideoPair(const std::wstring& message, const std::wstring& first,
                     const std::wstring& second) override;
  bool playVideo(const std::wstring& message, const std::wstring& path) override;
  char playChosenSequence(const std::wstring& message, const std::wstring& pathA,
                          const std::wstring& pathB) override;
  bool isStopRequested() override;
  Brindle::JSON saveLayout() override;
  // Members absent from the layout keep their current values; moves the full-screen window to
  // the display when it is shown. Always true.
  bool loadLayout(Brindle::JSON layout) override;
  bool beginPass() override;

  // Runs one pass of the store's play to its end; once per player.
  void runPass(ResultStore& store);
  // Saves the pass state before a question; false when the observer chose to interrupt.
  bool saveProgress();
  // Ends the pass: result files, upload, and where the results are.
  void finishTest();

  // Shows a question dialog modally at the remembered place and remembers where it was left;
  // closes the full-screen window when a stop was requested meanwhile. The dialog's end code.
  int runModal(wxDialog& dialog);
  // The instructions before a question; 'A', 'B' (a chosen sequence) or 0, and 0 at once when
  // a stop is requested.
  char showBeforeVideo(const std::wstring& message, bool chooseSequence, bool startButton);

  // Opens the paths as media files (they open on their own threads) and records them in the
  // task's table of opened files.
  std::vector<std::shared_ptr<VideoFile>> openVideos(const std::vector<std::wstring>& paths);
  // Asks to try again for every file that did not open; false when the observer chose to
  // interrupt.
  bool ensureVideosOpen(const std::vector<std::shared_ptr<VideoFile>>& files);
  // Returns when every file's open is over, or a stop is requested.
  void waitUntilReady(const std::vector<std::shared_ptr<VideoFile>>& files);
  // The window's centre becomes the place of the next question dialog.
  void rememberDialogCentre(wxWindow* window);

  // Plays the files of one question together, one per picture slot; true when they played to
  // their end, false on a stop or a file that cannot be played.
  bool playVideoRange(const std::vector<std::shared_ptr<VideoFile>>& files);
  // Starts the file in picture slot 0 or 1: a video into the slot's panel, a still image into
  // its bitmap. False when it plays in neither.
  bool startPicture(int slot, const std::shared_ptr<VideoFile>& file);
  // The task lets pictures be enlarged ("scaling" is "Upscale or downscale").
  bool upscaleAllowed() const;
  // Shows a white square crossing the full-screen window on the display for about 1.5 s.
  void runDisplayTest(int displayIndex);

  TestInterrupter* getInterrupter() { return &interrupter; }

  // --- GUI thread only
  FullScreenWnd* fullScreenWnd = nullptr;  // null once the window is destroyed
  WndLoading* loadingWindow = nullptr;     // the toolkit's; not used after construction
  // Not owned: the run owns the store, the store shares the play, the play holds the task.
  Task* task = nullptr;
  LoadedTask* loadedTask = nullptr;
  VIXOplay* play = nullptr;
  ResultStore* resultStore = nullptr;
  int questionsX = 0;
  int questionsY = 0;
  Interrupter interrupter{this};
  connections::VariableMemPtr<bool> interruptRequested;
  connections::VariableMemPtr<bool> windowClosed;
  connections::VariableMemPtr<bool> finished;
  // (interruptRequested OR windowClosed) OR finished; never set directly.
  connections::ExpressionPtr<bool> stopRequested;

 protected:
  // The dialogs of a run that come with the voting dialogs; each player supplies them.
  //
  // Shows the instructions before a question (DlgBeforeVideo with the running play and this
  // player's interrupter, hot keys shown) modally over `parent` and returns its key.
  virtual char runBeforeVideoDialog(wxWindow* parent, const std::wstring& message,
                                    bool chooseSequence, bool pressSpace, bool pauseAllowed) = 0;
  // Makes the end-of-pass request to send the archive (DlgSendArchive); the player places it,
  // shows it modally and destroys it.
  virtual std::unique_ptr<wxDialog> makeSendArchiveDialog(wxWindow* parent,
                                                          const std::wstring& email,
                                                          const std::wstring& archivePath) = 0;

  // Asks the full-screen window to close, as the observer would; true when it closed.
  bool closeFullScreen();

  // The first step of finishTest, while the pass does not count as ended yet: a player whose
  // answers come from elsewhere refuses any further ones and records those it has accepted, so
  // that the pass's files hold every answer it confirmed. Nothing for a local observer.
  virtual void takeLastAnswers() {}

 private:
  // The task's settings, or their defaults before a pass.
  const Task& settings() const;

  // This player while it lives, for the handlers bound on the full-screen window.
  std::shared_ptr<DefaultPlayer*> windowOwner = std::make_shared<DefaultPlayer*>(this);
};
