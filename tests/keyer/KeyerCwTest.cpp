// The keyer binding and the CW message engine on the real main frame under Wine, keying through
// the keyer emulator (loaded from its own folder) and read back from its trace.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "KeyportControl.h"
#include "KeyportTestSupport.h"
#include "LoggerSimClient.h"
#include "ShellTestSupport.h"
#include "TandemView.h"
#include "resource.h"

using shelltest::AppSession;
using shelltest::PumpMessages;
using shelltest::TempWorkDir;

namespace {

const char kBankAF2[] = "$C UR $R [KN]";

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  while (!done()) {
    if (static_cast<LONG>(end - ::GetTickCount()) <= 0) return done();
    PumpMessages(10);
  }
  return true;
}

// The emulator's environment for one session; the library reads it when it is loaded.
class EmulatorEnv {
 public:
  EmulatorEnv(const std::string& trace, const char* timescale, bool noDevice) {
    SetEnv("KEYPORT_TRACE", trace.c_str());
    SetEnv("KEYPORT_TIMESCALE", timescale);
    SetEnv("KEYPORT_AUDIO", "0");
    SetEnv("KEYPORT_NODEVICE", noDevice ? "1" : nullptr);
  }
  ~EmulatorEnv() {
    SetEnv("KEYPORT_TRACE", nullptr);
    SetEnv("KEYPORT_TIMESCALE", nullptr);
    SetEnv("KEYPORT_AUDIO", nullptr);
    SetEnv("KEYPORT_NODEVICE", nullptr);
  }
};

// Starts the program in this process; with `folder`, the keyer library is found there.
bool StartWithLibraryFrom(AppSession& session, const std::string& folder) {
  if (!folder.empty()) ::SetDllDirectoryA(folder.c_str());
  const bool started = session.Start();
  ::SetDllDirectoryA(nullptr);
  return started;
}

std::string Emulator() { return shelltest::BesideTestProgram("emulator"); }

// What went to the keyer, in order: characters as they are, code bytes as {XX}.
std::string Keyed(const std::string& tracePath) {
  std::string keyed;
  for (const TraceLine& line : ReadTrace(tracePath)) {
    int handle = 0;
    int value = 0;
    if (std::sscanf(line.event.c_str(), "keyportPutChar %d %d", &handle, &value) == 2) {
      keyed.push_back(static_cast<char>(value));
    } else if (std::sscanf(line.event.c_str(), "keyportPutCode %d %d", &handle, &value) == 2) {
      char code[8];
      std::snprintf(code, sizeof(code), "{%02X}", value);
      keyed += code;
    }
  }
  return keyed;
}

// The library calls in the trace, in order (keying and reports left out).
std::vector<std::string> Calls(const std::string& tracePath) {
  std::vector<std::string> calls;
  for (const TraceLine& line : ReadTrace(tracePath)) {
    if (line.event.compare(0, 7, "keyport") == 0) {
      calls.push_back(line.event);
    }
  }
  return calls;
}

size_t CountLines(const std::string& tracePath, const std::string& event) {
  size_t n = 0;
  for (const TraceLine& line : ReadTrace(tracePath)) n += line.event == event;
  return n;
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string Log(CMainFrame* frame) { return frame->GetLogView()->GetWholeText(); }

void Click(CMainFrame* frame, HWND bar, int id) {
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(bar, id)));
}

void ClickFn(CMainFrame* frame, int id) { Click(frame, frame->m_wndFnBar.m_hWnd, id); }

// A keyer report as the library posts it, delivered through the frame's window procedure.
void SendReport(CMainFrame* frame, int code, int waiting) {
  ::SendMessageA(frame->m_hWnd, frame->m_keyerMsg, static_cast<WPARAM>(code), waiting);
}

// Bank-A on the buttons, the call and report of a contact, 9 keyed as N.
void PrepareF2(CMainFrame* frame) {
  frame->m_bankA = 1;
  frame->LayoutFnButtons(0, 8);
  frame->m_call = "XX1ABC";
  frame->m_report = "599";
  frame->m_subst9 = "N";
}

}  // namespace

