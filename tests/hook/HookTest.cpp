// The hook library at work across processes: the logger stand-in runs as a process of its own,
// this test program is the main program (its window receives the entry records), and keys go
// through the system's input to the stand-in in the foreground.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "HookTestSupport.h"
#include "TestSupport.h"

namespace {

using hooktest::g_records;
using hooktest::g_titles;
using hooktest::IsKeyTransition;
using hooktest::Record;
using namespace hooktest;  // the record's field positions

enum Mods { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

class HookTest : public hooktest::LoggerHookTest {
 protected:
  static void ReleaseModifiers() { testsupport::ReleaseModifiers(); }

  // Presses and releases a key with modifiers through the system's input, then waits until the
  // stand-in has retrieved every transition. Records arrive before the stand-in sees the message.
  Press PressKey(BYTE vk, int mods = kNone, DWORD timeoutMs = 15000) {
    const std::size_t start = sim_.LogSize();
    g_records.clear();
    int transitions = 2;
    for (int i = 0; i < 3; ++i) transitions += (mods & (1 << i)) ? 2 : 0;
    testsupport::Press(vk, mods);

    Press p;
    p.complete = LoggerSimClient::PumpUntil([&] {
      int seen = 0;
      const std::vector<loggersim::LogEntry> log = sim_.Log();
      for (std::size_t i = start; i < log.size(); ++i) seen += IsKeyTransition(log[i].message) ? 1 : 0;
      return seen >= transitions;
    }, timeoutMs);
    const std::vector<loggersim::LogEntry> log = sim_.Log();
    for (std::size_t i = start; i < log.size(); ++i) {
      if (!IsKeyTransition(log[i].message) || log[i].code != vk) continue;
      if (p.down == 0xFFFF) {
        p.down = log[i].message;
      } else if (p.up == 0xFFFF) {
        p.up = log[i].message;
      }
    }
    p.records = g_records;
    return p;
  }

  // Posts a message to one of the stand-in's windows and waits until its loop retrieved it.
  void PostAndWait(const char* window, UINT message, UINT code) {
    const std::size_t start = sim_.LogSize();
    ASSERT_EQ(sim_.Command(std::string("post ") + window + " " + std::to_string(message) + " " +
                           std::to_string(code)),
              1);
    ASSERT_TRUE(LoggerSimClient::PumpUntil([&] {
      const std::vector<loggersim::LogEntry> log = sim_.Log();
      for (std::size_t i = start; i < log.size(); ++i)
        if (log[i].code == code && (log[i].message == message || log[i].message == WM_NULL)) return true;
      return false;
    }));
  }

  UINT RetrievedAs(std::size_t start, UINT code) {
    const std::vector<loggersim::LogEntry> log = sim_.Log();
    for (std::size_t i = start; i < log.size(); ++i)
      if (log[i].code == code) return log[i].message;
    return 0xFFFF;
  }

};

std::string Hex(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%X", v);
  return buf;
}

TEST_F(HookTest, KeyRowsInTheCallField) {
  Launch();
  struct Row {
    BYTE vk;
    int mods;
    const char* reported;  // key field of the key record, or nullptr for none
    bool downKept;         // the stand-in retrieved a null message instead of the key
    bool upKept;
  };
  const Row rows[] = {
      {VK_F5, kNone, "74", true, true},
      {VK_F5, kShift, "74", false, false},
      {VK_F1, kCtrl, "70", false, false},
      {VK_ESCAPE, kNone, "1B", true, true},
      {VK_PRIOR, kNone, "21", false, false},
      {VK_NEXT, kCtrl, "22", false, true},
      {'Z', kCtrl, "5A", true, true},
      {'Z', kNone, nullptr, false, false},
      {'Y', kShift | kCtrl, "59", true, true},
      {'Y', kNone, "59", false, false},
      {'Q', kNone, "51", false, false},
      {'A', kNone, nullptr, false, false},
      {VK_TAB, kNone, nullptr, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("key " + Hex(row.vk) + " mods " + std::to_string(row.mods));
    SetText("call", "XX1ABC");
    SetText("report", "599");
    Focus("call");
    const Press p = PressKey(row.vk, row.mods);
    ASSERT_TRUE(p.complete);
    const std::vector<std::string> keys = p.KeyFields();
    if (row.reported != nullptr) {
      ASSERT_EQ(keys.size(), 1u);
      EXPECT_EQ(keys[0], row.reported);
    } else {
      EXPECT_TRUE(keys.empty());
    }
    EXPECT_EQ(p.down == WM_NULL, row.downKept) << "down retrieved as " << p.down;
    EXPECT_EQ(p.up == WM_NULL, row.upKept) << "up retrieved as " << p.up;
    // Every release in the call field also reports the fields with key 0.
    bool keyZeroRecord = false;
    for (const Record& r : p.records) keyZeroRecord |= r.fields.size() == kFieldCount && r.fields[kKey] == "0";
    EXPECT_TRUE(keyZeroRecord);
  }
}

// A display window that has gone (the main program ended without stopping the hook, or crashed):
// the logger gets its keys again, and no record is sent anywhere.
TEST_F(HookTest, KeysAreTheLoggersOnceTheDisplayWindowHasGone) {
  Launch();
  SetText("call", "XX1ABC");
  Focus("call");
  Press p = PressKey(VK_F2);
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL)) << "F2 was not kept while the display lived";
  EXPECT_FALSE(p.records.empty());

