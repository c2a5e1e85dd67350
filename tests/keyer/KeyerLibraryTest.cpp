// Interface libraries built otherwise than the one the program was written for: decorated export
// names, the C calling convention, and libraries the program cannot use. Each is the keyer
// emulator linked that way (sim/keyport/Variants.cmake), loaded by the real main frame from its
// own folder; what it keyed is read back from its trace.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "KeyerTestSupport.h"
#include "KeyportCall.h"
#include "resource.h"

using keyertest::Calls;
using keyertest::CountCalls;
using keyertest::Keyed;
using shelltest::PumpMessages;
using shelltest::PumpUntil;

namespace {

// Bank-A F1 with a prosign, which goes to the keyer as its code byte (AR: .-.-. is 0x54).
const char kSettings[] = "[Bank-A]\r\nFn01=TEST DE $M [AR]\r\n[Profile]\r\nMyCallSign=XX9ABC\r\n";
const char kKeyedF1[] = "TEST DE XX9ABC <54>";

std::string VariantFolder(const std::string& name) { return testsupport::ProgramFolder() + "\\" + name; }

class KeyerLibraryForm : public keyertest::KeyerFrameTest, public ::testing::WithParamInterface<const char*> {};

// Every entry point is found, every argument arrives in its place (the trace echoes them), the
// message keys on the emulator's own reports, and the device is closed at the end. A library
// whose calls left the stack off would crash or garble these long before the close.
TEST_P(KeyerLibraryForm, KeysAMessageWithAProsignAndCloses) {
  WriteSettings(kSettings);
  ASSERT_TRUE(Start("50", true, VariantFolder(GetParam())));
  ASSERT_NE(frame_->m_hKeyport, nullptr);
  ASSERT_EQ(frame_->m_device, 0) << "keyportOpen not found or not called right";
  char callback[64];
  std::snprintf(callback, sizeof(callback), "keyportSetCallbackWindow 0 %llu",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(frame_->m_hWnd)));
  const std::vector<std::string> binding = {
      "keyportOpen 0",          "keyportSetWPM 0 20",       "keyportSetPTTParam 0 25 200",
      "keyportSetPaddle 0 1",   "keyportSetSideTone 0 8",   "keyportSetWeight 0 2 6",
      "keyportGetVersion 0",    callback};
  EXPECT_EQ(Calls(trace_), binding);
  EXPECT_EQ(frame_->m_version, "KEYPORT Ver.1.2");
  PumpMessages(50);
  EXPECT_EQ(frame_->m_wndStatusBar.GetPaneText(0), "KEYPORT Ver.1.2");

  frame_->m_bankA = 1;
  frame_->LayoutFnButtons(0, 8);
  ClickFn(1000);
  ASSERT_TRUE(PumpUntil(
      [&] { return !Log().empty() && frame_->m_sendQueue.empty() && frame_->m_pending == 0; }, 20000))
      << "keyed " << Keyed(trace_) << ", log " << Log();
  EXPECT_EQ(Keyed(trace_), kKeyedF1);
  EXPECT_EQ(Log(), "TEST DE XX9ABC [AR] ");
  for (const TraceEvent& e : testsupport::ReadTrace(trace_)) {
    EXPECT_NE(e.event.compare(0, 4, "drop"), 0) << e.event << " " << e.rest;
  }
  // A parameter change after the start reaches the keyer too.
  frame_->ApplyPtt(true, 300, 7);
  EXPECT_EQ(CountCalls(trace_, "keyportSetPTTParam 0 44 7"), 1u);
  session_.End();
  EXPECT_EQ(CountCalls(trace_, "keyportClose 0"), 1u);
}

// On 32-bit Windows: standard call under "name@N", under "_name@N", and the C convention under
// the plain names. On 64-bit Windows the same folders hold the plain emulator.
INSTANTIATE_TEST_SUITE_P(Builds, KeyerLibraryForm,
                         ::testing::Values("emulator-decorated", "emulator-decorated-underscore",
                                           "emulator-cdecl"),
                         [](const ::testing::TestParamInfo<const char*>& form) {
                           std::string name = form.param;
                           for (char& c : name) {
                             if (c == '-') c = '_';
                           }
                           return name;
                         });

class KeyerLibraryUnusable : public keyertest::KeyerFrameTest, public ::testing::WithParamInterface<const char*> {};

