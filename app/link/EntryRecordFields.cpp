#include "EntryRecordFields.h"

#include <climits>
#include <cstring>

#include "LeadByte.h"

namespace tandem::link {

bool IsReceivableRecord(const void* data, std::size_t size) {
  return data != nullptr && size <= kMaxReceivedRecord;
}

bool IsCqMachineNotice(std::string_view text) {
  return text == std::string_view(kCqMachineNotice, kCqMachineNoticeLength);
}

RecordKind ClassifyRecord(const void* data, std::size_t size) {
  if (!IsReceivableRecord(data, size)) return RecordKind::kIgnored;
  const std::string_view text = RecordText(data, size);
  if (IsCqMachineNotice(text)) return RecordKind::kCqMachineNotice;
  // A NUL would end the field wherever it is used as a C string, and not where the log shows it.
  if (text.find('\0') != std::string_view::npos) return RecordKind::kIgnored;
  if (!SplitEntryRecord(text)) return RecordKind::kIgnored;
  return RecordKind::kEntryRecord;
}

namespace {

// Splits text at its separators into exactly kRecordFieldCount fields, each ended by a '|'.
// characterWise: the byte after a lead byte belongs to its character, whatever it is.
bool SplitAtSeparators(std::string_view text, bool characterWise, RecordFields& fields) {
  std::size_t count = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (characterWise && text::IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      ++i;
      continue;
    }
    if (text[i] != kRecordSeparator) continue;
    if (count == kRecordFieldCount) return false;
    fields[count++] = std::string(text.substr(start, i - start));
    start = i + 1;
  }
  return count == kRecordFieldCount && start == text.size();
}

// Leaves out a lead byte that ends a field without its second byte.
void DropLoneLeadByte(std::string& field) {
  bool lead = false;
  for (const char c : field) lead = !lead && text::IsCp932LeadByte(static_cast<unsigned char>(c));
  if (lead) field.pop_back();
}

}  // namespace

std::optional<RecordFields> SplitEntryRecord(std::string_view text) {
  RecordFields fields;
  if (SplitAtSeparators(text, true, fields)) return fields;
  if (!SplitAtSeparators(text, false, fields)) return std::nullopt;
  for (std::string& field : fields) DropLoneLeadByte(field);
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

EntryRecord DecodeEntryRecord(const RecordFields& f) {
  EntryRecord r;
  r.call = f[kFieldCall];
  r.report = f[kFieldReport];
  r.mode = f[kFieldMode];
  r.exchange = f[kFieldExchange];
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
