// The system with a WinKeyer: the logger stand-in and Tandem as processes of their own, the
// WinKeyer bridge inside Tandem, and the WinKeyer simulator on a pseudo-terminal that a Wine COM
// port points at. Keys are pressed through the system's input, as the operator does; what the
// keyer did is read from the simulator's trace and its keyed audio.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "LoggerSimClient.h"
#include "TandemSession.h"
#include "TestSupport.h"
#include "WinKeyerSimClient.h"

namespace {

enum Mods { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

constexpr int kComPort = 41;  // the simulator's port; no other test uses it
constexpr int kOtherComPort = 44;  // where a keyer plugged in again may come back
constexpr double kToneHz = 3906.0 / 8;  // the default side tone (488 Hz) as the keyer gives it
// Keyer settings unlike the bridge's start-up values.
const char kKeyerSettings[] = "PTTDelayP=25\r\nPTTDelayA=200\r\nPaddleRvs=1\r\nToneLevel=3\r\n"
                              "WeightDot=1.5\r\nWeightDash=3.0\r\n";

struct IniOptions {
    int wpm = 40;
    std::string extra;  // more [Keyer] lines
};

std::string Ini(const IniOptions& o) {
    return "[Bank-A]\r\nFn01=CQ TEST $M\r\nFn02=$C UR $R [KN]\r\n"
           "[Bank-B]\r\nFn01=CQ TEST $M\r\nFn02=$C UR $R [KN]\r\n"
           "[Keyer]\r\nWPM=" + std::to_string(o.wpm) + "\r\n9=N\r\nPTT=1\r\nSideTone=1\r\n" + o.extra +
           "[Profile]\r\nMyCallSign=JA1ZZZ\r\n[Window]\r\nCloseAnyway=1\r\nFn12=0\r\n";
}

bool Has(const std::vector<TraceEvent>& events, const std::string& event, const std::string& rest = "") {
    return std::any_of(events.begin(), events.end(),
                       [&](const TraceEvent& e) { return e.event == event && (rest.empty() || e.rest == rest); });
}

double TimeOf(const std::vector<TraceEvent>& events, const std::string& event, const std::string& rest = "") {
    for (const TraceEvent& e : events)
        if (e.event == event && (rest.empty() || e.rest == rest)) return e.ms;
    return -1;
}

std::size_t Count(const std::vector<TraceEvent>& events, const std::string& event) {
    return testsupport::CountEvents(events, event);
}

std::size_t Occurrences(const std::string& hay, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
    return n;
}

class WinKeyerEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp_.Valid()); }
    void TearDown() override {
        testsupport::ReleaseModifiers();
        tandem_.Stop(5000);
        logger_.Stop();
        keyer_.Stop();
    }

    // The simulator, the stand-in, then Tandem with the bridge and its WinKeyer.ini.
    void StartSystem(const IniOptions& ini, const WinKeyerSimOptions& sim = WinKeyerSimOptions{kComPort},
                     const std::string& port = "COM41") {
        ASSERT_TRUE(keyer_.Start(sim)) << keyer_.error();
        ASSERT_TRUE(logger_.Start(LoggerSimPathBesideThisProgram())) << logger_.error();
        ASSERT_TRUE(WriteWholeFile(folder_ + "\\WinKeyer.ini", "[WinKeyer]\r\nPort=" + port + "\r\n"));
        TandemSetup setup;
        setup.binDir = ThisProgramFolder();
        setup.workDir = folder_;
        setup.keyerFolder = "winkeyer";
        setup.waitForKeyer = false;
        setup.ini = Ini(ini);
        ASSERT_TRUE(tandem_.Start(setup)) << tandem_.error();
    }
    // Waits until the bridge has the keyer and Tandem has handed it its parameters.
    void WaitKeyerReady() {
        ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "keyportSetCallbackWindow"); }, 15000))
            << "bridge trace:\n" << ReadWholeFile(tandem_.TracePath());
        ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "open"); }))
            << keyer_.TraceText();
    }

    bool WaitBridge(const std::function<bool(const std::vector<TraceEvent>&)>& pred, DWORD ms = 10000) {
        return LoggerSimClient::PumpUntil([&] { return pred(tandem_.Trace()); }, ms);
    }
    bool WaitKeyer(const std::function<bool(const std::vector<TraceEvent>&)>& pred, DWORD ms = 10000) {
        return LoggerSimClient::PumpUntil([&] { return pred(keyer_.Trace()); }, ms);
    }

    static void Press(BYTE vk, int mods = kNone) { testsupport::Press(vk, mods); }
    void PressInLogger(BYTE vk, int mods = kNone) {
        ASSERT_TRUE(testsupport::PressInLogger(logger_, vk, mods)) << "the stand-in did not retrieve key " << int(vk);
    }
    void TypeInLogger(const std::string& text) {
        ASSERT_TRUE(testsupport::TypeInLogger(logger_, text)) << "the stand-in did not retrieve " << text;
    }
    void FocusLoggerCall() { ASSERT_EQ(logger_.Command("focus call"), 1); }
    void FocusTandem() {
        HWND main = tandem_.MainWindow();
        SetForegroundWindow(main);
        ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return GetForegroundWindow() == main; }));
    }
    // The system at `wpm`, F1 pressed in the logger, and the keyer keying its first character.
    void StartKeyingF1(int wpm, const std::string& extra = "") {
        IniOptions ini;
        ini.wpm = wpm;
        ini.extra = extra;
        StartSystem(ini);
        WaitKeyerReady();
        ASSERT_EQ(logger_.Command("text report 599"), 1);
        FocusLoggerCall();
        PressInLogger(VK_F1);
        ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Count(t, "char") >= 1; }, 15000))
            << keyer_.TraceText();
    }
    // The keyer's line hung up, as a pulled cable: the bridge notices and reports 0.
    void PullKeyer() {
        ASSERT_EQ(keyer_.Command("hangup"), "ok");
        ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "lost"); }, 10000))
            << ReadWholeFile(tandem_.TracePath());
        const std::vector<TraceEvent> b = tandem_.Trace();
        EXPECT_TRUE(std::any_of(b.begin(), b.end(), [&](const TraceEvent& e) {
            return e.event == "report" && e.rest == "0 0" && e.ms >= TimeOf(b, "lost") - 100;
        })) << ReadWholeFile(tandem_.TracePath());
        keyer_.Stop();
    }
    // The keyer plugged in again, fresh from power-up, on COM`comPort`: the bridge opens it by
    // itself.
    void PlugKeyerIn(int comPort) {
        ASSERT_TRUE(keyer_.Start(WinKeyerSimOptions{comPort})) << keyer_.error();
        const std::string where = "on COM" + std::to_string(comPort);
        ASSERT_TRUE(WaitBridge([&](const std::vector<TraceEvent>& t) {
            return std::any_of(t.begin(), t.end(),
                               [&](const TraceEvent& e) { return e.event == "back" && e.rest.rfind(where, 0) == 0; });
        }, 40000)) << ReadWholeFile(tandem_.TracePath());
        ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "open") && Has(t, "sidetone"); }))
            << keyer_.TraceText();
    }
    // F1 in the logger keys the whole of "CQ TEST JA1ZZZ" on the keyer now on the line; with
    // `toneHz`, its audio says so too (the decoder needs the standard weights).
    void ExpectF1Keyed(double toneHz = 0) {
        FocusLoggerCall();
        PressInLogger(VK_F1);
        ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) {
            std::size_t z = 0;
            bool idleAfter = false;
            for (const TraceEvent& e : t) {
                if (e.event == "echo" && e.rest == "5A") {
                    ++z;
                    idleAfter = false;
                }
                idleAfter |= z == 3 && e.event == "status" && e.rest == "C0";
            }
            return idleAfter;
        }, 30000)) << keyer_.TraceText();
        std::string keyed;
        for (const TraceEvent& e : keyer_.Trace()) {
            unsigned c = 0;
            if (e.event == "char" && std::sscanf(e.rest.c_str(), "%X", &c) == 1) keyed += static_cast<char>(c);
        }
        EXPECT_EQ(keyed, "CQ TEST JA1ZZZ");
        if (toneHz == 0) return;
        double lastKeyOff = 0;
        for (const TraceEvent& e : keyer_.Trace())
            if (e.event == "key" && e.rest == "off") lastKeyOff = e.ms;
        ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return keyer_.Samples().size() > (lastKeyOff + 100) * 22.05; }, 5000));
        EXPECT_EQ(DecodeMorseAudio(keyer_.Samples(), toneHz), "CQ TEST JA1ZZZ") << keyer_.TraceText();
    }
    bool TandemAnswers(DWORD ms = 1000) {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(tandem_.MainWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &ignored) != 0;
    }

    testsupport::TempFolder temp_{"tandem-wk-"};
    const std::string folder_ = temp_.Path();
    WinKeyerSim keyer_;
    LoggerSimClient logger_;
    TandemSession tandem_;
};

