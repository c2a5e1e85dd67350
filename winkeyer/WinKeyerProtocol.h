// The WinKeyer host protocol as the bridge and the simulator speak it: command bytes, the
// framing of each command, the device's status byte, and the mapping of the keying interface's
// parameters and characters onto what the keyer can do.
//
// Portable: no Windows headers; tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace winkeyer {

using Bytes = std::vector<unsigned char>;

// --- serial link and host interface ------------------------------------------------------------
constexpr int kBaud = 1200;           // 8 data bits, no parity, two stop bits
constexpr int kPowerUpWaitMs = 400;   // after opening the port, before the first byte
constexpr int kEchoTestWaitMs = 2000;  // no echo within this: no keyer on the port
constexpr int kVersionWaitMs = 1000;  // the answer to Host Open
constexpr unsigned char kEchoTestByte = 0x55;
constexpr int kResyncNulls = 4;

constexpr unsigned char kAdmin = 0x00;
enum Admin : unsigned char {
    kAdminCalibrate = 0x00,
    kAdminReset = 0x01,
    kAdminHostOpen = 0x02,
    kAdminHostClose = 0x03,
    kAdminEcho = 0x04,
    kAdminPaddleAd = 0x05,
    kAdminSpeedAd = 0x06,
    kAdminGetValues = 0x07,
    kAdminDebug = 0x08,
    kAdminGetCal = 0x09,
    kAdminWk1Mode = 0x0A,
    kAdminWk2Mode = 0x0B,
    kAdminDumpEeprom = 0x0C,
    kAdminLoadEeprom = 0x0D,
    kAdminSendMessage = 0x0E,
    kAdminLoadX1Mode = 0x0F,
    kAdminFirmwareUpdate = 0x10,
    kAdminLowBaud = 0x11,
    kAdminHighBaud = 0x12,
    kAdminRttyRegisters = 0x13,
    kAdminWk3Mode = 0x14,
    kAdminReadVcc = 0x15,
    kAdminLoadX2Mode = 0x16,
    kAdminFirmwareMinor = 0x17,
    kAdminIcType = 0x18,
    kAdminSidetoneVolume = 0x19,
};

enum Command : unsigned char {
    kCmdSidetone = 0x01,
    kCmdSpeed = 0x02,
    kCmdWeighting = 0x03,
    kCmdPttTimes = 0x04,
    kCmdPotSetup = 0x05,
    kCmdPause = 0x06,
    kCmdGetPot = 0x07,
    kCmdBackspace = 0x08,
    kCmdPinConfig = 0x09,
    kCmdClearBuffer = 0x0A,
    kCmdKeyImmediate = 0x0B,
    kCmdHscw = 0x0C,
    kCmdFarnsworth = 0x0D,
    kCmdMode = 0x0E,
    kCmdLoadDefaults = 0x0F,
    kCmdFirstExtension = 0x10,
    kCmdKeyCompensation = 0x11,
    kCmdPaddleSwitchpoint = 0x12,
    kCmdNull = 0x13,
    kCmdSoftwarePaddle = 0x14,
    kCmdRequestStatus = 0x15,
    kCmdBufferPointer = 0x16,
    kCmdDitDahRatio = 0x17,
    // Buffered: queued with the text, acting when they reach the head of the buffer.
    kCmdBufferedPtt = 0x18,
    kCmdBufferedKey = 0x19,
    kCmdBufferedWait = 0x1A,
    kCmdMerge = 0x1B,
    kCmdBufferedSpeed = 0x1C,
    kCmdBufferedHscw = 0x1D,
    kCmdCancelBufferedSpeed = 0x1E,
    kCmdBufferedNop = 0x1F,
};
constexpr int kLoadDefaultsBytes = 15;

// Parameter bytes that follow an admin command (the device must consume exactly these).
int AdminParamCount(unsigned char admin);
// Parameter bytes that follow a command byte 0x01..0x1F; for the buffer-pointer command the
// count depends on its first parameter: `first` is that byte (ignored otherwise).
int CommandParamCount(unsigned char command, unsigned char first);

// Mode register bits.
constexpr unsigned char kModePaddleEcho = 0x40;
constexpr unsigned char kModeSwapPaddles = 0x08;
constexpr unsigned char kModeSerialEcho = 0x04;
// Pin configuration bits.
constexpr unsigned char kPinPtt = 0x01;
constexpr unsigned char kPinSidetone = 0x02;
constexpr unsigned char kPinKeyOutputs = 0x0C;  // both key outputs

