// Runs the messages a window test or benchmark has caused, as the program's
// own loop would, without waiting for more.
#pragma once

#include <windows.h>

// Processes pending messages of this thread. A quit request is dropped: the
// caller decides when its window is done.
inline void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}
