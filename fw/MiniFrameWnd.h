// The small tool window that holds a floating control bar: its caption is the bar's, its
// close box hides the bar, a double click on the caption docks the bar again, and dragging
// the caption moves it (or docks it, when dropped at an edge of the frame).
#pragma once

#include "FrameWnd.h"

class CMiniFrameWnd : public CWnd {
 public:
  explicit CMiniFrameWnd(CControlBar* bar) : m_bar(bar) {}
  // Creates the (hidden) window, owned by `owner`, with the bar's text as caption.
  bool Create(HWND owner, const std::string& caption);
  // Sizes the window so that its client area is exactly the bar's window.
  void FitToBar();
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  // The window owns itself: it goes when the bar docks again or the frame goes.
  void PostNcDestroy() override;

 private:
  CControlBar* m_bar;
};
