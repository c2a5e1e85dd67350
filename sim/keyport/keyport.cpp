// The keyer emulator: keyport.dll with the fifteen entry points of the keying interface's
// library, for practice, the demo and the tests when no interface is plugged in.
//
// One keying thread per open device keys the characters on the emulator's time line (KeyerCore),
// with a high-resolution wait, and owns the hidden control window through which another process
// works the paddle (KeyportControl.h). Entry points only change state under the lock, wake the
// thread and return: they never wait for keying. Reports go to the callback window with
// PostMessageA.
//
// Environment, read when the library is loaded:
//   KEYPORT_TRACE=<file>    one line per event: "<ms> <event> <args>", ms since the library was
//                           loaded, with one decimal. Keying events carry their scheduled time.
//   KEYPORT_TIMESCALE=<n>   the time line runs n times faster than real time (0 < n <= 1000).
// and by keyportOpen:
//   KEYPORT_NODEVICE=1      keyportOpen returns -1, as with the device unplugged.
//   KEYPORT_WAV=<file>      the session's side tone as 16-bit mono PCM at 22050 Hz, from
//                           keyportOpen to keyportClose, silences included, on the time line.
//   KEYPORT_AUDIO=0         no live output; live output is also off with a time scale other than 1.
#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AudioOut.h"
#include "KeyerCore.h"
#include "KeyportApi.h"
#include "KeyportControl.h"
#include "MorseTable.h"
#include "ToneSynth.h"

