#include "ReplacingEditView.h"

#include <algorithm>

#include "App.h"

namespace {

using fw::CharBytes;

// The waiting replacements run on this timer of the view's window, which the system raises only
// when no other message waits. The control's own timers have small ids.
constexpr UINT_PTR kReplaceTimer = 0x7E01;

// While the older replacements are held, those within this many characters of the end are still
// made: an edit there costs the control about what an append costs.
constexpr size_t kNearEnd = 1024;

// A rewrite of the text's end writes the new text back in pieces of about this many bytes, and
// removes the old in pieces of this many characters: each costs a long text's control about
// what an append costs.
constexpr size_t kRewritePiece = 1024;
constexpr size_t kShrinkPiece = 32768;

// While a rewrite runs, its steps are shown at most this often. Each step turns drawing off, so
// the control's own partial redraw is lost and the whole view must be drawn again, which costs a
// long log's control about what a step costs (12 ms at 1 MB); drawn after every step, the paints
// would double the rewrite and keep a record from the logger waiting twice as often.
constexpr DWORD kRedrawEveryMs = 200;

// Positions in the control: Wine's edit control counts a double-byte character as one, Windows'
// ANSI control on a double-byte system counts bytes. `bytes` says which this control does (see
// CReplacingEditView::MeasurePositions); every position the view sends or keeps counts that way.

// Positions that text[from, to) takes in the control.
size_t RangePositions(const std::string& text, size_t from, size_t to, bool bytes) {
  if (bytes) return to - from;
  size_t chars = 0;
  for (size_t byte = from; byte < to; byte += CharBytes(text, byte)) ++chars;
  return chars;
}

size_t Positions(const std::string& text, bool bytes) {
  return RangePositions(text, 0, text.size(), bytes);
}

// Byte offset of the place `positions` positions after the character at `byte`.
size_t ByteAfter(const std::string& text, size_t byte, size_t positions, bool bytes) {
  if (bytes) return std::min(byte + positions, text.size());
  for (; positions > 0 && byte < text.size(); --positions) byte += CharBytes(text, byte);
  return std::min(byte, text.size());
}

// The start of the character that holds `byte`, found from `known`, a character start before it.
// A byte below 0x40 is a character of its own in every double-byte code page (no second byte is
// that small), so the search need not go back further than the last such byte.
size_t CharStartAtOrBefore(const std::string& text, size_t known, size_t byte) {
  size_t at = byte;
  while (at > known && static_cast<unsigned char>(text[at - 1]) >= 0x40) --at;
  while (at < byte) {
    const size_t next = at + CharBytes(text, at);
    if (next > byte) break;
    at = next;
  }
  return at;
}

// A double-byte character of the system code page, empty when the code page has none.
std::string DoubleByteSample() {
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    if (!::IsDBCSLeadByte(static_cast<BYTE>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      wchar_t wide[2];
      if (::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) == 1) {
        return std::string(pair, 2);
      }
    }
  }
  return std::string();
}

// An occurrence of a text: its position in the control and in bytes.
struct Found {
  size_t at;
  size_t byte;
};

// Occurrences of `from` in `text`, found left to right without overlapping, each starting a
// character.
std::vector<Found> FindAll(const std::string& text, const std::string& from, bool bytes) {
  std::vector<Found> found;
  const size_t fromPositions = Positions(from, bytes);
  size_t at = 0;
  for (size_t byte = 0; byte < text.size();) {
    if (text[byte] == from[0] && text.compare(byte, from.size(), from) == 0) {
      found.push_back(Found{at, byte});
      at += fromPositions;
      byte += from.size();
    } else {
      const size_t next = CharBytes(text, byte);
      at += bytes ? next : 1;
      byte += next;
    }
  }
  return found;
}

// Where a position ends up when the `fromPositions` positions at `at` are replaced by `to` (as
// the control stores it): one after them moves with the text, one inside ends with the new
// text, at the start of a character of it.
size_t MovedBy(size_t pos, size_t at, size_t fromPositions, const std::string& to, bool bytes) {
  const size_t toPositions = Positions(to, bytes);
  if (pos >= at + fromPositions) return pos - fromPositions + toPositions;
  if (pos <= at) return pos;
  const size_t inside = std::min(pos - at, toPositions);
  return at + (bytes ? CharStartAtOrBefore(to, 0, inside) : inside);
}

