// The watch of the followed logger on the real main frame under Wine, with the logger stand-in as
// a process of its own: a stand-in of the other build (the other bitness, which the hook never
// reaches) is named once in a box and in the status bar while it runs; with a stand-in of this
// build the link pane follows the records and their mode.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoggerSimClient.h"
#include "ShellTestSupport.h"
#include "resource.h"

using shelltest::PumpMessages;
using shelltest::PumpUntil;

namespace {

constexpr int kThisBits = sizeof(void*) == 8 ? 64 : 32;
constexpr int kOtherBits = sizeof(void*) == 8 ? 32 : 64;
constexpr int kFollowLogger32 = 2;  // tandem::kFollowLogger32

// "ビット" and "ビット版の Tandem を起動" (the build to start) in CP932.
constexpr char kBits[] = "\x83\x72\x83\x62\x83\x67";
constexpr char kStartBuild[] =
    "\x83\x72\x83\x62\x83\x67\x94\xc5\x82\xcc Tandem \x82\xf0\x8b\x4e\x93\xae";

// LoggerSim.exe of the other build: the trees lie side by side, <build>\i686 and <build>\x86_64.
std::string OtherBuildLoggerSim() {
  const char* other = sizeof(void*) == 8 ? "i686" : "x86_64";
  return testsupport::ProgramFolder() + "\\..\\..\\" + other + "\\bin\\LoggerSim.exe";
}

std::string Bits(int bits) { return std::to_string(bits) + kBits; }

class LoggerWatch : public shelltest::RunningProgram {
 protected:
  std::string LinkPane() const {
    CWpmStatusBar& status = frame_->m_wndStatusBar;
    return status.GetPaneText(status.CommandToIndex(ID_INDICATOR_LINK));
  }
  bool PaneBecomes(const std::string& text, DWORD ms = 10000) {
    return PumpUntil([&] { return LinkPane() == text; }, ms);
  }
  static void Cmd(LoggerSimClient& sim, const std::string& command) {
    ASSERT_EQ(sim.Command(command), 1) << command;
  }
  // The first transition of F1 as the stand-in retrieved it from `start` on: WM_NULL when a hook
  // kept it from the stand-in, 0 when it never came.
  static UINT FirstF1(const LoggerSimClient& sim, std::size_t start) {
    const std::vector<loggersim::LogEntry> log = sim.Log();
    for (std::size_t i = start; i < log.size(); ++i)
      if (log[i].code == VK_F1 && (log[i].message == WM_NULL || log[i].message == WM_KEYDOWN))
        return log[i].message;
    return 0;
  }

