#include "ActionDocument.h"

#include <algorithm>
#include <optional>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "ItemTitles.h"

namespace {

bool EndsBefore(const _TIMES& key, const _ITEM_LIST* line) { return TimeCmp(key, line->planned_end) < 0; }

std::size_t TextBytes(const std::u16string& text) { return text.capacity() * sizeof(char16_t); }
std::size_t FieldBytes(const _EDIT_ITEM& item) {
    return TextBytes(item.title) + TextBytes(item.action_kind) + TextBytes(item.location) + TextBytes(item.status);
}

}  // namespace

// One step of the history. Done, it has taken `removed` out (their nodes
// held here), given each of `edits` the fields it holds now (the other
// fields held here) and appended `added`; undone, the other way round.
struct ActionDocument::Step {
    struct Out {
        std::size_t position;  // in document order before the step
        int line;              // before the step; -1: none
        _ITEM_LIST* record;
        std::unique_ptr<_ITEM_LIST> held;
        std::uint64_t order = 0;  // its place in the record index
    };
    struct Edit {
        _ITEM_LIST* record;
        _EDIT_ITEM other;  // the fields the record does not hold now
        int from, to;      // its line before and after the step
    };
    struct In {
        int line;  // after the step
        _ITEM_LIST* record;
        std::unique_ptr<_ITEM_LIST> held;
    };
    View before, after;
    std::uint64_t version_before = 0, version_after = 0;
    std::uint64_t changes_before = 0;
    bool changed = false;
    std::vector<Out> removed;  // ascending position
    std::vector<Edit> edits;
    std::vector<In> added;     // in the order appended
    bool kinds = false;
    std::unique_ptr<_KIND_LIST> other_kinds;
    std::size_t bytes = 0;

    bool Empty() const { return removed.empty() && edits.empty() && added.empty() && !kinds; }
};

ActionDocument::ActionDocument() = default;
ActionDocument::~ActionDocument() = default;

