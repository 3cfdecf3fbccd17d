// What the alarm window says about a due item, and where a snooze moves its
// alarm: the parts of the alarm that need no window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RecordIndex.h"
#include "Records.h"

// The snooze lengths the alarm window offers, in minutes.
inline constexpr int kSnoozeMinutes[] = {5, 10, 30, 60};

// A list line shows at most this much of a title and of a status's first
// line; the chosen line's whole status is shown beside the list.
inline constexpr std::size_t kAlarmLinePieceLimit = 200;

// An alarm as the program writes date-times: "%4d/%2d/%2d %2d:%02d", the
// fields as stored (hour 24 stays hour 24 of its day).
std::u16string AlarmTimeText(const _TIMES& t);

// How late an alarm `minutes_late` minutes past its minute is shown: nothing
// up to one minute (a tick a little late is on time), then "15分前",
// "3時間前", "2日前", each counted down to whole units.
std::u16string LatenessText(std::int64_t minutes_late);

// The alarm window's line for a due item: alarm time (followed by how late
// it is, LatenessText, when it is late), title and the first line of the
// status, separated by tabs (the list's columns).
std::u16string AlarmLine(const _ITEM_LIST& item, std::int64_t minutes_late = 0);

// The whole text the window shows for the chosen line: the status, or the
// title when the status is empty, up to its first NUL; every line break
// becomes CR LF, as a multi-line edit control needs.
std::u16string AlarmText(const _ITEM_LIST& item);

// The alarm of an item snoozed `minutes` from the clock minute `now_minute`
// (ClockMinute): a date-time of the program, zone UTC+9, hours 1 to 24.
_TIMES SnoozedAlarm(std::int64_t now_minute, int minutes);

// The furthest back a check makes up for alarms it missed, in minutes: a
// month, so that a document left closed over a holiday still shows what came
// due meanwhile, and one unopened for a year does not bury the user.
inline constexpr std::int64_t kCatchUpMinutes = 31 * 24 * 60;

// The last clock minute whose alarms count as checked when a document is
// opened at the clock minute `now`: the minute recorded for it in an earlier
// run, or without one the minute its file was last written, but no further
// back than kCatchUpMinutes; without either, the minute before `now` (the
// current minute is still to check). A recorded minute later than `now` (a
// clock set back) is kept, so that nothing rings twice, unless it lies more
// than kCatchUpMinutes ahead: that clock was wrong, and believing it would
// keep the document silent for as long. A file time later than `now` only
// means nothing was missed.
std::int64_t AlarmsCheckedAtOpen(std::optional<std::int64_t> recorded, std::optional<std::int64_t> file_written,
                                 std::int64_t now);

// One alarm a check shows: its record, the clock minute it names, and how
// many minutes before `now` that was.
struct AlarmDue {
    _ITEM_LIST* record;
    std::int64_t minute;
    std::int64_t minutes_late;
};

// The alarms a check at the clock minute `now` shows, after the minute
// `checked_to` (the last one checked): those of the minutes from the next
// one to `now`, at most kCatchUpMinutes back, by minute and in chain order
// within one. An item finished (its actual completion set) rings on time but
// is not shown late.
std::vector<AlarmDue> AlarmsDue(const RecordIndex& index, std::int64_t checked_to, std::int64_t now);
