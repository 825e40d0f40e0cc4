// A colour-bar video written with the FFmpeg libraries at test time (lossless FFV1 in Matroska,
// RGB), for tests that check colours and orientation on screen.
//
// Every frame shows the same picture: the top half four vertical bars red, green, blue and
// white, the bottom half four bars yellow, cyan, magenta and black (left to right).
#pragma once

#include <cstdint>
#include <string>

namespace vixo_test {

struct Rgb {
  uint8_t r, g, b;
};

// The colour the bars picture has at (x, y) of a w x h picture.
Rgb barColour(int x, int y, int w, int h);

// Writes the video; returns the empty string, or why it could not be written.
std::string writeBarsVideo(const std::string& path, int width, int height, int frames,
                           int framesPerSecond);

}  // namespace vixo_test
