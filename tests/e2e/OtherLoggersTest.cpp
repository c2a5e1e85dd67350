// Keying from Turbo HAMLOG/Win and Logger32: the logger stand-in shows one of those loggers'
// windows, Tandem follows that logger by its setting, the keyer emulator inside Tandem writes its
// trace, and this test presses keys through the system's input, as the operator does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "LoggerSimClient.h"
#include "TandemSession.h"
#include "TestSupport.h"

namespace {

constexpr int kFollowN1mm = 0;
constexpr int kFollowTurboHamlog = 1;
constexpr int kFollowLogger32 = 2;

constexpr int kFnButton1 = 1000;  // F1's button on Tandem's bar

// How long a key that should not be keyed is given to show up in the trace all the same.
constexpr DWORD kNothingKeyedMs = 1500;

struct IniOptions {
  int followLogger = -1;  // -1: no key in the file, as in every settings file so far
  int hookAnyway = 0;
  int zLogKey = 0;
};

// F2 is the same in both banks: the bank follows the logger's check control, which differs
// between the loggers.
std::string Ini(const IniOptions& o) {
  std::string window = "[Window]\r\nCloseAnyway=1\r\nzLogKey=" + std::to_string(o.zLogKey) +
                       "\r\nHookAnyway=" + std::to_string(o.hookAnyway) + "\r\n";
  if (o.followLogger >= 0) window += "FollowLogger=" + std::to_string(o.followLogger) + "\r\n";
  return "[Bank-A]\r\nFn01=CQ TEST $M\r\nFn02=$C UR $R [KN]\r\nFn03=TU $M TEST\r\n"
         "[Bank-B]\r\nFn01=DE $M K\r\nFn02=$C UR $R [KN]\r\nFn03=TU $M TEST\r\n"
         "[Keyer]\r\nWPM=30\r\n9=N\r\nPTT=1\r\nSideTone=1\r\n"
         "[Profile]\r\nMyCallSign=JA1ZZZ\r\n" + window;
}

class OtherLoggersTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_.Valid()); }

  void TearDown() override {
    tandem_.Stop();
    for (LoggerSimClient& sim : sims_) sim.Stop();
  }

  // Starts a stand-in in the given mode; the first one is sim().
  LoggerSimClient& StartLogger(const std::string& mode) {
    LoggerSimClient& sim = sims_[started_++];
    EXPECT_TRUE(sim.Start(LoggerSimPathBesideThisProgram(), mode)) << sim.error();
    return sim;
  }
  LoggerSimClient& sim() { return sims_[0]; }
  // Starts a stand-in in the given mode, then Tandem following the logger `followLogger`.
  LoggerSimClient& StartFollowed(const std::string& mode, int followLogger) {
    LoggerSimClient& sim = StartLogger(mode);
    IniOptions ini;
    ini.followLogger = followLogger;
    StartTandem(ini);
    return sim;
  }

  void StartTandem(const IniOptions& ini) {
    tandem_.Stop();
    TandemSetup setup;
    setup.binDir = ThisProgramFolder();
    setup.workDir = folder_;
    setup.ini = Ini(ini);
    setup.env = {{"KEYPORT_AUDIO", "0"}, {"KEYPORT_TIMESCALE", "50"}};
    ASSERT_TRUE(tandem_.Start(setup)) << tandem_.error();
  }

  static void Cmd(LoggerSimClient& sim, const std::string& command) {
    ASSERT_EQ(sim.Command(command), 1) << command;
  }
  static void Cmds(LoggerSimClient& sim, std::initializer_list<const char*> commands) {
    for (const char* command : commands) Cmd(sim, command);
  }

  // Presses a key in the stand-in and returns what its message loop retrieved, once it has the
  // release (as the key, or as the null message a hook left in its place) and, when `thenKey` is
  // given, that key's release too.
  static std::vector<loggersim::LogEntry> PressIn(LoggerSimClient& sim, BYTE vk, BYTE thenKey = 0) {
    const std::size_t start = sim.LogSize();
    testsupport::Press(vk);
    std::vector<loggersim::LogEntry> seen;
    auto released = [&](BYTE key, bool nullCounts) {
      for (const loggersim::LogEntry& e : seen)
        if (e.code == key && (e.message == WM_KEYUP || e.message == WM_SYSKEYUP || (nullCounts && e.message == WM_NULL)))
          return true;
      return false;
    };
    const bool done = LoggerSimClient::PumpUntil([&] {
      const std::vector<loggersim::LogEntry> log = sim.Log();
      seen.assign(log.begin() + static_cast<std::ptrdiff_t>(std::min(start, log.size())), log.end());
      return released(vk, true) && (thenKey == 0 || released(thenKey, false));
    });
    EXPECT_TRUE(done) << "the stand-in did not retrieve key " << int(vk);
    return seen;
  }

  // The first transition of `vk` as the stand-in retrieved it: WM_NULL when it was kept from it.
  static UINT FirstAs(const std::vector<loggersim::LogEntry>& seen, BYTE vk) {
    for (const loggersim::LogEntry& e : seen)
      if (e.code == vk && (e.message == WM_NULL || (e.message >= WM_KEYFIRST && e.message <= WM_KEYLAST)))
        return e.message;
    return 0xFFFF;
  }

  std::string Handed() { return HandedToKeyer(tandem_.Trace()); }
  bool WaitHanded(const std::string& text, DWORD ms = 10000) {
    return LoggerSimClient::PumpUntil([&] { return Handed().find(text) != std::string::npos; }, ms);
  }
  // True when nothing beyond `before` is handed to the keyer within kNothingKeyedMs.
  bool NothingMoreHanded(const std::string& before) {
    return !LoggerSimClient::PumpUntil([&] { return Handed() != before; }, kNothingKeyedMs);
  }

  testsupport::TempFolder temp_{"tandem-loggers-"};
  const std::string folder_ = temp_.Path();
  LoggerSimClient sims_[3];
  int started_ = 0;
  TandemSession tandem_;
};

