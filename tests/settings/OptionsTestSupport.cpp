#include "OptionsTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <prsht.h>

#include <cstring>
#include <thread>

#include "KeyportTestSupport.h"
#include "TestSupport.h"
#include "SharedBlock.h"
#include "resource.h"

namespace optionstest {

namespace {
// The sheet's Apply button and tab control, as the system's property sheet numbers them.
constexpr int kApplyButtonId = 0x3021;
constexpr int kTabControlId = 0x3020;
// Id of the text of a message box.
constexpr int kMessageBoxTextId = 0xFFFF;
}  // namespace

std::string Ansi(const wchar_t* text) {
  const int n = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], n, nullptr, nullptr);
  if (!out.empty()) out.pop_back();
  return out;
}

std::string WithLimits(const wchar_t* format, const char* low, const char* high) {
  std::string text = Ansi(format);
  size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, low);
  at = text.find("%2");
  if (at != std::string::npos) text.replace(at, 2, high);
  return text;
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool Checked(HWND button) { return ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

HWND Sheet::Page() const {
  return reinterpret_cast<HWND>(::SendMessageA(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int Sheet::PageIndex() const {
  return static_cast<int>(::SendMessageA(::GetDlgItem(hwnd, kTabControlId), TCM_GETCURSEL, 0, 0));
}

HWND Sheet::ApplyButton() const { return ::GetDlgItem(hwnd, kApplyButtonId); }

bool Sheet::ClickTab(int index, bool wait) const {
  HWND tab = ::GetDlgItem(hwnd, kTabControlId);
  // A click that lands while the sheet is still settling is lost; an operator clicks again.
  for (int attempt = 0; attempt < (wait ? 3 : 1); ++attempt) {
    RECT r = {};
    ::SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&r));
    POINT pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(tab, &pt);
    ClickAt(pt);
    if (!wait || WaitUntil([&] { return PageIndex() == index; }, 3000)) return true;
  }
  return false;
}

std::string Sheet::TabText(int index) const {
  char text[256] = "";
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  ::SendMessageA(::GetDlgItem(hwnd, kTabControlId), TCM_GETITEMA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
  return text;
}

bool Sheet::WaitClosed(DWORD ms) const {
  return WaitUntil([&] { return !::IsWindow(hwnd); }, ms);
}

bool Sheet::Retype(int id, const std::string& text) const {
  HWND edit = Item(id);
  Click(edit);
  if (!WaitUntil([&] { return FocusOf(hwnd) == edit; }, 5000)) return false;
  Press(VK_END);
  Press(VK_HOME, kShift);
  Press(VK_DELETE);
  TypeText(text);
  return WaitUntil([&] { return WindowText(edit) == text; }, 5000);
}

bool Sheet::TypeAfterAccessKey(char key, int id, const std::string& text) const {
  HWND edit = Item(id);
  Press(static_cast<BYTE>(::VkKeyScanA(key) & 0xFF), kAlt);
  if (!WaitUntil([&] { return FocusOf(hwnd) == edit; }, 5000)) return false;
  // The dialog selects an edit's whole text when the focus comes by keyboard.
  if (text.empty()) Press(VK_DELETE);
  TypeText(text);
  return WaitUntil([&] { return WindowText(edit) == text; }, 5000);
}

HWND FindSheet(DWORD ms) {
  HWND sheet = testsupport::WaitForOwnDialog(
      [](HWND wnd) { return ::GetDlgItem(wnd, kTabControlId) != nullptr; }, ms);
  if (!sheet) return nullptr;
  if (::GetForegroundWindow() != sheet) ::SetForegroundWindow(sheet);
  WaitUntil([&] { return ::GetForegroundWindow() == sheet; }, 5000);
  return sheet;
}

std::string AnswerMessageBox(DWORD ms) {
  HWND box = testsupport::WaitForOwnDialog(
      [](HWND wnd) { return ::GetDlgItem(wnd, kMessageBoxTextId) != nullptr; }, ms);
  if (!box) return "";
  char text[1024] = "";
  ::GetDlgItemTextA(box, kMessageBoxTextId, text, sizeof(text));
  WaitUntil([&] { return ::GetForegroundWindow() == box; }, 5000);
  Press(VK_RETURN);
  WaitUntil([&] { return !::IsWindow(box); }, 5000);
  return text;
}

void CloseLeftovers() {
  for (int round = 0; round < 20; ++round) {
    HWND open = testsupport::WaitForOwnDialog([](HWND) { return true; }, 200);
    if (!open) return;
    const bool isBox = ::GetDlgItem(open, kMessageBoxTextId) != nullptr;
    ::PostMessageA(open, WM_COMMAND, MAKEWPARAM(isBox ? IDOK : IDCANCEL, BN_CLICKED), 0);
    WaitUntil([&] { return !::IsWindow(open) || !::IsWindowVisible(open); }, 3000);
  }
}

void RunSheet(CMainFrame* frame, const std::function<void(const Sheet&)>& operate) {
  std::thread operatorThread([&] {
    Sheet sheet;
    sheet.hwnd = FindSheet();
    EXPECT_NE(sheet.hwnd, nullptr) << "the Options sheet did not open";
    if (sheet.hwnd) operate(sheet);
    CloseLeftovers();
  });
  // The menu command's path: a disabled item would do nothing here.
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_TOOLS_OPTIONS, 0), 0);
  operatorThread.join();
}

EmulatorSession::EmulatorSession() {
  // The library reads its environment when it is loaded.
  SetEnv("KEYPORT_TRACE", trace_.c_str());
  SetEnv("KEYPORT_TIMESCALE", "50");
  SetEnv("KEYPORT_AUDIO", "0");
}

EmulatorSession::~EmulatorSession() {
  session_.End();
  SetEnv("KEYPORT_TRACE", nullptr);
  SetEnv("KEYPORT_TIMESCALE", nullptr);
  SetEnv("KEYPORT_AUDIO", nullptr);
}

void EmulatorSession::Start(const std::string& ini) {
  if (!ini.empty()) testsupport::WriteFileBytes(IniPath(), ini);
  ::SetDllDirectoryA((testsupport::ProgramFolder() + "\\emulator").c_str());
  const bool started = session_.Start();
  ::SetDllDirectoryA(nullptr);
  ASSERT_TRUE(started);
  frame_ = session_.Frame();
  ASSERT_TRUE(shelltest::BringToFront(frame_->m_hWnd));
  MarkCalls();
}

std::string EmulatorSession::Ini(const char* section, const char* key) const {
  return shelltest::IniText(IniPath(), section, key);
}

std::vector<std::string> EmulatorSession::KeyerCalls() const {
  return testsupport::KeyerCalls(testsupport::ReadTrace(trace_));
}

std::vector<std::string> EmulatorSession::Calls(const char* name) const {
  const std::vector<std::string> calls = KeyerCalls();
  const std::string prefix = std::string(name) + " ";
  std::vector<std::string> found;
  for (size_t i = mark_; i < calls.size(); ++i) {
    if (calls[i].compare(0, prefix.size(), prefix) != 0) continue;
    // "<name> <handle> <values>": the values only.
    const std::string rest = calls[i].substr(prefix.size());
    const size_t space = rest.find(' ');
    found.push_back(space == std::string::npos ? std::string() : rest.substr(space + 1));
  }
  return found;
}

std::vector<std::string> EmulatorSession::CallNames() const {
  std::vector<std::string> names;
  const std::vector<std::string> calls = KeyerCalls();
  for (size_t i = mark_; i < calls.size(); ++i) names.push_back(calls[i].substr(0, calls[i].find(' ')));
  return names;
}

namespace {
// The block is the start of the library's section ".shared", in this process as in any other.
const SharedHookBlock* HookBlock() {
  HMODULE module = ::GetModuleHandleA("TandemHook.dll");
  if (!module) return nullptr;
  const BYTE* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (std::strncmp(reinterpret_cast<const char*>(section->Name), ".shared", 8) != 0) continue;
    return reinterpret_cast<const SharedHookBlock*>(base + section->VirtualAddress);
  }
  return nullptr;
}
}  // namespace

unsigned HookAction() {
  const SharedHookBlock* block = HookBlock();
  return block ? block->action : 0xFFFFFFFFu;
}

int HookFollowedLogger() {
  const SharedHookBlock* block = HookBlock();
  return block ? block->followLogger : -1;
}

}  // namespace optionstest
