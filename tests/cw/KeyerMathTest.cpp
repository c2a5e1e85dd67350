#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "KeyerMath.h"

namespace tandem::keyer {
namespace {

TEST(Weight, HalfUnitsRoundHalvesUp) {
  EXPECT_EQ(WeightToHalfUnits(1.0f), 2);
  EXPECT_EQ(WeightToHalfUnits(3.0f), 6);
  EXPECT_EQ(WeightToHalfUnits(1.2f), 2);
  EXPECT_EQ(WeightToHalfUnits(1.25f), 3);
  EXPECT_EQ(WeightToHalfUnits(0.0f), 0);  // a settings text "abc"
  EXPECT_EQ(WeightToHalfUnits(5.0f), 10);
  EXPECT_EQ(WeightToHalfUnits(-1.0f), -1);  // trunc, not floor
  // Values an int cannot take saturate instead of being undefined.
  EXPECT_EQ(WeightToHalfUnits(1e30f), INT_MAX);
  EXPECT_EQ(WeightToHalfUnits(-1e30f), INT_MIN);
  EXPECT_EQ(WeightToHalfUnits(std::numeric_limits<float>::infinity()), INT_MAX);
  EXPECT_EQ(WeightToHalfUnits(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(Weight, OptionsCorrectionToHalvesAndReset) {
  Weights w = CorrectWeights({1.2f, 3.3f});
  EXPECT_FLOAT_EQ(w.dot, 1.0f);
  EXPECT_FLOAT_EQ(w.dash, 3.5f);
  w = CorrectWeights({0.2f, 3.0f});  // 0 after rounding becomes 0.5
  EXPECT_FLOAT_EQ(w.dot, 0.5f);
  EXPECT_FLOAT_EQ(w.dash, 3.0f);
  w = CorrectWeights({0.0f, 0.1f});  // both 0.5: not smaller, so reset
  EXPECT_FLOAT_EQ(w.dot, 1.0f);
  EXPECT_FLOAT_EQ(w.dash, 3.0f);
  w = CorrectWeights({3.0f, 3.0f});
  EXPECT_FLOAT_EQ(w.dot, 1.0f);
  EXPECT_FLOAT_EQ(w.dash, 3.0f);
  w = CorrectWeights({4.8f, 5.0f});  // 5.0 and 5.0 after rounding
  EXPECT_FLOAT_EQ(w.dot, 1.0f);
  EXPECT_FLOAT_EQ(w.dash, 3.0f);
  w = CorrectWeights({4.0f, 2.0f});  // dot above dash
  EXPECT_FLOAT_EQ(w.dot, 1.0f);
  EXPECT_FLOAT_EQ(w.dash, 3.0f);
  w = CorrectWeights({1.25f, 2.74f});  // halves round up, the rest down
  EXPECT_FLOAT_EQ(w.dot, 1.5f);
  EXPECT_FLOAT_EQ(w.dash, 2.5f);
  w = CorrectWeights({1.75f, 2.24f});  // 2.0 and 2.0 after rounding: reset
  EXPECT_FLOAT_EQ(w.dot, 1.0f);
  EXPECT_FLOAT_EQ(w.dash, 3.0f);
}

TEST(Weight, SettingsTextConversion) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1.0", 1.0},   {"3.5", 3.5},   {"abc", 0.0},    {"", 0.0},       {"1.5x", 1.5},
      {"  -2.5", -2.5}, {"+3", 3.0},  {".5", 0.5},     {"5.", 5.0},     {".", 0.0},
      {"-", 0.0},     {"1e1", 10.0},  {"2E-1", 0.2},   {"1e", 1.0},     {"1e+", 1.0},
      {"0x10", 0.0},  {"inf", 0.0},   {"nan", 0.0},    {"1,5", 1.0},    {"\t7 8", 7.0},
      {"1e-400", 0.0}, {"0.000", 0.0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix(c.text), c.value) << '"' << c.text << '"';
  }
  // Beyond a double's range: as large as it gets, keeping the sign; far below it: 0.
  EXPECT_TRUE(std::isinf(ParseDecimalPrefix("1e400")));
  EXPECT_LT(ParseDecimalPrefix("-1e400"), 0.0);
  EXPECT_TRUE(std::isinf(ParseDecimalPrefix("123456789e99999999999")));
  EXPECT_EQ(ParseDecimalPrefix("0.0000001e-400"), 0.0);
  // The text feeds the keyer through the half-unit rounding: "abc" is sent as 0.
  EXPECT_EQ(WeightToHalfUnits(static_cast<float>(ParseDecimalPrefix("abc"))), 0);

  EXPECT_EQ(FormatWeight(1.0), "1.0");
  EXPECT_EQ(FormatWeight(3.5), "3.5");
  EXPECT_EQ(FormatWeight(0.5), "0.5");
  EXPECT_EQ(ParseDecimalPrefix(FormatWeight(4.5)), 4.5);
}

TEST(KeyerParams, SpeedStepsPttAndSideTone) {
  EXPECT_EQ(SteppedWpm(50, true), 50);
  EXPECT_EQ(SteppedWpm(5, false), 5);
  EXPECT_EQ(SteppedWpm(20, true), 21);
  EXPECT_EQ(SteppedWpm(20, false), 19);
  EXPECT_EQ(SteppedWpm(49, true), 50);
  EXPECT_EQ(SteppedWpm(6, false), 5);

  PttBytes p = PttParams(false, 25, 200);
  EXPECT_EQ(p.before, 0);
  EXPECT_EQ(p.after, 0);
  p = PttParams(true, 25, 200);
  EXPECT_EQ(p.before, 25);
  EXPECT_EQ(p.after, 200);
  p = PttParams(true, 256 + 25, -1);  // low 8 bits only
  EXPECT_EQ(p.before, 25);
  EXPECT_EQ(p.after, 255);

  EXPECT_EQ(SideToneValue(true, 0), 1);
  EXPECT_EQ(SideToneValue(true, 12), 13);
  EXPECT_EQ(SideToneValue(false, 7), 0);
  EXPECT_EQ(SideToneValue(true, -1), 0);  // a list without selection
}

TEST(CqInterval, LimitsAndRounding) {
  EXPECT_FALSE(CqIntervalMs(0.5f).has_value());
  EXPECT_FALSE(CqIntervalMs(12.0f).has_value());
  EXPECT_FALSE(CqIntervalMs(0.999f).has_value());
  EXPECT_FALSE(CqIntervalMs(10.001f).has_value());
  EXPECT_FALSE(CqIntervalMs(-5.0f).has_value());
  EXPECT_FALSE(CqIntervalMs(std::numeric_limits<float>::quiet_NaN()).has_value());
  EXPECT_EQ(CqIntervalMs(2.5f), 2500);
  EXPECT_EQ(CqIntervalMs(1.0f), 1000);
  EXPECT_EQ(CqIntervalMs(10.0f), 10000);
  EXPECT_EQ(CqIntervalMs(1.2345f), 1235);  // to the nearest ms
  EXPECT_FLOAT_EQ(CqIntervalSeconds(2500), 2.5f);
  EXPECT_FLOAT_EQ(CqIntervalSeconds(1000), 1.0f);
}

TEST(Version, PointBeforeTheLastDigit) {
  EXPECT_EQ(VersionText(12), "KEYPORT Ver.1.2");
  EXPECT_EQ(VersionText(105), "KEYPORT Ver.10.5");
  EXPECT_EQ(VersionText(10), "KEYPORT Ver.1.0");
  // A single digit reads as tenths rather than "Ver..5".
  EXPECT_EQ(VersionText(5), "KEYPORT Ver.0.5");
  EXPECT_EQ(VersionText(1), "KEYPORT Ver.0.1");
  EXPECT_EQ(VersionText(9), "KEYPORT Ver.0.9");
  EXPECT_EQ(VersionText(0), "KEYPORT Ver.?");
  EXPECT_EQ(VersionText(-1), "KEYPORT Ver.?");
  EXPECT_EQ(VersionText(INT_MIN), "KEYPORT Ver.?");
  EXPECT_EQ(VersionText(INT_MAX), "KEYPORT Ver.214748364.7");
}

}  // namespace
}  // namespace tandem::keyer
