// Pixels read back from the screen compared with the colours a test expects.
#pragma once

#include <wx/image.h>

#include <cstdlib>
#include <string>

#include "support/bars_video.h"

namespace vixo_test {

// Each channel of the pixel at (x, y) lies within the tolerance of the colour's.
inline bool nearColour(const wxImage& image, int x, int y, Rgb c, int tolerance) {
  return std::abs(image.GetRed(x, y) - c.r) <= tolerance &&
         std::abs(image.GetGreen(x, y) - c.g) <= tolerance &&
         std::abs(image.GetBlue(x, y) - c.b) <= tolerance;
}

// "r,g,b" of the pixel, for failure messages.
inline std::string pixelText(const wxImage& image, int x, int y) {
  return std::to_string(image.GetRed(x, y)) + "," + std::to_string(image.GetGreen(x, y)) + "," +
         std::to_string(image.GetBlue(x, y));
}

}  // namespace vixo_test
