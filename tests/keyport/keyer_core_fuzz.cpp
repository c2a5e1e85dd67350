// Drives the keyer with arbitrary commands at arbitrary times and checks what must always hold:
// events in time order, key-down and key-up alternating, a buffer within its limit, reports with
// sensible counts, and nothing due in the past.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "KeyerCore.h"

// Names the broken rule before stopping, so a crash report says what went wrong.
#define CHECK(condition)                                                      \
    do {                                                                      \
        if (!(condition)) {                                                   \
            std::fprintf(stderr, "keyer rule broken: %s\n", #condition);      \
            std::abort();                                                     \
        }                                                                     \
    } while (0)

namespace {

class Checker : public KeyerSink {
public:
    double last = -1e300;
    bool down = false;
    void At(double t) {
        CHECK(t >= last);
        last = t;
    }
    void OnKey(double t, bool d, double hz) override {
        At(t);
        CHECK(d != down && hz >= 0);
        down = d;
    }
    void OnPtt(double t, bool) override { At(t); }
    void OnCharStart(double t, unsigned char) override { At(t); }
    void OnDrop(double t, unsigned char) override { At(t); }
    void OnReport(double t, int waiting, unsigned char) override {
        At(t);
        CHECK(waiting >= 0 && waiting <= KeyerCore::kCapacity);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KeyerCore k;
    Checker c;
    double now = 0;
    for (size_t i = 0; i + 1 < size; i += 2) {
        uint8_t op = data[i], arg = data[i + 1];
        switch (op % 10) {
        case 0: k.PutChar(arg, now, c); break;
        case 1: k.PutCode(arg, now, c); break;
        case 2: k.Cancel(now, c); break;
        case 3: k.Paddle(arg, now, c); break;
        case 4: k.SetWpm(arg % 60); break;
        case 5: k.SetWeight(arg % 16, arg / 16 * 3); break;
        case 6: k.SetPtt(arg, op); break;
        case 7: k.HoldPtt(arg & 1, now, c); break;
        case 8: k.SetSideTone(arg % 16); k.SetReverse(arg & 16); break;
        default: {
            // Time passes: either to the next due moment, as the keying thread wakes, or late.
            double due = k.NextDue();
            CHECK(due >= c.last);
            now += (arg & 1) && due != KeyerCore::kNever && due > now ? due - now : arg * 3.7;
            k.Advance(now, c);
            // Whatever was due by now has happened.
            CHECK(k.NextDue() == KeyerCore::kNever || k.NextDue() >= now);
        }
        }
        CHECK(k.Busy() >= 0 && k.Busy() <= KeyerCore::kCapacity);
    }
    // Left alone, the keyer finishes everything and lets PTT go.
    k.HoldPtt(false, now, c);
    for (int guard = 0; guard < 10000 && k.NextDue() != KeyerCore::kNever; ++guard) k.Advance(k.NextDue(), c);
    CHECK(k.Busy() == 0);
    CHECK(!k.PttOn());
    CHECK(!c.down);
    return 0;
}
