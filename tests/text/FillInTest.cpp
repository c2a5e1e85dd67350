#include "FillIn.h"

#include <gtest/gtest.h>

using tandem::text::FillIn;

TEST(FillIn, PutsTheValuesInOrderAndLeavesWhatItHasNoValueFor) {
  EXPECT_EQ(FillIn("F%d \x95\xd2\x8f\x57 %s", {"3", "CQ TEST"}), "F3 \x95\xd2\x8f\x57 CQ TEST");
  EXPECT_EQ(FillIn("%d / %d / %d", {"32", "64", "32"}), "32 / 64 / 32");
  EXPECT_EQ(FillIn("100%% %d", {"5"}), "100% 5");
  // A format with more places than values keeps the rest; unknown specifiers stay as text.
  EXPECT_EQ(FillIn("%d %s %d", {"1"}), "1 %s %d");
  EXPECT_EQ(FillIn("%x %n %", {"1"}), "%x %n %");
  // A value is copied, never read as a format.
  EXPECT_EQ(FillIn("%s", {"%s%d"}), "%s%d");
  EXPECT_EQ(FillIn("", {"1"}), "");
}
