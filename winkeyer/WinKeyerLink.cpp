#include "WinKeyerLink.h"

#include <algorithm>

#include "LeadByte.h"
#include "MorseTable.h"

namespace winkeyer {
namespace {

constexpr unsigned char kModeBase = kModePaddleEcho | kModeSerialEcho;  // iambic B, both echoes

}  // namespace

WinKeyerLink::WinKeyerLink(int version) : m_wk3(version >= kFirstWk3Version) {
    SendSettings();
}

void WinKeyerLink::SendSettings() {
    // The WK3 mode fixes the meaning of the sidetone byte; Host Open left the WK1 status mode.
    if (m_wk3) Command(AdminFrame(kAdminWk3Mode));
    Command(Frame(kCmdMode, ModeByte()));
    Command(Frame(kCmdPinConfig, PinConfig()));
    Command(Frame(kCmdSpeed, static_cast<unsigned char>(m_wpm)));
    Command(Frame(kCmdWeighting, static_cast<unsigned char>(m_weighting)));
    Command(Frame(kCmdDitDahRatio, static_cast<unsigned char>(m_ratio)));
    Command(Frame(kCmdFarnsworth, 0));
    Command(Frame(kCmdKeyCompensation, 0));
    Command(Frame(kCmdFirstExtension, 0));
    SendPtt();
    // With the side tone off its pin is off; the pitch waits for the next side tone set.
    Command(Frame(kCmdSidetone, MapSideTone(m_tone != 0 ? m_tone : 8, m_wk3)));
}

Bytes WinKeyerLink::CloseBytes() {
    return Bytes{kCmdClearBuffer, kAdmin, kAdminHostClose};
}

void WinKeyerLink::Command(const Bytes& b) {
    if (m_lost) return;
    m_out.insert(m_out.end(), b.begin(), b.end());
}

unsigned char WinKeyerLink::ModeByte() const {
    return static_cast<unsigned char>(kModeBase | (m_reverse ? kModeSwapPaddles : 0));
}

unsigned char WinKeyerLink::PinConfig() const {
    unsigned char pins = kPinKeyOutputs;
    if (m_pttBefore != 0 || m_pttAfter != 0 || m_pttHeld) pins |= kPinPtt;
    if (m_tone != 0) pins |= kPinSidetone;
    return pins;
}

void WinKeyerLink::SendPtt() {
    KeyerPtt p = (m_pttBefore != 0 || m_pttAfter != 0) ? MapPtt(m_pttBefore, m_pttAfter, m_wpm) : KeyerPtt{0, 0};
    Command(Frame(kCmdPttTimes, static_cast<unsigned char>(p.lead), static_cast<unsigned char>(p.tail)));
}

bool WinKeyerLink::SetWpm(int wpm) {
    if (wpm < kMinWpm || wpm > kMaxWpm) return false;
    m_wpm = wpm;
    Command(Frame(kCmdSpeed, static_cast<unsigned char>(wpm)));
    // The keyer's PTT tail counts from three dits after the last element: follow the speed.
    if (m_pttBefore != 0 || m_pttAfter != 0) SendPtt();
    return true;
}

bool WinKeyerLink::SetWeight(int dotHalves, int dashHalves) {
    // A weight of 0 would key nothing: keep the last good values, as the emulator does.
    if (dotHalves < 1 || dotHalves > 30 || dashHalves < 1 || dashHalves > 30) return false;
    KeyerWeights w = MapWeights(dotHalves, dashHalves);
    m_weighting = w.weighting;
    m_ratio = w.ratio;
    Command(Frame(kCmdWeighting, static_cast<unsigned char>(m_weighting)));
    Command(Frame(kCmdDitDahRatio, static_cast<unsigned char>(m_ratio)));
    return true;
}

void WinKeyerLink::SetPtt(int beforeMs, int afterMs) {
    m_pttBefore = std::max(0, beforeMs);
    m_pttAfter = std::max(0, afterMs);
    Command(Frame(kCmdPinConfig, PinConfig()));
    SendPtt();
}

void WinKeyerLink::SetPaddleReverse(bool reverse) {
    m_reverse = reverse;
    Command(Frame(kCmdMode, ModeByte()));
}

bool WinKeyerLink::SetSideTone(int n) {
    if (n < 0 || n > 13) return false;
    m_tone = n;
    Command(Frame(kCmdPinConfig, PinConfig()));
    if (n != 0) Command(Frame(kCmdSidetone, MapSideTone(n, m_wk3)));
    return true;
}

// A character the keyer has no sign for, or one more than the queue holds, is dropped with its
// own report.
bool WinKeyerLink::HoldChar(const KeyerChar& k) {
    if (k.kind == KeyerChar::None || static_cast<int>(m_held.size()) >= kMaxHeld) {
        Drop();
        return false;
    }
    Item item;
    item.ch = k;
    m_held.push_back(item);
    Sync();
    return true;
}

void WinKeyerLink::Drop() {
    // Its own report, so that the program's streaming goes on; with the keyer away, the report
    // that makes the program drop the rest of its queue.
    m_reports.push_back(LinkReport{m_lost ? kBreakInReport : Waiting(), 0});
}

bool WinKeyerLink::PutChar(unsigned char ch) {
    if (m_lost) {
        m_leadPending = false;
        Drop();
        return false;
    }
    KeyerChar k;
    if (m_leadPending) {
        m_leadPending = false;  // the trail byte of a double-byte character
    } else if (tandem::text::IsCp932LeadByte(ch)) {
        m_leadPending = true;
    } else {
        k = ForChar(ch);
    }
    return HoldChar(k);
}

bool WinKeyerLink::PutCode(unsigned char code) {
    m_leadPending = false;
    if (m_lost) {
        Drop();
        return false;
    }
    KeyerChar k = ForCode(code);
    return HoldChar(k);
}

void WinKeyerLink::Cancel() {
    m_leadPending = false;
    if (m_lost) return;
    m_held.clear();
    m_inKeyer.clear();
    m_statusCheckAt = -1;
    Command(Frame(kCmdClearBuffer));
    Sync();
}

void WinKeyerLink::HoldPtt(bool on) {
    if (m_lost) {
        m_pttHeld = on;  // asserted again if the keyer comes back while it is held
        return;
    }
    bool wasEnabled = (PinConfig() & kPinPtt) != 0;
    m_pttHeld = on;
    // The PTT output must be enabled for the buffered PTT command to reach it.
    if (on && !wasEnabled) Command(Frame(kCmdPinConfig, PinConfig()));
    Item item;
    item.command = Frame(kCmdBufferedPtt, on ? 1 : 0);
    m_held.push_back(item);
    if (!on && wasEnabled != ((PinConfig() & kPinPtt) != 0)) {
        Item restore;
        restore.command = Frame(kCmdPinConfig, PinConfig());  // after the release, in order
        m_held.push_back(restore);
    }
}

int WinKeyerLink::Waiting() const {
    int n = static_cast<int>(m_inKeyer.size());
    for (const Item& i : m_held) n += i.ch.kind != KeyerChar::None ? 1 : 0;
    return n;
}

void WinKeyerLink::Sync() {
    int w = Waiting();
    if (w != m_lastReported) {
        m_reports.push_back(LinkReport{w, 0});
        m_lastReported = w;
    }
}

void WinKeyerLink::Retire(std::size_t count) {
    count = std::min(count, m_inKeyer.size());
    m_inKeyer.erase(m_inKeyer.begin(), m_inKeyer.begin() + static_cast<long>(count));
}

void WinKeyerLink::HostEcho(unsigned char b) {
    for (std::size_t k = 0; k < m_inKeyer.size(); ++k) {
        Item& item = m_inKeyer[k];
        const KeyerChar& c = item.ch;
        if (c.kind == KeyerChar::Single && c.first == b) {
            Retire(k + 1);
            return;
        }
        if (c.kind == KeyerChar::Merge) {
            if (b == c.second && (c.first != c.second || item.firstSeen)) {
                Retire(k + 1);
                return;
            }
            if (b == c.first) {
                Retire(k);
                m_inKeyer.front().firstSeen = true;
                return;
            }
        }
    }
    // Nothing of ours: the late echo of a character cut off by a clear.
}

void WinKeyerLink::PaddleEcho(unsigned char b) {
    if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 'a' + 'A');
    unsigned char code = 0;
    if (b == ' ') {
        code = 0x80;
    } else if (KeyerSendsChar(b)) {
        code = MorseCodeForChar(b);
    }
    // A pattern the keyer could not decode comes back as a sign of its own: nothing to report.
    if (code != 0) m_reports.push_back(LinkReport{Waiting(), code});
}