// F2 in the logger keys the expanded message with KN as one merged character; the late report
// streams on the bridge's own reports; the keyed audio says what was sent. At exit the bridge
// hands the keyer back with Host Close.
TEST_F(WinKeyerEndToEndTest, LoggerF2KeysTheMessageWithKnMergedAndTheAudioSaysSo) {
    StartSystem(IniOptions{});
    WaitKeyerReady();
    ASSERT_EQ(logger_.Command("text report 599"), 1);
    FocusLoggerCall();
    TypeInLogger("XX1ABC");
    PressInLogger(VK_F2);

    ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return HandedToKeyer(t) == "XX1ABC UR 5NN <B4>"; }, 20000))
        << "handed: " << HandedToKeyer(tandem_.Trace()) << "\nbridge trace:\n" << ReadWholeFile(tandem_.TracePath());
    // The bridge's count falls back to 0 once the keyer has echoed the last character.
    ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) {
        long last = -1;
        double lastMs = -1;
        for (const TraceEvent& e : t) {
            if (e.event == "report" && !e.args.empty()) {
                last = e.args[0];
                lastMs = e.ms;
            }
        }
        return last == 0 && lastMs > TimeOf(t, "keyportPutCode");
    }, 20000)) << ReadWholeFile(tandem_.TracePath());
    // The keyer keyed what it was given, KN merged from two letters.
    ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "status", "C0") && Has(t, "echo", "4E"); }, 15000))
        << keyer_.TraceText();
    const std::vector<TraceEvent> k = keyer_.Trace();
    EXPECT_TRUE(Has(k, "merge", "4B 4E")) << keyer_.TraceText();
    double lastKeyOff = 0;
    for (const TraceEvent& e : k)
        if (e.event == "key" && e.rest == "off") lastKeyOff = e.ms;
    // The recording reaches past the last element's falling edge.
    ASSERT_TRUE(LoggerSimClient::PumpUntil([&] { return keyer_.Samples().size() > (lastKeyOff + 100) * 22.05; }, 5000));
    EXPECT_EQ(DecodeMorseAudio(keyer_.Samples(), kToneHz), "XX1ABC UR 5NN <B4>");

    // The late "$R": Tandem hands over three tokens at once, the rest one per keyer report, so
    // the report's digits go out only after the bridge reported the count falling.
    const std::vector<TraceEvent> b = tandem_.Trace();
    double firstFall = -1;
    int last = 0;
    for (const TraceEvent& e : b) {
        if (e.event != "report" || e.args.empty()) continue;
        if (e.args[0] < last && firstFall < 0) firstFall = e.ms;
        last = static_cast<int>(e.args[0]);
    }
    double five = -1;
    for (const TraceEvent& e : b)
        if (e.event == "keyportPutChar" && e.args.size() == 2 && e.args[1] == '5') five = e.ms;
    ASSERT_GT(firstFall, 0);
    EXPECT_GT(five, firstFall);
    EXPECT_NE(tandem_.LogText().find("XX1ABC UR 5NN [KN]"), std::string::npos) << tandem_.LogText();

    tandem_.Stop(10000);
    EXPECT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "close"); }))
        << "no Host Close at exit:\n" << keyer_.TraceText();
}