// Version bytes: 20..23 WK2, 30 and up WK3.
constexpr int kFirstWk3Version = 30;

// --- device to host ----------------------------------------------------------------------------
enum class ByteKind { Status, Pot, Echo };
ByteKind Classify(unsigned char b);

struct Status {
    bool wait = false;
    bool keyDown = false;  // tune only, in the status mode after Host Open
    bool busy = false;
    bool breakIn = false;
    bool xoff = false;
};
// In the status mode that Host Open selects, every 11xxxxxx byte is a status byte; after the
// WK2/WK3 mode commands a byte with bit 3 set is a push-button byte instead (`pushButton`).
Status DecodeStatus(unsigned char b);
unsigned char EncodeStatus(const Status& s);
constexpr unsigned char kStatusTag = 0xC0;
constexpr unsigned char kStatusPushButton = 0x08;

// --- mapping of the keying interface's parameters ----------------------------------------------
// Speed: the interface's range 5..50 lies within the keyer's 5..99.
constexpr int kMinWpm = 5;
constexpr int kMaxWpm = 99;

// Element weights in half dot units with the element space fixed at one dot, mapped to the
// keyer's weighting (10..90; the dit lasts weighting/50 dots and every element gains, every
// space loses, (weighting-50)/50 dots) and dit/dah ratio (33..66; the unweighted dah lasts
// 3*ratio/50 dots). The key-down lengths are met as nearly as the two settings allow; the space
// between elements is what the weighting leaves of one dot.
struct KeyerWeights {
    int weighting;
    int ratio;
};
KeyerWeights MapWeights(int dotHalves, int dashHalves);
// Key-down lengths in dots that the keyer produces for the two settings.
double KeyedDotLength(int weighting);
double KeyedDashLength(int weighting, int ratio);
// The nearest weights in half units to what the keyer keys (used by the simulator).
void WeightsToHalves(int weighting, int ratio, int* dotHalves, int* dashHalves);

// PTT lead-in and tail in the keyer's 10 ms units (0..250). The keyer holds PTT for three dits
// after the last key-up before its tail starts, so the tail is what remains of `afterMs` after
// those three dits at `wpm` (never below 0).
struct KeyerPtt {
    int lead;
    int tail;
};
KeyerPtt MapPtt(int beforeMs, int afterMs, int wpm);
// PTT held after the last key-up, ms, for a tail setting at `wpm`.
double PttHangMs(int tail, int wpm);

// Side tone 3906/n Hz (n = 1..13) to the keyer's sidetone byte: the nearest pitch the keyer
// offers, in the WK2 form (4000/N Hz, N = 1..10) or the WK3 form (62500/value Hz, 500..4000 Hz).
unsigned char MapSideTone(int n, bool wk3);
// The pitch in Hz that a sidetone byte gives (low nibble only in the WK2 form).
double SideTonePitch(unsigned char value, bool wk3);
// The interface's side tone n whose pitch 3906/n lies nearest to `hz` (used by the simulator).
int NearestToneIndex(double hz);

// --- characters ----------------------------------------------------------------------------------
// Characters the keyer sends as standard Morse: letters, digits, space and the ITU punctuation.
bool KeyerSendsChar(unsigned char c);

// How one character or pattern goes to the keyer: nothing (it cannot be sent), one text byte,
// or two letters merged with no letter space between them.
struct KeyerChar {
    enum Kind { None, Single, Merge } kind = None;
    unsigned char first = 0;
    unsigned char second = 0;
    Bytes Frame() const;  // the bytes written to the keyer
};
// A Morse code byte: a letter or digit of that pattern goes as itself, the empty pattern as a
// space, anything else as a merge of two characters whose patterns join to it (two letters
// where possible, so no punctuation meaning is relied on).
KeyerChar ForCode(unsigned char code);
// A character byte from the program: letters (either case), digits and the keyer's punctuation
// as themselves, half-width katakana as their Wabun patterns; None for anything else.
KeyerChar ForChar(unsigned char ch);

// --- framing ---------------------------------------------------------------------------------------
Bytes Frame(unsigned char command);
Bytes Frame(unsigned char command, unsigned char p1);
Bytes Frame(unsigned char command, unsigned char p1, unsigned char p2);
Bytes AdminFrame(unsigned char admin);
Bytes AdminFrame(unsigned char admin, unsigned char p1);

// Hex text of bytes for traces: "02 14".
std::string Hex(const unsigned char* data, std::size_t n);

}  // namespace winkeyer