// Messages with which the operator (or another program) may change the text.
bool MayEdit(UINT msg, WPARAM wParam) {
  switch (msg) {
    case WM_CHAR:
    case WM_IME_CHAR:
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
      return true;
    case WM_KEYDOWN:
      return wParam == VK_DELETE || wParam == VK_BACK;
    default:
      return false;
  }
}

}  // namespace

int CReplacingEditView::OnCreate() {
  MeasurePositions();
  return CEditView::OnCreate();
}

void CReplacingEditView::MeasurePositions() {
  // Wine's control counts a double-byte character as one position, Windows' ANSI control on a
  // double-byte system counts it as two (its positions are bytes): the control itself is asked,
  // while it is still empty, how long it finds one such character.
  m_bytePositions = false;
  const std::string sample = DoubleByteSample();
  if (sample.empty()) return;  // no double-byte characters: both ways count alike
  m_loading = true;
  SetText(sample.c_str());
  m_bytePositions = ControlLength() == sample.size();
  SetText("");
  Send(EM_EMPTYUNDOBUFFER);
  Send(EM_SETMODIFY, FALSE);
  m_loading = false;
}

void CReplacingEditView::OnReflectedCommand(UINT code) {
  // The operator's edit may have moved text that waits for a replacement.
  if (code == EN_CHANGE && !m_loading && !m_ownEdit) m_foreignEdit = true;
  CEditView::OnReflectedCommand(code);
}

LRESULT CReplacingEditView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kReplaceTimer) {
    if (!ReplaceStep(false)) ::KillTimer(m_hWnd, kReplaceTimer);
    return 0;
  }
  if (!m_ownEdit && !m_loading && MayEdit(msg, wParam)) CompleteBeforeEdit();
  // A text put in as a whole by anyone else replaces what was still to be written too.
  if (msg == WM_SETTEXT && !m_ownEdit && !m_loading) DropReplacements();
  if (msg == WM_DESTROY) DropReplacements();
  return CEditView::WindowProc(msg, wParam, lParam);
}

void CReplacingEditView::NoticeOperatorView() {
  // The operator moved the selection or scrolled away meanwhile: theirs stays as they left it.
  if (!m_keepView) return;
  const ViewState now = SaveView();
  if (now.selStart != m_set.selStart || now.selEnd != m_set.selEnd ||
      now.firstLine != m_set.firstLine) {
    m_keepView = false;
  }
}

bool CReplacingEditView::ReplaceStep(bool all) {
  NoticeOperatorView();
  if (m_stale > 0) {
    ShrinkStep();
    return true;
  }
  if (m_foreignEdit && !m_pendingEdits.empty()) Reanchor(LiveText());
  if (!m_pendingEdits.empty()) {
    // Near the end an edit costs the control little, held or not.
    if (m_pendingEdits.back().at + kNearEnd >= ControlLength()) {
      ReplaceLast();
      return true;
    }
    if (all || !m_held) {
      StartRewrite();
      return true;
    }
  }
  if (TailWaiting()) {
    GrowStep();
    return true;
  }
  return false;
}

std::string CReplacingEditView::GetWholeText() {
  FinishReplacements();
  return CEditView::GetWholeText();
}

void CReplacingEditView::SetWholeText(const std::string& text) {
  DropReplacements();
  CEditView::SetWholeText(text);
}

void CReplacingEditView::AppendAtEnd(const char* text) {
  if (TailWaiting()) {
    // The end is still being written back: the text goes behind what is still to be written.
    m_tail += AsStored(text);
    m_keepView = true;
    m_selAtEnd = true;
    RestoreView();
    return;
  }
  // Text added at the end moves no waiting replacement.
  m_ownEdit = true;
  CEditView::AppendAtEnd(text);
  m_ownEdit = false;
}

