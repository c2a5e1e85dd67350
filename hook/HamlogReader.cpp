// The Turbo HAMLOG/Win input-window reader. The input window is whatever window is in the
// foreground; its boxes are found by their places in its list of children, counted from the save
// button.
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

// The first sibling after `from` of the button class with the save button's title. Walked by
// hand: a class-filtered search that starts after a child of another class does not find it on
// every system.
HWND FindSaveButton(HWND from) {
  HWND w = from;
  for (int i = 0; i < tandem::kHamlogSaveSearchLimit; ++i) {
    w = GetWindow(w, GW_HWNDNEXT);
    if (w == nullptr) return nullptr;
    char cls[sizeof tandem::kHamlogButtonClass + 1] = {};
    char title[sizeof tandem::kHamlogSaveTitle + 1] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, tandem::kHamlogButtonClass) != 0) continue;
    GetWindowTextA(w, title, sizeof title);
    if (lstrcmpiA(title, tandem::kHamlogSaveTitle) == 0) return w;
  }
  return nullptr;
}

InputBoxes FindInputBoxes(HWND logger) {
  InputBoxes b;
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

// This process's top-level main form, or null.
HWND MainFormOfThisProcess() {
  HWND form = nullptr;
  for (int i = 0; i < tandem::kHamlogMainFormSearchLimit; ++i) {
    form = FindWindowExA(nullptr, form, tandem::kHamlogMainFormClass, nullptr);
    if (form == nullptr || reader::IsOfThisProcess(form)) return form;
  }
  return nullptr;
}

}  // namespace

bool HamlogInputWindowInForeground() {
  HWND foreground = GetForegroundWindow();
  if (!reader::IsOfThisProcess(foreground)) return false;
  if (MainFormOfThisProcess() == nullptr) return false;
  // The call box is the last box on the walk: if it is there, so is everything before it.
  const InputBoxes boxes = FindInputBoxes(foreground);
  return boxes.save != nullptr && boxes.call != nullptr;
}

void ReadHamlogWindow(HWND logger, MSG* msg) {
  if (!reader::IsOfThisProcess(logger)) return;
  tandem::EntryFields fields;
  bool changed = false;

  const InputBoxes boxes = FindInputBoxes(logger);
  if (boxes.check == nullptr) return;  // nothing we know: leave the message alone

  // Asked of the control itself: its id need not be unique among the window's children.
  fields.check = static_cast<UINT>(SendMessageA(boxes.check, BM_GETCHECK, 0, 0));
  if (fields.check != g_lastCheck) changed = true;
  g_lastCheck = fields.check;

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

  tandem::KeyEvent event;
  event.focus = focusState;
  reader::SampleModifiers(fields, event);

  RECT rect = {};
  GetWindowRect(logger, &rect);
  if (rect.left != g_lastRect.left || rect.bottom != g_lastRect.bottom) changed = true;
  g_lastRect = rect;
  fields.left = rect.left;
  fields.bottom = rect.bottom;

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
  // The record names the logger by its main form; this process's own, should two loggers run.
  reader::SendRecordUnlessEmpty(fields, reinterpret_cast<ULONG_PTR>(MainFormOfThisProcess()),
                                reader::kCallReportAndMode);
}
