#include "ActionDocument.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ItemChain.h"
#include "ItemTitles.h"

namespace {

using Change = std::function<void(_EDIT_ITEM&)>;

// Planned completion on day `d` of January 2024, 09:00: the clock below
// stands at Day(3), so a fresh item completes there.
_TIMES Day(int d) { return {2024, 1, d, 9, 0}; }
_EDIT_ITEM At(std::u16string title, int day) {
    return {std::move(title), {}, Day(1), Day(day), {}, {}, {}, {}, {}};
}
_EDIT_ITEM Ending(std::u16string title, const _TIMES& end) {
    _EDIT_ITEM item = At(std::move(title), 1);
    item.planned_end = end;
    return item;
}
// Lines A to E; B, C and D complete together; the file's second B has no line.
const std::vector<_EDIT_ITEM> kBase = {At(u"A", 1), At(u"B", 3), At(u"C", 3), At(u"D", 3), At(u"E", 5), At(u"B", 4)};

std::u16string Join(const std::vector<std::u16string>& titles) {
    std::u16string joined;
    for (const auto& t : titles) joined += (joined.empty() ? u"" : u" ") + t;
    return joined;
}
std::u16string Lines(const ActionDocument& doc) {
    std::vector<std::u16string> lines;
    for (std::size_t i = 0; i < doc.LineCount(); ++i) lines.push_back(doc.LineRecord(i)->title);
    return Join(lines);
}
std::u16string Records(const ActionDocument& doc) { return Join(ChainTitles(doc.Items())); }

ActionDocument::Committed Edit(ActionDocument& doc, const _ITEM_LIST* record, const Change& change) {
    const _EDIT_ITEM shown = *record;
    _EDIT_ITEM edited = shown;
    change(edited);
    return doc.Commit(record, shown, edited);
}

class ActionDocumentTest : public testing::Test {
protected:
    void SetUp() override { SetClock([]() -> std::int64_t { return 1704240000; }); }  // 2024-01-03 00:00 UTC
    void TearDown() override { SetClock(nullptr); }
    void Open(const std::vector<_EDIT_ITEM>& items) { doc.Replace(ItemChain(items), KindList({u"Work", u"Home"})); }
    ActionDocument doc;
};

TEST_F(ActionDocumentTest, ScheduleOrderOfFilesAddsAndCommits) {
    const std::vector<_EDIT_ITEM> four = {At(u"A", 2), At(u"B", 4), At(u"C", 4), At(u"D", 6)};
    const struct {
        const char* name;
        std::vector<_EDIT_ITEM> items;
        std::u16string moved;  // whose planned completion becomes `day`; none: Add
        int day;               // -1: the file alone
        std::u16string lines;
        std::vector<int> record_lines;  // each record's line, in document order
    } cases[] = {
        {"file ties in file order", {At(u"5", 5), At(u"3a", 3), At(u"4", 4), At(u"3b", 3)}, {}, -1, u"3a 3b 4 5",
         {3, 0, 2, 1}},
        {"file repeats a title", {At(u"A", 2), At(u"B", 1), At(u"A", 0)}, {}, -1, u"B A", {1, 0, -1}},
        // The day decides before the hour: 2 May 05:00 after 1 May 10:00.
        {"day before hour", {Ending(u"2nd", {2024, 5, 2, 5, 0}), Ending(u"1st", {2024, 5, 1, 10, 0})},
         {}, -1, u"1st 2nd", {1, 0}},
        {"case makes another title", {At(u"a", 2), At(u"A", 1)}, {}, -1, u"A a", {1, 0}},
        {"a title read up to its NUL", {At(u"A", 2), At(std::u16string(u"A\0B", 3), 1)}, {}, -1, u"A", {0, -1}},
        {"add before all", {At(u"X", 5), At(u"Y", 6)}, {}, 0, u"NewAction X Y", {1, 2, 0}},
        {"add after all", {At(u"X", 1), At(u"Y", 2)}, {}, 0, u"X Y NewAction", {0, 1, 2}},
        {"add after equal", {At(u"P", 3), At(u"Q", 3), At(u"R", 4)}, {}, 0, u"P Q NewAction R", {0, 1, 3, 2}},
        {"add counts up", {At(u"NewAction", 1), At(u"later", 30), At(u"NewAction1", 2)}, {}, 0,
         u"NewAction NewAction1 NewAction2 later", {0, 3, 1, 2}},
        {"commit before all", four, u"D", 1, u"D A B C", {1, 2, 3, 0}},
        {"commit after all", four, u"A", 9, u"B C D A", {3, 0, 1, 2}},
        {"commit after equal", four, u"A", 4, u"B C A D", {2, 0, 1, 3}},
        {"commit up to equal", four, u"D", 4, u"A B C D", {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.items);
        if (c.day >= 0 && c.moved.empty()) {
            const ActionDocument::Added added = doc.Add();
            EXPECT_EQ(added.record, doc.Last());
            EXPECT_EQ(static_cast<int>(added.line), c.record_lines.back());
            EXPECT_EQ(std::vector<_TIMES>({added.record->planned_start, added.record->planned_end}),
                      std::vector<_TIMES>(2, Day(3)));
        } else if (c.day >= 0) {
            Edit(doc, doc.LineOwner(c.moved), [&](_EDIT_ITEM& e) { e.planned_end = Day(c.day); });
        }
        EXPECT_EQ(Lines(doc), c.lines);
        std::vector<int> record_lines;
        for (const _ITEM_LIST* r : ChainNodes(doc.Items())) record_lines.push_back(doc.LineOfRecord(r));
        EXPECT_EQ(record_lines, c.record_lines);
    }
    // Ties keep file order also in a file longer than a handful of lines.
    std::vector<_EDIT_ITEM> items;
    std::vector<std::u16string> early, late;
    for (int i = 0; i < 60; ++i) {
        items.push_back(At(NumberedTitle(u"t", i), i % 3 == 0 ? 1 : 2));
        (i % 3 == 0 ? early : late).push_back(items.back().title);
    }
    early.insert(early.end(), late.begin(), late.end());
    Open(items);
    EXPECT_EQ(Lines(doc), Join(early));
}

TEST_F(ActionDocumentTest, CommitRenamesTakenAndEmptyTitles) {
    const struct {
        std::vector<std::u16string> others;
        std::u16string typed, expected;
    } cases[] = {
        {{u"Plan"}, u"Plan", u"Plan1"},   {{u"Plan", u"Plan1"}, u"Plan", u"Plan12"},
        {{u"Plan1"}, u"Plan", u"Plan"},   {{}, u"", u"NewAction"},
        {{u"NewAction"}, u"", u"NewAction1"}, {{u"NewAction", u"NewAction1"}, u"", u"NewAction12"},
        {{u"x"}, u"X", u"X"},             {{u"Shown1"}, u"Shown", u"Shown"},  // not taken by itself
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.typed) + " -> " + testing::PrintToString(c.expected));
        std::vector<_EDIT_ITEM> items;
        for (const auto& title : c.others) items.push_back(At(title, 1));
        items.push_back(At(u"Shown", 20));
        Open(items);
        const auto done = Edit(doc, doc.Last(), [&](_EDIT_ITEM& e) { e.title = c.typed; });
        EXPECT_EQ(ChainTitles(doc.Items()).back(), c.expected);
        EXPECT_EQ(doc.LineOf(c.expected), static_cast<int>(items.size()) - 1);
        EXPECT_EQ(doc.LineCount(), items.size());
        EXPECT_EQ(done.retitled, c.expected != u"Shown");
        EXPECT_EQ(doc.TitleFree(u"Shown"), c.expected != u"Shown");
    }
}

