#include "TandemView.h"

#include <cstring>

namespace {

// The view's own timer, apart from the ones of the control and of CReplacingEditView: showing
// cuts that had to wait for the control to hold the whole text.
constexpr UINT_PTR kShowCutsTimer = 0x7E11;
constexpr UINT kShowCutsRetryMs = 50;

// "ＭＳ ゴシック" (MS Gothic) in CP932
const char kLogFontFace[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";
const int kLogFontHeight = -15;  // character height of 15 pixels

// Wine's control hands the word-break procedure its text as bytes but `at` and the answer as
// positions, which it counts in characters; Windows' ANSI control counts all of them in bytes.
// Set when the log view is created, from what its control was found to count.
bool g_breakAtCharacters = false;

// Byte offset of character `chars` of text[0, count), and the character of byte offset `byte`.
int ByteOfChar(LPCSTR text, int count, int chars) {
  int byte = 0;
  for (; chars > 0 && byte < count; --chars) {
    byte += ::IsDBCSLeadByte(static_cast<BYTE>(text[byte])) && byte + 1 < count ? 2 : 1;
  }
  return byte;
}

int CharOfByte(LPCSTR text, int count, int byte) {
  int chars = 0;
  for (int at = 0; at < byte && at < count; ++chars) {
    at += ::IsDBCSLeadByte(static_cast<BYTE>(text[at])) && at + 1 < count ? 2 : 1;
  }
  return chars;
}

// Where the log's lines wrap and where the caret moves word by word: words are separated by
// spaces, as the program writes the log; a line with no space that fits is broken where the
// width ends. The control's own rule classifies every character of the whole text again after
// each change, which costs a long log (one paragraph) tens of milliseconds per append; this one
// looks only at the characters around `at`.
int CALLBACK LogWordBreak(LPSTR text, int at, int count, int code) {
  if (!text || count <= 0) return 0;
  if (g_breakAtCharacters) at = ByteOfChar(text, count, at < 0 ? 0 : at);
  at = at < 0 ? 0 : (at > count ? count : at);
  const auto space = [text](int i) { return text[i] == ' ' || text[i] == '\t'; };
  const auto answer = [&](int byte) { return g_breakAtCharacters ? CharOfByte(text, count, byte) : byte; };
  switch (code) {
    case WB_ISDELIMITER:
      return at < count && space(at) ? TRUE : FALSE;
    case WB_LEFT:
      // The start of the word before `at`.
      if (at > 0) --at;
      while (at > 0 && space(at)) --at;
      while (at > 0 && !space(at - 1)) --at;
      return answer(at);
    case WB_RIGHT:
      // The start of the next word.
      while (at < count && !space(at)) ++at;
      while (at < count && space(at)) ++at;
      return answer(at);
    default:
      return 0;
  }
}
}  // namespace

bool CTandemHLView::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!CReplacingEditView::PreCreateWindow(cs)) return false;
  // Long lines wrap at the right edge instead of scrolling sideways.
  cs.style &= ~static_cast<LONG>(ES_AUTOHSCROLL | WS_HSCROLL);
  return true;
}

int CTandemHLView::OnCreate() {
  if (CReplacingEditView::OnCreate() == -1) return -1;
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof(lf));
  lf.lfHeight = kLogFontHeight;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  static_assert(sizeof(kLogFontFace) <= sizeof(lf.lfFaceName), "face name fits");
  std::memcpy(lf.lfFaceName, kLogFontFace, sizeof(kLogFontFace));
  if (!m_font.CreateFontIndirect(lf)) return -1;
  Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), TRUE);
  g_breakAtCharacters = !PositionsCountBytes();
  Send(EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(&LogWordBreak));
  return 0;
}

void CTandemHLView::OnInitialUpdate() {
  CReplacingEditView::OnInitialUpdate();
  // Letters typed into the log appear in upper case, as they are keyed.
  ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | ES_UPPERCASE);
}

LRESULT CTandemHLView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == kShowCutsTimer) {
        ShowCuts();
        return 0;
      }
      break;
    case WM_CHAR:
    case WM_IME_CHAR:
      if (m_tail.Active() || m_typedSpan != 0) {
        // Keyboard sending types at the end of the log (the frame's shortcuts move the caret
        // there first); what a character does there is followed.
        const bool atEnd = CaretAtEnd();
        const LRESULT result = CReplacingEditView::WindowProc(msg, wParam, lParam);
        if (atEnd) {
          FollowTyping(msg, wParam);
        } else {
          m_typedSpan = 0;
          m_typedLead = 0;
        }
        return result;
      }
      break;
    case WM_SETTEXT:
      // A text put in as a whole (a new or opened log, or the clearing key): nothing of the old
      // one is followed any more.
      m_tail.Reset();
      m_typedSpan = 0;
      m_typedLead = 0;
      if (m_hWnd) ::KillTimer(m_hWnd, kShowCutsTimer);
      break;
    default:
      break;
  }
  return CReplacingEditView::WindowProc(msg, wParam, lParam);
}