// Runs first: the time stamp gate is one for the whole process.
TEST(CwEngine, TimeStampAtMostOncePerMinute) {
  TempWorkDir dir;
  EmulatorEnv env(dir.File("trace.txt"), "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  frame->m_logTime = 1;
  frame->m_bankA = 1;
  frame->LayoutFnButtons(0, 8);
  char before[32];
  const std::time_t t0 = std::time(nullptr);
  std::strftime(before, sizeof(before), "%H:%M", std::localtime(&t0));
  ClickFn(frame, 1007);  // "TU E E"
  ClickFn(frame, 1007);
  char after[32];
  const std::time_t t1 = std::time(nullptr);
  std::strftime(after, sizeof(after), "%H:%M", std::localtime(&t1));
  const std::string log = Log(frame);
  const std::regex stamp(R"(\[\d\d/\d\d-\d\d:\d\d\])");
  const auto stamps = std::distance(std::sregex_iterator(log.begin(), log.end(), stamp),
                                    std::sregex_iterator());
  if (std::string(before) == after) {
    EXPECT_EQ(stamps, 1) << log;
    EXPECT_EQ(log.find('['), 0u) << "the stamp goes before the message: " << log;
    EXPECT_NE(log.find(std::string(before) + "]TU E E TU E E "), std::string::npos) << log;
  }
  // Without LogTime no stamp at all.
  frame->m_logTime = 0;
  frame->GetLogView()->ClearLog();
  ClickFn(frame, 1007);
  EXPECT_EQ(Log(frame), "TU E E ");
}

// Streaming driven by hand-made reports (no device, so the emulator posts none), for the exact
// counts: the first three tokens at once, one token per report while fewer than three wait, "$R"
// filled in when keying reaches it, in the queue and in the whole log. The emulator's own reports
// drive the streaming tests in KeyerStreamTest.cpp.
TEST(CwEngine, F2StreamsOneTokenPerReportAndFillsInTheReportLate) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  ASSERT_EQ(frame->m_device, -1);
  PrepareF2(frame);
  ASSERT_EQ(::GetWindowTextLengthA(frame->m_wndFnBar.GetItem(1001)),
            static_cast<int>(sizeof(kBankAF2) - 1));
  frame->GetLogView()->AppendToLog("OLD $R ");

  ClickFn(frame, 1001);
  EXPECT_EQ(Log(frame), "OLD $R XX1ABC UR $R [KN] ");
  EXPECT_EQ(Keyed(trace), "XX1");
  EXPECT_EQ(frame->m_sendQueue, "ABC UR $R [KN]");

  SendReport(frame, 0, 3);  // three wait: nothing more
  EXPECT_EQ(Keyed(trace), "XX1");
  SendReport(frame, 0, 2);
  EXPECT_EQ(Keyed(trace), "XX1A");
  EXPECT_EQ(frame->m_pending, 2);

  // A second press while the queue holds text: logged at once, keyed behind the first.
  ClickFn(frame, 1001);
  EXPECT_EQ(Log(frame), "OLD $R XX1ABC UR $R [KN] XX1ABC UR $R [KN] ");
  EXPECT_EQ(Keyed(trace), "XX1A");
  EXPECT_EQ(frame->m_sendQueue, "BC UR $R [KN]XX1ABC UR $R [KN]");

  // Each report keys exactly one token; the "$R" step fills in the report and keys the next one
  // in the same report, since a report that keys nothing may be the last one to come.
  int steps = 0;
  bool sawReportStep = false;
  while (!frame->m_sendQueue.empty() && steps < 100) {
    const std::string queueBefore = frame->m_sendQueue;
    const size_t keyedBefore = Keyed(trace).size();
    if (queueBefore.compare(0, 2, "$R") == 0 && !sawReportStep) {
      EXPECT_NE(Log(frame).find("UR $R"), std::string::npos);
      SendReport(frame, 0, 0);
      sawReportStep = true;
      EXPECT_EQ(Keyed(trace).size(), keyedBefore + 1);
      EXPECT_EQ(frame->m_sendQueue, "NN [KN]XX1ABC UR 5NN [KN]");
      EXPECT_EQ(Log(frame), "OLD 5NN XX1ABC UR 5NN [KN] XX1ABC UR 5NN [KN] ");
    } else {
      SendReport(frame, 0, 1);
      const size_t keyedNow = Keyed(trace).size();
      EXPECT_EQ(keyedNow, keyedBefore + (queueBefore.compare(0, 4, "[KN]") == 0 ? 4 : 1));
    }
    ++steps;
  }
  EXPECT_TRUE(sawReportStep);
  EXPECT_EQ(Keyed(trace), "XX1ABC UR 5NN {B4}XX1ABC UR 5NN {B4}");
  for (const std::string& call : Calls(trace)) {
    if (call.compare(0, 14, "keyportPutChar") == 0) {
      EXPECT_EQ(call.substr(15, 3), "-1 ");
    }
  }
}

