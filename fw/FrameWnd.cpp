#include "FrameWnd.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "App.h"
#include "DocTemplate.h"
#include "EditView.h"
#include "FwIds.h"
#include "MiniFrameWnd.h"
#include "StatusBar.h"

namespace {

const char kFrameClass[] = "FwFrame";
// Width of a docked bar's gripper.
const int kGripperSize = 8;
// How near an edge of the client area a dragged bar must be let go to dock there.
const int kDockBand = 32;
// How often a waiting close request ends the next modal window.
const UINT kClosePendingTickMs = 100;

// The WS_VISIBLE bit: a bar counts as shown even while the frame itself is still hidden.
bool Shown(const CWnd* wnd) {
  return wnd->m_hWnd && (::GetWindowLongA(wnd->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

class CMenuCmdUI : public CCmdUI {
 public:
  CMenuCmdUI(UINT id, HMENU menu) : CCmdUI(id), m_menu(menu) {}
  void Enable(bool on) override {
    ::EnableMenuItem(m_menu, m_nID, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  }
  void SetCheck(int check) override {
    ::CheckMenuItem(m_menu, m_nID, MF_BYCOMMAND | (check ? MF_CHECKED : MF_UNCHECKED));
  }

 private:
  HMENU m_menu;
};

// Asks the update handlers whether a command is enabled, changing nothing on screen.
class CTestCmdUI : public CCmdUI {
 public:
  explicit CTestCmdUI(UINT id) : CCmdUI(id) {}
  void Enable(bool on) override { m_enabled = on; }
  bool m_enabled = true;
};

}  // namespace

SIZE CControlBar::WindowSize() const {
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int CControlBar::FixedHeight() const { return WindowSize().cy; }

int CControlBar::FixedWidth() const { return WindowSize().cx; }

SIZE CControlBar::FloatingSize() const { return WindowSize(); }

bool CControlBar::CreateBarControl(CFrameWnd* frame, const char* className, DWORD controlStyle,
                                   DWORD style, UINT id, int height) {
  // The frame places the bar.
  HWND hwnd = ::CreateWindowExA(0, className, "",
                                WS_CHILD | CCS_NOPARENTALIGN | controlStyle | (style & WS_VISIBLE),
                                0, 0, 100, height, frame->m_hWnd,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                ::GetModuleHandleA(nullptr), nullptr);
  if (!hwnd || !Subclass(hwnd)) return false;
  m_barId = id;
  m_barStyle = style;
  frame->AddControlBar(this);
  return true;
}

void CControlBar::FitFloatingWindow() {
  if (m_floatWnd) m_floatWnd->FitToBar();
}

LRESULT CControlBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCALCSIZE: {
      const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
      if (HasGripper()) {
        // The gripper takes a strip of the bar's own window, ahead of its items.
        RECT* r = reinterpret_cast<RECT*>(lParam);  // the first rectangle in either form
        if (IsHorizontal()) {
          r->left += kGripperSize;
        } else {
          r->top += kGripperSize;
        }
      }
      return result;
    }
    case WM_NCPAINT: {
      const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
      if (HasGripper()) {
        HDC dc = ::GetWindowDC(m_hWnd);
        RECT window;
        ::GetWindowRect(m_hWnd, &window);
        const int w = window.right - window.left;
        const int h = window.bottom - window.top;
        RECT grip = IsHorizontal() ? RECT{0, 0, kGripperSize, h} : RECT{0, 0, w, kGripperSize};
        ::FillRect(dc, &grip, ::GetSysColorBrush(COLOR_BTNFACE));
        // Two raised ridges along the bar's short side.
        for (int i = 0; i < 2; ++i) {
          RECT ridge = IsHorizontal() ? RECT{2 + 3 * i, 2, 5 + 3 * i, h - 2}
                                      : RECT{2, 2 + 3 * i, w - 2, 5 + 3 * i};
          ::DrawEdge(dc, &ridge, BDR_RAISEDINNER, BF_RECT);
        }
        ::ReleaseDC(m_hWnd, dc);
      }
      return result;
    }
    case WM_NCHITTEST: {
      const LRESULT hit = CWnd::WindowProc(msg, wParam, lParam);
      if (HasGripper() && m_allowedDock && (hit == HTNOWHERE || hit == HTBORDER)) {
        return HTCAPTION;  // the gripper: handled as the bar's drag handle below
      }
      return hit;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION && OnDragMessage(msg, wParam, lParam)) return 0;
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (m_dragging && OnDragMessage(msg, wParam, lParam)) return 0;
      break;
    default:
      break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

bool CControlBar::OnDragMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!m_dockFrame || m_allowedDock == 0) return false;
  (void)wParam;
  POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  // Client messages carry client coordinates; the non-client ones screen coordinates.
  const bool client = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK ||
                      msg == WM_MOUSEMOVE || msg == WM_LBUTTONUP;
  if (client) ::ClientToScreen(m_hWnd, &pt);
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
      BeginDrag(pt);
      return true;
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDBLCLK:
      // Back to the edge it came from, or out to float where it stands.
      if (IsFloating()) {
        m_dockFrame->DockControlBar(this, m_dock);
      } else {
        RECT r;
        ::GetWindowRect(m_hWnd, &r);
        m_dockFrame->FloatControlBar(this, POINT{r.left, r.top});
      }
      return true;
    case WM_MOUSEMOVE: {
      if (!m_dragging) return false;
      if (!m_dragMoved && std::abs(pt.x - m_dragStart.x) < ::GetSystemMetrics(SM_CXDRAG) &&
          std::abs(pt.y - m_dragStart.y) < ::GetSystemMetrics(SM_CYDRAG)) {
        return true;  // a click, not yet a drag
      }
      m_dragMoved = true;
      // Where the bar would go: a strip along the edge it would dock at, or its window.
      RECT target;
      const int edge = m_dockFrame->DockEdgeAt(this, pt);
      if (edge != 0) {
        RECT area;
        ::GetClientRect(m_dockFrame->m_hWnd, &area);
        ::MapWindowPoints(m_dockFrame->m_hWnd, nullptr, reinterpret_cast<POINT*>(&area), 2);
        const int h = FixedHeight();
        const int w = FixedWidth();
        target = area;
        if (edge == DockTop) target.bottom = area.top + h;
        if (edge == DockBottom) target.top = area.bottom - h;
        if (edge == DockLeft) target.right = area.left + (IsHorizontal() ? h : w);
        if (edge == DockRight) target.left = area.right - (IsHorizontal() ? h : w);
      } else {
        const SIZE size = FloatingSize();
        target = RECT{pt.x - m_dragOffset.x, pt.y - m_dragOffset.y,
                      pt.x - m_dragOffset.x + size.cx, pt.y - m_dragOffset.y + size.cy};
      }
      DrawDragFrame(&target);
      return true;
    }
    case WM_LBUTTONUP: {
      if (!m_dragging) return false;
      const bool moved = m_dragMoved;
      m_dragging = false;
      DrawDragFrame(nullptr);
      ::ReleaseCapture();
      if (moved) {
        m_dockFrame->DropControlBar(this, pt,
                                    POINT{pt.x - m_dragOffset.x, pt.y - m_dragOffset.y});
      }
      return true;
    }
    case WM_CAPTURECHANGED:
      // Another window took the mouse (a message box, the task switcher): the drag is off.
      if (m_dragging && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        m_dragging = false;
        DrawDragFrame(nullptr);
      }
      return true;
    default:
      return false;
  }
}

void CControlBar::BeginDrag(POINT screen) {
  // The offset is taken within the window that moves: the floating window, or the bar.
  RECT r;
  ::GetWindowRect(m_floatWnd ? m_floatWnd->m_hWnd : m_hWnd, &r);
  m_dragging = true;
  m_dragMoved = false;
  m_dragStart = screen;
  m_dragOffset = POINT{screen.x - r.left, screen.y - r.top};
  ::SetCapture(m_hWnd);
}

void CControlBar::DrawDragFrame(const RECT* r) {
  // An inverted outline: drawing the same rectangle again removes it.
  HDC dc = ::GetDC(nullptr);
  if (m_dragFrameShown) ::DrawFocusRect(dc, &m_dragFrame);
  m_dragFrameShown = r != nullptr;
  if (r) {
    m_dragFrame = *r;
    ::DrawFocusRect(dc, &m_dragFrame);
  }
  ::ReleaseDC(nullptr, dc);
}

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
  if (m_document && m_document->m_view == m_view.get()) m_document->m_view = nullptr;
}

bool CFrameWnd::LoadFrame(UINT resourceId, CDocument* document, CView* view) {
  m_resourceId = resourceId;
  m_document = document;
  m_view.reset(view);
  HINSTANCE inst = ::GetModuleHandleA(nullptr);
  HICON icon = ::LoadIconA(inst, MAKEINTRESOURCEA(resourceId));
  if (!RegisterFrameworkClass(kFrameClass, CS_DBLCLKS, icon,
                              reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) {
    return false;
  }
  m_hAccel = ::LoadAcceleratorsA(inst, MAKEINTRESOURCEA(resourceId));

  std::string title = LoadResString(resourceId);
  title = title.substr(0, title.find('\n'));
  CREATESTRUCTA cs = {};
  cs.style = WS_OVERLAPPEDWINDOW;
  cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
  cs.lpszName = title.c_str();
  cs.lpszClass = kFrameClass;
  cs.hInstance = inst;
  if (!PreCreateWindow(cs)) return false;
  // The menu belongs to the window from here on and is destroyed with it.
  m_hMenu = ::LoadMenuA(inst, MAKEINTRESOURCEA(resourceId));
  CWinApp* app = CWinApp::Current();
  app->m_pMainWnd = this;
  if (!CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                nullptr, m_hMenu)) {
    app->m_pMainWnd = nullptr;
    return false;
  }
  m_autoDelete = true;
  return true;
}

void CFrameWnd::InitialUpdateFrame() {
  if (m_view) {
    m_view->OnInitialUpdate();
    ::SetFocus(m_view->m_hWnd);
  }
  RecalcLayout();
}

bool CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs) {
  (void)cs;
  return true;
}

