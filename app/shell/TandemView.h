// The log view: a multi-line edit control in a fixed-pitch Japanese font, upper case, wrapping
// long lines, to which the program appends what it sends.
#pragma once

#include "EditView.h"
#include "Handles.h"

class CTandemHLView : public CEditView {
 public:
  bool PreCreateWindow(CREATESTRUCTA& cs) override;
  int OnCreate() override;
  void OnInitialUpdate() override;

  // Appends `text` at the end of the log, whatever is selected, and scrolls to it.
  void AppendToLog(const char* text) { AppendAtEnd(text); }
  // Empties the log without marking the document modified.
  void ClearLog() { SetWholeText(std::string()); }

  CFont m_font;
};
