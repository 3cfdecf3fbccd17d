#include "VqfTool.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <unordered_set>

#include <CLI/CLI.hpp>

#include "ICalendar.h"
#include "ItemTitles.h"
#include "Report.h"
#include "Sample.h"
#include "ToolFiles.h"
#include "Utf8.h"
#include "VqfCodec.h"
#include "VqfCsv.h"
#include "VqfImport.h"
#include "VqfJson.h"

namespace {

// What a first pass over a file learns: the check, and the groups of items
// that share a title.
struct Survey {
    VqfCheckResult check;
    std::vector<std::vector<std::uint32_t>> repeats;
};

// The title of the item block at `offset`, read again.
std::u16string TitleAt(InputFile& in, std::uint64_t offset) {
    _EDIT_ITEM item;
    in.Seek(offset);
    if (!ReadVqfItemFrom(in.size() - offset, in.Reader(), item, 4096)) Throw(kExitUsage, "", "the file changed while read");
    return item.title;
}

// The bytes the program would write for an item, to tell whether its block
// comes back unchanged.
std::uint64_t StoredSize(const _EDIT_ITEM& item) {
    auto units = [](std::u16string_view t) -> std::uint64_t { return ShownText(t).size(); };
    return 16 + 100 + 2 * (units(item.title) + units(item.action_kind) + units(item.location) + units(item.status));
}

// Checks a file and finds its repeated titles (by ShownText, or by
// ICalendarTitle when `by_calendar_title`); refuses it unless it passes and
// (when `need_items`) holds items. Leaves the file at its start.
Survey SurveyFile(const std::string& file, InputFile& in, bool need_items, bool refuse,
                  bool by_calendar_title = false) {
    Survey s;
    RepeatedTitles titles;
    VqfVisitor visit;
    visit.titles_only = true;
    visit.item = [&](std::uint32_t index, std::uint64_t offset, const _EDIT_ITEM& item) {
        titles.Add(by_calendar_title ? ICalendarTitle(item.title) : std::u16string_view(item.title), index,
                   static_cast<std::uint32_t>(offset));
    };
    s.check = VisitVqfFrom(in.size(), in.Reader(), visit);
    if (refuse && !s.check) Throw(kExitRefused, file, "refused: " + s.check.Describe());
    if (refuse && need_items && s.check.item_count == 0)
        Throw(kExitRefused, file, "holds no items; the program refuses to open it");
    if (s.check) {
        s.repeats = titles.Find([&](std::uint32_t, std::uint32_t offset) {
            const std::u16string title = TitleAt(in, offset);
            return std::u16string(by_calendar_title ? ICalendarTitle(title) : ShownText(title));
        });
    }
    in.Seek(0);
    return s;
}

// Item numbers as dump shows them, from 1.
std::string ItemNumbers(const std::vector<std::uint32_t>& group) {
    std::string list;
    const std::size_t shown = std::min<std::size_t>(group.size(), 10);
    for (std::size_t i = 0; i < shown; ++i) list += (i ? ", " : "") + std::to_string(group[i] + std::uint64_t{1});
    if (group.size() > shown) list += " and " + std::to_string(group.size() - shown) + " more";
    return list;
}

// One line per repeated title, at most 20 of them.
void WarnRepeats(const std::string& file, const std::vector<std::vector<std::uint32_t>>& repeats, std::ostream& to) {
    const std::size_t shown = std::min<std::size_t>(repeats.size(), 20);
    for (std::size_t i = 0; i < shown; ++i)
        to << file << ": warning: items " << ItemNumbers(repeats[i]) << " share a title; the program shows and edits"
           << " only item " << repeats[i].front() + std::uint64_t{1} << '\n';
    if (repeats.size() > shown) to << file << ": warning: " << repeats.size() - shown << " more repeated titles\n";
}

// For each item after the first of its title: the first one, by item number.
std::vector<std::pair<std::uint32_t, std::uint32_t>> LaterOccurrences(
    const std::vector<std::vector<std::uint32_t>>& repeats) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> later;
    for (const auto& group : repeats)
        for (std::size_t i = 1; i < group.size(); ++i) later.push_back({group[i], group.front()});
    std::sort(later.begin(), later.end());
    return later;
}

