// The logger stand-in: N1MM Logger's entry window as the hook library sees it (or, in the other
// modes, Turbo HAMLOG/Win's or Logger32's windows), run as a process of its own and controlled by
// tests and the demo (see LoggerSimProtocol.h).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "CqMachineWindow.h"
#include "EntryWindow.h"
#include "HamlogWindows.h"
#include "Logger32Windows.h"
#include "LoggerSimProtocol.h"

namespace {

enum class Mode { kN1mm, kHamlog, kLogger32 };

Mode g_mode = Mode::kN1mm;
EntryWindow g_entry;
HamlogWindows g_hamlog;       // created with --hamlog, in place of the entry window
Logger32Windows g_logger32;   // created with --logger32, in place of the entry window
CqMachineWindow g_cqMachine;  // created with --cq-machine
loggersim::Log* g_log = nullptr;
bool g_ready = false;

// The window one types in, in whichever logger's layout the stand-in shows.
HWND FrontWindow() {
  switch (g_mode) {
    case Mode::kHamlog: return g_hamlog.Hwnd();
    case Mode::kLogger32: return g_logger32.Hwnd();
    default: return g_entry.Hwnd();
  }
}

HWND BoxByName(const char* name) {
  switch (g_mode) {
    case Mode::kHamlog: return g_hamlog.BoxByName(name);
    case Mode::kLogger32: return g_logger32.BoxByName(name);
    default: return g_entry.BoxByName(name);
  }
}

loggersim::Box BoxOf(HWND w) {
  switch (g_mode) {
    case Mode::kHamlog: return g_hamlog.BoxOf(w);
    case Mode::kLogger32: return g_logger32.BoxOf(w);
    default: return g_entry.BoxOf(w);
  }
}

// The check control and its parent; none in Logger32's layout.
HWND CheckParent() {
  switch (g_mode) {
    case Mode::kHamlog: return g_hamlog.Hwnd();
    case Mode::kLogger32: return nullptr;
    default: return g_entry.Hwnd();
  }
}
int CheckId() {
  switch (g_mode) {
    case Mode::kHamlog: return g_hamlog.CheckId();
    case Mode::kLogger32: return 0;
    default: return g_entry.CheckId();
  }
}
HWND g_control = nullptr;  // the hidden window that takes the commands

constexpr UINT kMsgKeyF1 = 0x004D;  // the F1 help request
constexpr UINT kMsgHang = WM_APP + 1;  // the control window's own: keep the thread busy for wParam ms

bool IsLoggedMessage(UINT m) {
  return m == WM_NULL || m == kMsgKeyF1 || (m >= WM_KEYFIRST && m <= WM_KEYLAST) ||
         m == WM_SYSCOMMAND || m == WM_RBUTTONDOWN || m == WM_RBUTTONUP || m == WM_LBUTTONDOWN ||
         m == WM_NCRBUTTONDOWN || m == WM_MOUSEMOVE;
}

void LogMessage(const MSG& msg) {
  if (g_log == nullptr || !IsLoggedMessage(msg.message)) return;
  const loggersim::Box box = BoxOf(msg.hwnd);
  if (box == loggersim::kBoxOther && msg.hwnd != nullptr) return;
  const std::int32_t n = g_log->count;
  if (n >= static_cast<std::int32_t>(loggersim::kLogCapacity)) return;
  loggersim::LogEntry& e = g_log->entries[n];
  e.message = msg.message;
  e.code = static_cast<std::uint32_t>(msg.wParam);
  e.box = box;
  e.time = GetTickCount();
  // Publish the entry only once it is complete; readers in other processes poll count.
  InterlockedExchange(reinterpret_cast<volatile LONG*>(&g_log->count), n + 1);
}

void BringToFront(HWND w) {
  ShowWindow(w, SW_SHOWNORMAL);
  SetForegroundWindow(w);
  SetActiveWindow(w);
}

// Average cost in picoseconds of posting one message to the call box and retrieving it, with
// whatever hooks are installed at the moment.
std::intptr_t Bench(UINT message, int count) {
  HWND target = BoxByName("call");
  if (target == nullptr || count <= 0) return loggersim::kUnknownCommand;
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < count; ++i) {
    PostMessageA(target, message, 'A', 0);
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  }
  QueryPerformanceCounter(&end);
  const double seconds = double(end.QuadPart - start.QuadPart) / double(freq.QuadPart);
  // A pointer-sized result holds at most about 2.1 ms a message on 32-bit (the first messages
  // after a hook library is mapped in can cost more): beyond that it says the most it can.
  const double picoseconds = seconds * 1e12 / count;
  const double most = static_cast<double>(std::numeric_limits<std::intptr_t>::max());
  return static_cast<std::intptr_t>(picoseconds < most ? picoseconds : most);
}

