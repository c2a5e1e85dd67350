#include "TandemApp.h"

#include <commctrl.h>

#include <memory>
#include <new>

#include "AboutDlg.h"
#include "DocTemplate.h"
#include "FwIds.h"
#include "MainFrame.h"
#include "ShellConstants.h"
#include "TandemDoc.h"
#include "TandemView.h"
#include "resource.h"

namespace {
CDocument* NewDocument() { return new CTandemHLDoc; }
CFrameWnd* NewFrame() { return new CMainFrame; }
CView* NewView() { return new CTandemHLView; }
}  // namespace

HWND CTandemHLApp::FindRunningInstance() {
  // Every top-level window in Z order, whatever its class or visibility.
  for (HWND wnd = ::GetWindow(::GetDesktopWindow(), GW_CHILD); wnd;
       wnd = ::GetWindow(wnd, GW_HWNDNEXT)) {
    if (::GetPropA(wnd, shell::kInstanceProperty)) return wnd;
  }
  return nullptr;
}

std::string CTandemHLApp::SettingsPathFor(const std::string& directory) {
  std::string path = directory;
  // A drive's root ends in a separator already; a folder whose name ends in 表 ends in its byte.
  if (!tandem::text::EndsWithChar(path, '\\', fw::IsSystemLeadByte)) path += '\\';
  path += shell::kSettingsFileName;
  if (path.size() + 1 > shell::kPathBufferSize) return std::string();
  return path;
}

bool CTandemHLApp::InitInstance() {
  // 1. The common controls used by the bars and dialogs.
  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);

  // 2. A running instance comes to the front instead; this copy touches nothing.
  if (!TakeInstanceMark()) return false;

  // 3. The settings file in the working directory.
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[shell::kPathBufferSize]);
  if (!buffer) {
    ShowMessage(LoadResString(IDS_MEMORY_ERROR).c_str(), MB_OK);
    return false;
  }
  const DWORD length = ::GetCurrentDirectoryA(shell::kPathBufferSize, buffer.get());
  const std::string path = (length > 0 && length < shell::kPathBufferSize)
                               ? SettingsPathFor(std::string(buffer.get(), length))
                               : std::string();
  if (path.empty()) {
    // Settings written anywhere else would surprise the user; refuse to start instead.
    ShowMessage(LoadResString(IDS_PATH_TOO_LONG).c_str(), MB_OK | MB_ICONSTOP);
    return false;
  }
  m_profilePath = path;
  // A file that is there but cannot be read is not an empty one: the operator may wait for
  // the program holding it, or go on with the defaults, which are then never written over it.
  while (!ProfileReadable()) {
    std::string text = LoadResString(IDS_SETTINGS_UNREADABLE);
    const size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, m_profilePath);
    if (ShowMessage(text.c_str(), MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY) {
      m_profileUnread = true;
      break;
    }
  }

  // 4. Recent files.
  LoadStdProfileSettings(4);

  // 5. The single-document template.
  AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, NewDocument, NewFrame, NewView));

  // 6. The command line: a new log, or the named file opened as the log.
  const tandem::text::CommandLineInfo info = tandem::text::ParseCommandLine(m_commandLine);
  if (!ProcessShellCommand(info)) return false;

  // 7. Show the main window, painted at once.
  ::ShowWindow(m_pMainWnd->m_hWnd, SW_SHOW);
  ::UpdateWindow(m_pMainWnd->m_hWnd);

  // 8. Mark it as the running instance.
  ::SetPropA(m_pMainWnd->m_hWnd, shell::kInstanceProperty, reinterpret_cast<HANDLE>(1));
  return true;
}

CTandemHLApp::~CTandemHLApp() { ReleaseInstanceMark(); }

int CTandemHLApp::ExitInstance() {
  const int code = CWinApp::ExitInstance();
  ReleaseInstanceMark();  // the settings are written: a new start may go on
  return code;
}

bool CTandemHLApp::TakeInstanceMark() {
  // The mark is taken before anything else, so that a second start close behind the first (a
  // double click twice) cannot pass while the first is still opening the keyer and the hook.
  HANDLE mark = ::CreateMutexA(nullptr, FALSE, shell::kInstanceMarkName);
  const bool taken = mark != nullptr && ::GetLastError() != ERROR_ALREADY_EXISTS;
  if (taken) {
    m_instanceMark = mark;
  } else if (mark) {
    ::CloseHandle(mark);
  }
  // Without the mark (the system would not make it) the window search alone keeps a second
  // start from running beside a first that is up, as it always did.
  HWND running = FindRunningInstance();
  if (!running && (taken || !mark)) return true;
  // The first start may not show its window yet: wait for it a while, then hand over.
  for (unsigned waited = 0; !running && waited < shell::kInstanceWaitMs;
       waited += shell::kInstanceWaitStepMs) {
    ::Sleep(shell::kInstanceWaitStepMs);
    running = FindRunningInstance();
  }
  if (running) {
    if (::IsIconic(running)) ::ShowWindow(running, SW_RESTORE);
    ::SetForegroundWindow(::GetLastActivePopup(running));
  }
  ReleaseInstanceMark();
  return false;
}

void CTandemHLApp::ReleaseInstanceMark() {
  if (m_instanceMark) {
    ::CloseHandle(m_instanceMark);
    m_instanceMark = nullptr;
  }
}

bool CTandemHLApp::OnCmd(UINT id) {
  if (id == FW_ID_APP_ABOUT) {
    CAboutDlg about;
    about.DoModal();
    return true;
  }
  return CWinApp::OnCmd(id);
}

bool CTandemHLApp::OnUpdateCmd(CCmdUI& ui) {
  if (ui.m_nID == FW_ID_APP_ABOUT) {
    ui.Enable(true);
    return true;
  }
  return CWinApp::OnUpdateCmd(ui);
}
