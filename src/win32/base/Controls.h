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