// Turbo HAMLOG/Win followed: F2 keys the message expanded with the input window's call and
// report; TAB in the call box keys F2 too, the logger gets Enter in its place and the focus goes
// on to the report box; F3 in the logger's own fields reaches the logger unless hook-anyway is on.
TEST_F(OtherLoggersTest, TurboHamlogKeysFromItsInputWindow) {
  LoggerSimClient& hl = StartLogger("--hamlog");
  IniOptions ini;
  ini.followLogger = kFollowTurboHamlog;
  ini.zLogKey = 1;
  StartTandem(ini);
  Cmds(hl, {"text report 599", "text mode CW", "text call XX1ABC", "focus call"});
  std::vector<loggersim::LogEntry> seen = PressIn(hl, VK_F2);
  EXPECT_EQ(FirstAs(seen, VK_F2), static_cast<UINT>(WM_NULL)) << "the logger saw F2";
  ASSERT_TRUE(WaitHanded("XX1ABC UR 5NN <B4>")) << "handed: " << Handed();

  Cmds(hl, {"text call JA3AAA", "focus call"});
  seen = PressIn(hl, VK_TAB, VK_RETURN);
  EXPECT_EQ(FirstAs(seen, VK_TAB), static_cast<UINT>(WM_NULL)) << "the logger saw TAB";
  EXPECT_EQ(FirstAs(seen, VK_RETURN), static_cast<UINT>(WM_KEYDOWN)) << "the logger got no Enter";
  EXPECT_TRUE(WaitHanded("JA3AAA UR 5NN")) << "handed: " << Handed();
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return hl.Command("getfocus") == loggersim::kBoxReport; }))
      << "focus in box " << hl.Command("getfocus");

  // F3 in the call box keys; in the logger's own fields it stays with the logger.
  Cmd(hl, "focus call");
  PressIn(hl, VK_F3);
  ASSERT_TRUE(WaitHanded("TU JA1ZZZ TEST")) << "handed: " << Handed();
  for (const char* box : {"keys4", "keys7"}) {
    SCOPED_TRACE(box);
    const std::string before = Handed();
    Cmd(hl, std::string("focus ") + box);
    seen = PressIn(hl, VK_F3);
    EXPECT_EQ(FirstAs(seen, VK_F3), static_cast<UINT>(WM_KEYDOWN));
    EXPECT_TRUE(NothingMoreHanded(before)) << "keyed: " << Handed();
  }

  // With hook-anyway on, the function keys there are Tandem's (a new call, so that what the
  // restarted Tandem keys cannot be mistaken for what came before).
  ini.hookAnyway = 1;
  StartTandem(ini);
  Cmds(hl, {"text call JA5BBB", "focus keys7"});
  seen = PressIn(hl, VK_F2);
  EXPECT_EQ(FirstAs(seen, VK_F2), static_cast<UINT>(WM_NULL));
  EXPECT_TRUE(WaitHanded("JA5BBB UR 5NN")) << "handed: " << Handed();
}