TEST(CwEngine, EmptyReportAndExchangeShowPlaceholders) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  frame->m_report.clear();
  // "ABC東京/(1)" in CP932: cleaned to ABC.
  frame->m_exch = "(A)B/C\x93\x8C\x8B\x9E";
  frame->SetMemory(0, 3, "R $R A $A E");
  frame->m_bankA = 1;
  frame->LayoutFnButtons(0, 8);
  ClickFn(frame, 1003);
  for (int i = 0; i < 20 && !frame->m_sendQueue.empty(); ++i) SendReport(frame, 0, 0);
  EXPECT_EQ(Log(frame), "R _ A ABC E ");
  EXPECT_EQ(Keyed(trace), "R  A ABC E");
}

TEST(CwEngine, NonCwModeLogsOnlyAndSendButtonKeysTypedText) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  PrepareF2(frame);
  frame->m_mode = "SSB";
  frame->SetCwAlways(false);
  ClickFn(frame, 1001);
  EXPECT_EQ(Log(frame), "XX1ABC UR $R [KN] ");
  EXPECT_EQ(Keyed(trace), "");
  EXPECT_TRUE(frame->m_sendQueue.empty());

  // The Send button keys whatever the mode: the first byte at once, the rest streamed.
  HWND edit = frame->m_wndCwBar.GetItem(IDC_SEND_TEXT);
  ::SetWindowTextA(edit, "AB[KN]");
  Click(frame, frame->m_wndCwBar.m_hWnd, IDC_SEND_BUTTON);
  EXPECT_EQ(Log(frame), "XX1ABC UR $R [KN] AB[KN]");
  EXPECT_EQ(::GetWindowTextLengthA(edit), 0);
  EXPECT_EQ(Keyed(trace), "A");
  EXPECT_EQ(frame->m_sendQueue, "B[KN]");
  // ...but the streaming waits for a CW-like mode.
  SendReport(frame, 0, 0);
  EXPECT_EQ(frame->m_sendQueue, "B[KN]");
  frame->m_mode = "CW";
  SendReport(frame, 0, 0);
  SendReport(frame, 0, 0);
  EXPECT_EQ(Keyed(trace), "AB{B4}");

  // An empty text line sends nothing.
  Click(frame, frame->m_wndCwBar.m_hWnd, IDC_SEND_BUTTON);
  EXPECT_EQ(Keyed(trace), "AB{B4}");
}

TEST(CwEngine, TypeAheadCancelAndFlushReport) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();

  // Nothing waiting in the keyer: typed characters go out at once, even past a queue.
  frame->m_sendQueue = "XY";
  frame->TypeAheadChar('Q');
  EXPECT_EQ(Keyed(trace), "Q");
  // Characters waiting: queued, and Backspace takes the last one back.
  SendReport(frame, 0, 5);
  frame->TypeAheadChar('R');
  EXPECT_EQ(frame->m_sendQueue, "XYR");
  EXPECT_TRUE(frame->DropLastQueued());
  EXPECT_TRUE(frame->DropLastQueued());
  EXPECT_TRUE(frame->DropLastQueued());
  EXPECT_FALSE(frame->DropLastQueued());

  // A report of 15 empties the queue and ends CQ repeat.
  frame->m_bankA = 1;
  frame->LayoutFnButtons(0, 8);
  frame->SendFnMessage(1000, true);
  ASSERT_EQ(frame->m_cqRepeat, 1);
  ASSERT_FALSE(frame->m_sendQueue.empty());
  SendReport(frame, 0, 15);
  EXPECT_TRUE(frame->m_sendQueue.empty());
  EXPECT_EQ(frame->m_pending, 0);
  EXPECT_EQ(frame->m_cqRepeat, 0);

  // Cancelling without a device drops the queue but makes no library call with -1.
  frame->SendFnMessage(1000, true);
  const size_t cancels = CountLines(trace, "keyportTxCancel -1");
  frame->CancelSending();
  EXPECT_TRUE(frame->m_sendQueue.empty());
  EXPECT_EQ(frame->m_cqRepeat, 0);
  EXPECT_EQ(CountLines(trace, "keyportTxCancel -1"), cancels);

  // The CQ pause keeps to 1..10 s.
  frame->SetCqInterval(2.5f);
  EXPECT_EQ(frame->m_cqInterval, 2500);
  frame->SetCqInterval(0.5f);
  frame->SetCqInterval(12.0f);
  EXPECT_EQ(frame->m_cqInterval, 2500);
  EXPECT_FLOAT_EQ(frame->GetCqInterval(), 2.5f);
}

