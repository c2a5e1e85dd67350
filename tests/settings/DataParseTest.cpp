// The number rules of dialog data exchange and the side-tone level the keyer page applies.
#include <gtest/gtest.h>

#include "DataParse.h"
#include "OptionsRules.h"

TEST(DataParse, UnsignedIntegersOnlyWithBlanksAround) {
  EXPECT_EQ(tandem::text::ParseUnsigned("20"), 20u);
  EXPECT_EQ(tandem::text::ParseUnsigned("  7\t"), 7u);
  EXPECT_EQ(tandem::text::ParseUnsigned("0"), 0u);
  EXPECT_EQ(tandem::text::ParseUnsigned("4294967295"), 4294967295u);
  // A minus sign is no unsigned integer, and neither is a value past 32 bits.
  for (const char* bad : {"-1", "", "   ", "+5", "5 5", "1.0", "12a", "4294967296",
                          "99999999999999999999"}) {
    EXPECT_FALSE(tandem::text::ParseUnsigned(bad).has_value()) << bad;
  }
}

TEST(DataParse, RealsAreOneDecimalNumber) {
  EXPECT_FLOAT_EQ(*tandem::text::ParseReal("2.5"), 2.5f);
  EXPECT_FLOAT_EQ(*tandem::text::ParseReal(" .5 "), 0.5f);
  EXPECT_FLOAT_EQ(*tandem::text::ParseReal("-0.2"), -0.2f);
  EXPECT_FLOAT_EQ(*tandem::text::ParseReal("3."), 3.0f);
  EXPECT_FLOAT_EQ(*tandem::text::ParseReal("1e1"), 10.0f);
  for (const char* bad : {"", ".", "-", "2,5", "1.2.3", "abc", "0x10", "inf", "nan", "1e",
                          "1e99", "5 0"}) {
    EXPECT_FALSE(tandem::text::ParseReal(bad).has_value()) << bad;
  }
}

TEST(DataParse, ShownAsTheDialogsShowThem) {
  EXPECT_EQ(tandem::text::FormatUnsigned(4294967286u), "4294967286");  // -10 read from the file
  EXPECT_EQ(tandem::text::FormatReal(2500 * 0.001f), "2.5");
  EXPECT_EQ(tandem::text::FormatReal(1.0f), "1");
  EXPECT_EQ(tandem::text::FormatReal(0.1f), "0.1");
  EXPECT_EQ(tandem::text::FormatReal(1234567.0f), "1.23457e+06");
  EXPECT_EQ(tandem::text::FormatLimits("%1 .. %2", "1", "10"), "1 .. 10");
  EXPECT_EQ(tandem::text::FormatLimits("max %1", "1", ""), "max 1");
}

TEST(OptionsRules, ToneLevelWithoutSelectionNeverSilencesTheKeyer) {
  EXPECT_EQ(settings::ToneLevelToApply(3, 7), 3);
  EXPECT_EQ(settings::ToneLevelToApply(0, 12), 0);
  EXPECT_EQ(settings::ToneLevelToApply(12, 0), 12);
  // No selection: the stored level when it is one of the list's, else 488 Hz.
  EXPECT_EQ(settings::ToneLevelToApply(-1, 4), 4);
  EXPECT_EQ(settings::ToneLevelToApply(-1, 13), 7);
  EXPECT_EQ(settings::ToneLevelToApply(-1, -1), 7);
  EXPECT_EQ(settings::ToneLevelToApply(-1, 100000), 7);
}
