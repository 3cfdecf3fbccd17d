// Globals of the application and the helpers every window operation uses.
#pragma once

#include <windows.h>

class CVelquorandimestra;

extern CVelquorandimestra g_App;  // the one document manager
extern HWND g_hWnd;               // the main dialog window
extern HINSTANCE g_hInst;         // the application module

// The main dialog window; every control of it is found from here.
HWND GetWnd();

// Shows "エラーコード：0x%08X" with base + detail under "ERROR", then sends
// WM_CLOSE to the main window so that the close sequence runs before this
// returns. Returns 0.
int MyCriticalError(unsigned base, unsigned detail);

// Error groups and cases reported through MyCriticalError.
inline constexpr unsigned kErrorDocumentCommands = 0x10000;
inline constexpr unsigned kErrorFileReader = 0x20000;
