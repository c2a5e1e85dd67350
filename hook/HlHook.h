// TandemHook.dll: the system-wide message hook that reads the logger's entry window and reports
// its key events to the main program. The main program embeds one CHlHook in its main frame.
#pragma once

#include <windows.h>

#ifdef TANDEMHOOK_BUILD
#define TANDEMHOOK_API __declspec(dllexport)
#else
#define TANDEMHOOK_API __declspec(dllimport)
#endif

namespace tandem {
// The loggers whose windows the hook procedure can read; any other value reads as kFollowN1mm.
enum FollowedLogger : int { kFollowN1mm = 0, kFollowTurboHamlog = 1, kFollowLogger32 = 2 };
}  // namespace tandem

// All state lives in a block shared by every process that maps the library; the object only
// carries the interface, so the hook procedures in other processes never need it.
class TANDEMHOOK_API CHlHook {
 public:
  CHlHook();
  virtual ~CHlHook();  // stops the hook

  // Installs the message hook for all threads; returns its handle, or null when refused. While
  // this process's hook is in, returns that hook again and installs no second one.
  HHOOK Start();
  // Removes this process's hook and clears the last pointed window, display window, action value
  // and hook handle. Returns 0 without a hook or when the system refuses; then nothing is cleared.
  BOOL Stop();

  void SetDisplayWindow(HWND display);
  void SetAction(UINT action);
  void SetHookAnyway(int hookAnyway);
  // Chooses the logger whose windows the hook procedure reads (tandem::FollowedLogger). Stop
  // returns the choice to N1MM Logger.
  void SetFollowLogger(int logger);

  // Runs the N1MM reader without a message at hand: nothing is read and nothing is sent.
  void RequestMsg();

  // The N1MM entry-window reader, called by the hook procedure for a retrieved message while the
  // entry window is in the foreground. lParam points to that message, which the reader may turn
  // into a null message. Always returns false.
  static bool DispatchN1MM(WPARAM wParam, LPARAM lParam);
  // The Turbo HAMLOG/Win input-window reader: the foreground window is taken as the input window
  // without further checks, so callers make sure it is one; a window of another process is left
  // alone. Always returns false.
  static bool DispatchHL(WPARAM wParam, LPARAM lParam);
  // The Logger32 entry-window reader: finds the logger's windows itself and leaves the message
  // alone when they are not there or belong to another process. Always returns false.
  static bool DispatchL32(WPARAM wParam, LPARAM lParam);

  CHlHook(const CHlHook&) = delete;
  CHlHook& operator=(const CHlHook&) = delete;
};

extern "C" {
// The WH_GETMESSAGE hook procedure.
TANDEMHOOK_API LRESULT CALLBACK HlHookProc(int code, WPARAM wParam, LPARAM lParam);
// A WH_MOUSE hook procedure: reports the title of the top-level window under the pointer to the
// display window once per window, and turns Ctrl+right-click into a posted system command
// carrying the action value. Start does not install it.
TANDEMHOOK_API LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam);
}
