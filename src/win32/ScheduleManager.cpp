#include "ScheduleManager.h"

#include <algorithm>

#include "ActionDocument.h"
#include "Controls.h"
#include "RedrawPause.h"
#include "WideText.h"

namespace {

bool InsertLine(HWND list, std::size_t line, std::u16string_view text) {
    const std::wstring shown = ToWide(ShownText(text));
    const LRESULT at =
        SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(shown.c_str()));
    return at != LB_ERR && at != LB_ERRSPACE;
}

}  // namespace

CScheduleManager::CScheduleManager(HWND list) : list_(list) {}

int CScheduleManager::DeleteInstance() {
    ListBox_ResetContent(list_);
    return 0;
}

std::size_t CScheduleManager::Fill(const ActionDocument& document, int selected) {
    const std::size_t count = document.LineCount();
    std::size_t units = 0;
    for (std::size_t i = 0; i < count; ++i) units += ShownText(document.LineRecord(i)->title).size() + 1;

    RedrawPause pause(list_);
    SendMessageW(list_, LB_INITSTORAGE, count, units * sizeof(wchar_t));
    std::size_t shown = 0;
    while (shown < count && InsertLine(list_, shown, document.LineRecord(shown)->title)) ++shown;
    ListBox_SetSel(list_, FALSE, -1);
    if (selected >= 0 && static_cast<std::size_t>(selected) < shown) {
        ListBox_SetSel(list_, TRUE, selected);
        ListBox_SetCaretIndex(list_, selected);
    }
    return shown;
}

bool CScheduleManager::InsertSelected(std::size_t line, std::u16string_view text) {
    RedrawPause pause(list_);
    if (!InsertLine(list_, line, text)) return false;
    ListBox_SetSel(list_, FALSE, -1);
    ListBox_SetSel(list_, TRUE, static_cast<int>(line));
    return true;
}

void CScheduleManager::RemoveLines(const std::vector<std::size_t>& lines) {
    if (lines.empty()) return;
    RedrawPause pause(list_);
    for (std::size_t line : lines) ListBox_DeleteString(list_, static_cast<int>(line));
}

void CScheduleManager::Mirror(const std::vector<ActionDocument::LineChange>& changes,
                              const std::vector<int>& selected) {
    RedrawPause pause(list_);
    const int top = ListBox_GetTopIndex(list_);
    for (const ActionDocument::LineChange& change : changes) {
        if (change.from >= 0) ListBox_DeleteString(list_, change.from);
        if (change.to >= 0) InsertLine(list_, static_cast<std::size_t>(change.to), change.record->title);
    }
    ListBox_SetSel(list_, FALSE, -1);
    // Selected by runs of lines: a line selected alone with LB_SETSEL also
    // becomes the caret's and is scrolled to, which for a thousand lines
    // takes the list box far longer than the lines themselves.
    std::vector<int> lines = selected;
    std::sort(lines.begin(), lines.end());
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t j = i + 1;
        while (j < lines.size() && lines[j] <= lines[j - 1] + 1) ++j;
        SendMessageW(list_, LB_SELITEMRANGEEX, static_cast<WPARAM>(lines[i]), static_cast<LPARAM>(lines[j - 1]));
        i = j;
    }
    ListBox_SetTopIndex(list_, top);
    // The first line selected is the caret's, scrolled into view.
    if (!lines.empty()) ListBox_SetCaretIndex(list_, lines.front());
}

bool CScheduleManager::MoveLine(int from, int to, std::u16string_view text) {
    HWND list = list_;
    const int top = ListBox_GetTopIndex(list);
    const bool selected = from >= 0 && ListBox_GetSel(list, from) > 0;
    const int caret = ListBox_GetCaretIndex(list);
    RedrawPause pause(list);
    // The lines below move up with their selection, and down again.
    if (from >= 0) ListBox_DeleteString(list, from);
    if (!InsertLine(list, static_cast<std::size_t>(to), text)) return false;
    ListBox_SetSel(list, selected ? TRUE : FALSE, to);
    // The caret stays on its line, wherever that now stands.
    int caret_to = caret;
    if (caret == from && from >= 0) {
        caret_to = to;
    } else if (caret >= 0) {
        caret_to -= from >= 0 && caret > from;
        caret_to += caret_to >= to;
    }
    ListBox_SetTopIndex(list, top);
    // The moved line, when it has the caret, is scrolled into view.
    if (caret >= 0 && (caret == from || caret_to != ListBox_GetCaretIndex(list)))
        ListBox_SetCaretIndex(list, caret_to);
    return true;
}
