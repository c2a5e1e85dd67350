// Window-side numbers of the CW message engine: the frame's CQ repeat timer and the keys and
// controls the engine reads. Portable: no <windows.h>.
#pragma once

#include "resource.h"

namespace tandem::cw {

// Frame timer 1: the CQ repeat pause.
constexpr unsigned kCqRepeatTimer = 1;
// Frame timer 4, with a procedure of its own: how long a cut waits for the keyer's reports after
// a cancel (the keyer reports at once; this is for one that stays silent).
constexpr unsigned kSentLedgerTimer = 4;
constexpr unsigned kSentLedgerWaitMs = 2000;

// The Fn bar's first button; memory index = button id - this.
constexpr int kFnFirstButton = IDC_FN_FIRST;
constexpr int kFnButtonCount = IDC_FN_LAST - IDC_FN_FIRST + 1;
constexpr int kMemoryBanks = 2;

// Tokens of a message handed to the keyer at once when nothing is queued; the rest streams.
constexpr int kFirstTokensAtOnce = 3;

// The kana-lock key, pressed and released by ToggleKana.
constexpr unsigned char kVirtualKeyKana = 0x15;

}  // namespace tandem::cw
