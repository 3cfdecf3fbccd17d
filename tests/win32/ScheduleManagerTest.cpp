// The item list box as the mirror of the document's lines: what the document
// decides, the list box shows, with the user's selection, caret and scroll
// position kept on the lines that stay.
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "DocumentProbe.h"
#include "Harness.h"
#include "HandDocument.h"
#include "Sample.h"
#include "ScheduleManager.h"
#include "WideText.h"
#include "resource.h"

namespace {

_EDIT_ITEM At(const char16_t* title, int day) {
    return MakeItem(title, _TIMES{2024, 5, 1, 9, 0}, {2024, 5, day, 12, 0});
}

using Titles = std::vector<std::wstring>;

class ScheduleManagerTest : public MainDialogTest {
protected:
    void Select(const std::vector<int>& lines) const {
        SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, FALSE, -1);
        for (int i : lines) SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, i);
    }
    int Caret() const { return static_cast<int>(SendMessageW(Item(IDC_ITEM_LIST), LB_GETCARETINDEX, 0, 0)); }
};

TEST_F(ScheduleManagerTest, OpenedDocumentShowsItsLinesWithTheLastItemSelected) {
    // A file's repeated title has one line, the first record's; the last
    // record, shown, has its line selected alone.
    OpenWithControls({At(u"E", 5), At(u"C", 3), At(u"D", 4), At(u"C", 1), At(u"B", 3)});
    EXPECT_EQ(Lines(), (Titles{L"C", L"B", L"D", L"E"}));
    EXPECT_EQ(Selected(), std::vector<int>{1});
    EXPECT_EQ(Caret(), 1);
    EXPECT_EQ(Text(IDC_TITLE), L"B");
}

TEST_F(ScheduleManagerTest, OpenedSampleDocumentShowsItsItemsInScheduleOrder) {
    // A realistic document through the open command, against a stable sort
    // by planned completion of the first record of each title.
    VqfDocument doc = MakeSampleDocument(120, 7);
    TempDir dir;
    const std::wstring path = dir.File(L"sample.vqf");
    WriteBytes(path, WriteVqf(doc.item_list.get(), doc.action_kinds.get()));
    ChooserScript chooser;
    chooser.OpenAnswer(path);
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(App().state, STATE_OPEN);

    std::vector<const _ITEM_LIST*> expected;
    std::map<std::u16string, int> seen;
    for (const _ITEM_LIST* p : ChainNodes<const _ITEM_LIST>(doc.item_list.get()))
        if (seen[std::u16string(ShownText(p->title))]++ == 0) expected.push_back(p);
    std::stable_sort(expected.begin(), expected.end(), [](const _ITEM_LIST* a, const _ITEM_LIST* b) {
        return TimeCmp(a->planned_end, b->planned_end) < 0;
    });
    Titles titles;
    for (const _ITEM_LIST* p : expected) titles.push_back(ToWide(ShownText(p->title)));
    EXPECT_EQ(Lines(), titles);
}

TEST_F(ScheduleManagerTest, MovedLineKeepsEverySelectionAndTheTopLine) {
    const struct {
        const char* name;
        int from, to;
        std::vector<int> selected;
        int caret;
        Titles lines_after;
        std::vector<int> selected_after;
        int caret_after;
    } cases[] = {
        {"down, selected with the caret", 1, 3, {1, 2}, 1, {L"A", L"C", L"D", L"X", L"E"}, {1, 3}, 3},
        {"up, not selected", 3, 0, {1, 2}, 2, {L"X", L"A", L"B", L"C", L"E"}, {2, 3}, 3},
        {"in place, retitled", 2, 2, {2}, 2, {L"A", L"B", L"X", L"D", L"E"}, {2}, 2},
        {"a line not shown before", -1, 1, {0, 4}, 4, {L"A", L"X", L"B", L"C", L"D", L"E"}, {0, 5}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND list = Item(IDC_ITEM_LIST);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const wchar_t* t : {L"A", L"B", L"C", L"D", L"E"})
            SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(t));
        Select(c.selected);
        SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(c.caret), FALSE);
        const LRESULT top = SendMessageW(list, LB_GETTOPINDEX, 0, 0);
        CScheduleManager schedule(list);
        _ITEM_LIST x;
        x.title = u"X";
        EXPECT_TRUE(schedule.MoveLine(c.from, c.to, &x));
        EXPECT_EQ(Lines(), c.lines_after);
        EXPECT_EQ(Selected(), c.selected_after);
        EXPECT_EQ(Caret(), c.caret_after);
        EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), top);
    }
}

