// The whole system at work: the logger stand-in and Tandem run as processes of their own, the
// keyer emulator runs inside Tandem and writes its trace, and this test presses keys through the
// system's input into whichever of the two is in the foreground, as the operator does.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "KeyportControl.h"
#include "LoggerSimClient.h"
#include "MorseTable.h"
#include "TandemSession.h"
#include "TestSupport.h"

namespace {

using testsupport::CountEvents;
using testsupport::HasEvent;
using testsupport::kCtrl;
using testsupport::kNone;
using testsupport::kShift;
using testsupport::Press;
using testsupport::ReleaseModifiers;
using testsupport::TypeText;

constexpr int kFnButton1 = 1000;  // F1's button; Fn is 999 + n
constexpr char kEditTitleSuffix[] = " \x95\xd2\x8f\x57";  // " 編集" in CP932: the memory editor's title
// The end of the question whether to save the log, " への変更を保存しますか?" in CP932.
constexpr char kSaveQuestionEnd[] =
    " \x82\xd6\x82\xcc\x95\xcf\x8dX\x82\xf0\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb7\x82\xa9?";
constexpr char kCqMachineNotice[] = "|a|a|a|a|a|a|a|a|a|a|a|9|";

// Settings for every run; tests add or override keys through Ini(). F2 is the same in both banks:
// the bank in use depends on the logger's check control, which only the bank test sets.
struct IniOptions {
  int wpm = 30;
  int cqInterval = 1000;
  int zLogKey = 0;
  int pttCqMachine = 0;
  int closeAnyway = 1;  // 0: the close asks whether to save the log
  int paddleKbd = 0;    // 1: paddle keying is echoed into the log
};

std::string Ini(const IniOptions& o) {
  char keyer[256];
  std::snprintf(keyer, sizeof keyer,
                "[Keyer]\r\nWPM=%d\r\nCQ_INT=%d\r\n9=N\r\nPTT=1\r\nPTT_CQ_machine=%d\r\nSideTone=1\r\n"
                "PaddleKbd=%d\r\n",
                o.wpm, o.cqInterval, o.pttCqMachine, o.paddleKbd);
  char window[128];
  std::snprintf(window, sizeof window, "[Window]\r\nCloseAnyway=%d\r\nFn12=0\r\nzLogKey=%d\r\n", o.closeAnyway,
                o.zLogKey);
  // F6 keys for many seconds before its report: a cut lands before it.
  return std::string("[Bank-A]\r\nFn01=CQ TEST $M\r\nFn02=$C UR $R [KN]\r\nFn03=TU $M TEST\r\nFn04=$C $A TU\r\n"
                     "Fn05=QRZ?\r\nFn06=$C DE $M UR $R [KN]\r\n") +
         "[Bank-B]\r\nFn01=DE $M K\r\nFn02=$C UR $R [KN]\r\nFn03=73 TU E E\r\nFn04=$C $A TU\r\nFn05=QRZ?\r\n"
         "Fn06=$C DE $M UR $R [KN]\r\n" + keyer +
         "[Profile]\r\nMyCallSign=JA1ZZZ\r\n" + window;
}

constexpr int kSendText = 1046;     // the CW bar's text to send
constexpr int kSendButton = 1061;   // its Send button
constexpr UINT kViewCwBar = 32780;  // the View menu's CW bar command

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::size_t Count(const std::string& hay, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

// What the keyer emulator keyed, by its own trace, of the characters it started before `cutMs`:
// a character went out when its last element ended by then (a word space when its length had
// passed). The one being keyed when keying stopped did not go out. As the log shows it: letters,
// digits and blanks as they are, the prosign [KN] as its token.
std::string KeyedBefore(const std::vector<TraceEvent>& trace, double cutMs, int wpm) {
  const double dot = 1200.0 / wpm;
  std::string keyed;
  for (std::size_t i = 0; i < trace.size(); ++i) {
    const TraceEvent& c = trace[i];
    if (c.event != "char" || c.ms >= cutMs) continue;
    const unsigned byte = static_cast<unsigned>(std::strtoul(c.rest.c_str(), nullptr, 16));
    // Code bytes (the prosigns) enter as they are; characters by their pattern.
    const unsigned char code = byte >= 0x80 ? static_cast<unsigned char>(byte)
                                            : MorseCodeForChar(static_cast<unsigned char>(byte));
    const int elements = MorseElementCount(code);
    double end = -1;
    if (elements == 0) {
      end = c.ms + 4 * dot;
    } else {
      int offs = 0;
      for (std::size_t j = i + 1; j < trace.size() && trace[j].event != "char"; ++j) {
        if (trace[j].event == "key" && trace[j].rest == "off" && ++offs == elements) {
          end = trace[j].ms;
          break;
        }
      }
    }
    if (end < 0 || end > cutMs) break;
    keyed += byte == 0xB4 ? std::string("[KN]") : std::string(1, static_cast<char>(byte));
  }
  return keyed;
}

double TimeOf(const std::vector<TraceEvent>& trace, const std::string& event) {
  for (const TraceEvent& e : trace)
    if (e.event == event) return e.ms;
  return -1;
}

// A function-key button counts as shown when it lies within its bar; the buttons beyond the
// chosen number are moved off the bar's edge rather than hidden.
bool ButtonShown(HWND button) {
  if (button == nullptr || !IsWindowVisible(button)) return false;
  RECT b, bar, both;
  GetWindowRect(button, &b);
  GetWindowRect(GetParent(button), &bar);
  return IntersectRect(&both, &b, &bar) && both.right - both.left == b.right - b.left;
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.Valid()); }

