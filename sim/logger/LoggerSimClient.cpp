#include "LoggerSimClient.h"

#include <cstdio>

namespace {

struct FindControl {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK FindControlProc(HWND hwnd, LPARAM lParam) {
  FindControl* f = reinterpret_cast<FindControl*>(lParam);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == f->pid && lstrcmpA(cls, loggersim::kControlClass) == 0) {
    f->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string LoggerSimPathBesideThisProgram() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  const std::size_t slash = s.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : s.substr(0, slash + 1)) + "LoggerSim.exe";
}

LoggerSimClient::~LoggerSimClient() { Stop(); }

bool LoggerSimClient::Start(const std::string& exePath, const std::string& args) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string cmd = "\"" + exePath + "\" " + args;
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  // Under a loaded system the process start itself now and then fails for a moment; a few
  // tries apart tell that from a program that cannot start at all.
  DWORD startError = 0;
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    if (attempt > 0) Sleep(kStartRetryMs);
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) {
      startError = 0;
      break;
    }
    startError = GetLastError();
  }
  if (startError != 0) {
    error_ = "cannot start " + exePath + " (error " + std::to_string(startError) + ")";
    return false;
  }
  const bool ready = PumpUntil(
      [this] {
        FindControl f = {pi_.dwProcessId, nullptr};
        EnumWindows(FindControlProc, reinterpret_cast<LPARAM>(&f));
        control_ = f.found;
        return control_ != nullptr && Command("ready", 1000) == 1;
      },
      10000);
  if (!ready) {
    error_ = "the stand-in did not create its windows";
    Stop();
    return false;
  }
  char name[64];
  std::snprintf(name, sizeof name, "%s.%lu", loggersim::kLogName, pi_.dwProcessId);
  logMapping_ = OpenFileMappingA(FILE_MAP_READ, FALSE, name);
  if (logMapping_ != nullptr) {
    log_ = static_cast<const loggersim::Log*>(MapViewOfFile(logMapping_, FILE_MAP_READ, 0, 0, 0));
  }
  if (log_ == nullptr) {
    error_ = "cannot open the stand-in's message log";
    Stop();
    return false;
  }
  return true;
}

void LoggerSimClient::Stop() {
  if (pi_.hProcess != nullptr) {
    if (control_ != nullptr) Command("quit", 1000);
    if (WaitForSingleObject(pi_.hProcess, 3000) != WAIT_OBJECT_0) {
      TerminateProcess(pi_.hProcess, 1);
      WaitForSingleObject(pi_.hProcess, 3000);
    }
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
    pi_ = PROCESS_INFORMATION{};
  }
  if (log_ != nullptr) UnmapViewOfFile(log_);
  if (logMapping_ != nullptr) CloseHandle(logMapping_);
  log_ = nullptr;
  logMapping_ = nullptr;
  control_ = nullptr;
}

std::intptr_t LoggerSimClient::Command(const std::string& command, UINT timeoutMs) const {
  if (control_ == nullptr) return loggersim::kUnknownCommand;
  COPYDATASTRUCT data = {};
  data.cbData = static_cast<DWORD>(command.size());
  data.lpData = const_cast<char*>(command.data());
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(control_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                           timeoutMs, &result)) {
    return loggersim::kUnknownCommand;
  }
  return static_cast<std::intptr_t>(result);
}

HWND LoggerSimClient::EntryWindow() const {
  HWND w = nullptr;
  while ((w = FindWindowExA(nullptr, w, "ThunderRT6FormDC", "Entry Window")) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == pi_.dwProcessId) return w;
  }
  return nullptr;
}

std::vector<loggersim::LogEntry> LoggerSimClient::Log() const {
  std::vector<loggersim::LogEntry> out;
  if (log_ == nullptr) return out;
  const std::int32_t n = log_->count;
  out.assign(log_->entries, log_->entries + n);
  return out;
}

std::size_t LoggerSimClient::LogSize() const {
  return log_ != nullptr ? static_cast<std::size_t>(log_->count) : 0;
}

bool LoggerSimClient::PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (pred()) return true;
    if (GetTickCount() - start > timeoutMs) return pred();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}
