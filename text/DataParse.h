// Parsing and formatting of the numbers that dialogs exchange with their edit controls.
// Portable: no <windows.h>.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tandem::text {

// One unsigned decimal integer that fits 32 bits, with blanks (spaces and tabs) allowed around
// it. No sign: a minus sign makes the text invalid rather than wrapping round.
std::optional<std::uint32_t> ParseUnsigned(const std::string& text);

// One decimal number (sign, digits, optional point and fraction, optional exponent), with blanks
// allowed around it. No hexadecimal, "inf" or "nan"; a value beyond the float range is invalid.
std::optional<float> ParseReal(const std::string& text);

// How an unsigned member is shown: "%u".
std::string FormatUnsigned(std::uint32_t value);
// How a real member is shown: "%.*g" with 6 significant digits (2.5 -> "2.5", 1.0 -> "1").
std::string FormatReal(double value);

// "%1" and "%2" in a message text replaced by the two limits.
std::string FormatLimits(std::string text, const std::string& low, const std::string& high);

}  // namespace tandem::text
