#include "TandemDoc.h"

#include "App.h"
#include "SettingsKeys.h"
#include "TandemView.h"

bool CTandemHLDoc::Serialize(CArchive& ar) {
  auto* view = static_cast<CTandemHLView*>(m_view);
  return view && view->SerializeRaw(ar);
}

bool CTandemHLDoc::OnNewDocument() {
  if (!CDocument::OnNewDocument()) return false;
  if (auto* view = static_cast<CTandemHLView*>(m_view)) view->ClearLog();
  return true;
}

bool CTandemHLDoc::CanCloseFrame(CFrameWnd* frame) {
  // The operator may choose to close without the question about the log.
  if (CWinApp::Current()->ReadInt(settings::kWindow, settings::kCloseAnyway, 0) != 0) return true;
  return CDocument::CanCloseFrame(frame);
}
