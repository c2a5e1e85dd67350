// The host side of the WinKeyer link, without the port: what the bridge writes for each call of
// the keying interface, what it makes of each byte the keyer sends, and which keyer reports it
// owes the program. The bridge's I/O thread moves the bytes and posts the reports; everything
// here runs on the caller's clock (ms), so it is tested natively with a simulated one.
//
// Characters waiting: each character the program put that has not come back as the keyer's
// echo, whether it is still held here (keyer buffer above its XOFF mark, paddle session) or
// already in the keyer. The count is reported each time it changes. Echoes are matched in
// order; an echo that matches a later character also accounts for those before it (the keyer
// may not echo a space or both letters of a merge), and an idle status from the keyer, once the
// last text written must have arrived, accounts for all.
//
// A keyer that is lost (the port failed, or it stopped answering) keys nothing more: 0 is
// reported once, and each character put while it is away is dropped with the report 15, so that
// the program throws its own queue away instead of handing it over late. The settings the
// program makes meanwhile are kept; when the keyer is opened again, Reopened sends them all.
//
// Portable: no Windows headers.
#pragma once

#include <deque>
#include <vector>

#include "WinKeyerProtocol.h"

namespace winkeyer {

struct LinkReport {
    int waiting;             // lParam of the keyer report
    unsigned char paddleCode;  // wParam: Morse code byte of a paddle character, or 0
};

class WinKeyerLink {
public:
    static constexpr double kQuietMs = 1000;    // nothing heard while characters are out: ask for status
    static constexpr double kAnswerMs = 1500;   // no answer to that: the keyer is gone
    static constexpr double kSettleMs = 250;    // an idle status counts this long after the text has landed
    static constexpr double kByteMs = 1000.0 * 11 / kBaud;  // one byte on the line at 8N2
    static constexpr int kMaxHeld = 256;        // characters held here at most
    static constexpr int kMaxBytesOut = 80;     // text bytes in the keyer not yet echoed, at most
    static constexpr int kBreakInReport = 15;

    // `version`: the keyer's answer to Host Open. Queues the start-up settings.
    explicit WinKeyerLink(int version);

    // The keying interface's calls. false: the value was refused or the character dropped.
    // A setting made while the keyer is lost is kept for its return (true when in range).
    bool SetWpm(int wpm);
    bool SetWeight(int dotHalves, int dashHalves);
    void SetPtt(int beforeMs, int afterMs);
    void SetPaddleReverse(bool reverse);
    bool SetSideTone(int n);
    bool PutChar(unsigned char ch);
    bool PutCode(unsigned char code);
    void Cancel();
    void HoldPtt(bool on);
    // The bytes that end the session (Host Close), after clearing what is still queued.
    static Bytes CloseBytes();

    // Bytes from the keyer, received at `now`.
    void Received(const unsigned char* data, std::size_t n, double now);
    // Time passes: the status checks that keep the count honest and notice a silent keyer.
    void Tick(double now);
    // The port failed: nothing more is keyed, and 0 is reported.
    void SetLost();
    // The keyer answered Host Open again (`version`), fresh from power-up: everything of the
    // old session is forgotten and every setting the program made is queued once more.
    void Reopened(int version);

    // What to write now: commands at once, text unless the keyer said XOFF or the paddle has it.
    Bytes TakeOutput(double now);
    std::vector<LinkReport> TakeReports();

    int Waiting() const;
    bool Lost() const { return m_lost; }
    bool Wk3() const { return m_wk3; }
    const Status& LastStatus() const { return m_status; }
    // The next time Tick has something to do (negative: nothing).
    double NextCheck() const;

private:
    struct Item {
        KeyerChar ch;       // Single or Merge: a character the program counts; None: a buffered command
        Bytes command;      // the bytes of a buffered command
        bool firstSeen = false;  // a merge whose first letter has come back
    };

    void Command(const Bytes& b);
    bool HoldChar(const KeyerChar& k);
    void Drop();
    void Sync();
    void Retire(std::size_t count);
    void HostEcho(unsigned char b);
    void PaddleEcho(unsigned char b);
    void OnStatus(unsigned char b, double now);
    void SendSettings();
    unsigned char PinConfig() const;
    unsigned char ModeByte() const;
    void SendPtt();

    bool m_wk3;
    int m_wpm = 20;
    int m_weighting = 50;
    int m_ratio = 50;
    int m_pttBefore = 0;
    int m_pttAfter = 0;
    bool m_pttHeld = false;
    bool m_reverse = false;
    int m_tone = 8;
    bool m_leadPending = false;

    std::deque<Item> m_held;      // not yet written
    std::deque<Item> m_inKeyer;   // written, echo awaited (counted characters only)
    Bytes m_out;                  // commands to write at once
    Status m_status;
    bool m_lost = false;

    int m_lastReported = 0;
    std::vector<LinkReport> m_reports;

    double m_lineFreeAt = -1e300;    // when the last byte written has reached the keyer
    double m_textLandsAt = -1e300;   // when the last text written has reached it
    double m_quietSince = 0;          // last byte heard, or the first text out after silence
    double m_probeSentAt = -1;        // a status request for a silent keyer, unanswered
    double m_statusCheckAt = -1;      // ask again once the text has landed
};

}  // namespace winkeyer
