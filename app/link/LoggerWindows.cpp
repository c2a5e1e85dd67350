#include "LoggerWindows.h"

namespace tandem::link {
namespace {

bool ClassIs(HWND w, const char* cls, bool ignoreCase = false) {
  char name[64] = {};
  if (::GetClassNameA(w, name, sizeof name) <= 0) return false;
  return (ignoreCase ? lstrcmpiA(name, cls) : lstrcmpA(name, cls)) == 0;
}

HWND N1mmCheckChild(HWND entry) {
  HWND child = ::GetWindow(entry, GW_CHILD);
  for (int i = 0; i < kN1mmModeCheckChild && child; ++i) child = ::GetWindow(child, GW_HWNDNEXT);
  return child;
}

// The top-level windows of one program, looked at for its input window.
struct HamlogSearch {
  DWORD pid = 0;
  HWND input = nullptr;
};

BOOL CALLBACK FindHamlogInput(HWND w, LPARAM lParam) {
  HamlogSearch* search = reinterpret_cast<HamlogSearch*>(lParam);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(w, &pid);
  if (pid != search->pid || !HasHamlogSaveButton(w)) return TRUE;
  search->input = w;
  return FALSE;
}

}  // namespace

bool IsN1mmEntryWindow(HWND w) {
  return ClassIs(w, kThunderFormClass) && N1mmCheckChild(w) != nullptr;
}

bool IsLogger32Frame(HWND w) {
  if (!ClassIs(w, kLogger32FrameClass)) return false;
  // Another program's window: its caption as the system keeps it, without a message to it.
  char title[sizeof kLogger32FrameTitle + 1] = {};
  ::GetWindowTextA(w, title, sizeof title);
  return lstrcmpA(title, kLogger32FrameTitle) == 0;
}

bool HasHamlogSaveButton(HWND w) {
  HWND child = ::GetWindow(w, GW_CHILD);
  for (int i = 0; child && i < kHamlogSaveSearchLimit; ++i, child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (!ClassIs(child, kHamlogButtonClass, true)) continue;
    char title[sizeof kHamlogSaveTitle + 1] = {};
    ::GetWindowTextA(child, title, sizeof title);
    if (lstrcmpiA(title, kHamlogSaveTitle) == 0) return true;
  }
  return false;
}

bool OwnsHamlogMainForm(DWORD pid) {
  HWND form = nullptr;
  for (int i = 0; i < kHamlogMainFormSearchLimit; ++i) {
    form = ::FindWindowExA(nullptr, form, kHamlogMainFormClass, nullptr);
    if (form == nullptr) return false;
    DWORD owner = 0;
    ::GetWindowThreadProcessId(form, &owner);
    if (owner == pid) return true;
  }
  return false;
}

HWND N1mmBankBox(HWND recordEntry) {
  if (ClassIs(recordEntry, kThunderFormClass)) {
    if (HWND box = N1mmCheckChild(recordEntry)) return box;
  }
  HWND entry = ::FindWindowA(kThunderFormClass, nullptr);
  return entry ? N1mmCheckChild(entry) : nullptr;
}

HWND HamlogBankBox(HWND hamlogMainForm) {
  if (hamlogMainForm == nullptr || !ClassIs(hamlogMainForm, kHamlogMainFormClass)) return nullptr;
  HamlogSearch search;
  ::GetWindowThreadProcessId(hamlogMainForm, &search.pid);
  if (search.pid == 0) return nullptr;
  ::EnumWindows(FindHamlogInput, reinterpret_cast<LPARAM>(&search));
  // The reader reads the check state from the input window's first child.
  return search.input ? ::GetWindow(search.input, GW_CHILD) : nullptr;
}

}  // namespace tandem::link
