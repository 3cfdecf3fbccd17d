// iCalendar (RFC 5545) export of action items: one VTODO per item, so that
// the items and their alarms show up in an ordinary calendar program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Records.h"

// The extension property that carries an item's actual start.
inline constexpr char kActualStartProperty[] = "X-VELQUORANDIMESTRA-ACTUAL-START";
// The extension property that carries the planned start of an item planned
// to complete before it starts (DTSTART may not come after DUE).
inline constexpr char kPlannedStartProperty[] = "X-VELQUORANDIMESTRA-PLANNED-START";

// A UTC instant to the minute, as plain calendar fields.
struct UtcMinute {
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;    // 0..23
    std::int32_t minute = 0;  // 0..59

    friend auto operator<=>(const UtcMinute&, const UtcMinute&) = default;
};

// The UTC instant of a date-time in the program's own convention (zone UTC+9,
// hours 1 to 24, hour 24 being the first hour after midnight of the next
// day). Nothing for an unset value and for one that names no real minute:
// month outside 1..12, day outside the month, hour outside 1..24, minute
// outside 0..59, or a year outside 1..9999 before or after the conversion.
std::optional<UtcMinute> LocalToUtc(_TIMES local);

// The UTC minute an alarm rings in: like LocalToUtc, and also for hour 0
// (hour 24 of the day before) and minute 60 (the next hour's minute 0),
// which the program rings (ClockMinute).
std::optional<UtcMinute> AlarmToUtc(const _TIMES& alarm);

// The UTC instant `seconds` after the epoch, cut to the minute.
UtcMinute UtcFromSeconds(std::int64_t seconds);

// A TEXT value escaped for a content line: backslash, semicolon and comma
// get a backslash, every line break (CR LF, CR or LF) becomes \n, other
// control characters are dropped. Unpaired surrogates become U+FFFD.
std::string EscapeICalendarText(std::u16string_view text);

// One content line folded so that no physical line exceeds 75 octets (not
// counting its CR LF); a UTF-8 sequence is never split. Ends with CR LF.
std::string FoldICalendarLine(std::string_view line);

// A whole VCALENDAR for the items from `head` in chain order. `stamp_seconds`
// (seconds since the epoch) gives every VTODO its DTSTAMP. Texts are taken as
// the program shows them: up to their first NUL, an empty title as the
// default title.
std::string MakeICalendar(const _ITEM_LIST* head, std::int64_t stamp_seconds);

// The pieces of MakeICalendar, for a writer that passes items through one at
// a time: the lines before the first VTODO, the line after the last, the
// title that names an item (its SUMMARY; the stored title up to its first
// NUL, an empty one as the default title), and the UID of the
// `occurrence`-th item (from 1) named `title` in the file.
std::string ICalendarBegin();
std::string ICalendarEnd();
std::u16string_view ICalendarTitle(std::u16string_view title);
std::string ICalendarUid(std::u16string_view title, unsigned occurrence);

// The VTODO of one item, CR LF line ends, folded. `uid` must be unique in
// the calendar.
std::string MakeVTodo(const _EDIT_ITEM& item, std::string_view uid, std::int64_t stamp_seconds);
// The same VTODO appended to `out`, for a writer that reuses one buffer.
void AppendVTodo(std::string& out, const _EDIT_ITEM& item, std::string_view uid, std::int64_t stamp_seconds);
