#include "KeyportTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "TestSupport.h"

std::string ProgramFolder() { return testsupport::ProgramFolder() + "\\"; }

std::string TempPath(const std::string& name) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string path = std::string(dir) + "keyport_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    DeleteFileA(path.c_str());
    return path;
}

std::string ReadFileBytes(const std::string& path) { return testsupport::ReadFileBytes(path); }

std::vector<TraceLine> ReadTrace(const std::string& path) {
    std::vector<TraceLine> lines;
    for (const TraceEvent& e : testsupport::ReadTrace(path))
        lines.push_back(TraceLine{e.ms, e.rest.empty() ? e.event : e.event + " " + e.rest});
    return lines;
}

template <typename Fn>
static void Resolve(HMODULE m, Fn& fn, const char* name, int& resolved) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    if (fn != nullptr) ++resolved;
}

bool Keyport::Load(const std::string& path) {
    module = LoadLibraryA(path.c_str());
    if (module == nullptr) return false;
    resolved = 0;
    Resolve(module, Open, "keyportOpen", resolved);
    Resolve(module, Close, "keyportClose", resolved);
    Resolve(module, SetCallbackWindow, "keyportSetCallbackWindow", resolved);
    Resolve(module, GetVersion, "keyportGetVersion", resolved);
    Resolve(module, SetWPM, "keyportSetWPM", resolved);
    Resolve(module, SetWeight, "keyportSetWeight", resolved);
    Resolve(module, SetPTTParam, "keyportSetPTTParam", resolved);
    Resolve(module, SetPaddle, "keyportSetPaddle", resolved);
    Resolve(module, SetSideTone, "keyportSetSideTone", resolved);
    Resolve(module, PutChar, "keyportPutChar", resolved);
    Resolve(module, PutCode, "keyportPutCode", resolved);
    Resolve(module, TxCancel, "keyportTxCancel", resolved);
    Resolve(module, WriteData, "keyportWriteData", resolved);
    Resolve(module, TxBusy, "keyportTxBusy", resolved);
    Resolve(module, WriteCmd, "keyportWriteCmd", resolved);
    return resolved == 15;
}

void Keyport::Unload() {
    if (module != nullptr) FreeLibrary(module);
    module = nullptr;
}

namespace {
UINT g_reportMessage = 0;
std::vector<Report> g_reports;

LRESULT CALLBACK ReportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == g_reportMessage && g_reportMessage != 0) {
        LARGE_INTEGER c;
        QueryPerformanceCounter(&c);
        g_reports.push_back(Report{static_cast<int>(lParam), static_cast<int>(wParam & 0xFF), c.QuadPart});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

ReportWindow::ReportWindow() {
    g_reportMessage = RegisterWindowMessageA(KEYPORT_REPORT_MESSAGE);
    g_reports.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReportProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KeyportTestReports";
    RegisterClassA(&wc);
    m_window = CreateWindowExA(0, "KeyportTestReports", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
}

ReportWindow::~ReportWindow() {
    if (m_window != nullptr) DestroyWindow(m_window);
}

const std::vector<Report>& ReportWindow::Reports() const { return g_reports; }

void ReportWindow::Pump(DWORD ms) const {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

bool ReportWindow::WaitFor(size_t count, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (g_reports.size() >= count) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

int RunProgram(const std::string& commandLine, DWORD timeoutMs) { return testsupport::RunProgram(commandLine, timeoutMs); }

void SetEnv(const char* name, const char* value) { SetEnvironmentVariableA(name, value); }

WavData ReadWav(const std::string& path) {
    WavData w;
    std::string b = ReadFileBytes(path);
    w.fileSize = b.size();
    if (b.size() < 44) return w;
    auto u32 = [&b](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
                                     static_cast<unsigned char>(b[at + 2]) << 16 |
                                     static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
    };
    auto u16 = [&b](size_t at) { return static_cast<unsigned>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8); };
    w.riffSize = u32(4);
    w.dataSize = u32(40);
    w.valid = b.compare(0, 4, "RIFF") == 0 && b.compare(8, 8, "WAVEfmt ") == 0 && u32(16) == 16 && u16(20) == 1 &&
              u16(22) == 1 && u32(24) == 22050 && u16(34) == 16 && b.compare(36, 4, "data") == 0;
    size_t n = std::min<size_t>(w.dataSize, b.size() - 44) / 2;
    w.samples.resize(n);
    if (n > 0) std::memcpy(w.samples.data(), b.data() + 44, n * 2);
    return w;
}
