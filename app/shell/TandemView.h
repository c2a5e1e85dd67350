// The log view: a multi-line edit control in a fixed-pitch Japanese font, upper case, wrapping
// long lines, to which the program appends what it sends.
#pragma once

#include <cstddef>
#include <string>

#include "Handles.h"
#include "LogTail.h"
#include "ReplacingEditView.h"

class CTandemHLView : public CReplacingEditView {
 public:
  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  int OnCreate() override;
  void OnInitialUpdate() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Appends `text` at the end of the log, whatever is selected, and scrolls to it.
  void AppendToLog(const char* text);
  // The same for a text that is being keyed: from byte `spanFrom` on, `text` is the text of
  // `spanId` (0: none), which the log follows until it went out or was cut.
  void AppendToLog(const std::string& text, std::size_t spanFrom, int spanId);
  // The next character typed at the end of the log is the text of `spanId` (keyboard sending).
  void ExpectTypedSpan(int spanId) { m_typedSpan = spanId; }
  // Every `from` in the log replaced by `to` (see CReplacingEditView); the texts followed change alike.
  void ReplaceEverywhere(const std::string& from, const std::string& to);
  // `spanId` went out whole.
  void ForgetSpan(int spanId) { m_tail.Forget(spanId); }
  // `spanId` went out up to `keptLog` bytes of its text; ShowCuts shows where keying stopped.
  void CutSpan(int spanId, std::size_t keptLog, bool separator) { m_tail.Cut(spanId, keptLog, separator); }
  // Replaces what never went out of each cut text by the cut mark, as soon as the control holds
  // the whole text with every replacement made; until then it tries again on a timer. A log
  // that changed in a way the view could not follow keeps its text.
  void ShowCuts();
  // Empties the log without marking the document modified.
  void ClearLog() { SetWholeText(std::string()); }

  CFont m_font;

 private:
  bool CaretAtEnd() const;
  // What a character typed at the end did to the text followed.
  void FollowTyping(UINT msg, WPARAM wParam);

  tandem::cw::LogTail m_tail;
  int m_typedSpan = 0;
  char m_typedLead = 0;  // the first byte of a double-byte character typed, until its second
};
