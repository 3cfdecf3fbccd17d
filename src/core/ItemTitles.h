// Titles are the keys of the action items: the list box line, the schedule
// node and the record of one item find each other by title. These are the
// rules for comparing titles the way the controls see them and for choosing a
// free title when the wanted one is taken.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "Records.h"

// `base` followed by the decimal number `k` ("%s%d"). Never cut: a long base
// keeps every unit, so that every further attempt gives a new title.
std::u16string NumberedTitle(std::u16string_view base, int k);

// Which titles are taken, compared by ShownText (as a control and lstrcmpW
// see them). The rules below ask once per candidate, in order, and stop at
// the first free one, so the predicate may itself be the attempt to take the
// title.
using TitleTaken = std::function<bool(std::u16string_view key)>;

// The title of a new item: "NewAction" when free, else the first free one of
// NewAction1, NewAction2, NewAction3, ...
std::u16string AddCommandTitle(const TitleTaken& taken);

// The title an item gets when its edit is taken over: an empty title (by
// ShownText) becomes "NewAction"; while the title is taken, the next counter
// is appended to the title of the previous attempt, so the suffixes pile up
// (Plan, Plan1, Plan12, Plan123, ...).
std::u16string CommitTitle(std::u16string title, const TitleTaken& taken);

// A set of title keys, for the predicates above.
class TitleSet {
public:
    void Add(std::u16string_view title) { keys_.emplace(ShownText(title)); }
    void Remove(std::u16string_view title) { keys_.erase(std::u16string(ShownText(title))); }
    bool Contains(std::u16string_view title) const { return keys_.count(std::u16string(ShownText(title))) != 0; }
    TitleTaken Taken() const {
        return [this](std::u16string_view key) { return Contains(key); };
    }

private:
    std::unordered_set<std::u16string> keys_;
};

// The titles taken so far (by ShownText), for renaming as items arrive in
// documents of millions of items: each title is kept as its 64-bit hash and
// where it can be read again, 16 to 32 bytes a title. A hash met again only
// names a candidate; the title read back from there decides.
class TakenTitles {
public:
    // Whether the title stored at `where` has the key `key`.
    using IsTitleAt = std::function<bool(std::uint32_t where, std::u16string_view key)>;
    explicit TakenTitles(IsTitleAt is_title_at) : is_title_at_(std::move(is_title_at)) {}

    // `title` is taken from now on and can be read again at `where`.
    void Add(std::u16string_view title, std::uint32_t where);
    bool Contains(std::u16string_view title) const;
    TitleTaken Taken() const {
        return [this](std::u16string_view key) { return Contains(key); };
    }

private:
    void Grow();

    IsTitleAt is_title_at_;
    std::vector<std::uint64_t> hashes_;  // open addressing; 0 marks a free slot
    std::vector<std::uint32_t> where_;
    std::size_t count_ = 0;
};

// Items that share a title (by ShownText), found in 16 bytes per item so that
// documents of millions of items can be checked: titles are kept as 64-bit
// hashes, and only items whose hashes meet are read again and compared.
class RepeatedTitles {
public:
    // Item `index` (ascending from call to call) has `title`; `where` is
    // handed back to the reader below (an offset in a file, say).
    void Add(std::u16string_view title, std::uint32_t index, std::uint32_t where);

    // The groups of item numbers (ascending) that share a title, groups of
    // two or more only, in the order of their first items; `title_at` gives
    // the title of an item again from its `where`. Forgets the items.
    using TitleAt = std::function<std::u16string(std::uint32_t index, std::uint32_t where)>;
    std::vector<std::vector<std::uint32_t>> Find(const TitleAt& title_at);

private:
    struct Entry {
        std::uint64_t hash;
        std::uint32_t index;
        std::uint32_t where;
    };
    std::vector<Entry> entries_;
};
