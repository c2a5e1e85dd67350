// The bridge's side of the link against the simulator's keyer, on a simulated clock: the
// characters waiting as the program hears them, settings as commands, XOFF, paddle break-in and
// echo, cancel, and a keyer that falls silent. A few cases feed the link bytes of a keyer that
// behaves where the simulator does not (no echo of a space or of a merge's letters).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "MorseTable.h"
#include "WinKeyerDevice.h"
#include "WinKeyerLink.h"

using namespace winkeyer;

namespace {

class Rig : public DeviceListener {
public:
    explicit Rig(int version = 31, int buffer = 160) {
        EXPECT_EQ(PowerUp(version, buffer), version);
        link.reset(new WinKeyerLink(version));
        Step();
    }
    // A keyer fresh from power-up on the line, its host interface opened: the answer.
    int PowerUp(int version, int buffer = 160) {
        device.reset(new WinKeyerDevice({version, buffer}, *this));
        Bytes open = AdminFrame(kAdminHostOpen);
        device->FromHost(open.data(), open.size(), now);
        Bytes answer = device->TakeOutput();
        return answer.size() == 1 ? answer[0] : -1;
    }

    void OnKey(double, bool, double) override {}
    void OnTrace(double t, const std::string& line) override { trace.push_back({t, line}); }

    // One pass of the bridge's I/O thread at the current time.
    void Step() {
        device->Advance(now);
        Bytes in = device->TakeOutput();
        if (!silent) link->Received(in.data(), in.size(), now);
        link->Tick(now);
        Bytes out = link->TakeOutput(now);
        written.insert(written.end(), out.begin(), out.end());
        if (!silent && !out.empty()) device->FromHost(out.data(), out.size(), now);
        for (const LinkReport& r : link->TakeReports()) reports.push_back(r);
    }
    void Run(double ms) {
        for (double end = now + ms; now < end;) {
            now += 5;
            Step();
        }
    }
    template <typename Pred>
    bool RunUntil(Pred pred, double ms) {
        for (double end = now + ms; now < end;) {
            if (pred()) return true;
            now += 5;
            Step();
        }
        return pred();
    }
    void Put(const std::string& text) {
        for (unsigned char c : text) link->PutChar(c);
        Step();
    }
    // Puts `text` and runs until the keyer has keyed its first `count` characters.
    bool PutUntilKeyed(const std::string& text, std::size_t count) {
        Put(text);
        return RunUntil([&] { return Keyed().size() >= count; }, 5000);
    }
    // What the keyer keyed, as characters (merged pairs as "<XX>" with their code byte).
    std::string Keyed() const {
        std::string s;
        for (const auto& e : trace) {
            unsigned b = 0;
            if (std::sscanf(e.second.c_str(), "char %X", &b) != 1) continue;
            if (b >= 0x20 && b < 0x80) {
                s += static_cast<char>(b);
            } else {
                char hex[8];
                std::snprintf(hex, sizeof hex, "<%02X>", b);
                s += hex;
            }
        }
        return s;
    }
    bool Traced(const std::string& line) const {
        return std::any_of(trace.begin(), trace.end(), [&](const auto& e) { return e.second == line; });
    }
    double TimeOf(const std::string& line) const {
        for (const auto& e : trace)
            if (e.second == line) return e.first;
        return -1;
    }
    int LastWaiting() const { return reports.empty() ? -1 : reports.back().waiting; }
    std::vector<unsigned char> PaddleCodes() const {
        std::vector<unsigned char> codes;
        for (const LinkReport& r : reports)
            if (r.paddleCode != 0) codes.push_back(r.paddleCode);
        return codes;
    }

    double now = 0;
    bool silent = false;
    std::unique_ptr<WinKeyerDevice> device;
    std::unique_ptr<WinKeyerLink> link;
    std::vector<std::pair<double, std::string>> trace;
    std::vector<LinkReport> reports;
    Bytes written;
};

}  // namespace

TEST(WinKeyerLink, WaitingCountsDownWithTheEchoesToIdle) {
    Rig rig;
    rig.link->SetWpm(40);
    rig.Put("XX1ABC UR 5NN ");
    rig.link->PutCode(0xB4);  // KN
    rig.Step();
    EXPECT_EQ(rig.LastWaiting(), 15);
    // Each change is reported: up by one for every character put, down with every echo.
    for (int i = 0; i < 15; ++i) EXPECT_EQ(rig.reports[i].waiting, i + 1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.link->Waiting() == 0; }, 20000));
    EXPECT_EQ(rig.LastWaiting(), 0);
    EXPECT_EQ(rig.Keyed(), "XX1ABC UR 5NN <B4>");
    EXPECT_TRUE(rig.Traced("merge 4B 4E"));
    for (std::size_t i = 16; i < rig.reports.size(); ++i) {
        EXPECT_EQ(rig.reports[i].waiting, rig.reports[i - 1].waiting - 1) << "report " << i;
    }
    // The count falls as each character ends, not before: idle only after the last element.
    double lastKeyOff = 0;
    for (const auto& e : rig.trace)
        if (e.second == "key off") lastKeyOff = e.first;
    EXPECT_GE(rig.now, lastKeyOff);
    EXPECT_GT(lastKeyOff, 4000);
}

