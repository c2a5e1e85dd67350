// What the main window does with one received entry record, decided without touching a window:
// the frame's WM_COPYDATA handler asks PlanCopyData and then carries the plan out step by step.
// Portable: no <windows.h>.
#pragma once

#include <cstddef>
#include <string>

#include "EntryRecordFields.h"

namespace tandem::link {

// Actions of the logger link. The record handler uses the ones marked "record", the main window's
// shortcuts (Shortcuts.h) the ones marked "window".
enum class LinkAction {
  kNone,
  kFnKey,               // window: OnFnKey(buttonId), which edits the memory when Shift is down
  kSendFnMessage,       // record: SendFnMessage(buttonId, false); also TAB as F2. A logger key
                        // sends the memory and never opens the editor while the logger waits
  kCancelSending,       // record, window: CancelSending()
  kSpeedUpPostNull,     // record: StepWpm(true), then post WM_NULL to the frame
  kSpeedDownPostNull,   // record: StepWpm(false), then post WM_NULL to the frame
  kSpeedUp,             // window: StepWpm(true)
  kSpeedDown,           // window: StepWpm(false)
  kPostNullOnly,        // record: post WM_NULL to the frame (U or Y without Shift+Ctrl)
  kSwitchBank,          // record, window: SwitchBank()
  kStartCqRepeat,       // record, window: StartCqRepeat()
  kFnEight,             // record, window: SetFnTwelve(false)
  kFnTwelve,            // record, window: SetFnTwelve(true)
  kSendButton,          // window: OnSendButton()
  kClearLog,            // window: clear the log view
  kToggleKana,          // window: ToggleKana()
  kDropLastQueued,      // window: DropLastQueued()
  kEditFnButton,        // window: EditFnMessage(buttonId)
};

struct KeyAction {
  LinkAction action = LinkAction::kNone;
  int buttonId = 0;  // kFnKey and kEditFnButton: 1000..1011
};

// The record's key action. key/keyField come from the key field; a key field that is empty or not
// hexadecimal gives kNone. zLogKey is the "TAB in the call field sends F2" setting.
KeyAction DecideRecordKeyAction(KeyField keyField, unsigned key, Modifiers modifiers, int focus,
                                int zLogKey);

// The call-change rule: true when the record's call differs from the last one seen. The caller
// then stores the new call as the last call.
inline bool CallChanged(const std::string& lastCall, const std::string& call) {
  return call != lastCall;
}
// With a changed call, the transmission is cancelled only while the CQ repeat runs and no modifier
// is down: typing a call sign into the logger stops the repeat.
inline bool CancelOnCallChange(bool callChanged, bool cqRepeat, Modifiers modifiers) {
  return callChanged && cqRepeat && modifiers.None();
}

// What the handler keeps between records.
struct RecordMemory {
  std::string lastCall;    // starts empty
  bool seenRecord = false; // an entry record has come since the start
  bool lastCheck = false;  // the check field of the last entry record
};

// One WM_COPYDATA, planned. The handler carries out, in this order:
//   kind kIgnored: return at once. kind kCqMachineNotice: the CQ machine PTT link, then return.
//   Otherwise (the handler has copied the data and let the logger go):
//   m_loggerWnd = dwData; store record.call/report/mode/exchange; if cancelForCall,
//   CancelSending(); if followBank and bankBeforeKey, the bank follows; carry out keyAction; if
//   followBank and not bankBeforeKey, the bank follows. The bank follows: m_bankA = bankA, then
//   LayoutFnButtons(1 - m_bankA, m_fn12 ? 12 : 8).
struct RecordPlan {
  RecordKind kind = RecordKind::kIgnored;
  EntryRecord record;
  bool cancelForCall = false;
  KeyAction keyAction;
  // The logger's bank box says something new: its check field differs from the last record's,
  // or no record came before. Only then does Tandem's bank follow it; otherwise a bank that
  // Tandem chose itself (and wrote into the box, where the logger has one the program can set)
  // stands, even while records still carry the box as it was before the switch reached it.
  bool followBank = false;
  bool bankA = false;
  // The first record's bank is taken before its key acts: until then Tandem knows nothing of the
  // logger's bank, and the key must key from the bank the logger shows.
  bool bankBeforeKey = false;
};

// Plans the handling of data/size and updates memory for an entry record (last call, last check
// field); an ignored record and the CQ machine notice leave memory as it was. `bankBox`: the
// followed logger has a bank box (Logger32 has none; its records always carry 0 there).
RecordPlan PlanCopyData(const void* data, std::size_t size, RecordMemory& memory, bool cqRepeat,
                        int zLogKey, bool bankBox = true);

}  // namespace tandem::link