void CReplacingEditView::ReplaceEverywhere(const std::string& from, const std::string& to) {
  if (!m_hWnd || from.empty()) return;
  std::string text = LiveText();
  if (m_foreignEdit) Reanchor(text);
  const size_t liveBytes = text.size();
  text.append(m_tail, m_tailAt, std::string::npos);
  const std::vector<Found> found = FindAll(text, from, m_bytePositions);
  // An occurrence that the control holds only the start of: the rest is written first, so that
  // it is one edit of the control's text.
  for (const Found& f : found) {
    if (f.byte < liveBytes && f.byte + from.size() > liveBytes) {
      while (m_stale > 0) ShrinkStep();
      GrowStep(f.byte + from.size() - liveBytes);
      ReplaceEverywhere(from, to);
      return;
    }
  }
  // Occurrences that already wait keep the value they were found with.
  std::vector<PendingEdit> merged;
  std::vector<Found> inTail;
  size_t waiting = 0;
  for (const Found& f : found) {
    if (f.byte >= liveBytes) {
      inTail.push_back(f);
      continue;
    }
    while (waiting < m_pendingEdits.size() && m_pendingEdits[waiting].at < f.at) {
      merged.push_back(std::move(m_pendingEdits[waiting++]));
    }
    if (waiting < m_pendingEdits.size() && m_pendingEdits[waiting].at == f.at) continue;
    merged.push_back(PendingEdit{f.at, from, to});
  }
  while (waiting < m_pendingEdits.size()) merged.push_back(std::move(m_pendingEdits[waiting++]));
  m_pendingEdits.swap(merged);
  // Those in the text still to be written are made there at once, last first.
  if (!inTail.empty()) {
    const std::string stored = AsStored(to);
    const size_t fromPositions = Positions(from, m_bytePositions);
    for (auto it = inTail.rbegin(); it != inTail.rend(); ++it) {
      m_tail.replace(m_tailAt + (it->byte - liveBytes), from.size(), stored);
      MoveKeptView(it->at, fromPositions, stored);
    }
    m_tailEdits += inTail.size();
  }
  // Even the newest waits for the queue to run empty: one edit costs a long text's control
  // milliseconds, and whoever asked (a keyer report, a key of the logger) should not wait.
  if (!m_pendingEdits.empty()) ::SetTimer(m_hWnd, kReplaceTimer, USER_TIMER_MINIMUM, nullptr);
}

void CReplacingEditView::HoldReplacements(bool hold) {
  if (hold == m_held) return;
  m_held = hold;
  if (m_hWnd && !hold && !m_pendingEdits.empty()) {
    ::SetTimer(m_hWnd, kReplaceTimer, USER_TIMER_MINIMUM, nullptr);
  }
}

void CReplacingEditView::FinishReplacements() {
  if (!m_hWnd) return;
  while (ReplaceStep(true)) {
  }
  ::KillTimer(m_hWnd, kReplaceTimer);
}

void CReplacingEditView::CompleteBeforeEdit() {
  if (!RewriteUnderWay()) return;
  NoticeOperatorView();
  // The old text at the end would take the edit with it when it goes.
  while (m_stale > 0) ShrinkStep();
  if (!TailWaiting()) return;
  // An edit at the end of what is written would land before what is still to be written, so
  // that is written first; a caret there stands for the end of the whole text.
  const ViewState view = SaveView();
  if (view.selEnd < ControlLength()) return;
  const bool caretAtEnd = view.selStart == view.selEnd;
  m_keepView = false;
  FinishReplacements();
  if (caretAtEnd) MoveCaretToEnd();
}

void CReplacingEditView::DropReplacements() {
  m_pendingEdits.clear();
  m_foreignEdit = false;
  m_stale = 0;
  m_tail.clear();
  m_tailAt = 0;
  m_tailEdits = 0;
  m_keepView = false;
  if (m_hWnd) ::KillTimer(m_hWnd, kReplaceTimer);
}

std::string CReplacingEditView::LiveText() {
  std::string text = GetText();
  if (m_stale > 0) {
    const size_t positions = Positions(text, m_bytePositions);
    text.resize(ByteAfter(text, 0, positions - std::min(positions, m_stale), m_bytePositions));
  }
  return text;
}