  void TearDown() override {
    ReleaseModifiers();
    tandem_.Stop();
    sim_.Stop();
  }

  // Starts the stand-in, then Tandem in the temporary working folder with the emulator beside
  // its settings. `scale` speeds up the emulator's time line where real time is not needed.
  void StartSystem(const IniOptions& ini, int scale, const std::string& simArgs = "") {
    ASSERT_TRUE(sim_.Start(LoggerSimPathBesideThisProgram(), simArgs)) << sim_.error();
    StartTandem(ini, scale);
  }

  // As StartSystem, then the stand-in set up by SetUpLogger with its call box in the foreground.
  void StartAtTheLoggerCall(const IniOptions& ini, int scale, std::initializer_list<const char*> commands) {
    StartSystem(ini, scale);
    SetUpLogger(commands);
  }

  void RestartTandem(const IniOptions& ini, int scale) {
    tandem_.Stop();
    StartTandem(ini, scale);
  }

  void StartTandem(const IniOptions& ini, int scale) {
    TandemSetup setup;
    setup.binDir = ThisProgramFolder();
    setup.workDir = folder_;
    setup.ini = Ini(ini);
    setup.env = {{"KEYPORT_AUDIO", "0"}, {"KEYPORT_TIMESCALE", std::to_string(scale)}};
    ASSERT_TRUE(tandem_.Start(setup)) << tandem_.error();
  }

  // The call box of the stand-in in the foreground with the keyboard focus.
  void FocusLoggerCall() { ASSERT_EQ(sim_.Command("focus call"), 1); }
  // The stand-in's commands (its texts, its check control), each of which must succeed, then its
  // call box in the foreground with the focus.
  void SetUpLogger(std::initializer_list<const char*> commands) {
    for (const char* command : commands) ASSERT_EQ(sim_.Command(command), 1) << command;
    FocusLoggerCall();
  }

  void PressInLogger(BYTE vk, int mods = kNone) {
    ASSERT_TRUE(testsupport::PressInLogger(sim_, vk, mods)) << "the stand-in did not retrieve key " << int(vk);
  }
  void TypeInLogger(const std::string& text) {
    ASSERT_TRUE(testsupport::TypeInLogger(sim_, text)) << "the stand-in did not retrieve " << text;
  }

  // The stand-in with the CQ machine's window and Tandem with its PTT link on; the logger's last
  // record holds the call JA3AAA.
  void StartWithTheCqMachine() {
    IniOptions ini;
    ini.pttCqMachine = 1;
    StartSystem(ini, 20, "--cq-machine");
    SetUpLogger({"text report 599"});
    TypeInLogger("JA3AAA");
  }

  // The CQ machine's start notice, sent as the CQ machine sends it.
  bool SendCqMachineNotice() {
    COPYDATASTRUCT data = {};
    data.cbData = sizeof kCqMachineNotice - 1;
    data.lpData = const_cast<char*>(kCqMachineNotice);
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(tandem_.MainWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_NORMAL, 5000, &result) != 0;
  }

  // Tandem's main window in the foreground, and the keyboard focus in its log view (a click).
  void FocusTandemLog() {
    HWND main = tandem_.MainWindow();
    ASSERT_NE(main, nullptr);
    SetForegroundWindow(main);
    ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return GetForegroundWindow() == main; }))
        << "Tandem's window did not come to the front";
    HWND view = tandem_.LogView();
    ASSERT_NE(view, nullptr) << "no log view in Tandem's window";
    RECT r;
    GetWindowRect(view, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    // The click has landed when the view's thread has handled it; a round trip to it says so.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(view, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
  }

  bool WaitTrace(const std::function<bool(const std::vector<TraceEvent>&)>& pred, DWORD ms = 10000) {
    return LoggerSimClient::PumpUntil([&] { return pred(tandem_.Trace()); }, ms);
  }
  bool WaitHanded(const std::string& text, DWORD ms = 10000) {
    return WaitTrace([&](const std::vector<TraceEvent>& t) { return HandedToKeyer(t).find(text) != std::string::npos; },
                     ms);
  }
  std::string Handed() { return HandedToKeyer(tandem_.Trace()); }
  // F2 in the logger keys the record: `text` is handed to the keyer.
  void ExpectF2Keys(const std::string& text) {
    PressInLogger(VK_F2);
    EXPECT_TRUE(WaitHanded(text)) << "handed: " << Handed();
  }

  // Waits for a visible window of Tandem titled as the memory editor of Fn, and closes it.
  void ExpectEditorAndClose(int n) {
    const std::string prefix = "F" + std::to_string(n) + kEditTitleSuffix;
    HWND dlg = nullptr;
    ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return (dlg = tandem_.TopLevelTitled(prefix)) != nullptr; }))
        << "no editor window for F" << n;
    PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); }));
  }

  testsupport::TempFolder temp_{"tandem-e2e-"};
  const std::string folder_ = temp_.Path();
  LoggerSimClient sim_;
  TandemSession tandem_;
};