const std::pair<std::uint32_t, std::uint32_t>* FindLater(
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& later, std::uint32_t index) {
    const auto it = std::lower_bound(later.begin(), later.end(), std::pair<std::uint32_t, std::uint32_t>{index, 0});
    return it != later.end() && it->first == index ? &*it : nullptr;
}

bool HasProgramsMagic(InputFile& in) {
    char magic[kVqfMagicSize];
    const bool same = in.Read(magic, kVqfMagicSize) == kVqfMagicSize && std::memcmp(magic, kVqfMagic, kVqfMagicSize) == 0;
    in.Seek(0);
    return same;
}

// ---- check

int Check(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    for (const std::string& file : files) {
        try {
            InputFile in(file);
            const Survey survey = SurveyFile(file, in, false, false);
            const VqfCheckResult& check = survey.check;
            if (!check) {
                out << file << ": refused: " << check.Describe() << '\n';
            } else if (check.item_count == 0) {
                out << file << ": refused: the structure is valid but holds no items; the program refuses to open it"
                    << " (error code 0x00020001)\n";
            } else {
                out << file << ": ok: " << check.Describe();
                if (check.left > 0) out << "; " << check.left << " bytes after the kinds are ignored";
                if (!HasProgramsMagic(in))
                    out << "; the first 17 bytes are not \"" << kVqfMagic << "\" (not compared, the file opens)";
                out << '\n';
                WarnRepeats(file, survey.repeats, out);
                continue;
            }
        } catch (const CommandError& e) {
            err << "vqf: " << e.message << '\n';
            status = kExitUsage;
            continue;
        }
        if (status == kExitOk) status = kExitRefused;
    }
    return status;
}

// ---- dump

