// The text report in the text output window (dialog 113): the selected
// items, written by CVelquorandimestra::OnTextOut. A long report goes in part
// by part on a timer of the window.
#pragma once

#include <windows.h>

// Whether a long report is still arriving in the text output window `window`.
bool ReportArriving(HWND window);

// A tick of `timer` in the window: the next part goes in when it is the
// report's timer (true), else nothing happens (false).
bool ContinueReportOnTimer(HWND window, UINT_PTR timer);

// The window closes: the rest of its report is dropped.
void DropReport(HWND window);
