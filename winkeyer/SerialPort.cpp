#include "SerialPort.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <utility>

using winkeyer::Bytes;

namespace {

constexpr DWORD kWriteMsPerByte = 20;   // the line needs about 9 ms a byte
constexpr DWORD kWriteSlackMs = 500;
constexpr DWORD kProbeSlackMs = 800;    // beyond the power-up wait and the echo test
constexpr int kScannedPorts = 64;       // COM1..COM64 are always tried

int PortNumber(const std::string& name) {
    if (name.size() < 4 || _strnicmp(name.c_str(), "COM", 3) != 0) return -1;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) return -1;
    }
    return std::atoi(name.c_str() + 3);
}

}  // namespace

bool EchoTest(SerialPort& port, HANDLE cancel) {
    if (!Pause(winkeyer::kPowerUpWaitMs, cancel)) return false;
    // Null commands put the keyer's command parser back in step, then the echo test.
    Bytes resync(winkeyer::kResyncNulls, winkeyer::kCmdNull);
    if (!port.Write(resync)) return false;
    Bytes stale;
    port.ReadAvailable(stale);
    if (!port.Write(winkeyer::AdminFrame(winkeyer::kAdminEcho, winkeyer::kEchoTestByte))) return false;
    unsigned char got = 0;
    return port.WaitFor(winkeyer::kEchoTestWaitMs, [](unsigned char b) { return b == winkeyer::kEchoTestByte; }, &got,
                        cancel);
}

bool SerialPort::Open(const std::string& name) {
    Close();
    const std::string path = "\\\\.\\" + name;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{};
    // Reads return at once with what is there; a write may take its bytes' line time and more.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
    timeouts.WriteTotalTimeoutConstant = kWriteSlackMs;
    bool ok = GetCommState(h, &dcb) != 0;
    if (ok) {
        dcb.BaudRate = winkeyer::kBaud;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = TWOSTOPBITS;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        // DTR on (older keyers draw power from it), RTS off.
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_DISABLE;
        ok = SetCommState(h, &dcb) != 0 && SetCommTimeouts(h, &timeouts) != 0;
    }
    if (!ok) {
        CloseHandle(h);
        return false;
    }
    PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR);  // not every port supports it; nothing depends on it
    m_port.Reset(h);
    return true;
}

void SerialPort::Close() { m_port.Close(); }

void SerialPort::MoveTo(SerialPort& other) { other.m_port = std::move(m_port); }

bool SerialPort::ReadAvailable(Bytes& out) {
    if (!m_port.Valid()) return false;
    for (;;) {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!ClearCommError(m_port.Get(), &errors, &stat)) return false;
        if (stat.cbInQue == 0) return true;
        unsigned char buffer[256];
        DWORD want = std::min<DWORD>(stat.cbInQue, sizeof buffer);
        DWORD got = 0;
        if (!ReadFile(m_port.Get(), buffer, want, &got, nullptr)) return false;
        out.insert(out.end(), buffer, buffer + got);
        if (got < want) return true;
    }
}

bool SerialPort::Write(const Bytes& bytes) {
    if (!m_port.Valid()) return false;
    if (bytes.empty()) return true;
    DWORD written = 0;
    return WriteFile(m_port.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::vector<std::string> ListComPorts() {
    std::vector<std::string> ports;
    auto add = [&](std::string name) {
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (PortNumber(name) > 0 && std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
    };
    // The ports the system lists, and the usual range besides: not every system lists every
    // port it can open (Wine lists only those it made itself).
    std::vector<char> buffer(65536);
    DWORD n = QueryDosDeviceA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    for (DWORD i = 0; i < n && buffer[i] != '\0';) {
        std::string name = &buffer[i];
        i += static_cast<DWORD>(name.size()) + 1;
        add(name);
    }
    for (int k = 1; k <= kScannedPorts; ++k) add("COM" + std::to_string(k));
    std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
        return PortNumber(a) < PortNumber(b);
    });
    return ports;
}

namespace {

// One port's echo test on a thread of its own. The thread keeps the library loaded until it
// ends, so a port that hangs beyond the search cannot outlive the code it runs.
struct Probe {
    std::string name;
    SerialPort port;
    bool done = false;
    bool passed = false;
    bool abandoned = false;  // the search is over: the thread closes its port itself
    CRITICAL_SECTION* lock = nullptr;
};

struct ProbeStart {
    std::shared_ptr<Probe> probe;
    HANDLE finished;
};

DWORD WINAPI ProbeThread(void* arg) {
    std::unique_ptr<ProbeStart> start(static_cast<ProbeStart*>(arg));
    std::shared_ptr<Probe> probe = start->probe;
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ProbeThread), &self);
    bool passed = probe->port.Open(probe->name) && EchoTest(probe->port);
    EnterCriticalSection(probe->lock);
    probe->done = true;
    probe->passed = passed;
    if (probe->abandoned || !passed) probe->port.Close();
    LeaveCriticalSection(probe->lock);
    SetEvent(start->finished);
    CloseHandle(start->finished);
    start.reset();
    probe.reset();
    FreeLibraryAndExitThread(self, 0);
    return 0;
}

}  // namespace

