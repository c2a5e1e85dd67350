#include "WpmDlg.h"

#include <windowsx.h>

#include <cstdio>

#include "DataExchange.h"
#include "MainFrame.h"
#include "OptionsIds.h"

namespace {
// Slider positions: 0 at the top (50 WPM) to 45 at the bottom (5 WPM).
constexpr int kTopSpeed = 50;
constexpr int kLastPosition = 45;
// The dialog's top-left corner relative to the pointer.
constexpr int kOffsetX = 50;
constexpr int kOffsetY = 100;
}  // namespace

CWpmDlg::CWpmDlg(CMainFrame& frame) : CDialog(IDD_WPMDLG), m_frame(frame) {}

void CWpmDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Slider(dx, IDC_WPMDLG_SLIDER, m_pos);
  DDX_Text(dx, IDC_WPMDLG_LABEL, m_text);
}

bool CWpmDlg::OnInitDialog() {
  m_slider.Attach(GetItem(IDC_WPMDLG_SLIDER));
  CDialog::OnInitDialog();
  m_slider.SetRange(0, kLastPosition, true);
  m_slider.SetPos(kTopSpeed - m_frame.GetWpm(), true);
  // A speed outside 5..50 has been clamped by the slider.
  const int pos = m_slider.GetPos();
  m_slider.SetPageSize(1);
  m_slider.SetLineSize(1);
  ShowSpeed(pos);
  POINT pointer = {0, 0};
  ::GetCursorPos(&pointer);
  ::SetWindowPos(m_hWnd, HWND_TOP, pointer.x - kOffsetX, pointer.y - kOffsetY, 0, 0, SWP_NOSIZE);
  return true;
}

void CWpmDlg::ShowSpeed(int pos) {
  char text[16];
  std::snprintf(text, sizeof(text), "%d", kTopSpeed - pos);
  m_text = text;
  ::SetDlgItemTextA(m_hWnd, IDC_WPMDLG_LABEL, m_text.c_str());
}

void CWpmDlg::OnVScroll() {
  const int pos = m_slider.GetPos();
  ShowSpeed(pos);
  // The keying speed follows the slider while it moves.
  m_frame.ApplyWpm(kTopSpeed - pos);
}

void CWpmDlg::OnLButtonDown(POINT pt) {
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  if (::PtInRect(&client, pt)) OnOK();
}

bool CWpmDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  switch (msg) {
    case WM_VSCROLL:
      if (reinterpret_cast<HWND>(lParam) == m_slider.m_hWnd) OnVScroll();
      return false;  // the default handling follows
    case WM_LBUTTONDOWN:
      OnLButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return false;
    default:
      return CDialog::OnMessage(msg, wParam, lParam, result);
  }
}
