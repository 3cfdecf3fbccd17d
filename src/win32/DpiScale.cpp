#include "DpiScale.h"

#include "library.h"
#include "resource.h"

namespace {

// Looked up at run time: the program also runs on Windows 7 and 8, which
// have neither function.
template <typename F>
F User32Function(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int MetricForDpi(int metric, UINT dpi) {
    static const auto for_dpi = User32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (for_dpi) return for_dpi(metric, dpi);
    return MulDiv(GetSystemMetrics(metric), static_cast<int>(dpi), static_cast<int>(WindowDpi(nullptr)));
}

void SetIcon(HWND window, WPARAM which, int size) {
    HICON icon = static_cast<HICON>(LoadImageW(g_hInst, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
    if (icon == nullptr) return;
    HICON old = reinterpret_cast<HICON>(SendMessageW(window, WM_SETICON, which, reinterpret_cast<LPARAM>(icon)));
    // Icons loaded at a size of their own are the program's to free; the
    // class icon (shared, from LoadIconW) is not.
    if (old != nullptr && old != reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON))) DestroyIcon(old);
}

}  // namespace

UINT WindowDpi(HWND window) {
    static const auto for_window = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (window != nullptr && for_window != nullptr) {
        const UINT dpi = for_window(window);
        if (dpi != 0) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

void ShowIconsForDpi(HWND window, UINT dpi) {
    SetIcon(window, ICON_BIG, MetricForDpi(SM_CXICON, dpi));
    SetIcon(window, ICON_SMALL, MetricForDpi(SM_CXSMICON, dpi));
}
