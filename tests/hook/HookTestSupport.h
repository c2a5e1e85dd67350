// What the hook library's Wine tests share: this test program plays the main program, whose
// display window collects the entry records the hook sends, and the logger stand-in runs as a
// process of its own with the hook installed into it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "HlHook.h"
#include "LoggerSimClient.h"

namespace hooktest {

// One entry record as the display window received it.
struct Record {
  std::string text;
  ULONG_PTR data = 0;
  std::vector<std::string> fields;
};

// Field positions in the record.
enum { kCall, kReport, kMode, kExchange, kFree, kCheck, kKey, kShiftField, kCtrlField, kAltField,
       kLeft, kBottom, kFocus, kFieldCount };

// The fields as the record's separators give them (each field ended by '|').
std::vector<std::string> SplitRecord(const std::string& text);
// Runs a program from beside this one with `args`, as a process of its own, and returns what it
// printed (without the final line break); ended by its id if it has not ended after `ms`.
std::string RunBeside(const std::string& program, const std::string& args = "", DWORD ms = 10000);
// A key transition as the stand-in's loop retrieved it: the key itself, or the null message the
// hook left in its place.
bool IsKeyTransition(UINT message);

// What the stand-in's message loop made of one key press and release.
struct Press {
  bool complete = false;
  UINT down = 0xFFFF;  // as retrieved: WM_NULL when the hook kept the key from the stand-in
  UINT up = 0xFFFF;
  loggersim::Box box = loggersim::kBoxOther;  // the window the key went to
  std::vector<Record> records;
  std::vector<loggersim::LogEntry> log;  // everything the stand-in retrieved meanwhile

  std::vector<std::string> KeyFields() const {
    std::vector<std::string> keys;
    for (const Record& r : records)
      if (r.fields.size() == kFieldCount && r.fields[kKey] != "0") keys.push_back(r.fields[kKey]);
    return keys;
  }
  const Record* KeyRecord(const char* key) const {
    for (const Record& r : records)
      if (r.fields.size() == kFieldCount && r.fields[kKey] == key) return &r;
    return nullptr;
  }
  // The last record, whatever its key: the one the release sent.
  std::string LastFocus() const {
    return records.empty() || records.back().fields.size() != kFieldCount ? "none" : records.back().fields[kFocus];
  }
  bool Retrieved(UINT message, WPARAM code) const {
    for (const loggersim::LogEntry& e : log)
      if (e.message == message && e.code == code) return true;
    return false;
  }
};

// What the display window received, in order: records, and the texts set on it (titles).
extern std::vector<Record> g_records;
extern std::vector<std::string> g_titles;

// The stand-in with the hook installed, reporting to this program's display window.
class LoggerHookTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void TearDown() override;

  // Starts the stand-in with `args` and installs the hook for the `followed` logger.
  void Launch(const std::string& args = "", UINT action = 0, int hookAnyway = 0,
              int followed = tandem::kFollowN1mm);
  void SetText(const char* box, const std::string& text);
  void Focus(const char* box);

  static HWND display_;
  CHlHook hook_;
  HHOOK started_ = nullptr;  // what Launch's Start returned
  LoggerSimClient sim_;
};

}  // namespace hooktest
