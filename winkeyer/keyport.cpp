// The WinKeyer bridge: keyport.dll with the fifteen entry points of the keying interface's
// library, driving a WinKeyer (or a keyer that speaks its host protocol) on a serial port.
//
// keyportOpen finds the keyer (the port named in WinKeyer.ini beside this library, else the
// first COM port that passes the echo test), opens its host interface and starts the bridge's
// I/O thread. Entry points only change the link's state under the lock and wake the thread;
// they never touch the port, so no call from the program can wait on the keyer. The thread
// reads what the keyer sent, writes what is due, and posts the keyer reports. Every serial call
// has a time limit.
//
// A keyer that is lost (its port fails, or it stops answering) is reported as 0 and its port
// closed; what the program asks to key meanwhile is dropped (the link says how). A thread of
// its own then tries to get it back, each second on its own port and every few tries on every
// port as at the start, so that the I/O thread goes on posting reports. When the keyer answers
// Host Open again, the link sends it every setting the program made, and keying goes on.
//
// Environment, read when the library is loaded:
//   KEYPORT_TRACE=<file>   one line per event: "<ms> <event> <args>", ms since the library was
//                          loaded: the entry points as the emulator writes them, the reports,
//                          the bytes on the line ("out ..", "in .."), and the keyer's loss and
//                          return ("lost COM3: ...", "back on COM3, version 31").
#include <windows.h>

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "KeyportApi.h"
#include "SerialPort.h"
#include "WinKeyerLink.h"

using winkeyer::Bytes;
using winkeyer::WinKeyerLink;

