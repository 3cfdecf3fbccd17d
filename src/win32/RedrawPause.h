// Batches of control changes without a repaint (and, for a list box, a
// scroll bar update) after each one.
#pragma once

#include <windows.h>

// Suspends a window's drawing while it lives. Pauses nest: a window that is
// not drawing already (hidden, or paused by an outer pause) is left alone, so
// only the outermost pause turns drawing back on. When it does, it repaints
// the whole window unless told to leave that to the caller, who then
// invalidates just what changed.
class RedrawPause {
public:
    enum Repaint { kRepaintAll, kRepaintNothing };

    explicit RedrawPause(HWND window, Repaint repaint = kRepaintAll)
        : window_(window),
          repaint_(repaint),
          paused_(window != nullptr && (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0) {
        if (paused_) SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawPause() {
        if (!paused_) return;
        SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        if (repaint_ == kRepaintAll) InvalidateRect(window_, nullptr, TRUE);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

    // Whether this pause suspended drawing (and will turn it back on).
    bool paused() const { return paused_; }

private:
    HWND window_;
    Repaint repaint_;
    bool paused_;
};
