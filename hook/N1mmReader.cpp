// The N1MM Logger entry-window reader. It runs inside the logger's process on the thread that
// retrieved the message, so it uses fixed buffers only and never waits long for the main program.
#include "N1mmReader.h"

#include "EntryRecord.h"
#include "KeyRules.h"
#include "SharedBlock.h"

namespace {

constexpr char kEntryWindowClass[] = "ThunderRT6FormDC";
constexpr char kTextBoxClass[] = "ThunderRT6TextBox";
constexpr char kModeCw[] = "CW";

// Positions in the entry window's list of children, counted from 0.
constexpr int kModeCheckChild = 26;
constexpr int kFirstContainerChild = 10;
constexpr int kSecondContainerChild = 14;
// Sibling steps inside the first container, from the first text box (the anchor).
constexpr int kReportAfterAnchor = 2;
constexpr int kExchangeAfterReport = 7;
constexpr int kFreeTextAfterExchange = 2;

// Memory of this process, updated on every message the reader processes.
UINT g_lastCheck = 0;
RECT g_lastRect = {};

HWND NextSibling(HWND w, int steps) {
  while (w != nullptr && steps-- > 0) w = GetWindow(w, GW_HWNDNEXT);
  return w;
}

// The three children the reader needs, found in one walk down the list of children (each step is
// a call into the window manager, and the walk runs on every key press in the logger).
struct EntryChildren {
  HWND firstContainer = nullptr;
  HWND secondContainer = nullptr;
  HWND modeCheck = nullptr;
};

EntryChildren FindEntryChildren(HWND entry) {
  EntryChildren c;
  HWND w = FindWindowExA(entry, nullptr, nullptr, nullptr);
  for (int i = 0; w != nullptr && i <= kModeCheckChild; ++i, w = GetWindow(w, GW_HWNDNEXT)) {
    if (i == kFirstContainerChild) c.firstContainer = w;
    if (i == kSecondContainerChild) c.secondContainer = w;
    if (i == kModeCheckChild) c.modeCheck = w;
  }
  return c;
}

HWND FirstTextBox(HWND container) {
  return container != nullptr ? FindWindowExA(container, nullptr, kTextBoxClass, nullptr) : nullptr;
}

// Reads a box's text into a field of fieldSize bytes (empty when the box is missing) and notes the
// focus state when the box has this thread's keyboard focus.
template <std::size_t fieldSize>
void ReadBox(HWND box, char (&field)[fieldSize], int focusValue, HWND focus, int& focusState) {
  field[0] = '\0';
  if (box == nullptr) return;
  if (box == focus) focusState = focusValue;
  // One byte more than the field holds, so that a cut through a double-byte character shows.
  char text[fieldSize + 1];
  text[0] = '\0';
  GetWindowTextA(box, text, static_cast<int>(sizeof text));
  tandem::CopyField(field, fieldSize, text);
}

bool IsDown(SHORT state) { return (state & 0x8000) != 0; }

}  // namespace

HWND FindEntryWindowInForeground() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return nullptr;
  HWND entry = FindWindowExA(nullptr, nullptr, kEntryWindowClass, nullptr);
  return entry == foreground ? entry : nullptr;
}

void ReadN1mmEntryWindow(HWND entry, MSG* msg) {
  tandem::EntryFields fields;
  bool changed = false;

  const EntryChildren children = FindEntryChildren(entry);
  if (children.modeCheck == nullptr) return;  // not the entry window we know: leave it alone

  fields.check = IsDlgButtonChecked(entry, GetDlgCtrlID(children.modeCheck));
  if (fields.check != g_lastCheck) changed = true;
  g_lastCheck = fields.check;

  HWND focus = GetFocus();
  int focusState = tandem::kFocusNone;
  HWND report = NextSibling(FirstTextBox(children.firstContainer), kReportAfterAnchor);
  ReadBox(report, fields.report, tandem::kFocusReport, focus, focusState);
  HWND exchange = NextSibling(report, kExchangeAfterReport);
  ReadBox(exchange, fields.exchange, tandem::kFocusExchange, focus, focusState);
  HWND freeText = NextSibling(exchange, kFreeTextAfterExchange);
  ReadBox(freeText, fields.freeText, tandem::kFocusFreeText, focus, focusState);
  HWND call = FirstTextBox(children.secondContainer);
  ReadBox(call, fields.call, tandem::kFocusCall, focus, focusState);
  fields.focus = focusState;

  tandem::CopyField(fields.mode, sizeof fields.mode, kModeCw);

  fields.shift = GetKeyState(VK_SHIFT);
  fields.ctrl = GetKeyState(VK_CONTROL);
  fields.alt = GetKeyState(VK_MENU);

  RECT rect = {};
  GetWindowRect(entry, &rect);
  if (rect.left != g_lastRect.left || rect.bottom != g_lastRect.bottom) changed = true;
  g_lastRect = rect;
  fields.left = rect.left;
  fields.bottom = rect.bottom;

  tandem::KeyEvent event;
  event.message = msg->message;
  event.code = static_cast<unsigned>(msg->wParam);
  event.focus = focusState;
  event.action = g_shared.action;
  event.hookAnyway = g_shared.hookAnyway;
  event.shift = IsDown(fields.shift);
  event.ctrl = IsDown(fields.ctrl);
  event.alt = IsDown(fields.alt);
  const tandem::KeyDecision decision = tandem::DecideKey(event);
  if (decision.swallow) msg->message = tandem::kMsgNull;
  fields.key = decision.reportKey;
  changed = changed || decision.changed;

  if (fields.key == 0 && !changed) return;

  char record[tandem::kEntryRecordBufferSize];
  const std::size_t length = tandem::ComposeEntryRecord(fields, record, sizeof record);
  if (record[0] == '|' && record[1] == '|') return;  // call and report both empty

  COPYDATASTRUCT data;
  data.dwData = reinterpret_cast<ULONG_PTR>(entry);
  data.cbData = static_cast<DWORD>(length);
  data.lpData = record;
  SendToDisplay(g_shared.display, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}
