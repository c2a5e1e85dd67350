// The Turbo HAMLOG/Win and Logger32 readers at work across processes: the logger stand-in shows
// one of those loggers' windows in a process of its own, this test program is the main program
// (its window receives the entry records), and keys go through the system's input.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HookTestSupport.h"

namespace {

using hooktest::g_records;
using hooktest::IsKeyTransition;
using hooktest::Record;
using namespace hooktest;  // the record's field positions

class OtherLoggersHookTest : public hooktest::LoggerHookTest {
 protected:
  void Launch(const std::string& args, int followed, UINT action = 0, int hookAnyway = 0) {
    LoggerHookTest::Launch(args, action, hookAnyway, followed);
  }

  // Presses and releases a key through the system's input and waits until the stand-in has
  // retrieved both transitions and, when `alsoReleased` names one, that key's release as well.
  Press PressKey(BYTE vk, BYTE alsoReleased = 0) {
    const std::size_t start = sim_.LogSize();
    g_records.clear();
    keybd_event(vk, 0, 0, 0);
    keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
    Press p;
    auto collect = [&] {
      p = Press{};
      const std::vector<loggersim::LogEntry> log = sim_.Log();
      p.log.assign(log.begin() + static_cast<std::ptrdiff_t>(std::min(start, log.size())), log.end());
      bool otherReleased = alsoReleased == 0;
      for (const loggersim::LogEntry& e : p.log) {
        if (alsoReleased != 0 && e.code == alsoReleased && e.message == WM_KEYUP) otherReleased = true;
        if (!IsKeyTransition(e.message) || e.code != vk) continue;
        if (p.down == 0xFFFF) {
          p.down = e.message;
          p.box = static_cast<loggersim::Box>(e.box);
        } else if (p.up == 0xFFFF) {
          p.up = e.message;
        }
      }
      p.records = g_records;
      return p.up != 0xFFFF && otherReleased;
    };
    const bool done = LoggerSimClient::PumpUntil(collect, 5000);
    collect();
    p.complete = done;
    return p;
  }

};

RECT WindowRect(std::intptr_t handle) {
  RECT r = {};
  GetWindowRect(reinterpret_cast<HWND>(handle), &r);
  return r;
}

TEST_F(OtherLoggersHookTest, HamlogRecordFocusStatesAndTheLoggersOwnFields) {
  Launch("--hamlog", tandem::kFollowTurboHamlog);
  SetText("call", "XX1ABC");
  SetText("report", "599");
  SetText("mode", "CW");
  SetText("exchange", "25");
  SetText("free", "NOTE");
  ASSERT_EQ(sim_.Command("check 1"), 1);
  Focus("call");
  Press p = PressKey(VK_F5);
  ASSERT_TRUE(p.complete);
  const Record* key = p.KeyRecord("74");
  ASSERT_NE(key, nullptr);
  const RECT input = WindowRect(sim_.Command("hwnd"));
  EXPECT_EQ(key->text, "XX1ABC|599|CW|25|NOTE|1|74|0|0|0|" + std::to_string(input.left) + "|" +
                           std::to_string(input.bottom) + "|1|");
  EXPECT_EQ(key->data, static_cast<ULONG_PTR>(sim_.Command("hwnd main"))) << "the main form's handle";
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
  EXPECT_EQ(p.up, static_cast<UINT>(WM_NULL));

  // Each box reports its own focus state on the release of a key typed there.
  const struct {
    const char* box;
    const char* focus;
  } boxes[] = {{"report", "2"}, {"mode", "3"}, {"keys4", "4"}, {"exchange", "5"},
               {"free", "6"},   {"keys7", "7"}, {"further", "8"}};
  for (const auto& b : boxes) {
    SCOPED_TRACE(b.box);
    Focus(b.box);
    p = PressKey(VK_RIGHT);
    ASSERT_TRUE(p.complete);
    EXPECT_EQ(p.LastFocus(), b.focus);
  }

  // F3 in the two fields whose function keys are the logger's own: left to the logger unless
  // hook-anyway is set, then reported and kept from it.
  for (const char* box : {"keys4", "keys7"}) {
    SCOPED_TRACE(box);
    hook_.SetHookAnyway(0);
    Focus(box);
    p = PressKey(VK_F3);
    ASSERT_TRUE(p.complete);
    EXPECT_TRUE(p.KeyFields().empty());
    EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(p.up, static_cast<UINT>(WM_KEYUP));
    hook_.SetHookAnyway(1);
    p = PressKey(VK_F3);
    EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"72"});
    EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
    EXPECT_EQ(p.up, static_cast<UINT>(WM_NULL));
  }
}

