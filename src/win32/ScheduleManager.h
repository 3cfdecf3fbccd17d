// The item list box (40042) as the mirror of the document's lines: the same
// texts in the same order, line for line. It decides nothing: the document
// says which line goes where, and the manager carries that out while keeping
// the user's selection, caret and scroll position on the lines that stay.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>
#include <vector>

#include "ActionDocument.h"

class CScheduleManager {
public:
    explicit CScheduleManager(HWND list);
    // Leaves the lines where they are: DeleteInstance takes them out.
    ~CScheduleManager() = default;
    CScheduleManager(const CScheduleManager&) = delete;
    CScheduleManager& operator=(const CScheduleManager&) = delete;

    int InitInstance() { return 0; }
    // Takes every line out of the list box.
    int DeleteInstance();

    // Shows every line of `document` in an empty list box in one pass (its
    // storage reserved, its drawing suspended); line `selected` (-1: none)
    // becomes the only selected line and the caret's. Returns the number of
    // lines shown; a list box that refuses a line stops the fill there.
    std::size_t Fill(const ActionDocument& document, int selected);
    // Inserts `text` at `line` as the only selected line.
    bool InsertSelected(std::size_t line, std::u16string_view text);
    // Removes the lines at these indexes, in turn. The others keep their
    // selection.
    void RemoveLines(const std::vector<std::size_t>& lines);
    // The line at `from` (-1: a line that was not shown) goes to `to`, showing
    // `text`. It keeps its selection and the caret when it had them; every
    // other line keeps its own, and the list keeps its top line.
    bool MoveLine(int from, int to, std::u16string_view text);
    // Carries out the changes an undo or a redo made, in turn, then selects
    // exactly the lines `selected`, the topmost of them the caret's.
    void Mirror(const std::vector<ActionDocument::LineChange>& changes, const std::vector<int>& selected);

private:
    HWND list_;
};
