#include "CodePageText.h"

namespace tandem::text {

namespace {

// Calls visit(offset) for each character start from `from`; stops when it returns true and
// gives that offset, or npos at the end. A lead byte at the very end stands alone.
template <typename Visit>
std::size_t EachChar(std::string_view text, std::size_t from, LeadByteTest isLead, Visit visit) {
  for (std::size_t i = from; i < text.size();) {
    if (visit(i)) return i;
    i += (isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t FindCharOf(std::string_view text, std::string_view bytes, std::size_t from,
                       LeadByteTest isLead) {
  return EachChar(text, from, isLead,
                  [&](std::size_t i) { return bytes.find(text[i]) != std::string_view::npos; });
}

std::size_t FindLastCharOf(std::string_view text, std::string_view bytes, LeadByteTest isLead) {
  std::size_t last = std::string_view::npos;
  EachChar(text, 0, isLead, [&](std::size_t i) {
    if (bytes.find(text[i]) != std::string_view::npos) last = i;
    return false;
  });
  return last;
}

bool EndsWithChar(std::string_view text, char c, LeadByteTest isLead) {
  std::size_t lastStart = std::string_view::npos;
  EachChar(text, 0, isLead, [&](std::size_t i) {
    lastStart = i;
    return false;
  });
  return lastStart != std::string_view::npos && lastStart + 1 == text.size() && text[lastStart] == c;
}

std::string_view FileNamePart(std::string_view path, LeadByteTest isLead) {
  const std::size_t slash = FindLastCharOf(path, "\\/:", isLead);
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.substr(0, prefix.size()) == prefix;
}

// Text of a script that UTF-16 writes with a zero in every other byte: Latin letters, digits,
// the log's own characters. A quarter of the pairs will do; a binary file seldom keeps the zeros
// on one side.
bool LooksLikeUtf16(std::string_view bytes) {
  std::size_t pairs = 0;
  std::size_t zeroHigh[2] = {0, 0};
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2, ++pairs) {
    if (bytes[i] == '\0' && bytes[i + 1] != '\0') ++zeroHigh[0];  // big-endian order
    if (bytes[i + 1] == '\0' && bytes[i] != '\0') ++zeroHigh[1];  // little-endian order
  }
  return pairs > 0 && (zeroHigh[0] * 4 >= pairs * 3 || zeroHigh[1] * 4 >= pairs * 3);
}

// Well-formed UTF-8 with at least one character beyond ASCII (ASCII alone is any code page's).
bool IsUtf8BeyondAscii(std::string_view bytes) {
  bool beyond = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    std::size_t follow = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      follow = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      follow = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      follow = 3;
    } else {
      return false;
    }
    if (i + follow >= bytes.size()) return false;  // cut short at the end
    for (std::size_t k = 1; k <= follow; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    beyond = true;
    i += follow + 1;
  }
  return beyond;
}

}  // namespace

ForeignText ClassifyForeignText(std::string_view bytes) {
  if (StartsWith(bytes, "\xFF\xFE") || StartsWith(bytes, "\xFE\xFF") || LooksLikeUtf16(bytes)) {
    return ForeignText::kUtf16;
  }
  if (StartsWith(bytes, "\xEF\xBB\xBF") || IsUtf8BeyondAscii(bytes)) return ForeignText::kUtf8;
  if (bytes.find('\0') != std::string_view::npos) return ForeignText::kNulBytes;
  return ForeignText::kOtherBytes;
}

}  // namespace tandem::text
