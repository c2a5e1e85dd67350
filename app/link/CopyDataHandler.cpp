// The entry-record handler: every record the hook library sends arrives here as WM_COPYDATA while
// the logger's thread waits, so nothing here waits for the logger.
#include <string>

#include "FrameLinkActions.h"
#include "KeyActions.h"
#include "MainFrame.h"

namespace {

// The bank the logger's box now shows, taken over by Tandem.
void FollowLoggerBank(CMainFrame& frame, bool bankA) {
  frame.m_bankA = bankA ? 1 : 0;
  frame.LayoutFnButtons(1 - frame.m_bankA, frame.m_fn12 ? 12 : 8);
}

}  // namespace

LRESULT CMainFrame::OnCopyData(HWND, const COPYDATASTRUCT* data) {
  if (data == nullptr) return 0;
  // The logger's thread waits in SendMessage until the reply. Copy what the handler needs and let
  // it go at once, so that it never waits for the keying, the log or anything else done here;
  // nothing below reads the sender's block after the reply.
  const HWND loggerWnd = reinterpret_cast<HWND>(data->dwData);
  std::string text;
  const bool receivable = tandem::link::IsReceivableRecord(data->lpData, data->cbData);
  if (receivable) text.assign(static_cast<const char*>(data->lpData), data->cbData);
  ::ReplyMessage(0);
  if (!receivable) return 0;

  // Logger32 has no bank box: its records carry 0 there whatever bank is in use.
  const bool bankBox = m_followLogger != tandem::kFollowLogger32;
  const tandem::link::RecordPlan plan = tandem::link::PlanCopyData(
      text.data(), text.size(), m_recordMemory, m_cqRepeat != 0, m_zLogKey, bankBox);
  switch (plan.kind) {
    case tandem::link::RecordKind::kIgnored:
      return 0;
    case tandem::link::RecordKind::kCqMachineNotice:
      OnCqMachineNotice();
      return 0;
    case tandem::link::RecordKind::kEntryRecord:
      break;
  }

  m_loggerWnd = loggerWnd;
  // Records come from a logger the hook reaches: no logger of the other bitness is in the way.
  m_recordArrived = true;
  m_otherBitnessWnd = nullptr;
  // The fields first, so that an action of this same record expands the new values.
  m_call = plan.record.call;
  m_report = plan.record.report;
  m_mode = plan.record.mode;
  m_exch = plan.record.exchange;
  if (plan.cancelForCall) CancelSending();
  // The bank follows the logger's bank box when the box changed; the first record's bank comes
  // before its key, so that the first key keys from the bank the logger shows.
  if (plan.followBank && plan.bankBeforeKey) FollowLoggerBank(*this, plan.bankA);
  CarryOutLinkAction(*this, plan.keyAction);
  if (plan.followBank && !plan.bankBeforeKey) FollowLoggerBank(*this, plan.bankA);
  return 0;
}
