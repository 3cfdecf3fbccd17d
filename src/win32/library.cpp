#include "library.h"

#include "Seams.h"
#include "cfileio.h"

HWND g_hWnd = nullptr;
HINSTANCE g_hInst = nullptr;

HWND GetWnd() { return g_hWnd; }

void ShowErrorCode(HWND owner, unsigned base, unsigned detail) {
    wchar_t text[2048];
    wsprintfW(text, L"エラーコード：0x%08X", base + detail);
    ShowMessageBox(owner, text, L"ERROR", MB_OK | MB_ICONERROR);
}

int MyCriticalError(unsigned base, unsigned detail) {
    HWND window = g_hWnd;
    ShowErrorCode(nullptr, base, detail);
    SendMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}

int GetIniValue(const wchar_t* path, const char* /*key*/, char* /*value*/) {
    CFileInOut file;
    file.Open(path);
    file.Close();
    return 0;
}
