// The program's entry point and its one application object.
#include "TandemApp.h"

CTandemHLApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return theApp.Main(instance); }