// Binding without a device: every call goes out with -1, except the callback window.
TEST(KeyerBinding, OpenFailingLeavesNoDeviceAndCallsWithMinusOne) {
  TempWorkDir dir;
  shelltest::WriteFileBytes(dir.File("Tandem.ini"), "[Keyer]\r\nWeightDot=abc\r\nWPM=50\r\n");
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  EXPECT_NE(frame->m_hKeyport, nullptr);
  EXPECT_EQ(frame->m_device, -1);
  const std::vector<std::string> expected = {
      "keyportOpen 0",          "keyportSetWPM -1 50",       "keyportSetPTTParam -1 25 200",
      "keyportSetPaddle -1 1",  "keyportSetSideTone -1 8",  "keyportSetWeight -1 0 6",
      "keyportGetVersion -1"};
  EXPECT_EQ(Calls(trace), expected);
  EXPECT_EQ(frame->m_version, "KEYPORT Ver.1.2");
  PumpMessages(50);
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(0), "KEYPORT Ver.1.2");

  // Parameters: limits send nothing; PTT off sends 0, 0 and keeps the delays.
  frame->StepWpm(true);
  EXPECT_EQ(frame->GetWpm(), 50);
  frame->ApplyWpm(5);
  frame->StepWpm(false);
  frame->StepWpm(true);
  frame->ApplyPtt(false, 25, 200);
  EXPECT_EQ(frame->m_pttDelayP, 25);
  EXPECT_EQ(frame->m_pttDelayA, 200);
  frame->ApplyPtt(true, 300, 200);  // cut to the low 8 bits
  frame->ApplySideTone(true, 0);
  frame->ApplySideTone(false, 7);
  frame->ApplyWeight(1.25f, 3.0f);
  frame->ApplyPaddle(false);
  std::vector<std::string> calls = Calls(trace);
  calls.erase(calls.begin(), calls.begin() + static_cast<long>(expected.size()));
  const std::vector<std::string> later = {
      "keyportSetWPM -1 5",           "keyportSetWPM -1 6",        "keyportSetPTTParam -1 0 0",
      "keyportSetPTTParam -1 44 200", "keyportSetSideTone -1 1",   "keyportSetSideTone -1 0",
      "keyportSetWeight -1 3 6",      "keyportSetPaddle -1 0"};
  EXPECT_EQ(calls, later);

  session.End();
  EXPECT_EQ(CountLines(trace, "keyportClose -1"), 0u) << "no close without a device";
}

// With a device: the binding order, the callback window, keying at the set speed through real
// reports, and the close at the end.
TEST(KeyerBinding, EmulatorKeysF2AndReportsStreamTheRest) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", false);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  ASSERT_EQ(frame->m_device, 0);
  std::vector<std::string> calls = Calls(trace);
  ASSERT_EQ(calls.size(), 8u);
  EXPECT_EQ(calls[0], "keyportOpen 0");
  EXPECT_EQ(calls[1], "keyportSetWPM 0 20");
  EXPECT_EQ(calls[6], "keyportGetVersion 0");
  char callback[64];
  std::snprintf(callback, sizeof(callback), "keyportSetCallbackWindow 0 %llu",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(frame->m_hWnd)));
  EXPECT_EQ(calls[7], callback);

  PrepareF2(frame);
  ClickFn(frame, 1001);
  ASSERT_TRUE(PumpUntil([&] { return frame->m_sendQueue.empty() && frame->m_pending == 0; },
                        20000));
  EXPECT_EQ(Keyed(trace), "XX1ABC UR 5NN {B4}");
  EXPECT_EQ(Log(frame), "XX1ABC UR 5NN [KN] ");
  // Every character was keyed, none dropped.
  for (const TraceLine& line : ReadTrace(trace)) {
    EXPECT_NE(line.event.compare(0, 4, "drop"), 0) << line.event;
  }
  session.End();
  EXPECT_EQ(CountLines(trace, "keyportClose 0"), 1u);
}

