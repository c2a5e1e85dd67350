#include "DataParse.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tandem::text {

namespace {

constexpr int kRealDigits = 6;  // significant digits of a 32-bit real

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text without the blanks around it.
std::string Trimmed(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// True when `s` is exactly one decimal number as described in the header.
bool IsDecimalNumber(const std::string& s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

}  // namespace

std::optional<std::uint32_t> ParseUnsigned(const std::string& text) {
  const std::string s = Trimmed(text);
  if (s.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : s) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::optional<float> ParseReal(const std::string& text) {
  const std::string s = Trimmed(text);
  if (!IsDecimalNumber(s)) return std::nullopt;
  errno = 0;
  // The point is "." whatever the locale says: the program never sets one.
  const double value = std::strtod(s.c_str(), nullptr);
  if (errno == ERANGE && std::fabs(value) > 1.0) return std::nullopt;
  if (std::fabs(value) > FLT_MAX) return std::nullopt;
  return static_cast<float>(value);
}

std::string FormatUnsigned(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "%u", static_cast<unsigned>(value));
  return buffer;
}

std::string FormatReal(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%.*g", kRealDigits, value);
  return buffer;
}

std::string FormatLimits(std::string text, const std::string& low, const std::string& high) {
  const std::string marks[2] = {"%1", "%2"};
  const std::string values[2] = {low, high};
  for (int i = 0; i < 2; ++i) {
    const size_t at = text.find(marks[i]);
    if (at != std::string::npos) text.replace(at, 2, values[i]);
  }
  return text;
}

}  // namespace tandem::text
