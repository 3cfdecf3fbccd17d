// The content of a document: action item records, the kind list, the states
// of the document manager, and the record operations that need no window.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "Times.h"

// A text as the program shows and stores it: the units before its first NUL,
// or the whole text when it holds none. A control's text ends there, the
// writer stores that much, and titles are compared by it (a title's list box
// line holds only this part). A file may bring texts with embedded NULs.
std::u16string_view ShownText(std::u16string_view text);

// Fields 1 to 9 of an action item, in file order. The editor's working copy
// is exactly this; a record adds the link to the next record. An empty
// string means "no text" (the file stores it with length 0).
struct _EDIT_ITEM {
    std::u16string title;
    std::u16string action_kind;
    _TIMES planned_start;
    _TIMES planned_end;
    _TIMES actual_start;
    _TIMES actual_end;
    _TIMES alarm;
    std::u16string location;
    std::u16string status;

    friend bool operator==(const _EDIT_ITEM&, const _EDIT_ITEM&) = default;
};

// Frees the chain from `next` on, one node at a time: each node is unlinked
// from the rest before it goes, so its destructor finds `next` empty and a
// chain of any length is released without recursion. The destructor of
// every chain's node calls it.
template <typename Node>
void ReleaseChain(std::unique_ptr<Node>& next) {
    std::unique_ptr<Node> node = std::move(next);
    while (node) node = std::move(node->next);
}

// One action item, chained in document order (file order, new items last).
struct _ITEM_LIST : _EDIT_ITEM {
    std::unique_ptr<_ITEM_LIST> next;

    _ITEM_LIST() = default;
    _ITEM_LIST(const _ITEM_LIST&) = delete;
    _ITEM_LIST& operator=(const _ITEM_LIST&) = delete;
    ~_ITEM_LIST();  // frees the rest of the chain by ReleaseChain
};

// One action kind, chained in combo box order.
struct _KIND_LIST {
    std::u16string text;
    std::unique_ptr<_KIND_LIST> next;

    _KIND_LIST() = default;
    explicit _KIND_LIST(std::u16string t) : text(std::move(t)) {}
    _KIND_LIST(const _KIND_LIST&) = delete;
    _KIND_LIST& operator=(const _KIND_LIST&) = delete;
    ~_KIND_LIST();
};

// States of the document manager.
enum : int {
    STATE_NONE = 1,       // no document is open
    STATE_OPEN = 2,       // item_list, schedule and editor exist
    STATE_RELEASING = 5,  // the document is being torn down
};

inline constexpr char16_t kNewActionTitle[] = u"NewAction";

// Makes `item` a fresh item: title "NewAction", both planned date-times at
// the current minute (GetTime), everything else zero or empty. A null item
// does nothing. Returns 0.
int InitItemList(_ITEM_LIST* item);

// The first record from `head` whose title equals `title` (case-sensitive,
// whole text), or nullptr.
_ITEM_LIST* SearchItemList(_ITEM_LIST* head, std::u16string_view title);

// Gives `dst` the content of `src` (fields 1 to 9); dst's link is unchanged.
int CopyItemList(_ITEM_LIST* dst, const _EDIT_ITEM& src);

// The schedule order, in which the item list shows the items and the report
// of every item lists them: ascending planned completion (TimeCmp), items of
// equal completion in the order they were added (document order). True when
// the item completing at `a_end`, added as number `a_added`, comes before the
// one completing at `b_end`, added as number `b_added`.
inline bool ScheduleBefore(const _TIMES& a_end, std::size_t a_added, const _TIMES& b_end, std::size_t b_added) {
    const int c = TimeCmp(a_end, b_end);
    return c != 0 ? c < 0 : a_added < b_added;
}

// Number of records in a chain.
std::size_t CountItems(const _ITEM_LIST* head);
std::size_t CountKinds(const _KIND_LIST* head);
