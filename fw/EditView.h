// Views: the document's window inside the frame. The edit view is a multi-line edit control
// holding the document's text, with the edit commands, printing and raw text load and save.
#pragma once

#include <string>

#include "Wnd.h"

class CDocument;
class CArchive;

class CView : public CWnd {
 public:
  // Creates the view's window as child `id` of the frame.
  virtual bool Create(HWND parent, UINT id) = 0;
  virtual void OnInitialUpdate() {}
  // A notification the view's own control sent to the frame (EN_CHANGE and the like).
  virtual void OnReflectedCommand(UINT code) { (void)code; }
  CDocument* GetDocument() const { return m_pDocument; }
  CDocument* m_pDocument = nullptr;
};

class CEditView : public CView {
 public:
  // Limit of the control's text, in bytes.
  static const UINT kTextLimit = 0xFFFFF;

  bool Create(HWND parent, UINT id) override;
  // Styles for the control; derived views may change them.
  virtual bool PreCreateWindow(CREATESTRUCTA& cs);
  // After the control exists: text limit and tab stops. -1 makes creation fail.
  virtual int OnCreate();
  void OnReflectedCommand(UINT code) override;

  std::string GetWholeText() const { return GetText(); }
  // Replaces the whole text; not an edit, so the document stays unmodified.
  void SetWholeText(const std::string& text);
  UINT GetLimitText() const { return static_cast<UINT>(Send(EM_GETLIMITTEXT)); }

  // Loads the whole file as the text, or writes the whole text, byte for byte. A file longer
  // than the text limit is refused with a message before anything changes.
  bool SerializeRaw(CArchive& ar);
  // Whether the control gives `text` back byte for byte (no zero byte, nothing the code page
  // conversion changes). A file that fails this is refused rather than silently altered.
  static bool CanHoldUnchanged(const std::string& text);

  // Prints the text on a printer chosen in the print dialog.
  void OnFilePrint();

  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;

 protected:
  void PostNcDestroy() override;

 private:
  // The edit control the edit commands act on: the focused edit control of the frame, or this.
  HWND EditTarget() const;
};
