// The edit view whose "replace everywhere" does not keep its caller waiting: the log of a long
// contest is one paragraph of a megabyte, and the control lays a paragraph out again from an
// edit to its end, so each replacement asked for (a report filled in late, say) waits until the
// message queue runs empty and is then carried out a bounded piece at a time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "EditView.h"

class CReplacingEditView : public CEditView {
 public:
  // Asks the empty control how it counts positions (see PositionsCountBytes), then as the
  // edit view.
  int OnCreate() override;
  void OnReflectedCommand(UINT code) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // The whole text, with every replacement asked for so far carried out.
  std::string GetWholeText() override;
  // Replaces the whole text; the replacements still waiting are given up.
  void SetWholeText(const std::string& text) override;
  // Inserts `text` at the end of the text (after what a rewrite still has to write), not
  // undoable.
  void AppendAtEnd(const char* text) override;

  // Whether the control counts its positions in bytes (a double-byte character is two) rather
  // than in characters; asked of the control when it is created.
  bool PositionsCountBytes() const { return m_bytePositions; }

  // Replaces every `from` in the text by `to`, as reading the whole text, replacing and
  // writing it back would, left to right, matching at character starts. `from` must not be
  // empty. Each occurrence is one edit of its own, made newest (nearest the end) first, one at
  // a time whenever the message queue runs empty. Each keeps the value of the call that found
  // it. The operator's selection and scroll position survive.
  void ReplaceEverywhere(const std::string& from, const std::string& to);
  // An occurrence far from the end is not edited in place: the control would lay out the
  // whole rest of the paragraph again, seconds in a long log. The text from the oldest waiting
  // occurrence to the end is taken out and written back with the replacements made, a bounded
  // piece per step (see ReplaceStep). Until the last piece is written, the control shows the
  // text up to that point, and text appended meanwhile joins the part still to be written.
  // Carries out every replacement still waiting.
  void FinishReplacements();
  // While held, the replacements far from the end wait (an edit far back in a long text can
  // take the control a second); FinishReplacements and GetWholeText still carry them out. Text
  // already being written back goes on being written, a bounded piece at a time.
  void HoldReplacements(bool hold);
  // Replacements not yet shown in the control, those in text still to be written back
  // included.
  size_t PendingReplacements() const { return m_pendingEdits.size() + m_tailEdits; }

 protected:
  // Positions that text[from, to) takes in the control: bytes, or characters.
  size_t PositionsIn(const std::string& text, size_t from, size_t to) const;

 private:
  // Asks the empty control how it counts positions (see PositionsCountBytes).
  void MeasurePositions();

  // One occurrence waiting to be replaced; `at` counts positions, as the control does.
  struct PendingEdit {
    size_t at;
    std::string from;
    std::string to;
  };
  // Places the waiting edits again after an edit of the operator's, which may have moved text.
  void Reanchor(const std::string& text);
  // One bounded step of the waiting work; false when nothing is left that may be done now
  // (`all`: the held replacements too).
  bool ReplaceStep(bool all);
  // Carries out the waiting edit nearest the end: an edit there moves nothing still waiting.
  void ReplaceLast();
  // Takes the text from the oldest waiting edit to the end out to be written back with every
  // waiting edit made.
  void StartRewrite();
  // Removes a piece of the old text at the end, or writes the next piece of the new.
  void ShrinkStep();
  // `atLeast`: bytes to write instead of a whole piece.
  void GrowStep(size_t atLeast = 0);
  // After a step of a rewrite: the screen shows the control's text again now and then, and once
  // the rewrite is complete.
  void RedrawAfterStep();
  // Before an edit of the operator's: the old text is removed first, and where the edit meets
  // the text still to be written, everything is written first.
  void CompleteBeforeEdit();
  // The control's text without the old text still to be removed at its end.
  std::string LiveText();
  // Keeps the operator's selection and scroll position across the steps of a rewrite: the one
  // before it, moved by its replacements, until the operator moves either.
  void RememberView(const std::vector<PendingEdit>& edits);
  void RestoreView();
  // Across one step, once the operator has moved the selection or scrolled.
  struct ViewState {
    DWORD selStart = 0;
    DWORD selEnd = 0;
    LRESULT firstLine = 0;
  };
  ViewState SaveView() const;
  // Stops keeping the view once the operator has moved the selection or scrolled.
  void NoticeOperatorView();
  void RestoreView(const ViewState& before);
  // Moves the kept selection as a replacement of `fromPositions` at `at` by `stored` (as the
  // control stores it) moves the text after it.
  void MoveKeptView(size_t at, size_t fromPositions, const std::string& stored);
  void DropReplacements();
  // Text of a rewrite still to be written after the control's text.
  bool TailWaiting() const { return m_tailAt < m_tail.size(); }
  // Old text still to be removed, or new text still to be written.
  bool RewriteUnderWay() const { return m_stale > 0 || TailWaiting(); }

  std::vector<PendingEdit> m_pendingEdits;  // ascending by position
  // A rewrite of the text's end under way: the last m_stale positions of the control are old
  // text still to be removed, and m_tail from m_tailAt is the new text still to be written
  // after the control's text. m_tailEdits counts the replacements made in it.
  size_t m_stale = 0;
  std::string m_tail;
  size_t m_tailAt = 0;
  size_t m_tailEdits = 0;
  // The selection kept across a rewrite, in positions of the whole text; at the end when the
  // caret was there. m_set is what the rewrite last set, to see whether
  // the operator moved the selection or scrolled.
  bool m_keepView = false;
  bool m_selAtEnd = false;
  ViewState m_kept;
  ViewState m_set;
  bool m_ownEdit = false;      // an edit of the view itself is under way
  bool m_foreignEdit = false;  // the operator edited since the waiting edits were placed
  bool m_held = false;         // the older replacements wait for HoldReplacements(false)
  bool m_bytePositions = false;  // the control's positions count bytes, not characters
  DWORD m_lastRedraw = 0;      // tick count of the last full redraw after a rewrite step
};
