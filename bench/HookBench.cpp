// What the hook costs every program on the desktop: the average time to post and retrieve one
// message in the logger stand-in (a process of its own) with no hook, with an empty hook, with
// TandemHook for a message its reader ignores, and with TandemHook for a key press and for a
// mouse move that changes nothing while the entry window is in the foreground; then the same key
// press and mouse move with the Turbo HAMLOG/Win input window in the foreground and that logger
// followed. Prints name=value figures; --short runs a quick pass.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "HlHook.h"
#include "LoggerSimClient.h"

namespace {

constexpr UINT kIgnoredMessage = WM_USER + 1;

LRESULT CALLBACK DisplayProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COPYDATA) return 0;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Average cost of one message in nanoseconds, or a negative value when the stand-in failed.
double Measure(const LoggerSimClient& sim, UINT message, int count) {
  const std::intptr_t ps =
      sim.Command("bench " + std::to_string(message) + " " + std::to_string(count), 120000);
  return ps < 0 ? -1.0 : static_cast<double>(ps) / 1000.0;
}

struct Figures {
  double none = -1, empty = -1, ignored = -1, key = -1, move = -1;
  double hamlogKey = -1, hamlogMove = -1;
};

void KeepBest(double& best, double value) {
  if (value >= 0 && (best < 0 || value < best)) best = value;
}

// Starts the stand-in with `args`, fills in call and report and brings its window to the front
// with the call box focused; says why on failure.
bool StartWithCallFocused(LoggerSimClient& sim, const std::string& args) {
  if (!sim.Start(LoggerSimPathBesideThisProgram(), args)) {
    std::fprintf(stderr, "bench_hook: cannot start the logger stand-in %s: %s\n", args.c_str(),
                 sim.error().c_str());
    return false;
  }
  sim.Command("text call XX1ABC");
  sim.Command("text report 599");
  if (sim.Command("focus call") != 1) {
    std::fprintf(stderr, "bench_hook: the stand-in's window %s did not come to the front\n", args.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bool quick = argc > 1 && std::strcmp(argv[1], "--short") == 0;
  const int count = quick ? 1000 : 5000;
  const int rounds = quick ? 2 : 6;

  WNDCLASSA wc = {};
  wc.lpfnWndProc = DisplayProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "HookBenchDisplay";
  RegisterClassA(&wc);
  HWND display = CreateWindowExA(WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1,
                                 nullptr, nullptr, wc.hInstance, nullptr);

  LoggerSimClient sim;
  if (display == nullptr || !StartWithCallFocused(sim, "")) return 1;

  HMODULE emptyModule = LoadLibraryA("EmptyHook.dll");
  HOOKPROC emptyProc = emptyModule ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                         GetProcAddress(emptyModule, "EmptyHookProc")))
                                   : nullptr;
  if (emptyProc == nullptr) {
    std::fprintf(stderr, "bench_hook: cannot load EmptyHook.dll\n");
    return 1;
  }

  // The configurations take turns in every round, so that a load change on the machine touches
  // them all alike; the best round of each counts.
  Figures best;
  CHlHook hook;
  hook.SetDisplayWindow(display);
  hook.SetAction(0);
  for (int r = 0; r < rounds; ++r) {
    KeepBest(best.none, Measure(sim, kIgnoredMessage, count));

    HHOOK empty = SetWindowsHookExA(WH_GETMESSAGE, emptyProc, emptyModule, 0);
    if (empty == nullptr) {
      std::fprintf(stderr, "bench_hook: cannot install the empty hook\n");
      return 1;
    }
    KeepBest(best.empty, Measure(sim, kIgnoredMessage, count));
    UnhookWindowsHookEx(empty);

    if (hook.Start() == nullptr) {
      std::fprintf(stderr, "bench_hook: cannot install TandemHook\n");
      return 1;
    }
    KeepBest(best.ignored, Measure(sim, kIgnoredMessage, count));
    // A key runs the whole reader, far dearer than a message it ignores: fewer of them.
    KeepBest(best.key, Measure(sim, WM_KEYDOWN, std::max(count / 20, 50)));
    // The pointer moving over the logger: the reader runs for every move. The first move after the
    // hook is installed reports the window once; every other one changes nothing.
    KeepBest(best.move, Measure(sim, WM_MOUSEMOVE, std::max(count / 20, 50)));
    hook.Stop();
  }
  FreeLibrary(emptyModule);
  sim.Stop();

  // The same with the Turbo HAMLOG/Win stand-in, whose gate and reader find the boxes by walking
  // the input window's children.
  LoggerSimClient hamlog;
  if (!StartWithCallFocused(hamlog, "--hamlog")) return 1;
  for (int r = 0; r < rounds; ++r) {
    if (hook.Start() == nullptr) {
      std::fprintf(stderr, "bench_hook: cannot install TandemHook\n");
      return 1;
    }
    hook.SetFollowLogger(tandem::kFollowTurboHamlog);
    KeepBest(best.hamlogKey, Measure(hamlog, WM_KEYDOWN, std::max(count / 20, 50)));
    KeepBest(best.hamlogMove, Measure(hamlog, WM_MOUSEMOVE, std::max(count / 20, 50)));
    hook.Stop();
  }
  hamlog.Stop();

  const double none = best.none, emptyNs = best.empty, ignored = best.ignored, key = best.key,
               move = best.move;
  if (none < 0 || emptyNs < 0 || ignored < 0 || key < 0 || move < 0 || best.hamlogKey < 0 ||
      best.hamlogMove < 0) {
    std::fprintf(stderr, "bench_hook: the stand-in did not answer\n");
    return 1;
  }
  std::printf("nohook_ns=%.0f\n", none);
  std::printf("hook_empty_ns=%.0f\n", emptyNs);
  std::printf("hook_ignored_ns=%.0f\n", ignored);
  std::printf("hook_key_ns=%.0f\n", key);
  std::printf("hook_move_ns=%.0f\n", move);
  std::printf("hook_hamlog_key_ns=%.0f\n", best.hamlogKey);
  std::printf("hook_hamlog_move_ns=%.0f\n", best.hamlogMove);
  std::printf("hook_ignored_ratio=%.3f\n", ignored / emptyNs);
  return 0;
}
