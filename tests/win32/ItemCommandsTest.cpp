// The item commands on the real dialog: add, delete, show a line, and the
// commit when the focus leaves a detail control.
#include <windows.h>

#include <algorithm>
#include <functional>

#include "HandDocument.h"
#include "Harness.h"
#include "WideText.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

namespace {

// A planned completion on day `d` of January 2024 (the sort key).
_TIMES Day(int d) { return {2024, 1, d, 10, 0}; }

_EDIT_ITEM At(std::u16string title, int day) { return MakeItem(std::move(title), Day(1), Day(day)); }

using Titles = std::vector<std::wstring>;

class ItemCommandsTest : public MainDialogTest {
protected:
    Titles Records() const {
        Titles titles;
        for (const std::u16string& title : ChainTitles(DocumentProbe::Items())) titles.push_back(ToWide(title));
        return titles;
    }
    const _ITEM_LIST* Record(std::u16string_view title) const {
        return DocumentProbe::Find(title);
    }
    int LineOf(const std::wstring& title) const {
        const Titles lines = Lines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == title) return static_cast<int>(i);
        return -1;
    }
    // A click on a line: it becomes the only selected line and the current one.
    void Click(int line) const {
        HWND list = Item(IDC_ITEM_LIST);
        SendMessageW(list, LB_SETSEL, FALSE, -1);
        SendMessageW(list, LB_SETSEL, TRUE, line);
        SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(line), FALSE);
        Command(IDC_ITEM_LIST, LBN_SELCHANGE);
    }
    void SelectAlso(int line) const { SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, line); }
    void SelectNone() const { SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, FALSE, -1); }
    // Types into a field and leaves it.
    void Enter(int id, const std::wstring& text) const {
        SetText(id, text);
        Command(id, EN_KILLFOCUS);
    }
};

TEST_F(ItemCommandsTest, AddCountsUpFromNewAction) {
    FixedClock clock(UtcSeconds(2024, 1, 3, 0, 0));  // 2024-01-03 09:00 in the program's zone
    OpenWithControls({At(u"NewAction", 1), At(u"later", 30), At(u"NewAction1", 2)});
    Command(IDC_ADD_ITEM);
    // Last in the chain, its line at its schedule place, selected alone, shown.
    EXPECT_EQ(Records(), (Titles{L"NewAction", L"later", L"NewAction1", L"NewAction2"}));
    EXPECT_EQ(Lines(), (Titles{L"NewAction", L"NewAction1", L"NewAction2", L"later"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_EQ(Text(IDC_TITLE), L"NewAction2");
    EXPECT_EQ(Record(u"NewAction2")->planned_end, (_TIMES{2024, 1, 3, 9, 0}));
}

TEST_F(ItemCommandsTest, CommitRenamesTakenAndEmptyTitles) {
    const struct {
        std::vector<std::u16string> others;
        std::wstring typed;
        std::wstring expected;
    } cases[] = {
        {{u"Plan"}, L"Plan", L"Plan1"},
        {{u"Plan", u"Plan1"}, L"Plan", L"Plan12"},
        {{u"Plan", u"Plan1", u"Plan12"}, L"Plan", L"Plan123"},
        {{u"Plan1"}, L"Plan", L"Plan"},
        {{}, L"", L"NewAction"},
        {{u"NewAction"}, L"", L"NewAction1"},
        {{u"NewAction", u"NewAction1"}, L"", L"NewAction12"},
        {{u"x"}, L"X", L"X"},  // case matters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.typed) + " -> " + testing::PrintToString(c.expected));
        std::vector<_EDIT_ITEM> items;
        for (std::size_t i = 0; i < c.others.size(); ++i) items.push_back(At(c.others[i], static_cast<int>(i) + 1));
        items.push_back(At(u"Shown", 20));
        OpenWithControls(items);
        Enter(IDC_TITLE, c.typed);
        EXPECT_EQ(Records().back(), c.expected);
        EXPECT_EQ(Text(IDC_TITLE), c.expected);
        EXPECT_EQ(Lines().back(), c.expected);
        EXPECT_EQ(Lines().size(), items.size());
        EXPECT_EQ(Selected(), std::vector<int>{static_cast<int>(items.size()) - 1});
        App().DeleteInstance();
    }
}

TEST_F(ItemCommandsTest, LineKeepsItsPlaceUnlessAPlannedDateChanges) {
    OpenWithControls({At(u"A", 1), At(u"B", 2), At(u"C", 3), At(u"D", 4), At(u"E", 5)});
    Click(2);
    ASSERT_EQ(Text(IDC_TITLE), L"C");
    Enter(IDC_LOCATION, L"room 3");
    EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"C", L"D", L"E"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_EQ(Record(u"C")->location, u"room 3");
    // A commit with nothing changed puts the line back where it was.
    Command(IDC_STATUS, EN_KILLFOCUS);
    EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"C", L"D", L"E"}));
    // The planned completion moves it to its schedule place.
    Enter(IDC_PLAN_END_DAY, L"20");
    EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"D", L"E", L"C"}));
    EXPECT_EQ(Selected(), std::vector<int>{4});
    EXPECT_EQ(Record(u"C")->planned_end, Day(20));
}