  HWND gone = CreateWindowExA(WS_EX_TOOLWINDOW, "HookTestDisplay", "gone", WS_POPUP, 0, 0, 10, 10, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(gone, nullptr);
  hook_.SetDisplayWindow(gone);
  DestroyWindow(gone);
  p = PressKey(VK_F2);
  hook_.SetDisplayWindow(display_);
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN)) << "F2 was kept from the logger with no display";
  EXPECT_EQ(p.up, static_cast<UINT>(WM_KEYUP));
  EXPECT_TRUE(p.records.empty());
}

TEST_F(HookTest, ASecondHookInTheChainSendsNoSecondRecord) {
  Launch();
  // A second copy of the hook, as left by a main program that ended without removing its own.
  HHOOK second = SetWindowsHookExA(WH_GETMESSAGE, HlHookProc, GetModuleHandleA("TandemHook.dll"), 0);
  ASSERT_NE(second, nullptr);
  SetText("call", "XX1ABC");
  SetText("report", "599");
  Focus("call");
  const Press p = PressKey(VK_F5);
  UnhookWindowsHookEx(second);
  EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"74"});
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
}

TEST_F(HookTest, RecordCarriesTheFieldsAndTheWindow) {
  Launch();
  SetText("call", "XX1ABC");
  SetText("report", "599");
  SetText("exchange", "25");
  SetText("free", "NOTE");
  ASSERT_EQ(sim_.Command("check 1"), 1);
  Focus("call");
  Press p = PressKey(VK_F2);
  ASSERT_TRUE(p.complete);
  ASSERT_FALSE(p.records.empty());
  const Record* key = nullptr;
  for (const Record& r : p.records)
    if (r.fields.size() == kFieldCount && r.fields[kKey] == "71") key = &r;
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->text, "XX1ABC|599|CW|25|NOTE|1|71|0|0|0|120|560|1|");
  EXPECT_EQ(key->data, reinterpret_cast<ULONG_PTR>(sim_.EntryWindow()));

  // The modifier fields: eight digits when down.
  p = PressKey(VK_F5, kShift);
  ASSERT_EQ(p.KeyFields().size(), 1u);
  for (const Record& r : p.records) {
    if (r.fields[kKey] != "74") continue;
    EXPECT_EQ(r.fields[kShiftField].size(), 8u) << r.text;
    EXPECT_EQ(r.fields[kShiftField].substr(0, 4), "FFFF");
    EXPECT_EQ(r.fields[kCtrlField].size(), 1u);
  }
}

