// The thread that holds the hook library's message hook.
//
// Windows calls a 32-bit program's system-wide hook for every 64-bit program on the thread that
// installed it, and each of those programs waits until that thread looks at its messages. The
// frame's thread opens and rewrites logs and runs modal windows, so the hook is installed from a
// thread of the program's own that does nothing but retrieve messages: other programs never wait
// for the operator's work. Nothing of the frame is touched from that thread; the hook library
// keeps its state in its shared block, and its reports reach the frame's window as before.
#pragma once

#include <windows.h>

#include "HlHook.h"

class CHookThread {
 public:
  explicit CHookThread(CHlHook& hook) : m_hook(hook) {}
  ~CHookThread() { Stop(); }
  CHookThread(const CHookThread&) = delete;
  CHookThread& operator=(const CHookThread&) = delete;

  // Starts the thread and has it install the hook; returns the hook's handle, or null when the
  // hook was refused (the thread has ended then). While the hook is in, returns its handle
  // again and installs no second one. When no thread can be started, the hook is installed from
  // the calling thread, as the program did before: following the logger matters more.
  HHOOK Start();
  // Has the thread remove the hook and end. Returns whether the hook was removed: 0 when none
  // was in, or when the system refused (the thread ends all the same, and the system removes a
  // thread's hooks when it ends).
  BOOL Stop();

  // The thread that installed the hook, 0 while none is in.
  DWORD InstallingThreadId() const { return m_threadId; }

  // How long Start waits for the thread's answer and Stop for its end. Longer than the hook's
  // own limit on a report to the frame, which a hook call on the thread may be waiting out.
  static constexpr DWORD kStartLimitMs = 5000;
  static constexpr DWORD kStopLimitMs = 5000;

 private:
  struct Channel;
  static DWORD WINAPI Pump(LPVOID param);
  static void Release(Channel* channel);

  CHlHook& m_hook;
  Channel* m_channel = nullptr;  // shared with the thread while it runs
  HANDLE m_thread = nullptr;
  DWORD m_threadId = 0;
  HHOOK m_installed = nullptr;
  bool m_onCaller = false;  // no thread could be started: the hook is this thread's
};