namespace {

constexpr char kSettingsFile[] = "WinKeyer.ini";
constexpr char kSettingsSection[] = "WinKeyer";
constexpr DWORD kPollMs = 10;           // how often the thread looks at the port
constexpr DWORD kCloseWaitMs = 3000;    // keyportClose waits this long for the thread at most
constexpr DWORD kRetryMs = 1000;        // a lost keyer's port is tried again this long after a try
constexpr int kSearchEvery = 8;         // every so many tries, all ports are searched instead
constexpr DWORD kReopenEndMs = 1000;    // at the end, a try under way is given this long to stop

HMODULE g_module = nullptr;
LARGE_INTEGER g_loadCount;
LARGE_INTEGER g_frequency;
CRITICAL_SECTION g_lock;  // the device and the trace file

double Now() {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart - g_loadCount.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
}

// --- trace -------------------------------------------------------------------------------------

std::string g_tracePath;
HANDLE g_trace = INVALID_HANDLE_VALUE;
bool g_traceTried = false;

void Trace(const char* format, ...) {
    if (g_tracePath.empty()) return;
    char text[512];
    int n = std::snprintf(text, sizeof text, "%.1f ", Now());
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + n, sizeof text - n - 1, format, args);
    va_end(args);
    std::strcat(text, "\n");
    EnterCriticalSection(&g_lock);
    if (!g_traceTried) {
        g_traceTried = true;
        g_trace = CreateFileA(g_tracePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (g_trace != INVALID_HANDLE_VALUE) {
        DWORD w = 0;
        WriteFile(g_trace, text, static_cast<DWORD>(std::strlen(text)), &w, nullptr);
    }
    LeaveCriticalSection(&g_lock);
}

void TraceBytes(const char* what, const Bytes& b) {
    if (!b.empty()) Trace("%s %s", what, winkeyer::Hex(b.data(), b.size()).c_str());
}

// --- the device --------------------------------------------------------------------------------

struct Device {
    bool open = false;
    std::shared_ptr<WinKeyerLink> link;  // shared with the I/O thread, which may outlive a close
    int version = 0;
    HWND callback = nullptr;
    UINT reportMessage = 0;
    HANDLE thread = nullptr;
    HANDLE wake = nullptr;  // the program's calls wake the thread
    HANDLE stop = nullptr;  // keyportClose ends it
};
Device g_dev;  // guarded by g_lock

// What the thread owns: the port, its own handles to the two events, and its link.
struct ThreadArgs {
    SerialPort port;
    std::string portName;
    HANDLE wake = nullptr;
    HANDLE stop = nullptr;
    std::shared_ptr<WinKeyerLink> link;
    ~ThreadArgs() {
        if (wake) CloseHandle(wake);
        if (stop) CloseHandle(stop);
    }
};

HANDLE Duplicate(HANDLE h) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

void PostReports(HWND window, UINT message, const std::vector<winkeyer::LinkReport>& reports) {
    for (const winkeyer::LinkReport& r : reports) {
        Trace("report %d %d", r.waiting, r.paddleCode);
        if (window != nullptr) PostMessageA(window, message, r.paddleCode, r.waiting);
    }
}

// Host Open on a port that passed the echo test: the keyer answers with its version byte.
int HostOpen(SerialPort& port, HANDLE cancel = nullptr) {
    Bytes stale;  // whatever came before the command is not its answer
    if (!port.ReadAvailable(stale) || !port.Write(winkeyer::AdminFrame(winkeyer::kAdminHostOpen))) return -1;
    unsigned char version = 0;
    // Status and knob bytes of a keyer left open by another program are not the answer.
    bool got = port.WaitFor(winkeyer::kVersionWaitMs,
                            [](unsigned char b) { return winkeyer::Classify(b) == winkeyer::ByteKind::Echo && b != 0; },
                            &version, cancel);
    return got ? version : -1;
}

// One try to get a lost keyer back, on a thread of its own. The I/O thread reads the result
// once `done` is set; until then the try owns everything here.
struct Reopen {
    std::string lostName;
    bool search = false;    // every port, `lostName` first, rather than `lostName` alone
    HANDLE stop = nullptr;  // its own handle to the bridge's stop event: ends the try early
    HANDLE done = nullptr;
    HMODULE self = nullptr;  // the thread's reference to this library, freed as it ends
    // The result: `port` open on a keyer that answered Host Open with `version`.
    SerialPort port;
    std::string name;
    int version = -1;
    ~Reopen() {
        if (stop) CloseHandle(stop);
        if (done) CloseHandle(done);
    }
};

DWORD WINAPI ReopenThread(void* arg) {
    std::unique_ptr<std::shared_ptr<Reopen>> start(static_cast<std::shared_ptr<Reopen>*>(arg));
    std::shared_ptr<Reopen> r = *start;
    start.reset();
    HMODULE self = r->self;
    SerialPort candidate;
    std::string found = r->lostName;
    bool answered = r->search ? FindKeyer(r->lostName, candidate, found, r->stop)
                              : candidate.Open(r->lostName) && EchoTest(candidate, r->stop);
    if (r->search && !answered && WaitForSingleObject(r->stop, 0) != WAIT_OBJECT_0) Trace("no keyer found on any port");
    int version = answered ? HostOpen(candidate, r->stop) : -1;
    if (answered && version < 0) Trace("no answer to host open on %s", found.c_str());
    if (version >= 0) {
        candidate.MoveTo(r->port);
        r->name = found;
        r->version = version;
    }
    SetEvent(r->done);
    r.reset();
    FreeLibraryAndExitThread(self, 0);
    return 0;
}

// Starts a try; null when no thread could be had (the next one is tried later).
std::shared_ptr<Reopen> StartReopen(const std::string& lostName, bool search, HANDLE stop) {
    auto r = std::make_shared<Reopen>();
    r->lostName = lostName;
    r->search = search;
    r->stop = Duplicate(stop);
    r->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ReopenThread), &r->self);
    if (r->stop == nullptr || r->done == nullptr || r->self == nullptr) {
        if (r->self != nullptr) FreeLibrary(r->self);
        return nullptr;
    }
    auto* arg = new std::shared_ptr<Reopen>(r);
    HANDLE thread = CreateThread(nullptr, 0, ReopenThread, arg, 0, nullptr);
    if (thread == nullptr) {
        delete arg;
        FreeLibrary(r->self);
        return nullptr;
    }
    CloseHandle(thread);
    return r;
}

