// A serial port for the WinKeyer link: 1200 baud 8N2, no flow control, every call bounded in
// time. Reads never wait: they take what the port has received. Finding the keyer: each COM
// port is tried with the echo test at the same time, so that a silent port costs no more than
// one echo test in all. Every wait here ends early when the optional `cancel` event is set.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "WinKeyerProtocol.h"

class SerialPort {
public:
    // "COM3": opens and sets up the port. false when it cannot be opened or set up.
    bool Open(const std::string& name);
    void Close();
    bool IsOpen() const { return m_port.Valid(); }
    // Hands the open port over to `other` (closing what `other` held).
    void MoveTo(SerialPort& other);

    // Appends what the port has received; false when the port failed.
    bool ReadAvailable(winkeyer::Bytes& out);
    // Writes all bytes within the port's write time limit; false on failure or a short write.
    bool Write(const winkeyer::Bytes& bytes);
    // Reads until a byte that `accept` takes arrives (returned in *got) or `timeoutMs` passes.
    template <typename Accept>
    bool WaitFor(DWORD timeoutMs, Accept accept, unsigned char* got, HANDLE cancel = nullptr);

private:
    CHandle m_port;
};

// Waits `ms`; false when `cancel` (if any) was set meanwhile.
inline bool Pause(DWORD ms, HANDLE cancel) {
    if (cancel == nullptr) {
        Sleep(ms);
        return true;
    }
    return WaitForSingleObject(cancel, ms) == WAIT_TIMEOUT;
}

template <typename Accept>
bool SerialPort::WaitFor(DWORD timeoutMs, Accept accept, unsigned char* got, HANDLE cancel) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    winkeyer::Bytes in;
    for (;;) {
        in.clear();
        if (!ReadAvailable(in)) return false;
        for (unsigned char b : in) {
            if (accept(b)) {
                *got = b;
                return true;
            }
        }
        if (GetTickCount64() >= end || !Pause(5, cancel)) return false;
    }
}

// The COM ports the system knows, in number order ("COM1", "COM7", ...).
std::vector<std::string> ListComPorts();

// The keyer's power-up wait and the echo test on an open port: true when the keyer answered.
bool EchoTest(SerialPort& port, HANDLE cancel = nullptr);

// Looks for a keyer: `preferred` first when it passes the echo test, else the lowest-numbered
// port that passes. All ports are tried at once, within about `kPowerUpWaitMs + kEchoTestWaitMs`.
// On success `port` is open on the keyer (host interface still closed) and `name` says which.
bool FindKeyer(const std::string& preferred, SerialPort& port, std::string& name, HANDLE cancel = nullptr);
