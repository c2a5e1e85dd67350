// The status bar of the main frame: a click in the speed pane is remembered, and the frame's
// idle-time update of that pane acts on it.
#pragma once

#include "StatusBar.h"

class CWpmStatusBar : public CStatusBar {
 public:
  int m_paneClicked = 0;  // 1 after a left click inside the pane m_paneId
  UINT m_paneId = 0;

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
