#include "ToolBar.h"

#include <commctrl.h>

#include <vector>

#include "FwIds.h"

namespace {

// Idle-time state of one button.
class CToolCmdUI : public CCmdUI {
 public:
  CToolCmdUI(UINT id, HWND bar) : CCmdUI(id), m_bar(bar) {}
  void Enable(bool on) override { ::SendMessageA(m_bar, TB_ENABLEBUTTON, m_nID, on); }
  void SetCheck(int check) override { ::SendMessageA(m_bar, TB_CHECKBUTTON, m_nID, check); }

 private:
  HWND m_bar;
};

}  // namespace

bool CToolBar::CreateEx(CFrameWnd* frame, DWORD controlStyle, DWORD style, UINT id) {
  if (!CreateBarControl(frame, TOOLBARCLASSNAMEA,
                        CCS_NORESIZE | CCS_NODIVIDER | controlStyle, style, id, 26)) {
    return false;
  }
  Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
  return true;
}

bool CToolBar::LoadToolBar(UINT resourceId) {
  HINSTANCE inst = ::GetModuleHandleA(nullptr);
  HRSRC res = ::FindResourceA(inst, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(FW_RT_TOOLBAR));
  if (!res) return false;
  HGLOBAL global = ::LoadResource(inst, res);
  const auto* data = static_cast<const BYTE*>(global ? ::LockResource(global) : nullptr);
  const DWORD size = ::SizeofResource(inst, res);
  if (!data || size < 8) return false;
  // Two layouts exist: 16-bit fields led by version 1 (version, button width, height, count,
  // then one command id per item), as Microsoft's resource compiler writes it; or 32-bit fields
  // without a version (width, height, count, ids), as the GNU resource compiler writes it. A
  // separator has id 0.
  std::vector<UINT> ids;
  UINT width = 0, height = 0;
  auto word = [data](size_t i) { return static_cast<UINT>(data[2 * i] | (data[2 * i + 1] << 8)); };
  auto dword = [data](size_t i) {
    return static_cast<UINT>(data[4 * i] | (data[4 * i + 1] << 8) | (data[4 * i + 2] << 16) |
                             (static_cast<UINT>(data[4 * i + 3]) << 24));
  };
  if (word(0) == 1) {
    width = word(1);
    height = word(2);
    const UINT count = word(3);
    if (size < 8u + 2u * count) return false;
    for (UINT i = 0; i < count; ++i) ids.push_back(word(4 + i));
  } else {
    if (size < 12) return false;
    width = dword(0);
    height = dword(1);
    const UINT count = dword(2);
    if (size < 12u + 4u * count) return false;
    for (UINT i = 0; i < count; ++i) ids.push_back(dword(3 + i));
  }
  Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
  int images = 0;
  for (UINT id : ids) {
    if (id != 0) ++images;
  }
  TBADDBITMAP bitmap = {inst, static_cast<UINT_PTR>(resourceId)};
  if (Send(TB_ADDBITMAP, static_cast<WPARAM>(images), reinterpret_cast<LPARAM>(&bitmap)) < 0) {
    return false;
  }
  std::vector<TBBUTTON> buttons;
  int image = 0;
  for (UINT id : ids) {
    TBBUTTON b = {};
    if (id == 0) {
      b.fsStyle = BTNS_SEP;
    } else {
      b.iBitmap = image++;
      b.idCommand = static_cast<int>(id);
      b.fsState = TBSTATE_ENABLED;
      b.fsStyle = BTNS_BUTTON;
    }
    buttons.push_back(b);
  }
  return Send(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())) != 0;
}

int CToolBar::FixedHeight() const {
  const DWORD size = static_cast<DWORD>(Send(TB_GETBUTTONSIZE));
  return HIWORD(size) + 4;
}

int CToolBar::FixedWidth() const {
  const DWORD size = static_cast<DWORD>(Send(TB_GETBUTTONSIZE));
  return LOWORD(size) + 4;
}

SIZE CToolBar::FloatingSize() const {
  // One row of buttons, as wide as they reach.
  RECT last = {0, 0, 0, 0};
  const int count = ButtonCount();
  if (count > 0) Send(TB_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last));
  return SIZE{last.right + 4, FixedHeight()};
}

void CToolBar::SetHorizontal(bool horizontal) {
  // Along the left or right edge every item ends its row, so the buttons form a column.
  const int count = ButtonCount();
  for (int i = 0; i < count; ++i) {
    TBBUTTON b = {};
    if (!Send(TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b))) continue;
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_BYINDEX | TBIF_STATE;
    info.fsState = horizontal ? static_cast<BYTE>(b.fsState & ~TBSTATE_WRAP)
                              : static_cast<BYTE>(b.fsState | TBSTATE_WRAP);
    Send(TB_SETBUTTONINFOA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
  }
  // The gripper turns with the bar.
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void CToolBar::OnUpdateUI(CFrameWnd* frame) {
  const int count = ButtonCount();
  for (int i = 0; i < count; ++i) {
    TBBUTTON b = {};
    if (!Send(TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b))) continue;
    if (b.fsStyle & BTNS_SEP) continue;
    CToolCmdUI ui(static_cast<UINT>(b.idCommand), m_hWnd);
    if (!frame->RouteUpdate(ui)) ui.Enable(false);
  }
}