void CReplacingEditView::StartRewrite() {
  // The text from the oldest waiting edit on, with every waiting edit made (each with the value
  // it was found with, as the control would have had it), goes before what is still to be
  // written; the old text there is removed first.
  RememberView(m_pendingEdits);
  const std::string text = GetText();
  const size_t from = m_pendingEdits.front().at;
  const size_t fromByte = ByteAfter(text, 0, from, m_bytePositions);
  std::string tail;
  tail.reserve(text.size() - fromByte + m_tail.size() - m_tailAt);
  size_t pos = from;
  size_t byte = fromByte;
  size_t made = 0;
  for (const PendingEdit& edit : m_pendingEdits) {
    const size_t at = ByteAfter(text, byte, edit.at - pos, m_bytePositions);
    tail.append(text, byte, at - byte);
    pos = edit.at;
    byte = at;
    if (text.compare(at, edit.from.size(), edit.from) != 0) continue;  // no longer there
    tail += AsStored(edit.to);
    pos += Positions(edit.from, m_bytePositions);
    byte += edit.from.size();
    ++made;
  }
  tail.append(text, byte, std::string::npos);
  tail.append(m_tail, m_tailAt, std::string::npos);
  m_tail.swap(tail);
  m_tailAt = 0;
  m_tailEdits += made;
  m_pendingEdits.clear();
  m_stale = Positions(text, m_bytePositions) - from;
}

void CReplacingEditView::ShrinkStep() {
  const size_t length = ControlLength();
  size_t piece = std::min({m_stale, kShrinkPiece, length});
  if (m_bytePositions && piece < m_stale) {
    // Counted in bytes, a piece may end inside a double-byte character; it then takes that
    // character whole. The old text's start is one where a character starts.
    const std::string text = GetText();
    if (text.size() == length) {
      piece = length - CharStartAtOrBefore(text, length - m_stale, length - piece);
    }
  }
  const ViewState before = SaveView();
  m_ownEdit = true;
  SetDrawing(false);
  Send(EM_SETSEL, length - piece, static_cast<LPARAM>(length));
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
  m_ownEdit = false;
  m_stale = piece < m_stale && piece > 0 ? m_stale - piece : 0;
  RestoreView(before);
  RedrawAfterStep();
}

void CReplacingEditView::GrowStep(size_t atLeast) {
  const size_t bytes = atLeast > 0 ? atLeast : kRewritePiece;
  const size_t end = PieceEnd(m_tail, m_tailAt, m_tail.size(), bytes);
  const std::string piece = m_tail.substr(m_tailAt, end - m_tailAt);
  const ViewState before = SaveView();
  const LRESULT length = static_cast<LRESULT>(ControlLength());
  // Replacements that lengthen the text may take it past the limit, which would cut it.
  const LRESULT limit = Send(EM_GETLIMITTEXT);
  const LRESULT needed = length + static_cast<LRESULT>(Positions(piece, m_bytePositions));
  if (needed > limit) Send(EM_SETLIMITTEXT, static_cast<WPARAM>(needed));
  m_ownEdit = true;
  SetDrawing(false);
  // The text goes back as it was: the replacements in it are already converted.
  InsertAsItIs(static_cast<size_t>(length), piece.c_str());
  m_ownEdit = false;
  m_tailAt = end;
  if (!TailWaiting()) {
    m_tail.clear();
    m_tailAt = 0;
    m_tailEdits = 0;
  }
  RestoreView(before);
  RedrawAfterStep();
}

void CReplacingEditView::RedrawAfterStep() {
  SetDrawing(true);
  // Between the full redraws the screen shows the text of a step or a few earlier; a part
  // uncovered meanwhile is drawn from the control's text as it is. The last step is always
  // shown.
  const DWORD now = ::GetTickCount();
  if (!RewriteUnderWay() || now - m_lastRedraw >= kRedrawEveryMs) {
    RedrawAll();
    m_lastRedraw = now;
  }
}

void CReplacingEditView::RememberView(const std::vector<PendingEdit>& edits) {
  if (!m_keepView) {
    m_kept = SaveView();
    m_selAtEnd = m_kept.selStart == m_kept.selEnd && m_kept.selStart >= ControlLength() &&
                 !TailWaiting();
    m_set = m_kept;
    m_keepView = true;
  }
  for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
    MoveKeptView(it->at, Positions(it->from, m_bytePositions), AsStored(it->to));
  }
}

void CReplacingEditView::MoveKeptView(size_t at, size_t fromPositions, const std::string& stored) {
  m_kept.selStart =
      static_cast<DWORD>(MovedBy(m_kept.selStart, at, fromPositions, stored, m_bytePositions));
  m_kept.selEnd =
      static_cast<DWORD>(MovedBy(m_kept.selEnd, at, fromPositions, stored, m_bytePositions));
}

