// The text rules the other loggers' readers add to the entry record: the mode box cut at its first
// break, and the test for a record that starts with empty fields.
#include <gtest/gtest.h>

#include <string>

#include "EntryRecord.h"

namespace {

std::string Cut(std::string text) {
  tandem::CutAtFirstBreak(&text[0]);
  return text.c_str();
}

TEST(ReaderText, ModeEndsAtTheFirstBreak) {
  EXPECT_EQ(Cut("CW 599"), "CW");
  EXPECT_EQ(Cut("CW\r\n599"), "CW");
  EXPECT_EQ(Cut("CW\n599 1"), "CW");
  EXPECT_EQ(Cut("RTTY"), "RTTY");
  EXPECT_EQ(Cut(" CW"), "");
  EXPECT_EQ(Cut(""), "");
  // A mode in double-byte characters stays whole: "ＣＷ" in CP932.
  EXPECT_EQ(Cut("\x82\x62\x82\x76 599"), "\x82\x62\x82\x76");
  tandem::CutAtFirstBreak(nullptr);
}

TEST(ReaderText, EmptyLeadingFields) {
  EXPECT_TRUE(tandem::StartsWithEmptyFields("|||25|||", 3));
  EXPECT_FALSE(tandem::StartsWithEmptyFields("||CW|25|", 3)) << "the mode alone makes a record";
  EXPECT_TRUE(tandem::StartsWithEmptyFields("||CW|25|", 2));
  EXPECT_FALSE(tandem::StartsWithEmptyFields("A||||", 3));
  EXPECT_FALSE(tandem::StartsWithEmptyFields("||", 3)) << "stops at the end of a short text";
  EXPECT_FALSE(tandem::StartsWithEmptyFields(nullptr, 3));

  // As the composer writes it: call, report and mode empty give three bars first.
  tandem::EntryFields f;
  tandem::CopyField(f.exchange, sizeof f.exchange, "25");
  char record[tandem::kEntryRecordBufferSize];
  tandem::ComposeEntryRecord(f, record, sizeof record);
  EXPECT_TRUE(tandem::StartsWithEmptyFields(record, 3)) << record;
  tandem::CopyField(f.mode, sizeof f.mode, "CW");
  tandem::ComposeEntryRecord(f, record, sizeof record);
  EXPECT_FALSE(tandem::StartsWithEmptyFields(record, 3)) << record;
}

}  // namespace
