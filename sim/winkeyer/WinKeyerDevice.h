// A WinKeyer as the host sees it on the serial line, for tests and for working without the
// device: the host interface (closed until Host Open), the command parser with each command's
// parameter count, the keyer's buffer with its XOFF mark, echoes of the characters after they
// are keyed, status bytes on every change, and the paddle with break-in. Keying itself is the
// keyer emulator's core, on the simulator's time line.
//
// Behaviour where the device's is uncertain, chosen here: a merged pair echoes both letters; a
// clear stops after the element being keyed; a paddle pattern the keyer cannot decode echoes
// as '#'; host text arriving during a paddle session is thrown away.
//
// Portable: no Windows headers; tested natively.
#pragma once

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "KeyerCore.h"
#include "WinKeyerProtocol.h"

// Where the device's events go: the key line for the side tone, and one trace line per event.
class DeviceListener {
public:
    virtual ~DeviceListener() = default;
    virtual void OnKey(double t, bool down, double toneHz) = 0;
    virtual void OnTrace(double t, const std::string& line) = 0;
};

class WinKeyerDevice : private KeyerSink {
public:
    struct Options {
        int version = 31;       // the answer to Host Open
        int bufferSize = 160;   // text and buffered commands
    };

    WinKeyerDevice(const Options& options, DeviceListener& listener);

    // Bytes from the host, received at `now`.
    void FromHost(const unsigned char* data, std::size_t n, double now);
    // Characters keyed on the paddle (letters, digits, signs, half-width kana). false when a
    // character has no pattern (nothing is keyed then).
    bool PaddleText(const std::string& text, double now);
    // Paddle contacts, one group per character: '.' dot paddle, '-' dash paddle (swapped when
    // the mode register says so). false for an invalid group.
    bool PaddleContacts(const std::string& groups, double now);

    // Performs what fell due by `now`.
    void Advance(double now);
    double NextDue() const;
    // Bytes for the host, in order.
    using Bytes = winkeyer::Bytes;
    Bytes TakeOutput();

    bool HostOpen() const { return m_open; }
    int Wpm() const { return m_speed; }
    unsigned char StatusByte() const;

private:
    struct BufferItem {
        enum Kind { Char, Merge, Ptt, Other } kind;
        unsigned char a = 0;
        unsigned char b = 0;
    };

    // KeyerSink
    void OnKey(double t, bool down, double toneHz) override;
    void OnPtt(double t, bool on) override;
    void OnCharStart(double t, unsigned char byte) override;
    void OnDrop(double t, unsigned char byte) override;
    void OnReport(double t, int waiting, unsigned char paddleCode) override;

#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))  // the trace lines' formats are checked at each call
#endif
    void Trace(double t, const char* format, ...);
    void HostByte(unsigned char b, double now);
    void Admin(unsigned char cmd, const winkeyer::Bytes& p, double now);
    void Execute(unsigned char cmd, const winkeyer::Bytes& p, double now);
    void Buffer(const BufferItem& item, double now);
    void Feed(double now);
    void ClearAll(double now);
    // The speed the host set, 0 for the speed pot's, and the speed the keyer keys at.
    void SetSpeed(unsigned char wpm);
    int KeyedWpm() const { return std::max(5, std::min(m_speed, 50)); }
    void SetMode(unsigned char mode);
    void ApplyPtt();
    void ApplyTone();
    void ApplyWeights();
    void UpdateStatus(double t, bool force = false);
    void Send(unsigned char b, double t);
    bool Paddle(const std::vector<unsigned char>& codes, double now);

    Options m_options;
    DeviceListener& m_listener;
    KeyerCore m_core;

    bool m_open = false;
    bool m_wk3Mode = false;
    // Command parser: the command (and admin prefix) and the parameters collected so far.
    bool m_inAdmin = false;
    bool m_commandIsAdmin = false;
    int m_command = -1;
    int m_need = 0;
    winkeyer::Bytes m_params;

    std::deque<BufferItem> m_buffer;
    // What each character handed to the core echoes when it ends (empty: nothing).
    std::deque<std::string> m_fed;
    bool m_paused = false;

    int m_speed = 20;
    int m_potWpm = 20;
    int m_minWpm = 5;
    int m_weighting = 50;
    int m_ratio = 50;
    int m_lead = 0;
    int m_tail = 0;
    unsigned char m_pins = winkeyer::kPinPtt | winkeyer::kPinSidetone | winkeyer::kPinKeyOutputs;
    unsigned char m_sidetone = 5;
    unsigned char m_mode = 0;

    int m_paddleChars = 0;          // paddle characters not yet keyed to the end
    double m_hangUntil = KeyerCore::kNever;  // end of the paddle session
    bool m_breakIn = false;
    int m_lastStatus = -1;

    bool m_quietContext = false;
    int m_coreWaiting = 0;      // the count of the core's last report
    bool m_skipReport = false;  // core reports during a clear or a break-in are not character ends
    winkeyer::Bytes m_out;
};