// F2 in the logger's entry window keys the expanded message, and the logger never sees F2.
TEST_F(EndToEndTest, LoggerF2KeysTheExpandedMessageAndTheLoggerNeverSeesIt) {
  StartAtTheLoggerCall(IniOptions{}, 50, {"text report 599"});
  TypeInLogger("XX1ABC");
  const std::size_t logStart = sim_.LogSize();
  PressInLogger(VK_F2);

  ASSERT_TRUE(WaitHanded("XX1ABC UR 5NN <B4>")) << "keyer trace:\n" << ReadWholeFile(tandem_.TracePath());
  // Everything handed over is keyed: one character start per character and code byte.
  const std::string handed = Handed();
  const std::size_t items = handed.size() - 3 * Count(handed, "<");
  EXPECT_TRUE(WaitTrace([&](const std::vector<TraceEvent>& t) { return CountEvents(t, "char") >= items; }));
  EXPECT_EQ(Count(handed, "XX1ABC"), 1u) << handed;

  int nullF2 = 0;
  const std::vector<loggersim::LogEntry> log = sim_.Log();
  for (std::size_t i = logStart; i < log.size(); ++i) {
    if (log[i].code != VK_F2) continue;
    EXPECT_EQ(log[i].message, static_cast<UINT>(WM_NULL)) << "the stand-in received F2 as message " << log[i].message;
    nullF2 += log[i].message == WM_NULL ? 1 : 0;
  }
  EXPECT_EQ(nullF2, 2) << "F2's press and release should both have been kept from the stand-in";
  EXPECT_NE(tandem_.LogText().find("XX1ABC UR 5NN"), std::string::npos) << tandem_.LogText();
}

// Esc in the call box cancels a transmission under way; the rest is never keyed.
TEST_F(EndToEndTest, LoggerEscCancelsKeying) {
  IniOptions ini;
  ini.wpm = 15;
  StartAtTheLoggerCall(ini, 1, {"text report 599"});
  PressInLogger(VK_F1);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return CountEvents(t, "char") >= 1; }))
      << "F1 was not keyed: " << Handed();
  PressInLogger(VK_ESCAPE);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportTxCancel"); }))
      << "Esc did not cancel";
  // After the cancel the PTT tail runs out, and no further character is keyed.
  EXPECT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) {
    bool cancelled = false;
    for (const TraceEvent& e : t) {
      if (e.event == "keyportTxCancel") cancelled = true;
      if (cancelled && e.event == "ptt" && e.rest == "off") return true;
    }
    return false;
  })) << "no PTT release after the cancel";
  const std::vector<TraceEvent> t = tandem_.Trace();
  double cancelMs = 0;
  for (const TraceEvent& e : t)
    if (e.event == "keyportTxCancel") cancelMs = e.ms;
  for (const TraceEvent& e : t)
    EXPECT_FALSE(e.event == "char" && e.ms > cancelMs) << "character " << e.rest << " keyed after the cancel";
  // The log holds what was keyed, then the mark where keying stopped, and the message's space.
  const std::string keyed = KeyedBefore(t, cancelMs, ini.wpm);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.LogText() == keyed + "* "; }))
      << "keyed: " << keyed << "\nlog: " << tandem_.LogText();
}

// The log tells what went out: after Esc it holds what the keyer keyed of the message, a mark
// where keying stopped, and only the mark for the message queued behind it; the report that was
// never reached is not shown as sent when a later message fills in its own.
TEST_F(EndToEndTest, AfterEscTheLogHoldsWhatWentOutAndMarksWhereItStopped) {
  IniOptions ini;
  ini.wpm = 25;
  StartAtTheLoggerCall(ini, 1, {"text report 599", "text call JA2XYZ"});
  PressInLogger(VK_F6);
  PressInLogger(VK_F3);  // queued behind F6
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return CountEvents(t, "char") >= 3; }))
      << "F6 was not keyed: " << Handed();
  PressInLogger(VK_ESCAPE);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportTxCancel"); }))
      << "Esc did not cancel";
  const std::vector<TraceEvent> t = tandem_.Trace();
  const std::string keyed = KeyedBefore(t, TimeOf(t, "keyportTxCancel"), ini.wpm);
  const std::string cut = keyed + "* * ";
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.LogText() == cut; }))
      << "keyed: " << keyed << "\nlog: " << tandem_.LogText();
  ASSERT_EQ(Handed().find("5NN"), std::string::npos) << "the cut came after the report: " << Handed();

  // F2 now goes out whole; its report fills in its own "$R" and nothing of the cut message.
  PressInLogger(VK_F2);
  ASSERT_TRUE(WaitHanded("JA2XYZ UR 5NN <B4>", 30000)) << "handed: " << Handed();
  const std::string whole = cut + "JA2XYZ UR 5NN [KN] ";
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.LogText() == whole; }))
      << "log: " << tandem_.LogText();
}

