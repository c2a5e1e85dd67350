// The frame's bars under Wine with real windows: the status bar after the window grows, the
// tool bar's gripper and fly-by prompts, dragging bars to float and back to an edge, and the
// layout restored at the next start.
#include <gtest/gtest.h>

#include <string>

#include "DocTemplate.h"
#include "FwIds.h"
#include "MiniFrameWnd.h"
#include "ShellTestSupport.h"
#include "TandemView.h"
#include "resource.h"

using shelltest::AppSession;
using shelltest::PumpUntil;
using shelltest::Settle;
using testsupport::WindowText;
using TempWorkDir = testsupport::TempWorkingFolder;

namespace {

// "Fnメッセージ" and "CWメニュー" in CP932
const char kFnCaption[] = "Fn\x83\x81\x83\x62\x83\x5a\x81\x5b\x83\x57";
const char kCwCaption[] = "CW\x83\x81\x83\x6a\x83\x85\x81\x5b";

// Dark pixels (text) inside `r` of what `wnd` shows on the screen now.
int DarkPixels(HWND wnd, const RECT& r) {
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  HDC dc = ::GetDC(wnd);
  HDC mem = ::CreateCompatibleDC(dc);
  HBITMAP bitmap = ::CreateCompatibleBitmap(dc, w, h);
  HGDIOBJ old = ::SelectObject(mem, bitmap);
  ::BitBlt(mem, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
  int dark = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const COLORREF c = ::GetPixel(mem, x, y);
      if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) ++dark;
    }
  }
  ::SelectObject(mem, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(mem);
  ::ReleaseDC(wnd, dc);
  return dark;
}

LPARAM Client(HWND wnd, POINT screen) {
  ::ScreenToClient(wnd, &screen);
  return MAKELPARAM(screen.x, screen.y);
}

// A drag with the left button that starts on `bar` at its client point `from` and ends at
// screen point `to`, in the messages the mouse gives (the bar holds the capture meanwhile).
void DragBackground(HWND bar, POINT from, POINT to) {
  ::SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  ASSERT_EQ(::GetCapture(), bar) << "the drag holds the mouse";
  ::SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, Client(bar, to));
  ::SendMessageA(bar, WM_LBUTTONUP, 0, Client(bar, to));
  Settle();
}

// The same, started on a non-client handle (a gripper, a floating window's caption) of
// `handle`, the capture then being `bar`'s.
void DragHandle(HWND handle, HWND bar, POINT from, POINT to) {
  ::SendMessageA(handle, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(from.x, from.y));
  ASSERT_EQ(::GetCapture(), bar);
  ::SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, Client(bar, to));
  ::SendMessageA(bar, WM_LBUTTONUP, 0, Client(bar, to));
  Settle();
}

