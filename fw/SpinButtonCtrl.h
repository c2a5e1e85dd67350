// An up-down (spin) control, and its position-changing notification as the owner receives it.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CSpinButtonCtrl {
 public:
  void Attach(HWND control) { m_hWnd = control; }
  void SetRange(int low, int high) { ::SendMessageA(m_hWnd, UDM_SETRANGE32, low, high); }
  int GetPos() const { return static_cast<int>(::SendMessageA(m_hWnd, UDM_GETPOS32, 0, 0)); }

  // The step of a UDN_DELTAPOS notification (negative for the upper arrow of a control with the
  // usual range), or false when `header` is no such notification from `control`.
  static bool DeltaOf(const NMHDR* header, HWND control, int& delta) {
    if (!header || !control || header->hwndFrom != control ||
        header->code != static_cast<UINT>(UDN_DELTAPOS)) {
      return false;
    }
    delta = reinterpret_cast<const NMUPDOWN*>(header)->iDelta;
    return true;
  }

  HWND m_hWnd = nullptr;
};
