// Filling the schedule list in one pass must leave exactly what adding the
// records one by one leaves: the same nodes and lines in the same order, the
// same selected line and current line, and a list that goes on behaving the
// same for later adds and deletes.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Harness.h"
#include "ItemChain.h"
#include "Records.h"
#include "Sample.h"
#include "ScheduleManager.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

struct Entry {
    std::u16string title;
    int end_day;  // planned completion 2024-05-<day> 12:00, or the raw key below
    int end_hour = 12;
};

std::unique_ptr<_ITEM_LIST> Chain(const std::vector<Entry>& entries) {
    std::unique_ptr<_ITEM_LIST> head;
    std::unique_ptr<_ITEM_LIST>* tail = &head;
    for (const Entry& e : entries) {
        *tail = std::make_unique<_ITEM_LIST>();
        (*tail)->title = e.title;
        (*tail)->planned_start = _TIMES{2024, 1, 1, 1, 1};
        (*tail)->planned_end = _TIMES{2024, 5, e.end_day, e.end_hour, 0};
        tail = &(*tail)->next;
    }
    return head;
}

// Everything of the list and the list box that a user or a later command
// could tell apart.
struct Observed {
    std::vector<std::wstring> lines;
    std::vector<int> selected;
    LRESULT caret;
    std::vector<std::wstring> nodes;
    std::vector<_TIMES> keys;

    friend bool operator==(const Observed&, const Observed&) = default;
};

class ScheduleFillTest : public MainDialogTest {
protected:
    Observed Observe(const CScheduleManager& schedule) const {
        Observed o{Lines(), Selected(), SendMessageW(Item(IDC_ITEM_LIST), LB_GETCARETINDEX, 0, 0), {}, {}};
        for (const _SCHEDULE_LIST* n : ChainNodes(schedule.schedule_list.get())) {
            o.nodes.push_back(n->title);
            o.keys.push_back(n->planned_end);
        }
        return o;
    }

    // The straightforward way: AddItem with the schedule position, record by
    // record, as the reader did it.
    Observed OneByOne(const _ITEM_LIST* items, CScheduleManager& schedule) const {
        for (const _ITEM_LIST* p : ChainNodes(items))
            schedule.AddItem(ToWide(p->title).c_str(), p->planned_start, p->planned_end,
                             CScheduleManager::kSchedulePosition);
        return Observe(schedule);
    }

    Observed InOnePass(const _ITEM_LIST* items, CScheduleManager& schedule, std::size_t* added) const {
        *added = schedule.AddItems(items);
        return Observe(schedule);
    }

    void Reset(CScheduleManager& schedule) const {
        schedule.DeleteInstance();
        SendMessageW(Item(IDC_ITEM_LIST), LB_RESETCONTENT, 0, 0);
    }
};

