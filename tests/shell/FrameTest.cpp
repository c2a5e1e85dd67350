// The main frame under Wine with real windows: title, bars at first start, button layout,
// size rules, status bar, menu commands, and what the close request writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "DocTemplate.h"
#include "FwIds.h"
#include "ShellTestSupport.h"
#include "TandemView.h"
#include "resource.h"

using shelltest::AppSession;
using shelltest::PumpUntil;
using testsupport::Press;
using testsupport::WindowText;
using TempWorkDir = testsupport::TempWorkingFolder;

namespace {

// "KEYPORT 連携 for N1MM Logger" in CP932
const char kTitle[] = "KEYPORT \x98\x41\x8c\x67 for N1MM Logger";

// "ウィンドウを常に最前面に表示する" and "WPM速度" in CP932
const char kTopmostPrompt[] =
    "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x82\xf0\x8f\xed\x82\xc9"
    "\x8d\xc5\x91\x4f\x96\xca\x82\xc9\x95\x5c\x8e\xa6\x82\xb7\x82\xe9";
const char kSpeedCaption[] = "WPM\x91\xac\x93\x78";

bool StyleVisible(HWND wnd) { return (::GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE) != 0; }

RECT ChildRect(HWND parent, int id) {
  RECT r;
  ::GetWindowRect(::GetDlgItem(parent, id), &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The width of `text` in the font a window draws with, measured here.
int TextExtent(HWND wnd, const char* text) {
  HDC dc = ::GetDC(wnd);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(wnd, WM_GETFONT, 0, 0)));
  SIZE size = {};
  ::GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(wnd, dc);
  return size.cx;
}

int PaneWidth(CWpmStatusBar& status, int index) {
  UINT id, style;
  int width = 0;
  status.GetPaneInfo(index, id, style, width);
  return width;
}

using MainFrame = shelltest::RunningProgram;

// Menu item state as the user sees it when the menu opens.
UINT MenuState(CMainFrame* frame, int menuIndex, UINT id) {
  HMENU sub = ::GetSubMenu(::GetMenu(frame->m_hWnd), menuIndex);
  ::SendMessageA(frame->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), menuIndex);
  return ::GetMenuState(sub, id, MF_BYCOMMAND);
}

}  // namespace

TEST_F(MainFrame, FirstStartShowsDefaultWindowAndBars) {
  AppSession& session = session_;
  CMainFrame* frame = session.Frame();
  ASSERT_NE(frame, nullptr);
  HWND wnd = frame->m_hWnd;

  EXPECT_EQ(WindowText(wnd), kTitle);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(wnd, GWL_STYLE)) & 0x00CF0000UL, 0x00CE0000UL)
      << "caption, system menu, sizing border, minimise box and no maximise box";
  RECT r;
  ::GetWindowRect(wnd, &r);
  EXPECT_EQ(r.right - r.left, 729);
  EXPECT_EQ(r.bottom - r.top, 150);

  // No saved layout: Fn bar and status bar shown, tool bar and CW bar hidden.
  EXPECT_TRUE(StyleVisible(frame->m_wndFnBar.m_hWnd));
  EXPECT_TRUE(StyleVisible(frame->m_wndStatusBar.m_hWnd));
  EXPECT_FALSE(StyleVisible(frame->m_wndToolBar.m_hWnd));
  EXPECT_FALSE(StyleVisible(frame->m_wndCwBar.m_hWnd));
  EXPECT_EQ(frame->m_wndToolBar.ButtonCount(), 11) << "8 buttons and 3 separators";

  // The system menu has no maximise item.
  HMENU system = ::GetSystemMenu(wnd, FALSE);
  EXPECT_EQ(::GetMenuState(system, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));

  // The title stays the program's whatever the document is called.
  frame->GetActiveDocument()->SetTitle("LOG.TXT");
  EXPECT_TRUE(PumpUntil([&] { return frame->GetActiveDocument()->GetTitle() == "LOG.TXT"; }));
  EXPECT_EQ(WindowText(wnd), kTitle);

  // Bank-B is in use at every start: its labels are on the buttons.
  EXPECT_EQ(frame->m_bankA, 0);
  EXPECT_EQ(WindowText(::GetDlgItem(frame->m_wndFnBar.m_hWnd, 1000)), "DE $M $M [AR]");
  EXPECT_EQ(WindowText(::GetDlgItem(frame->m_wndFnBar.m_hWnd, 1003)), "Fn04");
}

