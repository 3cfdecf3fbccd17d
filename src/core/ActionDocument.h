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
//
// Every change a command makes is one step of a history that undo and redo
// walk: a step keeps the records it took out or put in (the nodes
// themselves, so that the window's pointers stay good), the fields a commit
// replaced and the kind list it swapped, each with its place in document
// order and on the lines, so that an undo puts back exactly what was. A step
// also keeps what the window showed before and after it, and undo and redo
// answer with that.
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

// What the window shows: the texts of the selected lines and the record the
// editor shows (with its title then, so that a record gone since is
// recognised without being read).
struct DocumentView {
    std::vector<std::u16string> selected;
    const _ITEM_LIST* shown = nullptr;
    std::u16string shown_title;
};

class ActionDocument {
public:
    ActionDocument();
    ~ActionDocument();
    ActionDocument(const ActionDocument&) = delete;
    ActionDocument& operator=(const ActionDocument&) = delete;

    // Contents -----------------------------------------------------------

    // Makes `items` and `kinds` the document, as a file brings them: the
    // lines are the first record of each title, in ascending planned
    // completion, records of equal completion in document order. The
    // document is then unchanged, with no history.
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

    using View = DocumentView;
    // The view of `record` shown on its own line alone.
    static View ViewOf(const _ITEM_LIST* record);
    // The view to show after a document opened or started new: its last
    // record on its line (showing every item in turn would end there).
    View OpenedView() const;

    // The rules ---------------------------------------------------------------
    // Each command that changes the document records one step; `before` is
    // what the window showed when the command ran.

    struct Added {
        _ITEM_LIST* record;
        std::size_t line;  // where its line went
    };
    // A fresh item, last in document order, titled "NewAction" or the first
    // free one of NewAction1, NewAction2, ...; its line at its schedule place.
    Added Add(const View& before = {});

    struct Deleted {
        // The indexes of the lines that went, from the bottom up: each is
        // the index at the time it goes, so the window removes them in turn.
        std::vector<std::size_t> lines;
        // The fresh item that replaced the last one, on line 0; or null.
        _ITEM_LIST* fresh = nullptr;
        // What the editor shows next: the first record.
        _ITEM_LIST* shown = nullptr;
    };
    // Removes, for each distinct title in `titles` that a line shows, that
    // line and the record it shows; other titles are passed over. A document
    // left without records starts again with a fresh item.
    Deleted Delete(const std::vector<std::u16string>& titles, const View& before = {});

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
    Committed Commit(const _ITEM_LIST* record, const _EDIT_ITEM& shown, const _EDIT_ITEM& edited,
                     const View& before = {});

    // The kind list becomes `kinds`. True when it differs.
    bool ReplaceKinds(std::unique_ptr<_KIND_LIST> kinds, const View& before = {});

    // Makes the commands until EndStep one step (a snooze of several
    // alarms): `before` is what the window showed, `after` what it shows
    // once they ran. Within one step, records are taken out before any is
    // edited, and edited before any is added.
    void BeginStep(const View& before);
    void EndStep(const View& after);

    // History ---------------------------------------------------------------

    // A change of the item list as the window carries it out: a line removed
    // at `from` (to -1), inserted at `to` showing `record` (from -1), or
    // moved from `from` to `to` showing `record`, each index as it is when
    // the change comes, the changes in turn.
    struct LineChange {
        int from;
        int to;
        const _ITEM_LIST* record;
    };
    // What an undo or a redo did, for the window: the line changes, whether
    // the kind list changed, and the view to show now (its record, when it
    // is no longer the document's, is the first selected line's or the
    // first record).
    struct Restored {
        std::vector<LineChange> lines;
        bool kinds = false;
        View view;
    };
    bool CanUndo() const { return done_ > 0; }
    // How many steps an undo after another could take back now.
    std::size_t UndoCount() const { return done_; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // Takes back the last step done, or does again the last one undone;
    // nothing when there is none.
    Restored Undo();
    Restored Redo();
    // At most this many steps are kept, and records of at most this many
    // bytes; the oldest go first.
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::size_t kMaxBytes = 64u << 20;
    // The steps kept and what their records take, for the bound.
    std::size_t StepCount() const { return steps_.size(); }
    std::size_t HistoryBytes() const { return history_bytes_; }

    // Changes ------------------------------------------------------------------

    // Every change of the content counts once, an undo or a redo of one
    // too; a commit that changes nothing, and reading, do not.
    std::uint64_t Changes() const { return changes_; }
    // Whether the document differs from the one opened, created or saved
    // last: undoing back to that state makes it unchanged again.
    bool Modified() const { return version_ != saved_version_; }
    // The document as it stands is the one on disk.
    void MarkSaved() { saved_version_ = version_; }

private:
    struct Step;
    // The step the commands record into now (opened for one command, or
    // by BeginStep); Finish ends it when it was opened for one command.
    Step& Record(const View& before);
    void Finish(const View& after);
    void Trim();
    void ForgetHistory();
    // Carries a step out (redo) or takes it back (undo), appending the line
    // changes to `lines`.
    void Apply(Step& step, bool forward, std::vector<LineChange>& lines);
    void TakeOut(Step& step, std::vector<LineChange>& lines);
    void PutBack(Step& step, std::vector<LineChange>& lines);
    void Swap(Step& step, std::size_t edit, bool forward, std::vector<LineChange>& lines);
    // Unlinks `record`, the last record.
    std::unique_ptr<_ITEM_LIST> Unappend(const _ITEM_LIST* record);
    // `view` with a record that is this document's.
    View Present(View view) const;

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
    // Each content a step leads to has a version of its own; a step that
    // changes nothing keeps the one before it.
    std::uint64_t version_ = 0;
    std::uint64_t saved_version_ = 0;
    std::uint64_t last_version_ = 0;  // the newest version handed out

    std::vector<std::unique_ptr<Step>> steps_;  // oldest first
    std::size_t done_ = 0;    // steps_[0 .. done_) are done, the rest undone
    std::size_t history_bytes_ = 0;
    std::unique_ptr<Step> pending_;  // the step the commands record into now
    int grouped_ = 0;  // BeginStep nesting
};
