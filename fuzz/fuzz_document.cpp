// The document's rules as command sequences: the input is a short program of
// steps (add, delete, commit, kind list, mark saved, save and reload, clock,
// undo, redo) run on one ActionDocument opened from a few records or started
// new. After every step the item list's promises are checked: every record
// once, one line per title in ascending planned completion, no record hidden
// by a command, the answers of Add, Delete, Commit, Undo and Redo as the
// window uses them. At the end of the sequence the bytes: the document counts
// as changed whenever its file differs from the one saved last, and as
// unchanged back at the step saved; undoing every step gives the file opened,
// and redoing them all the file before the undos.
#include <algorithm>
#include <cstdint>
#include <set>

#include "ActionDocument.h"
#include "FuzzDoc.h"

namespace {

std::int64_t g_now = 0;
std::int64_t Now() { return g_now; }

using Lines = std::vector<const _ITEM_LIST*>;

// What a step is checked against: the document just before it.
struct Before {
    Lines records, lines;
    std::set<std::u16string> texts;  // the lines' texts
    std::uint64_t changes;
};

constexpr int kSteps = 12;  // a sequence: short, so that many are tried

Lines RecordsOf(const ActionDocument& d) { return ChainNodes<const _ITEM_LIST>(d.Items()); }
Lines LinesOf(const ActionDocument& d) {
    Lines lines(d.LineCount());
    for (std::size_t i = 0; i < lines.size(); ++i) lines[i] = d.LineRecord(i);
    return lines;
}
Lines Without(Lines v, const _ITEM_LIST* r) { return std::erase(v, r), v; }
bool Has(const Lines& v, const _ITEM_LIST* r) { return std::find(v.begin(), v.end(), r) != v.end(); }

Before Take(const ActionDocument& d) {
    Before b{RecordsOf(d), LinesOf(d), {}, d.Changes()};
    for (const _ITEM_LIST* r : b.lines) b.texts.emplace(ShownText(r->title));
    return b;
}

// The structure the window mirrors; returns the number of records without a line.
std::size_t CheckDocument(const ActionDocument& d) {
    const Lines records = RecordsOf(d);
    FUZZ_CHECK(!records.empty() && d.Last() == records.back());
    const std::set<const _ITEM_LIST*> in_doc(records.begin(), records.end());
    FUZZ_CHECK(in_doc.size() == records.size());
    std::set<std::u16string_view> titles;  // the index finds each record, and the first of a title
    for (const _ITEM_LIST* r : records)
        FUZZ_CHECK(d.Records().Find(ShownText(r->title), r) == r &&
                   (!titles.insert(ShownText(r->title)).second || d.Records().Find(ShownText(r->title)) == r));
    std::set<const _ITEM_LIST*> shown;
    std::set<std::u16string_view> texts;
    for (std::size_t i = 0; i < d.LineCount(); ++i) {
        const _ITEM_LIST* r = d.LineRecord(i);
        FUZZ_CHECK(in_doc.count(r) && shown.insert(r).second && texts.insert(ShownText(r->title)).second);
        FUZZ_CHECK(d.LineOf(ShownText(r->title)) == static_cast<int>(i) && d.LineOfRecord(r) == static_cast<int>(i));
        if (i > 0) FUZZ_CHECK(TimeCmp(d.LineRecord(i - 1)->planned_end, r->planned_end) <= 0);
    }
    for (const _ITEM_LIST* r : records)
        if (!shown.count(r)) FUZZ_CHECK(d.LineOfRecord(r) == -1);
    return records.size() - d.LineCount();
}

// An opened document shows the first record of each title, in a stable sort
// by planned completion, and counts as unchanged.
void CheckOpened(const ActionDocument& d) {
    Lines firsts;
    std::set<std::u16string_view> seen;
    for (const _ITEM_LIST* r : RecordsOf(d))
        if (seen.insert(ShownText(r->title)).second) firsts.push_back(r);
    std::stable_sort(firsts.begin(), firsts.end(),
                     [](auto* a, auto* b) { return TimeCmp(a->planned_end, b->planned_end) < 0; });
    FUZZ_CHECK(LinesOf(d) == firsts && !d.Modified());
}

template <class T>
const T& Pick(FuzzedDataProvider& in, const std::vector<T>& v) {
    return v[in.ConsumeIntegralInRange<std::size_t>(0, v.size() - 1)];
}

// Titles that meet: the document's own (whole or as shown), NewAction and its
// numbered forms, empty ones, texts with an embedded NUL, and others.
std::u16string Title(FuzzedDataProvider& in, const std::vector<std::u16string>& known) {
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            if (!known.empty()) {
                const std::u16string t = Pick(in, known);
                return in.ConsumeBool() ? t : std::u16string(ShownText(t));
            }
            [[fallthrough]];
        case 1:
            return in.ConsumeBool() ? kNewActionTitle : NumberedTitle(kNewActionTitle, in.ConsumeIntegralInRange(1, 3));
        case 2: return in.ConsumeBool() ? u"" : std::u16string(1, u'\0') + fuzzdoc::Text(in, 2);
        case 3: return fuzzdoc::Text(in, 2) + u'\0' + fuzzdoc::Text(in, 2);
        default: return fuzzdoc::Text(in, 4);
    }
}

