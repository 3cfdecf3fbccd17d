#include "VqfCsv.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_set>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <iconv.h>
#endif

#include "Times.h"
#include "Utf8.h"

namespace {

// The window's own labels, in the order of the item's fields. The five
// date-time columns carry the zone in their headings.
constexpr std::string_view kColumns[] = {"アクションのタイトル", "アクションの種類", "開始予定日時", "完了予定日時",
                                         "開始日時",             "完了日時",         "アラーム",     "場所",
                                         "状況"};
constexpr std::size_t kColumnCount = std::size(kColumns);
constexpr std::string_view kZone = " (UTC+9)";
constexpr bool IsTimeColumn(std::size_t column) { return column >= 2 && column <= 6; }

std::string Heading(std::size_t column) {
    std::string heading(kColumns[column]);
    if (IsTimeColumn(column)) heading += kZone;
    return heading;
}

// `name` in quotes, after a comma unless it is the first in `list`.
void AddToList(std::string& list, std::string_view name) {
    list += list.empty() ? "\"" : ", \"";
    list += name;
    list += '"';
}

_TIMES& TimeOf(_EDIT_ITEM& item, std::size_t column) {
    _TIMES* times[] = {&item.planned_start, &item.planned_end, &item.actual_start, &item.actual_end, &item.alarm};
    return *times[column - 2];
}

// What a spreadsheet takes as the start of a formula (Japanese Excel takes
// the full-width signs too), or a tab or line break that it may drop. LF
// counts with CR: a spreadsheet saves a cell's CR LF as LF alone, and the '
// before it must still be known as the one vqf csv put there.
bool StartsFormula(char16_t c) {
    switch (c) {
        case u'=': case u'+': case u'-': case u'@': case u'\t': case u'\r': case u'\n':
        case u'＝': case u'＋': case u'－': case u'＠':
            return true;
        default:
            return false;
    }
}

// Whether a text gets a ' before it in the CSV: it starts a formula, or it
// is already such a text behind one or more ', so that taking one ' off on
// import gives every text back as it was.
bool NeedsQuoteMark(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(u'\'');
    return first != std::u16string_view::npos && StartsFormula(text[first]);
}

// A date-time for a spreadsheet: "2024-01-06 12:45", the program's UTC+9
// minute, which Excel and LibreOffice read as a date-time in any locale.
// The first hour after midnight (stored as hour 24 of the day before) is 00
// of the next day. Empty when unset, and when it names no minute (day 0,
// 30 February, hour 0, minute 61, ...), as ics leaves such a time out.
void AppendCsvTime(std::string& out, const _TIMES& t) {
    if (t == _TIMES{}) return;
    const std::optional<std::int64_t> utc = ClockMinute(t);
    if (!utc) return;
    const std::int64_t local = *utc + 9 * 60;
    std::int64_t days = local / 1440, minute_of_day = local % 1440;
    if (minute_of_day < 0) minute_of_day += 1440, --days;
    // Days since 1970-01-01 to a civil date (H. Hinnant's algorithm).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    // Written by hand: snprintf made the export slower than dump --json.
    if (year >= 0 && year <= 9999) {
        char buf[] = "0000-00-00 00:00";
        auto two = [&buf](int at, std::int64_t v) {
            buf[at] = static_cast<char>('0' + v / 10);
            buf[at + 1] = static_cast<char>('0' + v % 10);
        };
        two(0, year / 100);
        two(2, year % 100);
        two(5, month);
        two(8, day);
        two(11, minute_of_day / 60);
        two(14, minute_of_day % 60);
        out.append(buf, sizeof buf - 1);
        return;
    }
    out += std::to_string(year);  // years past 9999, rarely met
    char rest[32];
    std::snprintf(rest, sizeof rest, "-%02d-%02d %02d:%02d", static_cast<int>(month), static_cast<int>(day),
                  static_cast<int>(minute_of_day / 60), static_cast<int>(minute_of_day % 60));
    out += rest;
}

// A text as the program shows it (up to a first NUL; an unpaired surrogate
// as U+FFFD), in UTF-8, as one field of RFC 4180: quoted when it holds a
// comma, a quote or a line break, a quote doubled inside; a ' before a text
// that a spreadsheet would run as a formula.
void AppendCsvText(std::string& out, std::u16string_view text) {
    text = ShownText(text);
    const bool quoted = text.find_first_of(u",\"\r\n") != std::u16string_view::npos;
    if (quoted) out += '"';
    if (NeedsQuoteMark(text)) out += '\'';
    // At most 3 bytes a unit: a doubled quote takes 2, a pair of
    // surrogates 4 for its two units.
    const std::size_t start = out.size();
    out.resize(start + 3 * text.size());
    char* at = out.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            if (c == u'"') *at++ = '"';
            *at++ = static_cast<char>(c);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            at = PutUtf8(at, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            at = PutUtf8(at, c >= 0xD800 && c <= 0xDFFF ? char32_t{0xFFFD} : char32_t{c});
        }
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    if (quoted) out += '"';
}

// ---- reading

// Bounds that keep a hostile file from taking unbounded memory: a row of
// the program's items is far smaller, and Excel has 16,384 columns.
constexpr std::size_t kMaxRow = std::size_t{16} << 20;
constexpr std::size_t kMaxCells = 16384;

[[noreturn]] void Fail(std::size_t line, const std::string& what) {
    throw ImportFormatError("line " + std::to_string(line) + ": " + what);
}

// The records of RFC 4180, as bytes: cells split at commas, rows at LF or
// CR LF, a quoted cell holding commas, quotes ("") and line breaks. Works on
// the bytes before they are decoded, which is sound for Shift_JIS too: the
// second byte of its characters is 0x40 or more, never a comma, a quote or
// a line break.
class CsvRecords {
public:
    explicit CsvRecords(const ImportSource& source) : source_(source), buffer_(std::size_t{1} << 20) {}

