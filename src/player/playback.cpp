// The playback of a question's media files on the full-screen window, and the display test.
#include <wx/dcclient.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/timer.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "common/event_loop_wait.h"
#include "common/prompt.h"
#include "media/video_file.h"
#include "player/full_screen_wnd.h"
#include "player/volume_control.h"
#include "task/task.h"
#include "task/task_properties.h"

using connections::ExpressionPtr;
using connections::makeConstant;

namespace {

using Files = std::vector<std::shared_ptr<VideoFile>>;

// Whether this playback hid the cursor. Shared with callables posted from the media files'
// threads, which may run after the playback ended: they then do nothing.
struct CursorState {
  bool hidden = false;
  bool active = true;
};

// Hides or shows the cursor of the window when that changes the state; GUI thread.
void setCursorHidden(DefaultPlayer::FullScreenWnd* window, CursorState& cursor, bool hide) {
  if (!window || !cursor.active || hide == cursor.hidden) return;
  window->showCursor(!hide);
  cursor.hidden = hide;
}

ExpressionPtr<bool> allOf(const Files& files, VideoFile::State state) {
  ExpressionPtr<bool> all = makeConstant(true);
  for (const auto& file : files) all = all && (file->stateExpression() == makeConstant(state));
  return all;
}

}  // namespace

bool DefaultPlayer::startPicture(int slot, const std::shared_ptr<VideoFile>& file) {
  if (!fullScreenWnd || (slot != 0 && slot != 1)) return false;
  fullScreenWnd->showStill(slot, false);
  wxPanel* panel = slot == 0 ? fullScreenWnd->firstVideoPanel : fullScreenWnd->secondVideoPanel;
  wxStaticBitmap* bitmap =
      slot == 0 ? fullScreenWnd->firstImagePicture : fullScreenWnd->secondImagePicture;
  if (file->play(NativeWindow{panel})) return true;
  fullScreenWnd->showStill(slot, true);
  if (file->play(bitmap)) return true;
  fullScreenWnd->showStill(slot, false);
  return false;
}

