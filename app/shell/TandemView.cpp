#include "TandemView.h"

#include <cstring>

namespace {
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
  if (!CEditView::PreCreateWindow(cs)) return false;
  // Long lines wrap at the right edge instead of scrolling sideways.
  cs.style &= ~static_cast<LONG>(ES_AUTOHSCROLL | WS_HSCROLL);
  return true;
}

int CTandemHLView::OnCreate() {
  if (CEditView::OnCreate() == -1) return -1;
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof(lf));
  lf.lfHeight = kLogFontHeight;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  static_assert(sizeof(kLogFontFace) <= sizeof(lf.lfFaceName), "face name fits");
  std::memcpy(lf.lfFaceName, kLogFontFace, sizeof(kLogFontFace));
  if (!m_font.CreateFontIndirect(lf)) return -1;
  Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_font.m_hFont), TRUE);
  g_breakAtCharacters = !PositionsCountBytes();
  Send(EM_SETWORDBREAKPROC, 0, reinterpret_cast<LPARAM>(&LogWordBreak));
  return 0;
}

void CTandemHLView::OnInitialUpdate() {
  CEditView::OnInitialUpdate();
  // Letters typed into the log appear in upper case, as they are keyed.
  ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | ES_UPPERCASE);
}
