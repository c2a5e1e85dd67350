#include "ShellTestSupport.h"

#include <cstdio>

namespace shelltest {

TempWorkDir::TempWorkDir() {
  char temp[MAX_PATH];
  ::GetTempPathA(sizeof(temp), temp);
  char name[64];
  static int counter = 0;
  // The tick count too: a process id comes back, and a run that was killed leaves its folder.
  std::snprintf(name, sizeof(name), "tandem-test-%lu-%d-%lu", ::GetCurrentProcessId(), ++counter,
                ::GetTickCount());
  m_path = std::string(temp) + name;
  ::CreateDirectoryA(m_path.c_str(), nullptr);
  char current[MAX_PATH];
  ::GetCurrentDirectoryA(sizeof(current), current);
  m_previous = current;
  ::SetCurrentDirectoryA(m_path.c_str());
}

TempWorkDir::~TempWorkDir() {
  ::SetCurrentDirectoryA(m_previous.c_str());
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((m_path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string file = m_path + "\\" + found.cFileName;
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(file.c_str());
      }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(m_path.c_str());
}

std::string ReadFileBytes(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string IniText(const std::string& path, const char* section, const char* key) {
  std::vector<char> buffer(65536);
  const DWORD n = ::GetPrivateProfileStringA(section, key, "<missing>", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data(), n);
}

testsupport::Loop ProgramLoop() {
  testsupport::Loop loop;
  if (CWinApp* app = CWinApp::Current()) {
    if (CFrameWnd* main = app->m_pMainWnd) {
      loop.mainWindow = main->m_hWnd;
      loop.preTranslate = [main](MSG* msg) { return main->PreTranslateMessage(msg); };
    }
    loop.idle = [app] { app->OnIdle(0); };
  }
  return loop;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
  return testsupport::PumpUntil(done, ms, ProgramLoop());
}

void PumpMessages(DWORD ms) {
  testsupport::PumpUntil([] { return false; }, ms, ProgramLoop());
}

bool AppSession::Start(const std::string& commandLine) {
  m_app.Initialize(::GetModuleHandleA(nullptr));
  m_app.m_commandLine = commandLine;
  m_started = true;
  if (!m_app.InitInstance()) return false;
  PumpMessages(100);
  return true;
}

void AppSession::RequestClose() {
  if (Frame() && Frame()->m_hWnd) ::SendMessageA(Frame()->m_hWnd, WM_CLOSE, 0, 0);
  PumpMessages(50);
}

void AppSession::End() {
  if (!m_started) return;
  if (Frame() && Frame()->m_hWnd) ::DestroyWindow(Frame()->m_hWnd);
  PumpMessages(20);
  m_app.ExitInstance();
  m_started = false;
}

MessageBoxWatcher::MessageBoxWatcher(int answer) : m_answer(answer) {
  m_thread = std::thread([this] { Run(); });
}

MessageBoxWatcher::~MessageBoxWatcher() {
  m_stop = true;
  m_thread.join();
}

std::vector<std::string> MessageBoxWatcher::Texts() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_texts;
}

namespace {

// A visible dialog-class window (a message box) of this process. Enumeration callbacks have the
// system's calling convention, which a lambda converts to only where it is the default (64-bit).
BOOL CALLBACK FindOwnMessageBox(HWND wnd, LPARAM param) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(wnd, &pid);
  char cls[32] = "";
  ::GetClassNameA(wnd, cls, sizeof(cls));
  if (pid == ::GetCurrentProcessId() && ::lstrcmpA(cls, "#32770") == 0 && ::IsWindowVisible(wnd)) {
    *reinterpret_cast<HWND*>(param) = wnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

void MessageBoxWatcher::Run() {
  struct Search {
    HWND found = nullptr;
  };
  while (!m_stop) {
    Search search;
    ::EnumWindows(FindOwnMessageBox, reinterpret_cast<LPARAM>(&search.found));
    if (search.found) {
      char text[2048] = "";
      ::GetDlgItemTextA(search.found, 0xFFFF, text, sizeof(text));
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_texts.push_back(text);
      }
      ::PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(m_answer, BN_CLICKED), 0);
      for (int i = 0; i < 200 && ::IsWindow(search.found); ++i) ::Sleep(10);
    }
    ::Sleep(20);
  }
}

bool TandemProcess::Start(const std::string& workDir, const std::string& arguments) {
  const std::string program = BesideTestProgram("Tandem.exe");
  std::string commandLine = "\"" + program + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  return ::CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                          workDir.c_str(), &startup, &m_info) != 0;
}

HWND TandemProcess::WaitForMainWindow(DWORD ms) {
  const DWORD end = ::GetTickCount() + ms;
  do {
    for (HWND wnd = ::GetWindow(::GetDesktopWindow(), GW_CHILD); wnd;
         wnd = ::GetWindow(wnd, GW_HWNDNEXT)) {
      DWORD pid = 0;
      ::GetWindowThreadProcessId(wnd, &pid);
      if (pid == m_info.dwProcessId && ::GetPropA(wnd, "TandemHlUniq")) return wnd;
    }
    ::Sleep(50);
  } while (static_cast<LONG>(end - ::GetTickCount()) > 0);
  return nullptr;
}

bool TandemProcess::WaitForExit(DWORD ms, DWORD* exitCode) {
  if (!m_info.hProcess) return true;
  if (::WaitForSingleObject(m_info.hProcess, ms) != WAIT_OBJECT_0) return false;
  if (exitCode) ::GetExitCodeProcess(m_info.hProcess, exitCode);
  return true;
}

void TandemProcess::Kill() {
  if (!m_info.hProcess) return;
  if (::WaitForSingleObject(m_info.hProcess, 0) != WAIT_OBJECT_0) {
    ::TerminateProcess(m_info.hProcess, 1);
    ::WaitForSingleObject(m_info.hProcess, 5000);
  }
  ::CloseHandle(m_info.hProcess);
  ::CloseHandle(m_info.hThread);
  m_info = PROCESS_INFORMATION{};
}

std::string BesideTestProgram(const char* name) {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string dir(path, n);
  dir = dir.substr(0, dir.find_last_of("\\/") + 1);
  return dir + name;
}

}  // namespace shelltest
