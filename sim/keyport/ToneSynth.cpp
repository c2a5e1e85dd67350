#include "ToneSynth.h"

#include <algorithm>
#include <cmath>

namespace {
const double kPi = 3.14159265358979323846;
}

ToneSynth::ToneSynth(double originMs, double amplitude) : m_origin(originMs), m_amplitude(amplitude) {}

double ToneSynth::LevelAt(double t) const {
    double x = std::min(1.0, std::max(0.0, (t - m_edgeStart) / kEdgeMs));
    return m_fromLevel + (m_target - m_fromLevel) * (1 - std::cos(kPi * x)) / 2;
}

void ToneSynth::RenderUntil(double t) {
    for (; SampleTime(m_next) < t; ++m_next) {
        double level = LevelAt(SampleTime(m_next));
        double v = level > 0 ? m_amplitude * level * std::sin(m_phase) : 0.0;
        m_pending.push_back(static_cast<int16_t>(std::lround(v * 32767)));
        m_phase += 2 * kPi * m_hz / kRate;
        if (m_phase > 2 * kPi) m_phase -= 2 * kPi;
    }
}

void ToneSynth::Key(double t, bool down, double hz) {
    RenderUntil(t);
    double level = LevelAt(t);
    if (down && hz > 0) {
        if (level <= 0) m_phase = 0;  // start each tone from a zero crossing
        m_hz = hz;
    }
    m_fromLevel = level;
    m_edgeStart = t;
    m_target = down && hz > 0 ? 1.0 : 0.0;
}

void ToneSynth::TakePending(std::vector<int16_t>& out) {
    out.insert(out.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
}

void MakeWavHeader(uint8_t h[44], uint32_t dataBytes) {
    auto put32 = [h](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) h[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    auto put16 = [h](int at, unsigned v) {
        h[at] = static_cast<uint8_t>(v);
        h[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    const char* tags[] = {"RIFF", "WAVE", "fmt ", "data"};
    const int at[] = {0, 8, 12, 36};
    for (int k = 0; k < 4; ++k) std::copy(tags[k], tags[k] + 4, h + at[k]);
    put32(4, 36 + dataBytes);
    put32(16, 16);                    // fmt chunk size
    put16(20, 1);                     // PCM
    put16(22, 1);                     // mono
    put32(24, ToneSynth::kRate);
    put32(28, ToneSynth::kRate * 2);  // bytes per second
    put16(32, 2);                     // block align
    put16(34, 16);                    // bits per sample
    put32(40, dataBytes);
}
