// The sizes the full-screen window gives its picture panels: pictures fitted into the window
// less its margins and the progress strip, kept in their aspect ratio, enlarged only when the
// task allows it. No toolkit here.
#pragma once

namespace picture_layout {

struct Size {
  int width = 0;
  int height = 0;
  bool operator==(const Size&) const = default;
};

// The height of the progress strip, taken from the window's height when the strip is shown.
constexpr int kProgressStripHeight = 4;

// One picture of width x height in a window of the given size, `margin` percent on each side.
Size onePicture(Size window, bool progressStrip, bool upscale, float margin, Size picture);

// Two pictures side by side with one common height, three margins across (left, between,
// right).
struct Pair {
  Size first;
  Size second;
  bool operator==(const Pair&) const = default;
};
Pair twoPictures(Size window, bool progressStrip, bool upscale, float margin, Size first,
                 Size second);

}  // namespace picture_layout
