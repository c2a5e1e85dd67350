// The speed dialog and the CW bar's spin control on the real main frame under Wine, worked with
// the mouse and the keyboard; each speed the keyer receives is read from the emulator's trace.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>


#include "OptionsIds.h"
#include "OptionsTestSupport.h"
#include "resource.h"

using namespace optionstest;

namespace {

const wchar_t kSpeedCaption[] = L"WPM\u901F\u5EA6";  // WPM速度

class SpeedControls : public EmulatorSession {
 protected:
  std::vector<std::string> SpeedsSent() const { return Calls("keyportSetWPM"); }
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

  shelltest::Operate([&] {
    ClickAt(click);
    HWND dialog = testsupport::WaitForOwnDialog([](HWND wnd) { return WindowText(wnd) == Ansi(kSpeedCaption); });
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
      EXPECT_EQ(WindowText(label), "20");
      WaitUntil([&] { return FocusOf(dialog) == slider; }, 5000);

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
        EXPECT_TRUE(WaitUntil([&] {
          const std::vector<std::string> sent = SpeedsSent();
          return sent.size() > before && sent.back() == want && WindowText(label) == want;
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
      EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); })) << "the background click";
    }
    CloseLeftovers();
  });

  EXPECT_EQ(frame_->m_wpm, 5);  // the speed set by sliding stays
  const int index = frame_->m_wndStatusBar.CommandToIndex(ID_INDICATOR_WPM);
  EXPECT_TRUE(PumpUntil([&] {
    char text[32] = "";
    ::SendMessageA(statusBar, SB_GETTEXTA, index, reinterpret_cast<LPARAM>(text));
    return std::string(text) == "WPM: 5";
  }));
}

// The CW bar shown with the menu command and its spin control clicked with the mouse.
class SpeedSpin : public SpeedControls {
 protected:
  void ShowSpin() {
    ::SendMessageA(frame_->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_VIEW_CWBAR, 0), 0);
    spin_ = frame_->m_wndCwBar.GetItem(IDC_WPM_SPIN);
    field_ = frame_->m_wndCwBar.GetItem(IDC_WPM_FIELD);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(spin_) != FALSE; }));
  }
  // One click on the upper or lower arrow, then the frame's handling of it: the click's messages
  // have all been taken from this thread's queue, and what they posted has been handled too.
  void ClickSpin(bool up) {
    RECT r;
    ::GetWindowRect(spin_, &r);
    const int quarter = (r.bottom - r.top) / 4;
    ClickAt(POINT{(r.left + r.right) / 2, up ? r.top + quarter : r.bottom - quarter});
    EXPECT_TRUE(PumpUntil([] {
      return HIWORD(::GetQueueStatus(QS_INPUT)) == 0 && !(::GetAsyncKeyState(VK_LBUTTON) & 0x8000);
    })) << "the click was never taken";
    shelltest::Settle();
  }

  HWND spin_ = nullptr;
  HWND field_ = nullptr;
};

TEST_F(SpeedSpin, StepsOneAndStopsAtFifty) {
  Start("[Keyer]\r\nWPM=50\r\n");
  ShowSpin();
  EXPECT_TRUE(PumpUntil([&] { return WindowText(field_) == "50"; })) << "the file's speed";
  ClickSpin(true);
  EXPECT_EQ(frame_->m_wpm, 50);
  EXPECT_TRUE(SpeedsSent().empty());
  ClickSpin(false);  // the same path is live: one step slower
  EXPECT_TRUE(PumpUntil([&] { return frame_->m_wpm == 49; }));
  EXPECT_EQ(SpeedsSent(), std::vector<std::string>{"49"});
  EXPECT_TRUE(PumpUntil([&] { return WindowText(field_) == "49"; }));
}

TEST_F(SpeedSpin, StopsAtFive) {
  Start("[Keyer]\r\nWPM=6\r\n");
  ShowSpin();
  ClickSpin(false);
  EXPECT_TRUE(PumpUntil([&] { return frame_->m_wpm == 5; }));
  ClickSpin(false);
  EXPECT_EQ(frame_->m_wpm, 5);
  ClickSpin(true);  // the same path is live: one step faster
  EXPECT_TRUE(PumpUntil([&] { return frame_->m_wpm == 6; }));
  EXPECT_EQ(SpeedsSent(), (std::vector<std::string>{"5", "6"}));
  EXPECT_TRUE(PumpUntil([&] { return WindowText(field_) == "6"; }));
}
