#include "WinKeyerDevice.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "MorseTable.h"

using namespace winkeyer;

namespace {

unsigned char Upper(unsigned char c) {
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// The character the keyer decodes a paddle pattern to: letters, digits and signs; '#' for a
// pattern it does not know (the kana among them).
unsigned char PaddleEchoChar(unsigned char code) {
    int i = MorseFindCode(code, 0);
    if (i < 0 || g_morseTable[i].ch == ' ' || !KeyerSendsChar(g_morseTable[i].ch)) return '#';
    return g_morseTable[i].ch;
}

}  // namespace

WinKeyerDevice::WinKeyerDevice(const Options& options, DeviceListener& listener)
    : m_options(options), m_listener(listener) {
    ApplyWeights();
    ApplyPtt();
    ApplyTone();
}

void WinKeyerDevice::Trace(double t, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    m_listener.OnTrace(t, text);
}

// --- the keyer core's events --------------------------------------------------------------------

void WinKeyerDevice::OnKey(double t, bool down, double toneHz) {
    m_listener.OnKey(t, down, toneHz);
    Trace(t, down ? "key on" : "key off");
}

void WinKeyerDevice::OnPtt(double t, bool on) {
    Trace(t, on ? "ptt on" : "ptt off");
}

void WinKeyerDevice::OnCharStart(double t, unsigned char byte) {
    Trace(t, "char %02X", byte);
}

void WinKeyerDevice::OnDrop(double t, unsigned char byte) {
    if (m_quietContext) return;
    Trace(t, "drop %02X", byte);
    if (!m_fed.empty()) m_fed.pop_front();
    m_skipReport = true;  // the report that follows ends nothing that was keyed
}

void WinKeyerDevice::OnReport(double t, int waiting, unsigned char paddleCode) {
    // The core reports every change of its count. One that went up took a character in; only
    // the others end something that was keyed.
    const bool takenIn = paddleCode == 0 && waiting > m_coreWaiting;
    m_coreWaiting = waiting;
    if (m_quietContext) return;
    if (takenIn) {
        UpdateStatus(t);
        return;
    }
    if (m_skipReport) {
        m_skipReport = false;
        UpdateStatus(t);
        return;
    }
    if (paddleCode != 0) {
        if (m_paddleChars > 0) --m_paddleChars;
        if (m_mode & kModePaddleEcho) {
            unsigned char c = PaddleEchoChar(paddleCode);
            Send(c, t);
            Trace(t, "echo %02X paddle", c);
        }
        // The paddle session ends a word space after its last character.
        if (m_paddleChars == 0) m_hangUntil = t + 7 * 1200.0 / KeyedWpm();
    } else if (!m_fed.empty()) {
        if (m_mode & kModeSerialEcho) {
            for (char c : m_fed.front()) {
                Send(static_cast<unsigned char>(c), t);
                Trace(t, "echo %02X", static_cast<unsigned char>(c));
            }
        }
        m_fed.pop_front();
    }
    UpdateStatus(t);
}

// --- host side -----------------------------------------------------------------------------------

void WinKeyerDevice::Send(unsigned char b, double) {
    m_out.push_back(b);
}

unsigned char WinKeyerDevice::StatusByte() const {
    Status s;
    int held = static_cast<int>(m_buffer.size()) + m_core.Busy();
    s.busy = held > 0 || m_paddleChars > 0 || m_breakIn;
    s.breakIn = m_breakIn;
    s.xoff = held * 3 > m_options.bufferSize * 2;
    return EncodeStatus(s);
}

void WinKeyerDevice::UpdateStatus(double t, bool force) {
    if (!m_open) return;
    unsigned char s = StatusByte();
    if (s == m_lastStatus && !force) return;
    m_lastStatus = s;
    Send(s, t);
    Trace(t, "status %02X", s);
}

WinKeyerDevice::Bytes WinKeyerDevice::TakeOutput() {
    Bytes out;
    out.swap(m_out);
    return out;
}

void WinKeyerDevice::FromHost(const unsigned char* data, std::size_t n, double now) {
    Advance(now);
    for (std::size_t i = 0; i < n; ++i) HostByte(data[i], now);
    Feed(now);
    UpdateStatus(now);
}

void WinKeyerDevice::HostByte(unsigned char b, double now) {
    if (m_command >= 0) {
        m_params.push_back(b);
        if (!m_commandIsAdmin && m_command == kCmdBufferPointer && m_params.size() == 1) {
            m_need = CommandParamCount(kCmdBufferPointer, b);
        }
        if (static_cast<int>(m_params.size()) >= m_need) {
            unsigned char cmd = static_cast<unsigned char>(m_command);
            m_command = -1;
            if (m_commandIsAdmin) {
                Admin(cmd, m_params, now);
            } else {
                Execute(cmd, m_params, now);
            }
        }
        return;
    }
    m_params.clear();
    if (m_inAdmin) {
        m_inAdmin = false;
        m_commandIsAdmin = true;
        m_need = AdminParamCount(b);
        if (m_need == 0) {
            Admin(b, m_params, now);
        } else {
            m_command = b;
        }
        return;
    }
    if (b == kAdmin) {
        m_inAdmin = true;
        return;
    }
    if (!m_open) return;  // closed: only admin commands count
    if (b <= 0x1F) {
        m_commandIsAdmin = false;
        m_need = CommandParamCount(b, 0);
        if (b == kCmdBufferPointer) m_need = 1;
        if (m_need == 0) {
            Execute(b, m_params, now);
        } else {
            m_command = b;
        }
        return;
    }
    unsigned char c = Upper(b);
    if (c == '|') return;  // half-dit space: nothing to key here
    if (!KeyerSendsChar(c)) {
        Trace(now, "skip %02X", c);  // the keyer skips what it does not know
        return;
    }
    Trace(now, "text %02X", c);
    Buffer(BufferItem{BufferItem::Char, c, 0}, now);
}

void WinKeyerDevice::Admin(unsigned char cmd, const Bytes& p, double now) {
    switch (cmd) {
    case kAdminHostOpen:
        m_open = true;
        m_wk3Mode = false;
        m_lastStatus = EncodeStatus(Status{});  // the host takes the keyer as idle; no status follows
        Trace(now, "open %d", m_options.version);
        Send(static_cast<unsigned char>(m_options.version), now);
        ApplyTone();
        break;
    case kAdminHostClose:
        Trace(now, "close");
        ClearAll(now);
        m_open = false;
        break;
    case kAdminReset:
        Trace(now, "reset");
        ClearAll(now);
        m_open = false;
        break;
    case kAdminEcho:
        Trace(now, "echo-test %02X", p[0]);
        Send(p[0], now);
        break;
    case kAdminWk3Mode:
        m_wk3Mode = true;
        Trace(now, "wk3-mode");
        ApplyTone();
        break;
    case kAdminWk2Mode:
        Trace(now, "wk2-mode");
        if (m_open) Send(0xC8, now);
        break;
    case kAdminGetCal:
        Send(static_cast<unsigned char>(m_options.version), now);
        break;
    case kAdminPaddleAd:
    case kAdminSpeedAd:
    case kAdminFirmwareMinor:
    case kAdminIcType:
        Send(0, now);
        break;
    case kAdminReadVcc:
        Send(0x80, now);
        break;
    default:
        Trace(now, "admin %02X", cmd);
        break;
    }
}

void WinKeyerDevice::Execute(unsigned char cmd, const Bytes& p, double now) {
    switch (cmd) {
    case kCmdSidetone:
        m_sidetone = p[0];
        ApplyTone();
        Trace(now, "sidetone %d", p[0]);
        break;
    case kCmdSpeed:
        SetSpeed(p[0]);
        ApplyPtt();
        Trace(now, "speed %d", p[0]);
        break;
    case kCmdWeighting:
        m_weighting = p[0];
        ApplyWeights();
        Trace(now, "weighting %d", p[0]);
        break;
    case kCmdPttTimes:
        m_lead = p[0];
        m_tail = p[1];
        ApplyPtt();
        Trace(now, "ptt-times %d %d", p[0], p[1]);
        break;
    case kCmdPotSetup:
        m_minWpm = p[0];
        Trace(now, "pot-setup %d %d %d", p[0], p[1], p[2]);
        break;
    case kCmdPause:
        m_paused = p[0] != 0;
        Trace(now, "pause %d", p[0]);
        break;
    case kCmdGetPot:
        Send(static_cast<unsigned char>(0x80 | ((m_potWpm - m_minWpm) & 0x3F)), now);
        break;
    case kCmdBackspace:
        if (!m_buffer.empty()) m_buffer.pop_back();
        Trace(now, "backspace");
        break;
    case kCmdPinConfig:
        m_pins = p[0];
        ApplyPtt();
        ApplyTone();
        Trace(now, "pins %02X", p[0]);
        break;
    case kCmdClearBuffer:
        Trace(now, "clear");
        ClearAll(now);
        break;
    case kCmdMode:
        SetMode(p[0]);
        Trace(now, "mode %02X", p[0]);
        break;
    case kCmdLoadDefaults:
        SetMode(p[0]);
        SetSpeed(p[1]);
        m_sidetone = p[2];
        m_weighting = p[3];
        m_lead = p[4];
        m_tail = p[5];
        m_minWpm = p[6];
        m_ratio = p[12];
        m_pins = p[13];
        ApplyWeights();
        ApplyPtt();
        ApplyTone();
        Trace(now, "load-defaults");
        break;
    case kCmdRequestStatus:
        UpdateStatus(now, true);
        break;
    case kCmdNull:
        break;
    case kCmdDitDahRatio:
        m_ratio = p[0];
        ApplyWeights();
        Trace(now, "ratio %d", p[0]);
        break;
    case kCmdBufferedPtt:
        Trace(now, "buffered-ptt %d", p[0]);
        Buffer(BufferItem{BufferItem::Ptt, p[0], 0}, now);
        break;
    case kCmdMerge:
        Trace(now, "merge %02X %02X", Upper(p[0]), Upper(p[1]));
        Buffer(BufferItem{BufferItem::Merge, Upper(p[0]), Upper(p[1])}, now);
        break;
    case kCmdBufferedKey:
    case kCmdBufferedWait:
    case kCmdBufferedSpeed:
    case kCmdBufferedHscw:
    case kCmdCancelBufferedSpeed:
    case kCmdBufferedNop:
        Trace(now, "buffered %02X", cmd);
        Buffer(BufferItem{BufferItem::Other, cmd, 0}, now);
        break;
    default:
        Trace(now, "command %02X%s", cmd, p.empty() ? "" : (" " + Hex(p.data(), p.size())).c_str());
        break;
    }
}

void WinKeyerDevice::Buffer(const BufferItem& item, double now) {
    if (m_breakIn) {
        Trace(now, "discard");  // the paddle has the keyer
        return;
    }
    if (static_cast<int>(m_buffer.size()) + m_core.Busy() >= m_options.bufferSize) {
        Trace(now, "overflow");
        return;
    }
    m_buffer.push_back(item);
}

void WinKeyerDevice::Feed(double now) {
    // The core holds the character being keyed and the next one, so the next starts on time.
    while (!m_paused && !m_buffer.empty() && m_core.Busy() < 2) {
        BufferItem item = m_buffer.front();
        m_buffer.pop_front();
        switch (item.kind) {
        case BufferItem::Char:
            m_fed.push_back(std::string(1, static_cast<char>(item.a)));
            m_core.PutChar(item.a, now, *this);
            break;
        case BufferItem::Merge: {
            unsigned char code =
                MorseCodeFromPattern(MorsePatternOf(MorseCodeForChar(item.a)) + MorsePatternOf(MorseCodeForChar(item.b)));
            if (code == 0) {
                Trace(now, "skip merge");
                break;
            }
            m_fed.push_back(std::string{static_cast<char>(item.a), static_cast<char>(item.b)});
            m_core.PutCode(code, now, *this);
            break;
        }
        case BufferItem::Ptt:
            m_core.HoldPtt(item.a != 0, now, *this);
            break;
        case BufferItem::Other:
            break;
        }
    }
}

void WinKeyerDevice::ClearAll(double now) {
    m_buffer.clear();
    m_fed.clear();
    m_paused = false;
    m_quietContext = true;
    m_core.Cancel(now, *this);
    m_quietContext = false;
    UpdateStatus(now);
}

void WinKeyerDevice::SetSpeed(unsigned char wpm) {
    m_speed = wpm == 0 ? m_potWpm : wpm;
    m_core.SetWpm(KeyedWpm());
}

void WinKeyerDevice::SetMode(unsigned char mode) {
    m_mode = mode;
    m_core.SetReverse((mode & kModeSwapPaddles) != 0);
}

void WinKeyerDevice::ApplyPtt() {
    if (m_pins & kPinPtt) {
        // The keyer holds PTT three dits past the last element before its tail begins.
        m_core.SetPtt(m_lead * 10, static_cast<int>(PttHangMs(m_tail, KeyedWpm()) + 0.5));
    } else {
        m_core.SetPtt(0, 0);
    }
}

void WinKeyerDevice::ApplyTone() {
    int n = 0;
    if (m_pins & kPinSidetone) n = NearestToneIndex(SideTonePitch(m_sidetone, m_wk3Mode));
    m_core.SetSideTone(n);
}

void WinKeyerDevice::ApplyWeights() {
    int dot = 2, dash = 6;
    WeightsToHalves(m_weighting, m_ratio, &dot, &dash);
    m_core.SetWeight(std::min(dot, 30), std::min(dash, 30));
}

// --- paddle ---------------------------------------------------------------------------------------

bool WinKeyerDevice::Paddle(const std::vector<unsigned char>& codes, double now) {
    if (codes.empty()) return false;
    for (unsigned char c : codes) {
        if (c == 0) return false;
    }
    Advance(now);
    // The paddle has priority: host text is thrown away, the character being keyed cut short.
    m_buffer.clear();
    m_fed.clear();
    m_breakIn = true;
    m_hangUntil = KeyerCore::kNever;
    m_quietContext = true;
    for (unsigned char c : codes) {
        Trace(now, "paddle %02X", c);
        m_core.Paddle(c, now, *this);
    }
    m_quietContext = false;
    m_paddleChars += static_cast<int>(codes.size());
    UpdateStatus(now);
    return true;
}

bool WinKeyerDevice::PaddleText(const std::string& text, double now) {
    std::vector<unsigned char> codes;
    for (unsigned char c : text) codes.push_back(MorseCodeForChar(c));
    return Paddle(codes, now);
}

bool WinKeyerDevice::PaddleContacts(const std::string& groups, double now) {
    std::vector<unsigned char> codes;
    std::size_t i = 0;
    while (i < groups.size()) {
        if (groups[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t j = groups.find(' ', i);
        if (j == std::string::npos) j = groups.size();
        codes.push_back(m_core.PaddleContacts(groups.c_str() + i, static_cast<int>(j - i)));
        i = j;
    }
    return Paddle(codes, now);
}

// --- time ------------------------------------------------------------------------------------------

void WinKeyerDevice::Advance(double now) {
    for (;;) {
        m_core.Advance(now, *this);
        if (m_paddleChars == 0 && m_hangUntil <= now && m_breakIn) {
            double t = m_hangUntil;
            m_hangUntil = KeyerCore::kNever;
            if (m_mode & kModePaddleEcho) {
                Send(' ', t);
                Trace(t, "echo 20 paddle");
            }
            m_breakIn = false;
            UpdateStatus(t);
        }
        std::size_t before = m_buffer.size();
        Feed(now);
        if (m_buffer.size() == before) break;
    }
    UpdateStatus(now);
}

double WinKeyerDevice::NextDue() const {
    double due = m_core.NextDue();
    if (m_paddleChars == 0 && m_breakIn) due = std::min(due, m_hangUntil);
    return due;
}
