// A slider (trackbar) control of a dialog, attached by its id.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CSliderCtrl {
 public:
  void Attach(HWND control) { m_hWnd = control; }
  void SetRange(int low, int high, bool redraw = false) {
    ::SendMessageA(m_hWnd, TBM_SETRANGE, redraw, MAKELPARAM(low, high));
  }
  int GetPos() const { return static_cast<int>(::SendMessageA(m_hWnd, TBM_GETPOS, 0, 0)); }
  void SetPos(int pos, bool redraw = true) { ::SendMessageA(m_hWnd, TBM_SETPOS, redraw, pos); }
  // Jump of a click in the channel and of Page Up/Down.
  void SetPageSize(int size) { ::SendMessageA(m_hWnd, TBM_SETPAGESIZE, 0, size); }
  // Jump of the arrow keys.
  void SetLineSize(int size) { ::SendMessageA(m_hWnd, TBM_SETLINESIZE, 0, size); }

  HWND m_hWnd = nullptr;
};
