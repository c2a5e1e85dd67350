// The keying token step: what the front of the keying text is, and taking it off. The frame
// carries out the result (keyer calls, log rewrite); this file decides. Portable: no <windows.h>.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "CwText.h"

namespace tandem::cw {

enum class TokenKind {
  None,       // the keying text is empty
  Prosign,    // a four-byte prosign token: key its Morse code byte as one character
  Report,     // "$R": fill in the report now
  Exchange,   // "$A": fill in the exchange now
  PlainByte,  // anything else: key the first byte as it is (half a double-byte character too)
};

struct FrontToken {
  TokenKind kind = TokenKind::None;
  unsigned char byte = 0;   // Prosign: its Morse code byte; PlainByte: the byte
  std::size_t length = 0;   // bytes it takes from the front when sent (0 for the macros)
};

// Looks at the front of the keying text only. Prosigns are compared first, four bytes each,
// case-sensitive, in the order [AR] [KN] [VA] [BK] [hore] [rata].
FrontToken ClassifyFront(std::string_view keyText);

// The values the late macros take when keying reaches them.
struct LateValues {
  std::string report;    // the report field of the last entry record
  std::string exchange;  // its exchange field
  DigitSubstitution subst;
};

struct TokenStep {
  TokenKind kind = TokenKind::None;
  unsigned char byte = 0;    // Prosign: code byte for the keyer's code call; PlainByte: the byte
  std::string token;         // Prosign/PlainByte: the bytes taken from the front
  std::string logMacro;      // Report/Exchange: "$R" or "$A", to be replaced in the whole log...
  std::string logValue;      // ...by this ("_" when the value is empty)
  std::string keyValue;      // ...and in the keying text by this
};

// One token step on keyText: a prosign or a plain byte is removed from the front and returned
// for keying; "$R" or "$A" is replaced everywhere in keyText (by nothing when its value is empty)
// and returned with the log replacement; nothing is keyed in that step. Empty keyText: None.
TokenStep TakeToken(std::string& keyText, const LateValues& values);

}  // namespace tandem::cw
