// The vqf program, run in-process on real files in a temporary folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ICalendar.h"
#include "Report.h"
#include "Sample.h"
#include "VqfBytes.h"
#include "VqfCodec.h"
#include "VqfTool.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        path_ = fs::temp_directory_path() /
                ("vqf_tests_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "_" + std::to_string(counter++));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void Write(const std::string& path, const std::string& text) { Write(path, Bytes(text.begin(), text.end())); }

struct VqfRun {
    int status;
    std::string out;
    std::string err;
};

VqfRun Vqf(std::vector<std::string> args) {
    args.insert(args.begin(), "vqf");
    std::ostringstream out, err;
    const int status = RunVqf(args, out, err);
    return {status, out.str(), err.str()};
}

std::unique_ptr<_ITEM_LIST> Item(std::u16string title, _TIMES planned_end, std::u16string status = u"") {
    auto item = std::make_unique<_ITEM_LIST>();
    item->title = std::move(title);
    item->planned_end = planned_end;
    item->status = std::move(status);
    return item;
}

void Append(VqfDocument& doc, std::unique_ptr<_ITEM_LIST> item) {
    std::unique_ptr<_ITEM_LIST>* tail = &doc.item_list;
    while (*tail) tail = &(*tail)->next;
    *tail = std::move(item);
}

// The header row of vqf csv, without its byte-order mark.
const std::string kCsvHeader =
    "アクションのタイトル,アクションの種類,開始予定日時 (UTC+9),完了予定日時 (UTC+9),開始日時 (UTC+9),"
    "完了日時 (UTC+9),アラーム (UTC+9),場所,状況\r\n";

Bytes FileOf(const VqfDocument& doc) { return WriteVqf(doc.item_list.get(), doc.action_kinds.get()); }

// dump --json, then build: the bytes that come back.
Bytes ThroughJson(const TempFolder& dir, const std::string& vqf, std::string* json_out = nullptr) {
    const VqfRun dump = Vqf({"dump", vqf, "--json"});
    EXPECT_EQ(dump.status, 0) << dump.err;
    if (json_out) *json_out = dump.out;
    // Laid out as before, when the whole document went through nlohmann/json.
    EXPECT_EQ(dump.out, nlohmann::ordered_json::parse(dump.out).dump(2) + "\n");
    Write(dir / "doc.json", dump.out);
    const VqfRun build = Vqf({"build", dir / "doc.json", "-o", dir / "back.vqf"});
    EXPECT_EQ(build.status, 0) << build.err;
    return Read(dir / "back.vqf");
}

// csv, then import with the original's kind list: the bytes that come back.
Bytes ThroughCsv(const TempFolder& dir, const std::string& vqf) {
    const VqfRun csv = Vqf({"csv", vqf, "-o", dir / "doc.csv"});
    EXPECT_EQ(csv.status, 0) << csv.err;
    const VqfRun import = Vqf({"import", dir / "doc.csv", "-o", dir / "back.vqf", "--kinds-from", vqf});
    EXPECT_EQ(import.status, 0) << import.err;
    EXPECT_EQ(import.err, "");
    return Read(dir / "back.vqf");
}

TEST(VqfRoundTrip, SampleDocumentsOfSeveralSizes) {
    TempFolder dir;
    for (const auto& [items, seed] : {std::pair{1, 1}, {7, 2}, {150, 3}, {2500, 4}}) {
        SCOPED_TRACE(items);
        const std::string vqf = dir / "sample.vqf";
        const VqfRun sample = Vqf({"sample", "-o", vqf, "--items", std::to_string(items), "--seed", std::to_string(seed)});
        ASSERT_EQ(sample.status, 0) << sample.err;
        const Bytes original = Read(vqf);
        EXPECT_EQ(CheckVqf(original).item_count, static_cast<std::uint32_t>(items));
        EXPECT_EQ(ThroughJson(dir, vqf), original);
        EXPECT_EQ(Vqf({"dump", vqf, "--json"}).err, "");  // the program's own form: no note
        EXPECT_EQ(ThroughCsv(dir, vqf), original);
    }
    // Through CSV: the packaged sample, and 100,000 items.
    // Absolute: on Windows a path that begins with / would read as an option.
    const std::string packaged = fs::absolute(fs::path(__FILE__).parent_path() / "../../res/sample.json").string();
    const VqfRun build = Vqf({"build", packaged, "-o", dir / "packaged.vqf"});
    ASSERT_EQ(build.status, 0) << build.err;
    EXPECT_EQ(ThroughCsv(dir, dir / "packaged.vqf"), Read(dir / "packaged.vqf"));
    ASSERT_EQ(Vqf({"sample", "-o", dir / "large.vqf", "--items", "100000", "--seed", "5"}).status, 0);
    EXPECT_EQ(ThroughCsv(dir, dir / "large.vqf"), Read(dir / "large.vqf"));
}

TEST(VqfRoundTrip, CorpusOfUnusualContent) {
    // Documents the program can write, with the contents that are hard to
    // carry through JSON.
    const std::u16string odd_texts[] = {
        std::u16string(u"lone high \xD800 surrogate"),
        std::u16string(u"\xDC00 lone low at the start"),
        std::u16string(u"reversed pair \xDC00\xD800"),
        std::u16string(u"ends high \xDBFF"),
        u"literal replacement \uFFFD and a BOM \uFEFF",
        u"pair 𠮷 and emoji 😀",
        u"controls \t\x01\x1b[31m red \x7f",
        u"the last control characters \x1e\x1f end",  // escaped too, or the dump is not JSON
        std::u16string(u"lone \xD800\xFFFF beside the last BMP unit \xFFFF"),
        u"breaks \r\n and \r and \n",
        u"quotes \" and backslash \\ and slash /",
        std::u16string(3000, u'長'),
    };
    std::vector<VqfDocument> corpus;
    for (const auto& text : odd_texts) {
        VqfDocument doc;
        auto item = Item(text, {2024, 3, 10, 18, 0}, text);
        item->action_kind = text;
        item->location = text;
        Append(doc, std::move(item));
        doc.action_kinds = std::make_unique<_KIND_LIST>(text);
        corpus.push_back(std::move(doc));
    }
    {
        // Every 32-bit date-time value, and empty kinds and texts.
        VqfDocument doc;
        auto item = Item(u"extremes", {INT32_MIN, -1, INT32_MAX, 24, 60});
        item->planned_start = {0, 0, 0, 0, 0};
        item->actual_start = {-2147483647, 0x7FFF, 13, 0, -60};
        item->alarm = {2030, 1, 2, 3, 4};
        Append(doc, std::move(item));
        Append(doc, Item(u"second", {}));
        doc.action_kinds = std::make_unique<_KIND_LIST>(u"");
        doc.action_kinds->next = std::make_unique<_KIND_LIST>(u"会議");
        corpus.push_back(std::move(doc));
    }
    {
        VqfDocument doc;  // no kinds at all
        Append(doc, Item(u"A", {}));
        corpus.push_back(std::move(doc));
    }
    TempFolder dir;
    for (std::size_t i = 0; i < corpus.size(); ++i) {
        SCOPED_TRACE(i);
        const Bytes original = FileOf(corpus[i]);
        Write(dir / "corpus.vqf", original);
        std::string json;
        EXPECT_EQ(ThroughJson(dir, dir / "corpus.vqf", &json), original);
        EXPECT_EQ(Vqf({"dump", dir / "corpus.vqf", "--json"}).err, "");
    }
}

TEST(VqfRoundTrip, FileNotInTheProgramsFormGivesTheProgramsForm) {
    // Another magic, an empty title, an odd text length and bytes after the
    // kinds: dump says so, and build writes what the program would save.
    const Bytes odd = VqfBytes("NotTheMagicBytes!").U32(1)
                            .U32(0).U32(3).Zeros(3).Zeros(100).U32(0).U32(0)
                            .U32(0).Zeros(5).b;
    TempFolder dir;
    Write(dir / "odd.vqf", odd);
    const VqfRun dump = Vqf({"dump", dir / "odd.vqf", "--json"});
    EXPECT_EQ(dump.status, 0);
    EXPECT_NE(dump.err.find("odd.vqf: note: not byte for byte"), std::string::npos) << dump.err;
    const VqfDocument loaded = LoadVqf(odd);
    EXPECT_EQ(ThroughJson(dir, dir / "odd.vqf"), FileOf(loaded));
}

TEST(VqfBuild, RefusesBadJsonWithThePlace) {
    const struct {
        std::string json;
        std::string message;
    } cases[] = {
        {"{\"items\": [", "not JSON"},
        {"[]", "document: expected an object"},
        {"{\"items\": {}}", "items: expected an array"},
        {"{\"items\": [{\"titel\": \"x\"}]}", "items[0]: unknown key \"titel\""},
        {"{\"items\": [{}, {\"planned_end\": {\"hour\": \"9\"}}]}", "items[1].planned_end.hour: expected an integer"},
        {"{\"items\": [{\"alarm\": {\"minute\": 4294967296}}]}", "items[0].alarm.minute: expected an integer"},
        {"{\"items\": [{\"alarm\": {\"minute\": 1.5}}]}", "items[0].alarm.minute: expected an integer"},
        {"{\"items\": [{\"status\": {\"utf16\": [65, 70000]}}]}", "items[0].status.utf16[1]"},
        {"{\"items\": [{\"status\": {\"text\": \"x\"}}]}", "items[0].status: expected \"utf16\""},
        {"{\"items\": [{\"title\": 5}]}", "items[0].title: expected a string"},
        {"{\"items\": [{\"planned_end\": {\"month\": 09}}]}", "not JSON: a number has a leading zero"},
        {"{\"action_kinds\": [\"a\", [1]]}", "action_kinds[1]: expected a string"},
        {"{\"items\": [{\"title\": \"\xff\"}]}", "not JSON"},
        {"{\"items\": [{\"title\": \"\\ud800\"}]}", "not JSON"},
        {"{\"items\": []} x", "line 1, column 15: not JSON"},
        {"{\"items\": [\n  {\"title\":\n   " + std::string(100000, '[') + "}]}", "line 3, column 4: items[0].title: expected a string"},
        {"{\"items\": [{\"alarm\": {\"minute\": 1" + std::string(100000, '0') + "}}]}", "items[0].alarm.minute: expected an integer"},
        {std::string("{\"items\": [{\"title\": \"a\0\"}]}", 26), "not JSON"},
    };
    TempFolder dir;
    const Bytes previous = {1, 2, 3};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        Write(dir / "in.json", c.json);
        Write(dir / "out.vqf", previous);
        const VqfRun run = Vqf({"build", dir / "in.json", "-o", dir / "out.vqf"});
        EXPECT_EQ(run.status, kExitUsage);
        EXPECT_NE(run.err.find("in.json: "), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(Read(dir / "out.vqf"), previous) << "a refused build must leave the output alone";
    }
    // A repeated title is refused unless asked for: the program could edit
    // only the first of them.
    Write(dir / "in.json", std::string("{\"items\": [{\"title\": \"A\"}, {\"title\": \"B\"}, {\"title\": \"A\"}]}"));
    VqfRun repeated = Vqf({"build", dir / "in.json", "-o", dir / "out.vqf"});
    EXPECT_EQ(repeated.status, kExitRefused);
    EXPECT_NE(repeated.err.find("repeated titles (items[0], items[2])"), std::string::npos) << repeated.err;
    EXPECT_EQ(Read(dir / "out.vqf"), previous);
    repeated = Vqf({"build", dir / "in.json", "-o", dir / "out.vqf", "--allow-repeated-titles"});
    EXPECT_EQ(repeated.status, kExitOk);
    EXPECT_EQ(CheckVqf(Read(dir / "out.vqf")).item_count, 3u);
    // check and dump name them, numbered as dump numbers items.
    repeated = Vqf({"check", dir / "out.vqf"});
    EXPECT_NE(repeated.out.find("warning: items 1, 3 share a title"), std::string::npos) << repeated.out;
    repeated = Vqf({"dump", dir / "out.vqf"});
    EXPECT_NE(repeated.out.find("item 3  (repeats the title of item 1"), std::string::npos) << repeated.out;

    // No items: the program would refuse the file, so build refuses to write
    // it, as import does.
    const Bytes three = Read(dir / "out.vqf");
    for (const char* empty : {"{}", "{\"items\": [], \"action_kinds\": [\"a\"]}"}) {
        Write(dir / "in.json", std::string(empty));
        for (const std::string& to : {dir / "out.vqf", std::string("-")}) {
            const VqfRun run = Vqf({"build", dir / "in.json", "-o", to});
            EXPECT_EQ(run.status, kExitRefused) << empty;
            EXPECT_NE(run.err.find("in.json: holds no items"), std::string::npos) << run.err;
            EXPECT_EQ(run.out, "");
        }
        EXPECT_EQ(Read(dir / "out.vqf"), three);
    }

    // Values dump never writes but people do: unsigned fields, missing keys
    // and a character outside the BMP as an escaped surrogate pair.
    Write(dir / "in.json", std::string("{\"items\": [{\"title\": \"A\", \"alarm\": {\"year\": 4294967295}, "
                                       "\"status\": \"\\uD83D\\uDE00\"}]}"));
    ASSERT_EQ(Vqf({"build", dir / "in.json", "-o", dir / "out.vqf"}).status, 0);
    const VqfDocument doc = LoadVqf(Read(dir / "out.vqf"));
    ASSERT_TRUE(doc.item_list);
    EXPECT_EQ(doc.item_list->alarm, (_TIMES{-1, 0, 0, 0, 0}));
    EXPECT_EQ(doc.item_list->status, u"\U0001F600");
    EXPECT_EQ(doc.action_kinds, nullptr);
}

TEST(VqfImport, RefusesBadCalendarsWithTheLine) {
    const std::string todo = "BEGIN:VTODO\r\nSUMMARY:a\r\nEND:VTODO\r\n";
    const std::string csv = "\xEF\xBB\xBF" + kCsvHeader;
    const struct {
        std::string ics;
        int status;
        std::string message;
        std::string name = "in.ics";
    } cases[] = {
        {"", kExitUsage, "line 0: not an iCalendar file"},
        {"hello\r\n", kExitUsage, "line 1: not an iCalendar file"},
        {"BEGIN:VCALENDAR\r\n" + todo, kExitUsage, "line 4: the input ends inside VCALENDAR"},
        {"BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nEND:VEVENT\r\n", kExitUsage, "line 3: END:VEVENT where END:VTODO"},
        {"BEGIN:VCALENDAR\r\n" + std::string(2 << 20, 'x'), kExitUsage, "line 2: a line longer than 1 MiB"},
        // A line of exactly 1 MiB is read (the calendar then ends early); one byte more is not.
        {"BEGIN:VCALENDAR\n" + std::string(1 << 20, 'x') + "\n", kExitUsage, "line 2: the input ends inside VCALENDAR"},
        {"BEGIN:VCALENDAR\n" + std::string((1 << 20) + 1, 'x') + "\n", kExitUsage, "line 2: a line longer than 1 MiB"},
        {"BEGIN:VCALENDAR\r\n" + [] {
             std::string deep;
             for (int i = 0; i < 40; ++i) deep += "BEGIN:X\r\n";
             return deep;
         }(), kExitUsage, "line 33: components nested too deep"},
        {"BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n", kExitRefused, "holds no VTODO or VEVENT"},
        {"BEGIN:VCALENDAR\r\n" + todo + "END:VCALENDAR\r\ntrailing\r\n", kExitUsage, "line 6: text after END:VCALENDAR"},
        // CSV: a row that cannot be read names its line and why.
        {csv + "A,,2024/1/6 12:45,,,,,,\r\nB,,,2024/2/30 9:00,,,,,\r\n", kExitUsage,
         "line 3: 完了予定日時 (UTC+9): \"2024/2/30 9:00\": no such day", "in.csv"},
        {csv + "A,,,,,,,,\"two\r\nlines\"\r\nB,,2023/2/29,,,,,,\r\n", kExitUsage,
         "line 4: 開始予定日時 (UTC+9): \"2023/2/29\": no such day", "in.csv"},
        {csv + "A,,1/6/2024 12:45,,,,,,\r\n", kExitUsage, "line 2: 開始予定日時 (UTC+9): \"1/6/2024 12:45\": not a date-time",
         "in.csv"},
        {csv + "A,,,,,,2024/1/6 25:00,,\r\n", kExitUsage, "line 2: アラーム (UTC+9): \"2024/1/6 25:00\": no such time", "in.csv"},
        {csv + "A,,,,2024-01-06T12:45:00Z,,,,\r\n", kExitUsage, "line 2: 開始日時 (UTC+9): \"2024-01-06T12:45:00Z\": not a", "in.csv"},
        {csv + "A,,,,,,,,\"open\r\n", kExitUsage, "line 2: a quoted cell that does not end", "in.csv"},
        {csv + "\"A\"x,,,,,,,,\r\n", kExitUsage, "line 2: text after the closing quote", "in.csv"},
        {csv + "A,,,,,,,,,x\r\n", kExitUsage, "line 2: a cell past the 9 columns of the header", "in.csv"},
        {csv + "\"" + std::string((16 << 20) + 1, 'x') + "\"\r\n", kExitUsage, "line 2: a row longer than 16 MiB", "in.csv"},
        {csv + "A\xFF,,,,,,,,\r\n", kExitUsage, "line 2: アクションのタイトル: not UTF-8, as the header is", "in.csv"},
        {"\x83\x41\x83\x4E\x83\x56\x83\x87\x83\x93\x82\xCC\x83\x5E\x83\x43\x83\x67\x83\x8B\r\nA\x81\r\n", kExitUsage,
         "line 2: アクションのタイトル: not Shift_JIS (code page 932)", "in.csv"},
        {"name,date\r\nA,B\r\n", kExitUsage, "line 1: no column \"アクションのタイトル\"", "in.csv"},
        {"アクションのタイトル,場所,場所\r\n", kExitUsage, "line 1: two columns headed \"場所\"", "in.csv"},
        {"", kExitUsage, "line 1: no header row", "in.csv"},
        {"\xFF\xFE" "A", kExitUsage, "line 1: UTF-16 text", "in.csv"},
        {csv + ",,,,,,,,\r\n", kExitRefused, "holds no rows of items", "in.csv"},
    };
    TempFolder dir;
    const Bytes previous = {1, 2, 3};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Write(dir / c.name, c.ics);
        Write(dir / "out.vqf", previous);
        const VqfRun run = Vqf({"import", dir / c.name, "-o", dir / "out.vqf"});
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.err.find(c.name + ": " + c.message), std::string::npos) << run.err;
        EXPECT_EQ(Read(dir / "out.vqf"), previous) << "a refused import must leave the output alone";
    }
}

