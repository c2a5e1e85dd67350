// Shows what the hook library reports: starts the hook with a small window of its own as the display
// window, starts the logger stand-in, and prints each entry record it receives. With --demo it types
// into the stand-in itself, prints what came, and ends.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "HlHook.h"
#include "LoggerSimClient.h"

namespace {

HWND g_list = nullptr;
int g_records = 0;

LRESULT CALLBACK MonitorProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COPYDATA: {
      const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (cds == nullptr || cds->lpData == nullptr || cds->cbData > 4096) return 0;
      const std::string text(static_cast<const char*>(cds->lpData), cds->cbData);
      std::printf("record: %s\n", text.c_str());
      std::fflush(stdout);
      ++g_records;
      if (g_list != nullptr) {
        const LRESULT index = SendMessageA(g_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(g_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
      }
      return 0;
    }
    case WM_SIZE:
      if (g_list != nullptr) MoveWindow(g_list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

void Key(BYTE vk, bool ctrl = false) {
  if (ctrl) keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
  if (ctrl) keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  LoggerSimClient::PumpUntil([] { return false; }, 150);
}

// A short exchange typed into the stand-in: a call sign, the report, F2, Escape, Ctrl+Z.
void RunDemo(LoggerSimClient& sim) {
  sim.Command("text report 599");
  sim.Command("focus call");
  std::printf("demo: typing XX1ABC into the call box, then F2, Esc and Ctrl+Z\n");
  for (const char* c = "XX1ABC"; *c != '\0'; ++c) Key(static_cast<BYTE>(*c));
  Key(VK_F2);
  Key(VK_ESCAPE);
  Key('Z', true);
  LoggerSimClient::PumpUntil([] { return false; }, 500);
}

}  // namespace

int main(int argc, char** argv) {
  const bool demo = argc > 1 && std::strcmp(argv[1], "--demo") == 0;

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = MonitorProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "TandemHookMonitor";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "Tandem hook monitor", WS_OVERLAPPEDWINDOW,
                                120, 40, 640, 300, nullptr, nullptr, instance, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "HookMonitor: cannot create its window\n");
    return 1;
  }
  g_list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0,
                           640, 300, window, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);

  CHlHook hook;
  hook.SetDisplayWindow(window);
  hook.SetAction(1);
  hook.SetHookAnyway(0);
  if (hook.Start() == nullptr) {
    std::fprintf(stderr, "HookMonitor: the system refused the message hook\n");
    return 1;
  }

  LoggerSimClient sim;
  if (!sim.Start(LoggerSimPathBesideThisProgram())) {
    std::fprintf(stderr, "HookMonitor: %s\n", sim.error().c_str());
    return 1;
  }
  std::printf("HookMonitor: hook started; type into the entry window and press its keys\n");
  std::fflush(stdout);

  if (demo) {
    RunDemo(sim);
    std::printf("demo: %d entry records received\n", g_records);
    std::fflush(stdout);
    // Leave the windows up for a moment, so that a screenshot can be taken.
    LoggerSimClient::PumpUntil([] { return false; }, 3000);
    hook.Stop();
    return g_records > 0 ? 0 : 1;
  }

  // Until the monitor window is closed or the stand-in ends.
  MSG msg;
  for (;;) {
    const DWORD wait = MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
    (void)wait;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (quit || sim.EntryWindow() == nullptr) break;
  }
  hook.Stop();
  return 0;
}
