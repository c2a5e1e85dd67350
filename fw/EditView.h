// Views: the document's window inside the frame. The edit view is a multi-line edit control
// holding the document's text, with the edit commands, printing and raw text load and save.
#pragma once

#include <string>
#include <vector>

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

  // The whole text, with every replacement asked for so far carried out.
  std::string GetWholeText();
  // Replaces the whole text; not an edit, so the document stays unmodified. The text ends at
  // its first zero byte, as any text in the control does.
  void SetWholeText(const std::string& text);
  UINT GetLimitText() const { return static_cast<UINT>(Send(EM_GETLIMITTEXT)); }

  // Caret to the end of the text, scrolled into view; the selection is given up.
  void MoveCaretToEnd();
  // Inserts `text` at the end of the text, not undoable.
  void AppendAtEnd(const char* text);

  // Replaces every `from` in the text by `to`, as reading the whole text, replacing and
  // writing it back would, left to right, matching at character starts. `from` must not be
  // empty. The text may be long and the control lays a paragraph out again after each edit
  // from the edit to the paragraph's end, so each occurrence is one edit of its own, made
  // newest (nearest the end) first, one at a time whenever the message queue runs empty. Each
  // keeps the value of the call that found it. The operator's selection and scroll position
  // survive.
  void ReplaceEverywhere(const std::string& from, const std::string& to);
  // Carries out every replacement still waiting.
  void FinishReplacements();
  // While held, the replacements far from the end wait (an edit far back in a long text can
  // take the control a second); FinishReplacements and GetWholeText still carry them out.
  void HoldReplacements(bool hold);
  size_t PendingReplacements() const { return m_pendingEdits.size(); }

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

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

  // One occurrence waiting to be replaced; `at` counts characters, as the control does.
  struct PendingEdit {
    size_t at;
    std::string from;
    std::string to;
  };
  // Places the waiting edits again after an edit of the operator's, which may have moved text.
  void Reanchor(const std::string& text);
  // Carries out the waiting edit nearest the end: an edit there moves nothing still waiting.
  void ReplaceLast();
  void DropReplacements();

  std::vector<PendingEdit> m_pendingEdits;  // ascending by position
  bool m_ownEdit = false;      // an edit of the view itself is under way
  bool m_foreignEdit = false;  // the operator edited since the waiting edits were placed
  bool m_loading = false;      // SetWholeText is filling the control
  bool m_held = false;         // the older replacements wait for HoldReplacements(false)
};