TEST(VqfCheck, SaysWhyAndWhereForEachRefusal) {
    const struct {
        const char* name;
        Bytes bytes;
        std::string verdict;
    } cases[] = {
        {"short.vqf", Bytes(10, 'V'), "short.vqf: refused: file of 10 bytes is shorter than the 17-byte magic"},
        {"nocount.vqf", VqfBytes().Zeros(3).b,
         "nocount.vqf: refused: item count at offset 17 needs 4 bytes, 3 left"},
        {"title.vqf", VqfBytes().U32(1).U32(4000).Zeros(12).b,
         "title.vqf: refused: item 0: title length 4000 at offset 21 exceeds the 12 bytes left"},
        {"status.vqf", VqfBytes().U32(2).EmptyItem().U32(0).U32(0).Zeros(100).U32(0).U32(9).Zeros(8).b,
         "status.vqf: refused: item 1: status length 9 at offset 249 exceeds the 8 bytes left"},
        {"dates.vqf", VqfBytes().U32(1).U32(0).U32(0).Zeros(99).b,
         "dates.vqf: refused: item 0: date-times at offset 29 need 100 bytes, 99 left"},
        {"nokinds.vqf", VqfBytes().U32(1).EmptyItem().Zeros(2).b,
         "nokinds.vqf: refused: kind count at offset 137 needs 4 bytes, 2 left"},
        {"kindtext.vqf", VqfBytes().U32(1).EmptyItem().U32(1).U32(6).Zeros(4).b,
         "kindtext.vqf: refused: kind 0: kind text length 6 at offset 141 exceeds the 4 bytes left"},
        {"empty.vqf", VqfBytes().U32(0).U32(0).b,
         "empty.vqf: refused: the structure is valid but holds no items; the program refuses to open it"},
        {"good.vqf", VqfBytes().U32(1).EmptyItem().U32(0).b, "good.vqf: ok: valid: 1 items, 0 kinds"},
        {"extra.vqf", VqfBytes("Something Else 17").U32(1).EmptyItem().U32(0).Zeros(3).b,
         "3 bytes after the kinds are ignored; the first 17 bytes are not \"Velquorandimestra\""},
    };
    TempFolder dir;
    std::vector<std::string> all;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(dir / c.name, c.bytes);
        all.push_back(dir / c.name);
        const VqfRun run = Vqf({"check", dir / c.name});
        const bool ok = c.verdict.find(": ok: ") != std::string::npos || c.verdict.find("ignored") != std::string::npos;
        EXPECT_EQ(run.status, ok ? kExitOk : kExitRefused);
        EXPECT_NE(run.out.find(c.verdict), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
    }
    // All at once: one line each, and the worst status.
    VqfRun run = Vqf([&] {
        std::vector<std::string> args = {"check"};
        args.insert(args.end(), all.begin(), all.end());
        return args;
    }());
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), static_cast<long>(all.size()));
    // A file that cannot be read is an I/O error, named on stderr; the
    // others are still checked.
    run = Vqf({"check", dir / "good.vqf", dir / "missing.vqf"});
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_NE(run.out.find("good.vqf: ok"), std::string::npos);
    EXPECT_NE(run.err.find("missing.vqf: no such file"), std::string::npos) << run.err;
}

