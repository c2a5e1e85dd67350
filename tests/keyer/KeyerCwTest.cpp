// The keyer binding and the CW message engine on the real main frame under Wine, keying through
// the keyer emulator (loaded from its own folder) and read back from its trace.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "KeyerTestSupport.h"
#include "KeyportControl.h"
#include "LoggerSimClient.h"
#include "TandemView.h"
#include "resource.h"

using keyertest::Calls;
using keyertest::CountCalls;
using keyertest::CountOf;
using keyertest::EntryRecord;
using keyertest::Keyed;
using shelltest::PumpMessages;
using shelltest::PumpUntil;

namespace {

const char kBankAF2[] = "$C UR $R [KN]";
// "|a|a|a|a|a|a|a|a|a|a|a|9|": the CQ machine's start notice.
const char kCqMachineNotice[] = "|a|a|a|a|a|a|a|a|a|a|a|9|";

class CwEngine : public keyertest::KeyerFrameTest {
 protected:
  // Bank-A on the buttons, the call and report of a contact, 9 keyed as N.
  void PrepareF2() {
    frame_->m_bankA = 1;
    frame_->LayoutFnButtons(0, 8);
    frame_->m_call = "XX1ABC";
    frame_->m_report = "599";
    frame_->m_subst9 = "N";
  }
};

using KeyerBinding = CwEngine;

}  // namespace

// Runs first: the time stamp gate is one for the whole process. LogTime comes from the settings
// file, Bank-A from the View menu's bank command.
TEST_F(CwEngine, TimeStampAtMostOncePerMinute) {
  WriteSettings("[Window]\r\nLogTime=1\r\n");
  ASSERT_TRUE(Start("50", false));
  ASSERT_EQ(frame_->m_logTime, 1);
  const int bankBefore = frame_->m_bankA;
  ::SendMessageA(frame_->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_VIEW_BANK, 0), 0);
  ASSERT_EQ(frame_->m_bankA, 1 - bankBefore) << "the menu command did not switch the bank";
  if (frame_->m_bankA != 1) ::SendMessageA(frame_->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_VIEW_BANK, 0), 0);
  ASSERT_EQ(frame_->m_bankA, 1);
  char before[32];
  const std::time_t t0 = std::time(nullptr);
  std::strftime(before, sizeof(before), "%H:%M", std::localtime(&t0));
  ClickFn(1007);  // "TU E E"
  ClickFn(1007);
  char after[32];
  const std::time_t t1 = std::time(nullptr);
  std::strftime(after, sizeof(after), "%H:%M", std::localtime(&t1));
  const std::string log = Log();
  const std::regex stamp(R"(\[\d\d/\d\d-\d\d:\d\d\])");
  const auto stamps = std::distance(std::sregex_iterator(log.begin(), log.end(), stamp),
                                    std::sregex_iterator());
  const bool sameMinute = std::string(before) == after;
  if (sameMinute) {
    EXPECT_EQ(stamps, 1) << log;
    EXPECT_EQ(log.find('['), 0u) << "the stamp goes before the message: " << log;
    EXPECT_NE(log.find(std::string(before) + "]TU E E TU E E "), std::string::npos) << log;
  }
  // Without LogTime no stamp at all.
  frame_->m_logTime = 0;
  frame_->GetLogView()->ClearLog();
  ClickFn(1007);
  EXPECT_EQ(Log(), "TU E E ");
  if (!sameMinute) GTEST_SKIP() << "the minute rolled over between the presses (" << before << ", " << after
                                << "): the once-a-minute stamp was not checked";
}

