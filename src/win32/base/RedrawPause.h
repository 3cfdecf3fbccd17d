// Batches of control changes without a repaint (and, for a list box, a
// scroll bar update) after each one.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

// Suspends a window's drawing while it lives. Pauses of one window nest: only
// the outermost turns drawing off and on again. (The window's own state
// cannot tell: a list box keeps its drawing switch to itself and leaves
// WS_VISIBLE alone.) A hidden window is left alone. When drawing comes back
// on, the whole window is repainted unless the caller asks to invalidate
// just what changed. Turning drawing off validates the window and all its
// children, so a paint that was still due then (the first one after the
// window appeared, a list box just filled) is asked for again.
class RedrawPause {
public:
    enum Repaint { kRepaintAll, kRepaintNothing };

    explicit RedrawPause(HWND window, Repaint repaint = kRepaintAll) : window_(window), repaint_(repaint) {
        if (window_ == nullptr) return;
        const bool outermost = Depths()[window_]++ == 0;
        paused_ = outermost && (GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE) != 0;
        if (!paused_) return;
        NotePaintDue(window_, reinterpret_cast<LPARAM>(this));
        EnumChildWindows(window_, NotePaintDue, reinterpret_cast<LPARAM>(this));
        SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
    }
    ~RedrawPause() {
        if (window_ == nullptr) return;
        if (--Depths()[window_] == 0) Depths().erase(window_);
        if (!paused_) return;
        SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
        if (repaint_ == kRepaintAll) InvalidateRect(window_, nullptr, TRUE);
        for (HWND w : due_) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

    // Whether this pause suspended drawing (and will turn it back on).
    bool paused() const { return paused_; }

private:
    static BOOL CALLBACK NotePaintDue(HWND window, LPARAM self) {
        if (GetUpdateRect(window, nullptr, FALSE)) reinterpret_cast<RedrawPause*>(self)->due_.push_back(window);
        return TRUE;
    }

    // Open pauses by window (windows of the one user interface thread).
    static std::map<HWND, int>& Depths() {
        static std::map<HWND, int> depths;
        return depths;
    }

    HWND window_;
    Repaint repaint_;
    bool paused_ = false;
    std::vector<HWND> due_;  // windows whose paint was due when drawing went off
};
