// Byte strings in the settings file, and the default message memories.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ProfileCodec.h"
#include "SettingsDefaults.h"

using tandem::text::DecodeProfileBinary;
using tandem::text::EncodeProfileBinary;

TEST(ProfileBinary, LowNibbleFirstLettersAToP) {
  const std::uint8_t bytes[] = {0x00, 0x0F, 0xF0, 0xAB, 0x2C};
  EXPECT_EQ(EncodeProfileBinary(bytes, sizeof(bytes)), "AAPAAPLKMC");
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(DecodeProfileBinary("AAPAAPLKMC", back));
  EXPECT_EQ(back, std::vector<std::uint8_t>(bytes, bytes + sizeof(bytes)));

  // A whole placement record: 44 bytes, 88 letters, every byte value survives.
  std::vector<std::uint8_t> record(44);
  for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i * 37 + 11);
  const std::string text = EncodeProfileBinary(record.data(), record.size());
  EXPECT_EQ(text.size(), 88u);
  ASSERT_TRUE(DecodeProfileBinary(text, back));
  EXPECT_EQ(back, record);
}

TEST(ProfileBinary, DamagedTextIsNotStoredData) {
  std::vector<std::uint8_t> out = {1, 2, 3};
  EXPECT_FALSE(DecodeProfileBinary("ABC", out)) << "odd length";
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(DecodeProfileBinary("AQ", out)) << "letter beyond P";
  EXPECT_FALSE(DecodeProfileBinary("aa", out)) << "lower case";
  EXPECT_FALSE(DecodeProfileBinary("A@", out)) << "below A";
  EXPECT_FALSE(DecodeProfileBinary(std::string("A\0", 2), out));
  EXPECT_TRUE(DecodeProfileBinary("", out));
  EXPECT_TRUE(out.empty());
}

TEST(SettingsDefaults, MemoriesOfBothBanks) {
  EXPECT_EQ(settings::MemoryKey(1), "Fn01");
  EXPECT_EQ(settings::MemoryKey(12), "Fn12");
  const char* const bankA[] = {"CQ DE $M $M $M PSE K", "$C UR $R [KN]", "TNX FB QSO 73 [VA]",
                               "Fn04", "QRZ?", "Fn06", "Fn07", "TU E E", "Fn09", "Fn10",
                               "Fn11", "Fn12"};
  const char* const bankB[] = {"DE $M $M [AR]", "UR $R [KN]", "73 TU E E", "Fn04", "Fn05",
                               "Fn06", "Fn07", "TU E E", "Fn09", "Fn10", "Fn11", "Fn12"};
  for (int key = 1; key <= 12; ++key) {
    EXPECT_EQ(settings::DefaultMemory(0, key), bankA[key - 1]) << "Bank-A F" << key;
    EXPECT_EQ(settings::DefaultMemory(1, key), bankB[key - 1]) << "Bank-B F" << key;
  }
  EXPECT_EQ(settings::DefaultMemory(2, 1), "");
  EXPECT_EQ(settings::DefaultMemory(0, 13), "");
  EXPECT_EQ(settings::DefaultMemory(0, 0), "");
}

// Texts are stored so that the reading (which trims spaces and tabs at the edges and takes off
// one pair of quotes) gives them back; plain texts are stored as they are.
TEST(ProfileText, GuardedOnlyWhereTheReadingWouldChangeIt) {
  struct Case {
    const char* text;
    const char* stored;
    const char* note;
  };
  const Case cases[] = {
      {"", "", ""},
      {"CQ TEST $M", "CQ TEST $M", ""},
      {"CQ \"TEST\"", "CQ \"TEST\"", "quotes inside stay as they are"},
      {"=5NN", "=5NN", ""},
      {";TEST", ";TEST", ""},
      {"TU'", "TU'", ""},
      {"\"QRZ?\"", "\"\"QRZ?\"\"", ""},
      {"'73'", "\"'73'\"", ""},
      {"  5NN  ", "\"  5NN  \"", ""},
      {"\tTU", "\"\tTU\"", ""},
      {"TU ", "\"TU \"", ""},
      {"\"", "\"\"\"", ""},
      {"'QRZ?", "\"'QRZ?\"", ""},
      // Double-byte text: its second bytes are never a space or a quote.
      {"\x95\x5c", "\x95\x5c", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(tandem::text::ProfileTextToStore(c.text), c.stored) << c.note;
}
