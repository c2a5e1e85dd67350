#include "TandemSession.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KeyportControl.h"
#include "LoggerSimClient.h"

namespace {

constexpr char kInstanceProp[] = "TandemHlUniq";  // marks the running instance's main window
constexpr int kLogViewId = 59648;                  // the frame's first pane: the log view

struct FindMain {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindMainProc(HWND hwnd, LPARAM lParam) {
  FindMain* f = reinterpret_cast<FindMain*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == f->pid && GetPropA(hwnd, kInstanceProp) != nullptr) {
    f->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct FindTitled {
  DWORD pid;
  const std::string* prefix;
  HWND found;
};

BOOL CALLBACK FindTitledProc(HWND hwnd, LPARAM lParam) {
  FindTitled* f = reinterpret_cast<FindTitled*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != f->pid || !IsWindowVisible(hwnd)) return TRUE;
  char title[256] = {};
  GetWindowTextA(hwnd, title, sizeof title);
  if (std::strncmp(title, f->prefix->c_str(), f->prefix->size()) == 0) {
    f->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct FindChild {
  int id;
  HWND found;
};

BOOL CALLBACK FindChildProc(HWND hwnd, LPARAM lParam) {
  FindChild* f = reinterpret_cast<FindChild*>(lParam);
  if (GetDlgCtrlID(hwnd) == f->id) {
    f->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

bool CopyOneFile(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

}  // namespace

std::vector<TraceEvent> ParseTrace(const std::string& text) {
  std::vector<TraceEvent> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    // A line without its newline is still being written: leave it for the next read.
    if (end == std::string::npos) break;
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    char event[64] = {};
    double ms = 0;
    int used = 0;
    if (std::sscanf(line.c_str(), "%lf %63s%n", &ms, event, &used) < 2) continue;
    TraceEvent e;
    e.ms = ms;
    e.event = event;
    const char* p = line.c_str() + used;
    e.rest = p;
    while (!e.rest.empty() && e.rest[0] == ' ') e.rest.erase(0, 1);
    for (;;) {
      char* next = nullptr;
      const long v = std::strtol(p, &next, 10);
      if (next == p) break;
      e.args.push_back(v);
      p = next;
    }
    out.push_back(e);
  }
  return out;
}

std::string HandedToKeyer(const std::vector<TraceEvent>& events) {
  std::string out;
  for (const TraceEvent& e : events) {
    if (e.args.size() < 2) continue;
    if (e.event == "keyportPutChar") {
      out += static_cast<char>(e.args[1]);
    } else if (e.event == "keyportPutCode") {
      char code[8];
      std::snprintf(code, sizeof code, "<%02lX>", e.args[1] & 0xFF);
      out += code;
    }
  }
  return out;
}

std::string ReadWholeFile(const std::string& path) {
  // The emulator keeps the trace open for writing; share both ways.
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return std::string();
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(f);
  return out;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  CloseHandle(f);
  return ok;
}

std::string ThisProgramFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  const std::size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : s.substr(0, slash);
}

std::string MakeTempFolder(const char* prefix) {
  char base[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, base);
  for (unsigned n = 0; n < 1000; ++n) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s%s%lu-%u", base, prefix, GetCurrentProcessId(), n);
    if (CreateDirectoryA(path, nullptr)) return path;
  }
  return std::string();
}

void RemoveFolder(const std::string& path) {
  if (path.empty()) return;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (std::strcmp(fd.cFileName, ".") == 0 || std::strcmp(fd.cFileName, "..") == 0) continue;
      const std::string item = path + "\\" + fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolder(item);
      } else {
        SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file goes too
        DeleteFileA(item.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(path.c_str());
}

bool TandemSession::Start(const TandemSetup& setup, DWORD timeoutMs) {
  workDir_ = setup.workDir;
  if (!WriteWholeFile(workDir_ + "\\Tandem.ini", setup.ini)) {
    error_ = "cannot write Tandem.ini into " + workDir_;
    return false;
  }
  const std::string emulator = setup.binDir + "\\" + setup.keyerFolder + "\\keyport.dll";
  if (!CopyOneFile(emulator, workDir_ + "\\keyport.dll")) {
    error_ = "cannot copy " + emulator + " into the working folder";
    return false;
  }
  // The child inherits this environment; what is set here is what the emulator reads.
  SetEnvironmentVariableA("KEYPORT_TRACE", TracePath().c_str());
  for (const auto& kv : setup.env) SetEnvironmentVariableA(kv.first.c_str(), kv.second.c_str());

  const std::string exe = setup.binDir + "\\Tandem.exe";
  std::string cmd = "\"" + exe + "\"";
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  // A start that fails for a moment under load is tried again, as the stand-in's is.
  BOOL started = FALSE;
  DWORD startError = 0;
  PROCESS_INFORMATION info = {};
  for (int attempt = 0; attempt < LoggerSimClient::kStartAttempts && !started; ++attempt) {
    if (attempt > 0) Sleep(LoggerSimClient::kStartRetryMs);
    started = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             workDir_.c_str(), &si, &info);
    if (!started) startError = GetLastError();
  }
  SetEnvironmentVariableA("KEYPORT_TRACE", nullptr);
  for (const auto& kv : setup.env) SetEnvironmentVariableA(kv.first.c_str(), nullptr);
  if (started) process_.Take(info);
  if (!started) {
    error_ = "cannot start " + exe + " (error " + std::to_string(startError) + ")";
    return false;
  }
  const bool up = LoggerSimClient::PumpUntil(
      [this] {
        FindMain f = {process_.Id(), nullptr};
        EnumWindows(FindMainProc, reinterpret_cast<LPARAM>(&f));
        main_ = f.found;
        return main_ != nullptr || !Running();
      },
      timeoutMs);
  if (!up || main_ == nullptr) {
    error_ = Running() ? "Tandem did not show its main window" : "Tandem ended during start-up";
    Stop();
    return false;
  }
  if (setup.waitForKeyer) {
    char title[64];
    std::snprintf(title, sizeof title, KEYPORT_CONTROL_TITLE_PREFIX "%lu", process_.Id());
    const bool keyer = LoggerSimClient::PumpUntil(
        [&] { return FindWindowA(KEYPORT_CONTROL_CLASS, title) != nullptr; }, timeoutMs);
    if (!keyer) {
      error_ = "the keyer emulator's device did not open inside Tandem";
      Stop();
      return false;
    }
  }
  return true;
}

bool TandemSession::Running() const { return process_.Running(); }

bool TandemSession::Suspend() { return process_.Thread() != nullptr && SuspendThread(process_.Thread()) != static_cast<DWORD>(-1); }

bool TandemSession::Resume() { return process_.Thread() != nullptr && ResumeThread(process_.Thread()) != static_cast<DWORD>(-1); }

void TandemSession::Stop(DWORD graceMs) {
  if (!process_.Valid()) return;
  if (graceMs > 0 && main_ != nullptr && IsWindow(main_)) {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    LoggerSimClient::PumpUntil([this] { return !Running(); }, graceMs);
  }
  process_.Terminate();
  main_ = nullptr;
}

HWND TandemSession::LogView() const {
  if (main_ == nullptr) return nullptr;
  return Control(kLogViewId);
}

std::string TandemSession::LogText() const {
  HWND view = LogView();
  if (view == nullptr) return std::string();
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(view, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) return std::string();
  std::string text(length + 1, '\0');
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(view, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL,
                           5000, &got)) {
    return std::string();
  }
  text.resize(got < text.size() ? got : text.size() - 1);
  return text;
}

HWND TandemSession::Control(int id) const {
  if (main_ == nullptr) return nullptr;
  FindChild f = {id, nullptr};
  EnumChildWindows(main_, FindChildProc, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

std::string TandemSession::ControlText(int id) const {
  HWND w = Control(id);
  if (w == nullptr) return std::string();
  char text[512] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &got);
  return text;
}

HWND TandemSession::TopLevelTitled(const std::string& prefix) const {
  FindTitled f = {process_.Id(), &prefix, nullptr};
  EnumWindows(FindTitledProc, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

std::string OtherBitnessLoggerSimPath() {
  const char* other = sizeof(void*) == 4 ? "x86_64" : "i686";
  char env[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("TANDEM_OTHER_BIN", env, sizeof env);
  const std::string folder = n > 0 && n < sizeof env ? std::string(env, n)
                                                     : ThisProgramFolder() + "\\..\\..\\" + other + "\\bin";
  const std::string path = folder + "\\LoggerSim.exe";
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? path : std::string();
}
