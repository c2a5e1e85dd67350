// The main program driven in the test's own process: the application object started as the
// program starts, the program's own message loop, and the settings file read as the program
// reads it. Everything else the Wine tests share is in TestSupport.h.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "MainFrame.h"
#include "TandemApp.h"
#include "TestSupport.h"

namespace shelltest {

// The value of `key` in `section` of an INI file, read as the program reads it.
std::string IniText(const std::string& path, const char* section, const char* key);
// The program's own message loop for this thread: the main window's shortcuts first, and the
// idle-time updates once each time the queue has run empty after a message.
testsupport::Loop ProgramLoop();
// Runs that loop until `done` holds or `ms` passes; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000);
// Runs that loop until this thread's queue has been worked off (what a call or an input left
// there has been handled, and the idle updates after it have run).
bool Settle(DWORD ms = 5000);
// Runs that loop for `ms` milliseconds.
void PumpMessages(DWORD ms);
// Brings the main window to the front, so that the system's key presses reach it; false when it
// did not come.
bool BringToFront(HWND wnd);
// Texts of the log's questions: "<title> への変更を保存しますか?" and the untitled log's "無題".
std::string AskToSave(const std::string& title);
extern const char kUntitled[];
// Runs `operate` on an operator's thread while this thread runs the program's loop; returns once
// the operator is done.
void Operate(const std::function<void()>& operate, DWORD ms = 120000);

// Tandem.exe from beside the test program, started in `workDir` as a process of its own; its
// main window once it shows, or null when none came within `ms`.
HWND StartTandem(testsupport::ChildProcess& process, const std::string& workDir,
                 const std::string& arguments = "", DWORD ms = 30000);

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

// A test that starts the program in this process, in a working folder of its own.
class RunningProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(session_.Start());
    frame_ = session_.Frame();
  }

  testsupport::TempWorkingFolder dir_;
  AppSession session_;
  CMainFrame* frame_ = nullptr;
};

}  // namespace shelltest
