// The alarm window: one modal window that lists every item due, with its
// whole text for the chosen line, a close button and a snooze.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Records.h"

// One line of the alarm window, copied when its alarm went off: the window
// runs a message loop, and nothing it shows may point into a document that
// changes or goes away meanwhile.
struct DueAlarm {
    const _ITEM_LIST* record;  // only compared, never read: the record may be gone
    std::int64_t minute;       // the clock minute its alarm went off in
    std::wstring line;         // AlarmLine
    std::wstring text;         // AlarmText
};

// Moves the alarms of the chosen lines `minutes` on.
using SnoozeAction = std::function<void(const std::vector<DueAlarm>& chosen, int minutes)>;

// Shows `due` in the alarm window, owned by `owner`, and returns when the
// user has closed it or snoozed its last line. While the window is open, a
// call adds `due` to it (a line already there is not listed twice) and
// returns at once: no second alarm window ever opens.
void ShowAlarmWindow(HWND owner, std::vector<DueAlarm> due, const SnoozeAction& snooze);

// The alarm window on screen, or null.
HWND OpenAlarmWindow();