TEST_F(ItemCommandsTest, PlannedStartChangeAlsoPlacesTheLineAnew) {
    // B and C complete together, B first; a changed planned start gives B
    // its schedule place again: after every line of its completion.
    OpenWithControls({At(u"A", 1), At(u"B", 2), At(u"C", 2)});
    Click(1);
    ASSERT_EQ(Text(IDC_TITLE), L"B");
    Enter(IDC_LOCATION, L"here");
    EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"C"}));
    Enter(IDC_PLAN_START_DAY, L"2");
    EXPECT_EQ(Lines(), (Titles{L"A", L"C", L"B"}));
}

TEST_F(ItemCommandsTest, KindPickedFromTheListCommitsAtOnce) {
    OpenWithControls({At(u"A", 1), At(u"B", 2)}, {u"Work", u"Home"});
    Click(0);
    SendMessageW(Item(IDC_ACTION_KIND), CB_SETCURSEL, 1, 0);
    Command(IDC_ACTION_KIND, CBN_SELCHANGE);
    EXPECT_EQ(Record(u"A")->action_kind, u"Home");
    EXPECT_EQ(Lines(), (Titles{L"A", L"B"}));
    EXPECT_EQ(Selected(), std::vector<int>{0});
    // A letter typed into the box picks the entry it starts, as in any list,
    // and commits it: no typed text is left to vanish.
    SetFocus(Item(IDC_ACTION_KIND));
    PostMessageW(GetFocus(), WM_CHAR, L'W', 1);
    Pump();
    EXPECT_EQ(Record(u"A")->action_kind, u"Work");
    EXPECT_EQ(Text(IDC_ACTION_KIND), L"Work");
}

