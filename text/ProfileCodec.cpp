#include "ProfileCodec.h"

namespace tandem::text {

namespace {
// What the reading trims at a value's edges; a CP932 second byte is never one of these, nor a
// quote, so the first and last bytes can be looked at directly.
bool TrimmedByReading(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }
}  // namespace

std::string ProfileTextToStore(std::string_view text) {
  const bool guarded = !text.empty() &&
                       (TrimmedByReading(text.front()) || TrimmedByReading(text.back()) ||
                        text.front() == '"' || text.front() == '\'');
  std::string stored;
  stored.reserve(text.size() + 2);
  if (guarded) stored.push_back('"');
  stored.append(text);
  if (guarded) stored.push_back('"');
  return stored;
}

std::string EncodeProfileBinary(const std::uint8_t* data, std::size_t size) {
  std::string text;
  text.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(static_cast<char>('A' + (data[i] & 0x0F)));
    text.push_back(static_cast<char>('A' + (data[i] >> 4)));
  }
  return text;
}

bool DecodeProfileBinary(const std::string& text, std::vector<std::uint8_t>& out) {
  out.clear();
  if (text.size() % 2 != 0) return false;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int low = text[i] - 'A';
    const int high = text[i + 1] - 'A';
    if (low < 0 || low > 15 || high < 0 || high > 15) return false;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  out.swap(bytes);
  return true;
}

}  // namespace tandem::text