// Streaming driven by hand-made reports (no device, so the emulator posts none), for the exact
// counts: the first three tokens at once, one token per report while fewer than three wait, "$R"
// filled in when keying reaches it, in the queue and in the whole log. The emulator's own reports
// drive the streaming tests in KeyerStreamTest.cpp.
TEST_F(CwEngine, F2StreamsOneTokenPerReportAndFillsInTheReportLate) {
  ASSERT_TRUE(Start("50", false));
  ASSERT_EQ(frame_->m_device, -1);
  PrepareF2();
  ASSERT_EQ(::GetWindowTextLengthA(frame_->m_wndFnBar.GetItem(1001)),
            static_cast<int>(sizeof(kBankAF2) - 1));
  frame_->GetLogView()->AppendToLog("OLD $R ");

  ClickFn(1001);
  EXPECT_EQ(Log(), "OLD $R XX1ABC UR $R [KN] ");
  EXPECT_EQ(Keyed(trace_), "XX1");
  EXPECT_EQ(frame_->m_sendQueue, "ABC UR $R [KN]");

  SendReport(0, 3);  // three wait: nothing more
  EXPECT_EQ(Keyed(trace_), "XX1");
  SendReport(0, 2);
  EXPECT_EQ(Keyed(trace_), "XX1A");
  EXPECT_EQ(frame_->m_pending, 2);

  // A second press while the queue holds text: logged at once, keyed behind the first.
  ClickFn(1001);
  EXPECT_EQ(Log(), "OLD $R XX1ABC UR $R [KN] XX1ABC UR $R [KN] ");
  EXPECT_EQ(Keyed(trace_), "XX1A");
  EXPECT_EQ(frame_->m_sendQueue, "BC UR $R [KN]XX1ABC UR $R [KN]");

  // Each report keys exactly one token; the "$R" step fills in the report and keys the next one
  // in the same report, since a report that keys nothing may be the last one to come.
  int steps = 0;
  bool sawReportStep = false;
  while (!frame_->m_sendQueue.empty() && steps < 100) {
    const std::string queueBefore = frame_->m_sendQueue;
    const size_t keyedBefore = Keyed(trace_).size();
    if (queueBefore.compare(0, 2, "$R") == 0 && !sawReportStep) {
      EXPECT_NE(Log().find("UR $R"), std::string::npos);
      SendReport(0, 0);
      sawReportStep = true;
      EXPECT_EQ(Keyed(trace_).size(), keyedBefore + 1);
      EXPECT_EQ(frame_->m_sendQueue, "NN [KN]XX1ABC UR 5NN [KN]");
      EXPECT_EQ(Log(), "OLD 5NN XX1ABC UR 5NN [KN] XX1ABC UR 5NN [KN] ");
    } else {
      SendReport(0, 1);
      const size_t keyedNow = Keyed(trace_).size();
      EXPECT_EQ(keyedNow, keyedBefore + (queueBefore.compare(0, 4, "[KN]") == 0 ? 4 : 1));
    }
    ++steps;
  }
  EXPECT_TRUE(sawReportStep);
  EXPECT_EQ(Keyed(trace_), "XX1ABC UR 5NN <B4>XX1ABC UR 5NN <B4>");
  for (const std::string& call : Calls(trace_)) {
    if (call.compare(0, 14, "keyportPutChar") == 0) {
      EXPECT_EQ(call.substr(15, 3), "-1 ");
    }
  }
}

// The report and exchange as an entry record brings them: empty, and with text to clean.
TEST_F(CwEngine, EmptyReportAndExchangeShowPlaceholders) {
  ASSERT_TRUE(Start("50", false));
  frame_->SetMemory(0, 3, "R $R A $A E");
  EntryRecord record;
  record.call = "XX1ABC";
  // "(A)B/C東京" in CP932: cleaned to ABC.
  record.exchange = "(A)B/C\x93\x8C\x8B\x9E";
  SendRecord(record);
  ASSERT_EQ(frame_->m_bankA, 1) << "the record's check control did not choose Bank-A";
  ClickFn(1003);
  for (int i = 0; i < 20 && !frame_->m_sendQueue.empty(); ++i) SendReport(0, 0);
  EXPECT_EQ(Log(), "R _ A ABC E ");
  EXPECT_EQ(Keyed(trace_), "R  A ABC E");
}

// The contact and the mode from an entry record, 9 keyed as N from the settings file; the
// buttons clicked as the operator clicks them.
TEST_F(CwEngine, NonCwModeLogsOnlyAndSendButtonKeysTypedText) {
  WriteSettings("[Keyer]\r\n9=N\r\n");
  ASSERT_TRUE(Start("50", false));
  EntryRecord record;
  record.call = "XX1ABC";
  record.report = "599";
  record.mode = "SSB";
  SendRecord(record);
  frame_->SetCwAlways(false);
  ClickFn(1001);
  EXPECT_EQ(Log(), "XX1ABC UR $R [KN] ");
  EXPECT_EQ(Keyed(trace_), "");
  EXPECT_TRUE(frame_->m_sendQueue.empty());

  // The Send button keys whatever the mode: the first byte at once, the rest streamed.
  HWND edit = frame_->m_wndCwBar.GetItem(IDC_SEND_TEXT);
  Send("AB[KN]");
  EXPECT_EQ(Log(), "XX1ABC UR $R [KN] AB[KN]");
  EXPECT_EQ(::GetWindowTextLengthA(edit), 0);
  EXPECT_EQ(Keyed(trace_), "A");
  EXPECT_EQ(frame_->m_sendQueue, "B[KN]");
  // ...but the streaming waits for a CW-like mode.
  SendReport(0, 0);
  EXPECT_EQ(frame_->m_sendQueue, "B[KN]");
  frame_->m_mode = "CW";
  SendReport(0, 0);
  SendReport(0, 0);
  EXPECT_EQ(Keyed(trace_), "AB<B4>");

  // An empty text line sends nothing.
  ClickCwBar(IDC_SEND_BUTTON);
  EXPECT_EQ(Keyed(trace_), "AB<B4>");
}

