// Streaming on the keyer emulator's own reports: the real frame keys through the emulator with a
// device open, and only the reports that the emulator posts move the stream on. A stream that
// stops leaves characters in the send queue with the keyer idle, which every test here would see.
#include <gtest/gtest.h>

#include <string>

#include "KeyerTestSupport.h"
#include "TandemView.h"

using keyertest::EntryRecord;
using keyertest::Keyed;
using shelltest::PumpUntil;

namespace {

// The frame of this process with the emulator open as its keyer. The contact of the tests stands
// in the logger: it comes as an entry record (call, report, exchange, Bank-A), the rest from the
// settings file (9 keyed as N, the own call, twelve buttons).
class StreamTest : public keyertest::KeyerFrameTest {
 protected:
  void SetUp() override {
    WriteSettings("[Keyer]\r\n9=N\r\n[Profile]\r\nMyCallSign=JA1ZZZ\r\n[Window]\r\nFn12=1\r\n");
    ASSERT_TRUE(Start("5", true));
    ASSERT_EQ(frame_->m_device, 0) << "the emulator's device did not open";
    EntryRecord record;
    record.call = "XX1ABC";
    record.report = "599";
    record.exchange = "25";
    SendRecord(record);
    ASSERT_EQ(frame_->m_bankA, 1);
    ASSERT_EQ(testsupport::WindowText(frame_->m_wndFnBar.GetItem(1000)), "CQ DE $M $M $M PSE K")
        << "the buttons do not show Bank-A";
  }

  // Until `text` has been handed to the keyer in full and both queues are empty.
  bool KeysAll(const std::string& text) {
    return PumpUntil(
        [&] {
          return frame_->m_sendQueue.empty() && frame_->m_pending == 0 && Keyed(trace_) == text;
        },
        30000);
  }
};

// The CW bar's Send button hands the keyer one character and streams the rest: the report that
// meets "$R" is the one of a keyer with a single character, or none, waiting.
TEST_F(StreamTest, SendButtonWithLateReportKeysToTheEnd) {
  Send("TEST [AR] $R CD");
  ASSERT_TRUE(KeysAll("TEST <54> 5NN CD"))
      << "keyed " << Keyed(trace_) << ", waiting " << frame_->m_sendQueue;
  EXPECT_EQ(Log(), "TEST [AR] 5NN CD");

  // Empty values: "$R" and "$A" fill in nothing, one right after the other, and the keyer has
  // nothing left to report about when they come up. The stream still goes on.
  EntryRecord empty;
  empty.call = "XX1ABC";
  SendRecord(empty);
  Send("E$R$A K");
  ASSERT_TRUE(KeysAll("TEST <54> 5NN CDE K"))
      << "keyed " << Keyed(trace_) << ", waiting " << frame_->m_sendQueue;
  EXPECT_EQ(Log(), "TEST [AR] 5NN CDE__ K");
}

// Many late macros in a row, a second press of the same key while the first is being keyed (its
// macros come up once the first's are filled in), and then another message: every one is keyed
// to its end.
TEST_F(StreamTest, LateMacrosInQueuedMessagesNeverStopTheStream) {
  frame_->SetMemory(0, 1, "$R$A $R $A E");
  frame_->LayoutFnButtons(0, 12);
  const std::string once = "5NN25 5NN 25 E";
  ClickFn(1001);
  ASSERT_TRUE(PumpUntil([&] { return Keyed(trace_).size() >= 4; }, 20000)) << Keyed(trace_);
  ASSERT_FALSE(frame_->m_sendQueue.empty()) << "the first message ended before the second press";
  ClickFn(1001);
  ASSERT_TRUE(KeysAll(once + once)) << "keyed " << Keyed(trace_) << ", waiting "
                                    << frame_->m_sendQueue;
  EXPECT_EQ(Log(), once + " " + once + " ");

  // The stream is still alive for the next message.
  ClickFn(1000);  // Bank-A F1
  EXPECT_TRUE(KeysAll(once + once + "CQ DE JA1ZZZ JA1ZZZ JA1ZZZ PSE K")) << Keyed(trace_);
}

// The report that fills in "$R" is the one that stands in the logger when keying reaches it, not
// the one of the key press: a record with a new report arrives while the call is keyed.
TEST_F(StreamTest, ReportChangedAfterTheKeyPressIsTheOneKeyed) {
  ClickFn(1001);  // "$C UR $R [KN]"
  ASSERT_NE(frame_->m_sendQueue.find("$R"), std::string::npos);
  EntryRecord record;
  record.call = "XX1ABC";
  record.report = "579";
  SendRecord(record);
  EXPECT_EQ(frame_->m_report, "579");
  ASSERT_NE(frame_->m_sendQueue.find("$R"), std::string::npos) << "keying reached $R too soon";
  EXPECT_TRUE(KeysAll("XX1ABC UR 57N <B4>")) << Keyed(trace_);
  EXPECT_EQ(Log(), "XX1ABC UR 57N [KN] ");
}

}  // namespace
