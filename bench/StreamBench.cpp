// Does keying ever wait for the program, and what does a long log cost? The real main frame opens
// a saved log as the program writes it (one paragraph: messages separated by spaces, time stamps,
// and old "$R" left by messages cancelled with Esc), appends to it, and keys a 40-character
// message with a late report ("$R") and a late exchange ("$A") through the keyer emulator in real
// time at 50 WPM. Figures, for each log:
//   open_s              opening the saved log through the document
//   append_ms           one message appended to the log (median of several; append_max_ms too)
//   fn_key_ms           the function-key handler: expansion, the first tokens keyed, the log
//   log_rewrite_ms      the keyer report whose token step fills in "$R"
//   longest_handler_ms  the longest single message handled while the message streamed
//   stream_extra_gap_ms the largest gap between two characters beyond the ideal one, from the
//                       emulator's trace
//   rewrite_slices, rewrite_slice_max_ms, rewrite_backlog_s
//                       the log edits left for when the keyer rests (older "$R" far back): how
//                       many, the longest, and when the last was done
// Prints name=value figures, each name with the log's size and count of old "$R" as a suffix;
// --short runs the 100 KB log once on a faster time line; --only=<n> runs one log of the full
// set; --trace=<file> keeps the last run's trace. With BENCH_DEBUG set in the environment, each new
// longest message is named on the standard error output.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "DocTemplate.h"
#include "MainFrame.h"
#include "TandemApp.h"
#include "TandemView.h"

