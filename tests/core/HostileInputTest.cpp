// Files and last-file records as they may arrive from anywhere: cut short,
// with lengths and counts that point far past the end, odd lengths, huge
// texts, lone surrogates and NULs. Every one gets a bounded answer: refused
// with nothing loaded, or loaded with every field inside the input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ItemTitles.h"
#include "Records.h"
#include "Report.h"
#include "VqfBytes.h"
#include "VqfCodec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Date-times 0, 0x01010101, 0x02020202, ...: every field shows where it was read.
struct RawFile : VqfBytes {
    RawFile() { times_step = 0x01010101u; }
};

Bytes Rewrite(const Bytes& file) {
    const VqfDocument doc = LoadVqf(file);
    return WriteVqf(doc.item_list.get(), doc.action_kinds.get());
}

// Three items with every kind of text the format allows, two kinds.
RawFile Varied() {
    RawFile f;
    f.Count(3);
    f.Item(u"会議の準備", u"会議", u"本社", u"一行目\r\n二行目");
    f.Item(u"𠮷田さん", u"", u"\xD800", u"\xDC00\xD800 reversed pair");
    f.Item(u"A", u"k", u"", u"");
    f.Count(2).Text(u"会議").Text(u"作業");
    return f;
}

TEST(HostileFile, EveryPrefixIsRefusedWithNothingLoaded) {
    const RawFile f = Varied();
    ASSERT_TRUE(CheckVqf(f.b));
    for (std::size_t n = 0; n < f.b.size(); ++n) {
        const Bytes prefix(f.b.begin(), f.b.begin() + static_cast<std::ptrdiff_t>(n));  // exact size for ASan
        const VqfCheckResult r = CheckVqf(prefix);
        ASSERT_FALSE(r.ok) << n;
        EXPECT_LE(r.offset + r.left, n) << n << ": " << r.Describe();
        const VqfDocument doc = LoadVqf(prefix);
        EXPECT_TRUE(doc.item_list == nullptr && doc.action_kinds == nullptr) << n;
    }
}

// Every count and length field, in turn, pointing past the end of the file:
// each block takes at least 4 bytes, so none of these can pass.
TEST(HostileFile, LengthsAndCountsPastTheEndAreRefused) {
    const RawFile f = Varied();
    ASSERT_EQ(f.length_fields.size(), 2u + 3 * 4 + 2);
    int refused = 0;
    for (std::size_t at : f.length_fields) {
        const auto left = static_cast<std::uint32_t>(f.b.size() - at - 4);
        for (std::uint32_t value : {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0x7FFFFFFFu, left + 1, left + 2}) {
            Bytes m = f.b;
            Set32(m, at, value);
            const VqfCheckResult r = CheckVqf(m);
            EXPECT_FALSE(r.ok) << "field at " << at << " = " << value;
            EXPECT_LE(r.offset, m.size());
            EXPECT_EQ(LoadVqf(m).item_list, nullptr);
            refused += !r.ok;
        }
    }
    EXPECT_EQ(refused, 16 * 6);
}

TEST(HostileFile, ItemCountsFarBeyondTheFile) {
    RawFile one;
    one.Count(1).Item(u"A", u"", u"", u"").Count(0);
    for (std::uint32_t n : {2u, 1000u, 1u << 20, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        Bytes m = one.b;
        Set32(m, kVqfMagicSize, n);
        const VqfCheckResult r = CheckVqf(m);
        EXPECT_FALSE(r.ok) << n;
        // The walk stops in the second item, at the end of the file.
        EXPECT_EQ(r.index, 1u) << n;
        EXPECT_EQ(r.offset, m.size()) << r.Describe();
    }
    RawFile kinds;
    kinds.Count(0).Count(0xFFFFFFFF).Text(u"k");
    const VqfCheckResult r = CheckVqf(kinds.b);
    EXPECT_EQ(r.field, VqfField::KindTextLength);
    EXPECT_EQ(r.index, 1u);
}

// An odd byte length in each text field in turn: the text gets one more unit
// made of the last byte, the fields after it are read where they stand, and
// the document writes back with that text's length made even.
TEST(HostileFile, OddLengthInEveryTextField) {
    const char* fields[] = {"title", "kind", "location", "status", "kind text"};
    for (int which = 0; which < 5; ++which) {
        SCOPED_TRACE(fields[which]);
        RawFile f;
        auto text = [&](int index, std::u16string_view normal) {
            if (index == which)
                f.TextBytes({'O', 0, 'd', 0, 'x'});
            else
                f.Text(normal);
        };
        f.Count(1);
        text(0, u"T");
        text(1, u"K");
        f.Times();
        text(2, u"L");
        text(3, u"S");
        f.Count(1);
        text(4, u"C");
        ASSERT_TRUE(CheckVqf(f.b)) << CheckVqf(f.b).Describe();
        const VqfDocument doc = LoadVqf(f.b);
        ASSERT_NE(doc.item_list, nullptr);
        const _ITEM_LIST& it = *doc.item_list;
        const std::u16string got[] = {it.title, it.action_kind, it.location, it.status, doc.action_kinds->text};
        const std::u16string normal[] = {u"T", u"K", u"L", u"S", u"C"};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], i == which ? u"Odx" : normal[i]) << i;
        EXPECT_EQ(it.planned_end.year, 0x05050505);
        const Bytes again = Rewrite(f.b);
        EXPECT_EQ(again.size(), f.b.size() + 1);
        EXPECT_EQ(Rewrite(again), again);
    }
}

