// The tool bar: the system's tool-bar control, buttons loaded from a tool-bar resource (button
// size and command ids) and a bitmap of the same id. Docked along the left or right edge its
// buttons form a column.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "FrameWnd.h"

class CToolBar : public CControlBar {
 public:
  // `controlStyle`: tool-bar styles (flat, tool tips); `style`: WS_VISIBLE and bar styles.
  bool CreateEx(CFrameWnd* frame, DWORD controlStyle, DWORD style, UINT id = 59392);
  bool LoadToolBar(UINT resourceId);
  int ButtonCount() const { return static_cast<int>(Send(TB_BUTTONCOUNT)); }
  int FixedHeight() const override;
  int FixedWidth() const override;
  SIZE FloatingSize() const override;
  void SetHorizontal(bool horizontal) override;
  void OnUpdateUI(CFrameWnd* frame) override;
};