TEST_F(HookTest, FocusStatesFollowTheBoxes) {
  Launch();
  SetText("call", "XX1ABC");
  const struct {
    const char* box;
    const char* focus;
  } boxes[] = {{"call", "1"}, {"report", "2"}, {"exchange", "5"}, {"free", "6"}, {"anchor", "0"}};
  for (const auto& b : boxes) {
    SCOPED_TRACE(b.box);
    Focus(b.box);
    const Press p = PressKey(VK_PRIOR);
    ASSERT_EQ(p.KeyFields().size(), 1u);
    for (const Record& r : p.records) {
      if (r.fields[kKey] == "21") {
        EXPECT_EQ(r.fields[kFocus], b.focus);
      }
    }
  }
}

TEST_F(HookTest, ActionValueGovernsTabAndFunctionKeys) {
  Launch("", 1);
  SetText("call", "XX1ABC");
  Focus("call");
  Press p = PressKey(VK_TAB);
  ASSERT_EQ(p.KeyFields(), std::vector<std::string>{"9"});
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));  // reported, never kept

  Focus("report");
  p = PressKey(VK_TAB);
  EXPECT_TRUE(p.KeyFields().empty());

  // Escape outside the call field is reported and still reaches the logger.
  Focus("report");
  p = PressKey(VK_ESCAPE);
  EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"1B"});
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));

  hook_.SetAction(2);
  Focus("call");
  p = PressKey(VK_F5);
  EXPECT_TRUE(p.KeyFields().empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(p.up, static_cast<UINT>(WM_KEYUP));
}

TEST_F(HookTest, F10ArrivesAsSystemKey) {
  Launch();
  SetText("call", "XX1ABC");
  Focus("call");
  const Press p = PressKey(VK_F10);
  EXPECT_EQ(p.KeyFields(), std::vector<std::string>{"79"});
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
  EXPECT_EQ(p.up, static_cast<UINT>(WM_SYSKEYUP));  // the system key release passes untouched
}

TEST_F(HookTest, TypingReportsTheFieldsOnEachRelease) {
  Launch();
  SetText("call", "");
  SetText("report", "599");
  Focus("call");
  for (const char* typed : {"K", "KX"}) {
    const Press p = PressKey(static_cast<BYTE>(typed[std::string(typed).size() - 1]));
    ASSERT_FALSE(p.records.empty());
    EXPECT_EQ(p.records.back().fields[kCall], typed);
    EXPECT_EQ(p.records.back().fields[kKey], "0");
  }
}

TEST_F(HookTest, SemicolonInTheFreeTextBox) {
  Launch();
  SetText("call", "XX1ABC");
  Focus("free");
  g_records.clear();
  PostAndWait("free", WM_CHAR, ';');
  ASSERT_EQ(g_records.size(), 1u);
  EXPECT_EQ(g_records[0].fields[kKey], "3B");
  EXPECT_EQ(g_records[0].fields[kFocus], "6");
  // Not kept from the logger: the box got the character.
  EXPECT_EQ(RetrievedAs(0, ';'), static_cast<UINT>(WM_CHAR));
}

TEST_F(HookTest, HelpRequestIsKeptFromTheLogger) {
  Launch();
  SetText("call", "XX1ABC");
  Focus("call");
  PostAndWait("entry", WM_MOUSEMOVE, 0);  // the first message reports the window once
  g_records.clear();
  const std::size_t start = sim_.LogSize();
  PostAndWait("call", 0x4D, 0);
  EXPECT_EQ(RetrievedAs(start, 0), static_cast<UINT>(WM_NULL));
  EXPECT_TRUE(g_records.empty());
}

TEST_F(HookTest, CheckChangeAndMovedWindowAreReportedOnce) {
  Launch();
  SetText("call", "XX1ABC");
  Focus("call");
  PostAndWait("entry", WM_MOUSEMOVE, 0);
  g_records.clear();

  ASSERT_EQ(sim_.Command("check 1"), 1);
  PostAndWait("entry", WM_MOUSEMOVE, 1);
  ASSERT_EQ(g_records.size(), 1u);
  EXPECT_EQ(g_records[0].fields[kCheck], "1");
  EXPECT_EQ(g_records[0].fields[kKey], "0");
  PostAndWait("entry", WM_MOUSEMOVE, 2);
  EXPECT_EQ(g_records.size(), 1u);

  ASSERT_NE(sim_.Command("move 200 300"), 0);
  PostAndWait("entry", WM_MOUSEMOVE, 3);
  ASSERT_EQ(g_records.size(), 2u);
  EXPECT_EQ(g_records[1].fields[kLeft], "200");
  EXPECT_EQ(g_records[1].fields[kBottom], "460");
  PostAndWait("entry", WM_MOUSEMOVE, 4);
  EXPECT_EQ(g_records.size(), 2u);
}

