// The About box (dialog 100): program name, version, notice and contact lines.
#pragma once

#include "Dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();

 protected:
  // Centred over the main window, as the other dialogs are.
  bool OnInitDialog() override;
};
