// The alarm check, run on every tick of the main dialog's one-second timer.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "AlarmDlg.h"
#include "AlarmRecord.h"
#include "Alarms.h"
#include "Records.h"
#include "Times.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"

namespace {

// FILETIME counts 100-nanosecond steps from 1601-01-01 UTC.
constexpr std::int64_t kFileTimeAt1970 = 116444736000000000;
constexpr std::int64_t kFileTimePerMinute = 600000000;

struct OwnerSearch {
    HWND main;
    HWND deepest = nullptr;
    int depth = 0;
};

// Notes `window` when it is visible, enabled and owned, through a chain of
// owners deeper than any seen so far, by the main window.
BOOL CALLBACK NoteDeepestOwned(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<OwnerSearch*>(param);
    if (!IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
    int depth = 0;
    for (HWND owner = GetWindow(window, GW_OWNER); owner != nullptr; owner = GetWindow(owner, GW_OWNER)) {
        ++depth;
        if (owner != search.main) continue;
        if (depth > search.depth) {
            search.deepest = window;
            search.depth = depth;
        }
        break;
    }
    return TRUE;
}

// The window the alarm window belongs to: the one the user can act in now.
// While a modal dialog or a chooser is open the main window is disabled, and
// the alarm window belongs to that dialog (the one deepest in the chain of owners
// that is enabled), so that nothing behind it stays usable and closing
// the dialog cannot re-enable the main window under it.
HWND AlarmOwner(HWND main) {
    if (main == nullptr || IsWindowEnabled(main)) return main;
    OwnerSearch search{main};
    EnumThreadWindows(GetCurrentThreadId(), NoteDeepestOwned, reinterpret_cast<LPARAM>(&search));
    return search.deepest != nullptr ? search.deepest : main;
}

}  // namespace

void CVelquorandimestra::StartAlarmCheck(const std::optional<FileStamp>& stamp) {
    alarms_checked_to.reset();
    alarms_recorded = AlarmsCheckedFor(file_path);
    alarms_file_written.reset();
    if (stamp) {
        const std::int64_t written =
            static_cast<std::int64_t>(std::uint64_t{stamp->written.dwHighDateTime} << 32 | stamp->written.dwLowDateTime);
        alarms_file_written = (written - kFileTimeAt1970) / kFileTimePerMinute;
    }
}

void CVelquorandimestra::EndAlarmCheck() {
    if (alarms_checked_to) RecordAlarmsChecked(file_path, *alarms_checked_to);
    alarms_checked_to.reset();
    alarms_recorded.reset();
    alarms_file_written.reset();
}

void CVelquorandimestra::OnTimer() {
    if (state != STATE_OPEN) return;

    // Unsigned, like GetTimeAt: a signed count turns negative in 2038.
    const auto seconds = static_cast<std::uint32_t>(ReadClock());
    const std::int64_t minute = seconds / 60;
    HWND window = GetWnd();

    // Every minute is checked once, on whichever tick first sees it: ticks
    // do not always come in a minute's first second, and two can share it.
    // A document's first tick starts after the minute checked in its last
    // run (or its file's last write), so that what came due while it was
    // closed rings now, late; a new document starts with the current minute.
    // A clock set back checks nothing until it passes the last minute
    // checked again, so that no alarm is shown twice.
    if (!alarms_checked_to) alarms_checked_to = AlarmsCheckedAtOpen(alarms_recorded, alarms_file_written, minute);
    if (minute <= *alarms_checked_to) return;
    const std::int64_t checked_to = *alarms_checked_to;
    // Noted before the window opens: it runs a message loop whose ticks must
    // find these minutes done and go on with the next ones only. Recorded
    // for the next run once a minute, as the checked minute moves on.
    alarms_checked_to = minute;
    RecordAlarmsChecked(file_path, minute);

    if (AlarmsDue(document.Records(), checked_to, minute).empty()) return;
    // What the user is typing counts: the field is taken first, so that the
    // window shows the status as it stands on screen (and an alarm typed away
    // from this minute does not ring).
    TakeTypedField();
    if (state != STATE_OPEN) return;

    // The texts are copied before the window opens: it runs a message loop,
    // and nothing shown afterwards may point into a document that changed or
    // went away meanwhile. By minute, then in document order; a late line
    // says how late.
    std::vector<DueAlarm> due;
    for (const AlarmDue& d : AlarmsDue(document.Records(), checked_to, minute))
        due.push_back({d.record, d.minute, ToWide(AlarmLine(*d.record, d.minutes_late)), ToWide(AlarmText(*d.record))});

    // One window for everything due: a tick while it is open (its loop
    // delivers the ticks) adds to it.
    if (OpenAlarmWindow() != nullptr) {
        ShowAlarmWindow(nullptr, std::move(due), {});
        return;
    }
    // The main window comes to the front, and above it the dialog the alarm
    // window belongs to, which would otherwise stay hidden behind it.
    SetForegroundWindow(window);
    HWND owner = AlarmOwner(window);
    if (owner != window) SetForegroundWindow(owner);
    ++alarms_on_screen;
    ShowAlarmWindow(owner, std::move(due),
                    [this](const std::vector<DueAlarm>& chosen, int minutes) { SnoozeAlarms(chosen, minutes); });
    --alarms_on_screen;
}

int CVelquorandimestra::SnoozeAlarms(const std::vector<DueAlarm>& chosen, int minutes) {
    // The document may have been closed from inside the window.
    if (state != STATE_OPEN) return 0;
    const std::int64_t now = static_cast<std::uint32_t>(ReadClock()) / 60;
    const _TIMES to = SnoozedAlarm(now, minutes);
    int moved = 0;
    bool shown = false;
    // One press is one step, however many alarms it moves.
    const ActionDocument::View view = CurrentView();
    document.BeginStep(view);
    for (const DueAlarm& line : chosen) {
        // A record is taken only when it is still in the chain with the
        // alarm it went off for, found by address in the index: the line's
        // pointer itself is never read.
        for (_ITEM_LIST* record : document.Records().DueBetween(line.minute, line.minute)) {
            if (record != line.record) continue;
            _EDIT_ITEM snoozed = *record;
            snoozed.alarm = to;
            CommitEdit(record, *record, snoozed);
            ++moved;
            shown = shown || (editor && editor->Shown() == record);
            break;
        }
    }
    document.EndStep(view);
    if (shown) editor->SetItem(editor->Shown());
    return moved;
}
