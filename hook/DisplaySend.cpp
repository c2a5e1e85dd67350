// Sending to the main program from inside other programs, with a time limit, and without paying
// that limit again and again while the main program does not answer.
//
// A main program that is stopped or busy makes a send wait the whole limit. The logger retrieves
// a key's press and release, and every mouse move, one after the other, so waiting on each of them
// would freeze it for seconds per key. After one send has timed out, this process sends nothing
// more to that window: a thread of its own asks the window, with no hurry, whether it answers,
// and only once it has answered do sends go out again. What happens meanwhile is not reported;
// the next record after the answer carries the fields as they are then.
#include <windows.h>

#include "SharedBlock.h"

namespace {

// This process's view of the display window; one copy per process that maps the library.
volatile LONG g_waiting = 0;            // 1 from a timed-out send until the window answers
HWND volatile g_waitingFor = nullptr;   // the window that did not answer
volatile LONG g_probeRunning = 0;       // 1 while the thread that asks the window runs
HMODULE g_probeReference = nullptr;     // the asking thread's reference to this library

// How long the asking thread waits for one answer, and how long it rests after a failed ask that
// returned at once.
constexpr UINT kProbeTimeoutMs = 1000;
constexpr DWORD kProbeRestMs = 50;

void StopWaiting() { InterlockedExchange(&g_waiting, 0); }

DWORD WINAPI AskUntilAnswered(LPVOID param) {
  HWND display = static_cast<HWND>(param);
  for (;;) {
    // A main program that has gone, or been replaced by another, is not waited for.
    if (g_shared.display != display || !IsWindow(display)) break;
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(display, WM_NULL, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &result)) break;
    Sleep(kProbeRestMs);
  }
  // In this order: a send that times out from here on starts a thread of its own.
  HMODULE self = g_probeReference;
  InterlockedExchange(&g_probeRunning, 0);
  StopWaiting();
  // The thread holds its own reference to the library, taken when it was started, so that the
  // library cannot be unmapped under it when the hook is removed meanwhile.
  FreeLibraryAndExitThread(self, 0);
  return 0;
}

// Starts the asking thread unless one runs already. Without it, sends go on as before.
void StartAsking(HWND display) {
  if (InterlockedCompareExchange(&g_probeRunning, 1, 0) != 0) return;
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCSTR>(&AskUntilAnswered), &self)) {
    InterlockedExchange(&g_probeRunning, 0);
    StopWaiting();
    return;
  }
  g_probeReference = self;
  HANDLE thread = CreateThread(nullptr, 0, AskUntilAnswered, display, 0, nullptr);
  if (thread == nullptr) {
    FreeLibrary(self);
    InterlockedExchange(&g_probeRunning, 0);
    StopWaiting();
    return;
  }
  CloseHandle(thread);
}

}  // namespace

void SendToDisplay(HWND display, UINT message, WPARAM wParam, LPARAM lParam) {
  if (display == nullptr) return;
  if (g_waiting != 0 && g_waitingFor == display) return;  // no answer yet: nothing is sent
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(display, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          kSendTimeoutMs, &result)) {
    return;
  }
  if (!IsWindow(display)) return;  // gone: there is nothing to wait for
  g_waitingFor = display;
  InterlockedExchange(&g_waiting, 1);
  StartAsking(display);
}
