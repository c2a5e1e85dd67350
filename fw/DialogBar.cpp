#include "DialogBar.h"

namespace {

// Idle-time state of one control of the bar. Only handlers that exist change anything: a bar
// control without an update handler keeps its state.
class CControlCmdUI : public CCmdUI {
 public:
  CControlCmdUI(UINT id, HWND control) : CCmdUI(id), m_control(control) {}
  void Enable(bool on) override { ::EnableWindow(m_control, on); }
  void SetCheck(int check) override { ::SendMessageA(m_control, BM_SETCHECK, check, 0); }
  void SetText(const char* text) override {
    // Rewriting an unchanged text would make the control flicker at every idle update.
    char current[256];
    ::GetWindowTextA(m_control, current, sizeof(current));
    if (::lstrcmpA(current, text) != 0) ::SetWindowTextA(m_control, text);
  }

 private:
  HWND m_control;
};

}  // namespace

bool CDialogBar::Create(CFrameWnd* frame, UINT templateId, DWORD style, UINT id) {
  m_frame = frame;
  HWND hwnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                   frame->m_hWnd, DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd) return false;
  ::SetWindowLongPtrA(hwnd, GWLP_ID, static_cast<LONG_PTR>(id));
  m_barId = id;
  m_barStyle = style;
  m_dock = (style & CBRS_ALIGN_BOTTOM) && !(style & CBRS_ALIGN_TOP) ? DockBottom : DockTop;
  m_height = WindowSize().cy;
  ::ShowWindow(hwnd, (style & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);
  frame->AddControlBar(this);
  return true;
}

SIZE CDialogBar::FloatingSize() const { return SIZE{WindowSize().cx, m_height}; }

void CDialogBar::OnUpdateUI(CFrameWnd* frame) {
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const int id = ::GetDlgCtrlID(child);
    if (id <= 0) continue;
    CControlCmdUI ui(static_cast<UINT>(id), child);
    frame->RouteUpdate(ui);
  }
}

INT_PTR CALLBACK CDialogBar::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* bar = static_cast<CDialogBar*>(CWnd::FromHandle(hwnd));
  switch (msg) {
    case WM_INITDIALOG:
      bar = reinterpret_cast<CDialogBar*>(lParam);
      bar->Attach(hwnd);
      return FALSE;  // a bar never takes the focus by itself
    case WM_COMMAND:
      // The frame carries out the bar's commands, as if they came from its own menu.
      if (bar && bar->m_frame) ::SendMessageA(bar->m_frame->m_hWnd, WM_COMMAND, wParam, lParam);
      return TRUE;
    case WM_NOTIFY: {
      NMHDR checked;
      if (bar && bar->m_frame && CFrameWnd::ReadOwnNotify(lParam, checked)) {
        const LRESULT result = ::SendMessageA(bar->m_frame->m_hWnd, WM_NOTIFY, wParam, lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
        return TRUE;
      }
      return FALSE;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      // Only the bar's background gets these (its controls take their own clicks).
      return bar && bar->OnDragMessage(msg, wParam, lParam) ? TRUE : FALSE;
    case WM_NCDESTROY:
      if (bar) bar->Detach();
      return FALSE;
    default:
      return FALSE;
  }
}
