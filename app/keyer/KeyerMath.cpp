#include "KeyerMath.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tandem::keyer {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// trunc(x) as an int, saturating where a plain conversion would be undefined.
int TruncToInt(double x) {
  if (std::isnan(x)) {
    return 0;
  }
  if (x >= static_cast<double>(INT_MAX)) {
    return INT_MAX;
  }
  if (x <= static_cast<double>(INT_MIN)) {
    return INT_MIN;
  }
  return static_cast<int>(x);
}

}  // namespace

int WeightToHalfUnits(float weight) {
  return TruncToInt(static_cast<double>(weight) * 2 + 0.5);
}

float RoundWeightToHalf(float weight) {
  const int n = WeightToHalfUnits(weight);
  return n == 0 ? 0.5f : static_cast<float>(n * 0.5);
}

Weights CorrectWeights(Weights entered) {
  Weights w{RoundWeightToHalf(entered.dot), RoundWeightToHalf(entered.dash)};
  if (!(w.dot < w.dash)) {
    w = Weights{};
  }
  return w;
}

double ParseDecimalPrefix(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t start = i;
  std::size_t intDigits = 0, fracDigits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    ++i;
    ++intDigits;
  }
  if (i < text.size() && text[i] == '.') {
    std::size_t j = i + 1;
    while (j < text.size() && IsDigit(text[j])) {
      ++j;
      ++fracDigits;
    }
    if (intDigits + fracDigits > 0) {
      i = j;
    }
  }
  if (intDigits + fracDigits == 0) {
    return 0.0;
  }
  // An exponent counts only when at least one digit follows its letter and sign.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
      ++j;
    }
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) {
        ++j;
      }
      i = j;
    }
  }
  // Only the matched prefix reaches strtod, so hex, "inf" and "nan" never do; strtod gives
  // HUGE_VAL beyond a double's range and 0 far below it, as the C library's conversion does.
  const std::string number(text.substr(start, i - start));
  const double value = std::strtod(number.c_str(), nullptr);
  return negative ? -value : value;
}

std::string FormatWeight(double weight) {
  char buffer[512];  // "%2.1lf" of the largest double needs about 310 characters
  const int n = std::snprintf(buffer, sizeof buffer, "%2.1lf", weight);
  if (n < 0) {
    return std::string();
  }
  return std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

int SteppedWpm(int wpm, bool faster) {
  if (faster) {
    return wpm < kWpmMax ? wpm + 1 : wpm;
  }
  return wpm > kWpmMin ? wpm - 1 : wpm;
}

PttBytes PttParams(bool on, int delayBefore, int delayAfter) {
  if (!on) {
    return PttBytes{};
  }
  return PttBytes{static_cast<unsigned char>(delayBefore & 0xFF),
                  static_cast<unsigned char>(delayAfter & 0xFF)};
}

int SideToneValue(bool on, int level) {
  // Wraps instead of overflowing for a level read unchecked from the settings file.
  return on ? static_cast<int>(static_cast<unsigned>(level) + 1u) : 0;
}

std::optional<int> CqIntervalMs(float seconds) {
  if (!(seconds >= kCqIntervalMinSeconds && seconds <= kCqIntervalMaxSeconds)) {
    return std::nullopt;
  }
  return TruncToInt(static_cast<double>(seconds) * 1000 + 0.5);
}

float CqIntervalSeconds(int ms) { return static_cast<float>(ms * 0.001); }

std::string VersionText(int version) {
  if (version <= 0) {
    return "KEYPORT Ver.?";
  }
  std::string digits = std::to_string(version);
  if (digits.size() == 1) {
    digits.insert(0, 1, '0');  // tenths only: "5" reads 0.5, not ".5"
  }
  digits.insert(digits.size() - 1, 1, '.');
  return "KEYPORT Ver." + digits;
}

}  // namespace tandem::keyer
