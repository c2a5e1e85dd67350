// The keyer's behaviour on a simulated clock: Morse timing and weights, the order of reports,
// bytes without a pattern, the buffer limit, PTT lead and tail, cancel, and the paddle.
#include "KeyerCore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MorseTable.h"

namespace {

struct Event {
    double t;
    std::string what;  // "on", "off", "ptt on", "ptt off", "char XX", "drop XX", "report N C"
};

class Recorder : public KeyerSink {
public:
    std::vector<Event> events;
    void OnKey(double t, bool down, double) override { events.push_back({t, down ? "on" : "off"}); }
    void OnPtt(double t, bool on) override { events.push_back({t, on ? "ptt on" : "ptt off"}); }
    void OnCharStart(double t, unsigned char b) override { events.push_back({t, Hex("char", b)}); }
    void OnDrop(double t, unsigned char b) override { events.push_back({t, Hex("drop", b)}); }
    void OnReport(double t, int waiting, unsigned char code) override {
        events.push_back({t, "report " + std::to_string(waiting) + " " + std::to_string(code)});
    }
    static std::string Hex(const char* what, unsigned char b) {
        char text[16];
        std::snprintf(text, sizeof text, "%s %02X", what, b);
        return text;
    }
    std::vector<Event> Only(const std::string& prefix) const {
        std::vector<Event> out;
        for (const Event& e : events) {
            if (e.what.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
        }
        return out;
    }
    // Key-down spans as (on, off) pairs.
    std::vector<std::pair<double, double>> Spans() const {
        std::vector<std::pair<double, double>> spans;
        for (const Event& e : events) {
            if (e.what == "on") spans.push_back({e.t, -1});
            if (e.what == "off") spans.back().second = e.t;
        }
        return spans;
    }
};

// Runs the keyer as its thread would, waking exactly when something is due, up to `until`.
void RunUntil(KeyerCore& k, Recorder& r, double until) {
    for (int guard = 0; guard < 100000 && k.NextDue() <= until; ++guard) k.Advance(k.NextDue(), r);
    k.Advance(until, r);
}

void Put(KeyerCore& k, Recorder& r, const std::string& text, double now) {
    for (unsigned char c : text) k.PutChar(c, now, r);
}

// The key-down spans that a text must give, from the patterns as written, at `dot` ms with the
// default weights, starting at `start`.
std::vector<std::pair<double, double>> Expected(const std::vector<std::string>& patterns, double dot, double start) {
    std::vector<std::pair<double, double>> spans;
    double t = start;
    for (const std::string& p : patterns) {
        if (p == " ") {
            t += 4 * dot;  // 3 already follow the last character
            continue;
        }
        for (char e : p) {
            double len = e == '-' ? 3 * dot : dot;
            spans.push_back({t, t + len});
            t += len + dot;
        }
        t += 2 * dot;
    }
    return spans;
}

TEST(KeyerCore, ParisTimingAndReportsAtTwentyAndFiftyWpm) {
    const std::vector<std::string> paris = {".--.", ".-", ".-.", "..", "...", " "};
    for (int wpm : {20, 50}) {
        SCOPED_TRACE("wpm " + std::to_string(wpm));
        KeyerCore k;
        Recorder r;
        ASSERT_TRUE(k.SetWpm(wpm));
        Put(k, r, "PARIS PARIS PARIS ", 100);
        EXPECT_EQ(k.Busy(), 18);
        RunUntil(k, r, 100000);
        const double dot = 1200.0 / wpm;
        std::vector<std::string> patterns;
        for (int i = 0; i < 3; ++i) patterns.insert(patterns.end(), paris.begin(), paris.end());
        auto expected = Expected(patterns, dot, 100);
        auto spans = r.Spans();
        ASSERT_EQ(spans.size(), expected.size());
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_NEAR(spans[i].first, expected[i].first, 1e-6) << "element " << i;
            EXPECT_NEAR(spans[i].second, expected[i].second, 1e-6) << "element " << i;
        }
        // Every change of the count is reported: each character as it is queued, then as it has
        // been keyed; the last space ends 150 dots after the first element.
        auto reports = r.Only("report");
        ASSERT_EQ(reports.size(), 36u);
        for (int i = 0; i < 18; ++i) {
            EXPECT_EQ(reports[i].what, "report " + std::to_string(i + 1) + " 0");
            EXPECT_DOUBLE_EQ(reports[i].t, 100);
            EXPECT_EQ(reports[18 + i].what, "report " + std::to_string(17 - i) + " 0");
        }
        EXPECT_NEAR(reports.back().t - 100, 150 * dot, 1e-6);
        EXPECT_EQ(k.Busy(), 0);
        EXPECT_TRUE(r.Only("ptt").empty());  // PTT is left alone with 0 and 0
    }
}

TEST(KeyerCore, WeightsAndParameterChangesApplyFromTheNextCharacter) {
    KeyerCore k;
    Recorder r;
    EXPECT_FALSE(k.SetWeight(0, 6));  // would key nothing: refused, the last values stay
    EXPECT_FALSE(k.SetWpm(4));
    EXPECT_FALSE(k.SetWpm(51));
    EXPECT_FALSE(k.SetSideTone(14));
    ASSERT_TRUE(k.SetWeight(3, 9));
    Put(k, r, "AT", 0);
    RunUntil(k, r, 10);  // A has started
    ASSERT_TRUE(k.SetWpm(40));
    ASSERT_TRUE(k.SetWeight(2, 6));
    RunUntil(k, r, 10000);
    auto s = r.Spans();
    ASSERT_EQ(s.size(), 3u);
    EXPECT_DOUBLE_EQ(s[0].second - s[0].first, 90);   // 1.5 dots of 60 ms
    EXPECT_DOUBLE_EQ(s[1].first - s[0].second, 60);   // the space between elements stays one dot
    EXPECT_DOUBLE_EQ(s[1].second - s[1].first, 270);  // 4.5 dots
    EXPECT_DOUBLE_EQ(s[2].first - s[1].second, 180);  // three dots at the old speed
    EXPECT_DOUBLE_EQ(s[2].second - s[2].first, 90);   // T at 40 WPM, plain weight
}

TEST(KeyerCore, SpacesProsignsAndBytesWithoutPattern) {
    KeyerCore k;
    Recorder r;
    // E, the two bytes of a full-width kana whose trail byte is 'A' (0x83 0x41), E, the Wabun
    // start prosign as a code byte, a code without pattern, a word space, E.
    Put(k, r, "E\x83\x41" "E", 0);
    k.PutCode(0x9E, 0, r);
    k.PutCode(0, 0, r);
    Put(k, r, " E", 0);
    EXPECT_EQ(k.Busy(), 8);
    RunUntil(k, r, 100000);
    auto s = r.Spans();
    ASSERT_EQ(s.size(), 1u + 1 + 6 + 1);
    EXPECT_DOUBLE_EQ(s[1].first - s[0].second, 180);  // dropped without a gap
    EXPECT_DOUBLE_EQ(s[2].first - s[1].second, 180);
    EXPECT_DOUBLE_EQ(s[8].first - s[7].second, 420);  // seven dots for the word space
    std::vector<std::string> expected = {"drop 83", "drop 41", "drop 00"};
    auto drops = r.Only("drop");
    ASSERT_EQ(drops.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(drops[i].what, expected[i]);
    // A dropped byte still gets its report, so the host's stream never waits for nothing.
    auto reports = r.Only("report");
    ASSERT_EQ(reports.size(), 16u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(reports[8 + i].what, "report " + std::to_string(7 - i) + " 0");
    EXPECT_EQ(r.Only("char 9E").size(), 1u);
}

TEST(KeyerCore, BufferHoldsSixtyFourCharacters) {
    KeyerCore k;
    Recorder r;
    int taken = 0;
    for (int i = 0; i < 70; ++i) taken += k.PutChar('E', 0, r) ? 1 : 0;
    EXPECT_EQ(taken, KeyerCore::kCapacity);
    EXPECT_EQ(k.Busy(), 64);
    EXPECT_EQ(r.Only("drop 45").size(), 6u);
    // Once one has been keyed there is room for one more.
    RunUntil(k, r, 61);
    EXPECT_EQ(k.Busy(), 63);
    EXPECT_TRUE(k.PutChar('E', 61, r));
    EXPECT_FALSE(k.PutChar('E', 61, r));
}

TEST(KeyerCore, PttLeadTailAndHold) {
    KeyerCore k;
    Recorder r;
    k.SetPtt(30, 100);
    k.PutChar('E', 10, r);
    RunUntil(k, r, 150);
    k.PutChar('E', 150, r);  // during the tail: same transmission, no new lead
    RunUntil(k, r, 10000);
    std::vector<std::string> what;
    for (const Event& e : r.events) what.push_back(e.what);
    std::vector<std::string> expected = {"report 1 0", "ptt on", "char 45", "on", "off", "report 0 0",
                                         "report 1 0", "char 45", "on", "off", "report 0 0", "ptt off"};
    EXPECT_EQ(what, expected);
    EXPECT_DOUBLE_EQ(r.events[1].t, 10);
    EXPECT_DOUBLE_EQ(r.events[3].t, 40);    // "before" ms ahead of the first element
    EXPECT_DOUBLE_EQ(r.events[6].t, 150);   // queued during the tail
    EXPECT_DOUBLE_EQ(r.events[8].t, 280);   // three dots after the first E
    EXPECT_DOUBLE_EQ(r.events[11].t, 440);  // "after" ms behind the last element
    // After the tail a new transmission gets its lead again.
    Recorder next;
    k.PutChar('E', 11000, next);
    RunUntil(k, next, 12000);
    ASSERT_GE(next.events.size(), 4u);
    EXPECT_EQ(next.events[1].what, "ptt on");
    EXPECT_DOUBLE_EQ(next.events[3].t, 11030);

    // Held on by the data byte: keying needs no lead, and PTT stays on after the tail.
    Recorder h;
    k.HoldPtt(true, 20000, h);
    k.PutChar('E', 20000, h);
    RunUntil(k, h, 21000);
    k.HoldPtt(false, 21000, h);
    std::vector<std::string> held;
    for (const Event& e : h.events) held.push_back(e.what);
    EXPECT_EQ(held, (std::vector<std::string>{"ptt on", "report 1 0", "char 45", "on", "off", "report 0 0",
                                              "ptt off"}));
    EXPECT_DOUBLE_EQ(h.events[3].t, 20000);
    EXPECT_DOUBLE_EQ(h.events[6].t, 21000);
}

TEST(KeyerCore, CancelStopsAfterTheElementBeingKeyed) {
    KeyerCore k;
    Recorder r;
    Put(k, r, "0AB", 0);  // 0 is five dashes of 180 ms with 60 ms between
    RunUntil(k, r, 250);  // second dash down since 240
    EXPECT_TRUE(k.Cancel(250, r));
    EXPECT_EQ(k.Busy(), 0);
    RunUntil(k, r, 10000);
    auto s = r.Spans();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_DOUBLE_EQ(s[1].second, 420);  // the dash is finished, nothing follows
    auto reports = r.Only("report");
    ASSERT_EQ(reports.size(), 4u);  // three queued, then the cancel
    EXPECT_EQ(reports[2].what, "report 3 0");
    EXPECT_EQ(reports[3].what, "report 0 0");
    EXPECT_DOUBLE_EQ(reports[3].t, 250);
    EXPECT_EQ(r.Only("drop").size(), 2u);

    // In the space between two elements it stops at once; a new character then keeps the gap.
    Recorder g;
    Put(k, g, "0", 20000);
    RunUntil(k, g, 20200);  // between the first and second dash
    EXPECT_TRUE(k.Cancel(20200, g));
    k.PutChar('E', 20200, g);
    RunUntil(k, g, 30000);
    auto gs = g.Spans();
    ASSERT_EQ(gs.size(), 2u);
    EXPECT_DOUBLE_EQ(gs[1].first, 20200 + 180);
    // Nothing to cancel: no report.
    Recorder idle;
    EXPECT_FALSE(k.Cancel(40000, idle));
    EXPECT_TRUE(idle.events.empty());
}

TEST(KeyerCore, PaddleKeysReportsItsCodeAndBreaksIn) {
    KeyerCore k;
    Recorder r;
    const unsigned char kCode = MorseCodeForChar('K');  // -.-
    // Idle: keyed at once, reported with its code.
    EXPECT_TRUE(k.Paddle(kCode, 0, r));
    RunUntil(k, r, 1000);
    EXPECT_EQ(r.Only("report").size(), 1u);
    EXPECT_EQ(r.Only("report")[0].what, "report 0 " + std::to_string(kCode));
    EXPECT_EQ(r.Spans().size(), 3u);

    // During a message: the buffer goes, 15 is reported, the paddle character follows.
    Recorder b;
    Put(k, b, "PARIS", 2000);
    RunUntil(k, b, 2010);  // P's first dot is down
    EXPECT_TRUE(k.Paddle(kCode, 2010, b));
    EXPECT_EQ(k.Busy(), 0);
    RunUntil(k, b, 10000);
    auto reports = b.Only("report");
    ASSERT_EQ(reports.size(), 7u);  // PARIS queued, then the break-in
    EXPECT_EQ(reports[4].what, "report 5 0");
    EXPECT_EQ(reports[5].what, "report 15 0");
    EXPECT_EQ(reports[6].what, "report 0 " + std::to_string(kCode));
    EXPECT_EQ(b.Only("drop").size(), 4u);  // A R I S
    auto s = b.Spans();
    ASSERT_EQ(s.size(), 4u);                        // P's first dot, then K
    EXPECT_DOUBLE_EQ(s[0].second, 2060);             // the dot is finished
    EXPECT_DOUBLE_EQ(s[1].first, 2060 + 180);        // K after a character space
    EXPECT_DOUBLE_EQ(s[1].second - s[1].first, 180);

    EXPECT_FALSE(k.Paddle(0, 20000, b));
}

TEST(KeyerCore, PaddleContactsFollowReverse) {
    KeyerCore k;
    EXPECT_EQ(k.PaddleContacts(".-", 2), 0x60);
    k.SetReverse(true);
    EXPECT_EQ(k.PaddleContacts(".-", 2), 0xA0);  // the paddles swap: -. (N)
    EXPECT_EQ(k.PaddleContacts(".x", 2), 0);
    EXPECT_EQ(k.PaddleContacts("........", 8), 0);
    EXPECT_EQ(k.PaddleContacts("", 0), 0);
}

}  // namespace