// The longest time in microseconds that one message took to be posted to the call box and
// retrieved, over `ms` milliseconds of one message after the other: how long this program, as a
// bystander, was kept from its messages at worst while the hooks were called for it.
std::intptr_t BenchLongest(UINT message, int ms) {
  HWND target = BoxByName("call");
  if (target == nullptr || ms <= 0 || ms > 60000) return loggersim::kUnknownCommand;
  LARGE_INTEGER freq, start, before, after;
  QueryPerformanceFrequency(&freq);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  const LONGLONG span = freq.QuadPart * ms / 1000;
  LONGLONG longest = 0;
  QueryPerformanceCounter(&start);
  after = start;
  while (after.QuadPart - start.QuadPart < span) {
    QueryPerformanceCounter(&before);
    PostMessageA(target, message, 'A', 0);
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    QueryPerformanceCounter(&after);
    if (after.QuadPart - before.QuadPart > longest) longest = after.QuadPart - before.QuadPart;
  }
  return static_cast<std::intptr_t>(double(longest) * 1e6 / double(freq.QuadPart));
}

// Average time in nanoseconds of one WM_COPYDATA sent from this process to `target` and
// answered, with no data (a receiver that ignores empty records does no work for it).
std::intptr_t CopyDataRoundTrip(HWND target, int count) {
  if (!IsWindow(target) || count <= 0) return loggersim::kUnknownCommand;
  COPYDATASTRUCT data = {};
  LARGE_INTEGER freq, start, end;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < count; ++i) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000,
                             &result)) {
      return loggersim::kUnknownCommand;
    }
  }
  QueryPerformanceCounter(&end);
  const double seconds = double(end.QuadPart - start.QuadPart) / double(freq.QuadPart);
  return static_cast<std::intptr_t>(seconds * 1e9 / count);
}

