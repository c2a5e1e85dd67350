// Which logger key events the hook reports to the main program and which it keeps from the
// logger. Portable: the message and key numbers are the system's, named in EntryRecordFormat.h.
#pragma once

#include "EntryRecordFormat.h"

namespace tandem {

// Action values held in the shared hook block.
constexpr unsigned kActionKeys = 0;        // function keys handled, TAB not reported
constexpr unsigned kActionKeysAndTab = 1;  // as 0, and TAB in the call field is reported
constexpr unsigned kActionOff = 2;         // function keys left to the logger

// The cheap first test of the hook: is this a message the reader acts on at all?
constexpr bool IsReaderMessage(unsigned message) {
  return message == kMsgKeyF1 || message == kMsgKeyDown || message == kMsgKeyUp ||
         message == kMsgChar || message == kMsgSysKeyDown || message == kMsgMouseMove;
}

struct KeyEvent {
  unsigned message = 0;
  unsigned code = 0;      // virtual-key code, or the character for the character message
  int focus = 0;          // focus state of the reader
  unsigned action = 0;    // action value from the shared block
  int hookAnyway = 0;     // hook-anyway flag from the shared block
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

struct KeyDecision {
  unsigned reportKey = 0;  // non-zero: put into the record's key field
  bool swallow = false;    // turn the message into a null message
  bool changed = false;    // send a record even without a key
};

// Applies the key-down, key-up, character, F1-request and mouse rules of the entry-window reader.
KeyDecision DecideKey(const KeyEvent& event);

}  // namespace tandem
