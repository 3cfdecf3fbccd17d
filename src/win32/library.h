// Globals of the application and the helpers every window operation uses.
#pragma once

#include <windows.h>

class CVelquorandimestra;

extern CVelquorandimestra g_App;  // the program's one document manager (main.cpp); windows are handed it
extern HWND g_hWnd;               // the main dialog window
extern HINSTANCE g_hInst;         // the application module

// The main dialog window; every control of it is found from here.
HWND GetWnd();

// Control `id` of the main dialog.
inline HWND MainDialogItem(int id) { return GetDlgItem(GetWnd(), id); }

// Shows "エラーコード：0x%08X" with base + detail under "ERROR", owned by
// `owner`, and nothing more.
void ShowErrorCode(HWND owner, unsigned base, unsigned detail);

// Shows "エラーコード：0x%08X" with base + detail under "ERROR", then sends
// WM_CLOSE to the main window so that the close sequence runs before this
// returns. Returns 0.
int MyCriticalError(unsigned base, unsigned detail);

// Kept as the settings reader's entry point, which has no settings to read
// yet: opens a CFileInOut on `path` and closes it again; the key and the
// output buffer are neither read nor written. Returns 0.
int GetIniValue(const wchar_t* path, const char* key, char* value);

// Error groups and cases reported through MyCriticalError.
inline constexpr unsigned kErrorDocumentCommands = 0x10000;
inline constexpr unsigned kErrorFileReader = 0x20000;
