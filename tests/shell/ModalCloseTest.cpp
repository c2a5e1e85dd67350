// The main window told to close (as by WM_CLOSE from the logger's shutdown) while one of the
// program's modal windows is open: the modal window ends as its Cancel would, the frame closes
// after it, and nothing crashes or is saved half.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>

#include "ShellTestSupport.h"
#include "TandemView.h"
#include "resource.h"

using shelltest::AppSession;
using shelltest::PumpUntil;
using testsupport::WaitForOwnDialog;
using testsupport::WindowText;
using TempWorkDir = testsupport::TempWorkingFolder;

namespace {

const char kSpeedCaption[] = "WPM\x91\xac\x93\x78";  // "WPM速度" in CP932
const char kEditSuffix[] = " \x95\xd2\x8f\x57";      // " 編集": the memory editor's title

bool IsSpeedDialog(HWND w) { return WindowText(w) == kSpeedCaption; }

// Runs `what` once from this thread's message loop, soon: a modal window it opens then runs in
// the program's loop as one opened by a key press or a click would.
std::function<void()> g_soon;
void CALLBACK RunSoonTick(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  std::function<void()> what;
  what.swap(g_soon);
  if (what) what();
}
void RunSoon(std::function<void()> what) {
  g_soon = std::move(what);
  ::SetTimer(nullptr, 0, 50, RunSoonTick);
}

// The frame's close request arrives while `dialog` is open; true when the dialog and then the
// frame went (within a generous time: the close waits for the dialog's own loop).
bool CloseArrivesAndBothGo(HWND frame, HWND dialog) {
  if (!dialog) return false;
  ::PostMessageA(frame, WM_CLOSE, 0, 0);
  return testsupport::WaitUntil([&] { return !::IsWindow(dialog) && !::IsWindow(frame); }, 20000);
}

// Each test starts the program in a working folder of its own and ends waiting for the frame to go.
class CloseWhileModal : public ::testing::Test {
 protected:
  void Start() {
    ASSERT_TRUE(session.Start());
    frame = session.Frame();
    frameWnd = frame->m_hWnd;
  }
  void WaitForTheFrameToGo() {
    PumpUntil([&] { return session.Frame() == nullptr; }, 5000);
  }

  TempWorkDir dir;
  AppSession session;
  CMainFrame* frame = nullptr;
  HWND frameWnd = nullptr;
};

}  // namespace

// The speed dialog runs inside the idle update's walk over the bars: the frame must outlive it.
TEST_F(CloseWhileModal, SpeedDialogEndsAndTheFrameClosesAfterIt) {
  ASSERT_NO_FATAL_FAILURE(Start());
  frame->m_wndStatusBar.m_paneClicked = 1;  // a click on the speed pane, taken by the idle update
  std::atomic<bool> closed{false};
  shelltest::Operate([&] { closed = CloseArrivesAndBothGo(frameWnd, WaitForOwnDialog(IsSpeedDialog)); });
  WaitForTheFrameToGo();
  EXPECT_TRUE(closed) << "the speed dialog or the frame stayed";
  EXPECT_EQ(session.Frame(), nullptr);
  EXPECT_EQ(shelltest::IniText(dir.File("Tandem.ini"), "Keyer", "WPM"), "20") << "the close saved the settings";
}

// The memory editor (Shift+F3) with a new text typed: the close discards it, visibly, and the
// settings written at the close hold the memory as it was.
TEST_F(CloseWhileModal, MemoryEditorIsCancelledAndItsTextDiscarded) {
  testsupport::WriteFileBytes(dir.File("Tandem.ini"), "[Bank-B]\r\nFn03=TU $M TEST\r\n");
  ASSERT_NO_FATAL_FAILURE(Start());
  std::atomic<bool> closed{false};
  std::atomic<bool> typed{false};
  RunSoon([this] { frame->EditFnMessage(1002); });  // Shift+F3's handler
  shelltest::Operate([&] {
    const std::string title = std::string("F3") + kEditSuffix;
    HWND editor = WaitForOwnDialog([&](HWND w) { return WindowText(w).compare(0, title.size(), title) == 0; });
    if (!editor) return;
    HWND edit = ::FindWindowExA(editor, nullptr, "Edit", nullptr);
    typed = edit && ::SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("NEVER KEPT"),
                                          SMTO_NORMAL, 5000, nullptr) != 0;
    closed = CloseArrivesAndBothGo(frameWnd, editor);
  });
  WaitForTheFrameToGo();
  EXPECT_TRUE(typed);
  EXPECT_TRUE(closed) << "the editor or the frame stayed";
  EXPECT_EQ(shelltest::IniText(dir.File("Tandem.ini"), "Bank-B", "Fn03"), "TU $M TEST");
}

// A close request that comes while the close itself asks about the log is that same close: one
// question, and the answer No ends the program once.
TEST_F(CloseWhileModal, SecondRequestDuringTheLogQuestionIsTheSameClose) {
  ASSERT_NO_FATAL_FAILURE(Start());
  frame->GetLogView()->AppendToLog("CQ TEST");
  int questions = 0;
  ::PostMessageA(frameWnd, WM_CLOSE, 0, 0);
  shelltest::Operate([&] {
    HWND box = WaitForOwnDialog([](HWND w) { return testsupport::IsDialog(w) && WindowText(w) != ""; });
    if (!box) return;
    ++questions;
    ::PostMessageA(frameWnd, WM_CLOSE, 0, 0);  // the logger's shutdown, say
    ::Sleep(300);
    EXPECT_TRUE(::IsWindow(box)) << "the question was taken away from the operator";
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    testsupport::WaitUntil([&] { return !::IsWindow(frameWnd); }, 20000);
    if (WaitForOwnDialog([](HWND w) { return testsupport::IsDialog(w); }, 500)) ++questions;
  });
  WaitForTheFrameToGo();
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(session.Frame(), nullptr);
}
