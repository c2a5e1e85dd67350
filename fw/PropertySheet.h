// A modal property sheet over the system's own (comctl32), with pages made from dialog
// templates. The system creates a page the first time it is shown; a page that is left runs its
// data exchange with validation (a refusal keeps it), and is told when OK or Apply confirms the
// sheet (every page that has been shown, in page order).
#pragma once

#include <string>
#include <vector>

#include "Dialog.h"

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId) : CDialog(templateId) {}
  // Enables (or, when nothing else is changed, disables) the sheet's Apply button.
  void SetModified(bool changed = true);

 protected:
  // OK or Apply; false refuses the confirmation and keeps this page.
  virtual bool OnApply() { return true; }
  // A page has no OK or Cancel of its own: the sheet's buttons act through the calls above.
  bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  friend class CPropertySheet;
  static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

class CPropertySheet {
 public:
  // Without an owner the main window owns the sheet and is disabled while it is open.
  CPropertySheet(std::string caption, HWND owner = nullptr)
      : m_caption(std::move(caption)), m_owner(owner) {}
  virtual ~CPropertySheet() = default;
  CPropertySheet(const CPropertySheet&) = delete;
  CPropertySheet& operator=(const CPropertySheet&) = delete;

  // Pages are shown in the order they are added; the sheet does not own them.
  void AddPage(CPropertyPage* page) { m_pages.push_back(page); }
  // Shows the sheet on its first page until it is closed; the system's result (positive when
  // something was applied, 0 otherwise, -1 on failure).
  INT_PTR DoModal();

 private:
  std::string m_caption;
  HWND m_owner;
  std::vector<CPropertyPage*> m_pages;
};
