// The borderless window that covers one display during a pass: the progress strip at the top,
// one picture or two side by side, and for the online test a link with the test's address.
//
// GUI thread only. Media files paint into the picture panels from their own threads through
// the media module's painter; this window only sizes the panels, shows and hides its parts
// and hides the mouse cursor while pictures play.
#pragma once

#include <wx/image.h>

#include <memory>

#include "common/event_getter.h"
#include "common/operations.h"
#include "common/variable.h"
#include "layouts/fullscreen_stub.h"
#include "player/default_player.h"

class DefaultPlayer::FullScreenWnd : public FullscreenStub {
 public:
  // Hidden, with the layout's size and an empty title.
  FullScreenWnd();
  ~FullScreenWnd() override;

  // Before a question: laid out, moved onto its display, shown and painted at once.
  void present();
  // Covers display `displayIndex` (the primary display when there is no such display), full
  // screen, and puts the mouse pointer on its centre.
  void moveToDisplay();
  // The progress bar's width follows `progress`.
  void updateProgressBar();
  // Sizes picture panel A (and B) for pictures of the given sizes: fitted into the window less
  // its margins (percent of each side) and the progress strip, enlarged only when `upscale`.
  void showOnePicture(bool progressStrip, bool upscale, float margin, int width, int height);
  void showTwoPictures(bool progressStrip, bool upscale, float margin, int width1, int height1,
                       int width2, int height2);
  void hideProgress();
  // Shows or hides the still-image bitmap of slot 0 or 1.
  void showStill(int slot, bool shown);
  // The online test's address as a link and its picture (the QR code) in slot A.
  void showLink(const wxString& url, const wxImage& picture);

  // The cursor's display count, as the platform's: hidden while below 0. Each call moves it by
  // one; a blank cursor is set on the window while it is hidden.
  int showCursor(bool show);
  int getCursorCount() const { return cursorCount; }

  // The background colour of the test, on the window and its fillers.
  void setTestBackground(const wxColour& colour);

  connections::VariableMemPtr<bool> twoPictures;
  connections::VariableMemPtr<bool> progressShown;
  connections::VariableMemPtr<bool> linkShown;
  connections::VariableMemPtr<bool> stillShownA;
  connections::VariableMemPtr<bool> stillShownB;
  connections::BindingList bindings;  // the six show bindings of the parts above
  float progress = 0.5f;              // fraction of the strip the bar fills
  int displayIndex = 0;
  // Media files' threads post here (the cursor); posts are dropped once the window is gone.
  EventGetter poster{this};

 private:
  // Puts the mouse pointer on the window's centre once the window is shown.
  void centrePointer();

  int cursorCount = 0;
};
