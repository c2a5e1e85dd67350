// Internal to the hook library: the N1MM Logger entry-window reader.
#pragma once

#include <windows.h>

// The first top-level window of the entry window's class if it is the foreground window, else null.
HWND FindEntryWindowInForeground();

// Reads the entry window's fields for one retrieved message, applies the key rules (which may turn
// the message into a null message) and sends an entry record when there is something to report.
void ReadN1mmEntryWindow(HWND entry, MSG* msg);