TEST_F(CwEngine, TypeAheadCancelAndFlushReport) {
  ASSERT_TRUE(Start("50", false));

  // Nothing waiting in the keyer: typed characters go out at once, even past a queue.
  frame_->m_sendQueue = "XY";
  frame_->TypeAheadChar('Q');
  EXPECT_EQ(Keyed(trace_), "Q");
  // Characters waiting: queued, and Backspace takes the last one back.
  SendReport(0, 5);
  frame_->TypeAheadChar('R');
  EXPECT_EQ(frame_->m_sendQueue, "XYR");
  EXPECT_TRUE(frame_->DropLastQueued());
  EXPECT_TRUE(frame_->DropLastQueued());
  EXPECT_TRUE(frame_->DropLastQueued());
  EXPECT_FALSE(frame_->DropLastQueued());

  // A report of 15 empties the queue and ends CQ repeat.
  frame_->m_bankA = 1;
  frame_->LayoutFnButtons(0, 8);
  frame_->SendFnMessage(1000, true);
  ASSERT_EQ(frame_->m_cqRepeat, 1);
  ASSERT_FALSE(frame_->m_sendQueue.empty());
  SendReport(0, 15);
  EXPECT_TRUE(frame_->m_sendQueue.empty());
  EXPECT_EQ(frame_->m_pending, 0);
  EXPECT_EQ(frame_->m_cqRepeat, 0);

  // Cancelling without a device drops the queue but makes no library call with -1.
  frame_->SendFnMessage(1000, true);
  const size_t cancels = CountCalls(trace_, "keyportTxCancel -1");
  frame_->CancelSending();
  EXPECT_TRUE(frame_->m_sendQueue.empty());
  EXPECT_EQ(frame_->m_cqRepeat, 0);
  EXPECT_EQ(CountCalls(trace_, "keyportTxCancel -1"), cancels);

  // The CQ pause keeps to 1..10 s.
  frame_->SetCqInterval(2.5f);
  EXPECT_EQ(frame_->m_cqInterval, 2500);
  frame_->SetCqInterval(0.5f);
  frame_->SetCqInterval(12.0f);
  EXPECT_EQ(frame_->m_cqInterval, 2500);
  EXPECT_FLOAT_EQ(frame_->GetCqInterval(), 2.5f);
}

// Binding without a device: every call goes out with -1, except the callback window. The speed
// comes from the settings file.
TEST_F(KeyerBinding, OpenFailingLeavesNoDeviceAndCallsWithMinusOne) {
  WriteSettings("[Keyer]\r\nWeightDot=abc\r\nWPM=50\r\n");
  ASSERT_TRUE(Start("50", false));
  EXPECT_NE(frame_->m_hKeyport, nullptr);
  EXPECT_EQ(frame_->m_device, -1);
  const std::vector<std::string> expected = {
      "keyportOpen 0",          "keyportSetWPM -1 50",       "keyportSetPTTParam -1 25 200",
      "keyportSetPaddle -1 1",  "keyportSetSideTone -1 8",  "keyportSetWeight -1 0 6",
      "keyportGetVersion -1"};
  EXPECT_EQ(Calls(trace_), expected);
  EXPECT_EQ(frame_->m_version, "KEYPORT Ver.1.2");
  PumpMessages(50);
  EXPECT_EQ(frame_->m_wndStatusBar.GetPaneText(0), "KEYPORT Ver.1.2");

  // Parameters: limits send nothing; PTT off sends 0, 0 and keeps the delays.
  frame_->StepWpm(true);
  EXPECT_EQ(frame_->GetWpm(), 50);
  frame_->ApplyWpm(5);
  frame_->StepWpm(false);
  frame_->StepWpm(true);
  frame_->ApplyPtt(false, 25, 200);
  EXPECT_EQ(frame_->m_pttDelayP, 25);
  EXPECT_EQ(frame_->m_pttDelayA, 200);
  frame_->ApplyPtt(true, 300, 200);  // cut to the low 8 bits
  frame_->ApplySideTone(true, 0);
  frame_->ApplySideTone(false, 7);
  frame_->ApplyWeight(1.25f, 3.0f);
  frame_->ApplyPaddle(false);
  std::vector<std::string> calls = Calls(trace_);
  calls.erase(calls.begin(), calls.begin() + static_cast<long>(expected.size()));
  const std::vector<std::string> later = {
      "keyportSetWPM -1 5",           "keyportSetWPM -1 6",        "keyportSetPTTParam -1 0 0",
      "keyportSetPTTParam -1 44 200", "keyportSetSideTone -1 1",   "keyportSetSideTone -1 0",
      "keyportSetWeight -1 3 6",      "keyportSetPaddle -1 0"};
  EXPECT_EQ(calls, later);

  session_.End();
  EXPECT_EQ(CountCalls(trace_, "keyportClose -1"), 0u) << "no close without a device";
}

