// The speed dialog: a vertical slider that pops up at the mouse pointer and sets the keying speed
// while it moves. The top of the slider is 50 words per minute, the bottom 5.
#pragma once

#include <string>

#include "Dialog.h"
#include "SliderCtrl.h"

class CMainFrame;

class CWpmDlg : public CDialog {
 public:
  explicit CWpmDlg(CMainFrame& frame);

  CSliderCtrl m_slider;
  int m_pos = 5;       // exchanged with the slider when the dialog opens and ends; not used
  std::string m_text;  // the speed shown above the slider

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void OnVScroll();
  void OnLButtonDown(POINT pt);
  void ShowSpeed(int pos);

  CMainFrame& m_frame;
};
