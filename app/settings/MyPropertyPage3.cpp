#include "MyPropertyPage3.h"

#include <memory>

#include "App.h"
#include "DataExchange.h"
#include "MainFrame.h"
#include "OptionsIds.h"
#include "OptionsRules.h"
#include "SettingsKeys.h"

namespace {
int Flag(int value) { return value ? 1 : 0; }

// The loggers whose keys Tandem can follow, listed in the order of their setting values.
const char* const kFollowedLoggers[] = {"N1MM Logger", "Turbo HAMLOG/Win", "Logger32"};
}  // namespace

CMyPropertyPage3::CMyPropertyPage3(CMainFrame& frame)
    : CPropertyPage(IDD_OPTIONS_PAGE3), m_frame(frame) {}

bool CMyPropertyPage3::OnInitDialog() {
  using namespace settings;
  m_hookAnywayBox = GetItem(IDC_OPT_HOOK_ANYWAY);
  m_cwAlwaysBox = GetItem(IDC_OPT_CW_ALWAYS);
  m_tabF2Box = GetItem(IDC_OPT_TAB_F2);
  m_fn12Button = GetItem(IDC_OPT_FN12);
  m_fn8Button = GetItem(IDC_OPT_FN8);
  const CWinApp* app = CWinApp::Current();
  m_closeAnyway = Flag(app->ReadInt(kWindow, kCloseAnyway, 0));
  m_loggerLink = Flag(app->ReadInt(kKeyer, kSpyHlKey, 1));
  m_cwAlways = Flag(app->ReadInt(kKeyer, kCwAlways, 0));
  m_hookAnyway = Flag(m_frame.m_hookAnyway);
  // The window's real state, whatever the file says.
  m_topmost = (::GetWindowLongA(m_frame.m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0;
  ::SendMessageA(m_frame.m_fn12 ? m_fn12Button : m_fn8Button, BM_SETCHECK, BST_CHECKED, 0);
  m_tabF2 = m_frame.m_zLogKey != 0 ? 1 : 0;
  m_endGM = static_cast<std::uint32_t>(app->ReadInt(kKeyer, kEndGM, 12));
  m_endGA = static_cast<std::uint32_t>(app->ReadInt(kKeyer, kEndGA, 18));
  m_endGE = static_cast<std::uint32_t>(app->ReadInt(kKeyer, kEndGE, 0));
  m_logTime = Flag(app->ReadInt(kWindow, kLogTime, 0));
  m_followLoggerBox = GetItem(IDC_OPT_FOLLOW_LOGGER);
  for (const char* name : kFollowedLoggers) {
    ::SendMessageA(m_followLoggerBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  ::SendMessageA(m_followLoggerBox, CB_SETCURSEL, static_cast<WPARAM>(m_frame.m_followLogger), 0);
  UpdateData(false);
  // This reads the page back, so a greeting hour out of its range is reported right away.
  EnableRule();
  return true;
}

void CMyPropertyPage3::DoDataExchange(CDataExchange& dx) {
  using namespace settings;
  DDX_Check(dx, IDC_OPT_TOPMOST, m_topmost);
  DDX_Check(dx, IDC_OPT_TAB_F2, m_tabF2);
  DDX_Check(dx, IDC_OPT_CLOSE_ANYWAY, m_closeAnyway);
  DDX_Check(dx, IDC_OPT_CW_ALWAYS, m_cwAlways);
  DDX_Check(dx, IDC_OPT_HOOK_ANYWAY, m_hookAnyway);
  DDX_Text(dx, IDC_OPT_END_GM, m_endGM);
  DDV_MinMaxUInt(dx, m_endGM, kEndGMMin, kEndGMMax);
  DDX_Text(dx, IDC_OPT_END_GA, m_endGA);
  DDV_MinMaxUInt(dx, m_endGA, kEndGAMin, kEndGAMax);
  DDX_Text(dx, IDC_OPT_END_GE, m_endGE);
  DDV_MinMaxUInt(dx, m_endGE, kEndGEMin, kEndGEMax);
  DDX_Check(dx, IDC_OPT_LOGGER_LINK, m_loggerLink);
  DDX_Check(dx, IDC_OPT_LOG_TIME, m_logTime);
}

void CMyPropertyPage3::RestoreTopmost() const {
  if (m_appliedTopmost < 0 || !m_frame.m_hWnd) return;
  ::SetWindowPos(m_frame.m_hWnd, m_appliedTopmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CMyPropertyPage3::EnableRule() {
  UpdateData(true);
  // The box itself decides, so a refused greeting hour cannot leave a stale state behind.
  const bool link = ::IsDlgButtonChecked(m_hWnd, IDC_OPT_LOGGER_LINK) == BST_CHECKED;
  ::EnableWindow(m_tabF2Box, link);
  ::EnableWindow(m_hookAnywayBox, link);
}

bool CMyPropertyPage3::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_OPT_LOGGER_LINK &&
      HIWORD(wParam) == BN_CLICKED) {
    EnableRule();
    return true;
  }
  return CPropertyPage::OnMessage(msg, wParam, lParam, result);
}

bool CMyPropertyPage3::OnApply() {
  using namespace settings;
  if (!UpdateData(true)) return false;
  CWinApp* app = CWinApp::Current();
  const unsigned failuresBefore = app->WriteFailures();
  auto batch = std::make_unique<CProfileBatch>(app);  // one file replaced once, or left as it was

  // Z order only: the window neither moves nor takes the activation.
  ::SetWindowPos(m_frame.m_hWnd, m_topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  m_frame.m_viewTop = m_topmost ? 1 : 0;
  m_appliedTopmost = m_topmost ? 1 : 0;
  m_frame.SetFnTwelve(::SendMessageA(m_fn12Button, BM_GETCHECK, 0, 0) == BST_CHECKED);
  m_frame.m_spyHlKey = m_loggerLink;
  app->WriteInt(kKeyer, kSpyHlKey, m_loggerLink);
  m_frame.m_zLogKey = m_tabF2;
  m_frame.ApplyHookAction(m_tabF2 ? 1 : 0);
  app->WriteInt(kWindow, kCloseAnyway, m_closeAnyway);
  app->WriteInt(kKeyer, kCwAlways, m_cwAlways);
  m_frame.SetCwAlways(m_cwAlways != 0);
  m_frame.m_hookAnyway = m_hookAnyway;
  m_frame.m_hook.SetHookAnyway(m_hookAnyway);
  m_frame.SetGreetingHours(static_cast<int>(m_endGM), static_cast<int>(m_endGA),
                           static_cast<int>(m_endGE));
  app->WriteInt(kKeyer, kEndGM, static_cast<int>(m_endGM));
  app->WriteInt(kKeyer, kEndGA, static_cast<int>(m_endGA));
  app->WriteInt(kKeyer, kEndGE, static_cast<int>(m_endGE));
  m_frame.m_logTime = m_logTime;
  app->WriteInt(kWindow, kLogTime, m_logTime);
  const LRESULT followed = ::SendMessageA(m_followLoggerBox, CB_GETCURSEL, 0, 0);
  if (followed != CB_ERR) {
    m_frame.ApplyFollowLogger(static_cast<int>(followed));
    app->WriteInt(kWindow, kFollowLogger, m_frame.m_followLogger);
  }
  batch.reset();
  m_frame.ReportSettingsWriteFailure(failuresBefore);
  return true;
}