DWORD WINAPI LinkThread(void* arg) {
    std::unique_ptr<ThreadArgs> args(static_cast<ThreadArgs*>(arg));
    SerialPort& port = args->port;
    WinKeyerLink& link = *args->link;
    std::shared_ptr<Reopen> reopen;  // a try under way while the keyer is lost
    int tries = 0;
    ULONGLONG nextTry = 0;
    Bytes in;
    while (WaitForSingleObject(args->stop, 0) != WAIT_OBJECT_0) {
        in.clear();
        bool readOk = !port.IsOpen() || port.ReadAvailable(in);

        EnterCriticalSection(&g_lock);
        double now = Now();
        if (!readOk) link.SetLost();
        if (!in.empty()) link.Received(in.data(), in.size(), now);
        link.Tick(now);
        Bytes out = link.TakeOutput(now);
        std::vector<winkeyer::LinkReport> reports = link.TakeReports();
        bool mine = g_dev.link == args->link;
        HWND window = mine ? g_dev.callback : nullptr;
        UINT message = g_dev.reportMessage;
        LeaveCriticalSection(&g_lock);

        TraceBytes("in", in);
        if (!readOk) Trace("error reading %s", args->portName.c_str());
        if (!out.empty() && port.IsOpen()) {
            TraceBytes("out", out);
            if (!port.Write(out)) {
                Trace("error writing %s", args->portName.c_str());
                EnterCriticalSection(&g_lock);
                link.SetLost();
                std::vector<winkeyer::LinkReport> more = link.TakeReports();
                reports.insert(reports.end(), more.begin(), more.end());
                LeaveCriticalSection(&g_lock);
            }
        }
        PostReports(window, message, reports);
        EnterCriticalSection(&g_lock);
        bool lost = link.Lost();
        LeaveCriticalSection(&g_lock);
        if (lost && port.IsOpen()) {
            // Let go of the port, so that the keyer can be opened again when it is back.
            port.Close();
            Trace("lost %s: opened again when it answers", args->portName.c_str());
            tries = 0;
            nextTry = GetTickCount64() + kRetryMs;
        }

        if (reopen && WaitForSingleObject(reopen->done, 0) == WAIT_OBJECT_0) {
            if (reopen->version >= 0) {
                reopen->port.MoveTo(port);
                args->portName = reopen->name;
                EnterCriticalSection(&g_lock);
                link.Reopened(reopen->version);
                if (g_dev.link == args->link) g_dev.version = reopen->version;
                LeaveCriticalSection(&g_lock);
                Trace("back on %s, version %d", args->portName.c_str(), reopen->version);
                reopen.reset();
                continue;  // the settings go out at once
            }
            reopen.reset();
            nextTry = GetTickCount64() + kRetryMs;
        }
        if (!port.IsOpen() && !reopen && GetTickCount64() >= nextTry) {
            ++tries;
            reopen = StartReopen(args->portName, tries % kSearchEvery == 0, args->stop);
            if (!reopen) nextTry = GetTickCount64() + kRetryMs;
        }
        HANDLE events[2] = {args->stop, args->wake};
        WaitForMultipleObjects(2, events, FALSE, kPollMs);
    }
    if (reopen) {
        // The try sees the stop too; a keyer it opened in the meantime is handed back.
        if (WaitForSingleObject(reopen->done, kReopenEndMs) == WAIT_OBJECT_0 && reopen->version >= 0) {
            Bytes bye = WinKeyerLink::CloseBytes();
            TraceBytes("out", bye);
            reopen->port.Write(bye);
        }
        reopen.reset();
    }
    EnterCriticalSection(&g_lock);
    bool lost = link.Lost();
    LeaveCriticalSection(&g_lock);
    if (!lost && port.IsOpen()) {
        // Back to standalone keying, with nothing left in the keyer's buffer.
        Bytes bye = WinKeyerLink::CloseBytes();
        TraceBytes("out", bye);
        port.Write(bye);
    }
    port.Close();
    args.reset();
    FreeLibraryAndExitThread(g_module, 0);
    return 0;
}

std::string ModuleFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string s(path, n);
    std::size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : s.substr(0, slash);
}

// The port named in WinKeyer.ini beside this library ("COM3"; a bare number is taken as one),
// or empty.
std::string ConfiguredPort() {
    const std::string file = ModuleFolder() + "\\" + kSettingsFile;
    char value[64] = {};
    GetPrivateProfileStringA(kSettingsSection, "Port", "", value, sizeof value, file.c_str());
    std::string port;
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p != ' ' && *p != '\t') port += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    }
    if (!port.empty() && std::isdigit(static_cast<unsigned char>(port[0]))) port = "COM" + port;
    return port;
}

