// The thread that holds the message hook: it is not the caller's, it ends with the hook and only
// with it, a second Start or Stop changes nothing, and the hook it holds reports to a window of
// the caller's thread as before, with the logger stand-in as a process of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HookThread.h"
#include "LoggerSimClient.h"
#include "ShellTestSupport.h"

namespace {

constexpr UINT kKeyDown = WM_KEYDOWN;
constexpr UINT kF2 = VK_F2;

// The display window's receipts: each record's text and the thread that handled it.
struct Receipt {
  std::string text;
  DWORD thread = 0;
};
std::vector<Receipt> g_receipts;

LRESULT CALLBACK DisplayProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data != nullptr && data->lpData != nullptr) {
      g_receipts.push_back({std::string(static_cast<const char*>(data->lpData), data->cbData), GetCurrentThreadId()});
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class HookThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DisplayProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HookThreadTestDisplay";
    RegisterClassA(&wc);
    display_ = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "display", WS_POPUP, 0, 0, 10, 10, nullptr,
                               nullptr, wc.hInstance, nullptr);
    ASSERT_NE(display_, nullptr);
    ASSERT_TRUE(sim_.Start(LoggerSimPathBesideThisProgram())) << sim_.error();
    ASSERT_EQ(sim_.Command("text call XX1ABC"), 1);
    ASSERT_EQ(sim_.Command("text report 599"), 1);
  }
  void TearDown() override {
    sim_.Stop();
    if (display_) DestroyWindow(display_);
    g_receipts.clear();
  }

  // F2 posted to the stand-in's call box with the entry window in front: true when the hook's
  // record for it reached the display window.
  bool F2Reported() {
    g_receipts.clear();
    if (sim_.Command("focus call") != 1) return false;
    if (sim_.Command("post call " + std::to_string(kKeyDown) + " " + std::to_string(kF2)) != 1) return false;
    return LoggerSimClient::PumpUntil([] { return !g_receipts.empty(); }, 5000);
  }

  void Prepare(CHlHook& hook) {
    hook.SetDisplayWindow(display_);
    hook.SetAction(0);
    hook.SetFollowLogger(tandem::kFollowN1mm);
  }

  static bool Alive(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_TIMEOUT; }

  HWND display_ = nullptr;
  LoggerSimClient sim_;
};

// Start, again, Stop, again, and a new Start: one thread at a time, never the caller's, gone once
// Stop returns; the records come to the caller's window on the caller's thread.
TEST_F(HookThreadTest, HoldsTheHookOnAThreadOfItsOwnUntilStopped) {
  CHlHook hook;
  CHookThread holder(hook);
  EXPECT_FALSE(holder.Stop()) << "nothing to stop yet";
  Prepare(hook);

  const HHOOK installed = holder.Start();
  ASSERT_NE(installed, nullptr);
  const DWORD id = holder.InstallingThreadId();
  ASSERT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId()) << "the hook is the caller's thread's";
  HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(Alive(thread));

  EXPECT_EQ(holder.Start(), installed) << "a second Start installed another hook";
  EXPECT_EQ(holder.InstallingThreadId(), id) << "a second Start started another thread";

  ASSERT_TRUE(F2Reported()) << "the hook held by the thread sent no record";
  EXPECT_NE(g_receipts.front().text.find("XX1ABC|599|"), std::string::npos) << g_receipts.front().text;
  EXPECT_EQ(g_receipts.front().thread, GetCurrentThreadId()) << "the record was handled on another thread";

  EXPECT_TRUE(holder.Stop());
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "the thread outlived Stop";
  EXPECT_EQ(holder.InstallingThreadId(), 0u);
  EXPECT_FALSE(holder.Stop()) << "a second Stop removed something";
  CloseHandle(thread);

  // Stop cleared the display window, as it always has; the program sets it before each Start.
  Prepare(hook);
  ASSERT_NE(holder.Start(), nullptr) << "no second run after a Stop";
  EXPECT_NE(holder.InstallingThreadId(), id);
  EXPECT_TRUE(F2Reported()) << "the second run's hook sent no record";
  EXPECT_TRUE(holder.Stop());
}

// Only the holder's own request ends the thread: WM_QUIT or a stray message posted to it by any
// program leaves the hook in place. The holder's going ends the thread.
TEST_F(HookThreadTest, OnlyItsOwnerEndsTheThread) {
  CHlHook hook;
  HANDLE thread = nullptr;
  {
    CHookThread holder(hook);
    Prepare(hook);
    ASSERT_NE(holder.Start(), nullptr);
    const DWORD id = holder.InstallingThreadId();
    thread = OpenThread(SYNCHRONIZE, FALSE, id);
    ASSERT_NE(thread, nullptr);
    for (UINT message = WM_APP; message < WM_APP + 0x400; ++message) {
      ASSERT_TRUE(PostThreadMessageA(id, message, 0, 0));
    }
    ASSERT_TRUE(PostThreadMessageA(id, WM_QUIT, 0, 0));
    EXPECT_TRUE(F2Reported()) << "the hook went with a foreign message";
    EXPECT_TRUE(Alive(thread)) << "a foreign message ended the thread";
  }
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "the thread outlived its holder";
  CloseHandle(thread);
  EXPECT_FALSE(hook.Stop()) << "the holder's going left the hook in";
}

}  // namespace

using FrameHook = shelltest::RunningProgram;

// The real frame holds its hook on a thread that is not its own.
TEST_F(FrameHook, FrameHoldsItsHookOnAnotherThread) {
  const DWORD id = frame_->m_hookThread.InstallingThreadId();
  EXPECT_NE(id, 0u) << "the frame installed no hook";
  EXPECT_NE(id, GetCurrentThreadId()) << "the frame's own thread holds the hook";
}
