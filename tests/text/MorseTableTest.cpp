// The decode table and the code-byte helpers: every entry's byte against its pattern written
// out as dots and dashes, the order of the characters, and the character lookup the keyer uses.
#include "MorseTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The patterns of entries 0..125 in table order, written as they are learnt. Entries 26..51,
// the lower-case letters, repeat the capitals' patterns and are not written out again.
const char* const kLetterPatterns[26] = {
".-",
"-...",
"-.-.",
"-..",
".",
"..-.",
"--.",
"....",
"..",
".---",
"-.-",
".-..",
"--",
"-.",
"---",
".--.",
"--.-",
".-.",
"...",
"-",
"..-",
"...-",
".--",
"-..-",
"-.--",
"--..",
};

const char* const kOtherPatterns[kMorseTableEntries - 52] = {
"-.--.",
".-.-.",
"-...-",
"-----",
".----",
"..---",
"...--",
"....-",
".....",
"-....",
"--...",
"---..",
"----.",
".--.-.",
"",
".-.-.-",
"--..--",
"-..-.",
".-..-.",
".----.",
"..--..",
"-....-",
"-.--.-",
"---...",
"--.--",
".-",
"..-",
"-.---",
".-...",
".-..",
"-.-..",
"...-",
"-.--",
"----",
"-.-.-",
"--.-.",
"---.-",
".---.",
"---.",
"-.",
"..-.",
".--.",
".-.--",
"..-..",
".-.",
"-.-.",
"....",
"--.-",
"..--",
"-...",
"--..-",
"--..",
".",
"-..",
"-..-",
"..-.-",
"-",
"-...-",
"-..-.",
".--",
"-..--",
"--",
"...",
"--.",
"-.--.",
"---",
".-.-",
"-.-",
".---",
".-.-.",
".--.-",
"..",
"..--.",
".-.-.."
};

std::string PatternAt(int i) {
    if (i < 52) return kLetterPatterns[i % 26];
    return kOtherPatterns[i - 52];
}

