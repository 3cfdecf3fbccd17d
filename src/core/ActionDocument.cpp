#include "ActionDocument.h"

#include <algorithm>
#include <optional>
#include <tuple>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "ItemTitles.h"

namespace {

bool EndsBefore(const _TIMES& key, const _ITEM_LIST* line) { return TimeCmp(key, line->planned_end) < 0; }

}  // namespace

void ActionDocument::Replace(std::unique_ptr<_ITEM_LIST> items, std::unique_ptr<_KIND_LIST> kinds) {
    items_ = std::move(items);  // the old chain releases itself without recursion
    kinds_ = std::move(kinds);
    Rebuild();
    changes_ = saved_changes_ = 0;
}

void ActionDocument::StartNew() {
    auto fresh = std::make_unique<_ITEM_LIST>();
    InitItemList(fresh.get());
    Replace(std::move(fresh), nullptr);
}

void ActionDocument::Rebuild() {
    records_.Rebuild();
    lines_.clear();
    lines_.reserve(CountItems(items_.get()));
    // Sorted on copies of the keys, in document order where they are equal:
    // no record is visited again while a long document is sorted.
    struct Line {
        std::uint64_t year_month, day_hour;
        std::uint32_t minute, order;
        _ITEM_LIST* record;
    };
    const auto high = [](std::int32_t a, std::int32_t b) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32 | static_cast<std::uint32_t>(b);
    };
    std::vector<Line> lines;
    for (_ITEM_LIST* p = items_.get(); p != nullptr; p = p->next.get()) {
        if (!lines_.emplace(ShownText(p->title), p).second) continue;
        const _TIMES& t = p->planned_end;
        lines.push_back({high(t.year, t.month), high(t.day, t.hour), static_cast<std::uint32_t>(t.minute),
                         static_cast<std::uint32_t>(lines.size()), p});
    }
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        return std::tie(a.year_month, a.day_hour, a.minute, a.order) <
               std::tie(b.year_month, b.day_hour, b.minute, b.order);
    });
    schedule_.clear();
    schedule_.reserve(lines.size());
    for (const Line& line : lines) schedule_.push_back(line.record);
}

_ITEM_LIST* ActionDocument::LineOwner(std::u16string_view text) const {
    const auto hit = lines_.find(text);
    return hit == lines_.end() ? nullptr : hit->second;
}

int ActionDocument::LineOf(std::u16string_view text) const { return LineOfRecord(LineOwner(text)); }

int ActionDocument::LineOfRecord(const _ITEM_LIST* record) const {
    if (record == nullptr || LineOwner(ShownText(record->title)) != record) return -1;
    // Lines of one planned completion stand together; the record is one of them.
    const auto [first, last] = std::equal_range(
        schedule_.begin(), schedule_.end(), record,
        [](const _ITEM_LIST* a, const _ITEM_LIST* b) { return TimeCmp(a->planned_end, b->planned_end) < 0; });
    const auto at = std::find(first, last, record);
    return at == last ? -1 : static_cast<int>(at - schedule_.begin());
}

std::size_t ActionDocument::SchedulePlace(const _TIMES& planned_end) const {
    // After every line whose completion is not later.
    return static_cast<std::size_t>(std::upper_bound(schedule_.begin(), schedule_.end(), planned_end, EndsBefore) -
                                    schedule_.begin());
}

std::size_t ActionDocument::Place(_ITEM_LIST* record, int position) {
    const std::size_t at = position < 0 ? SchedulePlace(record->planned_end)
                                        : std::min(static_cast<std::size_t>(position), schedule_.size());
    schedule_.insert(schedule_.begin() + static_cast<std::ptrdiff_t>(at), record);
    lines_.emplace(ShownText(record->title), record);
    return at;
}

int ActionDocument::Unplace(const _ITEM_LIST* record) {
    const int line = LineOfRecord(record);
    if (line < 0) return -1;
    lines_.erase(ShownText(record->title));
    schedule_.erase(schedule_.begin() + line);
    return line;
}

_ITEM_LIST* ActionDocument::Append(std::unique_ptr<_ITEM_LIST> record) {
    _ITEM_LIST* const last = records_.Last();
    std::unique_ptr<_ITEM_LIST>& link = last ? last->next : items_;
    link = std::move(record);
    records_.Appended(link.get());
    ++changes_;
    return link.get();
}

ActionDocument::Added ActionDocument::Add() {
    auto fresh = std::make_unique<_ITEM_LIST>();
    InitItemList(fresh.get());
    fresh->title = AddCommandTitle([this](std::u16string_view key) { return !TitleFree(key); });
    _ITEM_LIST* const record = Append(std::move(fresh));
    return {record, Place(record, -1)};
}

