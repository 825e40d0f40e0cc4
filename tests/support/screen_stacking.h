// What the X server shows of the top-level windows: which ones are on the screen, in which order
// they are stacked, and which one gets the keys. Read from the server itself, as a person sees
// the screen, with or without a window manager. GUI thread only.
#pragma once

#include <wx/gdicmn.h>

#include <string>
#include <vector>

namespace vixo_test {

struct ScreenWindow {
  std::string title;  // the window's name (UTF-8), as the toolkit set it
  wxRect rect;        // where it lies on the screen
};

// A window manager announces itself on the screen's root window.
bool windowManagerRunning();

// The top-level windows on the screen, from the bottom to the top: the window manager's own
// stacking list (_NET_CLIENT_LIST_STACKING) when one runs, else the mapped children of the root
// window in the order the server stacks them.
std::vector<ScreenWindow> stackedWindows();

// The top-level window that keys go to: the one that holds the input focus, or, while the focus
// follows the pointer (as on a server without a window manager), the topmost window under the
// pointer. An empty title and rectangle when there is none.
ScreenWindow keyWindow();

// The position (from the bottom) of the topmost window with the title; -1 when none is shown.
int stackPosition(const std::vector<ScreenWindow>& windows, const std::string& title);

// The position of the topmost window that covers the whole rectangle (a full-screen window
// covers its display); -1 when none does.
int coveringPosition(const std::vector<ScreenWindow>& windows, const wxRect& rect);

}  // namespace vixo_test
