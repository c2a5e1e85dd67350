#include "SendLedger.h"

#include <algorithm>
#include <utility>

#include "CwText.h"

namespace tandem::cw {
namespace {

// Splits the plain stretch that holds key bytes [at, at + length) so that they stand alone, and
// gives them `key` and `log` bytes instead. False when no plain stretch holds them all.
bool ReplaceKeyBytes(std::vector<Stretch>& stretches, std::size_t at, std::size_t length,
                     std::size_t key, std::size_t log) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < stretches.size(); ++i) {
    const Stretch s = stretches[i];
    if (s.key == 0 || at >= start + s.key) {
      start += s.key;
      continue;
    }
    if (s.key != s.log || at + length > start + s.key) return false;
    const std::size_t before = at - start;
    const std::size_t after = s.key - before - length;
    std::vector<Stretch> parts;
    if (before > 0) parts.push_back({before, before});
    parts.push_back({key, log});
    if (after > 0) parts.push_back({after, after});
    stretches.erase(stretches.begin() + static_cast<std::ptrdiff_t>(i));
    stretches.insert(stretches.begin() + static_cast<std::ptrdiff_t>(i), parts.begin(), parts.end());
    return true;
  }
  return false;
}

// Where `from` stands in `text`, left to right without overlapping, as ReplaceAll finds it.
std::vector<std::size_t> FindAll(const std::string& text, std::string_view from) {
  std::vector<std::size_t> found;
  if (from.empty()) return found;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + from.size())) {
    found.push_back(at);
  }
  return found;
}

}  // namespace

std::vector<Stretch> SendLedger::Plain(std::size_t bytes) {
  if (bytes == 0) return {};
  return {Stretch{bytes, bytes}};
}

std::vector<Stretch> SendLedger::WithNumbers(std::size_t keyBytes, const std::vector<std::size_t>& numberAt,
                                             std::size_t keyedNumber, std::size_t loggedNumber) {
  std::vector<Stretch> stretches;
  std::size_t pos = 0;
  for (const std::size_t at : numberAt) {
    if (at < pos || at + keyedNumber > keyBytes) break;  // not as the expansion makes them
    if (at > pos) stretches.push_back({at - pos, at - pos});
    stretches.push_back({keyedNumber, loggedNumber});
    pos = at + keyedNumber;
  }
  if (pos < keyBytes) stretches.push_back({keyBytes - pos, keyBytes - pos});
  return stretches;
}

int SendLedger::Open(const std::string& keyText, std::vector<Stretch> stretches, bool separator) {
  Entry entry;
  entry.id = m_nextId++;
  entry.waiting = keyText;
  entry.stretches = std::move(stretches);
  entry.separator = separator;
  std::size_t keyBytes = 0;
  for (const Stretch& s : entry.stretches) keyBytes += s.key;
  // Stretches that do not cover the keying text cannot place a cut.
  if (keyBytes != keyText.size()) m_epoch.lost = true;
  m_epoch.entries.push_back(std::move(entry));
  return m_epoch.entries.back().id;
}

SendLedger::Entry* SendLedger::Find(Epoch& epoch, int id) {
  for (Entry& e : epoch.entries) {
    if (e.id == id) return &e;
  }
  return nullptr;
}

void SendLedger::Take(std::string_view token, bool handed, int id) {
  Entry* entry = nullptr;
  if (id != 0) {
    entry = Find(m_epoch, id);
  } else {
    for (Entry& e : m_epoch.entries) {
      if (!e.waiting.empty()) {
        entry = &e;
        break;
      }
    }
  }
  if (entry == nullptr || token.empty() || entry->waiting.compare(0, token.size(), token) != 0) {
    m_epoch.lost = true;
    return;
  }
  entry->waiting.erase(0, token.size());
  entry->taken += token.size();
  ++entry->handsOut;
  m_epoch.hands.push_back(Hand{entry->id, token.size(), handed});
  if (handed) ++m_epoch.handed;
  // Something not handed to the keyer goes out as soon as everything before it has.
  Release(m_epoch);
}

void SendLedger::Fill(std::string_view macro, std::string_view keyValue, std::string_view logValue) {
  for (Entry& e : m_epoch.entries) {
    const std::vector<std::size_t> found = FindAll(e.waiting, macro);
    for (auto it = found.rbegin(); it != found.rend(); ++it) {
      if (!ReplaceKeyBytes(e.stretches, e.taken + *it, macro.size(), keyValue.size(), logValue.size())) {
        m_epoch.lost = true;
      }
    }
    ReplaceAll(e.waiting, macro, keyValue);
  }
}

