// Typed helpers for the controls: the platform's own message wrappers
// (<windowsx.h>: ListBox_GetCurSel, ComboBox_InsertString, Edit_SetSel, ...)
// and the few sequences they lack.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include <vector>

// The indices of the selected lines of a multiple-selection list box, top to
// bottom, asked for in one message.
std::vector<int> SelectedLines(HWND list);
// The same when the list box has already told how many lines are selected
// (LB_GETSELCOUNT costs a pass over every line).
std::vector<int> SelectedLines(HWND list, int count);

// A small modal box (the About box, the text output window, the kind
// editor): the button `close_id` (also pressed by Enter, as the default
// button) ends the box with 1, its close box with 0; Escape and every other
// command leave it open.
INT_PTR CloseableBoxProc(HWND window, UINT message, WPARAM wParam, WORD close_id);