// The bank switch alternates with every logger, from the logger's keys and from Tandem's own
// window. Turbo HAMLOG/Win has a bank box that Tandem sets, so both programs agree after every
// switch, and a change the operator makes there is followed; Logger32 has none, and Tandem's own
// choice stands.
TEST_F(OtherLoggersTest, BankSwitchAlternatesWithEveryLogger) {
  for (const char* mode : {"--hamlog", "--logger32"}) {
    SCOPED_TRACE(mode);
    const bool hamlog = std::string(mode) == "--hamlog";
    LoggerSimClient& sim = StartFollowed(mode, hamlog ? kFollowTurboHamlog : kFollowLogger32);
    Cmds(sim, {"text report 599", "text mode CW", "text call JA3AAA", "focus call"});
    auto keysF1 = [&](const char* expected, std::size_t times) {
      PressIn(sim, VK_F1);
      return LoggerSimClient::PumpUntil([&] {
        const std::string h = Handed();
        std::size_t n = 0;
        for (std::size_t p = h.find(expected); p != std::string::npos; p = h.find(expected, p + 1)) ++n;
        return n == times;
      }, 10000);
    };
    auto shows = [&](const char* label) {
      return LoggerSimClient::PumpUntil([&] { return tandem_.ControlText(kFnButton1) == label; });
    };
    auto boxSays = [&](int checked) {
      return !hamlog || LoggerSimClient::PumpUntil([&] { return sim.Command("getcheck") == checked; });
    };
    // The box unticked (or none): Bank-B, where Tandem starts.
    EXPECT_TRUE(keysF1("DE JA1ZZZ K", 1)) << "handed: " << Handed();
    ASSERT_TRUE(testsupport::PressInLogger(sim, 'F', testsupport::kShift | testsupport::kCtrl));
    EXPECT_TRUE(shows("CQ TEST $M")) << tandem_.ControlText(kFnButton1);
    EXPECT_TRUE(boxSays(1));
    EXPECT_TRUE(keysF1("CQ TEST JA1ZZZ", 1)) << "handed: " << Handed();
    ASSERT_TRUE(testsupport::PressInLogger(sim, 'F', testsupport::kShift | testsupport::kCtrl));
    EXPECT_TRUE(shows("DE $M K")) << tandem_.ControlText(kFnButton1);
    EXPECT_TRUE(boxSays(0));
    EXPECT_TRUE(keysF1("DE JA1ZZZ K", 2)) << "handed: " << Handed();

    // Shift+F in Tandem's own window.
    HWND main = tandem_.MainWindow();
    SetForegroundWindow(main);
    ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return GetForegroundWindow() == main; }));
    testsupport::Press('F', testsupport::kShift);
    EXPECT_TRUE(shows("CQ TEST $M")) << tandem_.ControlText(kFnButton1);
    EXPECT_TRUE(boxSays(1));
    Cmd(sim, "focus call");
    EXPECT_TRUE(keysF1("CQ TEST JA1ZZZ", 2)) << "handed: " << Handed();

    if (hamlog) {
      // The operator unticks the logger's box: its next record takes Tandem to Bank-B.
      Cmd(sim, "check 0");
      ASSERT_TRUE(testsupport::TypeInLogger(sim, "A"));
      EXPECT_TRUE(shows("DE $M K")) << tandem_.ControlText(kFnButton1);
    }
    tandem_.Stop();
    sim.Stop();
  }
}

// Logger32 followed: its mode box holds more than the mode, and only what comes before the first
// blank counts, so "CW 599" keys as CW while "SSB" keys nothing.
TEST_F(OtherLoggersTest, Logger32KeysWithTheModeCutAtTheBlank) {
  LoggerSimClient& l32 = StartFollowed("--logger32", kFollowLogger32);
  Cmds(l32, {"text call XX1ABC", "text report 579", "text mode SSB 59", "focus call"});
  std::vector<loggersim::LogEntry> seen = PressIn(l32, VK_F2);
  EXPECT_EQ(FirstAs(seen, VK_F2), static_cast<UINT>(WM_NULL)) << "the logger saw F2";
  EXPECT_TRUE(NothingMoreHanded("")) << "keyed in SSB: " << Handed();

  Cmds(l32, {"text mode CW 599", "focus call"});
  PressIn(l32, VK_F2);
  EXPECT_TRUE(WaitHanded("XX1ABC UR 57N <B4>")) << "handed: " << Handed();
}

