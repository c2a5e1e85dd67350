// A modal dialog from a dialog template. Without a parent the main window owns it and is
// disabled while it is shown.
#pragma once

#include "Wnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, HWND parent = nullptr)
      : m_templateId(templateId), m_parent(parent) {}
  // Shows the dialog until it ends; returns the end code (IDOK, IDCANCEL) or -1.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

 protected:
  // Returns true to let the system set the focus.
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Messages of the dialog; returns true when handled. The default ends on OK and Cancel.
  virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result);

  UINT m_templateId;
  HWND m_parent;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
