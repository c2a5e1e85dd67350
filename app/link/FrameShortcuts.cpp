// The main window's own keyboard and mouse shortcuts: every keyboard message and right-button
// release bound for a window of the frame passes here before it is translated and dispatched.
#include "FrameLinkActions.h"
#include "MainFrame.h"
#include "Shortcuts.h"
#include "TandemView.h"
#include "resource.h"

namespace {

bool IsShortcutMessage(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_RBUTTONUP:
      return true;
    default:
      return false;
  }
}

bool Down(int vk) { return (::GetKeyState(vk) & 0x8000) != 0; }

}  // namespace

bool CMainFrame::PreTranslateMessage(MSG* msg) {
  if (!IsShortcutMessage(msg->message)) return CFrameWnd::PreTranslateMessage(msg);

  tandem::link::WindowMessage wm;
  wm.message = msg->message;
  wm.code = static_cast<unsigned>(msg->wParam);
  wm.modifiers.shift = Down(VK_SHIFT);
  wm.modifiers.ctrl = Down(VK_CONTROL);
  wm.modifiers.alt = Down(VK_MENU);
  HWND focus = ::GetFocus();
  CTandemHLView* view = GetLogView();
  wm.focusIsCwTextEdit = focus != nullptr && focus == m_wndCwBar.GetItem(IDC_SEND_TEXT);
  wm.focusIsLogView = focus != nullptr && view != nullptr && focus == view->m_hWnd;
  wm.sendQueueEmpty = m_sendQueue.empty();
  wm.cqRepeat = m_cqRepeat != 0;
  if (msg->message == WM_RBUTTONUP) {
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    tandem::link::FnButtonRects rects;
    for (int i = 0; i < tandem::link::kFnButtonCount; ++i) {
      RECT r = {};
      HWND button = m_wndFnBar.GetItem(IDC_FN_FIRST + i);
      // A button of a hidden bar is not where the pointer is, whatever its rectangle says.
      if (button != nullptr && ::IsWindowVisible(button) && ::GetWindowRect(button, &r)) {
        rects[static_cast<std::size_t>(i)] = {r.left, r.top, r.right, r.bottom};
      }
    }
    wm.buttonUnderCursor = tandem::link::FnButtonAt(cursor.x, cursor.y, rects);
  }

  const tandem::link::ShortcutDecision d = tandem::link::DecideShortcut(wm);
  CarryOutLinkAction(*this, d.keyAction);
  if (d.cancelForTyping) CancelSending();
  if (d.typeAhead) TypeAheadChar(static_cast<char>(msg->wParam));
  if (d.caretToEnd && view != nullptr) view->MoveCaretToEnd();
  if (d.zeroWParam) msg->wParam = 0;
  if (d.consume) return true;
  return CFrameWnd::PreTranslateMessage(msg);
}