bool CFrameWnd::PreTranslateMessage(MSG* msg) {
  if (m_hAccel && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
    return ::TranslateAcceleratorA(m_hWnd, m_hAccel, msg) != 0;
  }
  return false;
}

void CFrameWnd::GetMessageString(UINT id, std::string& text) const {
  text = LoadResString(id);
  text = text.substr(0, text.find('\n'));
}

int CFrameWnd::OnCreate(CREATESTRUCTA* cs) {
  (void)cs;
  if (!m_view || !m_view->Create(m_hWnd, FW_IDW_PANE_FIRST)) return -1;
  return 0;
}

void CFrameWnd::OnClose() {
  if (m_document && !m_document->CanCloseFrame(this)) return;
  DestroyWindow();
}

void CFrameWnd::OnCloseRequest() {
  // A close under way asks its own questions; another request meanwhile is the same close.
  if (m_inClose) return;
  if (m_modalDepth > 0) {
    m_closePending = true;
    CancelInnermostModal();
    ::SetTimer(m_hWnd, FW_IDT_CLOSE_PENDING, kClosePendingTickMs, nullptr);
    return;
  }
  HWND self = m_hWnd;
  m_inClose = true;
  OnClose();
  // A close that went through has deleted the frame with its window.
  if (::IsWindow(self) && CWnd::FromHandle(self) == this) m_inClose = false;
}

