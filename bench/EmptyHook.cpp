// A message hook that does nothing but pass the message on: the baseline that the hook benchmark
// compares TandemHook with.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK EmptyHookProc(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