// Call, report and mode all empty: no record, so F2 keys nothing; a call alone is enough.
TEST_F(OtherLoggersTest, EmptyCallReportAndModeKeyNothing) {
  for (const char* mode : {"--hamlog", "--logger32"}) {
    SCOPED_TRACE(mode);
    LoggerSimClient& sim = StartFollowed(mode, std::string(mode) == "--hamlog" ? kFollowTurboHamlog : kFollowLogger32);
    Cmds(sim, {"text exchange 25", "focus call"});
    std::vector<loggersim::LogEntry> seen = PressIn(sim, VK_F2);
    EXPECT_EQ(FirstAs(seen, VK_F2), static_cast<UINT>(WM_NULL)) << "the reader did not run";
    EXPECT_TRUE(NothingMoreHanded("")) << "keyed: " << Handed();

    // Mode CW for the keying itself; the call makes the record.
    Cmds(sim, {"text mode CW", "text call JA3AAA", "focus call"});
    PressIn(sim, VK_F2);
    EXPECT_TRUE(WaitHanded("JA3AAA UR")) << "handed: " << Handed();
    tandem_.Stop();
    sim.Stop();
  }
}

// Logger32's frame without its entry window: keys pass to the logger untouched and nothing is
// keyed; with the entry window, the same key keys.
TEST_F(OtherLoggersTest, Logger32WithoutItsEntryWindowKeysNothing) {
  LoggerSimClient& l32 = StartFollowed("--logger32", kFollowLogger32);
  Cmds(l32, {"text call XX1ABC", "text report 599", "text mode CW", "focus call"});
  PressIn(l32, VK_F2);
  // The whole message, [KN] included: what is handed later must not count as F3's.
  ASSERT_TRUE(WaitHanded("XX1ABC UR 5NN <B4>")) << "handed: " << Handed();
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return tandem_.LogText().find("XX1ABC UR") != std::string::npos; }));

  Cmds(l32, {"remove-entry", "foreground"});
  const std::string before = Handed();
  const std::vector<loggersim::LogEntry> seen = PressIn(l32, VK_F3);
  EXPECT_NE(FirstAs(seen, VK_F3), static_cast<UINT>(WM_NULL)) << "F3 was kept from the logger";
  EXPECT_NE(FirstAs(seen, VK_F3), 0xFFFFu);
  EXPECT_TRUE(NothingMoreHanded(before)) << "keyed: " << Handed();
}

// With the default setting Tandem follows N1MM Logger only: F2 in the other loggers' windows
// reaches those loggers and keys nothing, while F2 in N1MM Logger's entry window keys.
TEST_F(OtherLoggersTest, DefaultSettingLeavesTheOtherLoggersAlone) {
  LoggerSimClient& hl = StartLogger("--hamlog");
  LoggerSimClient& l32 = StartLogger("--logger32");
  LoggerSimClient& n1mm = StartLogger("");
  StartTandem(IniOptions{});
  for (LoggerSimClient* other : {&hl, &l32}) {
    Cmd(*other, "text call XX1ABC");
    Cmd(*other, "text report 599");
    Cmd(*other, "text mode CW");
    Cmd(*other, "focus call");
    const std::vector<loggersim::LogEntry> seen = PressIn(*other, VK_F2);
    EXPECT_EQ(FirstAs(seen, VK_F2), static_cast<UINT>(WM_KEYDOWN)) << "F2 was kept from the logger";
  }
  EXPECT_TRUE(NothingMoreHanded("")) << "keyed: " << Handed();

  Cmds(n1mm, {"text call JA3AAA", "text report 599", "focus call"});
  PressIn(n1mm, VK_F2);
  EXPECT_TRUE(WaitHanded("JA3AAA UR 5NN")) << "handed: " << Handed();
  EXPECT_EQ(Handed().find("XX1ABC"), std::string::npos) << Handed();
}

}  // namespace
