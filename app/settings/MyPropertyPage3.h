// Options sheet, page "その他": log time stamps, always on top, eight or twelve keys, the link to
// the logger's keys, the exit question, the greeting hours and the logger whose keys are followed.
#pragma once

#include <cstdint>

#include "PropertySheet.h"

class CMainFrame;

class CMyPropertyPage3 : public CPropertyPage {
 public:
  explicit CMyPropertyPage3(CMainFrame& frame);

  HWND m_hookAnywayBox = nullptr;
  HWND m_cwAlwaysBox = nullptr;
  HWND m_tabF2Box = nullptr;
  HWND m_fn12Button = nullptr;
  HWND m_fn8Button = nullptr;
  HWND m_followLoggerBox = nullptr;  // which logger's keys the hook follows
  int m_topmost = 0;
  int m_tabF2 = 0;
  int m_closeAnyway = 0;
  int m_cwAlways = 0;
  int m_hookAnyway = 0;
  std::uint32_t m_endGM = 0;
  std::uint32_t m_endGA = 0;
  std::uint32_t m_endGE = 0;
  int m_loggerLink = 0;
  int m_logTime = 0;

  // Sets the always-on-top state applied last once more. Some systems keep a window below the
  // sheet it owns whatever it asks for, so the frame calls this when the sheet has gone.
  void RestoreTopmost() const;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool OnApply() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  // Reads the page (with its checks), then lets the TAB box and the hidden hook box be used
  // only while the logger link is on.
  void EnableRule();

  CMainFrame& m_frame;
  int m_appliedTopmost = -1;  // the state the last apply chose; -1 before any apply
};
