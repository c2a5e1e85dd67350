#include <gtest/gtest.h>

#include "PaddleDecode.h"

namespace tandem::cw {
namespace {

void ExpectAppend(unsigned char code, bool kanaOn, unsigned char ch) {
  const PaddleEcho e = DecodePaddle(code, kanaOn);
  EXPECT_EQ(e.action, PaddleAction::Append) << std::hex << int(code) << " kana " << kanaOn;
  EXPECT_EQ(e.ch, ch) << std::hex << int(code) << " kana " << kanaOn;
}

void ExpectAction(unsigned char code, bool kanaOn, PaddleAction action) {
  EXPECT_EQ(DecodePaddle(code, kanaOn).action, action)
      << std::hex << int(code) << " kana " << kanaOn;
}

TEST(PaddleDecode, KanaModeChoosesTheAlphabet) {
  ExpectAppend(0x60, false, 'A');   // .-
  ExpectAppend(0x60, true, 0xB2);   // ｲ
  ExpectAppend(0xB4, false, '(');   // -.--.
  ExpectAppend(0xB4, true, 0xD9);   // ﾙ
  ExpectAppend(0x54, false, '+');   // .-.-.
  ExpectAppend(0x54, true, 0xDD);   // ﾝ
  ExpectAppend(0x8C, false, '=');   // -...-
  ExpectAppend(0x8C, true, 0xD2);   // ﾒ
  // Digits and the punctuation up to ":" keep priority over kana of the same pattern.
  ExpectAppend(0x94, true, '/');    // -..-. is also ﾓ
  ExpectAppend(0x04, true, '5');
  ExpectAppend(0xE2, true, ':');    // the last entry before the kana
  ExpectAppend(0x80, false, ' ');
  ExpectAppend(0x80, true, ' ');
  // A pattern found only among the kana gives nothing with Kana mode off.
  ExpectAppend(0xDC, true, 0xB1);   // ｱ --.--
  ExpectAction(0xDC, false, PaddleAction::Ignore);
  ExpectAppend(0x52, true, 0xA3);   // ｣, the last entry of the table
  ExpectAction(0x52, false, PaddleAction::Ignore);
}

TEST(PaddleDecode, KanaSwitchesOnlyInTheMatchingMode) {
  // ...-. ends Wabun: it switches Kana mode off, and writes nothing.
  ExpectAction(0x14, true, PaddleAction::ToggleKana);
  ExpectAction(0x14, false, PaddleAction::Ignore);
  // -..--- starts Wabun: it switches Kana mode on.
  ExpectAction(0x9E, false, PaddleAction::ToggleKana);
  ExpectAction(0x9E, true, PaddleAction::Ignore);
  // No paddle character, and patterns in neither alphabet.
  ExpectAction(0x00, false, PaddleAction::Ignore);
  ExpectAction(0x00, true, PaddleAction::Ignore);
  ExpectAction(0x02, false, PaddleAction::Ignore);  // .......
  ExpectAction(0xFF, true, PaddleAction::Ignore);
}

TEST(PaddleDecode, EveryCodeStaysInItsAlphabet) {
  int latin = 0, kana = 0;
  for (int code = 0; code < 256; ++code) {
    const PaddleEcho off = DecodePaddle(static_cast<unsigned char>(code), false);
    const PaddleEcho on = DecodePaddle(static_cast<unsigned char>(code), true);
    if (off.action == PaddleAction::Append) {
      ++latin;
      EXPECT_FALSE(off.ch >= 0xA1 && off.ch <= 0xDF) << "kana with Kana off: " << code;
      EXPECT_FALSE(off.ch >= 'a' && off.ch <= 'z') << "lower case is never found first";
      EXPECT_LE(off.index, 75);
    }
    if (on.action == PaddleAction::Append) {
      ++kana;
      EXPECT_FALSE((on.ch >= 'A' && on.ch <= 'Z') || (on.ch >= 'a' && on.ch <= 'z') ||
                   on.ch == '(' || on.ch == '+' || on.ch == '=')
          << "Latin letter or sign with Kana on: " << code;
      EXPECT_GE(on.index, 55);
    }
  }
  // 26 letters, 3 signs, 10 digits and 11 others; with Kana on the 50 kana and marks join the 21
  // digits and punctuation, minus the patterns they share with them.
  EXPECT_EQ(latin, 50);
  EXPECT_GT(kana, 50);
}

}  // namespace
}  // namespace tandem::cw
