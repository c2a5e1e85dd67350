// A logger with two user-interface threads, for the entry-window reader. Its entry window is laid
// out as the reader counts it, and its first container is swapped, again and again, for a second
// one holding boxes of other texts, while both threads retrieve key messages: the reader finds the
// children again and again, on one thread while the other uses what it found.
//
// Usage: TwoThreadLogger <rounds>
// The owner thread (which owns every window) swaps the containers once a round, retrieves a PgUp
// press and lets the second thread retrieve at least two PgDn presses; the second thread
// retrieves PgDn presses, one after the other, until the owner's rounds are done. The
// boxes' texts name their set: report "RA", exchange "XA", free text "FA" in the first set, "RB",
// "XB", "FB" in the second. Prints "rounds=<n> presses=<n>" and ends with 0, or prints
// "error: ..." and ends with 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace {

constexpr char kFormClass[] = "ThunderRT6FormDC";
constexpr char kTextBoxClass[] = "ThunderRT6TextBox";
constexpr char kFrameClass[] = "TwoThreadLoggerFrame";
constexpr int kChildren = 27;  // the check control is the last, child 26
constexpr int kFirstContainer = 10;
constexpr int kSecondContainer = 14;
constexpr int kCheckChild = 26;
constexpr int kBoxesInContainer = 12;  // anchor 0, report 2, exchange 9, free text 11

HINSTANCE g_instance = nullptr;
HWND g_entry = nullptr;
HWND g_holder = nullptr;  // keeps the container that is not in place
HWND g_beforeContainer = nullptr;  // child 9: the container goes right after it
HWND g_sets[2] = {};
volatile LONG g_ownerDone = 0;
HANDLE g_secondReady = nullptr;
volatile LONG g_secondPresses = 0;

// How long the owner waits for the second thread's presses in one round before it gives up.
constexpr DWORD kRoundLimitMs = 10000;

// Children are left hidden: the reader does not look at that, and painting them on every swap
// would only make the rounds slow.
HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w, int h) {
  return CreateWindowExA(0, cls, text, WS_CHILD | style, x, y, w, h, parent, nullptr, g_instance,
                         nullptr);
}

// A first container with its boxes: the texts of set `letter`.
HWND FirstContainer(HWND parent, char letter) {
  HWND frame = Child(parent, kFrameClass, "", 0, 4, 40, 630, 30);
  for (int i = 0; i < kBoxesInContainer; ++i) {
    char text[4] = "";
    if (i == 2) std::snprintf(text, sizeof text, "R%c", letter);
    if (i == 9) std::snprintf(text, sizeof text, "X%c", letter);
    if (i == 11) std::snprintf(text, sizeof text, "F%c", letter);
    Child(frame, kTextBoxClass, text, 0, 4 + i * 50, 4, 46, 20);
  }
  return frame;
}

bool CreateWindows() {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = g_instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  for (const char* name : {kFormClass, kTextBoxClass, kFrameClass}) {
    wc.lpszClassName = name;
    if (!RegisterClassA(&wc)) return false;
  }
  g_entry = CreateWindowExA(0, kFormClass, "Entry Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 400,
                            640, 160, nullptr, nullptr, g_instance, nullptr);
  if (g_entry == nullptr) return false;
  for (int i = 0; i < kChildren; ++i) {
    if (i == kFirstContainer) {
      g_sets[0] = FirstContainer(g_entry, 'A');
    } else if (i == kSecondContainer) {
      HWND frame = Child(g_entry, kFrameClass, "", 0, 4, 74, 300, 30);
      Child(frame, kTextBoxClass, "XX1ABC", 0, 34, 4, 120, 20);
    } else if (i == kCheckChild) {
      Child(g_entry, "BUTTON", "Run", BS_AUTOCHECKBOX, 540, 120, 80, 20);
    } else {
      HWND filler = Child(g_entry, "STATIC", "", 0, 4 + i * 2, 4, 2, 2);
      if (i == kFirstContainer - 1) g_beforeContainer = filler;
    }
  }
  // After the check control, where the reader does not count, and hidden.
  g_holder = CreateWindowExA(0, kFrameClass, "", WS_CHILD, 0, 0, 640, 40, g_entry, nullptr,
                             g_instance, nullptr);
  if (g_holder == nullptr) return false;
  g_sets[1] = FirstContainer(g_holder, 'B');
  return g_sets[0] != nullptr && g_sets[1] != nullptr && g_beforeContainer != nullptr;
}