TEST(WinKeyerLink, SettingsReachTheKeyerAsItsCommands) {
    Rig rig;
    EXPECT_TRUE(rig.Traced("wk3-mode"));
    EXPECT_TRUE(rig.Traced("mode 44"));  // serial and paddle echo
    rig.link->SetWpm(30);
    rig.link->SetWeight(3, 6);
    rig.link->SetPtt(25, 200);
    rig.link->SetPaddleReverse(true);
    rig.link->SetSideTone(8);
    rig.Step();
    EXPECT_TRUE(rig.Traced("speed 30"));
    EXPECT_TRUE(rig.Traced("weighting 75"));
    EXPECT_TRUE(rig.Traced("ratio 42"));
    EXPECT_TRUE(rig.Traced("ptt-times 3 8"));  // 200 ms less three dits at 30 WPM
    EXPECT_TRUE(rig.Traced("pins 0F"));
    EXPECT_TRUE(rig.Traced("mode 4C"));
    EXPECT_TRUE(rig.Traced("sidetone 125"));
    // A new speed moves the tail with it; PTT and side tone off clear their pins.
    rig.link->SetWpm(20);
    rig.Step();
    EXPECT_TRUE(rig.Traced("ptt-times 3 2"));
    rig.link->SetPtt(0, 0);
    rig.link->SetSideTone(0);
    rig.Step();
    EXPECT_TRUE(rig.Traced("ptt-times 0 0"));
    EXPECT_TRUE(rig.Traced("pins 0C"));
    // Out of range: refused, nothing sent.
    std::size_t before = rig.written.size();
    EXPECT_FALSE(rig.link->SetWeight(0, 6));
    EXPECT_FALSE(rig.link->SetSideTone(14));
    EXPECT_FALSE(rig.link->SetWpm(4));
    rig.Step();
    EXPECT_EQ(rig.written.size(), before);
}

TEST(WinKeyerLink, Wk2GetsTheOlderSidetoneFormAndNoWk3Mode) {
    Rig rig(23);
    rig.link->SetSideTone(4);
    rig.Step();
    EXPECT_FALSE(rig.Traced("wk3-mode"));
    EXPECT_TRUE(rig.Traced("sidetone 4"));
}

TEST(WinKeyerLink, XoffHoldsTextInTheBridgeAndNothingOverflows) {
    Rig rig(31, 100);  // XOFF above 66 bytes
    rig.link->SetWpm(50);
    std::string text;
    for (int i = 0; i < 90; ++i) text += static_cast<char>('A' + i % 26);
    rig.Put(text);
    EXPECT_EQ(rig.LastWaiting(), 90);
    bool held = false;
    ASSERT_TRUE(rig.RunUntil([&] {
        held |= rig.link->LastStatus().xoff;
        return rig.link->Waiting() == 0;
    }, 120000));
    EXPECT_TRUE(held) << "the keyer never said XOFF";
    EXPECT_FALSE(rig.Traced("overflow"));
    EXPECT_EQ(rig.Keyed(), text);
}

TEST(WinKeyerLink, PaddleBreaksInReportsFifteenAndEchoesTheCodes) {
    Rig rig;
    rig.link->SetWpm(30);
    ASSERT_TRUE(rig.PutUntilKeyed("CQ CQ CQ TEST", 2));
    ASSERT_TRUE(rig.device->PaddleText("TU", rig.now));
    const double breakIn = rig.now;
    rig.Run(50);
    ASSERT_FALSE(rig.reports.empty());
    EXPECT_TRUE(std::any_of(rig.reports.begin(), rig.reports.end(),
                            [](const LinkReport& r) { return r.waiting == 15; }));
    EXPECT_EQ(rig.link->Waiting(), 0);
    // Text the program sends during the paddle session waits for its end.
    rig.Put("K");
    EXPECT_EQ(rig.LastWaiting(), 1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.link->Waiting() == 0 && !rig.link->LastStatus().breakIn; }, 10000));
    // T, U and the word space, as code bytes.
    EXPECT_EQ(rig.PaddleCodes(), (std::vector<unsigned char>{0xC0, 0x30, 0x80}));
    // Nothing of the message after the break-in; the K after the paddle.
    std::string keyed = rig.Keyed();
    EXPECT_EQ(keyed.substr(keyed.size() - 1), "K");
    for (const auto& e : rig.trace) {
        if (e.first > breakIn && e.second.rfind("char ", 0) == 0) {
            EXPECT_TRUE(e.second == "char C0" || e.second == "char 30" || e.second == "char 4B") << e.second;
        }
    }
    EXPECT_FALSE(rig.Traced("discard"));
}

