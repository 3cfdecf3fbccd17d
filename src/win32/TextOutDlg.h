// The text output window (dialog 113): a report, handed in whole, shown in
// its edit control to read and copy. A long report goes in part by part on a
// timer of the window. The window reads nothing of the main window.
#pragma once

#include <windows.h>

#include <string>

// Shows `report` in the text output window, owned by `owner`, and returns
// how it ended: 1 (its close button), 0 (its close box), -1 (not shown).
INT_PTR ShowReport(HWND owner, std::u16string report);

INT_PTR CALLBACK TextOutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether a long report is still arriving in the text output window `window`.
bool ReportArriving(HWND window);
