// Streaming on the keyer emulator's own reports: the real frame keys through the emulator with a
// device open, and only the reports that the emulator posts move the stream on. A stream that
// stops leaves characters in the send queue with the keyer idle, which every test here would see.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "KeyportTestSupport.h"
#include "ShellTestSupport.h"
#include "TandemView.h"
#include "resource.h"

using shelltest::AppSession;
using shelltest::PumpMessages;
using shelltest::TempWorkDir;

namespace {

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  while (!done()) {
    if (static_cast<LONG>(end - ::GetTickCount()) <= 0) return done();
    PumpMessages(10);
  }
  return true;
}

// The emulator's environment for one session, with a device; read when the library is loaded.
class EmulatorEnv {
 public:
  EmulatorEnv(const std::string& trace, const char* timescale) {
    SetEnv("KEYPORT_TRACE", trace.c_str());
    SetEnv("KEYPORT_TIMESCALE", timescale);
    SetEnv("KEYPORT_AUDIO", "0");
    SetEnv("KEYPORT_NODEVICE", nullptr);
  }
  ~EmulatorEnv() {
    SetEnv("KEYPORT_TRACE", nullptr);
    SetEnv("KEYPORT_TIMESCALE", nullptr);
    SetEnv("KEYPORT_AUDIO", nullptr);
  }
};

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

// The frame of this process with the emulator open as its keyer, Bank-A on the buttons and the
// contact of the tests in the fields.
class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    trace_ = dir_.File("trace.txt");
    env_ = std::make_unique<EmulatorEnv>(trace_, "5");
    ::SetDllDirectoryA(shelltest::BesideTestProgram("emulator").c_str());
    const bool started = session_.Start();
    ::SetDllDirectoryA(nullptr);
    ASSERT_TRUE(started);
    frame_ = session_.Frame();
    ASSERT_EQ(frame_->m_device, 0) << "the emulator's device did not open";
    frame_->m_bankA = 1;
    frame_->LayoutFnButtons(0, 12);
    frame_->m_mode = "CW";
    frame_->m_call = "XX1ABC";
    frame_->m_report = "599";
    frame_->m_exch = "25";
    frame_->m_subst9 = "N";
    frame_->m_myCall = "JA1ZZZ";
  }

  void ClickFn(int id) {
    ::SendMessageA(frame_->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(frame_->m_wndFnBar.m_hWnd, id)));
  }

  void Send(const char* text) {
    ::SetWindowTextA(frame_->m_wndCwBar.GetItem(IDC_SEND_TEXT), text);
    ::SendMessageA(frame_->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SEND_BUTTON, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(frame_->m_wndCwBar.m_hWnd, IDC_SEND_BUTTON)));
  }

  // Until `text` has been handed to the keyer in full and both queues are empty.
  bool KeysAll(const std::string& text) {
    return PumpUntil(
        [&] {
          return frame_->m_sendQueue.empty() && frame_->m_pending == 0 && Keyed(trace_) == text;
        },
        30000);
  }

  std::string Log() const { return frame_->GetLogView()->GetWholeText(); }

  TempWorkDir dir_;
  std::string trace_;
  std::unique_ptr<EmulatorEnv> env_;
  AppSession session_;
  CMainFrame* frame_ = nullptr;
};

// The CW bar's Send button hands the keyer one character and streams the rest: the report that
// meets "$R" is the one of a keyer with a single character, or none, waiting.
TEST_F(StreamTest, SendButtonWithLateReportKeysToTheEnd) {
  Send("TEST [AR] $R CD");
  ASSERT_TRUE(KeysAll("TEST {54} 5NN CD"))
      << "keyed " << Keyed(trace_) << ", waiting " << frame_->m_sendQueue;
  EXPECT_EQ(Log(), "TEST [AR] 5NN CD");

  // Empty values: "$R" and "$A" fill in nothing, one right after the other, and the keyer has
  // nothing left to report about when they come up. The stream still goes on.
  frame_->m_report.clear();
  frame_->m_exch.clear();
  Send("E$R$A K");
  ASSERT_TRUE(KeysAll("TEST {54} 5NN CDE K"))
      << "keyed " << Keyed(trace_) << ", waiting " << frame_->m_sendQueue;
  EXPECT_EQ(Log(), "TEST [AR] 5NN CDE__ K");
}

// Many late macros in a row, a second press of the same key while the first is being keyed (its
// macros come up once the first's are filled in), and then another message: every one is keyed
// to its end.
TEST_F(StreamTest, LateMacrosInQueuedMessagesNeverStopTheStream) {
  frame_->SetMemory(0, 1, "$R$A $R $A E");
  frame_->LayoutFnButtons(0, 12);
  const std::string once = "5NN25 5NN 25 E";
  ClickFn(1001);
  ASSERT_TRUE(PumpUntil([&] { return Keyed(trace_).size() >= 4; }, 20000)) << Keyed(trace_);
  ASSERT_FALSE(frame_->m_sendQueue.empty()) << "the first message ended before the second press";
  ClickFn(1001);
  ASSERT_TRUE(KeysAll(once + once)) << "keyed " << Keyed(trace_) << ", waiting "
                                    << frame_->m_sendQueue;
  EXPECT_EQ(Log(), once + " " + once + " ");

  // The stream is still alive for the next message.
  ClickFn(1000);
  EXPECT_TRUE(KeysAll(once + once + "CQ DE JA1ZZZ JA1ZZZ JA1ZZZ PSE K")) << Keyed(trace_);
}

// The report that fills in "$R" is the one that stands in the logger when keying reaches it, not
// the one of the key press: a record with a new report arrives while the call is keyed.
TEST_F(StreamTest, ReportChangedAfterTheKeyPressIsTheOneKeyed) {
  ClickFn(1001);  // "$C UR $R [KN]"
  ASSERT_NE(frame_->m_sendQueue.find("$R"), std::string::npos);
  const std::string record = "XX1ABC|579|CW|||1|0|0|0|0|120|560|2|";
  COPYDATASTRUCT data = {0, static_cast<DWORD>(record.size()), const_cast<char*>(record.data())};
  ::SendMessageA(frame_->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  EXPECT_EQ(frame_->m_report, "579");
  ASSERT_NE(frame_->m_sendQueue.find("$R"), std::string::npos) << "keying reached $R too soon";
  EXPECT_TRUE(KeysAll("XX1ABC UR 57N {B4}")) << Keyed(trace_);
  EXPECT_EQ(Log(), "XX1ABC UR 57N [KN] ");
}

}  // namespace
