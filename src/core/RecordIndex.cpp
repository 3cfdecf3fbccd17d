#include "RecordIndex.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <type_traits>

#include "ItemTitles.h"

namespace {

// A record with an alarm in year 0 never rings: no clock reading falls in
// that year. Such records (every record without an alarm) stay out of the
// alarm entries.
bool CanRing(const _TIMES& alarm) { return alarm.year != 0; }

template <typename Entry, typename Key>
auto RangeOf(std::vector<Entry>& entries, const Key& key, Key Entry::*field) {
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

// Removes the entry of `record` under `key`; its order, or nothing when the
// index has no such entry.
template <typename Entry, typename Key>
std::optional<std::uint64_t> Erase(std::vector<Entry>& entries, const Key& key, Key Entry::*field,
                                   const _ITEM_LIST* record) {
    auto [first, last] = RangeOf(entries, key, field);
    const auto hit = std::find_if(first, last, [record](const Entry& e) { return e.record == record; });
    if (hit == last) return std::nullopt;
    const std::uint64_t order = hit->order;
    entries.erase(hit);
    return order;
}

}  // namespace

std::size_t RecordIndex::HashOf(const _ITEM_LIST& record) {
    return std::hash<std::u16string_view>{}(ShownText(record.title));
}

RecordIndex::Minute RecordIndex::MinuteOf(const _TIMES& t) {
    // Compared as TimeCmp compares: each field as an unsigned 32-bit number.
    return {static_cast<std::uint32_t>(t.year), static_cast<std::uint32_t>(t.month),
            static_cast<std::uint32_t>(t.day), static_cast<std::uint32_t>(t.hour),
            static_cast<std::uint32_t>(t.minute)};
}

void RecordIndex::Rebuild() {
    titles_.clear();
    alarms_.clear();
    last_ = nullptr;
    next_order_ = 0;
    for (_ITEM_LIST* p = chain_.get(); p != nullptr; p = p->next.get()) {
        titles_.push_back({HashOf(*p), next_order_, p});
        if (CanRing(p->alarm)) alarms_.push_back({MinuteOf(p->alarm), next_order_, p});
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
    built_for_ = chain_.get();
    built_ = true;
    ++generation_;
}

void RecordIndex::Clear() {
    titles_.clear();
    alarms_.clear();
    last_ = nullptr;
    built_for_ = nullptr;
    built_ = false;
}

void RecordIndex::EnsureBuilt() {
    // A different head, or records linked behind the last one behind the
    // index's back: index the chain anew.
    if (!built_ || built_for_ != chain_.get() || (last_ != nullptr && last_->next)) Rebuild();
}

_ITEM_LIST* RecordIndex::Last() {
    EnsureBuilt();
    return last_;
}

_ITEM_LIST* RecordIndex::Find(std::u16string_view key) { return FindAs(key, nullptr); }

_ITEM_LIST* RecordIndex::Find(std::u16string_view key, const _ITEM_LIST* record) {
    return record == nullptr ? nullptr : FindAs(key, record);
}

_ITEM_LIST* RecordIndex::FindAs(std::u16string_view key, const _ITEM_LIST* record) {
    const auto wanted = [&](const _ITEM_LIST* p) {
        return (record == nullptr || p == record) && ShownText(p->title) == key;
    };
    EnsureBuilt();
    const std::size_t hash = std::hash<std::u16string_view>{}(key);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto [first, last] = RangeOf(titles_, hash, &TitleEntry::hash);
        bool changed = false;
        for (auto it = first; it != last; ++it) {
            if (wanted(it->record)) return it->record;
            if (HashOf(*it->record) != it->hash) changed = true;
        }
        if (!changed) break;
        Rebuild();
    }
    // Not indexed under this title: a record retitled behind the index's
    // back may carry it.
    for (_ITEM_LIST* p = chain_.get(); p != nullptr; p = p->next.get())
        if (wanted(p)) {
            Rebuild();
            return p;
        }
    return nullptr;
}

std::vector<_ITEM_LIST*> RecordIndex::Due(const _TIMES& minute) {
    std::vector<_ITEM_LIST*> due;
    if (!CanRing(minute)) {
        for (_ITEM_LIST* p = chain_.get(); p != nullptr; p = p->next.get())
            if (TimeCmp(minute, p->alarm) == 0) due.push_back(p);
        return due;
    }
    EnsureBuilt();
    const Minute key = MinuteOf(minute);
    for (int attempt = 0; attempt < 2; ++attempt) {
        due.clear();
        const auto [first, last] = RangeOf(alarms_, key, &AlarmEntry::minute);
        bool changed = false;
        for (auto it = first; it != last && !changed; ++it) {
            if (TimeCmp(minute, it->record->alarm) == 0)
                due.push_back(it->record);
            else
                changed = true;
        }
        if (!changed) break;
        Rebuild();
    }
    return due;
}

void RecordIndex::Insert(_ITEM_LIST* record, std::uint64_t order) {
    InsertOrdered(titles_, TitleEntry{HashOf(*record), order, record}, &TitleEntry::hash);
    if (CanRing(record->alarm)) InsertOrdered(alarms_, AlarmEntry{MinuteOf(record->alarm), order, record}, &AlarmEntry::minute);
}

void RecordIndex::Appended(_ITEM_LIST* record) {
    // Only a record linked right behind the indexed last one extends the
    // index; anything else is a change it was not told about.
    if (built_ && built_for_ == chain_.get() && last_ != nullptr && record != nullptr &&
        last_->next.get() == record && !record->next) {
        Insert(record, next_order_++);
        last_ = record;
    } else {
        Rebuild();
    }
}

void RecordIndex::Change(_ITEM_LIST* record, const std::function<void()>& change) {
    EnsureBuilt();
    std::optional<std::uint64_t> order = Erase(titles_, HashOf(*record), &TitleEntry::hash, record);
    if (order && CanRing(record->alarm) && !Erase(alarms_, MinuteOf(record->alarm), &AlarmEntry::minute, record))
        order.reset();
    const std::uint64_t generation = generation_;
    change();
    // A question asked from inside `change` may have rebuilt the index, with
    // the record already in it.
    if (order && generation == generation_)
        Insert(record, *order);
    else
        built_ = false;  // the record was not where the index had it: rebuild when next asked
}