TEST_F(ActionDocumentTest, CommitKeepsOrMovesItsOwnLine) {
    const Change nothing = [](_EDIT_ITEM&) {}, location = [](_EDIT_ITEM& e) { e.location.assign(1, u'x'); };
    const struct {
        const char* name;
        int record;                         // in document order; -1: "Gone" on day 3, no record of this document
        std::u16string retitled_meanwhile;  // by another commit after the editor showed it
        bool by_title;                      // the editor names no record
        Change edit;
        std::u16string lines, records;      // records: none when as in kBase
        int from, to;
        bool retitled, changed;
    } cases[] = {
        {"nothing, by title", 2, {}, true, nothing, u"A B C D E", {}, 2, 2, false, false},
        {"location", 2, {}, false, location, u"A B C D E", {}, 2, 2, false, true},
        {"planned start", 2, {}, false, [](_EDIT_ITEM& e) { e.planned_start = Day(2); }, u"A B D C E", {}, 2, 3, false,
         true},  // after the others of equal completion
        {"title", 2, {}, false, [](_EDIT_ITEM& e) { e.title.assign(1, u'Z'); }, u"A B Z D E", u"A B Z D E B", 2, 2,
         true, true},
        {"record gone", -1, {}, false, location, u"A B C D Gone E", u"A B C D E B Gone", -1, 4, true, true},
        {"record retitled meanwhile", 3, u"R", false, location, u"A B C R D E", u"A B C R E B D", -1, 4, true, true},
        {"repeated title", 5, {}, false, nothing, u"A B C D B1 E", u"A B C D E B1", -1, 4, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(kBase);
        _ITEM_LIST gone;
        CopyItemList(&gone, At(u"Gone", 3));
        const _ITEM_LIST* record = c.record < 0 ? &gone : ChainNodes(doc.First())[static_cast<std::size_t>(c.record)];
        const _EDIT_ITEM shown = *record;
        if (!c.retitled_meanwhile.empty()) Edit(doc, record, [&](_EDIT_ITEM& e) { e.title = c.retitled_meanwhile; });
        _EDIT_ITEM edited = shown;
        c.edit(edited);
        const auto done = doc.Commit(c.by_title ? nullptr : record, shown, edited);
        EXPECT_EQ(Lines(doc), c.lines);
        EXPECT_EQ(Records(doc), c.records.empty() ? u"A B C D E B" : c.records);
        EXPECT_EQ(std::vector<int>({done.from, done.to}), std::vector<int>({c.from, c.to}));
        EXPECT_EQ(std::vector<bool>({done.retitled, done.changed}), std::vector<bool>({c.retitled, c.changed}));
        EXPECT_EQ(doc.LineOfRecord(done.record), done.to);
        edited.title = done.record->title;  // the edit as the record took it, under the title it got
        EXPECT_EQ(static_cast<const _EDIT_ITEM&>(*done.record), edited);
        EXPECT_EQ(done.record == record, c.record >= 0 && c.retitled_meanwhile.empty());
    }
}

TEST_F(ActionDocumentTest, DeleteTakesTheLinesShowingTheTitles) {
    const struct {
        const char* name;
        std::vector<_EDIT_ITEM> items;
        std::vector<std::u16string> titles;
        std::vector<std::size_t> deleted;  // from the bottom up, each index as it is when its line goes
        std::u16string lines, records;
    } cases[] = {
        {"three titles", kBase, {u"E", u"A", u"C"}, {4, 2, 0}, u"B D", u"B D B"},
        {"the only item", {At(u"Only", 7)}, {u"Only"}, {0}, u"NewAction", u"NewAction"},
        {"every item", {At(u"A", 1), At(u"B", 2)}, {u"B", u"A"}, {1, 0}, u"NewAction", u"NewAction"},
        {"no line shows them", kBase, {u"Z", u"c", u""}, {}, u"A B C D E", u"A B C D E B"},
        {"a title given twice", kBase, {u"B", u"B"}, {1}, u"A C D E", u"A C D E B"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.items);
        const auto deleted = doc.Delete(c.titles);
        EXPECT_EQ(deleted.lines, c.deleted);
        EXPECT_EQ(Lines(doc), c.lines);
        EXPECT_EQ(Records(doc), c.records);
        EXPECT_EQ(deleted.fresh != nullptr && doc.LineRecord(0) == deleted.fresh, c.records == u"NewAction");
        EXPECT_EQ(doc.Modified(), !c.deleted.empty());
    }
}

TEST_F(ActionDocumentTest, ModifiedCountsEveryChangeSinceOpenOrSave) {
    const auto commit_c = [](Change change) { return [=](ActionDocument& d) { Edit(d, d.LineOwner(u"C"), change); }; };
    const struct {
        const char* name;
        std::function<void(ActionDocument&)> change;
        bool modified;
    } cases[] = {
        {"title", commit_c([](_EDIT_ITEM& e) { e.title.assign(1, u'Z'); }), true},
        {"kind", commit_c([](_EDIT_ITEM& e) { e.action_kind = u"Work"; }), true},
        {"planned start", commit_c([](_EDIT_ITEM& e) { e.planned_start = Day(2); }), true},
        {"planned end", commit_c([](_EDIT_ITEM& e) { e.planned_end = Day(4); }), true},
        {"actual start", commit_c([](_EDIT_ITEM& e) { e.actual_start = Day(2); }), true},
        {"actual end", commit_c([](_EDIT_ITEM& e) { e.actual_end = Day(2); }), true},
        {"alarm", commit_c([](_EDIT_ITEM& e) { e.alarm = Day(2); }), true},
        {"location", commit_c([](_EDIT_ITEM& e) { e.location.assign(1, u'x'); }), true},
        {"status", commit_c([](_EDIT_ITEM& e) { e.status.assign(1, u'x'); }), true},
        {"add", [](ActionDocument& d) { d.Add(); }, true},
        {"delete", [](ActionDocument& d) { d.Delete({u"C"}); }, true},
        {"other kinds", [](ActionDocument& d) { EXPECT_TRUE(d.ReplaceKinds(KindList({u"Home", u"Work"}))); }, true},
        {"fewer kinds", [](ActionDocument& d) { EXPECT_TRUE(d.ReplaceKinds(KindList({u"Work"}))); }, true},
        {"more kinds", [](ActionDocument& d) { EXPECT_TRUE(d.ReplaceKinds(KindList({u"Work", u"Home", u""}))); }, true},
        {"a repeated title renamed", [](ActionDocument& d) { Edit(d, d.Last(), [](_EDIT_ITEM&) {}); }, true},
        {"a commit of nothing", commit_c([](_EDIT_ITEM&) {}), false},
        {"same kinds", [](ActionDocument& d) { EXPECT_FALSE(d.ReplaceKinds(KindList({u"Work", u"Home"}))); }, false},
        {"saved", [](ActionDocument& d) { d.Delete({u"C"}), d.MarkSaved(); }, false},
        {"read again", [](ActionDocument& d) { d.Add(), d.Replace(ItemChain(kBase), nullptr); }, false},
        {"new", [](ActionDocument& d) { d.Add(), d.StartNew(); }, false},
        // The only item, fresh, deleted in its minute comes back as itself.
        {"a fresh item for itself", [](ActionDocument& d) { d.StartNew(), d.Delete({u"NewAction"}); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Open(kBase);
        c.change(doc);
        EXPECT_EQ(doc.Modified(), c.modified);
    }
    // The last row left a new document: one fresh item on its only line.
    EXPECT_EQ(Lines(doc), u"NewAction");
    EXPECT_EQ(doc.LineRecord(0)->planned_end, Day(3));
}

TEST_F(ActionDocumentTest, UndoAndRedoEachKindOfStep) {
    using View = ActionDocument::View;
    struct Row {
        const char* name;
        std::vector<_EDIT_ITEM> items;
        std::vector<std::u16string> selected;  // before the step; the editor shows the first
        std::function<void(ActionDocument&, const View&)> step;
        std::u16string lines;                  // after it
        std::vector<std::u16string> selected_after;
        std::u16string shown_after;
    };
    _EDIT_ITEM alarmed = At(u"Al", 2), alarmed2 = At(u"Al2", 2);
    alarmed.alarm = alarmed2.alarm = Day(2);
    const Row rows[] = {
        {"add", kBase, {u"C"}, [](ActionDocument& d, const View& v) { d.Add(v); }, u"A B C D NewAction E",
         {u"NewAction"}, u"NewAction"},
        {"delete three", kBase, {u"E", u"A", u"C"}, [](ActionDocument& d, const View& v) { d.Delete(v.selected, v); },
         u"B D", {}, u"B"},
        {"delete every item", {At(u"A", 1), At(u"B", 2)}, {u"B", u"A"},
         [](ActionDocument& d, const View& v) { d.Delete(v.selected, v); }, u"NewAction", {u"NewAction"}, u"NewAction"},
        {"commit renamed with its suffix", kBase, {u"C"},
         [](ActionDocument& d, const View& v) {
             const _ITEM_LIST* c = d.LineOwner(u"C");
             _EDIT_ITEM e = *c;
             e.title = u"A";
             d.Commit(c, *c, e, v);
         },
         u"A B A1 D E", {u"A1"}, u"A1"},
        {"commit moves the line", kBase, {u"A", u"C"},
         [](ActionDocument& d, const View& v) {
             const _ITEM_LIST* c = d.LineOwner(u"C");
             _EDIT_ITEM e = *c;
             e.planned_end = Day(9);
             d.Commit(c, *c, e, v);
         },
         u"A B D E C", {u"A", u"C"}, u"C"},
        {"commit of a record gone", kBase, {u"B"},
         [](ActionDocument& d, const View& v) { d.Commit(nullptr, At(u"Gone", 3), At(u"Gone", 3), v); },
         u"A B C D Gone E", {u"B"}, u"Gone"},
        {"commit gives a repeated title a line", kBase, {},
         [](ActionDocument& d, const View& v) { d.Commit(d.Last(), *d.Last(), *d.Last(), v); }, u"A B C D B1 E", {},
         u"B1"},
        {"kinds", kBase, {u"D"},
         [](ActionDocument& d, const View& v) { d.ReplaceKinds(KindList({u"Home"}), v); }, u"A B C D E", {u"D"}, u"D"},
        {"a snooze of two alarms", {alarmed, At(u"X", 1), alarmed2}, {u"X"},
         [](ActionDocument& d, const View& v) {
             d.BeginStep(v);
             for (const _ITEM_LIST* r : d.Records().Due(Day(2))) {
                 _EDIT_ITEM e = *r;
                 e.alarm = Day(3);
                 d.Commit(r, *r, e);
             }
             d.EndStep(v);
         },
         u"X Al Al2", {u"X"}, u"X"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Open(row.items);
        const std::vector<_EDIT_ITEM> opened = ChainItems(doc.Items());
        const std::vector<const _ITEM_LIST*> nodes = ChainNodes<const _ITEM_LIST>(doc.Items());
        const std::u16string lines = Lines(doc);
        View before;
        before.selected = row.selected;
        before.shown = row.selected.empty() ? doc.First() : doc.LineOwner(row.selected[0]);
        before.shown_title = before.shown->title;
        row.step(doc, before);
        EXPECT_EQ(Lines(doc), row.lines);
        const std::vector<_EDIT_ITEM> done = ChainItems(doc.Items());
        const std::vector<std::u16string> kinds = KindTexts(doc.Kinds());
        ASSERT_TRUE(doc.CanUndo());
        EXPECT_FALSE(doc.CanRedo());
        EXPECT_TRUE(doc.Modified());
        doc.MarkSaved();

        const ActionDocument::Restored undone = doc.Undo();
        EXPECT_EQ(ChainItems(doc.Items()), opened);
        EXPECT_EQ(ChainNodes<const _ITEM_LIST>(doc.Items()), nodes);  // the very records, in their places
        EXPECT_EQ(KindTexts(doc.Kinds()), std::vector<std::u16string>({u"Work", u"Home"}));
        EXPECT_EQ(Lines(doc), lines);
        EXPECT_EQ(undone.view.selected, row.selected);
        EXPECT_EQ(undone.view.shown, before.shown);
        EXPECT_EQ(undone.kinds, kinds != KindTexts(doc.Kinds()));
        EXPECT_TRUE(doc.Modified());  // the saved state is the one after the step
        EXPECT_FALSE(doc.CanUndo());

        const ActionDocument::Restored redone = doc.Redo();
        EXPECT_EQ(ChainItems(doc.Items()), done);
        EXPECT_EQ(KindTexts(doc.Kinds()), kinds);
        EXPECT_EQ(Lines(doc), row.lines);
        EXPECT_EQ(redone.view.selected, row.selected_after);
        EXPECT_EQ(redone.view.shown->title, row.shown_after);
        EXPECT_FALSE(doc.Modified());
        EXPECT_FALSE(doc.CanRedo());
        for (std::size_t i = 0; i < doc.LineCount(); ++i) EXPECT_EQ(doc.LineOfRecord(doc.LineRecord(i)), int(i));
    }
}

TEST_F(ActionDocumentTest, HistoryDropsWhatNoLongerComesBack) {
    // A new change after an undo: nothing to redo, and the state saved
    // before it is out of reach. A commit of nothing is no step.
    Open(kBase);
    doc.Add();
    doc.MarkSaved();
    doc.Undo();
    Edit(doc, doc.LineOwner(u"E"), [](_EDIT_ITEM& e) { e.location.assign(1, u'x'); });
    Edit(doc, doc.LineOwner(u"E"), [](_EDIT_ITEM&) {});
    EXPECT_FALSE(doc.CanRedo());
    EXPECT_EQ(doc.UndoCount(), 1u);
    doc.Undo();
    EXPECT_TRUE(doc.Modified());
    Open(kBase);
    EXPECT_FALSE(doc.CanUndo() || doc.CanRedo());

    // The oldest steps go past the bound; what is left undoes to the first kept.
    for (std::size_t i = 0; i < ActionDocument::kMaxSteps + 5; ++i) doc.Add();
    EXPECT_EQ(doc.StepCount(), ActionDocument::kMaxSteps);
    while (doc.CanUndo()) doc.Undo();
    EXPECT_EQ(doc.LineCount(), kBase.size() - 1 + 5);
    // Steps whose records pass the byte bound go too, all but the newest.
    Open(kBase);
    const std::u16string big(ActionDocument::kMaxBytes / 2 / sizeof(char16_t) + 1, u'x');
    for (int i = 0; i < 3; ++i) Edit(doc, doc.LineOwner(u"E"), [&](_EDIT_ITEM& e) { e.status = big.substr(i); });
    EXPECT_EQ(doc.StepCount(), 1u);
    EXPECT_LE(doc.HistoryBytes(), ActionDocument::kMaxBytes + big.size() * 2 + 4096);
}

}  // namespace
