// Date-time values of the action items: zone UTC+9, hours counted 1 to 24.
#pragma once

#include <cstdint>
#include <optional>

// One date-time. All fields 0 means "unset". The fields are plain 32-bit
// integers: files and the editor may hold any value, nothing is range-checked
// here.
struct _TIMES {
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;

    friend bool operator==(const _TIMES&, const _TIMES&) = default;
};

// Number of days of `month` in `year` (Gregorian, year taken unsigned), or 0
// for a month outside 1..12.
unsigned GetDates(unsigned year, unsigned month);

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar
// (negative before it), for a month of 1..12 and a day of that month.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

// -1, 0 or 1 as `a` is earlier than, equal to or later than `b`; fields are
// compared as unsigned numbers, year first.
int TimeCmp(_TIMES a, _TIMES b);

// The clock minute (minutes since 1970-01-01 00:00 UTC) that `t` names, or
// none for a date-time that names no minute: year 0, a month outside 1..12,
// day 0 or a day past the month's end, an hour past 24 or a minute past 60
// (fields read unsigned). Hour 0 of a day is hour 24 of the day before and
// minute 60 is minute 0 of the next hour, so {2024, 3, 6, 0, 30} and
// {2024, 3, 5, 24, 30} name one minute, and {2024, 12, 31, 24, 60} is hour 1
// of 1 January 2025. GetTimeAt(t) names the minute t / 60.
std::optional<std::int64_t> ClockMinute(const _TIMES& t);

// The UTC+9 date-time for `utc_seconds` since 1970-01-01 00:00:00 UTC (read as
// an unsigned 32-bit count). The hour after local midnight is hour 24 of the
// day before, so hour 0 never occurs.
_TIMES GetTimeAt(std::uint32_t utc_seconds);

// The current date-time: GetTimeAt() of the clock.
_TIMES GetTime();

// The clock GetTime() reads: seconds since the epoch. The default is time().
// Tests install their own to set the current second.
using ClockFunction = std::int64_t (*)();
void SetClock(ClockFunction clock);  // nullptr restores time()
std::int64_t ReadClock();
