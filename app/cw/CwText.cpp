#include "CwText.h"

namespace tandem::cw {

std::size_t ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty() || text.size() < from.size()) {
    return 0;
  }
  // Count first, so the result is allocated once at its final size.
  std::size_t count = 0;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + from.size())) {
    ++count;
  }
  if (count == 0) {
    return 0;
  }
  std::string out;
  out.reserve(text.size() - count * from.size() + count * to.size());
  std::size_t copied = 0;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, copied)) {
    out.append(text, copied, at - copied);
    out.append(to);
    copied = at + from.size();
  }
  out.append(text, copied, std::string::npos);
  text.swap(out);
  return count;
}

std::string FullWidthSpacesToPlain(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsCp932LeadByte(c) && i + 1 < text.size()) {
      if (c == 0x81 && static_cast<unsigned char>(text[i + 1]) == 0x40) {
        out.push_back(' ');
      } else {
        out.append(text.substr(i, 2));
      }
      i += 2;
    } else {
      out.push_back(static_cast<char>(c));
      ++i;
    }
  }
  return out;
}

std::string UpperCaseSingleByte(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsCp932LeadByte(c)) {
      ++i;  // its second byte may look like a letter (0x61..0x7A) and must stay as it is
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

std::string SubstituteDigits(std::string_view text, const DigitSubstitution& subst) {
  std::string out(text);
  ReplaceAll(out, "0", subst.zero);
  ReplaceAll(out, "1", subst.one);
  ReplaceAll(out, "9", subst.nine);
  return out;
}

const char* GreetingForHour(int hour, int endGM, int endGA) {
  const auto h = static_cast<unsigned>(hour);
  const bool beforeGA = h < static_cast<unsigned>(endGA);
  if (h < static_cast<unsigned>(endGM)) {
    return beforeGA ? "GM" : "GE";
  }
  return beforeGA ? "GA" : "GE";
}

bool IsCwLikeMode(std::string_view mode) {
  return mode == "CW" || mode == "A1A" || mode == "A2A" || mode == "F2A";
}

Expansion ExpandMessage(std::string_view caption, const MacroValues& values) {
  std::string text = UpperCaseSingleByte(FullWidthSpacesToPlain(caption));
  ReplaceAll(text, "$C", values.call);
  ReplaceAll(text, "$M", values.myCall);
  ReplaceAll(text, "$G", values.greeting);

  Expansion result;
  result.keyText = text;
  const std::string keyedNumber = SubstituteDigits(values.number, values.subst);
  std::size_t before = 0;  // occurrences before this one, each 2 bytes here
  for (std::size_t at = text.find("$N"); at != std::string::npos; at = text.find("$N", at + 2)) {
    result.numberAt.push_back(at - 2 * before + keyedNumber.size() * before);
    ++before;
  }
  ReplaceAll(result.keyText, "$N", keyedNumber);
  ReplaceAll(text, "$N", values.number);
  text.push_back(' ');
  result.logText = std::move(text);
  return result;
}

std::string CleanExchange(std::string_view exchange) {
  std::size_t begin = 0;
  while (begin < exchange.size() && IsCp932LeadByte(static_cast<unsigned char>(exchange[begin]))) {
    begin += 2;  // a lone lead byte at the very end is dropped with its missing half
  }
  std::string out;
  for (std::size_t i = begin; i < exchange.size(); ++i) {
    const auto c = static_cast<unsigned char>(exchange[i]);
    if (IsCp932LeadByte(c)) {
      break;
    }
    if (c != '(' && c != ')' && c != '/') {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string LogValueOrPlaceholder(std::string value) {
  if (value.empty()) {
    value = "_";
  }
  return value;
}

std::string FormatLogTimeStamp(const std::tm& localTime) {
  char buffer[64];
  const std::size_t n = std::strftime(buffer, sizeof buffer, "[%m/%d-%H:%M]", &localTime);
  return std::string(buffer, n);
}

bool LogStampGate::Admit(const std::string& stamp) {
  if (stamp == last_) {
    return false;
  }
  last_ = stamp;
  return true;
}

}  // namespace tandem::cw