TEST(KeyerBinding, CqRepeatSendsAgainAfterTheIdleReportUntilCancelled) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", false);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  frame->m_cqInterval = 300;
  frame->m_myCall = "XX9ABC";
  frame->LayoutFnButtons(0, 8);
  frame->m_bankA = 1;
  frame->SendFnMessage(1000, true);
  const std::string cq = "CQ DE XX9ABC XX9ABC XX9ABC PSE K";
  ASSERT_TRUE(PumpUntil([&] { return CountOf(Keyed(trace), cq) >= 2; }, 20000)) << Keyed(trace);
  EXPECT_GE(CountOf(Log(frame), cq + " "), 2u);

  // The second CQ started only after the keyer had reported idle.
  const std::vector<TraceLine> lines = ReadTrace(trace);
  size_t firstIdle = lines.size();
  size_t putChars = 0;
  size_t secondStart = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].event == "report 0 0" && firstIdle == lines.size()) firstIdle = i;
    if (lines[i].event.compare(0, 14, "keyportPutChar") == 0 && ++putChars == cq.size() + 1) {
      secondStart = i;
    }
  }
  EXPECT_LT(firstIdle, secondStart);

  frame->CancelSending();
  EXPECT_EQ(frame->m_cqRepeat, 0);
  EXPECT_TRUE(frame->m_sendQueue.empty());
  PumpMessages(800);
  const std::vector<TraceLine> after = ReadTrace(trace);
  bool cancelled = false;
  for (const TraceLine& line : after) {
    if (line.event == "keyportTxCancel 0") cancelled = true;
    if (cancelled) {
      EXPECT_NE(line.event.compare(0, 14, "keyportPutChar"), 0) << line.event;
    }
  }
  EXPECT_TRUE(cancelled);
}

TEST(KeyerBinding, PaddleEchoInBothAlphabets) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", false);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  frame->m_paddleKbd = 1;
  ::SetForegroundWindow(frame->m_hWnd);
  PumpMessages(50);
  if (::GetKeyState(VK_KANA) & 1) {
    frame->ToggleKana();
    PumpMessages(100);
  }

  // From the paddle through the emulator: its report carries the code.
  HWND control = ::FindWindowA(KEYPORT_CONTROL_CLASS, nullptr);
  ASSERT_NE(control, nullptr);
  const char text[] = "A";
  COPYDATASTRUCT data = {KEYPORT_CTL_PADDLE_TEXT, 1, const_cast<char*>(text)};
  ASSERT_EQ(::SendMessageA(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)), 1);
  EXPECT_TRUE(PumpUntil([&] { return Log(frame) == "A"; }, 10000)) << Log(frame);

  // The Wabun start sign switches Kana input on; then .- is the kana "i".
  SendReport(frame, 0x9E, 0);
  PumpMessages(100);
  SendReport(frame, 0x60, 0);
  EXPECT_EQ(frame->m_kanaOn, 1);
  EXPECT_EQ(Log(frame), "A\xB2");
  // The end sign switches it off; nothing is written for either sign.
  SendReport(frame, 0x14, 0);
  PumpMessages(100);
  SendReport(frame, 0x60, 0);
  EXPECT_EQ(frame->m_kanaOn, 0);
  EXPECT_EQ(Log(frame), "A\xB2" "A");

  // Without PaddleKbd nothing is echoed and Kana input stays.
  frame->m_paddleKbd = 0;
  SendReport(frame, 0x9E, 0);
  PumpMessages(100);
  SendReport(frame, 0x60, 0);
  EXPECT_EQ(frame->m_kanaOn, 0);
  EXPECT_EQ(Log(frame), "A\xB2" "A");
}

TEST(KeyerBinding, MissingExportIsSkipped) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", false);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, shelltest::BesideTestProgram("emulator-noputcode")));
  CMainFrame* frame = session.Frame();
  ASSERT_NE(frame->m_hKeyport, nullptr);
  EXPECT_EQ(frame->m_keyportPutCode, nullptr);
  EXPECT_NE(frame->m_keyportPutChar, nullptr);
  EXPECT_EQ(frame->m_device, 0);
  PrepareF2(frame);
  ClickFn(frame, 1001);
  ASSERT_TRUE(PumpUntil([&] { return frame->m_sendQueue.empty() && frame->m_pending == 0; },
                        20000));
  EXPECT_EQ(Keyed(trace), "XX1ABC UR 5NN ");
  EXPECT_EQ(Log(frame), "XX1ABC UR 5NN [KN] ");
}