TEST_F(MainFrame, FunctionKeyButtonsAt729Pixels) {
  AppSession& session = session_;
  CMainFrame* frame = session.Frame();
  HWND bar = frame->m_wndFnBar.m_hWnd;

  const int x8[] = {5, 94, 183, 272, 366, 455, 544, 633};
  for (int i = 0; i < 8; ++i) {
    const RECT r = ChildRect(bar, 1000 + i);
    EXPECT_EQ(r.left, x8[i]) << "F" << i + 1;
    EXPECT_EQ(r.top, 4);
    EXPECT_EQ(r.right - r.left, 87);
    EXPECT_EQ(r.bottom - r.top, 19);
  }
  RECT barRect;
  ::GetWindowRect(bar, &barRect);
  EXPECT_EQ(barRect.right - barRect.left, 729) << "the bar takes the frame's outer width";
  RECT client;
  ::GetClientRect(frame->m_hWnd, &client);
  EXPECT_EQ(ChildRect(bar, 1008).left, 727);
  EXPECT_GE(ChildRect(bar, 1008).left, client.right) << "F9 cannot be seen with 8 keys";

  // Ctrl+F12, pressed as the operator presses it: twelve keys.
  ASSERT_TRUE(shelltest::BringToFront(frame->m_hWnd));
  Press(VK_F12, testsupport::kCtrl);
  ASSERT_TRUE(PumpUntil([&] { return frame->m_fn12 == 1; }));
  const int x12[] = {5, 64, 123, 182, 246, 305, 364, 423, 487, 546, 605, 664};
  for (int i = 0; i < 12; ++i) {
    const RECT r = ChildRect(bar, 1000 + i);
    EXPECT_EQ(r.left, x12[i]) << "F" << i + 1;
    EXPECT_EQ(r.right - r.left, 57);
  }
  EXPECT_EQ(MenuState(frame, 2, ID_VIEW_FN12) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(MenuState(frame, 2, ID_VIEW_FN8) & MF_CHECKED, 0u);

  // Twelve again changes nothing; the menu's eight goes back.
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_FN12, 0);
  EXPECT_EQ(ChildRect(bar, 1011).left, 664);
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_FN8, 0);
  EXPECT_EQ(frame->m_fn12, 0);
  EXPECT_EQ(ChildRect(bar, 1004).left, 366);

  // Shift+F switches the bank and relabels; the menu's switch returns to the same labels. No
  // logger has reported, so nothing else is touched.
  Press('F', testsupport::kShift);
  ASSERT_TRUE(PumpUntil([&] { return frame->m_bankA == 1; }));
  EXPECT_EQ(WindowText(::GetDlgItem(bar, 1000)), "CQ DE $M $M $M PSE K");
  EXPECT_EQ(frame->GetLogView()->GetWholeText(), "") << "the key is the program's, not the log's";
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_BANK, 0);
  EXPECT_EQ(frame->m_bankA, 0);
  EXPECT_EQ(WindowText(::GetDlgItem(bar, 1000)), "DE $M $M [AR]");

  // A wider frame spreads the buttons: pitch (1010 - 10) / 8 = 125.
  ::SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 1010, 150, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_TRUE(PumpUntil([&] { return ChildRect(bar, 1001).left == 130; }));
  EXPECT_EQ(ChildRect(bar, 1004).left, 5 + 4 * 125 + 5);
}

TEST_F(MainFrame, BorderDragStopsAt120Pixels) {
  AppSession& session = session_;
  HWND wnd = session.Frame()->m_hWnd;

  // Dragging the top edge down: the bottom edge moves down with it.
  RECT drag = {100, 300, 829, 390};
  ::SendMessageA(wnd, WM_SIZING, WMSZ_TOP, reinterpret_cast<LPARAM>(&drag));
  EXPECT_EQ(drag.top, 300);
  EXPECT_EQ(drag.bottom, 420);
  // Dragging the bottom edge up.
  RECT up = {100, 100, 829, 150};
  ::SendMessageA(wnd, WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&up));
  EXPECT_EQ(up.bottom, 220);
  // A height of 120 or more is left alone.
  RECT fine = {0, 0, 729, 121};
  ::SendMessageA(wnd, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&fine));
  EXPECT_EQ(fine.bottom, 121);
}

