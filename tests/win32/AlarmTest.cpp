// The alarm check on the timer tick: which ticks check, which items are due,
// what the alarm window lists and says, its snooze, and a document closed
// from inside it.
#include <windows.h>

#include <windowsx.h>

#include <functional>

#include "AlarmDlg.h"
#include "AlarmRecord.h"
#include "HandDocument.h"
#include "Harness.h"
#include "Seams.h"
#include "ItemChain.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

// Watches for alarm windows while it lives: each one is read (the whole text
// shown for each line, chosen in turn, and its raw lines), handed to
// `inside`, then closed as 閉じる does unless `inside` ended it.
class AlarmWatch {
public:
    explicit AlarmWatch(std::function<void(HWND dialog)> inside = {}) : inside_(std::move(inside)) {
        watch_ = this;
        timer_ = SetTimer(nullptr, 0, 20, Tick);
    }
    ~AlarmWatch() {
        KillTimer(nullptr, timer_);
        watch_ = nullptr;
    }
    std::vector<std::vector<std::wstring>> texts;  // per window
    std::vector<std::vector<std::wstring>> lines;  // per window
    std::vector<HWND> owners;

    static std::vector<std::wstring> Texts(HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_ALARM_LIST);
        std::vector<std::wstring> out;
        for (int i = 0; i < ListBox_GetCount(list); ++i) {
            ListBox_SetSel(list, FALSE, -1);
            ListBox_SetCaretIndex(list, i);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ALARM_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
            out.push_back(GetWindowString(GetDlgItem(dialog, IDC_ALARM_TEXT)));
        }
        ListBox_SetCaretIndex(list, 0);
        return out;
    }
    static std::vector<std::wstring> Lines(HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_ALARM_LIST);
        std::vector<std::wstring> out;
        for (int i = 0; i < ListBox_GetCount(list); ++i) out.push_back(GetListBoxLine(list, i));
        return out;
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = OpenAlarmWindow();
        if (watch_ == nullptr || watch_->busy_ || dialog == nullptr || !IsWindowVisible(dialog)) return;
        watch_->busy_ = true;
        EXPECT_EQ(GetWindowString(dialog), L"アラーム");
        watch_->owners.push_back(GetWindow(dialog, GW_OWNER));
        watch_->texts.push_back(Texts(dialog));
        watch_->lines.push_back(Lines(dialog));
        if (watch_->inside_) watch_->inside_(dialog);
        if (OpenAlarmWindow() == dialog && IsWindowVisible(dialog))
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        watch_->busy_ = false;
    }
    static inline AlarmWatch* watch_ = nullptr;
    std::function<void(HWND)> inside_;
    UINT_PTR timer_ = 0;
    bool busy_ = false;
};

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
    std::vector<std::vector<std::wstring>> windows;  // each window's texts, over every tick
    std::vector<std::int64_t> then = {};  // clock readings of the ticks after the first
    std::wstring typed = {};  // typed into the shown item's status, the cursor still there
};