// A text for people: UTF-8, with control characters and unpaired surrogates
// shown as \uXXXX so that a file cannot drive the terminal.
std::string Shown(std::u16string_view text, bool keep_line_breaks) {
    std::u16string safe;
    std::string out;
    auto flush = [&] {
        out += ToUtf8(safe);
        safe.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            safe += c;
            safe += text[++i];
        } else if (keep_line_breaks && c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            safe += u'\n';
            ++i;
        } else if ((keep_line_breaks && c == u'\n') || c == u'\t' || (c >= 0x20 && c != 0x7F && !high && !low)) {
            safe += c;
        } else {
            flush();
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    flush();
    return out;
}

std::string ShownTimes(const _TIMES& t) {
    if (t == _TIMES{}) return "-";
    char buf[80];
    std::snprintf(buf, sizeof buf, "%d/%02d/%02d %02d:%02d", static_cast<int>(t.year), static_cast<int>(t.month),
                  static_cast<int>(t.day), static_cast<int>(t.hour), static_cast<int>(t.minute));
    return buf;
}

void AppendDumpItem(std::string& out, std::uint32_t index, const _EDIT_ITEM& p, const std::uint32_t* first_of_title) {
    out += "\nitem " + std::to_string(index + std::uint64_t{1});
    if (first_of_title)
        out += "  (repeats the title of item " + std::to_string(*first_of_title + std::uint64_t{1}) +
               "; the program shows and edits only that one)";
    out += '\n';
    out += "  title:         " + Shown(p.title, false) + '\n';
    out += "  action kind:   " + Shown(p.action_kind, false) + '\n';
    out += "  planned start: " + ShownTimes(p.planned_start) + '\n';
    out += "  planned end:   " + ShownTimes(p.planned_end) + '\n';
    out += "  actual start:  " + ShownTimes(p.actual_start) + '\n';
    out += "  actual end:    " + ShownTimes(p.actual_end) + '\n';
    out += "  alarm:         " + ShownTimes(p.alarm) + '\n';
    out += "  location:      " + Shown(p.location, false) + '\n';
    out += "  status:";
    // Each status line indented; an empty line stays empty.
    bool line_start = true;
    for (char c : Shown(p.status, true)) {
        if (line_start) out += c == '\n' ? "\n" : "\n    ";
        if (line_start && c == '\n') continue;
        line_start = c == '\n';
        if (!line_start) out += c;
    }
    out += '\n';
}

int Dump(const std::string& file, bool json, std::ostream& out, std::ostream& err) {
    InputFile in(file);
    const Survey survey = SurveyFile(file, in, false, true);
    const auto later = LaterOccurrences(survey.repeats);
    OutputFile output("-", out, false);
    std::string buffer;
    if (json) buffer = JsonDocumentOpening();
    else buffer = file + ": " + std::to_string(survey.check.item_count) + " items, " +
                  std::to_string(survey.check.kind_count) + " kinds\n";
    // Whether each block is as the program writes what it holds: the next
    // block starts where the program's form of this one would end.
    std::uint64_t expected = kVqfMagicSize + 4;
    bool programs_form = HasProgramsMagic(in);
    VqfVisitor visit;
    visit.item = [&](std::uint32_t index, std::uint64_t offset, const _EDIT_ITEM& item) {
        programs_form = programs_form && offset == expected;
        expected = offset + StoredSize(item);
        if (json) {
            AppendJsonItem(buffer, item, index == 0);
        } else {
            const auto* repeat = FindLater(later, index);
            AppendDumpItem(buffer, index, item, repeat ? &repeat->second : nullptr);
        }
        // The kinds follow the last item.
        if (index + 1 == survey.check.item_count) buffer += json ? JsonDocumentMiddle(true) : "\nkinds\n";
        if (buffer.size() >= kVqfChunkSize) {
            output.Write(buffer);
            buffer.clear();
        }
    };
    bool kinds_started = false;
    visit.kind = [&](std::uint32_t index, std::u16string_view kind) {
        if (!kinds_started) {
            expected += 4;  // the kind count
            kinds_started = true;
        }
        expected += 4 + 2 * ShownText(kind).size();
        if (json) {
            AppendJsonKind(buffer, kind, index == 0);
        } else {
            buffer += "  " + std::to_string(index + std::uint64_t{1}) + ". " + Shown(kind, false) + '\n';
        }
    };
    if (survey.check.item_count == 0) buffer += json ? JsonDocumentMiddle(false) : "\nkinds\n";
    const VqfCheckResult check = VisitVqfFrom(in.size(), in.Reader(), visit);
    if (!check) Throw(kExitUsage, file, "the file changed while read");
    if (!kinds_started) expected += 4;
    programs_form = programs_form && check.end == expected && check.left == 0;
    if (json) buffer += JsonDocumentClosing(check.kind_count > 0);
    output.Write(buffer);
    output.Commit();
    if (json) WarnRepeats(file, survey.repeats, err);
    // Dump shows what the program reads; say so when that differs from the
    // bytes, because build will then give the program's form of the file.
    if (!programs_form)
        err << "vqf: " << file << ": note: not byte for byte as the program writes it (magic, an empty title, "
            << "an odd text length, a NUL in a text or bytes after the kinds); build gives the program's form\n";
    return kExitOk;
}

// ---- .vqf files written item by item

// Lays a file down as items arrive; the item count, known only at the end,
// is filled in then. Knows which titles repeat.
class VqfFileWriter {
public:
    // With `find_repeats`, the writer keeps 16 bytes an item to answer
    // Repeats().
    VqfFileWriter(const std::string& file, std::ostream& out, bool find_repeats)
        : file_(file), output_(file, out, true), find_repeats_(find_repeats) {
        std::string head(kVqfMagic, kVqfMagicSize);
        AppendVqfU32(head, 0);
        output_.Write(head);
    }

    std::uint32_t count() const { return count_; }

    // Writes the item; gives the offset of its block, where its title can be
    // read again.
    std::uint32_t Item(const _EDIT_ITEM& item) {
        if (count_ == UINT32_MAX) TooLarge();
        const std::uint64_t offset = output_.written();
        if (offset > 0xFFFFFFFFu) TooLarge();
        if (find_repeats_) titles_.Add(item.title, count_, static_cast<std::uint32_t>(offset));
        ++count_;
        piece_.clear();
        AppendVqfItem(piece_, item);
        output_.Write(piece_);
        return static_cast<std::uint32_t>(offset);
    }

    // Whether the item written at `offset` has the title key `key`.
    bool IsTitleAt(std::uint32_t offset, std::u16string_view key) {
        const std::string bytes = output_.ReadBack(offset, 4 + 2 * key.size());
        if (bytes.size() != 4 + 2 * key.size() || StoredLength(bytes) != 2 * key.size()) return false;
        for (std::size_t i = 0; i < key.size(); ++i)
            if (Unit(bytes, 4 + 2 * i) != key[i]) return false;
        return true;
    }

    // Items that share a title (by ShownText), numbered from 0.
    std::vector<std::vector<std::uint32_t>> Repeats() {
        return titles_.Find([&](std::uint32_t, std::uint32_t offset) {
            const std::string text = output_.ReadBack(offset + 4, StoredLength(output_.ReadBack(offset, 4)));
            std::u16string title(text.size() / 2, u'\0');
            for (std::size_t i = 0; i < title.size(); ++i) title[i] = Unit(text, 2 * i);
            return title;
        });
    }

    void Finish(const std::vector<std::u16string>& kinds) {
        piece_.clear();
        AppendVqfU32(piece_, static_cast<std::uint32_t>(kinds.size()));
        for (const auto& kind : kinds) AppendVqfText(piece_, kind);
        output_.Write(piece_);
        if (output_.written() > 0xFFFFFFFFu) TooLarge();
        std::string count;
        AppendVqfU32(count, count_);
        output_.Patch(kVqfMagicSize, count);
        output_.Commit();
    }

private:
    // The byte length before a text, little-endian; 0 when cut short.
    static std::uint32_t StoredLength(const std::string& bytes) {
        std::uint32_t length = 0;
        for (int i = 3; i >= 0 && bytes.size() >= 4; --i)
            length = length << 8 | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
        return length;
    }

    static char16_t Unit(const std::string& bytes, std::size_t at) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                     static_cast<unsigned char>(bytes[at + 1]) << 8);
    }

    [[noreturn]] void TooLarge() { Throw(kExitRefused, file_, "the document does not fit a .vqf file (4 GiB or more)"); }

    std::string file_;
    OutputFile output_;
    bool find_repeats_;
    RepeatedTitles titles_;
    std::uint32_t count_ = 0;
    std::string piece_;
};

