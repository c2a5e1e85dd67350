// The WinKeyer simulator (a program of the build machine) run from a Wine test: started on a
// pseudo-terminal that a Wine COM port points at, driven through its control port, its trace
// and its WAV file read through Wine's view of the machine's files.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "TandemSession.h"  // TraceEvent, ParseTrace

struct WinKeyerSimOptions {
    int comPort = 40;       // COMn made to point at the simulator's line
    int version = 31;
    double timescale = 1;
    bool silent = false;    // never answers: no keyer on that port
};

struct SocketTraits {
    using Type = SOCKET;
    static SOCKET Empty() { return INVALID_SOCKET; }
    static void Release(SOCKET s) { closesocket(s); }
};

class WinKeyerSim {
public:
    ~WinKeyerSim() { Stop(); }

    // Starts the simulator and waits until its line and its control port are up.
    bool Start(const WinKeyerSimOptions& options);
    // Asks it to end and waits until its COM port is gone.
    void Stop();
    // One control command; its one-line answer ("" when none came in time).
    std::string Command(const std::string& line, DWORD timeoutMs = 5000);

    std::vector<TraceEvent> Trace() const;
    std::string TraceText() const;
    // The side tone so far (16-bit mono, 22050 Hz).
    std::vector<short> Samples() const;
    std::string ComName() const { return "COM" + std::to_string(options_.comPort); }
    const std::string& error() const { return error_; }

private:
    WinKeyerSimOptions options_;
    std::string dir_;   // Unix path of the simulator's folder
    std::string link_;  // Unix path of the COM port's link
    CUniqueHandle<SocketTraits> control_;
    std::string error_;
};

// Wine's path for a Unix path ("/tmp/x" is "Z:\tmp\x").
std::string WindowsPathOf(const std::string& unixPath);
// What the keyed audio says: letters and digits as themselves, word gaps as one space, any
// other pattern as "<XX>" with its code byte. `toneHz` is the side tone's pitch.
std::string DecodeMorseAudio(const std::vector<short>& samples, double toneHz);
