// The operator's manual is opened in a plain text editor on Japanese systems: it must stay
// Shift-JIS (CP932) with CRLF line ends, whoever edits it next.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
bool IsSingle(unsigned char c) {
  return c == '\r' || c == '\n' || (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDF);
}

std::string ReadManual() {
  std::ifstream in(TANDEM_MANUAL_PATH, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Manual, IsShiftJisWithCrLfLineEnds) {
  const std::string text = ReadManual();
  ASSERT_GT(text.size(), 1000u) << TANDEM_MANUAL_PATH;
  std::size_t line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsLead(c)) {
      ASSERT_LT(i + 1, text.size()) << "lone lead byte at the end";
      ASSERT_TRUE(IsTrail(static_cast<unsigned char>(text[i + 1])))
          << "line " << line << ": byte " << std::hex << int(c) << " not followed by a trail byte";
      ++i;
      continue;
    }
    ASSERT_TRUE(IsSingle(c)) << "line " << line << ": byte " << std::hex << int(c);
    if (c == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "line " << line << " ends without CR";
      ++line;
    } else if (c == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "line " << line << ": lone CR";
    }
  }
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  // No byte-order mark, no UTF-8 signature.
  EXPECT_NE(static_cast<unsigned char>(text[0]), 0xEF);
}

}  // namespace