void WinKeyerLink::OnStatus(unsigned char b, double now) {
    if (b & kStatusPushButton) return;  // a push-button byte, or key-down in tune: not ours
    Status s = DecodeStatus(b);
    bool breakInStarts = s.breakIn && !m_status.breakIn;
    m_status = s;
    if (breakInStarts && Waiting() > 0) {
        // The keyer has thrown its buffer away: so does the bridge, and the program hears 15.
        m_held.clear();
        m_inKeyer.clear();
        m_statusCheckAt = -1;
        m_reports.push_back(LinkReport{kBreakInReport, 0});
        m_lastReported = 0;
        return;
    }
    if (!s.busy && !s.breakIn && !m_inKeyer.empty()) {
        if (now >= m_textLandsAt + kSettleMs) {
            m_inKeyer.clear();
        } else {
            // This status may be older than the last text: ask again once that has landed.
            m_statusCheckAt = m_textLandsAt + kSettleMs;
        }
    }
}

void WinKeyerLink::Received(const unsigned char* data, std::size_t n, double now) {
    if (m_lost) return;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char b = data[i];
        m_quietSince = now;
        m_probeSentAt = -1;
        switch (Classify(b)) {
        case ByteKind::Status:
            OnStatus(b, now);
            break;
        case ByteKind::Pot:
            break;  // the speed knob: the program sets the speed
        case ByteKind::Echo:
            if (m_status.breakIn) {
                PaddleEcho(b);
            } else {
                HostEcho(b);
            }
            break;
        }
    }
    Sync();
}

