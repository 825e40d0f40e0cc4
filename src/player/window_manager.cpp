#include "player/window_manager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

bool fullScreenManaged() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return true;
  bool managed = false;
  const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
  const Atom fullScreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM,
                         &type, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(data);
    managed = std::find(atoms, atoms + count, fullScreen) != atoms + count;
  }
  if (data) XFree(data);
  XCloseDisplay(display);
  return managed;
}