RECT ClientOnScreen(HWND wnd) {
  RECT r;
  ::GetClientRect(wnd, &r);
  ::MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

bool StyleVisible(HWND wnd) { return (::GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// A child's window rectangle in the frame's client coordinates.
RECT InFrame(HWND frame, HWND child) {
  RECT r;
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT WindowRect(HWND wnd) {
  RECT r;
  ::GetWindowRect(wnd, &r);
  return r;
}

using Bars = shelltest::RunningProgram;

}  // namespace

TEST_F(Bars, StatusBarStaysDrawnWhenTheWindowGrows) {
  CMainFrame* frame = frame_;
  ::SetWindowPos(frame->m_hWnd, nullptr, 50, 50, 729, 150, SWP_NOZORDER);
  CWpmStatusBar& status = frame->m_wndStatusBar;
  RECT pane;
  ASSERT_TRUE(status.GetItemRect(0, &pane));
  int before = 0;
  ASSERT_TRUE(PumpUntil([&] { return (before = DarkPixels(status.m_hWnd, pane)) > 20; }))
      << "the version text is drawn at 150 pixels";

  // The bottom edge dragged down from 150 to 320 pixels.
  for (int h = 160; h <= 320; h += 40) {
    RECT drag = {50, 50, 779, 50 + h};
    ::SendMessageA(frame->m_hWnd, WM_SIZING, WMSZ_BOTTOM, reinterpret_cast<LPARAM>(&drag));
    ::SetWindowPos(frame->m_hWnd, nullptr, 0, 0, 729, drag.bottom - drag.top,
                   SWP_NOMOVE | SWP_NOZORDER);
    Settle();
  }
  ASSERT_TRUE(status.GetItemRect(0, &pane));
  EXPECT_TRUE(PumpUntil([&] { return DarkPixels(status.m_hWnd, pane) > before / 2; }))
      << "the version text is still drawn";
  RECT speed;
  ASSERT_TRUE(status.GetItemRect(1, &speed));
  EXPECT_TRUE(PumpUntil([&] { return DarkPixels(status.m_hWnd, speed) > 10; })) << "and the speed";
  EXPECT_EQ(status.GetPaneText(0), "KEYPORT Ver.?");
}

TEST_F(Bars, ToolBarGripperAndFlyByPrompts) {
  CMainFrame* frame = frame_;
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, FW_ID_VIEW_TOOLBAR, 0);
  Settle();
  HWND bar = frame->m_wndToolBar.m_hWnd;

  // The gripper: a strip of the bar's window ahead of its buttons, answering as a handle.
  RECT window = WindowRect(bar);
  RECT client = ClientOnScreen(bar);
  EXPECT_EQ(client.left - window.left, 8);
  EXPECT_EQ(::SendMessageA(bar, WM_NCHITTEST, 0, MAKELPARAM(window.left + 3, window.top + 5)),
            HTCAPTION);

  // Resting on the Open button shows its prompt; idle updates leave it there.
  RECT button;
  ASSERT_TRUE(::SendMessageA(bar, TB_GETRECT, FW_ID_FILE_OPEN, reinterpret_cast<LPARAM>(&button)));
  ::SendMessageA(bar, WM_MOUSEMOVE, 0,
                 MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2));
  // The framework's own prompt, whose text the program does not choose.
  const std::string prompt = LoadResString(FW_ID_FILE_OPEN);
  const std::string shown = prompt.substr(0, prompt.find('\n'));
  ASSERT_FALSE(shown.empty());
  EXPECT_TRUE(PumpUntil([&] { return frame->m_wndStatusBar.GetPaneText(0) == shown; }));
  Settle();
  EXPECT_EQ(frame->m_wndStatusBar.GetPaneText(0), shown) << "idle updates leave it there";
  // Leaving the buttons: the version again.
  ::SendMessageA(bar, TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
  EXPECT_TRUE(PumpUntil([&] { return frame->m_wndStatusBar.GetPaneText(0) == "KEYPORT Ver.?"; }));
}

TEST(BarLayout, DragToFloatDockBackAndRestoreAtNextStart) {
  TempWorkDir dir;
  RECT cwFloat = {};
  {
    AppSession session;
    ASSERT_TRUE(session.Start());
    CMainFrame* frame = session.Frame();
    HWND wnd = frame->m_hWnd;
    ::SetWindowPos(wnd, nullptr, 100, 100, 729, 220, SWP_NOZORDER);
    Settle();
    HWND fn = frame->m_wndFnBar.m_hWnd;

    // The Fn bar dragged by its background, away below the frame: it floats.
    const RECT frameRect = WindowRect(wnd);
    DragBackground(fn, POINT{2, 1}, POINT{300, frameRect.bottom + 200});
    ASSERT_TRUE(frame->m_wndFnBar.IsFloating());
    HWND floating = frame->m_wndFnBar.m_floatWnd->m_hWnd;
    EXPECT_EQ(::GetParent(fn), floating);
    EXPECT_TRUE(::IsWindowVisible(floating));
    EXPECT_EQ(WindowText(floating), kFnCaption);
    EXPECT_TRUE(::GetWindowLongA(floating, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(::GetWindow(floating, GW_OWNER), wnd);
    EXPECT_GE(WindowRect(floating).top, frameRect.bottom) << "where it was let go";
    // The view takes the place the bar left.
    EXPECT_EQ(InFrame(wnd, frame->GetActiveView()->m_hWnd).top, 0);
    // Its buttons still key: F1 of Bank-B goes to the log.
    ::SendMessageA(::GetDlgItem(fn, 1000), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return frame->GetLogView()->GetWholeText().rfind("DE XX9ABC/1", 0) == 0; }))
        << frame->GetLogView()->GetWholeText();

    // Dragged by its caption to the frame's bottom edge: docked there, above the status bar.
    const RECT caption = WindowRect(floating);
    const RECT area = ClientOnScreen(wnd);
    DragHandle(floating, fn, POINT{caption.left + 30, caption.top + 5},
               POINT{(area.left + area.right) / 2, area.bottom - 4});
    EXPECT_FALSE(frame->m_wndFnBar.IsFloating());
    EXPECT_FALSE(::IsWindow(floating)) << "its floating window is gone";
    EXPECT_EQ(::GetParent(fn), wnd);
    EXPECT_EQ(frame->m_wndFnBar.m_dock, CControlBar::DockBottom);
    EXPECT_LE(InFrame(wnd, fn).bottom, InFrame(wnd, frame->m_wndStatusBar.m_hWnd).top);
    EXPECT_GE(InFrame(wnd, fn).top, InFrame(wnd, frame->GetActiveView()->m_hWnd).bottom);

    // The CW bar, dragged into the middle of the log, floats too.
    ::SendMessageA(wnd, WM_COMMAND, ID_VIEW_CWBAR, 0);
    Settle();
    DragBackground(frame->m_wndCwBar.m_hWnd, POINT{1, 1},
                   POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2});
    ASSERT_TRUE(frame->m_wndCwBar.IsFloating());
    HWND cwWindow = frame->m_wndCwBar.m_floatWnd->m_hWnd;
    EXPECT_EQ(WindowText(cwWindow), kCwCaption);
    ::SetWindowPos(cwWindow, nullptr, 333, 444, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    cwFloat = WindowRect(cwWindow);

    // The tool bar dragged by its gripper to the left edge: a column of buttons there.
    ::SendMessageA(wnd, WM_COMMAND, FW_ID_VIEW_TOOLBAR, 0);
    HWND tb = frame->m_wndToolBar.m_hWnd;
    const RECT grip = WindowRect(tb);
    DragHandle(tb, tb, POINT{grip.left + 3, grip.top + 5},
               POINT{area.left + 3, (area.top + area.bottom) / 2});
    EXPECT_EQ(frame->m_wndToolBar.m_dock, CControlBar::DockLeft);
    const RECT column = InFrame(wnd, tb);
    EXPECT_EQ(column.left, 0);
    EXPECT_GT(column.bottom - column.top, column.right - column.left);
    RECT first, second;
    ::SendMessageA(tb, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    ::SendMessageA(tb, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    EXPECT_GT(second.top, first.top) << "buttons one below the other";
    EXPECT_GE(InFrame(wnd, frame->GetActiveView()->m_hWnd).left, column.right);

    // A bar that may not dock at the left is floated there instead of docking.
    EXPECT_EQ(frame->DockEdgeAt(&frame->m_wndCwBar, POINT{area.left + 3, (area.top + area.bottom) / 2}), 0);
    frame->GetActiveDocument()->SetModifiedFlag(false);  // F1 went to the log
    session.RequestClose();
    ASSERT_EQ(session.Frame(), nullptr);
  }

  // The next start: the same places.
  AppSession again;
  ASSERT_TRUE(again.Start());
  CMainFrame* frame = again.Frame();
  EXPECT_FALSE(frame->m_wndFnBar.IsFloating());
  EXPECT_EQ(frame->m_wndFnBar.m_dock, CControlBar::DockBottom);
  ASSERT_TRUE(frame->m_wndCwBar.IsFloating());
  const RECT cw = WindowRect(frame->m_wndCwBar.m_floatWnd->m_hWnd);
  EXPECT_EQ(cw.left, cwFloat.left);
  EXPECT_EQ(cw.top, cwFloat.top);
  EXPECT_TRUE(StyleVisible(frame->m_wndCwBar.m_floatWnd->m_hWnd));
  EXPECT_TRUE(StyleVisible(frame->m_wndToolBar.m_hWnd));
  EXPECT_EQ(frame->m_wndToolBar.m_dock, CControlBar::DockLeft);

  // Its close box hides a floating bar; the View menu brings it back where it floated.
  ::SendMessageA(frame->m_wndCwBar.m_floatWnd->m_hWnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(StyleVisible(frame->m_wndCwBar.m_floatWnd->m_hWnd));
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_CWBAR, 0);
  EXPECT_TRUE(StyleVisible(frame->m_wndCwBar.m_floatWnd->m_hWnd));
  EXPECT_EQ(WindowRect(frame->m_wndCwBar.m_floatWnd->m_hWnd).left, cwFloat.left);
}

namespace {
// The pointer moved to `p` and, with `flags`, a button pressed or let go there; returns once the
// frame has handled what the mouse gave.
void MouseTo(POINT p, DWORD flags) {
  ::SetCursorPos(p.x, p.y);
  PumpUntil([&] {
    POINT now = {};
    ::GetCursorPos(&now);
    return now.x == p.x && now.y == p.y;
  });
  Settle();
  if (flags == 0) return;
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ::SendInput(1, &input, sizeof(input));
  const bool down = (flags & MOUSEEVENTF_LEFTDOWN) != 0;
  const bool up = (flags & MOUSEEVENTF_LEFTUP) != 0;
  PumpUntil([&] {
    const bool pressed = (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) != 0;
    return (!down || pressed) && (!up || !pressed) && HIWORD(::GetQueueStatus(QS_INPUT)) == 0;
  });
  Settle();
}
}  // namespace

// The same drag with the system's own mouse input: pressed on the Fn bar's background, moved
// away below the frame and let go there.
TEST_F(Bars, MouseDragFloatsTheFnBar) {
  CMainFrame* frame = frame_;
  ::SetWindowPos(frame->m_hWnd, HWND_TOPMOST, 100, 100, 729, 200, 0);
  ASSERT_TRUE(shelltest::BringToFront(frame->m_hWnd));
  HWND fn = frame->m_wndFnBar.m_hWnd;
  POINT start = {2, 1};
  ::ClientToScreen(fn, &start);
  ASSERT_EQ(::WindowFromPoint(start), fn) << "the bar's background is under the pointer";
  const RECT frameRect = WindowRect(frame->m_hWnd);
  MouseTo(start, MOUSEEVENTF_LEFTDOWN);
  MouseTo(POINT{start.x + 20, start.y + 20}, MOUSEEVENTF_MOVE);
  MouseTo(POINT{start.x + 40, frameRect.bottom + 150}, MOUSEEVENTF_MOVE);
  MouseTo(POINT{start.x + 40, frameRect.bottom + 150}, MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(PumpUntil([&] { return frame->m_wndFnBar.IsFloating(); }));
  EXPECT_GE(WindowRect(frame->m_wndFnBar.m_floatWnd->m_hWnd).top, frameRect.bottom);
  EXPECT_EQ(::GetCapture(), nullptr) << "the mouse is free again";
}

// The CW bar's Send button, clicked on the button itself: the bar hands the command to the frame,
// which writes the text to the log and queues what follows its first character. Keys through the
// frame's loop then work on that queue: Backspace takes back the last character, F1 goes behind
// what waits, Esc drops it all, and a Backspace with nothing waiting is swallowed.
TEST_F(Bars, SendButtonAndKeysWorkTheSendQueue) {
  CMainFrame* frame = frame_;
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_VIEW_CWBAR, 0);
  ASSERT_TRUE(shelltest::BringToFront(frame->m_hWnd));
  HWND edit = frame->m_wndCwBar.GetItem(IDC_SEND_TEXT);
  testsupport::Click(edit);
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == edit; }));
  testsupport::TypeText("TEST");
  ASSERT_TRUE(PumpUntil([&] { return WindowText(edit) == "TEST"; }));

  ::SendMessageA(frame->m_wndCwBar.GetItem(IDC_SEND_BUTTON), BM_CLICK, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return frame->m_sendQueue == "EST"; })) << frame->m_sendQueue;
  EXPECT_EQ(frame->GetLogView()->GetWholeText(), "TEST");
  EXPECT_EQ(WindowText(edit), "");

  testsupport::Click(frame->GetLogView()->m_hWnd);
  ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == frame->GetLogView()->m_hWnd; }));
  testsupport::Press(VK_BACK);
  EXPECT_TRUE(PumpUntil([&] { return frame->m_sendQueue == "ES"; })) << frame->m_sendQueue;
  testsupport::Press(VK_F1);
  EXPECT_TRUE(PumpUntil([&] { return frame->m_sendQueue.size() > 2; }));
  EXPECT_EQ(frame->m_sendQueue.compare(0, 2, "ES"), 0) << frame->m_sendQueue;
  EXPECT_NE(frame->m_sendQueue.find("DE XX9ABC/1"), std::string::npos) << frame->m_sendQueue;
  testsupport::Press(VK_ESCAPE);
  EXPECT_TRUE(PumpUntil([&] { return frame->m_sendQueue.empty(); })) << frame->m_sendQueue;

  const std::string log = frame->GetLogView()->GetWholeText();
  testsupport::Press(VK_BACK);
  testsupport::Press(VK_F1);  // the path is live: this one arrives after the Backspace
  EXPECT_TRUE(PumpUntil([&] { return !frame->m_sendQueue.empty(); }));
  EXPECT_EQ(frame->GetLogView()->GetWholeText().compare(0, log.size(), log), 0)
      << "the Backspace with nothing waiting erased nothing: " << frame->GetLogView()->GetWholeText();
  frame->GetActiveDocument()->SetModifiedFlag(false);
}