TEST_F(ItemCommandsTest, DeleteSelectedLines) {
    const struct {
        const char* name;
        std::vector<_EDIT_ITEM> items;
        std::vector<int> selected;
        Titles records, lines;
        std::wstring shown;
        std::vector<int> selected_after;
    } cases[] = {
        {"three of five, bottom up",
         {At(u"C", 3), At(u"A", 1), At(u"E", 5), At(u"B", 2), At(u"D", 4)},
         {0, 2, 4},
         {L"B", L"D"},
         {L"B", L"D"},
         L"B",
         {}},
        {"nothing selected shows the first record",
         {At(u"C", 3), At(u"A", 1)},
         {},
         {L"C", L"A"},
         {L"A", L"C"},
         L"C",
         {}},
        {"the only item gives a fresh one", {At(u"Only", 1)}, {0}, {L"NewAction"}, {L"NewAction"}, L"NewAction", {0}},
        {"all of three", {At(u"A", 1), At(u"B", 2), At(u"C", 3)}, {0, 1, 2}, {L"NewAction"}, {L"NewAction"},
         L"NewAction", {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenWithControls(c.items);
        SelectNone();
        for (int i : c.selected) SelectAlso(i);
        const Titles records = Records(), lines = Lines();
        const std::wstring shown = Text(IDC_TITLE);
        Command(IDC_DELETE_ITEM);
        EXPECT_EQ(Records(), c.records);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(Text(IDC_TITLE), c.shown);
        EXPECT_EQ(Selected(), c.selected_after);
        // Undo: every line back, selected as before; redo: as deleted. A
        // delete of nothing is no step.
        EXPECT_EQ(App().CanUndo(), !c.selected.empty());
        if (c.selected.empty()) {
            App().DeleteInstance();
            continue;
        }
        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Records(), records);
        EXPECT_EQ(Lines(), lines);
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_EQ(Text(IDC_TITLE), shown);
        Command(IDM_EDIT_REDO);
        EXPECT_EQ(Records(), c.records);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(Text(IDC_TITLE), c.shown);
        EXPECT_EQ(Selected(), c.selected_after);
        App().DeleteInstance();
    }
}

TEST_F(ItemCommandsTest, DeleteEndsOnALineMatchingNoRecord) {
    // A line the document does not have is passed over, and the command ends.
    OpenWithControls({At(u"A", 1), At(u"B", 2)});
    SendMessageW(Item(IDC_ITEM_LIST), LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Ghost"));
    SelectNone();
    SelectAlso(0);
    SelectAlso(2);
    Command(IDC_DELETE_ITEM);
    EXPECT_EQ(Records(), (Titles{L"B"}));
    EXPECT_EQ(Lines(), (Titles{L"B", L"Ghost"}));
}

TEST_F(ItemCommandsTest, CommitRemovesTheShownItemsOwnLine) {
    OpenWithControls({At(u"A", 1), At(u"B", 2), At(u"C", 3)});
    // No line selected: the line is not put back twice, and none becomes
    // selected.
    Click(1);
    SelectNone();
    Enter(IDC_LOCATION, L"one");
    EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"C"}));
    EXPECT_EQ(Selected(), std::vector<int>{});
    EXPECT_EQ(Record(u"B")->location, u"one");
    // Another item's line selected last: that item keeps its line, and the
    // user's selection stays.
    SelectAlso(2);
    Enter(IDC_LOCATION, L"two");
    EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"C"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    // Only another item's line selected.
    Click(0);
    Click(2);
    SelectNone();
    SelectAlso(0);
    Enter(IDC_STATUS, L"for C");
    EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"C"}));
    EXPECT_EQ(Record(u"C")->status, u"for C");
    EXPECT_EQ(Record(u"A")->status, u"");
    EXPECT_EQ(Records(), (Titles{L"A", L"B", L"C"}));
}