// The paddle breaks into a message: the log holds what was keyed of it, the mark, and then what
// the operator keyed on the paddle.
TEST_F(EndToEndTest, PaddleBreakInLeavesWhatWentOutAndTheMarkBeforeThePaddlesText) {
  IniOptions ini;
  ini.wpm = 25;
  ini.paddleKbd = 1;
  StartAtTheLoggerCall(ini, 1, {"text report 599", "text call JA2XYZ"});
  PressInLogger(VK_F6);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return CountEvents(t, "char") >= 3; }))
      << "F6 was not keyed: " << Handed();
  char title[64];
  std::snprintf(title, sizeof title, KEYPORT_CONTROL_TITLE_PREFIX "%lu", tandem_.ProcessId());
  HWND paddle = FindWindowA(KEYPORT_CONTROL_CLASS, title);
  ASSERT_NE(paddle, nullptr) << "no paddle window of the emulator in Tandem";
  char text[] = "E";
  COPYDATASTRUCT data = {KEYPORT_CTL_PADDLE_TEXT, 1, text};
  DWORD_PTR taken = 0;
  ASSERT_TRUE(SendMessageTimeoutA(paddle, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000,
                                  &taken));
  ASSERT_EQ(taken, 1u);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "report", {15, 0}); }))
      << "the paddle did not break in";
  const std::vector<TraceEvent> t = tandem_.Trace();
  const std::string keyed = KeyedBefore(t, TimeOf(t, "paddle"), ini.wpm);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.LogText() == keyed + "* E"; }))
      << "keyed: " << keyed << "\nlog: " << tandem_.LogText();
}

// With the Run box ticked in N1MM Logger, the very first F1 after Tandem starts keys the CQ of
// Bank-A, the bank the logger shows: no record came before it to tell Tandem so.
TEST_F(EndToEndTest, FirstF1AfterTheStartKeysTheBankTheLoggerShows) {
  // The pointer away from the logger's window, so that no record of a mouse move comes first.
  SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
  ASSERT_TRUE(sim_.Start(LoggerSimPathBesideThisProgram())) << sim_.error();
  ASSERT_EQ(sim_.Command("check 1"), 1);
  ASSERT_EQ(sim_.Command("text report 599"), 1);
  ASSERT_EQ(sim_.Command("text call JA3AAA"), 1);
  StartTandem(IniOptions{}, 50);
  ASSERT_EQ(tandem_.ControlText(kFnButton1), "DE $M K") << "Tandem starts on Bank-B";
  FocusLoggerCall();
  PressInLogger(VK_F1);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HandedToKeyer(t).size() >= 10; }))
      << "F1 keyed nothing";
  EXPECT_TRUE(WaitHanded("CQ TEST JA1ZZZ")) << "handed: " << Handed();
  EXPECT_EQ(Handed().find("DE JA1ZZZ"), std::string::npos) << Handed();
  EXPECT_EQ(tandem_.ControlText(kFnButton1), "CQ TEST $M");
}

// Ctrl+PgUp in the logger raises the keyer's speed by one word per minute.
TEST_F(EndToEndTest, LoggerCtrlPgUpRaisesTheSpeedByOne) {
  StartSystem(IniOptions{}, 50);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportSetWPM", {0, 30}); }))
      << ReadWholeFile(tandem_.TracePath());
  SetUpLogger({"text report 599"});
  PressInLogger(VK_PRIOR, kCtrl);
  EXPECT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportSetWPM", {0, 31}); }));
  EXPECT_FALSE(HasEvent(tandem_.Trace(), "keyportSetWPM", {0, 32})) << ReadWholeFile(tandem_.TracePath());
}

// Shift+Ctrl+F in the logger switches the bank shown on Tandem's buttons and the logger's check
// control with it; twice returns to the first bank.
TEST_F(EndToEndTest, LoggerShiftCtrlFSwitchesTheBankInBothPrograms) {
  StartAtTheLoggerCall(IniOptions{}, 50, {"check 1", "text report 599"});
  TypeInLogger("J");  // a record with the check state: Tandem follows the logger's bank
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == "CQ TEST $M"; }))
      << "F1 shows " << tandem_.ControlText(kFnButton1);

  PressInLogger('F', kShift | kCtrl);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == "DE $M K"; }))
      << "F1 shows " << tandem_.ControlText(kFnButton1);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return sim_.Command("getcheck") == 0; }));

  PressInLogger('F', kShift | kCtrl);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == "CQ TEST $M"; }))
      << "F1 shows " << tandem_.ControlText(kFnButton1);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return sim_.Command("getcheck") == 1; }));
}