// With a device: the binding order, the callback window, keying at the set speed through real
// reports, and the close at the end. The contact comes as an entry record, 9 as N from the
// settings file, and F2 is pressed in the frame through the program's own loop.
TEST_F(KeyerBinding, EmulatorKeysF2AndReportsStreamTheRest) {
  WriteSettings("[Keyer]\r\n9=N\r\n");
  ASSERT_TRUE(Start("50", true));
  ASSERT_EQ(frame_->m_device, 0);
  std::vector<std::string> calls = Calls(trace_);
  ASSERT_EQ(calls.size(), 8u);
  EXPECT_EQ(calls[0], "keyportOpen 0");
  EXPECT_EQ(calls[1], "keyportSetWPM 0 20");
  EXPECT_EQ(calls[6], "keyportGetVersion 0");
  char callback[64];
  std::snprintf(callback, sizeof(callback), "keyportSetCallbackWindow 0 %llu",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(frame_->m_hWnd)));
  EXPECT_EQ(calls[7], callback);

  EntryRecord record;
  record.call = "XX1ABC";
  record.report = "599";
  SendRecord(record);
  ASSERT_TRUE(FocusLog()) << "the frame did not take the keyboard focus";
  testsupport::Press(VK_F2);
  ASSERT_TRUE(PumpUntil(
      [&] { return !Log().empty() && frame_->m_sendQueue.empty() && frame_->m_pending == 0; }, 20000))
      << "keyed " << Keyed(trace_) << ", log " << Log();
  EXPECT_EQ(Keyed(trace_), "XX1ABC UR 5NN <B4>");
  EXPECT_EQ(Log(), "XX1ABC UR 5NN [KN] ");
  // Every character was keyed, none dropped.
  for (const TraceEvent& e : testsupport::ReadTrace(trace_)) {
    EXPECT_NE(e.event.compare(0, 4, "drop"), 0) << e.event << " " << e.rest;
  }
  // PgUp in the frame raises the speed by one, through the frame's pre-translation.
  testsupport::Press(VK_PRIOR);
  EXPECT_TRUE(PumpUntil([&] { return CountCalls(trace_, "keyportSetWPM 0 21") == 1; }, 10000))
      << "PgUp did not reach the keyer";
  EXPECT_EQ(frame_->GetWpm(), 21);
  // A click on the button keys the same message again.
  ClickFn(1001);
  EXPECT_TRUE(PumpUntil([&] { return Keyed(trace_) == "XX1ABC UR 5NN <B4>XX1ABC UR 5NN <B4>"; }, 20000))
      << Keyed(trace_);
  session_.End();
  EXPECT_EQ(CountCalls(trace_, "keyportClose 0"), 1u);
}

TEST_F(KeyerBinding, CqRepeatSendsAgainAfterTheIdleReportUntilCancelled) {
  WriteSettings("[Profile]\r\nMyCallSign=XX9ABC\r\n");
  ASSERT_TRUE(Start("50", true));
  frame_->m_cqInterval = 300;  // below the 1 s that the settings allow, to keep the test short
  frame_->LayoutFnButtons(0, 8);
  frame_->m_bankA = 1;
  frame_->SendFnMessage(1000, true);
  const std::string cq = "CQ DE XX9ABC XX9ABC XX9ABC PSE K";
  ASSERT_TRUE(PumpUntil([&] { return CountOf(Keyed(trace_), cq) >= 2; }, 20000)) << Keyed(trace_);
  EXPECT_GE(CountOf(Log(), cq + " "), 2u);

  // The second CQ started only after the keyer had reported idle.
  const std::vector<TraceEvent> lines = testsupport::ReadTrace(trace_);
  size_t firstIdle = lines.size();
  size_t putChars = 0;
  size_t secondStart = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].event == "report" && lines[i].args == std::vector<long>{0, 0} && firstIdle == lines.size()) {
      firstIdle = i;
    }
    if (lines[i].event == "keyportPutChar" && ++putChars == cq.size() + 1) {
      secondStart = i;
    }
  }
  EXPECT_LT(firstIdle, secondStart);

  frame_->CancelSending();
  EXPECT_EQ(frame_->m_cqRepeat, 0);
  EXPECT_TRUE(frame_->m_sendQueue.empty());
  PumpMessages(800);
  bool cancelled = false;
  for (const TraceEvent& e : testsupport::ReadTrace(trace_)) {
    if (e.event == "keyportTxCancel" && e.args == std::vector<long>{0}) cancelled = true;
    if (cancelled) {
      EXPECT_NE(e.event, "keyportPutChar") << e.rest;
    }
  }
  EXPECT_TRUE(cancelled);
}

