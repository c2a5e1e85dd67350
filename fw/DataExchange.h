// Dialog data exchange: small typed helpers that move a value between a member and a control of
// a dialog, in one direction per pass, and validation helpers that check what was read. The
// first failure of a pass tells the user (a message box with the program's own text), puts the
// focus on the control at fault and ends the pass: every later helper of that pass does nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool saveAndValidate)
      : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}

  // The control `id`, remembered as the one a following validation refers to.
  HWND PrepareCtrl(int id);
  // Reports `message` for the last prepared control and ends the pass.
  void Fail(const std::string& message);
  bool Failed() const { return m_failed; }
  int LastControl() const { return m_lastControl; }

  HWND m_hDlg;
  bool m_bSaveAndValidate;  // true: controls to members, with validation

 private:
  int m_lastControl = 0;
  bool m_failed = false;
};

// Text of an edit or static.
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// An unsigned integer, shown "%u"; a text that is no unsigned integer fails.
void DDX_Text(CDataExchange& dx, int id, std::uint32_t& value);
// A real, shown "%.*g" with 6 digits; a text that is no number fails.
void DDX_Text(CDataExchange& dx, int id, float& value);
// Check box: 0 clear, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange& dx, int id, int& value);
// Position of a slider.
void DDX_Slider(CDataExchange& dx, int id, int& value);

// Validation of the value the previous helper read; nothing happens when filling the controls,
// except that DDV_MaxChars also limits the edit to `count` bytes.
void DDV_MinMaxUInt(CDataExchange& dx, std::uint32_t value, std::uint32_t low, std::uint32_t high);
void DDV_MinMaxFloat(CDataExchange& dx, float value, float low, float high);
void DDV_MaxChars(CDataExchange& dx, const std::string& value, int count);
