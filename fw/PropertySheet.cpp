#include "PropertySheet.h"

#include <commctrl.h>
#include <prsht.h>

#include "App.h"
#include "FrameWnd.h"

void CPropertyPage::SetModified(bool changed) {
  HWND sheet = ::GetParent(m_hWnd);
  if (!sheet) return;
  ::SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd),
                 0);
}

bool CPropertyPage::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  (void)msg;
  (void)wParam;
  (void)lParam;
  (void)result;
  return false;
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    return Route(hwnd, msg, wParam, lParam, reinterpret_cast<CPropertyPage*>(sheetPage->lParam));
  }
  auto* page = static_cast<CPropertyPage*>(CWnd::FromHandle(hwnd));
  if (page && msg == WM_NOTIFY) {
    // The sheet and the page's controls notify by sending on this thread. One sent from another
    // thread or process, or posted (the sheet's own modal loop hands posted messages on) with a
    // pointer that leads nowhere or names no window of this thread, is not read further, and the
    // page never sees it: as the frame treats its own.
    NMHDR header;
    if (!CFrameWnd::ReadOwnNotify(lParam, header)) return FALSE;
    // Only the sheet's own notifications; the page's controls notify with other codes.
    if (header.hwndFrom == ::GetParent(hwnd)) {
      LRESULT answer = 0;
      bool handled = true;
      switch (header.code) {
        case PSN_SETACTIVE:
        case PSN_RESET:
          break;
        case PSN_KILLACTIVE:
          answer = page->UpdateData(true) ? FALSE : TRUE;  // a refusal keeps the page
          break;
        case PSN_APPLY:
          answer = page->OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
          break;
        default:
          handled = false;
          break;
      }
      if (handled) {
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, answer);
        return TRUE;
      }
    }
  }
  return Route(hwnd, msg, wParam, lParam, nullptr);
}

INT_PTR CPropertySheet::DoModal() {
  if (m_pages.empty()) return -1;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  std::vector<PROPSHEETPAGEA> pages(m_pages.size());
  for (size_t i = 0; i < m_pages.size(); ++i) {
    PROPSHEETPAGEA& p = pages[i];
    p = PROPSHEETPAGEA{};
    p.dwSize = sizeof(p);
    p.dwFlags = PSP_DEFAULT;  // the template's caption is the tab's title
    p.hInstance = instance;
    p.pszTemplate = MAKEINTRESOURCEA(m_pages[i]->m_templateId);
    p.pfnDlgProc = CPropertyPage::PageProc;
    p.lParam = reinterpret_cast<LPARAM>(m_pages[i]);
  }
  HWND owner = m_owner;
  CWinApp* app = CWinApp::Current();
  if (!owner && app && app->m_pMainWnd) owner = app->m_pMainWnd->m_hWnd;

  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE;
  header.hwndParent = owner;
  header.hInstance = instance;
  header.pszCaption = m_caption.c_str();
  header.nPages = static_cast<UINT>(pages.size());
  header.nStartPage = 0;
  header.ppsp = pages.data();
  CModalScope modal;
  return ::PropertySheetA(&header);
}