void SendLedger::DropLast() {
  for (auto e = m_epoch.entries.rbegin(); e != m_epoch.entries.rend(); ++e) {
    if (e->waiting.empty()) continue;
    e->waiting.pop_back();
    for (auto s = e->stretches.rbegin(); s != e->stretches.rend(); ++s) {
      if (s->key == 0) continue;
      if (s->key == s->log) --s->log;
      --s->key;
      return;
    }
    m_epoch.lost = true;
    return;
  }
}

void SendLedger::Account(Epoch& epoch, int waiting) {
  waiting = std::max(waiting, 0);
  if (waiting > epoch.lastWaiting) epoch.risen += waiting - epoch.lastWaiting;
  // A report that the program had not yet handed anything for can raise nothing.
  epoch.risen = std::min(epoch.risen, epoch.handed);
  epoch.lastWaiting = waiting;
  const long known = std::clamp(epoch.risen - waiting, epoch.keyed, epoch.handed);
  long newly = known - epoch.keyed;
  epoch.keyed = known;
  Release(epoch, newly);
}

void SendLedger::Release(Epoch& epoch, long newly) {
  while (!epoch.hands.empty()) {
    const Hand hand = epoch.hands.front();
    if (hand.handed) {
      if (newly == 0) break;
      --newly;
    }
    epoch.hands.pop_front();
    if (Entry* e = Find(epoch, hand.id)) {
      e->keyed += hand.bytes;
      --e->handsOut;
    }
  }
}

std::size_t SendLedger::KeptLog(const Entry& entry) {
  std::size_t pos = 0;
  std::size_t log = 0;
  for (const Stretch& s : entry.stretches) {
    if (s.key == 0) {
      // Filled in with nothing: reached once everything before it went out.
      if (pos > entry.keyed) break;
      log += s.log;
      continue;
    }
    if (pos + s.key <= entry.keyed) {
      pos += s.key;
      log += s.log;
      continue;
    }
    const std::size_t within = entry.keyed > pos ? entry.keyed - pos : 0;
    log += s.key == s.log ? within : within * s.log / s.key;
    break;
  }
  return log;
}

std::string SendLedger::Waiting(const Epoch& epoch) {
  std::string text;
  for (const Entry& e : epoch.entries) text += e.waiting;
  return text;
}

void SendLedger::Retire(Epoch& epoch) {
  for (auto e = epoch.entries.begin(); e != epoch.entries.end();) {
    if (e->waiting.empty() && e->handsOut == 0) {
      m_news.sent.push_back(e->id);
      e = epoch.entries.erase(e);
    } else {
      ++e;
    }
  }
}

void SendLedger::Close(Epoch& epoch) {
  for (const Entry& e : epoch.entries) {
    if (epoch.lost || (e.waiting.empty() && e.handsOut == 0)) {
      // Out whole, or not known: the log keeps what it shows.
      m_news.sent.push_back(e.id);
    } else {
      m_news.cuts.push_back(LogCut{e.id, KeptLog(e), e.separator});
    }
  }
  epoch = Epoch{};
}

void SendLedger::Report(int waiting) {
  if (m_closing) {
    // The keyer's 0 after the cancel: everything it keyed before the cancel is told. That 0 is
    // the characters it dropped, not keyed ones.
    if (waiting == 0) {
      Expire();
    } else {
      Account(*m_closing, waiting);
    }
    return;
  }
  Account(m_epoch, waiting);
  Retire(m_epoch);
}

void SendLedger::Cancel(std::string_view queue, bool reportsFollow) {
  Expire();
  Epoch cut = std::move(m_epoch);
  m_epoch = Epoch{};
  if (Waiting(cut) != queue) cut.lost = true;
  if (reportsFollow && cut.keyed < cut.handed) {
    m_closing = std::move(cut);
  } else {
    Close(cut);
  }
}

void SendLedger::BreakIn(std::string_view queue) {
  Expire();
  Epoch cut = std::move(m_epoch);
  m_epoch = Epoch{};
  if (Waiting(cut) != queue) cut.lost = true;
  Close(cut);
}

void SendLedger::Expire() {
  if (!m_closing) return;
  Close(*m_closing);
  m_closing.reset();
}

LedgerNews SendLedger::TakeNews() {
  Retire(m_epoch);
  LedgerNews news = std::move(m_news);
  m_news = LedgerNews{};
  return news;
}

}  // namespace tandem::cw