// A library that loads but has no keyportOpen under any name opens no device, and the status bar
// says that the library cannot be used, where the keyer's version would stand; a version that
// the library does report does not hide it.
TEST_P(KeyerLibraryUnusable, StatusBarSaysTheLibraryCannotBeUsed) {
  WriteSettings(kSettings);
  ASSERT_TRUE(Start("50", true, VariantFolder(GetParam())));
  ASSERT_NE(frame_->m_hKeyport, nullptr);
  EXPECT_EQ(frame_->m_keyportOpen, nullptr);
  EXPECT_EQ(frame_->m_device, -1);
  const std::string unusable = LoadResString(IDS_KEYPORT_UNUSABLE);
  ASSERT_NE(unusable.find("KEYPORT.DLL "), std::string::npos) << unusable;
  EXPECT_EQ(frame_->m_version, unusable);
  PumpMessages(50);
  EXPECT_EQ(frame_->m_wndStatusBar.GetPaneText(0), unusable);

  frame_->m_bankA = 1;
  frame_->LayoutFnButtons(0, 8);
  ClickFn(1000);
  PumpMessages(300);
  // Whatever entry points there are get no device's handle, as with the device unplugged.
  for (const TraceEvent& e : testsupport::ReadTrace(trace_)) {
    if (e.event.compare(0, 7, "keyport") != 0) {
      ADD_FAILURE() << "the library keyed: " << e.event << " " << e.rest;
    } else if (e.event != "keyportOpen") {
      EXPECT_EQ(e.args.empty() ? 0 : e.args.front(), -1) << e.event << " " << e.rest;
    }
  }
  EXPECT_EQ(frame_->m_wndStatusBar.GetPaneText(0), unusable) << "the idle update put something else there";
  session_.End();
  EXPECT_EQ(CountCalls(trace_, "keyportClose -1"), 0u);
}

// Exports none of the fifteen names; every one but keyportOpen.
INSTANTIATE_TEST_SUITE_P(Builds, KeyerLibraryUnusable,
                         ::testing::Values("emulator-unusable", "emulator-noopen"),
                         [](const ::testing::TestParamInfo<const char*>& form) {
                           return std::string(form.param) == "emulator-unusable" ? "NoEntryPoint"
                                                                                 : "NoOpen";
                         });

// The call itself, on functions of both conventions in this program: arguments in order, bytes
// zero-extended as the library's unsigned char parameters are, the handle whole, and the stack
// where it was after a great many calls of each kind.
extern "C" int __cdecl CdeclThree(int handle, unsigned char a, unsigned char b) {
  return handle * 1000000 + a * 1000 + b;
}
extern "C" int __stdcall StdcallThree(int handle, unsigned char a, unsigned char b) {
  return handle * 1000000 + a * 1000 + b;
}
extern "C" int __cdecl CdeclWindow(int handle, HWND window) {
  return handle + static_cast<int>(reinterpret_cast<UINT_PTR>(window) & 0xFFFF);
}

TEST(KeyportCallConvention, EitherConventionGetsItsArgumentsAndKeepsTheStack) {
  // As the binding holds them: the library's pointer type, whatever the function really is.
  const KeyportWriteCmdFn cdeclFn =
      reinterpret_cast<KeyportWriteCmdFn>(reinterpret_cast<void (*)()>(&CdeclThree));
  const KeyportWriteCmdFn stdcallFn = &StdcallThree;
  const KeyportSetCallbackWindowFn windowFn =
      reinterpret_cast<KeyportSetCallbackWindowFn>(reinterpret_cast<void (*)()>(&CdeclWindow));

  EXPECT_EQ(KeyportCall(0, cdeclFn, -1, static_cast<unsigned char>(255), static_cast<unsigned char>(1)),
            -1000000 + 255000 + 1);
  EXPECT_EQ(KeyportCall(0, stdcallFn, 7, static_cast<unsigned char>(128), static_cast<unsigned char>(0)),
            7128000);
  // An int handed to a byte parameter is cut to the byte, as a direct call would cut it.
  EXPECT_EQ(KeyportCall(0, stdcallFn, 0, 0x1FF, 2), 255002);
  EXPECT_EQ(KeyportCall(0, windowFn, 1, reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234))), 0x1235);
  EXPECT_EQ(KeyportCall(-5, static_cast<KeyportWriteCmdFn>(nullptr), 1, 2, 3), -5);

  // Had the stack moved by the arguments of either kind, it would have run out or taken the
  // loop's own values with it.
  std::int64_t sum = 0;
  const int rounds = 300000;
  for (int i = 0; i < rounds; ++i) {
    sum += KeyportCall(0, cdeclFn, i % 3, static_cast<unsigned char>(i), static_cast<unsigned char>(1));
    sum += KeyportCall(0, stdcallFn, 0, static_cast<unsigned char>(2), static_cast<unsigned char>(i));
  }
  std::int64_t expected = 0;
  for (int i = 0; i < rounds; ++i) {
    expected += (i % 3) * 1000000 + (i & 0xFF) * 1000 + 1;
    expected += 2000 + (i & 0xFF);
  }
  EXPECT_EQ(sum, expected);
}

}  // namespace
