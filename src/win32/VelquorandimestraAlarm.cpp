// The alarm check, run on every tick of the main dialog's one-second timer.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "Records.h"
#include "Seams.h"
#include "Times.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"

namespace {

constexpr UINT kAlarmBoxFlags = MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST;  // 0x50040

// A tick that comes after a long pause (the machine slept, the thread was
// busy) makes up for the minutes missed, but only for the last day.
constexpr std::int64_t kCatchUpMinutes = 24 * 60;

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

// The window an alarm box belongs to: the one the user can act in now.
// While a modal dialog or a chooser is open the main window is disabled, and
// the box belongs to that dialog (the one deepest in the chain of owners
// that is enabled), so that nothing behind the box stays usable and closing
// the dialog cannot re-enable the main window under it.
HWND AlarmOwner(HWND main) {
    if (main == nullptr || IsWindowEnabled(main)) return main;
    OwnerSearch search{main};
    EnumThreadWindows(GetCurrentThreadId(), NoteDeepestOwned, reinterpret_cast<LPARAM>(&search));
    return search.deepest != nullptr ? search.deepest : main;
}

}  // namespace

int CVelquorandimestra::OnTimer() {
    if (state != STATE_OPEN) return 0;

    // Unsigned, like GetTimeAt: a signed count turns negative in 2038.
    const auto seconds = static_cast<std::uint32_t>(ReadClock());
    const std::int64_t minute = seconds / 60;
    HWND window = GetWnd();

    // Every minute is checked once, on whichever tick first sees it: ticks
    // do not always come in a minute's first second, and two can share it.
    // A document starts with the minute it was opened in still to check. A
    // clock set back checks nothing until it passes the last minute checked
    // again, so that no alarm is shown twice.
    if (!alarms_checked_to) alarms_checked_to = minute - 1;
    if (minute <= *alarms_checked_to) return 0;
    const std::int64_t first = std::max(*alarms_checked_to + 1, minute - kCatchUpMinutes + 1);
    // Noted before the first box: a box runs a message loop whose ticks must
    // find these minutes done and go on with the next ones only.
    alarms_checked_to = minute;

    if (records.DueBetween(first, minute).empty()) return 0;
    // What the user is typing counts: the field is taken first, so that the
    // box shows the status as it stands on screen (and an alarm typed away
    // from this minute does not ring).
    TakeTypedField();
    if (state != STATE_OPEN) return 0;

    // The texts are copied before the first box: a box runs a message loop,
    // and nothing shown afterwards may point into a document that changed or
    // went away meanwhile.
    std::vector<std::wstring> due;
    for (const _ITEM_LIST* item : records.DueBetween(first, minute)) {
        const std::u16string_view status = ShownText(item->status);
        due.push_back(ToWide(status.empty() ? ShownText(item->title) : status));
    }

    const _ITEM_LIST* const document = item_list.get();
    for (const std::wstring& text : due) {
        // The document can be closed or replaced from inside a box (its loop
        // dispatches every message of the thread); its remaining alarms then
        // no longer apply.
        if (state != STATE_OPEN || item_list.get() != document) break;
        // The main window comes to the front, and above it the dialog the
        // box belongs to, which would otherwise stay hidden behind it.
        SetForegroundWindow(window);
        HWND owner = AlarmOwner(window);
        if (owner != window) SetForegroundWindow(owner);
        ++alarms_on_screen;
        ShowMessageBox(owner, text.c_str(), L"アラーム", kAlarmBoxFlags);
        --alarms_on_screen;
    }
    return 0;
}
