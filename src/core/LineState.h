// What a line of the item list says about its item at a given minute: the
// planned completion beside the title, and whether the item is finished,
// late or due today. The filters of the list are read from the same state,
// so that a line drawn red is exactly a line the "late" filter keeps.
#pragma once

#include <cstdint>
#include <string>

#include "Records.h"

// The current minute as the list reads it: the clock minute (ClockMinute),
// the day it falls on as the program counts days (UTC+9, the hour after
// midnight being hour 24 of the day before) and that day's year.
struct ListClock {
    std::int64_t minute = 0;
    std::int64_t day = 0;
    std::int32_t year = 0;
};
ListClock ListClockAt(std::int64_t clock_minute);

// The day (days since 1970-01-01, UTC+9, hours 1 to 24) a clock minute falls
// on: {2024, 3, 5, 24, 30} and {2024, 3, 5, 1, 0} are one day.
std::int64_t ProgramDay(std::int64_t clock_minute);

struct LineState {
    bool finished = false;  // the actual completion is set
    // Not finished, and the planned completion's minute has passed: the
    // line turns late in the minute after its planned completion.
    bool late = false;
    bool due_today = false;     // not finished, planned to complete today
    bool due_by_today = false;  // not finished, planned today or earlier
};
// A planned completion that is unset, or names no minute (a month of 13, a
// day past the month's end), is never late nor due.
LineState LineStateAt(const _EDIT_ITEM& item, const ListClock& now);

// The planned completion as the line shows it: "1/6 12:45", with the year
// in front ("2025/1/6 12:45") when it is not the current year; the fields as
// the item holds them (hour 24 stays 24). Empty when unset.
std::u16string DueText(const _TIMES& planned_end, const ListClock& now);

// The filters of the item list, in the order of the drop-down.
enum class ListFilter { All, Unfinished, Late, DueByToday, Finished };
inline constexpr int kListFilterCount = 5;
bool PassesFilter(const LineState& state, ListFilter filter);
