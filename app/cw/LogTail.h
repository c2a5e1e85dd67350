// The end of the log as the program expects its text to be, from the oldest text still being
// keyed on: what was appended, the late values filled in, and what the operator typed at the end.
// Each text being keyed is a span of it. When one is cut, its part that never went out is
// replaced by the cut mark; the log view makes the same edits in its control once it has checked
// that the control's text ends with this one, so that a log it could not follow is left as it is.
// Portable: no <windows.h>; text is bytes in the Japanese ANSI code page (CP932).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tandem::cw {

// What the log shows where keying stopped, in place of what never went out.
constexpr char kCutMark[] = "*";

class LogTail {
 public:
  // One edit of the text: `length` bytes at `at` (from the start of Text()) replaced by `text`.
  struct Edit {
    std::size_t at = 0;
    std::size_t length = 0;
    std::string text;
  };

  bool Active() const { return !m_spans.empty(); }
  const std::string& Text() const { return m_text; }

  // Text added at the end of the log, as the log holds it. From byte `spanFrom` on it is the text
  // of span `id` (0: no span). Text that no span needs is not kept.
  void Append(std::string_view text, int id = 0, std::size_t spanFrom = 0);
  // Every `from` in the log replaced by `to` (as the log holds it), at character starts, left to
  // right, as the log view's own replacement does.
  void Replace(std::string_view from, std::string_view to);
  // Backspace typed at the end: the last character goes (a line break as one).
  void Backspace();

  // Span `id` went out whole: it needs no more following.
  void Forget(int id);
  // Span `id` went out up to `keptLog` bytes of its text; the rest, up to a final space when
  // `separator` is set, is to be replaced by the cut mark.
  void Cut(int id, std::size_t keptLog, bool separator);
  bool CutsWaiting() const;
  // The edits that show the waiting cuts, made on Text() as well; the last first, so that each
  // `at` holds in the text as it was before any of them. Cuts that meet, with nothing between
  // them, give one mark.
  std::vector<Edit> TakeCuts();

  // Nothing followed any more (the log was replaced as a whole, or could not be followed).
  void Reset();

 private:
  struct Span {
    int id = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
    bool cut = false;
    std::size_t kept = 0;
    bool separator = false;
  };

  // Drops the text before the first span.
  void Trim();

  std::string m_text;
  std::vector<Span> m_spans;  // by position
};

}  // namespace tandem::cw
