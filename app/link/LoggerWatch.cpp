// The watch of the followed logger from outside its program. A system-wide hook is mapped only
// into programs of its own bitness: beside a logger of the other bitness Tandem would key nothing
// while the logger handled every key itself. Timer 3 looks at the foreground window; a followed
// logger of the other bitness is named in the status bar's link pane for as long as it runs, and
// once per run in a box that names the build to start instead.
#include <string>

#include "App.h"
#include "CwText.h"
#include "FillIn.h"
#include "LinkConstants.h"
#include "LinkState.h"
#include "LoggerWindows.h"
#include "MainFrame.h"
#include "resource.h"

using tandem::link::DecideLinkState;
using tandem::link::HasHamlogSaveButton;
using tandem::link::IsLogger32Frame;
using tandem::link::IsN1mmEntryWindow;
using tandem::link::LinkFacts;
using tandem::link::LinkState;
using tandem::link::OwnsHamlogMainForm;

namespace {

constexpr int kThisProgramBits = sizeof(void*) == 8 ? 64 : 32;

// The followed logger's window when it is the foreground window of another program, with that
// program's id; null otherwise.
HWND FollowedLoggerInForeground(int followed, DWORD& pid) {
  pid = 0;
  HWND w = ::GetForegroundWindow();
  if (w == nullptr) return nullptr;
  ::GetWindowThreadProcessId(w, &pid);
  if (pid == 0 || pid == ::GetCurrentProcessId()) return nullptr;
  bool found = false;
  switch (followed) {
    case tandem::kFollowTurboHamlog:
      found = HasHamlogSaveButton(w) && OwnsHamlogMainForm(pid);
      break;
    case tandem::kFollowLogger32:
      found = IsLogger32Frame(w);
      break;
    default:
      found = IsN1mmEntryWindow(w);
      break;
  }
  return found ? w : nullptr;
}

// 32 or 64, the bitness of program `pid`; 0 when the system does not tell (a program that runs
// with more rights than Tandem may refuse to be asked). On a 64-bit system a 32-bit program is
// one that runs under WOW64; a 32-bit Tandem asks first whether it runs so itself.
int ProgramBits(DWORD pid) {
  if (kThisProgramBits == 32) {
    BOOL onWow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &onWow64)) return 0;
    if (!onWow64) return 32;  // a 32-bit system runs 32-bit programs only
  }
  HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return 0;
  BOOL wow64 = FALSE;
  const BOOL told = ::IsWow64Process(process, &wow64);
  ::CloseHandle(process);
  if (!told) return 0;
  return wow64 ? 32 : 64;
}

}  // namespace

void CMainFrame::StartLoggerWatch() {
  ::SetTimer(m_hWnd, tandem::link::kLoggerWatchTimer, tandem::link::kLoggerWatchTimerMs, nullptr);
}

bool CMainFrame::RecordLoggerRuns() const {
  if (!m_recordArrived) return false;
  if (m_loggerWnd != nullptr) return ::IsWindow(m_loggerWnd) != FALSE;
  // Logger32's records name no window: its frame stands for it.
  if (m_followLogger == tandem::kFollowLogger32) {
    return ::FindWindowExA(nullptr, nullptr, tandem::kLogger32FrameClass,
                           tandem::kLogger32FrameTitle) != nullptr;
  }
  return false;
}

void CMainFrame::OnLoggerWatchTimer() {
  // A logger that has gone is not linked when it comes back, until its records say so.
  if (m_recordArrived && !RecordLoggerRuns()) m_recordArrived = false;
  // A logger of the other bitness is told for as long as it runs.
  if (m_otherBitnessWnd != nullptr && !::IsWindow(m_otherBitnessWnd)) {
    m_otherBitnessWnd = nullptr;
    m_otherBitnessBits = 0;
  }
  DWORD pid = 0;
  if (HWND logger = FollowedLoggerInForeground(m_followLogger, pid)) {
    // Asked once per window and program: the answer holds while they run.
    if (logger != m_watchedWnd || pid != m_watchedPid) {
      m_watchedWnd = logger;
      m_watchedPid = pid;
      m_watchedBits = ProgramBits(pid);
    }
    if (m_watchedBits == kThisProgramBits) {
      // The hook reaches this logger; its records tell the link from here on.
      m_otherBitnessWnd = nullptr;
      m_otherBitnessBits = 0;
    } else if (m_watchedBits != 0) {  // 0: not told, and nothing is claimed
      m_otherBitnessWnd = logger;
      m_otherBitnessBits = m_watchedBits;
    }
  }
  // The box is shown from the frame's queue rather than inside the timer, and not while a window
  // of Tandem's own is modal (the frame is disabled then): a later tick posts again.
  if (m_otherBitnessWnd != nullptr && !m_otherBitnessBoxShown && ::IsWindowEnabled(m_hWnd)) {
    ::PostMessageA(m_hWnd, tandem::link::kMsgOtherBitnessNotice, 0, 0);
  }
}

void CMainFrame::OnOtherBitnessNotice() {
  // Any program can post this number: only a logger that the watch found is told of.
  if (m_otherBitnessBoxShown || m_otherBitnessWnd == nullptr || !::IsWindowEnabled(m_hWnd)) return;
  // Set before the box: its own message loop runs the timer and the notices still queued.
  m_otherBitnessBoxShown = true;
  // The box's loop runs no idle-time updates: the pane says it before the box comes.
  m_wndStatusBar.OnUpdateUI(this);
  const std::string other = std::to_string(m_otherBitnessBits);
  const std::string text = tandem::text::FillIn(LoadResString(IDS_OTHER_BITNESS_BOX),
                                                {other, std::to_string(kThisProgramBits), other});
  CWinApp::Current()->ShowMessage(text.c_str(), MB_OK | MB_ICONWARNING);
}

void CMainFrame::OnUpdateLinkPane(CCmdUI& ui) {
  LinkFacts facts;
  facts.otherBitnessLogger = m_otherBitnessWnd != nullptr;
  facts.recordLoggerRuns = RecordLoggerRuns();
  // As the message engine decides whether a message is keyed or only logged.
  facts.modeKeyed = tandem::cw::IsCwLikeMode(m_mode) || m_cwAlways;
  std::string text;
  switch (DecideLinkState(facts)) {
    case LinkState::kNone:
      text = LoadResString(ID_INDICATOR_LINK);
      break;
    case LinkState::kLinked:
      text = LoadResString(IDS_LINK_LINKED);
      break;
    case LinkState::kModeNotCw:
      text = LoadResString(IDS_LINK_MODE_NOT_CW);
      break;
    case LinkState::kOtherBitness: {
      text = tandem::text::FillIn(LoadResString(IDS_LINK_OTHER_BITNESS),
                                  {std::to_string(m_otherBitnessBits)});
      break;
    }
  }
  m_wndStatusBar.FitPaneToText(ID_INDICATOR_LINK, text);
  ui.SetText(text.c_str());
  ui.Enable(true);
}