// Ctrl+Z in the logger starts the CQ repeat; typing a new call into the call box stops it.
TEST_F(EndToEndTest, LoggerCtrlZRepeatsCqUntilANewCallIsTyped) {
  IniOptions ini;
  ini.wpm = 40;
  StartAtTheLoggerCall(ini, 20, {"text report 599"});
  PressInLogger('Z', kCtrl);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return Count(HandedToKeyer(t), "CQ TEST JA1ZZZ") >= 2; },
                        15000))
      << "the CQ was not repeated: " << Handed();

  TypeInLogger("JA2");
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportTxCancel"); }))
      << "a new call did not stop the repeat";
  const std::size_t cqs = Count(Handed(), "CQ ");
  // One repeat period and more passes without another CQ.
  EXPECT_FALSE(WaitTrace([&](const std::vector<TraceEvent>& t) { return Count(HandedToKeyer(t), "CQ ") > cqs; },
                         static_cast<DWORD>(ini.cqInterval) + 1500))
      << "the CQ repeat went on: " << Handed();
}

// TAB in the call box sends F2 only when the setting for it is on.
TEST_F(EndToEndTest, LoggerTabInTheCallBoxSendsF2OnlyWithTheSetting) {
  IniOptions ini;
  ini.zLogKey = 1;
  StartAtTheLoggerCall(ini, 50, {"text report 599", "text call XX1ABC"});
  PressInLogger(VK_TAB);
  EXPECT_TRUE(WaitHanded("XX1ABC UR 5NN")) << "with the setting on, keyer trace:\n" << ReadWholeFile(tandem_.TracePath());

  ini.zLogKey = 0;
  RestartTandem(ini, 50);
  FocusLoggerCall();
  PressInLogger(VK_TAB);
  EXPECT_FALSE(WaitTrace([](const std::vector<TraceEvent>& t) { return !HandedToKeyer(t).empty(); }, 1500))
      << "with the setting off TAB keyed: " << Handed();
  // The path was live: in the same run F2 keys the same record.
  PressInLogger(VK_F2);
  EXPECT_TRUE(WaitHanded("XX1ABC UR 5NN")) << "F2 after TAB, keyer trace:\n" << ReadWholeFile(tandem_.TracePath());
  EXPECT_EQ(Count(Handed(), "XX1ABC"), 1u) << Handed();
}

// The CQ machine's start notice holds the PTT until the CQ machine's stop button hides.
TEST_F(EndToEndTest, CqMachineNoticeHoldsThePttUntilTheStopButtonHides) {
  StartWithTheCqMachine();
  ASSERT_EQ(sim_.Command("cqmachine-play"), 1);

  ASSERT_TRUE(SendCqMachineNotice());
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportWriteData", {0, 0, 253}); }))
      << "the PTT was not held";
  // Several watch periods pass with the stop button showing: the PTT stays held.
  EXPECT_FALSE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportWriteData", {0, 0, 255}); },
                         800));
  ASSERT_EQ(sim_.Command("cqmachine-stop"), 1);
  EXPECT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportWriteData", {0, 0, 255}); }))
      << "the PTT was not released when the stop button hid";
  // The notice is not an entry record: the call from the logger's last record still stands.
  FocusLoggerCall();
  ExpectF2Keys("JA3AAA UR 5NN");
}

// Keys and mouse in Tandem's own window: the editor, the number of buttons, keyboard sending with
// Backspace taking back a queued character, clearing the log, right-click on a button.
TEST_F(EndToEndTest, TandemWindowKeysAndMouse) {
  // Real time at a slow speed: "abc" keys for several seconds, ample for the type-ahead and the
  // Backspace to arrive while characters still wait on a loaded machine.
  IniOptions ini;
  ini.wpm = 10;
  StartSystem(ini, 1);
  FocusTandemLog();

  Press(VK_F3, kShift);
  ExpectEditorAndClose(3);

  FocusTandemLog();
  HWND f9 = tandem_.Control(kFnButton1 + 8);
  HWND f12 = tandem_.Control(kFnButton1 + 11);
  ASSERT_NE(f12, nullptr);
  EXPECT_FALSE(ButtonShown(f9) || ButtonShown(f12)) << "Fn12=0 shows eight buttons";
  EXPECT_TRUE(ButtonShown(tandem_.Control(kFnButton1 + 7)));
  Press(VK_F12, kCtrl);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return ButtonShown(f12) && ButtonShown(f9); }));
  Press(VK_F8, kCtrl);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return !ButtonShown(f12) && !ButtonShown(f9); }));

  // Keyboard sending: with the keyer idle a typed character is keyed at once; once a keyer report
  // says characters are waiting, what is typed waits in the send queue, and Backspace takes back
  // the last one waiting, from the queue and from the log. Lower case, so that no Shift+F switches
  // the bank on the way.
  TypeText("abc");
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) {
    for (const TraceEvent& e : t)
      if (e.event == "report" && !e.args.empty() && e.args[0] > 0) return true;
    return false;
  })) << "no keyer report with characters waiting";
  TypeText("de");
  Press(VK_BACK);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return Upper(HandedToKeyer(t)) == "ABCD"; }, 60000))
      << "handed: " << Handed() << "\nlog: " << tandem_.LogText();
  EXPECT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return CountEvents(t, "char") >= 4; }, 60000));
  EXPECT_EQ(Upper(tandem_.LogText()), "ABCD");
  EXPECT_FALSE(WaitTrace([](const std::vector<TraceEvent>& t) { return Upper(HandedToKeyer(t)).size() > 4; }, 1000))
      << "the character taken back was keyed: " << Handed();

  Press('W', kCtrl);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.LogText().empty(); }))
      << "the log still holds: " << tandem_.LogText();

  HWND f5 = tandem_.Control(kFnButton1 + 4);
  ASSERT_NE(f5, nullptr);
  RECT r;
  GetWindowRect(f5, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
  ExpectEditorAndClose(5);
}