TEST_F(HookTest, NothingIsSentWhenCallAndReportAreEmpty) {
  Launch();
  SetText("call", "");
  SetText("report", "");
  SetText("exchange", "25");
  Focus("call");
  const Press p = PressKey(VK_F5);
  EXPECT_TRUE(p.records.empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));  // still kept from the logger
}

TEST_F(HookTest, LongTextsAreCutAndBarsLeftOut) {
  Launch();
  const std::string call(40, 'C'), report(20, 'R'), exchange = "1|2" + std::string(70, 'E'),
                    freeText(200, 'F');
  SetText("call", call);
  SetText("report", report);
  SetText("exchange", exchange);
  SetText("free", freeText);
  Focus("call");
  const Press p = PressKey(VK_F5);
  // The exchange is cut to its 63 bytes, and the '|' in it is left out.
  const std::string expected = call.substr(0, 31) + "|" + report.substr(0, 15) + "|CW|" +
                               "12" + std::string(60, 'E') + "|" + freeText.substr(0, 127) +
                               "|0|74|0|0|0|120|560|1|";
  bool found = false;
  for (const Record& r : p.records) found |= r.text == expected;
  EXPECT_TRUE(found) << (p.records.empty() ? std::string("no record") : p.records[0].text);
}

TEST_F(HookTest, EntryWindowWithoutCheckControlIsIgnored) {
  Launch("--children 20");
  SetText("call", "XX1ABC");
  SetText("report", "599");
  Focus("call");
  const Press p = PressKey(VK_F5);
  ASSERT_TRUE(p.complete);
  EXPECT_TRUE(p.records.empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
}

TEST_F(HookTest, MissingContainersReadAsEmptyFields) {
  Launch("--no-containers");
  ASSERT_EQ(sim_.Command("foreground"), 1);
  ASSERT_EQ(sim_.Command("check 1"), 1);
  const Press p = PressKey(VK_F5);
  ASSERT_TRUE(p.complete);
  EXPECT_TRUE(p.records.empty());  // call and report read as empty
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL));
}

TEST_F(HookTest, AnotherFormInTheForegroundWithoutCheckControl) {
  Launch("--second-form");
  SetText("call", "XX1ABC");
  SetText("report", "599");
  ASSERT_EQ(sim_.Command("foreground-second"), 1);
  const Press p = PressKey(VK_F5);
  ASSERT_TRUE(p.complete);
  EXPECT_TRUE(p.records.empty());
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
}

TEST_F(HookTest, EntryWindowInTheBackgroundIsLeftAlone) {
  Launch();
  SetText("call", "XX1ABC");
  SetText("report", "599");
  HWND front = CreateWindowExA(0, "HookTestDisplay", "front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               100, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetForegroundWindow(front);
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return GetForegroundWindow() == front; }));
  g_records.clear();
  const std::size_t start = sim_.LogSize();
  PostAndWait("call", WM_KEYDOWN, VK_F5);
  EXPECT_EQ(RetrievedAs(start, VK_F5), static_cast<UINT>(WM_KEYDOWN));
  EXPECT_TRUE(g_records.empty());
  DestroyWindow(front);
}

TEST_F(HookTest, RequestMsgSendsNothing) {
  Launch();
  SetText("call", "XX1ABC");
  Focus("call");
  PostAndWait("entry", WM_MOUSEMOVE, 0);  // the first message reports the window once
  g_records.clear();
  hook_.RequestMsg();
  LoggerSimClient::PumpUntil([] { return false; }, 500);
  EXPECT_TRUE(g_records.empty());
  // The path was live: a function key in the same run does send its record.
  const Press p = PressKey(VK_F2);
  EXPECT_TRUE(p.complete);
  EXPECT_TRUE(LoggerSimClient::PumpUntil([] { return !g_records.empty(); })) << "F2 sent no record";
}