TEST(KeyerBinding, MissingLibraryKeysNothingAndSaysSoAtExit) {
  TempWorkDir dir;
  {
    AppSession session;
    ASSERT_TRUE(StartWithLibraryFrom(session, ""));
    CMainFrame* frame = session.Frame();
    EXPECT_EQ(frame->m_hKeyport, nullptr);
    EXPECT_EQ(frame->m_device, -1);
    EXPECT_EQ(frame->m_version, "KEYPORT Ver.?");
    PrepareF2(frame);
    ClickFn(frame, 1001);
    EXPECT_EQ(Log(frame), "XX1ABC UR $R [KN] ");
    frame->StepWpm(true);
    frame->CancelSending();
    frame->OnCqMachineNotice();
    EXPECT_EQ(frame->m_pttHeld, 0);
  }

  // The program itself, its standard output in a file.
  const std::string out = dir.File("stdout.txt");
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE file = ::CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string program = shelltest::BesideTestProgram("Tandem.exe");
  std::string commandLine = "\"" + program + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION info = {};
  ASSERT_TRUE(::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                               nullptr, dir.Path().c_str(), &startup, &info));
  ::CloseHandle(file);
  HWND main = nullptr;
  for (int i = 0; i < 200 && !main; ++i) {
    ::Sleep(50);
    for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(w, &pid);
      if (pid == info.dwProcessId && ::GetPropA(w, "TandemHlUniq")) main = w;
    }
  }
  EXPECT_NE(main, nullptr);
  if (main) ::PostMessageA(main, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(info.hProcess, 15000) != WAIT_OBJECT_0) {
    ::TerminateProcess(info.hProcess, 1);
    ::WaitForSingleObject(info.hProcess, 5000);
    ADD_FAILURE() << "Tandem.exe did not end";
  }
  ::CloseHandle(info.hProcess);
  ::CloseHandle(info.hThread);
  // Standard output is in the C library's text mode, so the line ends as Windows lines do.
  EXPECT_EQ(shelltest::ReadFileBytes(out), "KEYPORT.DLL Load Error\r\n");
}

TEST(KeyerBinding, CqMachineNoticeHoldsPttUntilItsStopButtonHides) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", false);
  LoggerSimClient logger;
  ASSERT_TRUE(logger.Start(LoggerSimPathBesideThisProgram(), "--cq-machine")) << logger.error();
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();

  // Without the link enabled the watch runs but PTT is never touched.
  frame->m_pttCqMachine = 0;
  ASSERT_EQ(logger.Command("cqmachine-play"), 1);
  frame->OnCqMachineNotice();
  EXPECT_EQ(frame->m_pttHeld, 0);
  ASSERT_EQ(logger.Command("cqmachine-stop"), 1);
  PumpMessages(300);
  EXPECT_EQ(CountLines(trace, "keyportWriteData 0 0 253"), 0u);
  EXPECT_EQ(CountLines(trace, "keyportWriteData 0 0 255"), 0u);

  frame->m_pttCqMachine = 1;
  ASSERT_EQ(logger.Command("cqmachine-play"), 1);
  frame->OnCqMachineNotice();
  frame->OnCqMachineNotice();  // a second notice while held: held once
  EXPECT_EQ(frame->m_pttHeld, 1);
  PumpMessages(400);
  EXPECT_EQ(frame->m_pttHeld, 1);
  EXPECT_EQ(CountLines(trace, "keyportWriteData 0 0 253"), 1u);
  EXPECT_EQ(CountLines(trace, "keyportWriteData 0 0 255"), 0u);

  ASSERT_EQ(logger.Command("cqmachine-stop"), 1);
  EXPECT_TRUE(PumpUntil([&] { return frame->m_pttHeld == 0; }, 3000));
  PumpMessages(300);
  EXPECT_EQ(CountLines(trace, "keyportWriteData 0 0 255"), 1u) << "the watch stopped";
  EXPECT_GE(CountLines(trace, "ptt on"), 1u);
  logger.Stop();
}

