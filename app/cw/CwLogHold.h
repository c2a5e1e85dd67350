// Older late replacements in the log wait while the keyer works: one edit far back in a long log
// can take the log's control most of a second, and keying must not wait for it.
#pragma once

#include "MainFrame.h"
#include "TandemView.h"

inline void HoldLogEditsWhileKeying(CMainFrame* frame) {
  if (CTandemHLView* view = frame->GetLogView()) {
    view->HoldReplacements(!frame->m_sendQueue.empty() || frame->m_pending > 0);
  }
}
