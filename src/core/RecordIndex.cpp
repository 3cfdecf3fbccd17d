#include "RecordIndex.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <unordered_set>


namespace {

template <typename Entries, typename Key, typename Entry = typename Entries::value_type>
auto RangeOf(Entries& entries, const Key& key, Key Entry::*field) {
    return std::equal_range(entries.begin(), entries.end(), key, [field](const auto& a, const auto& b) {
        if constexpr (std::is_same_v<std::decay_t<decltype(a)>, Entry>) {
            return a.*field < b;
        } else {
            return a < b.*field;
        }
    });
}

// Inserts in (key, order) order.
template <typename Entry, typename Key>
void InsertOrdered(std::vector<Entry>& entries, Entry entry, Key Entry::*field) {
    const auto at = std::lower_bound(entries.begin(), entries.end(), entry, [field](const Entry& a, const Entry& b) {
        return a.*field < b.*field || (a.*field == b.*field && a.order < b.order);
    });
    entries.insert(at, entry);
}

// Removes the entry of `record` under `key` and returns its order.
template <typename Entry, typename Key>
std::uint64_t Erase(std::vector<Entry>& entries, const Key& key, Key Entry::*field, const _ITEM_LIST* record) {
    auto [first, last] = RangeOf(entries, key, field);
    const auto hit = std::find_if(first, last, [record](const Entry& e) { return e.record == record; });
    if (hit == last) return 0;  // not a record of the chain: the caller broke the contract
    const std::uint64_t order = hit->order;
    entries.erase(hit);
    return order;
}

}  // namespace

std::size_t RecordIndex::HashOf(const _ITEM_LIST& record) {
    return std::hash<std::u16string_view>{}(ShownText(record.title));
}

void RecordIndex::Rebuild() {
    titles_.clear();
    alarms_.clear();
    last_ = nullptr;
    next_order_ = 0;
    for (_ITEM_LIST* p = chain_.get(); p != nullptr; p = p->next.get()) {
        titles_.push_back({HashOf(*p), next_order_, p});
        // Only an alarm that names a minute can ring; the others (every
        // record without an alarm, a day past its month's end, hour 25) stay
        // out of the alarm entries.
        if (const auto minute = ClockMinute(p->alarm)) alarms_.push_back({*minute, next_order_, p});
        last_ = p;
        ++next_order_;
    }
    // Sorted in place on (key, order): the same order a stable sort by key
    // gives, without a second array of every entry beside the first.
    std::sort(titles_.begin(), titles_.end(), [](const TitleEntry& a, const TitleEntry& b) {
        return a.hash < b.hash || (a.hash == b.hash && a.order < b.order);
    });
    std::sort(alarms_.begin(), alarms_.end(), [](const AlarmEntry& a, const AlarmEntry& b) {
        return a.minute < b.minute || (a.minute == b.minute && a.order < b.order);
    });
}

_ITEM_LIST* RecordIndex::Find(std::u16string_view key) const { return FindAs(key, nullptr); }

_ITEM_LIST* RecordIndex::Find(std::u16string_view key, const _ITEM_LIST* record) const {
    return record == nullptr ? nullptr : FindAs(key, record);
}

_ITEM_LIST* RecordIndex::FindAs(std::u16string_view key, const _ITEM_LIST* record) const {
    // Titles of one hash share a range; the title itself decides.
    const auto [first, last] = RangeOf(titles_, std::hash<std::u16string_view>{}(key), &TitleEntry::hash);
    for (auto it = first; it != last; ++it)
        if ((record == nullptr || it->record == record) && ShownText(it->record->title) == key) return it->record;
    return nullptr;
}

std::vector<_ITEM_LIST*> RecordIndex::Due(const _TIMES& minute) const {
    if (const auto key = ClockMinute(minute)) return DueBetween(*key, *key);
    // Alarms that name no minute are not indexed; no clock asks for them.
    std::vector<_ITEM_LIST*> due;
    for (_ITEM_LIST* p = chain_.get(); p != nullptr; p = p->next.get())
        if (TimeCmp(minute, p->alarm) == 0) due.push_back(p);
    return due;
}

