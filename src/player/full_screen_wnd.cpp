#include "player/full_screen_wnd.h"

#include <wx/cursor.h>
#include <wx/hyperlink.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>

#include "common/control_bindings.h"
#include "common/dialog_place.h"
#include "player/picture_layout.h"
#include "player/window_manager.h"

using connections::makeVariableMem;

namespace {

// A show binding of the window, the main sizer laid out again on each change, following the
// expression.
void bindShown(connections::BindingList& bindings, wxWindow* window, wxSizer* sizer,
               const connections::ExpressionPtr<bool>& shown) {
  auto sink = connections::makeNode<connections::WxWindowShowVar>(window, sizer);
  sink->assign(shown);
  bindings.push_back(sink.shared());
}

picture_layout::Size sizeOf(const wxSize& s) { return {s.x, s.y}; }

void setPanelSize(wxWindow* panel, picture_layout::Size size) {
  panel->SetInitialSize(wxSize(size.width, size.height));
  panel->SetMinSize(wxSize(size.width, size.height));
}

}  // namespace

DefaultPlayer::FullScreenWnd::FullScreenWnd()
    : FullscreenStub(nullptr),
      twoPictures(makeVariableMem(false)),
      progressShown(makeVariableMem(true)),
      linkShown(makeVariableMem(false)),
      stillShownA(makeVariableMem(false)),
      stillShownB(makeVariableMem(false)) {
  bindShown(bindings, secondVideoPanel, mainSizer, twoPictures);
  bindShown(bindings, rightFillerPanel, mainSizer, twoPictures);
  bindShown(bindings, progressTrackPanel, mainSizer, progressShown);
  bindShown(bindings, linkPanel, mainSizer, linkShown);
  bindShown(bindings, firstImagePicture, mainSizer, stillShownA || linkShown);
  bindShown(bindings, secondImagePicture, mainSizer, stillShownB);
  progressShown->set(false);
}

DefaultPlayer::FullScreenWnd::~FullScreenWnd() {
  bindings.clear();
  if (cursorCount < 0) SetCursor(wxNullCursor);
}

void DefaultPlayer::FullScreenWnd::present() {
  Layout();
  Centre();
  moveToDisplay();
  Show();
  centrePointer();
  Refresh();
  Update();
}

void DefaultPlayer::FullScreenWnd::moveToDisplay() {
  const wxRect display = vixo::displayRect(displayIndex);
  Move(display.GetPosition());
  SetSize(display.GetSize());
  // Without a window manager that knows full-screen windows the toolkit would make the window
  // full screen by itself, covering the primary display: the window is already borderless and
  // on its display then.
  if (fullScreenManaged()) ShowFullScreen(true, wxFULLSCREEN_ALL);
  Layout();
  centrePointer();
  updateProgressBar();
}

void DefaultPlayer::FullScreenWnd::centrePointer() {
  // The pointer moves in the window's coordinates, which a hidden window does not have yet.
  if (!IsShown()) return;
  const wxSize size = GetSize();
  WarpPointer(size.x / 2, size.y / 2);
}

void DefaultPlayer::FullScreenWnd::updateProgressBar() {
  const wxSize bar(static_cast<int>(static_cast<float>(GetSize().x) * progress),
                   picture_layout::kProgressStripHeight);
  // Also the bar's minimum, so that laying the strip out again keeps the width.
  progressBarPanel->SetMinSize(bar);
  progressBarPanel->SetSize(bar);
}

void DefaultPlayer::FullScreenWnd::showOnePicture(bool progressStrip, bool upscale, float margin,
                                                  int width, int height) {
  progressShown->set(progressStrip);
  twoPictures->set(false);
  setPanelSize(firstVideoPanel, picture_layout::onePicture(sizeOf(GetSize()), progressStrip,
                                                           upscale, margin, {width, height}));
  linkShown->set(false);
  Layout();
}

void DefaultPlayer::FullScreenWnd::showTwoPictures(bool progressStrip, bool upscale, float margin,
                                                   int width1, int height1, int width2,
                                                   int height2) {
  progressShown->set(progressStrip);
  twoPictures->set(true);
  const picture_layout::Pair sizes = picture_layout::twoPictures(
      sizeOf(GetSize()), progressStrip, upscale, margin, {width1, height1}, {width2, height2});
  setPanelSize(firstVideoPanel, sizes.first);
  setPanelSize(secondVideoPanel, sizes.second);
  linkShown->set(false);
  Layout();
}

void DefaultPlayer::FullScreenWnd::hideProgress() { progressShown->set(false); }

void DefaultPlayer::FullScreenWnd::showStill(int slot, bool shown) {
  if (slot == 0) stillShownA->set(shown);
  if (slot == 1) stillShownB->set(shown);
}

void DefaultPlayer::FullScreenWnd::showLink(const wxString& url, const wxImage& picture) {
  addressLink->SetURL(url);
  addressLink->SetLabel(url);
  showOnePicture(false, true, 15, picture.GetWidth(), picture.GetHeight());
  const wxSize size = firstVideoPanel->GetMinSize();
  if (picture.IsOk() && size.x > 0 && size.y > 0)
    firstImagePicture->SetBitmap(wxBitmap(picture.Scale(size.x, size.y)));
  linkShown->set(true);
  Layout();
}

int DefaultPlayer::FullScreenWnd::showCursor(bool show) {
  const bool wasHidden = cursorCount < 0;
  cursorCount += show ? 1 : -1;
  const bool hidden = cursorCount < 0;
  if (hidden != wasHidden) SetCursor(hidden ? wxCursor(wxCURSOR_BLANK) : wxNullCursor);
  return cursorCount;
}

void DefaultPlayer::FullScreenWnd::setTestBackground(const wxColour& colour) {
  for (wxWindow* w :
       {static_cast<wxWindow*>(this), static_cast<wxWindow*>(topFillerPanel),
        static_cast<wxWindow*>(leftFillerPanel), static_cast<wxWindow*>(middleFillerPanel),
        static_cast<wxWindow*>(rightFillerPanel), static_cast<wxWindow*>(bottomPanel),
        static_cast<wxWindow*>(firstVideoPanel), static_cast<wxWindow*>(secondVideoPanel)}) {
    w->SetBackgroundColour(colour);
    w->Refresh();
  }
}
