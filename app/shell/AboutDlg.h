// The About box (dialog 100): program name, version, notice and contact lines.
#pragma once

#include "Dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
};
