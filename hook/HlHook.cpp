// The hook object, the shared block, library load and the two hook procedures.
#include "HlHook.h"

#include "KeyRules.h"
#include "N1mmReader.h"
#include "OtherLoggerReaders.h"
#include "SharedBlock.h"

// The shared block: one copy for every process that maps the library.
#if defined(_MSC_VER)
#pragma data_seg(".shared")
volatile SharedHookBlock g_shared = {nullptr, nullptr, 0, nullptr, 0, 0};
#pragma data_seg()
#pragma comment(linker, "/SECTION:.shared,RWS")
#else
volatile SharedHookBlock g_shared __attribute__((section(".shared"), shared)) = {
    nullptr, nullptr, 0, nullptr, 0, 0};
#endif

namespace {

// The object on which Start was last called. Meaningful only in the main program's process; the
// hook procedures never use it.
CHlHook* g_hookObject = nullptr;

// This library as this process mapped it. Another process may map it at another address, so the
// handle that installs the hook is always the installing process's own.
HMODULE g_module = nullptr;

// The hook that this process installed, null while it has none in. Start installs at most one and
// Stop removes that one. The shared block's copy may be another process's: a main program that
// ended without Stop leaves its handle there.
HHOOK g_installed = nullptr;
// Start and Stop may come from different threads of the main program.
SRWLOCK g_installLock = SRWLOCK_INIT;

constexpr int kTopLevelSearchLimit = 64;  // guards against a parent chain that loops

// Marks the thread that is inside the reader's part of HlHookProc. A second copy of the hook
// further down the same chain (a main program that ended without removing its hook is one way
// there) sees the mark and passes the message on unread, so one key never sends two records.
// A TLS slot rather than thread_local: no allocation on the message path.
DWORD g_insideSlot = TLS_OUT_OF_INDEXES;

// The top-level window of a window: the first window up the parent chain that has a system menu,
// or the last one when none has.
HWND TopLevelOf(HWND window) {
  HWND w = window;
  for (int i = 0; w != nullptr && i < kTopLevelSearchLimit; ++i) {
    if (GetWindowLongA(w, GWL_STYLE) & WS_SYSMENU) return w;
    HWND parent = GetParent(w);
    if (parent == nullptr) return w;
    w = parent;
  }
  return w;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    g_insideSlot = TlsAlloc();
    // The hook runs in every process with a message queue; thread notifications are not needed.
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && g_insideSlot != TLS_OUT_OF_INDEXES) {
    TlsFree(g_insideSlot);
  }
  return TRUE;
}

CHlHook::CHlHook() = default;

CHlHook::~CHlHook() { Stop(); }

HHOOK CHlHook::Start() {
  AcquireSRWLockExclusive(&g_installLock);
  g_hookObject = this;
  // While this process's hook is in, a second Start hands back that one: a second hook would
  // call the reader twice for each message, and Stop could remove only one of them.
  if (g_installed == nullptr) {
    g_installed = SetWindowsHookExA(WH_GETMESSAGE, HlHookProc, g_module, 0);
    g_shared.hook = g_installed;
  }
  const HHOOK hook = g_installed;
  ReleaseSRWLockExclusive(&g_installLock);
  return hook;
}

BOOL CHlHook::Stop() {
  AcquireSRWLockExclusive(&g_installLock);
  const HHOOK hook = g_installed;
  BOOL removed = FALSE;
  if (hook != nullptr) {
    removed = UnhookWindowsHookEx(hook);
    if (removed) {
      g_installed = nullptr;
      g_shared.lastPointed = nullptr;
      g_shared.display = nullptr;
      g_shared.action = 0;
      g_shared.hook = nullptr;
      g_shared.followLogger = tandem::kFollowN1mm;
    }
  }
  ReleaseSRWLockExclusive(&g_installLock);
  return removed;
}

void CHlHook::SetDisplayWindow(HWND display) { g_shared.display = display; }

