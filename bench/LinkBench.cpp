// From the logger's F2 to the keyer: how long after the logger stand-in's WM_KEYDOWN of F2 the
// emulator inside Tandem receives the first keyportPutChar, against a bare WM_COPYDATA round trip
// between the same two processes (the stand-in and Tandem).
//
// One clock for three processes: the stand-in stamps the moment it posts WM_KEYDOWN with the
// performance counter, which is one counter for the whole machine. The emulator's trace counts
// milliseconds on its own time base (from the moment it was loaded); to place that base on the
// counter, this program sends the emulator's control window a command it refuses, which the
// emulator traces at once, between two counter readings taken here. The tightest of several such
// brackets fixes the offset; half its width is the error of the placement, printed as
// clock_error_ms.
//
// record_to_keyer_ms is the same path without the logger: the F2 record sent straight to Tandem's
// window from here, so the difference from key_to_keyer_ms is the logger's side (retrieving the
// key, the hook reading the entry window, sending the record). logger_wait_ms is how long that
// send keeps the sending thread waiting, as the logger's thread waits for each record.
//
// The figures are taken with Tandem's log empty, and again with a log of one paragraph as the
// program writes it (100 KB; also 1 MB in the full run), suffixed _100k and _1m.
//
// key_to_keyer_ratio divides the median F2-to-keyer time by the median of single WM_COPYDATA
// round trips from the stand-in to Tandem, one taken in each round right beside the F2, so that
// both meet the machine in the same state; the first rounds of each log warm up and are not
// counted, and every measurement starts once Tandem has finished its log work and waits for input
// (log_work_wait_max_ms is the longest such wait). copydata_roundtrip_ms is the mean of many round
// trips back to back (both threads awake), and key_to_keyer_loop_ratio the median over that.
//
// Usage: bench_link.exe [--short]
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "KeyportControl.h"
#include "LoggerSimClient.h"
#include "ParagraphLog.h"
#include "ShortOption.h"
#include "TandemSession.h"

