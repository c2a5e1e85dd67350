// The keying interface library keyport.dll: its fifteen entry points and the keyer report.
//
// The program loads the library at run time and resolves the entry points by these names; the
// keyer emulator (sim/keyport) implements the same list. The library is meant to use standard
// call and to export the plain names from a module-definition file, as interface libraries for
// Windows programs usually are. Built otherwise it may export the decorated names instead, or
// use the C convention: the program finds either name (KeyerBinding.cpp) and calls safely in
// either convention (KeyportCall.h). The emulator's variants that are built that way define
// KEYPORT_CALL themselves. On 64-bit Windows there is one convention only.
#pragma once

#include <windows.h>

#ifndef KEYPORT_CALL
#define KEYPORT_CALL __stdcall
#endif

// Name of the registered window message that the library posts to the callback window.
// lParam: characters still waiting in the keyer (the one being keyed included); 15 when the
// operator's paddle broke into a message. wParam, low byte: the Morse code byte of a character
// keyed on the paddle, or 0.
#define KEYPORT_REPORT_MESSAGE "KEYPORT.DLL"
enum {
    KEYPORT_NO_DEVICE = -1,         // keyportOpen: no device
    KEYPORT_REPORT_BREAK_IN = 15,   // report lParam: the paddle broke in, the buffer is gone
    KEYPORT_DATA_PTT_HOLD = 0xFD,   // keyportWriteData: hold PTT on
    KEYPORT_DATA_PTT_RELEASE = 0xFF // keyportWriteData: release it
};

extern "C" {
// handle: the device handle from keyportOpen. Byte arguments are unsigned char.
typedef int(KEYPORT_CALL* KeyportOpenFn)(int device);
typedef int(KEYPORT_CALL* KeyportCloseFn)(int handle);
typedef int(KEYPORT_CALL* KeyportSetCallbackWindowFn)(int handle, HWND window);
typedef int(KEYPORT_CALL* KeyportGetVersionFn)(int handle);
typedef int(KEYPORT_CALL* KeyportSetWPMFn)(int handle, int wpm);
typedef int(KEYPORT_CALL* KeyportSetWeightFn)(int handle, int dotHalves, int dashHalves);
typedef int(KEYPORT_CALL* KeyportSetPTTParamFn)(int handle, unsigned char beforeMs, unsigned char afterMs);
typedef int(KEYPORT_CALL* KeyportSetPaddleFn)(int handle, unsigned char reverse);
typedef int(KEYPORT_CALL* KeyportSetSideToneFn)(int handle, int n);
typedef int(KEYPORT_CALL* KeyportPutCharFn)(int handle, unsigned char ch);
typedef int(KEYPORT_CALL* KeyportPutCodeFn)(int handle, unsigned char code);
typedef int(KEYPORT_CALL* KeyportTxCancelFn)(int handle);
typedef int(KEYPORT_CALL* KeyportWriteDataFn)(int handle, int port, unsigned char data);
typedef int(KEYPORT_CALL* KeyportTxBusyFn)(int handle);
typedef int(KEYPORT_CALL* KeyportWriteCmdFn)(int handle, unsigned char cmd, unsigned char data);

// Declarations for the library itself; the program uses the pointer types above.
int KEYPORT_CALL keyportOpen(int device);
int KEYPORT_CALL keyportClose(int handle);
int KEYPORT_CALL keyportSetCallbackWindow(int handle, HWND window);
int KEYPORT_CALL keyportGetVersion(int handle);
int KEYPORT_CALL keyportSetWPM(int handle, int wpm);
int KEYPORT_CALL keyportSetWeight(int handle, int dotHalves, int dashHalves);
int KEYPORT_CALL keyportSetPTTParam(int handle, unsigned char beforeMs, unsigned char afterMs);
int KEYPORT_CALL keyportSetPaddle(int handle, unsigned char reverse);
int KEYPORT_CALL keyportSetSideTone(int handle, int n);
int KEYPORT_CALL keyportPutChar(int handle, unsigned char ch);
int KEYPORT_CALL keyportPutCode(int handle, unsigned char code);
int KEYPORT_CALL keyportTxCancel(int handle);
int KEYPORT_CALL keyportWriteData(int handle, int port, unsigned char data);
int KEYPORT_CALL keyportTxBusy(int handle);
int KEYPORT_CALL keyportWriteCmd(int handle, unsigned char cmd, unsigned char data);
}
