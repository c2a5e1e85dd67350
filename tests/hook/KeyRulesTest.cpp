#include <gtest/gtest.h>

#include "KeyRules.h"

namespace {

using namespace tandem;

enum Mods { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

KeyDecision Decide(unsigned message, unsigned code, int focus, int mods = kNone,
                   unsigned action = kActionKeys, int hookAnyway = 0) {
  KeyEvent e;
  e.message = message;
  e.code = code;
  e.focus = focus;
  e.action = action;
  e.hookAnyway = hookAnyway;
  e.shift = (mods & kShift) != 0;
  e.ctrl = (mods & kCtrl) != 0;
  e.alt = (mods & kAlt) != 0;
  return DecideKey(e);
}

struct Row {
  unsigned code;
  int focus;
  int mods;
  unsigned action;
  unsigned reported;  // 0: not reported
  bool swallowed;
};

TEST(KeyRules, KeyDownTable) {
  const Row rows[] = {
      {kVkTab, 1, kNone, kActionKeysAndTab, kVkTab, false},
      {kVkTab, 1, kNone, kActionKeys, 0, false},
      {kVkTab, 2, kNone, kActionKeysAndTab, 0, false},
      {kVkEscape, 1, kNone, kActionKeys, kVkEscape, true},
      {kVkEscape, 2, kNone, kActionKeys, kVkEscape, false},
      {kVkEscape, 0, kCtrl, kActionOff, kVkEscape, false},
      {kVkPageUp, 1, kCtrl, kActionKeys, kVkPageUp, false},
      {kVkPageDown, 0, kNone, kActionOff, kVkPageDown, false},
      {'Q', 1, kNone, kActionKeys, 'Q', false},
      {'S', 5, kShift, kActionKeys, 'S', false},
      {'F', 1, kShift | kCtrl, kActionKeys, 'F', true},
      {'U', 1, kShift | kCtrl, kActionKeys, 'U', true},
      {'Y', 1, kShift | kCtrl, kActionKeys, 'Y', true},
      {'Y', 1, kNone, kActionKeys, 'Y', false},
      {'Y', 1, kShift | kCtrl | kAlt, kActionKeys, 'Y', false},
      {'Z', 1, kCtrl, kActionKeys, 'Z', true},
      {'Z', 1, kNone, kActionKeys, 0, false},
      {'Z', 1, kCtrl | kShift, kActionKeys, 0, false},
      {0x74, 1, kNone, kActionKeys, 0x74, true},
      {0x74, 1, kShift, kActionKeys, 0x74, false},
      {0x70, 0, kAlt, kActionKeysAndTab, 0x70, false},
      {0x7B, 1, kNone, kActionOff, 0, false},
      {0x72, 4, kNone, kActionKeys, 0, false},
      {0x72, 7, kNone, kActionKeys, 0, false},
      {'A', 1, kNone, kActionKeys, 0, false},
      {0x7C, 1, kNone, kActionKeys, 0, false},  // F13 is not ours
      {0x6F, 1, kNone, kActionKeys, 0, false},
  };
  for (const Row& r : rows) {
    for (unsigned message : {kMsgKeyDown, kMsgSysKeyDown}) {
      const KeyDecision d = Decide(message, r.code, r.focus, r.mods, r.action);
      EXPECT_EQ(d.reportKey, r.reported) << "key " << std::hex << r.code << " focus " << r.focus;
      EXPECT_EQ(d.swallow, r.swallowed) << "key " << std::hex << r.code << " focus " << r.focus;
      EXPECT_FALSE(d.changed);
    }
  }
}

TEST(KeyRules, HookAnywayTakesFunctionKeysInTheLoggersOwnFields) {
  for (int focus : {4, 7}) {
    const KeyDecision down = Decide(kMsgKeyDown, 0x72, focus, kNone, kActionKeys, 1);
    EXPECT_EQ(down.reportKey, 0x72u);
    EXPECT_TRUE(down.swallow);
    EXPECT_TRUE(Decide(kMsgKeyUp, 0x72, focus, kNone, kActionKeys, 1).swallow);
    EXPECT_FALSE(Decide(kMsgKeyUp, 0x72, focus, kNone, kActionKeys, 0).swallow);
  }
  // Hook-anyway never overrides a link that is off.
  EXPECT_EQ(Decide(kMsgKeyDown, 0x72, 4, kNone, kActionOff, 1).reportKey, 0u);
}

TEST(KeyRules, KeyUpTable) {
  const Row rows[] = {
      {kVkEscape, 1, kNone, kActionKeys, 0, true},
      {kVkEscape, 2, kNone, kActionKeys, 0, false},
      {kVkPageUp, 1, kCtrl, kActionKeys, 0, true},
      {kVkPageUp, 1, kNone, kActionKeys, 0, false},
      {kVkPageDown, 0, kCtrl, kActionKeys, 0, true},
      {'Z', 1, kCtrl, kActionKeys, 0, true},
      {'Z', 1, kCtrl | kAlt, kActionKeys, 0, false},
      {'F', 1, kShift | kCtrl, kActionKeys, 0, true},
      {'U', 1, kShift, kActionKeys, 0, false},
      {0x74, 1, kNone, kActionKeys, 0, true},
      {0x74, 1, kShift, kActionKeys, 0, false},
      {0x74, 1, kNone, kActionOff, 0, false},
      {0x74, 4, kNone, kActionKeys, 0, false},
      {kVkTab, 1, kNone, kActionKeysAndTab, 0, false},
      {'A', 1, kNone, kActionKeys, 0, false},
  };
  for (const Row& r : rows) {
    const KeyDecision d = Decide(kMsgKeyUp, r.code, r.focus, r.mods, r.action);
    EXPECT_EQ(d.reportKey, 0u);
    EXPECT_EQ(d.swallow, r.swallowed) << "key " << std::hex << r.code << " focus " << r.focus;
    EXPECT_EQ(d.changed, r.focus != 0) << "key " << std::hex << r.code;
  }
}

TEST(KeyRules, CharactersHelpRequestAndMouse) {
  EXPECT_EQ(Decide(kMsgChar, ';', 6).reportKey, 0x3Bu);
  EXPECT_FALSE(Decide(kMsgChar, ';', 6).swallow);
  EXPECT_EQ(Decide(kMsgChar, ';', 1).reportKey, 0u);
  EXPECT_EQ(Decide(kMsgChar, 'A', 6).reportKey, 0u);
  EXPECT_FALSE(Decide(kMsgChar, 'A', 6).changed);
  const KeyDecision f1 = Decide(kMsgKeyF1, 0, 1);
  EXPECT_TRUE(f1.swallow);
  EXPECT_EQ(f1.reportKey, 0u);
  EXPECT_FALSE(f1.changed);
  const KeyDecision move = Decide(kMsgMouseMove, 0, 1);
  EXPECT_FALSE(move.swallow);
  EXPECT_EQ(move.reportKey, 0u);
  EXPECT_FALSE(move.changed);
}

TEST(KeyRules, OnlyTheReaderMessagesPassTheFirstTest) {
  int accepted = 0;
  for (unsigned m = 0; m < 0x10000; ++m) accepted += IsReaderMessage(m) ? 1 : 0;
  EXPECT_EQ(accepted, 6);
  EXPECT_FALSE(IsReaderMessage(0x105));  // system key release
  EXPECT_FALSE(IsReaderMessage(0x103));  // dead character
  EXPECT_TRUE(IsReaderMessage(0x4D));
}

}  // namespace
