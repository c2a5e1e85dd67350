#include "FrameLinkActions.h"

#include "MainFrame.h"
#include "TandemView.h"

using tandem::link::LinkAction;

namespace {

// A null message left in the frame's queue makes the message loop run its idle-time updates, so
// the speed shows at once in the status bar and the CW bar.
void PostNull(const CMainFrame& frame) { ::PostMessageA(frame.m_hWnd, WM_NULL, 0, 0); }

}  // namespace

void CarryOutLinkAction(CMainFrame& frame, const tandem::link::KeyAction& action) {
  switch (action.action) {
    case LinkAction::kNone:
      break;
    case LinkAction::kFnKey:
      frame.OnFnKey(action.buttonId);
      break;
    case LinkAction::kSendFnMessage:
      frame.SendFnMessage(action.buttonId, false);
      break;
    case LinkAction::kCancelSending:
      frame.CancelSending();
      // Esc also lets go of a PTT held for the CQ machine.
      frame.ReleaseCqMachinePtt();
      break;
    case LinkAction::kSpeedUpPostNull:
      frame.StepWpm(true);
      PostNull(frame);
      break;
    case LinkAction::kSpeedDownPostNull:
      frame.StepWpm(false);
      PostNull(frame);
      break;
    case LinkAction::kSpeedUp:
      frame.StepWpm(true);
      break;
    case LinkAction::kSpeedDown:
      frame.StepWpm(false);
      break;
    case LinkAction::kPostNullOnly:
      PostNull(frame);
      break;
    case LinkAction::kSwitchBank:
      frame.SwitchBank();
      break;
    case LinkAction::kStartCqRepeat:
      frame.StartCqRepeat();
      break;
    case LinkAction::kFnEight:
      frame.SetFnTwelve(false);
      break;
    case LinkAction::kFnTwelve:
      frame.SetFnTwelve(true);
      break;
    case LinkAction::kSendButton:
      frame.OnSendButton();
      break;
    case LinkAction::kClearLog:
      if (CTandemHLView* view = frame.GetLogView()) view->ClearLog();
      break;
    case LinkAction::kToggleKana:
      frame.ToggleKana();
      break;
    case LinkAction::kDropLastQueued:
      frame.DropLastQueued();
      break;
    case LinkAction::kEditFnButton:
      frame.EditFnMessage(action.buttonId);
      break;
  }
}
