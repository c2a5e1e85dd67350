#include "KeyActions.h"

namespace tandem::link {

KeyAction DecideRecordKeyAction(KeyField keyField, unsigned key, Modifiers m, int focus,
                                int zLogKey) {
  if (keyField != KeyField::kValid) return {};
  switch (key) {
    case kVkTab:
      if (focus == kFocusCall && zLogKey != 0) return {LinkAction::kSendFnMessage, kFnButtonF2};
      return {};
    case kVkEscape:
      return {LinkAction::kCancelSending};
    case kVkPageUp:
      return m.CtrlOnly() ? KeyAction{LinkAction::kSpeedUpPostNull} : KeyAction{};
    case kVkPageDown:
      return m.CtrlOnly() ? KeyAction{LinkAction::kSpeedDownPostNull} : KeyAction{};
    case kVkF:
      return m.ShiftCtrlNoAlt() ? KeyAction{LinkAction::kSwitchBank} : KeyAction{};
    case kVkU:
      return {m.ShiftCtrlNoAlt() ? LinkAction::kSpeedDownPostNull : LinkAction::kPostNullOnly};
    case kVkY:
      return {m.ShiftCtrlNoAlt() ? LinkAction::kSpeedUpPostNull : LinkAction::kPostNullOnly};
    case kVkZ:
      return m.CtrlOnly() ? KeyAction{LinkAction::kStartCqRepeat} : KeyAction{};
    default:
      break;
  }
  if (key >= kVkF1 && key <= kVkF12) {
    if (m.None()) return {LinkAction::kSendFnMessage, kFnButtonFirst + static_cast<int>(key - kVkF1)};
    // Ctrl alone changes the number of buttons on F8 and F12 only; F11 does so only in Tandem's
    // own window.
    if (m.CtrlOnly() && key == kVkF8) return {LinkAction::kFnEight};
    if (m.CtrlOnly() && key == kVkF12) return {LinkAction::kFnTwelve};
  }
  return {};
}

RecordPlan PlanCopyData(const void* data, std::size_t size, RecordMemory& memory, bool cqRepeat,
                        int zLogKey, bool bankBox) {
  RecordPlan plan;
  plan.kind = ClassifyRecord(data, size);
  if (plan.kind != RecordKind::kEntryRecord) return plan;

  plan.record = DecodeEntryRecord(*SplitEntryRecord(RecordText(data, size)));
  const EntryRecord& r = plan.record;

  if (CallChanged(memory.lastCall, r.call)) {
    memory.lastCall = r.call;
    plan.cancelForCall = CancelOnCallChange(true, cqRepeat, r.modifiers);
  }

  plan.keyAction = DecideRecordKeyAction(r.keyField, r.key, r.modifiers, r.focus, zLogKey);

  // The bank follows the logger's bank box when the box changed: compared with the previous
  // record's check field, not with the bank now shown, so a switch made in Tandem stands until
  // the logger's box says otherwise.
  plan.bankA = r.checked;
  plan.followBank = bankBox && (!memory.seenRecord || r.checked != memory.lastCheck);
  plan.bankBeforeKey = !memory.seenRecord;
  memory.seenRecord = true;
  memory.lastCheck = r.checked;
  return plan;
}

}  // namespace tandem::link