TEST_F(ScheduleManagerTest, RemovedLinesLeaveTheOthersAsTheyWere) {
    HWND list = Item(IDC_ITEM_LIST);
    for (const wchar_t* t : {L"A", L"B", L"C", L"D", L"E"})
        SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(t));
    Select({0, 2, 4});
    CScheduleManager schedule(list);
    schedule.RemoveLines({3, 1});
    EXPECT_EQ(Lines(), (Titles{L"A", L"C", L"E"}));
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2}));
    // An inserted line is the only selected one; the teardown takes every line.
    _ITEM_LIST n;
    n.title = u"N";
    EXPECT_TRUE(schedule.InsertSelected(1, &n));
    EXPECT_EQ(Lines(), (Titles{L"A", L"N", L"C", L"E"}));
    EXPECT_EQ(Selected(), std::vector<int>{1});
    schedule.DeleteInstance();
    EXPECT_TRUE(Lines().empty());
}

TEST_F(ScheduleManagerTest, LinesAreDrawnWithTheirDueDateAndState) {
    FixedClock clock(UtcSeconds(2024, 5, 10, 3, 0));  // 2024-05-10 12:00
    _EDIT_ITEM finished = At(u"Finished", 2);
    finished.actual_end = {2024, 5, 2, 11, 0};
    OpenWithControls({At(u"Late", 3), finished, MakeItem(u"Today", {}, {2024, 5, 10, 24, 30}),
                      MakeItem(u"Next year", {}, {2025, 1, 6, 9, 5}), MakeItem(u"Unset", {}, {}), At(u"Later", 20)});
    ASSERT_EQ(Lines(), (Titles{L"Unset", L"Finished", L"Late", L"Today", L"Later", L"Next year"}));
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), grey = GetSysColor(COLOR_GRAYTEXT);
    const COLORREF red = RGB(0xC0, 0, 0);
    const struct {
        int line;
        const wchar_t* due;
        bool bold;
        COLORREF colour, high_contrast;
    } rows[] = {
        {0, L"", false, text, text},
        {1, L"5/2 12:00", false, grey, grey},
        {2, L"5/3 12:00", false, red, text},
        {3, L"5/10 24:30", true, text, text},
        {4, L"5/20 12:00", false, text, text},
        {5, L"2025/1/6 9:05", false, text, text},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        const LineLook look = App().schedule->Look(r.line, false, false);
        EXPECT_EQ(look.title, Lines()[static_cast<std::size_t>(r.line)]);
        EXPECT_EQ(look.due, r.due);
        EXPECT_EQ(look.bold, r.bold);
        EXPECT_EQ(look.text, r.colour);
        EXPECT_EQ(look.back, GetSysColor(COLOR_WINDOW));
        EXPECT_EQ(App().schedule->Look(r.line, false, true).text, r.high_contrast);
        // A selected line has the system's selection colours, whatever its state.
        const LineLook selected = App().schedule->Look(r.line, true, false);
        EXPECT_EQ(selected.text, GetSysColor(COLOR_HIGHLIGHTTEXT));
        EXPECT_EQ(selected.back, GetSysColor(COLOR_HIGHLIGHT));
    }
    // The real paint goes through the same decision, line by line.
    InvalidateRect(Item(IDC_ITEM_LIST), nullptr, TRUE);
    UpdateWindow(Item(IDC_ITEM_LIST));
    EXPECT_GT(SendMessageW(Item(IDC_ITEM_LIST), LB_GETITEMHEIGHT, 0, 0), 8);
}

TEST_F(ScheduleManagerTest, LineTurnsLateInTheMinuteAfterItsCompletion) {
    FixedClock clock(UtcSeconds(2024, 5, 10, 3, 0, 30));  // 12:00:30, the item's own minute
    OpenWithControls({MakeItem(u"Due", {}, {2024, 5, 10, 12, 0})});
    HWND list = Item(IDC_ITEM_LIST);
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    UpdateWindow(list);
    EXPECT_FALSE(App().schedule->Look(0, false, false).state.late);
    // Ticks within the minute draw nothing again.
    clock.Set(UtcSeconds(2024, 5, 10, 3, 0, 59));
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE));
    // The first tick of the next minute redraws the list: the line is late.
    clock.Set(UtcSeconds(2024, 5, 10, 3, 1, 0));
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    EXPECT_TRUE(GetUpdateRect(list, nullptr, FALSE));
    EXPECT_TRUE(App().schedule->Look(0, false, false).state.late);
    EXPECT_EQ(App().schedule->Look(0, false, false).text, RGB(0xC0, 0, 0));
}

}  // namespace