void CHlHook::SetAction(UINT action) { g_shared.action = action; }

void CHlHook::SetHookAnyway(int hookAnyway) { g_shared.hookAnyway = hookAnyway; }

void CHlHook::SetFollowLogger(int logger) { g_shared.followLogger = logger; }

void CHlHook::RequestMsg() { DispatchN1MM(0, 0); }

bool CHlHook::DispatchN1MM(WPARAM, LPARAM lParam) {
  MSG* msg = reinterpret_cast<MSG*>(lParam);
  if (msg == nullptr || !tandem::IsReaderMessage(msg->message)) return false;
  HWND entry = FindEntryWindowInForeground();
  if (entry != nullptr) ReadN1mmEntryWindow(entry, msg);
  return false;
}

bool CHlHook::DispatchHL(WPARAM, LPARAM lParam) {
  MSG* msg = reinterpret_cast<MSG*>(lParam);
  if (msg == nullptr || !tandem::IsReaderMessage(msg->message)) return false;
  HWND logger = GetForegroundWindow();
  if (logger != nullptr) ReadHamlogWindow(logger, msg);
  return false;
}

bool CHlHook::DispatchL32(WPARAM, LPARAM lParam) {
  MSG* msg = reinterpret_cast<MSG*>(lParam);
  if (msg == nullptr || !tandem::IsReaderMessage(msg->message)) return false;
  ReadLogger32Windows(msg);
  return false;
}

// True while the main program's display window exists.
static bool DisplayPresent() {
  HWND display = g_shared.display;
  return display != nullptr && IsWindow(display);
}

// Runs for every message that any thread on the desktop retrieves, so the message number is
// tested before anything that asks the window manager: an ignored message costs one comparison.
LRESULT CALLBACK HlHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0) {
    MSG* msg = reinterpret_cast<MSG*>(lParam);
    // Without a main program to report to (stopped, or ended without stopping the hook) a
    // logger's keys are its own again: the hook may still be called here for a while after
    // the main program has gone, and must then keep nothing from the logger.
    if (msg != nullptr && tandem::IsReaderMessage(msg->message) &&
        g_insideSlot != TLS_OUT_OF_INDEXES && TlsGetValue(g_insideSlot) == nullptr &&
        DisplayPresent()) {
      // One logger is followed; the others' readers never run. The other loggers' gates check
      // that the foreground window is that logger's own, in this process.
      const int followed = g_shared.followLogger;
      if (followed == tandem::kFollowTurboHamlog) {
        ReadHamlogInputWindowInForeground(msg);
      } else if (followed == tandem::kFollowLogger32) {
        ReadLogger32InForeground(msg);
      } else {
        HWND entry = FindEntryWindowInForeground();
        if (entry != nullptr) ReadN1mmEntryWindow(entry, msg);
      }
      TlsSetValue(g_insideSlot, msg);
      const LRESULT result = CallNextHookEx(g_shared.hook, code, wParam, lParam);
      TlsSetValue(g_insideSlot, nullptr);
      return result;
    }
  }
  return CallNextHookEx(g_shared.hook, code, wParam, lParam);
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code >= 0 && lParam != 0) {
    const MOUSEHOOKSTRUCT* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    HWND top = TopLevelOf(mouse->hwnd);
    if (top != nullptr && top != g_shared.lastPointed) {
      char title[100] = {};
      GetWindowTextA(top, title, sizeof title);
      HWND display = g_shared.display;
      if (IsWindow(display)) SendToDisplay(display, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title));
      g_shared.lastPointed = top;
    }
    const bool rightDown = wParam == WM_RBUTTONDOWN || wParam == WM_NCRBUTTONDOWN;
    if (rightDown && top != nullptr && (GetKeyState(VK_CONTROL) & 0x8000)) {
      PostMessageA(top, WM_SYSCOMMAND, g_shared.action, 0);
      return 1;
    }
  }
  return CallNextHookEx(g_shared.hook, code, wParam, lParam);
}