std::vector<unsigned char> ExpectedCharacters() {
    std::string ascii = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz(+=0123456789@ .,/\"'?-):";
    std::vector<unsigned char> chars(ascii.begin(), ascii.end());
    // ｱ..ﾜ in table order, then ｦ ﾝ ｰ ﾞ ﾟ ｣ (CP932 single-byte kana).
    for (unsigned c = 0xB1; c <= 0xDC; ++c) chars.push_back(static_cast<unsigned char>(c));
    for (unsigned c : {0xA6u, 0xDDu, 0xB0u, 0xDEu, 0xDFu, 0xA3u}) chars.push_back(static_cast<unsigned char>(c));
    return chars;
}

TEST(MorseTable, EveryEntryMatchesItsPatternAndPlace) {
    std::vector<unsigned char> chars = ExpectedCharacters();
    ASSERT_EQ(chars.size(), static_cast<size_t>(kMorseTableEntries));
    for (int i = 0; i < kMorseTableEntries; ++i) {
        SCOPED_TRACE("index " + std::to_string(i));
        EXPECT_EQ(g_morseTable[i].ch, chars[i]);
        EXPECT_EQ(g_morseTable[i].code, MorseCodeFromPattern(PatternAt(i)));
        EXPECT_EQ(MorsePatternOf(g_morseTable[i].code), PatternAt(i));
        EXPECT_EQ(MorseElementCount(g_morseTable[i].code), static_cast<int>(PatternAt(i).size()));
    }
    EXPECT_EQ(g_morseTable[kMorseTableEntries].code, 0);
    EXPECT_EQ(g_morseTable[kMorseTableEntries].ch, 0);
    // Lower-case letters repeat the capitals' codes.
    for (int i = 0; i < 26; ++i) EXPECT_EQ(g_morseTable[26 + i].code, g_morseTable[i].code);
}

TEST(MorseTable, CodeBytesOfKnownCharactersAndProsigns) {
    EXPECT_EQ(MorseCodeFromPattern(".-.-."), 0x54);    // [AR]
    EXPECT_EQ(MorseCodeFromPattern("-.--."), 0xB4);    // [KN]
    EXPECT_EQ(MorseCodeFromPattern("...-.-"), 0x16);   // [VA]
    EXPECT_EQ(MorseCodeFromPattern("-...-.-"), 0x8B);  // [BK]
    EXPECT_EQ(MorseCodeFromPattern("-..---"), 0x9E);   // the Wabun start prosign
    EXPECT_EQ(MorseCodeFromPattern("...-."), 0x14);    // the Wabun end prosign
    EXPECT_EQ(MorseCodeFromPattern(""), 0x80);
    EXPECT_EQ(MorseCodeFromPattern("-------"), 0xFF);
    EXPECT_EQ(MorseCodeFromPattern("........"), 0);  // eight elements do not fit
    EXPECT_EQ(MorseCodeFromPattern(".x-"), 0);
    EXPECT_EQ(MorseElementCount(0), -1);
    EXPECT_EQ(MorseElementCount(0x80), 0);
    EXPECT_EQ(MorseElementCount(0xFF), 7);
    EXPECT_EQ(MorsePatternOf(0), "");
    EXPECT_TRUE(MorseIsDah(0x9E, 0));
    EXPECT_FALSE(MorseIsDah(0x9E, 1));
}

TEST(MorseTable, DecodeSearchOrder) {
    // .- is A from the start and the kana i when the search starts at the digits.
    EXPECT_EQ(MorseFindCode(0x60, 0), 0);
    int i = MorseFindCode(0x60, 55);
    ASSERT_GE(i, 76);
    EXPECT_EQ(g_morseTable[i].ch, 0xB2);  // ｲ
    // -.--. is "(" first, the kana ru among the kana.
    EXPECT_EQ(g_morseTable[MorseFindCode(0xB4, 0)].ch, '(');
    EXPECT_EQ(g_morseTable[MorseFindCode(0xB4, 55)].ch, 0xD9);  // ﾙ
    // Digits come before any kana of the same pattern.
    EXPECT_EQ(g_morseTable[MorseFindCode(MorseCodeFromPattern("....."), 55)].ch, '5');
    // The two Wabun prosigns and code 0 are not in the table; bad starts find nothing.
    EXPECT_EQ(MorseFindCode(0x14, 0), -1);
    EXPECT_EQ(MorseFindCode(0x9E, 0), -1);
    EXPECT_EQ(MorseFindCode(0, 0), -1);
    EXPECT_EQ(MorseFindCode(0x60, -1), -1);
    EXPECT_EQ(MorseFindCode(0x60, kMorseTableEntries), -1);
    EXPECT_EQ(MorseFindCode(0x80, 0), 66);  // the word space
}

TEST(MorseTable, CharacterLookup) {
    EXPECT_EQ(MorseCodeForChar('A'), 0x60);
    EXPECT_EQ(MorseCodeForChar('a'), 0x60);
    EXPECT_EQ(MorseCodeForChar('0'), MorseCodeFromPattern("-----"));
    EXPECT_EQ(MorseCodeForChar('?'), MorseCodeFromPattern("..--.."));
    EXPECT_EQ(MorseCodeForChar(' '), 0x80);
    EXPECT_EQ(MorseCodeForChar(0xB2), 0x60);                          // ｲ
    EXPECT_EQ(MorseCodeForChar(0xAF), MorseCodeForChar(0xC2));        // ｯ keyed as ﾂ
    EXPECT_EQ(MorseCodeForChar(0xA4), MorseCodeFromPattern(".-.-.-"));  // ､
    // No pattern: control bytes, characters outside the table (# ! [), lead bytes of double-byte
    // characters and the bytes above the kana.
    for (unsigned c : {0x00u, 0x0Du, 0x23u, 0x21u, 0x5Bu, 0x7Fu, 0x80u, 0x81u, 0x82u, 0x9Fu, 0xA0u, 0xE0u, 0xFCu, 0xFFu}) {
        EXPECT_EQ(MorseCodeForChar(static_cast<unsigned char>(c)), 0) << "byte " << c;
    }
    // Every byte with a pattern either stands in the table with that code or is a kana alias.
    for (unsigned c = 1; c < 256; ++c) {
        unsigned char code = MorseCodeForChar(static_cast<unsigned char>(c));
        if (code == 0) continue;
        bool inTable = false;
        for (int i = 0; i < kMorseTableEntries; ++i) {
            if (g_morseTable[i].ch == c) {
                inTable = true;
                EXPECT_EQ(g_morseTable[i].code, code) << "byte " << c;
            }
        }
        if (!inTable) EXPECT_TRUE(c == 0xA4 || (c >= 0xA7 && c <= 0xAF)) << "byte " << c;
    }
}

}  // namespace
