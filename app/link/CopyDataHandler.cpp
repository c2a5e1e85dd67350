// The entry-record handler: every record the hook library sends arrives here as WM_COPYDATA while
// the logger's thread waits, so nothing here waits for the logger.
#include "FrameLinkActions.h"
#include "KeyActions.h"
#include "MainFrame.h"

namespace {

// The handler's memory between records, one for the whole program: the last call seen and the
// bank as the previous record left it.
tandem::link::RecordMemory g_recordMemory;

constexpr int kCqRepeatButton = 1000;  // Bank-A F1

}  // namespace

LRESULT CMainFrame::OnCopyData(HWND, const COPYDATASTRUCT* data) {
  if (data == nullptr) return 0;
  const tandem::link::RecordPlan plan =
      tandem::link::PlanCopyData(data->lpData, data->cbData, g_recordMemory, m_cqRepeat != 0, m_zLogKey);
  switch (plan.kind) {
    case tandem::link::RecordKind::kIgnored:
      return 0;
    case tandem::link::RecordKind::kCqMachineNotice:
      OnCqMachineNotice();
      return 0;
    case tandem::link::RecordKind::kEntryRecord:
      break;
  }

  m_loggerWnd = reinterpret_cast<HWND>(data->dwData);
  // The fields first, so that an action of this same record expands the new values.
  m_call = plan.record.call;
  m_report = plan.record.report;
  m_mode = plan.record.mode;
  m_exch = plan.record.exchange;
  if (plan.cancelForCall) CancelSending();
  CarryOutLinkAction(*this, plan.keyAction);
  // The bank follows the logger's check control.
  m_bankA = plan.bankA ? 1 : 0;
  if (plan.relayoutBank) LayoutFnButtons(1 - m_bankA, m_fn12 ? 12 : 8);
  return 0;
}

void CMainFrame::StartCqRepeat() {
  LayoutFnButtons(0, m_fn12 ? 12 : 8);
  SendFnMessage(kCqRepeatButton, true);
  m_bankA = 1;
}