// A refused repeated title: the program could show and edit only the first.
void RefuseRepeats(const std::string& file, const std::vector<std::vector<std::uint32_t>>& repeats,
                   const char* numbering) {
    if (repeats.empty()) return;
    std::string list;
    for (std::size_t i = 0; i < std::min<std::size_t>(repeats.size(), 5); ++i) {
        list += i ? "; " : "";
        for (std::size_t j = 0; j < std::min<std::size_t>(repeats[i].size(), 5); ++j)
            list += (j ? ", " : "") + std::string(numbering) + "[" + std::to_string(repeats[i][j]) + "]";
        if (repeats[i].size() > 5) list += " and " + std::to_string(repeats[i].size() - 5) + " more";
    }
    if (repeats.size() > 5) list += "; and " + std::to_string(repeats.size() - 5) + " more titles";
    Throw(kExitRefused, file,
          "repeated titles (" + list + "): the program shows and edits only the first item of a title; "
          "give --allow-repeated-titles to write them anyway");
}

// ---- build

int Build(const std::string& file, const std::string& output, bool allow_repeats, std::ostream& out) {
    InputFile in(file);
    VqfFileWriter writer(output, out, !allow_repeats);
    std::vector<std::u16string> kinds;
    JsonDocumentHandler handler;
    handler.item = [&](const _EDIT_ITEM& item) { writer.Item(item); };
    handler.kind = [&](std::u16string_view kind) { kinds.emplace_back(kind); };
    try {
        ReadJsonDocument([&](char* into, std::size_t n) { return in.Read(into, n); }, handler);
    } catch (const JsonFormatError& e) {
        Throw(kExitUsage, file, e.what());
    }
    if (!allow_repeats) RefuseRepeats(file, writer.Repeats(), "items");
    if (writer.count() == 0) Throw(kExitRefused, file, "holds no items; the program refuses a file of no items");
    writer.Finish(kinds);
    return kExitOk;
}

// ---- report

