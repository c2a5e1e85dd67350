// The entry record as the hook library composes it and the main program splits it, and the
// window message and key numbers that both sides name. Portable: no <windows.h>, header only, so
// the hook library and the logger link read one definition of the format.
#pragma once

#include <cstddef>

namespace tandem {

// The record: thirteen fields, each ended by the separator,
// "call|report|mode|exchange|free|check|KEY|SHIFT|CTRL|ALT|left|bottom|focus|".
constexpr char kRecordSeparator = '|';
constexpr std::size_t kRecordFieldCount = 13;

// Field buffers of the composer, terminator included. A longer logger text is cut to one byte less.
constexpr std::size_t kCallSize = 32;
constexpr std::size_t kReportSize = 16;
constexpr std::size_t kModeSize = 16;
constexpr std::size_t kExchangeSize = 64;
constexpr std::size_t kFreeTextSize = 128;

// The longest record the N1MM reader can produce: 238 bytes of text (its mode is always "CW"),
// 13 separators, and the numbers at their widest (check 1 digit, key 2, three key states of 8,
// left and bottom of 11 characters each, focus 1).
constexpr std::size_t kN1mmRecordMax = 301;
// Room for any record whatever its fields hold: every text at its limit, every number at the
// widest its type can print. The composer never writes past this.
constexpr std::size_t kEntryRecordMax =
    (kCallSize - 1) + (kReportSize - 1) + (kModeSize - 1) + (kExchangeSize - 1) +
    (kFreeTextSize - 1) + kRecordFieldCount /* separators */ + 10 /* check */ + 8 /* key */ +
    3 * 8 /* key states */ + 3 * 11 /* left, bottom, focus */;
constexpr std::size_t kEntryRecordBufferSize = kEntryRecordMax + 1;
// Any program can send the main window WM_COPYDATA; a longer text is no entry record (the longest
// the readers compose is about 300 bytes) and is dropped unread.
constexpr std::size_t kMaxReceivedRecord = 4096;

// Focus states: which observed logger field has the keyboard focus.
enum FocusState : int {
  kFocusNone = 0,
  kFocusCall = 1,
  kFocusReport = 2,
  kFocusMode = 3,
  kFocusLoggerKeys1 = 4,  // function keys stay with the logger unless hook-anyway is set
  kFocusExchange = 5,
  kFocusFreeText = 6,
  kFocusLoggerKeys2 = 7,  // the same rule as kFocusLoggerKeys1
};

// The start notice that the CQ machine program sends instead of an entry record. Compared
// byte-wise over its whole length.
constexpr char kCqMachineNotice[] = "|a|a|a|a|a|a|a|a|a|a|a|9|";
constexpr std::size_t kCqMachineNoticeLength = sizeof kCqMachineNotice - 1;

// Window messages that the readers and the link look at: the system's numbers, named once.
constexpr unsigned kMsgNull = 0x0000;
constexpr unsigned kMsgCopyData = 0x004A;
constexpr unsigned kMsgKeyF1 = 0x004D;  // the F1 help request
constexpr unsigned kMsgKeyDown = 0x0100;
constexpr unsigned kMsgKeyUp = 0x0101;
constexpr unsigned kMsgChar = 0x0102;
constexpr unsigned kMsgSysKeyDown = 0x0104;
constexpr unsigned kMsgSysKeyUp = 0x0105;
constexpr unsigned kMsgMouseMove = 0x0200;
constexpr unsigned kMsgRButtonUp = 0x0205;

// Virtual-key codes (and, for the character rules, character codes) that the key rules and the
// main window's shortcuts name.
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
constexpr unsigned kCharSpace = 0x20;      // first character that keyboard sending keys
constexpr unsigned kCharSemicolon = 0x3B;  // reported in the key field as it is

}  // namespace tandem
