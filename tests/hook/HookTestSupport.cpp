#include "HookTestSupport.h"

#include "TestSupport.h"

namespace hooktest {

std::vector<Record> g_records;
std::vector<std::string> g_titles;
HWND LoggerHookTest::display_ = nullptr;

namespace {

LRESULT CALLBACK DisplayProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) {
    const COPYDATASTRUCT* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    Record r;
    r.text.assign(static_cast<const char*>(cds->lpData), cds->cbData);
    r.data = cds->dwData;
    r.fields = SplitRecord(r.text);
    g_records.push_back(r);
    return 0;
  }
  if (msg == WM_SETTEXT) {
    g_titles.emplace_back(reinterpret_cast<const char*>(lParam));
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

std::vector<std::string> SplitRecord(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0, bar;
  while ((bar = text.find('|', start)) != std::string::npos) {
    out.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
  return out;
}

bool IsKeyTransition(UINT m) {
  return m == WM_NULL || m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
}

void LoggerHookTest::SetUpTestSuite() {
  if (display_ != nullptr) return;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DisplayProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HookTestDisplay";
  RegisterClassA(&wc);
  display_ = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "display", WS_POPUP, 0, 0, 10, 10, nullptr,
                             nullptr, wc.hInstance, nullptr);
}

void LoggerHookTest::TearDown() {
  hook_.Stop();
  sim_.Stop();
  testsupport::ReleaseModifiers();
}

void LoggerHookTest::Launch(const std::string& args, UINT action, int hookAnyway, int followed) {
  ASSERT_NE(display_, nullptr);
  ASSERT_TRUE(sim_.Start(LoggerSimPathBesideThisProgram(), args)) << sim_.error();
  hook_.SetDisplayWindow(display_);
  hook_.SetAction(action);
  hook_.SetHookAnyway(hookAnyway);
  hook_.SetFollowLogger(followed);
  ASSERT_NE(hook_.Start(), nullptr);
  g_records.clear();
}

void LoggerHookTest::SetText(const char* box, const std::string& text) {
  ASSERT_EQ(sim_.Command(std::string("text ") + box + " " + text), 1) << box;
}

void LoggerHookTest::Focus(const char* box) { ASSERT_EQ(sim_.Command(std::string("focus ") + box), 1) << box; }

}  // namespace hooktest
