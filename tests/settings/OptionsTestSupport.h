// Operator input for the Wine tests of the Options sheet and the speed controls: real key presses
// and mouse clicks, the sheet and its message boxes found as an operator sees them, and the keyer
// emulator's trace read back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "MainFrame.h"
#include "ShellTestSupport.h"

namespace optionstest {

// Text in the program's code page from its UTF-16 form (test texts are written as \u escapes).
std::string Ansi(const wchar_t* text);
// A message text with "%1" and "%2" replaced.
std::string WithLimits(const wchar_t* format, const char* low, const char* high = "");

using shelltest::PumpUntil;
using testsupport::Click;
using testsupport::ClickAt;
using testsupport::kAlt;
using testsupport::kShift;
using testsupport::Press;
using testsupport::TypeText;
using testsupport::WaitUntil;
using testsupport::WindowText;

// The window that has the keyboard focus in the thread of `window`.
HWND FocusOf(HWND window);
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

// The program started in this process with the keyer emulator from its own folder, in a
// temporary working folder, with its main window in front; the emulator's trace read back.
class EmulatorSession : public ::testing::Test {
 protected:
  EmulatorSession();
  ~EmulatorSession() override;
  // Writes `ini` as the settings file first, when given.
  void Start(const std::string& ini = "");
  std::string IniPath() const { return dir_.File("Tandem.ini"); }
  std::string Ini(const char* section, const char* key) const;
  // The library calls of the trace ("keyportSetWPM 0 20"), in order.
  std::vector<std::string> KeyerCalls() const;
  // Marks the calls so far as seen.
  void MarkCalls() { mark_ = KeyerCalls().size(); }
  // The calls named `name` since the mark, with the handle left out ("20", "2 7").
  std::vector<std::string> Calls(const char* name) const;
  // Names of the calls since the mark, in order.
  std::vector<std::string> CallNames() const;

  testsupport::TempWorkingFolder dir_;
  std::string trace_ = dir_.File("trace.txt");
  shelltest::AppSession session_;
  CMainFrame* frame_ = nullptr;
  size_t mark_ = 0;
};

// The action value in the hook library's shared block, as the hook procedures read it.
unsigned HookAction();
// The logger the hook procedure follows, from the same block; -1 without the library.
int HookFollowedLogger();

}  // namespace optionstest
