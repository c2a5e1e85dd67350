// The main frame's window procedure: the messages that the keying interface library, the
// frame's timers and the logger watch bring, ahead of the framework's handling.
#include "CwFrameIds.h"
#include "KeyerConstants.h"
#include "LinkConstants.h"
#include "MainFrame.h"

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  // The keyer report is a registered message, so it cannot be a case label; 0 is never one.
  if (m_keyerMsg != 0 && msg == m_keyerMsg) {
    OnKeyerReport(wParam, lParam);
    return CFrameWnd::WindowProc(msg, wParam, lParam);
  }
  switch (msg) {
    case WM_TIMER:
      if (wParam == tandem::cw::kCqRepeatTimer) {
        OnCqRepeatTimer();
      } else if (wParam == tandem::keyer::kCqMachineTimer) {
        OnCqMachineTimer();
      } else if (wParam == tandem::link::kLoggerWatchTimer) {
        OnLoggerWatchTimer();
      }
      return CFrameWnd::WindowProc(msg, wParam, lParam);
    case WM_COPYDATA:  // the entry record, or the CQ machine's start notice
      return OnCopyData(reinterpret_cast<HWND>(wParam),
                        reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case tandem::link::kMsgOtherBitnessNotice:
      OnOtherBitnessNotice();
      return 0;
    default:
      return CFrameWnd::WindowProc(msg, wParam, lParam);
  }
}
