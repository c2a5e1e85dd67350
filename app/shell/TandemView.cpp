#include "TandemView.h"

#include <cstring>

namespace {
// "ＭＳ ゴシック" (MS Gothic) in CP932
const char kLogFontFace[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";
const int kLogFontHeight = -15;  // character height of 15 pixels
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
  return 0;
}

void CTandemHLView::OnInitialUpdate() {
  CEditView::OnInitialUpdate();
  // Letters typed into the log appear in upper case, as they are keyed.
  ::SetWindowLongA(m_hWnd, GWL_STYLE, ::GetWindowLongA(m_hWnd, GWL_STYLE) | ES_UPPERCASE);
}
