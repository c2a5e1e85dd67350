// Receiving side of the entry record: what arrives by WM_COPYDATA, how it is checked, recognised
// and split into its fields. Portable: no <windows.h>.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "LinkConstants.h"

namespace tandem::link {

enum class RecordKind {
  kIgnored,          // no data, longer than kMaxReceivedRecord, a NUL byte, or not thirteen
                     // fields (SplitEntryRecord): nothing at all happens
  kCqMachineNotice,  // the CQ machine's start notice: only the PTT link runs
  kEntryRecord,      // a record to decode
};

// First test of every WM_COPYDATA: the data must exist and be of a size a record can have.
bool IsReceivableRecord(const void* data, std::size_t size);

// True when text is exactly the CQ machine's start notice (byte-wise, case-sensitive; no prefix,
// no extra bytes).
bool IsCqMachineNotice(std::string_view text);

// The record text as exactly size bytes from data: the sender adds no terminator. Only call after
// IsReceivableRecord.
inline std::string_view RecordText(const void* data, std::size_t size) {
  return std::string_view(static_cast<const char*>(data), size);
}

// IsReceivableRecord, then IsCqMachineNotice, then the checks of an entry record (no NUL byte,
// thirteen fields): what the handler does with the data.
RecordKind ClassifyRecord(const void* data, std::size_t size);

// The record's thirteen fields, each ended by a '|', with nothing before the first or after the
// last. Any program can send the main window a record, and a text that does not split that way
// could only be read by guessing which field moved: it gives no fields at all, so that no text
// can ever stand in another field's place. A '|' right after the lead byte of a double-byte
// character is that character's second byte, not a separator. A text that does not split into
// thirteen fields that way is split at every '|' byte instead (a sender may end a field in a lone
// lead byte); in such a field the lone lead byte at its end is left out, so that it can never
// join the character that follows it wherever the field is used.
using RecordFields = std::array<std::string, kRecordFieldCount>;
std::optional<RecordFields> SplitEntryRecord(std::string_view text);

// Field positions, counted from 0.
enum RecordField : std::size_t {
  kFieldCall = 0,
  kFieldReport = 1,
  kFieldMode = 2,
  kFieldExchange = 3,
  kFieldFreeText = 4,
  kFieldCheck = 5,
  kFieldKey = 6,
  kFieldShift = 7,
  kFieldCtrl = 8,
  kFieldAlt = 9,
  kFieldLeft = 10,
  kFieldBottom = 11,
  kFieldFocus = 12,
};

enum class KeyField {
  kNone,    // empty key field: the record reports no key
  kValid,   // hexadecimal, in `key`
  kNotHex,  // anything else: no key action
};

struct Modifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;

  bool None() const { return !shift && !ctrl && !alt; }
  bool CtrlOnly() const { return ctrl && !shift && !alt; }
  bool ShiftCtrlNoAlt() const { return shift && ctrl && !alt; }
  bool ShiftOnly() const { return shift && !ctrl && !alt; }
};

// The fields the main program uses, as the handler reads them.
struct EntryRecord {
  std::string call;
  std::string report;
  std::string mode;
  std::string exchange;
  bool checked = false;  // the check field is exactly "1"
  KeyField keyField = KeyField::kNone;
  unsigned key = 0;      // valid only when keyField is kValid
  Modifiers modifiers;   // a modifier field longer than one character means down
  int focus = 0;         // decimal; empty or not a decimal number reads as 0
};

// Reads the fields the main program uses from a record that SplitEntryRecord accepted.
EntryRecord DecodeEntryRecord(const RecordFields& fields);

// The key field: one or more hexadecimal digits of either case, nothing else (no sign, blank or
// "0x"), with a value that fits 32 bits. Leading zeros are allowed.
KeyField ParseKeyField(std::string_view field, unsigned* key);

// The focus field: optional '-', then decimal digits, fitting an int. Anything else gives 0.
int ParseFocusField(std::string_view field);

// The key states print as "0"/"1" when up and as eight digits when down.
inline bool ModifierFieldDown(std::string_view field) { return field.size() > 1; }

}  // namespace tandem::link
