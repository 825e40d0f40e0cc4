#include "support/ui_driver.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/slider.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "common/prompt.h"

namespace vixo_test {

// Not a nested event loop: a modal loop that a handler ends meanwhile would not see its end
// (the toolkit's quit goes to the innermost loop).
void settle(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  do {
    wxTheApp->Yield(true);
    wxMilliSleep(2);
  } while (std::chrono::steady_clock::now() < end);
}

bool waitOnScreen(wxWindow* window) {
  for (int i = 0; i < 50 && !window->IsShownOnScreen(); ++i) settle(20);
  // Mapped is not yet painted and placed: a little longer.
  settle(60);
  return window->IsShownOnScreen();
}

void setNumLock(bool on) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  const unsigned int mask = XkbKeysymToModifiers(display, XK_Num_Lock);
  XkbLockModifiers(display, XkbUseCoreKbd, mask, on ? mask : 0);
  XSync(display, False);
  XCloseDisplay(display);
  settle(20);
}

void pointAt(wxWindow* window) {
  const wxRect r = window->GetScreenRect();
  wxUIActionSimulator sim;
  sim.MouseMove(r.x + r.width / 2, r.y + r.height / 2);
  settle(30);
}

void clickAt(wxWindow* window, int x, int y) {
  const wxPoint origin = window->GetScreenPosition();
  wxUIActionSimulator sim;
  sim.MouseMove(origin.x + x, origin.y + y);
  settle(30);
  sim.MouseClick();
  settle(60);
}

void click(wxWindow* window) {
  const wxSize size = window->GetSize();
  clickAt(window, size.x / 2, size.y / 2);
}

void sendKey(wxWindow* window, int keyCode, int modifiers) {
  // The key goes to the top-level window under the pointer: point there unless it is there.
  if (!wxGetTopLevelParent(window)->GetScreenRect().Contains(wxGetMousePosition())) pointAt(window);
  wxUIActionSimulator sim;
  sim.Char(keyCode, modifiers);
  settle(20);
}

void pageSlider(wxSlider* slider, int pages) {
  slider->SetFocus();
  for (int i = 0; i < (pages < 0 ? -pages : pages); ++i)
    sendKey(slider, pages > 0 ? WXK_PAGEUP : WXK_PAGEDOWN);
}

bool waitUntilEnded(wxDialog& dialog) {
  for (int i = 0; i < 100 && dialog.IsModal(); ++i) settle(20);
  return !dialog.IsModal();
}

int runScripted(wxDialog& dialog, const std::function<void(wxDialog&)>& script) {
  vixo::setModalAnswerer([&script](wxDialog& shown) {
    EXPECT_TRUE(waitOnScreen(&shown));
    script(shown);
    if (!waitUntilEnded(shown)) {
      ADD_FAILURE() << "the script left the dialog \"" << shown.GetTitle() << "\" open";
      shown.EndModal(-1);
    }
  });
  const int code = vixo::showModal(dialog);
  vixo::setModalAnswerer({});
  return code;
}

}  // namespace vixo_test
