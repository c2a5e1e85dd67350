#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EntryRecord.h"

namespace {

using tandem::EntryFields;

std::string Compose(const EntryFields& f) {
  char out[tandem::kEntryRecordBufferSize];
  const std::size_t n = tandem::ComposeEntryRecord(f, out, sizeof out);
  EXPECT_EQ(n, std::strlen(out));
  return std::string(out, n);
}

EntryFields Fields(const char* call, const char* report) {
  EntryFields f;
  tandem::CopyField(f.call, sizeof f.call, call);
  tandem::CopyField(f.report, sizeof f.report, report);
  tandem::CopyField(f.mode, sizeof f.mode, "CW");
  return f;
}

TEST(EntryRecord, FieldOrderAndNumberFormats) {
  EntryFields f = Fields("ABC", "599");
  f.check = 1;
  f.key = 0x70;
  f.left = 120;
  f.bottom = 560;
  f.focus = 1;
  const std::string r = Compose(f);
  EXPECT_EQ(r, "ABC|599|CW|||1|70|0|0|0|120|560|1|");
  EXPECT_EQ(r.size(), 34u);

  // Upper-case hex without leading zeros; exchange and free text in their places.
  tandem::CopyField(f.exchange, sizeof f.exchange, "25");
  tandem::CopyField(f.freeText, sizeof f.freeText, "NOTE");
  f.key = 0x5A;
  f.check = 2;
  f.focus = 6;
  EXPECT_EQ(Compose(f), "ABC|599|CW|25|NOTE|2|5A|0|0|0|120|560|6|");
  f.key = 0x0B;
  EXPECT_EQ(Compose(f), "ABC|599|CW|25|NOTE|2|B|0|0|0|120|560|6|");
}

TEST(EntryRecord, KeyStatesPrintAsTheReceiverExpects) {
  EntryFields f = Fields("K1", "5");
  f.shift = static_cast<std::int16_t>(0xFF80);  // down
  f.ctrl = static_cast<std::int16_t>(0xFF81);   // down and toggled
  f.alt = 1;                                     // up, toggled
  f.key = 0x74;
  const std::string r = Compose(f);
  EXPECT_NE(r.find("|74|FFFFFF80|FFFFFF81|1|"), std::string::npos) << r;
  // A key that is down prints with more than one character, one that is up with one, for every
  // state the system reports (bit 15 down, bit 0 toggled).
  for (int state : {0x0000, 0x0001, 0x8000, 0x8001, 0xFF80, 0xFF81}) {
    f.shift = static_cast<std::int16_t>(state);
    const std::string s = Compose(f);
    const std::size_t start = s.find("|74|") + 4;
    const std::string field = s.substr(start, s.find('|', start) - start);
    EXPECT_EQ(field.size() > 1, (state & 0x8000) != 0) << state << " gave " << field;
  }
}

TEST(EntryRecord, NegativeCoordinatesAndExtremes) {
  EntryFields f = Fields("A", "");
  f.left = -32000;
  f.bottom = INT32_MIN;
  f.focus = 0;
  EXPECT_EQ(Compose(f), "A||CW|||0|0|0|0|0|-32000|-2147483648|0|");
}

TEST(EntryRecord, TextsAreCutAtTheirLimits) {
  const std::string longText(300, 'X');
  EntryFields f;
  tandem::CopyField(f.call, sizeof f.call, longText.c_str());
  tandem::CopyField(f.report, sizeof f.report, longText.c_str());
  tandem::CopyField(f.mode, sizeof f.mode, "CW");
  tandem::CopyField(f.exchange, sizeof f.exchange, longText.c_str());
  tandem::CopyField(f.freeText, sizeof f.freeText, longText.c_str());
  EXPECT_EQ(std::strlen(f.call), 31u);
  EXPECT_EQ(std::strlen(f.report), 15u);
  EXPECT_EQ(std::strlen(f.exchange), 63u);
  EXPECT_EQ(std::strlen(f.freeText), 127u);
  const std::string r = Compose(f);
  EXPECT_EQ(r.substr(0, 32), std::string(31, 'X') + "|");
  EXPECT_EQ(r.substr(32, 16), std::string(15, 'X') + "|");
}

TEST(EntryRecord, UnterminatedFieldsAreTakenOnlyUpToTheirLimit) {
  EntryFields f;
  std::memset(f.call, 'C', sizeof f.call);
  std::memset(f.report, 'R', sizeof f.report);
  std::memset(f.mode, 'M', sizeof f.mode);
  std::memset(f.exchange, 'E', sizeof f.exchange);
  std::memset(f.freeText, 'F', sizeof f.freeText);
  const std::string r = Compose(f);
  EXPECT_EQ(r.find('R'), 32u);
  EXPECT_EQ(r.substr(0, 31), std::string(31, 'C'));
}

TEST(EntryRecord, DoubleByteCharactersAreNeverCutInHalf) {
  char field[tandem::kCallSize];
  // 30 single bytes and one double-byte character: its first half would be byte 31.
  std::string text(30, 'A');
  text += "\x93\x8C";  // 東
  tandem::CopyField(field, sizeof field, text.c_str());
  EXPECT_EQ(std::string(field), std::string(30, 'A'));
  // 29 single bytes and the character fit exactly.
  text = std::string(29, 'A') + "\x93\x8C";
  tandem::CopyField(field, sizeof field, text.c_str());
  EXPECT_EQ(std::string(field), text);
  // A trail byte that looks like a lead byte does not confuse the count: 東 is 93 8C, and
  // ｱ (B1) is single. 15 double-byte characters then one more that does not fit.
  text.clear();
  for (int i = 0; i < 16; ++i) text += "\x81\x81";  // full-width equals signs
  tandem::CopyField(field, sizeof field, text.c_str());
  EXPECT_EQ(std::strlen(field), 30u);
  // A lone lead byte at the very end of the source is kept as the logger had it.
  tandem::CopyField(field, sizeof field, "AB\x93");
  EXPECT_EQ(std::string(field), "AB\x93");
  tandem::CopyField(field, sizeof field, nullptr);
  EXPECT_EQ(field[0], '\0');
}

TEST(EntryRecord, WorstCasesFitTheirBuffer) {
  // The widest record the N1MM reader can make: every text at its limit, mode "CW".
  EntryFields f;
  const std::string longText(300, 'W');
  tandem::CopyField(f.call, sizeof f.call, longText.c_str());
  tandem::CopyField(f.report, sizeof f.report, longText.c_str());
  tandem::CopyField(f.mode, sizeof f.mode, "CW");
  tandem::CopyField(f.exchange, sizeof f.exchange, longText.c_str());
  tandem::CopyField(f.freeText, sizeof f.freeText, longText.c_str());
  f.check = 2;
  f.key = 0x7B;
  f.shift = f.ctrl = f.alt = static_cast<std::int16_t>(0xFF81);
  f.left = INT32_MIN;
  f.bottom = INT32_MIN;
  f.focus = 6;
  EXPECT_EQ(Compose(f).size(), tandem::kN1mmRecordMax);

  // Every field at the widest its type prints: still whole, still terminated.
  tandem::CopyField(f.mode, sizeof f.mode, longText.c_str());
  f.check = 0xFFFFFFFFu;
  f.key = 0xFFFFFFFFu;
  f.focus = INT32_MIN;
  char out[tandem::kEntryRecordBufferSize + 8];
  std::memset(out, '#', sizeof out);
  const std::size_t n = tandem::ComposeEntryRecord(f, out, tandem::kEntryRecordBufferSize);
  EXPECT_EQ(n, tandem::kEntryRecordMax);
  EXPECT_EQ(out[n], '\0');
  EXPECT_EQ(out[n - 1], '|');
  EXPECT_EQ(out[tandem::kEntryRecordBufferSize], '#');
}

TEST(EntryRecord, SmallBuffersAreCutAndTerminated) {
  EntryFields f = Fields("XX1ABC", "599");
  char out[8];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(tandem::ComposeEntryRecord(f, out, 5), 4u);
  EXPECT_STREQ(out, "XX1A");
  EXPECT_EQ(out[5], '#');
  EXPECT_EQ(tandem::ComposeEntryRecord(f, out, 0), 0u);
  EXPECT_EQ(out[0], 'X');  // nothing written at all
  EXPECT_EQ(tandem::ComposeEntryRecord(f, nullptr, 100), 0u);
}

// Whatever the operator types, the record keeps its thirteen fields: a '|' in a text is left out,
// so the exchange "5|" stays the exchange and a free text cannot forge the key or the modifiers.
TEST(EntryRecord, BarInsideATextIsLeftOut) {
  EntryFields f = Fields("XX1ABC", "599");
  tandem::CopyField(f.exchange, sizeof f.exchange, "5|");
  tandem::CopyField(f.freeText, sizeof f.freeText, "x|0|5A|0|FFFFFF80|0");
  f.key = 0x71;
  EXPECT_EQ(Compose(f), "XX1ABC|599|CW|5|x05A0FFFFFF800|0|71|0|0|0|0|0|0|");
  // The second byte of a double-byte character may be the '|' byte ("\x83\x7C"): it stays.
  tandem::CopyField(f.exchange, sizeof f.exchange, "\x83\x7C" "1|");
  tandem::CopyField(f.freeText, sizeof f.freeText, "|\x93\x8C\x83\x7C|");
  EXPECT_EQ(Compose(f), "XX1ABC|599|CW|\x83\x7C" "1|\x93\x8C\x83\x7C|0|71|0|0|0|0|0|0|");
}

TEST(EntryRecord, LoneLeadByteAtTheEndOfATextIsLeftOut) {
  EntryFields f = Fields("AB\x93", "59\x83");
  EXPECT_EQ(Compose(f), "AB|59|CW|||0|0|0|0|0|0|0|0|");
  // A whole character that ends the text stays.
  f = Fields("AB\x93\x8C", "599");
  EXPECT_EQ(Compose(f), "AB\x93\x8C|599|CW|||0|0|0|0|0|0|0|0|");
}

}  // namespace
