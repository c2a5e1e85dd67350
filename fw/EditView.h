// Views: the document's window inside the frame. The edit view is a multi-line edit control
// holding the document's text, with the edit commands, printing and raw text load and save.
#pragma once

#include <cstddef>
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

  // The whole text. A derived view that keeps edits waiting carries them out first.
  virtual std::string GetWholeText() { return GetText(); }
  // Replaces the whole text; not an edit, so the document stays unmodified. The text ends at
  // its first zero byte, as any text in the control does.
  virtual void SetWholeText(const std::string& text);
  UINT GetLimitText() const { return static_cast<UINT>(Send(EM_GETLIMITTEXT)); }

  // Caret to the end of the text, scrolled into view; the selection is given up.
  void MoveCaretToEnd();
  // Inserts `text` at the end of the text, not undoable.
  virtual void AppendAtEnd(const char* text);

  // Loads the whole file as the text, or writes the whole text, byte for byte. A file longer
  // than the text limit, or one the control would not give back byte for byte (a zero byte,
  // bytes the code page conversion changes), is refused with a message before anything changes.
  bool SerializeRaw(CArchive& ar);

  // Prints the text on a printer chosen in the print dialog.
  void OnFilePrint();

  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;

 protected:
  void PostNcDestroy() override;

  // The control's length in its own positions (the window text's length counts bytes).
  size_t ControlLength() const;
  // `text` as the control would keep it when given it (a case style converts letters).
  std::string AsStored(const std::string& text) const;
  // Writes `text` at position `at` (the end, when past it), as it is: a case style of the
  // control does not convert it. Not undoable.
  void InsertAsItIs(size_t at, const char* text);
  // Turns the control's drawing off or on, and draws all of it again after edits made without
  // drawing.
  void SetDrawing(bool on);
  void RedrawAll();
  // End of the piece of text[begin, length) written next: about `piece` bytes, never splitting
  // a double-byte character or a line break.
  static size_t PieceEnd(const std::string& text, size_t begin, size_t length, size_t piece);

  bool m_loading = false;  // the view is filling the control: its changes are not edits

 private:
  // The edit control the edit commands act on: the focused edit control of the frame, or this.
  HWND EditTarget() const;
};
