#include "KeyerTestSupport.h"

#include "KeyportTestSupport.h"
#include "TandemView.h"
#include "resource.h"

namespace keyertest {

EmulatorEnv::EmulatorEnv(const std::string& trace, const char* timescale, bool device) {
  SetEnv("KEYPORT_TRACE", trace.c_str());
  SetEnv("KEYPORT_TIMESCALE", timescale);
  SetEnv("KEYPORT_AUDIO", "0");
  SetEnv("KEYPORT_NODEVICE", device ? nullptr : "1");
}

EmulatorEnv::~EmulatorEnv() {
  SetEnv("KEYPORT_TRACE", nullptr);
  SetEnv("KEYPORT_TIMESCALE", nullptr);
  SetEnv("KEYPORT_AUDIO", nullptr);
  SetEnv("KEYPORT_NODEVICE", nullptr);
}

std::string Keyed(const std::string& tracePath) { return HandedToKeyer(testsupport::ReadTrace(tracePath)); }

std::vector<std::string> Calls(const std::string& tracePath) {
  return testsupport::KeyerCalls(testsupport::ReadTrace(tracePath));
}

std::size_t CountCalls(const std::string& tracePath, const std::string& call) {
  std::size_t n = 0;
  for (const std::string& c : Calls(tracePath)) n += c == call;
  return n;
}

std::size_t CountOf(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string EntryRecord::Text() const {
  // call|report|mode|exchange|free|check|key|shift|ctrl|alt|left|bottom|focus|
  return call + "|" + report + "|" + mode + "|" + exchange + "|" + freeText + "|" + (bankA ? "1" : "0") + "|" +
         key + "|" + (shift ? "1" : "0") + "|" + (ctrl ? "1" : "0") + "|0|120|560|2|";
}

std::string KeyerFrameTest::Emulator() { return testsupport::ProgramFolder() + "\\emulator"; }

bool KeyerFrameTest::Start(const char* timescale, bool device, const std::string& folder) {
  if (!folder_.Valid() || !current_.Entered()) return false;
  env_ = std::make_unique<EmulatorEnv>(trace_, timescale, device);
  if (!folder.empty()) ::SetDllDirectoryA(folder.c_str());
  const bool started = session_.Start();
  ::SetDllDirectoryA(nullptr);
  frame_ = session_.Frame();
  return started && frame_ != nullptr;
}

void KeyerFrameTest::WriteSettings(const std::string& text) {
  ASSERT_TRUE(testsupport::WriteFileBytes(folder_.File("Tandem.ini"), text));
}

std::string KeyerFrameTest::Log() const { return frame_->GetLogView()->GetWholeText(); }

void KeyerFrameTest::ClickFn(int id) {
  HWND button = frame_->m_wndFnBar.GetItem(id);
  ASSERT_NE(button, nullptr) << "no Fn button " << id;
  ::SendMessageA(button, BM_CLICK, 0, 0);
}

void KeyerFrameTest::ClickCwBar(int id) {
  HWND button = frame_->m_wndCwBar.GetItem(id);
  ASSERT_NE(button, nullptr) << "no CW bar button " << id;
  ::SendMessageA(button, BM_CLICK, 0, 0);
}

void KeyerFrameTest::Send(const char* text) {
  ::SetWindowTextA(frame_->m_wndCwBar.GetItem(IDC_SEND_TEXT), text);
  ClickCwBar(IDC_SEND_BUTTON);
}

void KeyerFrameTest::SendRecord(const EntryRecord& record) {
  // The handler remembers the previous record's check state for the whole process, and an earlier
  // test may have left the same one: the first record of a session goes out once with the check
  // the other way, so that the bank is laid out as for a logger heard for the first time.
  std::vector<EntryRecord> records;
  if (!m_recordSent) {
    records.push_back(record);
    records.back().bankA = !record.bankA;
    m_recordSent = true;
  }
  records.push_back(record);
  for (const EntryRecord& r : records) {
    const std::string text = r.Text();
    COPYDATASTRUCT data = {0, static_cast<DWORD>(text.size()), const_cast<char*>(text.data())};
    ::SendMessageA(frame_->m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  }
}

void KeyerFrameTest::SendReport(int code, int waiting) {
  ::SendMessageA(frame_->m_hWnd, frame_->m_keyerMsg, static_cast<WPARAM>(code), waiting);
}

bool KeyerFrameTest::FocusLog() {
  HWND view = frame_->GetLogView()->m_hWnd;
  ::SetForegroundWindow(frame_->m_hWnd);
  ::SetFocus(view);
  return shelltest::PumpUntil([&] { return ::GetForegroundWindow() == frame_->m_hWnd && ::GetFocus() == view; },
                              5000);
}

}  // namespace keyertest
