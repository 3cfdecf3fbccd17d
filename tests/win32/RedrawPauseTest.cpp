// Nested pauses of one window's drawing: one switch off, one back on, after
// the outermost pause ends; a hidden window is left alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "RedrawPause.h"

namespace {

std::vector<WPARAM> g_switches;  // WM_SETREDRAW arguments, in order

// Keeps its drawing switch to itself, as a list box does: WS_VISIBLE stays
// set while drawing is off.
LRESULT CALLBACK Recorder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETREDRAW) {
        g_switches.push_back(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(bool visible) {
    static const ATOM atom = [] {
        WNDCLASSW c{};
        c.lpfnWndProc = Recorder;
        c.hInstance = GetModuleHandleW(nullptr);
        c.lpszClassName = L"RedrawPauseTestWindow";
        return RegisterClassW(&c);
    }();
    EXPECT_NE(atom, 0);
    return CreateWindowExW(0, L"RedrawPauseTestWindow", L"", WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 50, 50,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(RedrawPauseTest, NestedPausesSwitchDrawingOnceAfterTheOutermost) {
    HWND window = MakeWindow(true);
    g_switches.clear();
    {
        RedrawPause outer(window);
        EXPECT_TRUE(outer.paused());
        for (int i = 0; i < 3; ++i) {
            RedrawPause inner(window);
            EXPECT_FALSE(inner.paused());
        }
        // Inner pauses ended: drawing is still off.
        EXPECT_EQ(g_switches, std::vector<WPARAM>{FALSE});
    }
    EXPECT_EQ(g_switches, (std::vector<WPARAM>{FALSE, TRUE}));

    // Once the outermost ended, a new pause is outermost again.
    g_switches.clear();
    { RedrawPause again(window); }
    EXPECT_EQ(g_switches, (std::vector<WPARAM>{FALSE, TRUE}));
    DestroyWindow(window);
}

TEST(RedrawPauseTest, HiddenWindowIsLeftAlone) {
    HWND window = MakeWindow(false);
    g_switches.clear();
    {
        RedrawPause pause(window);
        EXPECT_FALSE(pause.paused());
    }
    EXPECT_TRUE(g_switches.empty());
    DestroyWindow(window);
}

// Turning drawing off validates a window and its children: a paint that was
// due then (the dialog's first, a list box just filled) must still come.
TEST(RedrawPauseTest, PaintDueBeforeThePauseStillComes) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 80, 80, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    HWND child = CreateWindowExW(0, L"STATIC", L"x", WS_CHILD | WS_VISIBLE, 0, 0, 40, 40, window, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    for (const auto repaint : {RedrawPause::kRepaintAll, RedrawPause::kRepaintNothing}) {
        UpdateWindow(window);
        UpdateWindow(child);
        InvalidateRect(child, nullptr, TRUE);
        { RedrawPause pause(window, repaint); }
        EXPECT_TRUE(GetUpdateRect(child, nullptr, FALSE)) << repaint;
    }
    DestroyWindow(window);
}

}  // namespace