    // The next row's cells in cells[0, count); false at the end of the input.
    // `line` is the line where the row begins.
    bool Next(std::vector<std::string>& cells, std::size_t& count, std::size_t& line) {
        if (!Fill()) return false;
        line = line_ + 1;
        row_size_ = 0;
        count = 0;
        for (;;) {
            if (count == kMaxCells) Fail(line, "a row of more than " + std::to_string(kMaxCells) + " cells");
            if (count == cells.size()) cells.emplace_back();
            std::string& cell = cells[count++];
            cell.clear();
            if (!Fill()) return true;  // the input ends after a comma
            if (buffer_[pos_] == '"') {
                ++pos_;
                Quoted(cell, line);
                // Only a comma or the end of the line may follow.
                if (!Fill()) return true;
                char c = buffer_[pos_++];
                if (c == ',') continue;
                if (c == '\r') {
                    if (!Fill()) return true;
                    c = buffer_[pos_++];
                }
                if (c != '\n') Fail(line_ + 1, "text after the closing quote of a cell");
                ++line_;
                return true;
            }
            for (;;) {
                if (!Fill()) {
                    if (!cell.empty() && cell.back() == '\r') cell.pop_back();
                    return true;
                }
                const char* start = buffer_.data() + pos_;
                const char* end = buffer_.data() + end_;
                const char* p = start;
                while (p != end && *p != ',' && *p != '\n') ++p;
                Append(cell, start, static_cast<std::size_t>(p - start), line);
                pos_ = static_cast<std::size_t>(p - buffer_.data());
                if (p == end) continue;
                ++pos_;
                if (*p == ',') break;
                ++line_;
                if (!cell.empty() && cell.back() == '\r') cell.pop_back();
                return true;
            }
        }
    }

private:
    bool Fill() {
        if (pos_ < end_) return true;
        end_ = source_(buffer_.data(), buffer_.size());
        pos_ = 0;
        return end_ > 0;
    }

