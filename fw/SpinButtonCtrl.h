// The position-changing notification of an up-down (spin) control, as the owner receives it.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CSpinButtonCtrl {
 public:
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
};
