// The item list box (40042) as the mirror of the document's lines: the same
// texts in the same order, line for line, or, while a find text or a filter
// narrows the list, the lines that pass it in the same order. It decides
// nothing: the document says which line goes where, the list's query which
// lines are shown, and the manager carries that out while keeping the user's
// selection, caret and scroll position on the lines that stay.
//
// The manager knows the record of every list box line, so that a line is
// drawn from the record it shows: its title (the line's text), the planned
// completion beside it and the colours of its state.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ActionDocument.h"
#include "FindText.h"
#include "LineState.h"

// How one line is drawn: what the owner-draw decides before it paints.
struct LineLook {
    std::wstring title;
    std::wstring due;  // the planned completion, right-aligned; may be empty
    LineState state;
    bool bold = false;
    COLORREF text = 0;
    COLORREF back = 0;
};

class CScheduleManager {
public:
    explicit CScheduleManager(HWND list);
    ~CScheduleManager();
    CScheduleManager(const CScheduleManager&) = delete;
    CScheduleManager& operator=(const CScheduleManager&) = delete;

    // Takes every line out of the list box.
    void DeleteInstance();

    // Shows the lines of `document` that `query` lets through in an empty
    // list box in one pass (its storage reserved, its drawing suspended);
    // document line `selected` (-1: none) is shown whatever the query and
    // becomes the only selected line and the caret's. Returns the number of
    // document lines dealt with; a list box that refuses a line stops the
    // fill there.
    std::size_t Fill(const ActionDocument& document, int selected, const ListQuery& query = {});
    // Shows the lines that `query` lets through instead, in schedule order:
    // every line shown keeps the selection it had when it was last shown,
    // the caret stays on its line when that is shown, and the top line where
    // it can.
    void Narrow(const ActionDocument& document, const ListQuery& query);

    // The document's answers, by document line. Inserts `record`'s line at
    // document line `line` as the only selected line, shown whether or not
    // it passes the query.
    bool InsertSelected(std::size_t line, const _ITEM_LIST* record);
    // Removes the lines at these document lines, in turn. The others keep
    // their selection.
    void RemoveLines(const std::vector<std::size_t>& lines);
    // The line at document line `from` (-1: a record that had no line) goes
    // to document line `to`, showing `record`'s title. A shown line stays
    // shown (also when it no longer passes the query), a hidden one hidden,
    // a new one is shown. It keeps its selection and the caret when it had
    // them; every other line keeps its own, and the list keeps its top line.
    bool MoveLine(int from, int to, const _ITEM_LIST* record);
    // Carries out the changes an undo or a redo made, by document line and
    // in turn (a line put back is shown whatever the find or filter), then
    // selects exactly the shown ones of the document lines `selected`, the
    // first of them the caret's.
    void Mirror(const std::vector<ActionDocument::LineChange>& changes, const std::vector<int>& selected);

    // The record on document line `line` was edited: when the find or
    // filter hides it, the next narrowing asks it again.
    void NoteEdited(int line) {
        if (line >= 0 && static_cast<std::size_t>(line) < shown_.size() && !shown_[static_cast<std::size_t>(line)])
            hidden_changed_ = true;
    }
    // The record that list box line `line` shows, or null.
    const _ITEM_LIST* RecordOf(int line) const;
    // The list box line that shows document line `line`, or -1 when the
    // find or filter hides it (or `line` is -1).
    int ShownLine(int line) const;

    // Shown lines and all lines, as the count beside the list says them.
    std::size_t ShownCount() const { return shown_.size() - hidden_; }
    std::size_t LineCount() const { return shown_.size(); }

    // The minute the lines' states are drawn at. True when it changed.
    bool NoteMinute(std::int64_t clock_minute);
    const ListClock& Now() const { return now_; }

    // What the owner-draw paints for list box line `line`: the seam that
    // tests read instead of pixels. With `high_contrast`, only the system's
    // colours.
    LineLook Look(int line, bool selected, bool high_contrast) const;
    // WM_DRAWITEM and WM_MEASUREITEM of the list box.
    void DrawLine(const DRAWITEMSTRUCT& draw);

private:
    // The list box line of document line `line`: the shown lines above it.
    int ListLine(std::size_t line) const;
    bool InsertLine(int at, const _ITEM_LIST* record);
    bool MoveListLine(int from, int to, const _ITEM_LIST* record);
    void ShowCount() const;

    HWND list_;
    // One flag per document line: shown in the list box or not.
    std::vector<char> shown_;
    std::size_t hidden_ = 0;
    // The record of each list box line, in the list box's order.
    std::vector<const _ITEM_LIST*> records_;
    // Selected lines that the find or filter hid: selected again when they
    // are shown again. A line is hidden only by a narrowing and goes only
    // while shown, so these records are alive.
    std::unordered_set<const _ITEM_LIST*> hidden_selected_;
    ListClock now_;
    // The query the shown lines were last chosen by, and whether a line
    // hidden by it may have changed since (a commit of a hidden item): a
    // narrower query then asks every line again, not only the shown ones.
    ListQuery query_;
    bool hidden_changed_ = false;
    HFONT bold_ = nullptr;       // the list's font in bold, for lines due today
    HFONT bold_from_ = nullptr;  // the font it was made from
};

// Gives the owner-drawn item list box the line height of its font, which
// follows the window's DPI.
void FitItemListLineHeight(HWND list);

// Fills the filter drop-down: すべて, 未完了, 遅れ, 今日まで, 完了, the first chosen.
void PrepareListFilter(HWND filter);

// The count beside the find field: "12 / 340 件".
std::wstring CountText(std::size_t shown, std::size_t all);
