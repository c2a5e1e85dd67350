#include "MyPropertyPage2.h"

#include <memory>

#include "App.h"
#include "DataExchange.h"
#include "DataParse.h"
#include "KeyerMath.h"
#include "MainFrame.h"
#include "OptionsIds.h"
#include "OptionsRules.h"
#include "SettingsKeys.h"

namespace {

// The side-tone pitches in Hz, list position 0..12 (3906 / (position + 1), rounded).
const char* const kTonePitches[settings::kToneLevels] = {
    "3906", "1953", "1302", "977", "781", "651", "558", "488", "434", "391", "355", "326", "300"};

float ReadWeight(const char* key, const char* defaultText) {
  const std::string text = CWinApp::Current()->ReadText(settings::kKeyer, key, defaultText);
  return static_cast<float>(tandem::keyer::ParseDecimalPrefix(text));
}

}  // namespace

CMyPropertyPage2::CMyPropertyPage2(CMainFrame& frame)
    : CPropertyPage(IDD_OPTIONS_PAGE2), m_frame(frame) {}

bool CMyPropertyPage2::OnInitDialog() {
  m_toneList = GetItem(IDC_OPT_TONE_LIST);
  for (const char* pitch : kTonePitches) {
    ::SendMessageA(m_toneList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pitch));
  }
  m_wpm = static_cast<std::uint32_t>(m_frame.m_wpm);
  m_ptt = m_frame.m_ptt ? 1 : 0;
  m_pttDelayP = static_cast<std::uint32_t>(m_frame.m_pttDelayP);
  m_pttDelayA = static_cast<std::uint32_t>(m_frame.m_pttDelayA);
  m_paddleRvs = m_frame.m_paddleRvs ? 1 : 0;
  m_paddleKbd = m_frame.m_paddleKbd ? 1 : 0;
  m_sideTone = m_frame.m_sideTone ? 1 : 0;
  // A stored level outside the list leaves the list without a selection.
  const int level = m_frame.m_toneLevel;
  ::SendMessageA(m_toneList, CB_SETCURSEL,
                 level >= 0 && level < settings::kToneLevels ? level : -1, 0);
  m_weightDot = ReadWeight(settings::kWeightDot, "1.0");
  m_weightDash = ReadWeight(settings::kWeightDash, "3.0");
  m_pttCqMachine = m_frame.m_pttCqMachine ? 1 : 0;
  UpdateData(false);
  return true;
}

void CMyPropertyPage2::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, IDC_OPT_WPM, m_wpm);
  DDV_MinMaxUInt(dx, m_wpm, settings::kWpmMin, settings::kWpmMax);
  DDX_Check(dx, IDC_OPT_PADDLE_RVS, m_paddleRvs);
  DDX_Check(dx, IDC_OPT_PTT, m_ptt);
  DDX_Text(dx, IDC_OPT_PTT_AFTER, m_pttDelayA);
  DDV_MinMaxUInt(dx, m_pttDelayA, 0, settings::kPttDelayMax);
  DDX_Text(dx, IDC_OPT_PTT_BEFORE, m_pttDelayP);
  DDV_MinMaxUInt(dx, m_pttDelayP, 0, settings::kPttDelayMax);
  DDX_Check(dx, IDC_OPT_SIDETONE, m_sideTone);
  DDX_Text(dx, IDC_OPT_WEIGHT_DASH, m_weightDash);
  DDV_MinMaxFloat(dx, m_weightDash, 0.0f, settings::kWeightMax);
  DDX_Text(dx, IDC_OPT_WEIGHT_DOT, m_weightDot);
  DDV_MinMaxFloat(dx, m_weightDot, 0.0f, settings::kWeightMax);
  DDX_Check(dx, IDC_OPT_PADDLE_KBD, m_paddleKbd);
  DDX_Check(dx, IDC_OPT_PTT_CQ_MACHINE, m_pttCqMachine);
}

bool CMyPropertyPage2::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  // The side-tone list is the one control that marks the page changed.
  if (msg == WM_COMMAND && LOWORD(wParam) == IDC_OPT_TONE_LIST &&
      HIWORD(wParam) == CBN_SELCHANGE) {
    SetModified(true);
    return true;
  }
  return CPropertyPage::OnMessage(msg, wParam, lParam, result);
}

bool CMyPropertyPage2::OnApply() {
  if (!UpdateData(true)) return false;
  m_frame.ApplyWpm(static_cast<int>(m_wpm));
  m_frame.ApplyPtt(m_ptt != 0, static_cast<int>(m_pttDelayP), static_cast<int>(m_pttDelayA));
  m_frame.ApplyPaddle(m_paddleRvs != 0);
  m_frame.m_paddleKbd = m_paddleKbd;
  m_frame.ApplyPttCqMachine(m_pttCqMachine != 0);
  const int position = static_cast<int>(::SendMessageA(m_toneList, CB_GETCURSEL, 0, 0));
  m_frame.ApplySideTone(m_sideTone != 0,
                        settings::ToneLevelToApply(position, m_frame.m_toneLevel));

  CWinApp* app = CWinApp::Current();
  const unsigned failuresBefore = app->WriteFailures();
  auto batch = std::make_unique<CProfileBatch>(app);  // one file replaced once, or left as it was
  m_frame.SaveSettings(false);

  const tandem::keyer::Weights weights =
      tandem::keyer::CorrectWeights(tandem::keyer::Weights{m_weightDot, m_weightDash});
  m_weightDot = weights.dot;
  m_weightDash = weights.dash;
  // The page shows what was stored, so a second Apply stores the same.
  ::SetDlgItemTextA(m_hWnd, IDC_OPT_WEIGHT_DOT, tandem::text::FormatReal(m_weightDot).c_str());
  ::SetDlgItemTextA(m_hWnd, IDC_OPT_WEIGHT_DASH, tandem::text::FormatReal(m_weightDash).c_str());
  m_frame.ApplyWeight(m_weightDot, m_weightDash);
  app->WriteText(settings::kKeyer, settings::kWeightDot,
                 tandem::keyer::FormatWeight(m_weightDot).c_str());
  app->WriteText(settings::kKeyer, settings::kWeightDash,
                 tandem::keyer::FormatWeight(m_weightDash).c_str());
  batch.reset();
  // One message for the whole page when the file could not take it; the values are in effect.
  m_frame.ReportSettingsWriteFailure(failuresBefore);
  return true;
}
