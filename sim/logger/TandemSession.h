// Tandem.exe run as a process of its own for the end-to-end tests, the benchmark and the demo:
// started in a working folder that holds its Tandem.ini and the keyer emulator's keyport.dll
// (found there by the library search order, never beside Tandem.exe), looked at from outside
// through its windows, and ended by its process id.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "Handles.h"

// One line of the emulator's trace: "<ms> <event> <args>".
struct TraceEvent {
  double ms = 0;
  std::string event;  // first word after the time, e.g. "keyportPutChar", "char", "report"
  std::vector<long> args;
  std::string rest;  // everything after the event word, as written
};

std::vector<TraceEvent> ParseTrace(const std::string& text);
// What Tandem handed to the keyer, in order: each keyportPutChar as its character, each
// keyportPutCode as "<XX>" with the code byte in hexadecimal.
std::string HandedToKeyer(const std::vector<TraceEvent>& events);
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

struct TandemSetup {
  std::string binDir;   // folder of Tandem.exe; the keyer's library is in binDir\<keyerFolder>
  std::string keyerFolder = "emulator";  // or "winkeyer", the WinKeyer bridge
  std::string workDir;  // existing folder: Tandem's working folder
  std::string ini;      // the text of Tandem.ini written into workDir
  // Environment for Tandem and the emulator inside it (KEYPORT_TRACE is set to TracePath()).
  std::vector<std::pair<std::string, std::string>> env;
  bool waitForKeyer = true;  // Start also waits for the emulator's device to be open
};

// Ended by its process id when the object goes, whatever happened.
class TandemSession {
 public:
  // Prepares the working folder and starts Tandem; waits until its main window is marked as the
  // running instance and the emulator's device is open. False with a reason in error().
  bool Start(const TandemSetup& setup, DWORD timeoutMs = 20000);
  // Asks the main window to close, then ends the process by its id if it has not ended in time.
  void Stop(DWORD graceMs = 0);

  HWND MainWindow() const { return main_; }
  DWORD ProcessId() const { return process_.Id(); }
  bool Running() const;
  // Stops and restarts Tandem's main thread, as a debugger or an overloaded system does.
  bool Suspend();
  bool Resume();
  const std::string& error() const { return error_; }
  std::string TracePath() const { return workDir_ + "\\keyport-trace.txt"; }
  std::vector<TraceEvent> Trace() const { return ParseTrace(ReadWholeFile(TracePath())); }

  // The log view's text, read across the process boundary.
  std::string LogText() const;
  HWND LogView() const;
  // A control of the main window's bars by id (the Fn buttons are 1000..1011).
  HWND Control(int id) const;
  std::string ControlText(int id) const;
  // A top-level window of Tandem's process whose title begins with `prefix`, or null.
  HWND TopLevelTitled(const std::string& prefix) const;

 private:
  CStartedProcess process_;
  HWND main_ = nullptr;
  std::string workDir_;
  std::string error_;
};

// Path of the folder of the running program.
std::string ThisProgramFolder();
// LoggerSim.exe of the other architecture's build: in TANDEM_OTHER_BIN, or in the build tree
// beside this one; an empty string when it is not there.
std::string OtherBitnessLoggerSimPath();
// A new empty folder under the temporary folder; removed with its files by RemoveFolder.
std::string MakeTempFolder(const char* prefix);
void RemoveFolder(const std::string& path);
