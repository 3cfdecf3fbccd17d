// The item editor on the real detail controls of the main dialog.
#include <windows.h>

#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "ActionEdit.h"
#include "Harness.h"
#include "Records.h"
#include "WideText.h"
#include "resource.h"

namespace {

constexpr std::array<std::array<int, 5>, 5> kRows = {{
    {40050, 40051, 40053, 40054, 40055},
    {40056, 40057, 40058, 40059, 40060},
    {40061, 40062, 40063, 40064, 40065},
    {40066, 40067, 40068, 40069, 40070},
    {40072, 40073, 40074, 40075, 40076},
}};

class ActionEditTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        editor.emplace(main_);
        editor->InitInstance();
    }

    std::array<std::wstring, 5> Row(int r) const {
        std::array<std::wstring, 5> texts;
        for (int f = 0; f < 5; ++f) texts[f] = Text(kRows[r][f]);
        return texts;
    }

    void SetRow(int r, const std::array<std::wstring, 5>& texts) const {
        for (int f = 0; f < 5; ++f) SetText(kRows[r][f], texts[f]);
    }

    void AddKinds(std::initializer_list<const wchar_t*> kinds) const {
        for (const wchar_t* k : kinds)
            SendMessageW(Item(IDC_ACTION_KIND), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(k));
    }

    LRESULT KindSelection() const { return SendMessageW(Item(IDC_ACTION_KIND), CB_GETCURSEL, 0, 0); }

    std::optional<CActionEdit> editor;  // on the dialog made for each test
};

TEST_F(ActionEditTest, FreshItemShowsItsTitleTheCurrentMinuteTwiceAndZeros) {
    FixedClock clock(UtcSeconds(2024, 2, 28, 16, 5));  // 2024-02-29 01:05 in UTC+9
    _ITEM_LIST fresh;
    InitItemList(&fresh);
    AddKinds({L"Meeting"});
    editor->SetItem(&fresh);

    EXPECT_EQ(Text(IDC_TITLE), L"NewAction");
    EXPECT_EQ(KindSelection(), CB_ERR);
    EXPECT_EQ(Text(IDC_ACTION_KIND), L"");
    const std::array<std::wstring, 5> now = {L"2024", L"2", L"29", L"1", L"5"};
    const std::array<std::wstring, 5> zeros = {L"0", L"0", L"0", L"0", L"0"};
    EXPECT_EQ(Row(0), now);
    EXPECT_EQ(Row(1), now);
    for (int r = 2; r < 5; ++r) EXPECT_EQ(Row(r), zeros) << "row " << r;
    EXPECT_EQ(Text(IDC_LOCATION), L"");
    EXPECT_EQ(Text(IDC_STATUS), L"");
    EXPECT_EQ(*editor->GetItem(), static_cast<const _EDIT_ITEM&>(fresh));
}

TEST_F(ActionEditTest, SetEditShowsEveryFieldAsSignedDecimal) {
    _ITEM_LIST record;
    record.title = u"会議の準備";
    record.planned_start = {2024, 4, 1, 9, 0};
    record.planned_end = {-5, 13, 99, 25, 61};  // a file may hold anything
    record.alarm = {2147483647, 0, 0, 24, 60};
    record.location = u"東京";
    record.status = u"line 1\r\nline 2";
    editor->SetItem(&record);
    EXPECT_EQ(Text(IDC_TITLE), L"会議の準備");
    EXPECT_EQ(Row(0), (std::array<std::wstring, 5>{L"2024", L"4", L"1", L"9", L"0"}));
    EXPECT_EQ(Row(1), (std::array<std::wstring, 5>{L"-5", L"13", L"99", L"25", L"61"}));
    EXPECT_EQ(Row(4), (std::array<std::wstring, 5>{L"2147483647", L"0", L"0", L"24", L"60"}));
    EXPECT_EQ(Text(IDC_LOCATION), L"東京");
    EXPECT_EQ(Text(IDC_STATUS), L"line 1\r\nline 2");
}