TEST_F(MainDialogTest, AlarmTicks) {
    // 2024-03-05 00:30 UTC is 09:30 of 2024-03-05 in the program's zone.
    const std::int64_t at0930 = UtcSeconds(2024, 3, 5, 0, 30);
    const _TIMES due{2024, 3, 5, 9, 30};
    const AlarmCase cases[] = {
        {"second 0 shows the status", at0930, true, {WithAlarm(u"T", due, u"call back")}, {{L"call back"}}},
        // A document starts with the minute it opens in still to check.
        {"opened at second 1, its minute checks", at0930 + 1, true, {WithAlarm(u"T", due, u"call back")},
         {{L"call back"}}},
        {"second 59 after second 0 checks nothing more", at0930, true, {WithAlarm(u"T", due, u"call back")},
         {{L"call back"}}, {at0930 + 59}},
        {"second 3 after a busy second 0", at0930 - 57, true, {WithAlarm(u"T", due, u"call back")},
         {{L"call back"}}, {at0930 + 3}},
        {"two ticks in one second 0", at0930, true, {WithAlarm(u"T", due, u"call back")}, {{L"call back"}},
         {at0930}},
        {"a clock set back shows nothing twice", at0930, true,
         {WithAlarm(u"30", due), WithAlarm(u"31", {2024, 3, 5, 9, 31}), WithAlarm(u"32", {2024, 3, 5, 9, 32})},
         {{L"30"}, {L"31"}, {L"32"}}, {at0930 + 60, at0930, at0930 + 60, at0930 + 120}},
        // By minute, and in document order within one.
        {"a sleep of 2 hours catches up", at0930, true,
         {WithAlarm(u"11:30", {2024, 3, 5, 11, 30}), WithAlarm(u"10:15", {2024, 3, 5, 10, 15}),
          WithAlarm(u"9:29", {2024, 3, 5, 9, 29}), WithAlarm(u"9:30", due), WithAlarm(u"11:31", {2024, 3, 5, 11, 31}),
          WithAlarm(u"10:15 too", {2024, 3, 5, 10, 15})},
         {{L"9:30"}, {L"10:15", L"10:15 too", L"11:30"}}, {at0930 + 2 * 3600 + 5}},
        {"a sleep of 40 days shows the last 31", at0930, true,
         {WithAlarm(u"6th", {2024, 3, 6, 12, 0}), WithAlarm(u"14th 9:30", {2024, 3, 14, 9, 30}),
          WithAlarm(u"14 April", {2024, 4, 14, 9, 30}), WithAlarm(u"14th 9:31", {2024, 3, 14, 9, 31})},
         {{L"14th 9:31", L"14 April"}}, {at0930 + 40 * 86400}},
        {"no document, no alarm", at0930, false, {WithAlarm(u"T", due, u"call back")}, {}},
        {"another minute", at0930 + 60, true, {WithAlarm(u"T", due)}, {}},
        {"all-zero alarm never", at0930, true, {WithAlarm(u"T", {})}, {}},
        {"empty status shows the title", at0930, true, {WithAlarm(u"Title only", due)}, {{L"Title only"}}},
        {"the status being typed shows as typed", at0930, true, {WithAlarm(u"T", due, u"old")}, {{L"old, new"}}, {},
         L"old, new"},
        {"status before NUL shows the title", at0930, true,
         {WithAlarm(u"Shown", due, std::u16string(u"\0x", 2))}, {{L"Shown"}}},
        {"twelve due in one minute: one window, in document order", at0930, true,
         {WithAlarm(u"1", due), WithAlarm(u"2", due), WithAlarm(u"3", due), WithAlarm(u"4", due),
          WithAlarm(u"5", due), WithAlarm(u"6", due), WithAlarm(u"not due", {2024, 3, 5, 9, 31}),
          WithAlarm(u"7", due), WithAlarm(u"8", due), WithAlarm(u"9", due), WithAlarm(u"10", due),
          WithAlarm(u"11", due), WithAlarm(u"12", due)},
         {{L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12"}}},
        {"two due in document order", at0930, true,
         {WithAlarm(u"Z first", due, u"z"), WithAlarm(u"not due", {2024, 3, 5, 9, 31}, u"no"),
          WithAlarm(u"A second", due)},
         {{L"z", L"A second"}}},
        // 15:30 UTC is 00:30 after midnight: hour 24 of the day before, and
        // hour 0 of the day after means the same minute.
        {"hour 24 of the day before", UtcSeconds(2024, 3, 5, 15, 30), true,
         {WithAlarm(u"h0", {2024, 3, 6, 0, 30}), WithAlarm(u"h24", {2024, 3, 5, 24, 30})}, {{L"h0", L"h24"}}},
        {"minute 60 is the next hour's minute 0", UtcSeconds(2024, 3, 5, 1, 0), true,
         {WithAlarm(u"m60", {2024, 3, 5, 9, 60}), WithAlarm(u"m0", {2024, 3, 5, 10, 0})}, {{L"m60", L"m0"}}},
        // 16:00 UTC is hour 1 of the next day: of the next month, and of the
        // next year. Hour 25 is no hour at all.
        {"hour 24 minute 60 on 29 February", UtcSeconds(2024, 2, 29, 16, 0), true,
         {WithAlarm(u"24:60", {2024, 2, 29, 24, 60}), WithAlarm(u"0:60", {2024, 3, 1, 0, 60}),
          WithAlarm(u"25:00", {2024, 2, 29, 25, 0}), WithAlarm(u"1:00", {2024, 3, 1, 1, 0})},
         {{L"24:60", L"0:60", L"1:00"}}},
        {"hour 24 minute 60 on 31 December", UtcSeconds(2024, 12, 31, 16, 0), true,
         {WithAlarm(u"24:60", {2024, 12, 31, 24, 60}), WithAlarm(u"32nd", {2024, 12, 32, 1, 0})}, {{L"24:60"}}},
        // Past the signed 32-bit seconds of 2038-01-19 03:14:08 UTC.
        {"second 0 after 2038", UtcSeconds(2038, 1, 19, 3, 15), true,
         {WithAlarm(u"T", {2038, 1, 19, 12, 15}, u"2038")}, {{L"2038"}}},
        {"second 0 in 2106", UtcSeconds(2106, 2, 7, 6, 28), true,
         {WithAlarm(u"T", {2106, 2, 7, 15, 28}, u"2106")}, {{L"2106"}}},
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
        if (!c.open) App().state = STATE_NONE;
        FixedClock clock(c.clock);
        AlarmWatch watch;
        SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        for (const std::int64_t t : c.then) {
            clock.Set(t);
            SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        }
        EXPECT_EQ(watch.texts, c.windows);
        for (HWND owner : watch.owners) EXPECT_EQ(owner, main_);
        App().DeleteInstance();
    }
}

TEST_F(MainDialogTest, AlarmWindowOutlivesItsDocument) {
    // The document goes away inside the window (as a log-off would end it):
    // the window stays one window, and a snooze then touches nothing.
    const _TIMES due{2024, 3, 5, 9, 30};
    OpenByHand({WithAlarm(u"one", due), WithAlarm(u"two", due), WithAlarm(u"three", due)});
    FixedClock clock(UtcSeconds(2024, 3, 5, 0, 30));
    AlarmWatch watch([&](HWND dialog) {
        App().DeleteInstance();
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ALARM_SNOOZE, BN_CLICKED), 0);
        EXPECT_EQ(ListBox_GetCount(GetDlgItem(dialog, IDC_ALARM_LIST)), 0);
        EXPECT_FALSE(IsWindowVisible(dialog)) << "every line snoozed: the window closes";
    });
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    EXPECT_EQ(watch.texts, (std::vector<std::vector<std::wstring>>{{L"one", L"two", L"three"}}));
    EXPECT_EQ(App().state, STATE_NONE);
}

TEST_F(MainDialogTest, AlarmBelongsToTheOpenDialogAndHoldsTheCommands) {
    // The kind editor is open when the alarm comes: the window is the
    // editor's, and a command reaching the main window meanwhile does nothing.
    OpenWithControls({WithAlarm(u"T", {2024, 3, 5, 9, 30}, u"due")});
    FixedClock clock(UtcSeconds(2024, 3, 5, 0, 29));
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);  // 9:29 checked
    SendMessageW(main_, WM_COMMAND, IDC_ADD_ITEM, reinterpret_cast<LPARAM>(GetDlgItem(main_, IDC_ADD_ITEM)));
    AlarmWatch watch([&](HWND) {
        SendMessageW(main_, WM_COMMAND, IDC_ADD_ITEM, reinterpret_cast<LPARAM>(GetDlgItem(main_, IDC_ADD_ITEM)));
        SendMessageW(main_, WM_COMMAND, MAKEWPARAM(IDM_EDIT_UNDO, 1), 0);
        SendMessageW(main_, WM_CLOSE, 0, 0);
    });
    HWND editor = nullptr;
    RunModal([&] { return SendMessageW(main_, WM_COMMAND, IDC_EDIT_KINDS, 0), INT_PTR{0}; },
             {[&](HWND dialog) {
                  editor = dialog;
                  clock.Set(UtcSeconds(2024, 3, 5, 0, 30));
                  SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
              },
              // The kind editor, not whichever modal window is up first: this
              // step may run while the alarm window is still open.
              [&](HWND) { EndDialog(editor, 2); }});
    EXPECT_EQ(watch.owners, std::vector<HWND>{editor});
    EXPECT_EQ(ChainTitles(DocumentProbe::Items()), (std::vector<std::u16string>{u"T", u"NewAction"}));
    EXPECT_EQ(App().state, STATE_OPEN);
}

