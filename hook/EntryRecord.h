// The entry record's composer: one line of '|'-terminated fields that the hook library sends to
// the main program for each relevant key event in the logger (the format is EntryRecordFormat.h).
// Portable: no <windows.h>, no heap.
#pragma once

#include <cstddef>
#include <cstdint>

#include "EntryRecordFormat.h"

namespace tandem {

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
