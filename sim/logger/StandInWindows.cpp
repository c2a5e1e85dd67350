#include "StandInWindows.h"

#include <cstring>

namespace standin {

bool RegisterForm(HINSTANCE instance, const char* name, WNDPROC proc) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0;
}

bool RegisterSuperclass(HINSTANCE instance, const char* base, const char* name, WNDPROC proc, WNDPROC& baseProc) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExA(nullptr, base, &wc)) return false;
  baseProc = wc.lpfnWndProc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0;
}

HWND BoxNamed(const std::vector<NamedBox>& boxes, const char* name) {
  for (const NamedBox& b : boxes)
    if (std::strcmp(name, b.name) == 0) return b.window;
  return nullptr;
}

loggersim::Box BoxOfWindow(const std::vector<NamedBox>& boxes, HWND window) {
  if (window == nullptr) return loggersim::kBoxOther;
  for (const NamedBox& b : boxes)
    if (window == b.window) return b.box;
  return loggersim::kBoxOther;
}

HWND ChildMaker::Make(const char* cls, const char* text, DWORD style, int x, int y, int w) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, 20, parent_,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_++)), GetModuleHandleA(nullptr), nullptr);
}

HWND ChildMaker::TextBox(int x, int y, int w) {
  return Make(textBoxClass_, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, x, y, w);
}

HWND ChildMaker::Label(const char* text, int x, int y, int w) { return Make("STATIC", text, 0, x, y, w); }

void ChildMaker::Fillers(int n, int x, int y) {
  for (int i = 0; i < n; ++i) Make("STATIC", "", 0, x + i * 6, y, 4);
}

}  // namespace standin
