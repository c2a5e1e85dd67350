// The side tone's samples: silence before the key, 5 ms raised-cosine edges placed so that the
// tone lasts as long as the element between its half-amplitude points, the pitch, and the
// WAV header.
#include "ToneSynth.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "WavAnalysis.h"

namespace {

TEST(ToneSynth, EdgesDurationsAndPitch) {
    ToneSynth synth(1000.0);  // sample 0 is at 1000 ms
    const double hz = 3906.0 / 6;
    synth.Key(1100, true, hz);
    synth.Key(1160, false, 0);
    synth.Key(1220, true, hz);
    synth.Key(1400, false, 0);
    synth.RenderUntil(1500);
    std::vector<int16_t> s;
    synth.TakePending(s);
    ASSERT_EQ(s.size(), 500u * ToneSynth::kRate / 1000);
    for (size_t i = 0; i < 100u * ToneSynth::kRate / 1000; ++i) ASSERT_EQ(s[i], 0) << i;
    // Nothing beyond the rendered time is held back, and nothing is left pending.
    std::vector<int16_t> rest;
    synth.TakePending(rest);
    EXPECT_TRUE(rest.empty());

    auto spans = FindTones(s, ToneSynth::kRate, hz, 0.6 * 32767);
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_NEAR(spans[0].offMs - spans[0].onMs, 60, 0.2);
    EXPECT_NEAR(spans[1].onMs - spans[0].offMs, 60, 0.2);
    EXPECT_NEAR(spans[1].offMs - spans[1].onMs, 180, 0.2);
    EXPECT_NEAR(spans[0].onMs, 100 + ToneSynth::kEdgeMs / 2, 0.2);
    EXPECT_NEAR(ToneFrequency(s, ToneSynth::kRate, 230, 390), hz, hz * 0.002);
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_NEAR(peak, 0.6 * 32767, 0.6 * 32767 * 0.01);
    // Side tone off: a key-down stays silent.
    ToneSynth quiet(0);
    quiet.Key(10, true, 0);
    quiet.RenderUntil(50);
    std::vector<int16_t> q;
    quiet.TakePending(q);
    for (int16_t v : q) ASSERT_EQ(v, 0);
}

TEST(ToneSynth, WavHeader) {
    uint8_t h[44];
    MakeWavHeader(h, 1000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 4), "RIFF");
    EXPECT_EQ(h[4] | h[5] << 8, 1036);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h + 8), 8), "WAVEfmt ");
    EXPECT_EQ(h[22], 1);                      // mono
    EXPECT_EQ(h[24] | h[25] << 8, 22050);     // rate
    EXPECT_EQ(h[34], 16);                     // bits
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h + 36), 4), "data");
    EXPECT_EQ(h[40] | h[41] << 8, 1000);
}

}  // namespace
