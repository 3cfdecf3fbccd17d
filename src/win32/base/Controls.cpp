#include "Controls.h"

std::vector<int> SelectedLines(HWND list) {
    const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count == LB_ERR || count <= 0) return {};
    std::vector<int> indices(static_cast<std::size_t>(count));
    const LRESULT got =
        SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indices.data()));
    indices.resize(got == LB_ERR || got < 0 ? 0 : static_cast<std::size_t>(got));
    return indices;
}
