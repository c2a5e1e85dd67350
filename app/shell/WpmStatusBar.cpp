#include "WpmStatusBar.h"

#include <windowsx.h>

LRESULT CWpmStatusBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) {
    const POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT pane;
    const int index = CommandToIndex(m_paneId);
    if (index >= 0 && GetItemRect(index, &pane) && ::PtInRect(&pane, pt)) m_paneClicked = 1;
  }
  return CStatusBar::WindowProc(msg, wParam, lParam);
}
