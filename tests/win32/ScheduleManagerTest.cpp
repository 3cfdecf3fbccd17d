// The schedule list on the real item list box of the main dialog.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "Harness.h"
#include "ItemChain.h"
#include "ScheduleManager.h"
#include "resource.h"

namespace {

_TIMES Key(int day) { return _TIMES{2024, 5, day, 12, 0}; }

class ScheduleManagerTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        schedule.emplace(Item(IDC_ITEM_LIST));
        schedule->InitInstance();
    }
    void TearDown() override {
        schedule.reset();
        MainDialogTest::TearDown();
    }

    int Add(const wchar_t* title, int day, unsigned position = CScheduleManager::kSchedulePosition) {
        return schedule->AddItem(title, _TIMES{2024, 1, 1, 1, 1}, Key(day), position);
    }

    std::vector<std::wstring> Nodes() const {
        std::vector<std::wstring> titles;
        for (const _SCHEDULE_LIST* n : ChainNodes(schedule->schedule_list.get())) titles.push_back(n->title);
        return titles;
    }

    void Select(const std::vector<int>& lines) const {
        SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, FALSE, -1);
        for (int i : lines) SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, i);
    }

    std::optional<CScheduleManager> schedule;  // on the dialog made for each test
};

TEST_F(ScheduleManagerTest, AscendingPlannedCompletionWithTiesInOrderOfAdding) {
    struct Step {
        const wchar_t* title;
        int day;
        int expected_line;
    };
    // File order 5, 3, 4, 3, then one before all and one after all.
    const Step steps[] = {{L"five", 5, 0}, {L"three", 3, 0}, {L"four", 4, 1},
                          {L"three again", 3, 1}, {L"one", 1, 0}, {L"nine", 9, 5}};
    for (const Step& s : steps) {
        ASSERT_EQ(Add(s.title, s.day), 0) << s.title;
        EXPECT_EQ(Selected(), std::vector<int>{s.expected_line}) << s.title;
    }
    const std::vector<std::wstring> order = {L"one", L"three", L"three again", L"four", L"five", L"nine"};
    EXPECT_EQ(Lines(), order);
    EXPECT_EQ(Nodes(), order);
    // A key equal to an existing one goes after it, also mid-list.
    ASSERT_EQ(Add(L"four again", 4), 0);
    EXPECT_EQ(Lines()[4], L"four again");
    EXPECT_EQ(Selected(), std::vector<int>{4});
    EXPECT_EQ(Nodes(), Lines());
}

TEST_F(ScheduleManagerTest, ExplicitPositionIsKeptWhateverTheKey) {
    for (auto [title, day] : {std::pair{L"a", 1}, {L"b", 2}, {L"c", 3}, {L"d", 4}}) ASSERT_EQ(Add(title, day), 0);
    ASSERT_EQ(Add(L"late", 30, 2), 0);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"a", L"b", L"late", L"c", L"d"}));
    EXPECT_EQ(Nodes(), Lines());
    EXPECT_EQ(Selected(), std::vector<int>{2});
    // A position past the end puts the item last, line and node alike.
    ASSERT_EQ(Add(L"far", 0, 99), 0);
    EXPECT_EQ(Lines().back(), L"far");
    EXPECT_EQ(Nodes(), Lines());
    EXPECT_EQ(Selected(), std::vector<int>{5});
}

TEST_F(ScheduleManagerTest, ComputedPositionAfterExplicitOneStopsAtTheFirstLaterNode) {
    for (auto [title, day] : {std::pair{L"a", 1}, {L"b", 2}, {L"c", 3}, {L"d", 4}}) ASSERT_EQ(Add(title, day), 0);
    ASSERT_EQ(Add(L"late", 30, 1), 0);  // keys now 1, 30, 2, 3, 4
    ASSERT_EQ(Add(L"mid", 10), 0);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"a", L"mid", L"late", L"b", L"c", L"d"}));
    EXPECT_EQ(Nodes(), Lines());
    ASSERT_EQ(Add(L"zero", 0), 0);
    EXPECT_EQ(Lines().front(), L"zero");
    // Once emptied, the list orders by key again from scratch.
    schedule->DeleteInstance();
    for (auto [title, day] : {std::pair{L"p", 5}, {L"q", 3}, {L"r", 4}}) ASSERT_EQ(Add(title, day), 0);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"q", L"r", L"p"}));
}

