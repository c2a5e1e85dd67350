// The CW message engine on the main frame, first half: the message memories and the Fn bar, the
// function-key dispatch, expansion and sending of a message, the keying token step, the time
// stamp, the memory edit and the CW bar's Send button.
#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "CwConstants.h"
#include "CwFrameIds.h"
#include "CwLogHold.h"
#include "CwLogLedger.h"
#include "CwText.h"
#include "FnEditDlg.h"
#include "KeyportCall.h"
#include "MainFrame.h"
#include "TandemView.h"
#include "TokenStep.h"
#include "resource.h"

namespace {

std::string WindowText(HWND wnd) {
  if (!wnd) return std::string();
  std::vector<char> text(static_cast<size_t>(::GetWindowTextLengthA(wnd)) + 1);
  const int n = ::GetWindowTextA(wnd, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local = {};
#ifdef _MSC_VER
  localtime_s(&local, &now);
#else
  if (const std::tm* t = std::localtime(&now)) local = *t;
#endif
  return local;
}

using LogReplacements = CMainFrame::LogReplacements;

// Points the frame's held replacements at `held` for the scope's life.
class HoldLogReplacements {
 public:
  HoldLogReplacements(LogReplacements*& slot, LogReplacements* held) : slot_(slot) { slot_ = held; }
  ~HoldLogReplacements() { slot_ = nullptr; }
  HoldLogReplacements(const HoldLogReplacements&) = delete;
  HoldLogReplacements& operator=(const HoldLogReplacements&) = delete;

 private:
  LogReplacements*& slot_;
};

// The time stamp due before the next message, or an empty text.
std::string DueLogTimeStamp(bool logTime, tandem::cw::LogStampGate& gate) {
  if (!logTime) return std::string();
  std::string stamp = tandem::cw::FormatLogTimeStamp(LocalNow());
  if (!gate.Admit(stamp)) return std::string();
  return stamp;
}

}  // namespace

void CMainFrame::OnFn01() { OnFnKey(IDC_FN_FIRST + 0); }
void CMainFrame::OnFn02() { OnFnKey(IDC_FN_FIRST + 1); }
void CMainFrame::OnFn03() { OnFnKey(IDC_FN_FIRST + 2); }
void CMainFrame::OnFn04() { OnFnKey(IDC_FN_FIRST + 3); }
void CMainFrame::OnFn05() { OnFnKey(IDC_FN_FIRST + 4); }
void CMainFrame::OnFn06() { OnFnKey(IDC_FN_FIRST + 5); }
void CMainFrame::OnFn07() { OnFnKey(IDC_FN_FIRST + 6); }
void CMainFrame::OnFn08() { OnFnKey(IDC_FN_FIRST + 7); }
void CMainFrame::OnFn09() { OnFnKey(IDC_FN_FIRST + 8); }
void CMainFrame::OnFn10() { OnFnKey(IDC_FN_FIRST + 9); }
void CMainFrame::OnFn11() { OnFnKey(IDC_FN_FIRST + 10); }
void CMainFrame::OnFn12() { OnFnKey(IDC_FN_FIRST + 11); }

void CMainFrame::OnFnKey(int buttonId) {
  if (::GetKeyState(VK_SHIFT) < 0) {
    EditFnMessage(buttonId);
  } else {
    SendFnMessage(buttonId, false);
  }
}

void CMainFrame::SendFnMessage(int buttonId, bool repeat) {
  // The keyer hears the first tokens before anything is written to the log: writing into a
  // long log takes milliseconds, and the logger's key may be waiting for this handler. The log
  // ends with the same text: the time stamp, the message, then the late replacements that the
  // first tokens made.
  CTandemHLView* view = GetLogView();
  // 1. A due time stamp goes before the message.
  const std::string stamp = DueLogTimeStamp(m_logTime != 0, m_stampGate);
  // 2. Any message that is not a CQ repeat ends CQ repeat.
  if (repeat) {
    m_cqRepeat = 1;
  } else {
    ::KillTimer(m_hWnd, tandem::cw::kCqRepeatTimer);
    m_cqRepeat = 0;
  }
  // 3. The message is what the button shows.
  const std::string caption = WindowText(m_wndFnBar.GetItem(buttonId));
  if (caption.empty()) {
    if (view && !stamp.empty()) view->AppendToLog(stamp.c_str());
    return;
  }
  // 4.-6. Log text and keying text.
  tandem::cw::MacroValues values;
  values.call = m_call;
  values.myCall = m_myCall;
  values.greeting = tandem::cw::GreetingForHour(LocalNow().tm_hour, m_endGM, m_endGA);
  values.number = m_number;
  values.subst.zero = m_subst0;
  values.subst.one = m_subst1;
  values.subst.nine = m_subst9;
  tandem::cw::Expansion expansion = tandem::cw::ExpandMessage(caption, values);
  // 8. Keyed only in a CW-like mode or when always keyed.
  LogReplacements held;
  int keyedText = 0;  // the ledger's id of the message, when it is keyed
  if (tandem::cw::IsCwLikeMode(m_mode) || m_cwAlways) {
    // 9. The first tokens at once when nothing waits; otherwise the whole text goes behind.
    std::string& keyText = expansion.keyText;
    keyedText = m_sentLedger.Open(
        keyText,
        tandem::cw::SendLedger::WithNumbers(keyText.size(), expansion.numberAt,
                                            tandem::cw::SubstituteDigits(m_number, values.subst).size(),
                                            m_number.size()),
        true);
    if (m_sendQueue.empty()) {
      HoldLogReplacements hold(m_heldReplacements, &held);
      for (int i = 0; i < tandem::cw::kFirstTokensAtOnce && !keyText.empty(); ++i) {
        SendToken(keyText);
      }
    }
    m_sendQueue += keyText;
  }
  // 7. The log text carries its trailing space; it goes behind the time stamp, in one append
  // (each costs a long log's control about the same).
  if (!view) return;
  view->AppendToLog(stamp + expansion.logText, stamp.size(), keyedText);
  for (const auto& replacement : held) view->ReplaceEverywhere(replacement.first, replacement.second);
  HoldLogEditsWhileKeying(this);
  TellLogWhatWentOut(this);
}

void CMainFrame::SendToken(std::string& keyText) {
  tandem::cw::LateValues values;
  values.report = m_report;
  values.exchange = m_exch;
  values.subst.zero = m_subst0;
  values.subst.one = m_subst1;
  values.subst.nine = m_subst9;
  const tandem::cw::TokenStep step = tandem::cw::TakeToken(keyText, values);
  switch (step.kind) {
    case tandem::cw::TokenKind::None:
      break;
    case tandem::cw::TokenKind::Prosign:
      KeyportCall(0, m_keyportPutCode, m_device, step.byte);
      m_sentLedger.Take(step.token, CountedByKeyer(*this, m_keyportPutCode != nullptr));
      break;
    case tandem::cw::TokenKind::PlainByte:
      KeyportCall(0, m_keyportPutChar, m_device, step.byte);
      m_sentLedger.Take(step.token, CountedByKeyer(*this, m_keyportPutChar != nullptr));
      break;
    case tandem::cw::TokenKind::Report:
    case tandem::cw::TokenKind::Exchange:
      m_sentLedger.Fill(step.logMacro, step.keyValue, step.logValue);
      if (m_heldReplacements) {
        m_heldReplacements->emplace_back(step.logMacro, step.logValue);
      } else if (CTandemHLView* view = GetLogView()) {
        view->ReplaceEverywhere(step.logMacro, step.logValue);
      }
      break;
  }
}

void CMainFrame::AppendLogTimeStamp() {
  const std::string stamp = DueLogTimeStamp(m_logTime != 0, m_stampGate);
  if (stamp.empty()) return;
  if (CTandemHLView* view = GetLogView()) view->AppendToLog(stamp.c_str());
}

void CMainFrame::EditFnMessage(int buttonId) {
  HWND button = m_wndFnBar.GetItem(buttonId);
  CFnEditDlg dialog;
  dialog.m_text = WindowText(button);
  dialog.m_fnNumber = buttonId - (tandem::cw::kFnFirstButton - 1);
  if (dialog.DoModal() != IDOK) return;
  if (button) ::SetWindowTextA(button, dialog.m_text.c_str());
  SetMemory(1 - m_bankA, buttonId - tandem::cw::kFnFirstButton, dialog.m_text);
}

void CMainFrame::SetMemory(int bank, int index, const std::string& text) {
  if (bank >= 0 && bank < tandem::cw::kMemoryBanks && index >= 0 &&
      index < tandem::cw::kFnButtonCount) {
    m_memory[bank * tandem::cw::kFnButtonCount + index] = text;
  }
  // The Options sheet stores all 24 in turn; the bar is refreshed once, after the last one.
  if (bank == 1 && index == tandem::cw::kFnButtonCount - 1) {
    LayoutFnButtons(1 - m_bankA, m_fn12 ? 12 : 8);
  }
}

std::string CMainFrame::GetMemory(int bank, int index) const {
  if (bank < 0 || bank >= tandem::cw::kMemoryBanks || index < 0 ||
      index >= tandem::cw::kFnButtonCount) {
    return std::string();
  }
  return m_memory[bank * tandem::cw::kFnButtonCount + index];
}

void CMainFrame::SetGreetingHours(int gm, int ga, int ge) {
  m_endGM = gm;
  m_endGA = ga;
  m_endGE = ge;
}

void CMainFrame::SetCwAlways(bool on) { m_cwAlways = on ? 1 : 0; }

void CMainFrame::OnSendButton() {
  HWND edit = m_wndCwBar.GetItem(IDC_SEND_TEXT);
  const std::string text = WindowText(edit);
  if (text.empty()) return;
  const int sent = m_sentLedger.Open(text, tandem::cw::SendLedger::Plain(text.size()), false);
  if (CTandemHLView* view = GetLogView()) view->AppendToLog(text, 0, sent);
  ::SetWindowTextA(edit, "");
  KeyportCall(0, m_keyportPutChar, m_device, static_cast<unsigned char>(text[0]));
  // Keyed at once, ahead of whatever waits.
  m_sentLedger.Take(text.substr(0, 1), CountedByKeyer(*this, m_keyportPutChar != nullptr), sent);
  m_sendQueue.append(text, 1, std::string::npos);
  HoldLogEditsWhileKeying(this);
  TellLogWhatWentOut(this);
}
