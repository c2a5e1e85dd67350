#include "LogTail.h"

#include <algorithm>

#include "CwText.h"

namespace tandem::cw {
namespace {

// Bytes of the character that starts at `at` (a lone lead byte at the end counts as one).
std::size_t CharBytes(std::string_view text, std::size_t at) {
  return IsCp932LeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Where a place in the text ends up when `length` bytes at `at` become `with` bytes: after them
// it moves with the text, inside them it goes to their start (`toEnd`: to their end).
std::size_t Moved(std::size_t place, std::size_t at, std::size_t length, std::size_t with, bool toEnd) {
  if (place >= at + length && (length > 0 || place > at)) return place - length + with;
  if (place <= at) return place;
  return toEnd ? at + with : at;
}

}  // namespace

void LogTail::Append(std::string_view text, int id, std::size_t spanFrom) {
  spanFrom = std::min(spanFrom, text.size());
  if (id == 0) {
    if (Active()) m_text.append(text);
    return;
  }
  if (!Active()) {
    m_text.clear();
    text.remove_prefix(spanFrom);
    spanFrom = 0;
  }
  const std::size_t start = m_text.size();
  m_text.append(text);
  m_spans.push_back(Span{id, start + spanFrom, m_text.size()});
}

void LogTail::Replace(std::string_view from, std::string_view to) {
  if (!Active() || from.empty() || m_text.size() < from.size()) return;
  std::string out;
  std::vector<std::size_t> found;
  for (std::size_t at = 0; at < m_text.size();) {
    if (m_text.compare(at, from.size(), from) == 0) {
      found.push_back(at);
      at += from.size();
    } else {
      at += CharBytes(m_text, at);
    }
  }
  if (found.empty()) return;
  out.reserve(m_text.size() + found.size() * to.size());
  std::size_t copied = 0;
  for (const std::size_t at : found) {
    out.append(m_text, copied, at - copied);
    out.append(to);
    copied = at + from.size();
  }
  out.append(m_text, copied, std::string::npos);
  // The spans move with the text, the last occurrence first.
  for (auto at = found.rbegin(); at != found.rend(); ++at) {
    for (Span& s : m_spans) {
      const std::size_t keptEnd = Moved(s.begin + s.kept, *at, from.size(), to.size(), true);
      s.begin = Moved(s.begin, *at, from.size(), to.size(), false);
      s.end = Moved(s.end, *at, from.size(), to.size(), true);
      s.kept = keptEnd > s.begin ? keptEnd - s.begin : 0;
    }
  }
  m_text.swap(out);
}

void LogTail::Backspace() {
  if (!Active()) return;
  if (m_text.empty()) {
    // Before the text followed: where the spans stand is no longer known.
    Reset();
    return;
  }
  std::size_t last = 0;
  if (m_text.size() >= 2 && m_text.compare(m_text.size() - 2, 2, "\r\n") == 0) {
    last = m_text.size() - 2;
  } else {
    // The text starts with a character; the last one starts at the last place a walk reaches.
    for (std::size_t at = 0; at < m_text.size(); at += CharBytes(m_text, at)) last = at;
  }
  m_text.resize(last);
  for (Span& s : m_spans) {
    s.begin = std::min(s.begin, last);
    s.end = std::min(s.end, last);
  }
}

void LogTail::Forget(int id) {
  m_spans.erase(std::remove_if(m_spans.begin(), m_spans.end(),
                               [id](const Span& s) { return s.id == id && !s.cut; }),
                m_spans.end());
  Trim();
}

void LogTail::Cut(int id, std::size_t keptLog, bool separator) {
  for (Span& s : m_spans) {
    if (s.id != id) continue;
    s.cut = true;
    s.kept = keptLog;
    s.separator = separator;
  }
}

bool LogTail::CutsWaiting() const {
  return std::any_of(m_spans.begin(), m_spans.end(), [](const Span& s) { return s.cut; });
}

std::vector<LogTail::Edit> LogTail::TakeCuts() {
  // What each cut span loses: from the end of what was keyed, cut back to a character start, to
  // its end or its final space.
  std::vector<Edit> drops;
  for (const Span& s : m_spans) {
    if (!s.cut || s.end <= s.begin) continue;
    std::size_t kept = s.begin;
    for (std::size_t at = s.begin; at < s.end;) {
      const std::size_t next = at + CharBytes(m_text, at);
      if (next > s.begin + s.kept || next > s.end) break;
      at = next;
      kept = at;
    }
    const std::size_t end = s.separator && m_text[s.end - 1] == ' ' ? s.end - 1 : s.end;
    if (kept >= end) continue;  // all of it went out
    if (!drops.empty() && drops.back().at + drops.back().length == kept) {
      drops.back().length = end - drops.back().at;  // one mark for cuts that meet
    } else {
      drops.push_back(Edit{kept, end - kept, kCutMark});
    }
  }
  std::reverse(drops.begin(), drops.end());
  for (const Edit& e : drops) {
    m_text.replace(e.at, e.length, e.text);
    for (Span& s : m_spans) {
      if (s.cut) continue;
      s.begin = Moved(s.begin, e.at, e.length, e.text.size(), false);
      s.end = Moved(s.end, e.at, e.length, e.text.size(), true);
    }
  }
  m_spans.erase(std::remove_if(m_spans.begin(), m_spans.end(), [](const Span& s) { return s.cut; }),
                m_spans.end());
  Trim();
  return drops;
}

void LogTail::Reset() {
  m_text.clear();
  m_spans.clear();
}

void LogTail::Trim() {
  if (m_spans.empty()) {
    m_text.clear();
    return;
  }
  std::size_t first = m_spans.front().begin;
  for (const Span& s : m_spans) first = std::min(first, s.begin);
  if (first == 0) return;
  m_text.erase(0, first);
  for (Span& s : m_spans) {
    s.begin -= first;
    s.end -= first;
  }
}

}  // namespace tandem::cw