// A display window whose thread stops answering, as a hung main program would.
struct HungDisplay {
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND hwnd = nullptr;
  HANDLE thread = nullptr;

  static DWORD WINAPI Run(LPVOID p) {
    HungDisplay* self = static_cast<HungDisplay*>(p);
    self->hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "hung", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    SetEvent(self->ready);
    WaitForSingleObject(self->release, 30000);  // not pumping: hung
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DestroyWindow(self->hwnd);
    return 0;
  }
  HungDisplay() {
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(ready, 10000);
  }
  ~HungDisplay() {
    SetEvent(release);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(ready);
    CloseHandle(release);
  }
};

TEST_F(HookTest, HungMainProgramReleasesTheLoggerWithinTheTimeout) {
  Launch();
  SetText("call", "XX1ABC");
  SetText("report", "599");
  Focus("call");
  HungDisplay hung;
  ASSERT_NE(hung.hwnd, nullptr);
  hook_.SetDisplayWindow(hung.hwnd);
  const DWORD start = GetTickCount();
  // Reported on press and on release: two records, each given up after at most 2 s, while the
  // display thread stays hung for 30 s. Without the time limit the logger would wait all of it.
  const Press p = PressKey(VK_PRIOR, kNone, 20000);
  const DWORD elapsed = GetTickCount() - start;
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.down, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_LT(elapsed, 15000u);
}

