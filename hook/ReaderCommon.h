// Internal to the hook library: what the N1MM Logger, Turbo HAMLOG/Win and Logger32 readers
// share. They run inside the logger's process on the thread that retrieved the message, so they
// use fixed buffers only and never wait long for the main program.
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

// True when the child is still a child of that parent; false for a null child.
inline bool ChildOf(HWND child, HWND parent) { return child != nullptr && GetParent(child) == parent; }

// A set of a window's children that a reader keeps between messages: finding them walks the list
// of children, each step a call into the window manager. One copy per process, for all of the
// logger's threads. A logger may retrieve messages on more than one thread, so the set is taken
// and put whole under the lock, never member by member: a thread must not use one set's report box
// with another set's call box. The lock is held only to copy these few words, never over a call
// into the window manager, so a logger's thread never waits on it for long. The reader checks a
// copy it took before using it, and finds the children again when the copy is stale.
template <class Children>
class ChildrenCache {
 public:
  Children Load() {
    AcquireSRWLockShared(&lock_);
    const Children copy = children_;
    ReleaseSRWLockShared(&lock_);
    return copy;
  }
  void Store(const Children& children) {
    AcquireSRWLockExclusive(&lock_);
    children_ = children;
    ReleaseSRWLockExclusive(&lock_);
  }

 private:
  SRWLOCK lock_ = SRWLOCK_INIT;
  Children children_;
};

// The key rules look at the focus and the modifiers for the key messages only; a mouse move or
// the F1 request needs neither, and a record for them reads them when it is composed.
inline bool RulesNeedKeyState(UINT message) {
  return message == tandem::kMsgKeyDown || message == tandem::kMsgSysKeyDown ||
         message == tandem::kMsgKeyUp || message == tandem::kMsgChar;
}

// Puts the check control's state into the record, as IsDlgButtonChecked asks it but of the
// control itself (its id need not be unique among the window's children). True when it differs
// from `last`, which then holds it.
bool TakeCheckState(HWND check, UINT& last, tandem::EntryFields& fields);

// Puts the left and bottom edges of the window (zero without one) into the record. True when they
// differ from `last`, which then holds the window's rectangle.
bool TakeWindowRect(HWND window, RECT& last, tandem::EntryFields& fields);

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

// How many leading fields of a record, when all empty, make it one that is not sent: it tells the
// main program nothing it could key. N1MM Logger's record always has a mode, so there call and
// report count; for the other loggers the mode box is read and counts too.
constexpr int kCallAndReport = 2;
constexpr int kCallReportAndMode = 3;

// Composes the record and sends it to the display window, unless its first `emptyFieldsThatSendNothing`
// fields are all empty.
void SendRecordUnlessEmpty(const tandem::EntryFields& fields, ULONG_PTR loggerWindow,
                           int emptyFieldsThatSendNothing);

}  // namespace reader