void WinKeyerLink::Tick(double now) {
    if (m_lost) return;
    if (m_statusCheckAt >= 0 && now >= m_statusCheckAt) {
        m_statusCheckAt = -1;
        if (!m_inKeyer.empty()) Command(Frame(kCmdRequestStatus));
    }
    if (m_probeSentAt >= 0) {
        if (now - m_probeSentAt >= kAnswerMs) SetLost();
        return;
    }
    bool expecting = !m_inKeyer.empty() || (!m_held.empty() && m_status.xoff);
    if (expecting && now - m_quietSince >= kQuietMs) {
        Command(Frame(kCmdRequestStatus));
        m_probeSentAt = now;
    }
}

double WinKeyerLink::NextCheck() const {
    if (m_lost) return -1;
    double next = -1;
    auto consider = [&](double t) {
        if (t >= 0 && (next < 0 || t < next)) next = t;
    };
    consider(m_statusCheckAt);
    if (m_probeSentAt >= 0) {
        consider(m_probeSentAt + kAnswerMs);
    } else if (!m_inKeyer.empty() || (!m_held.empty() && m_status.xoff)) {
        consider(m_quietSince + kQuietMs);
    }
    return next;
}

void WinKeyerLink::SetLost() {
    if (m_lost) return;
    m_lost = true;
    m_held.clear();
    m_inKeyer.clear();
    m_out.clear();
    m_reports.push_back(LinkReport{0, 0});
    m_lastReported = 0;
}

void WinKeyerLink::Reopened(int version) {
    m_wk3 = version >= kFirstWk3Version;
    m_lost = false;
    m_leadPending = false;
    m_held.clear();
    m_inKeyer.clear();
    m_out.clear();
    m_status = Status{};
    m_lastReported = 0;
    m_lineFreeAt = -1e300;
    m_textLandsAt = -1e300;
    m_quietSince = 0;
    m_probeSentAt = -1;
    m_statusCheckAt = -1;
    SendSettings();
    if (m_pttHeld) {
        Item hold;
        hold.command = Frame(kCmdBufferedPtt, 1);
        m_held.push_back(hold);
    }
}

Bytes WinKeyerLink::TakeOutput(double now) {
    Bytes out;
    out.swap(m_out);
    if (m_lost) return out;
    int bytesInKeyer = 0;
    for (const Item& i : m_inKeyer) bytesInKeyer += static_cast<int>(i.ch.Frame().size());
    bool text = false;
    while (!m_held.empty() && !m_status.xoff && !m_status.breakIn) {
        const Item& item = m_held.front();
        Bytes b = item.ch.kind != KeyerChar::None ? item.ch.Frame() : item.command;
        if (item.ch.kind != KeyerChar::None) {
            if (bytesInKeyer + static_cast<int>(b.size()) > kMaxBytesOut) break;
            bytesInKeyer += static_cast<int>(b.size());
            if (m_inKeyer.empty()) m_quietSince = now;
            m_inKeyer.push_back(item);
            text = true;
        }
        out.insert(out.end(), b.begin(), b.end());
        m_held.pop_front();
    }
    // The bytes reach the keyer one after another at the line's rate.
    if (!out.empty()) m_lineFreeAt = std::max(now, m_lineFreeAt) + kByteMs * static_cast<double>(out.size());
    if (text) m_textLandsAt = m_lineFreeAt;
    return out;
}

std::vector<LinkReport> WinKeyerLink::TakeReports() {
    std::vector<LinkReport> r;
    r.swap(m_reports);
    return r;
}

}  // namespace winkeyer
