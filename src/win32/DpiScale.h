// The window at each monitor's scale. Dialogs from templates are laid out in
// dialog units and, with per-monitor awareness, scaled by Windows itself as
// they move between monitors; what is left to the program is the window's
// icons, which the class loaded once at the scale of the start.
#pragma once

#include <windows.h>

// The DPI `window` is shown at: its monitor's where Windows can say
// (Windows 10 1607 and later), otherwise the system's.
UINT WindowDpi(HWND window);

// Gives `window` the application icon at the sizes its title bar and the
// task switcher use at `dpi`, drawn from the icon's own images of those
// sizes rather than stretched from another.
void ShowIconsForDpi(HWND window, UINT dpi);