// The speed keys and the keyer settings of Tandem.ini reach the keyer as its own commands.
TEST_F(WinKeyerEndToEndTest, SpeedKeysAndKeyerSettingsReachTheKeyerAsItsCommands) {
    IniOptions ini;
    ini.wpm = 30;
    ini.extra = "PTTDelayP=25\r\nPTTDelayA=200\r\nPaddleRvs=1\r\nToneLevel=3\r\nWeightDot=1.5\r\nWeightDash=3.0\r\n";
    StartSystem(ini);
    WaitKeyerReady();
    ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "ratio", "42"); })) << keyer_.TraceText();
    const std::vector<TraceEvent> k = keyer_.Trace();
    EXPECT_TRUE(Has(k, "speed", "30"));
    EXPECT_TRUE(Has(k, "weighting", "75"));         // a 1.5 dot
    EXPECT_TRUE(Has(k, "ptt-times", "3 8"));        // 25 ms lead; 200 ms less three dits at 30 WPM
    EXPECT_TRUE(Has(k, "mode", "4C"));              // paddles swapped
    EXPECT_TRUE(Has(k, "sidetone", "64"));          // 3906/4 Hz: 62500/64
    EXPECT_TRUE(Has(k, "pins", "0F"));              // PTT and side tone on, both key outputs

    ASSERT_EQ(logger_.Command("text report 599"), 1);
    FocusLoggerCall();
    PressInLogger(VK_PRIOR, kCtrl);
    EXPECT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "speed", "31"); })) << keyer_.TraceText();
    PressInLogger(VK_NEXT, kCtrl);
    PressInLogger(VK_NEXT, kCtrl);
    EXPECT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "speed", "29"); })) << keyer_.TraceText();
}

