// The hook library's own state across processes and threads: the handle that installs the hook
// is the installing process's own, one process installs one hook however often Start is called,
// and a logger with two user-interface threads never reads with half of one set of children and
// half of another.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "HookTestSupport.h"
#include "TestSupport.h"

namespace {

using namespace hooktest;  // the record's field positions

class HookState : public LoggerHookTest {
 protected:
  // F2 posted to the stand-in's call box with the entry window in front: the records it brought
  // and the message the stand-in retrieved in its place (WM_NULL when the hook kept it).
  struct F2Result {
    std::vector<Record> records;
    UINT retrieved = 0xFFFF;
  };
  F2Result PostF2() {
    F2Result result;
    g_records.clear();
    Focus("call");
    const std::size_t start = sim_.LogSize();
    EXPECT_EQ(sim_.Command("post call " + std::to_string(WM_KEYDOWN) + " " + std::to_string(VK_F2)), 1);
    LoggerSimClient::PumpUntil([&] {
      const std::vector<loggersim::LogEntry> log = sim_.Log();
      for (std::size_t i = start; i < log.size(); ++i) {
        if (log[i].code == VK_F2 && (log[i].message == WM_KEYDOWN || log[i].message == WM_NULL)) {
          result.retrieved = log[i].message;
          return true;
        }
      }
      return false;
    });
    result.records = g_records;
    return result;
  }
  // F2 reported with its key, and kept from the logger.
  bool F2Reported() {
    const F2Result r = PostF2();
    bool key = false;
    for (const Record& rec : r.records) key |= rec.fields.size() == kFieldCount && rec.fields[kKey] == "71";
    return key && r.retrieved == WM_NULL;
  }
  void Fill() {
    SetText("call", "XX1ABC");
    SetText("report", "599");
  }
};

unsigned long long HexValue(const std::string& text, const char* name) {
  const std::string key = std::string(name) + "=";
  const std::size_t at = text.find(key);
  return at == std::string::npos ? 0 : std::strtoull(text.c_str() + at + key.size(), nullptr, 16);
}

std::string Hex(unsigned long long value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llx", value);
  return buf;
}

// A logger that maps the library at another address (something of its own sits where the library
// would go) runs the library's load code there as well. The main program installs its hook with
// its own handle all the same, and the hook reports from the logger.
TEST_F(HookState, StartAfterAnotherProcessMappedTheLibraryElsewhere) {
  HMODULE mine = GetModuleHandleA("TandemHook.dll");
  ASSERT_NE(mine, nullptr);
  const BYTE* base = reinterpret_cast<const BYTE*>(mine);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const std::string out = RunBeside(
      "RelocatingLoader.exe", Hex(reinterpret_cast<UINT_PTR>(mine)) + " " + Hex(nt->OptionalHeader.SizeOfImage));
  const unsigned long long elsewhere = HexValue(out, "base");
  ASSERT_NE(elsewhere, 0u) << out;
  ASSERT_NE(elsewhere, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(mine)))
      << "the other process mapped the library where this one did";

  Launch();
  Fill();
  EXPECT_TRUE(F2Reported()) << "the hook installed after the other process's load reports nothing";
}

// Start while this process's hook is in hands back that hook and installs no second one, from any
// object; Stop then removes the one hook, so nothing of ours is left in the chain.
TEST_F(HookState, ASecondStartInstallsNothingMore) {
  Launch();
  Fill();
  EXPECT_EQ(hook_.Start(), started_);
  CHlHook other;
  EXPECT_EQ(other.Start(), started_) << "another object in the same process installed a hook";
  // One hook in the chain: one record for the key, kept from the logger.
  const F2Result once = PostF2();
  int keyRecords = 0;
  for (const Record& r : once.records) keyRecords += r.fields.size() == kFieldCount && r.fields[kKey] == "71";
  EXPECT_EQ(keyRecords, 1);
  EXPECT_EQ(once.retrieved, static_cast<UINT>(WM_NULL));

  EXPECT_TRUE(hook_.Stop());
  EXPECT_FALSE(other.Stop()) << "a second Stop removed another hook";
  // With the display window set again and no Start, no hook of ours is left to report or keep.
  hook_.SetDisplayWindow(display_);
  const F2Result after = PostF2();
  EXPECT_TRUE(after.records.empty()) << "a hook was left in after Stop: " << after.records[0].text;
  EXPECT_EQ(after.retrieved, static_cast<UINT>(WM_KEYDOWN)) << "a hook left in after Stop kept the key";

  // And a new run installs a hook again.
  EXPECT_NE(hook_.Start(), nullptr);
  EXPECT_TRUE(F2Reported()) << "no hook in after a Stop and a new Start";
}

// Two user-interface threads of one logger retrieve key presses while the entry window's first
// container is swapped, again and again, for one with other boxes: the reader finds the children
// again on one thread while the other copies them. The report, exchange and free-text boxes are
// found together in one container, so a record that mixes their sets was read with half of one set
// of children and half of another. A mixed copy needs the two threads to meet within a few
// instructions, so this run shows the reader's copies whole over many meetings rather than
// catching a tear at will.
TEST_F(HookState, TwoThreadsOfOneLoggerReadOneSetOfBoxesAtATime) {
  hook_.SetDisplayWindow(display_);
  hook_.SetAction(0);
  hook_.SetHookAnyway(0);
  hook_.SetFollowLogger(tandem::kFollowN1mm);
  ASSERT_NE(hook_.Start(), nullptr);
  g_records.clear();

  testsupport::ChildProcess logger;
  ASSERT_TRUE(logger.Start("\"" + testsupport::ProgramFolder() + "\\TwoThreadLogger.exe\" 250"));
  ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return !logger.Running(); }, 240000)) << "the logger did not end";
  DWORD code = 99;
  ASSERT_TRUE(logger.WaitForExit(0, &code));
  EXPECT_EQ(code, 0u);

  int byThread[2] = {};         // records for PgUp (owner thread) and PgDn (second thread)
  int setsSeenBySecond[2] = {};  // the second thread's records, by set
  std::vector<std::string> mixed;
  for (const Record& r : g_records) {
    if (r.fields.size() != kFieldCount) continue;
    const int thread = r.fields[kKey] == "21" ? 0 : r.fields[kKey] == "22" ? 1 : -1;
    if (thread < 0) continue;
    ++byThread[thread];
    // Each box's text ends in the letter of its set; a box not found reads as empty.
    std::string letters;
    for (int field : {kReport, kExchange, kFree})
      if (r.fields[field].size() == 2) letters += r.fields[field][1];
    if (letters.find_first_not_of(letters.empty() ? 'A' : letters[0]) != std::string::npos) {
      mixed.push_back(r.text);
    } else if (thread == 1 && letters.size() == 3) {
      ++setsSeenBySecond[letters[0] == 'B' ? 1 : 0];
    }
  }
  EXPECT_GT(byThread[0], 0) << "no record from the owner thread";
  EXPECT_GT(byThread[1], 0) << "no record from the second thread";
  EXPECT_GT(setsSeenBySecond[0], 0) << "the second thread never read the first set";
  EXPECT_GT(setsSeenBySecond[1], 0) << "the second thread never read the second set";
  EXPECT_TRUE(mixed.empty()) << mixed.size() << " records mixed two sets, the first: " << mixed[0];
}

}  // namespace
