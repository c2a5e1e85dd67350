// The N1MM Logger entry-window reader. It runs inside the logger's process on the thread that
// retrieved the message, so it uses fixed buffers only and never waits long for the main program.
#include "N1mmReader.h"

#include "EntryRecord.h"
#include "KeyRules.h"
#include "LoggerWindowNames.h"
#include "SharedBlock.h"

namespace {

constexpr char kModeCw[] = "CW";

// Positions in the entry window's list of children, counted from 0.
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

HWND FirstTextBox(HWND container) {
  return container != nullptr ? FindWindowExA(container, nullptr, tandem::kThunderTextBoxClass, nullptr) : nullptr;
}

// The entry window's children that the reader uses. Finding them walks the list of children,
// each step a call into the window manager, so they are kept between messages for as long as each
// of them is still the child of the window it was found in.
struct EntryChildren {
  HWND entry = nullptr;
  HWND modeCheck = nullptr;
  HWND firstContainer = nullptr;
  HWND secondContainer = nullptr;
  HWND report = nullptr;
  HWND exchange = nullptr;
  HWND freeText = nullptr;
  HWND call = nullptr;
};

// This process's copy, for all of the logger's threads: a thread that finds it stale finds the
// children again. A logger may retrieve messages on more than one thread, so the set is taken and
// put whole under the lock, never member by member: a thread must not use one set's report box
// with another set's call box. The lock is held only to copy these few words, never over a call
// into the window manager, so a logger's thread never waits on it for long.
struct ChildrenCache {
  SRWLOCK lock = SRWLOCK_INIT;
  EntryChildren children;
};
ChildrenCache g_cache;

bool ChildOf(HWND child, HWND parent) { return child != nullptr && GetParent(child) == parent; }

bool StillValid(const EntryChildren& c, HWND entry) {
  return c.entry == entry && ChildOf(c.modeCheck, entry) && ChildOf(c.firstContainer, entry) &&
         ChildOf(c.secondContainer, entry) && ChildOf(c.report, c.firstContainer) &&
         ChildOf(c.exchange, c.firstContainer) && ChildOf(c.freeText, c.firstContainer) &&
         ChildOf(c.call, c.secondContainer);
}

EntryChildren FindEntryChildren(HWND entry) {
  EntryChildren c;
  c.entry = entry;
  HWND w = FindWindowExA(entry, nullptr, nullptr, nullptr);
  for (int i = 0; w != nullptr && i <= tandem::kN1mmModeCheckChild; ++i, w = GetWindow(w, GW_HWNDNEXT)) {
    if (i == kFirstContainerChild) c.firstContainer = w;
    if (i == kSecondContainerChild) c.secondContainer = w;
    if (i == tandem::kN1mmModeCheckChild) c.modeCheck = w;
  }
  if (c.modeCheck == nullptr) return c;
  c.report = NextSibling(FirstTextBox(c.firstContainer), kReportAfterAnchor);
  c.exchange = NextSibling(c.report, kExchangeAfterReport);
  c.freeText = NextSibling(c.exchange, kFreeTextAfterExchange);
  c.call = FirstTextBox(c.secondContainer);
  return c;
}

// A copy, so that a second thread of the logger that finds the children again meanwhile does not
// change them under this one; checked and found outside the lock.
EntryChildren ChildrenOf(HWND entry) {
  AcquireSRWLockShared(&g_cache.lock);
  const EntryChildren cached = g_cache.children;
  ReleaseSRWLockShared(&g_cache.lock);
  if (StillValid(cached, entry)) return cached;

  const EntryChildren found = FindEntryChildren(entry);
  AcquireSRWLockExclusive(&g_cache.lock);
  g_cache.children = found;
  ReleaseSRWLockExclusive(&g_cache.lock);
  return found;
}

// Reads a box's text into a field of fieldSize bytes (empty when the box is missing).
template <std::size_t fieldSize>
void ReadBox(HWND box, char (&field)[fieldSize]) {
  field[0] = '\0';
  if (box == nullptr) return;
  // One byte more than the field holds, so that a cut through a double-byte character shows.
  char text[fieldSize + 1];
  text[0] = '\0';
  GetWindowTextA(box, text, static_cast<int>(sizeof text));
  tandem::CopyField(field, fieldSize, text);
}

// Which observed box has this thread's keyboard focus.
int FocusStateOf(const EntryChildren& c) {
  HWND focus = GetFocus();
  if (focus == nullptr) return tandem::kFocusNone;
  if (focus == c.report) return tandem::kFocusReport;
  if (focus == c.exchange) return tandem::kFocusExchange;
  if (focus == c.freeText) return tandem::kFocusFreeText;
  if (focus == c.call) return tandem::kFocusCall;
  return tandem::kFocusNone;
}

bool IsDown(SHORT state) { return (state & 0x8000) != 0; }

// The key rules look at the focus and the modifiers for the key messages only; a mouse move or
// the F1 request needs neither, and a record for them reads them when it is composed.
bool RulesNeedKeyState(UINT message) {
  return message == tandem::kMsgKeyDown || message == tandem::kMsgSysKeyDown ||
         message == tandem::kMsgKeyUp || message == tandem::kMsgChar;
}

}  // namespace