std::intptr_t RunCommand(const std::string& line) {
  char verb[32] = {};
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%31s %n", verb, &consumed) < 1) return loggersim::kUnknownCommand;
  const std::string rest = line.substr(static_cast<std::size_t>(consumed));
  const std::string cmd = verb;

  if (cmd == "text") {
    char box[16] = {};
    int used = 0;
    if (std::sscanf(rest.c_str(), "%15s%n", box, &used) < 1) return loggersim::kUnknownCommand;
    HWND w = BoxByName(box);
    if (w == nullptr) return 0;
    // One blank separates the box name from the text; the text may itself hold blanks.
    std::string text = rest.substr(static_cast<std::size_t>(used));
    if (!text.empty() && text[0] == ' ') text.erase(0, 1);
    return SetWindowTextA(w, text.c_str()) ? 1 : 0;
  }
  if (cmd == "focus") {
    HWND w = BoxByName(rest.c_str());
    if (w == nullptr) return 0;
    BringToFront(FrontWindow());
    SetFocus(w);
    return GetFocus() == w ? 1 : 0;
  }
  if (cmd == "foreground") {
    BringToFront(FrontWindow());
    return GetForegroundWindow() == FrontWindow() ? 1 : 0;
  }
  if (cmd == "foreground-second") {
    HWND second = g_mode == Mode::kHamlog ? g_hamlog.MainForm() : g_entry.SecondForm();
    if (second == nullptr) return 0;
    BringToFront(second);
    return GetForegroundWindow() == second ? 1 : 0;
  }
  if (cmd == "check") {
    if (CheckId() == 0) return 0;
    CheckDlgButton(CheckParent(), CheckId(), static_cast<UINT>(std::atoi(rest.c_str())));
    return 1;
  }
  if (cmd == "getcheck") {
    if (CheckId() == 0) return loggersim::kUnknownCommand;
    return static_cast<std::intptr_t>(IsDlgButtonChecked(CheckParent(), CheckId()));
  }
  if (cmd == "move") {
    int x = 0, y = 0;
    if (std::sscanf(rest.c_str(), "%d %d", &x, &y) != 2) return loggersim::kUnknownCommand;
    return SetWindowPos(FrontWindow(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (cmd == "post" || cmd == "post-stamped") {
    // "post-stamped" returns the performance counter read just before the post, so that another
    // process can time what follows from the moment the message entered this stand-in's queue.
    char box[16] = {};
    unsigned message = 0, code = 0;
    if (std::sscanf(rest.c_str(), "%15s %u %u", box, &message, &code) != 3) return loggersim::kUnknownCommand;
    HWND w = std::strcmp(box, "entry") == 0 ? FrontWindow() : BoxByName(box);
    if (w == nullptr) return 0;
    LARGE_INTEGER stamp;
    QueryPerformanceCounter(&stamp);
    if (!PostMessageA(w, message, code, 0)) return 0;
    return cmd == "post" ? 1 : static_cast<std::intptr_t>(stamp.QuadPart);
  }
  if (cmd == "copydata") {
    unsigned long long target = 0;
    int count = 0;
    if (std::sscanf(rest.c_str(), "%llu %d", &target, &count) != 2) return loggersim::kUnknownCommand;
    return CopyDataRoundTrip(reinterpret_cast<HWND>(static_cast<UINT_PTR>(target)), count);
  }
  if (cmd == "bench") {
    unsigned message = 0;
    int count = 0;
    if (std::sscanf(rest.c_str(), "%u %d", &message, &count) != 2) return loggersim::kUnknownCommand;
    return Bench(message, count);
  }
  if (cmd == "bench-longest") {
    unsigned message = 0;
    int ms = 0;
    if (std::sscanf(rest.c_str(), "%u %d", &message, &ms) != 2) return loggersim::kUnknownCommand;
    return BenchLongest(message, ms);
  }
  if (cmd == "cqmachine-play" || cmd == "cqmachine-stop") {
    if (g_cqMachine.Hwnd() == nullptr) return 0;
    g_cqMachine.SetPlaying(cmd == "cqmachine-play");
    return 1;
  }
  if (cmd == "getfocus") return BoxOf(GetFocus());
  if (cmd == "hwnd") {
    HWND w = rest == "main" ? (g_mode == Mode::kHamlog ? g_hamlog.MainForm() : FrontWindow()) : FrontWindow();
    return static_cast<std::intptr_t>(reinterpret_cast<INT_PTR>(w));
  }
  if (cmd == "remove-entry") return g_mode == Mode::kLogger32 && g_logger32.RemoveEntry() ? 1 : 0;
  if (cmd == "hamlog-rebuild") return g_mode == Mode::kHamlog && g_hamlog.RebuildInput() ? 1 : 0;
  if (cmd == "hamlog-save-title") return g_mode == Mode::kHamlog && g_hamlog.SetSaveTitle(rest.c_str()) ? 1 : 0;
  if (cmd == "ready") return g_ready ? 1 : 0;
  if (cmd == "hang") {
    // Answered first, then the thread is busy: a logger that does not look at its messages.
    const int ms = std::atoi(rest.c_str());
    if (ms <= 0 || ms > 60000) return loggersim::kUnknownCommand;
    return PostMessageA(g_control, kMsgHang, static_cast<WPARAM>(ms), 0) ? 1 : 0;
  }
  if (cmd == "quit") {
    PostQuitMessage(0);
    return 1;
  }
  return loggersim::kUnknownCommand;
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data == nullptr || data->lpData == nullptr || data->cbData > 4096) return loggersim::kUnknownCommand;
    return RunCommand(std::string(static_cast<const char*>(data->lpData), data->cbData));
  }
  if (msg == kMsgHang) {
    Sleep(static_cast<DWORD>(wParam));
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HANDLE CreateLog() {
  char name[64];
  std::snprintf(name, sizeof name, "%s.%lu", loggersim::kLogName, GetCurrentProcessId());
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(loggersim::Log), name);
  if (mapping == nullptr) return nullptr;
  g_log = static_cast<loggersim::Log*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  return mapping;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const int argc = __argc;
  char** const argv = __argv;
  EntryLayout layout;
  bool secondForm = false;
  bool cqMachine = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--children") == 0 && i + 1 < argc) {
      layout.children = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--no-containers") == 0) {
      layout.containers = false;
    } else if (std::strcmp(argv[i], "--second-form") == 0) {
      secondForm = true;
    } else if (std::strcmp(argv[i], "--hamlog") == 0) {
      g_mode = Mode::kHamlog;
    } else if (std::strcmp(argv[i], "--logger32") == 0) {
      g_mode = Mode::kLogger32;
    } else if (std::strcmp(argv[i], "--cq-machine") == 0) {
      cqMachine = true;
    } else {
      std::fprintf(stderr, "LoggerSim: unknown option %s\n", argv[i]);
      return 2;
    }
  }

  HANDLE mapping = CreateLog();
  if (mapping == nullptr || g_log == nullptr) {
    std::fprintf(stderr, "LoggerSim: cannot create the message log\n");
    return 1;
  }

  WNDCLASSEXA control = {};
  control.cbSize = sizeof control;
  control.lpfnWndProc = ControlProc;
  control.hInstance = instance;
  control.lpszClassName = loggersim::kControlClass;
  HWND controlWnd = nullptr;
  bool registered = false;
  switch (g_mode) {
    case Mode::kHamlog: registered = HamlogWindows::RegisterClasses(instance); break;
    case Mode::kLogger32: registered = Logger32Windows::RegisterClasses(instance); break;
    default: registered = EntryWindow::RegisterClasses(instance); break;
  }
  if (registered && RegisterClassExA(&control)) {
    controlWnd = CreateWindowExA(0, loggersim::kControlClass, "TandemLoggerSim", WS_POPUP, 0, 0, 0,
                                 0, nullptr, nullptr, instance, nullptr);
  }
  g_control = controlWnd;
  bool created = false;
  switch (g_mode) {
    case Mode::kHamlog: created = g_hamlog.Create(instance); break;
    case Mode::kLogger32: created = g_logger32.Create(instance); break;
    default:
      created = g_entry.Create(instance, layout) && (!secondForm || g_entry.CreateSecondForm(instance));
      break;
  }
  if (controlWnd == nullptr || !created ||
      (cqMachine && (!CqMachineWindow::RegisterClasses(instance) || !g_cqMachine.Create(instance)))) {
    std::fprintf(stderr, "LoggerSim: cannot create the windows\n");
    return 1;
  }
  BringToFront(FrontWindow());
  g_ready = true;

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    LogMessage(msg);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }

  DestroyWindow(controlWnd);
  UnmapViewOfFile(g_log);
  CloseHandle(mapping);
  return 0;
}
