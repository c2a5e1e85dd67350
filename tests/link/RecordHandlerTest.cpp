// The record handler on the real main frame under Wine: a record sent from another thread, as the
// hook sends it from the logger, gets its answer before the handler does its work, and the
// handler never reads the sender's data after the answer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ShellTestSupport.h"
#include "TandemView.h"

using shelltest::AppSession;
using shelltest::PumpMessages;
using shelltest::TempWorkDir;

namespace {

// The logger's side: sends one record and, once it has its answer, writes over its buffer.
struct LoggerThread {
  HWND frame = nullptr;
  char record[64] = "XX1ABC|599|CW|||1|71|0|0|0|120|560|1|";
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

TEST(RecordHandler, LetsTheLoggerGoBeforeItsWorkAndNeverReadsTheRecordAfter) {
  TempWorkDir dir;
  AppSession session;
  ASSERT_TRUE(session.Start());
  CMainFrame* frame = session.Frame();
  frame->m_bankA = 1;
  frame->LayoutFnButtons(0, 8);
  HWND view = frame->GetLogView()->m_hWnd;
  g_viewProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchedView)));

  LoggerThread logger;
  g_released = logger.released;
  logger.Start(frame->m_hWnd);
  const DWORD end = GetTickCount() + 15000;
  while (WaitForSingleObject(logger.thread, 0) != WAIT_OBJECT_0 && static_cast<LONG>(end - GetTickCount()) > 0) {
    PumpMessages(10);
  }
  SetWindowLongPtrA(view, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_viewProc));

  EXPECT_TRUE(logger.answered);
  EXPECT_EQ(g_firstChange, 1) << "the logger waited while the handler wrote the log";
  // F2 from the record, with the record's own fields, whatever the logger's buffer holds now.
  EXPECT_EQ(frame->m_call, "XX1ABC");
  EXPECT_EQ(frame->m_report, "599");
  EXPECT_EQ(frame->GetLogView()->GetWholeText(), "XX1ABC UR $R [KN] ");
}

// Any program can send the main window WM_COPYDATA. A text that is no entry record changes
// nothing: not the fields that the next message expands, not the mode that decides whether it is
// keyed, not the bank.
TEST(RecordHandler, RecordsThatAreNoEntryRecordsChangeNothing) {
  TempWorkDir dir;
  AppSession session;
  ASSERT_TRUE(session.Start());
  CMainFrame* frame = session.Frame();
  frame->m_bankA = 1;
  frame->LayoutFnButtons(0, 8);
  auto send = [&](const std::string& text) {
    COPYDATASTRUCT data = {0, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
    SendMessageA(frame->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  };
  send("XX1ABC|599|CW|||1|0|0|0|0|120|560|1|");
  ASSERT_EQ(frame->m_call, "XX1ABC");
  for (const std::string& forged : {
           std::string("AB\0CD|599|CW|||1|70|0|0|0|120|560|1|", 36),  // a NUL in the call, F1
           std::string("JA9XYZ"),                                     // no separators at all
           std::string("JA9XYZ|599|CW|5|x|0|5A|0|FFFFFF80|0||1|70|0|0|0|120|560|1|"),
       }) {
    send(forged);
    EXPECT_EQ(frame->m_call, "XX1ABC") << forged;
    EXPECT_EQ(frame->m_mode, "CW") << forged;
    EXPECT_EQ(frame->m_cqRepeat, 0) << forged;
    EXPECT_EQ(frame->m_bankA, 1) << forged;
  }
  EXPECT_EQ(frame->GetLogView()->GetWholeText(), "");
  // The path was live: a well-formed F1 record right after is acted on.
  send("XX1ABC|599|CW|||1|70|0|0|0|120|560|1|");
  EXPECT_EQ(frame->GetLogView()->GetWholeText().compare(0, 6, "CQ DE "), 0);
}

}  // namespace