// Esc in the logger clears the keyer's buffer: nothing more is keyed, and Tandem hears 0.
TEST_F(WinKeyerEndToEndTest, LoggerEscClearsTheKeyersBuffer) {
    StartKeyingF1(15);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Count(t, "char") >= 2; }, 15000))
        << keyer_.TraceText();
    PressInLogger(VK_ESCAPE);
    ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "clear"); })) << keyer_.TraceText();
    EXPECT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "keyportTxCancel") && Has(t, "report", "0 0"); }));
    // A while passes in which the rest of the message would have been keyed.
    LoggerSimClient::PumpUntil([] { return false; }, 2000);
    const std::vector<TraceEvent> k = keyer_.Trace();
    const double cleared = TimeOf(k, "clear");
    for (const TraceEvent& e : k) EXPECT_FALSE(e.event == "char" && e.ms > cleared) << "keyed after the clear: " << e.rest;
    EXPECT_GE(Count(k, "char"), 2u);
}

// Keying on the paddle breaks into a message (Tandem hears 15 and drops its queue) and is
// echoed into Tandem's log, as Latin letters and, with Kana input on, as kana.
TEST_F(WinKeyerEndToEndTest, PaddleBreaksInAndIsEchoedInBothAlphabets) {
    // A slow speed: the message still keys for many seconds when the paddle comes in.
    StartKeyingF1(12, "PaddleKbd=1\r\n");
    if (HasFatalFailure()) return;
    ASSERT_EQ(keyer_.Command("paddle A"), "ok");
    ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "report", "15 0"); }))
        << ReadWholeFile(tandem_.TracePath());
    // 0x60 is the paddle's .- : the letter A in Tandem's log after the message.
    ASSERT_TRUE(LoggerSimClient::PumpUntil([&] {
        std::string log = tandem_.LogText();
        return log.size() > 2 && log.compare(log.size() - 2, 2, "A ") == 0;
    }, 10000)) << tandem_.LogText();
    // What went out of the message before the break-in, then the mark where keying stopped.
    const std::string log = tandem_.LogText();
    const std::size_t mark = log.find("* ");
    ASSERT_NE(mark, std::string::npos) << log;
    EXPECT_EQ(std::string("CQ TEST JA1ZZZ").compare(0, mark, log, 0, mark), 0) << log;
    const std::size_t keyedBefore = Count(keyer_.Trace(), "text");

    // Kana input on in Tandem (Alt+K in its window): the same pattern is the kana i.
    FocusTandem();
    const bool kanaWasOn = (GetKeyState(VK_KANA) & 1) != 0;
    Press('K', kAlt);
    ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "status", "C0"); }, 10000));
    LoggerSimClient::PumpUntil([] { return false; }, 500);
    ASSERT_EQ(keyer_.Command("paddle A"), "ok");
    const bool kana = LoggerSimClient::PumpUntil([&] { return tandem_.LogText().find("\xB2") != std::string::npos; }, 10000);
    Press('K', kAlt);  // Kana input back as it was
    LoggerSimClient::PumpUntil([&] { return ((GetKeyState(VK_KANA) & 1) != 0) == kanaWasOn; }, 2000);
    EXPECT_TRUE(kana) << "log: " << tandem_.LogText();
    // Tandem dropped the rest of the message at the break-in: nothing more went to the keyer.
    EXPECT_EQ(Count(keyer_.Trace(), "text"), keyedBefore);
}

