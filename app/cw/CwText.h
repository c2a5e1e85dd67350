// Byte-string work of the CW message engine: macro expansion of a message memory, digit
// substitution, the cleaning of the exchange, the greeting and the log rewrite. Portable: no
// <windows.h>. Text is bytes in the Japanese ANSI code page (CP932).
#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "LeadByte.h"

namespace tandem::cw {

// The first byte of a double-byte CP932 character (the text library's one test).
using text::IsCp932LeadByte;

// Replaces every occurrence of `from` in text by `to`, left to right; inserted text is never
// searched again. Returns the number of replacements; text is untouched when there are none.
// Linear in the text: the log view is rewritten with it while keying goes on, and may hold
// megabytes. An empty `from` replaces nothing.
std::size_t ReplaceAll(std::string& text, std::string_view from, std::string_view to);

// Every full-width space (bytes 81 40) becomes one plain space. Walks whole characters, so a
// double-byte character whose second byte is 81 followed by "@" (40) is left alone.
std::string FullWidthSpacesToPlain(std::string_view text);

// Single-byte a..z to A..Z; both bytes of a double-byte character are copied unchanged.
std::string UpperCaseSingleByte(std::string_view text);

// What the digits 0, 1 and 9 are keyed as (one character each on the Options sheet; any text
// works here). The defaults substitute nothing.
struct DigitSubstitution {
  std::string zero = "0";
  std::string one = "1";
  std::string nine = "9";
};

// Every "0" by subst.zero, then every "1" by subst.one, then every "9" by subst.nine; each step
// works on the output of the one before.
std::string SubstituteDigits(std::string_view text, const DigitSubstitution& subst);

// The $G greeting for a local hour: "GM", "GA" or "GE". The boundaries are compared unsigned, as
// the Options sheet stores them, so a negative boundary counts as a very late hour.
const char* GreetingForHour(int hour, int endGM, int endGA);

// "CW", "A1A", "A2A" or "F2A", exactly (case-sensitive).
bool IsCwLikeMode(std::string_view mode);

// Values that the expansion of a memory inserts.
struct MacroValues {
  std::string call;      // $C
  std::string myCall;    // $M
  std::string greeting;  // $G, from GreetingForHour
  std::string number;    // $N
  DigitSubstitution subst;
};

// The two texts made from one memory: what goes to the log view (with its trailing space, the
// number as typed) and what is keyed (no trailing space, the number with digit substitution).
// "$R" and "$A" stay in both; the token step fills them in when keying reaches them.
struct Expansion {
  std::string logText;
  std::string keyText;
  // Where the keyed number stands in keyText, once for each "$N": SubstituteDigits(number) bytes
  // there stand for the number as typed in the log text.
  std::vector<std::size_t> numberAt;
};

// Expands a message memory: full-width spaces to plain ones, a..z upper-cased (so macros typed in
// lower case are found; inserted values keep their case), then "$C", "$M", "$G" in that order,
// then "$N" as described for Expansion.
Expansion ExpandMessage(std::string_view caption, const MacroValues& values);

// The exchange as keyed for "$A": leading double-byte characters dropped, the text cut before the
// next double-byte character, then every "(", ")" and "/" removed. "ABC" + kanji gives "ABC",
// "(12)/3" gives "123", a text of double-byte characters only gives "".
std::string CleanExchange(std::string_view exchange);

// The log shows "_" where a late macro's value is empty, so the operator sees it was reached.
std::string LogValueOrPlaceholder(std::string value);

// The log time stamp "[%m/%d-%H:%M]", e.g. "[09/24-12:31]".
std::string FormatLogTimeStamp(const std::tm& localTime);

// Remembers the last stamp written so that at most one stamp per minute reaches the log.
class LogStampGate {
 public:
  // True (and remembered) when stamp differs from the last one let through.
  bool Admit(const std::string& stamp);

 private:
  std::string last_;
};

}  // namespace tandem::cw