// Whatever the operator types into the logger's texts, the record keeps its fields: an exchange
// "5|" is still the exchange, and a free text that looks like fields of a record starts nothing.
TEST_F(EndToEndTest, BarsTypedIntoTheLoggerNeverMoveTheRecordsFields) {
  IniOptions ini;
  ini.cqInterval = 1000;
  StartAtTheLoggerCall(ini, 50, {"text report 599", "text exchange 5|"});
  TypeInLogger("XX1ABC");
  PressInLogger(VK_F4);
  EXPECT_TRUE(WaitHanded("XX1ABC 5 TU")) << "handed: " << Handed();

  // A free text that reads as "check 0, key 5A (Z), Ctrl down": a key release in the call box must
  // not start the CQ repeat, and Esc cancels as always.
  ASSERT_EQ(sim_.Command("text free x|0|5A|0|FFFFFF80|0"), 1);
  const std::size_t before = Count(Handed(), "CQ TEST");
  FocusLoggerCall();
  PressInLogger(VK_END);
  TypeInLogger("J");
  EXPECT_FALSE(WaitTrace([&](const std::vector<TraceEvent>& t) { return Count(HandedToKeyer(t), "CQ TEST") > before; },
                         2500))
      << "a key release started the CQ repeat: " << Handed();
  // The path was live: the same key release carried the new call, which F2 keys.
  ExpectF2Keys("XX1ABCJ UR 5NN");
}

// Shift+TAB in the call box with the TAB option on: the logger's key sends the F2 memory; it
// never opens the memory editor, and the logger gets its Tab and the Shift release at once.
TEST_F(EndToEndTest, LoggerShiftTabSendsF2AndNeverOpensTheEditor) {
  IniOptions ini;
  ini.zLogKey = 1;
  StartAtTheLoggerCall(ini, 50, {"text report 599", "text call XX1ABC"});
  const std::size_t logStart = sim_.LogSize();
  const DWORD start = GetTickCount();
  // Shift stays down until Tandem has acted on the key, as when the operator holds it.
  keybd_event(VK_SHIFT, 0, 0, 0);
  PressInLogger(VK_TAB);
  const bool keyed = WaitHanded("XX1ABC UR 5NN", 3000);
  const bool editor = tandem_.TopLevelTitled("F2" + std::string(kEditTitleSuffix)) != nullptr;
  keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_TRUE(keyed) << "handed: " << Handed();
  EXPECT_FALSE(editor) << "the editor opened";
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] {
    const std::vector<loggersim::LogEntry> log = sim_.Log();
    for (std::size_t i = logStart; i < log.size(); ++i)
      if (log[i].message == WM_KEYUP && log[i].code == VK_SHIFT) return true;
    return false;
  }));
  // The logger retrieved the Tab and the Shift release, the Tab without waiting for Tandem.
  bool tab = false, shiftUp = false;
  const std::vector<loggersim::LogEntry> log = sim_.Log();
  for (std::size_t i = logStart; i < log.size(); ++i) {
    if (log[i].message == WM_KEYDOWN && log[i].code == VK_TAB) {
      tab = true;
      EXPECT_LT(log[i].time - start, 1500u) << "the logger waited for Tandem";
    }
    if (log[i].message == WM_KEYUP && log[i].code == VK_SHIFT) shiftUp = true;
  }
  EXPECT_TRUE(tab);
  EXPECT_TRUE(shiftUp);
}

// Ctrl+Z in the logger while it shows Bank-B: the CQ goes out from Bank-A, and the logger's check
// control says Bank-A too, so that the next key and the next bank switch act on both alike.
TEST_F(EndToEndTest, LoggerCtrlZPutsBothProgramsOnBankA) {
  IniOptions ini;
  ini.cqInterval = 5000;
  StartAtTheLoggerCall(ini, 50, {"check 1", "text report 599"});
  TypeInLogger("J");
  ASSERT_EQ(sim_.Command("check 0"), 1);
  TypeInLogger("A");
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == "DE $M K"; }))
      << "Tandem did not follow the logger to Bank-B";

  PressInLogger('Z', kCtrl);
  ASSERT_TRUE(WaitHanded("CQ TEST JA1ZZZ")) << "handed: " << Handed();
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return sim_.Command("getcheck") == 1; }))
      << "the logger's check control still shows Bank-B";
  PressInLogger(VK_ESCAPE);
  PressInLogger(VK_F3);
  EXPECT_TRUE(WaitHanded("TU JA1ZZZ TEST")) << "F3 after Ctrl+Z: " << Handed();
  EXPECT_EQ(tandem_.ControlText(kFnButton1), "CQ TEST $M");

  // The next switch takes both to Bank-B.
  PressInLogger('F', kShift | kCtrl);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == "DE $M K"; }))
      << "F1 shows " << tandem_.ControlText(kFnButton1);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return sim_.Command("getcheck") == 0; }));
}