// Date-times that meet: the document's own, the clock's, a few small ones.
_TIMES Time(FuzzedDataProvider& in, const ActionDocument* d) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            if (d != nullptr) return Pick(in, RecordsOf(*d))->planned_end;
            [[fallthrough]];
        case 1: return GetTime();
        case 2: return {in.ConsumeIntegralInRange(0, 2), 1, 1, in.ConsumeIntegralInRange(0, 2), 0};
        default: return fuzzdoc::Times(in);
    }
}

void Open(ActionDocument& d, FuzzedDataProvider& in) {
    if (in.ConsumeIntegralInRange(0, 3) == 0) return d.StartNew();
    std::vector<_EDIT_ITEM> items(in.ConsumeIntegralInRange(1, 6));
    std::vector<std::u16string> titles;
    for (_EDIT_ITEM& it : items) {
        titles.push_back(it.title = Title(in, titles));
        it.planned_start = Time(in, nullptr);
        it.planned_end = Time(in, nullptr);
        it.location = fuzzdoc::Text(in, 2);
    }
    std::vector<std::u16string> kinds(in.ConsumeIntegralInRange(0, 2), u"K");
    d.Replace(ItemChain(items), KindList(kinds));
}

void CheckAdd(const ActionDocument& d, const Before& b, const ActionDocument::Added& a) {
    std::u16string want = kNewActionTitle;
    for (int k = 1; b.texts.count(want); ++k) want = NumberedTitle(kNewActionTitle, k);
    FUZZ_CHECK(a.record == d.Last() && !Has(b.records, a.record) && a.record->title == want);
    FUZZ_CHECK(d.LineOfRecord(a.record) == static_cast<int>(a.line) && Without(LinesOf(d), a.record) == b.lines);
    FUZZ_CHECK(a.line + 1 == d.LineCount() ||
               TimeCmp(a.record->planned_end, d.LineRecord(a.line + 1)->planned_end) < 0);
    FUZZ_CHECK(d.Changes() == b.changes + 1);
}

void Delete(ActionDocument& d, FuzzedDataProvider& in, const Before& b, Lines& gone) {
    std::vector<std::u16string> titles;
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
        titles.push_back(!titles.empty() && in.ConsumeBool() ? titles.back() : Title(in, ChainTitles(d.Items())));
    std::set<const _ITEM_LIST*> doomed;
    for (const std::u16string& t : titles)
        if (_ITEM_LIST* owner = d.LineOwner(ShownText(t))) doomed.insert(owner);
    const ActionDocument::Deleted del = d.Delete(titles);
    Lines lines = b.lines, records = b.records;
    for (std::size_t i = 0; i < del.lines.size(); ++i) {
        FUZZ_CHECK(del.lines[i] < lines.size() && doomed.count(lines[del.lines[i]]));
        FUZZ_CHECK(i == 0 || del.lines[i] < del.lines[i - 1]);
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(del.lines[i]));
    }
    FUZZ_CHECK(del.lines.size() == doomed.size());
    for (const _ITEM_LIST* r : doomed) records = Without(records, r), gone.push_back(r);
    // A document left without records starts again with a fresh item.
    FUZZ_CHECK((del.fresh != nullptr) == records.empty());
    if (records.empty()) {
        FUZZ_CHECK(del.fresh->title == kNewActionTitle);
        records = lines = {del.fresh};
    }
    FUZZ_CHECK(RecordsOf(d) == records && LinesOf(d) == lines);
}

