// Numbers of the logger link that the record handler, the main window's shortcuts and their tests
// share. Portable: no <windows.h>; the message and key numbers are the system's, named here once.
#pragma once

#include <cstddef>

namespace tandem::link {

// Window messages the link looks at.
constexpr unsigned kMsgNull = 0x0000;
constexpr unsigned kMsgCopyData = 0x004A;
constexpr unsigned kMsgKeyDown = 0x0100;
constexpr unsigned kMsgKeyUp = 0x0101;
constexpr unsigned kMsgChar = 0x0102;
constexpr unsigned kMsgSysKeyDown = 0x0104;
constexpr unsigned kMsgSysKeyUp = 0x0105;
constexpr unsigned kMsgRButtonUp = 0x0205;

// Virtual-key codes (and, for the character rules, character codes).
constexpr unsigned kVkBack = 0x08;
constexpr unsigned kVkTab = 0x09;
constexpr unsigned kVkReturn = 0x0D;
constexpr unsigned kVkEscape = 0x1B;
constexpr unsigned kVkPageUp = 0x21;
constexpr unsigned kVkPageDown = 0x22;
constexpr unsigned kVkF = 0x46;
constexpr unsigned kVkK = 0x4B;
constexpr unsigned kVkU = 0x55;
constexpr unsigned kVkW = 0x57;
constexpr unsigned kVkY = 0x59;
constexpr unsigned kVkZ = 0x5A;
constexpr unsigned kVkF1 = 0x70;
constexpr unsigned kVkF8 = 0x77;
constexpr unsigned kVkF11 = 0x7A;
constexpr unsigned kVkF12 = 0x7B;
constexpr unsigned kCharSpace = 0x20;  // first character that keyboard sending keys

// Function-key buttons of the Fn message bar: Fn is button kFnButtonFirst + n - 1.
constexpr int kFnButtonFirst = 1000;
constexpr int kFnButtonCount = 12;
constexpr int kFnButtonF2 = kFnButtonFirst + 1;
// The CW bar's text line; Enter there presses its send button.
constexpr int kCwTextEditId = 1046;

// Focus state in the record for the logger's call field.
constexpr int kFocusCall = 1;

// The entry record: thirteen '|'-terminated fields.
constexpr std::size_t kRecordFieldCount = 13;
// Any program can send the main window WM_COPYDATA; a longer text is no entry record (the longest
// the readers compose is about 300 bytes) and is dropped unread.
constexpr std::size_t kMaxReceivedRecord = 4096;

// The start notice that the CQ machine program sends instead of an entry record. Compared
// byte-wise over its whole length.
constexpr char kCqMachineNotice[] = "|a|a|a|a|a|a|a|a|a|a|a|9|";
constexpr std::size_t kCqMachineNoticeLength = sizeof kCqMachineNotice - 1;

// Frame timer 3: the watch of the foreground window for the followed logger. A hook reaches only
// programs of its own bitness, so a logger of the other one is found here, from outside.
constexpr unsigned kLoggerWatchTimer = 3;
constexpr unsigned kLoggerWatchTimerMs = 300;
// Posted by the watch to the frame (WM_APP + 1): the box about the other bitness is shown from
// the frame's own queue, never from inside the timer.
constexpr unsigned kMsgOtherBitnessNotice = 0x8001;

}  // namespace tandem::link