// The reader runs only in the logger's process. Here, in another process, messages are retrieved
// while the entry window is in the foreground and the logger is busy: they pass untouched and at
// once, nothing is read across the process boundary and no record is sent from here.
TEST_F(HookTest, OtherProcessesPassMessagesUntouchedWhileTheLoggerIsBusy) {
  Launch();
  SetText("call", "XX1ABC");
  SetText("report", "599");
  Focus("call");
  // The path is live: in the logger, a moved window is reported on the next mouse move.
  ASSERT_NE(sim_.Command("move 130 410"), 0);
  PostAndWait("entry", WM_MOUSEMOVE, 1);
  ASSERT_EQ(g_records.size(), 1u);
  EXPECT_EQ(g_records[0].fields[kLeft], "130");

  HWND mine = CreateWindowExA(WS_EX_TOOLWINDOW, "HookTestDisplay", "mine", WS_POPUP, 0, 0, 10, 10,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(mine, nullptr);
  ASSERT_EQ(sim_.Command("hang 3000"), 1);
  g_records.clear();
  const DWORD start = GetTickCount();
  PostMessageA(mine, WM_MOUSEMOVE, 0, 0);
  PostMessageA(mine, WM_KEYDOWN, VK_F5, 0);
  std::vector<UINT> retrieved;
  MSG msg;
  while (PeekMessageA(&msg, mine, 0, 0, PM_REMOVE)) retrieved.push_back(msg.message);
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_LT(elapsed, 1000u) << "this process waited for the busy logger";
  EXPECT_EQ(retrieved, (std::vector<UINT>{WM_MOUSEMOVE, WM_KEYDOWN}));
  EXPECT_TRUE(g_records.empty()) << g_records[0].text;
  DestroyWindow(mine);
  // The stand-in answers again once it is no longer busy.
  EXPECT_EQ(sim_.Command("getcheck", 10000), 0);
}

// A display window whose thread stops looking at its messages when told to, and starts again.
struct PausedDisplay {
  static constexpr UINT kPause = WM_APP + 2;
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE resume = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HWND hwnd = nullptr;
  HANDLE thread = nullptr;
  CRITICAL_SECTION lock;
  std::vector<std::string> records;

  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    PausedDisplay* self = reinterpret_cast<PausedDisplay*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (m == kPause) {
      WaitForSingleObject(self->resume, 30000);
      return 0;
    }
    if (m == WM_COPYDATA) {
      const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      EnterCriticalSection(&self->lock);
      self->records.emplace_back(static_cast<const char*>(cds->lpData), cds->cbData);
      LeaveCriticalSection(&self->lock);
      return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
  }
  static DWORD WINAPI Run(LPVOID p) {
    PausedDisplay* self = static_cast<PausedDisplay*>(p);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HookTestPausedDisplay";
    RegisterClassA(&wc);
    self->hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "paused", WS_POPUP, 0, 0, 10, 10,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrA(self->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    SetEvent(self->ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    DestroyWindow(self->hwnd);
    return 0;
  }
  PausedDisplay() {
    InitializeCriticalSection(&lock);
    thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(ready, 10000);
  }
  ~PausedDisplay() {
    SetEvent(resume);
    PostThreadMessageA(GetThreadId(thread), WM_QUIT, 0, 0);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(ready);
    CloseHandle(resume);
    DeleteCriticalSection(&lock);
  }
  void Pause() {
    ResetEvent(resume);
    PostMessageA(hwnd, kPause, 0, 0);
  }
  void Resume() { SetEvent(resume); }
  bool HasKey(const std::string& key) {
    EnterCriticalSection(&lock);
    bool found = false;
    for (const std::string& r : records) {
      const std::vector<std::string> f = SplitRecord(r);
      found |= f.size() == kFieldCount && f[kKey] == key;
    }
    LeaveCriticalSection(&lock);
    return found;
  }
};

// A main program that stops answering costs the logger one timeout, not one per message: after a
// record has timed out nothing more is sent until the main program answers again.
TEST_F(HookTest, StoppedMainProgramCostsTheLoggerOneTimeout) {
  Launch();
  SetText("call", "XX1ABC");
  SetText("report", "599");
  Focus("call");
  PausedDisplay display;
  ASSERT_NE(display.hwnd, nullptr);
  hook_.SetDisplayWindow(display.hwnd);
  Press p = PressKey(VK_F5);
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return display.HasKey("74"); }));

  display.Pause();
  const std::size_t logStart = sim_.LogSize();
  const DWORD start = GetTickCount();
  // F5's press and release, two releases in the call box, F6: each one a record.
  p = PressKey(VK_F5, kNone, 30000);
  ASSERT_TRUE(p.complete);
  EXPECT_EQ(p.down, static_cast<UINT>(WM_NULL)) << "the key is still kept from the logger";
  ASSERT_TRUE(PressKey('A', kNone, 30000).complete);
  ASSERT_TRUE(PressKey('B', kNone, 30000).complete);
  ASSERT_TRUE(PressKey(VK_F6, kNone, 30000).complete);
  const DWORD elapsed = GetTickCount() - start;
  // The logger's thread waited (a gap between two messages it retrieved) once, for one timeout.
  const std::vector<loggersim::LogEntry> log = sim_.Log();
  int waits = 0;  // gaps of nearly a whole timeout (2 s)
  DWORD previous = start;
  for (std::size_t i = logStart; i < log.size(); ++i) {
    waits += log[i].time - previous >= 1800 ? 1 : 0;
    previous = log[i].time;
  }
  EXPECT_EQ(waits, 1) << "the logger waited " << waits << " times, " << elapsed << " ms in all";
  EXPECT_FALSE(display.HasKey("75"));

  // Once the main program answers again, records go out again.
  display.Resume();
  bool delivered = false;
  for (int i = 0; i < 20 && !delivered; ++i) {
    PressKey(VK_F7, kNone, 10000);
    delivered = LoggerSimClient::PumpUntil([&] { return display.HasKey("76"); }, 500);
  }
  EXPECT_TRUE(delivered) << "no record after the main program answered again";
}

// What the probe, a process of its own, reads in the shared block.
std::string ProbeSharedBlock() { return RunBeside("SharedBlockProbe.exe"); }

