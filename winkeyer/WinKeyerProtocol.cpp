#include "WinKeyerProtocol.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "MorseTable.h"

namespace winkeyer {
namespace {

int Clamp(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

int RoundHalfUp(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

double DitMs(int wpm) {
    return 1200.0 / std::max(wpm, 1);
}

// Distance between two pitches as the ear hears it: the ratio, whichever is higher.
double PitchDistance(double a, double b) {
    return std::fabs(std::log(a / b));
}

constexpr char kPunctuation[] = ".,?/=+-:'\"()@";

// The character of the keyer's repertoire whose pattern is `pattern`: letters only, or letters,
// digits and punctuation. 0 when there is none.
unsigned char CharOfPattern(const std::string& pattern, bool lettersOnly) {
    unsigned char code = MorseCodeFromPattern(pattern);
    if (code == 0 || code == 0x80) return 0;
    for (int i = 0; i < kMorseTableEntries; ++i) {
        unsigned char c = g_morseTable[i].ch;
        if (g_morseTable[i].code != code) continue;
        bool letter = c >= 'A' && c <= 'Z';
        if (letter || (!lettersOnly && c != ' ' && KeyerSendsChar(c))) return c;
    }
    return 0;
}

}  // namespace

int AdminParamCount(unsigned char admin) {
    switch (admin) {
    case kAdminCalibrate:
    case kAdminEcho:
    case kAdminSendMessage:
    case kAdminLoadX1Mode:
    case kAdminLoadX2Mode:
    case kAdminSidetoneVolume:
        return 1;
    case kAdminRttyRegisters:
        return 2;
    case kAdminLoadEeprom:
        return 256;
    default:
        return 0;
    }
}

int CommandParamCount(unsigned char command, unsigned char first) {
    switch (command) {
    case kCmdPttTimes:
    case kCmdMerge:
        return 2;
    case kCmdPotSetup:
        return 3;
    case kCmdGetPot:
    case kCmdBackspace:
    case kCmdClearBuffer:
    case kCmdNull:
    case kCmdRequestStatus:
    case kCmdCancelBufferedSpeed:
    case kCmdBufferedNop:
        return 0;
    case kCmdLoadDefaults:
        return kLoadDefaultsBytes;
    case kCmdBufferPointer:
        return first == 0 ? 1 : 2;
    default:
        return command >= 0x01 && command <= 0x1F ? 1 : 0;
    }
}

ByteKind Classify(unsigned char b) {
    if ((b & 0xC0) == 0xC0) return ByteKind::Status;
    if ((b & 0xC0) == 0x80) return ByteKind::Pot;
    return ByteKind::Echo;
}

Status DecodeStatus(unsigned char b) {
    Status s;
    s.wait = (b & 0x10) != 0;
    s.keyDown = (b & 0x08) != 0;
    s.busy = (b & 0x04) != 0;
    s.breakIn = (b & 0x02) != 0;
    s.xoff = (b & 0x01) != 0;
    return s;
}

unsigned char EncodeStatus(const Status& s) {
    return static_cast<unsigned char>(kStatusTag | (s.wait ? 0x10 : 0) | (s.keyDown ? 0x08 : 0) | (s.busy ? 0x04 : 0) |
                                      (s.breakIn ? 0x02 : 0) | (s.xoff ? 0x01 : 0));
}

double KeyedDotLength(int weighting) {
    return weighting / 50.0;
}

double KeyedDashLength(int weighting, int ratio) {
    return 3.0 * ratio / 50.0 + (weighting - 50) / 50.0;
}

KeyerWeights MapWeights(int dotHalves, int dashHalves) {
    KeyerWeights w;
    // The dit lasts weighting/50 dots, so half units map onto steps of 25.
    w.weighting = Clamp(25 * dotHalves, 10, 90);
    // The dah's unweighted length gets the same addition as the dit: solve for the ratio.
    w.ratio = Clamp(RoundHalfUp((25.0 * dashHalves - w.weighting + 50) / 3.0), 33, 66);
    return w;
}

void WeightsToHalves(int weighting, int ratio, int* dotHalves, int* dashHalves) {
    *dotHalves = std::max(1, RoundHalfUp(2 * KeyedDotLength(weighting)));
    *dashHalves = std::max(1, RoundHalfUp(2 * KeyedDashLength(weighting, ratio)));
}

KeyerPtt MapPtt(int beforeMs, int afterMs, int wpm) {
    KeyerPtt p;
    p.lead = Clamp(RoundHalfUp(beforeMs / 10.0), 0, 250);
    p.tail = Clamp(RoundHalfUp((afterMs - 3 * DitMs(wpm)) / 10.0), 0, 250);
    return p;
}

double PttHangMs(int tail, int wpm) {
    return 3 * DitMs(wpm) + 10.0 * tail;
}

unsigned char MapSideTone(int n, bool wk3) {
    if (n < 1 || n > 13) return 0;
    const double hz = 3906.0 / n;
    if (wk3) return static_cast<unsigned char>(Clamp(RoundHalfUp(62500.0 / hz), 16, 125));
    int best = 1;
    for (int k = 2; k <= 10; ++k) {
        if (PitchDistance(4000.0 / k, hz) < PitchDistance(4000.0 / best, hz)) best = k;
    }
    return static_cast<unsigned char>(best);
}

double SideTonePitch(unsigned char value, bool wk3) {
    if (wk3) return value == 0 ? 0.0 : 62500.0 / value;
    int n = value & 0x0F;
    return n == 0 ? 0.0 : 4000.0 / n;
}

int NearestToneIndex(double hz) {
    if (hz <= 0) return 0;
    int best = 1;
    for (int n = 2; n <= 13; ++n) {
        if (PitchDistance(3906.0 / n, hz) < PitchDistance(3906.0 / best, hz)) best = n;
    }
    return best;
}

bool KeyerSendsChar(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return true;
    return c != 0 && std::strchr(kPunctuation, c) != nullptr;
}

Bytes KeyerChar::Frame() const {
    switch (kind) {
    case Single:
        return Bytes{first};
    case Merge:
        return Bytes{kCmdMerge, first, second};
    default:
        return Bytes{};
    }
}

KeyerChar ForCode(unsigned char code) {
    KeyerChar k;
    if (code == 0) return k;
    if (code == 0x80) {
        k.kind = KeyerChar::Single;
        k.first = ' ';
        return k;
    }
    for (int i = 0; i < kMorseTableEntries; ++i) {
        unsigned char c = g_morseTable[i].ch;
        bool alnum = (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum && g_morseTable[i].code == code) {
            k.kind = KeyerChar::Single;
            k.first = c;
            return k;
        }
    }
    const std::string pattern = MorsePatternOf(code);
    const int n = static_cast<int>(pattern.size());
    // Split points from the middle outwards, the longer half first; two letters where any split
    // allows it, else a letter, digit or sign on either side.
    std::vector<int> splits;
    for (int s = 1; s < n; ++s) splits.push_back(s);
    std::stable_sort(splits.begin(), splits.end(), [n](int a, int b) {
        int da = std::abs(2 * a - n), db = std::abs(2 * b - n);
        return da != db ? da < db : a > b;
    });
    for (bool lettersOnly : {true, false}) {
        for (int s : splits) {
            unsigned char c1 = CharOfPattern(pattern.substr(0, s), lettersOnly);
            unsigned char c2 = CharOfPattern(pattern.substr(s), lettersOnly);
            if (c1 != 0 && c2 != 0) {
                k.kind = KeyerChar::Merge;
                k.first = c1;
                k.second = c2;
                return k;
            }
        }
    }
    return k;
}

KeyerChar ForChar(unsigned char ch) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<unsigned char>(ch - 'a' + 'A');
    if (KeyerSendsChar(ch)) {
        KeyerChar k;
        k.kind = KeyerChar::Single;
        k.first = ch;
        return k;
    }
    if (ch >= 0xA1 && ch <= 0xDF) return ForCode(MorseCodeForChar(ch));
    return KeyerChar{};
}

Bytes Frame(unsigned char command) {
    return Bytes{command};
}
Bytes Frame(unsigned char command, unsigned char p1) {
    return Bytes{command, p1};
}
Bytes Frame(unsigned char command, unsigned char p1, unsigned char p2) {
    return Bytes{command, p1, p2};
}
Bytes AdminFrame(unsigned char admin) {
    return Bytes{kAdmin, admin};
}
Bytes AdminFrame(unsigned char admin, unsigned char p1) {
    return Bytes{kAdmin, admin, p1};
}

std::string Hex(const unsigned char* data, std::size_t n) {
    std::string out;
    char b[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i == 0 ? "%02X" : " %02X", data[i]);
        out += b;
    }
    return out;
}

}  // namespace winkeyer
