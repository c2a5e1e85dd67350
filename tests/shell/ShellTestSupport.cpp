#include "ShellTestSupport.h"

#include <vector>

namespace shelltest {

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

bool Settle(DWORD ms) {
  return PumpUntil([] { return HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0; }, ms);
}

void PumpMessages(DWORD ms) {
  testsupport::PumpUntil([] { return false; }, ms, ProgramLoop());
}

bool BringToFront(HWND wnd) {
  ::SetForegroundWindow(wnd);
  return PumpUntil([&] { return ::GetForegroundWindow() == wnd; }, 5000);
}

const char kUntitled[] = "\x96\xb3\x91\xe8";

std::string AskToSave(const std::string& title) {
  // " への変更を保存しますか?" in CP932
  return title + "\x20\x82\xd6\x82\xcc\x95\xcf\x8d\x58\x82\xf0\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb7\x82\xa9?";
}

void Operate(const std::function<void()>& operate, DWORD ms) {
  testsupport::Operate(operate, [](const std::function<bool()>& done, DWORD limit) { return PumpUntil(done, limit); },
                       ms);
}

HWND StartTandem(testsupport::ChildProcess& process, const std::string& workDir,
                 const std::string& arguments, DWORD ms) {
  std::string commandLine = "\"" + testsupport::ProgramFolder() + "\\Tandem.exe\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  if (!process.Start(commandLine, workDir)) return nullptr;
  HWND main = nullptr;
  testsupport::WaitUntil([&] { return (main = testsupport::FindMainWindow(process.Id())) != nullptr; }, ms);
  return main;
}

bool AppSession::Start(const std::string& commandLine) {
  m_app.Initialize(::GetModuleHandleA(nullptr));
  m_app.m_commandLine = commandLine;
  m_started = true;
  if (!m_app.InitInstance()) return false;
  // The first idle update has run once the queue the start left has been worked off.
  Settle();
  return true;
}

void AppSession::RequestClose() {
  if (Frame() && Frame()->m_hWnd) ::SendMessageA(Frame()->m_hWnd, WM_CLOSE, 0, 0);
  Settle();
}

void AppSession::End() {
  if (!m_started) return;
  if (Frame() && Frame()->m_hWnd) ::DestroyWindow(Frame()->m_hWnd);
  Settle();
  m_app.ExitInstance();
  m_started = false;
}

}  // namespace shelltest
