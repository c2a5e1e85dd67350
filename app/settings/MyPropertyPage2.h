// Options sheet, page "キーヤ設定": speed, paddle, PTT and its delays, weights, side tone and the
// paddle echo. Its apply pushes everything to the keyer and saves the settings file.
#pragma once

#include <cstdint>

#include "PropertySheet.h"

class CMainFrame;

class CMyPropertyPage2 : public CPropertyPage {
 public:
  explicit CMyPropertyPage2(CMainFrame& frame);

  HWND m_toneList = nullptr;
  std::uint32_t m_wpm = 0;
  int m_paddleRvs = 0;
  int m_ptt = 0;
  std::uint32_t m_pttDelayA = 0;  // ms
  std::uint32_t m_pttDelayP = 0;  // ms
  int m_sideTone = 0;
  float m_weightDash = 0.0f;
  float m_weightDot = 0.0f;
  int m_paddleKbd = 0;
  int m_pttCqMachine = 0;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool OnApply() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  CMainFrame& m_frame;
};
