// The status bar: the system's status-bar control with panes identified by command ids. Pane 0
// stretches and shows messages; the others have fixed widths and are updated at idle time.
#pragma once

#include <string>
#include <vector>

#include "FrameWnd.h"

class CStatusBar : public CControlBar {
 public:
  enum : UINT { SBPS_NORMAL = 0, SBPS_NOBORDERS = 0x0100, SBPS_STRETCH = 0x0800 };

  bool Create(CFrameWnd* frame, DWORD style, UINT id = 59393);
  // One pane per id; pane texts and widths come from the ids' string resources.
  bool SetIndicators(const UINT* ids, int count);
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
  int CommandToIndex(UINT id) const;
  int PaneCount() const { return static_cast<int>(m_panes.size()); }
  void SetPaneText(int index, const char* text);
  std::string GetPaneText(int index) const;
  // The pane's rectangle in the bar's client coordinates.
  bool GetItemRect(int index, RECT* rect) const;
  // Width of `text` in the bar's font.
  int TextWidth(const std::string& text) const;
  // Makes the pane of indicator `id` as wide as `text` needs, keeping its style.
  void FitPaneToText(UINT id, const std::string& text);

  int FixedHeight() const override;
  void OnUpdateUI(CFrameWnd* frame) override;
  void OnLayout() override;

 private:
  struct Pane {
    UINT id;
    UINT style;
    int width;              // text width; the part adds a margin
    std::string text;       // current text
    std::string indicator;  // text of the id's string, shown while the pane is enabled
  };
  std::vector<Pane> m_panes;
  int m_height = 0;
};
