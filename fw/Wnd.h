// The base of every window object: a thin class over a window handle with a virtual window
// procedure, plus the command-routing interface shared by windows, documents and the
// application object.
#pragma once

#include <windows.h>

#include <string>

// State of one user-interface item (menu item, status-bar pane, bar control, tool-bar button)
// as an update handler sets it.
class CCmdUI {
 public:
  explicit CCmdUI(UINT id) : m_nID(id) {}
  virtual ~CCmdUI() = default;
  virtual void Enable(bool on = true) { (void)on; }
  virtual void SetCheck(int check = 1) { (void)check; }
  virtual void SetText(const char* text) { (void)text; }
  UINT m_nID;
};

// Something that can carry out commands: OnCmd returns true when it handled the command,
// OnUpdateCmd returns true when it owns the command and has set the item's state.
class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  virtual bool OnCmd(UINT id) { (void)id; return false; }
  virtual bool OnUpdateCmd(CCmdUI& ui) { (void)ui; return false; }
};

// A command id and what it stands for, in a table looked up by FindCommand.
template <typename Value>
struct CommandPair {
  UINT id;
  Value value;
};

// What `id` stands for in `table`, or null.
template <typename Value, size_t N>
const Value* FindCommand(const CommandPair<Value> (&table)[N], UINT id) {
  for (const CommandPair<Value>& pair : table) {
    if (pair.id == id) return &pair.value;
  }
  return nullptr;
}

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The object attached to a window, or null.
  static CWnd* FromHandle(HWND hwnd);

  // Registers the framework's window class `name` once (later calls do nothing).
  static bool RegisterFrameworkClass(const char* name, UINT style, HICON icon, HBRUSH background);

  // Creates a window of a class registered with RegisterFrameworkClass; this object receives
  // every message from WM_NCCREATE on.
  bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menuOrId);

  // Takes over an existing window (a control of a system class): its messages pass through
  // WindowProc first and reach the control's own procedure through DefWindowProc.
  bool Subclass(HWND hwnd);

  bool DestroyWindow();

  std::string GetText() const { return TextOf(m_hWnd); }
  // The whole text of any window or control.
  static std::string TextOf(HWND hwnd);
  void SetText(const char* text);
  HWND GetItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, msg, wParam, lParam);
  }

  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The default handling of a message: the system's, or the control's own procedure.
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

 protected:
  // Called after the window is gone and the object detached; windows that own themselves
  // delete themselves here.
  virtual void PostNcDestroy() {}

  // Used by dialogs, whose handles are attached by their own dialog procedure.
  void Attach(HWND hwnd);
  void Detach();

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  WNDPROC m_superProc = nullptr;  // control's own procedure when subclassed
};

// Text of a string resource of the program's module ("" when missing).
std::string LoadResString(UINT id);
