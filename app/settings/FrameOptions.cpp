// The main frame's side of the Options sheet: opening it, and the stores its first page uses.
#include "MainFrame.h"
#include "MyPropertySheet.h"

void CMainFrame::OnOptions() {
  // Everything the sheet changes is applied by its pages; its own result tells nothing more.
  CMyPropertySheet sheet(*this);
  sheet.DoModal();
  sheet.m_page3.RestoreTopmost();
}

void CMainFrame::SetMyCall(const std::string& call) {
  if (!call.empty()) m_myCall = call;
}

void CMainFrame::SetNumber(const std::string& number) { m_number = number; }

void CMainFrame::SetSubst0(const std::string& text) {
  if (!text.empty()) m_subst0 = text;
}

void CMainFrame::SetSubst1(const std::string& text) {
  if (!text.empty()) m_subst1 = text;
}

void CMainFrame::SetSubst9(const std::string& text) {
  if (!text.empty()) m_subst9 = text;
}
