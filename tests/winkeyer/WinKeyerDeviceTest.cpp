// The simulator's keyer as the host sees it on the line: the closed host interface, parameter
// counts that keep the byte stream in step, status bytes, echoes, clear and the paddle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinKeyerDevice.h"

using namespace winkeyer;

namespace {

class Keyer : public DeviceListener {
public:
    Keyer() : device(WinKeyerDevice::Options{}, *this) {}
    void OnKey(double, bool, double) override {}
    void OnTrace(double, const std::string& line) override { trace.push_back(line); }

    Bytes Send(const Bytes& bytes) {
        device.FromHost(bytes.data(), bytes.size(), now);
        return device.TakeOutput();
    }
    Bytes Run(double ms) {
        Bytes out;
        for (double end = now + ms; now < end;) {
            now += 2;
            device.Advance(now);
            Bytes b = device.TakeOutput();
            out.insert(out.end(), b.begin(), b.end());
        }
        return out;
    }
    std::string Keyed() const {
        std::string s;
        for (const std::string& l : trace) {
            unsigned b = 0;
            if (std::sscanf(l.c_str(), "char %X", &b) == 1) s += static_cast<char>(b);
        }
        return s;
    }

    double now = 0;
    WinKeyerDevice device;
    std::vector<std::string> trace;
};

}  // namespace

TEST(WinKeyerDevice, ClosedKeyerAnswersOnlyAdminCommands) {
    Keyer k;
    EXPECT_TRUE(k.Send(Bytes{kCmdSpeed, 30, 'E', 'T'}).empty());
    EXPECT_EQ(k.Send(AdminFrame(kAdminEcho, 0x55)), Bytes{0x55});
    k.Run(500);
    EXPECT_EQ(k.Keyed(), "");
    // Host Open: the version byte and nothing else.
    EXPECT_EQ(k.Send(AdminFrame(kAdminHostOpen)), Bytes{31});
    EXPECT_EQ(k.Send(Bytes{kCmdMode, kModeSerialEcho, kCmdSpeed, 40, 'E'}), Bytes{0xC4});
    Bytes out = k.Run(500);
    EXPECT_EQ(out, (Bytes{'E', 0xC0}));  // the echo once keyed, then idle
    EXPECT_EQ(k.Keyed(), "E");
    k.Send(AdminFrame(kAdminHostClose));
    EXPECT_TRUE(k.Send(Bytes{'T'}).empty());
    k.Run(500);
    EXPECT_EQ(k.Keyed(), "E");
}

TEST(WinKeyerDevice, ParameterCountsKeepTheByteStreamInStep) {
    Keyer k;
    k.Send(AdminFrame(kAdminHostOpen));
    // Parameters that look like text are consumed as parameters.
    Bytes b = {kCmdLoadDefaults, 0x44, 40, 5, 50, 'A', 'B', 'C', 'D', 0, 0, 0, 50, 50, 0x0E, 0};
    b.insert(b.end(), {kCmdPotSetup, 'X', 'Y', 'Z', kCmdBufferPointer, 0, kCmdBufferPointer, 1, 'Q',
                       kAdmin, kAdminRttyRegisters, 'R', 'S', kCmdPttTimes, 'W', 'V', 'E'});
    k.Send(b);
    k.Run(1000);
    EXPECT_EQ(k.Keyed(), "E");
    EXPECT_EQ(k.device.Wpm(), 40);
}

TEST(WinKeyerDevice, ClearEmptiesTheBufferAtOnce) {
    Keyer k;
    k.Send(AdminFrame(kAdminHostOpen));
    k.Send(Bytes{kCmdSpeed, 20, 'T', 'E', 'S', 'T'});
    k.Run(100);
    EXPECT_EQ(k.Send(Bytes{kCmdClearBuffer}), Bytes{0xC0});
    k.Run(2000);
    EXPECT_EQ(k.Keyed(), "T");
    EXPECT_EQ(k.Send(Bytes{kCmdRequestStatus}), Bytes{0xC0});
}

TEST(WinKeyerDevice, PaddleSessionEchoesAndEndsWithAWordSpace) {
    Keyer k;
    k.Send(AdminFrame(kAdminHostOpen));
    k.Send(Bytes{kCmdMode, kModePaddleEcho | kModeSerialEcho, kCmdSpeed, 30});
    ASSERT_TRUE(k.device.PaddleText("E\xB1", k.now));  // E, then the kana a (--.--)
    Bytes out = k.device.TakeOutput();
    EXPECT_EQ(out, Bytes{0xC6});
    out = k.Run(3000);
    // E decoded, the kana pattern unknown to the keyer, the word space, then idle.
    EXPECT_EQ(out, (Bytes{'E', '#', ' ', 0xC0}));
    EXPECT_FALSE(k.device.PaddleText("\x01", k.now));
}