TEST_F(ScheduleManagerTest, DuplicateTitleChangesNothing) {
    for (auto [title, day] : {std::pair{L"a", 1}, {L"b", 2}, {L"c", 3}}) ASSERT_EQ(Add(title, day), 0);
    Select({0, 2});
    EXPECT_EQ(Add(L"b", 7), 1);
    EXPECT_EQ(Add(L"b", 2, 0), 1);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(Nodes(), Lines());
    EXPECT_EQ(Selected(), (std::vector<int>{0, 2}));
    EXPECT_EQ(schedule->SearchItem(L"b")->planned_end, Key(2));
    // Titles that differ only in case are different titles.
    EXPECT_EQ(Add(L"B", 2), 0);
}

TEST_F(ScheduleManagerTest, DeleteItemRemovesTheLastSelectedLine) {
    for (auto [title, day] : {std::pair{L"a", 1}, {L"b", 2}, {L"c", 3}, {L"d", 4}, {L"e", 5}})
        ASSERT_EQ(Add(title, day), 0);
    Select({1, 3});
    EXPECT_EQ(schedule->DeleteItem(L"d"), 3);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"a", L"b", L"c", L"e"}));
    EXPECT_EQ(Nodes(), Lines());
    EXPECT_EQ(Selected(), std::vector<int>{1});
    EXPECT_EQ(schedule->SearchItem(L"d"), nullptr);

    // The named node and its title are free again; the last node can go and
    // come back at the end.
    Select({3});
    EXPECT_EQ(schedule->DeleteItem(L"e"), 3);
    ASSERT_EQ(Add(L"e", 5), 0);
    ASSERT_EQ(Add(L"d", 4), 0);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"a", L"b", L"c", L"d", L"e"}));
    EXPECT_EQ(Nodes(), Lines());
}

TEST_F(ScheduleManagerTest, DeleteItemWithNothingSelectedRemovesOnlyTheNode) {
    for (auto [title, day] : {std::pair{L"a", 1}, {L"b", 2}, {L"c", 3}}) ASSERT_EQ(Add(title, day), 0);
    Select({});
    EXPECT_EQ(schedule->DeleteItem(L"b"), -1);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(Nodes(), (std::vector<std::wstring>{L"a", L"c"}));
    // An unknown title still takes the last selected line.
    Select({0});
    EXPECT_EQ(schedule->DeleteItem(L"nobody"), 0);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"b", L"c"}));
    EXPECT_EQ(Nodes(), (std::vector<std::wstring>{L"a", L"c"}));
}

TEST_F(ScheduleManagerTest, DeleteInstanceTakesOneLineFromTheTopPerNode) {
    for (auto [title, day] : {std::pair{L"a", 1}, {L"b", 2}, {L"c", 3}}) ASSERT_EQ(Add(title, day), 0);
    HWND list = Item(IDC_ITEM_LIST);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"x"));
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"y"));
    ASSERT_EQ(Lines().size(), 5u);
    EXPECT_EQ(schedule->DeleteInstance(), 0);
    EXPECT_EQ(schedule->schedule_list, nullptr);
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(Lines()[0], L"x");

    // Emptied, the manager starts again from nothing.
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (auto [title, day] : {std::pair{L"a", 3}, {L"b", 2}}) ASSERT_EQ(Add(title, day), 0);
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"b", L"a"}));
    schedule->DeleteInstance();
    EXPECT_TRUE(Lines().empty());
}

TEST_F(ScheduleManagerTest, LongChainIsReleasedWithoutRecursion) {
    // Far deeper than the stack would allow one frame per node.
    auto* link = &schedule->schedule_list;
    for (int i = 0; i < 1000000; ++i) {
        *link = std::make_unique<_SCHEDULE_LIST>();
        (*link)->title = L"n";
        link = &(*link)->next;
    }
    schedule->DeleteInstance();
    EXPECT_EQ(schedule->schedule_list, nullptr);

    auto chain = std::make_unique<_SCHEDULE_LIST>();
    _SCHEDULE_LIST* last = chain.get();
    for (int i = 0; i < 1000000; ++i) {
        last->next = std::make_unique<_SCHEDULE_LIST>();
        last = last->next.get();
    }
    chain.reset();
    EXPECT_EQ(chain, nullptr);
}

}  // namespace
