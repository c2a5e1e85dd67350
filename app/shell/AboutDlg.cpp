#include "AboutDlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::OnInitDialog() {
  HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
  if (owner) {
    RECT over, box;
    ::GetWindowRect(owner, &over);
    ::GetWindowRect(m_hWnd, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    int x = over.left + (over.right - over.left - width) / 2;
    int y = over.top + (over.bottom - over.top - height) / 2;
    // Kept on the screen that holds the main window.
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoA(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
      const RECT& work = monitor.rcWork;
      if (x + width > work.right) x = work.right - width;
      if (y + height > work.bottom) y = work.bottom - height;
      if (x < work.left) x = work.left;
      if (y < work.top) y = work.top;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return CDialog::OnInitDialog();
}
