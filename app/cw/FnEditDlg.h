// The memory editing dialog (template 134): one edit line holding a function key's message.
#pragma once

#include <string>

#include "Dialog.h"

class CFnEditDlg : public CDialog {
 public:
  CFnEditDlg();

  std::string m_text;    // the message, in and out (edit 1053)
  int m_fnNumber = 0;    // the function key, 1..12, shown in the title

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
};
