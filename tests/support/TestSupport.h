// What the Wine test programs share: child processes ended by their id, temporary folders,
// the keyer emulator's trace, a message pump that behaves as the program's own loop, operator
// input, the search for a program's windows and a watcher that answers its dialogs.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "LoggerSimClient.h"
#include "TandemSession.h"  // TraceEvent and ParseTrace: the one reader of the emulator's trace

namespace testsupport {

// ---- Files and folders -------------------------------------------------------------------------

std::string ReadFileBytes(const std::string& path);  // shares with a writer that keeps it open
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The folder of the running test program, without a trailing backslash.
std::string ProgramFolder();

// A new empty folder under the temporary folder, removed with everything in it when the object
// goes, whatever happened in the test.
class TempFolder {
 public:
  explicit TempFolder(const char* prefix = "tandem-test-");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "\\" + name; }
  bool Valid() const { return !m_path.empty(); }

 private:
  std::string m_path;
};

// ---- Processes ---------------------------------------------------------------------------------

// A program started as a process of its own; ended by its process id when the object goes (or on
// Kill), so that a failed test never leaves it running.
class ChildProcess {
 public:
  // `commandLine` as CreateProcess takes it; `workDir` empty for the current folder; `env` is set
  // for the child only.
  bool Start(const std::string& commandLine, const std::string& workDir = "",
             const std::vector<std::pair<std::string, std::string>>& env = {}, DWORD flags = 0);
  bool Running() const;
  // Waits for the process to end; false on time-out.
  bool WaitForExit(DWORD ms, DWORD* exitCode = nullptr) const;
  void Kill();
  DWORD Id() const { return m_process.Id(); }
  HANDLE Handle() const { return m_process.Process(); }

 private:
  CStartedProcess m_process;
};

// Runs a program and waits for it; ends it by its id after `timeoutMs`. Its exit code, or -1 when
// it could not be started or had to be ended.
int RunProgram(const std::string& commandLine, DWORD timeoutMs);

// ---- Message pump ------------------------------------------------------------------------------

// How a pump hands messages on. Empty members: plain translate and dispatch, no idle work.
struct Loop {
  // The main window's pre-translation (shortcuts); true when the message was consumed. Called
  // for messages of `mainWindow`, its children and the windows it owns, as the program's loop
  // does.
  std::function<bool(MSG*)> preTranslate;
  HWND mainWindow = nullptr;
  // Idle-time updates; run once each time the queue has run empty after a message other than a
  // paint or caret timer, as the program's loop does.
  std::function<void()> idle;
};

// Pumps this thread's messages until `done` holds or `ms` passes; returns done(). A WM_QUIT is
// taken off the queue and ignored (the main window's end; the test goes on).
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 10000, const Loop& loop = Loop());
// Waits without pumping (threads that own no window).
bool WaitUntil(const std::function<bool()>& done, DWORD ms = 10000);

// ---- Operator input ----------------------------------------------------------------------------

enum Modifier { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

// A key press with modifiers through the system's input, to whichever window has the focus.
void Press(BYTE vk, int modifiers = kNone);
void TypeText(const std::string& text);
// Lets go of any modifier still down (after a failed test).
void ReleaseModifiers();
// A left (or right) click at a screen point, or in the middle of a window.
void ClickAt(POINT pt, bool right = false);
void Click(HWND window, bool right = false);

// ---- Windows of a process ----------------------------------------------------------------------

// The first top-level window of process `pid` for which `match` holds, or null.
HWND FindTopLevel(DWORD pid, const std::function<bool(HWND)>& match);
// Waits up to `ms` for such a window, pumping this thread's messages meanwhile.
HWND WaitForTopLevel(DWORD pid, const std::function<bool(HWND)>& match, DWORD ms = 15000);
// The main window of a running Tandem: its window marked as the running instance.
HWND FindMainWindow(DWORD pid);
bool IsDialog(HWND window);  // the system's dialog class, as message boxes have
std::string WindowText(HWND window);  // with a time limit, across processes
// The text of a message box (its static text).
std::string MessageBoxText(HWND box);

// Answers the dialogs of process `pid` on a thread of its own: each window once, with the
// button `answer`, keeping their texts. It never gives up while the object lives: a program that
// waits modally is answered whenever its box comes.
class DialogAnswerer {
 public:
  DialogAnswerer(DWORD pid, int answer);
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  std::vector<std::string> Texts();
  // Waits until `count` dialogs were answered.
  bool WaitForCount(std::size_t count, DWORD ms = 15000);

 private:
  void Run();
  DWORD m_pid;
  int m_answer;
  std::atomic<bool> m_stop{false};
  std::mutex m_mutex;
  std::vector<std::string> m_texts;
  std::vector<HWND> m_answered;
  std::thread m_thread;
};

// ---- The keyer emulator's trace ----------------------------------------------------------------

std::vector<TraceEvent> ReadTrace(const std::string& path);
bool HasEvent(const std::vector<TraceEvent>& events, const std::string& name, const std::vector<long>& args = {});
std::size_t CountEvents(const std::vector<TraceEvent>& events, const std::string& name);
// The library calls ("keyportSetWPM 0 20"), in order.
std::vector<std::string> KeyerCalls(const std::vector<TraceEvent>& events);

}  // namespace testsupport

// ---- Working folder ----------------------------------------------------------------------------

namespace testsupport {

// Makes `path` the current folder for the object's life (the program in this process reads its
// settings from the current folder), and goes back to the previous one afterwards.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& path);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;
  bool Entered() const { return m_entered; }

 private:
  std::string m_previous;
  bool m_entered = false;
};

// ---- The logger stand-in -----------------------------------------------------------------------

// Presses a key with modifiers in whichever window has the focus (the stand-in's, in the tests
// that call these) and waits until the stand-in's loop has retrieved the release, as the key
// itself or as the null message a hook left in its place. False when it never came.
bool PressInLogger(LoggerSimClient& logger, BYTE vk, int modifiers = kNone);
// Types `text` key by key that way (Shift where the character needs it).
bool TypeInLogger(LoggerSimClient& logger, const std::string& text);
}  // namespace testsupport

// ---- The program driven in this process ---------------------------------------------------------

namespace testsupport {

// A temporary folder made the current folder for the object's life: the program takes its
// settings file from the folder it starts in.
class TempWorkingFolder : public TempFolder {
 public:
  TempWorkingFolder() : m_current(Path()) {}

 private:
  CurrentFolder m_current;  // left before the folder is removed
};

// Answers the dialogs that this process shows on its other threads (the program under test runs
// on the test's own thread and waits modally in them), each window once, keeping their texts.
class OwnDialogAnswerer : public DialogAnswerer {
 public:
  explicit OwnDialogAnswerer(int answer) : DialogAnswerer(::GetCurrentProcessId(), answer) {}
};

// The first visible dialog of this process for which `match` holds, waited for up to `ms`
// without pumping (from a thread other than the program's).
HWND WaitForOwnDialog(const std::function<bool(HWND)>& match, DWORD ms = 15000);

// Runs `operate` on a thread of its own, as an operator working the program's windows, while
// this thread keeps the program going with `pump` (which returns once its condition holds);
// returns when the operator is done.
void Operate(const std::function<void()>& operate,
             const std::function<bool(const std::function<bool()>&, DWORD)>& pump, DWORD ms = 120000);

}  // namespace testsupport
