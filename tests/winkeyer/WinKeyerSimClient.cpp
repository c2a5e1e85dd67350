#include "WinKeyerSimClient.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "LoggerSimClient.h"
#include "MorseTable.h"
#include "WavAnalysis.h"

#ifndef TANDEM_WINKEYER_SIM
#error "TANDEM_WINKEYER_SIM must name the simulator program"
#endif

namespace {

constexpr DWORD kStartMs = 10000;
constexpr int kWavHeaderBytes = 44;
constexpr double kToneAmplitude = 0.6 * 32767;

std::string EnvOr(const char* name, const std::string& fallback) {
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : fallback;
}

bool WinsockUp() {
    static bool up = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return up;
}

}  // namespace

std::string WindowsPathOf(const std::string& unixPath) {
    std::string p = "Z:" + unixPath;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

bool WinKeyerSim::Start(const WinKeyerSimOptions& options) {
    Stop();
    options_ = options;
    static int serial = 0;
    dir_ = "/tmp/tandem-winkeyer-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    CreateDirectoryA(WindowsPathOf(dir_).c_str(), nullptr);
    const std::string control = dir_ + "/control.txt";
    DeleteFileA(WindowsPathOf(control).c_str());
    const std::string prefix = EnvOr("WINEPREFIX", EnvOr("HOME", "/root") + "/.wine");
    link_ = prefix + "/dosdevices/com" + std::to_string(options.comPort);

    char scale[32];
    std::snprintf(scale, sizeof scale, "%g", options.timescale);
    std::string cmd = std::string(TANDEM_WINKEYER_SIM) + " --link " + link_ + " --trace " + dir_ + "/trace.txt --wav " +
                      dir_ + "/keyed.wav --control " + control + " --version " + std::to_string(options.version) +
                      " --timescale " + scale + " --max-seconds 600" + (options.silent ? " --silent" : "");
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    // Wine runs a program of the machine by its Unix path; the handles it returns are of no use.
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error_ = "cannot start " + cmd;
        return false;
    }
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);

    std::string text;
    bool ready = LoggerSimClient::PumpUntil([&] {
        text = ReadWholeFile(WindowsPathOf(control));
        return text.find("tty ") != std::string::npos;
    }, kStartMs);
    int port = 0;
    if (!ready || std::sscanf(text.c_str(), "port %d", &port) != 1 || !WinsockUp()) {
        error_ = "the simulator did not come up: " + cmd;
        return false;
    }
    control_.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<u_short>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!control_.Valid() || connect(control_.Get(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        error_ = "cannot reach the simulator's control port";
        return false;
    }
    return true;
}

std::string WinKeyerSim::Command(const std::string& line, DWORD timeoutMs) {
    if (!control_.Valid()) return std::string();
    std::string out = line + "\n";
    if (send(control_.Get(), out.data(), static_cast<int>(out.size()), 0) != static_cast<int>(out.size())) return std::string();
    std::string answer;
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (answer.find('\n') == std::string::npos && GetTickCount64() < end) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(control_.Get(), &set);
        timeval tv = {0, 50000};
        if (select(0, &set, nullptr, nullptr, &tv) <= 0) continue;
        char buffer[256];
        int got = recv(control_.Get(), buffer, sizeof buffer, 0);
        if (got <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    std::size_t eol = answer.find('\n');
    return eol == std::string::npos ? std::string() : answer.substr(0, eol);
}

void WinKeyerSim::Stop() {
    if (control_.Valid()) {
        Command("quit", 2000);
        control_.Close();
        // Gone when its COM port is gone (it removes the link as it ends).
        const std::string com = WindowsPathOf(link_);
        LoggerSimClient::PumpUntil([&] { return GetFileAttributesA(com.c_str()) == INVALID_FILE_ATTRIBUTES; }, 5000);
        RemoveFolder(WindowsPathOf(dir_));
    }
}

std::string WinKeyerSim::TraceText() const {
    return ReadWholeFile(WindowsPathOf(dir_ + "/trace.txt"));
}

std::vector<TraceEvent> WinKeyerSim::Trace() const {
    return ParseTrace(TraceText());
}

std::vector<short> WinKeyerSim::Samples() const {
    std::string bytes = ReadWholeFile(WindowsPathOf(dir_ + "/keyed.wav"));
    std::vector<short> samples;
    if (bytes.size() <= kWavHeaderBytes) return samples;
    samples.resize((bytes.size() - kWavHeaderBytes) / 2);
    std::memcpy(samples.data(), bytes.data() + kWavHeaderBytes, samples.size() * 2);
    return samples;
}

std::string DecodeMorseAudio(const std::vector<short>& samples, double toneHz) {
    std::vector<int16_t> s(samples.begin(), samples.end());
    std::vector<ToneSpan> spans = FindTones(s, 22050, toneHz, kToneAmplitude);
    if (spans.empty()) return std::string();
    // The shortest element is a dot; gaps are measured in dots between the half-amplitude points.
    double dot = 1e9;
    for (const ToneSpan& t : spans)
        if (t.offMs > t.onMs) dot = std::min(dot, t.offMs - t.onMs);
    std::string out, pattern;
    auto flush = [&] {
        if (pattern.empty()) return;
        unsigned char code = MorseCodeFromPattern(pattern);
        int i = MorseFindCode(code, 0);
        unsigned char c = i >= 0 ? g_morseTable[i].ch : 0;
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", code);
            out += hex;
        }
        pattern.clear();
    };
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (spans[i].offMs < 0) break;
        if (i > 0) {
            double gap = (spans[i].onMs - spans[i - 1].offMs) / dot;
            if (gap > 2) flush();
            if (gap > 5) out += ' ';
        }
        pattern += (spans[i].offMs - spans[i].onMs) / dot > 2 ? '-' : '.';
    }
    flush();
    return out;
}
