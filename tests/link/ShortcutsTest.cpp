#include <gtest/gtest.h>

#include "Shortcuts.h"

namespace tandem::link {
namespace {

constexpr Modifiers kNone{};
constexpr Modifiers kShift{true, false, false};
constexpr Modifiers kCtrl{false, true, false};
constexpr Modifiers kAlt{false, false, true};
constexpr Modifiers kShiftCtrl{true, true, false};
constexpr Modifiers kShiftAlt{true, false, true};
constexpr Modifiers kCtrlAlt{false, true, true};

WindowMessage Msg(unsigned message, unsigned code, Modifiers m = kNone) {
  WindowMessage w;
  w.message = message;
  w.code = code;
  w.modifiers = m;
  return w;
}

// A decision that does nothing and passes the message on untouched.
void ExpectUntouched(const ShortcutDecision& d, const char* what) {
  EXPECT_EQ(d.keyAction.action, LinkAction::kNone) << what;
  EXPECT_FALSE(d.cancelForTyping) << what;
  EXPECT_FALSE(d.typeAhead) << what;
  EXPECT_FALSE(d.caretToEnd) << what;
  EXPECT_FALSE(d.zeroWParam) << what;
  EXPECT_FALSE(d.consume) << what;
}

TEST(ShortcutKeyDown, FunctionKeysAllowShiftButNotCtrlOrAlt) {
  for (unsigned k = 0x70; k <= 0x7B; ++k) {
    for (const Modifiers m : {kNone, kShift}) {
      // F10 comes as a system key; the rules are the same for both messages.
      for (const unsigned msg : {kMsgKeyDown, kMsgSysKeyDown}) {
        const ShortcutDecision d = DecideShortcut(Msg(msg, k, m));
        EXPECT_EQ(d.keyAction.action, LinkAction::kFnKey);
        EXPECT_EQ(d.keyAction.buttonId, 1000 + static_cast<int>(k - 0x70));
        EXPECT_TRUE(d.consume);
      }
    }
  }
  // Alt+F3, Alt+F4 (closing the window), Shift+Ctrl+F3: passed on.
  ExpectUntouched(DecideShortcut(Msg(kMsgSysKeyDown, 0x72, kAlt)), "Alt+F3");
  ExpectUntouched(DecideShortcut(Msg(kMsgSysKeyDown, 0x73, kAlt)), "Alt+F4");
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x72, kShiftCtrl)), "Shift+Ctrl+F3");
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x72, kCtrl)), "Ctrl+F3");
}

TEST(ShortcutKeyDown, CtrlF8F11F12ChangeTheButtonCount) {
  ShortcutDecision d = DecideShortcut(Msg(kMsgKeyDown, 0x77, kCtrl));
  EXPECT_EQ(d.keyAction.action, LinkAction::kFnEight);
  EXPECT_TRUE(d.consume);
  for (const unsigned k : {0x7Au, 0x7Bu}) {
    d = DecideShortcut(Msg(kMsgKeyDown, k, kCtrl));
    EXPECT_EQ(d.keyAction.action, LinkAction::kFnTwelve);
    EXPECT_TRUE(d.consume);
  }
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x77, kCtrlAlt)), "Ctrl+Alt+F8");
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x79, kCtrl)), "Ctrl+F10");
}

TEST(ShortcutKeyDown, SpeedKeysWorkOnlyWithoutModifiers) {
  ShortcutDecision d = DecideShortcut(Msg(kMsgKeyDown, 0x21));
  EXPECT_EQ(d.keyAction.action, LinkAction::kSpeedUp);  // no null message in the own window
  EXPECT_TRUE(d.zeroWParam);
  EXPECT_TRUE(d.consume);
  d = DecideShortcut(Msg(kMsgKeyDown, 0x22));
  EXPECT_EQ(d.keyAction.action, LinkAction::kSpeedDown);
  EXPECT_TRUE(d.consume);
  // Ctrl+PgUp is the logger's speed key; here it is passed on.
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x21, kCtrl)), "Ctrl+PgUp");
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x22, kShift)), "Shift+PgDn");
}

TEST(ShortcutKeyDown, CtrlWAndCtrlZAreHiddenFromTheAcceleratorsButPassedOn) {
  ShortcutDecision d = DecideShortcut(Msg(kMsgKeyDown, 0x57, kCtrl));
  EXPECT_EQ(d.keyAction.action, LinkAction::kClearLog);
  EXPECT_TRUE(d.zeroWParam);
  EXPECT_FALSE(d.consume);
  d = DecideShortcut(Msg(kMsgKeyDown, 0x5A, kCtrl));
  EXPECT_EQ(d.keyAction.action, LinkAction::kStartCqRepeat);
  EXPECT_TRUE(d.zeroWParam);
  EXPECT_FALSE(d.consume);
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x5A, kShiftCtrl)), "Shift+Ctrl+Z");
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x57)), "W");
}

