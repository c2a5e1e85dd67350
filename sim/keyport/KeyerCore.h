// The keyer's behaviour on a time line of its own: the character buffer, Morse timing with
// weights, PTT lead and tail, cancel, paddle break-in and the reports. It owns no thread and no
// clock: the caller passes the time (ms on the emulator's time line) with every call and runs
// Advance() when NextDue() comes round. Everything it does is told to a KeyerSink with the
// scheduled time, so the times are exact whatever the caller's wake-up latency. Each command
// first performs what fell due before it, so the sink hears of everything in time order even
// when the keying thread is late.
//
// Portable: no Windows headers; tested natively with a simulated clock.
#pragma once

#include <cstddef>
#include <deque>
#include <limits>
#include <vector>

class KeyerSink {
public:
    virtual ~KeyerSink() = default;
    // Key line; toneHz is the side tone for a key-down (0 when the side tone is off).
    virtual void OnKey(double t, bool down, double toneHz) = 0;
    virtual void OnPtt(double t, bool on) = 0;
    // A character starts: `byte` as it entered the device (character or code byte).
    virtual void OnCharStart(double t, unsigned char byte) = 0;
    // A byte leaves without being keyed: no pattern, buffer full, cancel or break-in.
    virtual void OnDrop(double t, unsigned char byte) = 0;
    // A keyer report: characters still in the device, and the code byte of a paddle character.
    // Made on every change of the count: a character queued, keyed, dropped, cancelled.
    virtual void OnReport(double t, int waiting, unsigned char paddleCode) = 0;
};

class KeyerCore {
public:
    static constexpr int kCapacity = 64;       // characters the device holds
    static constexpr int kBreakInReport = 15;  // waiting count reported when the paddle breaks in
    static constexpr double kNever = std::numeric_limits<double>::infinity();

    KeyerCore();

    // Parameters; each applies from the next character on. false (and no change) for values
    // out of range: speed 5..50, weights 1..30 half dots, side tone 0..13.
    bool SetWpm(int wpm);
    bool SetWeight(int dotHalves, int dashHalves);
    void SetPtt(int beforeMs, int afterMs);  // 0 and 0: PTT is left alone
    void SetReverse(bool reverse) { m_reverse = reverse; }
    bool SetSideTone(int n);
    bool Reverse() const { return m_reverse; }

    // Queues one character byte. Bytes without a pattern (either byte of a double-byte
    // character included) are queued too and dropped without a gap when their turn comes, so
    // that they still get their report. false when the device is full (the byte is dropped).
    bool PutChar(unsigned char byte, double now, KeyerSink& sink);
    // Queues a Morse code byte as one character; 0 is a code without pattern.
    bool PutCode(unsigned char code, double now, KeyerSink& sink);
    // Empties the device and stops after the element being keyed; reports 0 when it had
    // something to stop. Returns whether it had.
    bool Cancel(double now, KeyerSink& sink);
    // One character from the operator's paddle (a code byte). If a message is being keyed the
    // paddle breaks in: the buffer is dropped, keying stops after the element, 15 is reported.
    // false for code 0.
    bool Paddle(unsigned char code, double now, KeyerSink& sink);
    // The code byte of one character pressed on the paddles as '.' (dot paddle) and '-'
    // (dash paddle); with paddle reverse the paddles swap. 0 for an empty or invalid group.
    unsigned char PaddleContacts(const char* contacts, int length) const;
    // PTT held on by the data byte 0xFD, released by 0xFF.
    void HoldPtt(bool on, double now, KeyerSink& sink);

    // Characters in the device: waiting, and the message character being keyed.
    int Busy() const;
    // The PTT line: on for a transmission (with its lead and tail) or while held.
    bool PttOn() const { return LineOn(); }
    // Performs everything due at or before `now`, in time order.
    void Advance(double now, KeyerSink& sink);
    // The time of the next thing to do, kNever when there is nothing.
    double NextDue() const;

private:
    struct Item {
        unsigned char byte;  // as it entered
        unsigned char code;  // pattern; 0 = none
        bool paddle;
        double arrival;
    };
    enum class StepKind { CharStart, KeyOn, KeyOff, End };
    struct Step {
        double t;
        StepKind kind;
    };
    struct Current {
        bool active = false;
        Item item{};
        std::vector<Step> steps;
        std::size_t next = 0;
        bool cancelled = false;
        bool keyDown = false;
        double toneHz = 0;
        double gapAfter = 0;
    };

    bool Enqueue(const Item& item, KeyerSink& sink);
    void StopCurrent(double now);
    void DropQueue(std::deque<Item>& queue, double now, KeyerSink& sink);
    bool MessageActive() const;
    bool LineOn() const { return m_txPtt || m_held; }
    void SetTxPtt(bool on, double t, KeyerSink& sink);
    void StartCharacter(const Item& item, double start, KeyerSink& sink);
    void Perform(const Step& step, KeyerSink& sink);
    const Item* NextItem() const;
    double ItemStart(const Item& item) const;
    void ScheduleTail(double atLeast);

    int m_wpm = 20;
    int m_dotHalves = 2;
    int m_dashHalves = 6;
    int m_pttBefore = 0;
    int m_pttAfter = 0;
    bool m_reverse = false;
    int m_sideTone = 8;  // 488 Hz until the host sets it

    std::deque<Item> m_queue;   // message characters
    std::deque<Item> m_paddle;  // paddle characters, keyed first
    Current m_cur;
    bool m_leadPending = false;  // the last byte put was the lead byte of a double-byte character
    double m_nextStart = -kNever;  // earliest start of the next character
    double m_lastEnd = -kNever;    // end of the last character
    double m_lastKeyOff = -kNever;
    double m_floor = -kNever;      // `now` of the last Advance: nothing is scheduled before it
    bool m_txPtt = false;          // PTT on for a transmission
    bool m_held = false;           // PTT held by the data byte
    double m_pttOffAt = kNever;
};
