#include "FillIn.h"

namespace tandem::text {

std::string FillIn(std::string_view format, std::initializer_list<std::string_view> values) {
  std::string out;
  out.reserve(format.size() + 16);
  const std::string_view* next = values.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    const char code = i + 1 < format.size() ? format[i + 1] : '\0';
    if (c == '%' && code == '%') {
      out += '%';
      ++i;
    } else if (c == '%' && (code == 'd' || code == 's') && next != values.end()) {
      out += *next++;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tandem::text
