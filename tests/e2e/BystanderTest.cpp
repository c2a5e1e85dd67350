// Programs beside Tandem that it does not follow: with Tandem's main thread stopped (as a long
// log open, a modal window or a debugger keeps it), a bystander of either bitness still gets its
// messages. Windows calls the hook of a program of the other bitness on the thread that installed
// it, so this holds only while that thread is not the main one.
//
// The bystander of the other bitness is LoggerSim.exe of the other build: in the folder that
// TANDEM_OTHER_BIN names, else in ..\..\<other>\bin (the build trees side by side). Without it
// that case is skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "LoggerSimClient.h"
#include "TandemSession.h"

namespace {

constexpr UINT kPlainMessage = WM_USER + 1;  // no reader looks at it
constexpr int kMessages = 300;
// Far longer than the messages take even on a loaded machine (well under a second), far shorter
// than the command's own limit: only a bystander that waited for the stopped thread reaches it.
constexpr DWORD kBoundMs = 30000;
constexpr UINT kCommandLimitMs = 90000;

// Tandem's main thread stopped for as long as the object lives, even when the test fails.
class StoppedThread {
 public:
  explicit StoppedThread(TandemSession& tandem) : tandem_(tandem), stopped_(tandem.Suspend()) {}
  ~StoppedThread() {
    if (stopped_) tandem_.Resume();
  }
  bool Stopped() const { return stopped_; }

 private:
  TandemSession& tandem_;
  bool stopped_;
};

class Bystanders : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempFolder("tandem-bystander-test-");
    ASSERT_FALSE(folder_.empty());
    TandemSetup setup;
    setup.binDir = ThisProgramFolder();
    setup.workDir = folder_;
    setup.ini = "[Window]\r\nCloseAnyway=1\r\n";
    setup.env = {{"KEYPORT_AUDIO", "0"}};
    ASSERT_TRUE(tandem_.Start(setup)) << tandem_.error();
  }
  void TearDown() override {
    tandem_.Stop();
    RemoveFolder(folder_);
  }

  // Runs the bystander's messages with Tandem's main thread stopped throughout; fails when they
  // waited for it.
  void ExpectMessagesFlowWhileTandemIsStopped(const std::string& bystanderPath, const char* which) {
    LoggerSimClient bystander;
    ASSERT_TRUE(bystander.Start(bystanderPath)) << bystander.error();
    // With the hook in place and Tandem waiting for input, the bystander's messages flow.
    ASSERT_GE(bystander.Command("bench " + std::to_string(kPlainMessage) + " 10", kCommandLimitMs), 0);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, tandem_.ProcessId());
    if (process) {
      WaitForInputIdle(process, 5000);
      CloseHandle(process);
    }
    StoppedThread stopped(tandem_);
    ASSERT_TRUE(stopped.Stopped());
    const DWORD start = GetTickCount();
    const std::intptr_t result =
        bystander.Command("bench " + std::to_string(kPlainMessage) + " " + std::to_string(kMessages), kCommandLimitMs);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(result, 0) << "the " << which << " bystander's messages never came while Tandem's thread was stopped";
    EXPECT_LT(elapsed, kBoundMs) << "the " << which << " bystander waited for Tandem's stopped thread";
    bystander.Stop();
  }

  std::string folder_;
  TandemSession tandem_;
};

TEST_F(Bystanders, OfTheOtherBitnessNeverWaitForTandemsMainThread) {
  const std::string other = OtherBitnessLoggerSimPath();
  if (other.empty()) GTEST_SKIP() << "no LoggerSim.exe of the other build (TANDEM_OTHER_BIN)";
  ExpectMessagesFlowWhileTandemIsStopped(other, "other-bitness");
}

TEST_F(Bystanders, OfTheSameBitnessNeverWaitForTandemsMainThread) {
  ExpectMessagesFlowWhileTandemIsStopped(LoggerSimPathBesideThisProgram(), "same-bitness");
}

}  // namespace
