// The CW message engine on the main frame, first half: the message memories and the Fn bar, the
// function-key dispatch, expansion and sending of a message, the keying token step, the time
// stamp, the memory edit and the CW bar's Send button.
#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "CwConstants.h"
#include "CwFrameIds.h"
#include "CwText.h"
#include "FnEditDlg.h"
#include "KeyportCall.h"
#include "MainFrame.h"
#include "TandemView.h"
#include "TokenStep.h"
#include "resource.h"

namespace {

// The last time stamp written, for the whole process: at most one per minute reaches the log.
tandem::cw::LogStampGate g_stampGate;

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

// Characters in text[from, to): the control counts a double-byte character as one, so its
// positions differ from byte offsets. `from` must start a character.
size_t CharsIn(const std::string& text, size_t from, size_t to) {
  size_t chars = 0;
  for (size_t byte = from; byte < to; ++chars) {
    byte += tandem::cw::IsLeadByte(static_cast<unsigned char>(text[byte])) ? 2 : 1;
  }
  return chars;
}

// Beyond this many separate spans one rewrite of the whole text is cheaper.
constexpr size_t kMaxSpans = 8;

// Occurrences closer than this (in bytes) are replaced together, with one edit of the span
// between them; the control lays out the text again after each edit.
constexpr size_t kJoinDistance = 4096;

// Replaces every `macro` in the log text by `value`, older occurrences too, as if the whole
// text were read, replaced and written back. The log may hold a megabyte while keying goes on,
// and writing the whole text back makes the control lay all of it out again (a second and more
// under some systems), so only the spans that hold the macro are edited. The operator's
// selection and scroll position survive, and the window is redrawn once, when the text is
// complete.
void RewriteLog(CTandemHLView* view, const std::string& macro, const std::string& value) {
  if (!view || !view->m_hWnd || macro.empty()) return;
  const std::string text = view->GetWholeText();
  // The macros are ASCII, which is never part of a double-byte character here, so every byte
  // occurrence is a character occurrence.
  std::vector<size_t> found;
  for (size_t at = text.find(macro); at != std::string::npos;
       at = text.find(macro, at + macro.size())) {
    found.push_back(at);
  }
  if (found.empty()) return;

  // Spans [first, last) in bytes, each covering occurrences that lie close together.
  struct Span {
    size_t first;
    size_t last;
  };
  std::vector<Span> spans;
  for (size_t at : found) {
    if (!spans.empty() && at - spans.back().last < kJoinDistance) {
      spans.back().last = at + macro.size();
    } else {
      spans.push_back(Span{at, at + macro.size()});
    }
  }
  if (spans.size() > kMaxSpans) {
    std::string whole = text;
    tandem::cw::ReplaceAll(whole, macro, value);
    view->SetWholeText(whole);
    view->MoveCaretToEnd();
    return;
  }

  DWORD selStart = 0;
  DWORD selEnd = 0;
  view->Send(EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
  const LRESULT firstLine = view->Send(EM_GETFIRSTVISIBLELINE);
  view->Send(WM_SETREDRAW, FALSE);
  // The control's position of the text's end, so that the positions of the spans (which lie
  // near the end as a rule) are counted back from it, walking only the text behind the first
  // span. Every span starts and ends at a macro, which starts a character.
  view->MoveCaretToEnd();
  DWORD total = 0;
  view->Send(EM_GETSEL, reinterpret_cast<WPARAM>(&total), 0);
  std::vector<size_t> chars(2 * spans.size());
  size_t behind = 0;  // characters from the byte `walked` to the end
  size_t walked = text.size();
  for (size_t i = spans.size(); i-- > 0;) {
    behind += CharsIn(text, spans[i].last, walked);
    chars[2 * i + 1] = total - behind;
    behind += CharsIn(text, spans[i].first, spans[i].last);
    chars[2 * i] = total - behind;
    walked = spans[i].first;
  }
  // From the last span to the first, so the positions still to be used stay valid; the
  // selection moves with the text before it.
  long shiftStart = 0;
  long shiftEnd = 0;
  for (size_t i = spans.size(); i-- > 0;) {
    std::string replaced = text.substr(spans[i].first, spans[i].last - spans[i].first);
    tandem::cw::ReplaceAll(replaced, macro, value);
    const size_t from = chars[2 * i];
    const size_t to = chars[2 * i + 1];
    view->Send(EM_SETSEL, from, static_cast<LPARAM>(to));
    view->Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(replaced.c_str()));
    const long delta =
        static_cast<long>(CharsIn(replaced, 0, replaced.size())) - static_cast<long>(to - from);
    if (to <= selStart) shiftStart += delta;
    if (to <= selEnd) shiftEnd += delta;
  }
  view->Send(EM_SETSEL, static_cast<WPARAM>(std::max(0L, static_cast<long>(selStart) + shiftStart)),
             static_cast<LPARAM>(std::max(0L, static_cast<long>(selEnd) + shiftEnd)));
  view->Send(EM_LINESCROLL, 0, firstLine - view->Send(EM_GETFIRSTVISIBLELINE));
  view->Send(WM_SETREDRAW, TRUE);
  ::InvalidateRect(view->m_hWnd, nullptr, TRUE);
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
  // 1. A due time stamp goes before the message.
  AppendLogTimeStamp();
  // 2. Any message that is not a CQ repeat ends CQ repeat.
  if (repeat) {
    m_cqRepeat = 1;
  } else {
    ::KillTimer(m_hWnd, tandem::cw::kCqRepeatTimer);
    m_cqRepeat = 0;
  }
  // 3. The message is what the button shows.
  const std::string caption = WindowText(m_wndFnBar.GetItem(buttonId));
  if (caption.empty()) return;
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
  // 7. The log text carries its trailing space.
  if (CTandemHLView* view = GetLogView()) view->AppendToLog(expansion.logText.c_str());
  // 8. Keyed only in a CW-like mode or when always keyed.
  if (!tandem::cw::IsCwLikeMode(m_mode) && !m_cwAlways) return;
  // 9. The first tokens at once when nothing waits; otherwise the whole text goes behind.
  std::string& keyText = expansion.keyText;
  if (m_sendQueue.empty()) {
    for (int i = 0; i < tandem::cw::kFirstTokensAtOnce && !keyText.empty(); ++i) SendToken(keyText);
  }
  m_sendQueue += keyText;
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
      break;
    case tandem::cw::TokenKind::PlainByte:
      KeyportCall(0, m_keyportPutChar, m_device, step.byte);
      break;
    case tandem::cw::TokenKind::Report:
    case tandem::cw::TokenKind::Exchange:
      RewriteLog(GetLogView(), step.logMacro, step.logValue);
      break;
  }
}

void CMainFrame::AppendLogTimeStamp() {
  if (!m_logTime) return;
  const std::string stamp = tandem::cw::FormatLogTimeStamp(LocalNow());
  if (!g_stampGate.Admit(stamp)) return;
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
  if (CTandemHLView* view = GetLogView()) view->AppendToLog(text.c_str());
  ::SetWindowTextA(edit, "");
  KeyportCall(0, m_keyportPutChar, m_device, static_cast<unsigned char>(text[0]));
  m_sendQueue.append(text, 1, std::string::npos);
}
