// The log as a document: its text lives in the view; saving and opening move it as raw bytes.
#pragma once

#include "DocTemplate.h"

class CTandemHLDoc : public CDocument {
 public:
  bool Serialize(CArchive& ar) override;
  bool OnNewDocument() override;
  bool CanCloseFrame(CFrameWnd* frame) override;
};
