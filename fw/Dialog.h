// A modal dialog from a dialog template. The main window owns it and is disabled while it is
// shown.
#pragma once

#include "Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId) : m_templateId(templateId) {}
  // Shows the dialog until it ends; returns the end code (IDOK, IDCANCEL) or -1.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }
  // One pass of data exchange: controls to members with validation (`save`), or members to
  // controls. False when a value was refused (the user has been told).
  bool UpdateData(bool save = true);

 protected:
  // Fills the controls from the members; returns true to let the system set the focus.
  virtual bool OnInitDialog();
  // Reads and checks the controls, and ends only when they passed.
  virtual void OnOK();
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Messages of the dialog; returns true when handled. The default ends on OK and Cancel.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  // The dialog's data exchange: one DDX_/DDV_ call per control, in the order of validation.
  virtual void DoDataExchange(CDataExchange& dx) { (void)dx; }

  // What every dialog procedure does: `created` (the object WM_INITDIALOG names) is attached,
  // the end of the window detaches it, and the rest goes to OnMessage.
  static INT_PTR Route(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, CDialog* created);

  UINT m_templateId;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