TEST(WinKeyerLink, CancelClearsTheKeyerAndReportsIdle) {
    Rig rig;
    rig.link->SetWpm(25);
    ASSERT_TRUE(rig.PutUntilKeyed("TEST TEST TEST", 3));
    rig.link->Cancel();
    rig.Step();
    EXPECT_EQ(rig.LastWaiting(), 0);
    EXPECT_TRUE(rig.Traced("clear"));
    const double cleared = rig.TimeOf("clear");
    rig.Run(3000);
    for (const auto& e : rig.trace) {
        EXPECT_FALSE(e.first > cleared && e.second.rfind("char ", 0) == 0) << "keyed after the clear: " << e.second;
    }
    EXPECT_EQ(rig.LastWaiting(), 0);
}

TEST(WinKeyerLink, SilentKeyerIsGivenUpAndNothingMoreIsKeyed) {
    Rig rig;
    rig.Put("CQ TEST");
    rig.Run(300);
    ASSERT_GT(rig.link->Waiting(), 0);
    rig.silent = true;  // the keyer neither hears nor answers any more
    const double from = rig.now;
    ASSERT_TRUE(rig.RunUntil([&] { return rig.link->Lost(); }, 5000));
    EXPECT_LE(rig.now - from, WinKeyerLink::kQuietMs + WinKeyerLink::kAnswerMs + 50);
    EXPECT_EQ(rig.LastWaiting(), 0);
    std::size_t before = rig.written.size();
    EXPECT_FALSE(rig.link->PutChar('A'));
    EXPECT_TRUE(rig.link->SetWpm(30));  // kept for the keyer's return
    rig.Run(100);
    EXPECT_EQ(rig.written.size(), before);
}

// The keyer is lost with a message under way and comes back fresh from power-up: what the
// program puts meanwhile is dropped with the report that empties its queue, the settings made
// meanwhile are kept, and the keyer gets them all before it keys on.
TEST(WinKeyerLink, ALostKeyerReopenedGetsEverySettingAndNothingHeldBack) {
    Rig rig;
    rig.link->SetWpm(30);
    rig.link->SetWeight(3, 6);
    rig.link->SetPtt(25, 200);
    rig.link->SetPaddleReverse(true);
    rig.link->SetSideTone(4);
    ASSERT_TRUE(rig.PutUntilKeyed("CQ TEST", 1));
    rig.link->SetLost();
    rig.Step();
    EXPECT_EQ(rig.LastWaiting(), 0);

    const std::size_t written = rig.written.size();
    rig.reports.clear();
    EXPECT_TRUE(rig.link->SetWpm(35));
    EXPECT_FALSE(rig.link->SetWpm(4));
    rig.link->HoldPtt(true);  // the CQ machine plays
    EXPECT_FALSE(rig.link->PutChar('A'));
    EXPECT_FALSE(rig.link->PutCode(0xB4));
    rig.link->Cancel();
    rig.Run(100);
    EXPECT_EQ(rig.written.size(), written);
    ASSERT_EQ(rig.reports.size(), 2u);
    for (const LinkReport& r : rig.reports) EXPECT_EQ(r.waiting, WinKeyerLink::kBreakInReport);

    rig.trace.clear();
    ASSERT_EQ(rig.PowerUp(31), 31);
    rig.link->Reopened(31);
    EXPECT_FALSE(rig.link->Lost());
    rig.Step();
    for (const char* line : {"wk3-mode", "mode 4C", "speed 35", "weighting 75", "ratio 42", "ptt-times 3 10", "pins 0F",
                             "sidetone 64", "buffered-ptt 1"}) {
        EXPECT_TRUE(rig.Traced(line)) << line;
    }
    rig.link->HoldPtt(false);
    rig.Put("TU");
    ASSERT_TRUE(rig.RunUntil([&] { return rig.link->Waiting() == 0; }, 10000));
    EXPECT_EQ(rig.Keyed(), "TU");  // nothing of the message cut off by the loss
    EXPECT_EQ(rig.LastWaiting(), 0);
    EXPECT_TRUE(rig.Traced("buffered-ptt 0"));

    // Lost again while the PTT is released and back as a WK2: no hold, the older sidetone form.
    rig.link->SetLost();
    rig.trace.clear();
    ASSERT_EQ(rig.PowerUp(23), 23);
    rig.link->Reopened(23);
    rig.Step();
    EXPECT_FALSE(rig.Traced("wk3-mode"));
    EXPECT_TRUE(rig.Traced("sidetone 4"));
    EXPECT_TRUE(rig.Traced("speed 35"));
    EXPECT_FALSE(rig.Traced("buffered-ptt 1"));
}

