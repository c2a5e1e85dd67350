// Internal to the hook library: the Turbo HAMLOG/Win and Logger32 readers, and the gates through
// which the hook procedure lets them run when the main program follows one of those loggers.
#pragma once

#include <windows.h>

// The gate and the reader in one, so that the input window's boxes are looked for once: reads
// the foreground window as Turbo HAMLOG/Win's input window for one retrieved message when it
// belongs to this process, the process owns a top-level window of Turbo HAMLOG/Win's main-form
// class, and the foreground window holds the check control, the save button and the boxes where
// the reader looks for them. Otherwise leaves the message alone.
void ReadHamlogInputWindowInForeground(MSG* msg);

// Reads the Turbo HAMLOG/Win input window `logger` for one retrieved message, applies the key
// rules (which may turn the message into a null message) and sends an entry record when there is
// something to report.
void ReadHamlogWindow(HWND logger, MSG* msg);

// The gate and the reader in one, so that the frame is looked for once: reads Logger32's entry
// window for one retrieved message when the first top-level window of Logger32's frame class
// titled "Logger32" is the foreground window and belongs to this process.
void ReadLogger32InForeground(MSG* msg);

// Finds Logger32's entry window through its frame, reads it for one retrieved message and applies
// the key rules; leaves the message alone when any window on the way is missing.
void ReadLogger32Windows(MSG* msg);