namespace {
struct ModalSearch {
  HWND frame;
  HWND found;
};

// A window of the system's dialog class (dialogs, property sheets, message boxes and file
// dialogs all are) that takes input and is owned, directly or through others, by the frame:
// with modal windows nested, only the innermost one takes input.
BOOL CALLBACK FindInnermostModal(HWND wnd, LPARAM lParam) {
  auto* search = reinterpret_cast<ModalSearch*>(lParam);
  char cls[16] = "";
  if (!::IsWindowVisible(wnd) || !::IsWindowEnabled(wnd) ||
      !::GetClassNameA(wnd, cls, sizeof(cls)) || std::strcmp(cls, "#32770") != 0) {
    return TRUE;
  }
  for (HWND owner = ::GetWindow(wnd, GW_OWNER); owner; owner = ::GetWindow(owner, GW_OWNER)) {
    if (owner == search->frame) {
      search->found = wnd;
      return FALSE;
    }
  }
  return TRUE;
}
}  // namespace

void CFrameWnd::CancelInnermostModal() {
  ModalSearch search = {m_hWnd, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), FindInnermostModal,
                      reinterpret_cast<LPARAM>(&search));
  // Posted: the window's own loop takes it as a click on its Cancel button (a box with only
  // OK takes it as OK). A window that has no Cancel stays for the operator to answer.
  if (search.found) ::PostMessageA(search.found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

// ---- modal scope ----

CModalScope::CModalScope() {
  CWinApp* app = CWinApp::Current();
  m_frame = app ? app->m_pMainWnd : nullptr;
  m_frameWnd = m_frame ? m_frame->m_hWnd : nullptr;
  if (CFrameWnd* frame = Frame()) ++frame->m_modalDepth;
}

CModalScope::~CModalScope() {
  CFrameWnd* frame = Frame();
  if (!frame || --frame->m_modalDepth > 0 || !frame->m_closePending) return;
  frame->m_closePending = false;
  ::KillTimer(frame->m_hWnd, FW_IDT_CLOSE_PENDING);
  // Posted, so that whatever waited for the modal window finishes before the frame goes.
  ::PostMessageA(frame->m_hWnd, WM_CLOSE, 0, 0);
}

CFrameWnd* CModalScope::Frame() const {
  // The frame is gone when its window was destroyed meanwhile without a close request.
  if (!m_frameWnd || !::IsWindow(m_frameWnd) || CWnd::FromHandle(m_frameWnd) != m_frame) {
    return nullptr;
  }
  return m_frame;
}

void CFrameWnd::OnSize(UINT type, int cx, int cy) {
  (void)cx;
  (void)cy;
  if (type != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnSizing(UINT edge, RECT* rect) {
  (void)edge;
  (void)rect;
}

bool CFrameWnd::OnNotify(NMHDR* header, LRESULT* result) {
  (void)header;
  (void)result;
  return false;
}

void CFrameWnd::AddControlBar(CControlBar* bar) {
  bar->m_dockFrame = this;
  if (std::find(m_bars.begin(), m_bars.end(), bar) == m_bars.end()) m_bars.push_back(bar);
}

void CFrameWnd::DockControlBar(CControlBar* bar, int side) {
  AddControlBar(bar);
  if (CMiniFrameWnd* floating = bar->m_floatWnd) {
    // Back into the frame before its floating window goes, which would take it along.
    ::SetParent(bar->m_hWnd, m_hWnd);
    bar->m_floatWnd = nullptr;
    floating->DestroyWindow();
  }
  bar->m_dock = side;
  bar->SetHorizontal(side == CControlBar::DockTop || side == CControlBar::DockBottom);
  RecalcLayout();
}

void CFrameWnd::FloatControlBar(CControlBar* bar, POINT screen) {
  if (!bar || !bar->m_hWnd) return;
  if (!bar->m_floatWnd) {
    auto* floating = new CMiniFrameWnd(bar);
    if (!floating->Create(m_hWnd, bar->GetText())) {
      delete floating;
      return;
    }
    bar->m_floatWnd = floating;
    bar->SetHorizontal(true);
    ::SetParent(bar->m_hWnd, floating->m_hWnd);
    const SIZE size = bar->FloatingSize();
    ::SetWindowPos(bar->m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  bar->FitFloatingWindow();
  // Somewhere the operator can reach: at least a corner of the caption stays on the screen.
  RECT r;
  ::GetWindowRect(bar->m_floatWnd->m_hWnd, &r);
  const int vx = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int vy = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int vw = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int vh = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  const int reach = 40;
  const int width = r.right - r.left;
  screen.x = std::max<LONG>(vx - width + reach, std::min<LONG>(screen.x, vx + vw - reach));
  screen.y = std::max<LONG>(vy, std::min<LONG>(screen.y, vy + vh - reach));
  ::SetWindowPos(bar->m_floatWnd->m_hWnd, nullptr, screen.x, screen.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (Shown(bar)) ::ShowWindow(bar->m_floatWnd->m_hWnd, SW_SHOWNA);
  RecalcLayout();
}

int CFrameWnd::DockEdgeAt(const CControlBar* bar, POINT pointer) const {
  const DWORD allowed = bar->m_allowedDock & m_allowedDock;
  RECT area;
  ::GetClientRect(m_hWnd, &area);
  ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&area), 2);
  // Just outside the edge counts too: the operator aims at the frame's border.
  if (pointer.x < area.left - kDockBand / 2 || pointer.x >= area.right + kDockBand / 2 ||
      pointer.y < area.top - kDockBand / 2 || pointer.y >= area.bottom + kDockBand / 2) {
    return 0;
  }
  struct Edge {
    DWORD align;
    int side;
    int distance;
  };
  const Edge edges[] = {{CBRS_ALIGN_TOP, CControlBar::DockTop, pointer.y - area.top},
                        {CBRS_ALIGN_BOTTOM, CControlBar::DockBottom, area.bottom - pointer.y},
                        {CBRS_ALIGN_LEFT, CControlBar::DockLeft, pointer.x - area.left},
                        {CBRS_ALIGN_RIGHT, CControlBar::DockRight, area.right - pointer.x}};
  int best = 0;
  int bestDistance = kDockBand;
  for (const Edge& e : edges) {
    if ((allowed & e.align) && e.distance < bestDistance) {
      best = e.side;
      bestDistance = e.distance;
    }
  }
  return best;
}

void CFrameWnd::DropControlBar(CControlBar* bar, POINT pointer, POINT corner) {
  const int edge = DockEdgeAt(bar, pointer);
  if (edge != 0) {
    DockControlBar(bar, edge);
  } else {
    FloatControlBar(bar, corner);
  }
}

void CFrameWnd::ShowControlBar(CControlBar* bar, bool show, bool delay) {
  (void)delay;  // the layout is cheap; it is always done at once
  if (!bar || !bar->m_hWnd) return;
  // A hidden bar is left out of the idle-time update, so it is brought up to date before it
  // appears.
  if (show && !Shown(bar)) bar->OnUpdateUI(this);
  ::ShowWindow(bar->m_hWnd, show ? SW_SHOWNA : SW_HIDE);
  if (bar->m_floatWnd) ::ShowWindow(bar->m_floatWnd->m_hWnd, show ? SW_SHOWNA : SW_HIDE);
  RecalcLayout();
}

CControlBar* CFrameWnd::GetControlBar(UINT barId) const {
  for (CControlBar* bar : m_bars) {
    if (bar->m_barId == barId) return bar;
  }
  return nullptr;
}

void CFrameWnd::RecalcLayout() {
  if (!m_hWnd) return;
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  const int width = client.right - client.left;
  int top = client.top;
  int bottom = client.bottom;
  // The status bar keeps to the very bottom; the other bars stack in the order they were
  // added, those along the top and bottom across the whole width, then those along the left
  // and right between them.
  if (CControlBar* status = GetControlBar(FW_IDW_STATUS_BAR)) {
    if (Shown(status)) {
      const int h = status->FixedHeight();
      bottom -= h;
      ::MoveWindow(status->m_hWnd, 0, bottom, width, h, TRUE);
      status->OnLayout();
    }
  }
  for (CControlBar* bar : m_bars) {
    if (bar->m_barId == FW_IDW_STATUS_BAR || !Shown(bar) || bar->IsFloating()) continue;
    if (bar->m_dock == CControlBar::DockLeft || bar->m_dock == CControlBar::DockRight) continue;
    const int h = bar->FixedHeight();
    if (bar->m_dock == CControlBar::DockBottom) {
      bottom -= h;
      ::MoveWindow(bar->m_hWnd, 0, bottom, width, h, TRUE);
    } else {
      ::MoveWindow(bar->m_hWnd, 0, top, width, h, TRUE);
      top += h;
    }
    bar->OnLayout();
  }
  int left = client.left;
  int right = client.right;
  for (CControlBar* bar : m_bars) {
    if (!Shown(bar) || bar->IsFloating()) continue;
    if (bar->m_dock != CControlBar::DockLeft && bar->m_dock != CControlBar::DockRight) continue;
    const int w = bar->FixedWidth();
    if (bar->m_dock == CControlBar::DockRight) {
      right -= w;
      ::MoveWindow(bar->m_hWnd, right, top, w, std::max(0, bottom - top), TRUE);
    } else {
      ::MoveWindow(bar->m_hWnd, left, top, w, std::max(0, bottom - top), TRUE);
      left += w;
    }
    bar->OnLayout();
  }
  if (m_view && m_view->m_hWnd) {
    ::MoveWindow(m_view->m_hWnd, left, top, std::max(0, right - left), std::max(0, bottom - top),
                 TRUE);
  }
}

void CFrameWnd::SaveBarState(const char* prefix) const {
  CWinApp* app = CWinApp::Current();
  char section[128];
  std::snprintf(section, sizeof(section), "%s-Summary", prefix);
  app->WriteInt(section, "Bars", static_cast<int>(m_bars.size()));
  app->WriteInt(section, "ScreenCX", ::GetSystemMetrics(SM_CXSCREEN));
  app->WriteInt(section, "ScreenCY", ::GetSystemMetrics(SM_CYSCREEN));
  for (size_t i = 0; i < m_bars.size(); ++i) {
    const CControlBar* bar = m_bars[i];
    std::snprintf(section, sizeof(section), "%s-Bar%d", prefix, static_cast<int>(i));
    app->WriteInt(section, "BarID", static_cast<int>(bar->m_barId));
    app->WriteInt(section, "Visible", Shown(bar) ? 1 : 0);
    app->WriteInt(section, "Horz", bar->IsHorizontal() ? 1 : 0);
    app->WriteInt(section, "Floating", bar->IsFloating() ? 1 : 0);
    app->WriteInt(section, "Docking", bar->m_dock);
    if (bar->IsFloating()) {
      RECT r;
      ::GetWindowRect(bar->m_floatWnd->m_hWnd, &r);
      app->WriteInt(section, "XPos", r.left);
      app->WriteInt(section, "YPos", r.top);
    }
  }
}

bool CFrameWnd::LoadBarState(const char* prefix) {
  CWinApp* app = CWinApp::Current();
  char section[128];
  std::snprintf(section, sizeof(section), "%s-Summary", prefix);
  const int count = app->ReadInt(section, "Bars", -1);
  if (count < 0) return false;
  // A frame has a handful of bars; a damaged count must not make the start read on and on.
  const int kMostBars = 64;
  std::vector<CControlBar*> ordered;
  for (int i = 0; i < count && i < kMostBars; ++i) {
    std::snprintf(section, sizeof(section), "%s-Bar%d", prefix, i);
    CControlBar* bar = GetControlBar(static_cast<UINT>(app->ReadInt(section, "BarID", 0)));
    if (!bar || std::find(ordered.begin(), ordered.end(), bar) != ordered.end()) continue;
    const int dock = app->ReadInt(section, "Docking", bar->m_dock);
    // Only an edge the bar accepts; anything else keeps the bar where it is.
    const DWORD align = dock == CControlBar::DockTop      ? CBRS_ALIGN_TOP
                        : dock == CControlBar::DockBottom ? CBRS_ALIGN_BOTTOM
                        : dock == CControlBar::DockLeft   ? CBRS_ALIGN_LEFT
                        : dock == CControlBar::DockRight  ? CBRS_ALIGN_RIGHT
                                                          : DWORD{0};
    if (align && (bar->m_allowedDock & align)) bar->m_dock = dock;
    ::ShowWindow(bar->m_hWnd, app->ReadInt(section, "Visible", 1) ? SW_SHOWNA : SW_HIDE);
    // Only a bar that may be dragged at all may float; the others stay docked.
    if (app->ReadInt(section, "Floating", 0) != 0 && bar->m_allowedDock != 0) {
      FloatControlBar(bar, POINT{app->ReadInt(section, "XPos", 0), app->ReadInt(section, "YPos", 0)});
    } else {
      DockControlBar(bar, bar->m_dock);
    }
    ordered.push_back(bar);
  }
  for (CControlBar* bar : m_bars) {
    if (std::find(ordered.begin(), ordered.end(), bar) == ordered.end()) ordered.push_back(bar);
  }
  m_bars.swap(ordered);
  RecalcLayout();
  return true;
}

void CFrameWnd::OnIdleUpdate() {
  // Only the bars on screen: the update runs after nearly every message, and a record from the
  // logger that arrives meanwhile waits for it.
  for (CControlBar* bar : m_bars) {
    if (Shown(bar)) bar->OnUpdateUI(this);
  }
}

void CFrameWnd::SetMessageText(const char* text) {
  auto* status = dynamic_cast<CStatusBar*>(GetControlBar(FW_IDW_STATUS_BAR));
  if (status && status->m_hWnd) status->SetPaneText(0, text);
}

bool CFrameWnd::RouteCmd(UINT id) {
  if (m_view && m_view->m_hWnd && m_view->OnCmd(id)) return true;
  if (m_document && m_document->OnCmd(id)) return true;
  if (OnCmd(id)) return true;
  return CWinApp::Current()->OnCmd(id);
}

bool CFrameWnd::RouteUpdate(CCmdUI& ui) {
  if (m_view && m_view->m_hWnd && m_view->OnUpdateCmd(ui)) return true;
  if (m_document && m_document->OnUpdateCmd(ui)) return true;
  if (OnUpdateCmd(ui)) return true;
  return CWinApp::Current()->OnUpdateCmd(ui);
}

bool CFrameWnd::OnCmd(UINT id) {
  if (id == FW_ID_VIEW_TOOLBAR || id == FW_ID_VIEW_STATUS_BAR) {
    CControlBar* bar = GetControlBar(id);  // the bars carry the ids of their commands
    if (bar) ShowControlBar(bar, !Shown(bar), false);
    return true;
  }
  return false;
}

bool CFrameWnd::OnUpdateCmd(CCmdUI& ui) {
  // Lock-key indicators: the pane shows its text while the key's toggle state is on.
  static const CommandPair<int> kLockKeys[] = {{FW_ID_INDICATOR_KANA, VK_KANA},
                                               {FW_ID_INDICATOR_CAPS, VK_CAPITAL},
                                               {FW_ID_INDICATOR_NUM, VK_NUMLOCK},
                                               {FW_ID_INDICATOR_SCRL, VK_SCROLL}};
  if (const int* key = FindCommand(kLockKeys, ui.m_nID)) {
    ui.Enable((::GetKeyState(*key) & 1) != 0);
    return true;
  }
  if (ui.m_nID == FW_ID_VIEW_TOOLBAR || ui.m_nID == FW_ID_VIEW_STATUS_BAR) {
    CControlBar* bar = GetControlBar(ui.m_nID);
    ui.Enable(bar != nullptr);
    ui.SetCheck(bar && Shown(bar) ? 1 : 0);
    return true;
  }
  return false;
}

void CFrameWnd::UpdateRecentFileMenu(HMENU menu) {
  const int count = ::GetMenuItemCount(menu);
  int position = -1;
  for (int i = 0; i < count; ++i) {
    if (::GetMenuItemID(menu, i) == FW_ID_FILE_MRU_FIRST) {
      position = i;
      break;
    }
  }
  if (position < 0) return;
  if (m_recentEmptyText.empty()) {
    char text[256] = "";
    ::GetMenuStringA(menu, FW_ID_FILE_MRU_FIRST, text, sizeof(text), MF_BYCOMMAND);
    m_recentEmptyText = text;
  }
  for (UINT id = FW_ID_FILE_MRU_FIRST + 1; id <= FW_ID_FILE_MRU_LAST; ++id) {
    ::DeleteMenu(menu, id, MF_BYCOMMAND);
  }
  const CRecentFileList& list = CWinApp::Current()->m_recentFiles;
  if (list.Count() == 0) {
    ::ModifyMenuA(menu, FW_ID_FILE_MRU_FIRST, MF_BYCOMMAND | MF_STRING, FW_ID_FILE_MRU_FIRST,
                  m_recentEmptyText.c_str());
    return;
  }
  for (int i = 0; i < list.Count(); ++i) {
    const std::string text = list.MenuText(i, 30);
    const UINT id = FW_ID_FILE_MRU_FIRST + static_cast<UINT>(i);
    if (i == 0) {
      ::ModifyMenuA(menu, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
    } else {
      ::InsertMenuA(menu, static_cast<UINT>(position + i), MF_BYPOSITION | MF_STRING, id,
                    text.c_str());
    }
  }
}

void CFrameWnd::OnInitMenuPopup(HMENU menu) {
  UpdateRecentFileMenu(menu);
  const int count = ::GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    const UINT id = ::GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or pop-up
    CMenuCmdUI ui(id, menu);
    // An item that nobody handles cannot do anything, so it is shown disabled.
    if (!RouteUpdate(ui)) ::EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED);
  }
}

void CFrameWnd::OnMenuSelect(UINT id, UINT flags, HMENU menu) {
  std::string text;
  if (flags == 0xFFFF && !menu) {
    GetMessageString(FW_IDS_IDLEMESSAGE, text);  // the menu closed
  } else if (!(flags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU))) {
    GetMessageString(id, text);
  }
  SetMessageText(text.c_str());
}

LRESULT CFrameWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam));
    case WM_CLOSE:
      OnCloseRequest();
      return 0;
    case WM_TIMER:
      if (wParam == FW_IDT_CLOSE_PENDING) {
        if (m_closePending && m_modalDepth > 0) {
          CancelInnermostModal();  // the next one, once the one before has gone
        } else {
          ::KillTimer(m_hWnd, FW_IDT_CLOSE_PENDING);
        }
        return 0;
      }
      return DefWindowProc(msg, wParam, lParam);
    case WM_SIZE:
      DefWindowProc(msg, wParam, lParam);
      OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SIZING:
      DefWindowProc(msg, wParam, lParam);
      OnSizing(static_cast<UINT>(wParam), reinterpret_cast<RECT*>(lParam));
      return TRUE;
    case WM_SETFOCUS:
      if (m_view && m_view->m_hWnd) ::SetFocus(m_view->m_hWnd);
      return 0;
    case WM_ERASEBKGND:
      EraseBackground(reinterpret_cast<HDC>(wParam));
      return 1;
    case WM_COMMAND: {
      const UINT id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control && m_view && control == m_view->m_hWnd) {
        m_view->OnReflectedCommand(code);
        return 0;
      }
      if (control && code != BN_CLICKED) return 0;  // only clicks of controls are commands
      if (!control) {
        // Menus and accelerators: a disabled command does nothing.
        CTestCmdUI test(id);
        if (RouteUpdate(test) && !test.m_enabled) return 0;
      }
      RouteCmd(id);
      return 0;
    }
    case WM_NOTIFY: {
      NMHDR checked;
      if (!ReadOwnNotify(lParam, checked)) return 0;
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOA) {
        // Tool-tip text: the part of the command's string after the line break.
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        std::string text = LoadResString(static_cast<UINT>(header->idFrom));
        const size_t nl = text.find('\n');
        text = nl == std::string::npos ? std::string() : text.substr(nl + 1);
        ::lstrcpynA(info->szText, text.c_str(), sizeof(info->szText));
        info->lpszText = info->szText;
        return 0;
      }
      if (header->code == TBN_HOTITEMCHANGE) {
        OnHotItemChange(*reinterpret_cast<const NMTBHOTITEM*>(lParam));
        return 0;
      }
      LRESULT result = 0;
      if (OnNotify(header, &result)) return result;
      return DefWindowProc(msg, wParam, lParam);
    }
    case WM_INITMENUPOPUP:
      if (!HIWORD(lParam)) OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
      return 0;
    case WM_MENUSELECT:
      OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
      return 0;
    case WM_DESTROY:
      // Floating bars go with their windows now, while the bar objects surely still exist.
      for (CControlBar* bar : m_bars) {
        if (bar->m_floatWnd) bar->m_floatWnd->DestroyWindow();
      }
      if (CWinApp::Current()->m_pMainWnd == this) ::PostQuitMessage(0);
      return DefWindowProc(msg, wParam, lParam);
    default:
      return DefWindowProc(msg, wParam, lParam);
  }
}

