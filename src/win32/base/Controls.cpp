#include "Controls.h"

std::vector<int> SelectedLines(HWND list) { return SelectedLines(list, ListBox_GetSelCount(list)); }

std::vector<int> SelectedLines(HWND list, int count) {
    if (count == LB_ERR || count <= 0) return {};
    std::vector<int> indices(static_cast<std::size_t>(count));
    const int got = ListBox_GetSelItems(list, count, indices.data());
    indices.resize(got == LB_ERR || got < 0 ? 0 : static_cast<std::size_t>(got));
    return indices;
}

INT_PTR CloseableBoxProc(HWND window, UINT message, WPARAM wParam, WORD close_id) {
    switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == close_id) {
                EndDialog(window, 1);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(window, 0);
            return TRUE;
        default:
            return FALSE;
    }
}
