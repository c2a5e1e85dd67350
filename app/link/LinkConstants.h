// Numbers of the logger link that the record handler, the main window's shortcuts and their tests
// share. Portable: no <windows.h>. The record's format and the message and key numbers are the
// hook library's, in EntryRecordFormat.h.
#pragma once

#include <cstddef>

#include "EntryRecordFormat.h"
#include "resource.h"

namespace tandem::link {

// Function-key buttons of the Fn message bar: Fn is button kFnButtonFirst + n - 1.
constexpr int kFnButtonFirst = IDC_FN_FIRST;
constexpr int kFnButtonCount = IDC_FN_LAST - IDC_FN_FIRST + 1;
constexpr int kFnButtonF2 = kFnButtonFirst + 1;

// Frame timer 3: the watch of the foreground window for the followed logger. A hook reaches only
// programs of its own bitness, so a logger of the other one is found here, from outside.
constexpr unsigned kLoggerWatchTimer = 3;
constexpr unsigned kLoggerWatchTimerMs = 300;
// Posted by the watch to the frame (WM_APP + 1): the box about the other bitness is shown from
// the frame's own queue, never from inside the timer.
constexpr unsigned kMsgOtherBitnessNotice = 0x8001;

}  // namespace tandem::link
