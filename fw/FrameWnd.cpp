#include "FrameWnd.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "App.h"
#include "DocTemplate.h"
#include "EditView.h"
#include "FwIds.h"
#include "StatusBar.h"

namespace {

const char kFrameClass[] = "FwFrame";

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

int CControlBar::FixedHeight() const {
  RECT r;
  ::GetWindowRect(m_hWnd, &r);
  return r.bottom - r.top;
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

void CFrameWnd::OnControlNotify(UINT id, UINT code, HWND control) {
  (void)id;
  (void)code;
  (void)control;
}

void CFrameWnd::AddControlBar(CControlBar* bar) {
  if (std::find(m_bars.begin(), m_bars.end(), bar) == m_bars.end()) m_bars.push_back(bar);
}

void CFrameWnd::DockControlBar(CControlBar* bar, int side) {
  AddControlBar(bar);
  bar->m_dock = side;
  RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, bool show, bool delay) {
  (void)delay;  // the layout is cheap; it is always done at once
  if (!bar || !bar->m_hWnd) return;
  // A hidden bar is left out of the idle-time update, so it is brought up to date before it
  // appears.
  if (show && !Shown(bar)) bar->OnUpdateUI(this);
  ::ShowWindow(bar->m_hWnd, show ? SW_SHOWNA : SW_HIDE);
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
  // The status bar keeps to the very bottom; the other bars stack in the order they were added.
  if (CControlBar* status = GetControlBar(FW_IDW_STATUS_BAR)) {
    if (Shown(status)) {
      const int h = status->FixedHeight();
      bottom -= h;
      ::MoveWindow(status->m_hWnd, 0, bottom, width, h, TRUE);
      status->OnLayout();
    }
  }
  for (CControlBar* bar : m_bars) {
    if (bar->m_barId == FW_IDW_STATUS_BAR || !Shown(bar)) continue;
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
  if (m_view && m_view->m_hWnd) {
    ::MoveWindow(m_view->m_hWnd, 0, top, width, std::max(0, bottom - top), TRUE);
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
    app->WriteInt(section, "Horz", 1);
    app->WriteInt(section, "Floating", 0);
    app->WriteInt(section, "Docking", bar->m_dock);
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
    if (dock == CControlBar::DockTop && (bar->m_allowedDock & CBRS_ALIGN_TOP)) {
      bar->m_dock = dock;
    } else if (dock == CControlBar::DockBottom && (bar->m_allowedDock & CBRS_ALIGN_BOTTOM)) {
      bar->m_dock = dock;
    }
    ::ShowWindow(bar->m_hWnd, app->ReadInt(section, "Visible", 1) ? SW_SHOWNA : SW_HIDE);
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
  int lockKey = 0;
  switch (ui.m_nID) {
    case FW_ID_INDICATOR_KANA:
      lockKey = VK_KANA;
      break;
    case FW_ID_INDICATOR_CAPS:
      lockKey = VK_CAPITAL;
      break;
    case FW_ID_INDICATOR_NUM:
      lockKey = VK_NUMLOCK;
      break;
    case FW_ID_INDICATOR_SCRL:
      lockKey = VK_SCROLL;
      break;
    default:
      break;
  }
  if (lockKey) {
    ui.Enable((::GetKeyState(lockKey) & 1) != 0);
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
      OnClose();
      return 0;
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
    case WM_COMMAND: {
      const UINT id = LOWORD(wParam);
      const UINT code = HIWORD(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      if (control && m_view && control == m_view->m_hWnd) {
        m_view->OnReflectedCommand(code);
        return 0;
      }
      if (control && code != BN_CLICKED) {
        OnControlNotify(id, code, control);
        return 0;
      }
      if (!control) {
        // Menus and accelerators: a disabled command does nothing.
        CTestCmdUI test(id);
        if (RouteUpdate(test) && !test.m_enabled) return 0;
      }
      RouteCmd(id);
      return 0;
    }
    case WM_NOTIFY: {
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
      if (CWinApp::Current()->m_pMainWnd == this) ::PostQuitMessage(0);
      return DefWindowProc(msg, wParam, lParam);
    default:
      return DefWindowProc(msg, wParam, lParam);
  }
}

void CFrameWnd::PostNcDestroy() {
  CWinApp* app = CWinApp::Current();
  if (app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
  if (m_autoDelete) delete this;
}
