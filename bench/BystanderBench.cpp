// What Tandem costs the programs beside it that it does not follow. The bystanders are logger
// stand-ins, one of each bitness, that only post messages to themselves and retrieve them:
//
//   bystander_msg_ratio_<bits>     cost per retrieved message beside the running Tandem, against
//                                  the same bystander before Tandem started and after it ended
//   bystander_max_wait_ms_<bits>   the longest single message while Tandem opens a 1 MB log,
//                                  its main thread busy for seconds
//   bystander_base_max_wait_ms_<bits>  the longest single message over as long a span without
//                                  Tandem: what the machine gives anyway
//   tandem_log_open_ms             how long Tandem took to open the log
//
// Windows calls a system-wide hook of a 32-bit program for every 64-bit program on the thread
// that installed it, and each such program waits for that thread. Tandem installs its hook from a
// thread that does nothing but retrieve messages. For comparison, the same bystanders are then
// measured beside an empty hook that this program installs from its own main thread, first while
// that thread retrieves its messages and then while it is busy as long as Tandem's log open took:
//
//   bystander_msg_ratio_idle_installer_<bits>, bystander_max_wait_ms_busy_installer_<bits>
//
// which is what a hook held by a busy main thread costs them. Where the two busy figures are
// alike, the system does not call the hook on the installing thread for that bystander.
//
// The bystander of this program's bitness is LoggerSim.exe beside it; the other one is looked for
// in the folder that TANDEM_OTHER_BIN names, else in ..\..\<other>\bin (the build trees side by
// side). Without it, the figures of this bitness alone are printed and stderr says so.
//
// Usage: bench_bystander.exe [--short]
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FwIds.h"
#include "LoggerSimClient.h"
#include "ParagraphLog.h"
#include "ShortOption.h"
#include "TandemSession.h"

namespace {

// A message no reader looks at: the bystander is no logger Tandem follows.
constexpr UINT kPlainMessage = WM_USER + 1;
constexpr std::size_t kLogBytes = 1000000;

double NowMs() {
  static const LONGLONG freq = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) * 1000.0 / double(freq);
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "bench_bystander: %s\n", why.c_str());
  return 1;
}

struct Bystander {
  std::string bits;  // "32" or "64"
  std::unique_ptr<LoggerSimClient> sim;
  double baseNs = -1, tandemNs = -1, idleInstallerNs = -1;
  double baseLongestMs = -1, tandemLongestMs = -1, busyInstallerLongestMs = -1;
};

// Average cost of one post and retrieval in nanoseconds, or a negative value.
double CostNs(const LoggerSimClient& sim, int count) {
  const std::intptr_t ps = sim.Command("bench " + std::to_string(kPlainMessage) + " " + std::to_string(count), 120000);
  return ps < 0 ? -1.0 : double(ps) / 1000.0;
}

void KeepBest(double& best, double value) {
  if (value >= 0 && (best < 0 || value < best)) best = value;
}

// Runs `measure` for the bystanders at once, each on a thread of its own, while this thread
// does `meanwhile`; returns once all have answered.
template <typename Measure, typename Meanwhile>
void MeasureOn(const std::vector<Bystander*>& bystanders, Measure measure, Meanwhile meanwhile) {
  std::vector<std::thread> threads;
  volatile LONG running = static_cast<LONG>(bystanders.size());
  for (Bystander* b : bystanders) {
    threads.emplace_back([b, &measure, &running] {
      measure(*b);
      InterlockedDecrement(&running);
    });
  }
  meanwhile([&running] { return running == 0; });
  for (std::thread& t : threads) t.join();
}

template <typename Measure, typename Meanwhile>
void MeasureAll(std::vector<Bystander>& bystanders, Measure measure, Meanwhile meanwhile) {
  std::vector<Bystander*> all;
  for (Bystander& b : bystanders) all.push_back(&b);
  MeasureOn(all, measure, meanwhile);
}

// The longest single message in ms over `spanMs`, or a negative value.
double LongestMs(const LoggerSimClient& sim, int spanMs) {
  const std::intptr_t us = sim.Command("bench-longest " + std::to_string(kPlainMessage) + " " + std::to_string(spanMs),
                                       static_cast<UINT>(spanMs) + 60000);
  return us < 0 ? -1.0 : double(us) / 1000.0;
}

