// The entry record: one line of '|'-terminated fields that the hook library sends to the main
// program for each relevant key event in the logger. Portable: no <windows.h>, no heap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tandem {

// Field buffers, terminator included. A longer logger text is cut to one byte less.
constexpr std::size_t kCallSize = 32;
constexpr std::size_t kReportSize = 16;
constexpr std::size_t kModeSize = 16;
constexpr std::size_t kExchangeSize = 64;
constexpr std::size_t kFreeTextSize = 128;

// The longest record the N1MM reader can produce: 238 bytes of text (its mode is always "CW"),
// 13 separators, and the numbers at their widest (check 1 digit, key 2, three key states of 8,
// left and bottom of 11 characters each, focus 1).
constexpr std::size_t kN1mmRecordMax = 301;
// Room for any record whatever its fields hold: every text at its limit, every number at the
// widest its type can print. The composer never writes past this.
constexpr std::size_t kEntryRecordMax =
    (kCallSize - 1) + (kReportSize - 1) + (kModeSize - 1) + (kExchangeSize - 1) +
    (kFreeTextSize - 1) + 13 /* separators */ + 10 /* check */ + 8 /* key */ +
    3 * 8 /* key states */ + 3 * 11 /* left, bottom, focus */;
constexpr std::size_t kEntryRecordBufferSize = kEntryRecordMax + 1;

// Focus states: which observed logger field has the keyboard focus.
enum FocusState : int {
  kFocusNone = 0,
  kFocusCall = 1,
  kFocusReport = 2,
  kFocusMode = 3,
  kFocusLoggerKeys1 = 4,  // function keys stay with the logger unless hook-anyway is set
  kFocusExchange = 5,
  kFocusFreeText = 6,
  kFocusLoggerKeys2 = 7,  // the same rule as kFocusLoggerKeys1
};

struct EntryFields {
  char call[kCallSize] = {};
  char report[kReportSize] = {};
  char mode[kModeSize] = {};
  char exchange[kExchangeSize] = {};
  char freeText[kFreeTextSize] = {};
  unsigned check = 0;       // 0 unchecked, 1 checked, 2 indeterminate
  unsigned key = 0;         // virtual-key code (or ';'), 0 when no key is reported
  std::int16_t shift = 0;   // key states as the system reports them: bit 15 down, bit 0 toggled
  std::int16_t ctrl = 0;
  std::int16_t alt = 0;
  std::int32_t left = 0;
  std::int32_t bottom = 0;
  std::int32_t focus = kFocusNone;
};

// Copies src into a field buffer of dstSize bytes, cut to dstSize - 1 bytes. A cut that would
// leave the first half of a double-byte character at the end drops that half too, so the field
// never ends in a lone lead byte.
void CopyField(char* dst, std::size_t dstSize, const char* src);

// Composes "call|report|mode|exchange|free|check|KEY|SHIFT|CTRL|ALT|left|bottom|focus|" into out
// (hex fields upper case without leading zeros; key states sign-extended to 32 bits) and returns
// its length. A '|' in a text field (not the second byte of a double-byte character) and a lone
// lead byte at a text field's end are left out, so the record always has its thirteen fields. Text fields are taken up to their buffer limits even if not terminated. The result
// is always terminated; it is cut only if outSize is below kEntryRecordBufferSize.
std::size_t ComposeEntryRecord(const EntryFields& fields, char* out, std::size_t outSize);

// Ends text at its first CR, LF or space: a mode box may hold more than the mode itself.
void CutAtFirstBreak(char* text);

// True when a composed record starts with `emptyFields` empty text fields, that is, when the
// first emptyFields fields (call, report, then mode) are all empty.
bool StartsWithEmptyFields(const char* record, int emptyFields);

}  // namespace tandem
