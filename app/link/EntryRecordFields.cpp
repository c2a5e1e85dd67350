#include "EntryRecordFields.h"

#include <climits>
#include <cstring>

namespace tandem::link {

bool IsReceivableRecord(const void* data, std::size_t size) {
  return data != nullptr && size <= kMaxReceivedRecord;
}

bool IsCqMachineNotice(std::string_view text) {
  return text == std::string_view(kCqMachineNotice, kCqMachineNoticeLength);
}

RecordKind ClassifyRecord(const void* data, std::size_t size) {
  if (!IsReceivableRecord(data, size)) return RecordKind::kIgnored;
  if (IsCqMachineNotice(RecordText(data, size))) return RecordKind::kCqMachineNotice;
  return RecordKind::kEntryRecord;
}

RecordFields SplitEntryRecord(std::string_view text) {
  RecordFields fields;
  for (std::size_t i = 0; i < kRecordFieldCount && !text.empty(); ++i) {
    const std::size_t bar = text.find('|');
    if (bar == std::string_view::npos) {
      fields[i] = std::string(text);
      text = {};
    } else {
      fields[i] = std::string(text.substr(0, bar));
      // The field and the one character after it, which is the '|'.
      text.remove_prefix(bar + 1);
    }
  }
  return fields;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

KeyField ParseKeyField(std::string_view field, unsigned* key) {
  if (field.empty()) return KeyField::kNone;
  unsigned long long value = 0;
  for (const char c : field) {
    const int d = HexDigit(c);
    if (d < 0) return KeyField::kNotHex;
    value = value * 16 + static_cast<unsigned>(d);
    if (value > 0xFFFFFFFFull) return KeyField::kNotHex;  // no code the readers can send
  }
  if (key) *key = static_cast<unsigned>(value);
  return KeyField::kValid;
}

int ParseFocusField(std::string_view field) {
  bool negative = false;
  if (!field.empty() && field.front() == '-') {
    negative = true;
    field.remove_prefix(1);
  }
  if (field.empty()) return 0;
  long long value = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return 0;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return 0;
  return static_cast<int>(value);
}

EntryRecord DecodeEntryRecord(std::string_view text) {
  RecordFields f = SplitEntryRecord(text);
  EntryRecord r;
  r.call = std::move(f[kFieldCall]);
  r.report = std::move(f[kFieldReport]);
  r.mode = std::move(f[kFieldMode]);
  r.exchange = std::move(f[kFieldExchange]);
  r.checked = f[kFieldCheck] == "1";
  r.keyField = ParseKeyField(f[kFieldKey], &r.key);
  if (r.keyField != KeyField::kValid) r.key = 0;
  r.modifiers.shift = ModifierFieldDown(f[kFieldShift]);
  r.modifiers.ctrl = ModifierFieldDown(f[kFieldCtrl]);
  r.modifiers.alt = ModifierFieldDown(f[kFieldAlt]);
  r.focus = ParseFocusField(f[kFieldFocus]);
  return r;
}

}  // namespace tandem::link