namespace {

double CounterMs(LONGLONG count) {
  static LARGE_INTEGER freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return double(count) * 1000.0 / double(freq.QuadPart);
}

// The stand-in's counter reading from "post-stamped", as wide as the counter. A command's result
// is pointer-sized, so a 32-bit build gets the counter's low 32 bits only; the reading came just
// before now, so it is the last counter value before now with those low bits.
LONGLONG WidenStamp(std::intptr_t stamp) {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  if (sizeof(stamp) >= sizeof(LONGLONG)) return static_cast<LONGLONG>(stamp);
  const std::uint32_t back = static_cast<std::uint32_t>(now.QuadPart) - static_cast<std::uint32_t>(stamp);
  return now.QuadPart - static_cast<LONGLONG>(back);
}

double NowMs() {
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return CounterMs(c.QuadPart);
}

std::size_t CountEvents(const std::vector<TraceEvent>& t, const char* name) {
  return static_cast<std::size_t>(std::count_if(t.begin(), t.end(), [&](const TraceEvent& e) { return e.event == name; }));
}

// The trace time of the n-th (0-based) event of that name, or a negative value.
double NthEventMs(const std::vector<TraceEvent>& t, const char* name, std::size_t n) {
  for (const TraceEvent& e : t) {
    if (e.event != name) continue;
    if (n == 0) return e.ms;
    --n;
  }
  return -1;
}

struct Anchor {
  double offsetMs = 0;  // trace time minus counter time
  double errorMs = 1e9;
};

// Places the emulator's time base on the counter (see the top of the file).
bool Calibrate(HWND keyer, TandemSession& tandem, Anchor* best) {
  const unsigned char refused = 0;  // no command 0: the emulator refuses and traces it
  for (int i = 0; i < 20; ++i) {
    const std::size_t before = CountEvents(tandem.Trace(), "paddle");
    COPYDATASTRUCT data = {};
    data.dwData = 0;
    data.cbData = 1;
    data.lpData = const_cast<unsigned char*>(&refused);
    DWORD_PTR result = 0;
    const double a = NowMs();
    if (!SendMessageTimeoutA(keyer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &result)) {
      return false;
    }
    const double b = NowMs();
    std::vector<TraceEvent> t;
    if (!LoggerSimClient::PumpUntil([&] { return CountEvents(t = tandem.Trace(), "paddle") > before; }, 5000)) {
      return false;
    }
    const double traced = NthEventMs(t, "paddle", before);
    const double error = (b - a) / 2;
    if (error < best->errorMs) {
      best->errorMs = error;
      best->offsetMs = traced - (a + b) / 2;
    }
  }
  return true;
}

// Esc in the call box ends the transmission before the next round.
bool CancelAndWait(LoggerSimClient& sim, TandemSession& tandem, std::size_t cancelsBefore) {
  sim.Command("post call 256 27");
  return LoggerSimClient::PumpUntil(
      [&] { return CountEvents(tandem.Trace(), "keyportTxCancel") > cancelsBefore; }, 5000);
}

// Sends Tandem the record that the hook sends for F2 with this call and report; returns the
// counter time (ms) just before the send, or a negative value when the send failed. *waitMs is
// how long the send kept this thread waiting.
double SendRecord(HWND tandem, HWND entry, double* waitMs) {
  static const char kRecord[] = "XX1ABC|599|CW|||0|71|0|0|0|120|560|1|";
  COPYDATASTRUCT data = {};
  data.dwData = reinterpret_cast<ULONG_PTR>(entry);
  data.cbData = sizeof kRecord - 1;
  data.lpData = const_cast<char*>(kRecord);
  DWORD_PTR result = 0;
  const double at = NowMs();
  if (!SendMessageTimeoutA(tandem, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &result)) {
    return -1;
  }
  *waitMs = NowMs() - at;
  return at;
}

// Fills Tandem's log with `bytes` of text as the program writes it (messages separated by
// spaces, no line breaks), appended in pieces across the process boundary.
bool FillLog(HWND view, std::size_t bytes) {
  const std::string text = OneParagraphLog(bytes, 777);
  for (std::size_t at = 0; at < text.size(); at += 4096) {
    const std::string piece = text.substr(at, 4096);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(view, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF, SMTO_NORMAL, 60000, &result) ||
        !SendMessageTimeoutA(view, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()), SMTO_NORMAL,
                             60000, &result)) {
      return false;
    }
  }
  return true;
}

// Characters in Tandem's log, asked across the process boundary.
std::size_t LogLength(HWND view) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutA(view, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length)) return 0;
  return static_cast<std::size_t>(length);
}

