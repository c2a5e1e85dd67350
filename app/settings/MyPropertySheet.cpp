#include "MyPropertySheet.h"

#include "MainFrame.h"
#include "OptionsIds.h"

CMyPropertySheet::CMyPropertySheet(CMainFrame& frame)
    : CPropertySheet(LoadResString(IDS_OPTIONS_CAPTION), frame.m_hWnd),
      m_page1(frame),
      m_page2(frame),
      m_page3(frame) {
  AddPage(&m_page1);
  AddPage(&m_page2);
  AddPage(&m_page3);
}
