// Screenshots of windows for a person to look at: shown on the (virtual) screen, painted, and
// saved as PNG files in the build folder's "screenshots" folder. GUI thread only.
#pragma once

#include <string>

class wxImage;
class wxWindow;

namespace vixo_test {

// What the screen shows of window (shown and painted first), or an invalid image.
wxImage grabWindow(wxWindow* window);

// Shows window's top-level window, lets it paint and saves what the screen shows of it as
// <build folder>/screenshots/<name>.png. Returns the file's path, empty when it could not be
// saved.
std::string saveScreenshot(wxWindow* window, const std::string& name);

// Saves an image grabbed earlier as <build folder>/screenshots/<name>.png; the file's path, empty
// when it could not be saved.
std::string saveImage(const wxImage& image, const std::string& name);

}  // namespace vixo_test
