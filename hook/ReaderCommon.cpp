#include "ReaderCommon.h"

#include "SharedBlock.h"

namespace reader {
namespace {

bool IsDown(SHORT state) { return (state & 0x8000) != 0; }

}  // namespace

bool IsOfThisProcess(HWND w) {
  DWORD pid = 0;
  return w != nullptr && GetWindowThreadProcessId(w, &pid) != 0 && pid == GetCurrentProcessId();
}

HWND NextSibling(HWND w, int steps) {
  while (w != nullptr && steps-- > 0) w = GetWindow(w, GW_HWNDNEXT);
  return w;
}

bool TakeCheckState(HWND check, UINT& last, tandem::EntryFields& fields) {
  fields.check = static_cast<UINT>(SendMessageA(check, BM_GETCHECK, 0, 0));
  const bool changed = fields.check != last;
  last = fields.check;
  return changed;
}

bool TakeWindowRect(HWND window, RECT& last, tandem::EntryFields& fields) {
  RECT rect = {};
  if (window != nullptr) GetWindowRect(window, &rect);
  const bool changed = rect.left != last.left || rect.bottom != last.bottom;
  last = rect;
  fields.left = rect.left;
  fields.bottom = rect.bottom;
  return changed;
}

void ReadBoxText(HWND box, char* field, std::size_t fieldSize) {
  field[0] = '\0';
  if (box == nullptr) return;
  // One byte more than the field holds, so that a cut through a double-byte character shows.
  char text[tandem::kFreeTextSize + 1];
  const std::size_t readSize = fieldSize + 1 <= sizeof text ? fieldSize + 1 : sizeof text;
  text[0] = '\0';
  GetWindowTextA(box, text, static_cast<int>(readSize));
  tandem::CopyField(field, fieldSize, text);
}

void SampleModifiers(tandem::EntryFields& fields, tandem::KeyEvent& event) {
  fields.shift = GetKeyState(VK_SHIFT);
  fields.ctrl = GetKeyState(VK_CONTROL);
  fields.alt = GetKeyState(VK_MENU);
  event.shift = IsDown(fields.shift);
  event.ctrl = IsDown(fields.ctrl);
  event.alt = IsDown(fields.alt);
}

tandem::KeyDecision DecideForMessage(const MSG& msg, tandem::KeyEvent& event) {
  event.message = msg.message;
  event.code = static_cast<unsigned>(msg.wParam);
  event.action = g_shared.action;
  event.hookAnyway = g_shared.hookAnyway;
  return tandem::DecideKey(event);
}

bool IsReportedTabDown(const MSG& msg, const tandem::KeyDecision& decision) {
  const bool down = msg.message == tandem::kMsgKeyDown || msg.message == tandem::kMsgSysKeyDown;
  return down && decision.reportKey == tandem::kVkTab;
}

void SendRecordUnlessEmpty(const tandem::EntryFields& fields, ULONG_PTR loggerWindow,
                           int emptyFieldsThatSendNothing) {
  char record[tandem::kEntryRecordBufferSize];
  const std::size_t length = tandem::ComposeEntryRecord(fields, record, sizeof record);
  if (tandem::StartsWithEmptyFields(record, emptyFieldsThatSendNothing)) return;

  COPYDATASTRUCT data;
  data.dwData = loggerWindow;
  data.cbData = static_cast<DWORD>(length);
  data.lpData = record;
  SendToDisplay(g_shared.display, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

}  // namespace reader
