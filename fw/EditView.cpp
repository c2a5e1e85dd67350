#include "EditView.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "App.h"
#include "DocTemplate.h"
#include "FwIds.h"

bool CEditView::PreCreateWindow(CREATESTRUCTA& cs) {
  cs.lpszClass = "EDIT";
  cs.style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL |
             ES_AUTOVSCROLL | ES_MULTILINE | ES_NOHIDESEL;
  cs.dwExStyle = WS_EX_CLIENTEDGE;
  return true;
}

bool CEditView::Create(HWND parent, UINT id) {
  CREATESTRUCTA cs = {};
  cs.hwndParent = parent;
  cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id));
  cs.hInstance = ::GetModuleHandleA(nullptr);
  if (!PreCreateWindow(cs)) return false;
  // WS_BORDER and the client edge together would draw two frames.
  if (cs.dwExStyle & WS_EX_CLIENTEDGE) cs.style &= ~static_cast<LONG>(WS_BORDER);
  HWND hwnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, "", static_cast<DWORD>(cs.style), 0,
                                0, 0, 0, parent, cs.hMenu, cs.hInstance, nullptr);
  if (!hwnd) return false;
  if (!Subclass(hwnd) || OnCreate() == -1) {
    ::DestroyWindow(hwnd);
    return false;
  }
  return true;
}

int CEditView::OnCreate() {
  Send(EM_SETLIMITTEXT, kTextLimit);
  const int tabStops = 16;  // dialog units: four average characters
  Send(EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&tabStops));
  return 0;
}

void CEditView::OnReflectedCommand(UINT code) {
  // Every edit the control reports marks the document modified; replacing the whole text
  // (SetWholeText) is not reported by a multi-line control.
  if (code == EN_CHANGE && m_pDocument) m_pDocument->SetModifiedFlag(true);
}

void CEditView::SetWholeText(const std::string& text) {
  // A case style converts whatever the control is given; a text put in as a whole (a file
  // opened) is kept as it is, so that saving it writes the same bytes. Typing still converts.
  const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
  const LONG caseStyles = ES_UPPERCASE | ES_LOWERCASE;
  if (style & caseStyles) ::SetWindowLongA(m_hWnd, GWL_STYLE, style & ~caseStyles);
  SetText(text.c_str());
  if (style & caseStyles) ::SetWindowLongA(m_hWnd, GWL_STYLE, style);
}

bool CEditView::SerializeRaw(CArchive& ar) {
  if (ar.IsStoring()) {
    const std::string text = GetWholeText();
    return ar.Write(text.data(), static_cast<DWORD>(text.size()));
  }
  const std::uint64_t length = ar.Length();
  if (length > GetLimitText()) {
    CWinApp::Current()->ShowMessage(LoadResString(FW_IDP_FILE_TOO_LARGE).c_str());
    return false;
  }
  std::string text(static_cast<size_t>(length), '\0');
  if (length > 0 && !ar.Read(&text[0], static_cast<DWORD>(length))) return false;
  // What the control would change (a zero byte ends its text, a byte pair outside the code
  // page becomes another character) would be written back changed by the next save.
  if (!CanHoldUnchanged(text)) {
    std::string message = LoadResString(FW_IDP_FILE_NOT_TEXT);
    const size_t at = message.find("%1");
    if (at != std::string::npos) message.replace(at, 2, ar.Path());
    CWinApp::Current()->ShowMessage(message.c_str());
    return false;
  }
  SetWholeText(text);
  return true;
}

bool CEditView::CanHoldUnchanged(const std::string& text) {
  if (text.empty()) return true;
  if (text.find('\0') != std::string::npos) return false;
  // The control keeps its text as the system converts it from and back to the code page.
  const int size = static_cast<int>(text.size());
  const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (wide <= 0) return false;
  std::vector<wchar_t> chars(static_cast<size_t>(wide));
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, chars.data(), wide);
  const int back = ::WideCharToMultiByte(CP_ACP, 0, chars.data(), wide, nullptr, 0, nullptr,
                                         nullptr);
  if (back != size) return false;
  std::string again(static_cast<size_t>(back), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, chars.data(), wide, &again[0], back, nullptr, nullptr);
  return again == text;
}

HWND CEditView::EditTarget() const {
  HWND focus = ::GetFocus();
  char cls[16] = "";
  if (focus && focus != m_hWnd && ::IsChild(::GetParent(m_hWnd), focus) &&
      ::GetClassNameA(focus, cls, sizeof(cls)) && ::lstrcmpiA(cls, "Edit") == 0) {
    return focus;
  }
  return m_hWnd;
}

