#include "FnEditDlg.h"

#include <string>
#include <vector>

#include "FillIn.h"
#include "resource.h"

CFnEditDlg::CFnEditDlg() : CDialog(IDD_FNEDIT) {}

bool CFnEditDlg::OnInitDialog() {
  ::SetDlgItemTextA(m_hWnd, IDC_FNEDIT_TEXT, m_text.c_str());
  // "F%d 編集 %s": the key and the text as it was when the dialog opened.
  const std::string title = tandem::text::FillIn(LoadResString(IDS_FNEDIT_TITLE),
                                                 {std::to_string(m_fnNumber), m_text});
  ::SetWindowTextA(m_hWnd, title.c_str());
  return true;
}

void CFnEditDlg::OnOK() {
  HWND edit = GetItem(IDC_FNEDIT_TEXT);
  std::vector<char> text(static_cast<size_t>(::GetWindowTextLengthA(edit)) + 1);
  ::GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
  m_text = text.data();
  EndDialog(IDOK);
}
