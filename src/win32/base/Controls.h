// Small list box helpers shared by the item commands and the report.
#pragma once

#include <windows.h>

#include <vector>

// The indices of the selected lines of a multiple-selection list box, top to
// bottom, asked for in one message.
std::vector<int> SelectedLines(HWND list);
