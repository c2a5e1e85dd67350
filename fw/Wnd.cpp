#include "Wnd.h"

namespace {
// The window property that links a handle to its object.
const char kObjectProp[] = "FwWndObject";
}  // namespace

CWnd::~CWnd() {
  // A window that outlives its object must not call into freed memory.
  if (m_hWnd) {
    HWND hwnd = m_hWnd;
    Detach();
    ::DestroyWindow(hwnd);
  }
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  return static_cast<CWnd*>(::GetPropA(hwnd, kObjectProp));
}

bool CWnd::RegisterFrameworkClass(const char* name, UINT style, HICON icon, HBRUSH background) {
  HINSTANCE inst = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA existing = {};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExA(inst, name, &existing)) return true;
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = style;
  wc.lpfnWndProc = StaticWndProc;
  wc.hInstance = inst;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  return ::RegisterClassExA(&wc) != 0;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId) {
  HWND hwnd = ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                menuOrId, ::GetModuleHandleA(nullptr), this);
  // The object is attached at WM_NCCREATE; a failed creation detaches it again (WM_NCDESTROY).
  return hwnd != nullptr && m_hWnd == hwnd;
}

bool CWnd::Subclass(HWND hwnd) {
  if (!hwnd || m_hWnd) return false;
  Attach(hwnd);
  m_superProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticWndProc)));
  return m_superProc != nullptr;
}

bool CWnd::DestroyWindow() { return m_hWnd && ::DestroyWindow(m_hWnd); }

std::string CWnd::TextOf(HWND hwnd) {
  const int length = ::GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = ::GetWindowTextA(hwnd, &text[0], length + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

void CWnd::SetText(const char* text) { ::SetWindowTextA(m_hWnd, text); }

void CWnd::Attach(HWND hwnd) {
  m_hWnd = hwnd;
  ::SetPropA(hwnd, kObjectProp, this);
}

void CWnd::Detach() {
  if (!m_hWnd) return;
  if (m_superProc) {
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
  }
  ::RemovePropA(m_hWnd, kObjectProp);
  m_hWnd = nullptr;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (m_superProc) return ::CallWindowProcA(m_superProc, m_hWnd, msg, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = FromHandle(hwnd);
  if (!wnd && msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    wnd = static_cast<CWnd*>(cs->lpCreateParams);
    if (wnd) wnd->Attach(hwnd);
  }
  if (!wnd) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    const LRESULT result = wnd->WindowProc(msg, wParam, lParam);
    wnd->Detach();
    wnd->m_superProc = nullptr;
    wnd->PostNcDestroy();
    return result;
  }
  return wnd->WindowProc(msg, wParam, lParam);
}

std::string LoadResString(UINT id) {
  char buffer[1024];
  const int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}