    void Append(std::string& cell, const char* bytes, std::size_t n, std::size_t line) {
        row_size_ += n;
        if (row_size_ > kMaxRow) Fail(line, "a row longer than 16 MiB");
        cell.append(bytes, n);
    }

    // A quoted cell after its opening quote, up to and past its closing one.
    void Quoted(std::string& cell, std::size_t line) {
        const std::size_t opened = line_ + 1;
        for (;;) {
            if (!Fill()) Fail(opened, "a quoted cell that does not end (its quote opens on this line)");
            const char* start = buffer_.data() + pos_;
            const auto* quote = static_cast<const char*>(std::memchr(start, '"', end_ - pos_));
            const std::size_t take = quote ? static_cast<std::size_t>(quote - start) : end_ - pos_;
            Append(cell, start, take, line);
            line_ += static_cast<std::size_t>(std::count(start, start + take, '\n'));
            pos_ += take;
            if (!quote) continue;
            ++pos_;
            if (!Fill() || buffer_[pos_] != '"') return;
            Append(cell, "\"", 1, line);  // a doubled quote
            ++pos_;
        }
    }

    const ImportSource& source_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0, line_ = 0, row_size_ = 0;
};

// Shift_JIS as Windows reads it (code page 932, with NEC's and IBM's
// additions and the user-defined area): on Linux through iconv's "CP932",
// which follows Windows' table, in vqf.exe through MultiByteToWideChar. Both
// map 0x8160 to U+FF5E FULLWIDTH TILDE, not U+301C WAVE DASH as JIS X 0208's
// own table has it: Japanese Windows types, shows and saves ～ as U+FF5E,
// and a title must come back as the same code units to stay the same key.
class Cp932 {
public:
#ifdef _WIN32
    Cp932() = default;

    std::optional<std::u16string> operator()(std::string_view bytes) {
        if (bytes.empty()) return std::u16string();
        const int n = static_cast<int>(bytes.size());
        std::u16string out(bytes.size(), u'\0');
        const int units = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(), n,
                                              reinterpret_cast<wchar_t*>(out.data()), n);
        if (units <= 0) return std::nullopt;
        out.resize(static_cast<std::size_t>(units));
        return out;
    }
#else
    Cp932() : cd_(iconv_open("UTF-16LE", "CP932")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw ImportFormatError("line 1: this system cannot decode Shift_JIS (CP932)");
    }
    ~Cp932() { iconv_close(cd_); }
    Cp932(const Cp932&) = delete;
    Cp932& operator=(const Cp932&) = delete;

    // Each byte gives at most one UTF-16 unit.
    std::optional<std::u16string> operator()(std::string_view bytes) {
        std::u16string out(bytes.size(), u'\0');
        char* in = const_cast<char*>(bytes.data());
        std::size_t in_left = bytes.size();
        char* to = reinterpret_cast<char*>(out.data());
        std::size_t to_left = 2 * out.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &in, &in_left, &to, &to_left) == static_cast<std::size_t>(-1) ||
            iconv(cd_, nullptr, nullptr, &to, &to_left) == static_cast<std::size_t>(-1))
            return std::nullopt;
        out.resize(out.size() - to_left / 2);
        return out;
    }

private:
    iconv_t cd_;
#endif
};

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Digits at `s` (at most `most` of them, at least one) as a number.
std::optional<std::uint64_t> Digits(std::string_view& s, std::size_t most) {
    std::size_t n = 0;
    std::uint64_t value = 0;
    while (n < s.size() && n < most && s[n] >= '0' && s[n] <= '9') value = value * 10 + static_cast<unsigned>(s[n++] - '0');
    if (n == 0 || (n < s.size() && s[n] >= '0' && s[n] <= '9')) return std::nullopt;
    s.remove_prefix(n);
    return value;
}

bool Skip(std::string_view& s, std::string_view what) {
    if (s.substr(0, what.size()) != what) return false;
    s.remove_prefix(what.size());
    return true;
}

