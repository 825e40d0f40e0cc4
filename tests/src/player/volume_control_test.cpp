// The volume keys: steps of 10 between 0 and 100, and the level the media files get.
#include "player/volume_control.h"

#include <gtest/gtest.h>

namespace {

TEST(VolumeControl, ArrowKeysStepTheLevelWithinZeroAndHundred) {
  VolumeControl volume;
  const struct {
    char key;  // 'u' up, 'd' down
    int level;
  } presses[] = {{'u', 100}, {'d', 90}, {'d', 80}, {'u', 90}, {'d', 80},
                 {'d', 70},  {'d', 60}, {'d', 50}, {'d', 40}, {'d', 30},
                 {'d', 20},  {'d', 10}, {'d', 0},  {'d', 0},  {'u', 10}};
  for (const auto& press : presses) {
    press.key == 'u' ? volume.raise() : volume.lower();
    EXPECT_EQ(volume.level, press.level);
  }
}

}  // namespace
