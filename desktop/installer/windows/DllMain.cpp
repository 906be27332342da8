// The library's DLL entry routine: nothing to set up or tear down.
#include "Win32Api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
