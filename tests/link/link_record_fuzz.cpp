// Arbitrary bytes as a received WM_COPYDATA: validation, the notice test, the splitting and the
// decisions must never read outside the data, and the splitting must agree with the rule written
// out the plain way (thirteen separators, each field up to the next one, nothing behind).
#include <cstdint>
#include <cstring>
#include <string>

#include "KeyActions.h"
#include "Shortcuts.h"

namespace {

using namespace tandem;
using namespace tandem::link;

// The rule written out the plain way: thirteen times, the text up to the next separator is a
// field; the text must end right after the thirteenth. characterWise skips the byte after a lead
// byte.
bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool ReferenceSplit(std::string text, bool characterWise, RecordFields& fields) {
  for (std::size_t i = 0; i < kRecordFieldCount; ++i) {
    std::size_t bar = 0;
    while (bar < text.size() && text[bar] != '|') {
      bar += characterWise && IsLead(static_cast<unsigned char>(text[bar])) && bar + 1 < text.size() ? 2 : 1;
    }
    if (bar >= text.size()) return false;
    fields[i] = text.substr(0, bar);
    text.erase(0, bar + 1);
  }
  return text.empty();
}

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  ++data;
  --size;

  // The record in a buffer of exactly its size, so that any read beyond it is caught.
  char* copy = new char[size ? size : 1];
  if (size) std::memcpy(copy, data, size);
  const void* pointer = (flags & 1) ? nullptr : copy;

  RecordMemory memory;
  memory.lastCall = "OLD";
  const bool cqRepeat = (flags & 2) != 0;
  const int zLogKey = (flags & 4) ? 1 : 0;
  const bool bankBox = (flags & 8) == 0;
  const RecordPlan plan = PlanCopyData(pointer, size, memory, cqRepeat, zLogKey, bankBox);

  if (pointer == nullptr || size > kMaxReceivedRecord) {
    Check(plan.kind == RecordKind::kIgnored);
  } else {
    const std::string_view text(copy, size);
    if (IsCqMachineNotice(text)) {
      Check(plan.kind == RecordKind::kCqMachineNotice && memory.lastCall == "OLD");
    } else {
      RecordFields whole, bytes;
      const bool characterWise = ReferenceSplit(std::string(text), true, whole);
      const bool byteWise = ReferenceSplit(std::string(text), false, bytes);
      const bool wellFormed = text.find('\0') == std::string_view::npos && (characterWise || byteWise);
      Check(plan.kind == (wellFormed ? RecordKind::kEntryRecord : RecordKind::kIgnored));
      if (!wellFormed) {
        Check(memory.lastCall == "OLD" && plan.keyAction.action == LinkAction::kNone);
        delete[] copy;
        return 0;
      }
      const RecordFields fields = *SplitEntryRecord(text);
      if (characterWise) Check(fields == whole);
      for (const std::string& f : fields) {
        bool lead = false;
        for (const char c : f) lead = !lead && IsLead(static_cast<unsigned char>(c));
        Check(!lead);  // no field ends in a lone lead byte
      }
      Check(plan.record.call == fields[kFieldCall]);
      Check(plan.record.exchange == fields[kFieldExchange]);
      Check(plan.record.checked == (fields[kFieldCheck] == "1"));
      Check(memory.lastCall == plan.record.call);
      Check(plan.cancelForCall == (cqRepeat && plan.record.call != "OLD" &&
                                   plan.record.modifiers.None()));
      const KeyAction& a = plan.keyAction;
      if (plan.record.keyField != KeyField::kValid) Check(a.action == LinkAction::kNone);
      Check(a.action != LinkAction::kFnKey && a.action != LinkAction::kEditFnButton);
      if (a.action == LinkAction::kSendFnMessage) {
        Check(a.buttonId >= kFnButtonFirst && a.buttonId < kFnButtonFirst + kFnButtonCount);
        Check(plan.record.modifiers.None() || plan.record.key == kVkTab);
      }
      Check(plan.bankA == plan.record.checked);
      // The memory had seen no record: a logger's bank box is followed, before the key.
      Check(plan.followBank == bankBox && plan.bankBeforeKey);
      Check(memory.seenRecord && memory.lastCheck == plan.bankA);
    }
  }

  // The same bytes as a message for the main window.
  if (size >= 6) {
    WindowMessage msg;
    const unsigned messages[] = {kMsgKeyDown, kMsgSysKeyDown, kMsgKeyUp, kMsgSysKeyUp, kMsgChar,
                                 kMsgRButtonUp, 0x0200, 0x0106};
    msg.message = messages[data[0] % 8];
    msg.code = data[1];
    msg.modifiers = {(data[2] & 1) != 0, (data[2] & 2) != 0, (data[2] & 4) != 0};
    msg.focusIsCwTextEdit = (data[2] & 8) != 0;
    msg.focusIsLogView = (data[2] & 16) != 0;
    msg.sendQueueEmpty = (data[2] & 32) != 0;
    msg.cqRepeat = (data[2] & 64) != 0;
    std::int16_t id;
    std::memcpy(&id, data + 3, sizeof id);
    msg.buttonUnderCursor = id;
    const ShortcutDecision d = DecideShortcut(msg);
    // Keyboard sending only ever happens in the log view, for printable characters without Ctrl
    // or Alt; a consumed message is never also typed.
    if (d.typeAhead) {
      Check(msg.message == kMsgChar && msg.focusIsLogView && msg.code >= kCharSpace &&
            !msg.modifiers.ctrl && !msg.modifiers.alt && !d.consume);
    }
    if (d.cancelForTyping) Check(msg.cqRepeat && msg.modifiers.None() && msg.focusIsLogView);
    if (d.keyAction.action == LinkAction::kFnKey || d.keyAction.action == LinkAction::kEditFnButton) {
      Check(d.keyAction.buttonId >= kFnButtonFirst &&
            d.keyAction.buttonId < kFnButtonFirst + kFnButtonCount);
    }
  }
  delete[] copy;
  return 0;
}
