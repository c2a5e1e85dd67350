// Searches for ASCII bytes in code-page text: second bytes that equal '\' or '|' are never found.
#include <gtest/gtest.h>

#include <string>

#include "CodePageText.h"

namespace {

// CP932 bytes of the names used below.
const std::string kIchiranhyo = "\x88\xea\x97\x97\x95\x5c";  // 一覧表
const std::string kSo = "\x83\x5c";                          // ソ
const std::string kJu = "\x8f\x5c";                          // 十
const std::string kYoteihyo = "\x97\x5c\x92\xe8\x95\x5c";     // 予定表
const std::string kPo = "\x83\x7c";                          // ポ

constexpr auto npos = std::string_view::npos;

TEST(CodePageText, FolderNamesEndingInABackslashSecondByteAreNotSeparators) {
  for (const std::string& name : {kIchiranhyo, kSo, kJu, "A" + kSo + kJu}) {
    SCOPED_TRACE(name);
    const std::string folder = "C:\\" + name;
    EXPECT_FALSE(tandem::text::EndsWithChar(folder, '\\')) << "the name's last byte is 0x5C, not a separator";
    EXPECT_TRUE(tandem::text::EndsWithChar(folder + "\\", '\\'));
    EXPECT_EQ(tandem::text::FindLastCharOf(folder, "\\"), 2u);
    EXPECT_EQ(tandem::text::FileNamePart(folder + "\\log.txt"), "log.txt");
    EXPECT_EQ(tandem::text::FileNamePart(folder), name);
  }
  EXPECT_TRUE(tandem::text::EndsWithChar("C:\\", '\\')) << "a drive's root";
  EXPECT_FALSE(tandem::text::EndsWithChar("", '\\'));
}

TEST(CodePageText, FileNamesWithSecondByteSeparators) {
  EXPECT_EQ(tandem::text::FileNamePart("C:\\logs\\" + kYoteihyo + ".txt"), kYoteihyo + ".txt");
  EXPECT_EQ(tandem::text::FileNamePart("C:/" + kSo + "/" + kYoteihyo), kYoteihyo);
  EXPECT_EQ(tandem::text::FileNamePart("C:" + kJu + ".txt"), kJu + ".txt") << "a drive's ':' separates too";
  EXPECT_EQ(tandem::text::FileNamePart(kYoteihyo), kYoteihyo);
}

TEST(CodePageText, FindStepsOverSecondBytesFromACharacterBoundary) {
  // A record of fields split at '|': the '|' inside ポ is not one.
  const std::string record = "A" + kPo + "|B|" + kPo;
  EXPECT_EQ(tandem::text::FindCharOf(record, "|"), 3u);
  EXPECT_EQ(tandem::text::FindCharOf(record, "|", 4), 5u);
  EXPECT_EQ(tandem::text::FindCharOf(record, "|", 6), npos);
  EXPECT_EQ(tandem::text::FindLastCharOf(record, "|"), 5u);
  // Half-width katakana are single bytes: the byte after one is a character of its own.
  EXPECT_EQ(tandem::text::FindCharOf("\xb1\\", "\\"), 1u);
}

TEST(CodePageText, LoneLeadByteAtTheEndStandsAlone) {
  const std::string cut = "C:\\" + kSo.substr(0, 1);
  EXPECT_EQ(tandem::text::FindLastCharOf(cut, "\\"), 2u);
  EXPECT_FALSE(tandem::text::EndsWithChar(cut, '\\'));
  EXPECT_EQ(tandem::text::FileNamePart(cut), kSo.substr(0, 1));
}

TEST(CodePageText, TheLeadByteTestIsTheCallersToChoose) {
  // A single-byte code page: 0x83 is a character, so the 0x5C after it is a separator.
  const auto singleByte = [](unsigned char) { return false; };
  EXPECT_TRUE(tandem::text::EndsWithChar("C:\\" + kSo, '\\', singleByte));
  EXPECT_EQ(tandem::text::FileNamePart("C:\\" + kSo + "x", singleByte), "x");
}

}  // namespace

// Why a file is not code-page text: what an editor's Unicode choices write, zero bytes, or
// bytes of no known kind.
TEST(ForeignText, TellsUnicodeFromBinaryFromOtherBytes) {
  using tandem::text::ClassifyForeignText;
  using tandem::text::ForeignText;
  EXPECT_EQ(ClassifyForeignText("\xEF\xBB\xBF" "CQ TEST"), ForeignText::kUtf8) << "with the byte-order mark";
  EXPECT_EQ(ClassifyForeignText("CQ \xE6\x9D\xB1\xE4\xBA\xAC TEST"), ForeignText::kUtf8) << "東京, no mark";
  EXPECT_EQ(ClassifyForeignText(std::string("\xFF\xFE" "C\0Q\0", 6)), ForeignText::kUtf16);
  EXPECT_EQ(ClassifyForeignText(std::string("\xFE\xFF\0C\0Q", 6)), ForeignText::kUtf16);
  EXPECT_EQ(ClassifyForeignText(std::string("C\0Q\0 \0T\0E\0S\0T\0", 14)), ForeignText::kUtf16) << "no mark";
  EXPECT_EQ(ClassifyForeignText(std::string("CQ TEST\0DE XX9ABC", 17)), ForeignText::kNulBytes);
  EXPECT_EQ(ClassifyForeignText(std::string("\x01\x00\x00\x00\x7f\x45\x4c\x46\x00\x00", 10)),
            ForeignText::kNulBytes);
  EXPECT_EQ(ClassifyForeignText("TEST \x85\x40"), ForeignText::kOtherBytes);
  EXPECT_EQ(ClassifyForeignText("END \x82"), ForeignText::kOtherBytes);
  EXPECT_EQ(ClassifyForeignText("CQ \xE6\x9D"), ForeignText::kOtherBytes) << "a UTF-8 character cut short";
}
