// Arbitrary bytes on both sides of the WinKeyer line: the bridge's link takes whatever a keyer
// (or a device that is no keyer) sends, interleaved with the program's calls, and the simulated
// keyer takes whatever a host sends, with the keyer lost and back at any point. Neither may
// fail, and the count the program hears stays within what it put.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "WinKeyerDevice.h"
#include "WinKeyerLink.h"

namespace {

class Quiet : public DeviceListener {
public:
    void OnKey(double, bool, double) override {}
    void OnTrace(double, const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    winkeyer::WinKeyerLink link(data[0] % 40);
    Quiet quiet;
    WinKeyerDevice device(WinKeyerDevice::Options{}, quiet);
    double now = 0;
    int put = 0;
    for (size_t i = 1; i + 1 < size; i += 2) {
        uint8_t op = data[i], arg = data[i + 1];
        now += op & 0x0F;
        switch (op >> 4) {
        case 0: put += link.PutChar(arg) ? 1 : 0; break;
        case 1: put += link.PutCode(arg) ? 1 : 0; break;
        case 2: link.Cancel(); break;
        case 3: link.SetWpm(arg); break;
        case 4: link.SetWeight(arg & 0x1F, arg >> 3); break;
        case 5: link.SetPtt(arg, arg ^ 0x5A); break;
        case 6: link.SetSideTone(arg & 0x0F); break;
        case 7: link.HoldPtt(arg & 1); break;
        case 8: device.PaddleText(std::string(1, static_cast<char>(arg)), now); break;
        case 9:  // the keyer lost, or back (as it was: the device goes on)
            if (arg & 1) {
                link.SetLost();
            } else {
                link.Reopened(arg % 40);
            }
            break;
        default: {
            link.Received(&arg, 1, now);
            device.FromHost(&arg, 1, now);
            break;
        }
        }
        link.Tick(now);
        winkeyer::Bytes out = link.TakeOutput(now);
        device.FromHost(out.data(), out.size(), now);
        device.Advance(now);
        winkeyer::Bytes back = device.TakeOutput();
        link.Received(back.data(), back.size(), now);
        for (const winkeyer::LinkReport& r : link.TakeReports()) {
            if (r.waiting < 0 || (r.waiting > put && r.waiting != winkeyer::WinKeyerLink::kBreakInReport)) std::abort();
        }
        if (link.Waiting() < 0 || link.Waiting() > put) std::abort();
    }
    return 0;
}
