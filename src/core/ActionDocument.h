// The open document and its rules, without a window: the records in
// document order, the kind list, and the schedule — the lines of the item
// list, one per title, in ascending planned completion. It decides which
// title an item gets, where its line stands and what a command removes; the
// main window reads the controls, asks, and mirrors the answer line for line.
//
// A line's text is its record's title as a control shows it (ShownText), and
// no two lines show one text. A file may bring several records with one
// title: the first of them gets the line, the others none until a commit
// gives them a title of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "RecordIndex.h"
#include "Records.h"

class ActionDocument {
public:
    ActionDocument() = default;
    ActionDocument(const ActionDocument&) = delete;
    ActionDocument& operator=(const ActionDocument&) = delete;

    // Contents -----------------------------------------------------------

    // Makes `items` and `kinds` the document, as a file brings them: the
    // lines are the first record of each title, in ascending planned
    // completion, records of equal completion in document order. The
    // document is then unchanged.
    void Replace(std::unique_ptr<_ITEM_LIST> items, std::unique_ptr<_KIND_LIST> kinds);
    // A new document: one fresh item on the only line, no kinds; unchanged.
    void StartNew();
    // No records, no kinds, no lines (no document is open).
    void Clear() { Replace(nullptr, nullptr); }

    const _ITEM_LIST* Items() const { return items_.get(); }
    _ITEM_LIST* First() { return items_.get(); }
    _ITEM_LIST* Last() const { return records_.Last(); }
    const _KIND_LIST* Kinds() const { return kinds_.get(); }
    // The records by title and by alarm minute.
    const RecordIndex& Records() const { return records_; }

    // The schedule ---------------------------------------------------------

    std::size_t LineCount() const { return schedule_.size(); }
    // The record shown on line `line` (below LineCount()).
    _ITEM_LIST* LineRecord(std::size_t line) const { return schedule_[line]; }
    // The record whose line shows `text`, or null.
    _ITEM_LIST* LineOwner(std::u16string_view text) const;
    // The index of the line that shows `text`, or -1.
    int LineOf(std::u16string_view text) const;
    // The index of `record`'s own line, or -1 when it has none.
    int LineOfRecord(const _ITEM_LIST* record) const;
    // Whether a new or retitled item may take `title`: no line shows it.
    bool TitleFree(std::u16string_view title) const { return LineOwner(ShownText(title)) == nullptr; }

    // The rules ---------------------------------------------------------------

    struct Added {
        _ITEM_LIST* record;
        std::size_t line;  // where its line went
    };
    // A fresh item, last in document order, titled "NewAction" or the first
    // free one of NewAction1, NewAction2, ...; its line at its schedule place.
    Added Add();

    struct Deleted {
        // The indexes of the lines that went, from the bottom up: each is
        // the index at the time it goes, so the window removes them in turn.
        std::vector<std::size_t> lines;
        // The fresh item that replaced the last one, on line 0; or null.
        _ITEM_LIST* fresh = nullptr;
    };
    // Removes, for each distinct title in `titles` that a line shows, that
    // line and the record it shows; other titles are passed over. A document
    // left without records starts again with a fresh item.
    Deleted Delete(const std::vector<std::u16string>& titles);

    struct Committed {
        _ITEM_LIST* record;  // the record that took the edit
        bool changed;        // the document changed
        // The record's line before and after (-1: it had none). The window
        // touches the list only when `from` and `to` differ or `retitled`.
        int from;
        int to;
        bool retitled;  // the line's text changed
    };
    // Takes the edited copy `edited` of an item into its record. `shown` is
    // the item as the editor showed it (only its title and planned
    // date-times before the edit are read), `record` the record it showed. That record must
    // still be this document's under the shown title; with no record named,
    // the one on the shown title's line is meant (or the first of that
    // title). When there is none, the edit becomes a record of its own.
    // An empty title becomes "NewAction"; a title that another line shows
    // gets counters appended, piling up (Plan, Plan1, Plan12, ...). A line
    // whose planned date-times did not change keeps its place; one that
    // changed goes to its schedule place, after every line of equal
    // planned completion.
    Committed Commit(const _ITEM_LIST* record, const _EDIT_ITEM& shown, const _EDIT_ITEM& edited);

    // The kind list becomes `kinds`. True when it differs.
    bool ReplaceKinds(std::unique_ptr<_KIND_LIST> kinds);

    // Changes ------------------------------------------------------------------

    // Every change of the content counts once; a commit that changes
    // nothing, and reading, do not.
    std::uint64_t Changes() const { return changes_; }
    // Whether the document changed since it was opened, created or saved.
    bool Modified() const { return changes_ != saved_changes_; }
    // The document as it stands is the one on disk.
    void MarkSaved() { saved_changes_ = changes_; }

private:
    void Rebuild();  // records, lines and title map from the chain
    _ITEM_LIST* Append(std::unique_ptr<_ITEM_LIST> record);
    // Gives `record` a line at `position` (-1: its schedule place); its index.
    std::size_t Place(_ITEM_LIST* record, int position);
    // Takes `record`'s line out; its index, or -1 when it had none.
    int Unplace(const _ITEM_LIST* record);
    std::size_t SchedulePlace(const _TIMES& planned_end) const;

    std::unique_ptr<_ITEM_LIST> items_;
    RecordIndex records_{items_};
    std::unique_ptr<_KIND_LIST> kinds_;
    std::vector<_ITEM_LIST*> schedule_;  // line order; ascending planned_end
    // The line owners by their line's text, which views the record's own
    // title: an entry goes before its record's title changes.
    std::unordered_map<std::u16string_view, _ITEM_LIST*> lines_;
    std::uint64_t changes_ = 0;
    std::uint64_t saved_changes_ = 0;
};