TEST_F(MainFrame, StatusBarShowsVersionAndSpeed) {
  AppSession& session = session_;
  CMainFrame* frame = session.Frame();
  CWpmStatusBar& status = frame->m_wndStatusBar;

  ASSERT_EQ(status.PaneCount(), 7);
  const UINT ids[] = {0, ID_INDICATOR_WPM, ID_INDICATOR_LINK, FW_ID_INDICATOR_KANA,
                      FW_ID_INDICATOR_CAPS, FW_ID_INDICATOR_NUM, FW_ID_INDICATOR_SCRL};
  for (int i = 0; i < 7; ++i) {
    UINT id, style;
    int width;
    status.GetPaneInfo(i, id, style, width);
    EXPECT_EQ(id, ids[i]) << "pane " << i;
  }
  EXPECT_EQ(status.m_paneId, static_cast<UINT>(ID_INDICATOR_WPM));
  EXPECT_EQ(frame->m_device, -1);
  ASSERT_TRUE(PumpUntil([&] { return status.GetPaneText(1) == "WPM: 20"; }));
  EXPECT_EQ(status.GetPaneText(0), "KEYPORT Ver.?");
  EXPECT_EQ(PaneWidth(status, 1), TextExtent(status.m_hWnd, "WPM: 20"))
      << "the pane is exactly as wide as its text";

  // PageUp, pressed as the operator presses it: the speed follows at the next idle update on the
  // pane; the CW bar, hidden, is left alone until it is shown, and then shows it at once.
  ASSERT_TRUE(shelltest::BringToFront(frame->m_hWnd));
  Press(VK_PRIOR);
  ASSERT_TRUE(PumpUntil([&] { return status.GetPaneText(1) == "WPM: 21"; }));
  EXPECT_EQ(frame->m_wpm, 21);
  EXPECT_EQ(PaneWidth(status, 1), TextExtent(status.m_hWnd, "WPM: 21"));
  HWND field = ::GetDlgItem(frame->m_wndCwBar.m_hWnd, IDC_WPM_FIELD);
  EXPECT_NE(WindowText(field), "21");
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_CWBAR, 0);
  EXPECT_EQ(WindowText(field), "21");
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_CWBAR, 0);

  // While a menu is browsed the message pane shows prompts; afterwards the version again.
  ::SendMessageA(frame->m_hWnd, WM_MENUSELECT, MAKEWPARAM(ID_VIEW_TOPMOST, MF_STRING),
                 reinterpret_cast<LPARAM>(::GetMenu(frame->m_hWnd)));
  EXPECT_EQ(status.GetPaneText(0), kTopmostPrompt);
  ::SendMessageA(frame->m_hWnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  EXPECT_EQ(status.GetPaneText(0), "KEYPORT Ver.?") << "the idle text is the version";

  // A click inside the speed pane is remembered; one outside it is not.
  RECT pane;
  ASSERT_TRUE(status.GetItemRect(1, &pane));
  ::SendMessageA(status.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pane.left - 20, 5));
  EXPECT_EQ(status.m_paneClicked, 0);
  ::SendMessageA(status.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pane.left + 3, 5));
  ::SendMessageA(status.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(pane.left + 3, 5));
  EXPECT_EQ(status.m_paneClicked, 1);
  // The idle update takes the click and opens the speed dialog once; Cancel closes it.
  int opened = 0;
  shelltest::Operate([&] {
    HWND dialog = testsupport::WaitForOwnDialog([](HWND w) { return WindowText(w) == kSpeedCaption; });
    if (!dialog) return;
    ++opened;
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    testsupport::WaitUntil([&] { return !::IsWindow(dialog); });
    // No second one follows.
    if (testsupport::WaitForOwnDialog([](HWND w) { return WindowText(w) == kSpeedCaption; }, 500)) ++opened;
  });
  EXPECT_EQ(opened, 1) << "one speed dialog";
  EXPECT_EQ(status.m_paneClicked, 0) << "the idle update takes the click";
}

