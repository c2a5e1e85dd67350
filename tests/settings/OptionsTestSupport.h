// Operator input for the Wine tests of the Options sheet and the speed controls: real key presses
// and mouse clicks, the sheet and its message boxes found as an operator sees them, and the keyer
// emulator's trace read back.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "MainFrame.h"
#include "ShellTestSupport.h"

namespace optionstest {

enum Modifier { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

// Text in the program's code page from its UTF-16 form (test texts are written as \u escapes).
std::string Ansi(const wchar_t* text);
// A message text with "%1" and "%2" replaced.
std::string WithLimits(const wchar_t* format, const char* low, const char* high = "");

// Waits without pumping (threads that own no window), polling every 20 ms.
bool WaitFor(const std::function<bool()>& done, DWORD ms = 15000);
// Pumps this thread's messages (and its idle updates) until `done`.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 15000);

void Press(BYTE vk, int modifiers = kNone);
void TypeText(const std::string& text);
// A left click at a screen point, or in the middle of a window.
void ClickAt(POINT pt);
void Click(HWND window);
// The window that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);
std::string TextOf(HWND window);
bool Checked(HWND button);

// The Options sheet as the operator sees it.
struct Sheet {
  HWND hwnd = nullptr;
  HWND Page() const;
  int PageIndex() const;
  HWND Item(int id) const { return ::GetDlgItem(Page(), id); }
  HWND Button(int id) const { return ::GetDlgItem(hwnd, id); }
  HWND ApplyButton() const;
  // Clicks the tab of page `index`; with `wait`, waits until it is shown (false when it is not).
  bool ClickTab(int index, bool wait = true) const;
  // The tab's title.
  std::string TabText(int index) const;
  // Clicks OK, Cancel or Apply.
  void Ok() const { Click(Button(IDOK)); }
  void Cancel() const { Click(Button(IDCANCEL)); }
  void Apply() const { Click(ApplyButton()); }
  bool WaitClosed(DWORD ms = 15000) const;
  // Replaces the text of edit `id` of the page shown: a click into it, everything selected,
  // the new text typed. True when the edit then holds `text` (upper case edits: as typed).
  bool Retype(int id, const std::string& text) const;
  // Types into whatever has the focus after the access key Alt+`key`, replacing its text.
  bool TypeAfterAccessKey(char key, int id, const std::string& text) const;
};

// The first visible top-level window of this process whose class is the dialog class and for
// which `match` holds, waiting up to `ms`.
HWND FindDialog(const std::function<bool(HWND)>& match, DWORD ms = 15000);
// The Options sheet (a dialog with a tab control), once open and in front.
HWND FindSheet(DWORD ms = 15000);
// The text of the next message box, answered with Enter; "" when none came within `ms`.
std::string AnswerMessageBox(DWORD ms = 15000);
// Closes whatever dialog of this process is still open (message boxes with OK, others with
// Cancel), so that a failed test never leaves the test's own thread waiting.
void CloseLeftovers();

// Opens the Options sheet with the menu command, as the operator chooses it, runs `operate` on a
// thread of its own while the sheet is open, and returns when the sheet has gone.
void RunSheet(CMainFrame* frame, const std::function<void(const Sheet&)>& operate);

// The keyer emulator's environment for one session; the library reads it when it is loaded.
class EmulatorEnv {
 public:
  explicit EmulatorEnv(const std::string& trace);
  ~EmulatorEnv();
};
// Starts the program in this process with the emulator from its own folder; the main window
// comes to the front.
bool StartWithEmulator(shelltest::AppSession& session);

// The library calls of the emulator's trace ("keyportSetWPM 0 20"), in order.
std::vector<std::string> KeyerCalls(const std::string& tracePath);
// The calls named `name` after the first `from` calls, with the handle left out ("20", "2 7").
std::vector<std::string> CallsAfter(const std::string& tracePath, size_t from, const char* name);

// The action value in the hook library's shared block, as the hook procedures read it.
unsigned HookAction();
// The logger the hook procedure follows, from the same block; -1 without the library.
int HookFollowedLogger();

}  // namespace optionstest