template <typename Change>
int WithDevice(int handle, Change change) {
    EnterCriticalSection(&g_lock);
    int result = -1;
    // A lost keyer's link keeps the settings for its return and drops characters with a report.
    if (handle == 0 && g_dev.open) {
        result = change(*g_dev.link) ? 0 : -1;
        SetEvent(g_dev.wake);
    }
    LeaveCriticalSection(&g_lock);
    return result;
}

}  // namespace

extern "C" {

int KEYPORT_CALL keyportOpen(int device) {
    Trace("keyportOpen %d", device);
    if (device != 0) return KEYPORT_NO_DEVICE;
    EnterCriticalSection(&g_lock);
    bool already = g_dev.open;
    LeaveCriticalSection(&g_lock);
    if (already) return 0;  // one keyer, one handle

    const std::string preferred = ConfiguredPort();
    std::unique_ptr<ThreadArgs> args(new ThreadArgs);
    std::string name;
    if (!FindKeyer(preferred, args->port, name)) {
        Trace("no keyer found%s%s", preferred.empty() ? "" : ", configured port ", preferred.c_str());
        return KEYPORT_NO_DEVICE;
    }
    int version = HostOpen(args->port);
    if (version < 0) {
        Trace("no answer to host open on %s", name.c_str());
        return KEYPORT_NO_DEVICE;
    }
    Trace("keyer on %s, version %d", name.c_str(), version);

    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HMODULE self = nullptr;  // the thread's own reference to this library
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&keyportOpen), &self);
    std::shared_ptr<WinKeyerLink> link = std::make_shared<WinKeyerLink>(version);
    args->portName = name;
    args->wake = Duplicate(wake);
    args->stop = Duplicate(stop);
    args->link = link;
    ThreadArgs* raw = args.release();
    HANDLE thread = CreateThread(nullptr, 0, LinkThread, raw, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        raw->port.Write(WinKeyerLink::CloseBytes());
        delete raw;
        CloseHandle(wake);
        CloseHandle(stop);
        if (self != nullptr) FreeLibrary(self);
        Trace("error no I/O thread");
        return KEYPORT_NO_DEVICE;
    }
    EnterCriticalSection(&g_lock);
    g_dev = Device{};
    g_dev.open = true;
    g_dev.link = link;
    g_dev.version = version;
    g_dev.reportMessage = RegisterWindowMessageA(KEYPORT_REPORT_MESSAGE);
    g_dev.thread = thread;
    g_dev.wake = wake;
    g_dev.stop = stop;
    LeaveCriticalSection(&g_lock);
    SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    ResumeThread(thread);
    return 0;
}

int KEYPORT_CALL keyportClose(int handle) {
    Trace("keyportClose %d", handle);
    EnterCriticalSection(&g_lock);
    if (handle != 0 || !g_dev.open) {
        LeaveCriticalSection(&g_lock);
        return -1;
    }
    Device dev = g_dev;
    g_dev = Device{};
    LeaveCriticalSection(&g_lock);

    SetEvent(dev.stop);
    // The thread's port calls are bounded; if it is not done in time it is left to finish on
    // its own (it keeps the library loaded and its own link) rather than holding up the exit.
    if (WaitForSingleObject(dev.thread, kCloseWaitMs) != WAIT_OBJECT_0) Trace("the I/O thread did not end in time");
    CloseHandle(dev.thread);
    CloseHandle(dev.wake);
    CloseHandle(dev.stop);
    return 0;
}

