// The main window's keyboard and mouse shortcuts, decided without touching a window: the frame's
// PreTranslateMessage fills a WindowMessage, asks DecideShortcut, and carries the decision out.
// Portable: no <windows.h>.
#pragma once

#include <array>

#include "KeyActions.h"

namespace tandem::link {

// One message bound for a window of the frame, with what the frame knows at that moment.
struct WindowMessage {
  unsigned message = 0;     // kMsgKeyDown, kMsgSysKeyDown, kMsgKeyUp, kMsgSysKeyUp, kMsgChar, ...
  unsigned code = 0;        // wParam: virtual-key code or character code
  Modifiers modifiers;      // live key state, sampled once for the message
  bool focusIsCwTextEdit = false;  // the focus window is the CW bar's text line
  bool focusIsLogView = false;     // the focus window is the log view
  bool sendQueueEmpty = true;      // m_sendQueue before any action of this message
  bool cqRepeat = false;           // m_cqRepeat
  int buttonUnderCursor = 0;       // right-button release: FnButtonAt of the cursor, 0 for none
};

// Carried out in field order: keyAction; then the typing rule (cancelForTyping, typeAhead with the
// message's character, caretToEnd); then zeroWParam; then consume (return true) or pass the message
// on to the framework's own pre-translation.
struct ShortcutDecision {
  KeyAction keyAction;
  bool cancelForTyping = false;  // CancelSending(): typing into the log view stops the CQ repeat
  bool typeAhead = false;        // TypeAheadChar(code)
  bool caretToEnd = false;       // log view caret to the end of the text, scrolled into view
  bool zeroWParam = false;       // hide the key from the accelerators
  bool consume = false;
};

ShortcutDecision DecideShortcut(const WindowMessage& msg);

// Screen rectangles of the function-key buttons 1000..1011, as their windows report them.
struct ScreenRect {
  long left = 0, top = 0, right = 0, bottom = 0;
};
using FnButtonRects = std::array<ScreenRect, kFnButtonCount>;

// The first button, in the order 1000..1011, whose rectangle holds the point (left and top edges
// inside, right and bottom outside); 0 when none does.
int FnButtonAt(long x, long y, const FnButtonRects& rects);

}  // namespace tandem::link
