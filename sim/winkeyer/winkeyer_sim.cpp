// The WinKeyer simulator: a WinKeyer on one end of a pseudo-terminal, for the tests and for a
// maintainer without the device. Point a Wine COM port at the other end (--link makes the
// symbolic link, e.g. $WINEPREFIX/dosdevices/com9) and the bridge finds it like a keyer on a
// USB serial port.
//
//   winkeyer_sim [--link PATH] [--trace FILE] [--wav FILE] [--control FILE] [--version N]
//                [--buffer N] [--timescale N] [--silent] [--max-seconds N]
//
//   --link PATH      symbolic link to the pseudo-terminal's far end (removed at exit)
//   --trace FILE     one line per event, "<ms> <event> <args>", as the keyer emulator writes
//   --wav FILE       the side tone as 16-bit mono PCM at 22050 Hz on the time line, valid at
//                    every moment (the header is kept up to date)
//   --control FILE   written once ready: "port N" (a TCP port on 127.0.0.1 taking one command
//                    per line) and "tty PATH"; once a controller has connected, the simulator
//                    ends when it disconnects
//   --version N      the answer to Host Open (default 31; 23 behaves as a WK2)
//   --buffer N       the keyer's buffer in bytes (default 160; XOFF above two thirds)
//   --timescale N    the time line runs N times faster than real time
//   --silent         a device that never answers (nothing on the line is a keyer); what it
//                    hears is traced as "heard <bytes>"
//   --max-seconds N  ends by itself after N seconds (default 900)
//
// Control commands: "paddle TEXT" (characters keyed on the paddle), "contacts GROUPS" ('.' dot
// and '-' dash paddle, groups separated by spaces), "freeze" (stops answering and keying, as a
// keyer that hangs), "hangup" (closes the line, as a pulled cable), "status", "quit". A new
// simulator started with the same --link is the keyer plugged in again, fresh from power-up.
// Each is answered with one line: "ok", "error ..." or the value asked for.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ToneSynth.h"
#include "WinKeyerDevice.h"

namespace {

struct Options {
    std::string link, trace, wav, control;
    WinKeyerDevice::Options device;
    double scale = 1;
    bool silent = false;
    double maxSeconds = 900;
};

double MonotonicMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

class Files : public DeviceListener {
public:
    bool Open(const Options& o) {
        if (!o.trace.empty()) {
            m_trace = std::fopen(o.trace.c_str(), "w");
            if (m_trace == nullptr) return false;
        }
        if (!o.wav.empty()) {
            m_wav = std::fopen(o.wav.c_str(), "wb");
            if (m_wav == nullptr) return false;
            m_synth.reset(new ToneSynth(0));
            WriteHeader();
        }
        return true;
    }
    ~Files() {
        if (m_trace) std::fclose(m_trace);
        if (m_wav) std::fclose(m_wav);
    }
    void OnKey(double t, bool down, double toneHz) override {
        if (m_synth) m_synth->Key(t, down, toneHz);
    }
    void OnTrace(double t, const std::string& line) override { Line(t, line.c_str()); }
    void Line(double t, const char* text) {
        if (!m_trace) return;
        std::fprintf(m_trace, "%.1f %s\n", t, text);
        std::fflush(m_trace);
    }
    // Renders the side tone up to `t` and appends it to the file.
    void Audio(double t) {
        if (!m_synth) return;
        m_synth->RenderUntil(t);
        m_samples.clear();
        m_synth->TakePending(m_samples);
        if (m_samples.empty()) return;
        std::fseek(m_wav, 0, SEEK_END);
        std::fwrite(m_samples.data(), sizeof(int16_t), m_samples.size(), m_wav);
        m_bytes += static_cast<uint32_t>(m_samples.size() * sizeof(int16_t));
        WriteHeader();
    }

private:
    void WriteHeader() {
        uint8_t header[44];
        MakeWavHeader(header, m_bytes);
        std::fseek(m_wav, 0, SEEK_SET);
        std::fwrite(header, 1, sizeof header, m_wav);
        std::fflush(m_wav);
    }
    std::FILE* m_trace = nullptr;
    std::FILE* m_wav = nullptr;
    std::unique_ptr<ToneSynth> m_synth;
    std::vector<int16_t> m_samples;
    uint32_t m_bytes = 0;
};

bool ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--link") {
            if (!value(o.link)) return false;
        } else if (a == "--trace") {
            if (!value(o.trace)) return false;
        } else if (a == "--wav") {
            if (!value(o.wav)) return false;
        } else if (a == "--control") {
            if (!value(o.control)) return false;
        } else if (a == "--version") {
            if (!value(v)) return false;
            o.device.version = std::atoi(v.c_str());
        } else if (a == "--buffer") {
            if (!value(v)) return false;
            o.device.bufferSize = std::max(2, std::atoi(v.c_str()));
        } else if (a == "--timescale") {
            if (!value(v)) return false;
            o.scale = std::atof(v.c_str());
            if (!(o.scale > 0 && o.scale <= 1000)) return false;
        } else if (a == "--max-seconds") {
            if (!value(v)) return false;
            o.maxSeconds = std::atof(v.c_str());
        } else if (a == "--silent") {
            o.silent = true;
        } else if (a == "--help") {
            return false;
        } else {
            return false;
        }
    }
    return true;
}