TEST_F(ScheduleFillTest, OnePassEqualsAddingOneByOne) {
    const std::u16string with_nul(u"cut\0tail", 8);
    // Long enough that a sort which does not keep ties in order would show.
    std::vector<Entry> many_ties;
    for (int i = 0; i < 60; ++i) many_ties.push_back({u"tie " + std::u16string(1, static_cast<char16_t>(u'A' + i)), 1 + (i * 7) % 3});
    const struct Case {
        const char* name;
        std::vector<Entry> entries;
        std::size_t lines;
    } cases[] = {
        {"one item", {{u"a", 3}}, 1},
        {"ascending", {{u"a", 1}, {u"b", 2}, {u"c", 3}}, 3},
        {"descending", {{u"c", 3}, {u"b", 2}, {u"a", 1}}, 3},
        {"ties keep file order", {{u"five", 5}, {u"three", 3}, {u"four", 4}, {u"three again", 3}, {u"x", 3}}, 5},
        {"all keys equal", {{u"p", 7}, {u"q", 7}, {u"r", 7}, {u"s", 7}}, 4},
        {"many ties", many_ties, 60},
        {"hours break ties of days", {{u"late", 2, 18}, {u"early", 2, 9}, {u"noon", 2, 12}}, 3},
        // A repeated title gets no line; when it is the last record, the
        // line selected is that of the last record that got one.
        {"repeated title last", {{u"a", 5}, {u"b", 1}, {u"a", 9}}, 2},
        {"repeated title in the middle", {{u"a", 5}, {u"a", 1}, {u"b", 3}}, 2},
        // A title is listed up to its first NUL, and that part is its key.
        {"title with a NUL", {{with_nul, 4}, {u"cut", 2}, {u"other", 1}}, 2},
        {"empty title", {{u"", 4}, {u"z", 2}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto items = Chain(c.entries);
        CScheduleManager one_by_one(Item(IDC_ITEM_LIST));
        const Observed expected = OneByOne(items.get(), one_by_one);
        Reset(one_by_one);
        CScheduleManager filled(Item(IDC_ITEM_LIST));
        std::size_t added = 0;
        EXPECT_EQ(InOnePass(items.get(), filled, &added), expected);
        EXPECT_EQ(added, c.lines);
        EXPECT_EQ(expected.lines.size(), c.lines);
        EXPECT_EQ(expected.selected.size(), 1u);
        Reset(filled);
    }
}

TEST_F(ScheduleFillTest, ListFilledInOnePassBehavesTheSameAfterwards) {
    // Later adds (computed and explicit positions, a repeated title) and
    // deletes give the same results on both lists.
    const auto items = Chain({{u"m", 10}, {u"b", 2}, {u"x", 20}, {u"c", 2}, {u"k", 9}});
    const auto later = [&](CScheduleManager& s) {
        std::vector<int> results;
        results.push_back(s.AddItem(L"new", _TIMES{}, _TIMES{2024, 5, 2, 12, 0}, CScheduleManager::kSchedulePosition));
        results.push_back(s.AddItem(L"m", _TIMES{}, _TIMES{2024, 5, 1, 12, 0}, CScheduleManager::kSchedulePosition));
        results.push_back(s.AddItem(L"pinned", _TIMES{}, _TIMES{2024, 5, 30, 12, 0}, 1));
        results.push_back(s.AddItem(L"after", _TIMES{}, _TIMES{2024, 5, 15, 12, 0}, CScheduleManager::kSchedulePosition));
        SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, 3);
        results.push_back(s.DeleteItem(Lines()[4].c_str()));
        results.push_back(s.SearchItem(L"k") != nullptr);
        results.push_back(s.SearchItem(L"gone") != nullptr);
        return std::pair{results, Observe(s)};
    };
    CScheduleManager one_by_one(Item(IDC_ITEM_LIST));
    OneByOne(items.get(), one_by_one);
    const auto expected = later(one_by_one);
    Reset(one_by_one);
    CScheduleManager filled(Item(IDC_ITEM_LIST));
    std::size_t added = 0;
    InOnePass(items.get(), filled, &added);
    EXPECT_EQ(later(filled), expected);
    Reset(filled);
}

TEST_F(ScheduleFillTest, NonEmptyListAddsOneByOne) {
    const auto first = Chain({{u"a", 5}, {u"b", 1}});
    const auto second = Chain({{u"c", 3}, {u"a", 2}, {u"d", 0}});
    CScheduleManager one_by_one(Item(IDC_ITEM_LIST));
    OneByOne(first.get(), one_by_one);
    const Observed expected = OneByOne(second.get(), one_by_one);
    Reset(one_by_one);
    CScheduleManager filled(Item(IDC_ITEM_LIST));
    std::size_t added = 0;
    filled.AddItems(first.get());
    EXPECT_EQ(InOnePass(second.get(), filled, &added), expected);
    EXPECT_EQ(added, 2u);
    Reset(filled);
}

TEST_F(ScheduleFillTest, OpenedSampleDocumentShowsWhatAddingOneByOneShows) {
    // A realistic document through the open command, against the same
    // records added one by one to an empty list box.
    VqfDocument doc = MakeSampleDocument(120, 7);
    const std::vector<std::uint8_t> bytes = WriteVqf(doc.item_list.get(), doc.action_kinds.get());
    TempDir dir;
    const std::wstring path = dir.File(L"sample.vqf");
    WriteBytes(path, bytes);
    ChooserScript chooser;
    chooser.OpenAnswer(path);
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(g_App.state, STATE_OPEN);
    const Observed opened = Observe(*g_App.schedule);
    const std::wstring shown_title = Text(IDC_TITLE);
    g_App.DeleteInstance();
    SendMessageW(Item(IDC_ITEM_LIST), LB_RESETCONTENT, 0, 0);

    CScheduleManager one_by_one(Item(IDC_ITEM_LIST));
    EXPECT_EQ(OneByOne(doc.item_list.get(), one_by_one), opened);
    EXPECT_EQ(opened.lines.size(), 120u);
    const _ITEM_LIST* last = doc.item_list.get();
    while (last->next) last = last->next.get();
    EXPECT_EQ(shown_title, ToWide(last->title));
    Reset(one_by_one);
}

}  // namespace
