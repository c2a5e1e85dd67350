// The Options sheet: three pages over the main frame, made afresh for every opening so that each
// starts from the current settings.
#pragma once

#include "MyPropertyPage1.h"
#include "MyPropertyPage2.h"
#include "MyPropertyPage3.h"
#include "PropertySheet.h"

class CMyPropertySheet : public CPropertySheet {
 public:
  explicit CMyPropertySheet(CMainFrame& frame);

  CMyPropertyPage1 m_page1;
  CMyPropertyPage2 m_page2;
  CMyPropertyPage3 m_page3;
};