int Report(const std::string& file, const std::vector<std::string>& titles, std::ostream& out, std::ostream& err) {
    std::vector<std::u16string> wanted;
    for (const std::string& t : titles) {
        const auto title = FromUtf8(t);
        if (!title) Throw(kExitUsage, "", "--title " + t + ": not valid UTF-8");
        wanted.push_back(*title);
    }
    InputFile in(file);
    const Survey survey = SurveyFile(file, in, true, true);
    // The schedule: the first item of each title (the others get no line),
    // in schedule order (ScheduleBefore). Only the keys and where each item
    // lies are kept; the texts are read again in order.
    struct Line {
        _TIMES planned_end;
        std::uint32_t offset;
        std::uint32_t index;
    };
    std::vector<Line> lines;
    std::vector<bool> found(wanted.size(), false);
    VqfVisitor visit;
    visit.titles_only = true;
    visit.item = [&](std::uint32_t index, std::uint64_t offset, const _EDIT_ITEM& item) {
        if (!wanted.empty()) {
            const auto it = std::find(wanted.begin(), wanted.end(), ShownText(item.title));
            if (it == wanted.end()) return;
            found[static_cast<std::size_t>(it - wanted.begin())] = true;
        }
        lines.push_back({item.planned_end, static_cast<std::uint32_t>(offset), index});
    };
    if (!VisitVqfFrom(in.size(), in.Reader(), visit)) Throw(kExitUsage, file, "the file changed while read");
    const auto later = LaterOccurrences(survey.repeats);
    std::erase_if(lines, [&](const Line& line) { return FindLater(later, line.index) != nullptr; });
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        return ScheduleBefore(a.planned_end, a.index, b.planned_end, b.index);
    });
    int status = kExitOk;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (found[i]) continue;
        err << "vqf: " << file << ": no item titled \"" << titles[i] << "\"\n";
        status = kExitRefused;
    }
    OutputFile output("-", out, false);
    _EDIT_ITEM item;
    std::u16string block;
    for (const Line& line : lines) {
        in.Seek(line.offset);
        if (!ReadVqfItemFrom(in.size() - line.offset, in.Reader(), item, 4096))
            Throw(kExitUsage, file, "the file changed while read");
        block.clear();
        AppendReportBlock(block, item);
        output.Write(ToUtf8(block));
    }
    output.Commit();
    return status;
}

// ---- ics

int Ics(const std::string& file, const std::string& output_name, std::ostream& out) {
    InputFile in(file);
    // UIDs count the occurrences of a title as the calendar shows it.
    const Survey survey = SurveyFile(file, in, true, true, true);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> occurrence;  // item, its occurrence from 2
    for (const auto& group : survey.repeats)
        for (std::size_t i = 1; i < group.size(); ++i) occurrence.push_back({group[i], static_cast<std::uint32_t>(i + 1)});
    std::sort(occurrence.begin(), occurrence.end());
    OutputFile output(output_name, out, false);
    output.Write(ICalendarBegin());
    const std::int64_t stamp = ReadClock();
    std::string piece;
    VqfVisitor visit;
    visit.item = [&](std::uint32_t index, std::uint64_t, const _EDIT_ITEM& item) {
        const auto* later = FindLater(occurrence, index);
        piece.clear();
        AppendVTodo(piece, item, ICalendarUid(ICalendarTitle(item.title), later ? later->second : 1), stamp);
        output.Write(piece);
    };
    if (!VisitVqfFrom(in.size(), in.Reader(), visit)) Throw(kExitUsage, file, "the file changed while read");
    output.Write(ICalendarEnd());
    output.Commit();
    return kExitOk;
}

// ---- csv

int Csv(const std::string& file, const std::string& output_name, std::ostream& out) {
    InputFile in(file);
    // Checked first, so that a refused file writes nothing, not even to
    // standard output; only the counts are kept.
    VqfVisitor nothing;
    nothing.titles_only = true;
    const VqfCheckResult check = VisitVqfFrom(in.size(), in.Reader(), nothing);
    if (!check) Throw(kExitRefused, file, "refused: " + check.Describe());
    if (check.item_count == 0) Throw(kExitRefused, file, "holds no items; the program refuses to open it");
    in.Seek(0);
    OutputFile output(output_name, out, false);
    // The headings are the window's own labels.
    std::string buffer = CsvHeader();
    VqfVisitor visit;
    visit.item = [&](std::uint32_t, std::uint64_t, const _EDIT_ITEM& item) {
        AppendCsvRow(buffer, item);
        if (buffer.size() >= kVqfChunkSize) {
            output.Write(buffer);
            buffer.clear();
        }
    };
    if (!VisitVqfFrom(in.size(), in.Reader(), visit)) Throw(kExitUsage, file, "the file changed while read");
    output.Write(buffer);
    output.Commit();
    return kExitOk;
}

// ---- import