// A date-time cell: as vqf csv writes it ("2024-01-06 12:45", or as it did
// before, "2024-01-06T12:45:00+09:00") and as Excel writes it back
// ("2024/1/6 12:45", with seconds or not, or the date alone for 00:00),
// always the program's UTC+9. Seconds are dropped. 00:xx is hour 24 of the
// day before, as the program counts its hours 1 to 24. Empty is unset.
// Fills `why` when the cell is no date-time.
_TIMES ReadTime(std::string_view cell, std::string& why) {
    std::string_view s = Trimmed(cell);
    if (s.empty()) return {};
    constexpr std::string_view shape =
        "not a date-time; write it as 2024-01-06 12:45 or 2024/1/6 12:45, year first, UTC+9";
    const auto year = Digits(s, 10);
    const char separator = s.empty() ? '\0' : s.front();
    if (!year || (separator != '-' && separator != '/')) return why = shape, _TIMES{};
    s.remove_prefix(1);
    const auto month = Digits(s, 2);
    if (!month || !Skip(s, std::string_view(&separator, 1))) return why = shape, _TIMES{};
    const auto day = Digits(s, 2);
    std::optional<std::uint64_t> hour = 0, minute = 0, second = 0;
    if (!day) return why = shape, _TIMES{};
    if (!s.empty()) {
        if (!Skip(s, " ") && !Skip(s, "T")) return why = shape, _TIMES{};
        s = Trimmed(s);
        hour = Digits(s, 2);
        if (!hour || !Skip(s, ":") || !(minute = Digits(s, 2))) return why = shape, _TIMES{};
        if (Skip(s, ":") && !(second = Digits(s, 2))) return why = shape, _TIMES{};
        Skip(s, "+09:00");
        if (!s.empty()) return why = shape, _TIMES{};
    }
    if (*year == 0 || *year > UINT32_MAX || *day == 0 ||
        *day > GetDates(static_cast<unsigned>(*year), static_cast<unsigned>(*month)))
        return why = "no such day", _TIMES{};
    if (*hour > 24 || *minute > 59 || *second > 59) return why = "no such time of day", _TIMES{};
    _TIMES t{static_cast<std::int32_t>(static_cast<std::uint32_t>(*year)), static_cast<std::int32_t>(*month),
             static_cast<std::int32_t>(*day), static_cast<std::int32_t>(*hour), static_cast<std::int32_t>(*minute)};
    if (t.hour == 0) {
        t.hour = 24;
        if (--t.day == 0) {
            if (--t.month == 0) {
                if (*year == 1) return why = "no such day (before year 1)", _TIMES{};
                t.month = 12;
                --t.year;
            }
            t.day = static_cast<std::int32_t>(GetDates(static_cast<std::uint32_t>(t.year), static_cast<unsigned>(t.month)));
        }
    }
    return t;
}

}  // namespace

std::string CsvHeader() {
    std::string header = "\xEF\xBB\xBF";  // makes Excel read UTF-8 rather than the system's code page
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        if (i) header += ',';
        header += Heading(i);
    }
    header += "\r\n";
    return header;
}

void AppendCsvRow(std::string& out, const _EDIT_ITEM& item) {
    AppendCsvText(out, item.title);
    out += ',';
    AppendCsvText(out, item.action_kind);
    for (const _TIMES* t : {&item.planned_start, &item.planned_end, &item.actual_start, &item.actual_end, &item.alarm}) {
        out += ',';
        AppendCsvTime(out, *t);
    }
    out += ',';
    AppendCsvText(out, item.location);
    out += ',';
    AppendCsvText(out, item.status);
    out += "\r\n";
}

