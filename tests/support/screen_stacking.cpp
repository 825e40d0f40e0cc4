#include "support/screen_stacking.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

namespace vixo_test {

namespace {

using DisplayPtr = std::unique_ptr<Display, decltype(&XCloseDisplay)>;

DisplayPtr openDisplay() { return DisplayPtr(XOpenDisplay(nullptr), &XCloseDisplay); }

// A property of the window that lists windows; empty when it has none.
std::vector<Window> windowList(Display* display, Window window, const char* name) {
  std::vector<Window> out;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 65536, False,
                         XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* windows = reinterpret_cast<const Window*>(data);
    out.assign(windows, windows + count);
  }
  if (data) XFree(data);
  return out;
}

// The toolkit names its top-level windows; so does every client a window manager manages.
bool isClient(Display* display, Window window) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint)) return false;
  XFree(hint.res_name);
  XFree(hint.res_class);
  return true;
}

// The client at or below the window: a window manager's frame holds its client inside.
Window clientAt(Display* display, Window window, int depth = 0) {
  if (isClient(display, window)) return window;
  if (depth > 3) return None;
  Window root = None, parent = None, *children = nullptr;
  unsigned int count = 0;
  Window found = None;
  if (XQueryTree(display, window, &root, &parent, &children, &count)) {
    for (unsigned int i = count; i-- > 0 && found == None;)
      found = clientAt(display, children[i], depth + 1);
    if (children) XFree(children);
  }
  return found;
}

std::string titleOf(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 4096,
                         False, XInternAtom(display, "UTF8_STRING", False), &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 8) {
    title.assign(reinterpret_cast<const char*>(data), count);
  } else {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) title = name;
    if (name) XFree(name);
  }
  if (data) XFree(data);
  return title;
}

ScreenWindow describe(Display* display, Window window) {
  ScreenWindow out;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return out;
  int x = 0, y = 0;
  Window child = None;
  XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
  out.title = titleOf(display, window);
  out.rect = wxRect(x, y, attributes.width, attributes.height);
  return out;
}

bool viewable(Display* display, Window window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

}  // namespace

bool windowManagerRunning() {
  const DisplayPtr display = openDisplay();
  return display &&
         !windowList(display.get(), DefaultRootWindow(display.get()), "_NET_SUPPORTING_WM_CHECK")
              .empty();
}

std::vector<ScreenWindow> stackedWindows() {
  std::vector<ScreenWindow> out;
  const DisplayPtr display = openDisplay();
  if (!display) return out;
  Display* d = display.get();
  const Window root = DefaultRootWindow(d);
  if (!windowList(d, root, "_NET_SUPPORTING_WM_CHECK").empty()) {
    for (Window client : windowList(d, root, "_NET_CLIENT_LIST_STACKING"))
      if (viewable(d, client)) out.push_back(describe(d, client));
    return out;
  }
  Window parent = None, *children = nullptr;
  unsigned int count = 0;
  Window rootReturn = None;
  if (!XQueryTree(d, root, &rootReturn, &parent, &children, &count)) return out;
  for (unsigned int i = 0; i < count; ++i)
    if (viewable(d, children[i]) && isClient(d, children[i]))
      out.push_back(describe(d, children[i]));
  if (children) XFree(children);
  return out;
}

ScreenWindow keyWindow() {
  const DisplayPtr display = openDisplay();
  if (!display) return {};
  Display* d = display.get();
  const Window root = DefaultRootWindow(d);
  Window focus = None;
  int revert = 0;
  XGetInputFocus(d, &focus, &revert);
  if (focus == PointerRoot) {
    Window rootReturn = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(d, root, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask) ||
        child == None)
      return {};
    const Window client = clientAt(d, child);
    return client == None ? ScreenWindow{} : describe(d, client);
  }
  // The focus may rest on a window inside the client: its ancestors lead to the client.
  for (Window w = focus; w != None && w != root;) {
    if (isClient(d, w)) return describe(d, w);
    Window rootReturn = None, parent = None, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, w, &rootReturn, &parent, &children, &count)) break;
    if (children) XFree(children);
    w = parent;
  }
  return {};
}

int stackPosition(const std::vector<ScreenWindow>& windows, const std::string& title) {
  for (size_t i = windows.size(); i-- > 0;)
    if (windows[i].title == title) return static_cast<int>(i);
  return -1;
}

int coveringPosition(const std::vector<ScreenWindow>& windows, const wxRect& rect) {
  for (size_t i = windows.size(); i-- > 0;)
    if (windows[i].rect.Contains(rect)) return static_cast<int>(i);
  return -1;
}

}  // namespace vixo_test
