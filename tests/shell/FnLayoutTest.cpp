// Placement of the function-key buttons.
#include <gtest/gtest.h>

#include "FnLayout.h"

using shell::PlaceFnButton;

TEST(FnLayout, EightAndTwelveKeysAtTheDefaultWidth) {
  const int x8[] = {5, 94, 183, 272, 366, 455, 544, 633};
  for (int i = 0; i < 8; ++i) {
    const shell::FnButtonPlace p = PlaceFnButton(i, 8, 729);
    EXPECT_EQ(p.x, x8[i]) << i;
    EXPECT_EQ(p.y, 4);
    EXPECT_EQ(p.width, 87);
    EXPECT_EQ(p.height, 19);
  }
  EXPECT_EQ(PlaceFnButton(8, 8, 729).x, 727) << "F9 lies beyond the frame's client area";
  const int x12[] = {5, 64, 123, 182, 246, 305, 364, 423, 487, 546, 605, 664};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(PlaceFnButton(i, 12, 729).x, x12[i]) << i;
    EXPECT_EQ(PlaceFnButton(i, 12, 729).width, 57);
  }
}

TEST(FnLayout, PitchUsesIntegerDivision) {
  // (100 - 10) / 8 = 11: buttons 9 wide; the groups of four keep their 5-pixel gaps.
  EXPECT_EQ(PlaceFnButton(3, 8, 100).x, 5 + 33);
  EXPECT_EQ(PlaceFnButton(4, 8, 100).x, 5 + 44 + 5);
  EXPECT_EQ(PlaceFnButton(11, 12, 130).x, 5 + 11 * 10 + 10);
  EXPECT_EQ(PlaceFnButton(0, 8, 100).width, 9);
}
