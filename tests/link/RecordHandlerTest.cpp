// The record handler on the real main frame under Wine: a record sent from another thread, as the
// hook sends it from the logger, gets its answer before the handler does its work, and the
// handler never reads the sender's data after the answer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "LoggerWindowNames.h"
#include "ShellTestSupport.h"
#include "TandemView.h"

using shelltest::AppSession;

namespace {

// An entry record as the hook sends it from the logger's thread (here: this one), naming the
// logger's window `entry`.
void Send(CMainFrame* frame, const std::string& text, HWND entry = nullptr) {
  COPYDATASTRUCT data = {reinterpret_cast<ULONG_PTR>(entry), static_cast<DWORD>(text.size()),
                         const_cast<char*>(text.data())};
  SendMessageA(frame->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

// The program started in this process, on Bank-A as the logger's check box sets it. The handler
// remembers the last check state for the whole process, so a record without the check goes first:
// the one with it is then a change whatever an earlier test left.
class RecordHandler : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.Start());
    frame_ = session_.Frame();
    Send(frame_, "XX0AAA|599|CW|||0||0|0|0|120|560|1|");
    Send(frame_, "XX0AAA|599|CW|||1||0|0|0|120|560|1|");
    ASSERT_EQ(frame_->m_bankA, 1);
    ASSERT_EQ(testsupport::WindowText(frame_->m_wndFnBar.GetItem(1000)), "CQ DE $M $M $M PSE K");
  }

  testsupport::TempWorkingFolder dir_;
  AppSession session_;
  CMainFrame* frame_ = nullptr;
};

// The logger's side: sends one record and, once it has its answer, writes over its buffer.
struct LoggerThread {
  HWND frame = nullptr;
  char record[64] = "XX1ABC|579|CW|25||1|71|0|0|0|120|560|1|";
  HANDLE released = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = nullptr;
  bool answered = false;

  static DWORD WINAPI Run(LPVOID p) {
    LoggerThread* self = static_cast<LoggerThread*>(p);
    COPYDATASTRUCT data = {0, static_cast<DWORD>(std::strlen(self->record)), self->record};
    DWORD_PTR result = 0;
    self->answered = SendMessageTimeoutA(self->frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                         SMTO_NORMAL, 20000, &result) != 0;
    // The logger goes on with its own work and its buffer holds something else now.
    std::memset(self->record, '#', std::strlen(self->record));
    SetEvent(self->released);
    return 0;
  }
  void Start(HWND target) {
    frame = target;
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  }
  ~LoggerThread() {
    if (thread) {
      WaitForSingleObject(thread, 30000);
      CloseHandle(thread);
    }
    CloseHandle(released);
  }
};

// The log view, watched: the first change of its text is the handler's work under way.
WNDPROC g_viewProc = nullptr;
HANDLE g_released = nullptr;
int g_firstChange = -1;  // 1: the logger had its answer by then, 0: it was still waiting

LRESULT CALLBACK WatchedView(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if ((msg == EM_REPLACESEL || msg == WM_SETTEXT) && g_firstChange < 0) {
    g_firstChange = WaitForSingleObject(g_released, 3000) == WAIT_OBJECT_0 ? 1 : 0;
  }
  return CallWindowProcA(g_viewProc, hwnd, msg, wParam, lParam);
}

TEST_F(RecordHandler, LetsTheLoggerGoBeforeItsWorkAndNeverReadsTheRecordAfter) {
  CMainFrame* frame = frame_;
  HWND view = frame->GetLogView()->m_hWnd;
  g_viewProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchedView)));

  LoggerThread logger;
  g_released = logger.released;
  logger.Start(frame->m_hWnd);
  shelltest::PumpUntil([&] { return WaitForSingleObject(logger.thread, 0) == WAIT_OBJECT_0; }, 15000);
  SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_viewProc));

  EXPECT_TRUE(logger.answered);
  EXPECT_EQ(g_firstChange, 1) << "the logger waited while the handler wrote the log";
  // F2 from the record, with the record's own fields, whatever the logger's buffer holds now.
  EXPECT_EQ(frame->m_call, "XX1ABC");
  EXPECT_EQ(frame->m_report, "579");
  EXPECT_EQ(frame->m_exch, "25");
  EXPECT_EQ(frame->GetLogView()->GetWholeText(), "XX1ABC UR $R [KN] ");
}

