// What of the log went out on the air. Every text that is written to the log and keyed is
// followed from the send queue through the keyer, on the keyer's own reports, so that when keying
// is cut (a cancel, or the paddle breaking in) the log can show what was keyed and where keying
// stopped. Portable: no <windows.h>.
//
// The keyer reports how many characters still wait in it (the one being keyed included) each time
// that number changes: it rises by one for each character handed to it and falls as characters
// are keyed. So the characters keyed are the rises seen less what still waits, and each report
// tells which of the characters handed have gone out. Reports reach the program some time after
// the keyer sent them; after a cancel the keyer reports 0 once everything it keyed before the
// cancel is reported, and the cut waits for that report.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tandem::cw {

// A stretch of one text: `key` bytes of its keying text that stand for `log` bytes of its log
// text. They are equal for nearly everything; a number keyed with digit substitution, and a late
// value that is empty (the log shows "_"), make them differ.
struct Stretch {
  std::size_t key = 0;
  std::size_t log = 0;
};

// A text that did not go out whole: the first `keptLog` bytes of its log text were keyed, the
// rest never went out. `separator`: its log text ends in a space that is not keyed (a message's),
// which stays.
struct LogCut {
  int id = 0;
  std::size_t keptLog = 0;
  bool separator = false;
};

// What the log is to be told: texts that went out whole and need not be followed any more, and
// texts that were cut.
struct LedgerNews {
  std::vector<int> sent;
  std::vector<LogCut> cuts;
  bool Empty() const { return sent.empty() && cuts.empty(); }
};

class SendLedger {
 public:
  // A text written to the log that is to be keyed: its keying text, how its bytes stand for the
  // log text, and whether the log text ends in a separator that is not keyed. Returns its id
  // (from 1 on), which the log gives its text.
  int Open(const std::string& keyText, std::vector<Stretch> stretches, bool separator);
  // `bytes` of keying text that stand for as many bytes of log text.
  static std::vector<Stretch> Plain(std::size_t bytes);
  // The stretches of a message whose keying text holds the keyed number at `numberAt` (each
  // `keyedNumber` bytes, standing for `loggedNumber` bytes of the log text).
  static std::vector<Stretch> WithNumbers(std::size_t keyBytes, const std::vector<std::size_t>& numberAt,
                                          std::size_t keyedNumber, std::size_t loggedNumber);

  // `token` taken from the front of what waits (the send queue, front first), or from text `id`
  // when it is given (a character keyed at once, ahead of the queue). `handed`: the keyer was
  // given it as one character. When what waits does not begin with `token`, the ledger has lost
  // track, and the next cut tells the log nothing.
  void Take(std::string_view token, bool handed, int id = 0);
  // A late macro filled in everywhere in what waits (`keyValue` keyed, `logValue` shown).
  void Fill(std::string_view macro, std::string_view keyValue, std::string_view logValue);
  // The last byte that waits taken back.
  void DropLast();

  // A keyer report of `waiting` characters (not the break-in value).
  void Report(int waiting);
  // The transmission was cancelled; `queue` is the send queue as it was. With `reportsFollow`
  // the keyer reports what it keyed before the cancel and then 0, and the cut waits for that.
  void Cancel(std::string_view queue, bool reportsFollow);
  // The paddle broke in: the reports so far tell what went out.
  void BreakIn(std::string_view queue);
  // The keyer did not report after a cancel: the cut is made with what is known.
  void Expire();
  // A cut waits for the keyer's reports.
  bool CutWaiting() const { return m_closing.has_value(); }

  // What happened since the last call.
  LedgerNews TakeNews();

 private:
  struct Entry {
    int id = 0;
    std::string waiting;          // keying text not yet taken, front first
    std::size_t taken = 0;        // bytes taken (handed, or keyed as nothing)
    std::size_t keyed = 0;        // bytes known to have gone out, from the front
    std::vector<Stretch> stretches;  // over the whole keying text
    bool separator = false;
    int handsOut = 0;             // characters handed and not known to have gone out
  };
  struct Hand {
    int id = 0;
    std::size_t bytes = 0;
    bool handed = false;          // false: taken without a keyer call, goes out with those before it
  };
  // Everything keyed from one cut to the next.
  struct Epoch {
    std::deque<Entry> entries;    // in the order they were opened
    std::deque<Hand> hands;       // taken and not yet known to have gone out, in order
    long handed = 0;              // characters handed to the keyer
    long risen = 0;               // rises of the keyer's count
    long keyed = 0;               // characters known to have gone out
    int lastWaiting = 0;
    bool lost = false;
  };

  static Entry* Find(Epoch& epoch, int id);
  static void Account(Epoch& epoch, int waiting);
  // Lets `newly` more handed characters go out, with what was taken without a keyer call among
  // them.
  static void Release(Epoch& epoch, long newly = 0);
  static std::size_t KeptLog(const Entry& entry);
  static std::string Waiting(const Epoch& epoch);
  void Retire(Epoch& epoch);
  void Close(Epoch& epoch);

  Epoch m_epoch;
  std::optional<Epoch> m_closing;  // cut, waiting for the keyer's reports
  int m_nextId = 1;
  LedgerNews m_news;
};

}  // namespace tandem::cw
