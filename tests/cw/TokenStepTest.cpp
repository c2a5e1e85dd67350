#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CwText.h"
#include "TokenStep.h"

namespace tandem::cw {
namespace {

// Plays the keyer and the log view for a message: every keyed byte or code is recorded
// (codes as "<XX>"), and every log rewrite is applied to the log.
struct Line {
  std::string keyed;
  std::string log;

  TokenKind Step(std::string& keyText, const LateValues& values) {
    const TokenStep step = TakeToken(keyText, values);
    switch (step.kind) {
      case TokenKind::Prosign: {
        char code[8];
        std::snprintf(code, sizeof code, "<%02X>", step.byte);
        keyed += code;
        break;
      }
      case TokenKind::PlainByte:
        keyed.push_back(static_cast<char>(step.byte));
        break;
      case TokenKind::Report:
      case TokenKind::Exchange:
        ReplaceAll(log, step.logMacro, step.logValue);
        break;
      case TokenKind::None:
        break;
    }
    return step.kind;
  }
};

TEST(ClassifyFront, ProsignsMacrosAndPlainBytes) {
  struct Case {
    const char* text;
    TokenKind kind;
    unsigned char byte;
    std::size_t length;
  };
  const Case cases[] = {
      {"[AR]", TokenKind::Prosign, 0x54, 4},
      {"[KN] K", TokenKind::Prosign, 0xB4, 4},
      {"[VA]", TokenKind::Prosign, 0x16, 4},
      {"[BK]", TokenKind::Prosign, 0x8B, 4},
      {"[\xCE\xDA]", TokenKind::Prosign, 0x9E, 4},  // [ﾎﾚ]
      {"[\xD7\xC0]", TokenKind::Prosign, 0x14, 4},  // [ﾗﾀ]
      {"[kn]", TokenKind::PlainByte, '[', 1},          // case-sensitive
      {"[KN", TokenKind::PlainByte, '[', 1},           // needs all four bytes
      {"[\xCE\xDA", TokenKind::PlainByte, '[', 1},
      {"[K]N]", TokenKind::PlainByte, '[', 1},
      {"$R", TokenKind::Report, 0, 0},
      {"$A $R", TokenKind::Exchange, 0, 0},
      {"$r", TokenKind::PlainByte, '$', 1},
      {"$", TokenKind::PlainByte, '$', 1},
      {" ", TokenKind::PlainByte, ' ', 1},
      {"\x93\x8C", TokenKind::PlainByte, 0x93, 1},  // half of a double-byte character
      {"", TokenKind::None, 0, 0},
  };
  for (const Case& c : cases) {
    const FrontToken f = ClassifyFront(c.text);
    EXPECT_EQ(f.kind, c.kind) << c.text;
    EXPECT_EQ(f.byte, c.byte) << c.text;
    EXPECT_EQ(f.length, c.length) << c.text;
  }
}

TEST(TokenStep, ReportIsFilledInWhenKeyingReachesIt) {
  MacroValues mv;
  mv.call = "XX1ABC";
  mv.subst.nine = "N";
  Expansion e = ExpandMessage("$C UR $R [KN]", mv);
  Line line;
  line.log = "earlier $R " + e.logText;  // an older, still unfilled "$R" in the log
  LateValues late;
  late.report = "599";
  late.subst = mv.subst;

  std::string& k = e.keyText;
  // The first three tokens go out at once: X, X, 1.
  for (int i = 0; i < 3; ++i) {
    line.Step(k, late);
  }
  EXPECT_EQ(line.keyed, "XX1");
  // The report changes before keying reaches "$R": the value at that moment counts.
  late.report = "579";
  while (ClassifyFront(k).kind != TokenKind::Report) {
    ASSERT_EQ(line.Step(k, late), TokenKind::PlainByte);
  }
  EXPECT_EQ(line.log, "earlier $R XX1ABC UR $R [KN] ");
  // The "$R" step keys nothing and fills in every "$R", in the queue and the whole log.
  EXPECT_EQ(line.Step(k, late), TokenKind::Report);
  EXPECT_EQ(line.keyed, "XX1ABC UR ");
  EXPECT_EQ(k, "57N [KN]");
  EXPECT_EQ(line.log, "earlier 57N XX1ABC UR 57N [KN] ");
  while (!k.empty()) {
    line.Step(k, late);
  }
  EXPECT_EQ(line.keyed, "XX1ABC UR 57N <B4>");
  EXPECT_EQ(line.Step(k, late), TokenKind::None);
}

TEST(TokenStep, EmptyValuesKeyNothingAndShowUnderscore) {
  LateValues late;  // empty report and exchange
  late.exchange = "\x93\x8C\x8B\x9E";  // only double-byte characters
  Line line;
  line.log = "UR $R $A ";
  std::string k = "$R$A[AR]";
  EXPECT_EQ(line.Step(k, late), TokenKind::Report);
  EXPECT_EQ(k, "$A[AR]");
  EXPECT_EQ(line.Step(k, late), TokenKind::Exchange);
  EXPECT_EQ(k, "[AR]");
  EXPECT_EQ(line.log, "UR _ _ ");
  line.Step(k, late);
  EXPECT_EQ(line.keyed, "<54>");
  EXPECT_TRUE(k.empty());
}

TEST(TokenStep, ExchangeIsCleanedAndReportSubstituted) {
  LateValues late;
  late.report = "5991";
  late.exchange = "(12)/3\x93\x8C";
  late.subst.one = "A";
  late.subst.nine = "N";
  Line line;
  line.log = "$A $R $A";
  std::string k = "$A $R $A";
  EXPECT_EQ(line.Step(k, late), TokenKind::Exchange);
  EXPECT_EQ(k, "123 $R 123");  // exchange: no digit substitution
  EXPECT_EQ(line.log, "123 $R 123");
  for (int i = 0; i < 4; ++i) {
    line.Step(k, late);
  }
  EXPECT_EQ(line.Step(k, late), TokenKind::Report);
  EXPECT_EQ(k, "5NNA 123");
  EXPECT_EQ(line.log, "123 5NNA 123");
}

TEST(TokenStep, ProsignsAreTakenWholeAndOthersByteByByte) {
  LateValues late;
  Line line;
  std::string k = "[VA][\xD7\xC0]\x93\x8C[\xCE\xDA]E";  // [VA][ﾗﾀ]東[ﾎﾚ]E
  while (!k.empty()) {
    line.Step(k, late);
  }
  EXPECT_EQ(line.keyed, "<16><14>\x93\x8C<9E>E");
}

}  // namespace
}  // namespace tandem::cw
