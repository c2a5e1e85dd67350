// A dialog bar: a child dialog made from a dialog template and docked like a bar. Clicks and
// notifications of its controls go to the frame; at idle time the frame's update handlers may
// set the text and state of its controls. Its background is the handle for dragging it.
#pragma once

#include "FrameWnd.h"

class CDialogBar : public CControlBar {
 public:
  // `style`: WS_VISIBLE and the bar's alignment (CBRS_ALIGN_TOP or CBRS_ALIGN_BOTTOM).
  bool Create(CFrameWnd* frame, UINT templateId, DWORD style, UINT id);
  void OnUpdateUI(CFrameWnd* frame) override;
  int FixedHeight() const override { return m_height; }
  // Floating, the bar keeps the height of its template and its present width.
  SIZE FloatingSize() const override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  CFrameWnd* m_frame = nullptr;
  int m_height = 0;
};