// PaddleKbd from the settings file; the paddle's text through the emulator's control window.
TEST_F(KeyerBinding, PaddleEchoInBothAlphabets) {
  WriteSettings("[Keyer]\r\nPaddleKbd=1\r\n");
  ASSERT_TRUE(Start("50", true));
  ASSERT_EQ(frame_->m_paddleKbd, 1);
  ::SetForegroundWindow(frame_->m_hWnd);
  PumpMessages(50);
  if (::GetKeyState(VK_KANA) & 1) {
    frame_->ToggleKana();
    PumpMessages(100);
  }

  // From the paddle through the emulator: its report carries the code.
  HWND control = testsupport::FindTopLevel(::GetCurrentProcessId(), [](HWND w) {
    char name[64] = "";
    ::GetClassNameA(w, name, sizeof name);
    return std::string(name) == KEYPORT_CONTROL_CLASS;
  });
  ASSERT_NE(control, nullptr);
  const char text[] = "A";
  COPYDATASTRUCT data = {KEYPORT_CTL_PADDLE_TEXT, 1, const_cast<char*>(text)};
  ASSERT_EQ(::SendMessageA(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 1);
  EXPECT_TRUE(PumpUntil([&] { return Log() == "A"; }, 10000)) << Log();

  // The Wabun start sign switches Kana input on; then .- is the kana "i".
  SendReport(0x9E, 0);
  PumpMessages(100);
  SendReport(0x60, 0);
  EXPECT_EQ(frame_->m_kanaOn, 1);
  EXPECT_EQ(Log(), "A\xB2");
  // The end sign switches it off; nothing is written for either sign.
  SendReport(0x14, 0);
  PumpMessages(100);
  SendReport(0x60, 0);
  EXPECT_EQ(frame_->m_kanaOn, 0);
  EXPECT_EQ(Log(), "A\xB2" "A");

  // Without PaddleKbd nothing is echoed and Kana input stays.
  frame_->m_paddleKbd = 0;
  SendReport(0x9E, 0);
  PumpMessages(100);
  SendReport(0x60, 0);
  EXPECT_EQ(frame_->m_kanaOn, 0);
  EXPECT_EQ(Log(), "A\xB2" "A");
}

TEST_F(KeyerBinding, MissingExportIsSkipped) {
  ASSERT_TRUE(Start("50", true, testsupport::ProgramFolder() + "\\emulator-noputcode"));
  ASSERT_NE(frame_->m_hKeyport, nullptr);
  EXPECT_EQ(frame_->m_keyportPutCode, nullptr);
  EXPECT_NE(frame_->m_keyportPutChar, nullptr);
  EXPECT_EQ(frame_->m_device, 0);
  PrepareF2();
  ClickFn(1001);
  ASSERT_TRUE(PumpUntil([&] { return frame_->m_sendQueue.empty() && frame_->m_pending == 0; },
                        20000));
  EXPECT_EQ(Keyed(trace_), "XX1ABC UR 5NN ");
  EXPECT_EQ(Log(), "XX1ABC UR 5NN [KN] ");
}

TEST_F(KeyerBinding, MissingLibraryKeysNothingAndSaysSoAtExit) {
  ASSERT_TRUE(Start("50", false, ""));
  EXPECT_EQ(frame_->m_hKeyport, nullptr);
  EXPECT_EQ(frame_->m_device, -1);
  EXPECT_EQ(frame_->m_version, "KEYPORT Ver.?");
  PrepareF2();
  ClickFn(1001);
  EXPECT_EQ(Log(), "XX1ABC UR $R [KN] ");
  frame_->StepWpm(true);
  frame_->CancelSending();
  frame_->OnCqMachineNotice();
  EXPECT_EQ(frame_->m_pttHeld, 0);
  session_.End();

  // The program itself, its standard output in a file.
  const std::string out = folder_.File("stdout.txt");
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE file = ::CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string program = testsupport::ProgramFolder() + "\\Tandem.exe";
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION info = {};
  const BOOL started = ::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                        nullptr, folder_.Path().c_str(), &startup, &info);
  ::CloseHandle(file);
  ASSERT_TRUE(started);
  HWND main = nullptr;
  EXPECT_TRUE(testsupport::WaitUntil([&] { return (main = testsupport::FindMainWindow(info.dwProcessId)) != nullptr; },
                                     15000));
  if (main) ::PostMessageA(main, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(info.hProcess, 15000) != WAIT_OBJECT_0) {
    ::TerminateProcess(info.hProcess, 1);
    ::WaitForSingleObject(info.hProcess, 5000);
    ADD_FAILURE() << "Tandem.exe did not end";
  }
  ::CloseHandle(info.hProcess);
  ::CloseHandle(info.hThread);
  // Standard output is in the C library's text mode, so the line ends as Windows lines do.
  EXPECT_EQ(testsupport::ReadFileBytes(out), "KEYPORT.DLL Load Error\r\n");
}