namespace {

constexpr int kVersion = 12;
constexpr double kAudioTickMs = 20;  // how often the audio is rendered while nothing is keyed

HMODULE g_module = nullptr;
LARGE_INTEGER g_loadCount;
LARGE_INTEGER g_frequency;
double g_scale = 1;
std::string g_scaleError;  // the rejected KEYPORT_TIMESCALE value, traced once
CRITICAL_SECTION g_lock;   // device state and trace file

// --- clock and trace ---------------------------------------------------------------------------

double CountToMs(LONGLONG count) {
    return static_cast<double>(count - g_loadCount.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
}

// Milliseconds on the emulator's time line since the library was loaded.
double Now() {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return CountToMs(c.QuadPart) * g_scale;
}

std::string g_tracePath;
HANDLE g_trace = INVALID_HANDLE_VALUE;
bool g_traceTried = false;

void WriteTraceLine(const char* line) {
    if (!g_traceTried) {
        g_traceTried = true;
        if (!g_tracePath.empty()) {
            g_trace = CreateFileA(g_tracePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        if (g_trace != INVALID_HANDLE_VALUE && !g_scaleError.empty()) {
            std::string note = "0.0 error KEYPORT_TIMESCALE " + g_scaleError + " ignored, using 1\n";
            DWORD w = 0;
            WriteFile(g_trace, note.data(), static_cast<DWORD>(note.size()), &w, nullptr);
        }
    }
    if (g_trace == INVALID_HANDLE_VALUE) return;
    DWORD w = 0;
    WriteFile(g_trace, line, static_cast<DWORD>(std::strlen(line)), &w, nullptr);
}

void TraceAt(double t, const char* format, ...) {
    char text[256];
    int n = std::snprintf(text, sizeof text, "%.1f ", t);
    va_list args;
    va_start(args, format);
    std::vsnprintf(text + n, sizeof text - n - 1, format, args);
    va_end(args);
    std::strcat(text, "\n");
    EnterCriticalSection(&g_lock);
    WriteTraceLine(text);
    LeaveCriticalSection(&g_lock);
}

// --- the device --------------------------------------------------------------------------------

struct Device {
    bool open = false;
    KeyerCore core;
    HWND callback = nullptr;
    UINT reportMessage = 0;
    HANDLE thread = nullptr;
    HANDLE wake = nullptr;
    bool stop = false;
    std::unique_ptr<ToneSynth> synth;
    WavFile wav;
    bool wantLive = false;
    std::unique_ptr<LiveAudio> live;  // opened by the keying thread: opening may take a while
    std::vector<int16_t> samples;
};
Device g_dev;  // guarded by g_lock

class DeviceSink : public KeyerSink {
public:
    void OnKey(double t, bool down, double toneHz) override {
        if (g_dev.synth) g_dev.synth->Key(t, down, toneHz);
        TraceAt(t, down ? "key on" : "key off");
    }
    void OnPtt(double t, bool on) override { TraceAt(t, on ? "ptt on" : "ptt off"); }
    void OnCharStart(double t, unsigned char byte) override { TraceAt(t, "char %02X", byte); }
    void OnDrop(double t, unsigned char byte) override { TraceAt(t, "drop %02X", byte); }
    void OnReport(double t, int waiting, unsigned char paddleCode) override {
        TraceAt(t, "report %d %d", waiting, paddleCode);
        if (g_dev.callback != nullptr) {
            PostMessageA(g_dev.callback, g_dev.reportMessage, paddleCode, waiting);
        }
    }
};
DeviceSink g_sink;

// Renders the side tone up to `t` and hands it to the file and the sound device. Under g_lock.
void FlushAudio(double t) {
    if (!g_dev.synth) return;
    g_dev.synth->RenderUntil(t);
    g_dev.samples.clear();
    g_dev.synth->TakePending(g_dev.samples);
    if (g_dev.samples.empty()) return;
    if (g_dev.wav.IsOpen() && !g_dev.wav.Append(g_dev.samples.data(), g_dev.samples.size())) {
        g_dev.wav.Close();
        TraceAt(t, "error KEYPORT_WAV not written further");
    }
    if (g_dev.live) g_dev.live->Submit(g_dev.samples.data(), g_dev.samples.size());
}

// Takes one paddle command from the control window. Under g_lock.
bool TakePaddleInput(DWORD command, const unsigned char* data, DWORD size) {
    if (!g_dev.open || data == nullptr || size == 0) return false;
    std::vector<unsigned char> codes;
    if (command == KEYPORT_CTL_PADDLE_TEXT) {
        for (DWORD i = 0; i < size; ++i) codes.push_back(MorseCodeForChar(data[i]));
    } else if (command == KEYPORT_CTL_PADDLE_CONTACTS) {
        DWORD i = 0;
        while (i < size) {
            if (data[i] == ' ') {
                ++i;
                continue;
            }
            DWORD j = i;
            while (j < size && data[j] != ' ') ++j;
            codes.push_back(g_dev.core.PaddleContacts(reinterpret_cast<const char*>(data + i), static_cast<int>(j - i)));
            i = j;
        }
    } else if (command == KEYPORT_CTL_PADDLE_CODES) {
        codes.assign(data, data + size);
    } else {
        return false;
    }
    // All or nothing: a byte without a pattern refuses the whole input.
    for (unsigned char c : codes) {
        if (c == 0) return false;
    }
    double now = Now();
    for (unsigned char c : codes) {
        TraceAt(now, "paddle %02X", c);
        g_dev.core.Paddle(c, now, g_sink);
    }
    return !codes.empty();
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        EnterCriticalSection(&g_lock);
        bool taken = TakePaddleInput(static_cast<DWORD>(data->dwData), static_cast<const unsigned char*>(data->lpData),
                                     data->cbData);
        if (!taken) TraceAt(Now(), "paddle refused");
        LeaveCriticalSection(&g_lock);
        return taken ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Waits until the performance counter reaches `deadline` (real time), or new work arrives:
// the wake event, or a message for the control window. The last 2 ms are spun out with yields,
// as the system's timed waits are only as fine as its timer tick.
void WaitUntil(LONGLONG deadline, bool forever) {
    const double spinMs = 2.0;
    for (;;) {
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        double remaining = static_cast<double>(deadline - c.QuadPart) * 1000.0 / static_cast<double>(g_frequency.QuadPart);
        if (!forever && remaining <= 0) return;
        if (forever || remaining > spinMs) {
            DWORD timeout = forever ? INFINITE : static_cast<DWORD>(remaining - spinMs + 0.5);
            DWORD r = MsgWaitForMultipleObjects(1, &g_dev.wake, FALSE, timeout, QS_ALLINPUT);
            if (r == WAIT_OBJECT_0) return;
            if (r == WAIT_OBJECT_0 + 1) {
                PumpMessages();
                return;
            }
            continue;
        }
        if (WaitForSingleObject(g_dev.wake, 0) == WAIT_OBJECT_0) return;
        SwitchToThread();
    }
}

DWORD WINAPI KeyingThread(void* ready) {
    char title[64];
    std::snprintf(title, sizeof title, KEYPORT_CONTROL_TITLE_PREFIX "%lu", GetCurrentProcessId());
    HWND control = CreateWindowExA(0, KEYPORT_CONTROL_CLASS, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, g_module, nullptr);
    SetEvent(static_cast<HANDLE>(ready));
    EnterCriticalSection(&g_lock);
    bool wantLive = g_dev.wantLive;
    LeaveCriticalSection(&g_lock);
    if (wantLive) {
        // Without a sound device there is simply no live output.
        std::unique_ptr<LiveAudio> live(new LiveAudio);
        if (live->Open()) {
            EnterCriticalSection(&g_lock);
            FlushAudio(Now());  // the device starts with what comes from now on
            g_dev.live = std::move(live);
            LeaveCriticalSection(&g_lock);
        }
    }
    for (;;) {
        EnterCriticalSection(&g_lock);
        if (g_dev.stop) {
            LeaveCriticalSection(&g_lock);
            break;
        }
        double now = Now();
        g_dev.core.Advance(now, g_sink);
        FlushAudio(now);
        double due = g_dev.core.NextDue();
        if (g_dev.synth && due > now + kAudioTickMs * g_scale) due = now + kAudioTickMs * g_scale;
        LeaveCriticalSection(&g_lock);

        bool forever = std::isinf(due);
        LONGLONG deadline = 0;
        if (!forever) {
            double realMs = (due - now) / g_scale;
            LARGE_INTEGER c;
            QueryPerformanceCounter(&c);
            deadline = c.QuadPart + static_cast<LONGLONG>(std::ceil(realMs * static_cast<double>(g_frequency.QuadPart) / 1000.0));
        }
        WaitUntil(deadline, forever);
    }
    if (control != nullptr) DestroyWindow(control);
    // The thread holds its own reference to the library, so a host that unloads it without
    // closing the device cannot pull the code from under it.
    FreeLibraryAndExitThread(g_module, 0);
    return 0;
}

bool EnvIs(const char* name, const char* value) {
    char buffer[16];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer && std::strcmp(buffer, value) == 0;
}

std::string EnvText(const char* name) {
    char buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// Runs `change` on the open device 0 under the lock and wakes the keying thread.
template <typename Change>
int WithDevice(int handle, Change change) {
    EnterCriticalSection(&g_lock);
    int result = -1;
    if (handle == 0 && g_dev.open) {
        result = change() ? 0 : -1;
        SetEvent(g_dev.wake);
    }
    LeaveCriticalSection(&g_lock);
    return result;
}

}  // namespace

extern "C" {

int KEYPORT_CALL keyportOpen(int device) {
    const double now = Now();  // the WAV file's time line starts here
    TraceAt(now, "keyportOpen %d", device);
    if (device != 0 || EnvIs("KEYPORT_NODEVICE", "1")) return KEYPORT_NO_DEVICE;
    EnterCriticalSection(&g_lock);
    if (g_dev.open) {
        LeaveCriticalSection(&g_lock);
        return 0;
    }
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&keyportOpen), &self);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ControlWindowProc;
    wc.hInstance = g_module;
    wc.lpszClassName = KEYPORT_CONTROL_CLASS;
    RegisterClassA(&wc);

    g_dev.core = KeyerCore();
    g_dev.callback = nullptr;
    g_dev.stop = false;
    g_dev.reportMessage = RegisterWindowMessageA(KEYPORT_REPORT_MESSAGE);
    g_dev.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::string wavPath = EnvText("KEYPORT_WAV");
    g_dev.wantLive = !EnvIs("KEYPORT_AUDIO", "0") && g_scale == 1;
    if (!wavPath.empty() && !g_dev.wav.Open(wavPath.c_str())) TraceAt(now, "error KEYPORT_WAV %s cannot be written", wavPath.c_str());
    if (g_dev.wav.IsOpen() || g_dev.wantLive) g_dev.synth.reset(new ToneSynth(now));
    timeBeginPeriod(1);

    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_dev.open = true;
    g_dev.thread = CreateThread(nullptr, 0, KeyingThread, ready, 0, nullptr);
    if (g_dev.thread == nullptr) {
        g_dev.open = false;
        g_dev.synth.reset();
        g_dev.wav.Close();
        CloseHandle(g_dev.wake);
        g_dev.wake = nullptr;
        timeEndPeriod(1);
        if (self != nullptr) FreeLibrary(self);
        LeaveCriticalSection(&g_lock);
        CloseHandle(ready);
        TraceAt(Now(), "error no keying thread");
        return KEYPORT_NO_DEVICE;
    }
    SetThreadPriority(g_dev.thread, THREAD_PRIORITY_HIGHEST);
    LeaveCriticalSection(&g_lock);
    WaitForSingleObject(ready, 5000);  // the control window exists once keyportOpen returns
    CloseHandle(ready);
    return 0;
}

int KEYPORT_CALL keyportClose(int handle) {
    const double now = Now();  // and ends here
    TraceAt(now, "keyportClose %d", handle);
    EnterCriticalSection(&g_lock);
    if (handle != 0 || !g_dev.open) {
        LeaveCriticalSection(&g_lock);
        return -1;
    }
    g_dev.stop = true;
    SetEvent(g_dev.wake);
    HANDLE thread = g_dev.thread;
    g_dev.thread = nullptr;
    LeaveCriticalSection(&g_lock);

    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);

    EnterCriticalSection(&g_lock);
    FlushAudio(now);
    g_dev.synth.reset();
    g_dev.wav.Close();
    g_dev.live.reset();
    CloseHandle(g_dev.wake);
    g_dev.wake = nullptr;
    g_dev.callback = nullptr;
    g_dev.core = KeyerCore();
    g_dev.open = false;
    UnregisterClassA(KEYPORT_CONTROL_CLASS, g_module);
    LeaveCriticalSection(&g_lock);
    timeEndPeriod(1);
    return 0;
}

int KEYPORT_CALL keyportSetCallbackWindow(int handle, HWND window) {
    TraceAt(Now(), "keyportSetCallbackWindow %d %llu", handle, static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return WithDevice(handle, [&] {
        g_dev.callback = window;
        return true;
    });
}

int KEYPORT_CALL keyportGetVersion(int handle) {
    TraceAt(Now(), "keyportGetVersion %d", handle);
    return kVersion;  // the library's version, device or not
}

int KEYPORT_CALL keyportSetWPM(int handle, int wpm) {
    TraceAt(Now(), "keyportSetWPM %d %d", handle, wpm);
    return WithDevice(handle, [&] { return g_dev.core.SetWpm(wpm); });
}

int KEYPORT_CALL keyportSetWeight(int handle, int dotHalves, int dashHalves) {
    TraceAt(Now(), "keyportSetWeight %d %d %d", handle, dotHalves, dashHalves);
    return WithDevice(handle, [&] { return g_dev.core.SetWeight(dotHalves, dashHalves); });
}

int KEYPORT_CALL keyportSetPTTParam(int handle, unsigned char beforeMs, unsigned char afterMs) {
    TraceAt(Now(), "keyportSetPTTParam %d %d %d", handle, beforeMs, afterMs);
    return WithDevice(handle, [&] {
        g_dev.core.SetPtt(beforeMs, afterMs);
        return true;
    });
}

int KEYPORT_CALL keyportSetPaddle(int handle, unsigned char reverse) {
    TraceAt(Now(), "keyportSetPaddle %d %d", handle, reverse);
    return WithDevice(handle, [&] {
        if (reverse > 1) return false;
        g_dev.core.SetReverse(reverse == 1);
        return true;
    });
}

int KEYPORT_CALL keyportSetSideTone(int handle, int n) {
    TraceAt(Now(), "keyportSetSideTone %d %d", handle, n);
    return WithDevice(handle, [&] { return g_dev.core.SetSideTone(n); });
}

int KEYPORT_CALL keyportPutChar(int handle, unsigned char ch) {
    TraceAt(Now(), "keyportPutChar %d %d", handle, ch);
    return WithDevice(handle, [&] { return g_dev.core.PutChar(ch, Now(), g_sink); });
}

int KEYPORT_CALL keyportPutCode(int handle, unsigned char code) {
    TraceAt(Now(), "keyportPutCode %d %d", handle, code);
    return WithDevice(handle, [&] { return g_dev.core.PutCode(code, Now(), g_sink); });
}

int KEYPORT_CALL keyportTxCancel(int handle) {
    TraceAt(Now(), "keyportTxCancel %d", handle);
    return WithDevice(handle, [&] {
        g_dev.core.Cancel(Now(), g_sink);
        return true;
    });
}

int KEYPORT_CALL keyportWriteData(int handle, int port, unsigned char data) {
    TraceAt(Now(), "keyportWriteData %d %d %d", handle, port, data);
    return WithDevice(handle, [&] {
        if (data == KEYPORT_DATA_PTT_HOLD) {
            g_dev.core.HoldPtt(true, Now(), g_sink);
        } else if (data == KEYPORT_DATA_PTT_RELEASE) {
            g_dev.core.HoldPtt(false, Now(), g_sink);
        } else {
            return false;  // no other data byte means anything to this device
        }
        return true;
    });
}

int KEYPORT_CALL keyportTxBusy(int handle) {
    TraceAt(Now(), "keyportTxBusy %d", handle);
    EnterCriticalSection(&g_lock);
    int busy = handle == 0 && g_dev.open ? g_dev.core.Busy() : -1;
    LeaveCriticalSection(&g_lock);
    return busy;
}

int KEYPORT_CALL keyportWriteCmd(int handle, unsigned char cmd, unsigned char data) {
    TraceAt(Now(), "keyportWriteCmd %d %d %d", handle, cmd, data);
    return WithDevice(handle, [] { return true; });
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        QueryPerformanceFrequency(&g_frequency);
        QueryPerformanceCounter(&g_loadCount);
        InitializeCriticalSection(&g_lock);
        g_tracePath = EnvText("KEYPORT_TRACE");
        std::string scale = EnvText("KEYPORT_TIMESCALE");
        if (!scale.empty()) {
            char* end = nullptr;
            double n = std::strtod(scale.c_str(), &end);
            if (end != nullptr && *end == '\0' && n > 0 && n <= 1000) {
                g_scale = n;
            } else {
                g_scaleError = scale;
            }
        }
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary: the device is closed (an open one keeps the library loaded).
        if (g_trace != INVALID_HANDLE_VALUE) CloseHandle(g_trace);
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}
