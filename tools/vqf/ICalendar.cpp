#include "ICalendar.h"

#include <cstdio>
#include <map>

#include "Utf8.h"

namespace {

// The date `z` days after 1970-01-01 (the inverse of DaysFromCivil).
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

// Digits of `value` into `at`, `width` of them, zero-padded.
char* PutDigits(char* at, unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i, value /= 10) at[i] = static_cast<char>('0' + value % 10);
    return at + width;
}

// "YYYYMMDDTHHMM00Z". Every item writes several: formatted by hand, with
// printf only for a year outside 0..9999, which never comes from a file.
void AppendUtc(std::string& out, const UtcMinute& u) {
    if (u.year < 0 || u.year > 9999 || u.month < 0 || u.month > 99 || u.day < 0 || u.day > 99 || u.hour < 0 ||
        u.hour > 99 || u.minute < 0 || u.minute > 99) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "%04d%02d%02dT%02d%02d00Z", static_cast<int>(u.year),
                      static_cast<int>(u.month), static_cast<int>(u.day), static_cast<int>(u.hour),
                      static_cast<int>(u.minute));
        out += buf;
        return;
    }
    char buf[16];
    char* p = PutDigits(buf, static_cast<unsigned>(u.year), 4);
    p = PutDigits(p, static_cast<unsigned>(u.month), 2);
    p = PutDigits(p, static_cast<unsigned>(u.day), 2);
    *p++ = 'T';
    p = PutDigits(p, static_cast<unsigned>(u.hour), 2);
    p = PutDigits(p, static_cast<unsigned>(u.minute), 2);
    *p++ = '0';
    *p++ = '0';
    *p++ = 'Z';
    out.append(buf, static_cast<std::size_t>(p - buf));
}

// The escaped text in UTF-8, appended in one pass through a pointer into
// room for the longest result (the texts are most of an export): no unit
// gives more than 3 bytes (an escape 2, a pair 4 for 2 units). A surrogate
// pairs with the unit written after it, so a dropped control character
// between the halves of a pair leaves the pair whole.
void AppendEscaped(std::string& out, std::u16string_view text) {
    const std::size_t at = out.size();
    out.resize(at + 3 * text.size());
    char* p = out.data() + at;
    char16_t high = 0;  // a high surrogate waiting for its low half
    auto put = [&](char16_t c) {
        if (high != 0) {
            if (c >= 0xDC00 && c <= 0xDFFF) {
                p = PutUtf8(p, 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(c) - 0xDC00));
                high = 0;
                return;
            }
            p = PutUtf8(p, 0xFFFD);
            high = 0;
        }
        if (c >= 0xD800 && c <= 0xDBFF) high = c;
        else p = PutUtf8(p, c >= 0xDC00 && c <= 0xDFFF ? char32_t{0xFFFD} : char32_t{c});
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (high == 0) {
            // The bulk of a text: plain ASCII and the rest of the BMP.
            if (c >= 0x20 && c < 0x7F && c != u'\\' && c != u';' && c != u',') {
                *p++ = static_cast<char>(c);
                continue;
            }
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                *p++ = static_cast<char>(0xE0 | (c >> 12));
                *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                *p++ = static_cast<char>(0x80 | (c & 0x3F));
                continue;
            }
        }
        switch (c) {
            case u'\\':
            case u';':
            case u',':
                put(u'\\');
                put(c);
                break;
            case u'\r':
                if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                [[fallthrough]];
            case u'\n':
                put(u'\\');
                put(u'n');
                break;
            case u'\t': put(c); break;
            default:
                // TEXT admits no other control character.
                if (c >= 0x20 && c != 0x7F) put(c);
                break;
        }
    }
    if (high != 0) p = PutUtf8(p, 0xFFFD);
    out.resize(static_cast<std::size_t>(p - out.data()));
}

// `line` folded onto the end of `out`.
void AppendFolded(std::string& out, std::string_view line) {
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
}

// Content lines onto the end of a text, each built in one reused buffer and
// folded from there.
class LineWriter {
public:
    explicit LineWriter(std::string& out) : out_(out) {}

    void Line(std::string_view name, std::string_view value) {
        Start(name);
        line_ += value;
        End();
    }

    void TextLine(std::string_view name, std::u16string_view text) {
        if (text.empty()) return;
        Start(name);
        AppendEscaped(line_, text);
        End();
    }

    void DateLine(std::string_view name, const UtcMinute& value) {
        Start(name);
        AppendUtc(line_, value);
        End();
    }

    void DateLine(std::string_view name, _TIMES value) {
        if (const auto utc = LocalToUtc(value)) DateLine(name, *utc);
    }

private:
    void Start(std::string_view name) {
        line_.assign(name);
        line_ += ':';
    }

    void End() {
        if (line_.size() <= 75) {
            out_ += line_;
            out_ += "\r\n";
        } else {
            AppendFolded(out_, line_);
        }
    }

