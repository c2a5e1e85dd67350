// What a Morse code byte keyed on the paddle does to the log view: one character in
// International or Wabun (kana) Morse, a switch of the Kana input mode, or nothing.
// Portable: no <windows.h>.
#pragma once

namespace tandem::cw {

enum class PaddleAction {
  Ignore,      // not a character in the current alphabet, and not the matching Kana switch
  Append,      // append `ch` (one byte) to the log view
  ToggleKana,  // the Wabun start (Kana off) or end (Kana on) sign: switch the Kana input mode
};

struct PaddleEcho {
  PaddleAction action = PaddleAction::Ignore;
  unsigned char ch = 0;  // Append: the character byte (half-width katakana in Kana mode)
  int index = -1;        // Append: where it was found in the decode table
};

// Searches the decode table for code: with Kana mode on from the digits onwards (so Latin
// letters give way to kana of the same pattern while digits and punctuation keep priority), with
// it off from the start, a kana hit not counting. Without a hit, 0x9E switches Kana mode on when
// it is off and 0x14 switches it off when it is on. Code 0 (no paddle character) is ignored.
PaddleEcho DecodePaddle(unsigned char code, bool kanaOn);

}  // namespace tandem::cw