namespace {

constexpr int kWpm = 50;
// 40 characters once "$R" is 5NN and "$A" is 12 (keyed as 12).
const char kMessage[] = "$C UR $R $R NR $A TU DE XX9ABC QRZ";

struct LogShape {
  size_t bytes;
  int oldReports;  // "$R" left in the log by cancelled messages, spread over it
  const char* suffix;
};

const LogShape kFull[] = {
    {100000, 10, "100k"},
    {1000000, 10, "1m"},
    {1000000, 1048, "1m_1048r"},
};

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

bool WriteAll(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

double NowMs() {
  LARGE_INTEGER c, f;
  ::QueryPerformanceCounter(&c);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// A log as the program writes it: a time stamp when the minute changes, then each message with
// its trailing space, no line breaks. Some messages were cancelled before keying reached their
// "$R", which therefore still stands.
std::string ContestLog(const LogShape& shape) {
  static const char* const kMessages[] = {
      "CQ TEST XX9ABC/1 XX9ABC/1 TEST ", "JA1ZZZ UR 5NN 13M [KN] ", "TU XX9ABC/1 TEST ",
      "QRZ? ", "XX1ABC UR 5NN 25M [KN] ", "R TU ", "AGN? ", "5NN 13M 5NN 13M ",
      "CQ TEST XX9ABC/1 TEST ", "JH1QQQ UR 5NN 11M [KN] ", "TU E E ",
  };
  const char kCancelled[] = "XX7OLD UR $R [KN] ";
  std::string log;
  log.reserve(shape.bytes + 64);
  const size_t every = shape.oldReports > 0 ? shape.bytes / static_cast<size_t>(shape.oldReports) : 0;
  size_t nextOld = every / 2;
  int oldWritten = 0;
  unsigned seed = 12345;
  int minute = 0;
  while (log.size() < shape.bytes) {
    seed = seed * 1103515245u + 12345u;
    if ((seed >> 16) % 7 == 0) {
      char stamp[32];
      std::snprintf(stamp, sizeof(stamp), "[09/%02d-%02d:%02d]", 23 + minute / 1440,
                    minute / 60 % 24, minute % 60);
      log += stamp;
      ++minute;
    }
    if (oldWritten < shape.oldReports && log.size() >= nextOld) {
      log += kCancelled;
      ++oldWritten;
      nextOld += every;
    } else {
      log += kMessages[(seed >> 8) % (sizeof(kMessages) / sizeof(kMessages[0]))];
    }
  }
  log.resize(shape.bytes);
  log.back() = ' ';
  return log;
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

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Run {
  double openS = -1;
  double appendMs = -1;
  double appendMaxMs = -1;
  double fnKeyMs = -1;
  double rewriteMs = -1;
  double longestMs = 0;
  double extraGapMs = -1;
  int slices = 0;          // edits of the log made by its timer after the message
  double sliceMaxMs = 0;   // the longest of them
  double backlogS = 0;     // from the message's end to the last of them
  bool complete = false;
};

bool RunOnce(CTandemHLApp& app, CMainFrame* frame, const LogShape& shape, const std::string& work,
             const std::string& tracePath, double timescale, int appends, double backlogLimitS,
             Run* run) {
  CTandemHLView* view = frame->GetLogView();
  const std::string path = work + "\\contest.log";
  const std::string log = ContestLog(shape);
  if (!WriteAll(path, log)) return false;
  frame->GetActiveDocument()->SetModifiedFlag(false);
  double t = NowMs();
  if (!app.OpenDocumentFile(path.c_str())) return false;
  run->openS = (NowMs() - t) / 1000.0;
  if (::GetWindowTextLengthA(view->m_hWnd) != static_cast<int>(log.size())) return false;

  std::vector<double> appendTimes;
  for (int i = 0; i < appends; ++i) {
    t = NowMs();
    view->AppendToLog("JA1ZZZ UR 5NN 13M [KN] ");
    appendTimes.push_back(NowMs() - t);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  }
  run->appendMs = Median(appendTimes);
  run->appendMaxMs = *std::max_element(appendTimes.begin(), appendTimes.end());

  frame->m_call = "XX1ABC";
  frame->m_report = "599";
  frame->m_subst9 = "N";
  frame->m_exch = "12";
  frame->m_mode = "CW";
  frame->SetMemory(0, 0, kMessage);
  frame->LayoutFnButtons(0, 12);
  t = NowMs();
  frame->SendFnMessage(1000, false);
  run->fnKeyMs = NowMs() - t;

  // The frame's message loop, timing every message and the report that fills in "$R".
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(60000 / timescale) + 20000;
  while (static_cast<LONG>(deadline - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      const bool rewrite = msg.message == frame->m_keyerMsg && msg.hwnd == frame->m_hWnd &&
                           frame->m_sendQueue.compare(0, 2, "$R") == 0 && msg.lParam < 3;
      const double a = NowMs();
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
      const double ms = NowMs() - a;
      if (ms > run->longestMs && std::getenv("BENCH_DEBUG")) {
        std::fprintf(stderr, "longest: msg 0x%x wparam %llu view %d %.1f ms\n", msg.message,
                     static_cast<unsigned long long>(msg.wParam), msg.hwnd == view->m_hWnd, ms);
      }
      run->longestMs = std::max(run->longestMs, ms);
      if (rewrite && run->rewriteMs < 0) run->rewriteMs = ms;
    }
    if (frame->m_sendQueue.empty() && frame->m_pending == 0) {
      run->complete = true;
      break;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  // The trace runs on the emulator's time line: a delay of the program looks longer there by
  // the time scale, so the figure is brought back to real time.
  run->extraGapMs = ExtraGapMs(ReadAll(tracePath), 1200.0 / kWpm) / timescale;

  // What is left for the log once the keyer rests: timed edits of the log view's own timer, until
  // none has come for a second (or the time allowed has passed).
  const double backlogStart = NowMs();
  double lastSlice = backlogStart;
  while (NowMs() - lastSlice < 1000 && NowMs() - backlogStart < backlogLimitS * 1000) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      const bool slice = msg.message == WM_TIMER && msg.hwnd == view->m_hWnd;
      const double a = NowMs();
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
      if (!slice) continue;
      lastSlice = NowMs();
      run->sliceMaxMs = std::max(run->sliceMaxMs, lastSlice - a);
      ++run->slices;
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  run->backlogS = (lastSlice - backlogStart) / 1000.0;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool shortRun = false;
  int only = -1;
  std::string keptTrace;  // --trace <file>: the last run's trace is kept there
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--short") == 0) {
      shortRun = true;
    } else if (std::strncmp(argv[i], "--only=", 7) == 0) {
      // One word: the program under test reads this command line too, and takes a word of
      // its own as a file to open.
      only = std::atoi(argv[i] + 7);
    } else if (std::strncmp(argv[i], "--trace=", 8) == 0) {
      keptTrace = argv[i] + 8;
    } else {
      std::fprintf(stderr, "usage: bench_stream.exe [--short] [--only=0|1|2] [--trace=<file>]\n");
      return 2;
    }
  }
  const double timescale = shortRun ? 10.0 : 1.0;
  const int shapeCount = static_cast<int>(sizeof(kFull) / sizeof(kFull[0]));
  int firstShape = 0;
  int endShape = shapeCount;
  if (shortRun) {
    endShape = 1;
  } else if (only >= 0 && only < shapeCount) {
    firstShape = only;
    endShape = only + 1;
  }

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

  bool ok = true;
  for (int i = firstShape; i < endShape && ok; ++i) {
    const LogShape& shape = kFull[i];
    CTandemHLApp app;
    app.Initialize(::GetModuleHandleA(nullptr));
    ::SetDllDirectoryA((ProgramFolder() + "emulator").c_str());
    const bool started = app.InitInstance();
    ::SetDllDirectoryA(nullptr);
    auto* frame = static_cast<CMainFrame*>(app.m_pMainWnd);
    Run run;
    if (!started || !frame || frame->m_device < 0) {
      std::fprintf(stderr, "bench_stream: the program or the keyer emulator did not start\n");
      ok = false;
    } else {
      frame->ApplyWpm(kWpm);
      if (!RunOnce(app, frame, shape, work, tracePath, timescale, shortRun ? 5 : 20,
                   shortRun ? 30 : 600, &run)) {
        std::fprintf(stderr, "bench_stream: the %s log did not open\n", shape.suffix);
        ok = false;
      } else if (!run.complete || run.rewriteMs < 0) {
        std::fprintf(stderr, "bench_stream: the message did not stream to its end\n");
        ok = false;
      } else {
        const char* s = shape.suffix;
        std::printf("log_bytes_%s=%u\n", s, static_cast<unsigned>(shape.bytes));
        std::printf("old_reports_%s=%d\n", s, shape.oldReports);
        std::printf("open_s_%s=%.2f\n", s, run.openS);
        std::printf("append_ms_%s=%.2f\n", s, run.appendMs);
        std::printf("append_max_ms_%s=%.2f\n", s, run.appendMaxMs);
        std::printf("fn_key_ms_%s=%.2f\n", s, run.fnKeyMs);
        std::printf("log_rewrite_ms_%s=%.2f\n", s, run.rewriteMs);
        std::printf("longest_handler_ms_%s=%.2f\n", s, run.longestMs);
        std::printf("stream_extra_gap_ms_%s=%.2f\n", s, run.extraGapMs);
        std::printf("rewrite_slices_%s=%d\n", s, run.slices);
        std::printf("rewrite_slice_max_ms_%s=%.2f\n", s, run.sliceMaxMs);
        std::printf("rewrite_backlog_s_%s=%.2f\n", s, run.backlogS);
        std::fflush(stdout);
      }
    }
    if (frame && frame->m_hWnd) {
      frame->GetActiveDocument()->SetModifiedFlag(false);
      ::DestroyWindow(frame->m_hWnd);
    }
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    app.ExitInstance();
  }
  if (!keptTrace.empty()) ::CopyFileA(tracePath.c_str(), keptTrace.c_str(), FALSE);
  ::DeleteFileA(tracePath.c_str());
  ::DeleteFileA((work + "\\contest.log").c_str());
  ::DeleteFileA((work + "\\Tandem.ini").c_str());
  ::SetCurrentDirectoryA(temp);
  ::RemoveDirectoryA(work.c_str());
  return ok ? 0 : 1;
}
