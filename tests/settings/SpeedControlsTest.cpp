// The speed dialog and the CW bar's spin control on the real main frame under Wine, worked with
// the mouse and the keyboard; each speed the keyer receives is read from the emulator's trace.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "OptionsIds.h"
#include "OptionsTestSupport.h"
#include "resource.h"

using namespace optionstest;
using shelltest::AppSession;
using shelltest::TempWorkDir;

namespace {

const wchar_t kSpeedCaption[] = L"WPM\u901F\u5EA6";  // WPM速度

class SpeedControls : public ::testing::Test {
 protected:
  void Start(const std::string& ini = "") {
    if (!ini.empty()) shelltest::WriteFileBytes(dir_.File("Tandem.ini"), ini);
    ASSERT_TRUE(StartWithEmulator(session_));
    frame_ = session_.Frame();
    mark_ = KeyerCalls(trace_).size();
  }
  std::vector<std::string> SpeedsSent() const {
    return CallsAfter(trace_, mark_, "keyportSetWPM");
  }

  TempWorkDir dir_;
  std::string trace_ = dir_.File("trace.txt");
  EmulatorEnv env_{trace_};
  AppSession session_;
  CMainFrame* frame_ = nullptr;
  size_t mark_ = 0;
};

}  // namespace

TEST_F(SpeedControls, SpeedDialogFollowsTheSliderAndClosesOnItsBackground) {
  Start();
  ASSERT_EQ(frame_->m_wpm, 20);
  HWND statusBar = frame_->m_wndStatusBar.m_hWnd;
  RECT pane = {};
  ASSERT_TRUE(frame_->m_wndStatusBar.GetItemRect(
      frame_->m_wndStatusBar.CommandToIndex(ID_INDICATOR_WPM), &pane));
  POINT click = {(pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2};
  ::ClientToScreen(statusBar, &click);

  std::atomic<bool> done{false};
  std::thread operatorThread([&] {
    ClickAt(click);
    HWND dialog = FindDialog([](HWND wnd) { return TextOf(wnd) == Ansi(kSpeedCaption); });
    EXPECT_NE(dialog, nullptr) << "the speed dialog did not open";
    if (dialog) {
      // Its top-left corner 50 pixels left of and 100 above the pointer.
      RECT placed;
      ::GetWindowRect(dialog, &placed);
      EXPECT_EQ(placed.left, click.x - 50);
      EXPECT_EQ(placed.top, click.y - 100);
      HWND slider = ::GetDlgItem(dialog, IDC_WPMDLG_SLIDER);
      HWND label = ::GetDlgItem(dialog, IDC_WPMDLG_LABEL);
      EXPECT_EQ(::SendMessageA(slider, TBM_GETPOS, 0, 0), 30);
      EXPECT_EQ(TextOf(label), "20");
      WaitFor([&] { return FocusOf(dialog) == slider; }, 5000);

      // Each key moves the speed, the label and the keyer together.
      struct Step {
        BYTE key;
        int speed;
      };
      const Step steps[] = {{VK_HOME, 50}, {VK_DOWN, 49}, {VK_DOWN, 48}, {VK_UP, 49},
                            {VK_END, 5},   {VK_UP, 6},    {VK_DOWN, 5}};
      for (const Step& step : steps) {
        const size_t before = SpeedsSent().size();
        Press(step.key);
        const std::string want = std::to_string(step.speed);
        EXPECT_TRUE(WaitFor([&] {
          const std::vector<std::string> sent = SpeedsSent();
          return sent.size() > before && sent.back() == want && TextOf(label) == want;
        })) << "speed " << step.speed;
        // Everything the keyer received for this key is the new speed: no step in between.
        const std::vector<std::string> sent = SpeedsSent();
        for (size_t i = before; i < sent.size(); ++i) EXPECT_EQ(sent[i], want);
        EXPECT_EQ(frame_->m_wpm, step.speed);
        EXPECT_EQ(::SendMessageA(slider, TBM_GETPOS, 0, 0), 50 - step.speed);
      }

      // A click on the background between the scale and the slider's channel.
      RECT background = {3, 45, 5, 47};
      ::MapDialogRect(dialog, &background);
      POINT pt = {background.left, background.top};
      ::ClientToScreen(dialog, &pt);
      ClickAt(pt);
      EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); })) << "the background click";
    }
    CloseLeftovers();
    done = true;
  });
  PumpUntil([&] { return done.load(); }, 120000);
  operatorThread.join();
  PumpUntil([] { return false; }, 300);

  EXPECT_EQ(frame_->m_wpm, 5);  // the speed set by sliding stays
  char pane_text[32] = "";
  ::SendMessageA(statusBar, SB_GETTEXTA, frame_->m_wndStatusBar.CommandToIndex(ID_INDICATOR_WPM),
                 reinterpret_cast<LPARAM>(pane_text));
  EXPECT_STREQ(pane_text, "WPM: 5");
}

TEST_F(SpeedControls, SpinStepsOneWithinFiveToFifty) {
  Start("[Keyer]\r\nWPM=50\r\n");
  ::SendMessageA(frame_->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_VIEW_CWBAR, 0), 0);
  HWND spin = frame_->m_wndCwBar.GetItem(IDC_WPM_SPIN);
  HWND field = frame_->m_wndCwBar.GetItem(IDC_WPM_FIELD);
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(spin) != FALSE; }));
  RECT r;
  ::GetWindowRect(spin, &r);
  const POINT up = {(r.left + r.right) / 2, r.top + (r.bottom - r.top) / 4};
  const POINT down = {(r.left + r.right) / 2, r.bottom - (r.bottom - r.top) / 4};
  // One click, then the frame's handling of it: the click's messages have all been taken from
  // this thread's queue, and what they posted has been handled too.
  auto clickAndSettle = [&](POINT pt) {
    ClickAt(pt);
    EXPECT_TRUE(PumpUntil([] { return HIWORD(::GetQueueStatus(QS_INPUT)) == 0 && !(::GetAsyncKeyState(VK_LBUTTON) & 0x8000); }))
        << "the click was never taken";
    PumpUntil([] { return HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0; }, 2000);
    PumpUntil([] { return false; }, 200);
  };

  clickAndSettle(up);
  EXPECT_EQ(frame_->m_wpm, 50);
  EXPECT_TRUE(SpeedsSent().empty());
  clickAndSettle(down);  // the same path is live: one step slower
  EXPECT_TRUE(PumpUntil([&] { return frame_->m_wpm == 49; }));
  EXPECT_EQ(SpeedsSent(), std::vector<std::string>{"49"});
  EXPECT_TRUE(PumpUntil([&] { return TextOf(field) == "49"; }));

  frame_->m_wpm = 6;
  mark_ = KeyerCalls(trace_).size();
  clickAndSettle(down);
  EXPECT_TRUE(PumpUntil([&] { return frame_->m_wpm == 5; }));
  clickAndSettle(down);
  EXPECT_EQ(frame_->m_wpm, 5);
  clickAndSettle(up);
  EXPECT_TRUE(PumpUntil([&] { return frame_->m_wpm == 6; }));
  EXPECT_EQ(SpeedsSent(), (std::vector<std::string>{"5", "6"}));
}
