// The Logger32 entry-window reader. The entry window is found from Logger32's frame down: the MDI
// client, the first form in it, and the form's inner panel, whose text boxes are counted from the
// first one.
#include "LoggerWindowNames.h"
#include "OtherLoggerReaders.h"
#include "ReaderCommon.h"

namespace {

constexpr char kEmptyTitle[] = "";

// Sibling steps between the inner panel's children.
constexpr int kModeAfterCall = 3;
constexpr int kReportAfterMode = 11;
constexpr int kNextAfterReport = 1;
constexpr int kExchangeAfterReport = 2;
constexpr int kLoggerKeysAfterExchange = 1;
constexpr int kFreeTextAfterExchange = 4;
constexpr int kFurtherAfterFreeText = 2;

// Logger32's own numbering of the focus states: its report field reports 8, the field after it 2.
constexpr int kFocusReportField = 8;
constexpr int kFocusAfterReport = 2;
constexpr int kFocusFurther = 10;

// Memory of this process, updated on every message the reader processes. There is no check
// control, so the check field is always 0 and only the rectangle is remembered.
RECT g_lastRect = {};

HWND FindFrame() { return FindWindowExA(nullptr, nullptr, tandem::kLogger32FrameClass, tandem::kLogger32FrameTitle); }

// The first text box of the entry window's inner panel in `frame`, or null when any window on
// the way there is missing or the frame is another process's.
HWND FindCallBox(HWND frame) {
  if (!reader::IsOfThisProcess(frame)) return nullptr;
  HWND client = FindWindowExA(frame, nullptr, tandem::kLogger32ClientClass, kEmptyTitle);
  HWND form = client ? FindWindowExA(client, nullptr, tandem::kThunderFormClass, nullptr) : nullptr;
  HWND panel = form ? FindWindowExA(form, nullptr, nullptr, kEmptyTitle) : nullptr;
  return panel ? FindWindowExA(panel, nullptr, tandem::kThunderTextBoxClass, nullptr) : nullptr;
}

// Reads the boxes counted from the call box and notes which one has the focus, and samples the
// modifiers.
void ReadTextsAndKeyState(HWND call, tandem::EntryFields& fields, tandem::KeyEvent& event) {
  HWND focus = GetFocus();
  int focusState = tandem::kFocusNone;
  reader::ReadBox(call, fields.call, tandem::kFocusCall, focus, focusState);
  HWND mode = reader::NextSibling(call, kModeAfterCall);
  // The mode box may hold more than the mode; the mode ends at the first break. It never counts
  // as focused.
  reader::ReadBoxText(mode, fields.mode, sizeof fields.mode);
  tandem::CutAtFirstBreak(fields.mode);
  HWND report = reader::NextSibling(mode, kReportAfterMode);
  reader::ReadBox(report, fields.report, kFocusReportField, focus, focusState);
  reader::NoteFocus(reader::NextSibling(report, kNextAfterReport), kFocusAfterReport, focus, focusState);
  HWND exchange = reader::NextSibling(report, kExchangeAfterReport);
  reader::ReadBox(exchange, fields.exchange, tandem::kFocusExchange, focus, focusState);
  reader::NoteFocus(reader::NextSibling(exchange, kLoggerKeysAfterExchange), tandem::kFocusLoggerKeys1,
                    focus, focusState);
  HWND freeText = reader::NextSibling(exchange, kFreeTextAfterExchange);
  reader::ReadBox(freeText, fields.freeText, tandem::kFocusFreeText, focus, focusState);
  reader::NoteFocus(reader::NextSibling(freeText, kFurtherAfterFreeText), kFocusFurther, focus, focusState);
  fields.focus = focusState;
  event.focus = focusState;
  reader::SampleModifiers(fields, event);
}

// Reads the entry window of the frame `frame` for one message.
void ReadEntryWindow(HWND frame, MSG* msg) {
  HWND call = FindCallBox(frame);
  if (call == nullptr) return;  // no entry window: the message passes untouched

  // A mouse move or the F1 request needs no text unless there is a record to send.
  tandem::EntryFields fields;
  tandem::KeyEvent event;
  const bool keyMessage = reader::RulesNeedKeyState(msg->message);
  if (keyMessage) ReadTextsAndKeyState(call, fields, event);

  bool changed = reader::TakeWindowRect(GetForegroundWindow(), g_lastRect, fields);

  tandem::KeyDecision decision = reader::DecideForMessage(*msg, event);
  // TAB is kept from the logger here too, but nothing takes its place.
  if (reader::IsReportedTabDown(*msg, decision)) decision.swallow = true;
  if (decision.swallow) msg->message = tandem::kMsgNull;
  fields.key = decision.reportKey;
  changed = changed || decision.changed;

  if (fields.key == 0 && !changed) return;
  if (!keyMessage) ReadTextsAndKeyState(call, fields, event);
  reader::SendRecordUnlessEmpty(fields, 0, reader::kCallReportAndMode);
}

}  // namespace

void ReadLogger32InForeground(MSG* msg) {
  HWND foreground = GetForegroundWindow();
  if (foreground != nullptr && foreground == FindFrame()) ReadEntryWindow(foreground, msg);
}

void ReadLogger32Windows(MSG* msg) { ReadEntryWindow(FindFrame(), msg); }
