// Internal to the hook library: the block shared by all processes that map it.
#pragma once

#include <windows.h>

// One copy system-wide. Each member is one aligned machine word, written whole by the main
// program and read whole by the hook procedures; no operation needs two of them to agree, so no
// lock. volatile: another process may change a value between two reads in this one.
// Only values that mean the same in every process belong here: window and hook handles do. The
// library's own module handle does not (each process may map the library at another address),
// so it is kept per process in HlHook.cpp.
struct SharedHookBlock {
  HWND lastPointed;  // top-level window whose title was last reported by the mouse hook
  HWND display;      // receives entry records and window titles
  UINT action;       // see the action values in KeyRules.h
  HHOOK hook;        // the installed message hook, passed on by every hook procedure
  int hookAnyway;    // function keys handled even in the logger's own fields
  int followLogger;  // whose windows the hook procedure reads: tandem::FollowedLogger
};

extern volatile SharedHookBlock g_shared;

// How long a logger thread waits for the main program before it gives up on a record, so that a
// hung main program can never freeze the logger.
constexpr UINT kSendTimeoutMs = 2000;

// Sends a message to the display window and waits for it to be handled, but never longer than
// kSendTimeoutMs, and not at all when the receiver is hung. Messages sent to the calling thread
// meanwhile are still handled (no SMTO_BLOCK). Once a send has timed out, nothing more is sent
// from this process until the display window answers again (DisplaySend.cpp), so that a stopped
// main program costs the logger one timeout, not one per message.
void SendToDisplay(HWND display, UINT message, WPARAM wParam, LPARAM lParam);
