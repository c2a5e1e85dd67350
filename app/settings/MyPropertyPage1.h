// Options sheet, page "CWメッセージメモリ": the 24 message memories, one bank at a time, own call
// sign, number, digit substitutions and the CQ repeat pause.
#pragma once

#include <string>

#include "PropertySheet.h"

class CMainFrame;

class CMyPropertyPage1 : public CPropertyPage {
 public:
  explicit CMyPropertyPage1(CMainFrame& frame);

  HWND m_bankBButton = nullptr;
  HWND m_bankAButton = nullptr;
  std::string m_myCall;
  std::string m_subst0;
  std::string m_subst1;
  std::string m_subst9;
  float m_cqInterval = 0.0f;  // seconds
  std::string m_number;
  std::string m_memory[24];  // working copy: bank * 12 + key - 1

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(CDataExchange& dx) override;
  bool OnApply() override;
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  // The bank radio buttons: each keeps the texts of the bank it hides and shows its own.
  void OnBankA();
  void OnBankB();
  bool BankAShown() const;
  std::string EditText(int key) const;
  void ShowBank(int bank);

  CMainFrame& m_frame;
};