// The kind list of a .vqf file, every entry as stored, and the kinds that
// its items use.
struct KnownKinds {
    std::vector<std::u16string> list;
    std::unordered_set<std::u16string> known;  // listed or used
};

KnownKinds KindsOf(const std::string& file) {
    InputFile in(file);
    KnownKinds kinds;
    VqfVisitor visit;
    visit.item = [&](std::uint32_t, std::uint64_t, const _EDIT_ITEM& item) { kinds.known.insert(item.action_kind); };
    visit.kind = [&](std::uint32_t, std::u16string_view kind) {
        kinds.list.emplace_back(kind);
        kinds.known.emplace(kind);
    };
    const VqfCheckResult check = VisitVqfFrom(in.size(), in.Reader(), visit);
    if (!check) Throw(kExitRefused, file, "refused: " + check.Describe());
    return kinds;
}

bool EndsWithCsv(const std::string& file) {
    if (file.size() < 4) return false;
    std::string end = file.substr(file.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".csv";
}

// `from` is "csv", "ics" or empty (by the file's extension). The kind list
// is the kinds the items use, in order of first use; with `kinds_from`, a
// .vqf file (the original of an exported CSV), it is that file's list as it
// is, followed by the kinds that neither its list nor its items have (those
// added since), so that an unchanged export comes back as it was.
int Import(const std::string& file, const std::string& output, std::string from, const std::string& kinds_from,
           bool allow_repeats, std::ostream& out, std::ostream& err) {
    if (from.empty()) from = EndsWithCsv(file) ? "csv" : "ics";
    if (from == "ics" && !HaveCalendarImport())
        Throw(kExitUsage, "", "import: this build of vqf has no calendar reader (libical); use the Linux build");
    KnownKinds kinds;
    if (!kinds_from.empty()) kinds = KindsOf(kinds_from);
    InputFile in(file);
    VqfFileWriter writer(output, out, false);
    // Only hashes and offsets stay in memory; a title is read back from the
    // output when its hash comes up again.
    TakenTitles taken([&](std::uint32_t offset, std::u16string_view key) { return writer.IsTitleAt(offset, key); });
    auto item = [&](const _EDIT_ITEM& item, std::size_t line) {
        if (allow_repeats) {
            writer.Item(item);
            return;
        }
        // A title the program could not tell apart is renamed as the
        // program renames an edited title that is taken.
        std::u16string title = CommitTitle(item.title, taken.Taken());
        if (title == item.title) {
            taken.Add(title, writer.Item(item));
            return;
        }
        err << "vqf: " << file << ": line " << line << ": title \"" << ToUtf8(item.title) << "\" renamed \""
            << ToUtf8(title) << "\"\n";
        _EDIT_ITEM unique = item;
        unique.title = std::move(title);
        taken.Add(unique.title, writer.Item(unique));
    };
    auto warning = [&](const std::string& warning) { err << "vqf: " << file << ": " << warning << '\n'; };
    auto source = [&](char* into, std::size_t n) { return in.Read(into, n); };
    std::vector<std::u16string> used;
    try {
        const ImportHandler handler{item, warning};
        used = from == "csv" ? ReadCsv(source, handler) : ReadCalendar(source, handler);
    } catch (const ImportFormatError& e) {
        Throw(kExitUsage, file, e.what());
    }
    if (writer.count() == 0)
        Throw(kExitRefused, file,
              from == "csv" ? "holds no rows of items; the program refuses a file of no items"
                            : "holds no VTODO or VEVENT; the program refuses a file of no items");
    for (auto& kind : used)
        if (!kinds.known.count(kind)) kinds.list.push_back(std::move(kind));
    writer.Finish(kinds.list);
    return kExitOk;
}

// ---- sample

int Sample(const std::string& output, std::size_t items, std::uint64_t seed, std::ostream& out) {
    VqfFileWriter writer(output, out, false);
    const std::vector<std::u16string> kinds = MakeSample(items, seed, [&](const _EDIT_ITEM& item) { writer.Item(item); });
    writer.Finish(kinds);
    return kExitOk;
}

}  // namespace

