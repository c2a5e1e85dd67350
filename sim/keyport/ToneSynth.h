// The side tone as samples: a sine that rises and falls with 5 ms raised-cosine edges, on the
// emulator's time line (ms), for the WAV file and the live output alike. The key-up edge starts
// at the key-up time, so the tone measured between its half-amplitude points lasts exactly as
// long as the element.
//
// Portable: no Windows headers.
#pragma once

#include <cstdint>
#include <vector>

class ToneSynth {
public:
    static constexpr int kRate = 22050;
    static constexpr double kEdgeMs = 5.0;

    // `originMs`: the time of sample 0.
    explicit ToneSynth(double originMs, double amplitude = 0.6);

    // Renders up to `t`, then turns the tone on (at `hz`; 0 keeps it silent) or off.
    void Key(double t, bool down, double hz);
    // Renders every sample before `t` into the pending samples.
    void RenderUntil(double t);
    // Moves the pending samples to `out` (appended).
    void TakePending(std::vector<int16_t>& out);
    int64_t SamplesRendered() const { return m_next; }

private:
    double SampleTime(int64_t i) const { return m_origin + static_cast<double>(i) * 1000.0 / kRate; }
    double LevelAt(double t) const;

    double m_origin;
    double m_amplitude;
    int64_t m_next = 0;          // index of the next sample to render
    double m_edgeStart = -1e300;  // time of the last key change
    double m_fromLevel = 0;      // envelope at that change
    double m_target = 0;         // 1 while the tone is on
    double m_hz = 0;
    double m_phase = 0;
    std::vector<int16_t> m_pending;
};

// The 44-byte header of a 16-bit mono PCM WAV file at ToneSynth::kRate holding `dataBytes`.
void MakeWavHeader(uint8_t header[44], uint32_t dataBytes);
