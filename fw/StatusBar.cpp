#include "StatusBar.h"

#include <commctrl.h>

#include "FwIds.h"

namespace {

// Margin a fixed pane needs around its text (borders and padding of the system control).
const int kPaneMargin = 8;

// Idle-time state of one pane.
class CStatusCmdUI : public CCmdUI {
 public:
  CStatusCmdUI(UINT id, CStatusBar* bar, int index, const std::string& indicator)
      : CCmdUI(id), m_bar(bar), m_index(index), m_indicator(indicator) {}
  void Enable(bool on) override {
    // A disabled indicator pane shows nothing (the lock key is off).
    if (!m_textSet) m_bar->SetPaneText(m_index, on ? m_indicator.c_str() : "");
  }
  void SetText(const char* text) override {
    m_textSet = true;
    m_bar->SetPaneText(m_index, text);
  }

 private:
  CStatusBar* m_bar;
  int m_index;
  std::string m_indicator;
  bool m_textSet = false;
};

}  // namespace

bool CStatusBar::Create(CFrameWnd* frame, DWORD style, UINT id) {
  // The control only picks its own height.
  if (!CreateBarControl(frame, STATUSCLASSNAMEA, CCS_BOTTOM | SBARS_SIZEGRIP, style, id, 20)) {
    return false;
  }
  m_dock = DockBottom;
  m_height = WindowSize().cy;
  return true;
}

bool CStatusBar::SetIndicators(const UINT* ids, int count) {
  m_panes.clear();
  for (int i = 0; i < count; ++i) {
    Pane pane;
    pane.id = ids[i];
    pane.style = i == 0 ? SBPS_STRETCH | SBPS_NOBORDERS : SBPS_NORMAL;
    pane.indicator = ids[i] == FW_ID_SEPARATOR ? std::string() : LoadResString(ids[i]);
    if (ids[i] != FW_ID_SEPARATOR && pane.indicator.empty()) return false;
    pane.text = pane.indicator;
    pane.width = TextWidth(pane.indicator);
    m_panes.push_back(pane);
  }
  OnLayout();
  return true;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
  if (index < 0 || index >= PaneCount()) return;
  Pane& pane = m_panes[static_cast<size_t>(index)];
  pane.id = id;
  pane.style = style;
  if (pane.width != width) {
    pane.width = width;
    OnLayout();
  }
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
  const Pane& pane = m_panes.at(static_cast<size_t>(index));
  id = pane.id;
  style = pane.style;
  width = pane.width;
}

int CStatusBar::CommandToIndex(UINT id) const {
  for (int i = 0; i < PaneCount(); ++i) {
    if (m_panes[static_cast<size_t>(i)].id == id) return i;
  }
  return -1;
}

void CStatusBar::SetPaneText(int index, const char* text) {
  if (index < 0 || index >= PaneCount()) return;
  Pane& pane = m_panes[static_cast<size_t>(index)];
  if (pane.text == text) return;  // no repaint for an unchanged text at every idle update
  pane.text = text;
  const WPARAM part = static_cast<WPARAM>(index) | (index == 0 ? SBT_NOBORDERS : 0);
  Send(SB_SETTEXTA, part, reinterpret_cast<LPARAM>(pane.text.c_str()));
}

std::string CStatusBar::GetPaneText(int index) const {
  if (index < 0 || index >= PaneCount()) return std::string();
  return m_panes[static_cast<size_t>(index)].text;
}

bool CStatusBar::GetItemRect(int index, RECT* rect) const {
  return Send(SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)) != 0;
}

int CStatusBar::TextWidth(const std::string& text) const {
  HDC dc = ::GetDC(m_hWnd);
  HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  SIZE size = {0, 0};
  ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  if (old) ::SelectObject(dc, old);
  ::ReleaseDC(m_hWnd, dc);
  return size.cx;
}

int CStatusBar::FixedHeight() const { return m_height; }

void CStatusBar::OnLayout() {
  if (m_panes.empty() || !m_hWnd) return;
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  // Right edges, computed from the right: the fixed panes keep their widths, pane 0 the rest.
  const int n = PaneCount();
  std::vector<int> edges(static_cast<size_t>(n));
  int right = client.right - ::GetSystemMetrics(SM_CXVSCROLL);  // room for the size grip
  for (int i = n - 1; i >= 1; --i) {
    edges[static_cast<size_t>(i)] = right;
    right -= m_panes[static_cast<size_t>(i)].width + kPaneMargin;
  }
  edges[0] = right > 0 ? right : 0;
  edges[static_cast<size_t>(n - 1)] = -1;  // the last pane runs to the edge
  Send(SB_SETPARTS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(edges.data()));
  for (int i = 0; i < n; ++i) {
    const WPARAM part = static_cast<WPARAM>(i) | (i == 0 ? SBT_NOBORDERS : 0);
    Send(SB_SETTEXTA, part,
         reinterpret_cast<LPARAM>(m_panes[static_cast<size_t>(i)].text.c_str()));
  }
}

void CStatusBar::OnUpdateUI(CFrameWnd* frame) {
  for (int i = 1; i < PaneCount(); ++i) {
    const Pane pane = m_panes[static_cast<size_t>(i)];
    CStatusCmdUI ui(pane.id, this, i, pane.indicator);
    frame->RouteUpdate(ui);
  }
}

void CStatusBar::FitPaneToText(UINT id, const std::string& text) {
  const int index = CommandToIndex(id);
  UINT paneId = 0;
  UINT style = 0;
  int width = 0;
  GetPaneInfo(index, paneId, style, width);
  SetPaneInfo(index, paneId, style, TextWidth(text));
}