    std::string& out_;
    std::string line_;
};

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

std::optional<UtcMinute> AlarmToUtc(const _TIMES& alarm) {
    const auto minute = ClockMinute(alarm);
    if (!minute) return std::nullopt;
    const UtcMinute u = FromEpochMinutes(*minute);
    if (u.year < 1 || u.year > 9999) return std::nullopt;
    return u;
}

UtcMinute UtcFromSeconds(std::int64_t seconds) {
    std::int64_t minutes = seconds / 60;
    if (seconds % 60 < 0) --minutes;
    return FromEpochMinutes(minutes);
}

std::string EscapeICalendarText(std::u16string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

std::string FoldICalendarLine(std::string_view line) {
    std::string out;
    out.reserve(line.size() + line.size() / 70 * 3 + 2);
    AppendFolded(out, line);
    return out;
}

void AppendVTodo(std::string& out, const _EDIT_ITEM& item, std::string_view uid, std::int64_t stamp_seconds) {
    LineWriter w(out);
    const std::u16string_view title = ICalendarTitle(item.title);
    const std::u16string_view status = ShownText(item.status);
    w.Line("BEGIN", "VTODO");
    w.Line("UID", uid);
    w.DateLine("DTSTAMP", UtcFromSeconds(stamp_seconds));
    w.TextLine("SUMMARY", title);
    w.TextLine("CATEGORIES", ShownText(item.action_kind));
    w.TextLine("LOCATION", ShownText(item.location));
    w.TextLine("DESCRIPTION", status);
    // A calendar refuses a DUE before DTSTART, which the program allows:
    // then the due time stays (calendars sort and warn by it) and the start
    // goes into an extension property, which an import reads back.
    const auto start = LocalToUtc(item.planned_start);
    const auto due = LocalToUtc(item.planned_end);
    if (start && due && *due < *start) {
        w.DateLine(kPlannedStartProperty, *start);
    } else if (start) {
        w.DateLine("DTSTART", *start);
    }
    if (due) w.DateLine("DUE", *due);
    // A to-do has no field for the actual start; an extension property
    // keeps it, so that an import gives the item back whole.
    w.DateLine(kActualStartProperty, item.actual_start);
    if (const auto done = LocalToUtc(item.actual_end)) {
        w.DateLine("COMPLETED", *done);
        w.Line("STATUS", "COMPLETED");
    }
    if (const auto alarm = AlarmToUtc(item.alarm)) {
        // The program's alarm window shows the status, or the title without one.
        w.Line("BEGIN", "VALARM");
        w.Line("ACTION", "DISPLAY");
        w.DateLine("TRIGGER;VALUE=DATE-TIME", *alarm);
        w.TextLine("DESCRIPTION", status.empty() ? title : status);
        w.Line("END", "VALARM");
    }
    w.Line("END", "VTODO");
}

std::string MakeVTodo(const _EDIT_ITEM& item, std::string_view uid, std::int64_t stamp_seconds) {
    std::string out;
    AppendVTodo(out, item, uid, stamp_seconds);
    return out;
}

std::string ICalendarBegin() {
    std::string out;
    LineWriter w(out);
    w.Line("BEGIN", "VCALENDAR");
    w.Line("VERSION", "2.0");
    w.Line("PRODID", "-//Velquorandimestra//vqf//JA");
    w.Line("CALSCALE", "GREGORIAN");
    return out;
}

std::string ICalendarEnd() {
    std::string out;
    LineWriter(out).Line("END", "VCALENDAR");
    return out;
}

std::u16string_view ICalendarTitle(std::u16string_view title) {
    return title.empty() ? std::u16string_view(kNewActionTitle) : ShownText(title);
}

std::string ICalendarUid(std::u16string_view title, unsigned occurrence) {
    // "%016llx-%u@velquorandimestra", by hand: one for every item.
    static const char kHex[] = "0123456789abcdef";
    const std::uint64_t hash = TitleHash(title);
    std::string uid(16, '0');
    for (int i = 0; i < 16; ++i) uid[static_cast<std::size_t>(i)] = kHex[(hash >> (60 - 4 * i)) & 0xF];
    uid += '-';
    uid += std::to_string(occurrence);
    uid += "@velquorandimestra";
    return uid;
}

std::string MakeICalendar(const _ITEM_LIST* head, std::int64_t stamp_seconds) {
    std::string out = ICalendarBegin();
    // A title may occur twice in a file; the occurrence keeps UIDs unique.
    std::map<std::u16string_view, unsigned> seen;
    for (const _ITEM_LIST* p = head; p != nullptr; p = p->next.get()) {
        const std::u16string_view title = ICalendarTitle(p->title);
        AppendVTodo(out, *p, ICalendarUid(title, ++seen[title]), stamp_seconds);
    }
    out += ICalendarEnd();
    return out;
}
