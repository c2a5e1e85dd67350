// Poses Tandem for the README's pictures: the main window, the three pages of the Options sheet
// and the speed dialog, one after the other. Run inside a Wine virtual desktop by
// scripts/screenshots.sh, which takes each picture: for every pose the driver prints
//   shot <name> <left> <top> <width> <height>
// (screen coordinates of the window) and waits for the file <out>\<name>.done before it goes on.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "TandemSession.h"
#include "TestSupport.h"

namespace {

// Commands and ids of Tandem's windows, as an operator reaches them.
constexpr WPARAM kOptionsCommand = 32776;
constexpr WPARAM kCwBarCommand = 32780;
constexpr int kFirstFnButton = 1000;
constexpr int kSheetTabControl = 0x3020;
constexpr int kSpeedPane = 1;  // the status bar's second pane

// Window placement of the pictures, and the settings they are taken with.
constexpr int kMainLeft = 40;
constexpr int kMainTop = 150;
const char kIni[] =
    "[Profile]\r\nMyCallSign=JA1ZZZ\r\n"
    "[Window]\r\nCloseAnyway=1\r\n";

using testsupport::WaitUntil;

// A visible dialog of process `pid` that holds a child of class `childClass` (or id `childId`).
HWND FindDialogOf(DWORD pid, const char* childClass, int childId) {
  return testsupport::FindTopLevel(pid, [&](HWND wnd) {
    if (!testsupport::IsDialog(wnd) || !IsWindowVisible(wnd)) return false;
    return childClass ? FindWindowExA(wnd, nullptr, childClass, nullptr) != nullptr
                      : GetDlgItem(wnd, childId) != nullptr;
  });
}

// Announces a pose and waits until the picture has been taken.
bool Pose(HWND window, const char* name, const std::string& out) {
  SetForegroundWindow(window);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  Sleep(800);  // the desktop shows what was drawn
  RECT r;
  GetWindowRect(window, &r);
  std::printf("shot %s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
  std::fflush(stdout);
  const std::string signal = out + "\\" + name + ".done";
  const bool taken = WaitUntil([&] { return GetFileAttributesA(signal.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
  DeleteFileA(signal.c_str());
  if (!taken) std::fprintf(stderr, "screenshots: no picture taken of %s\n", name);
  return taken;
}

// The screen rectangle of pane `index` of a status bar in another process.
bool PaneRect(HWND statusBar, DWORD pid, int index, RECT& rect) {
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return false;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  bool ok = false;
  if (remote) {
    DWORD_PTR got = 0;
    if (SendMessageTimeoutA(statusBar, SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote),
                            SMTO_NORMAL, 5000, &got) &&
        got && ReadProcessMemory(process, remote, &rect, sizeof(rect), nullptr)) {
      MapWindowPoints(statusBar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
      ok = true;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return ok;
}

int Fail(const char* what) {
  std::fprintf(stderr, "screenshots: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string work, out;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--work") == 0) work = argv[i + 1];
    if (std::strcmp(argv[i], "--out") == 0) out = argv[i + 1];
  }
  if (work.empty() || out.empty()) {
    std::fprintf(stderr, "usage: ScreenshotDriver.exe --work <folder> --out <folder>\n");
    return 2;
  }

  TandemSession tandem;
  TandemSetup setup;
  setup.binDir = ThisProgramFolder();
  setup.workDir = work;
  setup.ini = kIni;
  setup.env = {{"KEYPORT_AUDIO", "0"}, {"KEYPORT_TIMESCALE", "20"}};
  if (!tandem.Start(setup)) return Fail(tandem.error().c_str());
  HWND main = tandem.MainWindow();
  const DWORD pid = tandem.ProcessId();
  SetWindowPos(main, nullptr, kMainLeft, kMainTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  // The main window as it is used: the CW bar shown, a message sent from the first key.
  PostMessageA(main, WM_COMMAND, kCwBarCommand, 0);
  HWND f1 = tandem.Control(kFirstFnButton);
  if (f1) PostMessageA(main, WM_COMMAND, MAKEWPARAM(kFirstFnButton, BN_CLICKED), reinterpret_cast<LPARAM>(f1));
  WaitUntil([&] { return !tandem.LogText().empty(); }, 5000);
  if (!Pose(main, "main-window", out)) return 1;

  PostMessageA(main, WM_COMMAND, kOptionsCommand, 0);
  HWND sheet = nullptr;
  WaitUntil([&] { return (sheet = FindDialogOf(pid, nullptr, kSheetTabControl)) != nullptr; }, 10000);
  if (!sheet) return Fail("the Options sheet did not open");
  const char* pages[] = {"options-memories", "options-keyer", "options-other"};
  for (int i = 0; i < 3; ++i) {
    SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(i), 0);
    if (!Pose(sheet, pages[i], out)) return 1;
  }
  PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  if (!WaitUntil([&] { return !IsWindow(sheet); }, 10000)) return Fail("the Options sheet did not close");

  // The speed dialog opens at the pointer after a click into the status bar's speed pane.
  HWND statusBar = FindWindowExA(main, nullptr, STATUSCLASSNAMEA, nullptr);
  RECT pane;
  if (!statusBar || !PaneRect(statusBar, pid, kSpeedPane, pane)) return Fail("no speed pane");
  SetForegroundWindow(main);
  Sleep(300);
  SetCursorPos((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2);
  Sleep(100);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  HWND speed = nullptr;
  WaitUntil([&] { return (speed = FindDialogOf(pid, TRACKBAR_CLASSA, 0)) != nullptr; }, 10000);
  if (!speed) return Fail("the speed dialog did not open");
  // The pointer out of the picture.
  SetCursorPos(0, 0);
  if (!Pose(speed, "speed-dialog", out)) return 1;
  PostMessageA(speed, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  WaitUntil([&] { return !IsWindow(speed); }, 10000);

  tandem.Stop(10000);
  std::printf("done\n");
  std::fflush(stdout);
  return 0;
}
