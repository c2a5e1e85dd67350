// The lead-byte test of the Japanese code page (CP932), for portable code. Header only and
// without includes, so that the hook library can use it in its hook path.
#pragma once

namespace tandem::text {

// 0x81-0x9F and 0xE0-0xFC begin a double-byte character; the byte after one is its second half,
// whatever its value.
inline bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace tandem::text
