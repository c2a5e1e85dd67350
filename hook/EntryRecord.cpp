#include "EntryRecord.h"

#include "LeadByte.h"

namespace tandem {
namespace {

// Appends to a fixed buffer without ever writing past its end; the terminator is written once,
// by Finish. The hook runs this on every reported key inside the logger, so it stays on the stack.
class RecordWriter {
 public:
  RecordWriter(char* out, std::size_t size)
      : out_(out), size_(out != nullptr ? size : 0), cap_(size_ ? size_ - 1 : 0) {}

  void Put(char c) {
    if (len_ < cap_) out_[len_++] = c;
  }
  // A text field. The separator cannot stand inside it: a '|' typed into a logger field would
  // move every later field for the receiver (a free text could even forge the key and the
  // modifiers), so it is left out. A '|' byte that is the second half of a double-byte
  // character is part of that character and stays; the receiver reads characters, not bytes.
  // A lone lead byte at the end is left out too, so that it is never joined with the separator.
  void Text(const char* s, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && s[n] != '\0') ++n;
    for (std::size_t i = 0; i < n; ++i) {
      if (text::IsCp932LeadByte(static_cast<unsigned char>(s[i]))) {
        if (i + 1 < n) {
          Put(s[i]);
          Put(s[++i]);
        }
      } else if (s[i] != kRecordSeparator) {
        Put(s[i]);
      }
    }
    Put(kRecordSeparator);
  }
  void Unsigned(std::uint32_t v, unsigned base) {
    char digits[10];
    int n = 0;
    do {
      const unsigned d = v % base;
      digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'A' + (d - 10));
      v /= base;
    } while (v != 0);
    while (n > 0) Put(digits[--n]);
    Put(kRecordSeparator);
  }
  void Signed(std::int32_t v) {
    if (v < 0) {
      Put('-');
      // Negate in unsigned arithmetic so that INT32_MIN is printed correctly.
      Unsigned(0u - static_cast<std::uint32_t>(v), 10);
    } else {
      Unsigned(static_cast<std::uint32_t>(v), 10);
    }
  }
  std::size_t Finish() {
    if (size_ > 0) out_[len_] = '\0';
    return len_;
  }

 private:
  char* out_;
  std::size_t size_;
  std::size_t cap_;
  std::size_t len_ = 0;
};

// The receiver tells a pressed modifier by the field's length: a down key has bit 15 set, and
// sign extension turns that into eight hex digits.
std::uint32_t KeyStateField(std::int16_t state) {
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(state));
}

}  // namespace

void CopyField(char* dst, std::size_t dstSize, const char* src) {
  if (dst == nullptr || dstSize == 0) return;
  std::size_t n = 0;
  bool pendingTrail = false;  // the previous byte was a lead byte
  std::size_t lastCharStart = 0;
  if (src != nullptr) {
    while (n + 1 < dstSize && src[n] != '\0') {
      if (!pendingTrail) lastCharStart = n;
      pendingTrail = !pendingTrail && text::IsCp932LeadByte(static_cast<unsigned char>(src[n]));
      dst[n] = src[n];
      ++n;
    }
  }
  // Cut inside a double-byte character: drop its first half as well. A source that itself ends
  // in a lead byte is left as it is.
  const bool cut = src != nullptr && src[n] != '\0';
  if (cut && pendingTrail) n = lastCharStart;
  dst[n] = '\0';
}

std::size_t ComposeEntryRecord(const EntryFields& f, char* out, std::size_t outSize) {
  RecordWriter w(out, outSize);
  w.Text(f.call, kCallSize - 1);
  w.Text(f.report, kReportSize - 1);
  w.Text(f.mode, kModeSize - 1);
  w.Text(f.exchange, kExchangeSize - 1);
  w.Text(f.freeText, kFreeTextSize - 1);
  w.Unsigned(f.check, 10);
  w.Unsigned(f.key, 16);
  w.Unsigned(KeyStateField(f.shift), 16);
  w.Unsigned(KeyStateField(f.ctrl), 16);
  w.Unsigned(KeyStateField(f.alt), 16);
  w.Signed(f.left);
  w.Signed(f.bottom);
  w.Signed(f.focus);
  return w.Finish();
}

void CutAtFirstBreak(char* text) {
  if (text == nullptr) return;
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == '\r' || *p == '\n' || *p == ' ') {
      *p = '\0';
      return;
    }
  }
}

bool StartsWithEmptyFields(const char* record, int emptyFields) {
  if (record == nullptr) return false;
  for (int i = 0; i < emptyFields; ++i)
    if (record[i] != kRecordSeparator) return false;
  return true;
}

}  // namespace tandem
