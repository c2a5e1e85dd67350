#include "MorseTable.h"

// Letters and digits carry their International patterns, the kana their Wabun patterns.
const MorseEntry g_morseTable[kMorseTableEntries + 1] = {
    {0x60, 'A'},  //   0 .-
    {0x88, 'B'},  //   1 -...
    {0xA8, 'C'},  //   2 -.-.
    {0x90, 'D'},  //   3 -..
    {0x40, 'E'},  //   4 .
    {0x28, 'F'},  //   5 ..-.
    {0xD0, 'G'},  //   6 --.
    {0x08, 'H'},  //   7 ....
    {0x20, 'I'},  //   8 ..
    {0x78, 'J'},  //   9 .---
    {0xB0, 'K'},  //  10 -.-
    {0x48, 'L'},  //  11 .-..
    {0xE0, 'M'},  //  12 --
    {0xA0, 'N'},  //  13 -.
    {0xF0, 'O'},  //  14 ---
    {0x68, 'P'},  //  15 .--.
    {0xD8, 'Q'},  //  16 --.-
    {0x50, 'R'},  //  17 .-.
    {0x10, 'S'},  //  18 ...
    {0xC0, 'T'},  //  19 -
    {0x30, 'U'},  //  20 ..-
    {0x18, 'V'},  //  21 ...-
    {0x70, 'W'},  //  22 .--
    {0x98, 'X'},  //  23 -..-
    {0xB8, 'Y'},  //  24 -.--
    {0xC8, 'Z'},  //  25 --..
    {0x60, 'a'},  //  26 .-
    {0x88, 'b'},  //  27 -...
    {0xA8, 'c'},  //  28 -.-.
    {0x90, 'd'},  //  29 -..
    {0x40, 'e'},  //  30 .
    {0x28, 'f'},  //  31 ..-.
    {0xD0, 'g'},  //  32 --.
    {0x08, 'h'},  //  33 ....
    {0x20, 'i'},  //  34 ..
    {0x78, 'j'},  //  35 .---
    {0xB0, 'k'},  //  36 -.-
    {0x48, 'l'},  //  37 .-..
    {0xE0, 'm'},  //  38 --
    {0xA0, 'n'},  //  39 -.
    {0xF0, 'o'},  //  40 ---
    {0x68, 'p'},  //  41 .--.
    {0xD8, 'q'},  //  42 --.-
    {0x50, 'r'},  //  43 .-.
    {0x10, 's'},  //  44 ...
    {0xC0, 't'},  //  45 -
    {0x30, 'u'},  //  46 ..-
    {0x18, 'v'},  //  47 ...-
    {0x70, 'w'},  //  48 .--
    {0x98, 'x'},  //  49 -..-
    {0xB8, 'y'},  //  50 -.--
    {0xC8, 'z'},  //  51 --..
    {0xB4, '('},  //  52 -.--.
    {0x54, '+'},  //  53 .-.-.
    {0x8C, '='},  //  54 -...-
    {0xFC, '0'},  //  55 -----
    {0x7C, '1'},  //  56 .----
    {0x3C, '2'},  //  57 ..---
    {0x1C, '3'},  //  58 ...--
    {0x0C, '4'},  //  59 ....-
    {0x04, '5'},  //  60 .....
    {0x84, '6'},  //  61 -....
    {0xC4, '7'},  //  62 --...
    {0xE4, '8'},  //  63 ---..
    {0xF4, '9'},  //  64 ----.
    {0x6A, '@'},  //  65 .--.-.
    {0x80, ' '},  //  66 (word space)
    {0x56, '.'},  //  67 .-.-.-
    {0xCE, ','},  //  68 --..--
    {0x94, '/'},  //  69 -..-.
    {0x4A, '\"'},  //  70 .-..-.
    {0x7A, '\''},  //  71 .----.
    {0x32, '?'},  //  72 ..--..
    {0x86, '-'},  //  73 -....-
    {0xB6, ')'},  //  74 -.--.-
    {0xE2, ':'},  //  75 ---...
    {0xDC, 0xB1},  //  76 ｱ --.--
    {0x60, 0xB2},  //  77 ｲ .-
    {0x30, 0xB3},  //  78 ｳ ..-
    {0xBC, 0xB4},  //  79 ｴ -.---
    {0x44, 0xB5},  //  80 ｵ .-...
    {0x48, 0xB6},  //  81 ｶ .-..
    {0xA4, 0xB7},  //  82 ｷ -.-..
    {0x18, 0xB8},  //  83 ｸ ...-
    {0xB8, 0xB9},  //  84 ｹ -.--
    {0xF8, 0xBA},  //  85 ｺ ----
    {0xAC, 0xBB},  //  86 ｻ -.-.-
    {0xD4, 0xBC},  //  87 ｼ --.-.
    {0xEC, 0xBD},  //  88 ｽ ---.-
    {0x74, 0xBE},  //  89 ｾ .---.
    {0xE8, 0xBF},  //  90 ｿ ---.
    {0xA0, 0xC0},  //  91 ﾀ -.
    {0x28, 0xC1},  //  92 ﾁ ..-.
    {0x68, 0xC2},  //  93 ﾂ .--.
    {0x5C, 0xC3},  //  94 ﾃ .-.--
    {0x24, 0xC4},  //  95 ﾄ ..-..
    {0x50, 0xC5},  //  96 ﾅ .-.
    {0xA8, 0xC6},  //  97 ﾆ -.-.
    {0x08, 0xC7},  //  98 ﾇ ....
    {0xD8, 0xC8},  //  99 ﾈ --.-
    {0x38, 0xC9},  // 100 ﾉ ..--
    {0x88, 0xCA},  // 101 ﾊ -...
    {0xCC, 0xCB},  // 102 ﾋ --..-
    {0xC8, 0xCC},  // 103 ﾌ --..
    {0x40, 0xCD},  // 104 ﾍ .
    {0x90, 0xCE},  // 105 ﾎ -..
    {0x98, 0xCF},  // 106 ﾏ -..-
    {0x2C, 0xD0},  // 107 ﾐ ..-.-
    {0xC0, 0xD1},  // 108 ﾑ -
    {0x8C, 0xD2},  // 109 ﾒ -...-
    {0x94, 0xD3},  // 110 ﾓ -..-.
    {0x70, 0xD4},  // 111 ﾔ .--
    {0x9C, 0xD5},  // 112 ﾕ -..--
    {0xE0, 0xD6},  // 113 ﾖ --
    {0x10, 0xD7},  // 114 ﾗ ...
    {0xD0, 0xD8},  // 115 ﾘ --.
    {0xB4, 0xD9},  // 116 ﾙ -.--.
    {0xF0, 0xDA},  // 117 ﾚ ---
    {0x58, 0xDB},  // 118 ﾛ .-.-
    {0xB0, 0xDC},  // 119 ﾜ -.-
    {0x78, 0xA6},  // 120 ｦ .---
    {0x54, 0xDD},  // 121 ﾝ .-.-.
    {0x6C, 0xB0},  // 122 ｰ .--.-
    {0x20, 0xDE},  // 123 ﾞ ..
    {0x34, 0xDF},  // 124 ﾟ ..--.
    {0x52, 0xA3},  // 125 ｣ .-.-..
    {0x00, 0x00},  // 126 end of table
};

