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
    std::vector<std::wstring> boxes;  // texts, in the order shown
};

TEST_F(MainDialogTest, AlarmTicks) {
    // 2024-03-05 00:30 UTC is 09:30 of 2024-03-05 in the program's zone.
    const std::int64_t at0930 = UtcSeconds(2024, 3, 5, 0, 30);
    const _TIMES due{2024, 3, 5, 9, 30};
    const AlarmCase cases[] = {
        {"second 0 shows the status", at0930, true, {WithAlarm(u"T", due, u"call back")}, {L"call back"}},
        {"second 1 checks nothing", at0930 + 1, true, {WithAlarm(u"T", due, u"call back")}, {}},
        {"second 59 checks nothing", at0930 + 59, true, {WithAlarm(u"T", due, u"call back")}, {}},
        {"no document, no alarm", at0930, false, {WithAlarm(u"T", due, u"call back")}, {}},
        {"another minute", at0930 + 60, true, {WithAlarm(u"T", due)}, {}},
        {"all-zero alarm never", at0930, true, {WithAlarm(u"T", {})}, {}},
        {"empty status shows the title", at0930, true, {WithAlarm(u"Title only", due)}, {L"Title only"}},
        {"status before NUL shows the title", at0930, true,
         {WithAlarm(u"Shown", due, std::u16string(u"\0x", 2))}, {L"Shown"}},
        {"two due in document order", at0930, true,
         {WithAlarm(u"Z first", due, u"z"), WithAlarm(u"not due", {2024, 3, 5, 9, 31}, u"no"),
          WithAlarm(u"A second", due)},
         {L"z", L"A second"}},
        // 15:30 UTC is 00:30 after midnight: hour 24 of the day before.
        {"hour 24 of the day before", UtcSeconds(2024, 3, 5, 15, 30), true,
         {WithAlarm(u"h0", {2024, 3, 6, 0, 30}), WithAlarm(u"h24", {2024, 3, 5, 24, 30})}, {L"h24"}},
        {"minute 60 never", UtcSeconds(2024, 3, 5, 1, 0), true,
         {WithAlarm(u"m60", {2024, 3, 5, 9, 60}), WithAlarm(u"m0", {2024, 3, 5, 10, 0})}, {L"m0"}},
        // Past the signed 32-bit seconds of 2038-01-19 03:14:08 UTC.
        {"second 0 after 2038", UtcSeconds(2038, 1, 19, 3, 15), true,
         {WithAlarm(u"T", {2038, 1, 19, 12, 15}, u"2038")}, {L"2038"}},
        {"second 0 in 2106", UtcSeconds(2106, 2, 7, 6, 28), true,
         {WithAlarm(u"T", {2106, 2, 7, 15, 28}, u"2106")}, {L"2106"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenByHand(c.items);
        if (!c.open) g_App.state = STATE_NONE;
        FixedClock clock(c.clock);
        BoxScript script;
        for (std::size_t i = 0; i < c.boxes.size(); ++i) script.Answer(IDOK);
        SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        ASSERT_EQ(script.asked().size(), c.boxes.size());
        for (std::size_t i = 0; i < c.boxes.size(); ++i) {
            EXPECT_EQ(script.asked()[i].text, c.boxes[i]);
            EXPECT_EQ(script.asked()[i].caption, L"アラーム");
            EXPECT_EQ(script.asked()[i].flags, 0x50040u);
            EXPECT_EQ(script.asked()[i].owner, main_);
        }
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
