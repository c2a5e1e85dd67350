// A page of the Options sheet in Tandem.exe, a process of its own, while another program (this
// test) sends and posts it notifications whose pointers mean nothing in Tandem's process. The
// sheet runs its own modal loop, which hands posted messages on to the page.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <string>

#include "OptionsIds.h"
#include "ShellTestSupport.h"
#include "resource.h"

namespace {

bool IsOptionsSheet(HWND w) {
  return testsupport::IsDialog(w) && ::IsWindowVisible(w) &&
         ::FindWindowExA(w, nullptr, WC_TABCONTROLA, nullptr) != nullptr;
}

// The window's thread still answers, within a time limit.
bool Answers(HWND w) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
}

bool Checked(HWND button) {
  DWORD_PTR state = 0;
  return ::SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state) &&
         state == BST_CHECKED;
}

}  // namespace

TEST(PropertyPageNotify, NotificationsFromAnotherProcessAreNotRead) {
  testsupport::TempWorkingFolder dir;
  testsupport::ChildProcess tandem;
  HWND wnd = shelltest::StartTandem(tandem, dir.Path());
  ASSERT_NE(wnd, nullptr);
  ::PostMessageA(wnd, WM_COMMAND, MAKEWPARAM(ID_TOOLS_OPTIONS, 0), 0);
  HWND sheet = testsupport::WaitForTopLevel(tandem.Id(), IsOptionsSheet, 30000);
  ASSERT_NE(sheet, nullptr) << "the Options sheet did not open";
  DWORD_PTR pageValue = 0;
  ASSERT_TRUE(::SendMessageTimeoutA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 5000, &pageValue));
  HWND page = reinterpret_cast<HWND>(pageValue);
  ASSERT_TRUE(::IsWindow(page));
  HWND bankA = ::GetDlgItem(page, IDC_OPT_BANK_A);
  HWND bankB = ::GetDlgItem(page, IDC_OPT_BANK_B);
  ASSERT_TRUE(Checked(bankA)) << "the memory page does not show Bank-A";

  // Pointers that lead nowhere in Tandem, and one to a header of this process naming the sheet
  // as the sender of an Apply (in Tandem that address holds something else, or nothing).
  NMHDR apply = {sheet, 0, static_cast<UINT>(PSN_APPLY)};
  const LPARAM pointers[] = {0, 0x1234, static_cast<LPARAM>(~static_cast<UINT_PTR>(0) - 0xFFF),
                             reinterpret_cast<LPARAM>(&apply)};
  for (LPARAM p : pointers) {
    ::PostMessageA(page, WM_NOTIFY, 0, p);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(page, WM_NOTIFY, 0, p, SMTO_ABORTIFHUNG, 5000, &result);
  }
  // Posted messages are handled in order: once the page shows Bank-B, it has had every
  // notification posted before.
  ::PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OPT_BANK_B, BN_CLICKED), reinterpret_cast<LPARAM>(bankB));
  const bool shown = testsupport::WaitUntil([&] { return !tandem.Running() || Checked(bankB); }, 15000);
  ASSERT_TRUE(tandem.Running() && Answers(sheet)) << "Tandem fell over a notification from another process";
  EXPECT_TRUE(shown) << "the page did not go on with its own work";
  EXPECT_TRUE(::IsWindowVisible(sheet)) << "the sheet closed";

  // Cancel, then close the program as the operator does: it ends normally.
  ::PostMessageA(sheet, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_TRUE(testsupport::WaitUntil([&] { return !::IsWindow(sheet); }, 15000));
  ::PostMessageA(wnd, WM_CLOSE, 0, 0);
  DWORD code = 99;
  EXPECT_TRUE(tandem.WaitForExit(30000, &code));
  EXPECT_EQ(code, 0u);
}
