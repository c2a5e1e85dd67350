// The demo: the logger stand-in, Tandem, and the keyer emulator inside Tandem, started together.
//
//   DemoDriver.exe --work <folder> [--script --out <folder>]
//
// Tandem runs in <folder> (its Tandem.ini and the emulator's keyport.dll are put there). Without
// --script the operator works the two windows until Tandem is closed. With --script a contest
// exchange is played through the logger's keys: a CQ with F1, a caller's call typed into the call
// box, F2 with the report, F3 to end. Then "ready for the screenshot" is printed and the driver
// waits (at most a minute) for the file screenshot.done in the output folder, writes the log
// view's text and the keyer trace there, prints what was keyed, and closes both programs.
// The side tone goes to the sound device and to the file named by KEYPORT_WAV, if set.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "LoggerSimClient.h"
#include "TandemSession.h"

namespace {

constexpr char kDemoIni[] =
    "[Bank-A]\r\n"
    "Fn01=CQ TEST $M $M TEST\r\n"
    "Fn02=$C UR $R [KN]\r\n"
    "Fn03=TU $M TEST\r\n"
    "[Keyer]\r\nWPM=24\r\n9=N\r\nPTT=1\r\nSideTone=1\r\n"
    "[Profile]\r\nMyCallSign=JA1ZZZ\r\n"
    "[Window]\r\nCloseAnyway=1\r\nFn12=0\r\n";

std::vector<std::string> g_overs;  // what each key press had keyed, for the summary

// Prosign code bytes as the operator knows them.
struct Prosign {
  const char* hex;
  const char* name;
};
constexpr Prosign kProsigns[] = {{"<B4>", "[KN]"}, {"<17>", "[VA]"}, {"<54>", "[AR]"},
                                 {"<8C>", "[BT]"}, {"<44>", "[AS]"}};

std::string Readable(std::string text) {
  for (const Prosign& p : kProsigns) {
    for (std::size_t at = text.find(p.hex); at != std::string::npos; at = text.find(p.hex, at)) {
      text.replace(at, std::strlen(p.hex), p.name);
    }
  }
  return text;
}

void Press(BYTE vk, bool shift = false) {
  if (shift) keybd_event(VK_SHIFT, 0, 0, 0);
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
  if (shift) keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}

void Pause(DWORD ms) { LoggerSimClient::PumpUntil([] { return false; }, ms); }

std::size_t CountEvents(const std::vector<TraceEvent>& t, const char* name) {
  std::size_t n = 0;
  for (const TraceEvent& e : t) n += e.event == name ? 1 : 0;
  return n;
}

// The keyer has keyed everything it was handed and let the PTT go.
bool KeyerIdle(const std::vector<TraceEvent>& t) {
  const std::string handed = HandedToKeyer(t);
  std::size_t items = 0;
  for (std::size_t i = 0; i < handed.size(); ++i) {
    if (handed[i] == '<' && i + 3 < handed.size() && handed[i + 3] == '>') i += 3;
    ++items;
  }
  if (items == 0 || CountEvents(t, "char") < items) return false;
  for (auto e = t.rbegin(); e != t.rend(); ++e) {
    if (e->event == "ptt") return e->rest == "off";
  }
  return false;
}

// Presses a function key in the logger and waits until the keyer has sent what it started.
bool SendAndWait(LoggerSimClient& sim, TandemSession& tandem, BYTE vk, const char* what) {
  if (sim.Command("focus call") != 1) {
    std::fprintf(stderr, "demo: the logger's call box did not take the focus\n");
    return false;
  }
  const std::size_t before = HandedToKeyer(tandem.Trace()).size();
  std::printf("demo: %s\n", what);
  std::fflush(stdout);
  Press(vk);
  const bool started = LoggerSimClient::PumpUntil(
      [&] { return HandedToKeyer(tandem.Trace()).size() > before; }, 10000);
  if (!started) {
    std::fprintf(stderr, "demo: nothing was keyed\n");
    return false;
  }
  if (!LoggerSimClient::PumpUntil([&] { return KeyerIdle(tandem.Trace()); }, 60000)) {
    std::fprintf(stderr, "demo: the keyer did not finish\n");
    return false;
  }
  const std::string keyed = Readable(HandedToKeyer(tandem.Trace()).substr(before));
  std::printf("demo:   keyed \"%s\"\n", keyed.c_str());
  std::fflush(stdout);
  g_overs.push_back(keyed);
  Pause(600);  // a breath between the overs, as on the air
  return true;
}

bool PlayExchange(LoggerSimClient& sim, TandemSession& tandem) {
  // Running mode: the logger's check control on, which puts Tandem on Bank-A, the CQ bank, once a
  // record carries it; a Shift tap in the call box sends one.
  if (sim.Command("text report 599") != 1 || sim.Command("check 1") != 1 || sim.Command("focus call") != 1) {
    return false;
  }
  Press(VK_SHIFT);
  LoggerSimClient::PumpUntil([&] { return tandem.ControlText(1000).find("CQ") == 0; }, 5000);
  if (!SendAndWait(sim, tandem, VK_F1, "F1 in the logger: calling CQ")) return false;
  if (sim.Command("focus call") != 1) return false;
  std::printf("demo: a caller answers; typing JA2XYZ into the call box\n");
  std::fflush(stdout);
  for (char c : std::string("JA2XYZ")) {
    const SHORT scan = VkKeyScanA(c);
    Press(static_cast<BYTE>(scan & 0xFF), (scan & 0x100) != 0);
    Pause(180);
  }
  if (!SendAndWait(sim, tandem, VK_F2, "F2 in the logger: his call and the report")) return false;
  return SendAndWait(sim, tandem, VK_F3, "F3 in the logger: thanks, and the QSO ends");
}

int Usage() {
  std::fprintf(stderr, "usage: DemoDriver.exe --work <folder> [--script --out <folder>]\n");
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "demo: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string work, out;
  bool script = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--work") == 0 && i + 1 < argc) {
      work = argv[++i];
    } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      out = argv[++i];
    } else if (std::strcmp(argv[i], "--script") == 0) {
      script = true;
    } else {
      return Usage();
    }
  }
  if (work.empty() || (script && out.empty())) return Usage();

  LoggerSimClient sim;
  if (!sim.Start(LoggerSimPathBesideThisProgram())) return Fail(sim.error());
  TandemSession tandem;
  TandemSetup setup;
  setup.binDir = ThisProgramFolder();
  setup.workDir = work;
  setup.ini = kDemoIni;
  if (!tandem.Start(setup)) return Fail(tandem.error());
  // Tandem along the top, the logger's entry window below it.
  SetWindowPos(tandem.MainWindow(), nullptr, 10, 10, 760, 260, SWP_NOZORDER | SWP_NOACTIVATE);
  sim.Command("move 10 300");

  if (!script) {
    std::printf("Tandem and the logger stand-in are running. Type a call sign into the entry window's\n"
                "call box and press F1..F12; Esc cancels, Ctrl+PgUp/PgDn change the speed, Ctrl+Z\n"
                "repeats the CQ, Shift+Ctrl+F switches the bank. Close Tandem to end.\n");
    std::fflush(stdout);
    // As the logger starts a contest: the report filled in, running mode on (Bank-A, the CQ bank,
    // once the first record carries it), the call box ready for typing.
    sim.Command("text report 599");
    sim.Command("check 1");
    sim.Command("focus call");
    LoggerSimClient::PumpUntil([&] { return !tandem.Running(); }, INFINITE);
    sim.Stop();
    return 0;
  }

  const bool played = PlayExchange(sim, tandem);
  std::printf("demo: ready for the screenshot\n");
  std::fflush(stdout);
  const std::string signal = out + "\\screenshot.done";
  LoggerSimClient::PumpUntil([&] { return GetFileAttributesA(signal.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
  DeleteFileA(signal.c_str());

  const std::string log = tandem.LogText();
  WriteWholeFile(out + "\\log.txt", log);
  const std::vector<TraceEvent> trace = tandem.Trace();
  tandem.Stop(10000);
  sim.Stop();
  CopyFileA(tandem.TracePath().c_str(), (out + "\\keyer-trace.txt").c_str(), FALSE);

  std::string summary;
  for (const std::string& over : g_overs) summary += (summary.empty() ? "" : " / ") + over;
  std::printf("Keyed: %s\n", summary.c_str());
  std::printf("Morse characters keyed by the emulator: %u\n", static_cast<unsigned>(CountEvents(trace, "char")));
  std::printf("Log view:\n%s\n", log.c_str());
  return played ? 0 : 1;
}
