// The Turbo HAMLOG/Win input-window reader. The input window is whatever window is in the
// foreground; its boxes are found by their places in its list of children, counted from the save
// button, and kept between messages for as long as each of them is still the window's child.
#include "LoggerWindowNames.h"
#include "OtherLoggerReaders.h"
#include "ReaderCommon.h"

namespace {

// Sibling steps between the input window's children.
constexpr int kFreeTextAfterSave = 1;
constexpr int kLoggerKeys1AfterFreeText = 2;
constexpr int kExchangeAfterFreeText = 3;
constexpr int kLoggerKeys2AfterExchange = 3;
constexpr int kModeAfterExchange = 4;
constexpr int kFurtherAfterMode = 2;
constexpr int kReportAfterMode = 3;
constexpr int kCallAfterReport = 3;

// A further field after the mode box: it counts for the focus state but is not read.
constexpr int kFocusFurther = 8;

// Memory of this process, updated on every message the reader processes.
UINT g_lastCheck = 0;
RECT g_lastRect = {};
// Set when a TAB in the call box was turned into Enter: the release of that Enter moves the
// focus on to the report box, as TAB would have.
bool g_enterPending = false;

struct InputBoxes {
  HWND logger = nullptr;  // the window they were found in
  HWND check = nullptr;
  HWND save = nullptr;
  HWND freeText = nullptr;
  HWND loggerKeys1 = nullptr;
  HWND exchange = nullptr;
  HWND loggerKeys2 = nullptr;
  HWND mode = nullptr;
  HWND further = nullptr;
  HWND report = nullptr;
  HWND call = nullptr;
};

bool HasSaveTitle(HWND button) {
  char title[sizeof tandem::kHamlogSaveTitle + 1] = {};
  GetWindowTextA(button, title, sizeof title);
  return lstrcmpiA(title, tandem::kHamlogSaveTitle) == 0;
}

// The first sibling after `from` of the button class with the save button's title. Walked by
// hand: a class-filtered search that starts after a child of another class does not find it on
// every system.
HWND FindSaveButton(HWND from) {
  HWND w = from;
  for (int i = 0; i < tandem::kHamlogSaveSearchLimit; ++i) {
    w = GetWindow(w, GW_HWNDNEXT);
    if (w == nullptr) return nullptr;
    char cls[sizeof tandem::kHamlogButtonClass + 1] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, tandem::kHamlogButtonClass) == 0 && HasSaveTitle(w)) return w;
  }
  return nullptr;
}

InputBoxes FindInputBoxes(HWND logger) {
  InputBoxes b;
  b.logger = logger;
  b.check = FindWindowExA(logger, nullptr, nullptr, nullptr);
  if (b.check == nullptr) return b;
  b.save = FindSaveButton(b.check);
  b.freeText = reader::NextSibling(b.save, kFreeTextAfterSave);
  b.loggerKeys1 = reader::NextSibling(b.freeText, kLoggerKeys1AfterFreeText);
  b.exchange = reader::NextSibling(b.freeText, kExchangeAfterFreeText);
  b.loggerKeys2 = reader::NextSibling(b.exchange, kLoggerKeys2AfterExchange);
  b.mode = reader::NextSibling(b.exchange, kModeAfterExchange);
  b.further = reader::NextSibling(b.mode, kFurtherAfterMode);
  b.report = reader::NextSibling(b.mode, kReportAfterMode);
  b.call = reader::NextSibling(b.report, kCallAfterReport);
  return b;
}

// The call box is the last box on the walk: if it is there, so is everything before it.
bool IsComplete(const InputBoxes& b) { return b.save != nullptr && b.call != nullptr; }

// Only a complete set is kept, so that a window of the logger without the boxes, brought to the
// front for a while, does not put out the input window's set.
reader::ChildrenCache<InputBoxes> g_cache;

// The check control is still the window's first child, the save button still has its title (the
// walk would not find it under another one), and every box is still the window's child.
bool StillValid(const InputBoxes& b, HWND logger) {
  using reader::ChildOf;
  return b.logger == logger && IsComplete(b) &&
         FindWindowExA(logger, nullptr, nullptr, nullptr) == b.check && ChildOf(b.save, logger) &&
         HasSaveTitle(b.save) && ChildOf(b.freeText, logger) && ChildOf(b.loggerKeys1, logger) &&
         ChildOf(b.exchange, logger) && ChildOf(b.loggerKeys2, logger) && ChildOf(b.mode, logger) &&
         ChildOf(b.further, logger) && ChildOf(b.report, logger) && ChildOf(b.call, logger);
}