TEST(VqfReport, ScheduleOrderTitlesAndTheWindowsBytes) {
    VqfDocument doc;
    Append(doc, Item(u"E5", {2024, 5, 5, 9, 0}, u"five"));
    Append(doc, Item(u"E3a", {2024, 3, 3, 9, 0}));
    Append(doc, Item(u"E4", {2024, 4, 4, 9, 0}, u"four\r\nlines"));
    Append(doc, Item(u"E3b", {2024, 3, 3, 9, 0}));
    Append(doc, Item(u"E4", {2020, 1, 1, 9, 0}, u"repeated title: no line of its own"));
    TempFolder dir;
    Write(dir / "r.vqf", FileOf(doc));

    const auto order = [](const std::string& text) {
        std::vector<std::string> headings;
        for (std::size_t at = text.find("◆"); at != std::string::npos; at = text.find("◆", at + 1))
            headings.push_back(text.substr(at + 3, text.find_first_of(" \r", at) - at - 3));
        return headings;
    };
    VqfRun run = Vqf({"report", dir / "r.vqf"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(order(run.out), (std::vector<std::string>{"E3a", "E3b", "E4", "E5"}));
    EXPECT_NE(run.out.find("four\r\nlines\r\n\r\n"), std::string::npos);
    EXPECT_EQ(run.out.find("repeated title"), std::string::npos);

    run = Vqf({"report", dir / "r.vqf", "--title", "E5", "--title", "E3b"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(order(run.out), (std::vector<std::string>{"E3b", "E5"}));

    run = Vqf({"report", dir / "r.vqf", "--title", "E5", "--title", "nope"});
    EXPECT_EQ(run.status, kExitRefused);
    EXPECT_EQ(order(run.out), (std::vector<std::string>{"E5"}));
    EXPECT_NE(run.err.find("r.vqf: no item titled \"nope\""), std::string::npos);

    // One item as the text output window shows it, in UTF-8 bytes.
    VqfDocument plan;
    auto item = Item(u"Plan", {2024, 3, 10, 18, 0}, u"abc");
    item->planned_start = {2024, 3, 5, 9, 0};
    Append(plan, std::move(item));
    Write(dir / "plan.vqf", FileOf(plan));
    run = Vqf({"report", dir / "plan.vqf"});
    EXPECT_EQ(run.out, "◆Plan (計画：2024/ 3/ 5 - 2024/ 3/10)\r\nabc\r\n\r\n");
}

// One row per item in document order, each field as a spreadsheet needs it;
// import gives each item back.
TEST(VqfCsv, RowsQuotingTimesAndTheByteOrderMark) {
    struct Case {
        const char* name;  // read where a row differs
        std::u16string title, kind, status;
        _TIMES start, end, alarm;
        std::string row;
        bool back = true;  // import gives the item back as it was
        const char16_t* status_back = nullptr;  // or with this status
    } cases[] = {
        {"plain, unset times", u"Plan", u"", u"", {}, {}, {}, "Plan,,,,,,,,\r\n"},
        {"Japanese, times in UTC+9", u"予算", u"会議", u"済", {2024, 3, 5, 9, 0}, {2024, 3, 10, 18, 30}, {},
         "予算,会議,2024-03-05 09:00,2024-03-10 18:30,,,,,済\r\n"},
        {"hour 24 is the next day's 00", u"Late", u"", u"", {2023, 12, 31, 24, 30}, {2024, 2, 29, 24, 0},
         {2024, 1, 1, 24, 59}, "Late,,2024-01-01 00:30,2024-03-01 00:00,,,2024-01-02 00:59,,\r\n"},
        {"February: hour 24 of 31 January, 29 February", u"Feb", u"", u"", {2024, 1, 31, 24, 0}, {2024, 2, 29, 9, 5},
         {2023, 2, 28, 24, 1}, "Feb,,2024-02-01 00:00,2024-02-29 09:05,,,2023-03-01 00:01,,\r\n"},
        {"no real minute", u"Odd", u"", u"", {2024, 2, 30, 9, 0}, {2024, 13, 1, 9, 0}, {}, "Odd,,,,,,,,\r\n", false},
        {"hour 0 and minute 60 as the minute they name", u"Zero", u"", u"", {2024, 3, 6, 0, 30}, {2024, 3, 5, 9, 60},
         {}, "Zero,,2024-03-06 00:30,2024-03-05 10:00,,,,,\r\n", false},
        {"comma and quote", u"a,b", u"say \"hi\"", u"", {}, {}, {}, "\"a,b\",\"say \"\"hi\"\"\",,,,,,,\r\n"},
        {"line breaks inside quotes", u"T", u"", u"one\r\ntwo\r\n\r\nthree", {}, {}, {},
         "T,,,,,,,,\"one\r\ntwo\r\n\r\nthree\"\r\n"},
        {"a lone LF comes back as the edit control's CR LF", u"LF", u"", u"one\ntwo", {}, {}, {},
         "LF,,,,,,,,\"one\ntwo\"\r\n", true, u"one\r\ntwo"},
        {"empty title as the program shows it", u"", u"", u"", {}, {}, {}, "NewAction,,,,,,,,\r\n", false},
        {"a text ends at a NUL", std::u16string(u"ab\0cd", 5), u"", u"", {}, {}, {}, "ab,,,,,,,,\r\n", false},
        // Cells a spreadsheet would run as a formula get a '.
        {"=", u"=HYPERLINK(\"http://x\",\"y\")", u"", u"", {}, {}, {},
         "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",,,,,,,,\r\n"},
        {"+", u"+81 3", u"+", u"", {}, {}, {}, "'+81 3,'+,,,,,,,\r\n"},
        {"a cell of only -", u"-1", u"", u"-", {}, {}, {}, "'-1,,,,,,,,'-\r\n"},
        {"@", u"@SUM(A1)", u"", u"", {}, {}, {}, "'@SUM(A1),,,,,,,,\r\n"},
        {"a status that starts with a tab", u"Tab", u"", u"\tindented", {}, {}, {}, "Tab,,,,,,,,'\tindented\r\n"},
        {"a status that starts with CR LF", u"CR", u"", u"\r\nafter", {}, {}, {}, "CR,,,,,,,,\"'\r\nafter\"\r\n"},
        {"a title that starts with LF", u"\nLF", u"", u"", {}, {}, {}, "\"'\nLF\",,,,,,,,\r\n"},
        {"full-width ＝ ＋", u"＝A1", u"＋", u"", {}, {}, {}, "'＝A1,'＋,,,,,,,\r\n"},
        {"full-width － ＠", u"－5", u"", u"＠home", {}, {}, {}, "'－5,,,,,,,,'＠home\r\n"},
        {"a ' before a formula gets one more", u"'=x", u"''+", u"'plain", {}, {}, {}, "''=x,'''+,,,,,,,'plain\r\n"},
        {"inside a text nothing changes", u"a=b -c", u"", u" =d", {}, {}, {}, "a=b -c,,,,,,,, =d\r\n"},
    };
    TempFolder dir;
    VqfDocument doc;
    std::string expected = "\xEF\xBB\xBF" + kCsvHeader;
    for (const Case& c : cases) {
        auto item = Item(c.title, c.end, c.status);
        item->action_kind = c.kind;
        item->planned_start = c.start;
        item->alarm = c.alarm;
        Append(doc, std::move(item));
        expected += c.row;
    }
    Write(dir / "all.vqf", FileOf(doc));
    const VqfRun run = Vqf({"csv", dir / "all.vqf"});
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(Vqf({"csv", dir / "all.vqf", "-o", dir / "all.csv"}).status, 0);
    const Bytes file = Read(dir / "all.csv");
    EXPECT_EQ(std::string(file.begin(), file.end()), run.out);
    EXPECT_EQ(run.out, expected);

    const VqfRun import = Vqf({"import", dir / "all.csv", "-o", dir / "back.vqf"});
    ASSERT_EQ(import.status, 0) << import.err;
    const VqfDocument back = LoadVqf(Read(dir / "back.vqf"));
    const _ITEM_LIST* b = back.item_list.get();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(b, nullptr);
        if (c.back) {
            EXPECT_EQ(b->title, c.title);
            EXPECT_EQ(b->action_kind, c.kind);
            EXPECT_EQ(b->status, c.status_back ? c.status_back : c.status);
            EXPECT_EQ(b->planned_start, c.start);
            EXPECT_EQ(b->planned_end, c.end);
            EXPECT_EQ(b->alarm, c.alarm);
        }
        b = b->next.get();
    }
    EXPECT_EQ(b, nullptr);
    // The kinds the items use, in order of first use.
    std::vector<std::u16string> kinds;
    for (const _KIND_LIST* k = back.action_kinds.get(); k; k = k->next.get()) kinds.push_back(k->text);
    EXPECT_EQ(kinds, (std::vector<std::u16string>{u"会議", u"say \"hi\"", u"+", u"＋", u"''+"}));
}

// What Excel writes back after a user has edited the sheet, and older files
// of vqf csv: each is read as the items it shows.
TEST(VqfCsv, ExcelsFormReadBack) {
    // The header in Shift_JIS, as Japanese Excel saves "CSV": title, kind,
    // planned completion without the zone.
    const std::string sjis_header =
        "\x83\x41\x83\x4E\x83\x56\x83\x87\x83\x93\x82\xCC\x83\x5E\x83\x43\x83\x67\x83\x8B,"
        "\x83\x41\x83\x4E\x83\x56\x83\x87\x83\x93\x82\xCC\x8E\xED\x97\xDE,\x8A\xAE\x97\xB9\x97\x5C\x92\xE8\x93\xFA\x8E\x9E\r\n";
    const struct {
        const char* name;
        std::string csv;
        std::vector<std::string> dump;  // lines of `vqf dump` of the result
        std::string err;
    } cases[] = {
        {"Excel's dates, UTF-8 without the mark, LF line ends",
         kCsvHeader + "Plan,会議,2024/1/6 12:45,2024/1/31 24:00,2024/02/29 9:05:30,2024/01/06,2025/1/1 0:10,場所,\"a\nb\"\n",
         {"title:         Plan", "planned start: 2024/01/06 12:45", "planned end:   2024/01/31 24:00",
          "actual start:  2024/02/29 09:05", "actual end:    2024/01/05 24:00", "alarm:         2024/12/31 24:10",
          "location:      場所", "status:\n    a\n    b\n"},
         ""},
        {"the form vqf csv wrote before", "\xEF\xBB\xBF" + kCsvHeader + "Old,,2024-01-01T00:30:00+09:00,2024-03-01T00:00:00+09:00,,,,,\r\n",
         {"planned start: 2023/12/31 24:30", "planned end:   2024/02/29 24:00"}, ""},
        {"columns in any order, one unknown, the rest missing; the ' of a safe cell taken off",
         "メモ,状況,アクションのタイトル,完了予定日時\r\nx,'=1+1,'－,2024/3/1 0:00\r\ny,\"'\nafter\",B,\r\n",
         {"title:         －", "planned end:   2024/02/29 24:00", "status:\n    =1+1\n", "status:\n\n    after\n"},
         "in.csv: line 1: columns not carried: \"メモ\"\nvqf: "},
        {"Shift_JIS: half-width kana, ～ (0x8160) as U+FF5E, ＝ after its '",
         sjis_header + "\xB1\xB8\xBC\xAE\xDD\x81\x60,\x89\xEF\x8B\x63,2024/1/31 0:00\r\n'\x81\x81" "1,,\r\n",
         {"title:         \uFF71\uFF78\uFF7C\uFF6E\uFF9D\uFF5E", "action kind:   会議", "planned end:   2024/01/30 24:00",
          "title:         \uFF1D" "1", "  1. 会議\n"},
         "no column \"開始予定日時 (UTC+9)\""},
        {"UTF-8 keeps WAVE DASH U+301C apart from FULLWIDTH TILDE U+FF5E", kCsvHeader + "\u301C,\uFF5E,,,,,,,\r\n",
         {"title:         \u301C", "action kind:   \uFF5E"}, ""},
        {"blank rows skipped, a repeated title numbered", kCsvHeader + "A,,,,,,,,\r\n,,,,,,,,\r\n\r\nA,,,,,,,,\r\n",
         {"2 items", "title:         A1"}, "line 5: title \"A\" renamed \"A1\""},
    };
    TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(dir / "in.csv", c.csv);
        const VqfRun run = Vqf({"import", dir / "in.csv", "-o", dir / "out.vqf"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.empty(), c.err.empty()) << run.err;
        EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
        const VqfRun dump = Vqf({"dump", dir / "out.vqf"});
        for (const std::string& line : c.dump) EXPECT_NE(dump.out.find(line), std::string::npos) << line << "\n" << dump.out;
    }
    // --from csv reads a file of any name.
    Write(dir / "in.txt", cases[0].csv);
    ASSERT_EQ(Vqf({"import", dir / "in.txt", "-o", dir / "txt.vqf", "--from", "csv"}).status, 0);
    EXPECT_NE(Vqf({"dump", dir / "txt.vqf"}).out.find("planned start: 2024/01/06 12:45"), std::string::npos);
}

TEST(VqfCommands, HelpUsageErrorsAndRefusedFiles) {
    for (const char* command : {"check", "dump", "build", "report", "ics", "csv", "import", "sample"}) {
        const VqfRun run = Vqf({command, "--help"});
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_NE(run.out.find(command), std::string::npos) << run.out;
    }
    EXPECT_EQ(Vqf({"--help"}).status, 0);
    EXPECT_EQ(Vqf({}).status, kExitUsage);
    EXPECT_EQ(Vqf({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(Vqf({"check"}).status, kExitUsage);
    EXPECT_EQ(Vqf({"ics", "x.vqf"}).status, kExitUsage);  // -o is required
    EXPECT_EQ(Vqf({"sample", "-o", "-", "--items", "0"}).status, kExitUsage);

    TempFolder dir;
    Write(dir / "empty.vqf", VqfBytes().U32(0).U32(0).b);
    Write(dir / "bad.vqf", Bytes(5, 0));
    for (const char* command : {"report", "ics", "csv"}) {
        for (const char* name : {"empty.vqf", "bad.vqf"}) {
            VqfRun run = std::string(command) != "report" ? Vqf({command, dir / name, "-o", dir / "out.ics"})
                                                          : Vqf({command, dir / name});
            EXPECT_EQ(run.out, "");
            EXPECT_EQ(run.status, kExitRefused) << command << ' ' << name;
            EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
            EXPECT_FALSE(fs::exists(dir / "out.ics"));
        }
    }
    // The file that is asked for, in a folder that is not there.
    const VqfRun run = Vqf({"sample", "-o", dir / "no/such/folder/s.vqf"});
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_NE(run.err.find("s.vqf"), std::string::npos) << run.err;

    // ics and sample through files: an existing output is replaced whole.
    Write(dir / "s.vqf", std::string(100000, 'x'));
    ASSERT_EQ(Vqf({"sample", "-o", dir / "s.vqf", "--items", "3"}).status, 0);
    EXPECT_TRUE(CheckVqf(Read(dir / "s.vqf")));
    ASSERT_EQ(Vqf({"ics", dir / "s.vqf", "-o", dir / "s.ics"}).status, 0);
    const Bytes ics = Read(dir / "s.ics");
    const std::string text(ics.begin(), ics.end());
    EXPECT_EQ(text.rfind("BEGIN:VCALENDAR\r\n", 0), 0u);
    std::size_t todos = 0;
    for (std::size_t at = text.find("BEGIN:VTODO"); at != std::string::npos; at = text.find("BEGIN:VTODO", at + 1))
        ++todos;
    EXPECT_EQ(todos, 3u);
    // Each item has the UID the whole-document export gives it, so that
    // importing one export after the other updates the to-dos, not doubles them.
    const auto uids = [](const std::string& ics) {
        std::vector<std::string> lines;
        for (std::size_t at = ics.find("\r\nUID:"); at != std::string::npos; at = ics.find("\r\nUID:", at + 1))
            lines.push_back(ics.substr(at + 2, ics.find("\r\n", at + 2) - at - 2));
        return lines;
    };
    EXPECT_EQ(uids(text), uids(MakeICalendar(LoadVqf(Read(dir / "s.vqf")).item_list.get(), 0)));

    // Output is staged under a name of its own: a file named as the target
    // plus ".vqf-tmp" is the user's and stays, and two runs writing one
    // output at once both finish with a whole file and leave nothing behind.
    Write(dir / "s.vqf.vqf-tmp", std::string("mine"));
    ASSERT_EQ(Vqf({"sample", "-o", dir / "s.vqf", "--items", "2"}).status, 0);
    EXPECT_EQ(Read(dir / "s.vqf.vqf-tmp"), (Bytes{'m', 'i', 'n', 'e'}));
    VqfRun runs[2];
    {
        std::jthread first([&] { runs[0] = Vqf({"sample", "-o", dir / "t.vqf", "--items", "20000"}); });
        std::jthread second([&] { runs[1] = Vqf({"sample", "-o", dir / "t.vqf", "--items", "20000", "--seed", "2"}); });
    }
    EXPECT_EQ(runs[0].status, 0) << runs[0].err;
    EXPECT_EQ(runs[1].status, 0) << runs[1].err;
    EXPECT_EQ(CheckVqf(Read(dir / "t.vqf")).item_count, 20000u);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(dir / "")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"bad.vqf", "empty.vqf", "s.ics", "s.vqf", "s.vqf.vqf-tmp", "t.vqf"}));
}

}  // namespace
