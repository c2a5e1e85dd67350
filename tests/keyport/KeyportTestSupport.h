// Loading the keyer emulator from its own folder, receiving its reports in a window, reading its
// trace and its WAV file, and running helper processes; shared by the emulator's Wine tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KeyportApi.h"

// The folder of the running program, with a trailing backslash.
std::string ProgramFolder();
// A fresh path in the temporary folder.
std::string TempPath(const std::string& name);
std::string ReadFileBytes(const std::string& path);

// The trace as lines of time and text, read by the shared trace reader.
struct TraceLine {
    double ms;
    std::string event;  // the rest of the line: "key on", "report 3 0", "keyportPutChar 0 65"
};
std::vector<TraceLine> ReadTrace(const std::string& path);

struct Report {
    int waiting;          // lParam
    int code;             // low byte of wParam
    LONGLONG arrival;     // performance counter when the window got it
};

// The fifteen entry points of a loaded keyport.dll.
struct Keyport {
    HMODULE module = nullptr;
    KeyportOpenFn Open = nullptr;
    KeyportCloseFn Close = nullptr;
    KeyportSetCallbackWindowFn SetCallbackWindow = nullptr;
    KeyportGetVersionFn GetVersion = nullptr;
    KeyportSetWPMFn SetWPM = nullptr;
    KeyportSetWeightFn SetWeight = nullptr;
    KeyportSetPTTParamFn SetPTTParam = nullptr;
    KeyportSetPaddleFn SetPaddle = nullptr;
    KeyportSetSideToneFn SetSideTone = nullptr;
    KeyportPutCharFn PutChar = nullptr;
    KeyportPutCodeFn PutCode = nullptr;
    KeyportTxCancelFn TxCancel = nullptr;
    KeyportWriteDataFn WriteData = nullptr;
    KeyportTxBusyFn TxBusy = nullptr;
    KeyportWriteCmdFn WriteCmd = nullptr;
    int resolved = 0;  // how many of the fifteen were found

    bool Load(const std::string& path);
    void Unload();
    void Put(const std::string& text) const {
        for (unsigned char c : text) PutChar(0, c);
    }
};

// A hidden window that collects the keyer reports (the message registered as "KEYPORT.DLL").
class ReportWindow {
public:
    ReportWindow();
    ~ReportWindow();
    HWND Handle() const { return m_window; }
    const std::vector<Report>& Reports() const;
    // Pumps messages until `count` reports have come or `timeoutMs` has passed.
    bool WaitFor(size_t count, DWORD timeoutMs) const;
    // Pumps messages for `ms`.
    void Pump(DWORD ms) const;

private:
    HWND m_window = nullptr;
};

// Runs a program with arguments and waits for it to end (ending it by its id after
// `timeoutMs`); returns its exit code, or -1 when it could not be started or had to be ended.
int RunProgram(const std::string& commandLine, DWORD timeoutMs);

// Sets (or, with nullptr, removes) an environment variable for this process and its children.
void SetEnv(const char* name, const char* value);

struct WavData {
    bool valid = false;          // RIFF/WAVE header for 16-bit mono PCM at 22050 Hz
    uint32_t riffSize = 0;
    uint32_t dataSize = 0;
    size_t fileSize = 0;
    std::vector<int16_t> samples;  // the declared data
};
WavData ReadWav(const std::string& path);
