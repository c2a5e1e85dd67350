// The WinKeyer mappings: weights, PTT times, side-tone pitches, the characters and patterns the
// keyer is given for the program's characters and code bytes, the protocol's framing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "MorseTable.h"
#include "WinKeyerProtocol.h"

using namespace winkeyer;

namespace {

std::string Keyed(const KeyerChar& k) {
    switch (k.kind) {
    case KeyerChar::Single:
        return MorsePatternOf(MorseCodeForChar(k.first));
    case KeyerChar::Merge:
        return MorsePatternOf(MorseCodeForChar(k.first)) + MorsePatternOf(MorseCodeForChar(k.second));
    default:
        return "<none>";
    }
}

bool IsLetter(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}

}  // namespace

TEST(WinKeyerMapping, WeightsKeyTheElementsAsNearlyAsTheKeyerAllows) {
    // The standard weights are the keyer's neutral settings.
    KeyerWeights w = MapWeights(2, 6);
    EXPECT_EQ(w.weighting, 50);
    EXPECT_EQ(w.ratio, 50);
    // Across the Options range the key-down lengths are met within the keyer's steps, and the
    // simulator reads the same weights back.
    for (int dot = 1; dot <= 3; ++dot) {
        for (int dash = 4; dash <= 8; ++dash) {
            KeyerWeights k = MapWeights(dot, dash);
            EXPECT_DOUBLE_EQ(KeyedDotLength(k.weighting), dot / 2.0) << dot << "/" << dash;
            // The dash as near as the ratio's range allows at this weighting.
            const double lo = KeyedDashLength(k.weighting, 33), hi = KeyedDashLength(k.weighting, 66);
            const double want = std::min(std::max(dash / 2.0, lo), hi);
            EXPECT_NEAR(KeyedDashLength(k.weighting, k.ratio), want, 0.035) << dot << "/" << dash;
            if (dash / 2.0 < lo - 0.05 || dash / 2.0 > hi + 0.05) continue;
            int d = 0, D = 0;
            WeightsToHalves(k.weighting, k.ratio, &d, &D);
            EXPECT_EQ(d, dot);
            EXPECT_EQ(D, dash);
        }
    }
    // A dash too short for a heavy dot: the shortest the keyer has.
    EXPECT_EQ(MapWeights(3, 4).ratio, 33);
    EXPECT_NEAR(KeyedDashLength(75, 33), 2.48, 1e-9);
    // Beyond what the keyer can do, the nearest it can.
    EXPECT_EQ(MapWeights(10, 6).weighting, 90);
    EXPECT_EQ(MapWeights(2, 20).ratio, 66);
    EXPECT_EQ(MapWeights(2, 1).ratio, 33);
}

TEST(WinKeyerMapping, PttTailCountsFromTheKeyersOwnThreeDits) {
    // 20 WPM: three dits are 180 ms, so 200 ms after the last element is a 20 ms tail.
    KeyerPtt p = MapPtt(25, 200, 20);
    EXPECT_EQ(p.lead, 3);  // 25 ms to the keyer's 10 ms steps, rounded half up
    EXPECT_EQ(p.tail, 2);
    EXPECT_DOUBLE_EQ(PttHangMs(p.tail, 20), 200);
    // A tail shorter than the three dits is the keyer's shortest; the lead stays within 250.
    EXPECT_EQ(MapPtt(0, 50, 20).tail, 0);
    EXPECT_EQ(MapPtt(255, 255, 50).lead, 26);
    EXPECT_EQ(MapPtt(255, 255, 5).tail, 0);  // three dits at 5 WPM are 720 ms
    EXPECT_EQ(MapPtt(0, 255, 50).tail, 18);
}