TEST_F(ItemCommandsTest, CommitKeepsTheUserSelection) {
    // Five items on days 1 to 5; B is shown. Whatever the commit does to B's
    // line, the lines the user selected stay selected (B's under its new
    // title) and the others not, so that a delete or a report that follows
    // acts on them.
    const struct {
        const char* name;
        std::vector<int> selected;  // besides the click on B
        int field;
        std::wstring typed;
        Titles lines;
        Titles selected_after;  // by title
    } cases[] = {
        {"A and C, B unselected", {0, 2}, IDC_LOCATION, L"x", {L"A", L"B", L"C", L"D", L"E"}, {L"A", L"C"}},
        {"B with A, C, D, E", {0, 1, 2, 3, 4}, IDC_STATUS, L"x", {L"A", L"B", L"C", L"D", L"E"},
         {L"A", L"B", L"C", L"D", L"E"}},
        {"B moved last, with D", {1, 3}, IDC_PLAN_END_DAY, L"20", {L"A", L"C", L"D", L"E", L"B"}, {L"D", L"B"}},
        {"B moved first, A not", {1}, IDC_PLAN_END_YEAR, L"2000", {L"B", L"A", L"C", L"D", L"E"}, {L"B"}},
        {"B renamed, with E", {1, 4}, IDC_TITLE, L"A", {L"A", L"A1", L"C", L"D", L"E"}, {L"A1", L"E"}},
        {"B renamed and unselected", {3}, IDC_TITLE, L"Z", {L"A", L"Z", L"C", L"D", L"E"}, {L"D"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenWithControls({At(u"A", 1), At(u"B", 2), At(u"C", 3), At(u"D", 4), At(u"E", 5)});
        Click(1);
        SelectNone();
        for (int line : c.selected) SelectAlso(line);
        const std::vector<int> selected_before = Selected();
        Enter(c.field, c.typed);
        EXPECT_EQ(Lines(), c.lines);
        const std::vector<int> selected_after = Selected();
        // Undo puts B back, its line selected as before the commit and shown;
        // redo does the commit again, its selection with it.
        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Lines(), (Titles{L"A", L"B", L"C", L"D", L"E"}));
        EXPECT_EQ(Selected(), selected_before);
        EXPECT_EQ(Text(IDC_TITLE) + Text(IDC_LOCATION) + Text(IDC_STATUS), L"B");
        Command(IDM_EDIT_REDO);
        EXPECT_EQ(Lines(), c.lines);
        EXPECT_EQ(Selected(), selected_after);
        Titles selected;
        for (int line : Selected()) selected.push_back(Lines()[static_cast<std::size_t>(line)]);
        std::sort(selected.begin(), selected.end());
        Titles expected = c.selected_after;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(selected, expected);
        EXPECT_EQ(Text(IDC_LOCATION) + Text(IDC_STATUS), c.field == IDC_LOCATION || c.field == IDC_STATUS ? L"x" : L"");
        // The delete that follows takes the selected lines, not the shown item.
        Command(IDC_DELETE_ITEM);
        for (const std::wstring& title : expected) EXPECT_EQ(LineOf(title), -1) << testing::PrintToString(title);
        App().DeleteInstance();
    }
}

// Ctrl+Z in a field that holds typed text is the field's own undo; the
// menu's 元に戻す takes the field first and undoes that step; without typed
// text Ctrl+Z is the document's. The menu items are greyed when there is
// nothing to undo or redo.
TEST_F(ItemCommandsTest, CtrlZIsTheFieldsOwnUndoWhileItHoldsTypedText) {
    HACCEL shortcuts = LoadAcceleratorsW(g_hInst, MAKEINTRESOURCEW(IDR_SHORTCUTS));
    HMENU edit = GetSubMenu(GetMenu(main_), 1);
    const auto greyed = [&] {
        SendMessageW(main_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
        return std::vector<bool>{(GetMenuState(edit, IDM_EDIT_UNDO, MF_BYCOMMAND) & MF_GRAYED) != 0,
                                 (GetMenuState(edit, IDM_EDIT_REDO, MF_BYCOMMAND) & MF_GRAYED) != 0};
    };
    EXPECT_EQ(greyed(), (std::vector<bool>{true, true}));  // no document
    OpenWithControls({At(u"A", 1), At(u"B", 2)});
    EXPECT_EQ(greyed(), (std::vector<bool>{true, true}));
    Click(0);
    Enter(IDC_LOCATION, L"room");
    EXPECT_EQ(greyed(), (std::vector<bool>{false, true}));

    HWND field = Item(IDC_LOCATION);
    SetFocus(field);
    BYTE saved[256];
    GetKeyboardState(saved);
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    const auto ctrl_z = [&] {
        MSG key{field, WM_KEYDOWN, 'Z', 1, 0, {}};
        return TranslateShortcut(main_, shortcuts, &key);
    };
    SendMessageW(field, EM_SETSEL, 4, 4);
    SendMessageW(field, WM_CHAR, L'x', 1);
    ASSERT_EQ(Text(IDC_LOCATION), L"roomx");
    EXPECT_FALSE(ctrl_z());  // left to the field
    EXPECT_EQ(Record(u"A")->location, u"room");
    // The menu item takes "roomx" as a step and undoes it.
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(Record(u"A")->location, u"room");
    EXPECT_EQ(Text(IDC_LOCATION), L"room");
    EXPECT_EQ(greyed(), (std::vector<bool>{false, false}));
    // Nothing typed now: the document's undo.
    EXPECT_TRUE(ctrl_z());
    EXPECT_EQ(Record(u"A")->location, u"");
    EXPECT_EQ(Text(IDC_LOCATION), L"");
    EXPECT_EQ(greyed(), (std::vector<bool>{true, false}));
    SetKeyboardState(saved);
}

TEST_F(ItemCommandsTest, ClickAfterADateChangeLandsOnTheLineUnderTheMouse) {
    // E's planned completion goes to 2000 while the focus is in that field;
    // the user then clicks the third line as it stands on screen, C. The
    // commit moves E to the top before the list box takes the click.
    const struct {
        const char* name;
        WPARAM keys;
        const wchar_t* find;  // B has no "x": a find for it hides B's line
        Titles lines_after;
        Titles selected_after;
    } cases[] = {
        {"click", MK_LBUTTON, L"", {L"E", L"A", L"B", L"C", L"D"}, {L"C"}},
        {"Ctrl+click adds to the selection", MK_LBUTTON | MK_CONTROL, L"", {L"E", L"A", L"B", L"C", L"D"},
         {L"E", L"C"}},
        {"on a narrowed list", MK_LBUTTON, L"x", {L"E", L"A", L"C", L"D"}, {L"D"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenWithControls({MakeItem(u"A", Day(1), Day(1), u"x"), MakeItem(u"B", Day(1), Day(2)),
                          MakeItem(u"C", Day(1), Day(3), u"x"), MakeItem(u"D", Day(1), Day(4), u"x"),
                          MakeItem(u"E", Day(1), Day(5), u"x")});
        SetText(IDC_FIND, c.find);
        HWND list = Item(IDC_ITEM_LIST);
        SetForegroundWindow(main_);
        SetFocus(Item(IDC_PLAN_END_YEAR));
        SetText(IDC_PLAN_END_YEAR, L"2000");
        RECT third{};
        SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&third));
        const std::wstring clicked = Lines()[2];
        const LPARAM at = MAKELPARAM(third.left + 5, (third.top + third.bottom) / 2);
        SendMessageW(list, WM_LBUTTONDOWN, c.keys, at);
        SendMessageW(list, WM_LBUTTONUP, c.keys & ~MK_LBUTTON, at);
        Pump();
        EXPECT_EQ(Lines(), c.lines_after);
        EXPECT_EQ(Text(IDC_TITLE), clicked);
        Titles selected;
        for (int line : Selected()) selected.push_back(Lines()[static_cast<std::size_t>(line)]);
        EXPECT_EQ(selected, c.selected_after);
        App().DeleteInstance();
        SetText(IDC_FIND, L"");
    }
}

TEST_F(ItemCommandsTest, CommitOfACopyNoRecordCarriesKeepsIt) {
    OpenWithControls({At(u"A", 1), At(u"B", 2)});
    Click(1);
    DocumentProbe::Change(1, [](_EDIT_ITEM& b) { b.title = u"Renamed elsewhere"; });
    Enter(IDC_LOCATION, L"kept");
    EXPECT_EQ(Records(), (Titles{L"A", L"Renamed elsewhere", L"B"}));
    EXPECT_EQ(Record(u"B")->location, u"kept");
    EXPECT_EQ(Lines(), (Titles{L"A", L"Renamed elsewhere", L"B"}));
}

TEST_F(ItemCommandsTest, SelectionShowsTheChosenLine) {
    OpenWithControls({MakeItem(u"A", Day(1), Day(1), u"status A"), At(u"B", 2)});
    Click(0);
    EXPECT_EQ(Text(IDC_TITLE), L"A");
    EXPECT_EQ(Text(IDC_STATUS), L"status A");
    // A line matching no record changes nothing.
    SendMessageW(Item(IDC_ITEM_LIST), LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(L"Ghost"));
    Click(2);
    EXPECT_EQ(Text(IDC_TITLE), L"A");
}

// Presses a key in the focused control through the dialog manager, as the
// program's message loop hands it on.
void PressInDialog(HWND dialog, WORD key) {
    PressKey(dialog, key);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) continue;
        if (IsDialogMessageW(dialog, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

TEST_F(ItemCommandsTest, FindNarrowsTheListAndEscapeInItClearsIt) {
    FixedClock clock(UtcSeconds(2024, 1, 10, 0, 0));  // 2024-01-10 09:00
    _EDIT_ITEM done = At(u"Done", 3);
    done.actual_end = Day(3);
    _EDIT_ITEM guide = At(u"ﾚﾋﾞｭｰ", 5);
    guide.location = u"本社";
    _EDIT_ITEM kind = At(u"Call", 20);
    kind.action_kind = u"電話";
    OpenWithControls({done, guide, kind, MakeItem(u"Later", Day(1), Day(25), u"ガイドを読む"), At(u"Other", 30)});
    const struct {
        const wchar_t* find;
        int filter;  // すべて, 未完了, 遅れ, 今日まで, 完了
        Titles lines;
        const wchar_t* count;
    } rows[] = {
        {L"", 0, {L"Done", L"ﾚﾋﾞｭｰ", L"Call", L"Later", L"Other"}, L"5 / 5 件"},
        {L"れびゅー", 0, {L"ﾚﾋﾞｭｰ"}, L"1 / 5 件"},      // title: kana type and width
        {L"本社", 0, {L"ﾚﾋﾞｭｰ"}, L"1 / 5 件"},          // location
        {L"電話", 0, {L"Call"}, L"1 / 5 件"},            // kind
        {L"ｶﾞｲﾄﾞ", 0, {L"Later"}, L"1 / 5 件"},          // status
        {L"ＣＡＬＬ", 0, {L"Call"}, L"1 / 5 件"},
        {L"", 1, {L"ﾚﾋﾞｭｰ", L"Call", L"Later", L"Other"}, L"4 / 5 件"},
        {L"", 2, {L"ﾚﾋﾞｭｰ"}, L"1 / 5 件"},
        {L"", 3, {L"ﾚﾋﾞｭｰ"}, L"1 / 5 件"},
        {L"", 4, {L"Done"}, L"1 / 5 件"},
        {L"l", 1, {L"Call", L"Later"}, L"2 / 5 件"},      // find and filter combine
        {L"nothing", 0, {}, L"0 / 5 件"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.filter << " " << testing::PrintToString(std::wstring(r.find)));
        SendMessageW(Item(IDC_FILTER), CB_SETCURSEL, static_cast<WPARAM>(r.filter), 0);
        Command(IDC_FILTER, CBN_SELCHANGE);
        SetText(IDC_FIND, r.find);  // the edit notifies EN_CHANGE itself
        EXPECT_EQ(Lines(), r.lines);
        EXPECT_EQ(Text(IDC_COUNT), r.count);
    }

    // Ctrl+F's command puts the focus in the find field; Escape there clears
    // it and the whole list comes back.
    SendMessageW(Item(IDC_FILTER), CB_SETCURSEL, 0, 0);
    Command(IDC_FILTER, CBN_SELCHANGE);
    SetText(IDC_FIND, L"call");
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(IDM_FIND, 1), 0);
    ASSERT_EQ(GetFocus(), Item(IDC_FIND));
    PressInDialog(main_, VK_ESCAPE);
    EXPECT_EQ(Text(IDC_FIND), L"");
    EXPECT_EQ(Lines().size(), 5u);
    // Escape elsewhere does nothing: not even the find text goes.
    SetText(IDC_FIND, L"call");
    SetFocus(Item(IDC_LOCATION));
    PressInDialog(main_, VK_ESCAPE);
    EXPECT_EQ(Text(IDC_FIND), L"call");
    EXPECT_TRUE(IsWindowVisible(main_));
}

TEST_F(ItemCommandsTest, CommandsOnANarrowedListTouchOnlyItsShownLines) {
    FixedClock clock(UtcSeconds(2024, 1, 6, 0, 0));  // an added item completes on the 6th
    OpenWithControls({MakeItem(u"A", Day(1), Day(1), u"x"), MakeItem(u"B", Day(1), Day(2)),
                      MakeItem(u"C", Day(1), Day(3), u"x"), MakeItem(u"D", Day(1), Day(4)),
                      MakeItem(u"E", Day(1), Day(5), u"x")});
    // D, selected before the find, is not shown by it: a delete cannot take it.
    Click(3);
    SetText(IDC_FIND, L"x");
    ASSERT_EQ(Lines(), (Titles{L"A", L"C", L"E"}));
    SelectAlso(0);
    SelectAlso(2);
    Command(IDC_DELETE_ITEM);
    EXPECT_EQ(Records(), (Titles{L"B", L"C", L"D"}));
    EXPECT_EQ(Lines(), (Titles{L"C"}));
    EXPECT_EQ(Text(IDC_COUNT), L"1 / 3 件");
    // Undone on the narrowed list, the two come back shown and selected and D
    // stays hidden; redone, they go again.
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(Lines(), (Titles{L"A", L"C", L"E"}));
    EXPECT_EQ(Selected(), (std::vector<int>{0, 2}));
    EXPECT_EQ(Text(IDC_COUNT), L"3 / 5 件");
    Command(IDM_EDIT_REDO);
    EXPECT_EQ(Lines(), (Titles{L"C"}));
    EXPECT_EQ(Text(IDC_COUNT), L"1 / 3 件");

    // An added item is shown and selected though it does not match.
    Command(IDC_ADD_ITEM);
    EXPECT_EQ(Lines(), (Titles{L"C", L"NewAction"}));
    EXPECT_EQ(Selected(), std::vector<int>{1});
    // A commit that makes the shown item stop matching keeps its line.
    Click(0);
    Enter(IDC_STATUS, L"no longer");
    Enter(IDC_PLAN_END_DAY, L"9");
    EXPECT_EQ(Lines(), (Titles{L"NewAction", L"C"}));
    // Until the find changes; clearing it gives back the whole list in
    // schedule order, with C's selection where its line now is.
    SetText(IDC_FIND, L"xx");
    EXPECT_TRUE(Lines().empty());
    SetText(IDC_FIND, L"");
    EXPECT_EQ(Lines(), (Titles{L"B", L"D", L"NewAction", L"C"}));
    EXPECT_EQ(Selected(), std::vector<int>{3});
    EXPECT_EQ(Records(), (Titles{L"B", L"C", L"D", L"NewAction"}));
    // An edit of the shown item while its line is hidden counts when the
    // find text grows: it is asked again, not taken as still not matching.
    SetText(IDC_FIND, L"zz");
    ASSERT_TRUE(Lines().empty());
    Enter(IDC_STATUS, L"zzz");
    SetText(IDC_FIND, L"zzz");
    EXPECT_EQ(Lines(), (Titles{L"C"}));
}

TEST_F(ItemCommandsTest, NothingRunsWithoutAnOpenDocument) {
    OpenWithControls({At(u"A", 1), At(u"B", 2)});
    Click(0);
    SetText(IDC_TITLE, L"changed");
    App().state = STATE_RELEASING;
    Command(IDC_ADD_ITEM);
    Command(IDC_TITLE, EN_KILLFOCUS);
    SelectAlso(1);
    Command(IDC_DELETE_ITEM);
    Click(1);
    EXPECT_EQ(Records(), (Titles{L"A", L"B"}));
    EXPECT_EQ(Lines(), (Titles{L"A", L"B"}));
    EXPECT_EQ(Text(IDC_TITLE), L"changed");
}

TEST_F(ItemCommandsTest, EnteringAFieldSelectsItsTextComingBackKeepsTheCaret) {
    // The caret stands after "he" in 状況 when the focus goes: to another
    // field (Tab) and back, or out to a box and back (its owner is
    // re-activated). Also without a document.
    const struct {
        const char* name;
        bool document;
        std::function<void(HWND status)> away;
        DWORD from, to;
    } cases[] = {
        {"entering from another field", false,
         [&](HWND status) {
             SetFocus(Item(IDC_LOCATION));
             SetFocus(status);
         },
         0, 5},
        {"back from the About box", false,
         [&](HWND) { RunModal([&] { Command(IDM_ABOUT); return INT_PTR{0}; }, {[](HWND d) { EndDialog(d, 1); }}); },
         2, 2},
        {"back from the kind editor", true,
         [&](HWND) {
             RunModal([&] { Command(IDC_EDIT_KINDS); return INT_PTR{0}; }, {[](HWND d) { EndDialog(d, 2); }});
         },
         2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.document) OpenWithControls({At(u"A", 1)});
        HWND status = Item(IDC_STATUS);
        SetForegroundWindow(main_);
        SetFocus(status);
        SetText(IDC_STATUS, L"hello");
        SendMessageW(status, EM_SETSEL, 2, 2);
        c.away(status);
        Pump();
        ASSERT_EQ(GetFocus(), status);
        DWORD from = 9, to = 9;
        SendMessageW(status, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, c.from);
        EXPECT_EQ(to, c.to);
        App().DeleteInstance();
    }
}

}  // namespace