TEST_F(ActionEditTest, UpdateItemReadsTypedTextsWithTheFieldRules) {
    _ITEM_LIST record;
    record.title = u"old";
    record.planned_start = {2024, 4, 10, 8, 30};
    record.planned_end = {2024, 4, 10, 8, 30};
    record.actual_start = {2024, 4, 10, 8, 30};
    record.actual_end = {2023, 1, 5, 1, 1};
    record.alarm = {2024, 4, 10, 8, 30};
    record.location = u"here";
    record.status = u"before";
    editor->SetItem(&record);

    SetText(IDC_TITLE, L"new title");
    SetRow(0, {L"2024", L"0", L"15", L"24", L"60"});      // month 0: planned start day becomes 0
    SetRow(1, {L"2024", L"4", L"31", L"25", L"61"});      // day 31 in April; hour and minute refused
    SetRow(2, {L"12345", L"13", L"0", L"0", L"0"});       // month refused; day 0 kept here
    SetRow(3, {L"2024", L"2", L"30", L"-1", L""});       // leap February; negative hour refused
    SetRow(4, {L"2024", L"0", L"15", L"", L"5"});         // month 0: alarm day kept
    SetText(IDC_LOCATION, L"there");
    SetText(IDC_STATUS, L"first\r\nsecond");
    editor->UpdateItem();

    const _EDIT_ITEM& got = *editor->GetItem();
    EXPECT_EQ(got.title, u"new title");
    EXPECT_EQ(got.planned_start, (_TIMES{2024, 0, 0, 24, 60}));
    EXPECT_EQ(got.planned_end, (_TIMES{2024, 4, 30, 8, 30}));
    EXPECT_EQ(got.actual_start, (_TIMES{12345, 4, 10, 0, 0}));
    EXPECT_EQ(got.actual_end, (_TIMES{2024, 2, 29, 1, 1}));
    EXPECT_EQ(got.alarm, (_TIMES{2024, 0, 10, 8, 5}));
    EXPECT_EQ(got.location, u"there");
    EXPECT_EQ(got.status, u"first\r\nsecond");
    // The record itself is untouched: only the working copy changed.
    EXPECT_EQ(record.title, u"old");

    // Empty controls give empty texts, and the numbers stay.
    for (int id : {IDC_TITLE, IDC_LOCATION, IDC_STATUS}) SetText(id, L"");
    for (int r = 0; r < 5; ++r) SetRow(r, {L"", L"", L"", L"", L""});
    const _EDIT_ITEM before = *editor->GetItem();
    editor->UpdateItem();
    EXPECT_EQ(got.title, u"");
    EXPECT_EQ(got.location, u"");
    EXPECT_EQ(got.status, u"");
    EXPECT_EQ(got.planned_start, before.planned_start);
    EXPECT_EQ(got.alarm, before.alarm);
}

TEST_F(ActionEditTest, KindComesOnlyFromTheSelectedEntry) {
    AddKinds({L"Meeting", L"Call", L"call back"});
    struct KindCase {
        std::u16string kind;
        LRESULT selection;
        std::u16string read_back;
    };
    const KindCase cases[] = {
        {u"Call", 1, u"Call"},
        {u"call back", 2, u"call back"},
        // A kind the list lacks shows no selection and is kept: only a pick
        // from the list changes it.
        {u"Other", CB_ERR, u"Other"},
        {u"CALL", CB_ERR, u"CALL"},  // entries match exactly, case included
        {u"", CB_ERR, u""},
    };
    for (const auto& c : cases) {
        _ITEM_LIST record;
        record.action_kind = c.kind;
        editor->SetItem(&record);
        EXPECT_EQ(KindSelection(), c.selection) << ToWide(c.kind);
        if (c.selection == CB_ERR) {
            EXPECT_EQ(Text(IDC_ACTION_KIND), L"") << ToWide(c.kind);
        }
        editor->UpdateItem();
        EXPECT_EQ(editor->GetItem()->action_kind, c.read_back) << ToWide(c.kind);
    }

    // Text typed into the combo box's edit field is not a kind.
    SetText(IDC_ACTION_KIND, L"Typed");
    editor->UpdateItem();
    EXPECT_EQ(editor->GetItem()->action_kind, u"");

    // Entries replaced after the item was shown leave no selection, and the
    // item keeps its kind.
    _ITEM_LIST record;
    record.action_kind = u"Meeting";
    editor->SetItem(&record);
    ASSERT_EQ(KindSelection(), 0);
    SendMessageW(Item(IDC_ACTION_KIND), CB_RESETCONTENT, 0, 0);
    AddKinds({L"Meeting"});
    editor->UpdateItem();
    EXPECT_EQ(editor->GetItem()->action_kind, u"Meeting");
}

