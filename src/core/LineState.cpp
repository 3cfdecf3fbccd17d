#include "LineState.h"

#include <optional>

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

void AppendNumber(std::u16string& out, std::int64_t value, int width = 1) {
    char16_t digits[24];
    int n = 0;
    const bool negative = value < 0;
    std::uint64_t v = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digits[n++] = static_cast<char16_t>(u'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < width) digits[n++] = u'0';
    if (negative) out += u'-';
    while (n > 0) out += digits[--n];
}

}  // namespace

std::int64_t ProgramDay(std::int64_t clock_minute) {
    // Nine hours ahead of UTC, and the first hour of a day still counts as
    // the day before: a day starts at 01:00 UTC+9.
    return FloorDiv(clock_minute + 9 * 60 - 60, 24 * 60);
}

ListClock ListClockAt(std::int64_t clock_minute) {
    ListClock now;
    now.minute = clock_minute;
    now.day = ProgramDay(clock_minute);
    now.year = GetTimeAt(static_cast<std::uint32_t>(clock_minute * 60)).year;
    return now;
}

LineState LineStateAt(const _EDIT_ITEM& item, const ListClock& now) {
    LineState state;
    state.finished = item.actual_end != _TIMES{};
    if (state.finished) return state;
    const std::optional<std::int64_t> due = ClockMinute(item.planned_end);
    if (!due) return state;
    state.late = *due < now.minute;
    const std::int64_t day = ProgramDay(*due);
    state.due_today = day == now.day;
    state.due_by_today = day <= now.day;
    return state;
}

std::u16string DueText(const _TIMES& planned_end, const ListClock& now) {
    if (planned_end == _TIMES{}) return {};
    std::u16string text;
    if (planned_end.year != now.year) {
        AppendNumber(text, planned_end.year);
        text += u'/';
    }
    AppendNumber(text, planned_end.month);
    text += u'/';
    AppendNumber(text, planned_end.day);
    text += u' ';
    AppendNumber(text, planned_end.hour);
    text += u':';
    AppendNumber(text, planned_end.minute, 2);
    return text;
}

bool PassesFilter(const LineState& state, ListFilter filter) {
    switch (filter) {
        case ListFilter::All:
            return true;
        case ListFilter::Unfinished:
            return !state.finished;
        case ListFilter::Late:
            return state.late;
        case ListFilter::DueByToday:
            return state.due_by_today;
        case ListFilter::Finished:
            return state.finished;
    }
    return true;
}