bool CEditView::OnCmd(UINT id) {
  HWND target = EditTarget();
  switch (id) {
    case FW_ID_EDIT_UNDO:
      ::SendMessageA(target, EM_UNDO, 0, 0);
      return true;
    case FW_ID_EDIT_CUT:
      ::SendMessageA(target, WM_CUT, 0, 0);
      return true;
    case FW_ID_EDIT_COPY:
      ::SendMessageA(target, WM_COPY, 0, 0);
      return true;
    case FW_ID_EDIT_PASTE:
      ::SendMessageA(target, WM_PASTE, 0, 0);
      return true;
    case FW_ID_FILE_PRINT:
      OnFilePrint();
      return true;
    default:
      return false;
  }
}

bool CEditView::OnUpdateCmd(CCmdUI& ui) {
  HWND target = EditTarget();
  DWORD start = 0, end = 0;
  switch (ui.m_nID) {
    case FW_ID_EDIT_UNDO:
      ui.Enable(::SendMessageA(target, EM_CANUNDO, 0, 0) != 0);
      return true;
    case FW_ID_EDIT_CUT:
    case FW_ID_EDIT_COPY:
      ::SendMessageA(target, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
      ui.Enable(start != end);
      return true;
    case FW_ID_EDIT_PASTE:
      ui.Enable(::IsClipboardFormatAvailable(CF_TEXT) != 0);
      return true;
    case FW_ID_FILE_PRINT:
      ui.Enable(true);
      return true;
    default:
      return false;
  }
}

void CEditView::OnFilePrint() {
  PRINTDLGA pd = {};
  pd.lStructSize = sizeof(pd);
  pd.hwndOwner = ::GetParent(m_hWnd);
  pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
  if (!::PrintDlgA(&pd)) return;  // cancelled, or no printer (the dialog has said so)
  HDC dc = pd.hDC;
  bool ok = dc != nullptr;
  if (ok) {
    // The view's font, scaled from screen to printer resolution.
    LOGFONTA lf = {};
    HFONT viewFont = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    if (viewFont) ::GetObjectA(viewFont, sizeof(lf), &lf);
    HDC screen = ::GetDC(m_hWnd);
    lf.lfHeight = ::MulDiv(lf.lfHeight ? lf.lfHeight : -15, ::GetDeviceCaps(dc, LOGPIXELSY),
                           ::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(m_hWnd, screen);
    HFONT font = ::CreateFontIndirectA(&lf);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    TEXTMETRICA tm;
    ::GetTextMetricsA(dc, &tm);
    const int lineHeight = tm.tmHeight + tm.tmExternalLeading;
    const int margin = ::GetDeviceCaps(dc, LOGPIXELSX) / 2;  // half an inch
    const int width = ::GetDeviceCaps(dc, HORZRES) - 2 * margin;
    const int bottom = ::GetDeviceCaps(dc, VERTRES) - margin;

    const std::string docName = m_pDocument ? m_pDocument->GetTitle() : std::string();
    DOCINFOA info = {};
    info.cbSize = sizeof(info);
    info.lpszDocName = docName.c_str();
    ok = ::StartDocA(dc, &info) > 0;
    const std::string text = GetWholeText();
    size_t pos = 0;
    bool pageOpen = false;
    int y = 0;
    while (ok && (pos < text.size() || !pageOpen)) {
      if (!pageOpen) {
        ok = ::StartPage(dc) > 0;
        pageOpen = true;
        y = margin;
      }
      // One printed line: up to the line break, or as many characters as fit the width,
      // never splitting a double-byte character.
      size_t end = text.find_first_of("\r\n", pos);
      if (end == std::string::npos) end = text.size();
      size_t fit = pos;
      while (fit < end) {
        const char* next = ::CharNextA(text.c_str() + fit);
        const size_t nextPos = static_cast<size_t>(next - text.c_str());
        SIZE size;
        ::GetTextExtentPoint32A(dc, text.c_str() + pos, static_cast<int>(nextPos - pos), &size);
        if (size.cx > width && fit > pos) break;
        fit = nextPos;
      }
      ::TextOutA(dc, margin, y, text.c_str() + pos, static_cast<int>(fit - pos));
      pos = fit;
      if (pos == end) {
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
      }
      y += lineHeight;
      if (y + lineHeight > bottom || pos >= text.size()) {
        ok = ::EndPage(dc) > 0 && ok;
        pageOpen = false;
        if (pos >= text.size()) break;
      }
    }
    if (ok) {
      ::EndDoc(dc);
    } else {
      ::AbortDoc(dc);
    }
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);
  }
  if (dc) ::DeleteDC(dc);
  if (pd.hDevMode) ::GlobalFree(pd.hDevMode);
  if (pd.hDevNames) ::GlobalFree(pd.hDevNames);
  if (!ok) CWinApp::Current()->ShowMessage(LoadResString(FW_IDP_FAILED_TO_PRINT).c_str());
}

void CEditView::PostNcDestroy() {
  // The frame owns the view object; only the link from the document goes.
  if (m_pDocument && m_pDocument->m_view == this) m_pDocument->m_view = nullptr;
}
