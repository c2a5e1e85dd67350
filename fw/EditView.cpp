#include "EditView.h"

#include <commdlg.h>

#include <algorithm>

#include "App.h"
#include "DocTemplate.h"
#include "FwIds.h"

namespace {

// SetWholeText writes a long text in pieces of about this many bytes (see there).
constexpr size_t kLoadPiece = 4096;

// Text in the system code page as wide characters and back, as the control keeps it; empty
// when the system cannot convert it.
std::wstring Widen(const std::string& text) {
  const int size = static_cast<int>(text.size());
  const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (wide <= 0) return std::wstring();
  std::wstring chars(static_cast<size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &chars[0], wide);
  return chars;
}

std::string Narrow(const std::wstring& chars) {
  const int wide = static_cast<int>(chars.size());
  const int size =
      ::WideCharToMultiByte(CP_ACP, 0, chars.data(), wide, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string text(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, chars.data(), wide, &text[0], size, nullptr, nullptr);
  return text;
}

// A case style converts whatever the control is given. While this lives, the control takes
// text as it is: text that was in it before, or that is already converted.
class CaseStylesOff {
 public:
  explicit CaseStylesOff(HWND wnd) : m_wnd(wnd), m_style(::GetWindowLongA(wnd, GWL_STYLE)) {
    if (m_style & kCaseStyles) ::SetWindowLongA(m_wnd, GWL_STYLE, m_style & ~kCaseStyles);
  }
  ~CaseStylesOff() {
    if (m_style & kCaseStyles) ::SetWindowLongA(m_wnd, GWL_STYLE, m_style);
  }
  CaseStylesOff(const CaseStylesOff&) = delete;
  CaseStylesOff& operator=(const CaseStylesOff&) = delete;

 private:
  static constexpr LONG kCaseStyles = ES_UPPERCASE | ES_LOWERCASE;
  HWND m_wnd;
  LONG m_style;
};

}  // namespace

size_t CEditView::PieceEnd(const std::string& text, size_t begin, size_t length, size_t piece) {
  size_t end = begin;
  while (end < length && end - begin < piece) end += fw::CharBytes(text, end);
  if (end > length) end = length;
  if (end < length && text[end - 1] == '\r' && text[end] == '\n') ++end;
  return end;
}

// Wine's edit control takes WM_SETREDRAW and does nothing with it, so each edit made "without
// drawing" still drew and left a repaint behind (5 ms a step at 1 MB); the default handling,
// which the control would have passed it to, is what turns drawing off for the window itself.
void CEditView::SetDrawing(bool on) {
  Send(WM_SETREDRAW, on ? TRUE : FALSE);
  ::DefWindowProcA(m_hWnd, WM_SETREDRAW, on ? TRUE : FALSE, 0);
}

// The text, and the scroll bar, which the control set meanwhile without drawing it.
void CEditView::RedrawAll() {
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void CEditView::InsertAsItIs(size_t at, const char* text) {
  CaseStylesOff asItIs(m_hWnd);
  Send(EM_SETSEL, at, static_cast<LPARAM>(at));
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

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
  if (!Subclass(hwnd)) {
    ::DestroyWindow(hwnd);
    return false;
  }
  if (OnCreate() == -1) {
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
  // (SetWholeText) is not reported by a multi-line control, and its pieces are not edits.
  if (code != EN_CHANGE || m_loading) return;
  if (m_pDocument) m_pDocument->SetModifiedFlag(true);
}

void CEditView::SetWholeText(const std::string& text) {
  const size_t length = std::char_traits<char>::length(text.c_str());
  if (!m_hWnd) return;
  // A text put in as a whole (a file opened) is kept as it is, so that saving it writes the
  // same bytes. Typing still converts.
  CaseStylesOff asItIs(m_hWnd);
  if (length <= kLoadPiece) {
    SetText(text.c_str());
    return;
  }
  // The control lays a paragraph out line by line, and each line's layout looks at the rest
  // of the paragraph, so a long paragraph written at once takes time that grows with the square
  // of its length (seconds at 100 KB, minutes at 1 MB, and the log is one paragraph). Written
  // in pieces at the end, each piece costs about its own length.
  m_loading = true;
  SetDrawing(false);
  size_t at = PieceEnd(text, 0, length, kLoadPiece);
  SetText(text.substr(0, at).c_str());
  while (at < length) {
    const size_t end = PieceEnd(text, at, length, kLoadPiece);
    InsertAsItIs(GetLimitText(), text.substr(at, end - at).c_str());
    at = end;
  }
  Send(EM_EMPTYUNDOBUFFER);
  Send(EM_SETMODIFY, FALSE);
  Send(EM_SETSEL, 0, 0);
  Send(EM_SCROLLCARET);
  SetDrawing(true);
  RedrawAll();
  m_loading = false;
}

void CEditView::MoveCaretToEnd() {
  // Selecting from the limit to the limit: the control clamps both ends to its text's end.
  const LRESULT start = Send(EM_GETLIMITTEXT);
  const LRESULT end = Send(EM_GETLIMITTEXT);
  Send(EM_SETSEL, static_cast<WPARAM>(start), end);
  Send(EM_SCROLLCARET);
}

void CEditView::AppendAtEnd(const char* text) {
  MoveCaretToEnd();
  Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

size_t CEditView::ControlLength() const {
  // In positions, as the control counts them (the window text's length counts bytes).
  const LRESULT last = Send(EM_LINEINDEX, static_cast<WPARAM>(Send(EM_GETLINECOUNT) - 1));
  return static_cast<size_t>(last + Send(EM_LINELENGTH, static_cast<WPARAM>(last)));
}

std::string CEditView::AsStored(const std::string& text) const {
  const LONG style = ::GetWindowLongA(m_hWnd, GWL_STYLE);
  if (!(style & (ES_UPPERCASE | ES_LOWERCASE)) || text.empty()) return text;
  // The control converts the text as its wide characters.
  std::wstring chars = Widen(text);
  if (chars.empty()) return text;
  if (style & ES_UPPERCASE) {
    ::CharUpperBuffW(&chars[0], static_cast<DWORD>(chars.size()));
  } else {
    ::CharLowerBuffW(&chars[0], static_cast<DWORD>(chars.size()));
  }
  const std::string stored = Narrow(chars);
  return stored.empty() ? text : stored;
}

namespace {
// The message that tells why a file cannot be the view's text, in the operator's words.
UINT RefusalMessageId(tandem::text::ForeignText kind) {
  switch (kind) {
    case tandem::text::ForeignText::kUtf16:
      return FW_IDP_FILE_UTF16;
    case tandem::text::ForeignText::kUtf8:
      return FW_IDP_FILE_UTF8;
    case tandem::text::ForeignText::kNulBytes:
      return FW_IDP_FILE_BINARY;
    case tandem::text::ForeignText::kOtherBytes:
      break;
  }
  return FW_IDP_FILE_NOT_TEXT;
}

bool CanHoldUnchanged(const std::string& text) {
  if (text.empty()) return true;
  if (text.find('\0') != std::string::npos) return false;
  // The control keeps its text as the system converts it from and back to the code page.
  return Narrow(Widen(text)) == text;
}
}  // namespace

bool CEditView::SerializeRaw(CArchive& ar) {
  if (ar.IsStoring()) {
    const std::string text = GetWholeText();  // with every replacement carried out
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
    std::string message = LoadResString(RefusalMessageId(tandem::text::ClassifyForeignText(text)));
    const size_t at = message.find("%1");
    if (at != std::string::npos) message.replace(at, 2, ar.Path());
    CWinApp::Current()->ShowMessage(message.c_str());
    return false;
  }
  SetWholeText(text);
  return true;
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
  // Each edit command is one message to the control it acts on.
  static const CommandPair<UINT> kEditCommands[] = {{FW_ID_EDIT_UNDO, EM_UNDO},
                                                    {FW_ID_EDIT_CUT, WM_CUT},
                                                    {FW_ID_EDIT_COPY, WM_COPY},
                                                    {FW_ID_EDIT_PASTE, WM_PASTE}};
  if (const UINT* message = FindCommand(kEditCommands, id)) {
    ::SendMessageA(EditTarget(), *message, 0, 0);
    return true;
  }
  if (id != FW_ID_FILE_PRINT) return false;
  OnFilePrint();
  return true;
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
