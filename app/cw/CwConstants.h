// Numbers of the CW message engine that more than one file relies on. Portable: no <windows.h>.
#pragma once

#include <cstddef>

namespace tandem::cw {

// Morse code bytes: elements from the most significant bit down (1 dah, 0 dit), then one 1 bit,
// then zeros.
constexpr unsigned char kCodeAR = 0x54;    // .-.-.
constexpr unsigned char kCodeKN = 0xB4;    // -.--.
constexpr unsigned char kCodeVA = 0x16;    // ...-.-
constexpr unsigned char kCodeBK = 0x8B;    // -...-.-
constexpr unsigned char kCodeHoRe = 0x9E;  // -..--- , Wabun start: switches Kana input on
constexpr unsigned char kCodeRaTa = 0x14;  // ...-.  , Wabun end: switches Kana input off

// Every prosign token is exactly this many bytes, brackets included.
constexpr std::size_t kProsignLength = 4;

// The keyer's queue is topped up while fewer than this many characters wait in it.
constexpr int kKeyerLowWater = 3;
// Token steps one keyer report may take: the fill-ins of "$R" and "$A" key nothing, so they are
// followed by the next step in the same report.
constexpr int kMaxStepsPerReport = 4;
// A keyer report of this many waiting characters makes the program drop its own queue.
constexpr int kKeyerFlushReport = 15;

// Paddle decode search: with Kana input on the search starts at the digits, so the Latin letters
// and the three signs before them give way to kana of the same pattern; with Kana input off a hit
// beyond the punctuation (a kana) does not count.
constexpr int kDecodeKanaStart = 55;
constexpr int kDecodeLastNonKana = 75;

}  // namespace tandem::cw
