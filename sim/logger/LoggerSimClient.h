// The other end of the logger stand-in's protocol: starts the stand-in as a process of its own,
// sends it commands, and reads what its message loop retrieved. Used by tests and the demo.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "LoggerSimProtocol.h"

class LoggerSimClient {
 public:
  LoggerSimClient() = default;
  ~LoggerSimClient();  // ends the process if it is still running
  LoggerSimClient(const LoggerSimClient&) = delete;
  LoggerSimClient& operator=(const LoggerSimClient&) = delete;

  // How often, and how far apart, a failed process start is tried again.
  static constexpr int kStartAttempts = 5;
  static constexpr DWORD kStartRetryMs = 300;

  // Starts LoggerSim.exe from the folder of exePath's directory with the given arguments and waits
  // until its windows exist. Returns false with a reason in error().
  bool Start(const std::string& exePath, const std::string& args = "");
  // Asks the stand-in to quit, then ends it by its process id if it has not after a while.
  void Stop();

  // Sends one command; returns its result, or loggersim::kUnknownCommand if the stand-in did not
  // answer within timeoutMs.
  std::intptr_t Command(const std::string& command, UINT timeoutMs = 5000) const;

  HWND EntryWindow() const;
  DWORD ProcessId() const { return pi_.dwProcessId; }
  const std::string& error() const { return error_; }

  // What the stand-in's message loop retrieved so far, after the hooks ran.
  std::vector<loggersim::LogEntry> Log() const;
  std::size_t LogSize() const;

  // Pumps this thread's messages until pred() holds or timeoutMs passes; returns pred().
  static bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);

 private:
  PROCESS_INFORMATION pi_ = {};
  HWND control_ = nullptr;
  HANDLE logMapping_ = nullptr;
  const loggersim::Log* log_ = nullptr;
  std::string error_;
};

// The path of LoggerSim.exe beside the running program.
std::string LoggerSimPathBesideThisProgram();
