// Fitting a picture into a box for thumbnails.
#pragma once

#include <cstdint>

#include "videoimage/rawimage/raw_image.h"

// Scales a packed 8-bit three-component frame (R, G, B or B, G, R: the byte order is kept and
// the target keeps the frame's format) into a new image in `target` that fits max width x max
// height without enlarging and keeping the aspect ratio (bicubic). False, the target untouched,
// for an empty frame, a frame of another format, and a frame or box without area; false, the
// target a new unfilled image, when the scaler cannot be made.
bool scaleToFit(RawImage& target, int32_t maxWidth, int32_t maxHeight, RawFrame frame);

// The size a w x h picture takes in a box: never larger than the picture or the box, the aspect
// ratio kept within integer rounding, at least 1 x 1.
void fitSize(int32_t w, int32_t h, int32_t maxWidth, int32_t maxHeight, int32_t& fitWidth,
             int32_t& fitHeight);