// The CQ machine's notice arrives as WM_COPYDATA, as the CQ machine sends it; the link is on from
// the settings file.
TEST_F(KeyerBinding, CqMachineNoticeHoldsPttUntilItsStopButtonHides) {
  WriteSettings("[Keyer]\r\nPTT_CQ_machine=1\r\n");
  LoggerSimClient logger;
  ASSERT_TRUE(logger.Start(LoggerSimPathBesideThisProgram(), "--cq-machine")) << logger.error();
  ASSERT_TRUE(Start("50", true));
  ASSERT_EQ(frame_->m_pttCqMachine, 1);
  auto notice = [&] {
    COPYDATASTRUCT data = {0, sizeof kCqMachineNotice - 1, const_cast<char*>(kCqMachineNotice)};
    ::SendMessageA(frame_->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  };
  auto pttOn = [&] {
    std::size_t n = 0;
    for (const TraceEvent& e : testsupport::ReadTrace(trace_)) n += e.event == "ptt" && e.rest == "on";
    return n;
  };

  // Without the link enabled the watch runs but PTT is never touched.
  frame_->m_pttCqMachine = 0;
  ASSERT_EQ(logger.Command("cqmachine-play"), 1);
  notice();
  EXPECT_EQ(frame_->m_pttHeld, 0);
  ASSERT_EQ(logger.Command("cqmachine-stop"), 1);
  PumpMessages(300);
  EXPECT_EQ(CountCalls(trace_, "keyportWriteData 0 0 253"), 0u);
  EXPECT_EQ(CountCalls(trace_, "keyportWriteData 0 0 255"), 0u);

  // The same run with the link: held, and held once for a second notice.
  frame_->m_pttCqMachine = 1;
  ASSERT_EQ(logger.Command("cqmachine-play"), 1);
  notice();
  notice();
  EXPECT_EQ(frame_->m_pttHeld, 1);
  PumpMessages(400);
  EXPECT_EQ(frame_->m_pttHeld, 1);
  EXPECT_EQ(CountCalls(trace_, "keyportWriteData 0 0 253"), 1u);
  EXPECT_EQ(CountCalls(trace_, "keyportWriteData 0 0 255"), 0u);

  ASSERT_EQ(logger.Command("cqmachine-stop"), 1);
  EXPECT_TRUE(PumpUntil([&] { return frame_->m_pttHeld == 0; }, 10000));
  EXPECT_TRUE(PumpUntil([&] { return CountCalls(trace_, "keyportWriteData 0 0 255") == 1u; }, 10000));
  PumpMessages(300);
  EXPECT_EQ(CountCalls(trace_, "keyportWriteData 0 0 255"), 1u) << "the watch stopped";
  EXPECT_TRUE(PumpUntil([&] { return pttOn() >= 1u; }, 10000));
  logger.Stop();
}

TEST_F(CwEngine, EditDialogShowsKeyAndTextAndStoresOnOk) {
  ASSERT_TRUE(Start("50", false, ""));
  frame_->m_bankA = 0;
  frame_->LayoutFnButtons(1, 8);  // Bank-B: F3 "73 TU E E"

  struct Answer {
    std::string title;
    std::string text;
  };
  // Answers the dialog from another thread: reads it, types `newText`, presses `button`. It
  // looks for as long as the editor may still come: until the modal call has returned.
  auto edit = [&](const char* newText, int button, Answer* answer) {
    std::atomic<bool> returned{false};
    std::thread answerer([&] {
      while (!returned) {
        HWND dialog = testsupport::FindTopLevel(::GetCurrentProcessId(), [](HWND w) {
          return testsupport::IsDialog(w) && ::IsWindowVisible(w);
        });
        if (dialog) {
          answer->title = testsupport::WindowText(dialog);
          char text[256] = "";
          ::GetDlgItemTextA(dialog, IDC_FNEDIT_TEXT, text, sizeof(text));
          answer->text = text;
          ::SendDlgItemMessageA(dialog, IDC_FNEDIT_TEXT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(newText));
          ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
          return;
        }
        ::Sleep(25);
      }
    });
    frame_->EditFnMessage(1002);
    returned = true;
    answerer.join();
  };

  Answer cancelled;
  edit("IGNORED", IDCANCEL, &cancelled);
  EXPECT_EQ(cancelled.title, "F3 \x95\xD2\x8F\x57 73 TU E E");
  EXPECT_EQ(cancelled.text, "73 TU E E");
  EXPECT_EQ(frame_->GetMemory(1, 2), "73 TU E E");

  Answer ok;
  edit("CQ TEST", IDOK, &ok);
  EXPECT_EQ(ok.text, "73 TU E E");
  EXPECT_EQ(frame_->GetMemory(1, 2), "CQ TEST");
  char caption[64] = "";
  ::GetWindowTextA(frame_->m_wndFnBar.GetItem(1002), caption, sizeof(caption));
  EXPECT_STREQ(caption, "CQ TEST");
  EXPECT_TRUE(Log().empty()) << "editing sends nothing";

  // Out of range: ignored, or empty.
  frame_->SetMemory(2, 0, "X");
  frame_->SetMemory(0, 12, "X");
  EXPECT_EQ(frame_->GetMemory(2, 0), "");
  EXPECT_EQ(frame_->GetMemory(-1, 0), "");
  EXPECT_EQ(frame_->GetMemory(0, 0), "CQ DE $M $M $M PSE K");
}

// The late report is written into the log where each "$R" stands, also behind double-byte text
// and far back in a long log, and the result is what replacing in the whole text gives.
TEST_F(CwEngine, LogRewriteMatchesReplacingInTheWholeText) {
  ASSERT_TRUE(Start("50", false));
  // "東京" in CP932; its second byte of 京 (0x9E) is no ASCII, but 0x8C 0x52 holds an "R".
  const std::string kanji = "\x93\x8C\x8B\x9E\x8C\x52";
  std::string before = "$R FAR BACK " + kanji + "\r\n";
  for (int i = 0; i < 400; ++i) before += kanji + " LINE OF AN EARLIER CONTACT\r\n";
  before += kanji + "$R" + kanji + " $A $R";
  frame_->GetLogView()->SetWholeText(before);
  frame_->GetLogView()->MoveCaretToEnd();
  frame_->m_report = "579";
  frame_->m_subst9 = "NN";
  frame_->m_sendQueue = "$R";
  SendReport(0, 0);
  std::string expected = before;
  size_t at;
  while ((at = expected.find("$R")) != std::string::npos) expected.replace(at, 2, "57NN");
  EXPECT_EQ(Log(), expected);
  EXPECT_EQ(frame_->m_sendQueue, "7NN");  // the fill-in, then its first character keyed
  // The caret stays at the end, where the next text goes.
  frame_->GetLogView()->AppendToLog("!");
  EXPECT_EQ(Log(), expected + "!");

  // Many occurrences far apart: the same text again, whichever way it is written.
  std::string many;
  for (int i = 0; i < 12; ++i) {
    many += kanji + "$A";
    for (int j = 0; j < 150; ++j) many += " FILLER " + kanji;
  }
  frame_->GetLogView()->SetWholeText(many);
  frame_->m_exch = "(12)/3";
  frame_->m_sendQueue = "$A";
  SendReport(0, 0);
  while ((at = many.find("$A")) != std::string::npos) many.replace(at, 2, "123");
  EXPECT_EQ(Log(), many);
}

namespace {

// Set while a test watches the log view: the number of keyer calls in the trace_ at the moment
// the view received its first insertion.
HWND g_watchedView = nullptr;
std::string g_watchedTrace;
long g_keyedBeforeFirstInsert = -1;

LRESULT CALLBACK WatchInsertions(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && msg->hwnd == g_watchedView && msg->message == EM_REPLACESEL &&
      g_keyedBeforeFirstInsert < 0) {
    g_keyedBeforeFirstInsert = static_cast<long>(Keyed(g_watchedTrace).size());
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// What the log holds when each late value replaces every occurrence in the whole text.
std::string ReplacedEverywhere(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The control's text as it stands, without waiting for the replacements still to be made.
std::string RawLog(CMainFrame* frame) {
  HWND view = frame->GetLogView()->m_hWnd;
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(view)) + 1, '\0');
  text.resize(static_cast<size_t>(::GetWindowTextA(view, &text[0], static_cast<int>(text.size()))));
  return text;
}

}  // namespace

// The first tokens go to the keyer before the message is written to the log; late values those
// tokens reach are written right after it, so the log ends exactly as if written first.
TEST_F(CwEngine, KeysBeforeWritingTheLogAndTheLogEndsTheSame) {
  ASSERT_TRUE(Start("50", false));
  PrepareF2();
  frame_->m_report.clear();  // "$R" keys nothing, so "$A" too comes among the first tokens
  frame_->m_exch = "12";
  frame_->SetMemory(0, 3, "$R$A TU");
  frame_->LayoutFnButtons(0, 8);
  const std::string before = "OLD $R $A ";
  frame_->GetLogView()->AppendToLog(before.c_str());

  g_watchedView = frame_->GetLogView()->m_hWnd;
  g_watchedTrace = trace_;
  g_keyedBeforeFirstInsert = -1;
  HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, WatchInsertions, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ClickFn(1003);
  ::UnhookWindowsHookEx(hook);
  g_watchedView = nullptr;

  // "$R", "$A" and "1" were the three tokens; "1" reached the keyer before the log was written.
  EXPECT_EQ(g_keyedBeforeFirstInsert, 1);
  EXPECT_EQ(Keyed(trace_), "1");
  EXPECT_EQ(frame_->m_sendQueue, "2 TU");
  std::string expected = ReplacedEverywhere(before + "$R$A TU ", "$R", "_");
  expected = ReplacedEverywhere(expected, "$A", "12");
  EXPECT_EQ(expected, "OLD _ 12 _12 TU ");
  EXPECT_EQ(Log(), expected);

  // Not keyed (no CW-like mode): written only, the late macros stay.
  frame_->m_mode = "SSB";
  ClickFn(1003);
  EXPECT_EQ(Log(), expected + "$R$A TU ");
}

// In a long one-paragraph log the newest "$R" is filled in as soon as the message queue runs
// empty; older ones, left by cancelled messages, wait while the keyer works and then follow one
// edit at a time, each with the value of its own step, wherever the operator edited meanwhile.
TEST_F(CwEngine, OlderLateValuesFollowWhenTheKeyerRests) {
  ASSERT_TRUE(Start("50", false));
  CTandemHLView* view = frame_->GetLogView();
  const std::string kanji = "\x93\x8C\x8B\x9E";  // "東京"
  std::string log;
  for (int i = 0; i < 5; ++i) {
    log += "XX7OLD UR $R [KN] " + kanji + " ";
    // Far enough apart that an edit of one is no longer an edit near the end.
    for (int j = 0; j < 200; ++j) log += "CQ TEST XX9ABC TU 5NN 13M ";
  }
  log += "XX1ABC UR $R ";
  view->SetWholeText(log);
  view->MoveCaretToEnd();
  frame_->m_report = "599";
  frame_->m_subst9 = "N";
  frame_->m_sendQueue = "$R X";
  SendReport(0, 2);  // the keyer still holds two characters
  // The fill-in keys nothing itself, so the same report goes on to the first character after it.
  EXPECT_EQ(frame_->m_sendQueue, "NN X");
  EXPECT_EQ(view->PendingReplacements(), 6u) << "the report handler edits nothing";
  // The newest follows as soon as the queue runs empty, while the keyer still works.
  ASSERT_TRUE(PumpUntil([&] { return view->PendingReplacements() == 5; }, 5000));
  std::string raw = RawLog(frame_);
  EXPECT_EQ(raw.substr(raw.size() - 14), "XX1ABC UR 5NN ");
  PumpMessages(200);
  EXPECT_EQ(view->PendingReplacements(), 5u) << "nothing far back while keying";

  // A second message and a new report while the older ones still wait.
  view->AppendToLog("XX2DEF UR $R ");
  frame_->m_report = "579";
  frame_->m_sendQueue = "$R";
  SendReport(0, 1);
  // The operator writes at the front of the log meanwhile.
  ::SendMessageA(view->m_hWnd, EM_SETSEL, 0, 0);
  ::SendMessageA(view->m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("ZZ "));
  EXPECT_EQ(view->PendingReplacements(), 6u);

  // The keyer runs dry: the older ones follow.
  while (!frame_->m_sendQueue.empty()) SendReport(0, 0);
  SendReport(0, 0);
  ASSERT_TRUE(PumpUntil([&] { return view->PendingReplacements() == 0; }, 60000));
  std::string expected = "ZZ " + ReplacedEverywhere(log, "$R", "5NN") + "XX2DEF UR 57N ";
  EXPECT_EQ(RawLog(frame_), expected);
  view->AppendToLog("!");
  EXPECT_EQ(Log(), expected + "!") << "the caret stays at the end";

  // A reader of the whole text (saving, printing) gets every replacement made at once.
  view->AppendToLog(" $R $R");
  frame_->m_report = "5";
  frame_->m_sendQueue = "$R";
  frame_->m_pending = 1;
  SendReport(0, 1);
  EXPECT_EQ(view->PendingReplacements(), 2u);
  EXPECT_EQ(Log(), expected + "! 5 5");
  EXPECT_EQ(view->PendingReplacements(), 0u);
}
