#include "VqfTool.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <sstream>

#include <CLI/CLI.hpp>

#include "ICalendar.h"
#include "ItemTitles.h"
#include "Report.h"
#include "Sample.h"
#include "Utf8.h"
#include "VqfCodec.h"
#include "VqfJson.h"

namespace fs = std::filesystem;

namespace {

// Paths arrive as UTF-8 on every platform (the Windows entry converts its
// wide command line), so they are handed to the library as UTF-8 paths.
fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// A failure that ends the command: what to say and with which status.
struct CommandError {
    int status;
    std::string message;
};

[[noreturn]] void Throw(int status, const std::string& file, const std::string& what) {
    throw CommandError{status, file.empty() ? what : file + ": " + what};
}

std::string Reason(const fs::path& path, const char* fallback) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) return "no such file";
    if (st.type() == fs::file_type::directory) return "is a directory";
    return fallback;
}

std::vector<std::uint8_t> ReadBytes(const std::string& file) {
    const fs::path path = PathOf(file);
    std::error_code ec;
    if (fs::is_directory(path, ec)) Throw(kExitUsage, file, "is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) Throw(kExitUsage, file, Reason(path, "cannot open for reading"));
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) Throw(kExitUsage, file, "read error");
    return bytes;
}

// Writes through a temporary file beside the target and renames it over the
// target only when every byte is out, so that a failed write never leaves a
// half-written file where a good one was. "-" is standard output.
void WriteOutput(const std::string& file, std::string_view bytes, std::ostream& out) {
    if (file == "-") {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) Throw(kExitUsage, "standard output", "write error");
        return;
    }
    const fs::path path = PathOf(file);
    fs::path temp = path;
    temp += ".vqf-tmp";
    {
        std::ofstream o(temp, std::ios::binary | std::ios::trunc);
        if (!o) Throw(kExitUsage, file, Reason(path.parent_path().empty() ? fs::path(".") : path.parent_path(),
                                               "cannot create the file"));
        o.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        o.close();
        if (!o) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            Throw(kExitUsage, file, "write error");
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        Throw(kExitUsage, file, "cannot replace the file: " + ec.message());
    }
}