void Commit(ActionDocument& d, FuzzedDataProvider& in, const Before& b, const Lines& gone) {
    const _ITEM_LIST outsider;
    const _ITEM_LIST* rp = Pick(in, b.records);
    _EDIT_ITEM shown = *rp;
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0: rp = nullptr; break;
        case 1: rp = gone.empty() ? &outsider : Pick(in, gone); break;  // compared only, never read
        default: break;
    }
    const bool alias = rp != nullptr && Has(b.records, rp) && in.ConsumeBool();  // the record itself as shown
    // A record deleted and brought back by an undo may be named too: shown
    // as itself, what is meant is read from it.
    if (alias) shown = *rp;
    if (!alias && in.ConsumeBool()) shown.title = Title(in, ChainTitles(d.Items()));
    if (!alias && in.ConsumeBool()) shown.planned_end = Time(in, &d);
    _EDIT_ITEM edited = shown;  // each field changed or not
    if (in.ConsumeBool()) edited.title = Title(in, ChainTitles(d.Items()));
    for (_TIMES* t :
         {&edited.planned_start, &edited.planned_end, &edited.actual_start, &edited.actual_end, &edited.alarm})
        if (in.ConsumeBool()) *t = Time(in, &d);
    for (std::u16string* t : {&edited.action_kind, &edited.location, &edited.status})
        if (in.ConsumeBool()) *t = fuzzdoc::Text(in, 2);

    // The record meant: the one named while it is still this document's under
    // the shown title; with none named, the one on the shown title's line, or
    // the first of that title. Without one the edit becomes a record of its own.
    const std::u16string key(ShownText(shown.title));
    const _ITEM_LIST* meant = d.LineOwner(key);
    for (const _ITEM_LIST* r : b.records)
        if (meant == nullptr && ShownText(r->title) == key) meant = r;
    if (rp != nullptr) meant = Has(b.records, rp) && ShownText(rp->title) == key ? rp : nullptr;
    const _EDIT_ITEM before = meant ? static_cast<const _EDIT_ITEM&>(*meant) : _EDIT_ITEM{};
    const ActionDocument::Committed c = d.Commit(rp, alias ? static_cast<const _EDIT_ITEM&>(*rp) : shown, edited);
    const bool appended = !Has(b.records, c.record);
    FUZZ_CHECK(meant ? c.record == meant : appended && c.record == d.Last());
    const auto line = std::find(b.lines.begin(), b.lines.end(), c.record);
    FUZZ_CHECK(c.from == (line == b.lines.end() ? -1 : static_cast<int>(line - b.lines.begin())));
    const _EDIT_ITEM old = appended ? _EDIT_ITEM{} : before;

    // Fields as edited; the title the edited one when no other line shows it,
    // else one that no other line showed.
    _EDIT_ITEM fields = *c.record;
    FUZZ_CHECK((fields.title = edited.title, fields == edited));
    std::set<std::u16string> others = b.texts;
    if (c.from >= 0) others.erase(std::u16string(ShownText(old.title)));
    const std::u16string_view now(ShownText(c.record->title));
    FUZZ_CHECK(!now.empty() && !others.count(std::u16string(now)));
    if (!ShownText(edited.title).empty() && !others.count(std::u16string(ShownText(edited.title))))
        FUZZ_CHECK(c.record->title == edited.title);
    FUZZ_CHECK(c.retitled == (c.from < 0 || now != ShownText(old.title)));

    // Only its own line moves: kept in place when its planned date-times stay.
    FUZZ_CHECK(c.to == d.LineOfRecord(c.record) && Without(LinesOf(d), c.record) == Without(b.lines, c.record));
    const bool moved = edited.planned_start != shown.planned_start || edited.planned_end != shown.planned_end ||
                       edited.planned_end != old.planned_end;
    if (!moved && c.from >= 0) FUZZ_CHECK(c.to == c.from);
    const std::size_t next = static_cast<std::size_t>(c.to) + 1;
    if (moved || c.from < 0)
        FUZZ_CHECK(next == d.LineCount() || TimeCmp(c.record->planned_end, d.LineRecord(next)->planned_end) < 0);
    _EDIT_ITEM now_fields = *c.record;
    FUZZ_CHECK(c.changed == (appended || !(now_fields == old)) && d.Changes() == b.changes + c.changed);
}

// The answer of an undo or a redo carried out on the lines before it gives
// the lines after it, and shows a record of the document.
void CheckRestored(const ActionDocument& d, const Before& b, const ActionDocument::Restored& r) {
    Lines lines = b.lines;
    for (const ActionDocument::LineChange& change : r.lines) {
        if (change.from >= 0) {
            FUZZ_CHECK(static_cast<std::size_t>(change.from) < lines.size());
            lines.erase(lines.begin() + change.from);
        }
        if (change.to >= 0) {
            FUZZ_CHECK(static_cast<std::size_t>(change.to) <= lines.size());
            lines.insert(lines.begin() + change.to, change.record);
        }
    }
    FUZZ_CHECK(lines == LinesOf(d));
    FUZZ_CHECK(Has(RecordsOf(d), r.view.shown));
}

std::vector<std::uint8_t> Bytes(const ActionDocument& d) { return WriteVqf(d.Items(), d.Kinds()); }

