// Helpers for the Wine tests of the main program: a temporary working directory, the
// application driven in the test's own process, a watcher that answers message boxes, and a
// Tandem.exe started as a process of its own.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <functional>

#include "MainFrame.h"
#include "TestSupport.h"
#include "TandemApp.h"

namespace shelltest {

// A fresh directory under the temporary folder, made the current directory for the object's
// life and removed (with its files) afterwards.
class TempWorkDir {
 public:
  TempWorkDir();
  ~TempWorkDir();
  const std::string& Path() const { return m_path; }
  std::string File(const char* name) const { return m_path + "\\" + name; }

 private:
  std::string m_path;
  std::string m_previous;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The value of `key` in `section` of an INI file, read as the program reads it.
std::string IniText(const std::string& path, const char* section, const char* key);
// The program's own message loop for this thread: the main window's shortcuts first, and the
// idle-time updates once each time the queue has run empty after a message.
testsupport::Loop ProgramLoop();
// Runs that loop until `done` holds or `ms` passes; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
// Runs that loop for `ms` milliseconds.
void PumpMessages(DWORD ms);

// The application object in this process, started as the program starts (working directory =
// the current directory) and ended by destroying its main window.
class AppSession {
 public:
  AppSession() = default;
  ~AppSession() { End(); }
  bool Start(const std::string& commandLine = "");
  CMainFrame* Frame() const { return static_cast<CMainFrame*>(m_app.m_pMainWnd); }
  CTandemHLApp& App() { return m_app; }
  // Closes through the close request (WM_CLOSE), as the user does.
  void RequestClose();
  // Destroys the main window without any question, then ends the application object.
  void End();

 private:
  CTandemHLApp m_app;
  bool m_started = false;
};

// Answers every message box (and other dialog) this process shows with `answer` and keeps
// their texts.
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(int answer);
  ~MessageBoxWatcher();
  std::vector<std::string> Texts();

 private:
  void Run();
  int m_answer;
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::vector<std::string> m_texts;
  std::thread m_thread;
};

// A Tandem.exe started in `workDir`; ended by its process id when the object goes, whatever
// happened in the test.
class TandemProcess {
 public:
  TandemProcess() = default;
  ~TandemProcess() { Kill(); }
  bool Start(const std::string& workDir, const std::string& arguments = "");
  // The process's window marked as the running instance, waiting up to `ms`.
  HWND WaitForMainWindow(DWORD ms);
  // Waits for the process to end; false on time-out.
  bool WaitForExit(DWORD ms, DWORD* exitCode = nullptr);
  void Kill();
  DWORD Id() const { return m_info.dwProcessId; }

 private:
  PROCESS_INFORMATION m_info = {};
};

// Full path of a program beside the test program.
std::string BesideTestProgram(const char* name);

}  // namespace shelltest
