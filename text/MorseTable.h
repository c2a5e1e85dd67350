// Morse code bytes and the decode table shared by the keyer and the paddle echo.
//
// A Morse code byte holds one character: its elements from the most significant bit down,
// 1 for dah and 0 for dit, then one 1 bit as an end marker, then zeros. 0x60 is .- (A),
// 0x54 is .-.-. and 0x80 (marker only) is the empty pattern, used for the word space.
// 0 has no marker and stands for "no pattern". Up to seven elements fit in a byte.
//
// Portable: no Windows headers, so it builds and is tested natively.
#pragma once

#include <string>

struct MorseEntry {
    unsigned char code;  // Morse code byte; 0 only in the terminating entry
    unsigned char ch;    // character byte in the ANSI code page (CP932 for the kana)
};

// Number of entries with a character; the table has one more, the terminator with code 0.
constexpr int kMorseTableEntries = 126;

// The decode table, searched front to back by the paddle echo:
//   0..25 A..Z, 26..51 a..z (same codes as the capitals, so never found first),
//   52..54 ( + =, 55..64 0..9, 65..75 @ space . , / " ' ? - ) :,
//   76..125 half-width katakana (Wabun), then the long vowel mark, the two sound marks and
//   the closing bracket. Index 126 ends the table (code 0, character 0).
extern const MorseEntry g_morseTable[kMorseTableEntries + 1];

// Index of the first entry at or after `start` whose code is `code`, or -1 when there is none
// (code 0 and out-of-range starts included).
int MorseFindCode(unsigned char code, int start);

// The code byte keyed for one character byte: letters in either case, digits, the punctuation
// and space of the table, and the half-width katakana 0xA1..0xDF with their Wabun patterns
// (the small kana as their full-size ones, the half-width comma as the Wabun separator).
// 0 when the byte has no pattern, e.g. either byte of a double-byte character.
unsigned char MorseCodeForChar(unsigned char ch);

// Code byte of a pattern written as text with '.' and '-' ("" gives 0x80). 0 when the text
// holds any other character or more than seven elements.
unsigned char MorseCodeFromPattern(const std::string& pattern);

// Number of elements in a code byte (0 for 0x80), or -1 for 0, which has no end marker.
int MorseElementCount(unsigned char code);

// Whether element `index` (0 = first) of a code byte is a dah.
inline bool MorseIsDah(unsigned char code, int index) {
    return ((code << index) & 0x80) != 0;
}

// The pattern of a code byte as text ('.' and '-'); empty for 0x80 and for 0.
std::string MorsePatternOf(unsigned char code);
