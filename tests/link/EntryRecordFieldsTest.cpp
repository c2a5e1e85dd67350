#include <gtest/gtest.h>

#include <string>

#include "EntryRecordFields.h"

namespace tandem::link {
namespace {

using namespace std::string_literals;

TEST(ReceivedRecord, NullDataAndOversizedRecordsAreIgnored) {
  const std::string big(kMaxReceivedRecord + 1, 'A');
  EXPECT_EQ(ClassifyRecord(nullptr, 0), RecordKind::kIgnored);
  EXPECT_EQ(ClassifyRecord(nullptr, 34), RecordKind::kIgnored);
  EXPECT_EQ(ClassifyRecord(big.data(), big.size()), RecordKind::kIgnored);
  // The limit itself is still a record, and so is an empty text.
  EXPECT_EQ(ClassifyRecord(big.data(), kMaxReceivedRecord), RecordKind::kEntryRecord);
  EXPECT_EQ(ClassifyRecord("", 0), RecordKind::kEntryRecord);
  // Only the given size counts: a longer buffer behind the pointer is not read as a record.
  EXPECT_EQ(ClassifyRecord(big.data(), 34), RecordKind::kEntryRecord);
}

TEST(ReceivedRecord, CqMachineNoticeIsRecognisedOnlyExactly) {
  const std::string notice = "|a|a|a|a|a|a|a|a|a|a|a|9|";
  EXPECT_EQ(ClassifyRecord(notice.data(), notice.size()), RecordKind::kCqMachineNotice);
  // Sent with its terminator counted, one byte short, upper case, or with an extra field.
  EXPECT_EQ(ClassifyRecord(notice.c_str(), notice.size() + 1), RecordKind::kEntryRecord);
  EXPECT_EQ(ClassifyRecord(notice.data(), notice.size() - 1), RecordKind::kEntryRecord);
  EXPECT_FALSE(IsCqMachineNotice("|A|a|a|a|a|a|a|a|a|a|a|9|"));
  EXPECT_FALSE(IsCqMachineNotice("|a|a|a|a|a|a|a|a|a|a|a|9|x"));
  EXPECT_FALSE(IsCqMachineNotice("x|a|a|a|a|a|a|a|a|a|a|a|9|"));
  EXPECT_FALSE(IsCqMachineNotice("|a|a|a|a|a|a|a|a|a|a|a|8|"));
  EXPECT_FALSE(IsCqMachineNotice(""));
}

TEST(SplitRecord, FullRecordGivesThirteenFields) {
  const RecordFields f = SplitEntryRecord("XX1ABC|599|CW|||1|71|0|0|0|120|560|1|");
  const RecordFields want = {"XX1ABC", "599", "CW", "", "", "1", "71", "0", "0", "0",
                             "120",    "560", "1"};
  EXPECT_EQ(f, want);
}

TEST(SplitRecord, ShortTextsLeaveTrailingFieldsEmpty) {
  RecordFields f = SplitEntryRecord("ABC|599");
  EXPECT_EQ(f[0], "ABC");
  EXPECT_EQ(f[1], "599");
  for (std::size_t i = 2; i < kRecordFieldCount; ++i) EXPECT_EQ(f[i], "") << i;

  f = SplitEntryRecord("");
  for (const std::string& s : f) EXPECT_EQ(s, "");

  // No separator at all: the whole text is the call.
  f = SplitEntryRecord("XX1ABC");
  EXPECT_EQ(f[0], "XX1ABC");
  EXPECT_EQ(f[1], "");

  // The last field without its separator is still read.
  f = SplitEntryRecord("A|599|CW|||0|70|0|0|0|1|2|6");
  EXPECT_EQ(f[12], "6");
}

TEST(SplitRecord, TextAfterTheThirteenthFieldIsIgnored) {
  const RecordFields f = SplitEntryRecord("A|B|CW|||0|70|0|0|0|1|2|1|EXTRA|MORE|");
  EXPECT_EQ(f[12], "1");
  for (const std::string& s : f) EXPECT_EQ(s.find("EXTRA"), std::string::npos);
}

TEST(SplitRecord, BarInsideALoggerFieldShiftsTheLaterFields) {
  // The exchange box held "12|34": the free text becomes "34", the check field "" and so on.
  const RecordFields f = SplitEntryRecord("A|599|CW|12|34||1|70|0|0|0|120|560|1|");
  EXPECT_EQ(f[3], "12");
  EXPECT_EQ(f[4], "34");
  EXPECT_EQ(f[5], "");
  EXPECT_EQ(f[6], "1");
  EXPECT_EQ(f[7], "70");
  EXPECT_EQ(f[12], "560");
}

TEST(SplitRecord, EmbeddedNulIsAByteOfItsField) {
  const std::string text = "AB\0C|599|CW|||1|70|0|0|0|1|2|1|"s;
  const RecordFields f = SplitEntryRecord(text);
  EXPECT_EQ(f[0], "AB\0C"s);
  EXPECT_EQ(f[0].size(), 4u);
  EXPECT_EQ(f[6], "70");
}

TEST(DecodeRecord, SpecExampleAndFieldReadings) {
  const EntryRecord r = DecodeEntryRecord("ABC|599|CW|||1|70|0|0|0|120|560|1|");
  EXPECT_EQ(r.call, "ABC");
  EXPECT_EQ(r.report, "599");
  EXPECT_EQ(r.mode, "CW");
  EXPECT_EQ(r.exchange, "");
  EXPECT_TRUE(r.checked);
  EXPECT_EQ(r.keyField, KeyField::kValid);
  EXPECT_EQ(r.key, 0x70u);
  EXPECT_TRUE(r.modifiers.None());
  EXPECT_EQ(r.focus, 1);

  const EntryRecord shifted = DecodeEntryRecord("ABC|599|CW|||0|74|FFFFFF80|1|0|120|560|0|");
  EXPECT_FALSE(shifted.checked);
  EXPECT_TRUE(shifted.modifiers.shift);
  EXPECT_FALSE(shifted.modifiers.ctrl);  // "1": toggled but up
  EXPECT_FALSE(shifted.modifiers.alt);
}

TEST(DecodeRecord, CheckCountsOnlyWhenExactlyOne) {
  for (const char* check : {"0", "2", "01", "1 ", " 1", "11", ""}) {
    const std::string text = std::string("A|5|CW|||") + check + "|0|0|0|0|0|0|0|";
    EXPECT_FALSE(DecodeEntryRecord(text).checked) << '"' << check << '"';
  }
  EXPECT_TRUE(DecodeEntryRecord("A|5|CW|||1|0|0|0|0|0|0|0|").checked);
}

TEST(DecodeRecord, ModifierIsDownWhenItsFieldIsLongerThanOneCharacter) {
  EXPECT_FALSE(ModifierFieldDown(""));
  EXPECT_FALSE(ModifierFieldDown("0"));
  EXPECT_FALSE(ModifierFieldDown("1"));
  EXPECT_TRUE(ModifierFieldDown("FFFFFF80"));
  EXPECT_TRUE(ModifierFieldDown("FFFFFF81"));
  EXPECT_TRUE(ModifierFieldDown("10"));  // the length is what counts, not the value
}

TEST(DecodeRecord, KeyFieldIsHexadecimalOrNothing) {
  unsigned key = 99;
  EXPECT_EQ(ParseKeyField("", &key), KeyField::kNone);
  EXPECT_EQ(ParseKeyField("7B", &key), KeyField::kValid);
  EXPECT_EQ(key, 0x7Bu);
  EXPECT_EQ(ParseKeyField("7b", &key), KeyField::kValid);
  EXPECT_EQ(key, 0x7Bu);
  EXPECT_EQ(ParseKeyField("0000005A", &key), KeyField::kValid);
  EXPECT_EQ(key, 0x5Au);
  EXPECT_EQ(ParseKeyField("FFFFFFFF", &key), KeyField::kValid);
  EXPECT_EQ(key, 0xFFFFFFFFu);
  for (const char* bad : {"0x70", " 70", "70 ", "7G", "-1", "+70", "1FFFFFFFF", "F1 ", "\x80"}) {
    EXPECT_EQ(ParseKeyField(bad, &key), KeyField::kNotHex) << bad;
  }
  EXPECT_EQ(ParseKeyField("7\0"s, &key), KeyField::kNotHex);

  const EntryRecord r = DecodeEntryRecord("A|5|CW|||0|XYZ|0|0|0|0|0|1|");
  EXPECT_EQ(r.keyField, KeyField::kNotHex);
  EXPECT_EQ(r.key, 0u);
}

TEST(DecodeRecord, FocusIsDecimalAndZeroOtherwise) {
  EXPECT_EQ(ParseFocusField(""), 0);
  EXPECT_EQ(ParseFocusField("1"), 1);
  EXPECT_EQ(ParseFocusField("10"), 10);
  EXPECT_EQ(ParseFocusField("-3"), -3);
  EXPECT_EQ(ParseFocusField("2147483647"), 2147483647);
  EXPECT_EQ(ParseFocusField("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"-", "1x", " 1", "A", "2147483648", "99999999999999999999", "1.0"}) {
    EXPECT_EQ(ParseFocusField(bad), 0) << bad;
  }
  // A short record: no focus field at all reads as 0.
  EXPECT_EQ(DecodeEntryRecord("ABC|599|CW|||1|9").focus, 0);
}

}  // namespace
}  // namespace tandem::link
