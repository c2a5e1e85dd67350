#include "HookTestSupport.h"

#include "TestSupport.h"

#include <thread>

namespace hooktest {

std::vector<Record> g_records;
std::vector<std::string> g_titles;
HWND LoggerHookTest::display_ = nullptr;

namespace {

LRESULT CALLBACK DisplayProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    Record r;
    r.text.assign(static_cast<const char*>(cds->lpData), cds->cbData);
    r.data = cds->dwData;
    r.fields = SplitRecord(r.text);
    g_records.push_back(r);
    return 0;
  }
  if (msg == WM_SETTEXT) {
    g_titles.emplace_back(reinterpret_cast<const char*>(lParam));
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

std::vector<std::string> SplitRecord(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0, bar;
  while ((bar = text.find('|', start)) != std::string::npos) {
    out.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
  return out;
}

std::string RunBeside(const std::string& program, const std::string& args, DWORD ms) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string exe = path;
  exe = exe.substr(0, exe.find_last_of("\\/") + 1) + program;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return "no pipe";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  PROCESS_INFORMATION pi = {};
  std::string cmd = "\"" + exe + "\"";
  if (!args.empty()) cmd += " " + args;
  std::vector<char> line(cmd.begin(), cmd.end());
  line.push_back('\0');
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  std::string out;
  if (started) {
    // Ended by its id when it overstays: the pipe then closes and the reading ends.
    HANDLE process = pi.hProcess;
    std::thread guard([process, ms] {
      if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    });
    char buf[256];
    DWORD n = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    guard.join();
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(readEnd);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

bool IsKeyTransition(UINT m) {
  return m == WM_NULL || m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
}

void LoggerHookTest::SetUpTestSuite() {
  if (display_ != nullptr) return;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DisplayProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HookTestDisplay";
  RegisterClassA(&wc);
  display_ = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "display", WS_POPUP, 0, 0, 10, 10, nullptr,
                             nullptr, wc.hInstance, nullptr);
}

void LoggerHookTest::TearDown() {
  hook_.Stop();
  sim_.Stop();
  testsupport::ReleaseModifiers();
}

void LoggerHookTest::Launch(const std::string& args, UINT action, int hookAnyway, int followed) {
  ASSERT_NE(display_, nullptr);
  ASSERT_TRUE(sim_.Start(LoggerSimPathBesideThisProgram(), args)) << sim_.error();
  hook_.SetDisplayWindow(display_);
  hook_.SetAction(action);
  hook_.SetHookAnyway(hookAnyway);
  hook_.SetFollowLogger(followed);
  started_ = hook_.Start();
  ASSERT_NE(started_, nullptr);
  g_records.clear();
}

void LoggerHookTest::SetText(const char* box, const std::string& text) {
  ASSERT_EQ(sim_.Command(std::string("text ") + box + " " + text), 1) << box;
}

void LoggerHookTest::Focus(const char* box) { ASSERT_EQ(sim_.Command(std::string("focus ") + box), 1) << box; }

}  // namespace hooktest
