// Measures a side-tone recording from its samples: where the tone is on (between the
// half-amplitude points of its envelope) and its frequency (from zero crossings). Shared by the
// native synthesis test and the test of the emulator's WAV file.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

struct ToneSpan {
    double onMs;   // rising half-amplitude point
    double offMs;  // falling half-amplitude point
};

// Envelope by quadrature demodulation at `hz`, averaged over one period centred on each sample.
inline std::vector<double> Envelope(const std::vector<int16_t>& s, int rate, double hz) {
    const double pi = 3.14159265358979323846;
    size_t n = s.size();
    std::vector<double> i(n), q(n);
    for (size_t k = 0; k < n; ++k) {
        double a = 2 * pi * hz * static_cast<double>(k) / rate;
        i[k] = s[k] * std::cos(a);
        q[k] = s[k] * std::sin(a);
    }
    long w = std::lround(rate / hz);
    std::vector<double> ci(n + 1, 0), cq(n + 1, 0);
    for (size_t k = 0; k < n; ++k) {
        ci[k + 1] = ci[k] + i[k];
        cq[k + 1] = cq[k] + q[k];
    }
    std::vector<double> env(n, 0);
    for (size_t k = 0; k < n; ++k) {
        long lo = static_cast<long>(k) - w / 2, hi = lo + w;
        if (lo < 0) lo = 0;
        if (hi > static_cast<long>(n)) hi = static_cast<long>(n);
        double len = static_cast<double>(hi - lo);
        double mi = (ci[hi] - ci[lo]) / len, mq = (cq[hi] - cq[lo]) / len;
        env[k] = 2 * std::sqrt(mi * mi + mq * mq);
    }
    return env;
}

// The spans where the envelope is above half of `fullAmplitude`, with crossings interpolated
// between samples; times in ms from the first sample.
inline std::vector<ToneSpan> FindTones(const std::vector<int16_t>& s, int rate, double hz, double fullAmplitude) {
    std::vector<double> env = Envelope(s, rate, hz);
    double half = fullAmplitude / 2;
    std::vector<ToneSpan> spans;
    bool on = false;
    for (size_t k = 1; k < env.size(); ++k) {
        bool above = env[k] >= half;
        if (above == on) continue;
        double frac = (half - env[k - 1]) / (env[k] - env[k - 1]);
        double t = (static_cast<double>(k - 1) + frac) * 1000.0 / rate;
        if (above) {
            spans.push_back(ToneSpan{t, -1});
        } else {
            spans.back().offMs = t;
        }
        on = above;
    }
    return spans;
}

// Frequency from the rising zero crossings between two times (ms).
inline double ToneFrequency(const std::vector<int16_t>& s, int rate, double fromMs, double toMs) {
    size_t a = static_cast<size_t>(fromMs * rate / 1000), b = static_cast<size_t>(toMs * rate / 1000);
    if (b > s.size()) b = s.size();
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t k = a + 1; k < b; ++k) {
        if (s[k - 1] < 0 && s[k] >= 0) {
            double t = static_cast<double>(k - 1) + static_cast<double>(-s[k - 1]) / (s[k] - s[k - 1]);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(rate) / (last - first);
}
