#include "Dialog.h"

#include "App.h"
#include "DataExchange.h"
#include "FrameWnd.h"

INT_PTR CDialog::DoModal() {
  CWinApp* app = CWinApp::Current();
  HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
  CModalScope modal;
  return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::UpdateData(bool save) {
  CDataExchange dx(m_hWnd, save);
  DoDataExchange(dx);
  return !dx.Failed();
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

bool CDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  (void)lParam;
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDOK) {
      OnOK();
      result = TRUE;
      return true;
    }
    if (LOWORD(wParam) == IDCANCEL) {
      OnCancel();
      result = TRUE;
      return true;
    }
  }
  return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Route(hwnd, msg, wParam, lParam, reinterpret_cast<CDialog*>(lParam));
}

INT_PTR CDialog::Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, CDialog* created) {
  auto* dialog = static_cast<CDialog*>(CWnd::FromHandle(hwnd));
  if (msg == WM_INITDIALOG) {
    created->Attach(hwnd);
    return created->OnInitDialog() ? TRUE : FALSE;
  }
  if (!dialog) return FALSE;
  if (msg == WM_NCDESTROY) {
    dialog->Detach();
    return FALSE;
  }
  INT_PTR result = FALSE;
  if (dialog->OnMessage(msg, wParam, lParam, result)) return result;
  return FALSE;
}