TEST(WinKeyerMapping, SideToneIsTheNearestPitchTheKeyerOffers) {
    for (int n = 1; n <= 13; ++n) {
        const double want = 3906.0 / n;
        // WK3: 62500/value Hz hits 3906/n exactly down to the keyer's 500 Hz floor.
        double wk3 = SideTonePitch(MapSideTone(n, true), true);
        if (want >= 500) {
            EXPECT_NEAR(wk3, want, 0.5) << n;
        } else {
            EXPECT_DOUBLE_EQ(wk3, 500) << n;
        }
        // WK2: 4000/N Hz, N up to 10; no other N is nearer.
        double wk2 = SideTonePitch(MapSideTone(n, false), false);
        for (int k = 1; k <= 10; ++k) {
            EXPECT_LE(std::fabs(std::log(wk2 / want)), std::fabs(std::log(4000.0 / k / want)) + 1e-12) << n;
        }
        // And the simulator finds the program's n again from the keyer's pitch where it can.
        if (want >= 500) EXPECT_EQ(NearestToneIndex(wk3), n);
    }
    EXPECT_EQ(MapSideTone(8, false), 8);   // 488 Hz: 500 Hz
    EXPECT_EQ(MapSideTone(13, false), 10);  // 300 Hz: the lowest, 400 Hz
    EXPECT_EQ(MapSideTone(0, true), 0);
}

TEST(WinKeyerMapping, ProgramCharactersGoAsTheKeyerKnowsThem) {
    for (unsigned char c : std::string("ABCXYZ0159 .,?/=+-:'\"()@")) {
        KeyerChar k = ForChar(c);
        EXPECT_EQ(k.kind, KeyerChar::Single) << c;
        EXPECT_EQ(k.first, c);
    }
    EXPECT_EQ(ForChar('q').first, 'Q');  // the keyer is given capitals only
    for (unsigned char c : std::string("!&;$_*%#^[]\\|<>`~{}")) {
        EXPECT_EQ(ForChar(c).kind, KeyerChar::None) << c;
    }
    EXPECT_EQ(ForChar(0x82).kind, KeyerChar::None);  // a lead byte of a double-byte character
}

TEST(WinKeyerMapping, EveryKanaGoesAsItsWabunPattern) {
    int kana = 0;
    for (int ch = 0xA1; ch <= 0xDF; ++ch) {
        unsigned char code = MorseCodeForChar(static_cast<unsigned char>(ch));
        if (code == 0) continue;
        ++kana;
        KeyerChar k = ForChar(static_cast<unsigned char>(ch));
        ASSERT_NE(k.kind, KeyerChar::None) << std::hex << ch;
        EXPECT_EQ(Keyed(k), MorsePatternOf(code)) << std::hex << ch;
        // Letters and digits only, so no sign's meaning in the keyer is relied on.
        EXPECT_TRUE(IsLetter(k.first) || (k.first >= '0' && k.first <= '9')) << std::hex << ch;
        if (k.kind == KeyerChar::Merge) EXPECT_TRUE(IsLetter(k.second)) << std::hex << ch;
    }
    EXPECT_GE(kana, 55);
    EXPECT_EQ(ForChar(0xB2).kind, KeyerChar::Single);  // ｲ .- is the letter A
    EXPECT_EQ(ForChar(0xB2).first, 'A');
    KeyerChar a = ForChar(0xB1);                        // ｱ --.-- needs two letters
    EXPECT_EQ(a.kind, KeyerChar::Merge);
    EXPECT_EQ(Keyed(a), "--.--");
}

