// Arbitrary bytes through the expansion, the token stepping with its log rewrites and the ledger
// of what went out with the cut it makes in the log, the exchange cleaning and the weight text
// conversion. The input is split at NUL bytes into the memory text and the values the macros
// insert; the bytes of the values also say when the keyer reports and where keying stops.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "CwText.h"
#include "KeyerMath.h"
#include "LogTail.h"
#include "SendLedger.h"
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
    if (IsCp932LeadByte(c)) {
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
    Check(!IsCp932LeadByte(c) && c != '(' && c != ')' && c != '/');
  }

  // Step the keying text as the streaming does, followed by the ledger and the end of the log as
  // the frame follows them. Values that themselves hold "$R" or "$A" can make the text grow
  // without end, so the run is bounded.
  std::string key = e.keyText;
  std::string log = e.logText;
  SendLedger ledger;
  LogTail tail;
  const int id = ledger.Open(key, SendLedger::WithNumbers(key.size(), e.numberAt,
                                                          SubstituteDigits(mv.number, mv.subst).size(),
                                                          mv.number.size()),
                             true);
  tail.Append(log, id);
  int waiting = 0;
  const std::string& beats = f[2];  // when the keyer reports a character keyed
  for (int n = 0; n < 4096 && !key.empty() && key.size() < 4096 && log.size() < 16384;
       ++n) {
    const std::size_t before = key.size();
    if (!beats.empty() && (beats[static_cast<std::size_t>(n) % beats.size()] & 1) && waiting > 0) {
      ledger.Report(--waiting);
    }
    if (n == static_cast<int>(f[1].size())) break;  // keying stops here
    const TokenStep step = TakeToken(key, late);
    if (step.kind == TokenKind::Prosign || step.kind == TokenKind::PlainByte) {
      ledger.Take(step.token, true);
      ledger.Report(++waiting);
    } else if (step.kind == TokenKind::Report || step.kind == TokenKind::Exchange) {
      ledger.Fill(step.logMacro, step.keyValue, step.logValue);
      tail.Replace(step.logMacro, step.logValue);
    }
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
  // The cut: each edit stays inside the text it is made on and only ever shortens it.
  ledger.BreakIn(key);
  const LedgerNews news = ledger.TakeNews();
  Check(news.cuts.size() + news.sent.size() == 1);
  for (const int sent : news.sent) tail.Forget(sent);
  for (const LogCut& cut : news.cuts) tail.Cut(cut.id, cut.keptLog, cut.separator);
  std::string shown = tail.Text();
  const std::size_t whole = shown.size();
  for (const LogTail::Edit& edit : tail.TakeCuts()) {
    Check(edit.length > 0 && edit.at + edit.length <= shown.size() && edit.text == kCutMark);
    shown.replace(edit.at, edit.length, edit.text);
  }
  Check(shown.size() <= whole && !tail.Active());

  const double w = tandem::keyer::ParseDecimalPrefix(f[0]);
  Check(w == w);  // never NaN
  tandem::keyer::WeightToHalfUnits(static_cast<float>(w));
  tandem::keyer::CorrectWeights({static_cast<float>(w), 3.0f});
  return 0;
}