// A copy, checked and found outside the lock.
InputBoxes BoxesOf(HWND logger) {
  const InputBoxes cached = g_cache.Load();
  if (StillValid(cached, logger)) return cached;
  const InputBoxes found = FindInputBoxes(logger);
  if (IsComplete(found)) g_cache.Store(found);
  return found;
}

// This process's top-level main form, or null.
HWND MainFormOfThisProcess() {
  HWND form = nullptr;
  for (int i = 0; i < tandem::kHamlogMainFormSearchLimit; ++i) {
    form = FindWindowExA(nullptr, form, tandem::kHamlogMainFormClass, nullptr);
    if (form == nullptr || reader::IsOfThisProcess(form)) return form;
  }
  return nullptr;
}

// Reads the texts and notes which box has the focus, and samples the modifiers.
void ReadTextsAndKeyState(const InputBoxes& boxes, tandem::EntryFields& fields, tandem::KeyEvent& event) {
  HWND focus = GetFocus();
  int focusState = tandem::kFocusNone;
  reader::ReadBox(boxes.freeText, fields.freeText, tandem::kFocusFreeText, focus, focusState);
  reader::NoteFocus(boxes.loggerKeys1, tandem::kFocusLoggerKeys1, focus, focusState);
  reader::ReadBox(boxes.exchange, fields.exchange, tandem::kFocusExchange, focus, focusState);
  reader::NoteFocus(boxes.loggerKeys2, tandem::kFocusLoggerKeys2, focus, focusState);
  reader::ReadBox(boxes.mode, fields.mode, tandem::kFocusMode, focus, focusState);
  reader::NoteFocus(boxes.further, kFocusFurther, focus, focusState);
  reader::ReadBox(boxes.report, fields.report, tandem::kFocusReport, focus, focusState);
  reader::ReadBox(boxes.call, fields.call, tandem::kFocusCall, focus, focusState);
  fields.focus = focusState;
  event.focus = focusState;
  reader::SampleModifiers(fields, event);
}

// Reads the input window `logger`, whose boxes are at hand, for one message. The record names the
// logger by its main form, this process's own should two loggers run; `mainForm` is null when it
// has not been looked for yet.
void ReadInputWindow(HWND logger, const InputBoxes& boxes, HWND mainForm, MSG* msg) {
  tandem::EntryFields fields;
  bool changed = reader::TakeCheckState(boxes.check, g_lastCheck, fields);

  // For a key the texts are read before the Enter that may stand in for TAB moves the focus. A
  // mouse move or the F1 request needs none of them unless there is a record to send.
  tandem::KeyEvent event;
  const bool keyMessage = reader::RulesNeedKeyState(msg->message);
  if (keyMessage) ReadTextsAndKeyState(boxes, fields, event);

  if (reader::TakeWindowRect(logger, g_lastRect, fields)) changed = true;

  tandem::KeyDecision decision = reader::DecideForMessage(*msg, event);
  if (reader::IsReportedTabDown(*msg, decision)) {
    // The logger gets Enter in place of the TAB; the focus follows once Enter is released.
    decision.swallow = true;
    keybd_event(VK_RETURN, 0, 0, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    g_enterPending = true;
  } else if (g_enterPending && msg->message == tandem::kMsgKeyUp && msg->wParam == VK_RETURN) {
    if (boxes.report != nullptr) SetFocus(boxes.report);
    g_enterPending = false;
  }
  if (decision.swallow) msg->message = tandem::kMsgNull;
  fields.key = decision.reportKey;
  changed = changed || decision.changed;

  if (fields.key == 0 && !changed) return;
  if (!keyMessage) ReadTextsAndKeyState(boxes, fields, event);
  if (mainForm == nullptr) mainForm = MainFormOfThisProcess();
  reader::SendRecordUnlessEmpty(fields, reinterpret_cast<ULONG_PTR>(mainForm), reader::kCallReportAndMode);
}

}  // namespace

void ReadHamlogInputWindowInForeground(MSG* msg) {
  HWND foreground = GetForegroundWindow();
  if (!reader::IsOfThisProcess(foreground)) return;
  HWND mainForm = MainFormOfThisProcess();
  if (mainForm == nullptr) return;
  const InputBoxes boxes = BoxesOf(foreground);
  if (IsComplete(boxes)) ReadInputWindow(foreground, boxes, mainForm, msg);
}

void ReadHamlogWindow(HWND logger, MSG* msg) {
  if (!reader::IsOfThisProcess(logger)) return;
  const InputBoxes boxes = BoxesOf(logger);
  if (boxes.check == nullptr) return;  // nothing we know: leave the message alone
  ReadInputWindow(logger, boxes, nullptr, msg);
}
