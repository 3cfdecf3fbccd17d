#include "Times.h"

#include <ctime>

namespace {

// Read as 64 bits: the 32-bit Windows runtime's time_t is 32 bits wide, and
// its time() fails from 2038-01-19 03:14:08 UTC on.
#ifdef _WIN32
std::int64_t SystemClock() { return static_cast<std::int64_t>(_time64(nullptr)); }
#else
std::int64_t SystemClock() { return static_cast<std::int64_t>(std::time(nullptr)); }
#endif

ClockFunction g_clock = &SystemClock;

bool IsLeap(unsigned year) { return GetDates(year, 2) == 29; }

}  // namespace

unsigned GetDates(unsigned year, unsigned month) {
    switch (month) {
        case 4: case 6: case 9: case 11:
            return 30;
        case 2:
            if (year % 400 == 0) return 29;
            if (year % 100 == 0) return 28;
            return year % 4 == 0 ? 29 : 28;
        case 1: case 3: case 5: case 7: case 8: case 10: case 12:
            return 31;
        default:
            return 0;
    }
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    // H. Hinnant's algorithm: years begin in March, so that the leap day
    // ends a year, and 400 years make an era of 146097 days.
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

int TimeCmp(_TIMES a, _TIMES b) {
    const std::int32_t* fa[] = {&a.year, &a.month, &a.day, &a.hour, &a.minute};
    const std::int32_t* fb[] = {&b.year, &b.month, &b.day, &b.hour, &b.minute};
    for (int i = 0; i < 5; ++i) {
        const auto x = static_cast<std::uint32_t>(*fa[i]);
        const auto y = static_cast<std::uint32_t>(*fb[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

std::optional<std::int64_t> ClockMinute(const _TIMES& t) {
    const auto year = static_cast<std::uint32_t>(t.year);
    const auto month = static_cast<std::uint32_t>(t.month);
    const auto day = static_cast<std::uint32_t>(t.day);
    const auto hour = static_cast<std::uint32_t>(t.hour);
    const auto minute = static_cast<std::uint32_t>(t.minute);
    // GetDates is 0 outside 1..12, so the day test also refuses the month.
    if (year == 0 || day == 0 || day > GetDates(year, month) || hour > 24 || minute > 60) return std::nullopt;
    // Hours and minutes simply add to the day's start: hour 24 and minute 60
    // run into the next day and hour by themselves.
    const std::int64_t local = DaysFromCivil(year, month, day) * 1440 + std::int64_t{hour} * 60 + minute;
    return local - 9 * 60;
}

_TIMES GetTimeAt(std::uint32_t t) {
    // Count whole days (1-based) and minutes from 1970-01-01, strip whole
    // years and months, then split the last day into hours with the fixed
    // nine-hour offset, letting the hour run 1..24.
    std::uint32_t days = t / 86400 + 1;
    std::uint32_t minutes = t / 60;
    unsigned year = 1970, month = 1;
    while (days > 366) {
        const std::uint32_t len = IsLeap(year) ? 366 : 365;
        days -= len;
        minutes -= len * 1440;
        ++year;
    }
    auto next_month = [&] {
        if (++month > 12) {
            month = 1;
            ++year;
        }
    };
    while (days > GetDates(year, month)) {
        const std::uint32_t len = GetDates(year, month);
        days -= len;
        minutes -= len * 1440;
        next_month();
    }
    minutes = minutes - (days - 1) * 1440 + 540;
    unsigned hour = 0;
    while (minutes >= 60) {
        ++hour;
        minutes -= 60;
        if (hour > 24) {
            hour -= 24;
            if (++days > GetDates(year, month)) {
                days = 1;
                next_month();
            }
        }
    }
    return _TIMES{static_cast<std::int32_t>(year), static_cast<std::int32_t>(month),
                  static_cast<std::int32_t>(days), static_cast<std::int32_t>(hour),
                  static_cast<std::int32_t>(minutes)};
}

_TIMES GetTime() { return GetTimeAt(static_cast<std::uint32_t>(ReadClock())); }

void SetClock(ClockFunction clock) { g_clock = clock ? clock : &SystemClock; }

std::int64_t ReadClock() { return g_clock(); }
