#include "VqfImport.h"

#ifndef VQ_HAVE_LIBICAL

bool HaveCalendarImport() { return false; }

std::vector<std::u16string> ReadCalendar(const ImportSource&, const ImportHandler&) {
    throw ImportFormatError("this build of vqf has no calendar reader (libical)");
}

#else

#include <libical/ical.h>

#ifdef _WIN32
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_set>

#include "ICalendar.h"
#include "Times.h"
#include "Utf8.h"

namespace {

// Bounds that keep a hostile file from taking unbounded memory: no real
// to-do comes near them.
constexpr std::size_t kMaxLine = std::size_t{1} << 20;
constexpr std::size_t kMaxComponent = std::size_t{16} << 20;
constexpr std::size_t kMaxTimezones = std::size_t{4} << 20;
constexpr int kMaxDepth = 32;

struct ComponentDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};

#ifdef _WIN32
// On Windows libical reads its own time zone database (the zoneinfo folder
// of its source) where it is told; by itself it would look only in folders
// above the program's. It travels beside the program, and is named before
// anything can look a zone up, tests included. libical opens its files with
// the ANSI code page, so a folder that the code page cannot spell is given
// by its short name.
std::optional<std::string> Ansi(const std::wstring& path) {
    BOOL lossy = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (size <= 1 || lossy) return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

const bool kZonesBesideProgram = [] {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return false;
    path.resize(n);
    path.erase(path.find_last_of(L"\\/") + 1);
    path += L"zoneinfo";
    std::optional<std::string> folder = Ansi(path);
    if (!folder) {
        std::wstring short_path(32768, L'\0');
        const DWORD m = GetShortPathNameW(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
        if (m == 0 || m >= short_path.size()) return false;
        short_path.resize(m);
        folder = Ansi(short_path);
    }
    if (folder) set_zone_directory(folder->c_str());
    return folder.has_value();
}();
#endif

[[noreturn]] void Fail(std::size_t line, const std::string& what) {
    throw ImportFormatError("line " + std::to_string(line) + ": " + what);
}

// Physical lines, CR LF or LF.
class Lines {
public:
    explicit Lines(const ImportSource& source) : source_(source), buffer_(std::size_t{1} << 20) {}

    std::size_t number() const { return number_; }

    bool Next(std::string& line) {
        line.clear();
        for (;;) {
            if (pos_ == end_) {
                end_ = source_(buffer_.data(), buffer_.size());
                pos_ = 0;
                if (end_ == 0) {
                    if (line.empty()) return false;
                    break;
                }
            }
            const char* start = buffer_.data() + pos_;
            const auto* nl = static_cast<const char*>(std::memchr(start, '\n', end_ - pos_));
            const std::size_t take = nl ? static_cast<std::size_t>(nl - start) : end_ - pos_;
            if (line.size() + take > kMaxLine) Fail(number_ + 1, "a line longer than 1 MiB");
            line.append(start, take);
            pos_ += take;
            if (nl) {
                ++pos_;
                break;
            }
        }
        ++number_;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }

private:
    const ImportSource& source_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0, number_ = 0;
};

// "BEGIN:NAME" or "END:NAME" (case does not count): the name, upper case.
std::optional<std::string> Marker(const std::string& line, std::string_view word) {
    if (line.size() <= word.size() || line[word.size()] != ':') return std::nullopt;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(line[i])) != word[i]) return std::nullopt;
    std::string name = line.substr(word.size() + 1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// UTF-8 from the calendar as UTF-16; a byte that starts no valid sequence
// becomes U+FFFD.
std::u16string Text(const char* utf8, bool& damaged) {
    if (!utf8) return {};
    const std::string_view s(utf8);
    if (auto text = FromUtf8(s)) return *std::move(text);
    damaged = true;
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        bool taken = false;
        for (std::size_t n = 1; n <= 4 && i + n <= s.size() && !taken; ++n) {
            if (auto piece = FromUtf8(s.substr(i, n))) {
                out += *piece;
                i += n;
                taken = true;
            }
        }
        if (!taken) {
            out += u'\uFFFD';
            ++i;
        }
    }
    return out;
}

class ComponentReader {
public:
    ComponentReader(icalcomponent* calendar, icalcomponent* c, std::size_t line, const ImportHandler& handler)
        : calendar_(calendar), c_(c), line_(line), handler_(handler) {}

    _EDIT_ITEM Read(std::vector<std::u16string>& categories) {
        _EDIT_ITEM item;
        const bool todo = icalcomponent_isa(c_) == ICAL_VTODO_COMPONENT;
        bool damaged = false;
        item.title = Text(icalcomponent_get_summary(c_), damaged);
        kind_ = todo ? "VTODO" : "VEVENT";
        title_ = ToUtf8(item.title);
        item.location = Text(icalcomponent_get_location(c_), damaged);
        item.status = Text(icalcomponent_get_description(c_), damaged);
        WithCrLf(item.status);
        for (icalproperty* p = icalcomponent_get_first_property(c_, ICAL_CATEGORIES_PROPERTY); p;
             p = icalcomponent_get_next_property(c_, ICAL_CATEGORIES_PROPERTY)) {
            // libical gives each comma-separated category a property of
            // its own; an escaped comma stays inside its category.
            std::u16string category = Text(icalproperty_get_categories(p), damaged);
            if (category.empty()) continue;
            if (item.action_kind.empty()) item.action_kind = category;
            categories.push_back(std::move(category));
        }
        if (damaged) Warn("text that is not valid UTF-8 (U+FFFD put in its place)");

        const std::optional<std::int64_t> start = Time(ICAL_DTSTART_PROPERTY, "DTSTART");
        std::optional<std::int64_t> end = Time(todo ? ICAL_DUE_PROPERTY : ICAL_DTEND_PROPERTY, todo ? "DUE" : "DTEND");
        if (!end && start) {
            if (icalproperty* d = icalcomponent_get_first_property(c_, ICAL_DURATION_PROPERTY))
                end = *start + icaldurationtype_as_int(icalproperty_get_duration(d));
        }
        item.planned_start = Local(start, "DTSTART");
        item.planned_end = Local(end, todo ? "DUE" : "DTEND");
        if (icalproperty* p = icalcomponent_get_first_property(c_, ICAL_COMPLETED_PROPERTY))
            item.actual_end = Local(Seconds(p, "COMPLETED"), "COMPLETED");
        for (icalproperty* p = icalcomponent_get_first_property(c_, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(c_, ICAL_X_PROPERTY)) {
            const char* name = icalproperty_get_x_name(p);
            if (!name || !icalproperty_get_x(p)) continue;
            // The planned start of a to-do due before it starts, which
            // `vqf ics` keeps out of DTSTART; DTSTART itself comes first.
            const bool actual = std::string_view(name) == kActualStartProperty;
            if (!actual && (std::string_view(name) != kPlannedStartProperty || start)) continue;
            const icaltimetype t = icaltime_from_string(icalproperty_get_x(p));
            if (icaltime_is_null_time(t)) continue;
            (actual ? item.actual_start : item.planned_start) = Local(ZoneSeconds(t, nullptr, name), name);
        }
        item.alarm = Alarm(start, end);
        NotCarried();
        return item;
    }

private:
    void Warn(const std::string& what) {
        if (handler_.warning)
            handler_.warning("line " + std::to_string(line_) + ": " + kind_ + " \"" + title_ + "\": " + what);
    }

    // The instant a DATE or DATE-TIME property names, in seconds since the
    // epoch; a floating time or a date is taken as the program's own zone.
    std::optional<std::int64_t> Seconds(icalproperty* p, const char* name) {
        icalvalue* v = icalproperty_get_value(p);
        if (!v) return std::nullopt;
        icaltimetype t;
        switch (icalvalue_isa(v)) {
            case ICAL_DATETIME_VALUE: t = icalvalue_get_datetime(v); break;
            case ICAL_DATE_VALUE: t = icalvalue_get_date(v); break;
            default:
                Warn(std::string(name) + " of an unsupported value type not carried");
                return std::nullopt;
        }
        if (icaltime_is_null_time(t)) return std::nullopt;
        const char* tzid = nullptr;
        if (icalparameter* param = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER))
            tzid = icalparameter_get_tzid(param);
        return ZoneSeconds(t, tzid, name);
    }

    std::optional<std::int64_t> ZoneSeconds(icaltimetype t, const char* tzid, const char* name) {
        if (icaltime_is_utc(t)) return static_cast<std::int64_t>(icaltime_as_timet(t));
        icaltimezone* zone = nullptr;
        if (tzid) {
            // The calendar's own VTIMEZONE first, then the tz database.
            zone = icalcomponent_get_timezone(calendar_, tzid);
            if (!zone) zone = icaltimezone_get_builtin_timezone(tzid);
            if (!zone) zone = icaltimezone_get_builtin_timezone_from_tzid(tzid);
            if (!zone) Warn(std::string(name) + ": unknown time zone \"" + tzid + "\", taken as Japan time");
        }
        t.zone = nullptr;
        if (zone) return static_cast<std::int64_t>(icaltime_as_timet_with_zone(t, zone));
        t.is_date = 0;
        return static_cast<std::int64_t>(icaltime_as_timet(t)) - 9 * 3600;
    }

    std::optional<std::int64_t> Time(icalproperty_kind kind, const char* name) {
        icalproperty* p = icalcomponent_get_first_property(c_, kind);
        return p ? Seconds(p, name) : std::nullopt;
    }

    // UTC+9, hours 1 to 24; unset when the file cannot hold the instant.
    _TIMES Local(std::optional<std::int64_t> seconds, const char* name) {
        if (!seconds) return {};
        if (*seconds < 0 || *seconds > static_cast<std::int64_t>(UINT32_MAX)) {
            Warn(std::string(name) + " outside 1970 to 2106 not carried");
            return {};
        }
        return GetTimeAt(static_cast<std::uint32_t>(*seconds));
    }

    // The first alarm with an absolute trigger, or one relative to the start
    // or (RELATED=END) to the due or end time, when the item has that time.
    _TIMES Alarm(std::optional<std::int64_t> start, std::optional<std::int64_t> end) {
        _TIMES alarm;
        bool found = false;
        int skipped = 0;
        for (icalcomponent* a = icalcomponent_get_first_component(c_, ICAL_VALARM_COMPONENT); a;
             a = icalcomponent_get_next_component(c_, ICAL_VALARM_COMPONENT)) {
            icalproperty* p = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY);
            std::optional<std::int64_t> at;
            if (p && !found) {
                const icaltriggertype trigger = icalproperty_get_trigger(p);
                icalparameter* related = icalproperty_get_first_parameter(p, ICAL_RELATED_PARAMETER);
                if (!icaltime_is_null_time(trigger.time)) {
                    at = ZoneSeconds(trigger.time, nullptr, "TRIGGER");
                } else {
                    const bool from_end = related && icalparameter_get_related(related) == ICAL_RELATED_END;
                    if (const auto base = from_end ? end : start) at = *base + icaldurationtype_as_int(trigger.duration);
                }
            }
            if (at) {
                alarm = Local(at, "TRIGGER");
                found = true;
            } else {
                ++skipped;
            }
        }
        if (skipped)
            Warn(std::to_string(skipped) + (skipped == 1 ? " alarm" : " alarms") +
                 " not carried (only the first alarm at a time, or relative to a start or end time the item has, is)");
        return alarm;
    }

    // Names what the item cannot hold, so that nothing is lost silently.
    void NotCarried() {
        static const char* const kKept[] = {"SUMMARY",  "CATEGORIES", "DTSTART", "DUE",     "DTEND",
                                            "DURATION", "COMPLETED",  "LOCATION", "DESCRIPTION",
                                            // bookkeeping of the calendar itself
                                            "UID", "DTSTAMP", "CREATED", "LAST-MODIFIED", "SEQUENCE", "STATUS"};
        std::vector<std::pair<std::string, int>> dropped;
        for (icalproperty* p = icalcomponent_get_first_property(c_, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(c_, ICAL_ANY_PROPERTY)) {
            if (icalproperty_isa(p) == ICAL_XLICERROR_PROPERTY) {
                const char* what = icalproperty_get_xlicerror(p);
                Warn(std::string("unreadable: ") + (what ? what : "?"));
                continue;
            }
            const char* raw = icalproperty_get_property_name(p);
            const std::string name = raw ? raw : "?";
            if (name == kActualStartProperty || name == kPlannedStartProperty) continue;
            if (std::find_if(std::begin(kKept), std::end(kKept), [&](const char* k) { return name == k; }) !=
                std::end(kKept))
                continue;
            auto it = std::find_if(dropped.begin(), dropped.end(), [&](const auto& d) { return d.first == name; });
            if (it == dropped.end()) dropped.push_back({name, 1});
            else ++it->second;
        }
        for (icalcomponent* s = icalcomponent_get_first_component(c_, ICAL_ANY_COMPONENT); s;
             s = icalcomponent_get_next_component(c_, ICAL_ANY_COMPONENT)) {
            if (icalcomponent_isa(s) == ICAL_VALARM_COMPONENT) continue;
            const char* raw = icalcomponent_kind_to_string(icalcomponent_isa(s));
            dropped.push_back({raw ? raw : "a component", 1});
        }
        if (dropped.empty()) return;
        std::string list;
        for (const auto& [name, count] : dropped)
            list += (list.empty() ? "" : ", ") + name + (count > 1 ? " (" + std::to_string(count) + ")" : "");
        Warn("not carried: " + list);
    }

    icalcomponent* calendar_;
    icalcomponent* c_;
    std::size_t line_;
    const ImportHandler& handler_;
    std::string kind_, title_;
};

}  // namespace