  const std::string none_ = LoadResString(ID_INDICATOR_LINK);
  const std::string linked_ = LoadResString(IDS_LINK_LINKED);
  const std::string modeNotCw_ = LoadResString(IDS_LINK_MODE_NOT_CW);
};

TEST_F(LoggerWatch, LoggerOfTheOtherBitnessIsNamedOnceInABoxAndWhileItRuns) {
  const std::string path = OtherBuildLoggerSim();
  if (!testsupport::FileExists(path)) {
    GTEST_SKIP() << "the logger stand-in of the other build is not built: " << path;
  }
  ASSERT_NE(none_, linked_);
  EXPECT_EQ(LinkPane(), none_);
  LoggerSimClient logger;
  if (!logger.Start(path)) {
    if (logger.error().compare(0, 12, "cannot start") == 0) {
      GTEST_SKIP() << "this system does not start the other build's programs: " << logger.error();
    }
    FAIL() << logger.error();
  }

  // The operator works in the logger's entry window: the box comes at once and names both
  // bitnesses and the build to start, and the pane names the logger's already while it is up.
  Cmd(logger, "text call JA1ABC");
  Cmd(logger, "focus call");
  std::string box;
  std::string paneWithBox;
  const HWND statusBar = frame_->m_wndStatusBar.m_hWnd;
  const int paneIndex = frame_->m_wndStatusBar.CommandToIndex(ID_INDICATOR_LINK);
  shelltest::Operate(
      [&] {
        HWND shown = testsupport::WaitForOwnDialog([](HWND) { return true; }, 15000);
        if (shown == nullptr) return;
        box = testsupport::MessageBoxText(shown);
        char text[256] = {};
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(statusBar, SB_GETTEXTA, static_cast<WPARAM>(paneIndex),
                              reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &result);
        paneWithBox = text;
        ::PostMessageA(shown, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      },
      30000);
  ASSERT_FALSE(box.empty()) << "no box came";
  EXPECT_NE(box.find(Bits(kOtherBits)), std::string::npos) << box;
  EXPECT_NE(box.find(std::to_string(kThisBits) + kBits), std::string::npos) << box;
  EXPECT_NE(box.find(std::to_string(kOtherBits) + kStartBuild), std::string::npos)
      << "the box does not name the build to start: " << box;
  EXPECT_NE(paneWithBox.find(Bits(kOtherBits)), std::string::npos)
      << "while the box is up the pane says: " << paneWithBox;
  // From here on every box is answered and counted.
  testsupport::OwnDialogAnswerer answerer(IDOK);
  const std::string pane = LinkPane();
  EXPECT_NE(pane.find(Bits(kOtherBits)), std::string::npos) << pane;
  EXPECT_NE(pane, none_);

  // Why: the logger handles F1 itself, and no record reaches Tandem.
  Cmd(logger, "focus call");
  const std::size_t start = logger.LogSize();
  ASSERT_TRUE(testsupport::PressInLogger(logger, VK_F1));
  EXPECT_EQ(FirstF1(logger, start), static_cast<UINT>(WM_KEYDOWN)) << "F1 was kept from the logger";
  EXPECT_EQ(frame_->m_loggerWnd, nullptr) << "a record came from the other bitness";

  // Tandem in front, then the logger again: the pane still names it, and no second box comes.
  ASSERT_TRUE(shelltest::BringToFront(frame_->m_hWnd));
  PumpMessages(700);
  EXPECT_EQ(LinkPane(), pane) << "the pane forgot the logger while it runs";
  Cmd(logger, "focus call");
  PumpMessages(1500);
  EXPECT_TRUE(answerer.Texts().empty()) << "the box came again in the same run";

  // Once the logger has gone, the pane goes back.
  logger.Stop();
  EXPECT_TRUE(PaneBecomes(none_)) << LinkPane();
  EXPECT_TRUE(answerer.Texts().empty());
}

// A stand-in of this build: linked while records arrive from a logger that runs, back to none
// when it has gone; a mode that is not keyed is told, unless every mode is keyed.
TEST_F(LoggerWatch, LinkPaneFollowsTheRecordsAndTheirMode) {
  testsupport::OwnDialogAnswerer answerer(IDOK);
  frame_->m_cwAlways = 0;
  EXPECT_TRUE(PaneBecomes(none_)) << LinkPane();
  {
    LoggerSimClient n1mm;
    ASSERT_TRUE(n1mm.Start(LoggerSimPathBesideThisProgram())) << n1mm.error();
    Cmd(n1mm, "focus call");
    ASSERT_TRUE(testsupport::TypeInLogger(n1mm, "JA1ABC"));
    EXPECT_TRUE(PaneBecomes(linked_)) << LinkPane();
    n1mm.Stop();
    EXPECT_TRUE(PaneBecomes(none_)) << "still linked to a logger that has gone: " << LinkPane();
  }

  frame_->ApplyFollowLogger(kFollowLogger32);
  LoggerSimClient l32;
  ASSERT_TRUE(l32.Start(LoggerSimPathBesideThisProgram(), "--logger32")) << l32.error();
  Cmd(l32, "text call XX1ABC");
  Cmd(l32, "text mode SSB 59");
  Cmd(l32, "focus call");
  ASSERT_TRUE(testsupport::TypeInLogger(l32, "A"));
  EXPECT_TRUE(PaneBecomes(modeNotCw_)) << LinkPane();
  EXPECT_EQ(frame_->m_mode, "SSB");
  // Every mode keyed by the setting: the same record is linked.
  frame_->m_cwAlways = 1;
  EXPECT_TRUE(PaneBecomes(linked_)) << LinkPane();
  frame_->m_cwAlways = 0;
  EXPECT_TRUE(PaneBecomes(modeNotCw_)) << LinkPane();
  // Back to CW in the logger.
  Cmd(l32, "text mode CW 599");
  Cmd(l32, "focus call");
  ASSERT_TRUE(testsupport::TypeInLogger(l32, "B"));
  EXPECT_TRUE(PaneBecomes(linked_)) << LinkPane();
  l32.Stop();
  EXPECT_TRUE(PaneBecomes(none_)) << LinkPane();
  EXPECT_TRUE(answerer.Texts().empty()) << "a box for a logger of this build: " << answerer.Texts().front();
}

// The notice number can be posted by any program: without a logger of the other bitness found,
// it shows nothing.
TEST_F(LoggerWatch, PostedNoticeWithoutSuchALoggerShowsNothing) {
  testsupport::OwnDialogAnswerer answerer(IDOK);
  ::PostMessageA(frame_->m_hWnd, WM_APP + 1, 0, 0);
  PumpMessages(700);
  EXPECT_TRUE(answerer.Texts().empty()) << answerer.Texts().front();
  EXPECT_EQ(LinkPane(), none_);
}

}  // namespace
