#include "MiniFrameWnd.h"

namespace {
const char kMiniFrameClass[] = "FwMiniFrame";
const DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
const DWORD kExStyle = WS_EX_TOOLWINDOW;
}  // namespace

bool CMiniFrameWnd::Create(HWND owner, const std::string& caption) {
  if (!RegisterFrameworkClass(kMiniFrameClass, CS_DBLCLKS, nullptr,
                              reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
    return false;
  }
  return CreateEx(kExStyle, kMiniFrameClass, caption.c_str(), kStyle, 0, 0, 100, 40, owner,
                  nullptr);
}

void CMiniFrameWnd::FitToBar() {
  RECT bar;
  ::GetWindowRect(m_bar->m_hWnd, &bar);
  RECT outer = {0, 0, bar.right - bar.left, bar.bottom - bar.top};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(m_bar->m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMiniFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      // The caption drags or docks the bar; the frame decides where it goes.
      if (wParam == HTCAPTION && m_bar->OnDragMessage(msg, wParam, lParam)) return 0;
      break;
    case WM_CLOSE:
      if (m_bar->m_dockFrame) m_bar->m_dockFrame->ShowControlBar(m_bar, false, false);
      return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
      // What the bar's controls tell their parent is meant for the frame.
      if (m_bar->m_dockFrame && m_bar->m_dockFrame->m_hWnd) {
        return ::SendMessageA(m_bar->m_dockFrame->m_hWnd, msg, wParam, lParam);
      }
      return 0;
    case WM_NCDESTROY:
      if (m_bar->m_floatWnd == this) m_bar->m_floatWnd = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProc(msg, wParam, lParam);
}

void CMiniFrameWnd::PostNcDestroy() { delete this; }
