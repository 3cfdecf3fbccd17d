// What the alarm window says about a due item, and where a snooze moves its
// alarm: the parts of the alarm that need no window.
#pragma once

#include <cstdint>
#include <string>

#include "Records.h"

// The snooze lengths the alarm window offers, in minutes.
inline constexpr int kSnoozeMinutes[] = {5, 10, 30, 60};

// A list line shows at most this much of a title and of a status's first
// line; the chosen line's whole status is shown beside the list.
inline constexpr std::size_t kAlarmLinePieceLimit = 200;

// An alarm as the program writes date-times: "%4d/%2d/%2d %2d:%02d", the
// fields as stored (hour 24 stays hour 24 of its day).
std::u16string AlarmTimeText(const _TIMES& t);

// The alarm window's line for a due item: alarm time, title and the first
// line of the status, separated by tabs (the list's columns).
std::u16string AlarmLine(const _ITEM_LIST& item);

// The whole text the window shows for the chosen line: the status, or the
// title when the status is empty, up to its first NUL; every line break
// becomes CR LF, as a multi-line edit control needs.
std::u16string AlarmText(const _ITEM_LIST& item);

// The alarm of an item snoozed `minutes` from the clock minute `now_minute`
// (ClockMinute): a date-time of the program, zone UTC+9, hours 1 to 24.
_TIMES SnoozedAlarm(std::int64_t now_minute, int minutes);
