// Beside the document's record chain, so that the commands on a long
// document do not walk it: the last record (where new records go), the first
// record of each title as a list box line reads it (ShownText), and the
// records whose alarm names a given minute (ClockMinute: hour 0 and minute 60
// name the minute they mean), in chain order.
//
// The index points into the chain it is bound to and trusts its owner to
// tell it every change: Appended for a record linked at the end, Change
// around an edit of one record, Rebuild after anything else (a chain
// replaced, records removed). The document manager makes every change of
// its chain through a few members that do so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "Records.h"

class RecordIndex {
public:
    explicit RecordIndex(const std::unique_ptr<_ITEM_LIST>& chain) : chain_(chain) {}
    RecordIndex(const RecordIndex&) = delete;
    RecordIndex& operator=(const RecordIndex&) = delete;

    // Indexes the chain as it is now.
    void Rebuild();

    // The record at the end of the chain, or null for an empty chain.
    _ITEM_LIST* Last() const { return last_; }
    // The first record in chain order whose title reads `key`, or null.
    _ITEM_LIST* Find(std::u16string_view key) const;
    // `record` itself when it is a record of the chain whose title reads
    // `key`, else null: of several records with one title, the one meant.
    // `record` is only compared with the chain's records, never read, so it
    // may be one that is gone.
    _ITEM_LIST* Find(std::u16string_view key, const _ITEM_LIST* record) const;
    // The records whose alarm names the minute `minute` names, in chain
    // order; for a `minute` that names none, those whose alarm equals it.
    std::vector<_ITEM_LIST*> Due(const _TIMES& minute) const;
    // The records whose alarm names a clock minute (ClockMinute) from
    // `first` to `last`: by minute, and in chain order within a minute.
    std::vector<_ITEM_LIST*> DueBetween(std::int64_t first, std::int64_t last) const;

    // `record` was just linked at the end of the chain.
    void Appended(_ITEM_LIST* record);
    // `records`, records of the chain, are unlinked from it and `last` is its
    // last record now: their entries go in one pass. Returns each one's place
    // in chain order, for Relinked.
    std::vector<std::uint64_t> Unlinked(const std::vector<const _ITEM_LIST*>& records, _ITEM_LIST* last);
    // Records unlinked before are linked again where they stood, nothing
    // else having changed meanwhile, each with the place Unlinked gave it;
    // `last` is the chain's last record now.
    void Relinked(const std::vector<std::pair<_ITEM_LIST*, std::uint64_t>>& records, _ITEM_LIST* last);
    // Runs `change` on `record`, a record of the chain, and indexes its new
    // title and alarm in the record's old place in chain order.
    void Change(_ITEM_LIST* record, const std::function<void()>& change);

private:
    // The first record of title `key` that is `record`, or any when it is null.
    _ITEM_LIST* FindAs(std::u16string_view key, const _ITEM_LIST* record) const;
    struct TitleEntry {
        std::size_t hash;
        std::uint64_t order;  // place in the chain: ascending from head to end
        _ITEM_LIST* record;
    };
    struct AlarmEntry {
        std::int64_t minute;  // the clock minute the alarm names
        std::uint64_t order;
        _ITEM_LIST* record;
    };

    static std::size_t HashOf(const _ITEM_LIST& record);
    void Insert(_ITEM_LIST* record, std::uint64_t order);

    const std::unique_ptr<_ITEM_LIST>& chain_;
    _ITEM_LIST* last_ = nullptr;
    std::uint64_t next_order_ = 0;
    std::vector<TitleEntry> titles_;  // by hash, then order
    std::vector<AlarmEntry> alarms_;  // by minute, then order; alarms that name a minute only
};