std::string_view AsChars(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Reads and checks a file for the commands that need its items.
VqfDocument LoadChecked(const std::string& file, const std::vector<std::uint8_t>& bytes, bool need_items) {
    const VqfCheckResult check = CheckVqf(bytes);
    if (!check) Throw(kExitRefused, file, "refused: " + check.Describe());
    if (need_items && check.item_count == 0)
        Throw(kExitRefused, file, "holds no items; the program refuses to open it");
    return LoadVqf(bytes);
}

// ---- check

int Check(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    int status = kExitOk;
    for (const std::string& file : files) {
        std::vector<std::uint8_t> bytes;
        try {
            bytes = ReadBytes(file);
        } catch (const CommandError& e) {
            err << "vqf: " << e.message << '\n';
            status = kExitUsage;
            continue;
        }
        const VqfCheckResult check = CheckVqf(bytes);
        if (!check) {
            out << file << ": refused: " << check.Describe() << '\n';
        } else if (check.item_count == 0) {
            out << file << ": refused: the structure is valid but holds no items; the program refuses to open it"
                << " (error code 0x00020001)\n";
        } else {
            out << file << ": ok: " << check.Describe();
            if (check.left > 0) out << "; " << check.left << " bytes after the kinds are ignored";
            if (std::memcmp(bytes.data(), kVqfMagic, kVqfMagicSize) != 0)
                out << "; the first 17 bytes are not \"" << kVqfMagic << "\" (not compared, the file opens)";
            out << '\n';
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

void DumpText(const std::string& file, const VqfDocument& doc, std::ostream& out) {
    out << file << ": " << CountItems(doc.item_list.get()) << " items, " << CountKinds(doc.action_kinds.get())
        << " kinds\n";
    std::size_t n = 0;
    for (const _ITEM_LIST* p = doc.item_list.get(); p != nullptr; p = p->next.get()) {
        out << "\nitem " << ++n << '\n';
        out << "  title:         " << Shown(p->title, false) << '\n';
        out << "  action kind:   " << Shown(p->action_kind, false) << '\n';
        out << "  planned start: " << ShownTimes(p->planned_start) << '\n';
        out << "  planned end:   " << ShownTimes(p->planned_end) << '\n';
        out << "  actual start:  " << ShownTimes(p->actual_start) << '\n';
        out << "  actual end:    " << ShownTimes(p->actual_end) << '\n';
        out << "  alarm:         " << ShownTimes(p->alarm) << '\n';
        out << "  location:      " << Shown(p->location, false) << '\n';
        out << "  status:";
        // Each status line indented; an empty line stays empty.
        bool line_start = true;
        for (char c : Shown(p->status, true)) {
            if (line_start) out << (c == '\n' ? "\n" : "\n    ");
            if (line_start && c == '\n') continue;
            line_start = c == '\n';
            if (!line_start) out << c;
        }
        out << '\n';
    }
    out << "\nkinds\n";
    n = 0;
    for (const _KIND_LIST* k = doc.action_kinds.get(); k != nullptr; k = k->next.get())
        out << "  " << ++n << ". " << Shown(k->text, false) << '\n';
}

int Dump(const std::string& file, bool json, std::ostream& out, std::ostream& err) {
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    const VqfDocument doc = LoadChecked(file, bytes, false);
    if (json) {
        out << DocumentToJson(doc).dump(2, ' ', false, Json::error_handler_t::strict) << '\n';
    } else {
        DumpText(file, doc, out);
    }
    // Dump shows what the program reads; say so when that differs from the
    // bytes, because build will then give the program's form of the file.
    if (WriteVqf(doc.item_list.get(), doc.action_kinds.get()) != bytes)
        err << "vqf: " << file << ": note: not byte for byte as the program writes it (magic, an empty title, "
            << "an odd text length, a NUL in a text or bytes after the kinds); build gives the program's form\n";
    return kExitOk;
}

// ---- build

int Build(const std::string& file, const std::string& output, std::ostream& out) {
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    Json root;
    try {
        root = Json::parse(AsChars(bytes));
    } catch (const Json::parse_error& e) {
        Throw(kExitRefused, file, std::string("not JSON: ") + e.what());
    }
    VqfDocument doc;
    try {
        doc = DocumentFromJson(root);
    } catch (const JsonFormatError& e) {
        Throw(kExitRefused, file, e.what());
    }
    const std::vector<std::uint8_t> vqf = WriteVqf(doc.item_list.get(), doc.action_kinds.get());
    if (vqf.empty()) Throw(kExitRefused, file, "the document does not fit a .vqf file (4 GiB or more)");
    WriteOutput(output, AsChars(vqf), out);
    return kExitOk;
}

// ---- report

int Report(const std::string& file, const std::vector<std::string>& titles, std::ostream& out, std::ostream& err) {
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    const VqfDocument doc = LoadChecked(file, bytes, true);
    const std::vector<std::u16string> lines = ScheduleLines(doc.item_list.get());
    std::vector<std::u16string> selected = lines;
    int status = kExitOk;
    if (!titles.empty()) {
        std::vector<std::u16string> wanted;
        for (const std::string& t : titles) {
            const auto title = FromUtf8(t);
            if (!title) Throw(kExitUsage, "", "--title " + t + ": not valid UTF-8");
            if (std::find(lines.begin(), lines.end(), *title) == lines.end()) {
                err << "vqf: " << file << ": no item titled \"" << t << "\"\n";
                status = kExitRefused;
            }
            wanted.push_back(*title);
        }
        selected = SelectLines(lines, wanted);
    }
    const std::string text = ToUtf8(BuildReport(doc.item_list.get(), selected));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return status;
}

// ---- ics

int Ics(const std::string& file, const std::string& output, std::ostream& out) {
    const std::vector<std::uint8_t> bytes = ReadBytes(file);
    const VqfDocument doc = LoadChecked(file, bytes, true);
    WriteOutput(output, MakeICalendar(doc.item_list.get(), ReadClock()), out);
    return kExitOk;
}

// ---- sample

int Sample(const std::string& output, std::size_t items, std::uint64_t seed, std::ostream& out) {
    const VqfDocument doc = MakeSampleDocument(items, seed);
    WriteOutput(output, AsChars(WriteVqf(doc.item_list.get(), doc.action_kinds.get())), out);
    return kExitOk;
}

}  // namespace

std::vector<std::u16string> ScheduleLines(const _ITEM_LIST* head) {
    struct Line {
        _TIMES planned_end;
        std::u16string_view title;
    };
    std::vector<Line> lines;
    TitleSet seen;
    for (const _ITEM_LIST* p = head; p != nullptr; p = p->next.get()) {
        // A repeated title gets no line, as when the program opens the file.
        if (seen.Contains(p->title)) continue;
        seen.Add(p->title);
        lines.push_back({p->planned_end, TitleKey(p->title)});
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return TimeCmp(a.planned_end, b.planned_end) < 0; });
    std::vector<std::u16string> result;
    result.reserve(lines.size());
    for (const Line& line : lines) result.emplace_back(line.title);
    return result;
}

std::vector<std::u16string> SelectLines(const std::vector<std::u16string>& lines,
                                        const std::vector<std::u16string>& titles) {
    std::vector<std::u16string> selected;
    for (const std::u16string& line : lines)
        if (std::find(titles.begin(), titles.end(), line) != titles.end()) selected.push_back(line);
    return selected;
}

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
    CLI::App* build = app.add_subcommand("build", "Write the .vqf file that a JSON dump describes.");
    build->add_option("FILE", file, "JSON file as written by dump --json")->required();
    build->add_option("-o,--output", output, "The .vqf file to write (- for standard output)")->required();

    std::vector<std::string> titles;
    CLI::App* report = app.add_subcommand(
        "report", "Write the program's text report (UTF-8, CR LF line ends), items in schedule order.");
    report->add_option("FILE", file, "Action item file (.vqf)")->required();
    report->add_option("--title", titles, "Report only the item of this title (repeatable); default: every item");

    CLI::App* ics = app.add_subcommand("ics", "Export the items as iCalendar to-dos (RFC 5545), times in UTC.");
    ics->add_option("FILE", file, "Action item file (.vqf)")->required();
    ics->add_option("-o,--output", output, "The .ics file to write (- for standard output)")->required();

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
        if (build->parsed()) return Build(file, output, out);
        if (report->parsed()) return Report(file, titles, out, err);
        if (ics->parsed()) return Ics(file, output, out);
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
