// A program that keys through the emulator with the side tone recorded (KEYPORT_WAV set by its
// parent) and then waits to be ended: the test kills it and checks that the file is whole.
#include <windows.h>

#include <string>

#include "KeyportTestSupport.h"

int main() {
    Keyport k;
    if (!k.Load(ProgramFolder() + "emulator\\keyport.dll")) return 2;
    if (k.Open(0) != 0) return 3;
    k.SetSideTone(0, 6);
    k.Put("TEST TEST TEST TEST");
    Sleep(INFINITE);
    return 0;
}
