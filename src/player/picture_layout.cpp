#include "player/picture_layout.h"

#include <algorithm>
#include <cmath>

namespace picture_layout {
namespace {

// A margin that leaves nothing (or less) of the window shows the pictures at no size rather
// than at a negative one.
float usableMargin(float margin, int sides) {
  if (!(margin > 0)) return 0;
  return std::min(margin, 100.0f / static_cast<float>(sides));
}

int rounded(double v) { return v > 0 ? static_cast<int>(v + 0.5) : 0; }

}  // namespace

Size onePicture(Size window, bool progressStrip, bool upscale, float margin, Size picture) {
  if (picture.width <= 0 || picture.height <= 0) return {};
  const float g = 100 - 2 * usableMargin(margin, 2);
  const float aw = static_cast<float>(window.width) * g / 100;
  const float ah =
      static_cast<float>(progressStrip ? window.height - kProgressStripHeight : window.height) * g /
      100;
  const double fit = std::min(static_cast<double>(static_cast<int>(ah)) / picture.height,
                              static_cast<double>(static_cast<int>(aw)) / picture.width);
  const double scale = (upscale || fit < 1) ? fit : 1;
  return {rounded(picture.width * scale), rounded(picture.height * scale)};
}

Pair twoPictures(Size window, bool progressStrip, bool upscale, float margin, Size first,
                 Size second) {
  if (first.width <= 0 || first.height <= 0 || second.width <= 0 || second.height <= 0) return {};
  const float m = usableMargin(margin, 3);
  const float aw = (100 - 3 * m) * static_cast<float>(window.width) / 100;
  const float ah =
      (100 - 2 * m) *
      static_cast<float>(progressStrip ? window.height - kProgressStripHeight : window.height) /
      100;
  const double u = static_cast<double>(second.width) / second.height +
                   static_cast<double>(first.width) / first.height;
  const double fit = std::min(static_cast<double>(static_cast<int>(ah)),
                              static_cast<double>(static_cast<int>(aw)) / u);
  const double v =
      upscale
          ? fit
          : std::min({static_cast<double>(first.height), static_cast<double>(second.height), fit});
  return {{rounded(first.width * v / first.height), rounded(v)},
          {rounded(second.width * v / second.height), rounded(v)}};
}

}  // namespace picture_layout