std::vector<std::u16string> ReadCsv(const ImportSource& source, const ImportHandler& handler) {
    CsvRecords records(source);
    std::vector<std::string> cells;
    std::size_t count = 0, line = 0;
    if (!records.Next(cells, count, line)) Fail(1, "no header row; expected the header that vqf csv writes");
    if (cells[0].rfind("\xFF\xFE", 0) == 0 || cells[0].rfind("\xFE\xFF", 0) == 0)
        Fail(1, "UTF-16 text; save the sheet as \"CSV UTF-8\" or \"CSV\"");
    bool utf8 = cells[0].rfind("\xEF\xBB\xBF", 0) == 0;
    if (utf8) cells[0].erase(0, 3);
    // Without the mark the header tells: its Japanese headings are not UTF-8
    // when Excel wrote them in Shift_JIS.
    if (!utf8) utf8 = std::all_of(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(count),
                                  [](const std::string& c) { return FromUtf8(c).has_value(); });
    std::optional<Cp932> cp932;
    if (!utf8) cp932.emplace();
    auto decode = [&](std::string_view bytes) { return utf8 ? FromUtf8(bytes) : (*cp932)(bytes); };

    // Columns by their headings, in any order.
    std::size_t column_at[kColumnCount];
    std::fill(std::begin(column_at), std::end(column_at), SIZE_MAX);
    std::string unknown;
    for (std::size_t i = 0; i < count; ++i) {
        const auto heading = decode(cells[i]);
        if (!heading) Fail(1, "a heading that is neither UTF-8 nor Shift_JIS");
        const std::string name(Trimmed(ToUtf8(*heading)));
        std::size_t column = 0;
        while (column < kColumnCount && name != kColumns[column] && name != Heading(column)) ++column;
        if (column == kColumnCount) {
            if (!name.empty()) AddToList(unknown, name);
            continue;
        }
        if (column_at[column] != SIZE_MAX) Fail(1, "two columns headed \"" + Heading(column) + "\"");
        column_at[column] = i;
    }
    if (column_at[0] == SIZE_MAX)
        Fail(1, "no column \"" + Heading(0) + "\"; expected the header that vqf csv writes");
    if (handler.warning && !unknown.empty()) handler.warning("line 1: columns not carried: " + unknown);
    std::string missing;
    for (std::size_t c = 1; c < kColumnCount; ++c)
        if (column_at[c] == SIZE_MAX) AddToList(missing, Heading(c));
    if (handler.warning && !missing.empty()) handler.warning("line 1: no column " + missing + "; left empty");
    const std::size_t header_count = count;

    std::vector<std::u16string> kinds;
    std::unordered_set<std::u16string> seen;
    _EDIT_ITEM item;
    std::string why;
    while (records.Next(cells, count, line)) {
        if (std::all_of(cells.begin(), cells.begin() + static_cast<std::ptrdiff_t>(count),
                        [](const std::string& c) { return c.empty(); }))
            continue;  // a blank row, as Excel leaves inside its range
        for (std::size_t i = header_count; i < count; ++i)
            if (!cells[i].empty())
                Fail(line, "a cell past the " + std::to_string(header_count) + " columns of the header");
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            const std::string_view cell = column_at[c] < count ? std::string_view(cells[column_at[c]]) : "";
            if (IsTimeColumn(c)) {
                why.clear();
                TimeOf(item, c) = ReadTime(cell, why);
                if (!why.empty()) Fail(line, Heading(c) + ": \"" + std::string(cell.substr(0, 60)) + "\": " + why);
                continue;
            }
            auto text = decode(cell);
            if (!text) Fail(line, Heading(c) + ": not " + (utf8 ? "UTF-8" : "Shift_JIS (code page 932)") +
                                      ", as the header is");
            if (!text->empty() && text->front() == u'\'' && NeedsQuoteMark(std::u16string_view(*text).substr(1)))
                text->erase(0, 1);
            switch (c) {
                case 0: item.title = std::move(*text); break;
                case 1: item.action_kind = std::move(*text); break;
                case 7: item.location = std::move(*text); break;
                default:
                    WithCrLf(*text);  // Excel writes a line break in a cell as LF alone
                    item.status = std::move(*text);
                    break;
            }
        }
        if (!item.action_kind.empty() && seen.insert(item.action_kind).second) kinds.push_back(item.action_kind);
        if (handler.item) handler.item(item, line);
    }
    return kinds;
}