bool DefaultPlayer::playVideoRange(const Files& files) {
  if (isStopRequested()) return false;
  waitUntilReady(files);
  if (!ensureVideosOpen(files)) return false;
  if (isStopRequested() || !fullScreenWnd) return false;

  const auto& p = getTaskProperties();
  const Task& t = settings();
  const bool progressStrip = p.progress.getBoolProperty(t.properties);
  const float margin = static_cast<float>(p.margin.getIntegerProperty(t.properties));
  if (files.size() == 1) {
    const FrameSize s = files[0]->getSize();
    fullScreenWnd->showOnePicture(progressStrip, upscaleAllowed(), margin, s.width, s.height);
  } else if (files.size() == 2) {
    const FrameSize a = files[0]->getSize();
    const FrameSize b = files[1]->getSize();
    fullScreenWnd->showTwoPictures(progressStrip, upscaleAllowed(), margin, a.width, a.height,
                                   b.width, b.height);
  }
  fullScreenWnd->SetFocus();

  VolumeControl volume{files, 100, !p.audio.getBoolProperty(t.properties), 10};
  volume.apply();

  ExpressionPtr<bool> allDone = makeConstant(true);
  ExpressionPtr<bool> anyPlaying = makeConstant(false);
  for (const auto& file : files) {
    allDone = allDone && file->idle();
    anyPlaying = anyPlaying || (file->stateExpression() == makeConstant(VideoFile::Playing));
  }
  const ExpressionPtr<bool> allPaused = allOf(files, VideoFile::Paused);

  // The cursor is hidden while anything plays; the listener may run on a media file's thread,
  // so it only posts.
  auto cursor = std::make_shared<CursorState>();
  const std::shared_ptr<EventGetterSetterHelper> poster = fullScreenWnd->poster.helper();
  FullScreenWnd* window = fullScreenWnd;
  const auto self = windowOwner;
  auto cursorListener = connections::makeListener(connections::makeFunctor(
      [poster, cursor, window, self](bool playing) {
        EventGetterSetterHelper::post(poster, [cursor, window, self, playing] {
          // Runs in the window's own handler: the window is alive.
          if (*self) setCursorHidden(window, *cursor, playing);
        });
      },
      anyPlaying));

  // When every file is paused, all of them go to the position of the one that is furthest.
  auto wasAllPaused = std::make_shared<std::atomic<bool>>(false);
  auto pauseListener = connections::makeListener(connections::makeFunctor(
      [files, wasAllPaused](bool paused) {
        if (!paused) {
          wasAllPaused->store(false);
          return;
        }
        if (wasAllPaused->exchange(true)) return;
        int64_t furthest = 0;
        for (const auto& file : files) furthest = std::max(furthest, file->getPositionMs());
        for (const auto& file : files) file->requestSeek(furthest);
      },
      allPaused));

  bool result = false;
  bool started = true;
  for (size_t i = 0; i < files.size() && started; ++i)
    started = startPicture(static_cast<int>(i), files[i]);
  if (!started) {
    vixo::Prompt prompt;
    prompt.parent = fullScreenWnd;
    prompt.caption = "Error opening file";
    prompt.text = "Can't play video. Test will be interrupted";
    prompt.style = wxOK | wxICON_ERROR;
    vixo::showPrompt(prompt);
    interruptRequested->set(true);
  } else {
    wxTimer timer;  // not owned by the window, which may go while the files play
    timer.Bind(wxEVT_TIMER, [this, &files](wxTimerEvent&) {
      if (!fullScreenWnd) return;
      double progress = 1;
      for (const auto& file : files) progress = std::min(progress, file->getProgress());
      fullScreenWnd->progress = static_cast<float>(progress);
      fullScreenWnd->updateProgressBar();
    });
    timer.Start(40);

    auto onKey = [this, &files, &volume, cursor, window](wxKeyEvent& event) {
      switch (event.GetKeyCode()) {
        case WXK_SPACE:
          if (getTaskProperties().pauseAllowed.getBoolProperty(settings().properties))
            for (const auto& file : files) file->togglePause();
          break;
        case WXK_UP:
          volume.raise();
          break;
        case WXK_DOWN:
          volume.lower();
          break;
        case WXK_ESCAPE: {
          setCursorHidden(window, *cursor, false);
          bool allWerePaused = true;
          for (const auto& file : files) {
            allWerePaused = allWerePaused && file->isPaused();
            file->setPaused(true);
          }
          if (!closeFullScreen())
            for (const auto& file : files) file->setPaused(allWerePaused);
          break;
        }
        default:
          break;
      }
      // Not passed on: while a question plays, keys reach nothing else.
    };
    fullScreenWnd->Bind(wxEVT_CHAR_HOOK, onKey);

    connections::runEventLoopUntil(allDone || stopRequested);

    if (fullScreenWnd) {
      fullScreenWnd->hideProgress();
      fullScreenWnd->Unbind(wxEVT_CHAR_HOOK, onKey);
    }
    timer.Stop();
    for (const auto& file : files) file->stop();
    if (fullScreenWnd) fullScreenWnd->hideProgress();
    result = !isStopRequested();
  }

  pauseListener = {};
  cursorListener = {};
  if (cursor->hidden && fullScreenWnd) setCursorHidden(fullScreenWnd, *cursor, false);
  cursor->active = false;
  return result;
}

void DefaultPlayer::runDisplayTest(int displayIndex) {
  if (!fullScreenWnd) return;
  fullScreenWnd->displayIndex = displayIndex;
  if (fullScreenWnd->IsShown()) fullScreenWnd->moveToDisplay();
  fullScreenWnd->present();
  fullScreenWnd->showOnePicture(true, true, 10, 1, 1);

  struct TestState {
    int counter = 0;
    wxRect square;
  };
  auto state = std::make_shared<TestState>();
  auto done = connections::makeVariableMem(false);
  FullScreenWnd* window = fullScreenWnd;
  wxPanel* panel = window->firstVideoPanel;

  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [panel, state, done, this](wxTimerEvent&) {
    if (fullScreenWnd) {
      panel->Refresh(true);
      panel->Update();
    }
    const int old = state->counter++;
    if (old >= 75) done->set(true);
  });
  auto onDestroy = [done, window](wxWindowDestroyEvent& event) {
    event.Skip();
    if (event.GetEventObject() == window) done->set(true);
  };
  auto onPaint = [panel, state](wxPaintEvent&) {
    wxPaintDC dc(panel);
    const wxSize size = panel->GetClientSize();
    const int n = state->counter;
    state->square =
        wxRect(n * (size.x * 9 / 10) / 75, n * (size.y * 9 / 10) / 75, size.x / 10, size.y / 10);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(state->square);
  };
  window->Bind(wxEVT_DESTROY, onDestroy);
  panel->Bind(wxEVT_PAINT, onPaint);
  timer.Start(20);
  connections::runEventLoopUntil(done);
  timer.Stop();
  if (fullScreenWnd) {
    panel->Unbind(wxEVT_PAINT, onPaint);
    window->Unbind(wxEVT_DESTROY, onDestroy);
    window->Hide();
  }
}