void CFrameWnd::OnHotItemChange(const NMTBHOTITEM& hot) {
  // Fly-by prompts: the button under the pointer explains itself in the message pane.
  auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandle(hot.hdr.hwndFrom));
  if (!bar || !(bar->GetBarStyle() & CBRS_FLYBY)) return;
  const bool leaving = (hot.dwFlags & HICF_LEAVING) != 0 || hot.idNew == 0;
  m_flyById = leaving ? 0 : static_cast<UINT>(hot.idNew);
  std::string text;
  const UINT promptId = leaving ? static_cast<UINT>(FW_IDS_IDLEMESSAGE) : m_flyById;
  GetMessageString(promptId, text);
  SetMessageText(text.c_str());
}

void CFrameWnd::EraseBackground(HDC dc) {
  // The frame does not clip its children (its style is fixed), so the bars and the view are
  // left out here: painting over them would blank what they drew before the frame's turn came.
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!::IsWindowVisible(child)) continue;
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    ::ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
  }
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
}

bool CFrameWnd::ReadOwnNotify(LPARAM lParam, NMHDR& header) {
  // Our controls notify on this thread; a notification sent from elsewhere carries a pointer
  // into another address space.
  if (lParam == 0 || ::InSendMessage()) return false;
  // A copy taken by the system fails instead of faulting when the pointer leads nowhere.
  SIZE_T got = 0;
  if (!::ReadProcessMemory(::GetCurrentProcess(), reinterpret_cast<const void*>(lParam), &header,
                           sizeof(header), &got) ||
      got != sizeof(header)) {
    return false;
  }
  return header.hwndFrom && ::IsWindow(header.hwndFrom) &&
         ::GetWindowThreadProcessId(header.hwndFrom, nullptr) == ::GetCurrentThreadId();
}

void CFrameWnd::PostNcDestroy() {
  CWinApp* app = CWinApp::Current();
  if (app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
  if (m_autoDelete) delete this;
}
