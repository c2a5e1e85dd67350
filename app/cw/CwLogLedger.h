// The frame's side of the ledger of what went out: what it tells the ledger of a character handed
// on, and the log told what the ledger has learnt (texts that went out whole are no longer
// followed, and cut ones show where keying stopped).
#pragma once

#include "MainFrame.h"
#include "TandemView.h"

// Whether a character handed on is one the keyer counts in its reports. A library without the call
// for it keys nothing for it, and that goes out with what came before it; without any library
// nothing goes out at all, and nothing will ever be reported.
inline bool CountedByKeyer(const CMainFrame& frame, bool callExists) {
  return callExists || frame.m_hKeyport == nullptr;
}

inline void TellLogWhatWentOut(CMainFrame* frame) {
  const tandem::cw::LedgerNews news = frame->m_sentLedger.TakeNews();
  if (news.Empty()) return;
  CTandemHLView* view = frame->GetLogView();
  if (!view) return;
  for (const int id : news.sent) view->ForgetSpan(id);
  for (const tandem::cw::LogCut& cut : news.cuts) view->CutSpan(cut.id, cut.keptLog, cut.separator);
  if (!news.cuts.empty()) view->ShowCuts();
}
