// The ledger of what went out, driven with reports as the keyer emulator makes them (a rise for
// each character handed, a fall for each keyed, 0 after a cancel), and the end of the log that
// shows the cuts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogTail.h"
#include "SendLedger.h"

namespace tandem::cw {
namespace {

// A keyer as the emulator behaves: it reports its count when a character comes and when one is
// keyed.
struct Keyer {
  SendLedger& ledger;
  int waiting = 0;
  // Tandem hands the next token; the keyer's report of it comes back at once.
  void Hand(const std::string& token) {
    ledger.Take(token, true);
    ledger.Report(++waiting);
  }
  void Keyed() { ledger.Report(--waiting); }
};

std::vector<LogCut> Cuts(SendLedger& ledger) { return ledger.TakeNews().cuts; }

TEST(SendLedger, CutAfterACancelWaitsForTheKeyersReportsOfWhatItKeyedBefore) {
  SendLedger ledger;
  Keyer keyer{ledger};
  const int cq = ledger.Open("CQ TEST", SendLedger::Plain(7), true);
  for (const char* t : {"C", "Q", " "}) keyer.Hand(t);
  keyer.Keyed();  // C
  keyer.Hand("T");
  // Esc: the keyer had keyed Q as well, but its report of that comes after the cancel.
  ledger.Cancel("EST", true);
  EXPECT_TRUE(ledger.CutWaiting());
  EXPECT_TRUE(Cuts(ledger).empty());
  // A new message meanwhile belongs to what comes after the cut.
  const int tu = ledger.Open("TU", SendLedger::Plain(2), true);
  ledger.Take("T", true);
  ledger.Report(2);  // the old report: Q keyed
  ledger.Report(0);  // the keyer's 0 for the cancel
  EXPECT_FALSE(ledger.CutWaiting());
  std::vector<LogCut> cuts = Cuts(ledger);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].id, cq);
  EXPECT_EQ(cuts[0].keptLog, 2u);  // "CQ"
  EXPECT_TRUE(cuts[0].separator);

  // TU's own reports follow the 0: it goes out whole.
  ledger.Report(1);
  ledger.Take("U", true);
  ledger.Report(2);
  ledger.Report(1);
  ledger.Report(0);
  const LedgerNews news = ledger.TakeNews();
  EXPECT_TRUE(news.cuts.empty());
  EXPECT_EQ(news.sent, std::vector<int>{tu});
}

TEST(SendLedger, LateValuesNumbersAndMessagesBehindMapToTheLogText) {
  // "UR $R [KN]" with an empty report: the log shows "_" where it was reached.
  SendLedger ledger;
  Keyer keyer{ledger};
  const int f2 = ledger.Open("UR $R [KN]", SendLedger::Plain(10), true);
  // A number of 1009 keyed as ATTTTN (0 as TT): six bytes for four.
  const int f3 = ledger.Open("NR ATTTTN K", SendLedger::WithNumbers(11, {3}, 6, 4), true);
  for (const char* t : {"U", "R", " "}) keyer.Hand(t);
  ledger.Fill("$R", "", "_");
  keyer.Keyed();
  keyer.Keyed();
  keyer.Keyed();  // "UR " out, the empty report reached
  keyer.Hand(" ");
  ledger.BreakIn("[KN]NR ATTTTN K");
  keyer.waiting = 0;  // the keyer dropped everything
  std::vector<LogCut> cuts = Cuts(ledger);
  ASSERT_EQ(cuts.size(), 2u);
  EXPECT_EQ(cuts[0].id, f2);
  EXPECT_EQ(cuts[0].keptLog, 4u);  // "UR _"
  EXPECT_EQ(cuts[1].id, f3);
  EXPECT_EQ(cuts[1].keptLog, 0u);  // queued behind: none of it went out

  // Cut inside the number: its keyed bytes stand for as many of its digits as they cover.
  const int nr = ledger.Open("NR ATTTTN K", SendLedger::WithNumbers(11, {3}, 6, 4), true);
  for (const char* t : {"N", "R", " ", "A", "T"}) {
    keyer.Hand(t);
    keyer.Keyed();
  }
  ledger.BreakIn("TTTN K");
  cuts = Cuts(ledger);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].id, nr);
  EXPECT_EQ(cuts[0].keptLog, 4u);  // "NR 1"
}

TEST(SendLedger, CharactersKeyedAheadAndTakenWithoutTheKeyer) {
  SendLedger ledger;
  Keyer keyer{ledger};
  const int msg = ledger.Open("AB[KN]C", SendLedger::Plain(7), true);
  keyer.Hand("A");
  // A character typed with nothing waiting in the keyer goes out at once, ahead of the queue.
  const int typed = ledger.Open("Q", SendLedger::Plain(1), false);
  ledger.Take("Q", true, typed);
  ledger.Report(++keyer.waiting);
  keyer.Hand("B");
  // The library has no code call: the prosign goes out as nothing, with what came before it.
  ledger.Take("[KN]", false);
  keyer.Keyed();
  keyer.Keyed();
  EXPECT_EQ(ledger.TakeNews().sent, std::vector<int>{typed});
  keyer.Keyed();  // B, and the prosign with it
  ledger.Cancel("C", true);
  EXPECT_FALSE(ledger.CutWaiting()) << "nothing handed is still out: nothing to wait for";
  const std::vector<LogCut> cuts = Cuts(ledger);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].id, msg);
  EXPECT_EQ(cuts[0].keptLog, 6u);  // "AB[KN]"

  // Backspace takes back the last byte that waits.
  const int typedAgain = ledger.Open("XY", SendLedger::Plain(2), false);
  ledger.DropLast();
  ledger.Take("X", true);
  ledger.Report(1);
  ledger.Report(0);
  EXPECT_EQ(ledger.TakeNews().sent, std::vector<int>{typedAgain});
}