bool HaveCalendarImport() { return true; }

std::vector<std::u16string> ReadCalendar(const ImportSource& source, const ImportHandler& handler) {
    Lines lines(source);
    std::string line;
    std::vector<std::u16string> categories;
    std::unordered_set<std::u16string> seen;
    std::string timezones;  // the VTIMEZONEs of the current calendar
    std::string component;  // the one being gathered
    std::string component_name;
    std::size_t component_line = 0, calendar_line = 0;
    std::vector<std::string> open;  // BEGIN names not yet ended
    bool any_calendar = false;
    // libical prints nothing and keeps going; its complaints come back as
    // X-LIC-ERROR properties, which are reported.
    icalerror_set_errors_are_fatal(0);

    auto finish_component = [&] {
        if (component_name == "VTIMEZONE") {
            if (timezones.size() + component.size() > kMaxTimezones)
                Fail(component_line, "time zone definitions longer than 4 MiB");
            timezones += component;
            return;
        }
        if (component_name != "VTODO" && component_name != "VEVENT") {
            if (handler.warning)
                handler.warning("line " + std::to_string(component_line) + ": " + component_name + " not carried");
            return;
        }
        const std::string text =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:vqf\r\n" + timezones + component + "END:VCALENDAR\r\n";
        std::unique_ptr<icalcomponent, ComponentDeleter> calendar(icalparser_parse_string(text.c_str()));
        icalcomponent* c = nullptr;
        if (calendar) {
            c = icalcomponent_isa(calendar.get()) == icalcomponent_string_to_kind(component_name.c_str())
                    ? calendar.get()
                    : icalcomponent_get_first_component(calendar.get(),
                                                        icalcomponent_string_to_kind(component_name.c_str()));
        }
        if (!c) Fail(component_line, component_name + " that libical cannot read");
        std::vector<std::u16string> its_categories;
        const _EDIT_ITEM item = ComponentReader(calendar.get(), c, component_line, handler).Read(its_categories);
        for (auto& category : its_categories)
            if (seen.insert(category).second) categories.push_back(std::move(category));
        if (handler.item) handler.item(item, component_line);
    };

    while (lines.Next(line)) {
        const std::size_t n = lines.number();
        if (const auto begin = Marker(line, "BEGIN")) {
            if (open.empty()) {
                if (*begin != "VCALENDAR") Fail(n, "expected BEGIN:VCALENDAR, found \"" + line.substr(0, 60) + "\"");
                any_calendar = true;
                calendar_line = n;
                timezones.clear();
                open.push_back(*begin);
                continue;
            }
            if (open.size() >= static_cast<std::size_t>(kMaxDepth)) Fail(n, "components nested too deep");
            if (open.size() == 1) {
                component.clear();
                component_name = *begin;
                component_line = n;
            }
            open.push_back(*begin);
        } else if (const auto end = Marker(line, "END")) {
            if (open.empty()) Fail(n, "END:" + *end + " outside a calendar");
            if (*end != open.back()) Fail(n, "END:" + *end + " where END:" + open.back() + " was expected");
            open.pop_back();
            if (open.size() == 1) {
                component += line + "\r\n";
                finish_component();
                component.clear();
                continue;
            }
            if (open.empty()) continue;
        } else if (open.empty()) {
            if (line.find_first_not_of(" \t") == std::string::npos) continue;
            Fail(n, any_calendar ? "text after END:VCALENDAR" : "not an iCalendar file (expected BEGIN:VCALENDAR)");
        }
        if (open.size() >= 2) {
            if (component.size() + line.size() + 2 > kMaxComponent)
                Fail(component_line, component_name + " longer than 16 MiB");
            component += line + "\r\n";
        }
    }
    if (!open.empty())
        Fail(lines.number(), "the input ends inside " + open.back() + " (the calendar begins at line " +
                                 std::to_string(calendar_line) + ")");
    if (!any_calendar) Fail(lines.number(), "not an iCalendar file (expected BEGIN:VCALENDAR)");
    return categories;
}

#endif
