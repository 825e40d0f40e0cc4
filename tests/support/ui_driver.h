// Drives real windows as a person would: the pointer, clicks and keys go through the X server
// (wxUIActionSimulator over XTest), and the toolkit handles them as it handles a person's. GUI
// thread only; for the tests' virtual display, which has no window manager: keys go to the
// window under the pointer, so each key first points at the window that is to get it.
#pragma once

#include <functional>

class wxDialog;
class wxSlider;
class wxTopLevelWindow;
class wxWindow;

namespace vixo_test {

// Handles events for about ms milliseconds, so that what was sent is handled.
void settle(int ms = 40);

// Waits (handling events) until the window is on the screen, for at most a second.
bool waitOnScreen(wxWindow* window);

// Turns the keyboard's Num Lock on or off, so that the numeric pad gives digits or not.
void setNumLock(bool on);

// Moves the pointer to the middle of the window.
void pointAt(wxWindow* window);
// A left click in the middle of the window (or at `offset` from its top-left corner).
void click(wxWindow* window);
void clickAt(wxWindow* window, int x, int y);
// One key press on the window (pointed at first); modifiers are wxMOD_* flags.
void sendKey(wxWindow* window, int keyCode, int modifiers = 0);

// Moves the slider as a person does with the keyboard: focused, then one Page key per step
// (up for a positive count, down for a negative one).
void pageSlider(wxSlider* slider, int pages);

// Waits (handling events) until the dialog's modal loop has ended, for at most two seconds:
// on a busy machine the click or key that ends it may take a while to arrive.
bool waitUntilEnded(wxDialog& dialog);

// Shows the dialog through the one road (vixo::showModal) and works it from inside its modal
// loop: `script` runs once the dialog is on the screen. When the script leaves the dialog open,
// the test fails and the dialog is ended with -1. Returns the end code.
int runScripted(wxDialog& dialog, const std::function<void(wxDialog&)>& script);

}  // namespace vixo_test