CReplacingEditView::ViewState CReplacingEditView::SaveView() const {
  ViewState view;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&view.selStart), reinterpret_cast<LPARAM>(&view.selEnd));
  view.firstLine = Send(EM_GETFIRSTVISIBLELINE);
  return view;
}

void CReplacingEditView::RestoreView(const ViewState& before) {
  if (m_keepView) {
    RestoreView();
    return;
  }
  // The operator's own selection and scroll position: an edit at the end moves neither.
  const size_t length = ControlLength();
  const size_t live = length - std::min(length, m_stale);
  Send(EM_SETSEL, std::min<size_t>(before.selStart, live),
       static_cast<LPARAM>(std::min<size_t>(before.selEnd, live)));
  Send(EM_LINESCROLL, 0, before.firstLine - Send(EM_GETFIRSTVISIBLELINE));
}

void CReplacingEditView::RestoreView() {
  if (!m_keepView) return;
  const size_t length = ControlLength();
  const size_t live = length - std::min(length, m_stale);
  const size_t start = m_selAtEnd ? live : std::min<size_t>(m_kept.selStart, live);
  const size_t end = m_selAtEnd ? live : std::min<size_t>(m_kept.selEnd, live);
  Send(EM_SETSEL, start, static_cast<LPARAM>(end));
  if (m_selAtEnd) {
    Send(EM_SCROLLCARET);
  } else {
    Send(EM_LINESCROLL, 0, m_kept.firstLine - Send(EM_GETFIRSTVISIBLELINE));
  }
  m_set = {static_cast<DWORD>(start), static_cast<DWORD>(end), Send(EM_GETFIRSTVISIBLELINE)};
  // Once everything is written, the selection is the operator's again.
  if (!RewriteUnderWay()) m_keepView = false;
}

void CReplacingEditView::Reanchor(const std::string& text) {
  // Where the operator edited is not known. Every waiting occurrence of a text lies before the
  // ones found later, so the k waiting ones of a text are taken to be its first k occurrences
  // now; ones the operator removed are dropped.
  std::vector<PendingEdit> placed;
  std::vector<std::string> done;
  for (const PendingEdit& edit : m_pendingEdits) {
    if (std::find(done.begin(), done.end(), edit.from) != done.end()) continue;
    done.push_back(edit.from);
    const std::vector<Found> found = FindAll(text, edit.from, m_bytePositions);
    size_t rank = 0;
    for (const PendingEdit& same : m_pendingEdits) {
      if (same.from != edit.from) continue;
      if (rank == found.size()) break;
      placed.push_back(PendingEdit{found[rank++].at, same.from, same.to});
    }
  }
  std::stable_sort(placed.begin(), placed.end(),
                   [](const PendingEdit& a, const PendingEdit& b) { return a.at < b.at; });
  m_pendingEdits.swap(placed);
  m_foreignEdit = false;
}

void CReplacingEditView::ReplaceLast() {
  const PendingEdit edit = std::move(m_pendingEdits.back());
  m_pendingEdits.pop_back();
  const size_t fromPositions = Positions(edit.from, m_bytePositions);
  const ViewState before = SaveView();
  SetDrawing(false);
  m_ownEdit = true;
  Send(EM_SETSEL, edit.at, static_cast<LPARAM>(edit.at + fromPositions));
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(edit.to.c_str()));
  m_ownEdit = false;
  // The selection moves with the text before it; one inside the replaced text ends with it.
  const std::string stored = AsStored(edit.to);
  Send(EM_SETSEL, MovedBy(before.selStart, edit.at, fromPositions, stored, m_bytePositions),
       static_cast<LPARAM>(MovedBy(before.selEnd, edit.at, fromPositions, stored, m_bytePositions)));
  Send(EM_LINESCROLL, 0, before.firstLine - Send(EM_GETFIRSTVISIBLELINE));
  if (m_keepView) {
    // A rewrite of the end is under way: the selection it keeps moves the same way.
    MoveKeptView(edit.at, fromPositions, stored);
    RestoreView();
  }
  SetDrawing(true);
  RedrawAll();
}

size_t CReplacingEditView::PositionsIn(const std::string& text, size_t from, size_t to) const {
  return RangePositions(text, from, to, m_bytePositions);
}