int KEYPORT_CALL keyportSetCallbackWindow(int handle, HWND window) {
    Trace("keyportSetCallbackWindow %d %llu", handle, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    EnterCriticalSection(&g_lock);
    int result = -1;
    if (handle == 0 && g_dev.open) {
        g_dev.callback = window;
        result = 0;
    }
    LeaveCriticalSection(&g_lock);
    return result;
}

int KEYPORT_CALL keyportGetVersion(int handle) {
    Trace("keyportGetVersion %d", handle);
    EnterCriticalSection(&g_lock);
    int version = handle == 0 && g_dev.open ? g_dev.version : 0;
    LeaveCriticalSection(&g_lock);
    return version;  // the keyer's own: 23 is WK2.3, 31 is WK3.1
}

int KEYPORT_CALL keyportSetWPM(int handle, int wpm) {
    Trace("keyportSetWPM %d %d", handle, wpm);
    return WithDevice(handle, [&](WinKeyerLink& l) { return l.SetWpm(wpm); });
}

int KEYPORT_CALL keyportSetWeight(int handle, int dotHalves, int dashHalves) {
    Trace("keyportSetWeight %d %d %d", handle, dotHalves, dashHalves);
    return WithDevice(handle, [&](WinKeyerLink& l) { return l.SetWeight(dotHalves, dashHalves); });
}

int KEYPORT_CALL keyportSetPTTParam(int handle, unsigned char beforeMs, unsigned char afterMs) {
    Trace("keyportSetPTTParam %d %d %d", handle, beforeMs, afterMs);
    return WithDevice(handle, [&](WinKeyerLink& l) {
        l.SetPtt(beforeMs, afterMs);
        return true;
    });
}

int KEYPORT_CALL keyportSetPaddle(int handle, unsigned char reverse) {
    Trace("keyportSetPaddle %d %d", handle, reverse);
    return WithDevice(handle, [&](WinKeyerLink& l) {
        if (reverse > 1) return false;
        l.SetPaddleReverse(reverse == 1);
        return true;
    });
}

int KEYPORT_CALL keyportSetSideTone(int handle, int n) {
    Trace("keyportSetSideTone %d %d", handle, n);
    return WithDevice(handle, [&](WinKeyerLink& l) { return l.SetSideTone(n); });
}

int KEYPORT_CALL keyportPutChar(int handle, unsigned char ch) {
    Trace("keyportPutChar %d %d", handle, ch);
    return WithDevice(handle, [&](WinKeyerLink& l) { return l.PutChar(ch); });
}

int KEYPORT_CALL keyportPutCode(int handle, unsigned char code) {
    Trace("keyportPutCode %d %d", handle, code);
    return WithDevice(handle, [&](WinKeyerLink& l) { return l.PutCode(code); });
}

int KEYPORT_CALL keyportTxCancel(int handle) {
    Trace("keyportTxCancel %d", handle);
    return WithDevice(handle, [&](WinKeyerLink& l) {
        l.Cancel();
        return true;
    });
}

int KEYPORT_CALL keyportWriteData(int handle, int port, unsigned char data) {
    Trace("keyportWriteData %d %d %d", handle, port, data);
    // The program passes 0 as the handle here whatever it holds; there is one device.
    return WithDevice(0, [&](WinKeyerLink& l) {
        if (data == KEYPORT_DATA_PTT_HOLD) {
            l.HoldPtt(true);
        } else if (data == KEYPORT_DATA_PTT_RELEASE) {
            l.HoldPtt(false);
        } else {
            return false;  // no other data byte means anything to the keyer
        }
        return true;
    });
}

int KEYPORT_CALL keyportTxBusy(int handle) {
    Trace("keyportTxBusy %d", handle);
    EnterCriticalSection(&g_lock);
    int busy = handle == 0 && g_dev.open ? g_dev.link->Waiting() : -1;
    LeaveCriticalSection(&g_lock);
    return busy;
}

int KEYPORT_CALL keyportWriteCmd(int handle, unsigned char cmd, unsigned char data) {
    Trace("keyportWriteCmd %d %d %d", handle, cmd, data);
    return WithDevice(handle, [](WinKeyerLink&) { return true; });
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        QueryPerformanceFrequency(&g_frequency);
        QueryPerformanceCounter(&g_loadCount);
        InitializeCriticalSection(&g_lock);
        char path[MAX_PATH];
        DWORD n = GetEnvironmentVariableA("KEYPORT_TRACE", path, sizeof path);
        if (n > 0 && n < sizeof path) g_tracePath.assign(path, n);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        if (g_trace != INVALID_HANDLE_VALUE) CloseHandle(g_trace);
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}