std::vector<_ITEM_LIST*> RecordIndex::DueBetween(std::int64_t first, std::int64_t last) const {
    std::vector<_ITEM_LIST*> due;
    auto it = std::lower_bound(alarms_.begin(), alarms_.end(), first,
                               [](const AlarmEntry& e, std::int64_t key) { return e.minute < key; });
    for (; it != alarms_.end() && it->minute <= last; ++it) due.push_back(it->record);
    return due;
}

void RecordIndex::Insert(_ITEM_LIST* record, std::uint64_t order) {
    InsertOrdered(titles_, TitleEntry{HashOf(*record), order, record}, &TitleEntry::hash);
    if (const auto minute = ClockMinute(record->alarm))
        InsertOrdered(alarms_, AlarmEntry{*minute, order, record}, &AlarmEntry::minute);
}

void RecordIndex::Appended(_ITEM_LIST* record) {
    Insert(record, next_order_++);
    last_ = record;
}

std::vector<std::uint64_t> RecordIndex::Unlinked(const std::vector<const _ITEM_LIST*>& records, _ITEM_LIST* last) {
    std::vector<std::uint64_t> orders;
    orders.reserve(records.size());
    for (const _ITEM_LIST* record : records) {
        auto [first, end] = RangeOf(titles_, HashOf(*record), &TitleEntry::hash);
        const auto hit = std::find_if(first, end, [record](const TitleEntry& e) { return e.record == record; });
        orders.push_back(hit == end ? 0 : hit->order);
    }
    const std::unordered_set<const _ITEM_LIST*> gone(records.begin(), records.end());
    std::erase_if(titles_, [&](const TitleEntry& e) { return gone.count(e.record) != 0; });
    std::erase_if(alarms_, [&](const AlarmEntry& e) { return gone.count(e.record) != 0; });
    last_ = last;
    return orders;
}

void RecordIndex::Relinked(const std::vector<std::pair<_ITEM_LIST*, std::uint64_t>>& records, _ITEM_LIST* last) {
    // The entries of the records back, sorted among themselves, then merged
    // with the others in one pass.
    const auto by_title = [](const TitleEntry& a, const TitleEntry& b) {
        return a.hash < b.hash || (a.hash == b.hash && a.order < b.order);
    };
    const auto by_alarm = [](const AlarmEntry& a, const AlarmEntry& b) {
        return a.minute < b.minute || (a.minute == b.minute && a.order < b.order);
    };
    const std::size_t titles = titles_.size(), alarms = alarms_.size();
    for (const auto& [record, order] : records) {
        titles_.push_back({HashOf(*record), order, record});
        if (const auto minute = ClockMinute(record->alarm)) alarms_.push_back({*minute, order, record});
    }
    std::sort(titles_.begin() + static_cast<std::ptrdiff_t>(titles), titles_.end(), by_title);
    std::inplace_merge(titles_.begin(), titles_.begin() + static_cast<std::ptrdiff_t>(titles), titles_.end(), by_title);
    std::sort(alarms_.begin() + static_cast<std::ptrdiff_t>(alarms), alarms_.end(), by_alarm);
    std::inplace_merge(alarms_.begin(), alarms_.begin() + static_cast<std::ptrdiff_t>(alarms), alarms_.end(), by_alarm);
    last_ = last;
}

void RecordIndex::Change(_ITEM_LIST* record, const std::function<void()>& change) {
    const std::uint64_t order = Erase(titles_, HashOf(*record), &TitleEntry::hash, record);
    if (const auto minute = ClockMinute(record->alarm)) Erase(alarms_, *minute, &AlarmEntry::minute, record);
    change();
    Insert(record, order);
}
