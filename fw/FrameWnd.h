// The frame window: menu, accelerators, icon and title from one resource id, control bars
// docked at the top or the bottom edge, one view filling the rest, command routing (view,
// document, frame, application), menu item states when a menu opens, prompts in the status
// bar while a menu is browsed, and the idle-time update of its bars.
#pragma once

#include <windows.h>

#include <commctrl.h>

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
  CBRS_ALIGN_LEFT = 0x2000,
  CBRS_ALIGN_BOTTOM = 0x4000,
  CBRS_ALIGN_RIGHT = 0x8000,
  CBRS_ALIGN_ANY = CBRS_ALIGN_TOP | CBRS_ALIGN_LEFT | CBRS_ALIGN_BOTTOM | CBRS_ALIGN_RIGHT,
  CBRS_BORDER_BOTTOM = 0x0800,
  CBRS_TOOLTIPS = 0x0010,
  CBRS_FLYBY = 0x0020,
  CBRS_GRIPPER = 0x00400000,
  CBRS_SIZE_DYNAMIC = 0x0040,
};

class CMiniFrameWnd;

// A bar along one edge of the frame: tool bar, status bar or dialog bar. A bar that may be
// docked can be dragged (by its gripper, or by its background where it has none) to another
// edge, or away from the frame, where it floats in a small tool window of its own.
class CControlBar : public CWnd {
 public:
  enum Dock { DockTop = 1, DockBottom = 2, DockLeft = 3, DockRight = 4 };
  // Height of the bar when docked along a horizontal edge.
  virtual int FixedHeight() const;
  // Width of the bar when docked along a vertical edge.
  virtual int FixedWidth() const;
  // Size of the bar in its floating window.
  virtual SIZE FloatingSize() const;
  // Lays the bar's items out in a row (false: in a column, for the left and right edges).
  virtual void SetHorizontal(bool horizontal) { (void)horizontal; }
  // Idle-time update of the bar's items through the frame's command routing.
  virtual void OnUpdateUI(CFrameWnd* frame) { (void)frame; }
  // Called after the frame has moved and sized the bar.
  virtual void OnLayout() {}
  void EnableDocking(DWORD alignments) { m_allowedDock = alignments; }
  void SetBarStyle(DWORD style) { m_barStyle = style; }
  DWORD GetBarStyle() const { return m_barStyle; }
  bool IsFloating() const { return m_floatWnd != nullptr; }
  bool IsHorizontal() const { return m_dock == DockTop || m_dock == DockBottom || IsFloating(); }
  // Fits the floating window to the bar's present size (after the bar was resized).
  void FitFloatingWindow();

  // Dragging: the bar's mouse messages while it may start or is in a drag. True when the
  // message was the drag's.
  bool OnDragMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  UINT m_barId = 0;
  int m_dock = DockTop;  // the edge it is docked at, or was docked at last while it floats
  DWORD m_allowedDock = 0;
  DWORD m_barStyle = 0;
  CFrameWnd* m_dockFrame = nullptr;  // the frame it belongs to
  CMiniFrameWnd* m_floatWnd = nullptr;  // its window while floating

 protected:
  bool HasGripper() const { return (m_barStyle & CBRS_GRIPPER) && !IsFloating(); }
  // The size of the bar's window as it stands.
  SIZE WindowSize() const;
  // Creates the bar as a control of class `className`, child `id` of the frame, and adds it to
  // the frame's bars. `style`: WS_VISIBLE and bar styles.
  bool CreateBarControl(CFrameWnd* frame, const char* className, DWORD controlStyle,
                        DWORD style, UINT id, int height);

 private:
  void BeginDrag(POINT screen);
  void DrawDragFrame(const RECT* r);
  bool m_dragging = false;
  bool m_dragMoved = false;
  POINT m_dragStart = {0, 0};
  POINT m_dragOffset = {0, 0};  // pointer position within the bar's window
  RECT m_dragFrame = {0, 0, 0, 0};
  bool m_dragFrameShown = false;
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

  // Bars: registered in creation order; docked bars are laid out in that order.
  void AddControlBar(CControlBar* bar);
  void EnableDocking(DWORD alignments) { m_allowedDock = alignments; }
  void DockControlBar(CControlBar* bar, int side = CControlBar::DockTop);
  // Puts the bar into a floating window whose top-left corner is `screen`.
  void FloatControlBar(CControlBar* bar, POINT screen);
  // The end of a drag: docks the bar at the edge of the client area that `pointer` is near
  // (one the bar and the frame accept), or floats it with its window's corner at `corner`.
  void DropControlBar(CControlBar* bar, POINT pointer, POINT corner);
  // The edge a bar dropped at `pointer` would dock at, or 0 for none.
  int DockEdgeAt(const CControlBar* bar, POINT pointer) const;
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
  // Command whose prompt the message pane shows while the pointer rests on a tool-bar
  // button (0: none); idle-time updates leave the pane alone meanwhile.
  UINT FlyByCommand() const { return m_flyById; }

  CView* GetActiveView() const { return m_view.get(); }
  CDocument* GetActiveDocument() const { return m_document; }

  // Command routing: view, document, frame, application.
  bool RouteCmd(UINT id);
  bool RouteUpdate(CCmdUI& ui);

  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  // Copies the header of a WM_NOTIFY when it is one of this thread's own windows' (false for
  // a null or unreadable pointer, or one that came from another thread or process).
  static bool ReadOwnNotify(LPARAM lParam, NMHDR& header);

 protected:
  void PostNcDestroy() override;

  bool OnCmd(UINT id) override;
  bool OnUpdateCmd(CCmdUI& ui) override;

 private:
  friend class CModalScope;
  void OnCloseRequest();
  void CancelInnermostModal();
  void OnInitMenuPopup(HMENU menu);
  void UpdateRecentFileMenu(HMENU menu);
  void OnMenuSelect(UINT id, UINT flags, HMENU menu);
  void EraseBackground(HDC dc);
  void OnHotItemChange(const NMTBHOTITEM& hot);

  std::unique_ptr<CView> m_view;
  CDocument* m_document = nullptr;
  std::vector<CControlBar*> m_bars;
  HMENU m_hMenu = nullptr;
  HACCEL m_hAccel = nullptr;
  UINT m_resourceId = 0;
  DWORD m_allowedDock = 0;
  bool m_autoDelete = false;
  std::string m_recentEmptyText;  // the recent-file item's own text, shown while the list is empty
  UINT m_flyById = 0;
  int m_modalDepth = 0;
  bool m_closePending = false;  // a close request came while a modal window ran
  bool m_inClose = false;       // OnClose runs (and may be asking its own questions)
};

// Held while a modal window of the program runs (a dialog, a property sheet, a message box, a
// file dialog): code waits in it for the window's answer, often deep in a handler of the main
// frame, so the frame must not be destroyed meanwhile. A close request that comes then ends
// the modal windows one after the other as their Cancel would (what they held is discarded,
// visibly), and the frame closes, by a posted request, once the last of them has returned.
class CModalScope {
 public:
  CModalScope();
  ~CModalScope();
  CModalScope(const CModalScope&) = delete;
  CModalScope& operator=(const CModalScope&) = delete;

 private:
  CFrameWnd* Frame() const;
  HWND m_frameWnd = nullptr;
  CFrameWnd* m_frame = nullptr;
};