TEST(CwEngine, EditDialogShowsKeyAndTextAndStoresOnOk) {
  TempWorkDir dir;
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, ""));
  CMainFrame* frame = session.Frame();
  frame->m_bankA = 0;
  frame->LayoutFnButtons(1, 8);  // Bank-B: F3 "73 TU E E"

  struct Answer {
    std::string title;
    std::string text;
  };
  // Answers the dialog from another thread: reads it, types `newText`, presses `button`.
  auto answerWith = [](const char* newText, int button, Answer* answer) {
    return std::thread([=] {
      for (int i = 0; i < 400; ++i) {
        HWND dialog = nullptr;
        for (HWND w = ::GetWindow(::GetDesktopWindow(), GW_CHILD); w;
             w = ::GetWindow(w, GW_HWNDNEXT)) {
          DWORD pid = 0;
          ::GetWindowThreadProcessId(w, &pid);
          char cls[16] = "";
          ::GetClassNameA(w, cls, sizeof(cls));
          if (pid == ::GetCurrentProcessId() && std::string(cls) == "#32770" &&
              ::IsWindowVisible(w)) {
            dialog = w;
          }
        }
        if (dialog) {
          char title[256] = "";
          ::GetWindowTextA(dialog, title, sizeof(title));
          char text[256] = "";
          ::GetDlgItemTextA(dialog, IDC_FNEDIT_TEXT, text, sizeof(text));
          answer->title = title;
          answer->text = text;
          ::SendDlgItemMessageA(dialog, IDC_FNEDIT_TEXT, WM_SETTEXT, 0,
                                reinterpret_cast<LPARAM>(newText));
          ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
          return;
        }
        ::Sleep(25);
      }
    });
  };

  Answer cancelled;
  std::thread t1 = answerWith("IGNORED", IDCANCEL, &cancelled);
  frame->EditFnMessage(1002);
  t1.join();
  EXPECT_EQ(cancelled.title, "F3 \x95\xD2\x8F\x57 73 TU E E");
  EXPECT_EQ(cancelled.text, "73 TU E E");
  EXPECT_EQ(frame->GetMemory(1, 2), "73 TU E E");

  Answer ok;
  std::thread t2 = answerWith("CQ TEST", IDOK, &ok);
  frame->EditFnMessage(1002);
  t2.join();
  EXPECT_EQ(frame->GetMemory(1, 2), "CQ TEST");
  char caption[64] = "";
  ::GetWindowTextA(frame->m_wndFnBar.GetItem(1002), caption, sizeof(caption));
  EXPECT_STREQ(caption, "CQ TEST");
  EXPECT_TRUE(Log(frame).empty()) << "editing sends nothing";

  // Out of range: ignored, or empty.
  frame->SetMemory(2, 0, "X");
  frame->SetMemory(0, 12, "X");
  EXPECT_EQ(frame->GetMemory(2, 0), "");
  EXPECT_EQ(frame->GetMemory(-1, 0), "");
  EXPECT_EQ(frame->GetMemory(0, 0), "CQ DE $M $M $M PSE K");
}