int MorseFindCode(unsigned char code, int start) {
    if (code == 0 || start < 0) return -1;
    for (int i = start; i < kMorseTableEntries; ++i) {
        if (g_morseTable[i].code == code) return i;
    }
    return -1;
}

namespace {

// Half-width kana that are not in the decode table but are keyed all the same: Wabun has no
// small kana, so they go out as the full-size ones, as operators send them; the half-width
// comma is the Wabun separator.
struct KanaAlias {
    unsigned char ch;
    unsigned char as;
};
const KanaAlias kKanaAliases[] = {
    {0xA4, 0x00},  // ､ keyed as the separator .-.-.- (code given below)
    {0xA7, 0xB1},  // ｧ as ｱ
    {0xA8, 0xB2},  // ｨ as ｲ
    {0xA9, 0xB3},  // ｩ as ｳ
    {0xAA, 0xB4},  // ｪ as ｴ
    {0xAB, 0xB5},  // ｫ as ｵ
    {0xAC, 0xD4},  // ｬ as ﾔ
    {0xAD, 0xD5},  // ｭ as ﾕ
    {0xAE, 0xD6},  // ｮ as ﾖ
    {0xAF, 0xC2},  // ｯ as ﾂ
};
const unsigned char kWabunSeparator = 0x56;  // .-.-.-

unsigned char CodeInTable(unsigned char ch) {
    for (int i = 0; i < kMorseTableEntries; ++i) {
        if (g_morseTable[i].ch == ch) return g_morseTable[i].code;
    }
    return 0;
}

}  // namespace

unsigned char MorseCodeForChar(unsigned char ch) {
    if (ch == 0) return 0;  // the terminator's character is not a character
    for (const KanaAlias& a : kKanaAliases) {
        if (a.ch == ch) return a.as == 0 ? kWabunSeparator : CodeInTable(a.as);
    }
    return CodeInTable(ch);
}

unsigned char MorseCodeFromPattern(const std::string& pattern) {
    if (pattern.size() > 7) return 0;
    unsigned code = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '-') {
            code |= 0x80u >> i;
        } else if (pattern[i] != '.') {
            return 0;
        }
    }
    return static_cast<unsigned char>(code | (0x80u >> pattern.size()));
}

int MorseElementCount(unsigned char code) {
    if (code == 0) return -1;
    int n = 7;
    while (((code >> (7 - n)) & 1) == 0) --n;  // find the end marker from the bottom up
    return n;
}

std::string MorsePatternOf(unsigned char code) {
    std::string text;
    for (int i = 0, n = MorseElementCount(code); i < n; ++i) text += MorseIsDah(code, i) ? '-' : '.';
    return text;
}