// Waits until Tandem's thread has nothing left to do and waits for input, so that each
// measurement starts from the same state. The system's input-idle wait alone is not enough here:
// Tandem answers between the steps of longer log work (a late report written far back in a long
// log is written in steps on a timer), and a record arriving then waits for the step under way.
// So messages are sent through Tandem's queue until several in a row, some milliseconds apart,
// come back at once, or until `limitMs` has passed (a loaded machine may never answer that
// quickly). Returns how long the wait took, in ms.
double WaitIdle(HANDLE process, HWND tandem, double limitMs) {
  const double start = NowMs();
  if (process) WaitForInputIdle(process, 2000);
  const double kQuickMs = 2.0;  // a step of log work takes longer than this
  const int kQuickInARow = 5;
  int quick = 0;
  while (quick < kQuickInARow && NowMs() - start < limitMs) {
    DWORD_PTR result = 0;
    const double sent = NowMs();
    SendMessageTimeoutA(tandem, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    quick = NowMs() - sent < kQuickMs ? quick + 1 : 0;
    Sleep(7);
  }
  return NowMs() - start;
}

// Waits for the n-th keyportPutChar in the emulator's trace. The trace is a file that grows all
// run long: reading it while the F2 travels would take the processor and the system's server from
// the processes being timed, so the first look comes once the path has long finished.
bool WaitForPut(TandemSession& tandem, std::size_t puts, std::vector<TraceEvent>* t) {
  Sleep(25);
  return LoggerSimClient::PumpUntil([&] { return CountEvents(*t = tandem.Trace(), "keyportPutChar") > puts; }, 5000);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "bench_link: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool shortRun = false;
  if (!ReadShortOption(argc, argv, "bench_link.exe", shortRun)) return 2;
  const int rounds = shortRun ? 5 : 40;
  const int warmup = shortRun ? 1 : 3;  // rounds of each log not counted
  const int copies = shortRun ? 200 : 5000;
  // A late report far back in a 1 MB log takes its log about 10 s to write.
  const double idleLimitMs = shortRun ? 3000 : 30000;

  const std::string folder = MakeTempFolder("tandem-bench-");
  if (folder.empty()) return Fail("cannot make a working folder");
  int rc = 0;
  {
    LoggerSimClient sim;
    TandemSession tandem;
    TandemSetup setup;
    setup.binDir = ThisProgramFolder();
    setup.workDir = folder;
    setup.ini = "[Bank-A]\r\nFn02=$C UR $R [KN]\r\n[Keyer]\r\nWPM=30\r\n9=N\r\n[Window]\r\nCloseAnyway=1\r\n";
    setup.env = {{"KEYPORT_AUDIO", "0"}, {"KEYPORT_TIMESCALE", "1"}};
    if (!sim.Start(LoggerSimPathBesideThisProgram())) return Fail(sim.error());
    if (!tandem.Start(setup)) {
      sim.Stop();
      RemoveFolder(folder);
      return Fail(tandem.error());
    }
    char title[64];
    std::snprintf(title, sizeof title, KEYPORT_CONTROL_TITLE_PREFIX "%lu", tandem.ProcessId());
    HWND keyer = FindWindowA(KEYPORT_CONTROL_CLASS, title);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, tandem.ProcessId());
    char mainWindow[32];
    std::snprintf(mainWindow, sizeof mainWindow, "%llu",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(tandem.MainWindow())));

    struct Figures {
      std::vector<double> latencies;
      std::vector<double> direct;  // from a record sent straight to Tandem
      std::vector<double> waits;   // how long that send waited
      std::vector<double> bare;    // single WM_COPYDATA round trips beside them
      double busyMs = 0;           // the longest wait for Tandem's log work to end
    };
    struct LogSize {
      std::size_t bytes;
      const char* suffix;
    };
    std::vector<LogSize> sizes = {{0, ""}, {100000, "_100k"}};
    if (!shortRun) sizes.push_back({1000000, "_1m"});
    std::vector<Figures> figures(sizes.size());
    Anchor anchor;
    if (keyer == nullptr || !Calibrate(keyer, tandem, &anchor)) {
      rc = Fail("cannot place the emulator's time base on the counter");
    } else if (sim.Command("text call XX1ABC") != 1 || sim.Command("text report 599") != 1 ||
               sim.Command("focus call") != 1) {
      rc = Fail("the stand-in did not take the call, the report or the focus");
    }
    for (std::size_t s = 0; s < sizes.size() && rc == 0; ++s) {
      if (sizes[s].bytes > 0) {
        const std::size_t already = LogLength(tandem.LogView());
        if (!FillLog(tandem.LogView(), sizes[s].bytes - std::min(sizes[s].bytes, already)) ||
            LogLength(tandem.LogView()) < sizes[s].bytes) {
          rc = Fail("cannot fill Tandem's log");
          break;
        }
      }
      Figures& f = figures[s];
      const auto settle = [&] {
        f.busyMs = std::max(f.busyMs, WaitIdle(process, tandem.MainWindow(), idleLimitMs));
      };
      for (int i = 0; i < warmup + rounds && rc == 0; ++i) {
        const bool counted = i >= warmup;
        // A bare round trip from the stand-in to Tandem, in the state the F2 meets.
        settle();
        const std::intptr_t bareNs = sim.Command("copydata " + std::string(mainWindow) + " 1");
        if (bareNs <= 0) {
          rc = Fail("the WM_COPYDATA round trip failed");
          break;
        }
        settle();
        const std::vector<TraceEvent> before = tandem.Trace();
        const std::size_t puts = CountEvents(before, "keyportPutChar");
        const std::size_t cancels = CountEvents(before, "keyportTxCancel");
        const std::intptr_t stamp = sim.Command("post-stamped call 256 113");  // WM_KEYDOWN, F2
        std::vector<TraceEvent> t;
        // 0 is a failed post and -1 a failed command; a 32-bit build's reading is cut to 32 bits
        // and may be negative.
        const bool posted = stamp != 0 && stamp != loggersim::kUnknownCommand;
        const LONGLONG stamped = posted ? WidenStamp(stamp) : 0;
        if (!posted || !WaitForPut(tandem, puts, &t)) {
          rc = Fail("F2 in the stand-in did not reach the keyer");
          break;
        }
        if (counted) {
          f.latencies.push_back(NthEventMs(t, "keyportPutChar", puts) - anchor.offsetMs - CounterMs(stamped));
          f.bare.push_back(double(bareNs) / 1e6);
        }
        if (!CancelAndWait(sim, tandem, cancels)) {
          rc = Fail("Esc in the stand-in did not cancel the transmission");
          break;
        }
        // The same record handed straight to Tandem: the part of the time that Tandem takes.
        const std::size_t putsBefore = CountEvents(t = tandem.Trace(), "keyportPutChar");
        const std::size_t cancelsBefore = CountEvents(t, "keyportTxCancel");
        double waitMs = 0;
        settle();
        const double sent = SendRecord(tandem.MainWindow(), sim.EntryWindow(), &waitMs);
        if (sent < 0 || !WaitForPut(tandem, putsBefore, &t)) {
          rc = Fail("the F2 record did not reach the keyer");
          break;
        }
        if (counted) {
          f.direct.push_back(NthEventMs(t, "keyportPutChar", putsBefore) - anchor.offsetMs - sent);
          f.waits.push_back(waitMs);
        }
        if (!CancelAndWait(sim, tandem, cancelsBefore)) {
          rc = Fail("Esc in the stand-in did not cancel the transmission");
        }
      }
    }
    const std::intptr_t roundTripNs =
        rc == 0 ? sim.Command("copydata " + std::string(mainWindow) + " " + std::to_string(copies), 60000) : -1;
    if (rc == 0 && roundTripNs <= 0) rc = Fail("the WM_COPYDATA round trip failed");
    if (rc == 0) {
      const double roundTripMs = double(roundTripNs) / 1e6;
      std::printf("copydata_roundtrip_ms=%.4f\n", roundTripMs);
      for (std::size_t s = 0; s < sizes.size(); ++s) {
        const Figures& f = figures[s];
        const char* x = sizes[s].suffix;
        const double median = Median(f.latencies);
        const double bare = Median(f.bare);
        std::printf("key_to_keyer_ms%s=%.3f\n", x, median);
        std::printf("key_to_keyer_min_ms%s=%.3f\n", x, *std::min_element(f.latencies.begin(), f.latencies.end()));
        std::printf("record_to_keyer_ms%s=%.3f\n", x, Median(f.direct));
        std::printf("copydata_single_ms%s=%.4f\n", x, bare);
        std::printf("key_to_keyer_ratio%s=%.2f\n", x, median / bare);
        std::printf("key_to_keyer_loop_ratio%s=%.2f\n", x, median / roundTripMs);
        std::printf("logger_wait_ms%s=%.3f\n", x, Median(f.waits));
        std::printf("logger_wait_ratio%s=%.2f\n", x, Median(f.waits) / bare);
        std::printf("log_work_wait_max_ms%s=%.0f\n", x, f.busyMs);
      }
      std::printf("clock_error_ms=%.3f\n", anchor.errorMs);
      std::printf("rounds=%d\n", rounds);
    }
    if (process) CloseHandle(process);
    tandem.Stop();
    sim.Stop();
  }
  RemoveFolder(folder);
  return rc;
}