// No keyer on any port: keyportOpen gives up within a few seconds, and Tandem runs on.
TEST_F(WinKeyerEndToEndTest, NoKeyerOnAnyPortGivesNoDeviceInTime) {
    WinKeyerSimOptions silent{kComPort};
    silent.silent = true;
    StartSystem(IniOptions{}, silent, "");
    ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "keyportGetVersion"); }, 15000))
        << ReadWholeFile(tandem_.TracePath());
    const std::vector<TraceEvent> b = tandem_.Trace();
    const double open = TimeOf(b, "keyportOpen");
    const double gaveUp = TimeOf(b, "no");
    ASSERT_GE(gaveUp, 0) << ReadWholeFile(tandem_.TracePath());
    EXPECT_LT(gaveUp - open, 4000) << ReadWholeFile(tandem_.TracePath());
    // The program goes on with no device: its calls carry -1, and no callback window is set.
    EXPECT_TRUE(Has(b, "keyportSetWPM", "-1 40"));
    EXPECT_FALSE(Has(b, "keyportSetCallbackWindow"));
    EXPECT_TRUE(TandemAnswers());
    // The silent port was tried: the echo test reached it.
    EXPECT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) {
        return std::any_of(t.begin(), t.end(), [](const TraceEvent& e) {
            return e.event == "heard" && e.rest.find("00 04 55") != std::string::npos;
        });
    })) << keyer_.TraceText();
}