TEST_F(MainDialogTest, AlarmTickInsideTheWindowAddsToIt) {
    // A tick inside the window: at second 1 it adds nothing, at the next
    // minute's second 0 it adds that minute's alarm to the same window.
    OpenByHand({WithAlarm(u"a", {2024, 3, 5, 9, 30}), WithAlarm(u"next", {2024, 3, 5, 9, 31}),
                WithAlarm(u"b", {2024, 3, 5, 9, 30})});
    const std::int64_t start = UtcSeconds(2024, 3, 5, 0, 30);
    FixedClock clock(start);
    std::vector<std::wstring> after;
    AlarmWatch watch([&](HWND dialog) {
        clock.Set(start + 1);
        SendMessageW(g_hWnd, WM_TIMER, IDT_ALARM, 0);
        clock.Set(start + 60);
        SendMessageW(g_hWnd, WM_TIMER, IDT_ALARM, 0);
        after = AlarmWatch::Texts(dialog);
    });
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    EXPECT_EQ(watch.texts, (std::vector<std::vector<std::wstring>>{{L"a", L"b"}}));
    EXPECT_EQ(after, (std::vector<std::wstring>{L"a", L"b", L"next"}));
}

TEST_F(MainDialogTest, AlarmSnoozeMovesTheChosenAlarmsAndTheyRingAgain) {
    // Snooze 10 on the first and last of three lines (the last one shown in
    // the editor): exactly those two alarms move to 9:40, the editor shows
    // it at once, and at 9:40 they ring again, with 10 minutes offered
    // first. Closing that window changes nothing.
    const _TIMES due{2024, 3, 5, 9, 30};
    OpenWithControls({WithAlarm(u"会議", due, u"資料を印刷\r\n会議室へ"), WithAlarm(u"b", due, u"bb"),
                      WithAlarm(u"c", due, u"cc")});
    ASSERT_EQ(Text(IDC_TITLE), L"c");
    ASSERT_FALSE(App().Modified());
    const std::int64_t start = UtcSeconds(2024, 3, 5, 0, 30, 20);
    FixedClock clock(start);
    std::vector<int> offered;
    AlarmWatch watch([&](HWND dialog) {
        HWND lengths = GetDlgItem(dialog, IDC_ALARM_SNOOZE_LENGTH);
        offered.push_back(ComboBox_GetCurSel(lengths));
        if (watch.texts.size() > 1) return;
        HWND list = GetDlgItem(dialog, IDC_ALARM_LIST);
        ListBox_SetSel(list, TRUE, 0);
        ListBox_SetSel(list, TRUE, 2);
        ComboBox_SetCurSel(lengths, 1);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_ALARM_SNOOZE, BN_CLICKED), 0);
        EXPECT_EQ(AlarmWatch::Texts(dialog), std::vector<std::wstring>{L"bb"});
    });
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    const _TIMES snoozed{2024, 3, 5, 9, 40};
    EXPECT_EQ(DocumentProbe::Find(u"会議")->alarm, snoozed);
    EXPECT_EQ(DocumentProbe::Find(u"b")->alarm, due);
    EXPECT_EQ(DocumentProbe::Find(u"c")->alarm, snoozed);
    EXPECT_EQ(Text(IDC_ALARM_MINUTE), L"40");
    EXPECT_TRUE(App().Modified()) << "a snooze is a change the next save writes";
    for (int minute = 31; minute <= 40; ++minute) {
        clock.Set(UtcSeconds(2024, 3, 5, 0, minute));
        SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    }
    ASSERT_EQ(watch.lines.size(), 2u);
    EXPECT_EQ(watch.lines[0], (std::vector<std::wstring>{L"2024/ 3/ 5  9:30\t会議\t資料を印刷",
                                                         L"2024/ 3/ 5  9:30\tb\tbb", L"2024/ 3/ 5  9:30\tc\tcc"}));
    EXPECT_EQ(watch.texts[1], (std::vector<std::wstring>{L"資料を印刷\r\n会議室へ", L"cc"}));
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[1], 1) << "the last choice offered first";
    // Closed without a snooze: nothing moved, nothing rings again.
    clock.Set(UtcSeconds(2024, 3, 5, 0, 50));
    SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
    EXPECT_EQ(watch.lines.size(), 2u);
    EXPECT_EQ(DocumentProbe::Find(u"c")->alarm, snoozed);
    // One press was one step: one undo puts both alarms back, and the
    // editor shows it.
    SendMessageW(main_, WM_COMMAND, IDM_EDIT_UNDO, 0);
    EXPECT_EQ(DocumentProbe::Find(u"会議")->alarm, due);
    EXPECT_EQ(DocumentProbe::Find(u"c")->alarm, due);
    EXPECT_EQ(Text(IDC_ALARM_MINUTE), L"30");
    EXPECT_FALSE(App().CanUndo());
    EXPECT_FALSE(App().Modified());
}