ActionDocument::Deleted ActionDocument::Delete(const std::vector<std::u16string>& titles) {
    Deleted deleted;
    std::unordered_set<const _ITEM_LIST*> doomed;
    for (const std::u16string& title : titles)
        if (const _ITEM_LIST* owner = LineOwner(ShownText(title))) doomed.insert(owner);
    if (doomed.empty()) return deleted;
    // The only item going may come back as the very fresh item that replaces
    // it: then nothing changed.
    const std::uint64_t changes_before = changes_;
    std::optional<_EDIT_ITEM> only;
    if (items_ && !items_->next && doomed.count(items_.get())) only = static_cast<const _EDIT_ITEM&>(*items_);

    // One pass over the lines: from the bottom up, each index is still the
    // one it had when the window removes it.
    for (std::size_t line = schedule_.size(); line-- > 0;)
        if (doomed.count(schedule_[line])) deleted.lines.push_back(line);
    std::erase_if(schedule_, [&](const _ITEM_LIST* r) { return doomed.count(r) != 0; });
    for (const _ITEM_LIST* r : doomed) lines_.erase(ShownText(r->title));

    // And one over the records.
    std::unique_ptr<_ITEM_LIST>* link = &items_;
    while (*link) {
        if (doomed.count(link->get())) {
            std::unique_ptr<_ITEM_LIST> gone = std::move(*link);
            *link = std::move(gone->next);
            ++changes_;
        } else {
            link = &(*link)->next;
        }
    }
    records_.Rebuild();

    // A document always holds an item: the last one is replaced by a fresh one.
    if (!items_) {
        auto fresh = std::make_unique<_ITEM_LIST>();
        InitItemList(fresh.get());
        deleted.fresh = Append(std::move(fresh));
        Place(deleted.fresh, -1);
        if (only && static_cast<const _EDIT_ITEM&>(*deleted.fresh) == *only) changes_ = changes_before;
    }
    return deleted;
}

ActionDocument::Committed ActionDocument::Commit(const _ITEM_LIST* shown_record, const _EDIT_ITEM& shown,
                                                 const _EDIT_ITEM& edited) {
    // `shown` may be the record itself: what is needed of it is taken first.
    const std::u16string key(ShownText(shown.title));
    const bool dates_edited = edited.planned_start != shown.planned_start || edited.planned_end != shown.planned_end;

    // The record the editor showed, not merely the first of its title: a
    // file may hold several records with one title, and an edit of one must
    // not land in another. A copy that no record carries any more (its
    // record was retitled meanwhile) becomes a record of its own rather than
    // being dropped.
    _ITEM_LIST* record = shown_record != nullptr ? records_.Find(key, shown_record) : LineOwner(key);
    if (record == nullptr && shown_record == nullptr) record = records_.Find(key);
    const bool appended = record == nullptr;
    if (appended) record = Append(std::make_unique<_ITEM_LIST>());
    const bool moved = dates_edited || edited.planned_end != record->planned_end;

    // Whether the content changes, without a copy of the record (its status
    // may be a long text): every field but the title now, the title once it
    // is chosen.
    const auto fields = [](const _EDIT_ITEM& e) {
        return std::tie(e.action_kind, e.planned_start, e.planned_end, e.actual_start, e.actual_end, e.alarm,
                        e.location, e.status);
    };
    const bool fields_change = fields(*record) != fields(edited);
    const std::u16string title_before = record->title;
    const int from = Unplace(record);
    records_.Change(record, [&] {
        CopyItemList(record, edited);
        // With its own line out, the item's own title is free.
        record->title = CommitTitle(record->title, [this](std::u16string_view k) { return !TitleFree(k); });
    });
    const int to = static_cast<int>(Place(record, moved || from < 0 ? -1 : from));

    const bool changed = appended || fields_change || record->title != title_before;
    if (changed && !appended) ++changes_;
    return {record, changed, from, to, from < 0 || ShownText(record->title) != key};
}

bool ActionDocument::ReplaceKinds(std::unique_ptr<_KIND_LIST> kinds) {
    const _KIND_LIST* a = kinds_.get();
    const _KIND_LIST* b = kinds.get();
    while (a != nullptr && b != nullptr && a->text == b->text) {
        a = a->next.get();
        b = b->next.get();
    }
    const bool differs = a != nullptr || b != nullptr;
    if (differs) ++changes_;
    kinds_ = std::move(kinds);
    return differs;
}
