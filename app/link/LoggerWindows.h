// What Tandem recognises of the followed loggers' windows from outside their programs, as the
// hook's readers find them: the window the operator types in, and the box that holds the bank.
// Everything here reads only what the window manager keeps (class names, window lists, the
// captions of other programs' windows), so no call waits for a busy logger.
#pragma once

#include <windows.h>

#include "LoggerWindowNames.h"

namespace tandem::link {

// N1MM Logger's entry window: its class, and the child where its check control sits (the reader
// leaves a window of that class without one alone).
bool IsN1mmEntryWindow(HWND w);
bool IsLogger32Frame(HWND w);
// Turbo HAMLOG/Win's input window: a window with the save button, in a program that owns the
// logger's main form.
bool HasHamlogSaveButton(HWND w);
bool OwnsHamlogMainForm(DWORD pid);

// The bank box that Tandem sets: N1MM Logger's mode check control (its entry window's 27th
// child), or the check box that opens Turbo HAMLOG/Win's input window (its first child), the
// input window of the program that owns `hamlogMainForm`. Null when there is none.
// N1MM Logger's box is the one of `recordEntry`, the entry window its records name, while that is
// one; else (the logger started again) of the first entry window the system lists.
HWND N1mmBankBox(HWND recordEntry);
HWND HamlogBankBox(HWND hamlogMainForm);

}  // namespace tandem::link
