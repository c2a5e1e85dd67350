// The CW message engine on the main frame, second half: streaming the send queue on the keyer
// reports, paddle echo with the Kana switches, CQ repeat on timer 1, cancelling and type-ahead.
#include "CwConstants.h"
#include "CwFrameIds.h"
#include "CwLogHold.h"
#include "CwLogLedger.h"
#include "CwText.h"
#include "KeyerMath.h"
#include "KeyportCall.h"
#include "MainFrame.h"
#include "PaddleDecode.h"
#include "TandemView.h"
#include "TokenStep.h"

namespace {

// A cut that waits for the keyer's reports after a cancel is made with what is known once the
// keyer has been given time enough to report, so that a keyer that stays silent leaves no cut
// untold.
void CALLBACK SentLedgerTimer(HWND wnd, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(wnd, id);
  CMainFrame* frame = static_cast<CMainFrame*>(CWnd::FromHandle(wnd));
  if (!frame) return;
  frame->m_sentLedger.Expire();
  TellLogWhatWentOut(frame);
}

}  // namespace

void CMainFrame::OnKeyerReport(WPARAM wParam, LPARAM lParam) {
  const int waiting = static_cast<int>(lParam);
  // 1.-2. One more token while fewer than three characters wait in the keyer. A step that only
  // fills in "$R" or "$A" keys nothing, and a keyer with nothing left to key would never report
  // again, so the stream would stop for good there: such a step is followed at once by the next
  // one, until something is keyed. Each fill-in removes its macro from the queue; the bound only
  // guards against values that bring the macros back.
  m_pending = waiting;
  // The report tells what went out of what was handed to the keyer (15 is no count).
  if (waiting != tandem::cw::kKeyerFlushReport) m_sentLedger.Report(waiting);
  if ((tandem::cw::IsCwLikeMode(m_mode) || m_cwAlways) &&
      tandem::cw::kKeyerLowWater - waiting > 0) {
    for (int step = 0; step < tandem::cw::kMaxStepsPerReport && !m_sendQueue.empty(); ++step) {
      const tandem::cw::TokenKind kind = tandem::cw::ClassifyFront(m_sendQueue).kind;
      SendToken(m_sendQueue);
      if (kind != tandem::cw::TokenKind::Report && kind != tandem::cw::TokenKind::Exchange) break;
    }
  }
  // 3. The Kana input mode as the keyboard has it now.
  m_kanaOn = (::GetKeyState(tandem::cw::kVirtualKeyKana) & 1) ? 1 : 0;
  // 4. Paddle echo, whatever the mode.
  const unsigned char code = static_cast<unsigned char>(wParam & 0xFF);
  if (code != 0 && m_paddleKbd) {
    const tandem::cw::PaddleEcho echo = tandem::cw::DecodePaddle(code, m_kanaOn != 0);
    if (echo.action == tandem::cw::PaddleAction::Append) {
      const char text[2] = {static_cast<char>(echo.ch), '\0'};
      if (CTandemHLView* view = GetLogView()) view->AppendToLog(text);
    } else if (echo.action == tandem::cw::PaddleAction::ToggleKana) {
      ToggleKana();
    }
  }
  // 5. The paddle broke in: the keyer's buffer is gone, and so is ours.
  if (m_pending == tandem::cw::kKeyerFlushReport) {
    m_sentLedger.BreakIn(m_sendQueue);
    m_sendQueue.clear();
    m_pending = 0;
    if (m_cqRepeat) {
      ::KillTimer(m_hWnd, tandem::cw::kCqRepeatTimer);
      m_cqRepeat = 0;
    }
  }
  // 6. Idle during CQ repeat: the pause counts from the last idle report.
  if (m_cqRepeat && m_sendQueue.empty() && m_pending == 0) {
    ::SetTimer(m_hWnd, tandem::cw::kCqRepeatTimer, static_cast<UINT>(m_cqInterval), nullptr);
  }
  HoldLogEditsWhileKeying(this);
  TellLogWhatWentOut(this);
}

void CMainFrame::StartCqRepeat() {
  LayoutFnButtons(0, m_fn12 ? 12 : 8);
  SendFnMessage(tandem::cw::kFnFirstButton, true);  // Bank-A F1
  m_bankA = 1;
  // The CQ goes out from Bank-A: the logger's check control says so too, so that the next record
  // keeps Tandem on Bank-A and the next bank switch changes both programs alike.
  MirrorBankToLogger();
}

void CMainFrame::OnCqRepeatTimer() {
  ::KillTimer(m_hWnd, tandem::cw::kCqRepeatTimer);
  if (!m_cqRepeat) return;
  // Bank-A is shown for the CQ; m_bankA itself stays as it is.
  LayoutFnButtons(0, m_fn12 ? 12 : 8);
  SendFnMessage(tandem::cw::kFnFirstButton, true);
}

void CMainFrame::CancelSending() {
  // The keyer reports what it keyed before the cancel and then 0; without a device or a cancel
  // call nothing more is reported, and what is known now is all there is.
  const bool reportsFollow = m_device != KEYPORT_NO_DEVICE && m_keyportTxCancel != nullptr;
  m_sentLedger.Cancel(m_sendQueue, reportsFollow);
  m_sendQueue.clear();
  if (m_device != KEYPORT_NO_DEVICE) KeyportCall(0, m_keyportTxCancel, m_device);
  m_pending = 0;
  if (m_cqRepeat) {
    ::KillTimer(m_hWnd, tandem::cw::kCqRepeatTimer);
    m_cqRepeat = 0;
  }
  if (m_sentLedger.CutWaiting()) {
    ::SetTimer(m_hWnd, tandem::cw::kSentLedgerTimer, tandem::cw::kSentLedgerWaitMs, &SentLedgerTimer);
  }
  HoldLogEditsWhileKeying(this);
  TellLogWhatWentOut(this);
}

void CMainFrame::TypeAheadChar(char c) {
  const std::string typed(1, c);
  CTandemHLView* view = GetLogView();
  if (m_pending > 0 && m_pending < tandem::cw::kKeyerFlushReport) {
    m_sendQueue.push_back(c);  // the streaming tests the mode
    const int id = m_sentLedger.Open(typed, tandem::cw::SendLedger::Plain(1), false);
    if (view) view->ExpectTypedSpan(id);
  } else if (tandem::cw::IsCwLikeMode(m_mode) || m_cwAlways) {
    KeyportCall(0, m_keyportPutChar, m_device, static_cast<unsigned char>(c));
    // Keyed at once, ahead of whatever waits.
    const int id = m_sentLedger.Open(typed, tandem::cw::SendLedger::Plain(1), false);
    m_sentLedger.Take(typed, CountedByKeyer(*this, m_keyportPutChar != nullptr), id);
    if (view) view->ExpectTypedSpan(id);
  }
}

bool CMainFrame::DropLastQueued() {
  if (m_sendQueue.empty()) return false;
  m_sendQueue.pop_back();
  m_sentLedger.DropLast();
  return true;
}

void CMainFrame::ToggleKana() {
  ::keybd_event(tandem::cw::kVirtualKeyKana, 0, 0, 0);
  ::keybd_event(tandem::cw::kVirtualKeyKana, 0, KEYEVENTF_KEYUP, 0);
}

void CMainFrame::SetCqInterval(float seconds) {
  if (const std::optional<int> ms = tandem::keyer::CqIntervalMs(seconds)) m_cqInterval = *ms;
}

float CMainFrame::GetCqInterval() const { return static_cast<float>(m_cqInterval) * 0.001f; }
