#include <windows.h>

#include "DpiScale.h"
#include "MainLayout.h"
#include "Velquorandimestra.h"
#include "VelquorandimestraFile.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

CVelquorandimestra g_App;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR, int show) {
    g_hInst = instance;
    if (previous == nullptr && !RegisterMainWindowClass(g_hInst)) return 0;

    HWND window =
        CreateDialogParamW(g_hInst, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DlgProc, reinterpret_cast<LPARAM>(&g_App));
    if (window == nullptr) {
        // Without the main dialog there is nothing to run: say so rather than
        // spin a message loop with no window.
        MessageBoxW(nullptr, L"メインウィンドウを作成できません", L"ERROR", MB_OK | MB_ICONERROR);
        return 0;
    }
    g_hWnd = window;
    ShowIconsForDpi(g_hWnd, WindowDpi(g_hWnd));
    // A file named on the command line (a double-click in Explorer, "Open
    // with", a shortcut) is opened instead of the one saved last.
    g_App.InitInstanceFor(PathArgument(GetCommandLineW()));
    // Where the window was when the program last ended, maximized or not.
    ShowWindow(g_hWnd, RestoreWindowPlace(g_hWnd, show));
    UpdateWindow(g_hWnd);

    // The shortcuts come before the dialog's own keys. A modal box runs a
    // loop of its own, so they reach the window only while it is active.
    HACCEL shortcuts = LoadAcceleratorsW(g_hInst, MAKEINTRESOURCEW(IDR_SHORTCUTS));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (TranslateShortcut(g_hWnd, shortcuts, &message)) continue;
        if (!IsDialogMessageW(g_hWnd, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
