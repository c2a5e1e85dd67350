// Tandem.exe as a process of its own, tried as a bad day would: a settings file that cannot
// be written when the operator closes the program, messages from other programs that carry
// too much or point at nothing, and the About box's place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShellTestSupport.h"

using shelltest::StartTandem;
using testsupport::ChildProcess;
using TempWorkDir = testsupport::TempWorkingFolder;

namespace {

// A visible dialog box of process `pid`, waited for up to `ms`.
HWND WaitForDialogOf(DWORD pid, DWORD ms) {
  return testsupport::WaitForTopLevel(
      pid, [](HWND w) { return testsupport::IsDialog(w) && ::IsWindowVisible(w); }, ms);
}

// The program still answers: its message loop runs.
bool Answers(HWND wnd) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutA(wnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

}  // namespace

// The settings cannot be written at exit (another program holds the file for reading only):
// the message stays until the operator answers it, and then the program ends normally.
TEST(RealExit, FailedSaveIsShownUntilAnswered) {
  TempWorkDir dir;
  const std::string ini = dir.File("Tandem.ini");
  testsupport::WriteFileBytes(ini, "[Profile]\r\nMyCallSign=XX1ABC\r\n");
  ChildProcess tandem;
  HWND wnd = StartTandem(tandem, dir.Path());
  ASSERT_NE(wnd, nullptr);
  HANDLE reader = ::CreateFileA(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);

  ::PostMessageA(wnd, WM_CLOSE, 0, 0);
  HWND box = WaitForDialogOf(tandem.Id(), 30000);
  const std::string text = box ? testsupport::MessageBoxText(box) : std::string();
  // The box and the program wait for the operator.
  ::Sleep(1500);
  const bool stillShown = box && ::IsWindowVisible(box);
  DWORD code = 99;
  const bool endedEarly = tandem.WaitForExit(0, &code);
  ::CloseHandle(reader);
  ASSERT_NE(box, nullptr) << "the failed save is reported";
  // "設定を保存できませんでした" in CP932, and the file's name.
  EXPECT_NE(text.find("\x90\xdd\x92\xe8\x82\xf0\x95\xdb\x91\xb6\x82\xc5\x82\xab\x82"
                                   "\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(ini), std::string::npos) << text;
  EXPECT_TRUE(stillShown) << "the box does not close by itself";
  EXPECT_FALSE(endedEarly) << "the program waits for the answer";

  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(tandem.WaitForExit(30000, &code)) << "and ends once answered";
  EXPECT_EQ(code, 0u);
}

// Other programs' messages: a WM_COPYDATA too large for the system to deliver, and
// notifications posted or sent with pointers that mean nothing here. Tandem goes on.
TEST(RealExit, SurvivesHostileMessages) {
  TempWorkDir dir;
  ChildProcess tandem;
  HWND wnd = StartTandem(tandem, dir.Path());
  ASSERT_NE(wnd, nullptr);
  HWND fnBar = ::GetDlgItem(wnd, 130);
  ASSERT_NE(fnBar, nullptr);

  std::vector<char> big(2u << 20, 'A');
  COPYDATASTRUCT data = {0, static_cast<DWORD>(big.size()), big.data()};
  DWORD_PTR result = 0;
  ::SendMessageTimeoutA(wnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                        10000, &result);
  EXPECT_TRUE(Answers(wnd)) << "after 2 MiB of WM_COPYDATA";

  const LPARAM bogus[] = {0, 0x1234, static_cast<LPARAM>(0x7ff00000dead0LL)};
  for (LPARAM p : bogus) {
    ::PostMessageA(wnd, WM_NOTIFY, 1000, p);
    ::PostMessageA(fnBar, WM_NOTIFY, 1060, p);
    ::SendMessageTimeoutA(wnd, WM_NOTIFY, 1000, p, SMTO_ABORTIFHUNG, 5000, &result);
    ::SendMessageTimeoutA(fnBar, WM_NOTIFY, 1060, p, SMTO_ABORTIFHUNG, 5000, &result);
  }
  // A header of this process's, naming one of Tandem's own windows: its address means
  // nothing in Tandem's process either.
  NMHDR header = {fnBar, 1060, static_cast<UINT>(-722) /* UDN_DELTAPOS */};
  ::PostMessageA(wnd, WM_NOTIFY, 1060, reinterpret_cast<LPARAM>(&header));
  ::SendMessageTimeoutA(wnd, WM_NOTIFY, 1060, reinterpret_cast<LPARAM>(&header),
                        SMTO_ABORTIFHUNG, 5000, &result);
  EXPECT_TRUE(Answers(wnd)) << "after the notifications";
  DWORD code = 99;
  EXPECT_FALSE(tandem.WaitForExit(0, &code)) << "still running";

  ::PostMessageA(wnd, WM_CLOSE, 0, 0);
  ASSERT_TRUE(tandem.WaitForExit(30000, &code));
  EXPECT_EQ(code, 0u) << "and it ends normally when closed";
  EXPECT_EQ(shelltest::IniText(dir.File("Tandem.ini"), "Profile", "MyCallSign"), "XX9ABC/1")
      << "with its settings saved";
}

// The About box opens centred over the main window, wherever that stands.
TEST(RealExit, AboutBoxIsCentredOverTheMainWindow) {
  TempWorkDir dir;
  ChildProcess tandem;
  HWND wnd = StartTandem(tandem, dir.Path());
  ASSERT_NE(wnd, nullptr);
  ::SetWindowPos(wnd, nullptr, 300, 400, 729, 300, SWP_NOZORDER);
  ASSERT_TRUE(Answers(wnd));
  ::PostMessageA(wnd, WM_COMMAND, 57664, 0);
  HWND about = WaitForDialogOf(tandem.Id(), 30000);
  ASSERT_NE(about, nullptr);
  RECT main, box;
  ::GetWindowRect(wnd, &main);
  ::GetWindowRect(about, &box);
  EXPECT_NEAR((box.left + box.right) / 2, (main.left + main.right) / 2, 1);
  EXPECT_NEAR((box.top + box.bottom) / 2, (main.top + main.bottom) / 2, 1);
  ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !::IsWindow(about); }));
  ::PostMessageA(wnd, WM_CLOSE, 0, 0);
  DWORD code = 99;
  EXPECT_TRUE(tandem.WaitForExit(30000, &code));
}
