#include "EditView.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "App.h"
#include "DocTemplate.h"
#include "FwIds.h"

namespace {

// The waiting replacements run on this timer of the view's window, which the system raises only
// when no other message waits. The control's own timers have small ids.
constexpr UINT_PTR kReplaceTimer = 0x7E01;

// While the older replacements are held, those within this many characters of the end are still
// made: an edit there costs the control about what an append costs.
constexpr size_t kNearEnd = 1024;

// SetWholeText writes a long text in pieces of about this many bytes (see there).
constexpr size_t kLoadPiece = 4096;

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

// Bytes of the character that starts at `byte` (a lone lead byte at the end counts as one).
size_t CharBytes(const std::string& text, size_t byte) {
  return fw::IsSystemLeadByte(static_cast<unsigned char>(text[byte])) && byte + 1 < text.size()
             ? 2
             : 1;
}

// Positions in the control: Wine's edit control counts a double-byte character as one, Windows'
// ANSI control on a double-byte system counts bytes. `bytes` says which this control does (see
// CEditView::MeasurePositions); every position the view sends or keeps counts that way.

// Positions that `text` takes in the control.
size_t Positions(const std::string& text, bool bytes) {
  if (bytes) return text.size();
  size_t chars = 0;
  for (size_t byte = 0; byte < text.size(); byte += CharBytes(text, byte)) ++chars;
  return chars;
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

// Text in the system code page as wide characters and back, as the control keeps it; empty
// when the system cannot convert it.
std::wstring Widen(const std::string& text) {
  const int size = static_cast<int>(text.size());
  const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (wide <= 0) return std::wstring();
  std::wstring chars(static_cast<size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &chars[0], wide);
  return chars;
}

std::string Narrow(const std::wstring& chars) {
  const int wide = static_cast<int>(chars.size());
  const int size =
      ::WideCharToMultiByte(CP_ACP, 0, chars.data(), wide, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string text(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, chars.data(), wide, &text[0], size, nullptr, nullptr);
  return text;
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

// End of the piece of text[begin, length) written next: about `piece` bytes, never splitting a
// double-byte character or a line break.
size_t PieceEnd(const std::string& text, size_t begin, size_t length, size_t piece = kLoadPiece) {
  size_t end = begin;
  while (end < length && end - begin < piece) end += CharBytes(text, end);
  if (end > length) end = length;
  if (end < length && text[end - 1] == '\r' && text[end] == '\n') ++end;
  return end;
}

// Turns the control's drawing off or on. Wine's edit control takes WM_SETREDRAW and does nothing
// with it, so each edit made "without drawing" still drew and left a repaint behind (5 ms a step
// at 1 MB); the default handling, which the control would have passed it to, is what turns drawing
// off for the window itself.
void SetDrawing(HWND wnd, bool on) {
  ::SendMessageA(wnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
  ::DefWindowProcA(wnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
}

// Draws the control again after edits made without drawing: the text, and the scroll bar, which
// the control set meanwhile without drawing it.
void RedrawAll(HWND wnd) {
  ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

// A case style converts whatever the control is given. While this lives, the control takes
// text as it is: text that was in it before, or that is already converted.
class CaseStylesOff {
 public:
  explicit CaseStylesOff(HWND wnd) : m_wnd(wnd), m_style(::GetWindowLongA(wnd, GWL_STYLE)) {
    if (m_style & kCaseStyles) ::SetWindowLongA(m_wnd, GWL_STYLE, m_style & ~kCaseStyles);
  }
  ~CaseStylesOff() {
    if (m_style & kCaseStyles) ::SetWindowLongA(m_wnd, GWL_STYLE, m_style);
  }
  CaseStylesOff(const CaseStylesOff&) = delete;
  CaseStylesOff& operator=(const CaseStylesOff&) = delete;

 private:
  static constexpr LONG kCaseStyles = ES_UPPERCASE | ES_LOWERCASE;
  HWND m_wnd;
  LONG m_style;
};

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

bool CEditView::PreCreateWindow(CREATESTRUCTA& cs) {
  cs.lpszClass = "EDIT";
  cs.style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL |
             ES_AUTOVSCROLL | ES_MULTILINE | ES_NOHIDESEL;
  cs.dwExStyle = WS_EX_CLIENTEDGE;
  return true;
}

bool CEditView::Create(HWND parent, UINT id) {
  CREATESTRUCTA cs = {};
  cs.hwndParent = parent;
  cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id));
  cs.hInstance = ::GetModuleHandleA(nullptr);
  if (!PreCreateWindow(cs)) return false;
  // WS_BORDER and the client edge together would draw two frames.
  if (cs.dwExStyle & WS_EX_CLIENTEDGE) cs.style &= ~static_cast<LONG>(WS_BORDER);
  HWND hwnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, "", static_cast<DWORD>(cs.style), 0,
                                0, 0, 0, parent, cs.hMenu, cs.hInstance, nullptr);
  if (!hwnd) return false;
  if (!Subclass(hwnd)) {
    ::DestroyWindow(hwnd);
    return false;
  }
  MeasurePositions();
  if (OnCreate() == -1) {
    ::DestroyWindow(hwnd);
    return false;
  }
  return true;
}

void CEditView::MeasurePositions() {
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

int CEditView::OnCreate() {
  Send(EM_SETLIMITTEXT, kTextLimit);
  const int tabStops = 16;  // dialog units: four average characters
  Send(EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStops));
  return 0;
}

void CEditView::OnReflectedCommand(UINT code) {
  // Every edit the control reports marks the document modified; replacing the whole text
  // (SetWholeText) is not reported by a multi-line control, and its pieces are not edits.
  if (code != EN_CHANGE || m_loading) return;
  // The operator's edit may have moved text that waits for a replacement.
  if (!m_ownEdit) m_foreignEdit = true;
  if (m_pDocument) m_pDocument->SetModifiedFlag(true);
}

LRESULT CEditView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kReplaceTimer) {
    if (!ReplaceStep(false)) ::KillTimer(m_hWnd, kReplaceTimer);
    return 0;
  }
  if (!m_ownEdit && !m_loading && MayEdit(msg, wParam)) CompleteBeforeEdit();
  // A text put in as a whole by anyone else replaces what was still to be written too.
  if (msg == WM_SETTEXT && !m_ownEdit && !m_loading) DropReplacements();
  if (msg == WM_DESTROY) DropReplacements();
  return CView::WindowProc(msg, wParam, lParam);
}

void CEditView::NoticeOperatorView() {
  // The operator moved the selection or scrolled away meanwhile: theirs stays as they left it.
  if (!m_keepView) return;
  const ViewState now = SaveView();
  if (now.selStart != m_set.selStart || now.selEnd != m_set.selEnd ||
      now.firstLine != m_set.firstLine) {
    m_keepView = false;
  }
}

bool CEditView::ReplaceStep(bool all) {
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

std::string CEditView::GetWholeText() {
  FinishReplacements();
  return GetText();
}

void CEditView::SetWholeText(const std::string& text) {
  DropReplacements();
  const size_t length = std::char_traits<char>::length(text.c_str());
  if (!m_hWnd) return;
  // A text put in as a whole (a file opened) is kept as it is, so that saving it writes the
  // same bytes. Typing still converts.
  CaseStylesOff asItIs(m_hWnd);
  if (length <= kLoadPiece) {
    SetText(text.c_str());
    return;
  }
  // The control lays a paragraph out line by line, and each line's layout looks at the rest
  // of the paragraph, so a long paragraph written at once takes time that grows with the square
  // of its length (seconds at 100 KB, minutes at 1 MB, and the log is one paragraph). Written
  // in pieces at the end, each piece costs about its own length.
  m_loading = true;
  SetDrawing(m_hWnd, false);
  size_t at = PieceEnd(text, 0, length);
  SetText(text.substr(0, at).c_str());
  while (at < length) {
    const size_t end = PieceEnd(text, at, length);
    const std::string piece = text.substr(at, end - at);
    const LRESULT limit = Send(EM_GETLIMITTEXT);
    Send(EM_SETSEL, static_cast<WPARAM>(limit), limit);
    Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    at = end;
  }
  Send(EM_EMPTYUNDOBUFFER);
  Send(EM_SETMODIFY, FALSE);
  Send(EM_SETSEL, 0, 0);
  Send(EM_SCROLLCARET);
  SetDrawing(m_hWnd, true);
  RedrawAll(m_hWnd);
  m_loading = false;
}

void CEditView::MoveCaretToEnd() {
  // Selecting from the limit to the limit: the control clamps both ends to its text's end.
  const LRESULT start = Send(EM_GETLIMITTEXT);
  const LRESULT end = Send(EM_GETLIMITTEXT);
  Send(EM_SETSEL, static_cast<WPARAM>(start), end);
  Send(EM_SCROLLCARET);
}

void CEditView::AppendAtEnd(const char* text) {
  if (TailWaiting()) {
    // The end is still being written back: the text goes behind what is still to be written.
    m_tail += AsStored(text);
    m_keepView = true;
    m_selAtEnd = true;
    RestoreView();
    return;
  }
  MoveCaretToEnd();
  // Text added at the end moves no waiting replacement.
  m_ownEdit = true;
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
  m_ownEdit = false;
}

void CEditView::ReplaceEverywhere(const std::string& from, const std::string& to) {
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

void CEditView::HoldReplacements(bool hold) {
  if (hold == m_held) return;
  m_held = hold;
  if (m_hWnd && !hold && !m_pendingEdits.empty()) {
    ::SetTimer(m_hWnd, kReplaceTimer, USER_TIMER_MINIMUM, nullptr);
  }
}

void CEditView::FinishReplacements() {
  if (!m_hWnd) return;
  while (ReplaceStep(true)) {
  }
  ::KillTimer(m_hWnd, kReplaceTimer);
}

void CEditView::CompleteBeforeEdit() {
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

void CEditView::DropReplacements() {
  m_pendingEdits.clear();
  m_foreignEdit = false;
  m_stale = 0;
  m_tail.clear();
  m_tailAt = 0;
  m_tailEdits = 0;
  m_keepView = false;
  if (m_hWnd) ::KillTimer(m_hWnd, kReplaceTimer);
}

size_t CEditView::ControlLength() const {
  // In positions, as the control counts them (the window text's length counts bytes).
  const LRESULT last = Send(EM_LINEINDEX, static_cast<WPARAM>(Send(EM_GETLINECOUNT) - 1));
  return static_cast<size_t>(last + Send(EM_LINELENGTH, static_cast<WPARAM>(last)));
}

std::string CEditView::LiveText() {
  std::string text = GetText();
  if (m_stale > 0) {
    const size_t positions = Positions(text, m_bytePositions);
    text.resize(ByteAfter(text, 0, positions - std::min(positions, m_stale), m_bytePositions));
  }
  return text;
}

std::string CEditView::AsStored(const std::string& text) const {
  const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
  if (!(style & (ES_UPPERCASE | ES_LOWERCASE)) || text.empty()) return text;
  // The control converts the text as its wide characters.
  std::wstring chars = Widen(text);
  if (chars.empty()) return text;
  if (style & ES_UPPERCASE) {
    ::CharUpperBuffW(&chars[0], static_cast<DWORD>(chars.size()));
  } else {
    ::CharLowerBuffW(&chars[0], static_cast<DWORD>(chars.size()));
  }
  const std::string stored = Narrow(chars);
  return stored.empty() ? text : stored;
}

void CEditView::StartRewrite() {
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

void CEditView::ShrinkStep() {
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
  SetDrawing(m_hWnd, false);
  Send(EM_SETSEL, length - piece, static_cast<LPARAM>(length));
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
  m_ownEdit = false;
  m_stale = piece < m_stale && piece > 0 ? m_stale - piece : 0;
  RestoreView(before);
  RedrawAfterStep();
}

void CEditView::GrowStep(size_t atLeast) {
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
  SetDrawing(m_hWnd, false);
  {
    // The text goes back as it was: the replacements in it are already converted.
    CaseStylesOff asItIs(m_hWnd);
    Send(EM_SETSEL, static_cast<WPARAM>(length), length);
    Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
  }
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

void CEditView::RedrawAfterStep() {
  SetDrawing(m_hWnd, true);
  // Between the full redraws the screen shows the text of a step or a few earlier; a part
  // uncovered meanwhile is drawn from the control's text as it is. The last step is always
  // shown.
  const DWORD now = ::GetTickCount();
  if (!RewriteUnderWay() || now - m_lastRedraw >= kRedrawEveryMs) {
    RedrawAll(m_hWnd);
    m_lastRedraw = now;
  }
}

void CEditView::RememberView(const std::vector<PendingEdit>& edits) {
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

void CEditView::MoveKeptView(size_t at, size_t fromPositions, const std::string& stored) {
  m_kept.selStart =
      static_cast<DWORD>(MovedBy(m_kept.selStart, at, fromPositions, stored, m_bytePositions));
  m_kept.selEnd =
      static_cast<DWORD>(MovedBy(m_kept.selEnd, at, fromPositions, stored, m_bytePositions));
}

CEditView::ViewState CEditView::SaveView() const {
  ViewState view;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&view.selStart), reinterpret_cast<LPARAM>(&view.selEnd));
  view.firstLine = Send(EM_GETFIRSTVISIBLELINE);
  return view;
}

void CEditView::RestoreView(const ViewState& before) {
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

void CEditView::RestoreView() {
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

void CEditView::Reanchor(const std::string& text) {
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

void CEditView::ReplaceLast() {
  const PendingEdit edit = std::move(m_pendingEdits.back());
  m_pendingEdits.pop_back();
  const size_t fromPositions = Positions(edit.from, m_bytePositions);
  const ViewState before = SaveView();
  SetDrawing(m_hWnd, false);
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
  SetDrawing(m_hWnd, true);
  RedrawAll(m_hWnd);
}

namespace {
// The message that tells why a file cannot be the view's text, in the operator's words.
UINT RefusalMessageId(tandem::text::ForeignText kind) {
  switch (kind) {
    case tandem::text::ForeignText::kUtf16:
      return FW_IDP_FILE_UTF16;
    case tandem::text::ForeignText::kUtf8:
      return FW_IDP_FILE_UTF8;
    case tandem::text::ForeignText::kNulBytes:
      return FW_IDP_FILE_BINARY;
    case tandem::text::ForeignText::kOtherBytes:
      break;
  }
  return FW_IDP_FILE_NOT_TEXT;
}

bool CanHoldUnchanged(const std::string& text) {
  if (text.empty()) return true;
  if (text.find('\0') != std::string::npos) return false;
  // The control keeps its text as the system converts it from and back to the code page.
  return Narrow(Widen(text)) == text;
}
}  // namespace

bool CEditView::SerializeRaw(CArchive& ar) {
  if (ar.IsStoring()) {
    const std::string text = GetWholeText();  // with every replacement carried out
    return ar.Write(text.data(), static_cast<DWORD>(text.size()));
  }
  const std::uint64_t length = ar.Length();
  if (length > GetLimitText()) {
    CWinApp::Current()->ShowMessage(LoadResString(FW_IDP_FILE_TOO_LARGE).c_str());
    return false;
  }
  std::string text(static_cast<size_t>(length), '\0');
  if (length > 0 && !ar.Read(&text[0], static_cast<DWORD>(length))) return false;
  // What the control would change (a zero byte ends its text, a byte pair outside the code
  // page becomes another character) would be written back changed by the next save.
  if (!CanHoldUnchanged(text)) {
    std::string message = LoadResString(RefusalMessageId(tandem::text::ClassifyForeignText(text)));
    const size_t at = message.find("%1");
    if (at != std::string::npos) message.replace(at, 2, ar.Path());
    CWinApp::Current()->ShowMessage(message.c_str());
    return false;
  }
  SetWholeText(text);
  return true;
}

HWND CEditView::EditTarget() const {
  HWND focus = ::GetFocus();
  char cls[16] = "";
  if (focus && focus != m_hWnd && ::IsChild(::GetParent(m_hWnd), focus) &&
      ::GetClassNameA(focus, cls, sizeof(cls)) && ::lstrcmpiA(cls, "Edit") == 0) {
    return focus;
  }
  return m_hWnd;
}

bool CEditView::OnCmd(UINT id) {
  // Each edit command is one message to the control it acts on.
  static const CommandPair<UINT> kEditCommands[] = {{FW_ID_EDIT_UNDO, EM_UNDO},
                                                    {FW_ID_EDIT_CUT, WM_CUT},
                                                    {FW_ID_EDIT_COPY, WM_COPY},
                                                    {FW_ID_EDIT_PASTE, WM_PASTE}};
  if (const UINT* message = FindCommand(kEditCommands, id)) {
    ::SendMessageA(EditTarget(), *message, 0, 0);
    return true;
  }
  if (id != FW_ID_FILE_PRINT) return false;
  OnFilePrint();
  return true;
}

bool CEditView::OnUpdateCmd(CCmdUI& ui) {
  HWND target = EditTarget();
  DWORD start = 0, end = 0;
  switch (ui.m_nID) {
    case FW_ID_EDIT_UNDO:
      ui.Enable(::SendMessageA(target, EM_CANUNDO, 0, 0) != 0);
      return true;
    case FW_ID_EDIT_CUT:
    case FW_ID_EDIT_COPY:
      ::SendMessageA(target, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
      ui.Enable(start != end);
      return true;
    case FW_ID_EDIT_PASTE:
      ui.Enable(::IsClipboardFormatAvailable(CF_TEXT) != 0);
      return true;
    case FW_ID_FILE_PRINT:
      ui.Enable(true);
      return true;
    default:
      return false;
  }
}

void CEditView::OnFilePrint() {
  PRINTDLGA pd = {};
  pd.lStructSize = sizeof(pd);
  pd.hwndOwner = ::GetParent(m_hWnd);
  pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
  if (!::PrintDlgA(&pd)) return;  // cancelled, or no printer (the dialog has said so)
  HDC dc = pd.hDC;
  bool ok = dc != nullptr;
  if (ok) {
    // The view's font, scaled from screen to printer resolution.
    LOGFONTA lf = {};
    HFONT viewFont = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (viewFont) ::GetObjectA(viewFont, sizeof(lf), &lf);
    HDC screen = ::GetDC(m_hWnd);
    lf.lfHeight = ::MulDiv(lf.lfHeight ? lf.lfHeight : -15, ::GetDeviceCaps(dc, LOGPIXELSY),
                           ::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(m_hWnd, screen);
    HFONT font = ::CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    TEXTMETRICA tm;
    ::GetTextMetricsA(dc, &tm);
    const int lineHeight = tm.tmHeight + tm.tmExternalLeading;
    const int margin = ::GetDeviceCaps(dc, LOGPIXELSX) / 2;  // half an inch
    const int width = ::GetDeviceCaps(dc, HORZRES) - 2 * margin;
    const int bottom = ::GetDeviceCaps(dc, VERTRES) - margin;

    const std::string docName = m_pDocument ? m_pDocument->GetTitle() : std::string();
    DOCINFOA info = {};
    info.cbSize = sizeof(info);
    info.lpszDocName = docName.c_str();
    ok = ::StartDocA(dc, &info) > 0;
    const std::string text = GetWholeText();
    size_t pos = 0;
    bool pageOpen = false;
    int y = 0;
    while (ok && (pos < text.size() || !pageOpen)) {
      if (!pageOpen) {
        ok = ::StartPage(dc) > 0;
        pageOpen = true;
        y = margin;
      }
      // One printed line: up to the line break, or as many characters as fit the width,
      // never splitting a double-byte character.
      size_t end = text.find_first_of("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      size_t fit = pos;
      while (fit < end) {
        const char* next = ::CharNextA(text.c_str() + fit);
        const size_t nextPos = static_cast<size_t>(next - text.c_str());
        SIZE size;
        ::GetTextExtentPoint32A(dc, text.c_str() + pos, static_cast<int>(nextPos - pos), &size);
        if (size.cx > width && fit > pos) break;
        fit = nextPos;
      }
      ::TextOutA(dc, margin, y, text.c_str() + pos, static_cast<int>(fit - pos));
      pos = fit;
      if (pos == end) {
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
      }
      y += lineHeight;
      if (y + lineHeight > bottom || pos >= text.size()) {
        ok = ::EndPage(dc) > 0 && ok;
        pageOpen = false;
        if (pos >= text.size()) break;
      }
    }
    if (ok) {
      ::EndDoc(dc);
    } else {
      ::AbortDoc(dc);
    }
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);
  }
  if (dc) ::DeleteDC(dc);
  if (pd.hDevMode) ::GlobalFree(pd.hDevMode);
  if (pd.hDevNames) ::GlobalFree(pd.hDevNames);
  if (!ok) CWinApp::Current()->ShowMessage(LoadResString(FW_IDP_FAILED_TO_PRINT).c_str());
}

void CEditView::PostNcDestroy() {
  // The frame owns the view object; only the link from the document goes.
  if (m_pDocument && m_pDocument->m_view == this) m_pDocument->m_view = nullptr;
}
