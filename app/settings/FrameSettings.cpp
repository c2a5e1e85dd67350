// The main frame's settings: every key it holds, read in one pass at construction and written
// back at exit (and by the Options sheet's apply).
#include "App.h"
#include "MainFrame.h"
#include "SettingsDefaults.h"
#include "SettingsKeys.h"
#include "resource.h"

using namespace settings;

void CMainFrame::LoadSettings() {
  const CWinApp* app = CWinApp::Current();
  for (int bank = 0; bank < 2; ++bank) {
    const char* section = bank == 0 ? kBankA : kBankB;
    for (int key = 1; key <= 12; ++key) {
      m_memory[bank * 12 + key - 1] =
          app->ReadText(section, MemoryKey(key).c_str(), DefaultMemory(bank, key).c_str());
    }
  }
  m_wpm = app->ReadInt(kKeyer, kWpm, 20);
  m_cqInterval = app->ReadInt(kKeyer, kCqInterval, 2500);
  m_subst0 = app->ReadText(kKeyer, kSubst0, "0");
  m_subst1 = app->ReadText(kKeyer, kSubst1, "1");
  m_subst9 = app->ReadText(kKeyer, kSubst9, "9");
  m_myCall = app->ReadText(kProfile, kMyCall, "XX9ABC/1");
  m_number = app->ReadText(kProfile, kNumber, "");
  m_ptt = app->ReadInt(kKeyer, kPtt, 1);
  m_pttCqMachine = app->ReadInt(kKeyer, kPttCqMachine, 0);
  m_pttDelayP = app->ReadInt(kKeyer, kPttDelayP, 25);
  m_pttDelayA = app->ReadInt(kKeyer, kPttDelayA, 200);
  m_paddleRvs = app->ReadInt(kKeyer, kPaddleRvs, 1);
  m_paddleKbd = app->ReadInt(kKeyer, kPaddleKbd, 0);
  m_sideTone = app->ReadInt(kKeyer, kSideTone, 1);
  m_toneLevel = app->ReadInt(kKeyer, kToneLevel, 7);
  m_cwAlways = app->ReadInt(kKeyer, kCwAlways, 0);
  m_hookAnyway = app->ReadInt(kWindow, kHookAnyway, 0);
  m_viewTop = app->ReadInt(kWindow, kViewTop, 0);
  m_fn12 = app->ReadInt(kWindow, kFn12, 0) == 1 ? 1 : 0;  // only exactly 1 means twelve
  m_zLogKey = app->ReadInt(kWindow, kZLogKey, 0);
  m_spyHlKey = app->ReadInt(kKeyer, kSpyHlKey, 1);
  // Only the loggers the hook library knows; anything else follows N1MM Logger, as before.
  m_followLogger = app->ReadInt(kWindow, kFollowLogger, tandem::kFollowN1mm);
  if (m_followLogger != tandem::kFollowTurboHamlog && m_followLogger != tandem::kFollowLogger32) {
    m_followLogger = tandem::kFollowN1mm;
  }
  m_logTime = app->ReadInt(kWindow, kLogTime, 0);
  m_endGM = app->ReadInt(kKeyer, kEndGM, 12);
  m_endGA = app->ReadInt(kKeyer, kEndGA, 18);
  m_endGE = app->ReadInt(kKeyer, kEndGE, 0);
}

bool CMainFrame::SaveSettings(bool report) {
  CWinApp* app = CWinApp::Current();
  const unsigned failuresBefore = app->WriteFailures();
  {
    CProfileBatch batch(app);  // one file replaced once, or left as it was
    for (int bank = 0; bank < 2; ++bank) {
      const char* section = bank == 0 ? kBankA : kBankB;
      for (int key = 1; key <= 12; ++key) {
        app->WriteText(section, MemoryKey(key).c_str(), m_memory[bank * 12 + key - 1].c_str());
      }
    }
    app->WriteInt(kKeyer, kWpm, m_wpm);
    app->WriteInt(kKeyer, kCqInterval, m_cqInterval);
    app->WriteText(kKeyer, kSubst0, m_subst0.c_str());
    app->WriteText(kKeyer, kSubst1, m_subst1.c_str());
    app->WriteText(kKeyer, kSubst9, m_subst9.c_str());
    app->WriteText(kProfile, kMyCall, m_myCall.c_str());
    app->WriteText(kProfile, kNumber, m_number.c_str());
    app->WriteInt(kKeyer, kPtt, m_ptt);
    app->WriteInt(kKeyer, kPttCqMachine, m_pttCqMachine);
    app->WriteInt(kKeyer, kPttDelayP, m_pttDelayP);
    app->WriteInt(kKeyer, kPttDelayA, m_pttDelayA);
    app->WriteInt(kKeyer, kPaddleRvs, m_paddleRvs);
    app->WriteInt(kKeyer, kPaddleKbd, m_paddleKbd);
    app->WriteInt(kKeyer, kSideTone, m_sideTone);
    app->WriteInt(kKeyer, kToneLevel, m_toneLevel);
    app->WriteInt(kWindow, kHookAnyway, m_hookAnyway);
    app->WriteInt(kWindow, kViewTop, m_viewTop);
    app->WriteInt(kWindow, kFn12, m_fn12 ? 1 : 0);
    app->WriteInt(kWindow, kZLogKey, m_zLogKey);
    app->WriteInt(kKeyer, kSpyHlKey, m_spyHlKey);
    app->WriteInt(kWindow, kFollowLogger, m_followLogger);
  }
  if (!report) return app->WriteFailures() == failuresBefore;
  return ReportSettingsWriteFailure(failuresBefore);
}

bool CMainFrame::ReportSettingsWriteFailure(unsigned failuresBefore) const {
  const CWinApp* app = CWinApp::Current();
  if (app->WriteFailures() == failuresBefore) return true;
  // One message for the whole batch, naming the file; the values stay in memory.
  std::string text = LoadResString(IDS_SETTINGS_NOT_SAVED);
  const size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, app->m_profilePath);
  app->ShowMessage(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
  return false;
}
