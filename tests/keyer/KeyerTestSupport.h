// The real main frame in the test's own process with the keyer emulator as its keyer library:
// one fixture for the keyer tests, the emulator's environment, and what its trace says.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MainFrame.h"
#include "ShellTestSupport.h"
#include "TestSupport.h"

namespace keyertest {

// The emulator's environment for one session; the library reads it when it is loaded.
class EmulatorEnv {
 public:
  EmulatorEnv(const std::string& trace, const char* timescale, bool device);
  ~EmulatorEnv();
  EmulatorEnv(const EmulatorEnv&) = delete;
  EmulatorEnv& operator=(const EmulatorEnv&) = delete;
};

// What went to the keyer, in order: characters as they are, code bytes as <XX>.
std::string Keyed(const std::string& tracePath);
// The library calls ("keyportSetWPM 0 20"), in order.
std::vector<std::string> Calls(const std::string& tracePath);
std::size_t CountCalls(const std::string& tracePath, const std::string& call);
std::size_t CountOf(const std::string& text, const std::string& part);

// A record as the hook library composes it: thirteen fields, each ended by '|'.
struct EntryRecord {
  std::string call, report, mode = "CW", exchange, freeText;
  bool bankA = true;     // the logger's check control
  std::string key;       // hexadecimal virtual-key code, empty for none
  bool shift = false, ctrl = false;
  std::string Text() const;
};

// The fixture: a working folder of its own, the emulator's environment and the program.
class KeyerFrameTest : public ::testing::Test {
 protected:
  // The emulator's own folder, where the program finds the library by the search order.
  static std::string Emulator();
  // Starts the program with the library from `folder` (empty: no library found). `device` false
  // makes the emulator open no device, so that it posts no reports of its own.
  bool Start(const char* timescale, bool device, const std::string& folder = Emulator());
  // The settings file the program reads at its start.
  void WriteSettings(const std::string& text);

  std::string Log() const;
  // A click on a button of the Fn bar or the CW bar, as the button takes it (BM_CLICK on the
  // button itself): the bar hands the command on to the frame.
  void ClickFn(int id);
  void ClickCwBar(int id);
  // Types `text` into the CW bar and clicks its Send button.
  void Send(const char* text);
  // The record sent as WM_COPYDATA to the frame, as the hook library sends it.
  void SendRecord(const EntryRecord& record);
  // A keyer report as the library posts it, delivered through the frame's window procedure.
  void SendReport(int code, int waiting);
  // Puts the frame in the foreground with the keyboard focus in the log view.
  bool FocusLog();

  testsupport::TempFolder folder_{"tandem-keyer-"};
  testsupport::CurrentFolder current_{folder_.Path()};
  std::string trace_ = folder_.File("trace.txt");
  std::unique_ptr<EmulatorEnv> env_;
  shelltest::AppSession session_;
  CMainFrame* frame_ = nullptr;

 private:
  bool m_recordSent = false;
};

}  // namespace keyertest
