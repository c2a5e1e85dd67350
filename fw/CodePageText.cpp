#include "CodePageText.h"

namespace fw {

bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

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

}  // namespace fw
