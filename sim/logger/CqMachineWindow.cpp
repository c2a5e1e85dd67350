#include "CqMachineWindow.h"

#include "StandInWindows.h"

namespace {

constexpr char kFormClass[] = "TForm12";
constexpr char kButtonClass[] = "TBitBtn";
// "ＣＱマシーン" (CQ machine) in CP932
constexpr char kTitle[] = "\x82\x62\x82\x70\x83\x7D\x83\x56\x81\x5B\x83\x93";
// "再生中断(&A)" (stop playback) in CP932
constexpr char kStopTitle[] = "\x8D\xC4\x90\xB6\x92\x86\x92\x66(&A)";
constexpr int kStopId = 1;

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Pressing the stop button ends playback, as in the real window.
  if (msg == WM_COMMAND && LOWORD(wParam) == kStopId && HIWORD(wParam) == BN_CLICKED) {
    ShowWindow(reinterpret_cast<HWND>(lParam), SW_HIDE);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONUP) {
    SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(kStopId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
    return 0;
  }
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    char text[64] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

bool CqMachineWindow::RegisterClasses(HINSTANCE instance) {
  return standin::RegisterForm(instance, kFormClass, FormProc) &&
         standin::RegisterForm(instance, kButtonClass, ButtonProc);
}

bool CqMachineWindow::Create(HINSTANCE instance) {
  hwnd_ = CreateWindowExA(0, kFormClass, kTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 420, 80,
                          240, 110, nullptr, nullptr, instance, nullptr);
  if (hwnd_ == nullptr) return false;
  stop_ = CreateWindowExA(0, kButtonClass, kStopTitle, WS_CHILD, 60, 20, 110, 28, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStopId)), instance,
                          nullptr);
  if (stop_ == nullptr) return false;
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  return true;
}

void CqMachineWindow::SetPlaying(bool playing) {
  if (stop_ != nullptr) ShowWindow(stop_, playing ? SW_SHOWNA : SW_HIDE);
}

bool CqMachineWindow::Playing() const {
  return stop_ != nullptr && (GetWindowLongA(stop_, GWL_STYLE) & WS_VISIBLE) != 0;
}