HWND FindEntryWindowInForeground() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return nullptr;
  // The reader runs only inside the logger: a window of another process would be read across the
  // process boundary, where a busy logger makes every call wait for it.
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  char cls[sizeof tandem::kThunderFormClass + 1] = {};
  if (GetClassNameA(foreground, cls, sizeof cls) != static_cast<int>(sizeof tandem::kThunderFormClass - 1) ||
      lstrcmpA(cls, tandem::kThunderFormClass) != 0) {
    return nullptr;
  }
  HWND entry = FindWindowExA(nullptr, nullptr, tandem::kThunderFormClass, nullptr);
  return entry == foreground ? entry : nullptr;
}

void ReadN1mmEntryWindow(HWND entry, MSG* msg) {
  const EntryChildren children = ChildrenOf(entry);
  if (children.modeCheck == nullptr) return;  // not the entry window we know: leave it alone

  tandem::EntryFields fields;
  bool changed = false;

  // The check state, as IsDlgButtonChecked asks it, straight from the control.
  fields.check = static_cast<UINT>(SendMessageA(children.modeCheck, BM_GETCHECK, 0, 0));
  if (fields.check != g_lastCheck) changed = true;
  g_lastCheck = fields.check;

  RECT rect = {};
  GetWindowRect(entry, &rect);
  if (rect.left != g_lastRect.left || rect.bottom != g_lastRect.bottom) changed = true;
  g_lastRect = rect;
  fields.left = rect.left;
  fields.bottom = rect.bottom;

  tandem::KeyEvent event;
  event.message = msg->message;
  event.code = static_cast<unsigned>(msg->wParam);
  event.action = g_shared.action;
  event.hookAnyway = g_shared.hookAnyway;
  bool keyStateRead = false;
  if (RulesNeedKeyState(msg->message)) {
    event.focus = FocusStateOf(children);
    fields.shift = GetKeyState(VK_SHIFT);
    fields.ctrl = GetKeyState(VK_CONTROL);
    fields.alt = GetKeyState(VK_MENU);
    keyStateRead = true;
  }
  event.shift = IsDown(fields.shift);
  event.ctrl = IsDown(fields.ctrl);
  event.alt = IsDown(fields.alt);
  const tandem::KeyDecision decision = tandem::DecideKey(event);
  if (decision.swallow) msg->message = tandem::kMsgNull;
  fields.key = decision.reportKey;
  changed = changed || decision.changed;

  if (fields.key == 0 && !changed) return;

  // A record: now the texts and whatever the rules did not need.
  if (!keyStateRead) {
    event.focus = FocusStateOf(children);
    fields.shift = GetKeyState(VK_SHIFT);
    fields.ctrl = GetKeyState(VK_CONTROL);
    fields.alt = GetKeyState(VK_MENU);
  }
  fields.focus = event.focus;
  ReadBox(children.report, fields.report);
  ReadBox(children.exchange, fields.exchange);
  ReadBox(children.freeText, fields.freeText);
  ReadBox(children.call, fields.call);
  tandem::CopyField(fields.mode, sizeof fields.mode, kModeCw);

  char record[tandem::kEntryRecordBufferSize];
  const std::size_t length = tandem::ComposeEntryRecord(fields, record, sizeof record);
  if (record[0] == '|' && record[1] == '|') return;  // call and report both empty

  COPYDATASTRUCT data;
  data.dwData = reinterpret_cast<ULONG_PTR>(entry);
  data.cbData = static_cast<DWORD>(length);
  data.lpData = record;
  SendToDisplay(g_shared.display, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}