TEST(SendLedger, AQueueItDoesNotKnowOrASilentKeyerTellsNothingWrong) {
  SendLedger ledger;
  Keyer keyer{ledger};
  const int lost = ledger.Open("CQ", SendLedger::Plain(2), true);
  keyer.Hand("C");
  // The send queue is not what the ledger followed: the log keeps what it shows.
  ledger.Cancel("XYZ", true);
  ledger.Report(0);
  LedgerNews news = ledger.TakeNews();
  EXPECT_TRUE(news.cuts.empty());
  EXPECT_EQ(news.sent, std::vector<int>{lost});

  // No device: nothing was keyed, and nothing will be reported.
  const int silent = ledger.Open("DE", SendLedger::Plain(2), true);
  ledger.Take("D", true);
  ledger.Cancel("E", false);
  std::vector<LogCut> cuts = Cuts(ledger);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].id, silent);
  EXPECT_EQ(cuts[0].keptLog, 0u);

  // A keyer that stays silent after a cancel: the cut is made with what is known.
  const int late = ledger.Open("TU", SendLedger::Plain(2), true);
  ledger.Take("T", true);
  ledger.Report(1);
  ledger.Cancel("U", true);
  ASSERT_TRUE(ledger.CutWaiting());
  ledger.Expire();
  cuts = Cuts(ledger);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].id, late);
  EXPECT_EQ(cuts[0].keptLog, 0u);
}

// The edits of the waiting cuts made on `text`, as the log view makes them in its control.
std::string ShowCuts(LogTail& tail, std::string text) {
  for (const LogTail::Edit& e : tail.TakeCuts()) text.replace(e.at, e.length, e.text);
  return text;
}

TEST(LogTail, CutsReplaceWhatNeverWentOutWithOneMarkEach) {
  LogTail tail;
  tail.Append("OLD ");  // nothing followed yet: not kept
  tail.Append("[09/24-12:31]JA2XYZ UR $R [KN] ", 1, 13);
  tail.Append("TU E E ", 2);
  tail.Append("E");  // paddle echo after them
  ASSERT_EQ(tail.Text(), "JA2XYZ UR $R [KN] TU E E E");
  // Keyed up to "JA2X", and the message behind not at all; the report comes late, after the
  // cut, and the log fills it in everywhere.
  tail.Cut(1, 4, true);
  tail.Cut(2, 0, true);
  tail.Replace("$R", "5NN");
  EXPECT_EQ(ShowCuts(tail, "JA2XYZ UR 5NN [KN] TU E E E"), "JA2X* * E");
  EXPECT_FALSE(tail.Active());

  // Characters typed one after the other and cut together give one mark; the message before
  // them keeps its space. A text still followed keeps its place.
  tail.Append("CQ ", 3);
  for (int id = 4; id <= 6; ++id) tail.Append("K", id);
  tail.Append("DE ", 7);
  tail.Cut(3, 1, true);
  for (int id = 4; id <= 6; ++id) tail.Cut(id, 0, false);
  EXPECT_EQ(ShowCuts(tail, "CQ KKKDE "), "C* *DE ");
  EXPECT_EQ(tail.Text(), "DE ");
  tail.Forget(7);
  EXPECT_FALSE(tail.Active());
}

TEST(LogTail, DoubleByteTextTypingAndBackspace) {
  LogTail tail;
  // "東京" in CP932: a cut that falls between the bytes of its second character keeps the first.
  const std::string tokyo = "\x93\x8c\x8b\x9e";
  tail.Append(tokyo + " ", 1);
  tail.Cut(1, 3, true);
  EXPECT_EQ(ShowCuts(tail, tokyo + " "), "\x93\x8c* ");

  tail.Append(tokyo + " ", 2);
  tail.Append("AB", 3);
  // Backspace takes back the last character, a double-byte one whole.
  tail.Backspace();
  tail.Backspace();
  tail.Backspace();
  EXPECT_EQ(tail.Text(), tokyo);
  tail.Backspace();
  EXPECT_EQ(tail.Text(), "\x93\x8c");
  // A text whose final space went keeps no space it no longer has.
  tail.Cut(2, 0, true);
  EXPECT_EQ(ShowCuts(tail, "\x93\x8c"), "*");
  // Once the followed text is gone, Backspace reaches before it: nothing is followed any more.
  tail.Backspace();
  tail.Backspace();
  EXPECT_FALSE(tail.Active());
}

}  // namespace
}  // namespace tandem::cw