// Waits until Tandem answers several times in a row at once: its log work is over.
void WaitIdle(HWND tandem, double limitMs) {
  const double start = NowMs();
  int quick = 0;
  while (quick < 5 && NowMs() - start < limitMs) {
    DWORD_PTR result = 0;
    const double sent = NowMs();
    SendMessageTimeoutA(tandem, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    quick = NowMs() - sent < 2.0 ? quick + 1 : 0;
    Sleep(7);
  }
}

// Has Tandem open its first recent file, the log, as the File menu does; returns how long the
// command kept Tandem's thread, in ms, or a negative value.
double OpenLog(HWND tandem) {
  DWORD_PTR result = 0;
  const double start = NowMs();
  if (!SendMessageTimeoutA(tandem, WM_COMMAND, FW_ID_FILE_MRU_FIRST, 0, SMTO_NORMAL, 120000, &result)) return -1;
  return NowMs() - start;
}

void Print(const char* name, const std::string& bits, double value, int decimals = 3) {
  if (value < 0) {
    std::fprintf(stderr, "bench_bystander: no figure for %s_%s\n", name, bits.c_str());
    return;
  }
  std::printf("%s_%s=%.*f\n", name, bits.c_str(), decimals, value);
}

}  // namespace

int main(int argc, char** argv) {
  bool shortRun = false;
  if (!ReadShortOption(argc, argv, "bench_bystander.exe", shortRun)) return 2;
  const int count = shortRun ? 1000 : 5000;
  const int rounds = shortRun ? 2 : 5;

  std::vector<Bystander> bystanders;
  const std::string ownBits = sizeof(void*) == 4 ? "32" : "64";
  const std::string otherBits = sizeof(void*) == 4 ? "64" : "32";
  std::vector<std::pair<std::string, std::string>> paths = {{ownBits, LoggerSimPathBesideThisProgram()}};
  const std::string other = OtherBitnessLoggerSimPath();
  if (other.empty()) {
    std::fprintf(stderr,
                 "bench_bystander: the %s-bit bystander was not found (TANDEM_OTHER_BIN, or the %s build beside "
                 "this one); only the %s-bit figures follow\n",
                 otherBits.c_str(), sizeof(void*) == 4 ? "x86_64" : "i686", ownBits.c_str());
  } else {
    paths.push_back({otherBits, other});
  }
  // The 64-bit figures first, as the test command lists them.
  std::sort(paths.begin(), paths.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& p : paths) {
    Bystander b;
    b.bits = p.first;
    b.sim = std::make_unique<LoggerSimClient>();
    if (!b.sim->Start(p.second)) {
      // A machine that runs no program of the other bitness still gives this bitness's figures.
      if (b.bits == ownBits) return Fail("cannot start the " + b.bits + "-bit bystander: " + b.sim->error());
      std::fprintf(stderr, "bench_bystander: the %s-bit bystander does not start here (%s); only the %s-bit figures follow\n",
                   b.bits.c_str(), b.sim->error().c_str(), ownBits.c_str());
      continue;
    }
    bystanders.push_back(std::move(b));
  }

  const std::string folder = MakeTempFolder("tandem-bystander-");
  if (folder.empty()) return Fail("cannot make a working folder");
  const std::string logPath = folder + "\\contest.txt";
  if (!WriteWholeFile(logPath, OneParagraphLog(kLogBytes, 4242))) {
    RemoveFolder(folder);
    return Fail("cannot write the log");
  }

  // Without Tandem.
  for (int r = 0; r < rounds; ++r)
    for (Bystander& b : bystanders) KeepBest(b.baseNs, CostNs(*b.sim, count));

  int rc = 0;
  double openMs = -1;
  {
    TandemSession tandem;
    TandemSetup setup;
    setup.binDir = ThisProgramFolder();
    setup.workDir = folder;
    setup.ini = "[Window]\r\nCloseAnyway=1\r\n[Recent File List]\r\nFile1=" + logPath + "\r\n";
    setup.env = {{"KEYPORT_AUDIO", "0"}};
    if (!tandem.Start(setup)) {
      rc = Fail(tandem.error());
    } else {
      WaitIdle(tandem.MainWindow(), 10000);
      for (int r = 0; r < rounds; ++r)
        for (Bystander& b : bystanders) KeepBest(b.tandemNs, CostNs(*b.sim, count));

      // A first open gives the span that the bystanders watch, with room on either side.
      const double firstOpenMs = OpenLog(tandem.MainWindow());
      WaitIdle(tandem.MainWindow(), 30000);
      if (firstOpenMs < 0) {
        rc = Fail("Tandem did not open the log");
      } else {
        const int spanMs = static_cast<int>(std::min(firstOpenMs * 1.5 + 1500, 55000.0));
        MeasureAll(
            bystanders, [spanMs](Bystander& b) { b.tandemLongestMs = LongestMs(*b.sim, spanMs); },
            [&](const auto&) {
              Sleep(300);  // the bystanders are under way
              openMs = OpenLog(tandem.MainWindow());
            });
        WaitIdle(tandem.MainWindow(), 30000);
        // Over the same span without Tandem, once it has gone; the cost per message again too, so
        // that the machine's state before and after counts alike.
        tandem.Stop(5000);
        for (int r = 0; r < rounds; ++r)
          for (Bystander& b : bystanders) KeepBest(b.baseNs, CostNs(*b.sim, count));
        MeasureAll(
            bystanders, [spanMs](Bystander& b) { b.baseLongestMs = LongestMs(*b.sim, spanMs); },
            [](const auto&) {});

        // The former way: an empty hook held by this program's main thread.
        HMODULE emptyModule = LoadLibraryA("EmptyHook.dll");
        HOOKPROC emptyProc = emptyModule ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                               GetProcAddress(emptyModule, "EmptyHookProc")))
                                         : nullptr;
        HHOOK empty = emptyProc ? SetWindowsHookExA(WH_GETMESSAGE, emptyProc, emptyModule, 0) : nullptr;
        if (empty == nullptr) {
          std::fprintf(stderr, "bench_bystander: cannot install the empty hook; no installer figures\n");
        } else {
          // One bystander at a time, as the cost per message is measured everywhere else.
          for (int r = 0; r < rounds; ++r) {
            for (Bystander& one : bystanders) {
              MeasureOn(
                  {&one}, [count](Bystander& b) { KeepBest(b.idleInstallerNs, CostNs(*b.sim, count)); },
                  [](const auto& done) { LoggerSimClient::PumpUntil(done, 300000); });
            }
          }
          const DWORD busyMs = static_cast<DWORD>(std::max(openMs, 0.0));
          MeasureAll(
              bystanders, [spanMs](Bystander& b) { b.busyInstallerLongestMs = LongestMs(*b.sim, spanMs); },
              [busyMs](const auto& done) {
                Sleep(300);
                Sleep(busyMs);  // busy, as a main thread opening the log is: no message looked at
                LoggerSimClient::PumpUntil(done, 300000);
              });
          UnhookWindowsHookEx(empty);
        }
        if (emptyModule) FreeLibrary(emptyModule);
      }
    }
    tandem.Stop();
  }
  for (Bystander& b : bystanders) b.sim->Stop();
  RemoveFolder(folder);
  if (rc != 0) return rc;

  for (const Bystander& b : bystanders) {
    Print("bystander_msg_ratio", b.bits, b.baseNs > 0 && b.tandemNs >= 0 ? b.tandemNs / b.baseNs : -1);
    Print("bystander_max_wait_ms", b.bits, b.tandemLongestMs);
    Print("bystander_base_max_wait_ms", b.bits, b.baseLongestMs);
    Print("bystander_msg_ratio_idle_installer", b.bits,
          b.baseNs > 0 && b.idleInstallerNs >= 0 ? b.idleInstallerNs / b.baseNs : -1);
    Print("bystander_max_wait_ms_busy_installer", b.bits, b.busyInstallerLongestMs);
    Print("bystander_msg_ns", b.bits, b.tandemNs, 0);
    Print("bystander_base_msg_ns", b.bits, b.baseNs, 0);
  }
  std::printf("tandem_log_open_ms=%.0f\n", openMs);
  return 0;
}