// The pseudo-terminal becomes this process's controlling terminal, so that no other process
// that opens its far end (Wine's server) is made to own it and hung up when it closes.
int OpenPty(std::string& slaveName, int& slaveFd) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return -1;
    const char* name = ptsname(master);
    if (name == nullptr) return -1;
    slaveName = name;
    slaveFd = open(name, O_RDWR);
    if (slaveFd < 0) return -1;
    ioctl(slaveFd, TIOCSCTTY, 0);
    termios t;
    if (tcgetattr(slaveFd, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CSTOPB;
        cfsetispeed(&t, B1200);
        cfsetospeed(&t, B1200);
        tcsetattr(slaveFd, TCSANOW, &t);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return master;
}

int Listen(int& port) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 2) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(s);
        return -1;
    }
    port = ntohs(a.sin_port);
    return s;
}

bool WriteAtomically(const std::string& path, const std::string& text) {
    std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "w");
    if (f == nullptr) return false;
    bool ok = std::fputs(text.c_str(), f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    return ok && std::rename(temp.c_str(), path.c_str()) == 0;
}

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) {
    g_stop = 1;
}

int Run(const Options& o) {
    Files files;
    if (!files.Open(o)) {
        std::fprintf(stderr, "winkeyer_sim: cannot write the trace or the WAV file\n");
        return 2;
    }
    std::string slaveName;
    int slave = -1;
    int master = OpenPty(slaveName, slave);
    if (master < 0) {
        std::fprintf(stderr, "winkeyer_sim: no pseudo-terminal: %s\n", std::strerror(errno));
        return 2;
    }
    if (!o.link.empty()) {
        unlink(o.link.c_str());
        if (symlink(slaveName.c_str(), o.link.c_str()) != 0) {
            std::fprintf(stderr, "winkeyer_sim: cannot link %s: %s\n", o.link.c_str(), std::strerror(errno));
            return 2;
        }
    }
    int port = 0;
    int listener = o.control.empty() ? -1 : Listen(port);
    if (!o.control.empty() &&
        (listener < 0 || !WriteAtomically(o.control, "port " + std::to_string(port) + "\ntty " + slaveName + "\n"))) {
        std::fprintf(stderr, "winkeyer_sim: no control port\n");
        if (!o.link.empty()) unlink(o.link.c_str());
        return 2;
    }
    if (o.control.empty()) std::printf("winkeyer_sim: keyer on %s\n", slaveName.c_str());
    std::fflush(stdout);

    const double start = MonotonicMs();
    auto now = [&] { return (MonotonicMs() - start) * o.scale; };
    WinKeyerDevice device(o.device, files);
    files.Line(0, ("tty " + slaveName).c_str());
    int conn = -1;
    bool hadController = false;
    bool frozen = false;
    std::string pending;

    auto reply = [&](const std::string& text) {
        std::string line = text + "\n";
        if (conn >= 0 && send(conn, line.data(), line.size(), MSG_NOSIGNAL) < 0) {}
    };

    while (!g_stop) {
        double t = now();
        if ((MonotonicMs() - start) > o.maxSeconds * 1000) break;
        if (!frozen) device.Advance(t);
        files.Audio(t);
        winkeyer::Bytes out = device.TakeOutput();
        if (!out.empty() && master >= 0 && !frozen && !o.silent) {
            if (write(master, out.data(), out.size()) < 0) {}
        }

        double due = frozen ? KeyerCore::kNever : device.NextDue();
        double waitMs = 20;  // the WAV file follows the time line at least this often
        if (!std::isinf(due)) waitMs = std::min(waitMs, std::max(0.0, (due - t) / o.scale));
        pollfd fds[3];
        int n = 0;
        int masterAt = -1, listenAt = -1, connAt = -1;
        if (master >= 0 && !frozen) {
            fds[n] = {master, POLLIN, 0};
            masterAt = n++;
        }
        if (listener >= 0 && conn < 0) {
            fds[n] = {listener, POLLIN, 0};
            listenAt = n++;
        }
        if (conn >= 0) {
            fds[n] = {conn, POLLIN, 0};
            connAt = n++;
        }
        int timeout = static_cast<int>(std::ceil(waitMs));
        if (poll(fds, n, timeout) < 0) continue;

        if (masterAt >= 0 && (fds[masterAt].revents & POLLIN)) {
            unsigned char buffer[256];
            ssize_t got = read(master, buffer, sizeof buffer);
            if (got > 0 && o.silent) {
                files.Line(now(), ("heard " + winkeyer::Hex(buffer, static_cast<std::size_t>(got))).c_str());
            } else if (got > 0) {
                device.FromHost(buffer, static_cast<std::size_t>(got), now());
            }
        }
        if (listenAt >= 0 && (fds[listenAt].revents & POLLIN)) {
            conn = accept(listener, nullptr, nullptr);
            hadController = conn >= 0;
        }
        if (connAt >= 0 && (fds[connAt].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[512];
            ssize_t got = recv(conn, buffer, sizeof buffer, 0);
            if (got <= 0) {
                close(conn);
                conn = -1;
                if (hadController) break;  // the controller has gone: so does the keyer
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(got));
            std::size_t eol;
            while ((eol = pending.find('\n')) != std::string::npos) {
                std::string line = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                std::string word = line.substr(0, line.find(' '));
                std::string arg = line.size() > word.size() ? line.substr(word.size() + 1) : "";
                double tc = now();
                if (word == "paddle" || word == "contacts") {
                    files.Line(tc, line.c_str());
                    bool ok = !frozen && (word == "paddle" ? device.PaddleText(arg, tc) : device.PaddleContacts(arg, tc));
                    reply(ok ? "ok" : "error no such pattern");
                } else if (word == "freeze") {
                    frozen = true;
                    files.Line(tc, "freeze");
                    reply("ok");
                } else if (word == "hangup") {
                    if (master >= 0) close(master);
                    master = -1;
                    files.Line(tc, "hangup");
                    reply("ok");
                } else if (word == "status") {
                    char s[64];
                    std::snprintf(s, sizeof s, "%02X %s", device.StatusByte(), device.HostOpen() ? "open" : "closed");
                    reply(s);
                } else if (word == "quit") {
                    reply("ok");
                    g_stop = 1;
                } else {
                    reply("error unknown command");
                }
            }
        }
    }
    files.Audio(now());
    files.Line(now(), "end");
    if (!o.link.empty()) {
        char target[256] = {};
        ssize_t len = readlink(o.link.c_str(), target, sizeof target - 1);
        if (len > 0 && slaveName == std::string(target, static_cast<std::size_t>(len))) unlink(o.link.c_str());
    }
    if (conn >= 0) close(conn);
    if (listener >= 0) close(listener);
    if (master >= 0) close(master);
    close(slave);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArgs(argc, argv, o)) {
        bool help = argc == 2 && std::strcmp(argv[1], "--help") == 0;
        std::fprintf(help ? stdout : stderr,
                     "usage: winkeyer_sim [--link PATH] [--trace FILE] [--wav FILE] [--control FILE]\n"
                     "                    [--version N] [--buffer N] [--timescale N] [--silent] [--max-seconds N]\n");
        return help ? 0 : 2;
    }
    signal(SIGHUP, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    // A session of its own, so that the pseudo-terminal can be its controlling terminal. A
    // process-group leader (started from a shell) cannot start one: it runs the simulator in a
    // child and waits for it.
    if (setsid() < 0) {
        pid_t child = fork();
        if (child < 0) return 2;
        if (child > 0) {
            signal(SIGINT, SIG_IGN);
            int status = 0;
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
            return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        }
        setsid();
    }
    return Run(o);
}
