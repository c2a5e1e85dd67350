// Owners of system handles: each releases its handle in its destructor, the one place where
// that happens.
#pragma once

#include <windows.h>

class CFont {
 public:
  CFont() = default;
  ~CFont() { DeleteObject(); }
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  bool CreateFontIndirect(const LOGFONTA& lf) {
    DeleteObject();
    m_hFont = ::CreateFontIndirectA(&lf);
    return m_hFont != nullptr;
  }
  void DeleteObject() {
    if (m_hFont) ::DeleteObject(m_hFont);
    m_hFont = nullptr;
  }
  HFONT m_hFont = nullptr;
};