TEST(HostileFile, TitleOfOneHundredThousandUnits) {
    std::u16string title;
    for (int i = 0; i < 100000; ++i) title += static_cast<char16_t>(i % 3 == 0 ? u'予' : u'a' + i % 26);
    _ITEM_LIST item;
    item.title = title;
    item.status = u"s";
    const Bytes file = WriteVqf(&item, nullptr);
    ASSERT_EQ(file.size(), 143u + 200000 - 2 + 2 * 1);
    const VqfCheckResult r = CheckVqf(file);
    ASSERT_TRUE(r) << r.Describe();
    const VqfDocument doc = LoadVqf(file);
    ASSERT_NE(doc.item_list, nullptr);
    EXPECT_EQ(doc.item_list->title, title);
    EXPECT_EQ(Rewrite(file), file);
    // The report finds the record by its whole title and shows the first 1022 units.
    const std::u16string report = BuildReport(doc.item_list.get(), {title});
    EXPECT_EQ(report, u"◆" + title.substr(0, 1022) + u"\r\ns\r\n\r\n");
    // One length past the title's end is refused.
    Bytes m = file;
    Set32(m, 21, 200000 + static_cast<std::uint32_t>(m.size()));
    EXPECT_FALSE(CheckVqf(m));
}

struct TextCase {
    const char* name;
    std::u16string stored;  // the units as they stand in the file
    std::u16string loaded;  // what the document holds after a load
    bool byte_exact;        // writing the loaded document gives the same file
};

TEST(HostileFile, SurrogatesAndNulsInEveryText) {
    const TextCase cases[] = {
        {"non-BMP pairs", u"𠮷😀\U0010FFFF", u"𠮷😀\U0010FFFF", true},
        {"lone high surrogate", u"a\xD800", u"a\xD800", true},
        {"lone low surrogate", u"\xDC00z", u"\xDC00z", true},
        {"reversed pair", u"\xDC00\xD800", u"\xDC00\xD800", true},
        {"high surrogate last", u"abc\xDBFF", u"abc\xDBFF", true},
        {"U+FFFF and U+FEFF", u"\xFFFF\xFEFF", u"\xFFFF\xFEFF", true},
        {"NUL inside", std::u16string(u"ab\0cd", 5), u"ab", false},
        {"NUL after a surrogate", std::u16string(u"\xD83D\0\xDE00", 3), u"\xD83D", false},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        RawFile f;
        f.Count(1).Item(u"t" + c.stored, c.stored, c.stored, c.stored).Count(1).Text(c.stored);
        ASSERT_TRUE(CheckVqf(f.b));
        const VqfDocument doc = LoadVqf(f.b);
        ASSERT_NE(doc.item_list, nullptr);
        EXPECT_EQ(doc.item_list->title, u"t" + c.loaded);
        EXPECT_EQ(doc.item_list->action_kind, c.loaded);
        EXPECT_EQ(doc.item_list->location, c.loaded);
        EXPECT_EQ(doc.item_list->status, c.loaded);
        EXPECT_EQ(doc.action_kinds->text, c.loaded);
        const Bytes again = Rewrite(f.b);
        EXPECT_EQ(again == f.b, c.byte_exact);
        EXPECT_EQ(Rewrite(again), again);  // once written, the form is stable
    }
    // A title that is only a NUL loads empty, is written with length 0, and
    // so comes back the time after as "NewAction".
    RawFile nul_title;
    nul_title.Count(1).Item(std::u16string(1, u'\0'), u"", u"", u"").Count(0);
    const Bytes once = Rewrite(nul_title.b);
    EXPECT_EQ(LoadVqf(nul_title.b).item_list->title, u"");
    EXPECT_EQ(LoadVqf(once).item_list->title, u"NewAction");
}

TEST(HostileLastFileRecord, EveryShortRecordAndBadLength) {
    const Bytes full = EncodeLastFileRecord(u"C:\\plan.vqf");
    // Records of 0 to 8 bytes: below 8 nothing; at 8 the four path bytes there are.
    for (std::size_t n = 0; n <= 8; ++n) {
        const Bytes rec(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(DecodeLastFileRecord(rec), n < 8 ? u"" : u"C:") << n;
    }
    auto record = [](std::uint32_t len, std::size_t body_units) {
        Bytes b;
        Put32(b, len);
        for (std::size_t i = 0; i < body_units; ++i) b.insert(b.end(), {'p', 0});
        return b;
    };
    struct Case {
        const char* name;
        Bytes rec;
        std::u16string path;
    };
    const Case cases[] = {
        {"length beyond the file", record(1000, 6), u"pppppp"},
        {"length 0xFFFFFFFF", record(0xFFFFFFFF, 6), u""},
        {"40,000-unit path", EncodeLastFileRecord(std::u16string(40000, u'p')), u""},
        {"32,767-unit path, the longest taken", EncodeLastFileRecord(std::u16string(32767, u'p')),
         std::u16string(32767, u'p')},
        {"32,768-unit path", EncodeLastFileRecord(std::u16string(32768, u'p')), u""},
        {"odd length 9", [] { Bytes b{9, 0, 0, 0, 'C', 0, ':', 0, '\\', 0, 'a', 0, 'b'}; return b; }(), u"C:\\ab"},
        {"odd length 7 over more bytes", record(7, 5), u"pppp"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeLastFileRecord(c.rec), c.path) << c.name;
}

}  // namespace