TEST(WinKeyerMapping, EveryCodeByteIsKeyedAsItsPatternOrRefused) {
    // The six prosigns of the message memories, as two merged letters.
    const struct {
        unsigned char code;
        const char* pattern;
    } prosigns[] = {{0x54, ".-.-."}, {0xB4, "-.--."}, {0x16, "...-.-"},
                    {0x8B, "-...-.-"}, {0x9E, "-..---"}, {0x14, "...-."}};
    for (const auto& p : prosigns) {
        KeyerChar k = ForCode(p.code);
        EXPECT_EQ(k.kind, KeyerChar::Merge) << p.pattern;
        EXPECT_TRUE(IsLetter(k.first) && IsLetter(k.second)) << p.pattern;
        EXPECT_EQ(Keyed(k), p.pattern);
        EXPECT_EQ(k.Frame(), (Bytes{kCmdMerge, k.first, k.second}));
    }
    EXPECT_EQ(ForCode(0xB4).first, 'K');  // KN as the operator reads it
    EXPECT_EQ(ForCode(0xB4).second, 'N');
    // Every pattern of up to six elements: its own letter or digit, or a merge that keys it. Of
    // seven, those that no two characters join to are refused (and dropped with a report).
    int merges = 0, refused = 0;
    for (int code = 1; code < 256; ++code) {
        unsigned char c = static_cast<unsigned char>(code);
        KeyerChar k = ForCode(c);
        if (c == 0x80) {
            EXPECT_EQ(k.first, ' ');
            continue;
        }
        if (k.kind == KeyerChar::None) {
            EXPECT_EQ(MorseElementCount(c), 7) << std::hex << code;
            ++refused;
            continue;
        }
        EXPECT_EQ(Keyed(k), MorsePatternOf(c)) << std::hex << code;
        merges += k.kind == KeyerChar::Merge;
    }
    EXPECT_GT(merges, 200);
    EXPECT_LT(refused, 32);
    EXPECT_EQ(ForCode(0).kind, KeyerChar::None);
    EXPECT_EQ(ForCode(0x60).kind, KeyerChar::Single);  // .- is A
    EXPECT_EQ(ForCode(0x04).first, '5');
}

TEST(WinKeyerProtocol, FramingAndParameterCounts) {
    EXPECT_EQ(Frame(kCmdSpeed, 30), (Bytes{0x02, 30}));
    EXPECT_EQ(Frame(kCmdPttTimes, 3, 2), (Bytes{0x04, 3, 2}));
    EXPECT_EQ(AdminFrame(kAdminEcho, 0x55), (Bytes{0x00, 0x04, 0x55}));
    EXPECT_EQ(CommandParamCount(kCmdLoadDefaults, 0), 15);
    EXPECT_EQ(CommandParamCount(kCmdPotSetup, 0), 3);
    EXPECT_EQ(CommandParamCount(kCmdMerge, 0), 2);
    EXPECT_EQ(CommandParamCount(kCmdBufferPointer, 0), 1);
    EXPECT_EQ(CommandParamCount(kCmdBufferPointer, 2), 2);
    EXPECT_EQ(CommandParamCount(kCmdClearBuffer, 0), 0);
    EXPECT_EQ(CommandParamCount(kCmdRequestStatus, 0), 0);
    EXPECT_EQ(CommandParamCount(kCmdDitDahRatio, 0), 1);
    EXPECT_EQ(AdminParamCount(kAdminHostOpen), 0);
    EXPECT_EQ(AdminParamCount(kAdminEcho), 1);
    EXPECT_EQ(AdminParamCount(kAdminLoadEeprom), 256);
    EXPECT_EQ(AdminParamCount(kAdminRttyRegisters), 2);
    EXPECT_EQ(Hex(Bytes{0x02, 0x1E}.data(), 2), "02 1E");
}

TEST(WinKeyerProtocol, DeviceBytesAreToldApartByTheirTopBits) {
    EXPECT_EQ(Classify(0xC0), ByteKind::Status);
    EXPECT_EQ(Classify(0xC6), ByteKind::Status);
    EXPECT_EQ(Classify(0x85), ByteKind::Pot);
    EXPECT_EQ(Classify('A'), ByteKind::Echo);
    EXPECT_EQ(Classify(31), ByteKind::Echo);  // a version byte
    Status s = DecodeStatus(0xC6);
    EXPECT_TRUE(s.busy && s.breakIn);
    EXPECT_FALSE(s.xoff || s.wait || s.keyDown);
    EXPECT_TRUE(DecodeStatus(0xC5).xoff);
    for (int b = 0xC0; b <= 0xDF; ++b) EXPECT_EQ(EncodeStatus(DecodeStatus(static_cast<unsigned char>(b))), b);
}
