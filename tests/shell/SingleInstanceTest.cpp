// Tandem.exe started twice, each as a process of its own: the second start hands over to the
// first and touches nothing.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"

using shelltest::TandemProcess;
using shelltest::TempWorkDir;

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
  TandemProcess first;
  ASSERT_TRUE(first.Start(dir.Path()));
  HWND wnd = first.WaitForMainWindow(20000);
  ASSERT_NE(wnd, nullptr) << "the first instance shows its marked main window";
  EXPECT_EQ(::GetPropA(wnd, "TandemHlUniq"), reinterpret_cast<HANDLE>(1));
  EXPECT_FALSE(shelltest::FileExists(ini)) << "starting only reads the settings";

  ::ShowWindow(wnd, SW_MINIMIZE);
  for (int i = 0; i < 100 && !::IsIconic(wnd); ++i) ::Sleep(20);
  ASSERT_TRUE(::IsIconic(wnd));

  TandemProcess second;
  ASSERT_TRUE(second.Start(dir.Path(), "other.txt"));
  DWORD code = 99;
  ASSERT_TRUE(second.WaitForExit(20000, &code)) << "the second copy ends by itself";
  EXPECT_EQ(code, 0u);
  for (int i = 0; i < 100 && ::IsIconic(wnd); ++i) ::Sleep(20);
  EXPECT_FALSE(::IsIconic(wnd)) << "the first instance is restored";
  EXPECT_EQ(::GetForegroundWindow(), wnd) << "and brought to the front";
  EXPECT_EQ(CountMarkedWindows(), 1);
  EXPECT_FALSE(shelltest::FileExists(ini)) << "the second copy did not touch the settings";

  // With the About box open in the first instance, a new start brings the box to the front.
  ::PostMessageA(wnd, WM_COMMAND, 57664, 0);
  HWND about = nullptr;
  for (int i = 0; i < 200 && !about; ++i) {
    HWND popup = ::GetLastActivePopup(wnd);
    if (popup != wnd) about = popup;
    ::Sleep(20);
  }
  ASSERT_NE(about, nullptr) << "the About box opened";
  ::SetForegroundWindow(::GetDesktopWindow());
  TandemProcess third;
  ASSERT_TRUE(third.Start(dir.Path()));
  ASSERT_TRUE(third.WaitForExit(20000, &code));
  for (int i = 0; i < 100 && ::GetForegroundWindow() != about; ++i) ::Sleep(20);
  EXPECT_EQ(::GetForegroundWindow(), about) << "the modal box, not the frame behind it";
  ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  for (int i = 0; i < 100 && ::IsWindow(about); ++i) ::Sleep(20);

  // The first instance closes normally and writes its settings then.
  ::PostMessageA(wnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(first.WaitForExit(20000, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(shelltest::IniText(ini, "Window", "pos").size(), 88u);
  EXPECT_EQ(shelltest::IniText(ini, "Profile", "MyCallSign"), "XX9ABC/1");
}