void ActionDocument::Replace(std::unique_ptr<_ITEM_LIST> items, std::unique_ptr<_KIND_LIST> kinds) {
    ForgetHistory();
    items_ = std::move(items);  // the old chain releases itself without recursion
    kinds_ = std::move(kinds);
    Rebuild();
    changes_ = 0;
    version_ = saved_version_ = last_version_ = 0;
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

ActionDocument::Added ActionDocument::Add(const View& before) {
    Step& step = Record(before);
    auto fresh = std::make_unique<_ITEM_LIST>();
    InitItemList(fresh.get());
    fresh->title = AddCommandTitle([this](std::u16string_view key) { return !TitleFree(key); });
    _ITEM_LIST* const record = Append(std::move(fresh));
    const Added added{record, Place(record, -1)};
    step.added.push_back({static_cast<int>(added.line), record, nullptr});
    Finish(ViewOf(record));
    return added;
}

ActionDocument::Deleted ActionDocument::Delete(const std::vector<std::u16string>& titles, const View& before) {
    Deleted deleted;
    std::unordered_set<const _ITEM_LIST*> doomed;
    for (const std::u16string& title : titles)
        if (const _ITEM_LIST* owner = LineOwner(ShownText(title))) doomed.insert(owner);
    if (doomed.empty()) {
        deleted.shown = items_.get();
        return deleted;
    }
    Step& step = Record(before);
    // The only item going may come back as the very fresh item that replaces
    // it: then nothing changed.
    const std::uint64_t changes_before = changes_;
    std::optional<_EDIT_ITEM> only;
    if (items_ && !items_->next && doomed.count(items_.get())) only = static_cast<const _EDIT_ITEM&>(*items_);

    // Where each goes from, in document order and on the lines: one pass
    // over each.
    std::size_t position = 0;
    for (_ITEM_LIST* p = items_.get(); p != nullptr; p = p->next.get(), ++position)
        if (doomed.count(p)) step.removed.push_back({position, -1, p, nullptr});
    std::vector<LineChange> changes;
    TakeOut(step, changes);
    for (const LineChange& change : changes) deleted.lines.push_back(static_cast<std::size_t>(change.from));

    // A document always holds an item: the last one is replaced by a fresh one.
    if (!items_) {
        auto fresh = std::make_unique<_ITEM_LIST>();
        InitItemList(fresh.get());
        deleted.fresh = Append(std::move(fresh));
        step.added.push_back({static_cast<int>(Place(deleted.fresh, -1)), deleted.fresh, nullptr});
        if (only && static_cast<const _EDIT_ITEM&>(*deleted.fresh) == *only) changes_ = changes_before;
    }
    deleted.shown = items_.get();
    View after;
    if (deleted.fresh != nullptr) after.selected.emplace_back(ShownText(deleted.fresh->title));
    after.shown = deleted.shown;
    after.shown_title = deleted.shown->title;
    Finish(after);
    return deleted;
}

ActionDocument::Committed ActionDocument::Commit(const _ITEM_LIST* shown_record, const _EDIT_ITEM& shown,
                                                 const _EDIT_ITEM& edited, const View& before) {
    Step& step = Record(before);
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
    const int from = Unplace(record);
    // The fields the record had go to the step, for an undo.
    _EDIT_ITEM other = edited;
    records_.Change(record, [&] {
        std::swap(static_cast<_EDIT_ITEM&>(*record), other);
        // With its own line out, the item's own title is free.
        record->title = CommitTitle(record->title, [this](std::u16string_view k) { return !TitleFree(k); });
    });
    const int to = static_cast<int>(Place(record, moved || from < 0 ? -1 : from));

    const bool changed = appended || fields_change || record->title != other.title;
    if (changed && !appended) ++changes_;
    if (appended)
        step.added.push_back({to, record, nullptr});
    else if (changed || from != to)
        step.edits.push_back({record, std::move(other), from, to});
    View after = before;
    for (std::u16string& text : after.selected)
        if (text == key) text = ShownText(record->title);
    after.shown = record;
    after.shown_title = record->title;
    Finish(after);
    return {record, changed, from, to, from < 0 || ShownText(record->title) != key};
}



bool ActionDocument::ReplaceKinds(std::unique_ptr<_KIND_LIST> kinds, const View& before) {
    const _KIND_LIST* a = kinds_.get();
    const _KIND_LIST* b = kinds.get();
    while (a != nullptr && b != nullptr && a->text == b->text) {
        a = a->next.get();
        b = b->next.get();
    }
    const bool differs = a != nullptr || b != nullptr;
    if (!differs) {
        kinds_ = std::move(kinds);
        return false;
    }
    Step& step = Record(before);
    step.kinds = true;
    step.other_kinds = std::exchange(kinds_, std::move(kinds));
    ++changes_;
    Finish(before);
    return true;
}

// The history ------------------------------------------------------------------

ActionDocument::View ActionDocument::ViewOf(const _ITEM_LIST* record) {
    View view;
    if (record == nullptr) return view;
    view.selected.emplace_back(ShownText(record->title));
    view.shown = record;
    view.shown_title = record->title;
    return view;
}

ActionDocument::View ActionDocument::OpenedView() const { return ViewOf(Last()); }

ActionDocument::View ActionDocument::Present(View view) const {
    // Only compared with the records, never read: the record may be gone.
    if (view.shown != nullptr && records_.Find(ShownText(view.shown_title), view.shown) != nullptr) return view;
    const _ITEM_LIST* record = nullptr;
    for (const std::u16string& text : view.selected)
        if ((record = LineOwner(ShownText(text))) != nullptr) break;
    if (record == nullptr) record = items_.get();
    view.shown = record;
    view.shown_title = record != nullptr ? record->title : std::u16string();
    return view;
}

ActionDocument::Step& ActionDocument::Record(const View& before) {
    if (!pending_) {
        pending_ = std::make_unique<Step>();
        pending_->before = before;
        pending_->version_before = version_;
        pending_->changes_before = changes_;
    }
    return *pending_;
}

void ActionDocument::Finish(const View& after) {
    if (grouped_ > 0 || !pending_) return;
    std::unique_ptr<Step> step = std::move(pending_);
    if (step->Empty()) return;
    step->changed = changes_ != step->changes_before;
    step->version_after = step->changed ? ++last_version_ : step->version_before;
    version_ = step->version_after;
    step->after = after;

    // What the step keeps: the records it holds or will hold, the fields and
    // kinds it swapped, the texts of its views.
    std::size_t bytes = sizeof(Step);
    for (const Step::Out& out : step->removed) bytes += sizeof out + sizeof(_ITEM_LIST) + FieldBytes(*out.record);
    for (const Step::Edit& edit : step->edits) bytes += sizeof edit + FieldBytes(edit.other);
    for (const Step::In& in : step->added) bytes += sizeof in + sizeof(_ITEM_LIST) + FieldBytes(*in.record);
    for (const _KIND_LIST* k = step->other_kinds.get(); k != nullptr; k = k->next.get())
        bytes += sizeof(_KIND_LIST) + TextBytes(k->text);
    for (const View* view : {&step->before, &step->after})
        for (const std::u16string& text : view->selected) bytes += sizeof text + TextBytes(text);
    step->bytes = bytes;

    // A new change after an undo: what could be redone goes.
    while (steps_.size() > done_) {
        history_bytes_ -= steps_.back()->bytes;
        steps_.pop_back();
    }
    history_bytes_ += bytes;
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    Trim();
}

void ActionDocument::Trim() {
    // The newest step stays whatever it holds: its records are what the
    // document held a moment ago, and the last command can always be undone.
    while (steps_.size() > 1 && (steps_.size() > kMaxSteps || history_bytes_ > kMaxBytes)) {
        history_bytes_ -= steps_.front()->bytes;
        steps_.erase(steps_.begin());
        --done_;
    }
}

void ActionDocument::ForgetHistory() {
    pending_.reset();
    grouped_ = 0;
    steps_.clear();
    done_ = 0;
    history_bytes_ = 0;
}

void ActionDocument::BeginStep(const View& before) {
    if (grouped_++ == 0) Record(before);
}

void ActionDocument::EndStep(const View& after) {
    if (grouped_ > 0 && --grouped_ == 0) Finish(after);
}

ActionDocument::Restored ActionDocument::Undo() {
    Restored restored;
    if (!CanUndo()) return restored;
    Step& step = *steps_[--done_];
    Apply(step, false, restored.lines);
    version_ = step.version_before;
    restored.kinds = step.kinds;
    restored.view = Present(step.before);
    return restored;
}

ActionDocument::Restored ActionDocument::Redo() {
    Restored restored;
    if (!CanRedo()) return restored;
    Step& step = *steps_[done_++];
    Apply(step, true, restored.lines);
    version_ = step.version_after;
    restored.kinds = step.kinds;
    restored.view = Present(step.after);
    return restored;
}

void ActionDocument::Apply(Step& step, bool forward, std::vector<LineChange>& lines) {
    const std::uint64_t changes = changes_;
    if (forward) {
        if (!step.removed.empty()) TakeOut(step, lines);
        for (std::size_t i = 0; i < step.edits.size(); ++i) Swap(step, i, true, lines);
        for (Step::In& in : step.added) {
            Append(std::move(in.held));
            lines.push_back({-1, static_cast<int>(Place(in.record, in.line)), in.record});
        }
    } else {
        for (auto in = step.added.rbegin(); in != step.added.rend(); ++in) {
            const int line = Unplace(in->record);
            if (line >= 0) lines.push_back({line, -1, in->record});
            in->held = Unappend(in->record);
        }
        for (std::size_t i = step.edits.size(); i-- > 0;) Swap(step, i, false, lines);
        if (!step.removed.empty()) PutBack(step, lines);
    }
    if (step.kinds) std::swap(kinds_, step.other_kinds);
    changes_ = changes + (step.changed ? 1 : 0);
}

void ActionDocument::TakeOut(Step& step, std::vector<LineChange>& lines) {
    std::unordered_map<const _ITEM_LIST*, std::size_t> out;
    out.reserve(step.removed.size());
    for (std::size_t i = 0; i < step.removed.size(); ++i) out.emplace(step.removed[i].record, i);
    // The lines from the bottom up: each index is still the one it had
    // when the window removes it.
    for (std::size_t line = schedule_.size(); line-- > 0;) {
        const auto hit = out.find(schedule_[line]);
        if (hit == out.end()) continue;
        step.removed[hit->second].line = static_cast<int>(line);
        lines.push_back({static_cast<int>(line), -1, schedule_[line]});
        lines_.erase(ShownText(schedule_[line]->title));
    }
    std::erase_if(schedule_, [&](const _ITEM_LIST* r) { return out.count(r) != 0; });
    // And one pass over the records, in document order as the step lists them.
    std::size_t next = 0;
    _ITEM_LIST* kept = nullptr;  // the last record passed that stays
    std::unique_ptr<_ITEM_LIST>* link = &items_;
    while (*link && next < step.removed.size()) {
        if (link->get() == step.removed[next].record) {
            std::unique_ptr<_ITEM_LIST>& held = step.removed[next++].held;
            held = std::move(*link);
            *link = std::move(held->next);
            ++changes_;
        } else {
            kept = link->get();
            link = &(*link)->next;
        }
    }
    std::vector<const _ITEM_LIST*> gone;
    gone.reserve(step.removed.size());
    for (const Step::Out& out : step.removed) gone.push_back(out.record);
    const std::vector<std::uint64_t> orders = records_.Unlinked(gone, *link ? records_.Last() : kept);
    for (std::size_t i = 0; i < orders.size(); ++i) step.removed[i].order = orders[i];
}

void ActionDocument::PutBack(Step& step, std::vector<LineChange>& lines) {
    // Each record at its old place in document order, in one pass.
    std::unique_ptr<_ITEM_LIST>* link = &items_;
    std::size_t position = 0;
    std::vector<std::pair<_ITEM_LIST*, std::uint64_t>> back;
    back.reserve(step.removed.size());
    for (Step::Out& out : step.removed) {
        for (; position < out.position && *link; ++position) link = &(*link)->next;
        out.held->next = std::move(*link);
        *link = std::move(out.held);
        back.emplace_back(link->get(), out.order);
        link = &(*link)->next;
        ++position;
    }
    // The last record put back is the last of all when nothing follows it.
    records_.Relinked(back, *link || back.empty() ? records_.Last() : back.back().first);
    // And each line at its old index, merged in one pass from the top.
    std::vector<const Step::Out*> placed;
    for (const Step::Out& out : step.removed)
        if (out.line >= 0) placed.push_back(&out);
    std::sort(placed.begin(), placed.end(), [](const Step::Out* a, const Step::Out* b) { return a->line < b->line; });
    std::vector<_ITEM_LIST*> merged;
    merged.reserve(schedule_.size() + placed.size());
    std::size_t kept = 0;
    for (const Step::Out* out : placed) {
        while (merged.size() < static_cast<std::size_t>(out->line) && kept < schedule_.size())
            merged.push_back(schedule_[kept++]);
        lines.push_back({-1, static_cast<int>(merged.size()), out->record});
        merged.push_back(out->record);
        lines_.emplace(ShownText(out->record->title), out->record);
    }
    merged.insert(merged.end(), schedule_.begin() + static_cast<std::ptrdiff_t>(kept), schedule_.end());
    schedule_.swap(merged);
}

void ActionDocument::Swap(Step& step, std::size_t index, bool forward, std::vector<LineChange>& lines) {
    Step::Edit& edit = step.edits[index];
    _ITEM_LIST* const record = edit.record;
    const std::u16string text(ShownText(record->title));
    const int now = Unplace(record);
    records_.Change(record, [&] { std::swap(static_cast<_EDIT_ITEM&>(*record), edit.other); });
    const int line = forward ? edit.to : edit.from;
    const int placed = line >= 0 ? static_cast<int>(Place(record, line)) : -1;
    if (now != placed || ShownText(record->title) != text) lines.push_back({now, placed, record});
}

std::unique_ptr<_ITEM_LIST> ActionDocument::Unappend(const _ITEM_LIST* record) {
    // The record is the last one: its link is cut where it hangs.
    std::unique_ptr<_ITEM_LIST>* link = &items_;
    _ITEM_LIST* before = nullptr;
    while (*link && link->get() != record) before = link->get(), link = &(*link)->next;
    std::unique_ptr<_ITEM_LIST> held = std::move(*link);
    records_.Unlinked({record}, before);
    return held;
}
