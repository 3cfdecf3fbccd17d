#include "Alarms.h"

#include <algorithm>
#include <string_view>

namespace {

void AppendNumber(std::u16string& out, std::int32_t value, std::size_t width, char16_t pad) {
    const std::string digits = std::to_string(value);
    if (digits.size() < width) out.append(width - digits.size(), pad);
    out.append(digits.begin(), digits.end());
}

// The text up to its first line break.
std::u16string_view FirstLine(std::u16string_view text) { return text.substr(0, text.find_first_of(u"\r\n")); }

}  // namespace

std::u16string AlarmTimeText(const _TIMES& t) {
    std::u16string out;
    AppendNumber(out, t.year, 4, u' ');
    out += u'/';
    AppendNumber(out, t.month, 2, u' ');
    out += u'/';
    AppendNumber(out, t.day, 2, u' ');
    out += u' ';
    AppendNumber(out, t.hour, 2, u' ');
    out += u':';
    AppendNumber(out, t.minute, 2, u'0');
    return out;
}

std::u16string LatenessText(std::int64_t minutes_late) {
    if (minutes_late <= 1) return {};
    std::u16string out;
    auto append = [&out](std::int64_t n, std::u16string_view unit) {
        const std::string digits = std::to_string(n);
        out.append(digits.begin(), digits.end());
        out += unit;
    };
    if (minutes_late < 60)
        append(minutes_late, u"分前");
    else if (minutes_late < 24 * 60)
        append(minutes_late / 60, u"時間前");
    else
        append(minutes_late / (24 * 60), u"日前");
    return out;
}

std::u16string AlarmLine(const _ITEM_LIST& item, std::int64_t minutes_late) {
    std::u16string line = AlarmTimeText(item.alarm);
    if (const std::u16string late = LatenessText(minutes_late); !late.empty()) line += u"  " + late;
    line += u'\t';
    line += ShownText(item.title).substr(0, kAlarmLinePieceLimit);
    line += u'\t';
    line += FirstLine(ShownText(item.status)).substr(0, kAlarmLinePieceLimit);
    return line;
}

std::u16string AlarmText(const _ITEM_LIST& item) {
    std::u16string_view text = ShownText(item.status);
    if (text.empty()) text = ShownText(item.title);
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u"\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

_TIMES SnoozedAlarm(std::int64_t now_minute, int minutes) {
    // The clock reads seconds as an unsigned 32-bit count; so does this.
    return GetTimeAt(static_cast<std::uint32_t>((now_minute + minutes) * 60));
}

std::int64_t AlarmsCheckedAtOpen(std::optional<std::int64_t> recorded, std::optional<std::int64_t> file_written,
                                 std::int64_t now) {
    const std::int64_t oldest = now - kCatchUpMinutes;
    if (recorded && *recorded > now + kCatchUpMinutes) recorded.reset();
    if (file_written && *file_written >= now) file_written = now - 1;
    const std::int64_t checked = recorded ? *recorded : file_written ? *file_written : now - 1;
    return std::max(checked, oldest);
}

std::vector<AlarmDue> AlarmsDue(const RecordIndex& index, std::int64_t checked_to, std::int64_t now) {
    std::vector<AlarmDue> due;
    if (now <= checked_to) return due;
    const std::int64_t first = std::max(checked_to + 1, now - kCatchUpMinutes + 1);
    const std::vector<_ITEM_LIST*> records = index.DueBetween(first, now);
    due.reserve(records.size());
    for (_ITEM_LIST* record : records) {
        // DueBetween found it by this minute, so the alarm names one.
        const std::int64_t minute = ClockMinute(record->alarm).value_or(now);
        const bool finished = !(record->actual_end == _TIMES{});
        if (finished && now - minute > 1) continue;
        due.push_back({record, minute, now - minute});
    }
    return due;
}