TEST(ShortcutKeyDown, EnterAndEscape) {
  WindowMessage enter = Msg(kMsgKeyDown, 0x0D);
  ExpectUntouched(DecideShortcut(enter), "Enter elsewhere");
  enter.focusIsCwTextEdit = true;
  ShortcutDecision d = DecideShortcut(enter);
  EXPECT_EQ(d.keyAction.action, LinkAction::kSendButton);
  EXPECT_FALSE(d.consume);
  EXPECT_FALSE(d.zeroWParam);
  for (const Modifiers m : {kNone, kShift, kCtrlAlt}) {
    d = DecideShortcut(Msg(kMsgKeyDown, 0x1B, m));
    EXPECT_EQ(d.keyAction.action, LinkAction::kCancelSending);
    EXPECT_FALSE(d.consume);
  }
}

TEST(ShortcutKeyUp, AltKTogglesKana) {
  for (const unsigned msg : {kMsgKeyUp, kMsgSysKeyUp}) {
    const ShortcutDecision d = DecideShortcut(Msg(msg, 0x4B, kAlt));
    EXPECT_EQ(d.keyAction.action, LinkAction::kToggleKana);
    EXPECT_TRUE(d.zeroWParam);
    EXPECT_FALSE(d.consume);
  }
  ExpectUntouched(DecideShortcut(Msg(kMsgSysKeyUp, 0x4B, kShiftAlt)), "Shift+Alt+K");
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyUp, 0x4B)), "K up");
  ExpectUntouched(DecideShortcut(Msg(kMsgSysKeyDown, 0x4B, kAlt)), "Alt+K down");
  // Key releases of the other shortcuts do nothing.
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyUp, 0x70)), "F1 up");
}

TEST(ShortcutCharacter, BankAndSpeedLettersWithShiftAloneInAnyWindow) {
  for (const unsigned c : {unsigned('F'), unsigned('f')}) {
    const ShortcutDecision d = DecideShortcut(Msg(kMsgChar, c, kShift));
    EXPECT_EQ(d.keyAction.action, LinkAction::kSwitchBank);
    EXPECT_TRUE(d.consume);
  }
  for (const unsigned c : {unsigned('U'), unsigned('u')}) {
    EXPECT_EQ(DecideShortcut(Msg(kMsgChar, c, kShift)).keyAction.action, LinkAction::kSpeedDown);
  }
  for (const unsigned c : {unsigned('Y'), unsigned('y')}) {
    EXPECT_EQ(DecideShortcut(Msg(kMsgChar, c, kShift)).keyAction.action, LinkAction::kSpeedUp);
  }
  // Without Shift, or with Ctrl or Alt besides, the letter is typed (only the log view keys it).
  WindowMessage typed = Msg(kMsgChar, 'F', kShiftCtrl);
  ExpectUntouched(DecideShortcut(typed), "Shift+Ctrl+F outside the log view");
  typed.focusIsLogView = true;
  ShortcutDecision d = DecideShortcut(typed);
  EXPECT_EQ(d.keyAction.action, LinkAction::kNone);
  EXPECT_FALSE(d.typeAhead);  // Ctrl down: shown in the log but not keyed
  EXPECT_TRUE(d.caretToEnd);
  EXPECT_FALSE(d.consume);
  typed = Msg(kMsgChar, 'f');
  typed.focusIsLogView = true;
  d = DecideShortcut(typed);
  EXPECT_TRUE(d.typeAhead);
  EXPECT_FALSE(d.consume);
}

TEST(ShortcutCharacter, BackspaceTakesBackAQueuedCharacterOrIsDropped) {
  WindowMessage bs = Msg(kMsgChar, 0x08);
  bs.focusIsLogView = true;
  bs.sendQueueEmpty = true;
  ShortcutDecision d = DecideShortcut(bs);
  EXPECT_EQ(d.keyAction.action, LinkAction::kDropLastQueued);
  EXPECT_TRUE(d.consume);  // the log is not erased when nothing waited
  EXPECT_FALSE(d.caretToEnd);

  bs.sendQueueEmpty = false;
  d = DecideShortcut(bs);
  EXPECT_EQ(d.keyAction.action, LinkAction::kDropLastQueued);
  EXPECT_FALSE(d.consume);   // the log view erases its last character
  EXPECT_FALSE(d.typeAhead); // a control character is not keyed
  EXPECT_TRUE(d.caretToEnd);

  // In the CW bar's text line: dropped while nothing waits, otherwise passed on untouched.
  bs.focusIsLogView = false;
  bs.sendQueueEmpty = true;
  EXPECT_TRUE(DecideShortcut(bs).consume);
  bs.sendQueueEmpty = false;
  d = DecideShortcut(bs);
  EXPECT_EQ(d.keyAction.action, LinkAction::kDropLastQueued);
  EXPECT_FALSE(d.consume);
  EXPECT_FALSE(d.caretToEnd);
}

