#include "FnEditDlg.h"

#include <cstdio>
#include <vector>

#include "resource.h"

CFnEditDlg::CFnEditDlg() : CDialog(IDD_FNEDIT) {}

bool CFnEditDlg::OnInitDialog() {
  ::SetDlgItemTextA(m_hWnd, IDC_FNEDIT_TEXT, m_text.c_str());
  // "F%d 編集 %s": the key and the text as it was when the dialog opened.
  const std::string format = LoadResString(IDS_FNEDIT_TITLE);
  std::vector<char> title(format.size() + m_text.size() + 16);
  std::snprintf(title.data(), title.size(), format.c_str(), m_fnNumber, m_text.c_str());
  ::SetWindowTextA(m_hWnd, title.data());
  return true;
}

void CFnEditDlg::OnOK() {
  HWND edit = GetItem(IDC_FNEDIT_TEXT);
  std::vector<char> text(static_cast<size_t>(::GetWindowTextLengthA(edit)) + 1);
  ::GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
  m_text = text.data();
  EndDialog(IDOK);
}
