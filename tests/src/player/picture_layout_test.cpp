// The sizes of the picture panels: the worked examples of one and two pictures, scaling on and
// off, margins, the progress strip, and inputs that leave nothing to show.
#include "player/picture_layout.h"

#include <gtest/gtest.h>

namespace {

using picture_layout::onePicture;
using picture_layout::Pair;
using picture_layout::Size;
using picture_layout::twoPictures;

TEST(PictureLayout, OnePictureFitsTheWindowLessMarginsAndStrip) {
  struct Case {
    const char* what;
    Size window;
    bool strip;
    bool upscale;
    float margin;
    Size picture;
    Size expected;
  } cases[] = {
      // aw = 1728, ah = 968.4, fit = min(968 / 1080, 1728 / 1920) = 0.8963
      {"full HD on full HD", {1920, 1080}, true, false, 5, {1920, 1080}, {1721, 968}},
      {"same, upscaling makes no difference",
       {1920, 1080},
       true,
       true,
       5,
       {1920, 1080},
       {1721, 968}},
      {"small picture stays as it is", {1920, 1080}, true, false, 5, {640, 480}, {640, 480}},
      // fit = min(968 / 480, 1728 / 640) = 2.0167: the height limits
      {"small picture fills the height", {1920, 1080}, true, true, 5, {640, 480}, {1291, 968}},
      // without the strip: ah = 972, fit = 972 / 480 = 2.025
      {"no strip gives four more rows", {1920, 1080}, false, true, 5, {640, 480}, {1296, 972}},
      // a wide picture: the width limits, fit = 1728 / 2000
      {"wide picture fills the width", {1920, 1080}, true, true, 5, {2000, 500}, {1728, 432}},
      {"no margin", {800, 600}, false, true, 0, {400, 300}, {800, 600}},
      {"margin 10 keeps 80 percent", {800, 604}, true, true, 10, {1, 1}, {480, 480}},
      {"picture exactly the available size",
       {1000, 1000},
       false,
       false,
       0,
       {1000, 1000},
       {1000, 1000}},
      {"no picture size", {800, 600}, true, true, 5, {0, 480}, {0, 0}},
      {"negative picture size", {800, 600}, true, true, 5, {640, -1}, {0, 0}},
      {"margin of half the window or more", {800, 600}, true, true, 70, {640, 480}, {0, 0}},
      {"negative margin counts as none", {800, 600}, false, true, -20, {400, 300}, {800, 600}},
      {"window smaller than the strip", {800, 2}, true, true, 5, {640, 480}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(onePicture(c.window, c.strip, c.upscale, c.margin, c.picture), c.expected);
  }
}

TEST(PictureLayout, TwoPicturesShareOneHeight) {
  struct Case {
    const char* what;
    Size window;
    bool strip;
    bool upscale;
    float margin;
    Size first, second;
    Pair expected;
  } cases[] = {
      // aw = 1632, u = 3.111, fit = 524.57; without upscaling the common height is 480
      {"HD beside SD, no upscaling",
       {1920, 1080},
       true,
       false,
       5,
       {1280, 720},
       {640, 480},
       {{853, 480}, {640, 480}}},
      {"HD beside SD, upscaling",
       {1920, 1080},
       true,
       true,
       5,
       {1280, 720},
       {640, 480},
       {{933, 525}, {699, 525}}},
      // the taller picture comes down to the shorter one even though both would fit
      {"both fit, taller reduced",
       {1920, 1080},
       true,
       false,
       5,
       {320, 240},
       {400, 200},
       {{267, 200}, {400, 200}}},
      // the height limits: u = 1, fit = min(972, 1020) = 972
      {"two narrow pictures",
       {2400, 1080},
       false,
       true,
       5,
       {100, 200},
       {100, 200},
       {{486, 972}, {486, 972}}},
      {"one without size", {1920, 1080}, true, true, 5, {0, 0}, {640, 480}, {}},
      {"margin of a third or more", {1920, 1080}, true, true, 40, {640, 480}, {640, 480}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(twoPictures(c.window, c.strip, c.upscale, c.margin, c.first, c.second), c.expected);
  }
}

}  // namespace