// The bank switch writes the logger's check control without waiting for the logger: with the
// logger busy, Tandem keeps answering, and the logger shows the switch once it looks again.
TEST_F(EndToEndTest, BankSwitchNeverWaitsForABusyLogger) {
  StartAtTheLoggerCall(IniOptions{}, 50, {"check 1", "text report 599"});
  TypeInLogger("J");  // a record: Tandem now knows the logger
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == "CQ TEST $M"; }));

  FocusTandemLog();
  // The logger stays busy far longer than the checks below take, even on a loaded machine.
  ASSERT_EQ(sim_.Command("hang 20000"), 1);
  const DWORD hangStart = GetTickCount();
  Press('F', kShift);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == "DE $M K"; }, 8000))
      << "Tandem did not switch while the logger was busy";
  // Tandem's own keys go on keying while the logger is still busy.
  Press(VK_F1);
  EXPECT_TRUE(WaitHanded("DE JA1ZZZ K", 8000)) << "Tandem waited for the busy logger: " << Handed();
  EXPECT_LT(GetTickCount() - hangStart, 20000u) << "the machine was too slow to tell a wait from none";
  // Once the logger looks at its messages again (a command sent to it comes first).
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return sim_.Command("getcheck", 30000) == 0; }, 40000))
      << "the switch never reached the logger";
}

// A stopped Tandem costs the logger one timeout for all the keys pressed meanwhile, and once it
// runs again the logger's keys act as before.
TEST_F(EndToEndTest, StoppedTandemCostsTheLoggerOneTimeout) {
  StartAtTheLoggerCall(IniOptions{}, 50, {"text report 599"});
  TypeInLogger("XX1ABC");

  ASSERT_TRUE(tandem_.Suspend());
  const std::size_t logStart = sim_.LogSize();
  const DWORD start = GetTickCount();
  PressInLogger(VK_F2);
  TypeInLogger("D");
  PressInLogger(VK_F3);
  ASSERT_TRUE(tandem_.Resume());
  int waits = 0;  // gaps of nearly a whole timeout (2 s)
  DWORD previous = start;
  const std::vector<loggersim::LogEntry> log = sim_.Log();
  for (std::size_t i = logStart; i < log.size(); ++i) {
    waits += log[i].time - previous >= 1800 ? 1 : 0;
    previous = log[i].time;
  }
  EXPECT_LE(waits, 1) << "the logger waited " << waits << " times for the stopped Tandem";

  // Running again: the next keys reach Tandem.
  bool keyed = false;
  for (int i = 0; i < 10 && !keyed; ++i) {
    PressInLogger(VK_F5);
    keyed = WaitHanded("QRZ?", 1000);
  }
  EXPECT_TRUE(keyed) << "handed: " << Handed();
}

// With the CQ machine link on, PTT is held only while the CQ machine's playing window shows: a
// notice without it holds nothing, and Esc lets go of a PTT held for a playing CQ machine.
TEST_F(EndToEndTest, CqMachinePttNeedsThePlayingWindowAndEscReleasesIt) {
  StartWithTheCqMachine();
  auto held = [](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportWriteData", {0, 0, 253}); };
  // A notice with the CQ machine not playing: nothing is held, now or while the watch waits.
  ASSERT_TRUE(SendCqMachineNotice());
  EXPECT_FALSE(WaitTrace(held, 3000)) << "PTT held without the CQ machine playing";

  ASSERT_EQ(sim_.Command("cqmachine-play"), 1);
  ASSERT_TRUE(SendCqMachineNotice());
  ASSERT_TRUE(WaitTrace(held)) << "PTT not held for the playing CQ machine";
  PressInLogger(VK_ESCAPE);
  EXPECT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportWriteData", {0, 0, 255}); }))
      << "Esc did not release the PTT";
  // Released for good: the watch does not take it again while the CQ machine still plays.
  EXPECT_FALSE(WaitTrace([](const std::vector<TraceEvent>& t) {
    return std::count_if(t.begin(), t.end(), [](const TraceEvent& e) {
             return e.event == "keyportWriteData" && e.args == std::vector<long>{0, 0, 253};
           }) > 1;
  }, 1000));
}

// The buttons as the operator clicks them: a click on an Fn button or on the CW bar's Send button
// reaches the frame through the bar, and keys what the button says.
TEST_F(EndToEndTest, ClickedButtonsKeyThroughTheBars) {
  StartSystem(IniOptions{}, 50);
  HWND f1 = tandem_.Control(kFnButton1);
  ASSERT_NE(f1, nullptr);
  // F1 of the bank the buttons show.
  const std::string label = tandem_.ControlText(kFnButton1);
  const std::string f1Keyed = label == "CQ TEST $M" ? "CQ TEST JA1ZZZ" : label == "DE $M K" ? "DE JA1ZZZ K" : "";
  ASSERT_FALSE(f1Keyed.empty()) << "F1 shows " << label;
  ASSERT_TRUE(PostMessageA(f1, BM_CLICK, 0, 0));
  EXPECT_TRUE(WaitHanded(f1Keyed)) << "a click on F1 keyed: " << Handed();

  // The CW bar, shown from the View menu; its text sent with its Send button.
  ASSERT_TRUE(PostMessageA(tandem_.MainWindow(), WM_COMMAND, kViewCwBar, 0));
  HWND text = nullptr;
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] {
    text = tandem_.Control(kSendText);
    return text != nullptr && IsWindowVisible(text);
  })) << "the CW bar did not show";
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutA(text, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("TEST DE JA1ZZZ"), SMTO_NORMAL,
                                  5000, &ignored));
  HWND send = tandem_.Control(kSendButton);
  ASSERT_NE(send, nullptr);
  ASSERT_TRUE(PostMessageA(send, BM_CLICK, 0, 0));
  EXPECT_TRUE(WaitHanded(f1Keyed + "TEST DE JA1ZZZ")) << "a click on Send keyed: " << Handed();
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kSendText).empty(); }))
      << "the sent text stayed in the bar: " << tandem_.ControlText(kSendText);
  EXPECT_NE(tandem_.LogText().find("TEST DE JA1ZZZ"), std::string::npos) << tandem_.LogText();
}

