// The online test's address as a QR code picture: dark modules on a light background with a
// light border of four modules (the quiet zone phone readers need), one pixel per module.
// No window toolkit; any thread.
#pragma once

#include <string>
#include <vector>

struct QrPicture {
  static constexpr int kBorderModules = 4;

  int size = 0;                    // width and height in pixels; 0 when nothing was encoded
  std::vector<unsigned char> rgb;  // size x size pixels, R, G, B each, rows top to bottom
  bool dark(int x, int y) const { return rgb[(static_cast<size_t>(y) * size + x) * 3] == 0; }
};

// Encodes the UTF-8 text at error correction level medium (raised while the data still fits
// the same version), versions 1 to 40 and an automatic mask. A text too long for any version
// gives an empty picture.
QrPicture makeQrPicture(const std::string& text);