TEST(ShortcutCharacter, TabIsSwallowedOnlyInTheLogView) {
  WindowMessage tab = Msg(kMsgChar, 0x09);
  ExpectUntouched(DecideShortcut(tab), "TAB in the CW bar");
  tab.focusIsLogView = true;
  const ShortcutDecision d = DecideShortcut(tab);
  EXPECT_TRUE(d.consume);
  EXPECT_FALSE(d.typeAhead);
  EXPECT_FALSE(d.cancelForTyping);
}

TEST(ShortcutCharacter, TypingIntoTheLogViewKeysAndStopsTheCqRepeat) {
  WindowMessage c = Msg(kMsgChar, 'A');
  c.focusIsLogView = true;
  c.cqRepeat = true;
  ShortcutDecision d = DecideShortcut(c);
  EXPECT_TRUE(d.cancelForTyping);
  EXPECT_TRUE(d.typeAhead);
  EXPECT_TRUE(d.caretToEnd);
  EXPECT_FALSE(d.consume);

  // Shift held: keyed, but the repeat goes on.
  c.modifiers = kShift;
  d = DecideShortcut(c);
  EXPECT_FALSE(d.cancelForTyping);
  EXPECT_TRUE(d.typeAhead);

  // Enter: shown in the log, not keyed; it still stops the repeat.
  c = Msg(kMsgChar, 0x0D);
  c.focusIsLogView = true;
  c.cqRepeat = true;
  d = DecideShortcut(c);
  EXPECT_TRUE(d.cancelForTyping);
  EXPECT_FALSE(d.typeAhead);
  EXPECT_TRUE(d.caretToEnd);

  // A space and a byte of a double-byte character are keyed; Alt is not.
  c = Msg(kMsgChar, 0x20);
  c.focusIsLogView = true;
  EXPECT_TRUE(DecideShortcut(c).typeAhead);
  c.code = 0x82;
  EXPECT_TRUE(DecideShortcut(c).typeAhead);
  c.modifiers = kAlt;
  EXPECT_FALSE(DecideShortcut(c).typeAhead);

  // Any other window: the character passes untouched, whatever the repeat.
  c = Msg(kMsgChar, 'A');
  c.cqRepeat = true;
  ExpectUntouched(DecideShortcut(c), "typing in the CW bar");
}

TEST(ShortcutMouse, RightClickOnAFunctionKeyButtonEditsIt) {
  FnButtonRects rects{};
  for (int i = 0; i < kFnButtonCount; ++i) {
    rects[static_cast<std::size_t>(i)] = {10 + 50L * i, 100, 60 + 50L * i, 120};
  }
  EXPECT_EQ(FnButtonAt(10, 100, rects), 1000);   // top-left corner is inside
  EXPECT_EQ(FnButtonAt(59, 119, rects), 1000);
  EXPECT_EQ(FnButtonAt(60, 110, rects), 1001);   // right edge belongs to the next button
  EXPECT_EQ(FnButtonAt(225, 110, rects), 1004);  // F5
  EXPECT_EQ(FnButtonAt(30, 120, rects), 0);      // bottom edge is outside
  EXPECT_EQ(FnButtonAt(5, 110, rects), 0);
  // Overlapping rectangles: the lower id wins.
  rects[3] = rects[7];
  EXPECT_EQ(FnButtonAt(380, 110, rects), 1003);

  WindowMessage r = Msg(kMsgRButtonUp, 0);
  r.buttonUnderCursor = 1004;
  const ShortcutDecision d = DecideShortcut(r);
  EXPECT_EQ(d.keyAction.action, LinkAction::kEditFnButton);
  EXPECT_EQ(d.keyAction.buttonId, 1004);
  EXPECT_TRUE(d.consume);
  r.buttonUnderCursor = 0;
  ExpectUntouched(DecideShortcut(r), "right click beside the buttons");
  r.buttonUnderCursor = 1046;
  ExpectUntouched(DecideShortcut(r), "not a function-key button");
}

TEST(ShortcutOther, OtherMessagesPassUntouched) {
  ExpectUntouched(DecideShortcut(Msg(0x0200, 0x70)), "mouse move");
  ExpectUntouched(DecideShortcut(Msg(0x0106, 'F', kShift)), "system character");
  ExpectUntouched(DecideShortcut(Msg(kMsgKeyDown, 0x41)), "A key-down");
}

}  // namespace
}  // namespace tandem::link
