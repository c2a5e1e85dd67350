// Arithmetic of the keyer parameters: weights, speed steps, PTT and side-tone values, the CQ
// repeat pause and the version text. Portable: no <windows.h>.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tandem::keyer {

constexpr int kWpmMin = 5;
constexpr int kWpmMax = 50;

// Default weights, in dot units (the space between elements is 1.0).
constexpr float kDefaultWeightDot = 1.0f;
constexpr float kDefaultWeightDash = 3.0f;

// A weight in the keyer's half units: trunc(w * 2 + 0.5), halves rounded up (1.0 -> 2, 3.0 -> 6,
// 1.2 -> 2, 1.25 -> 3). A weight the keyer's int cannot hold saturates; NaN gives 0.
int WeightToHalfUnits(float weight);

// The Options sheet's correction of one weight: the nearest half (halves up), 0 becoming 0.5.
float RoundWeightToHalf(float weight);

struct Weights {
  float dot = kDefaultWeightDot;
  float dash = kDefaultWeightDash;
};
// Both weights rounded to halves; a dot not smaller than the dash resets both to 1.0 and 3.0.
Weights CorrectWeights(Weights entered);

// The settings text of a weight converted as the C library's decimal conversion does: blanks,
// sign, digits, point, digits, exponent; the longest such prefix counts, no number gives 0
// ("abc" -> 0, "1.5x" -> 1.5). The point is "." (the C locale); no hex, "inf" or "nan".
double ParseDecimalPrefix(std::string_view text);

// A weight as the settings file stores it ("%2.1lf": 1.0 -> "1.0", 3.5 -> "3.5").
std::string FormatWeight(double weight);

// The speed one step faster or slower within 5..50 (unchanged at a limit).
int SteppedWpm(int wpm, bool faster);

// PTT parameters as the keyer receives them: each delay cut to its low 8 bits; 0, 0 when PTT
// control is off.
struct PttBytes {
  unsigned char before = 0;
  unsigned char after = 0;
};
PttBytes PttParams(bool on, int delayBefore, int delayAfter);

// The side-tone value for the keyer: 0 off, else the list index plus one (3906 / n Hz).
int SideToneValue(bool on, int level);

// CQ repeat pause limits, seconds, both included: the Options page checks its field against
// them and CqIntervalMs refuses what lies outside.
constexpr float kCqIntervalMinSeconds = 1.0f;
constexpr float kCqIntervalMaxSeconds = 10.0f;

// The CQ repeat pause in ms for a pause in seconds: trunc(s * 1000 + 0.5) for 1.0 <= s <= 10.0,
// nothing for any other value (NaN included), so the caller keeps its pause.
std::optional<int> CqIntervalMs(float seconds);
// The pause in seconds as the Options sheet shows it.
float CqIntervalSeconds(int ms);

// The status bar's version text. The keyer reports its version as an integer in tenths, so the
// text is "KEYPORT Ver." and that number with a point before its last digit: 12 -> "1.2",
// 105 -> "10.5", and 1..9 -> "0.1".."0.9". A version of 0 or less gives "KEYPORT Ver.?".
std::string VersionText(int version);

}  // namespace tandem::keyer
