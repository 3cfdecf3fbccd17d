// The find field's rule: which items a typed text picks out of the list.
// A text matches when it is contained in the item's title, kind, location or
// status once both are folded: case ignored (A = a), full and half width
// alike (Ａ = A, ｱ = ア, ｶﾞ = ガ) and hiragana and katakana alike (あ = ア).
#pragma once

#include <string>
#include <string_view>

#include "LineState.h"
#include "Records.h"

// `text` folded as the find compares it: ASCII and full-width Latin letters
// in lower case, full-width ASCII and the ideographic space as ASCII,
// half-width katakana as full-width (a following sound mark joined to the
// kana it voices, as are the combining marks U+3099 and U+309A), katakana
// as hiragana.
std::u16string FoldForFind(std::u16string_view text);

// What the item list shows: the items that contain the find text and pass
// the filter, at the minute `now`.
class ListQuery {
public:
    ListQuery() = default;
    ListQuery(std::u16string_view find, ListFilter filter, const ListClock& now);

    // Whether the query leaves any line out at all: some text, or a filter.
    bool Narrows() const { return !folded_.empty() || filter_ != ListFilter::All; }
    bool Matches(const _EDIT_ITEM& item) const;
    const ListClock& now() const { return now_; }
    // Whether every item this query matches also matches `wider`: the same
    // filter at the same minute, and a find text that contains the wider
    // one's (folded). Typing on in the find field narrows this way, so
    // only the lines still shown need to be asked again.
    bool NarrowsFurtherThan(const ListQuery& wider) const;

private:
    bool Contains(std::u16string_view text) const;

    std::u16string folded_;
    ListFilter filter_ = ListFilter::All;
    ListClock now_;
};
