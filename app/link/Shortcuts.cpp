#include "Shortcuts.h"

namespace tandem::link {

namespace {

ShortcutDecision KeyDown(const WindowMessage& msg) {
  ShortcutDecision d;
  const Modifiers m = msg.modifiers;
  const unsigned key = msg.code;
  if (key == kVkReturn) {
    if (msg.focusIsCwTextEdit) d.keyAction = {LinkAction::kSendButton};
  } else if (key == kVkEscape) {
    d.keyAction = {LinkAction::kCancelSending};
  } else if (key == kVkPageUp || key == kVkPageDown) {
    if (m.None()) {
      d.keyAction = {key == kVkPageUp ? LinkAction::kSpeedUp : LinkAction::kSpeedDown};
      d.zeroWParam = true;
      d.consume = true;
    }
  } else if (key == kVkW || key == kVkZ) {
    // Passed on with the key hidden, so that Ctrl+Z never reaches the undo accelerator.
    if (m.CtrlOnly()) {
      d.keyAction = {key == kVkW ? LinkAction::kClearLog : LinkAction::kStartCqRepeat};
      d.zeroWParam = true;
    }
  } else if (key >= kVkF1 && key <= kVkF12) {
    // Shift is allowed: OnFnKey reads it and opens the memory editor.
    if (!m.ctrl && !m.alt) {
      d.keyAction = {LinkAction::kFnKey, kFnButtonFirst + static_cast<int>(key - kVkF1)};
      d.consume = true;
    } else if (m.CtrlOnly() && key == kVkF8) {
      d.keyAction = {LinkAction::kFnEight};
      d.consume = true;
    } else if (m.CtrlOnly() && (key == kVkF11 || key == kVkF12)) {
      d.keyAction = {LinkAction::kFnTwelve};
      d.consume = true;
    }
  }
  return d;
}

ShortcutDecision KeyUp(const WindowMessage& msg) {
  ShortcutDecision d;
  if (msg.code == kVkK && msg.modifiers.alt && !msg.modifiers.shift && !msg.modifiers.ctrl) {
    d.keyAction = {LinkAction::kToggleKana};
    d.zeroWParam = true;
  }
  return d;
}

// Keyboard sending: only into the log view; elsewhere the character passes untouched.
void TypingRule(const WindowMessage& msg, ShortcutDecision& d) {
  if (!msg.focusIsLogView) return;
  const Modifiers m = msg.modifiers;
  d.cancelForTyping = msg.cqRepeat && m.None();
  d.typeAhead = msg.code >= kCharSpace && !m.ctrl && !m.alt;
  d.caretToEnd = true;
}

ShortcutDecision Character(const WindowMessage& msg) {
  ShortcutDecision d;
  const unsigned c = msg.code;
  const bool shiftOnly = msg.modifiers.ShiftOnly();
  if (c == kVkBack) {
    d.keyAction = {LinkAction::kDropLastQueued};
    // Nothing waited: the Backspace is dropped, so it cannot erase the log.
    if (msg.sendQueueEmpty) {
      d.consume = true;
      return d;
    }
  } else if (c == kVkTab) {
    if (msg.focusIsLogView) {
      d.consume = true;
      return d;
    }
  } else if ((c == 'F' || c == 'f') && shiftOnly) {
    d.keyAction = {LinkAction::kSwitchBank};
    d.consume = true;
    return d;
  } else if ((c == 'U' || c == 'u') && shiftOnly) {
    d.keyAction = {LinkAction::kSpeedDown};
    d.consume = true;
    return d;
  } else if ((c == 'Y' || c == 'y') && shiftOnly) {
    d.keyAction = {LinkAction::kSpeedUp};
    d.consume = true;
    return d;
  }
  TypingRule(msg, d);
  return d;
}

}  // namespace

ShortcutDecision DecideShortcut(const WindowMessage& msg) {
  switch (msg.message) {
    case kMsgKeyDown:
    case kMsgSysKeyDown:
      return KeyDown(msg);
    case kMsgKeyUp:
    case kMsgSysKeyUp:
      return KeyUp(msg);
    case kMsgChar:
      return Character(msg);
    case kMsgRButtonUp: {
      ShortcutDecision d;
      const int id = msg.buttonUnderCursor;
      if (id >= kFnButtonFirst && id < kFnButtonFirst + kFnButtonCount) {
        d.keyAction = {LinkAction::kEditFnButton, id};
        d.consume = true;
      }
      return d;
    }
    default:
      return {};
  }
}

int FnButtonAt(long x, long y, const FnButtonRects& rects) {
  for (int i = 0; i < kFnButtonCount; ++i) {
    const ScreenRect& r = rects[static_cast<std::size_t>(i)];
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return kFnButtonFirst + i;
  }
  return 0;
}

}  // namespace tandem::link
