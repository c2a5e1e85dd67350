// Feeds arbitrary field contents and numbers to the record composer: it must never write past its
// buffer, always terminate, keep thirteen fields each within its limit, and never end a text
// field in the first half of a double-byte character.
#include <cstdint>
#include <cstring>

#include "EntryRecord.h"
#include "LeadByte.h"

namespace {

// Takes up to n bytes (NULs included) from the input into a scratch buffer that is not terminated
// at the field's limit, so the composer's own bounds are what is tested.
template <std::size_t N>
void Fill(char (&field)[N], const std::uint8_t*& data, std::size_t& size) {
  const std::size_t n = size < N ? size : N;
  std::memcpy(field, data, n);
  std::memset(field + n, 'z', N - n);
  data += n;
  size -= n;
}

// True when text[0..len) ends in the first half of a double-byte character.
bool EndsInLoneLeadByte(const char* text, std::size_t len) {
  std::size_t i = 0;
  while (i < len) {
    if (!tandem::text::IsCp932LeadByte(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (i + 1 == len) {
      return true;
    } else {
      i += 2;
    }
  }
  return false;
}

// Splits a record at its separators, a '|' that is the second half of a double-byte character
// not counting; the fields' start offsets and lengths go to starts/lengths.
std::size_t SplitRecord(const char* record, std::size_t n, std::size_t* starts, std::size_t* lengths,
                        std::size_t most) {
  std::size_t count = 0, start = 0, i = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(record[i]);
    if (tandem::text::IsCp932LeadByte(c) && i + 1 < n) {
      i += 2;
      continue;
    }
    if (c == '|') {
      if (count < most) {
        starts[count] = start;
        lengths[count] = i - start;
      }
      ++count;
      start = i + 1;
    }
    ++i;
  }
  if (start != n) __builtin_trap();  // the record ends with its last separator
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tandem::EntryFields f;
  std::uint32_t numbers[8] = {};
  const std::size_t numberBytes = size < sizeof numbers ? size : sizeof numbers;
  std::memcpy(numbers, data, numberBytes);
  data += numberBytes;
  size -= numberBytes;
  f.check = numbers[0];
  f.key = numbers[1];
  f.shift = static_cast<std::int16_t>(numbers[2]);
  f.ctrl = static_cast<std::int16_t>(numbers[2] >> 16);
  f.alt = static_cast<std::int16_t>(numbers[3]);
  f.left = static_cast<std::int32_t>(numbers[4]);
  f.bottom = static_cast<std::int32_t>(numbers[5]);
  f.focus = static_cast<std::int32_t>(numbers[6]);
  Fill(f.call, data, size);
  Fill(f.report, data, size);
  Fill(f.mode, data, size);
  Fill(f.exchange, data, size);
  Fill(f.freeText, data, size);

  char out[tandem::kEntryRecordBufferSize];
  const std::size_t n = tandem::ComposeEntryRecord(f, out, sizeof out);
  if (n >= sizeof out || out[n] != '\0') __builtin_trap();
  if (std::strlen(out) != n) __builtin_trap();

  // Thirteen fields whatever the texts hold; each text within its limit, none ending in a lone
  // lead byte that would join the separator after it.
  std::size_t starts[13], lengths[13];
  if (SplitRecord(out, n, starts, lengths, 13) != 13) __builtin_trap();
  const std::size_t limits[5] = {tandem::kCallSize, tandem::kReportSize, tandem::kModeSize,
                                 tandem::kExchangeSize, tandem::kFreeTextSize};
  for (int i = 0; i < 5; ++i) {
    if (lengths[i] > limits[i] - 1) __builtin_trap();
    if (EndsInLoneLeadByte(out + starts[i], lengths[i])) __builtin_trap();
  }

  // CopyField on the rest of the input: terminated, within the limit, no lone lead byte at the end.
  char field[tandem::kCallSize];
  char source[512];
  const std::size_t m = size < sizeof source - 1 ? size : sizeof source - 1;
  std::memcpy(source, data, m);
  source[m] = '\0';
  tandem::CopyField(field, sizeof field, source);
  const std::size_t len = std::strlen(field);
  if (len >= sizeof field) __builtin_trap();
  // Nothing but the cut is lost: the field is the source's start, all of it when it fits, else
  // cut at the limit or one byte before it, and a cut never leaves the first half of a character.
  if (std::strncmp(field, source, len) != 0) __builtin_trap();
  const std::size_t sourceLen = std::strlen(source);
  if (sourceLen < sizeof field) {
    if (len != sourceLen) __builtin_trap();
  } else {
    if (len + 2 < sizeof field) __builtin_trap();
    if (EndsInLoneLeadByte(field, len)) __builtin_trap();
  }
  return 0;
}
