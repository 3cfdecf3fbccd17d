#include "ICalendar.h"

#include <cstdio>
#include <map>

#include "Utf8.h"

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int32_t& year, std::int32_t& month, std::int32_t& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<std::int32_t>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
    month = static_cast<std::int32_t>(m);
    day = static_cast<std::int32_t>(d);
}

UtcMinute FromEpochMinutes(std::int64_t minutes) {
    std::int64_t days = minutes / 1440;
    std::int64_t rest = minutes % 1440;
    if (rest < 0) {
        rest += 1440;
        --days;
    }
    UtcMinute u;
    CivilFromDays(days, u.year, u.month, u.day);
    u.hour = static_cast<std::int32_t>(rest / 60);
    u.minute = static_cast<std::int32_t>(rest % 60);
    return u;
}

std::string FormatUtc(const UtcMinute& u) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d00Z", static_cast<int>(u.year),
                  static_cast<int>(u.month), static_cast<int>(u.day), static_cast<int>(u.hour),
                  static_cast<int>(u.minute));
    return buf;
}

// The text as the program uses it: a stored NUL ends it.
std::u16string_view ShownText(const std::u16string& text) {
    const std::u16string_view view(text);
    return view.substr(0, view.find(u'\0'));
}

std::u16string_view ShownTitle(const std::u16string& title) {
    const std::u16string_view shown = ShownText(title);
    return title.empty() ? std::u16string_view(kNewActionTitle) : shown;
}

void AddLine(std::string& out, std::string_view name, std::string_view value) {
    std::string line(name);
    line += ':';
    line += value;
    out += FoldICalendarLine(line);
}

void AddTextLine(std::string& out, std::string_view name, std::u16string_view text) {
    if (!text.empty()) AddLine(out, name, EscapeICalendarText(text));
}

void AddDateLine(std::string& out, std::string_view name, _TIMES value) {
    if (const auto utc = LocalToUtc(value)) AddLine(out, name, FormatUtc(*utc));
}

// FNV-1a over the title's code units: a UID that stays the same when the
// file is exported again, whatever else changed in it.
std::uint64_t TitleHash(std::u16string_view title) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (char16_t u : title) {
        for (int shift : {0, 8}) {
            h ^= static_cast<std::uint8_t>(u >> shift);
            h *= 0x100000001b3ULL;
        }
    }
    return h;
}

}  // namespace

std::optional<UtcMinute> LocalToUtc(_TIMES t) {
    if (t.year < 1 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
        static_cast<unsigned>(t.day) > GetDates(static_cast<unsigned>(t.year), static_cast<unsigned>(t.month)) ||
        t.hour < 1 || t.hour > 24 || t.minute < 0 || t.minute > 59) {
        return std::nullopt;
    }
    // Hour h of a day is h hours after its midnight, so hour 24 lands on the
    // next day's first hour; then take off the nine hours of the zone.
    const std::int64_t local = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) * 1440 +
                               t.hour * 60 + t.minute;
    const UtcMinute u = FromEpochMinutes(local - 9 * 60);
    if (u.year < 1 || u.year > 9999) return std::nullopt;
    return u;
}

UtcMinute UtcFromSeconds(std::int64_t seconds) {
    std::int64_t minutes = seconds / 60;
    if (seconds % 60 < 0) --minutes;
    return FromEpochMinutes(minutes);
}

std::string EscapeICalendarText(std::u16string_view text) {
    std::u16string escaped;
    escaped.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
            case u'\\': escaped += u"\\\\"; break;
            case u';': escaped += u"\\;"; break;
            case u',': escaped += u"\\,"; break;
            case u'\r':
                if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                escaped += u"\\n";
                break;
            case u'\n': escaped += u"\\n"; break;
            case u'\t': escaped += c; break;
            default:
                // TEXT admits no other control character.
                if (c >= 0x20 && c != 0x7F) escaped += c;
                break;
        }
    }
    return ToUtf8(escaped);
}

std::string FoldICalendarLine(std::string_view line) {
    std::string out;
    out.reserve(line.size() + line.size() / 70 * 3 + 2);
    std::size_t limit = 75;  // continuation lines spend one octet on the space
    while (line.size() > limit) {
        std::size_t cut = limit;
        // Step back to the start of a UTF-8 sequence.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = 74;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::string MakeVTodo(const _EDIT_ITEM& item, std::string_view uid, std::int64_t stamp_seconds) {
    std::string out;
    const std::u16string_view title = ShownTitle(item.title);
    const std::u16string_view status = ShownText(item.status);
    AddLine(out, "BEGIN", "VTODO");
    AddLine(out, "UID", uid);
    AddLine(out, "DTSTAMP", FormatUtc(UtcFromSeconds(stamp_seconds)));
    AddTextLine(out, "SUMMARY", title);
    AddTextLine(out, "CATEGORIES", ShownText(item.action_kind));
    AddTextLine(out, "LOCATION", ShownText(item.location));
    AddTextLine(out, "DESCRIPTION", status);
    AddDateLine(out, "DTSTART", item.planned_start);
    AddDateLine(out, "DUE", item.planned_end);
    // A to-do has no field for the actual start; an extension property
    // keeps it, so that an import gives the item back whole.
    AddDateLine(out, kActualStartProperty, item.actual_start);
    if (const auto done = LocalToUtc(item.actual_end)) {
        AddLine(out, "COMPLETED", FormatUtc(*done));
        AddLine(out, "STATUS", "COMPLETED");
    }
    if (const auto alarm = LocalToUtc(item.alarm)) {
        // The program's alarm box shows the status, or the title without one.
        AddLine(out, "BEGIN", "VALARM");
        AddLine(out, "ACTION", "DISPLAY");
        AddLine(out, "TRIGGER;VALUE=DATE-TIME", FormatUtc(*alarm));
        AddTextLine(out, "DESCRIPTION", status.empty() ? title : status);
        AddLine(out, "END", "VALARM");
    }
    AddLine(out, "END", "VTODO");
    return out;
}

std::string ICalendarBegin() {
    std::string out;
    AddLine(out, "BEGIN", "VCALENDAR");
    AddLine(out, "VERSION", "2.0");
    AddLine(out, "PRODID", "-//Velquorandimestra//vqf//JA");
    AddLine(out, "CALSCALE", "GREGORIAN");
    return out;
}

std::string ICalendarEnd() {
    std::string out;
    AddLine(out, "END", "VCALENDAR");
    return out;
}

std::string ICalendarUid(std::u16string_view title, unsigned occurrence) {
    char uid[64];
    std::snprintf(uid, sizeof uid, "%016llx-%u@velquorandimestra", static_cast<unsigned long long>(TitleHash(title)),
                  occurrence);
    return uid;
}

std::string MakeICalendar(const _ITEM_LIST* head, std::int64_t stamp_seconds) {
    std::string out = ICalendarBegin();
    // A title may occur twice in a file; the occurrence keeps UIDs unique.
    std::map<std::u16string_view, unsigned> seen;
    for (const _ITEM_LIST* p = head; p != nullptr; p = p->next.get()) {
        const std::u16string_view title = ShownTitle(p->title);
        out += MakeVTodo(*p, ICalendarUid(title, ++seen[title]), stamp_seconds);
    }
    out += ICalendarEnd();
    return out;
}
