#include "TokenStep.h"

#include "CwConstants.h"

namespace tandem::cw {
namespace {

struct Prosign {
  const char* token;  // exactly kProsignLength bytes
  unsigned char code;
};

// Searched in this order. The two Wabun prosigns are written in half-width katakana.
constexpr Prosign kProsigns[] = {
    {"[AR]", kCodeAR},
    {"[KN]", kCodeKN},
    {"[VA]", kCodeVA},
    {"[BK]", kCodeBK},
    {"[\xCE\xDA]", kCodeHoRe},  // "[ﾎﾚ]"
    {"[\xD7\xC0]", kCodeRaTa},  // "[ﾗﾀ]"
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

FrontToken ClassifyFront(std::string_view keyText) {
  FrontToken front;
  if (keyText.empty()) {
    return front;
  }
  for (const Prosign& p : kProsigns) {
    if (StartsWith(keyText, std::string_view(p.token, kProsignLength))) {
      front.kind = TokenKind::Prosign;
      front.byte = p.code;
      front.length = kProsignLength;
      return front;
    }
  }
  if (StartsWith(keyText, "$R")) {
    front.kind = TokenKind::Report;
  } else if (StartsWith(keyText, "$A")) {
    front.kind = TokenKind::Exchange;
  } else {
    front.kind = TokenKind::PlainByte;
    front.byte = static_cast<unsigned char>(keyText[0]);
    front.length = 1;
  }
  return front;
}

TokenStep TakeToken(std::string& keyText, const LateValues& values) {
  const FrontToken front = ClassifyFront(keyText);
  TokenStep step;
  step.kind = front.kind;
  step.byte = front.byte;
  switch (front.kind) {
    case TokenKind::None:
      break;
    case TokenKind::Prosign:
    case TokenKind::PlainByte:
      step.token = keyText.substr(0, front.length);
      keyText.erase(0, front.length);
      break;
    case TokenKind::Report: {
      std::string report = SubstituteDigits(values.report, values.subst);
      ReplaceAll(keyText, "$R", report);
      step.logMacro = "$R";
      step.keyValue = report;
      step.logValue = LogValueOrPlaceholder(std::move(report));
      break;
    }
    case TokenKind::Exchange: {
      std::string exchange = CleanExchange(values.exchange);
      ReplaceAll(keyText, "$A", exchange);
      step.logMacro = "$A";
      step.keyValue = exchange;
      step.logValue = LogValueOrPlaceholder(std::move(exchange));
      break;
    }
  }
  return step;
}

}  // namespace tandem::cw
