// The application object: start-up of the single instance, the settings path, the document
// template, the command line, and the About command.
#pragma once

#include "App.h"

class CTandemHLApp : public CWinApp {
 public:
  ~CTandemHLApp() override;
  bool InitInstance() override;
  int ExitInstance() override;
  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;

  // The running instance's main window (marked with the instance property), or null.
  static HWND FindRunningInstance();
  // The settings path for working directory `directory`; empty when it would not fit the
  // path buffer.
  static std::string SettingsPathFor(const std::string& directory);

 private:
  // True when this start holds the instance mark; false when another start holds it, after its
  // window (once it shows within the wait) has been brought to the front.
  bool TakeInstanceMark();
  void ReleaseInstanceMark();
  HANDLE m_instanceMark = nullptr;
};
