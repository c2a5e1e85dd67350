#include "KeyRules.h"

#include "EntryRecord.h"

namespace tandem {
namespace {

bool IsFunctionKey(unsigned vk) { return vk >= kVkF1 && vk <= kVkF12; }

// Function keys belong to Tandem unless the link is off, or the focus lies in a field whose
// function keys are the logger's own and hook-anyway does not override that.
bool FunctionKeyIsOurs(const KeyEvent& e) {
  if (e.action == kActionOff) return false;
  const bool loggerField = e.focus == kFocusLoggerKeys1 || e.focus == kFocusLoggerKeys2;
  return !(loggerField && e.hookAnyway == 0);
}

bool NoModifier(const KeyEvent& e) { return !e.shift && !e.ctrl && !e.alt; }
bool CtrlOnly(const KeyEvent& e) { return e.ctrl && !e.shift && !e.alt; }
bool ShiftCtrl(const KeyEvent& e) { return e.shift && e.ctrl && !e.alt; }

KeyDecision KeyDown(const KeyEvent& e) {
  KeyDecision d;
  const unsigned vk = e.code;
  switch (vk) {
    case kVkTab:
      if (e.focus == kFocusCall && e.action == kActionKeysAndTab) d.reportKey = vk;
      break;
    case kVkEscape:
      d.reportKey = vk;
      d.swallow = e.focus == kFocusCall;
      break;
    case kVkPageUp:
    case kVkPageDown:
    case 'Q':
    case 'S':
      d.reportKey = vk;
      break;
    case 'F':
    case 'U':
    case 'Y':
      d.reportKey = vk;
      d.swallow = ShiftCtrl(e);
      break;
    case 'Z':
      if (CtrlOnly(e)) {
        d.reportKey = vk;
        d.swallow = true;
      }
      break;
    default:
      if (IsFunctionKey(vk) && FunctionKeyIsOurs(e)) {
        d.reportKey = vk;
        d.swallow = NoModifier(e);
      }
      break;
  }
  return d;
}

KeyDecision KeyUp(const KeyEvent& e) {
  KeyDecision d;
  // Every release in an observed field keeps the main program's copy of the fields current.
  d.changed = e.focus != kFocusNone;
  const unsigned vk = e.code;
  switch (vk) {
    case kVkEscape:
      d.swallow = e.focus == kFocusCall;
      break;
    case kVkPageUp:
    case kVkPageDown:
    case 'Z':
      d.swallow = CtrlOnly(e);
      break;
    case 'F':
    case 'U':
    case 'Y':
      d.swallow = ShiftCtrl(e);
      break;
    default:
      d.swallow = IsFunctionKey(vk) && FunctionKeyIsOurs(e) && NoModifier(e);
      break;
  }
  return d;
}

}  // namespace

KeyDecision DecideKey(const KeyEvent& e) {
  switch (e.message) {
    case kMsgKeyDown:
    case kMsgSysKeyDown:
      return KeyDown(e);
    case kMsgKeyUp:
      return KeyUp(e);
    case kMsgChar: {
      KeyDecision d;
      if (e.code == kCharSemicolon && e.focus == kFocusFreeText) d.reportKey = kCharSemicolon;
      return d;
    }
    case kMsgKeyF1: {
      KeyDecision d;
      d.swallow = true;
      return d;
    }
    default:
      return KeyDecision{};
  }
}

}  // namespace tandem
