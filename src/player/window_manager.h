// What the desktop's window manager does for the players' windows. GUI thread only.
#pragma once

// Whether a window manager takes care of full-screen windows: false only for an X server whose
// window manager, if there is one, does not announce them (the toolkit would then make a
// window full screen by covering the primary display, whatever display it was on).
bool fullScreenManaged();