// The late report is written into the log where each "$R" stands, also behind double-byte text
// and far back in a long log, and the result is what replacing in the whole text gives.
TEST(CwEngine, LogRewriteMatchesReplacingInTheWholeText) {
  TempWorkDir dir;
  EmulatorEnv env(dir.File("trace.txt"), "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  // "東京" in CP932; its second byte of 京 (0x9E) is no ASCII, but 0x8C 0x52 holds an "R".
  const std::string kanji = "\x93\x8C\x8B\x9E\x8C\x52";
  std::string before = "$R FAR BACK " + kanji + "\r\n";
  for (int i = 0; i < 400; ++i) before += kanji + " LINE OF AN EARLIER CONTACT\r\n";
  before += kanji + "$R" + kanji + " $A $R";
  frame->GetLogView()->SetWholeText(before);
  frame->GetLogView()->MoveCaretToEnd();
  frame->m_report = "579";
  frame->m_subst9 = "NN";
  frame->m_sendQueue = "$R";
  SendReport(frame, 0, 0);
  std::string expected = before;
  size_t at;
  while ((at = expected.find("$R")) != std::string::npos) expected.replace(at, 2, "57NN");
  EXPECT_EQ(Log(frame), expected);
  EXPECT_EQ(frame->m_sendQueue, "7NN");  // the fill-in, then its first character keyed
  // The caret stays at the end, where the next text goes.
  frame->GetLogView()->AppendToLog("!");
  EXPECT_EQ(Log(frame), expected + "!");

  // Many occurrences far apart: the same text again, whichever way it is written.
  std::string many;
  for (int i = 0; i < 12; ++i) {
    many += kanji + "$A";
    for (int j = 0; j < 150; ++j) many += " FILLER " + kanji;
  }
  frame->GetLogView()->SetWholeText(many);
  frame->m_exch = "(12)/3";
  frame->m_sendQueue = "$A";
  SendReport(frame, 0, 0);
  while ((at = many.find("$A")) != std::string::npos) many.replace(at, 2, "123");
  EXPECT_EQ(Log(frame), many);
}

namespace {

// Set while a test watches the log view: the number of keyer calls in the trace at the moment
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
TEST(CwEngine, KeysBeforeWritingTheLogAndTheLogEndsTheSame) {
  TempWorkDir dir;
  const std::string trace = dir.File("trace.txt");
  EmulatorEnv env(trace, "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  PrepareF2(frame);
  frame->m_report.clear();  // "$R" keys nothing, so "$A" too comes among the first tokens
  frame->m_exch = "12";
  frame->SetMemory(0, 3, "$R$A TU");
  frame->LayoutFnButtons(0, 8);
  const std::string before = "OLD $R $A ";
  frame->GetLogView()->AppendToLog(before.c_str());

  g_watchedView = frame->GetLogView()->m_hWnd;
  g_watchedTrace = trace;
  g_keyedBeforeFirstInsert = -1;
  HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROC, WatchInsertions, nullptr, ::GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  ClickFn(frame, 1003);
  ::UnhookWindowsHookEx(hook);
  g_watchedView = nullptr;

  // "$R", "$A" and "1" were the three tokens; "1" reached the keyer before the log was written.
  EXPECT_EQ(g_keyedBeforeFirstInsert, 1);
  EXPECT_EQ(Keyed(trace), "1");
  EXPECT_EQ(frame->m_sendQueue, "2 TU");
  std::string expected = ReplacedEverywhere(before + "$R$A TU ", "$R", "_");
  expected = ReplacedEverywhere(expected, "$A", "12");
  EXPECT_EQ(expected, "OLD _ 12 _12 TU ");
  EXPECT_EQ(Log(frame), expected);

  // Not keyed (no CW-like mode): written only, the late macros stay.
  frame->m_mode = "SSB";
  ClickFn(frame, 1003);
  EXPECT_EQ(Log(frame), expected + "$R$A TU ");
}

// In a long one-paragraph log the newest "$R" is filled in as soon as the message queue runs
// empty; older ones, left by cancelled messages, wait while the keyer works and then follow one
// edit at a time, each with the value of its own step, wherever the operator edited meanwhile.
TEST(CwEngine, OlderLateValuesFollowWhenTheKeyerRests) {
  TempWorkDir dir;
  EmulatorEnv env(dir.File("trace.txt"), "50", true);
  AppSession session;
  ASSERT_TRUE(StartWithLibraryFrom(session, Emulator()));
  CMainFrame* frame = session.Frame();
  CTandemHLView* view = frame->GetLogView();
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
  frame->m_report = "599";
  frame->m_subst9 = "N";
  frame->m_sendQueue = "$R X";
  SendReport(frame, 0, 2);  // the keyer still holds two characters
  // The fill-in keys nothing itself, so the same report goes on to the first character after it.
  EXPECT_EQ(frame->m_sendQueue, "NN X");
  EXPECT_EQ(view->PendingReplacements(), 6u) << "the report handler edits nothing";
  // The newest follows as soon as the queue runs empty, while the keyer still works.
  ASSERT_TRUE(PumpUntil([&] { return view->PendingReplacements() == 5; }, 5000));
  std::string raw = RawLog(frame);
  EXPECT_EQ(raw.substr(raw.size() - 14), "XX1ABC UR 5NN ");
  PumpMessages(200);
  EXPECT_EQ(view->PendingReplacements(), 5u) << "nothing far back while keying";

  // A second message and a new report while the older ones still wait.
  view->AppendToLog("XX2DEF UR $R ");
  frame->m_report = "579";
  frame->m_sendQueue = "$R";
  SendReport(frame, 0, 1);
  // The operator writes at the front of the log meanwhile.
  ::SendMessageA(view->m_hWnd, EM_SETSEL, 0, 0);
  ::SendMessageA(view->m_hWnd, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("ZZ "));
  EXPECT_EQ(view->PendingReplacements(), 6u);

  // The keyer runs dry: the older ones follow.
  while (!frame->m_sendQueue.empty()) SendReport(frame, 0, 0);
  SendReport(frame, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return view->PendingReplacements() == 0; }, 60000));
  std::string expected = "ZZ " + ReplacedEverywhere(log, "$R", "5NN") + "XX2DEF UR 57N ";
  EXPECT_EQ(RawLog(frame), expected);
  view->AppendToLog("!");
  EXPECT_EQ(Log(frame), expected + "!") << "the caret stays at the end";

  // A reader of the whole text (saving, printing) gets every replacement made at once.
  view->AppendToLog(" $R $R");
  frame->m_report = "5";
  frame->m_sendQueue = "$R";
  frame->m_pending = 1;
  SendReport(frame, 0, 1);
  EXPECT_EQ(view->PendingReplacements(), 2u);
  EXPECT_EQ(Log(frame), expected + "! 5 5");
  EXPECT_EQ(view->PendingReplacements(), 0u);
}