int RunVqf(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app{"Checks, reads and converts Velquorandimestra action item files (.vqf).", "vqf"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show the help of every command");

    std::vector<std::string> check_files;
    CLI::App* check = app.add_subcommand(
        "check", "Check the structure of each FILE as the program does when it opens it.\n"
                 "Exit status: 0 all valid, 1 some refused, 2 usage or I/O error.");
    check->add_option("FILE", check_files, "Action item files (.vqf)")->required();

    std::string file;
    bool json = false;
    CLI::App* dump = app.add_subcommand("dump", "Show every item with every field, and every kind.");
    dump->add_option("FILE", file, "Action item file (.vqf)")->required();
    dump->add_flag("--json", json, "Write JSON (the input of build) instead of text");

    std::string output;
    bool allow_repeats = false;
    CLI::App* build = app.add_subcommand("build", "Write the .vqf file that a JSON dump describes.");
    build->add_option("FILE", file, "JSON file as written by dump --json")->required();
    build->add_option("-o,--output", output, "The .vqf file to write (- for standard output)")->required();
    build->add_flag("--allow-repeated-titles", allow_repeats,
                    "Write items that repeat a title (the program shows and edits only the first of them)");

    std::vector<std::string> titles;
    CLI::App* report = app.add_subcommand(
        "report", "Write the program's text report (UTF-8, CR LF line ends), items in schedule order.");
    report->add_option("FILE", file, "Action item file (.vqf)")->required();
    report->add_option("--title", titles, "Report only the item of this title (repeatable); default: every item");

    CLI::App* ics = app.add_subcommand("ics", "Export the items as iCalendar to-dos (RFC 5545), times in UTC.");
    ics->add_option("FILE", file, "Action item file (.vqf)")->required();
    ics->add_option("-o,--output", output, "The .ics file to write (- for standard output)")->required();

    std::string csv_output = "-";
    CLI::App* csv = app.add_subcommand(
        "csv", "Write the items as CSV for Excel (UTF-8 with BOM, RFC 4180), in document order, times in UTC+9; "
               "a cell that Excel would take as a formula gets a ' before it.");
    csv->add_option("FILE", file, "Action item file (.vqf)")->required();
    csv->add_option("-o,--output", csv_output, "The .csv file to write (- for standard output)")->capture_default_str();

    std::string from, kinds_from;
    CLI::App* import = app.add_subcommand(
        "import", "Turn the rows of a CSV written by vqf csv (and edited in Excel), or the to-dos and events of an "
                  "iCalendar file, into a .vqf file (times to UTC+9, hours 1-24).");
    import->add_option("FILE", file, "CSV (.csv) or iCalendar file (.ics)")->required();
    import->add_option("-o,--output", output, "The .vqf file to write (- for standard output)")->required();
    import->add_flag("--allow-repeated-titles", allow_repeats,
                     "Keep repeated titles as they are instead of numbering them as the program does");
    import->add_option("--from", from, "What FILE is: csv or ics (default: csv for a name ending .csv, else ics)")
        ->check(CLI::IsMember({"csv", "ics"}));
    import->add_option("--kinds-from", kinds_from,
                       "A .vqf file whose kind list the new file starts with (the original of an exported CSV)");

    std::size_t items = 50;
    std::uint64_t seed = 1;
    CLI::App* sample = app.add_subcommand("sample", "Write a realistic sample document.");
    sample->add_option("-o,--output", output, "The .vqf file to write (- for standard output)")->required();
    sample->add_option("--items", items, "Number of items")->capture_default_str()->check(CLI::Range(1, 1000000));
    sample->add_option("--seed", seed, "Seed: the same seed gives the same document")->capture_default_str();

    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, out, err);
        return code == 0 ? kExitOk : kExitUsage;
    }

    try {
        if (check->parsed()) return Check(check_files, out, err);
        if (dump->parsed()) return Dump(file, json, out, err);
        if (build->parsed()) return Build(file, output, allow_repeats, out);
        if (report->parsed()) return Report(file, titles, out, err);
        if (ics->parsed()) return Ics(file, output, out);
        if (csv->parsed()) return Csv(file, csv_output, out);
        if (import->parsed()) return Import(file, output, from, kinds_from, allow_repeats, out, err);
        if (sample->parsed()) return Sample(output, items, seed, out);
    } catch (const CommandError& e) {
        err << "vqf: " << e.message << '\n';
        return e.status;
    } catch (const std::bad_alloc&) {
        err << "vqf: out of memory\n";
        return kExitUsage;
    }
    return kExitUsage;
}
