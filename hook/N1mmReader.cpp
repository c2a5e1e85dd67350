// The N1MM Logger entry-window reader. It runs inside the logger's process on the thread that
// retrieved the message, so it uses fixed buffers only and never waits long for the main program.
#include "N1mmReader.h"

#include "LoggerWindowNames.h"
#include "ReaderCommon.h"

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

HWND FirstTextBox(HWND container) {
  return container != nullptr ? FindWindowExA(container, nullptr, tandem::kThunderTextBoxClass, nullptr) : nullptr;
}

// The entry window's children that the reader uses, kept between messages for as long as each of
// them is still the child of the window it was found in.
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

reader::ChildrenCache<EntryChildren> g_cache;

bool StillValid(const EntryChildren& c, HWND entry) {
  using reader::ChildOf;
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
  c.report = reader::NextSibling(FirstTextBox(c.firstContainer), kReportAfterAnchor);
  c.exchange = reader::NextSibling(c.report, kExchangeAfterReport);
  c.freeText = reader::NextSibling(c.exchange, kFreeTextAfterExchange);
  c.call = FirstTextBox(c.secondContainer);
  return c;
}

// A copy, so that a second thread of the logger that finds the children again meanwhile does not
// change them under this one; checked and found outside the lock.
EntryChildren ChildrenOf(HWND entry) {
  const EntryChildren cached = g_cache.Load();
  if (StillValid(cached, entry)) return cached;
  const EntryChildren found = FindEntryChildren(entry);
  g_cache.Store(found);
  return found;
}

// Which observed box has this thread's keyboard focus, and the modifiers.
void SampleKeyState(const EntryChildren& c, tandem::EntryFields& fields, tandem::KeyEvent& event) {
  HWND focus = GetFocus();
  int focusState = tandem::kFocusNone;
  reader::NoteFocus(c.report, tandem::kFocusReport, focus, focusState);
  reader::NoteFocus(c.exchange, tandem::kFocusExchange, focus, focusState);
  reader::NoteFocus(c.freeText, tandem::kFocusFreeText, focus, focusState);
  reader::NoteFocus(c.call, tandem::kFocusCall, focus, focusState);
  event.focus = focusState;
  reader::SampleModifiers(fields, event);
}

}  // namespace

HWND FindEntryWindowInForeground() {
  HWND foreground = GetForegroundWindow();
  if (!reader::IsOfThisProcess(foreground)) return nullptr;
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
  bool changed = reader::TakeCheckState(children.modeCheck, g_lastCheck, fields);
  if (reader::TakeWindowRect(entry, g_lastRect, fields)) changed = true;

  tandem::KeyEvent event;
  const bool keyStateRead = reader::RulesNeedKeyState(msg->message);
  if (keyStateRead) SampleKeyState(children, fields, event);
  const tandem::KeyDecision decision = reader::DecideForMessage(*msg, event);
  if (decision.swallow) msg->message = tandem::kMsgNull;
  fields.key = decision.reportKey;
  changed = changed || decision.changed;

  if (fields.key == 0 && !changed) return;

  // A record: now the texts and whatever the rules did not need.
  if (!keyStateRead) SampleKeyState(children, fields, event);
  fields.focus = event.focus;
  reader::ReadBoxText(children.report, fields.report, sizeof fields.report);
  reader::ReadBoxText(children.exchange, fields.exchange, sizeof fields.exchange);
  reader::ReadBoxText(children.freeText, fields.freeText, sizeof fields.freeText);
  reader::ReadBoxText(children.call, fields.call, sizeof fields.call);
  tandem::CopyField(fields.mode, sizeof fields.mode, kModeCw);
  reader::SendRecordUnlessEmpty(fields, reinterpret_cast<ULONG_PTR>(entry), reader::kCallAndReport);
}
