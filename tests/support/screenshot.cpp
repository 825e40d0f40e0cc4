#include "support/screenshot.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <filesystem>

namespace vixo_test {

namespace {

int maskShift(unsigned long mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

// The screen's pixels in rect, or an invalid image.
wxImage grabScreen(const wxRect& rect) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return {};
  XImage* pixels = XGetImage(display, DefaultRootWindow(display), rect.x, rect.y, rect.width,
                             rect.height, AllPlanes, ZPixmap);
  wxImage image;
  if (pixels) {
    image.Create(rect.width, rect.height);
    const int red = maskShift(pixels->red_mask), green = maskShift(pixels->green_mask),
              blue = maskShift(pixels->blue_mask);
    for (int y = 0; y < rect.height; ++y)
      for (int x = 0; x < rect.width; ++x) {
        const unsigned long pixel = XGetPixel(pixels, x, y);
        image.SetRGB(x, y, (pixel & pixels->red_mask) >> red, (pixel & pixels->green_mask) >> green,
                     (pixel & pixels->blue_mask) >> blue);
      }
    XDestroyImage(pixels);
  }
  XCloseDisplay(display);
  return image;
}

}  // namespace

wxImage grabWindow(wxWindow* window) {
  wxWindow* top = wxGetTopLevelParent(window);
  top->Show();
  top->Raise();
  // Let the window be mapped, laid out and painted: a real event loop for a while, so that
  // the toolkit's frame clock runs as well.
  {
    wxGUIEventLoop loop;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&loop](wxTimerEvent&) { loop.Exit(); });
    timer.StartOnce(150);
    loop.Run();
  }
  top->Update();
  // Read from the X server: the toolkit's screen device context keeps showing what the screen
  // held when it first read it.
  return grabScreen(window->GetScreenRect());
}

std::string saveScreenshot(wxWindow* window, const std::string& name) {
  wxWindow* top = wxGetTopLevelParent(window);
  const wxImage image = grabWindow(top);
  // Out of the way of the next window's screenshot.
  top->Hide();
  return saveImage(image, name);
}

std::string saveImage(const wxImage& image, const std::string& name) {
  if (!image.IsOk()) {
    ADD_FAILURE() << "no screenshot of " << name;
    return {};
  }
  const std::filesystem::path folder = VIXO_SCREENSHOT_DIR;
  std::filesystem::create_directories(folder);
  const std::string path = (folder / (name + ".png")).string();
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  if (!image.SaveFile(path, wxBITMAP_TYPE_PNG)) {
    ADD_FAILURE() << "could not save " << path;
    return {};
  }
  return path;
}

}  // namespace vixo_test