void CTandemHLView::AppendToLog(const char* text) {
  AppendAtEnd(text);
  if (m_tail.Active()) m_tail.Append(AsStored(text));
}

void CTandemHLView::AppendToLog(const std::string& text, std::size_t spanFrom, int spanId) {
  AppendAtEnd(text.c_str());
  if (m_tail.Active() || spanId != 0) m_tail.Append(AsStored(text), spanId, spanFrom);
}

void CTandemHLView::ReplaceEverywhere(const std::string& from, const std::string& to) {
  CReplacingEditView::ReplaceEverywhere(from, to);
  if (m_tail.Active()) m_tail.Replace(from, AsStored(to));
}

void CTandemHLView::FollowTyping(UINT msg, WPARAM wParam) {
  const int span = m_typedSpan;
  if (msg == WM_IME_CHAR) {
    // A double-byte character has its first byte in the high byte.
    std::string typed;
    if (const char lead = static_cast<char>((wParam >> 8) & 0xFF)) typed.push_back(lead);
    typed.push_back(static_cast<char>(wParam & 0xFF));
    m_tail.Append(AsStored(typed), span);
    m_typedSpan = 0;
    return;
  }
  const char c = static_cast<char>(wParam & 0xFF);
  if (m_typedLead != 0) {
    const char both[] = {m_typedLead, c};
    m_typedLead = 0;
    m_tail.Append(AsStored(std::string(both, 2)), span);
  } else if (::IsDBCSLeadByte(static_cast<BYTE>(c))) {
    m_typedLead = c;  // the control shows the character with its second byte
    return;
  } else if (c == '\b') {
    m_tail.Backspace();
  } else if (c == '\r') {
    m_tail.Append("\r\n");
  } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) {
    m_tail.Append(AsStored(std::string(1, c)), span);
  }
  m_typedSpan = 0;
}

void CTandemHLView::ShowCuts() {
  if (!m_hWnd || !m_tail.CutsWaiting()) {
    if (m_hWnd) ::KillTimer(m_hWnd, kShowCutsTimer);
    return;
  }
  // Replacements still waiting would change the text after it was read, and part of it may not
  // be in the control yet.
  if (PendingReplacements() != 0) {
    ::SetTimer(m_hWnd, kShowCutsTimer, kShowCutsRetryMs, nullptr);
    return;
  }
  ::KillTimer(m_hWnd, kShowCutsTimer);
  const std::string text = GetText();
  const std::string& tail = m_tail.Text();
  if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail) != 0) {
    // Edited in a way the view did not follow: what is shown stays as it is.
    m_tail.Reset();
    return;
  }
  const std::size_t tailStart = text.size() - tail.size();
  const std::size_t total = ControlLength();
  const std::size_t tailPosition = total - PositionsIn(text, tailStart, text.size());
  DWORD selStart = 0;
  DWORD selEnd = 0;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
  const LRESULT firstLine = Send(EM_GETFIRSTVISIBLELINE);
  const bool caretAtEnd = selStart == selEnd && selEnd >= total;
  std::size_t firstEdit = total;
  // The last first: each edit leaves the text before it as it was.
  for (const tandem::cw::LogTail::Edit& edit : m_tail.TakeCuts()) {
    const std::size_t at = tailStart + edit.at;
    const std::size_t from = tailPosition + PositionsIn(text, tailStart, at);
    const std::size_t to = from + PositionsIn(text, at, at + edit.length);
    Send(EM_SETSEL, from, static_cast<LPARAM>(to));
    Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(edit.text.c_str()));
    firstEdit = from;
  }
  if (!caretAtEnd && selEnd <= firstEdit) {
    // The operator's selection lies before what changed: it stays, and so does the view.
    Send(EM_SETSEL, selStart, static_cast<LPARAM>(selEnd));
    Send(EM_LINESCROLL, 0, firstLine - Send(EM_GETFIRSTVISIBLELINE));
  } else {
    MoveCaretToEnd();
  }
}

bool CTandemHLView::CaretAtEnd() const {
  DWORD start = 0;
  DWORD end = 0;
  Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == end && end >= ControlLength();
}
