// The keyer emulator as the program sees it: keyport.dll loaded from its own folder, driven
// through its entry points, with the reports arriving in a window, the paddle worked from another
// process, and the trace and the WAV file read back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "KeyportTestSupport.h"
#include "TestSupport.h"
#include "WavAnalysis.h"

namespace {

const double kTone6 = 3906.0 / 6;

// One emulator session: environment, library, report window; everything undone at the end.
class Session : public ::testing::Test {
protected:
    void Start(const char* timescale, const std::string& wav = std::string()) {
        trace = TempPath(::testing::UnitTest::GetInstance()->current_test_info()->name() + std::string(".trace"));
        SetEnv("KEYPORT_TRACE", trace.c_str());
        SetEnv("KEYPORT_TIMESCALE", timescale);
        SetEnv("KEYPORT_AUDIO", "0");
        SetEnv("KEYPORT_NODEVICE", nullptr);
        SetEnv("KEYPORT_WAV", wav.empty() ? nullptr : wav.c_str());
        ASSERT_TRUE(k.Load(ProgramFolder() + "emulator\\keyport.dll")) << "resolved " << k.resolved << " of 15";
    }
    void Open() {
        ASSERT_EQ(k.Open(0), 0);
        opened = true;
        ASSERT_EQ(k.SetCallbackWindow(0, reports.Handle()), 0);
    }
    void Close() {
        if (opened) {
            EXPECT_EQ(k.Close(0), 0);
        }
        opened = false;
    }
    void TearDown() override {
        Close();
        k.Unload();
        SetEnv("KEYPORT_WAV", nullptr);
    }
    std::vector<TraceLine> Trace() const { return ReadTrace(trace); }
    // Trace lines whose event starts with `prefix`, in file order.
    std::vector<TraceLine> Lines(const std::string& prefix) const {
        std::vector<TraceLine> out;
        for (const TraceLine& l : Trace()) {
            if (l.event.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
        }
        return out;
    }
    bool WaitForTrace(const std::string& prefix, size_t count, DWORD timeoutMs) const {
        DWORD start = GetTickCount();
        while (Lines(prefix).size() < count) {
            if (GetTickCount() - start > timeoutMs) return false;
            reports.Pump(1);
        }
        return true;
    }

    Keyport k;
    ReportWindow reports;
    std::string trace;
    bool opened = false;
};

TEST_F(Session, EntryPointsVersionDeviceAndFolder) {
    // The emulator never lies beside the programs, where it would shadow the real library.
    EXPECT_EQ(GetFileAttributesA((ProgramFolder() + "keyport.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    Start("1");
    EXPECT_EQ(k.GetVersion(0), 12);
    SetEnv("KEYPORT_NODEVICE", "1");
    EXPECT_EQ(k.Open(0), -1);
    EXPECT_EQ(k.PutChar(-1, 'E'), -1);
    EXPECT_EQ(k.TxBusy(-1), -1);
    SetEnv("KEYPORT_NODEVICE", nullptr);
    EXPECT_EQ(k.Open(1), -1);
    Open();
    EXPECT_EQ(k.WriteCmd(0, 1, 2), 0);
    EXPECT_EQ(k.WriteData(0, 0, 0x10), -1);  // only the two PTT bytes mean something
    EXPECT_EQ(k.SetWPM(0, 51), -1);
    EXPECT_EQ(k.SetWeight(0, 0, 6), -1);
    EXPECT_EQ(k.SetPaddle(0, 2), -1);
    EXPECT_EQ(k.SetSideTone(0, 14), -1);
    EXPECT_EQ(k.TxBusy(0), 0);
    Close();
    EXPECT_EQ(k.Close(0), -1);  // already closed
    std::vector<std::string> events;
    for (const TraceLine& l : Trace()) events.push_back(l.event);
    for (const char* e : {"keyportGetVersion 0", "keyportOpen 0", "keyportOpen 1", "keyportWriteCmd 0 1 2",
                          "keyportWriteData 0 0 16", "keyportSetWPM 0 51", "keyportTxBusy 0", "keyportClose 0"}) {
        EXPECT_NE(std::find(events.begin(), events.end(), e), events.end()) << e;
    }
    EXPECT_EQ(events.front(), "keyportGetVersion 0");
}

// Keys "PARIS PARIS PARIS " in real time and compares every element and space in the trace with
// the timing written out by hand; prints the errors and the delivery delay of the reports.
void ParisRun(Keyport& k, const ReportWindow& reports, int wpm, const std::string& trace) {
    ASSERT_EQ(k.SetWPM(0, wpm), 0);
    size_t before = reports.Reports().size();
    k.Put("PARIS PARIS PARIS ");
    // 18 reports as the characters are queued, 18 as they are keyed.
    ASSERT_TRUE(reports.WaitFor(before + 36, 30000));
    before += 18;
    const double dot = 1200.0 / wpm;
    // Durations of P A R I S and the word space, in dots: on, off, on, off...
    const std::vector<int> paris = {1, 1, 3, 1, 3, 1, 1, 3,  // P .--. then a character space
                                    1, 1, 3, 3,              // A
                                    1, 1, 3, 1, 1, 3,        // R
                                    1, 1, 1, 3,              // I
                                    1, 1, 1, 1, 1, 7};       // S and the word space
    std::vector<TraceLine> keys;
    double lastReport = -1;
    for (const TraceLine& l : ReadTrace(trace)) {
        if (l.event == "key on" || l.event == "key off") keys.push_back(l);
        if (l.event.compare(0, 7, "report ") == 0) {
            lastReport = l.ms;
        }
    }
    // P4 A2 R3 I2 S3: 14 elements a word; this run's are the last ones in the trace.
    ASSERT_GE(keys.size(), 3 * 14 * 2u);
    keys.erase(keys.begin(), keys.end() - 3 * 14 * 2);
    double maxError = 0;
    size_t d = 0;
    for (size_t i = 0; i + 1 < keys.size(); ++i, ++d) {
        double expected = paris[d % paris.size()] * dot;
        double error = std::fabs(keys[i + 1].ms - keys[i].ms - expected);
        maxError = std::max(maxError, error);
        EXPECT_LE(error, 1.0) << "interval " << i << " at " << wpm << " WPM";
    }
    // From the first element to the end of the last word space: 150 dots.
    double total = lastReport - keys.front().ms;
    double totalError = std::fabs(total - 150 * dot) / (150 * dot) * 100;
    EXPECT_LE(totalError, 0.5);
    // Real time: when the reports reached the window, against when the trace says they were due.
    const std::vector<Report>& r = reports.Reports();
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    std::vector<TraceLine> traced;
    for (const TraceLine& l : ReadTrace(trace)) {
        if (l.event.compare(0, 7, "report ") == 0) traced.push_back(l);
    }
    double maxDelay = 0;
    double base = static_cast<double>(r[before].arrival) * 1000.0 / static_cast<double>(f.QuadPart) - traced[traced.size() - 18].ms;
    double minOffset = 1e300;
    std::vector<double> offsets;
    for (size_t i = 0; i < 18; ++i) {
        double arrived = static_cast<double>(r[before + i].arrival) * 1000.0 / static_cast<double>(f.QuadPart);
        offsets.push_back(arrived - traced[traced.size() - 18 + i].ms - base);
        minOffset = std::min(minOffset, offsets.back());
    }
    for (double o : offsets) maxDelay = std::max(maxDelay, o - minOffset);
    double realTotal = (static_cast<double>(r[before + 17].arrival - r[before].arrival) * 1000.0 / static_cast<double>(f.QuadPart));
    double tracedTotal = traced.back().ms - traced[traced.size() - 18].ms;
    double realTotalError = std::fabs(realTotal - tracedTotal) / tracedTotal * 100;
    std::printf("keyport_%dwpm_element_error_max_ms=%.2f\n", wpm, maxError);
    std::printf("keyport_%dwpm_paris_total_error_pct=%.4f\n", wpm, totalError);
    std::printf("keyport_%dwpm_report_delivery_spread_ms=%.2f\n", wpm, maxDelay);
    std::printf("keyport_%dwpm_report_real_time_error_pct=%.4f\n", wpm, realTotalError);
}

TEST_F(Session, ParisTimingInRealTimeAtTwentyAndFiftyWpm) {
    Start("1");
    Open();
    ParisRun(k, reports, 20, trace);
    ParisRun(k, reports, 50, trace);
}

TEST_F(Session, ReportsInOrderWithBusyCount) {
    // Real time: the busy count is read while the first character is still being keyed, even
    // when this thread waits a while for the processor.
    Start("1");
    Open();
    k.Put("AB C");
    EXPECT_EQ(k.TxBusy(0), 4);
    ASSERT_TRUE(reports.WaitFor(8, 30000));
    reports.Pump(50);
    // Every change of the count: up as the characters are queued, down as they are keyed.
    const std::vector<Report>& r = reports.Reports();
    ASSERT_EQ(r.size(), 8u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r[i].waiting, i + 1);
        EXPECT_EQ(r[4 + i].waiting, 3 - i);
        EXPECT_EQ(r[i].code, 0);
        EXPECT_EQ(r[4 + i].code, 0);
    }
    EXPECT_EQ(k.TxBusy(0), 0);
    std::vector<TraceLine> chars = Lines("char ");
    ASSERT_EQ(chars.size(), 4u);
    EXPECT_EQ(chars[0].event, "char 41");
    EXPECT_EQ(chars[2].event, "char 20");
    // Every report is traced where its character ended: at a key-up, or after the word space.
    std::vector<TraceLine> traced = Lines("report ");
    ASSERT_EQ(traced.size(), 8u);
    EXPECT_EQ(traced[4].event, "report 3 0");
    EXPECT_EQ(traced[7].event, "report 0 0");
    EXPECT_NEAR(traced[6].ms - traced[5].ms, 7 * 60.0, 0.11);  // B's end to the word space's end
}

TEST_F(Session, WeightsPttLeadTailAndHold) {
    Start("10");
    Open();
    ASSERT_EQ(k.SetWeight(0, 3, 9), 0);
    ASSERT_EQ(k.SetPTTParam(0, 30, 100), 0);
    k.Put("A");
    ASSERT_TRUE(reports.WaitFor(1, 10000));
    ASSERT_TRUE(WaitForTrace("ptt off", 1, 5000));
    std::vector<TraceLine> lines;
    for (const TraceLine& l : Trace()) {
        if (l.event == "ptt on" || l.event == "ptt off" || l.event == "key on" || l.event == "key off") lines.push_back(l);
    }
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].event, "ptt on");
    EXPECT_NEAR(lines[1].ms - lines[0].ms, 30, 0.11);   // lead
    EXPECT_NEAR(lines[2].ms - lines[1].ms, 90, 0.11);   // 1.5 dots
    EXPECT_NEAR(lines[3].ms - lines[2].ms, 60, 0.11);   // one dot between elements
    EXPECT_NEAR(lines[4].ms - lines[3].ms, 270, 0.11);  // 4.5 dots
    EXPECT_EQ(lines[5].event, "ptt off");
    EXPECT_NEAR(lines[5].ms - lines[4].ms, 100, 0.11);  // tail
    // The data bytes hold and release PTT; 0 and 0 leave it alone while keying.
    ASSERT_EQ(k.SetPTTParam(0, 0, 0), 0);
    ASSERT_EQ(k.WriteData(0, 0, 0xFD), 0);
    ASSERT_EQ(k.WriteData(0, 0, 0xFF), 0);
    k.Put("E");
    ASSERT_TRUE(reports.WaitFor(4, 10000));
    std::vector<TraceLine> ptt = Lines("ptt ");
    ASSERT_EQ(ptt.size(), 4u);
    EXPECT_EQ(ptt[2].event, "ptt on");
    EXPECT_EQ(ptt[3].event, "ptt off");
}

TEST_F(Session, CancelInTheMiddleOfACharacter) {
    // Real time: the cancel comes while the 0 is still being keyed, even on a loaded machine.
    Start("1");
    Open();
    k.Put("0AB");  // 0 is five dashes of 180 ms
    ASSERT_TRUE(WaitForTrace("key on", 2, 30000));
    ASSERT_EQ(k.TxCancel(0), 0);
    EXPECT_EQ(k.TxBusy(0), 0);
    ASSERT_TRUE(reports.WaitFor(4, 5000));
    reports.Pump(100);
    ASSERT_EQ(reports.Reports().size(), 4u);  // three queued, then the cancel
    EXPECT_EQ(reports.Reports()[2].waiting, 3);
    EXPECT_EQ(reports.Reports()[3].waiting, 0);
    // The element being keyed at the cancel still ends: wait for the key to be up.
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<TraceLine> keys = Lines("key ");
        if (!keys.empty() && keys.back().event == "key off") break;
        ASSERT_LT(GetTickCount() - start, 30000u) << "the key stayed down after the cancel";
        reports.Pump(10);
    }
    std::vector<TraceLine> all = Trace();
    size_t cancel = 0;
    while (cancel < all.size() && all[cancel].event != "keyportTxCancel 0") ++cancel;
    ASSERT_LT(cancel, all.size());
    std::string lastKey;
    double lastOn = 0;
    for (size_t i = 0; i < cancel; ++i) {
        if (all[i].event == "key on") lastOn = all[i].ms;
        if (all[i].event.compare(0, 4, "key ") == 0) lastKey = all[i].event;
    }
    std::vector<TraceLine> after(all.begin() + static_cast<long>(cancel), all.end());
    int keyOns = 0, keyOffs = 0, drops = 0;
    for (const TraceLine& l : after) {
        if (l.event == "key on") ++keyOns;
        if (l.event == "key off") {
            ++keyOffs;
            EXPECT_NEAR(l.ms - lastOn, 180, 0.11);  // the dash being keyed is finished
        }
        if (l.event == "drop 41" || l.event == "drop 42") ++drops;
    }
    EXPECT_EQ(keyOns, 0);
    EXPECT_EQ(keyOffs, lastKey == "key on" ? 1 : 0);
    EXPECT_EQ(drops, 2);
}

TEST_F(Session, PaddleFromAnotherProcessBreaksIn) {
    // Real time: the message keys for some seconds, ample for the paddle's process to start on a
    // loaded machine while it is still being keyed.
    Start("1");
    Open();
    const std::string paddle = "\"" + ProgramFolder() + "emulator\\keyport_paddle.exe\" --pid " +
                               std::to_string(GetCurrentProcessId()) + " ";
    // Fewer than 15 waiting, so that only a break-in reports 15.
    k.Put("PARIS PARIS");
    ASSERT_TRUE(reports.WaitFor(1, 10000));
    EXPECT_EQ(RunProgram(paddle + "K", 60000), 0);
    // Reports of the message's characters until the paddle came, then 15, then the paddle's.
    DWORD start = GetTickCount();
    size_t breakIn = 0;
    while (GetTickCount() - start < 60000) {
        reports.Pump(10);
        const std::vector<Report>& r = reports.Reports();
        breakIn = 0;
        while (breakIn < r.size() && r[breakIn].waiting != 15) ++breakIn;
        if (breakIn + 1 < r.size()) break;
    }
    reports.Pump(100);
    const std::vector<Report>& r = reports.Reports();
    ASSERT_EQ(r.size(), breakIn + 2);
    // Eleven as the characters were queued, then one down for each keyed.
    ASSERT_GE(breakIn, 11u);
    for (size_t i = 0; i < breakIn; ++i) {
        EXPECT_EQ(r[i].waiting, i < 11 ? static_cast<int>(i) + 1 : 21 - static_cast<int>(i));
        EXPECT_EQ(r[i].code, 0);
    }
    EXPECT_EQ(r[breakIn].code, 0);
    EXPECT_EQ(r[breakIn + 1].waiting, 0);
    EXPECT_EQ(r[breakIn + 1].code, 0xB0);  // -.-
    const size_t seen = r.size();
    EXPECT_EQ(k.TxBusy(0), 0);
    // Every character that had not started is dropped; one that had is cut short after its
    // element.
    size_t started = 0, drops = 0;
    bool paddleSeen = false;
    for (const TraceLine& l : Trace()) {
        if (l.event == "paddle B0") paddleSeen = true;
        if (!paddleSeen && l.event.compare(0, 5, "char ") == 0) ++started;
        if (l.event.compare(0, 5, "drop ") == 0) ++drops;
    }
    // breakIn counts the eleven queueing reports, then one for each character keyed.
    EXPECT_TRUE(started + 11 == breakIn || started + 11 == breakIn + 1) << started << " " << breakIn;
    EXPECT_EQ(drops, 11 - started);

    // Paddle contacts follow paddle reverse; idle, there is no break-in.
    ASSERT_EQ(k.SetPaddle(0, 1), 0);
    EXPECT_EQ(RunProgram(paddle + "--contacts .-", 60000), 0);
    ASSERT_TRUE(reports.WaitFor(seen + 1, 10000));
    EXPECT_EQ(reports.Reports()[seen].waiting, 0);
    EXPECT_EQ(reports.Reports()[seen].code, 0xA0);  // -. : the paddles swapped
    // Input without a pattern is refused as a whole.
    EXPECT_EQ(RunProgram(paddle + "K#", 60000), 3);
    reports.Pump(200);
    EXPECT_EQ(reports.Reports().size(), seen + 1);
}

TEST_F(Session, WavToneFrequencyAndDurations) {
    std::string wav = TempPath("session.wav");
    Start("4", wav);
    Open();
    ASSERT_EQ(k.SetSideTone(0, 6), 0);
    k.Put("AE");
    ASSERT_TRUE(reports.WaitFor(4, 10000));  // two queued, two keyed
    // Mid-session the file is already whole.
    WavData partial = ReadWav(wav);
    EXPECT_TRUE(partial.valid);
    EXPECT_EQ(partial.riffSize, partial.dataSize + 36);
    EXPECT_LE(44 + partial.dataSize, partial.fileSize);
    reports.Pump(100);
    Close();
    std::vector<TraceLine> all = Trace();
    double openMs = -1, closeMs = -1, firstOn = -1;
    for (const TraceLine& l : all) {
        if (l.event == "keyportOpen 0" && openMs < 0) openMs = l.ms;
        if (l.event == "keyportClose 0") closeMs = l.ms;
        if (l.event == "key on" && firstOn < 0) firstOn = l.ms;
    }
    WavData w = ReadWav(wav);
    ASSERT_TRUE(w.valid);
    EXPECT_EQ(w.riffSize, w.dataSize + 36);
    EXPECT_EQ(w.fileSize, 44 + w.dataSize);
    // The whole session, silences included, on the emulator's time line.
    double seconds = w.samples.size() / 22050.0;
    EXPECT_NEAR(seconds * 1000, closeMs - openMs, 10);
    std::vector<ToneSpan> spans = FindTones(w.samples, 22050, kTone6, 0.6 * 32767);
    ASSERT_EQ(spans.size(), 3u);
    std::printf("keyport_wav_dot_ms=%.2f\nkeyport_wav_dash_ms=%.2f\n", spans[0].offMs - spans[0].onMs,
                spans[1].offMs - spans[1].onMs);
    EXPECT_NEAR(spans[0].offMs - spans[0].onMs, 60, 0.5);
    EXPECT_NEAR(spans[1].onMs - spans[0].offMs, 60, 0.5);
    EXPECT_NEAR(spans[1].offMs - spans[1].onMs, 180, 0.5);
    EXPECT_NEAR(spans[2].onMs - spans[1].offMs, 180, 0.5);
    EXPECT_NEAR(spans[2].offMs - spans[2].onMs, 60, 0.5);
    // The first tone sits where the trace puts the first key-down (half-amplitude point 2.5 ms in).
    EXPECT_NEAR(spans[0].onMs, firstOn - openMs + 2.5, 1.0);
    double hz = ToneFrequency(w.samples, 22050, spans[1].onMs + 10, spans[1].offMs - 10);
    std::printf("keyport_wav_tone_hz=%.2f\n", hz);
    EXPECT_NEAR(hz, kTone6, kTone6 * 0.005);
}

TEST_F(Session, WavStaysWholeWhenTheProgramIsKilled) {
    std::string wav = TempPath("killed.wav");
    SetEnv("KEYPORT_WAV", wav.c_str());
    SetEnv("KEYPORT_TIMESCALE", "1");
    SetEnv("KEYPORT_AUDIO", "0");
    SetEnv("KEYPORT_TRACE", nullptr);
    testsupport::ChildProcess host;
    ASSERT_TRUE(host.Start("\"" + ProgramFolder() + "keyport_wavhost.exe\""));
    // Let it key for a while (the first tones start at once), then end it without warning.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return ReadWav(wav).dataSize >= 22050; }, 60000))
        << "the host wrote no second of sound";
    host.Kill();
    WavData w = ReadWav(wav);
    ASSERT_TRUE(w.valid);
    EXPECT_GE(w.dataSize, 22050u);
    EXPECT_EQ(w.riffSize, w.dataSize + 36);
    EXPECT_LE(44 + w.dataSize, w.fileSize);
    std::vector<ToneSpan> spans = FindTones(w.samples, 22050, 3906.0 / 6, 0.6 * 32767);
    EXPECT_FALSE(spans.empty());
    DeleteFileA(wav.c_str());
}

}  // namespace
