// Receiving side of the entry record: what arrives by WM_COPYDATA, how it is checked, recognised
// and split into its fields. Portable: no <windows.h>.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "LinkConstants.h"

namespace tandem::link {

enum class RecordKind {
  kIgnored,          // null data pointer or longer than kMaxReceivedRecord: nothing at all happens
  kCqMachineNotice,  // the CQ machine's start notice: only the PTT link runs
  kEntryRecord,      // a record to decode
};

// First test of every WM_COPYDATA: the data must exist and be of a size a record can have. An
// empty text (size 0, data given) passes and decodes to empty fields.
bool IsReceivableRecord(const void* data, std::size_t size);

// True when text is exactly the CQ machine's start notice (byte-wise, case-sensitive; no prefix,
// no extra bytes).
bool IsCqMachineNotice(std::string_view text);

// The record text as exactly size bytes from data: the sender adds no terminator, and a NUL inside
// is kept as a byte of its field. Only call after IsReceivableRecord.
inline std::string_view RecordText(const void* data, std::size_t size) {
  return std::string_view(static_cast<const char*>(data), size);
}

// IsReceivableRecord, then IsCqMachineNotice: what the handler does with the data.
RecordKind ClassifyRecord(const void* data, std::size_t size);

// Thirteen times: the text up to the next '|' (all of it when there is none) is the next field,
// and it is removed together with the one character after it. Fields missing at the end are empty,
// text after the thirteenth field is ignored, and a '|' inside a logger field shifts every later
// field.
using RecordFields = std::array<std::string, kRecordFieldCount>;
RecordFields SplitEntryRecord(std::string_view text);

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

EntryRecord DecodeEntryRecord(std::string_view text);

// The key field: one or more hexadecimal digits of either case, nothing else (no sign, blank or
// "0x"), with a value that fits 32 bits. Leading zeros are allowed.
KeyField ParseKeyField(std::string_view field, unsigned* key);

// The focus field: optional '-', then decimal digits, fitting an int. Anything else gives 0.
int ParseFocusField(std::string_view field);

// The key states print as "0"/"1" when up and as eight digits when down.
inline bool ModifierFieldDown(std::string_view field) { return field.size() > 1; }

}  // namespace tandem::link
