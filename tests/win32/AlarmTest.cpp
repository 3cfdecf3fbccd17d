// The alarm check on the timer tick: which ticks check, which items are due,
// what the boxes say, and a document closed from inside a box.
#include <windows.h>

#include "HandDocument.h"
#include "Harness.h"
#include "Seams.h"
#include "Velquorandimestra.h"
#include "library.h"
#include "resource.h"

namespace {

_EDIT_ITEM WithAlarm(std::u16string title, _TIMES alarm, std::u16string status = {}) {
    _EDIT_ITEM item = MakeItem(std::move(title), {}, {}, std::move(status));
    item.alarm = alarm;
    return item;
}

struct AlarmCase {
    const char* name;
    std::int64_t clock;  // UTC seconds
    bool open;
    std::vector<_EDIT_ITEM> items;
    std::vector<std::wstring> boxes;  // texts, in the order shown, over every tick
    std::vector<std::int64_t> then = {};  // clock readings of the ticks after the first
    std::wstring typed = {};  // typed into the shown item's status, the cursor still there
};

TEST_F(MainDialogTest, AlarmTicks) {
    // 2024-03-05 00:30 UTC is 09:30 of 2024-03-05 in the program's zone.
    const std::int64_t at0930 = UtcSeconds(2024, 3, 5, 0, 30);
    const _TIMES due{2024, 3, 5, 9, 30};
    const AlarmCase cases[] = {
        {"second 0 shows the status", at0930, true, {WithAlarm(u"T", due, u"call back")}, {L"call back"}},
        // A document starts with the minute it opens in still to check.
        {"opened at second 1, its minute checks", at0930 + 1, true, {WithAlarm(u"T", due, u"call back")},
         {L"call back"}},
        {"second 59 after second 0 checks nothing more", at0930, true, {WithAlarm(u"T", due, u"call back")},
         {L"call back"}, {at0930 + 59}},
        {"second 3 after a busy second 0", at0930 - 57, true, {WithAlarm(u"T", due, u"call back")},
         {L"call back"}, {at0930 + 3}},
        {"two ticks in one second 0", at0930, true, {WithAlarm(u"T", due, u"call back")}, {L"call back"},
         {at0930}},
        {"a clock set back shows nothing twice", at0930, true,
         {WithAlarm(u"30", due), WithAlarm(u"31", {2024, 3, 5, 9, 31}), WithAlarm(u"32", {2024, 3, 5, 9, 32})},
         {L"30", L"31", L"32"}, {at0930 + 60, at0930, at0930 + 60, at0930 + 120}},
        // By minute, and in document order within one.
        {"a sleep of 2 hours catches up", at0930, true,
         {WithAlarm(u"11:30", {2024, 3, 5, 11, 30}), WithAlarm(u"10:15", {2024, 3, 5, 10, 15}),
          WithAlarm(u"9:29", {2024, 3, 5, 9, 29}), WithAlarm(u"9:30", due), WithAlarm(u"11:31", {2024, 3, 5, 11, 31}),
          WithAlarm(u"10:15 too", {2024, 3, 5, 10, 15})},
         {L"9:30", L"10:15", L"10:15 too", L"11:30"}, {at0930 + 2 * 3600 + 5}},
        {"a sleep of 3 days shows the last 24 hours", at0930, true,
         {WithAlarm(u"6th", {2024, 3, 6, 12, 0}), WithAlarm(u"7th 9:30", {2024, 3, 7, 9, 30}),
          WithAlarm(u"8th", {2024, 3, 8, 9, 30}), WithAlarm(u"7th 9:31", {2024, 3, 7, 9, 31})},
         {L"7th 9:31", L"8th"}, {at0930 + 3 * 86400}},
        {"no document, no alarm", at0930, false, {WithAlarm(u"T", due, u"call back")}, {}},
        {"another minute", at0930 + 60, true, {WithAlarm(u"T", due)}, {}},
        {"all-zero alarm never", at0930, true, {WithAlarm(u"T", {})}, {}},
        {"empty status shows the title", at0930, true, {WithAlarm(u"Title only", due)}, {L"Title only"}},
        {"the status being typed shows as typed", at0930, true, {WithAlarm(u"T", due, u"old")}, {L"old, new"}, {},
         L"old, new"},
        {"status before NUL shows the title", at0930, true,
         {WithAlarm(u"Shown", due, std::u16string(u"\0x", 2))}, {L"Shown"}},
        {"two due in document order", at0930, true,
         {WithAlarm(u"Z first", due, u"z"), WithAlarm(u"not due", {2024, 3, 5, 9, 31}, u"no"),
          WithAlarm(u"A second", due)},
         {L"z", L"A second"}},
        // 15:30 UTC is 00:30 after midnight: hour 24 of the day before, and
        // hour 0 of the day after means the same minute.
        {"hour 24 of the day before", UtcSeconds(2024, 3, 5, 15, 30), true,
         {WithAlarm(u"h0", {2024, 3, 6, 0, 30}), WithAlarm(u"h24", {2024, 3, 5, 24, 30})}, {L"h0", L"h24"}},
        {"minute 60 is the next hour's minute 0", UtcSeconds(2024, 3, 5, 1, 0), true,
         {WithAlarm(u"m60", {2024, 3, 5, 9, 60}), WithAlarm(u"m0", {2024, 3, 5, 10, 0})}, {L"m60", L"m0"}},
        // 16:00 UTC is hour 1 of the next day: of the next month, and of the
        // next year. Hour 25 is no hour at all.
        {"hour 24 minute 60 on 29 February", UtcSeconds(2024, 2, 29, 16, 0), true,
         {WithAlarm(u"24:60", {2024, 2, 29, 24, 60}), WithAlarm(u"0:60", {2024, 3, 1, 0, 60}),
          WithAlarm(u"25:00", {2024, 2, 29, 25, 0}), WithAlarm(u"1:00", {2024, 3, 1, 1, 0})},
         {L"24:60", L"0:60", L"1:00"}},
        {"hour 24 minute 60 on 31 December", UtcSeconds(2024, 12, 31, 16, 0), true,
         {WithAlarm(u"24:60", {2024, 12, 31, 24, 60}), WithAlarm(u"32nd", {2024, 12, 32, 1, 0})}, {L"24:60"}},
        // Past the signed 32-bit seconds of 2038-01-19 03:14:08 UTC.
        {"second 0 after 2038", UtcSeconds(2038, 1, 19, 3, 15), true,
         {WithAlarm(u"T", {2038, 1, 19, 12, 15}, u"2038")}, {L"2038"}},
        {"second 0 in 2106", UtcSeconds(2106, 2, 7, 6, 28), true,
         {WithAlarm(u"T", {2106, 2, 7, 15, 28}, u"2106")}, {L"2106"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.typed.empty()) {
            OpenByHand(c.items);
        } else {
            OpenWithControls(c.items);
            SetFocus(GetDlgItem(main_, IDC_STATUS));
            SetWindowTextW(GetDlgItem(main_, IDC_STATUS), c.typed.c_str());
        }
        if (!c.open) g_App.state = STATE_NONE;
        FixedClock clock(c.clock);
        BoxScript script;
        for (std::size_t i = 0; i < c.boxes.size(); ++i) script.Answer(IDOK);
        SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        for (const std::int64_t t : c.then) {
            clock.Set(t);
            SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        }
        std::vector<std::wstring> texts;
        for (const AskedBox& box : script.asked()) {
            texts.push_back(box.text);
            EXPECT_EQ(box.caption, L"アラーム");
            EXPECT_EQ(box.flags, 0x50040u);
            EXPECT_EQ(box.owner, main_);
        }
        EXPECT_EQ(texts, c.boxes);
        g_App.DeleteInstance();
    }
}

TEST_F(MainDialogTest, AlarmStopsWhenTheDocumentGoesAwayInsideABox) {
    const _TIMES due{2024, 3, 5, 9, 30};
    OpenByHand({WithAlarm(u"one", due), WithAlarm(u"two", due), WithAlarm(u"three", due)});
    FixedClock clock(UtcSeconds(2024, 3, 5, 0, 30));
    std::vector<std::wstring> shown;
    SetMessageBoxHook([&](HWND, const wchar_t* text, const wchar_t*, UINT) {
        shown.push_back(text);
        g_App.DeleteInstance();  // as a close from a nested loop would
        return IDOK;
    });
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    EXPECT_EQ(shown, std::vector<std::wstring>{L"one"});
    EXPECT_EQ(g_App.state, STATE_NONE);
}

TEST_F(MainDialogTest, AlarmBelongsToTheOpenDialogAndHoldsTheCommands) {
    // The kind editor is open when the alarm comes: the box is the editor's,
    // and a command reaching the main window meanwhile does nothing.
    OpenWithControls({WithAlarm(u"T", {2024, 3, 5, 9, 30}, u"due")});
    FixedClock clock(UtcSeconds(2024, 3, 5, 0, 29));
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);  // 9:29 checked
    std::vector<HWND> owners;
    SetMessageBoxHook([&](HWND owner, const wchar_t* text, const wchar_t*, UINT) {
        owners.push_back(owner);
        SendMessageW(main_, WM_COMMAND, IDC_ADD_ITEM, reinterpret_cast<LPARAM>(GetDlgItem(main_, IDC_ADD_ITEM)));
        SendMessageW(main_, WM_CLOSE, 0, 0);
        return IDOK;
    });
    HWND editor = nullptr;
    RunModal([&] { return SendMessageW(main_, WM_COMMAND, IDC_EDIT_KINDS, 0), INT_PTR{0}; },
             {[&](HWND dialog) {
                  editor = dialog;
                  clock.Set(UtcSeconds(2024, 3, 5, 0, 30));
                  SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
              },
              [](HWND dialog) { EndDialog(dialog, 2); }});
    EXPECT_EQ(owners, std::vector<HWND>{editor});
    EXPECT_EQ(ChainTitles(DocumentProbe::Items()), std::vector<std::u16string>{u"T"});
    EXPECT_EQ(g_App.state, STATE_OPEN);
}

TEST_F(MainDialogTest, AlarmTickInsideABox) {
    // A tick inside the first box: at second 1 it does nothing, at the next
    // minute's second 0 it shows that minute's alarm on top; then the outer
    // walk goes on with its own minute.
    OpenByHand({WithAlarm(u"a", {2024, 3, 5, 9, 30}), WithAlarm(u"next", {2024, 3, 5, 9, 31}),
                WithAlarm(u"b", {2024, 3, 5, 9, 30})});
    const std::int64_t start = UtcSeconds(2024, 3, 5, 0, 30);
    FixedClock clock(start);
    std::vector<std::wstring> shown;
    SetMessageBoxHook([&](HWND, const wchar_t* text, const wchar_t*, UINT) {
        shown.push_back(text);
        if (shown.size() == 1) {
            clock.Set(start + 1);
            SendMessageW(g_hWnd, WM_TIMER, IDT_ALARM, 0);
            clock.Set(start + 60);
            SendMessageW(g_hWnd, WM_TIMER, IDT_ALARM, 0);
        }
        return IDOK;
    });
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"a", L"next", L"b"}));
}

}  // namespace
