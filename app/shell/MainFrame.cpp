#include "MainFrame.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "App.h"
#include "DocTemplate.h"
#include "FnLayout.h"
#include "FwIds.h"
#include "SettingsKeys.h"
#include "ShellConstants.h"
#include "TandemView.h"
#include "WpmDlg.h"
#include "resource.h"

namespace {

// Status-bar panes: messages, speed, logger link, kana lock, caps lock, num lock, scroll lock.
const UINT kIndicators[] = {FW_ID_SEPARATOR,      ID_INDICATOR_WPM,     ID_INDICATOR_LINK,
                            FW_ID_INDICATOR_KANA, FW_ID_INDICATOR_CAPS, FW_ID_INDICATOR_NUM,
                            FW_ID_INDICATOR_SCRL};

}  // namespace

CMainFrame::CMainFrame() {
  // Presets; the settings load below overwrites the ones the file holds.
  m_bankA = 0;
  m_kanaOn = 0;
  m_cqRepeat = 0;
  m_cqInterval = 2500;
  m_myCall = "XX9ABC/1";
  m_call.clear();
  m_report = "599";
  m_mode = "CW";
  m_number.clear();
  m_cwAlways = 1;
  m_hookAnyway = 0;
  m_pttHeld = 0;

  LoadSettings();

  m_sendQueue.clear();
  m_pending = 0;
  m_version = shell::kVersionUnknown;
  m_exch.clear();
  m_loggerWnd = nullptr;
  m_device = KEYPORT_NO_DEVICE;
  m_wndStatusBar.m_paneId = ID_INDICATOR_WPM;
}

CMainFrame::~CMainFrame() {
  // Reverse order of acquisition: the hook goes first, so that no record arrives for a frame
  // that is going; the settings are saved on every exit; the keyer is released last.
  m_hookThread.Stop();
  // Saved here only when the window went without a close request (the close request has
  // saved and reported already).
  if (!m_settingsSaved) SaveSettings(false);
  // A transmitter keyed for the CQ machine is let go before the keyer is closed.
  ReleaseCqMachinePtt();
  UnbindKeyer();
}

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
  if (!CFrameWnd::PreCreateWindow(cs)) return false;
  // No maximise box, and a title that never shows the document's name.
  cs.style = shell::kFrameStyle;
  cs.cx = shell::kDefaultWidth;
  cs.cy = shell::kDefaultHeight;
  return true;
}

int CMainFrame::OnCreate(CREATESTRUCTA* cs) {
  if (CFrameWnd::OnCreate(cs) == -1) return -1;

  if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT | TBSTYLE_TOOLTIPS,
                             WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_GRIPPER |
                                 CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC) ||
      !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
    return -1;
  }
  m_wndToolBar.SetText(LoadResString(IDS_TOOLBAR_CAPTION).c_str());  // seen when floating

  if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_ALIGN_BOTTOM) ||
      !m_wndStatusBar.SetIndicators(kIndicators, sizeof(kIndicators) / sizeof(kIndicators[0]))) {
    return -1;
  }

  if (!m_wndFnBar.Create(this, IDD_FNBAR, WS_VISIBLE | CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM,
                         IDD_FNBAR)) {
    return -1;
  }
  m_wndFnBar.SetText(LoadResString(IDS_FNBAR_CAPTION).c_str());  // seen when floating
  m_wndFnBar.EnableDocking(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
  EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndFnBar);

  if (!m_wndCwBar.Create(this, IDD_CWBAR, CBRS_ALIGN_TOP, IDD_CWBAR)) return -1;
  m_wndCwBar.SetText(LoadResString(IDS_CWBAR_CAPTION).c_str());
  m_wndCwBar.EnableDocking(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
  DockControlBar(&m_wndCwBar);

  m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY |
                           CBRS_SIZE_DYNAMIC);
  m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
  DockControlBar(&m_wndToolBar);

  // Restore stays available (a minimised window comes back); there is nothing to maximise.
  HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
  ::EnableMenuItem(systemMenu, SC_RESTORE, MF_BYCOMMAND | MF_ENABLED);
  ::DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);

  RestorePlacement();

  if (m_viewTop == 1) ToggleTopmost();

  ShowControlBar(&m_wndToolBar, false, false);
  ShowControlBar(&m_wndCwBar, false, false);

  LoadBarState(shell::kBarStatePrefix);

  m_hook.SetDisplayWindow(m_hWnd);
  ApplyHookAction(m_zLogKey ? 1 : 0);
  m_hook.SetHookAnyway(m_hookAnyway);
  ApplyFollowLogger(m_followLogger);
  m_hookThread.Start();
  StartLoggerWatch();

  BindKeyer();
  return 0;
}

