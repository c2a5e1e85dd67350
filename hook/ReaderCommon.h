// Internal to the hook library: what the Turbo HAMLOG/Win and Logger32 readers share. They run
// inside the logger's process on the thread that retrieved the message, so they use fixed
// buffers only and never wait long for the main program.
#pragma once

#include <windows.h>

#include <cstddef>

#include "EntryRecord.h"
#include "KeyRules.h"

namespace reader {

// True when the window belongs to the process the hook runs in. The readers act only there: a
// window of another process is read across the process boundary, where a busy program makes
// every call wait for it.
bool IsOfThisProcess(HWND w);

// The window `steps` places further down the list of siblings, or null past its end.
HWND NextSibling(HWND w, int steps);

// Notes `focusValue` when the box exists and has this thread's keyboard focus.
inline void NoteFocus(HWND box, int focusValue, HWND focus, int& focusState) {
  if (box != nullptr && box == focus) focusState = focusValue;
}

// Reads a box's text (at most fieldSize - 1 bytes, never ending in half a double-byte character)
// into a field; empty when the box is missing.
void ReadBoxText(HWND box, char* field, std::size_t fieldSize);

template <std::size_t fieldSize>
void ReadBox(HWND box, char (&field)[fieldSize], int focusValue, HWND focus, int& focusState) {
  NoteFocus(box, focusValue, focus, focusState);
  ReadBoxText(box, field, fieldSize);
}

// Samples Shift, Ctrl and Alt into the record and into the key event.
void SampleModifiers(tandem::EntryFields& fields, tandem::KeyEvent& event);

// Fills in the action value and hook-anyway flag from the shared block and the message's own
// number and code, and applies the key rules.
tandem::KeyDecision DecideForMessage(const MSG& msg, tandem::KeyEvent& event);

// True for the key-down of TAB that the key rules report (in the call field, with the action
// value that asks for it).
bool IsReportedTabDown(const MSG& msg, const tandem::KeyDecision& decision);

// Composes the record and sends it to the display window, unless call, report and mode are all
// empty: a record without any of them tells the main program nothing it could key.
void SendRecordUnlessEmpty(const tandem::EntryFields& fields, ULONG_PTR loggerWindow);

}  // namespace reader
