// Tandem.exe started twice, each as a process of its own: the second start hands over to the
// first and touches nothing.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"

using shelltest::StartTandem;
using testsupport::ChildProcess;
using testsupport::FileExists;
using testsupport::WaitUntil;
using TempWorkDir = testsupport::TempWorkingFolder;

namespace {
int CountMarkedWindows() {
  int count = 0;
  for (HWND wnd = ::GetWindow(::GetDesktopWindow(), GW_CHILD); wnd;
       wnd = ::GetWindow(wnd, GW_HWNDNEXT)) {
    if (::GetPropA(wnd, "TandemHlUniq")) ++count;
  }
  return count;
}
}  // namespace

TEST(SingleInstance, SecondStartRestoresTheFirstAndEnds) {
  TempWorkDir dir;
  const std::string ini = dir.File("Tandem.ini");
  ChildProcess first;
  HWND wnd = StartTandem(first, dir.Path());
  ASSERT_NE(wnd, nullptr) << "the first instance shows its marked main window";
  EXPECT_EQ(::GetPropA(wnd, "TandemHlUniq"), reinterpret_cast<HANDLE>(1));
  EXPECT_FALSE(FileExists(ini)) << "starting only reads the settings";

  ::ShowWindow(wnd, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return ::IsIconic(wnd) != FALSE; }));

  ChildProcess second;
  EXPECT_EQ(StartTandem(second, dir.Path(), "other.txt", 0), nullptr);
  ASSERT_NE(second.Handle(), nullptr) << "the second copy started";
  DWORD code = 99;
  ASSERT_TRUE(second.WaitForExit(20000, &code)) << "the second copy ends by itself";
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitUntil([&] { return !::IsIconic(wnd); })) << "the first instance is restored";
  EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == wnd; })) << "and brought to the front";
  EXPECT_EQ(CountMarkedWindows(), 1);
  EXPECT_FALSE(FileExists(ini)) << "the second copy did not touch the settings";

  // With the About box open in the first instance, a new start brings the box to the front.
  ::PostMessageA(wnd, WM_COMMAND, 57664, 0);
  HWND about = nullptr;
  WaitUntil([&] { return (about = ::GetLastActivePopup(wnd)) != wnd; });
  ASSERT_NE(about, wnd) << "the About box opened";
  ::SetForegroundWindow(::GetDesktopWindow());
  ChildProcess third;
  EXPECT_EQ(StartTandem(third, dir.Path(), "", 0), nullptr);
  ASSERT_NE(third.Handle(), nullptr) << "the third copy started";
  ASSERT_TRUE(third.WaitForExit(20000, &code));
  EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == about; }))
      << "the modal box, not the frame behind it";
  ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));

  // The first instance closes normally and writes its settings then.
  ::PostMessageA(wnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(first.WaitForExit(20000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(shelltest::IniText(ini, "Window", "pos").size(), 88u);
  EXPECT_EQ(shelltest::IniText(ini, "Profile", "MyCallSign"), "XX9ABC/1");
}

// Two starts in quick succession (a double click twice): whatever the timing, exactly one Tandem
// goes on; the other hands over and ends by itself without loading the keyer. The mark goes with
// the first one: a start after it has ended runs.
TEST(SingleInstance, TwoStartsAtOnceLeaveExactlyOne) {
  TempWorkDir dir;
  ASSERT_TRUE(::CopyFileA((testsupport::ProgramFolder() + "\\emulator\\keyport.dll").c_str(),
                          dir.File("keyport.dll").c_str(), FALSE));
  const std::string program = "\"" + testsupport::ProgramFolder() + "\\Tandem.exe\"";
  ChildProcess starts[2];
  const std::string traces[2] = {dir.File("trace-a.txt"), dir.File("trace-b.txt")};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(starts[i].Start(program, dir.Path(), {{"KEYPORT_TRACE", traces[i]}, {"KEYPORT_AUDIO", "0"}}));
  }
  // One of them ends by itself, the other stays with its window.
  int ended = -1;
  ASSERT_TRUE(WaitUntil([&] {
    for (int i = 0; i < 2; ++i) {
      if (!starts[i].Running()) ended = i;
    }
    return ended >= 0;
  }, 30000)) << "both starts are running";
  const int running = 1 - ended;
  DWORD code = 99;
  ASSERT_TRUE(starts[ended].WaitForExit(5000, &code));
  EXPECT_EQ(code, 0u);
  HWND wnd = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (wnd = testsupport::FindMainWindow(starts[running].Id())) != nullptr; }, 30000));
  ::Sleep(1000);  // time for a second one to show, were there one
  EXPECT_TRUE(starts[running].Running());
  EXPECT_EQ(CountMarkedWindows(), 1);
  EXPECT_FALSE(FileExists(traces[ended])) << "the start that handed over loaded the keyer";
  EXPECT_TRUE(FileExists(traces[running]));

  ::PostMessageA(wnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(starts[running].WaitForExit(20000, &code));
  ChildProcess later;
  EXPECT_NE(StartTandem(later, dir.Path()), nullptr) << "the mark outlived the instance";
  if (HWND again = testsupport::FindMainWindow(later.Id())) ::PostMessageA(again, WM_CLOSE, 0, 0);
  EXPECT_TRUE(later.WaitForExit(20000, &code));
}
