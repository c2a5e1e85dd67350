// What the Options sheet and the end of the program do to what is still in hand: a sheet open
// when the main window is told to close, and a PTT held for the CQ machine when its link is
// switched off or the program ends. The PTT is read from the keyer emulator's own trace; the CQ
// machine is the logger stand-in's CQ machine window, in a process of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "LoggerSimClient.h"
#include "OptionsIds.h"
#include "OptionsTestSupport.h"
#include "resource.h"

using namespace optionstest;

namespace {

constexpr char kCqMachineNotice[] = "|a|a|a|a|a|a|a|a|a|a|a|9|";
const char kHold[] = "253";     // keyportWriteData's PTT hold byte, as the trace gives it
const char kRelease[] = "255";  // and its release

class CqMachinePtt : public EmulatorSession {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start(LoggerSimPathBesideThisProgram(), "--cq-machine")) << sim_.error();
    Start("[Keyer]\r\nPTT_CQ_machine=1\r\n");
    ASSERT_EQ(sim_.Command("cqmachine-play"), 1);
  }
  void TearDown() override { sim_.Stop(); }

  // The CQ machine's start notice, sent to the main window as the CQ machine sends it.
  void SendNotice() {
    COPYDATASTRUCT data = {};
    data.cbData = sizeof kCqMachineNotice - 1;
    data.lpData = const_cast<char*>(kCqMachineNotice);
    ::SendMessageA(frame_->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  }
  std::vector<std::string> PttWrites() const { return Calls("keyportWriteData"); }
  bool Released() const {
    const std::vector<std::string> writes = PttWrites();
    return !writes.empty() && writes.back().find(kRelease) != std::string::npos;
  }

  LoggerSimClient sim_;
};

}  // namespace

// The link switched off on the keyer page while it holds the PTT (the box is hidden from the
// operator; the settings file or an older version may have it on): the PTT goes at once.
TEST_F(CqMachinePtt, SwitchedOffInOptionsWhileHeldIsLetGo) {
  SendNotice();
  ASSERT_TRUE(PumpUntil([&] { return PttWrites().size() == 1; })) << "the PTT was not held";
  EXPECT_NE(PttWrites()[0].find(kHold), std::string::npos) << PttWrites()[0];

  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.ClickTab(1));
    ::SendMessageA(sheet.Item(IDC_OPT_PTT_CQ_MACHINE), BM_SETCHECK, BST_UNCHECKED, 0);
    sheet.Ok();
    EXPECT_TRUE(sheet.WaitClosed());
  });
  EXPECT_EQ(frame_->m_pttCqMachine, 0);
  EXPECT_TRUE(PumpUntil([&] { return Released(); }, 5000))
      << "the PTT stayed keyed after the link was switched off";
  EXPECT_EQ(frame_->m_pttHeld, 0);
  EXPECT_EQ(Ini("Keyer", "PTT_CQ_machine"), "0");
}

// The program ends (its close request) while the CQ machine still plays: the PTT is let go
// before the keyer is closed.
TEST_F(CqMachinePtt, LetGoWhenTandemEnds) {
  SendNotice();
  ASSERT_TRUE(PumpUntil([&] { return PttWrites().size() == 1; })) << "the PTT was not held";
  session_.RequestClose();
  ASSERT_EQ(session_.Frame(), nullptr) << "the close did not go through";
  EXPECT_TRUE(Released()) << "the keyer was closed with the PTT keyed";
  const std::vector<std::string> calls = KeyerCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().compare(0, 12, "keyportClose"), 0) << "the release comes before the close: " << calls.back();
}

using CloseDuringOptions = EmulatorSession;

// A close request while the sheet holds a typed but not applied call sign, and while the sheet
// itself waits in a message box about a bad value: the box and the sheet end as their Cancel
// would, what was typed is discarded, and the frame closes after them with the settings as they
// were applied.
TEST_F(CloseDuringOptions, SheetIsCancelledAndTheFrameClosesAfterIt) {
  Start("[Profile]\r\nMyCallSign=JA1OLD\r\n");
  HWND frameWnd = frame_->m_hWnd;
  std::atomic<bool> sheetGone{false};
  RunSheet(frame_, [&](const Sheet& sheet) {
    ASSERT_TRUE(sheet.Retype(IDC_OPT_MYCALL, "JA9NEW"));
    ASSERT_TRUE(sheet.Retype(IDC_OPT_CQ_INTERVAL, "0.5"));
    sheet.Ok();  // refused with a message box naming the limits
    HWND box = testsupport::WaitForOwnDialog([&](HWND w) { return w != sheet.hwnd && testsupport::IsDialog(w); });
    ASSERT_NE(box, nullptr) << "no message about the pause";
    ::PostMessageA(frameWnd, WM_CLOSE, 0, 0);
    sheetGone = WaitUntil([&] { return !::IsWindow(box) && !::IsWindow(sheet.hwnd); }, 20000);
  });
  EXPECT_TRUE(sheetGone) << "the box or the sheet stayed open";
  EXPECT_TRUE(PumpUntil([&] { return session_.Frame() == nullptr; }, 10000)) << "the frame did not close";
  EXPECT_EQ(Ini("Profile", "MyCallSign"), "JA1OLD") << "a call sign never applied was saved";
}
