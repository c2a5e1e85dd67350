// The frame window: menu, accelerators, icon and title from one resource id, control bars
// docked at the top or the bottom edge, one view filling the rest, command routing (view,
// document, frame, application), menu item states when a menu opens, prompts in the status
// bar while a menu is browsed, and the idle-time update of its bars.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Wnd.h"

class CDocument;
class CView;
class CFrameWnd;

// Styles of control bars (where they are docked and may be docked).
enum : DWORD {
  CBRS_ALIGN_TOP = 0x1000,
  CBRS_ALIGN_BOTTOM = 0x4000,
  CBRS_ALIGN_ANY = CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM,
  CBRS_BORDER_BOTTOM = 0x0800,
  CBRS_TOOLTIPS = 0x0010,
  CBRS_FLYBY = 0x0020,
  CBRS_GRIPPER = 0x00400000,
  CBRS_SIZE_DYNAMIC = 0x0040,
};

// A bar along one edge of the frame: tool bar, status bar or dialog bar.
class CControlBar : public CWnd {
 public:
  enum Dock { DockTop = 1, DockBottom = 2 };
  // Height of the bar when docked along a horizontal edge.
  virtual int FixedHeight() const;
  // Idle-time update of the bar's items through the frame's command routing.
  virtual void OnUpdateUI(CFrameWnd* frame) { (void)frame; }
  // Called after the frame has moved and sized the bar.
  virtual void OnLayout() {}
  void EnableDocking(DWORD alignments) { m_allowedDock = alignments; }
  void SetBarStyle(DWORD style) { m_barStyle = style; }
  DWORD GetBarStyle() const { return m_barStyle; }

  UINT m_barId = 0;
  int m_dock = DockTop;
  DWORD m_allowedDock = 0;
  DWORD m_barStyle = 0;
};

class CFrameWnd : public CWnd {
 public:
  CFrameWnd();
  ~CFrameWnd() override;

  // Creates the window: class with icon `resourceId`, menu and accelerators of the same id,
  // title from the first field of string `resourceId`. Takes ownership of `view`, which it
  // creates as its client window. False when creation failed (the object is then not deleted).
  bool LoadFrame(UINT resourceId, CDocument* document, CView* view);
  // After the first document is ready: the view's initial update, focus to the view.
  void InitialUpdateFrame();

  virtual bool PreCreateWindow(CREATESTRUCTA& cs);
  virtual bool PreTranslateMessage(MSG* msg);
  // Status-bar text for command `id`: the prompt part of its string resource.
  virtual void GetMessageString(UINT id, std::string& text) const;
  // Window creation; the base creates the view. Returns -1 to make creation fail.
  virtual int OnCreate(CREATESTRUCTA* cs);
  virtual void OnClose();
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnSizing(UINT edge, RECT* rect);
  virtual bool OnNotify(NMHDR* header, LRESULT* result);
  // Notifications other than clicks from controls of the frame and its bars.
  virtual void OnControlNotify(UINT id, UINT code, HWND control);

  // Bars: registered in creation order; docked bars are laid out in that order.
  void AddControlBar(CControlBar* bar);
  void EnableDocking(DWORD alignments) { m_allowedDock = alignments; }
  void DockControlBar(CControlBar* bar, int side = CControlBar::DockTop);
  void ShowControlBar(CControlBar* bar, bool show, bool delay);
  CControlBar* GetControlBar(UINT barId) const;
  void RecalcLayout();
  // Bar visibility, edge and order under sections "<prefix>-Summary" and "<prefix>-Bar<n>".
  void SaveBarState(const char* prefix) const;
  // False when no layout is stored under `prefix` (the bars stay as they are).
  bool LoadBarState(const char* prefix);

  // Idle-time update: status-bar panes, dialog-bar controls, tool-bar buttons.
  void OnIdleUpdate();
  // Sets the message pane (pane 0) of the status bar.
  void SetMessageText(const char* text);

  CView* GetActiveView() const { return m_view.get(); }
  CDocument* GetActiveDocument() const { return m_document; }

  // Command routing: view, document, frame, application.
  bool RouteCmd(UINT id);
  bool RouteUpdate(CCmdUI& ui);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  void PostNcDestroy() override;

  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;

 private:
  void OnInitMenuPopup(HMENU menu);
  void UpdateRecentFileMenu(HMENU menu);
  void OnMenuSelect(UINT id, UINT flags, HMENU menu);

  std::unique_ptr<CView> m_view;
  CDocument* m_document = nullptr;
  std::vector<CControlBar*> m_bars;
  HMENU m_hMenu = nullptr;
  HACCEL m_hAccel = nullptr;
  UINT m_resourceId = 0;
  DWORD m_allowedDock = 0;
  bool m_autoDelete = false;
  std::string m_recentEmptyText;  // the recent-file item's own text, shown while the list is empty
};
