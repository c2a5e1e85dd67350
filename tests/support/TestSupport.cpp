#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace testsupport {

namespace {

constexpr char kInstanceProp[] = "TandemHlUniq";  // marks the running instance's main window
constexpr char kDialogClass[] = "#32770";
constexpr int kMessageBoxTextId = 0xFFFF;

struct TopLevelSearch {
  DWORD pid;
  const std::function<bool(HWND)>* match;
  HWND found;
};

// Enumeration callbacks have the system's calling convention, which a lambda converts to only
// where it is the default (64-bit).
BOOL CALLBACK TopLevelProc(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<TopLevelSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && (*s->match)(hwnd)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// The session library's file helpers are the ones the demo uses too.
std::string ReadFileBytes(const std::string& path) { return ReadWholeFile(path); }

bool WriteFileBytes(const std::string& path, const std::string& bytes) { return WriteWholeFile(path, bytes); }

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ProgramFolder() { return ThisProgramFolder(); }

TempFolder::TempFolder(const char* prefix) {
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  static LONG counter = 0;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s%s%lu-%ld", base, prefix, GetCurrentProcessId(),
                  InterlockedIncrement(&counter));
    if (CreateDirectoryA(path, nullptr)) {
      m_path = path;
      return;
    }
  }
}

TempFolder::~TempFolder() {
  if (!m_path.empty()) RemoveFolder(m_path);
}

bool ChildProcess::Start(const std::string& commandLine, const std::string& workDir,
                         const std::vector<std::pair<std::string, std::string>>& env, DWORD flags) {
  Kill();
  // The child inherits this process's environment as it stands at CreateProcess.
  std::vector<std::pair<std::string, std::string>> previous;
  for (const auto& kv : env) {
    char old[4096];
    const DWORD n = GetEnvironmentVariableA(kv.first.c_str(), old, sizeof old);
    previous.emplace_back(kv.first, n > 0 && n < sizeof old ? std::string(old, n) : std::string("\x01"));
    SetEnvironmentVariableA(kv.first.c_str(), kv.second.c_str());
  }
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION info = {};
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                                     workDir.empty() ? nullptr : workDir.c_str(), &si, &info);
  for (const auto& kv : previous)
    SetEnvironmentVariableA(kv.first.c_str(), kv.second == "\x01" ? nullptr : kv.second.c_str());
  if (started) m_process.Take(info);
  return started != 0;
}

bool ChildProcess::Running() const { return m_process.Running(); }

bool ChildProcess::WaitForExit(DWORD ms, DWORD* exitCode) const {
  if (!m_process.Valid()) return true;
  if (WaitForSingleObject(m_process.Process(), ms) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) GetExitCodeProcess(m_process.Process(), exitCode);
  return true;
}

void ChildProcess::Kill() { m_process.Terminate(); }

int RunProgram(const std::string& commandLine, DWORD timeoutMs) {
  ChildProcess child;
  if (!child.Start(commandLine)) return -1;
  DWORD code = 0;
  if (!child.WaitForExit(timeoutMs, &code)) return -1;  // ended by the destructor
  return static_cast<int>(code);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms, const Loop& loop) {
  const DWORD start = GetTickCount();
  bool idle = true;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      if (msg.message == WM_NOTIFY) continue;  // the program's loop drops a posted one
      bool consumed = false;
      if (loop.preTranslate && loop.mainWindow != nullptr && IsWindow(loop.mainWindow) &&
          msg.hwnd != nullptr) {
        // The main window, its children and the windows it owns (floating bars), as the
        // program's loop decides.
        const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root == loop.mainWindow || GetWindow(root, GW_OWNER) == loop.mainWindow)
          consumed = loop.preTranslate(&msg);
      }
      if (!consumed) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      if (msg.message != WM_PAINT && msg.message != 0x0118 /* system timer (caret) */) idle = true;
    }
    // The queue is empty here.
    if (idle && loop.idle) loop.idle();
    idle = false;
    if (done()) return true;
    if (GetTickCount() - start >= ms) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start >= ms) return done();
    Sleep(20);
  }
  return true;
}

void Press(BYTE vk, int modifiers) {
  const BYTE modKeys[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
  for (int i = 0; i < 3; ++i)
    if (modifiers & (1 << i)) keybd_event(modKeys[i], 0, 0, 0);
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
  for (int i = 2; i >= 0; --i)
    if (modifiers & (1 << i)) keybd_event(modKeys[i], 0, KEYEVENTF_KEYUP, 0);
}

void TypeText(const std::string& text) {
  for (char c : text) {
    const SHORT scan = VkKeyScanA(c);
    Press(static_cast<BYTE>(scan & 0xFF), (scan & 0x100) ? kShift : kNone);
  }
}

void ReleaseModifiers() {
  for (BYTE vk : {VK_SHIFT, VK_CONTROL, VK_MENU})
    if (GetAsyncKeyState(vk) & 0x8000) keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
}

void ClickAt(POINT pt, bool right) {
  // The button goes where the pointer is when the system takes it: move first, then press.
  SetCursorPos(pt.x, pt.y);
  WaitUntil(
      [&] {
        POINT now = {};
        GetCursorPos(&now);
        return now.x == pt.x && now.y == pt.y;
      },
      1000);
  mouse_event(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
}

void Click(HWND window, bool right) {
  RECT r;
  GetWindowRect(window, &r);
  ClickAt(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, right);
}

HWND FindTopLevel(DWORD pid, const std::function<bool(HWND)>& match) {
  TopLevelSearch s = {pid, &match, nullptr};
  EnumWindows(TopLevelProc, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForTopLevel(DWORD pid, const std::function<bool(HWND)>& match, DWORD ms) {
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindTopLevel(pid, match)) != nullptr; }, ms);
  return found;
}

HWND FindMainWindow(DWORD pid) {
  return FindTopLevel(pid, [](HWND w) { return GetPropA(w, kInstanceProp) != nullptr; });
}

bool IsDialog(HWND window) {
  char cls[32] = "";
  GetClassNameA(window, cls, sizeof cls);
  return std::strcmp(cls, kDialogClass) == 0;
}

std::string WindowText(HWND window) {
  char text[4096] = "";
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &n))
    return std::string();
  return std::string(text, std::min<std::size_t>(n, sizeof text - 1));
}