// The kind is taken as long as its entry is, as the kind list keeps it.
TEST_F(ActionEditTest, LongTextsAreReadWholeExceptTitle) {
    const std::wstring long_kind(3000, L'k');
    AddKinds({long_kind.c_str()});
    _ITEM_LIST record;
    record.action_kind = ToU16(long_kind);
    editor->SetItem(&record);
    ASSERT_EQ(KindSelection(), 0);

    std::wstring status;
    for (int i = 0; status.size() < 5000; ++i) status += L"line " + std::to_wstring(i) + L"\r\n";
    status.resize(5000);
    SetText(IDC_TITLE, std::wstring(3000, L't'));
    SetText(IDC_LOCATION, std::wstring(2500, L'l'));
    SetText(IDC_STATUS, status);
    ASSERT_EQ(Text(IDC_STATUS).size(), 5000u);
    editor->UpdateItem();

    const _EDIT_ITEM& got = *editor->GetItem();
    EXPECT_EQ(got.title, std::u16string(2047, u't'));
    EXPECT_EQ(got.action_kind, ToU16(long_kind));
    EXPECT_EQ(got.location, std::u16string(2500, u'l'));
    EXPECT_EQ(got.status, ToU16(status));
}

// Each field's typing limit, and a key typed at its end: a text a file
// brought is kept whole and stays editable.
TEST_F(ActionEditTest, TypingLimitsKeepWhatTheItemHolds) {
    struct Case {
        const char* name;
        int id;
        std::u16string _EDIT_ITEM::*field;  // null: a date-time edit
        std::u16string shown;
        LRESULT limit;
    };
    const Case cases[] = {
        {"title", IDC_TITLE, &_EDIT_ITEM::title, u"t", 2047},
        {"title a file brought longer", IDC_TITLE, &_EDIT_ITEM::title, std::u16string(3000, u't'), 3000},
        {"date-time number", IDC_PLAN_END_DAY, nullptr, u"", 32},
        {"location", IDC_LOCATION, &_EDIT_ITEM::location, u"l", 1 << 20},
        {"status of 40,000 units", IDC_STATUS, &_EDIT_ITEM::status, std::u16string(40000, u's'), 1 << 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        _ITEM_LIST record;
        if (c.field) record.*c.field = c.shown;
        editor->SetItem(&record);
        EXPECT_EQ(SendMessageW(Item(c.id), EM_GETLIMITTEXT, 0, 0), c.limit);
        if (!c.field) continue;
        const int end = GetWindowTextLengthW(Item(c.id));
        SendMessageW(Item(c.id), EM_SETSEL, end, end);
        SendMessageW(Item(c.id), WM_CHAR, L'7', 1);
        editor->UpdateItem();
        const bool room = c.shown.size() < static_cast<std::size_t>(c.limit);
        EXPECT_TRUE(editor->GetItem()->*c.field == c.shown + (room ? u"7" : u""));
    }
}

// A cut at the limit never splits a surrogate pair, however the text came.
TEST_F(ActionEditTest, CutsFallOnCharacterBoundaries) {
    const std::wstring full(2046, L'a');
    const std::wstring pair = L"\xD83D\xDE00";
    const struct {
        const char* name;
        std::function<void(HWND)> put;
    } cases[] = {
        {"typed", [&](HWND edit) { SendMessageW(edit, WM_CHAR, pair[0], 1), SendMessageW(edit, WM_CHAR, pair[1], 1); }},
        {"pasted",
         [&](HWND edit) {
             ASSERT_TRUE(OpenClipboard(edit));
             EmptyClipboard();
             HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, (pair.size() + 1) * sizeof(wchar_t));
             memcpy(GlobalLock(data), pair.c_str(), (pair.size() + 1) * sizeof(wchar_t));
             GlobalUnlock(data);
             SetClipboardData(CF_UNICODETEXT, data);
             CloseClipboard();
             SendMessageW(edit, WM_PASTE, 0, 0);
         }},
        {"set past the limit, then read", [&](HWND edit) { SetWindowTextW(edit, (full + pair).c_str()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        _ITEM_LIST record;
        editor->SetItem(&record);
        SetText(IDC_TITLE, full);  // one unit of room left
        SendMessageW(Item(IDC_TITLE), EM_SETSEL, full.size(), full.size());
        c.put(Item(IDC_TITLE));
        editor->UpdateItem();
        EXPECT_TRUE(editor->GetItem()->title == ToU16(full));
    }
}

TEST_F(ActionEditTest, MyTsToIOnWideTexts) {
    int v = 77;
    EXPECT_EQ(MyTsToI(L" -12", &v), 1);
    EXPECT_EQ(v, -12);
    EXPECT_EQ(MyTsToI(L"12 ", &v), 0);
    v = 77;
    EXPECT_EQ(MyTsToI(std::wstring(33, L'1').c_str(), &v), 0);
    EXPECT_EQ(v, 77);
    EXPECT_EQ(MyTsToI(nullptr, &v), 1);
    EXPECT_EQ(v, 0);
}

}  // namespace
