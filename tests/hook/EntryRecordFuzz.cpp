// Feeds arbitrary field contents and numbers to the record composer: it must never write past its
// buffer, always terminate, and keep every field within its limit.
#include <cstdint>
#include <cstring>

#include "EntryRecord.h"

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

  // CopyField on the rest of the input: terminated, within the limit, no lone lead byte at the end.
  char field[tandem::kCallSize];
  char source[512];
  const std::size_t m = size < sizeof source - 1 ? size : sizeof source - 1;
  std::memcpy(source, data, m);
  source[m] = '\0';
  tandem::CopyField(field, sizeof field, source);
  const std::size_t len = std::strlen(field);
  if (len >= sizeof field) __builtin_trap();
  return 0;
}
