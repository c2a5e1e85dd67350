#include <gtest/gtest.h>

#include <string>

#include "KeyActions.h"

namespace tandem::link {
namespace {

constexpr Modifiers kNone{};
constexpr Modifiers kShift{true, false, false};
constexpr Modifiers kCtrl{false, true, false};
constexpr Modifiers kAlt{false, false, true};
constexpr Modifiers kShiftCtrl{true, true, false};
constexpr Modifiers kShiftCtrlAlt{true, true, true};
constexpr Modifiers kCtrlAlt{false, true, true};

LinkAction Act(unsigned key, Modifiers m, int focus = 0, int zLogKey = 0) {
  return DecideRecordKeyAction(KeyField::kValid, key, m, focus, zLogKey).action;
}

// A record as the N1MM reader composes it; a modifier that is down prints as eight digits.
std::string Record(const std::string& call, const char* check, const char* key, Modifiers m,
                   int focus = 1) {
  auto state = [](bool down) { return down ? std::string("FFFFFF80") : std::string("0"); };
  return call + "|599|CW|||" + check + "|" + key + "|" + state(m.shift) + "|" + state(m.ctrl) +
         "|" + state(m.alt) + "|120|560|" + std::to_string(focus) + "|";
}

RecordPlan Plan(const std::string& text, RecordMemory& memory, bool cqRepeat = false,
                int zLogKey = 0, bool bankBox = true) {
  return PlanCopyData(text.data(), text.size(), memory, cqRepeat, zLogKey, bankBox);
}

TEST(RecordKeyAction, FunctionKeysNeedNoModifierAtAll) {
  for (unsigned k = 0x70; k <= 0x7B; ++k) {
    const KeyAction a = DecideRecordKeyAction(KeyField::kValid, k, kNone, 0, 0);
    EXPECT_EQ(a.action, LinkAction::kSendFnMessage);
    EXPECT_EQ(a.buttonId, 1000 + static_cast<int>(k - 0x70));
    // Any modifier: no action (the logger has the key; the editor never opens from the logger).
    for (const Modifiers m : {kShift, kAlt, kShiftCtrl, kCtrlAlt, kShiftCtrlAlt}) {
      EXPECT_EQ(Act(k, m), LinkAction::kNone) << std::hex << k;
    }
  }
  // Ctrl alone: only F8 and F12 change the number of buttons; the other keys do nothing.
  EXPECT_EQ(Act(0x77, kCtrl), LinkAction::kFnEight);
  EXPECT_EQ(Act(0x7B, kCtrl), LinkAction::kFnTwelve);
  EXPECT_EQ(Act(0x7A, kCtrl), LinkAction::kNone);  // Ctrl+F11 is a Tandem-window key only
  EXPECT_EQ(Act(0x70, kCtrl), LinkAction::kNone);
  EXPECT_EQ(Act(0x77, kShiftCtrl), LinkAction::kNone);
}

TEST(RecordKeyAction, TabSendsF2OnlyFromTheCallFieldWithTheSetting) {
  const KeyAction f2 = DecideRecordKeyAction(KeyField::kValid, 0x09, kNone, 1, 1);
  EXPECT_EQ(f2.action, LinkAction::kSendFnMessage);
  EXPECT_EQ(f2.buttonId, 1001);
  EXPECT_EQ(Act(0x09, kNone, 2, 1), LinkAction::kNone);  // report field
  EXPECT_EQ(Act(0x09, kNone, 1, 0), LinkAction::kNone);  // setting off
  EXPECT_EQ(Act(0x09, kNone, 0, 1), LinkAction::kNone);
  // Modifiers are not looked at for TAB.
  EXPECT_EQ(Act(0x09, kShift, 1, 1), LinkAction::kSendFnMessage);
}

TEST(RecordKeyAction, SpeedBankCancelAndCqRepeatKeys) {
  for (const Modifiers m : {kNone, kShift, kCtrl, kShiftCtrlAlt}) {
    EXPECT_EQ(Act(0x1B, m), LinkAction::kCancelSending);
  }
  EXPECT_EQ(Act(0x21, kCtrl), LinkAction::kSpeedUpPostNull);
  EXPECT_EQ(Act(0x22, kCtrl), LinkAction::kSpeedDownPostNull);
  for (const Modifiers m : {kNone, kShiftCtrl, kCtrlAlt, kShift}) {
    EXPECT_EQ(Act(0x21, m), LinkAction::kNone);
    EXPECT_EQ(Act(0x22, m), LinkAction::kNone);
  }

  EXPECT_EQ(Act(0x46, kShiftCtrl), LinkAction::kSwitchBank);
  for (const Modifiers m : {kNone, kShift, kCtrl, kShiftCtrlAlt}) {
    EXPECT_EQ(Act(0x46, m), LinkAction::kNone);
  }

  // U and Y: Shift+Ctrl steps the speed; every other combination only posts the null message.
  EXPECT_EQ(Act(0x55, kShiftCtrl), LinkAction::kSpeedDownPostNull);
  EXPECT_EQ(Act(0x59, kShiftCtrl), LinkAction::kSpeedUpPostNull);
  for (const Modifiers m : {kNone, kShift, kCtrl, kAlt, kShiftCtrlAlt}) {
    EXPECT_EQ(Act(0x55, m), LinkAction::kPostNullOnly);
    EXPECT_EQ(Act(0x59, m), LinkAction::kPostNullOnly);
  }

  EXPECT_EQ(Act(0x5A, kCtrl), LinkAction::kStartCqRepeat);
  for (const Modifiers m : {kNone, kShiftCtrl, kCtrlAlt}) EXPECT_EQ(Act(0x5A, m), LinkAction::kNone);

  // Keys the readers report only to refresh the fields.
  for (const unsigned k : {0x00u, 0x51u, 0x53u, 0x3Bu, 0x41u, 0x7Cu, 0x170u}) {
    EXPECT_EQ(Act(k, kNone), LinkAction::kNone) << std::hex << k;
  }
}

TEST(RecordKeyAction, MissingOrBadKeyFieldActsOnNothing) {
  EXPECT_EQ(DecideRecordKeyAction(KeyField::kNone, 0x70, kNone, 1, 1).action, LinkAction::kNone);
  EXPECT_EQ(DecideRecordKeyAction(KeyField::kNotHex, 0x1B, kNone, 1, 1).action,
            LinkAction::kNone);
  RecordMemory memory;
  EXPECT_EQ(Plan(Record("A", "0", "F1x", kNone), memory).keyAction.action, LinkAction::kNone);
  EXPECT_EQ(Plan(Record("A", "0", "", kNone), memory).keyAction.action, LinkAction::kNone);
  // A '|' in the call would shift the key field: the record is not read at all.
  const RecordPlan shifted = Plan(Record("A|B", "0", "70", kNone), memory);
  EXPECT_EQ(shifted.kind, RecordKind::kIgnored);
  EXPECT_EQ(shifted.keyAction.action, LinkAction::kNone);
}

TEST(RecordPlan, IgnoredRecordsAndTheNoticeTouchNothing) {
  RecordMemory memory;
  memory.lastCall = "OLD";
  memory.lastCheck = true;
  const std::string notice = "|a|a|a|a|a|a|a|a|a|a|a|9|";
  RecordPlan p = Plan(notice, memory, true, 1);
  EXPECT_EQ(p.kind, RecordKind::kCqMachineNotice);
  EXPECT_EQ(p.record.call, "");  // not split: nothing to store
  EXPECT_FALSE(p.cancelForCall);
  EXPECT_EQ(p.keyAction.action, LinkAction::kNone);
  EXPECT_FALSE(p.followBank);

  p = PlanCopyData(nullptr, 30, memory, true, 1);
  EXPECT_EQ(p.kind, RecordKind::kIgnored);
  const std::string huge = Record("NEW", "0", "1B", kNone) + std::string(kMaxReceivedRecord, 'x');
  p = Plan(huge, memory, true, 1);
  EXPECT_EQ(p.kind, RecordKind::kIgnored);
  EXPECT_EQ(p.keyAction.action, LinkAction::kNone);

  // Records from other programs that are no entry records: a free text that carries fields of
  // its own, a NUL in the call, no separators at all.
  for (const std::string& forged :
       {Record("NEW", "0", "0", kNone).insert(14, "x|0|5A|0|FFFFFF80|0"),
        std::string("AB\0CD|599|CW|||0|70|0|0|0|1|2|1|", 32), std::string("NEW 599 CW 70")}) {
    p = Plan(forged, memory, true, 1);
    EXPECT_EQ(p.kind, RecordKind::kIgnored) << forged;
    EXPECT_FALSE(p.cancelForCall);
    EXPECT_EQ(p.keyAction.action, LinkAction::kNone);
  }

  EXPECT_EQ(memory.lastCall, "OLD");
  EXPECT_TRUE(memory.lastCheck);
}

TEST(RecordPlan, FieldsComeWithTheKeyOfTheSameRecord) {
  RecordMemory memory;
  const RecordPlan p = Plan(Record("XX1ABC", "1", "71", kNone), memory);
  EXPECT_EQ(p.kind, RecordKind::kEntryRecord);
  EXPECT_EQ(p.record.call, "XX1ABC");
  EXPECT_EQ(p.record.report, "599");
  EXPECT_EQ(p.record.mode, "CW");
  EXPECT_EQ(p.keyAction.action, LinkAction::kSendFnMessage);
  EXPECT_EQ(p.keyAction.buttonId, 1001);
  EXPECT_EQ(memory.lastCall, "XX1ABC");
}

TEST(RecordPlan, NewCallStopsTheCqRepeatOnlyWithoutModifiers) {
  RecordMemory memory;
  // Typing into the call field while the CQ repeat runs: each changed call cancels.
  EXPECT_TRUE(Plan(Record("X", "0", "0", kNone), memory, true).cancelForCall);
  EXPECT_FALSE(Plan(Record("X", "0", "0", kNone), memory, true).cancelForCall);  // unchanged
  EXPECT_TRUE(Plan(Record("XX", "0", "0", kNone), memory, true).cancelForCall);
  // Without the repeat a new call only becomes the last call.
  EXPECT_FALSE(Plan(Record("XX1", "0", "0", kNone), memory, false).cancelForCall);
  EXPECT_EQ(memory.lastCall, "XX1");
  EXPECT_FALSE(Plan(Record("XX1", "0", "0", kNone), memory, true).cancelForCall);
  // A modifier down: the call is remembered all the same, so the next record does not cancel.
  EXPECT_FALSE(Plan(Record("XX1A", "0", "5A", kCtrl), memory, true).cancelForCall);
  EXPECT_EQ(memory.lastCall, "XX1A");
  EXPECT_FALSE(Plan(Record("XX1A", "0", "0", kNone), memory, true).cancelForCall);
  // Clearing the call field is a change too.
  EXPECT_TRUE(Plan(Record("", "0", "0", kNone), memory, true).cancelForCall);

  EXPECT_TRUE(CancelOnCallChange(true, true, kNone));
  EXPECT_FALSE(CancelOnCallChange(true, true, kShift));
  EXPECT_FALSE(CancelOnCallChange(true, true, kAlt));
  EXPECT_FALSE(CancelOnCallChange(false, true, kNone));
}

TEST(RecordPlan, BankFollowsTheLoggersBoxWhenItChangesAndTheFirstRecordBeforeItsKey) {
  RecordMemory memory;
  // Nothing came before: the record's bank is taken before its key acts, so that F1 keys from
  // the bank the logger shows, whatever bank Tandem started on.
  RecordPlan p = Plan(Record("A", "1", "70", kNone), memory);
  EXPECT_EQ(p.keyAction.action, LinkAction::kSendFnMessage);
  EXPECT_TRUE(p.followBank);
  EXPECT_TRUE(p.bankBeforeKey);
  EXPECT_TRUE(p.bankA);
  EXPECT_FALSE(Plan(Record("A", "1", "0", kNone), memory).followBank);

  // Shift+Ctrl+F: Tandem switches and writes its bank into the box. Records that still carry the
  // box as it was before the switch reached the logger leave Tandem's bank as it is; the one with
  // the switched box says what Tandem already has.
  p = Plan(Record("A", "1", "46", kShiftCtrl), memory);
  EXPECT_EQ(p.keyAction.action, LinkAction::kSwitchBank);
  EXPECT_FALSE(p.followBank);
  EXPECT_FALSE(Plan(Record("A", "1", "0", kNone), memory).followBank);
  p = Plan(Record("A", "0", "0", kNone), memory);
  EXPECT_TRUE(p.followBank);
  EXPECT_FALSE(p.bankA);
  // Indeterminate (2) counts as not checked: no change.
  EXPECT_FALSE(Plan(Record("A", "2", "0", kNone), memory).followBank);

  // Later changes of the box act after the key, as ever: F1 keys from the bank shown when the
  // record came.
  p = Plan(Record("A", "1", "70", kNone), memory);
  EXPECT_TRUE(p.followBank);
  EXPECT_TRUE(p.bankA);
  EXPECT_FALSE(p.bankBeforeKey);
}

TEST(RecordPlan, ALoggerWithoutABankBoxLeavesTheBankToTandem) {
  // Logger32's records always carry 0 in the check field.
  RecordMemory memory;
  for (const char* key : {"70", "46", "0", "70"}) {
    const RecordPlan p = Plan(Record("A", "0", key, std::string(key) == "46" ? kShiftCtrl : kNone),
                              memory, false, 0, false);
    EXPECT_FALSE(p.followBank) << key;
  }
}

}  // namespace
}  // namespace tandem::link
