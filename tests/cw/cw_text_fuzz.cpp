// Arbitrary bytes through the expansion, the token stepping with its log rewrites, the exchange
// cleaning and the weight text conversion. The input is split at NUL bytes into the memory text
// and the values the macros insert.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "CwText.h"
#include "KeyerMath.h"
#include "TokenStep.h"

using namespace tandem::cw;

namespace {

void Check(bool ok) {
  if (!ok) {
    std::abort();
  }
}

bool HasSingleByteLowerCase(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> f(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && f.size() < 9) {
      f.emplace_back();
    } else {
      f.back().push_back(static_cast<char>(data[i]));
    }
  }
  f.resize(9);

  MacroValues mv;
  mv.call = f[1];
  mv.myCall = f[2];
  mv.number = f[3];
  mv.subst.zero = f[4];
  mv.subst.one = f[5];
  mv.subst.nine = f[6];
  mv.greeting = GreetingForHour(static_cast<unsigned char>(f[3].empty() ? 0 : f[3][0]), 12, 18);

  // Case conversion alone: no single-byte lower case letter survives, length unchanged.
  const std::string upper = UpperCaseSingleByte(f[0]);
  Check(upper.size() == f[0].size() && !HasSingleByteLowerCase(upper));

  const Expansion e = ExpandMessage(f[0], mv);
  Check(!e.logText.empty() && e.logText.back() == ' ');

  LateValues late;
  late.report = f[7];
  late.exchange = f[8];
  late.subst = mv.subst;

  const std::string clean = CleanExchange(late.exchange);
  Check(clean.size() <= late.exchange.size());
  for (char ch : clean) {
    const auto c = static_cast<unsigned char>(ch);
    Check(!IsLeadByte(c) && c != '(' && c != ')' && c != '/');
  }

  // Step the keying text as the streaming does. Values that themselves hold "$R" or "$A" can make
  // the text grow without end, so the run is bounded.
  std::string key = e.keyText;
  std::string log = e.logText;
  for (int n = 0; n < 4096 && !key.empty() && key.size() < 4096 && log.size() < 16384;
       ++n) {
    const std::size_t before = key.size();
    const TokenStep step = TakeToken(key, late);
    switch (step.kind) {
      case TokenKind::None:
        Check(false);  // key is not empty
        break;
      case TokenKind::Prosign:
        Check(key.size() + 4 == before);
        break;
      case TokenKind::PlainByte:
        Check(key.size() + 1 == before);
        break;
      case TokenKind::Report:
      case TokenKind::Exchange:
        Check(!step.logValue.empty() && step.logMacro.size() == 2 && step.logMacro[0] == '$');
        ReplaceAll(log, step.logMacro, step.logValue);
        break;
    }
  }

  const double w = tandem::keyer::ParseDecimalPrefix(f[0]);
  Check(w == w);  // never NaN
  tandem::keyer::WeightToHalfUnits(static_cast<float>(w));
  tandem::keyer::CorrectWeights({static_cast<float>(w), 3.0f});
  return 0;
}