std::string MessageBoxText(HWND box) {
  HWND text = GetDlgItem(box, kMessageBoxTextId);
  return text != nullptr ? WindowText(text) : std::string();
}

DialogAnswerer::DialogAnswerer(DWORD pid, int answer) : m_pid(pid), m_answer(answer) {
  m_thread = std::thread([this] { Run(); });
}

DialogAnswerer::~DialogAnswerer() {
  m_stop = true;
  m_thread.join();
}

std::vector<std::string> DialogAnswerer::Texts() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_texts;
}

bool DialogAnswerer::WaitForCount(std::size_t count, DWORD ms) {
  return WaitUntil([&] { return Texts().size() >= count; }, ms);
}

void DialogAnswerer::Run() {
  while (!m_stop) {
    // A handle answered before may be reused for a new window once the old one has gone.
    m_answered.erase(std::remove_if(m_answered.begin(), m_answered.end(), [](HWND w) { return !IsWindow(w); }),
                     m_answered.end());
    HWND box = FindTopLevel(m_pid, [this](HWND w) {
      return IsDialog(w) && IsWindowVisible(w) &&
             std::find(m_answered.begin(), m_answered.end(), w) == m_answered.end();
    });
    if (box != nullptr) {
      m_answered.push_back(box);
      const std::string text = MessageBoxText(box);
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.push_back(text);
      }
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(m_answer, BN_CLICKED), 0);
    }
    Sleep(20);
  }
}

std::vector<TraceEvent> ReadTrace(const std::string& path) { return ParseTrace(ReadFileBytes(path)); }

bool HasEvent(const std::vector<TraceEvent>& events, const std::string& name, const std::vector<long>& args) {
  for (const TraceEvent& e : events) {
    if (e.event != name) continue;
    if (args.empty() || e.args == args) return true;
  }
  return false;
}

std::size_t CountEvents(const std::vector<TraceEvent>& events, const std::string& name) {
  return static_cast<std::size_t>(
      std::count_if(events.begin(), events.end(), [&](const TraceEvent& e) { return e.event == name; }));
}

std::vector<std::string> KeyerCalls(const std::vector<TraceEvent>& events) {
  std::vector<std::string> calls;
  for (const TraceEvent& e : events)
    if (e.event.compare(0, 7, "keyport") == 0) calls.push_back(e.rest.empty() ? e.event : e.event + " " + e.rest);
  return calls;
}

}  // namespace testsupport

// ---- Working folder ----------------------------------------------------------------------------

namespace testsupport {

CurrentFolder::CurrentFolder(const std::string& path) {
  char previous[MAX_PATH] = {};
  const DWORD n = GetCurrentDirectoryA(sizeof previous, previous);
  if (n == 0 || n >= sizeof previous) return;
  m_previous.assign(previous, n);
  m_entered = !path.empty() && SetCurrentDirectoryA(path.c_str()) != 0;
}

CurrentFolder::~CurrentFolder() {
  if (m_entered) SetCurrentDirectoryA(m_previous.c_str());
}

bool PressInLogger(LoggerSimClient& logger, BYTE vk, int modifiers) {
  const std::size_t start = logger.LogSize();
  Press(vk, modifiers);
  return LoggerSimClient::PumpUntil([&] {
    const std::vector<loggersim::LogEntry> log = logger.Log();
    for (std::size_t i = start; i < log.size(); ++i)
      if (log[i].code == vk &&
          (log[i].message == WM_KEYUP || log[i].message == WM_SYSKEYUP || log[i].message == WM_NULL))
        return true;
    return false;
  });
}

bool TypeInLogger(LoggerSimClient& logger, const std::string& text) {
  for (char c : text) {
    const SHORT scan = VkKeyScanA(c);
    if (!PressInLogger(logger, static_cast<BYTE>(scan & 0xFF), (scan & 0x100) ? kShift : kNone)) return false;
  }
  return true;
}

}  // namespace testsupport

// ---- The program driven in this process ---------------------------------------------------------

namespace testsupport {

HWND WaitForOwnDialog(const std::function<bool(HWND)>& match, DWORD ms) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindTopLevel(GetCurrentProcessId(),
                             [&](HWND w) { return IsDialog(w) && IsWindowVisible(w) && match(w); });
        return found != nullptr;
      },
      ms);
  return found;
}

void Operate(const std::function<void()>& operate,
             const std::function<bool(const std::function<bool()>&, DWORD)>& pump, DWORD ms) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    operate();
    done = true;
  });
  pump([&] { return done.load(); }, ms);
  worker.join();
}

}  // namespace testsupport
