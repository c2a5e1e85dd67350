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

}  // namespace standin
