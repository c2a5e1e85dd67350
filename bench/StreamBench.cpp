// Does keying ever wait for the program? The real main frame keys a 40-character message with a
// late report ("$R") and a late exchange ("$A") through the keyer emulator in real time at
// 50 WPM while the log holds 1,000,000 characters. From the emulator's trace: the largest gap
// between two characters beyond the ideal character or word gap. Measured around the frame's
// handling of the report that fills in "$R": the time to rewrite the log.
// Prints name=value figures; --short keys on a faster time line once; --trace <file> keeps the
// last run's trace.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "MainFrame.h"
#include "TandemApp.h"
#include "TandemView.h"

namespace {

constexpr int kWpm = 50;
constexpr size_t kLogChars = 1000000;
// 40 characters once "$R" is 5NN and "$A" is 12 (keyed as 12).
const char kMessage[] = "$C UR $R $R NR $A TU DE XX9ABC QRZ";

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof(path));
  return Folder(std::string(path, n));
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

double Ms(LONGLONG ticks) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(ticks) * 1000.0 / static_cast<double>(f.QuadPart);
}

// Largest gap between the end of one character's last element and the start of the next
// character's first element, beyond 3 dots (7 when a word space lies between).
double ExtraGapMs(const std::string& trace, double dotMs) {
  double worst = 0;
  double lastOff = -1;
  bool wordSpace = false;
  bool newChar = false;
  size_t pos = 0;
  while (pos < trace.size()) {
    size_t end = trace.find('\n', pos);
    if (end == std::string::npos) end = trace.size();
    const std::string line = trace.substr(pos, end - pos);
    pos = end + 1;
    const double t = std::strtod(line.c_str(), nullptr);
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    const std::string event = line.substr(space + 1);
    if (event.compare(0, 5, "char ") == 0) {
      if (event.compare(5, 2, "20") == 0) {
        wordSpace = true;
      } else {
        newChar = true;
      }
    } else if (event.compare(0, 6, "key on") == 0) {
      if (newChar && lastOff >= 0) {
        const double ideal = (wordSpace ? 7 : 3) * dotMs;
        worst = std::max(worst, t - lastOff - ideal);
      }
      newChar = false;
      wordSpace = false;
    } else if (event.compare(0, 7, "key off") == 0) {
      lastOff = t;
    }
  }
  return worst;
}

struct Run {
  double extraGapMs = -1;
  double rewriteMs = -1;
  bool complete = false;
};

Run RunOnce(CMainFrame* frame, const std::string& tracePath, double timescale) {
  Run run;
  CTandemHLView* view = frame->GetLogView();
  // A full log: lines of earlier contacts.
  std::string log;
  log.reserve(kLogChars);
  const std::string line = "XX1ABC UR 5NN [KN] TU 73 E E QRZ? DE XX9ABC/1 TEST 599 12\r\n";
  while (log.size() + line.size() <= kLogChars) log += line;
  log.append(kLogChars - log.size(), 'E');
  view->SetWholeText(log);

  frame->m_call = "XX1ABC";
  frame->m_report = "599";
  frame->m_subst9 = "N";
  frame->m_exch = "12";
  frame->m_mode = "CW";
  frame->SetMemory(0, 0, kMessage);
  frame->LayoutFnButtons(0, 12);
  frame->SendFnMessage(1000, false);

  // The frame's message loop, timing the report that fills in "$R".
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(60000 / timescale) + 5000;
  while (static_cast<LONG>(deadline - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      const bool rewrite = msg.message == frame->m_keyerMsg && msg.hwnd == frame->m_hWnd &&
                           frame->m_sendQueue.compare(0, 2, "$R") == 0 && msg.lParam < 3;
      LARGE_INTEGER a, b;
      ::QueryPerformanceCounter(&a);
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
      ::QueryPerformanceCounter(&b);
      if (rewrite && run.rewriteMs < 0) run.rewriteMs = Ms(b.QuadPart - a.QuadPart);
    }
    if (frame->m_sendQueue.empty() && frame->m_pending == 0) {
      run.complete = true;
      break;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  // The trace runs on the emulator's time line: a delay of the program
  // looks longer there by the time scale, so the figure is brought back to real time.
  run.extraGapMs = ExtraGapMs(ReadAll(tracePath), 1200.0 / kWpm) / timescale;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  bool shortRun = false;
  std::string keptTrace;  // --trace <file>: the last run's trace is kept there
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--short") == 0) {
      shortRun = true;
    } else if (std::strcmp(argv[i], "--trace") == 0 && i + 1 < argc) {
      keptTrace = argv[++i];
    } else {
      std::fprintf(stderr, "bench_stream: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  const double timescale = shortRun ? 10.0 : 1.0;
  const int runs = shortRun ? 1 : 3;

  char temp[MAX_PATH];
  ::GetTempPathA(sizeof(temp), temp);
  char name[64];
  std::snprintf(name, sizeof(name), "tandem-bench-stream-%lu", ::GetCurrentProcessId());
  const std::string work = std::string(temp) + name;
  ::CreateDirectoryA(work.c_str(), nullptr);
  ::SetCurrentDirectoryA(work.c_str());
  const std::string tracePath = work + "\\trace.txt";
  char scale[16];
  std::snprintf(scale, sizeof(scale), "%g", timescale);
  ::SetEnvironmentVariableA("KEYPORT_TRACE", tracePath.c_str());
  ::SetEnvironmentVariableA("KEYPORT_TIMESCALE", scale);
  ::SetEnvironmentVariableA("KEYPORT_AUDIO", "0");
  ::SetEnvironmentVariableA("KEYPORT_NODEVICE", nullptr);

  Run worst;
  bool ok = true;
  for (int i = 0; i < runs && ok; ++i) {
    CTandemHLApp app;
    app.Initialize(::GetModuleHandleA(nullptr));
    ::SetDllDirectoryA((ProgramFolder() + "emulator").c_str());
    const bool started = app.InitInstance();
    ::SetDllDirectoryA(nullptr);
    auto* frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    if (!started || !frame || frame->m_device < 0) {
      std::fprintf(stderr, "bench_stream: the program or the keyer emulator did not start\n");
      ok = false;
    } else {
      frame->ApplyWpm(kWpm);
      const Run run = RunOnce(frame, tracePath, timescale);
      if (!run.complete || run.rewriteMs < 0) {
        std::fprintf(stderr, "bench_stream: the message did not stream to its end\n");
        ok = false;
      }
      worst.extraGapMs = std::max(worst.extraGapMs, run.extraGapMs);
      worst.rewriteMs = std::max(worst.rewriteMs, run.rewriteMs);
    }
    if (frame && frame->m_hWnd) ::DestroyWindow(frame->m_hWnd);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    app.ExitInstance();
  }
  if (!keptTrace.empty()) ::CopyFileA(tracePath.c_str(), keptTrace.c_str(), FALSE);
  ::DeleteFileA(tracePath.c_str());
  ::DeleteFileA((work + "\\Tandem.ini").c_str());
  ::SetCurrentDirectoryA(temp);
  ::RemoveDirectoryA(work.c_str());
  if (!ok) return 1;
  std::printf("log_chars=%u\n", static_cast<unsigned>(kLogChars));
  std::printf("stream_extra_gap_ms=%.2f\n", worst.extraGapMs);
  std::printf("log_rewrite_ms=%.2f\n", worst.rewriteMs);
  return 0;
}