TEST(HookObject, SharedBlockAsOtherProcessesSeeIt) {
  HWND display = CreateWindowExA(0, "STATIC", "d", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
  const unsigned long long displayValue = reinterpret_cast<UINT_PTR>(display);
  {
    CHlHook hook;
    EXPECT_FALSE(hook.Stop());  // nothing installed yet
    hook.SetDisplayWindow(display);
    hook.SetAction(1);
    hook.SetHookAnyway(1);
    HHOOK handle = hook.Start();
    ASSERT_NE(handle, nullptr);
    const std::string running = ProbeSharedBlock();
    EXPECT_EQ(running, "lastPointed=0 display=" + std::to_string(displayValue) + " action=1 hook=" +
                           std::to_string(reinterpret_cast<UINT_PTR>(handle)) +
                           " hookAnyway=1");

    EXPECT_TRUE(hook.Stop());
    EXPECT_EQ(ProbeSharedBlock(), "lastPointed=0 display=0 action=0 hook=0 hookAnyway=1");
    EXPECT_FALSE(hook.Stop());  // the second Stop finds no hook and changes nothing
    EXPECT_EQ(ProbeSharedBlock(), "lastPointed=0 display=0 action=0 hook=0 hookAnyway=1");
    hook.SetHookAnyway(0);
  }  // the destructor's Stop finds no hook either
  DestroyWindow(display);
}

class MouseHookTest : public HookTest {
 protected:
  void TearDown() override {
    if (mouseHook_ != nullptr) UnhookWindowsHookEx(mouseHook_);
    HookTest::TearDown();
  }
  static void MoveTo(int x, int y) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x * 65535 / (w - 1), y * 65535 / (h - 1), 0, 0);
  }
  void WaitForLogged(UINT message, std::size_t start) {
    LoggerSimClient::PumpUntil([&] {
      const std::vector<loggersim::LogEntry> log = sim_.Log();
      for (std::size_t i = start; i < log.size(); ++i)
        if (log[i].message == message) return true;
      return false;
    }, 3000);
  }
  bool Logged(UINT message, std::size_t start) {
    const std::vector<loggersim::LogEntry> log = sim_.Log();
    for (std::size_t i = start; i < log.size(); ++i)
      if (log[i].message == message) return true;
    return false;
  }
  HHOOK mouseHook_ = nullptr;
};

TEST_F(MouseHookTest, TitleOnceAndCtrlRightClickBecomesASystemCommand) {
  Launch("", 1);
  ASSERT_EQ(sim_.Command("foreground"), 1);
  mouseHook_ = SetWindowsHookExA(WH_MOUSE, MouseHookProc, GetModuleHandleA("TandemHook.dll"), 0);
  ASSERT_NE(mouseHook_, nullptr);
  g_titles.clear();

  // Over a text box inside a container, then over the form itself: one top-level window.
  MoveTo(170, 450);
  ASSERT_TRUE(LoggerSimClient::PumpUntil([] { return !g_titles.empty(); }));
  EXPECT_EQ(g_titles[0], "Entry Window");
  std::size_t start = sim_.LogSize();
  MoveTo(600, 540);
  WaitForLogged(WM_MOUSEMOVE, start);
  MoveTo(610, 545);
  LoggerSimClient::PumpUntil([] { return false; }, 300);
  EXPECT_EQ(g_titles.size(), 1u);

  // Ctrl with a right click: consumed, posted as a system command carrying the action value.
  start = sim_.LogSize();
  keybd_event(VK_CONTROL, 0, 0, 0);
  mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  WaitForLogged(WM_SYSCOMMAND, start);
  WaitForLogged(WM_RBUTTONUP, start);
  const std::vector<loggersim::LogEntry> log = sim_.Log();
  bool command = false;
  for (std::size_t i = start; i < log.size(); ++i)
    if (log[i].message == WM_SYSCOMMAND) command = log[i].code == 1;
  EXPECT_TRUE(command);
  EXPECT_FALSE(Logged(WM_RBUTTONDOWN, start));

  // A right click without Ctrl, and Ctrl with a left click, pass on.
  start = sim_.LogSize();
  mouse_event(MOUSEEVENTF_RIGHTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_RIGHTUP, 0, 0, 0, 0);
  WaitForLogged(WM_RBUTTONDOWN, start);
  EXPECT_TRUE(Logged(WM_RBUTTONDOWN, start));
  start = sim_.LogSize();
  keybd_event(VK_CONTROL, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  WaitForLogged(WM_LBUTTONDOWN, start);
  EXPECT_TRUE(Logged(WM_LBUTTONDOWN, start));
  EXPECT_FALSE(Logged(WM_SYSCOMMAND, start));
}

}  // namespace
