#include "Alarms.h"

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

std::u16string AlarmLine(const _ITEM_LIST& item) {
    std::u16string line = AlarmTimeText(item.alarm);
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