// TAB in the call box: reported, and the logger gets Enter in its place, after which the focus
// moves on to the report box. Without the TAB action it is an ordinary key.
TEST_F(OtherLoggersHookTest, HamlogTabBecomesEnterAndMovesToTheReportBox) {
  Launch("--hamlog", tandem::kFollowTurboHamlog, 1);
  SetText("call", "XX1ABC");
  Focus("call");
  Press p = PressKey(VK_TAB, VK_RETURN);
  ASSERT_TRUE(p.complete) << "no Enter reached the stand-in";
  EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"9"});
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL)) << "TAB reached the logger";
  EXPECT_TRUE(p.Retrieved(WM_KEYDOWN, VK_RETURN));
  EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return sim_.Command("getfocus") == loggersim::kBoxReport; }))
      << "focus in box " << sim_.Command("getfocus");

  // An Enter of the operator's own afterwards leaves the focus where it is.
  Focus("call");
  p = PressKey(VK_RETURN);
  EXPECT_EQ(sim_.Command("getfocus"), loggersim::kBoxCall);

  hook_.SetAction(0);
  Focus("call");
  p = PressKey(VK_TAB);
  ASSERT_TRUE(p.complete);
  EXPECT_TRUE(p.KeyFields().empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_FALSE(p.Retrieved(WM_KEYDOWN, VK_RETURN));
  EXPECT_EQ(sim_.Command("getfocus"), loggersim::kBoxCall);
}

// The reader keeps the input window's boxes between messages: made anew they are found again, and
// while the save button has another title the window is not taken for the input window.
TEST_F(OtherLoggersHookTest, HamlogBoxesAreFoundAgainWhenTheInputWindowChanges) {
  Launch("--hamlog", tandem::kFollowTurboHamlog);
  SetText("call", "XX1ABC");
  Focus("call");
  Press p = PressKey(VK_F2);
  ASSERT_EQ(p.KeyFields(), std::vector<std::string>{"71"});

  ASSERT_EQ(sim_.Command("hamlog-save-title &Edit"), 1);
  p = PressKey(VK_F2);
  ASSERT_TRUE(p.complete);
  EXPECT_TRUE(p.records.empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
  ASSERT_EQ(sim_.Command("hamlog-save-title &Save"), 1);
  p = PressKey(VK_F2);
  EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"71"});

  ASSERT_EQ(sim_.Command("hamlog-rebuild"), 1);
  SetText("call", "XX2DEF");
  Focus("call");
  p = PressKey(VK_F2);
  const Record* key = p.KeyRecord("71");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->text.substr(0, 7), "XX2DEF|");
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
}

TEST_F(OtherLoggersHookTest, Logger32RecordModeCutFocusStatesAndTab) {
  Launch("--logger32", tandem::kFollowLogger32, 1);
  SetText("call", "XX1ABC");
  SetText("mode", "CW 599");
  SetText("report", "579");
  SetText("exchange", "25");
  SetText("free", "NOTE");
  Focus("call");
  Press p = PressKey(VK_F2);
  ASSERT_TRUE(p.complete);
  const Record* key = p.KeyRecord("71");
  ASSERT_NE(key, nullptr);
  const RECT frame = WindowRect(sim_.Command("hwnd"));
  EXPECT_EQ(key->text, "XX1ABC|579|CW|25|NOTE|0|71|0|0|0|" + std::to_string(frame.left) + "|" +
                           std::to_string(frame.bottom) + "|1|");
  EXPECT_EQ(key->data, 0u);
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));

  const struct {
    const char* box;
    const char* focus;
  } boxes[] = {{"mode", "0"}, {"report", "8"}, {"next", "2"}, {"exchange", "5"},
               {"keys4", "4"}, {"free", "6"},  {"further", "10"}};
  for (const auto& b : boxes) {
    SCOPED_TRACE(b.box);
    Focus(b.box);
    p = PressKey(VK_F7);
    ASSERT_TRUE(p.complete);
    ASSERT_FALSE(p.records.empty());
    EXPECT_EQ(p.records.front().fields[kFocus], b.focus);
  }

  // F3 where the logger keeps its function keys reaches it; TAB in the call box is reported and
  // kept from it with nothing in its place.
  Focus("keys4");
  p = PressKey(VK_F3);
  EXPECT_TRUE(p.KeyFields().empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
  Focus("call");
  p = PressKey(VK_TAB);
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"9"});
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
  EXPECT_FALSE(p.Retrieved(WM_KEYDOWN, VK_RETURN));
  EXPECT_FALSE(LoggerSimClient::PumpUntil([&] { return sim_.Command("getfocus") != loggersim::kBoxCall; }, 500));
}

// Call, report and mode empty: the key is handled all the same, but no record goes out; the mode
// alone is enough for one.
TEST_F(OtherLoggersHookTest, EmptyCallReportAndModeSendNothing) {
  for (const char* mode : {"--hamlog", "--logger32"}) {
    SCOPED_TRACE(mode);
    Launch(mode, std::string(mode) == "--hamlog" ? tandem::kFollowTurboHamlog : tandem::kFollowLogger32);
    SetText("exchange", "25");
    SetText("free", "NOTE");
    Focus("call");
    Press p = PressKey(VK_F2);
    ASSERT_TRUE(p.complete);
    EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL)) << "the reader did not run";
    EXPECT_TRUE(p.records.empty()) << p.records.front().text;

    SetText("mode", "CW");
    p = PressKey(VK_F2);
    ASSERT_NE(p.KeyRecord("71"), nullptr);
    EXPECT_EQ(p.KeyRecord("71")->text.substr(0, 6), "||CW|2");
    hook_.Stop();
    sim_.Stop();
  }
}