TEST(WinKeyerLink, AKeyerAlwaysAnsweringTheStatusRequestIsNotGivenUp) {
    Rig rig;
    rig.link->SetWpm(5);
    rig.Put("00");  // five dahs at 5 WPM: seconds without a byte from the keyer
    ASSERT_TRUE(rig.RunUntil([&] { return rig.link->Waiting() == 0; }, 20000));
    EXPECT_FALSE(rig.link->Lost());
    EXPECT_EQ(rig.Keyed(), "00");
}

TEST(WinKeyerLink, EchoesThatNeverComeAreAccountedForByIdleStatus) {
    WinKeyerLink link(31);
    double now = 0;
    link.TakeOutput(now);
    link.PutChar('A');
    link.PutChar(' ');
    link.PutCode(0xB4);
    Bytes out = link.TakeOutput(now);
    EXPECT_EQ(link.Waiting(), 3);
    const Bytes text = {'A', ' ', kCmdMerge, 'K', 'N'};
    EXPECT_NE(std::search(out.begin(), out.end(), text.begin(), text.end()), out.end());
    now = 100;
    const unsigned char busy[] = {0xC4, 'A'};
    link.Received(busy, sizeof busy, now);
    EXPECT_EQ(link.Waiting(), 2);
    // An echo of the merge's second letter accounts for the space before it.
    const unsigned char n[] = {'N'};
    link.Received(n, 1, now + 400);
    EXPECT_EQ(link.Waiting(), 0);

    // A keyer that echoes nothing of a merge: the idle status settles it, once the text has
    // landed; an idle status from before that asks again instead.
    link.PutCode(0x54);
    link.TakeOutput(1000);
    const unsigned char idle[] = {0xC0};
    link.Received(idle, 1, 1001);
    EXPECT_EQ(link.Waiting(), 1);
    link.Tick(1000 + WinKeyerLink::kSettleMs + 50);
    Bytes ask = link.TakeOutput(1000 + WinKeyerLink::kSettleMs + 50);
    EXPECT_EQ(ask, (Bytes{kCmdRequestStatus}));
    link.Received(idle, 1, 1400);
    EXPECT_EQ(link.Waiting(), 0);
    std::vector<LinkReport> reports = link.TakeReports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().waiting, 0);
}

TEST(WinKeyerLink, CharactersTheKeyerCannotSendAreDroppedWithTheirOwnReport) {
    WinKeyerLink link(31);
    link.TakeOutput(0);
    link.PutChar('A');
    link.TakeReports();
    EXPECT_FALSE(link.PutChar('!'));
    EXPECT_FALSE(link.PutChar(0x82));  // a double-byte character: both bytes
    EXPECT_FALSE(link.PutChar('A'));   // here the trail byte, whatever its value
    EXPECT_FALSE(link.PutCode(0));
    std::vector<LinkReport> reports = link.TakeReports();
    ASSERT_EQ(reports.size(), 4u);
    for (const LinkReport& r : reports) EXPECT_EQ(r.waiting, 1);
    EXPECT_TRUE(link.PutChar(0xB1));  // ｱ --.--, merged
    Bytes out = link.TakeOutput(1);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], 'A');
    EXPECT_EQ(out[1], kCmdMerge);
    EXPECT_EQ(MorsePatternOf(MorseCodeForChar(out[2])) + MorsePatternOf(MorseCodeForChar(out[3])), "--.--");
}

TEST(WinKeyerLink, PttHoldIsABufferedCommandWithThePttOutputEnabled) {
    WinKeyerLink link(31);
    link.SetPtt(0, 0);
    link.TakeOutput(0);
    link.HoldPtt(true);
    EXPECT_EQ(link.TakeOutput(1), (Bytes{kCmdPinConfig, 0x0F, kCmdBufferedPtt, 1}));
    link.HoldPtt(false);
    EXPECT_EQ(link.TakeOutput(2), (Bytes{kCmdBufferedPtt, 0, kCmdPinConfig, 0x0E}));
    EXPECT_EQ(link.Waiting(), 0);
}

TEST(WinKeyerLink, APortFailureReportsIdleOnce) {
    WinKeyerLink link(31);
    link.PutChar('E');
    link.TakeOutput(0);
    link.TakeReports();
    link.SetLost();
    link.SetLost();
    std::vector<LinkReport> reports = link.TakeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].waiting, 0);
    EXPECT_TRUE(link.TakeOutput(1).empty());
}