// Any program can send the main window WM_COPYDATA. A text that is no entry record changes
// nothing: not the fields that the next message expands, not the mode that decides whether it is
// keyed, not the bank.
TEST_F(RecordHandler, RecordsThatAreNoEntryRecordsChangeNothing) {
  CMainFrame* frame = frame_;
  Send(frame, "XX1ABC|599|CW|13||1|0|0|0|0|120|560|1|");
  ASSERT_EQ(frame->m_call, "XX1ABC");
  ASSERT_EQ(frame->m_exch, "13");
  for (const std::string& forged : {
           std::string("AB\0CD|599|CW|||1|70|0|0|0|120|560|1|", 36),  // a NUL in the call, F1
           std::string("JA9XYZ"),                                     // no separators at all
           std::string("JA9XYZ|599|CW|5|x|0|5A|0|FFFFFF80|0||1|70|0|0|0|120|560|1|"),
       }) {
    Send(frame, forged);
    EXPECT_EQ(frame->m_call, "XX1ABC") << forged;
    EXPECT_EQ(frame->m_exch, "13") << forged;
    EXPECT_EQ(frame->m_mode, "CW") << forged;
    EXPECT_EQ(frame->m_cqRepeat, 0) << forged;
    EXPECT_EQ(frame->m_bankA, 1) << forged;
  }
  EXPECT_EQ(frame->GetLogView()->GetWholeText(), "");
  // The path was live: a well-formed F1 record right after is acted on.
  Send(frame, "XX1ABC|599|CW|||1|70|0|0|0|120|560|1|");
  EXPECT_EQ(frame->GetLogView()->GetWholeText().compare(0, 6, "CQ DE "), 0);
}

// The logger's check box decides the bank: a record that turns it off shows Bank-B at once, and
// a key in the same record already keys from the bank it found.
TEST_F(RecordHandler, TheCheckFieldSwitchesTheBank) {
  Send(frame_, "XX1ABC|599|CW|||0||0|0|0|120|560|1|");
  EXPECT_EQ(frame_->m_bankA, 0);
  EXPECT_EQ(testsupport::WindowText(frame_->m_wndFnBar.GetItem(1000)), "DE $M $M [AR]");
  Send(frame_, "XX1ABC|599|CW|||1|70|0|0|0|120|560|1|");
  EXPECT_EQ(frame_->m_bankA, 1);
  EXPECT_EQ(testsupport::WindowText(frame_->m_wndFnBar.GetItem(1000)), "CQ DE $M $M $M PSE K");
  EXPECT_EQ(frame_->GetLogView()->GetWholeText().compare(0, 3, "DE "), 0)
      << "F1 of the bank shown when the record came: " << frame_->GetLogView()->GetWholeText();
}

// N1MM Logger's entry window as the bank switch sees it: a top-level window of the logger's class
// whose 27th child is a check box, here checked.
class FakeEntryWindow {
 public:
  FakeEntryWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = tandem::kThunderFormClass;
    RegisterClassA(&wc);  // fails harmlessly for the second window
    m_wnd = CreateWindowExA(0, tandem::kThunderFormClass, "", WS_OVERLAPPED, 0, 0, 200, 100, nullptr,
                            nullptr, wc.hInstance, nullptr);
    for (int i = 0; i <= tandem::kN1mmModeCheckChild; ++i) {
      CreateWindowExA(0, "BUTTON", "", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 10, 10, m_wnd, nullptr,
                      wc.hInstance, nullptr);
    }
    SetChecked(true);
  }
  ~FakeEntryWindow() { DestroyWindow(m_wnd); }
  FakeEntryWindow(const FakeEntryWindow&) = delete;
  FakeEntryWindow& operator=(const FakeEntryWindow&) = delete;

  HWND Wnd() const { return m_wnd; }
  bool Checked() const { return SendMessageA(Box(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool on) { SendMessageA(Box(), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0); }

 private:
  HWND Box() const {
    HWND child = GetWindow(m_wnd, GW_CHILD);
    for (int i = 0; i < tandem::kN1mmModeCheckChild && child; ++i) child = GetWindow(child, GW_HWNDNEXT);
    return child;
  }
  HWND m_wnd = nullptr;
};

// With two entry windows, the bank switch sets the box of the one whose records Tandem follows,
// not of the one the system happens to list first; once that one is gone (the logger started
// again), the box of the entry window listed first.
TEST_F(RecordHandler, BankSwitchSetsTheBoxOfTheEntryWindowThatReported) {
  auto one = std::make_unique<FakeEntryWindow>();
  auto two = std::make_unique<FakeEntryWindow>();
  ASSERT_TRUE(one->Wnd() && two->Wnd());
  const bool oneListedFirst = FindWindowA(tandem::kThunderFormClass, nullptr) == one->Wnd();
  std::unique_ptr<FakeEntryWindow>& reporting = oneListedFirst ? two : one;
  std::unique_ptr<FakeEntryWindow>& listedFirst = oneListedFirst ? one : two;
  Send(frame_, "XX1ABC|599|CW|||1||0|0|0|120|560|1|", reporting->Wnd());
  ASSERT_EQ(frame_->m_bankA, 1);

  frame_->SwitchBank();  // to Bank-B: the box goes off
  EXPECT_EQ(frame_->m_bankA, 0);
  EXPECT_TRUE(shelltest::PumpUntil([&] { return !reporting->Checked(); }, 5000))
      << "the box of the entry window that sent the records";
  shelltest::PumpUntil([] { return false; }, 200);
  EXPECT_TRUE(listedFirst->Checked()) << "the other entry window is left alone";

  reporting.reset();
  listedFirst->SetChecked(false);
  frame_->SwitchBank();  // back to Bank-A, with the reporting window gone
  EXPECT_EQ(frame_->m_bankA, 1);
  EXPECT_TRUE(shelltest::PumpUntil([&] { return listedFirst->Checked(); }, 5000))
      << "the entry window listed first, once the one that reported is gone";
}

}  // namespace
