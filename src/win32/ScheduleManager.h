// The items of the open document in schedule order (ascending planned
// completion), mirrored line for line in the item list box it is given.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Records.h"
#include "Times.h"

// One schedule node: a copy of an item's title and planned date-times.
struct _SCHEDULE_LIST {
    std::wstring title;
    _TIMES planned_start;
    _TIMES planned_end;  // the sort key
    std::unique_ptr<_SCHEDULE_LIST> next;

    _SCHEDULE_LIST() = default;
    _SCHEDULE_LIST(const _SCHEDULE_LIST&) = delete;
    _SCHEDULE_LIST& operator=(const _SCHEDULE_LIST&) = delete;
    ~_SCHEDULE_LIST();
};

class CScheduleManager {
public:
    // Asks AddItem to compute the schedule position.
    static constexpr unsigned kSchedulePosition = 0xFFFFFFFFu;

    explicit CScheduleManager(HWND list);
    ~CScheduleManager();
    CScheduleManager(const CScheduleManager&) = delete;
    CScheduleManager& operator=(const CScheduleManager&) = delete;

    int InitInstance();
    int DeleteInstance();
    // 0 when added (the new line is then the only selected one), 1 when a
    // node with an equal title exists (nothing changes), -1 when the list
    // box refused the line (nothing changes either). Titles are equal when
    // they hold the same UTF-16 units. A position past the end puts the item
    // last.
    int AddItem(const wchar_t* title, _TIMES planned_start, _TIMES planned_end, unsigned position);
    // Adds every record of a chain, in chain order, as AddItem with the
    // schedule position would one record after the other: the same nodes and
    // lines in the same order, a repeated title skipped, and the line of the
    // last record added the only selected one. On an empty list this is done
    // in one pass (a stable sort, the lines appended with the list box's
    // storage reserved and its redraw suspended) instead of a search, an
    // insertion and a deselection of every line per record. Returns the
    // number of records added.
    std::size_t AddItems(const _ITEM_LIST* items);
    // Removes the node with `title` and the last selected line; returns that
    // line's index or -1 when no line is selected.
    int DeleteItem(const wchar_t* title);

    // A line taken out by TakeOut, to be put back by PutBack: where it stood,
    // whether the user had it selected and on the caret, and the line at
    // the top of the list box then.
    struct Removed {
        int line = -1;  // -1: there was no node of that title
        bool selected = false;
        bool caret = false;
        int top = 0;
    };
    // Removes the node with `title` and its own line, leaving every other
    // line selected or not as it was.
    Removed TakeOut(std::wstring_view title);
    // Adds a node and its line at `position` (kSchedulePosition: its place
    // in the schedule) as AddItem does, but leaves every other line selected
    // or not as it was: the new line is selected and the caret's as `was`
    // says, and the list box keeps the top line it had. 0, 1 or -1 as
    // AddItem.
    int PutBack(const wchar_t* title, _TIMES planned_start, _TIMES planned_end, unsigned position,
                const Removed& was);
    _SCHEDULE_LIST* SearchItem(const wchar_t* title);
    // The index of the line that shows `title`, or -1.
    int FindLine(std::wstring_view title) const;
    int InitScheduleList(_SCHEDULE_LIST* node);

    std::unique_ptr<_SCHEDULE_LIST> schedule_list;

private:
    void ForgetNodes();
    // Unlinks and releases the node of `title`; its index, or -1 when there
    // is none. The lines are the caller's.
    int Unlink(std::wstring_view title);
    // Inserts the node and its line; the line's index, or -1 when the list
    // box refused it, or -2 when a node has that title. No selection changes.
    int Insert(std::wstring text, _TIMES planned_start, _TIMES planned_end, unsigned position);

    HWND list_;  // the list box whose lines mirror the nodes

    static std::size_t HashOf(std::wstring_view title);
    // The node with `title`, or null.
    _SCHEDULE_LIST* Named(std::wstring_view title) const;
    void Forget(const _SCHEDULE_LIST* node);

    // Beside the chain, so that adding stays cheap on long lists: the nodes
    // by the hash of their title (the duplicate test; a hit is compared with
    // the node's own title, so no title is held twice), the nodes in chain
    // order (the position of a key by binary search, and a node's
    // predecessor without a walk), and whether the keys are known to be
    // ascending (explicit positions may break that; a linear search is then
    // used).
    std::unordered_multimap<std::size_t, _SCHEDULE_LIST*> titles_;
    std::vector<_SCHEDULE_LIST*> order_;
    bool ascending_ = true;
};
