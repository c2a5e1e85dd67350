#include <gtest/gtest.h>

#include <string>

#include "CwText.h"

namespace tandem::cw {
namespace {

MacroValues Values() {
  MacroValues v;
  v.call = "xx1abc";  // inserted values keep their case
  v.myCall = "XX9ABC/1";
  v.greeting = "GE";
  v.number = "1009";
  return v;
}

TEST(Expansion, LowerCaseMacrosAndValuesKeepTheirCase) {
  const Expansion e = ExpandMessage("cq de $m $c $g nr $n", Values());
  EXPECT_EQ(e.logText, "CQ DE XX9ABC/1 xx1abc GE NR 1009 ");
  EXPECT_EQ(e.keyText, "CQ DE XX9ABC/1 xx1abc GE NR 1009");

  MacroValues lower = Values();
  lower.myCall = "jx9abc";
  EXPECT_EQ(ExpandMessage("de $M", lower).keyText, "DE jx9abc");
}

TEST(Expansion, MacroOrderAndValuesThatLookLikeMacros) {
  MacroValues v = Values();
  v.call = "$M";      // replaced again by the $M step that follows
  v.myCall = "$C";    // $C has already been done: stays
  v.greeting = "$N";  // and $N comes after $G
  const Expansion e = ExpandMessage("$C|$M|$G", v);
  EXPECT_EQ(e.logText, "$C|$C|1009 ");
  // "$R" and "$A" are left for the token step, in both texts.
  const Expansion late = ExpandMessage("ur $r $a", v);
  EXPECT_EQ(late.logText, "UR $R $A ");
  EXPECT_EQ(late.keyText, "UR $R $A");
}

TEST(Expansion, NumberIsSubstitutedOnlyInTheKeyingText) {
  MacroValues v = Values();
  v.subst.zero = "T";
  v.subst.one = "A";
  v.subst.nine = "N";
  const Expansion e = ExpandMessage("NR $N $N", v);
  EXPECT_EQ(e.keyText, "NR ATTN ATTN");
  EXPECT_EQ(e.logText, "NR 1009 1009 ");
  // Digits typed in the memory itself are not substituted.
  EXPECT_EQ(ExpandMessage("599 $N", v).keyText, "599 ATTN");
}

TEST(Expansion, FullWidthSpacesAndDoubleByteCharacters) {
  // Full-width space between CQ and TEST, at both ends too.
  EXPECT_EQ(ExpandMessage("\x81\x40" "cq\x81\x40test\x81\x40", Values()).keyText, " CQ TEST ");
  // A double-byte character ending in 81 followed by "@" is not a full-width space.
  EXPECT_EQ(ExpandMessage("\x88\x81\x40", Values()).keyText, "\x88\x81\x40");
  // Second bytes in the a..z range stay as they are; the letters around them are upper-cased.
  EXPECT_EQ(ExpandMessage("a\x83\x61z\xE0\x7A" "b", Values()).keyText, "A\x83\x61Z\xE0\x7A" "B");
  // A lone lead byte at the end neither reads past the text nor swallows anything.
  EXPECT_EQ(ExpandMessage("ab\x81", Values()).logText, "AB\x81 ");
  // Half-width katakana are single bytes and untouched.
  EXPECT_EQ(ExpandMessage("\xB1\xB2", Values()).keyText, "\xB1\xB2");
}

TEST(DigitSubstitution, ZeroThenOneThenNineEachOnThePreviousOutput) {
  DigitSubstitution s;
  EXPECT_EQ(SubstituteDigits("1009", s), "1009");  // defaults substitute nothing
  s.zero = "1";
  s.one = "9";
  s.nine = "N";
  EXPECT_EQ(SubstituteDigits("0", s), "N");  // 0 -> 1 -> 9 -> N
  EXPECT_EQ(SubstituteDigits("599", s), "5NN");
  s = DigitSubstitution{};
  s.nine = "0";  // a later step's output is not fed back to an earlier one
  EXPECT_EQ(SubstituteDigits("90", s), "00");
  s.zero = "";  // an empty substitution removes the digit
  EXPECT_EQ(SubstituteDigits("100", s), "1");
}

TEST(ExchangeCleaning, DoubleByteCharactersAndSigns) {
  EXPECT_EQ(CleanExchange("ABC\x93\x8C\x8B\x9E"), "ABC");  // ABC東京
  EXPECT_EQ(CleanExchange("(12)/3"), "123");
  EXPECT_EQ(CleanExchange("\x93\x8C\x8B\x9E"), "");          // 東京
  EXPECT_EQ(CleanExchange("\x93\x8C" "25(A)\x8B\x9E" "X"), "25A");  // 東25(A)京X
  EXPECT_EQ(CleanExchange("\x93\x8C\x8B"), "");  // cut in the middle of a character
  EXPECT_EQ(CleanExchange("12\x81"), "12");
  EXPECT_EQ(CleanExchange("\xB1" "1"), "\xB1" "1");  // half-width kana are kept
  EXPECT_EQ(CleanExchange("()/"), "");
  EXPECT_EQ(CleanExchange(""), "");
}

TEST(Greeting, HourBoundariesAndUnsignedComparison) {
  EXPECT_STREQ(GreetingForHour(11, 12, 18), "GM");  // 11:59
  EXPECT_STREQ(GreetingForHour(12, 12, 18), "GA");  // 12:00
  EXPECT_STREQ(GreetingForHour(17, 12, 18), "GA");
  EXPECT_STREQ(GreetingForHour(18, 12, 18), "GE");  // 18:00
  EXPECT_STREQ(GreetingForHour(0, 12, 18), "GM");   // 00:30
  EXPECT_STREQ(GreetingForHour(23, 12, 18), "GE");
  // Before the end of GM but already past the end of GA.
  EXPECT_STREQ(GreetingForHour(10, 15, 9), "GE");
  // A negative boundary compares as a very large one: every hour is before it.
  EXPECT_STREQ(GreetingForHour(14, -1, 18), "GM");
  EXPECT_STREQ(GreetingForHour(20, 12, -1), "GA");
  EXPECT_STREQ(GreetingForHour(5, -1, -1), "GM");
}

TEST(Mode, OnlyTheFourCwModesExactly) {
  for (const char* m : {"CW", "A1A", "A2A", "F2A"}) {
    EXPECT_TRUE(IsCwLikeMode(m)) << m;
  }
  for (const char* m : {"cw", "CW ", "", "SSB", "RTTY", "A1"}) {
    EXPECT_FALSE(IsCwLikeMode(m)) << m;
  }
}

TEST(ReplaceAll, LeftToRightWithoutRescanning) {
  std::string t = "aaa";
  EXPECT_EQ(ReplaceAll(t, "aa", "b"), 1u);
  EXPECT_EQ(t, "ba");
  t = "$R $R";
  EXPECT_EQ(ReplaceAll(t, "$R", "$R$R"), 2u);  // inserted text is not searched again
  EXPECT_EQ(t, "$R$R $R$R");
  t = "x$R";
  EXPECT_EQ(ReplaceAll(t, "$R", ""), 1u);
  EXPECT_EQ(t, "x");
  t = "abc";
  EXPECT_EQ(ReplaceAll(t, "", "z"), 0u);
  EXPECT_EQ(ReplaceAll(t, "abcd", "z"), 0u);
  EXPECT_EQ(t, "abc");
}

TEST(ReplaceAll, LargeLogKeepsEverythingAroundTheMacro) {
  std::string log(1000000, 'x');
  log.replace(500000, 2, "$R");
  log.replace(999998, 2, "$R");
  EXPECT_EQ(ReplaceAll(log, "$R", "5NN"), 2u);
  ASSERT_EQ(log.size(), 1000002u);
  EXPECT_EQ(log.compare(500000, 3, "5NN"), 0);
  EXPECT_EQ(log.compare(999999, 3, "5NN"), 0);
  EXPECT_EQ(log.find_first_not_of('x'), 500000u);
  EXPECT_EQ(log.find_first_not_of('x', 500003), 999999u);
}

TEST(LogTimeStamp, FormatAndOncePerMinute) {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 8;
  t.tm_mday = 24;
  t.tm_hour = 12;
  t.tm_min = 31;
  t.tm_sec = 5;
  EXPECT_EQ(FormatLogTimeStamp(t), "[09/24-12:31]");
  t.tm_hour = 0;
  t.tm_min = 0;
  EXPECT_EQ(FormatLogTimeStamp(t), "[09/24-00:00]");

  LogStampGate gate;
  EXPECT_TRUE(gate.Admit("[09/24-12:31]"));
  EXPECT_FALSE(gate.Admit("[09/24-12:31]"));
  EXPECT_TRUE(gate.Admit("[09/24-12:32]"));
  EXPECT_TRUE(gate.Admit("[09/24-12:31]"));  // any change counts, not only a later minute
}

}  // namespace
}  // namespace tandem::cw