void CMainFrame::RestorePlacement() {
  std::vector<std::uint8_t> bytes;
  // Only a complete record is applied; anything else was not written by us.
  if (!CWinApp::Current()->ReadBinary(settings::kWindow, settings::kPlacement, bytes) ||
      bytes.size() != shell::kPlacementSize) {
    return;
  }
  WINDOWPLACEMENT placement;
  static_assert(sizeof(placement) == shell::kPlacementSize, "placement record is 44 bytes");
  std::memcpy(&placement, bytes.data(), sizeof(placement));
  ::SetWindowPlacement(m_hWnd, &placement);
}

void CMainFrame::SavePlacement() {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  if (!::GetWindowPlacement(m_hWnd, &placement)) return;
  CWinApp::Current()->WriteBinary(settings::kWindow, settings::kPlacement,
                                  reinterpret_cast<const std::uint8_t*>(&placement),
                                  sizeof(placement));
}

void CMainFrame::OnClose() {
  // Written before the question about the log, so a cancelled close has saved them too.
  CWinApp* app = CWinApp::Current();
  const unsigned failuresBefore = app->WriteFailures();
  {
    CProfileBatch batch(app);
    SavePlacement();
    SaveBarState(shell::kBarStatePrefix);
  }
  CDocument* document = GetActiveDocument();
  if (document && !document->CanCloseFrame(this)) return;
  // The settings go now, while the program still runs its message loop: a failed write is
  // told in a message box that waits for the operator, which it could not do once the window
  // is gone and the loop is ending. The hook stops first, as it would at destruction.
  m_hookThread.Stop();
  SaveSettings(false);
  m_settingsSaved = true;
  ReportSettingsWriteFailure(failuresBefore);
  DestroyWindow();
}

void CMainFrame::OnSize(UINT type, int cx, int cy) {
  CFrameWnd::OnSize(type, cx, cy);
  if (m_wndFnBar.m_hWnd) LayoutFnButtons(1 - m_bankA, m_fn12 ? 12 : 8);
}

void CMainFrame::OnSizing(UINT edge, RECT* rect) {
  CFrameWnd::OnSizing(edge, rect);
  // Whichever edge is dragged, the bottom edge gives way.
  if (rect->bottom - rect->top < shell::kMinHeight) rect->bottom = rect->top + shell::kMinHeight;
}

void CMainFrame::LayoutFnButtons(int bank, int count) {
  if (bank > 1 || bank < 0 || count <= 0) return;
  RECT frame;
  RECT bar;
  ::GetWindowRect(m_hWnd, &frame);
  ::GetWindowRect(m_wndFnBar.m_hWnd, &bar);
  const int width = frame.right - frame.left;
  ::SetWindowPos(m_wndFnBar.m_hWnd, nullptr, 0, 0, width, bar.bottom - bar.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (int i = 0; i < 12; ++i) {
    HWND button = m_wndFnBar.GetItem(IDC_FN_FIRST + i);
    if (!button) continue;
    ::SetWindowTextA(button, m_memory[bank * 12 + i].c_str());
    const shell::FnButtonPlace place = shell::PlaceFnButton(i, count, width);
    ::MoveWindow(button, place.x, place.y, place.width, place.height, TRUE);
  }
  m_wndFnBar.FitFloatingWindow();  // a floating bar's window follows the bar's new width
}

void CMainFrame::ToggleTopmost() {
  if (::GetWindowLongA(m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) {
    ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_viewTop = 0;
  } else {
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_viewTop = 1;
  }
}

void CMainFrame::ApplyHookAction(UINT action) {
  m_hook.SetAction(m_spyHlKey ? action : shell::kHookActionIgnoreKeys);
}

void CMainFrame::ApplyFollowLogger(int logger) {
  const bool known = logger == tandem::kFollowTurboHamlog || logger == tandem::kFollowLogger32;
  m_followLogger = known ? logger : tandem::kFollowN1mm;
  m_hook.SetFollowLogger(m_followLogger);
  // What the link pane knows is of the logger followed before.
  m_otherBitnessWnd = nullptr;
  m_recordArrived = false;
}

CTandemHLView* CMainFrame::GetLogView() const {
  return static_cast<CTandemHLView*>(GetActiveView());
}

void CMainFrame::GetMessageString(UINT id, std::string& text) const {
  // The keyer's version stands where the framework would say it is ready.
  if (id == FW_IDS_IDLEMESSAGE) {
    text = m_version;
    return;
  }
  CFrameWnd::GetMessageString(id, text);
}

void CMainFrame::OnUpdateWpmPane(CCmdUI& ui) {
  char text[32];
  std::snprintf(text, sizeof(text), "WPM: %d", m_wpm);
  if (m_wndStatusBar.m_paneClicked) {
    // The click in the pane opens the speed dialog; the main window owns it and is disabled.
    CWpmDlg dialog(*this);
    dialog.DoModal();
    m_wndStatusBar.m_paneClicked = 0;
  }
  m_wndStatusBar.FitPaneToText(ID_INDICATOR_WPM, text);
  ui.SetText(text);
  // While the pointer rests on a tool-bar button, the pane keeps that button's prompt.
  if (FlyByCommand() == 0) m_wndStatusBar.SetPaneText(0, m_version.c_str());
  ui.Enable(true);
}