TEST_F(MainDialogTest, AlarmsMissedWhileClosedRingWhenTheDocumentOpens) {
    // A document saved at 9:30 and opened at 10:00, with alarms at 9:00 and
    // 9:45: a record of 8:00 shows both, late; a record that cannot be used
    // leaves the file time, so only 9:45. No box ever. Opened again, nothing
    // rings twice: after a new start where the record was written (the path
    // then typed in capitals), within the run where it could not be.
    TempDir dir;
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring doc = dir.File(L"plan.vqf"), record = dir.File(L"alarms.dat");
    const std::int64_t now = UtcSeconds(2024, 3, 5, 1, 0);  // 10:00 here
    const std::vector<std::uint8_t> good = EncodeAlarmRecord({{ToU16(doc), now / 60 - 120}});
    const std::wstring late900 = L"2024/ 3/ 5  9:00  1時間前\t9:00\t", late945 = L"2024/ 3/ 5  9:45  15分前\t9:45\t";
    const struct {
        const char* name;
        std::wstring record_path;
        std::optional<std::vector<std::uint8_t>> bytes;
        std::vector<std::wstring> lines;
    } cases[] = {
        {"a record two hours old", record, good, {late900, late945}},
        {"no record", record, std::nullopt, {late945}},
        {"a record cut short", record, std::vector<std::uint8_t>(good.begin(), good.end() - 1), {late945}},
        {"a record of another format", record, std::vector<std::uint8_t>{'V', 'e', 'l', 'q', 0, 0, 0, 0}, {late945}},
        {"a folder that cannot be written", std::wstring(exe) + L"\\no-record\\alarms.dat", std::nullopt, {late945}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(record.c_str());
        if (c.bytes) WriteBytes(record, *c.bytes);
        SetAlarmRecordPath(c.record_path);  // a new start: nothing checked in this run
        // Finished: it would have rung on time, it is not shown late.
        _EDIT_ITEM done = WithAlarm(u"done", {2024, 3, 5, 9, 50});
        done.actual_end = {2024, 3, 5, 9, 0};
        WriteBytes(doc, WriteVqf(ItemChain({WithAlarm(u"9:00", {2024, 3, 5, 9, 0}),
                                            WithAlarm(u"9:45", {2024, 3, 5, 9, 45}), done}).get(), nullptr));
        const std::uint64_t at930 = (static_cast<std::uint64_t>(now) - 30 * 60) * 10000000 + 116444736000000000;
        const FILETIME saved{static_cast<DWORD>(at930), static_cast<DWORD>(at930 >> 32)};
        {
            const FileHandle f(CreateFileW(doc.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(SetFileTime(f.get(), nullptr, nullptr, &saved));
        }
        BoxScript boxes;  // any box fails the test
        FixedClock clock(now + 5);
        AlarmWatch watch;
        App().OpenNamedFile(doc);
        SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        EXPECT_EQ(watch.lines, std::vector<std::vector<std::wstring>>{c.lines});
        // Another tick in the same minute writes nothing.
        DeleteFileW(record.c_str());
        SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        EXPECT_FALSE(FileExists(record));
        EXPECT_EQ(App().state, STATE_OPEN);

        App().DeleteInstance();  // closing records 10:00
        const bool written = c.record_path == record;
        EXPECT_EQ(FileExists(record), written);
        if (written) SetAlarmRecordPath(record);
        std::wstring capitals = doc;
        CharUpperW(capitals.data());
        clock.Set(now + 60);
        App().OpenNamedFile(capitals);
        SendMessageW(main_, WM_TIMER, IDT_ALARM, 0);
        EXPECT_EQ(watch.lines.size(), 1u) << "nothing rings again";
        App().DeleteInstance();
        EXPECT_TRUE(boxes.asked().empty());
    }
}

TEST_F(MainDialogTest, AlarmRecordKeepsTheDocumentsUsedLast) {
    // 201 documents: the first one used drops out; one used again goes
    // first, found whatever its case. The folder is made; no temporary file stays.
    TempDir dir;
    const std::wstring record = dir.File(L"sub\\alarms.dat");
    SetAlarmRecordPath(record);
    for (int i = 0; i <= 200; ++i) RecordAlarmsChecked(L"C:\\d\\" + std::to_wstring(i) + L".vqf", i);
    RecordAlarmsChecked(L"C:\\D\\5.VQF", 1000);
    const auto entries = DecodeAlarmRecord(ReadBytes(record));
    ASSERT_TRUE(entries && entries->size() == kAlarmRecordDocuments);
    EXPECT_EQ(entries->front(), (AlarmRecordEntry{u"C:\\D\\5.VQF", 1000}));
    EXPECT_EQ(entries->back().path, u"C:\\d\\1.vqf");
    EXPECT_EQ(Listing(dir.File(L"sub")), std::vector<std::wstring>{L"alarms.dat"});
    SetAlarmRecordPath(record);  // a new start
    EXPECT_EQ(AlarmsCheckedFor(L"c:\\d\\5.vqf"), 1000);
    EXPECT_EQ(AlarmsCheckedFor(L"C:\\d\\0.vqf"), std::nullopt);
}

}  // namespace