TEST_F(MainFrame, ViewMenuTogglesBarsAndTopmost) {
  AppSession& session = session_;
  CMainFrame* frame = session.Frame();
  HWND wnd = frame->m_hWnd;

  EXPECT_EQ(MenuState(frame, 2, ID_VIEW_FNBAR) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  ::SendMessageA(wnd, WM_COMMAND, ID_VIEW_FNBAR, 0);
  EXPECT_FALSE(StyleVisible(frame->m_wndFnBar.m_hWnd)) << "hidden at once";
  EXPECT_EQ(MenuState(frame, 2, ID_VIEW_FNBAR) & MF_CHECKED, 0u);
  ::SendMessageA(wnd, WM_COMMAND, ID_VIEW_CWBAR, 0);
  EXPECT_TRUE(StyleVisible(frame->m_wndCwBar.m_hWnd));
  ::SendMessageA(wnd, WM_COMMAND, FW_ID_VIEW_TOOLBAR, 0);
  EXPECT_TRUE(StyleVisible(frame->m_wndToolBar.m_hWnd));
  EXPECT_EQ(MenuState(frame, 2, FW_ID_VIEW_TOOLBAR) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));

  // The view takes what the visible bars leave.
  RECT client, view, cw;
  ::GetClientRect(wnd, &client);
  ::GetWindowRect(frame->GetActiveView()->m_hWnd, &view);
  ::GetWindowRect(frame->m_wndCwBar.m_hWnd, &cw);
  EXPECT_GE(view.top, cw.bottom);

  // Always on top, and back.
  EXPECT_EQ(frame->m_viewTop, 0);
  ::SendMessageA(wnd, WM_COMMAND, ID_VIEW_TOPMOST, 0);
  EXPECT_TRUE(::GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(frame->m_viewTop, 1);
  EXPECT_EQ(MenuState(frame, 2, ID_VIEW_TOPMOST) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  ::SendMessageA(wnd, WM_COMMAND, ID_VIEW_TOPMOST, 0);
  EXPECT_FALSE(::GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(frame->m_viewTop, 0);

  // The tools and help commands are usable.
  EXPECT_EQ(MenuState(frame, 3, ID_TOOLS_OPTIONS) & MF_GRAYED, 0u);
  EXPECT_EQ(MenuState(frame, 4, ID_HELP_MANUAL) & MF_GRAYED, 0u);
}

TEST(Restart, ViewTopSetting) {
  for (int stored : {1, 2}) {
    TempWorkDir dir;
    ::WritePrivateProfileStringA("Window", "ViewTop", stored == 1 ? "1" : "2",
                                 dir.File("Tandem.ini").c_str());
    AppSession session;
    ASSERT_TRUE(session.Start());
    CMainFrame* frame = session.Frame();
    const bool topmost = (::GetWindowLongA(frame->m_hWnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    EXPECT_EQ(topmost, stored == 1) << "only exactly 1 starts on top; stored " << stored;
    EXPECT_EQ(frame->m_viewTop, stored);
    if (stored == 2) {
      frame->ToggleTopmost();
      EXPECT_EQ(frame->m_viewTop, 1) << "the first toggle makes it topmost and stores 1";
    }
  }
}

namespace {
// The "Visible" value the settings file holds for the bar with id `barId`.
std::string StoredVisible(const std::string& ini, int barId) {
  for (int i = 0; i < 4; ++i) {
    const std::string section = "ToolBar-Bar" + std::to_string(i);
    if (shelltest::IniText(ini, section.c_str(), "BarID") == std::to_string(barId))
      return shelltest::IniText(ini, section.c_str(), "Visible");
  }
  return "<no bar " + std::to_string(barId) + ">";
}
}  // namespace

TEST(Restart, CloseRequestWritesPlacementAndBarLayout) {
  TempWorkDir dir;
  const std::string ini = dir.File("Tandem.ini");
  {
    AppSession session;
    ASSERT_TRUE(session.Start());
    CMainFrame* frame = session.Frame();
    ::SetWindowPos(frame->m_hWnd, nullptr, 40, 60, 800, 200, SWP_NOZORDER);
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_CWBAR, 0);
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, FW_ID_VIEW_STATUS_BAR, 0);
    // The speed, as the operator changes it: PageDown.
    ASSERT_TRUE(shelltest::BringToFront(frame->m_hWnd));
    Press(VK_NEXT);
    ASSERT_TRUE(PumpUntil([&] { return frame->m_wpm == 19; }));
    session.RequestClose();
    EXPECT_EQ(session.Frame(), nullptr) << "an unmodified log closes without a question";
  }
  const std::string pos = shelltest::IniText(ini, "Window", "pos");
  EXPECT_EQ(pos.size(), 88u);
  EXPECT_EQ(pos.substr(0, 8), "MCAAAAAA") << "length field 44, low nibble first";
  EXPECT_EQ(shelltest::IniText(ini, "ToolBar-Summary", "Bars"), "4");
  // Tool bar 59392, status bar 59393, Fn bar 130, CW bar 132.
  EXPECT_EQ(StoredVisible(ini, 59392), "0");
  EXPECT_EQ(StoredVisible(ini, 59393), "0");
  EXPECT_EQ(StoredVisible(ini, 130), "1");
  EXPECT_EQ(StoredVisible(ini, 132), "1");
  EXPECT_EQ(shelltest::IniText(ini, "Keyer", "WPM"), "19") << "settings saved at the close";

  AppSession again;
  ASSERT_TRUE(again.Start());
  CMainFrame* frame = again.Frame();
  RECT r;
  ::GetWindowRect(frame->m_hWnd, &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 60);
  EXPECT_EQ(r.right - r.left, 800);
  EXPECT_EQ(r.bottom - r.top, 200);
  EXPECT_TRUE(StyleVisible(frame->m_wndCwBar.m_hWnd)) << "layout restored";
  EXPECT_FALSE(StyleVisible(frame->m_wndStatusBar.m_hWnd));
  EXPECT_TRUE(StyleVisible(frame->m_wndFnBar.m_hWnd));
  EXPECT_FALSE(StyleVisible(frame->m_wndToolBar.m_hWnd));
  EXPECT_EQ(frame->m_wpm, 19);
}

TEST_F(MainFrame, CancelledCloseHasWrittenPlacementAlready) {
  AppSession& session = session_;
  CMainFrame* frame = session.Frame();
  frame->GetLogView()->AppendToLog("CQ TEST");
  ASSERT_TRUE(frame->GetActiveDocument()->IsModified());
  {
    testsupport::OwnDialogAnswerer answerer(IDCANCEL);
    session.RequestClose();
    EXPECT_EQ(answerer.Texts(), std::vector<std::string>{shelltest::AskToSave(shelltest::kUntitled)});
  }
  ASSERT_NE(session.Frame(), nullptr) << "Cancel keeps the program running";
  EXPECT_EQ(shelltest::IniText(dir_.File("Tandem.ini"), "Window", "pos").size(), 88u);
  EXPECT_EQ(shelltest::IniText(dir_.File("Tandem.ini"), "ToolBar-Summary", "Bars"), "4");
}

TEST(StartUp, SettingsPathMustFitThePathBuffer) {
  EXPECT_EQ(CTandemHLApp::SettingsPathFor("C:\\logs"), "C:\\logs\\Tandem.ini");
  EXPECT_EQ(CTandemHLApp::SettingsPathFor("C:\\"), "C:\\Tandem.ini") << "a root keeps one separator";
  // 248 characters + "\\Tandem.ini" (11) + the terminator = 260: fits; one more does not.
  const std::string fits = "C:\\" + std::string(245, 'd');
  ASSERT_EQ(fits.size(), 248u);
  EXPECT_EQ(CTandemHLApp::SettingsPathFor(fits).size(), 259u);
  EXPECT_EQ(CTandemHLApp::SettingsPathFor(fits + "d"), "") << "refused, not written elsewhere";
}

TEST(StartUp, SettingsStayInAFolderWhoseNameEndsInABackslashSecondByte) {
  // 一覧表, ソ and 十 end in the byte of '\\' in code page 932.
  for (const std::string name : {"\x88\xea\x97\x97\x95\x5c", "\x83\x5c", "\x8f\x5c"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CTandemHLApp::SettingsPathFor("C:\\" + name), "C:\\" + name + "\\Tandem.ini");
    EXPECT_EQ(CTandemHLApp::SettingsPathFor("C:\\" + name + "\\"), "C:\\" + name + "\\Tandem.ini");
  }

  // Started in 一覧表, which holds the operator's settings: they are read and written there.
  TempWorkDir dir;
  const std::string folder = dir.File("\x88\xea\x97\x97\x95\x5c");
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  const std::string ini = folder + "\\Tandem.ini";
  ASSERT_TRUE(::WritePrivateProfileStringA("Keyer", "WPM", "33", ini.c_str()));
  {
    testsupport::CurrentFolder inside(folder);
    ASSERT_TRUE(inside.Entered());
    AppSession session;
    ASSERT_TRUE(session.Start());
    EXPECT_EQ(session.App().m_profilePath, ini);
    EXPECT_EQ(session.Frame()->m_wpm, 33);
    session.End();
  }
  EXPECT_EQ(shelltest::IniText(ini, "Keyer", "WPM"), "33");
  EXPECT_NE(shelltest::IniText(ini, "Bank-A", "Fn02"), "") << "the settings were written there";
  EXPECT_EQ(::GetFileAttributesA((folder + "Tandem.ini").c_str()), INVALID_FILE_ATTRIBUTES)
      << "no settings file beside the folder under a name run together with its own";
}

TEST(StartUp, TooLongWorkingDirectoryRefusesToStart) {
  TempWorkDir dir;
  std::vector<std::string> made;
  std::string deep = dir.Path();
  while (deep.size() < 252) {
    deep += "\\" + std::string(std::min<size_t>(60, 252 - deep.size()), 'd');
    if (!::CreateDirectoryA(deep.c_str(), nullptr)) break;
    made.push_back(deep);
  }
  const bool entered = deep.size() >= 252 && ::SetCurrentDirectoryA(deep.c_str());
  if (entered) {
    testsupport::OwnDialogAnswerer answerer(IDOK);
    AppSession session;
    EXPECT_FALSE(session.Start());
    EXPECT_EQ(session.Frame(), nullptr) << "no window";
    const std::vector<std::string> texts = answerer.Texts();
    ASSERT_EQ(texts.size(), 1u) << "one message in the program's words";
    EXPECT_NE(texts[0].find("Tandem.ini"), std::string::npos) << texts[0];
    EXPECT_EQ(session.App().m_profilePath, "");
  }
  ::SetCurrentDirectoryA(dir.Path().c_str());
  for (auto it = made.rbegin(); it != made.rend(); ++it) ::RemoveDirectoryA(it->c_str());
  if (!entered) GTEST_SKIP() << "the system does not allow a working folder that long";
}

TEST(Restart, DamagedBarLayoutIsTakenAsFarAsItMakesSense) {
  TempWorkDir dir;
  const std::string ini = dir.File("Tandem.ini");
  ::WritePrivateProfileStringA("ToolBar-Summary", "Bars", "2000000000", ini.c_str());
  ::WritePrivateProfileStringA("ToolBar-Bar0", "BarID", "132", ini.c_str());
  ::WritePrivateProfileStringA("ToolBar-Bar0", "Visible", "1", ini.c_str());
  ::WritePrivateProfileStringA("ToolBar-Bar0", "Docking", "7", ini.c_str());
  ::WritePrivateProfileStringA("ToolBar-Bar1", "BarID", "999", ini.c_str());
  ::WritePrivateProfileStringA("ToolBar-Bar2", "BarID", "130", ini.c_str());
  ::WritePrivateProfileStringA("ToolBar-Bar2", "Visible", "1", ini.c_str());
  ::WritePrivateProfileStringA("ToolBar-Bar2", "Docking", "2", ini.c_str());
  AppSession session;
  ASSERT_TRUE(session.Start());  // without reading two thousand million sections first
  CMainFrame* frame = session.Frame();
  EXPECT_TRUE(StyleVisible(frame->m_wndCwBar.m_hWnd));
  EXPECT_EQ(frame->m_wndCwBar.m_dock, CControlBar::DockTop) << "an unknown edge is ignored";
  EXPECT_EQ(frame->m_wndFnBar.m_dock, CControlBar::DockBottom) << "a known edge is taken";
  EXPECT_FALSE(StyleVisible(frame->m_wndToolBar.m_hWnd)) << "not in the layout: as before";
  // The Fn bar now sits below the view, above the status bar.
  RECT view, fn, status;
  ::GetWindowRect(frame->GetActiveView()->m_hWnd, &view);
  ::GetWindowRect(frame->m_wndFnBar.m_hWnd, &fn);
  ::GetWindowRect(frame->m_wndStatusBar.m_hWnd, &status);
  EXPECT_GE(fn.top, view.bottom);
  EXPECT_LE(fn.bottom, status.top);
}