bool FindKeyer(const std::string& preferred, SerialPort& port, std::string& name, HANDLE cancel) {
    std::vector<std::string> names = ListComPorts();
    if (!preferred.empty() && std::find(names.begin(), names.end(), preferred) == names.end()) {
        names.insert(names.begin(), preferred);
    }
    // Shared with threads that may outlive this call; never deleted while one runs.
    static CRITICAL_SECTION* lock = [] {
        CRITICAL_SECTION* cs = new CRITICAL_SECTION;
        InitializeCriticalSection(cs);
        return cs;
    }();
    std::vector<std::shared_ptr<Probe>> probes;
    std::vector<HANDLE> finished;
    for (const std::string& n : names) {
        auto probe = std::make_shared<Probe>();
        probe->name = n;
        probe->lock = lock;
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE mine = nullptr;
        if (event == nullptr || !DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &mine, 0, FALSE,
                                                 DUPLICATE_SAME_ACCESS)) {
            if (event) CloseHandle(event);
            continue;
        }
        ProbeStart* start = new ProbeStart{probe, event};
        HANDLE thread = CreateThread(nullptr, 0, ProbeThread, start, 0, nullptr);
        if (thread == nullptr) {
            delete start;
            CloseHandle(event);
            CloseHandle(mine);
            continue;
        }
        CloseHandle(thread);
        probes.push_back(probe);
        finished.push_back(mine);
    }

    const ULONGLONG end = GetTickCount64() + winkeyer::kPowerUpWaitMs + winkeyer::kEchoTestWaitMs + kProbeSlackMs;
    int chosen = -1;
    for (;;) {
        bool allDone = true;
        int lowest = -1;
        EnterCriticalSection(lock);
        for (std::size_t i = 0; i < probes.size(); ++i) {
            if (!probes[i]->done) {
                allDone = false;
                continue;
            }
            if (probes[i]->passed) {
                if (probes[i]->name == preferred) {
                    chosen = static_cast<int>(i);
                    break;
                }
                if (lowest < 0) lowest = static_cast<int>(i);
            }
        }
        // The lowest-numbered passing port wins once every port before it has answered or not.
        if (chosen < 0 && lowest >= 0) {
            bool earlierPending = false;
            for (int i = 0; i < lowest; ++i) earlierPending |= !probes[i]->done;
            bool preferredPending = false;
            for (const auto& p : probes) preferredPending |= p->name == preferred && !p->done;
            if (!earlierPending && !preferredPending) chosen = lowest;
        }
        bool cancelled = cancel != nullptr && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0;
        if (cancelled) chosen = -1;
        if (chosen >= 0 || allDone || cancelled || GetTickCount64() >= end) {
            for (std::size_t i = 0; i < probes.size(); ++i) {
                if (static_cast<int>(i) == chosen) {
                    probes[i]->port.MoveTo(port);
                    name = probes[i]->name;
                } else if (probes[i]->done) {
                    probes[i]->port.Close();
                } else {
                    probes[i]->abandoned = true;
                }
            }
            LeaveCriticalSection(lock);
            break;
        }
        LeaveCriticalSection(lock);
        WaitForMultipleObjects(static_cast<DWORD>(std::min<std::size_t>(finished.size(), MAXIMUM_WAIT_OBJECTS)),
                               finished.data(), FALSE, 50);
    }
    for (HANDLE h : finished) CloseHandle(h);
    return chosen >= 0;
}