// The keyer is pulled in the middle of a message and plugged in again on the same port: the
// bridge reports 0, keeps the speed set meanwhile, drops the message asked for meanwhile (it is
// not keyed late), opens the keyer again by itself with every setting Tandem made, and keys on.
TEST_F(WinKeyerEndToEndTest, KeyerPluggedInAgainIsReopenedWithTandemsSettingsAndKeysOn) {
    StartKeyingF1(30, kKeyerSettings);
    if (HasFatalFailure()) return;
    PullKeyer();
    if (HasFatalFailure()) return;

    // While the keyer is away: one step faster, and a message.
    PressInLogger(VK_PRIOR, kCtrl);
    ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "keyportSetWPM", "0 31"); }));
    const std::size_t marksBefore = Occurrences(tandem_.LogText(), "* ");
    TypeInLogger("XX1ABC");
    PressInLogger(VK_F2);
    // Taken, and as none of it can go out, the log shows only the mark where keying stopped.
    ASSERT_TRUE(LoggerSimClient::PumpUntil(
        [&] { return Occurrences(tandem_.LogText(), "* ") > marksBefore; }, 10000)) << tandem_.LogText();
    // Tandem is told to drop the rest of it: its queue does not wait for the keyer.
    ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "report", "15 0"); }))
        << ReadWholeFile(tandem_.TracePath());

    PlugKeyerIn(kComPort);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "speed", "31"); })) << keyer_.TraceText();
    const std::vector<TraceEvent> k = keyer_.Trace();
    EXPECT_TRUE(Has(k, "weighting", "75"));         // a 1.5 dot
    EXPECT_TRUE(Has(k, "ratio", "42"));
    EXPECT_TRUE(Has(k, "ptt-times", "3 8"));        // 25 ms lead; 200 ms less three dits at 31 WPM
    EXPECT_TRUE(Has(k, "mode", "4C"));              // paddles swapped
    EXPECT_TRUE(Has(k, "sidetone", "64"));
    EXPECT_TRUE(Has(k, "pins", "0F"));
    // A while in which a message held back would have gone out: nothing is keyed.
    LoggerSimClient::PumpUntil([] { return false; }, 1500);
    EXPECT_EQ(Count(keyer_.Trace(), "text"), 0u) << keyer_.TraceText();

    ExpectF1Keyed();
    const std::vector<TraceEvent> b = tandem_.Trace();
    EXPECT_LT(TimeOf(b, "lost"), TimeOf(b, "back"));
}

// The keyer is pulled while idle and comes back on another COM port: the echo test finds it there.
TEST_F(WinKeyerEndToEndTest, KeyerBackOnAnotherPortIsFoundByTheEchoTest) {
    StartSystem(IniOptions{});
    WaitKeyerReady();
    if (HasFatalFailure()) return;
    ASSERT_EQ(logger_.Command("text report 599"), 1);
    PullKeyer();
    if (HasFatalFailure()) return;
    PlugKeyerIn(kOtherComPort);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(WaitKeyer([](const std::vector<TraceEvent>& t) { return Has(t, "speed", "40"); })) << keyer_.TraceText();
    ExpectF1Keyed(kToneHz);
}

// The keyer stops answering in the middle of a message: the bridge gives it up, reports 0, keys
// nothing more while it stays silent, and Tandem stays responsive and ends normally.
TEST_F(WinKeyerEndToEndTest, KeyerStoppedMidMessageLeavesTandemResponsive) {
    StartKeyingF1(15);
    if (HasFatalFailure()) return;
    ASSERT_EQ(keyer_.Command("freeze"), "ok");
    ASSERT_TRUE(WaitBridge([](const std::vector<TraceEvent>& t) { return Has(t, "lost"); }, 10000))
        << ReadWholeFile(tandem_.TracePath());
    std::vector<TraceEvent> b = tandem_.Trace();
    EXPECT_TRUE(b.back().event == "report" || Has(b, "report", "0 0"));
    double lost = TimeOf(b, "lost");
    EXPECT_LE(TimeOf(b, "report", "0 0") - lost, 100);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(TandemAnswers()) << "Tandem did not answer";
    // Another message is taken by Tandem and written to its log, but nothing reaches the line.
    const std::size_t outBefore = Count(tandem_.Trace(), "out");
    const std::size_t marksBefore = Occurrences(tandem_.LogText(), "* ");
    FocusLoggerCall();
    PressInLogger(VK_F1);
    // Taken, and as none of it can go out, the log shows only the mark where keying stopped.
    EXPECT_TRUE(LoggerSimClient::PumpUntil(
        [&] { return Occurrences(tandem_.LogText(), "* ") > marksBefore; }, 15000))
        << "the message was not taken: " << tandem_.LogText();
    LoggerSimClient::PumpUntil([] { return false; }, 1000);
    EXPECT_TRUE(TandemAnswers());
    EXPECT_EQ(Count(tandem_.Trace(), "out"), outBefore);
    // Tandem ends normally when asked.
    PostMessageA(tandem_.MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(LoggerSimClient::PumpUntil([&] { return !tandem_.Running(); }, 30000)) << "Tandem did not end";
}

}  // namespace
