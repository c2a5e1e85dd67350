// Numbers and names of the keyer binding that more than one file relies on. Portable: no
// <windows.h>.
#pragma once

namespace tandem::keyer {

// The interface library, found in the system's search order.
constexpr char kLibraryName[] = "keyport.dll";
// Written to the standard output at exit when the library could not be loaded.
constexpr char kLoadErrorLine[] = "KEYPORT.DLL Load Error\n";
// The status bar's version text until the keyer answers with a version.
constexpr char kVersionUnknown[] = "KEYPORT Ver.?";

// Frame timer 2: the watch of the CQ machine window while PTT is held for it.
constexpr unsigned kCqMachineTimer = 2;
constexpr unsigned kCqMachineTimerMs = 100;
// After a start notice, how many ticks the watch waits for the CQ machine's playing window.
constexpr int kCqMachineGraceTicks = 20;

// The logging program's CQ machine window and its stop-playback button.
constexpr char kCqMachineClass[] = "TForm12";
// "ＣＱマシーン" (CQ machine) in CP932
constexpr char kCqMachineTitle[] = "\x82\x62\x82\x70\x83\x7D\x83\x56\x81\x5B\x83\x93";
constexpr char kCqMachineButtonClass[] = "TBitBtn";
// "再生中断(&A)" (stop playback) in CP932
constexpr char kCqMachineButtonTitle[] = "\x8D\xC4\x90\xB6\x92\x86\x92\x66(&A)";

// keyportOpen's argument: the first device.
constexpr int kFirstDevice = 0;
// keyportWriteData's first two arguments for the PTT hold: always 0, whatever the device handle.
constexpr int kWriteDataHandle = 0;
constexpr int kWriteDataPort = 0;

}  // namespace tandem::keyer