// The exported Logger32 reader with no Logger32 window anywhere leaves the message as it is; with
// the frame but no entry window inside it, keys pass to the logger through the hook untouched.
TEST_F(OtherLoggersHookTest, Logger32WithoutItsWindowsLeavesEveryMessageAlone) {
  hook_.SetDisplayWindow(display_);
  g_records.clear();
  MSG msg = {};
  msg.message = WM_KEYDOWN;
  msg.wParam = VK_F2;
  EXPECT_FALSE(CHlHook::DispatchL32(0, reinterpret_cast<LPARAM>(&msg)));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_TRUE(g_records.empty());

  Launch("--logger32", tandem::kFollowLogger32);
  SetText("call", "XX1ABC");
  Focus("call");
  Press p = PressKey(VK_F2);
  ASSERT_EQ(p.KeyFields(), std::vector<std::string>{"71"});
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));

  // Called in this process, the reader finds Logger32's windows in the stand-in's and leaves them
  // alone; the same goes for the Turbo HAMLOG/Win reader and another process's foreground window.
  g_records.clear();
  msg.message = WM_KEYDOWN;
  EXPECT_FALSE(CHlHook::DispatchL32(0, reinterpret_cast<LPARAM>(&msg)));
  EXPECT_FALSE(CHlHook::DispatchHL(0, reinterpret_cast<LPARAM>(&msg)));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_TRUE(g_records.empty());

  ASSERT_EQ(sim_.Command("remove-entry"), 1);
  ASSERT_EQ(sim_.Command("foreground"), 1);
  p = PressKey(VK_F2);
  ASSERT_TRUE(p.complete);
  EXPECT_TRUE(p.records.empty());
  // With no box left the frame takes the key, as a plain or a system key; either way unchanged.
  EXPECT_NE(p.down, static_cast<UINT>(WM_NULL));
  EXPECT_NE(p.up, static_cast<UINT>(WM_NULL));
}

// Only the followed logger's reader runs, and only on that logger's own window: N1MM Logger by
// default (also after Stop), and Turbo HAMLOG/Win only with its input window in the foreground.
TEST_F(OtherLoggersHookTest, OnlyTheFollowedLoggersWindowIsRead) {
  const struct {
    const char* args;
    int followed;
  } cases[] = {{"--hamlog", tandem::kFollowN1mm},     {"--hamlog", tandem::kFollowLogger32},
               {"--logger32", tandem::kFollowN1mm},   {"--logger32", tandem::kFollowTurboHamlog},
               {"--logger32", 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.args) + " followed " + std::to_string(c.followed));
    Launch(c.args, c.followed);
    SetText("call", "XX1ABC");
    SetText("report", "599");
    SetText("mode", "CW");
    Focus("call");
    Press p = PressKey(VK_F2);
    ASSERT_TRUE(p.complete);
    EXPECT_TRUE(p.records.empty());
    EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(p.up, static_cast<UINT>(WM_KEYUP));

    // The same stand-in, followed: the path is live.
    hook_.SetFollowLogger(std::string(c.args) == "--hamlog" ? tandem::kFollowTurboHamlog : tandem::kFollowLogger32);
    p = PressKey(VK_F2);
    EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"71"});
    EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
    hook_.Stop();
    sim_.Stop();
  }

  // Turbo HAMLOG/Win's main form in the foreground has no save button: not the input window.
  Launch("--hamlog", tandem::kFollowTurboHamlog);
  SetText("call", "XX1ABC");
  ASSERT_EQ(sim_.Command("foreground-second"), 1);
  Press p = PressKey(VK_F2);
  ASSERT_TRUE(p.complete);
  EXPECT_TRUE(p.records.empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));

  // A key that reaches the input window while another program's window is in the foreground is
  // not read: the foreground window is not the logger's.
  LoggerSimClient other;
  ASSERT_TRUE(other.Start(LoggerSimPathBesideThisProgram())) << other.error();
  ASSERT_EQ(other.Command("foreground"), 1);
  g_records.clear();
  const std::size_t start = sim_.LogSize();
  ASSERT_EQ(sim_.Command("post call " + std::to_string(WM_KEYDOWN) + " " + std::to_string(VK_F2)), 1);
  UINT postedAs = 0xFFFF;
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] {
    const std::vector<loggersim::LogEntry> log = sim_.Log();
    for (std::size_t i = start; i < log.size(); ++i)
      if (log[i].code == VK_F2 && (log[i].message == WM_KEYDOWN || log[i].message == WM_NULL))
        postedAs = log[i].message;
    return postedAs != 0xFFFF;
  }));
  EXPECT_EQ(postedAs, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_TRUE(g_records.empty());
  other.Stop();

  // After Stop a new Start follows N1MM Logger again, unless told otherwise.
  hook_.Stop();
  hook_.SetDisplayWindow(display_);
  ASSERT_NE(hook_.Start(), nullptr);
  Focus("call");
  p = PressKey(VK_F2);
  EXPECT_TRUE(p.records.empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
}

}  // namespace
