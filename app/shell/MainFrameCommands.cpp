// The main frame's menu commands and their check marks, the eight/twelve key switch and the
// bank switch.
#include "MainFrame.h"

#include <shellapi.h>

#include <cstdio>

#include "LoggerWindows.h"
#include "ShellConstants.h"
#include "SpinButtonCtrl.h"
#include "resource.h"

namespace {
bool Shown(const CWnd& wnd) {
  return wnd.m_hWnd && (::GetWindowLongA(wnd.m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}
}  // namespace

bool CMainFrame::OnCmd(UINT id) {
  switch (id) {
    case ID_VIEW_FNBAR:
      ShowControlBar(&m_wndFnBar, !Shown(m_wndFnBar), false);
      return true;
    case ID_VIEW_CWBAR:
      ShowControlBar(&m_wndCwBar, !Shown(m_wndCwBar), false);
      return true;
    case ID_VIEW_TOPMOST:
      ToggleTopmost();
      return true;
    case ID_VIEW_FN8:
      SetFnTwelve(false);
      return true;
    case ID_VIEW_FN12:
      SetFnTwelve(true);
      return true;
    case ID_VIEW_BANK:
      SwitchBank();
      return true;
    case ID_HELP_MANUAL:
      ShowManual();
      return true;
    case ID_EDIT_KANA:
      ToggleKana();
      return true;
    case IDC_SEND_BUTTON:
      OnSendButton();
      return true;
    case ID_TOOLS_OPTIONS:
    case IDC_OPTIONS_BUTTON:
      OnOptions();
      return true;
    default:
      if (id >= IDC_FN_FIRST && id <= IDC_FN_LAST) {
        // The function-key buttons, F1..F12 in id order.
        static void (CMainFrame::*const kFnHandlers[])() = {
            &CMainFrame::OnFn01, &CMainFrame::OnFn02, &CMainFrame::OnFn03, &CMainFrame::OnFn04,
            &CMainFrame::OnFn05, &CMainFrame::OnFn06, &CMainFrame::OnFn07, &CMainFrame::OnFn08,
            &CMainFrame::OnFn09, &CMainFrame::OnFn10, &CMainFrame::OnFn11, &CMainFrame::OnFn12};
        (this->*kFnHandlers[id - IDC_FN_FIRST])();
        return true;
      }
      return CFrameWnd::OnCmd(id);
  }
}

bool CMainFrame::OnUpdateCmd(CCmdUI& ui) {
  switch (ui.m_nID) {
    case ID_VIEW_FNBAR:
      ui.Enable(true);
      ui.SetCheck(Shown(m_wndFnBar) ? 1 : 0);
      return true;
    case ID_VIEW_CWBAR:
      ui.Enable(true);
      ui.SetCheck(Shown(m_wndCwBar) ? 1 : 0);
      return true;
    case ID_VIEW_TOPMOST:
      ui.Enable(true);
      ui.SetCheck((::GetWindowLongA(m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
      return true;
    case ID_VIEW_FN8:
      ui.Enable(true);
      ui.SetCheck(m_fn12 == 0 ? 1 : 0);
      return true;
    case ID_VIEW_FN12:
      ui.Enable(true);
      ui.SetCheck(m_fn12 == 1 ? 1 : 0);
      return true;
    case ID_VIEW_BANK:
    case ID_HELP_MANUAL:
    case ID_TOOLS_OPTIONS:
      ui.Enable(true);
      return true;
    case ID_EDIT_KANA:
      // Checked while the kana lock is on (the kana key's toggle bit).
      ui.Enable(true);
      ui.SetCheck((::GetKeyState(VK_KANA) & 1) ? 1 : 0);
      return true;
    case ID_INDICATOR_WPM:
      OnUpdateWpmPane(ui);
      return true;
    case ID_INDICATOR_LINK:
      OnUpdateLinkPane(ui);
      return true;
    case IDC_WPM_FIELD: {
      char text[16];
      std::snprintf(text, sizeof(text), "%d", m_wpm);
      ui.SetText(text);
      return true;
    }
    default:
      return CFrameWnd::OnUpdateCmd(ui);
  }
}

bool CMainFrame::OnNotify(NMHDR* header, LRESULT* result) {
  int delta = 0;
  // Only the CW bar's own spin control, whatever id a notification claims.
  if (!CSpinButtonCtrl::DeltaOf(header, m_wndCwBar.GetItem(IDC_WPM_SPIN), delta)) {
    return CFrameWnd::OnNotify(header, result);
  }
  // The upper arrow steps down the control's position, so a negative step means faster. The
  // control may move its own position as it likes: nothing reads it.
  if (delta < 0) {
    StepWpm(true);
  } else if (delta > 0) {
    StepWpm(false);
  }
  *result = 0;
  return true;
}

void CMainFrame::SetFnTwelve(bool twelve) {
  if (twelve && m_fn12 == 0) {
    m_fn12 = 1;
    LayoutFnButtons(1 - m_bankA, 12);
  } else if (!twelve && m_fn12 == 1) {
    m_fn12 = 0;
    LayoutFnButtons(1 - m_bankA, 8);
  }
}

void CMainFrame::SwitchBank() {
  m_bankA = 1 - m_bankA;
  LayoutFnButtons(1 - m_bankA, m_fn12 ? 12 : 8);
  MirrorBankToLogger();
}

void CMainFrame::MirrorBankToLogger() {
  // Only once a logger has reported: before that no other program's window is touched.
  if (!m_loggerWnd) return;
  HWND box = nullptr;
  switch (m_followLogger) {
    case tandem::kFollowTurboHamlog:
      // Its records name the logger's main form; the box is in its input window.
      box = tandem::link::HamlogBankBox(m_loggerWnd);
      break;
    case tandem::kFollowLogger32:
      return;  // no bank box: Tandem's own choice is the bank
    default:
      box = tandem::link::N1mmBankBox(m_loggerWnd);
      break;
  }
  if (!box) return;
  // Posted, not sent: a busy logger applies it when it gets to it, and Tandem never waits for
  // another program's thread. The control's own window takes what its parent would have
  // forwarded to it by its control id.
  ::PostMessageA(box, BM_SETCHECK, m_bankA == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CMainFrame::ShowManual() {
  // Nothing is reported when the editor cannot be started.
  ::ShellExecuteA(m_hWnd, "open", shell::kManualEditor, shell::kManualFile, nullptr,
                  SW_SHOWNORMAL);
}