// Save and load: the same records and kinds once cut as the file keeps them;
// the reloaded document opens with its own lines. Returns it.
std::unique_ptr<ActionDocument> RoundTrip(const ActionDocument& d) {
    const std::vector<std::uint8_t> bytes = WriteVqf(d.Items(), d.Kinds());
    FUZZ_CHECK(!bytes.empty());
    VqfDocument back = LoadVqf(bytes);
    VqfDocument expected{ItemChain(ChainItems(d.Items())), KindList(KindTexts(d.Kinds()))};
    fuzzdoc::Normalise(expected);
    FUZZ_CHECK(fuzzdoc::Equal(back, expected));
    auto reloaded = std::make_unique<ActionDocument>();
    reloaded->Replace(std::move(back.item_list), std::move(back.action_kinds));
    CheckDocument(*reloaded);
    CheckOpened(*reloaded);
    return reloaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    SetClock(Now);
    g_now = in.ConsumeIntegral<std::uint32_t>();
    auto doc = std::make_unique<ActionDocument>();
    Open(*doc, in);
    CheckOpened(*doc);
    std::size_t lineless = CheckDocument(*doc);
    // The file as opened and as saved last, and the step it was saved at
    // (none: out of reach since a change after an undo past it).
    constexpr std::size_t kNone = ~std::size_t{0};
    std::vector<std::uint8_t> opened_bytes = Bytes(*doc), saved_bytes = opened_bytes;
    std::size_t saved_at = 0;
    Lines gone;  // records deleted, kept only to be handed back as stale pointers

    for (int step = 0; step < kSteps && in.remaining_bytes() > 0; ++step) {
        const Before b = Take(*doc);
        const std::size_t depth = doc->UndoCount();
        bool opened = false, history = false;
        switch (in.ConsumeIntegralInRange(0, 9)) {
            case 0: CheckAdd(*doc, b, doc->Add()); break;
            case 1: Delete(*doc, in, b, gone); break;
            case 2: Commit(*doc, in, b, gone); break;
            case 3: {
                std::vector<std::u16string> kinds = KindTexts(doc->Kinds());
                const std::vector<std::u16string> was = kinds;
                if (in.ConsumeBool()) {
                    kinds.assign(in.ConsumeIntegralInRange(0, 3), u"K");
                    kinds.push_back(fuzzdoc::Text(in, 2));
                }
                FUZZ_CHECK(doc->ReplaceKinds(KindList(kinds)) == (kinds != was));
                FUZZ_CHECK(KindTexts(doc->Kinds()) == kinds);
                FUZZ_CHECK(doc->Changes() == b.changes + (kinds != was));
                break;
            }
            case 4:
                doc->MarkSaved(), saved_bytes = Bytes(*doc), saved_at = depth;
                FUZZ_CHECK(!doc->Modified());
                break;
            case 5: {
                std::unique_ptr<ActionDocument> reloaded = RoundTrip(*doc);
                if (in.ConsumeBool()) doc = std::move(reloaded), gone.clear(), opened = true;
                break;
            }
            case 6:
                g_now = in.ConsumeBool() ? g_now + 60 * in.ConsumeIntegralInRange(0, 2)
                                         : in.ConsumeIntegral<std::uint32_t>();
                break;
            case 7: Open(*doc, in), CheckOpened(*doc), gone.clear(), opened = true; break;
            case 8:
                history = true;
                if (doc->CanUndo()) {
                    CheckRestored(*doc, b, doc->Undo());
                    FUZZ_CHECK(doc->UndoCount() == depth - 1);
                }
                break;
            default:
                history = true;
                if (doc->CanRedo()) {
                    CheckRestored(*doc, b, doc->Redo());
                    FUZZ_CHECK(doc->UndoCount() == depth + 1);
                }
                break;
        }
        const std::size_t now_lineless = CheckDocument(*doc);
        FUZZ_CHECK(opened || history || now_lineless <= lineless);  // no command hides a record
        lineless = now_lineless;
        if (opened) {
            opened_bytes = saved_bytes = Bytes(*doc);
            saved_at = 0;
            FUZZ_CHECK(!doc->CanUndo() && !doc->CanRedo());
        } else if (!history && doc->UndoCount() != depth) {
            // A command recorded one step, and what could be redone went.
            FUZZ_CHECK(doc->UndoCount() == depth + 1 && !doc->CanRedo());
            if (saved_at != kNone && saved_at > depth) saved_at = kNone;
        }
        if (doc->UndoCount() == saved_at) FUZZ_CHECK(!doc->Modified());
    }

    // The bytes, once per sequence.
    const std::vector<std::uint8_t> last = Bytes(*doc);
    if (last != saved_bytes) FUZZ_CHECK(doc->Modified());
    const std::size_t depth = doc->UndoCount();
    while (doc->CanUndo()) {
        doc->Undo();
        if (doc->UndoCount() == saved_at) FUZZ_CHECK(!doc->Modified() && Bytes(*doc) == saved_bytes);
    }
    CheckDocument(*doc);
    FUZZ_CHECK(Bytes(*doc) == opened_bytes);
    while (doc->UndoCount() < depth) doc->Redo();
    CheckDocument(*doc);
    FUZZ_CHECK(doc->UndoCount() == depth && Bytes(*doc) == last);
    SetClock(nullptr);
    return 0;
}
