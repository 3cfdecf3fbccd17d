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
        SetForegroundWindow(window);
        ShowMessageBox(window, text.c_str(), L"アラーム", kAlarmBoxFlags);
    }
    return 0;
}
