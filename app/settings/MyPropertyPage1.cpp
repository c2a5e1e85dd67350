#include "MyPropertyPage1.h"

#include "DataExchange.h"
#include "KeyerMath.h"
#include "MainFrame.h"
#include "OptionsIds.h"
#include "OptionsRules.h"

namespace {
constexpr int kKeys = 12;
}

CMyPropertyPage1::CMyPropertyPage1(CMainFrame& frame)
    : CPropertyPage(IDD_OPTIONS_PAGE1), m_frame(frame) {}

bool CMyPropertyPage1::OnInitDialog() {
  m_bankBButton = GetItem(IDC_OPT_BANK_B);
  m_bankAButton = GetItem(IDC_OPT_BANK_A);
  m_myCall = m_frame.m_myCall;
  m_number = m_frame.m_number;
  m_subst0 = m_frame.m_subst0;
  m_subst1 = m_frame.m_subst1;
  m_subst9 = m_frame.m_subst9;
  m_cqInterval = m_frame.GetCqInterval();
  UpdateData(false);
  for (int bank = 0; bank < 2; ++bank) {
    for (int key = 0; key < kKeys; ++key) m_memory[bank * kKeys + key] = m_frame.GetMemory(bank, key);
  }
  ShowBank(0);
  ::SendMessageA(m_bankAButton, BM_SETCHECK, BST_CHECKED, 0);
  return true;
}

void CMyPropertyPage1::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, IDC_OPT_MYCALL, m_myCall);
  DDX_Text(dx, IDC_OPT_NUMBER, m_number);
  DDX_Text(dx, IDC_OPT_SUBST0, m_subst0);
  DDV_MaxChars(dx, m_subst0, settings::kSubstitutionChars);
  DDX_Text(dx, IDC_OPT_SUBST1, m_subst1);
  DDV_MaxChars(dx, m_subst1, settings::kSubstitutionChars);
  DDX_Text(dx, IDC_OPT_SUBST9, m_subst9);
  DDV_MaxChars(dx, m_subst9, settings::kSubstitutionChars);
  DDX_Text(dx, IDC_OPT_CQ_INTERVAL, m_cqInterval);
  DDV_MinMaxFloat(dx, m_cqInterval, tandem::keyer::kCqIntervalMinSeconds,
                  tandem::keyer::kCqIntervalMaxSeconds);
}

bool CMyPropertyPage1::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    if (LOWORD(wParam) == IDC_OPT_BANK_A) {
      OnBankA();
      return true;
    }
    if (LOWORD(wParam) == IDC_OPT_BANK_B) {
      OnBankB();
      return true;
    }
  }
  return CPropertyPage::OnMessage(msg, wParam, lParam, result);
}

bool CMyPropertyPage1::BankAShown() const {
  return ::SendMessageA(m_bankAButton, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string CMyPropertyPage1::EditText(int key) const {
  HWND edit = GetItem(IDC_OPT_MEMORY_FIRST + key);
  const int length = ::GetWindowTextLengthA(edit);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = ::GetWindowTextA(edit, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void CMyPropertyPage1::ShowBank(int bank) {
  for (int key = 0; key < kKeys; ++key) {
    ::SetDlgItemTextA(m_hWnd, IDC_OPT_MEMORY_FIRST + key, m_memory[bank * kKeys + key].c_str());
  }
}

void CMyPropertyPage1::OnBankA() {
  if (BankAShown()) return;
  ::SendMessageA(m_bankAButton, BM_SETCHECK, BST_CHECKED, 0);
  ::SendMessageA(m_bankBButton, BM_SETCHECK, BST_UNCHECKED, 0);
  for (int key = 0; key < kKeys; ++key) {
    m_memory[kKeys + key] = EditText(key);
    ::SetDlgItemTextA(m_hWnd, IDC_OPT_MEMORY_FIRST + key, m_memory[key].c_str());
  }
}

void CMyPropertyPage1::OnBankB() {
  if (!BankAShown()) return;
  ::SendMessageA(m_bankAButton, BM_SETCHECK, BST_UNCHECKED, 0);
  ::SendMessageA(m_bankBButton, BM_SETCHECK, BST_CHECKED, 0);
  for (int key = 0; key < kKeys; ++key) {
    m_memory[key] = EditText(key);
    ::SetDlgItemTextA(m_hWnd, IDC_OPT_MEMORY_FIRST + key, m_memory[kKeys + key].c_str());
  }
}

bool CMyPropertyPage1::OnApply() {
  if (!UpdateData(true)) return false;
  m_frame.SetCqInterval(m_cqInterval);
  m_frame.SetMyCall(m_myCall);
  m_frame.SetNumber(m_number);
  m_frame.SetSubst0(m_subst0);
  m_frame.SetSubst1(m_subst1);
  m_frame.SetSubst9(m_subst9);
  // Carrying out the other bank's button stores the edits into the working copy; the page then
  // shows the other bank.
  if (BankAShown()) {
    OnBankB();
  } else {
    OnBankA();
  }
  for (int key = 0; key < kKeys; ++key) {
    for (int bank = 0; bank < 2; ++bank) m_frame.SetMemory(bank, key, m_memory[bank * kKeys + key]);
  }
  return true;
}