// An orderly close while the logger runs: the keys the hook kept from the logger reach it again,
// the keyer is closed and what the run changed is in the settings file.
TEST_F(EndToEndTest, CloseWhileTheLoggerRunsUnhooksClosesTheKeyerAndSaves) {
  IniOptions options;
  options.closeAnyway = 0;
  StartSystem(options, 50);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportSetWPM", {0, 30}); }));
  SetUpLogger({"text report 599"});
  TypeInLogger("XX1ABC");
  // While Tandem runs, F2 never reaches the logger and keys the record.
  std::size_t logStart = sim_.LogSize();
  PressInLogger(VK_F2);
  ASSERT_TRUE(WaitHanded("XX1ABC UR 5NN")) << "handed: " << Handed();
  auto Retrieved = [&](std::size_t from) {
    std::string out;
    const std::vector<loggersim::LogEntry> log = sim_.Log();
    for (std::size_t i = from; i < log.size(); ++i)
      out += " " + std::to_string(log[i].message) + "/" + std::to_string(log[i].code);
    return out;
  };
  auto f2Reached = [&](std::size_t from) {
    const std::vector<loggersim::LogEntry> log = sim_.Log();
    for (std::size_t i = from; i < log.size(); ++i)
      if (log[i].code == VK_F2 && log[i].message == WM_KEYDOWN) return true;
    return false;
  };
  ASSERT_FALSE(f2Reached(logStart)) << "the logger saw F2 while Tandem ran";
  // Something the run changes in the settings: the speed, from the logger.
  PressInLogger(VK_PRIOR, kCtrl);
  ASSERT_TRUE(WaitTrace([](const std::vector<TraceEvent>& t) { return HasEvent(t, "keyportSetWPM", {0, 31}); }));
  const std::string ini = folder_ + "\\Tandem.ini";
  ASSERT_EQ(GetPrivateProfileIntA("Keyer", "WPM", -1, ini.c_str()), 30);

  // The close asks whether to save the log the run wrote; the operator declines.
  testsupport::DialogAnswerer answerer(tandem_.ProcessId(), IDNO);
  ASSERT_TRUE(PostMessageA(tandem_.MainWindow(), WM_CLOSE, 0, 0));
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return !tandem_.Running(); }, 60000)) << "Tandem did not end";
  const std::vector<std::string> asked = answerer.Texts();
  ASSERT_EQ(asked.size(), 1u) << "questions at the close: " << asked.size();
  const std::string end = kSaveQuestionEnd;
  EXPECT_TRUE(asked[0].size() > end.size() && asked[0].compare(asked[0].size() - end.size(), end.size(), end) == 0)
      << asked[0];

  EXPECT_TRUE(HasEvent(tandem_.Trace(), "keyportClose")) << "the keyer was not closed:\n"
                                                           << ReadWholeFile(tandem_.TracePath());
  EXPECT_EQ(GetPrivateProfileIntA("Keyer", "WPM", -1, ini.c_str()), 31) << ReadWholeFile(ini);
  // The hook is gone from the logger: F2 reaches it as a key, and the keyer hears nothing more.
  const std::string handedBefore = Handed();
  FocusLoggerCall();
  logStart = sim_.LogSize();
  PressInLogger(VK_F2);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return f2Reached(logStart); }))
      << "F2 is still kept from the logger after Tandem ended: " << Retrieved(logStart);
  EXPECT_EQ(Handed(), handedBefore);
}

}  // namespace
