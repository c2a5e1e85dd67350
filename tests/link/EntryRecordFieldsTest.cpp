#include <gtest/gtest.h>

#include <string>

#include "EntryRecordFields.h"

namespace tandem::link {
namespace {

using namespace std::string_literals;

// Decodes a text that must be a well-formed record.
EntryRecord Decode(const std::string& text) {
  const std::optional<RecordFields> fields = SplitEntryRecord(text);
  EXPECT_TRUE(fields) << text;
  return fields ? DecodeEntryRecord(*fields) : EntryRecord{};
}

TEST(ReceivedRecord, NullDataAndOversizedRecordsAreIgnored) {
  const std::string record = "XX1ABC|599|CW|||1|71|0|0|0|120|560|1|";
  std::string big = record;
  big.insert(0, kMaxReceivedRecord - big.size(), 'A');
  EXPECT_EQ(ClassifyRecord(nullptr, 0), RecordKind::kIgnored);
  EXPECT_EQ(ClassifyRecord(nullptr, 34), RecordKind::kIgnored);
  EXPECT_EQ(ClassifyRecord((big + "A").data(), big.size() + 1), RecordKind::kIgnored);
  // The limit itself is still a record.
  EXPECT_EQ(ClassifyRecord(big.data(), kMaxReceivedRecord), RecordKind::kEntryRecord);
  // Only the given size counts: a longer buffer behind the pointer is not read as a record.
  const std::string longer = record + "EXTRA|";
  EXPECT_EQ(ClassifyRecord(longer.data(), record.size()), RecordKind::kEntryRecord);
  EXPECT_EQ(ClassifyRecord(longer.data(), longer.size()), RecordKind::kIgnored);
}

TEST(ReceivedRecord, CqMachineNoticeIsRecognisedOnlyExactly) {
  const std::string notice = "|a|a|a|a|a|a|a|a|a|a|a|9|";
  EXPECT_EQ(ClassifyRecord(notice.data(), notice.size()), RecordKind::kCqMachineNotice);
  // Sent with its terminator counted, one byte short, upper case, or with an extra field.
  // ...neither of which is an entry record either.
  EXPECT_EQ(ClassifyRecord(notice.c_str(), notice.size() + 1), RecordKind::kIgnored);
  EXPECT_EQ(ClassifyRecord(notice.data(), notice.size() - 1), RecordKind::kIgnored);
  const std::string lower = "|a|a|a|a|a|a|a|a|a|a|a|8|";
  EXPECT_EQ(ClassifyRecord(lower.data(), lower.size()), RecordKind::kEntryRecord);
  EXPECT_FALSE(IsCqMachineNotice("|A|a|a|a|a|a|a|a|a|a|a|9|"));
  EXPECT_FALSE(IsCqMachineNotice("|a|a|a|a|a|a|a|a|a|a|a|9|x"));
  EXPECT_FALSE(IsCqMachineNotice("x|a|a|a|a|a|a|a|a|a|a|a|9|"));
  EXPECT_FALSE(IsCqMachineNotice("|a|a|a|a|a|a|a|a|a|a|a|8|"));
  EXPECT_FALSE(IsCqMachineNotice(""));
}

TEST(SplitRecord, FullRecordGivesThirteenFields) {
  const auto f = SplitEntryRecord("XX1ABC|599|CW|||1|71|0|0|0|120|560|1|");
  ASSERT_TRUE(f);
  const RecordFields want = {"XX1ABC", "599", "CW", "", "", "1", "71", "0", "0", "0",
                             "120",    "560", "1"};
  EXPECT_EQ(*f, want);
}

// Anything but thirteen '|'-ended fields is no entry record: nothing of it is read, so a text
// field can never put its text into the key, the modifiers or another field.
TEST(SplitRecord, OnlyThirteenEndedFieldsAreARecord) {
  for (const std::string& bad : {
           ""s, "XX1ABC"s, "ABC|599"s,
           "A|599|CW|||0|70|0|0|0|1|2|6"s,                 // the last separator missing
           "A|B|CW|||0|70|0|0|0|1|2|1|EXTRA|"s,            // a fourteenth field
           "A|B|CW|||0|70|0|0|0|1|2|1|x"s,                 // text behind the last field
           "A|599|CW|5||1|71|0|0|0|120|560|1|"s.insert(12, "|"),  // exchange "5|"
           "A|599|CW|||1|0|0|0|0|120|560|1|"s.insert(10, "x|0|5A|0|FFFFFF80|0"),
       }) {
    EXPECT_FALSE(SplitEntryRecord(bad)) << bad;
    EXPECT_EQ(ClassifyRecord(bad.data(), bad.size()), RecordKind::kIgnored) << bad;
  }
}

TEST(SplitRecord, RecordWithANulIsIgnored) {
  const std::string text = "AB\0CD|599|CW|||1|70|0|0|0|1|2|1|"s;
  EXPECT_EQ(ClassifyRecord(text.data(), text.size()), RecordKind::kIgnored);
  const std::string clean = "ABCD|599|CW|||1|70|0|0|0|1|2|1|"s;
  EXPECT_EQ(ClassifyRecord(clean.data(), clean.size()), RecordKind::kEntryRecord);
}

TEST(SplitRecord, DoubleByteCharactersKeepTheirSecondByte) {
  // "\x83\x7C" is a katakana whose second byte is the '|' byte; "\x93\x8C" is a kanji.
  const std::string text = "JA1ABC|599|CW|\x83\x7C" "1|\x93\x8C\x83\x7C|1|71|0|0|0|120|560|5|";
  const auto f = SplitEntryRecord(text);
  ASSERT_TRUE(f);
  EXPECT_EQ((*f)[kFieldExchange], "\x83\x7C" "1");
  EXPECT_EQ((*f)[kFieldFreeText], "\x93\x8C\x83\x7C");
  EXPECT_EQ((*f)[kFieldKey], "71");
  EXPECT_EQ((*f)[kFieldFocus], "5");
}

TEST(SplitRecord, LoneLeadByteAtTheEndOfAFieldIsLeftOut) {
  // The lead byte before the separator is not joined with it, nor with anything after it.
  const std::string text = "AB\x83|59\x83|CW|1\xE0||1|71|0|0|0|120|560|1|";
  const auto f = SplitEntryRecord(text);
  ASSERT_TRUE(f);
  EXPECT_EQ((*f)[kFieldCall], "AB");
  EXPECT_EQ((*f)[kFieldReport], "59");
  EXPECT_EQ((*f)[kFieldExchange], "1");
  EXPECT_EQ((*f)[kFieldKey], "71");
  // A whole character before a lone lead byte stays.
  const auto g = SplitEntryRecord("\x93\x8C\x83|5|CW|||1|0|0|0|0|1|2|1|");
  ASSERT_TRUE(g);
  EXPECT_EQ((*g)[kFieldCall], "\x93\x8C");
}

TEST(DecodeRecord, SpecExampleAndFieldReadings) {
  const EntryRecord r = Decode("ABC|599|CW|||1|70|0|0|0|120|560|1|");
  EXPECT_EQ(r.call, "ABC");
  EXPECT_EQ(r.report, "599");
  EXPECT_EQ(r.mode, "CW");
  EXPECT_EQ(r.exchange, "");
  EXPECT_TRUE(r.checked);
  EXPECT_EQ(r.keyField, KeyField::kValid);
  EXPECT_EQ(r.key, 0x70u);
  EXPECT_TRUE(r.modifiers.None());
  EXPECT_EQ(r.focus, 1);

  const EntryRecord shifted = Decode("ABC|599|CW|||0|74|FFFFFF80|1|0|120|560|0|");
  EXPECT_FALSE(shifted.checked);
  EXPECT_TRUE(shifted.modifiers.shift);
  EXPECT_FALSE(shifted.modifiers.ctrl);  // "1": toggled but up
  EXPECT_FALSE(shifted.modifiers.alt);
}

TEST(DecodeRecord, CheckCountsOnlyWhenExactlyOne) {
  for (const char* check : {"0", "2", "01", "1 ", " 1", "11", ""}) {
    const std::string text = std::string("A|5|CW|||") + check + "|0|0|0|0|0|0|0|";
    EXPECT_FALSE(Decode(text).checked) << '"' << check << '"';
  }
  EXPECT_TRUE(Decode("A|5|CW|||1|0|0|0|0|0|0|0|").checked);
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

  const EntryRecord r = Decode("A|5|CW|||0|XYZ|0|0|0|0|0|1|");
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
  EXPECT_EQ(Decode("ABC|599|CW|||1|9|0|0|0|1|2||").focus, 0);
}

}  // namespace
}  // namespace tandem::link