// The entry window's child at `position`, counted as the reader counts.
HWND ChildAt(int position) {
  HWND w = GetWindow(g_entry, GW_CHILD);
  for (int i = 0; w != nullptr && i < position; ++i) w = GetWindow(w, GW_HWNDNEXT);
  return w;
}

// Puts set `in` in place of the other one, at the first container's position.
void PutInPlace(int in) {
  SetParent(g_sets[1 - in], g_holder);
  SetParent(g_sets[in], g_entry);
  SetWindowPos(g_sets[in], g_beforeContainer, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// One key press retrieved by this thread: the hook's reader runs for it. Messages sent to this
// thread's windows meanwhile (the other thread reading a box) are answered here too.
void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.hwnd != nullptr) DispatchMessageA(&msg);
  }
}

void RetrieveKey(UINT vk) {
  PostThreadMessageA(GetCurrentThreadId(), WM_KEYDOWN, vk, 0);
  Drain();
}

// Answers the second thread (it reads this thread's boxes) until it has retrieved `presses` keys.
bool WaitForSecondThread(LONG presses) {
  const DWORD start = GetTickCount();
  while (g_secondPresses < presses) {
    if (GetTickCount() - start > kRoundLimitMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    Drain();
  }
  return true;
}

DWORD WINAPI SecondThread(LPVOID) {
  MSG msg;
  PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // this thread's queue
  SetEvent(g_secondReady);
  while (g_ownerDone == 0) {
    RetrieveKey(VK_NEXT);
    InterlockedIncrement(&g_secondPresses);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const long rounds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
  if (rounds <= 0) {
    std::printf("error: usage: TwoThreadLogger <rounds>\n");
    return 1;
  }
  g_instance = GetModuleHandleA(nullptr);
  if (!CreateWindows()) {
    std::printf("error: windows not created\n");
    return 1;
  }
  // The layout the reader counts, with either set in place.
  for (int in : {1, 0}) {
    PutInPlace(in);
    if (ChildAt(kFirstContainer) != g_sets[in] || ChildAt(kCheckChild) == nullptr) {
      std::printf("error: set %d is not at child %d\n", in, kFirstContainer);
      return 1;
    }
  }
  SetForegroundWindow(g_entry);
  if (GetForegroundWindow() != g_entry) {
    std::printf("error: the entry window did not come to the front\n");
    return 1;
  }

  g_secondReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE second = CreateThread(nullptr, 0, SecondThread, nullptr, 0, nullptr);
  if (second == nullptr || WaitForSingleObject(g_secondReady, 10000) != WAIT_OBJECT_0) {
    std::printf("error: no second thread\n");
    return 1;
  }
  // Each round the second thread retrieves at least two presses after the swap, so at least one
  // of them begins after it and reads the set now in place: it sees both sets, whatever the
  // scheduling.
  bool kept = true;
  for (long round = 0; round < rounds && kept; ++round) {
    PutInPlace(static_cast<int>((round + 1) % 2));
    const LONG presses = g_secondPresses;
    RetrieveKey(VK_PRIOR);
    kept = WaitForSecondThread(presses + 2);
  }
  InterlockedExchange(&g_ownerDone, 1);
  // The second thread may be reading one of this thread's boxes: answer it until it has ended.
  while (MsgWaitForMultipleObjects(1, &second, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.hwnd != nullptr) DispatchMessageA(&msg);
    }
  }
  if (!kept) {
    std::printf("error: the second thread retrieved nothing for %lu ms\n", kRoundLimitMs);
    return 1;
  }
  std::printf("rounds=%ld presses=%ld\n", rounds, g_secondPresses);
  std::fflush(stdout);
  return 0;
}
