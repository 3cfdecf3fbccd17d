#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "ItemChain.h"
#include "Records.h"
#include "VqfBytes.h"
#include "VqfCodec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

_TIMES T(std::int32_t y, std::int32_t mo, std::int32_t d, std::int32_t h, std::int32_t mi) { return {y, mo, d, h, mi}; }

TEST(VqfWrite, OneItemExampleIsByteExact) {
    _ITEM_LIST item;
    item.title = u"A";
    item.planned_start = T(2030, 1, 2, 3, 4);
    item.planned_end = T(-1, 0x7FFFFFFF, 5, 24, 59);
    const Bytes out = WriteVqf(&item, nullptr);
    ASSERT_EQ(out.size(), 143u);

    Bytes expected(kVqfMagic, kVqfMagic + 17);
    Put32(expected, 1);
    Put32(expected, 2);
    expected.insert(expected.end(), {0x41, 0x00});
    Put32(expected, 0);
    const std::uint8_t start[20] = {0xEE, 0x07, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
    expected.insert(expected.end(), start, start + 20);
    for (std::uint32_t v : {0xFFFFFFFFu, 0x7FFFFFFFu, 5u, 24u, 59u}) Put32(expected, v);
    expected.resize(expected.size() + 60, 0);  // actual start, completion, alarm unset
    Put32(expected, 0);                      // location
    Put32(expected, 0);                      // status
    Put32(expected, 0);                      // kinds
    EXPECT_EQ(out, expected);
    EXPECT_EQ(std::memcmp(out.data() + 31, start, 20), 0);  // planned start at 31
    EXPECT_EQ(out[139], 0);
}

TEST(VqfWrite, TextsStopAtNulAndKindsFollowItems) {
    _ITEM_LIST item;
    item.title = std::u16string(u"ab\0cd", 5);
    item.status = u"x\r\ny";
    _KIND_LIST kinds(u"会議");
    kinds.next = std::make_unique<_KIND_LIST>();  // empty kind: length 0
    const Bytes out = WriteVqf(&item, &kinds);
    VqfBytes want;
    want.Count(1).Text(u"ab").Text(u"");
    want.b.resize(want.b.size() + 100, 0);
    want.Text(u"").Text(u"x\r\ny").Count(2).Text(u"会議").Text(u"");
    EXPECT_EQ(out, want.b);
}

struct CheckCase {
    const char* name;
    Bytes file;
    bool ok;
    VqfField field;
    std::uint64_t offset;
    std::uint32_t left;
};

std::vector<CheckCase> CheckCases() {
    std::vector<CheckCase> cases;
    for (std::size_t n : {0u, 1u, 16u}) cases.push_back({"shorter than the magic", Bytes(n, 'V'), false, VqfField::Magic, 0, static_cast<std::uint32_t>(n)});
    for (std::size_t n : {17u, 20u})
        cases.push_back({"no item count", Bytes(n, 'V'), false, VqfField::ItemCount, 17, static_cast<std::uint32_t>(n - 17)});
    cases.push_back({"21 bytes: no kind count", VqfBytes().Count(0).b, false, VqfField::KindCount, 21, 0});
    cases.push_back({"25 bytes, no items", VqfBytes().Count(0).Count(0).b, true, VqfField::None, 0, 0});
    Bytes wrong_magic = VqfBytes().Count(1).Item(u"A").Count(0).b;
    std::memcpy(wrong_magic.data(), "NotTheMagicAtAll!", 17);
    cases.push_back({"any magic", wrong_magic, true, VqfField::None, 0, 0});
    cases.push_back({"trailing bytes ignored", VqfBytes().Count(0).Count(0).Raw({1, 2, 3}).b, true, VqfField::None, 0, 3});
    cases.push_back({"title length past the end", VqfBytes().Count(1).Count(4000).Raw({1, 2}).b, false,
                     VqfField::Title, 21, 2});
    cases.push_back({"status length past the end by one",
                     VqfBytes().Count(1).Text(u"A").Text(u"").Times().Text(u"").Count(5).Raw({1, 2, 3, 4}).b, false,
                     VqfField::Status, 135, 4});
    cases.push_back({"date-times cut short", VqfBytes().Count(1).Text(u"A").Text(u"").Raw({1, 2, 3}).b, false,
                     VqfField::DateTimes, 31, 3});
    cases.push_back({"huge item count", VqfBytes().Count(0xFFFFFFFF).Item(u"A").Count(0).b, false,
                     VqfField::KindLength, 143, 0});
    cases.push_back({"kind length past the end", VqfBytes().Count(0).Count(2).Text(u"k").Count(0xFFFFFFFF).b,
                     false, VqfField::KindText, 31, 0});
    cases.push_back({"length 0xFFFFFFFF does not wrap", VqfBytes().Count(1).Count(0xFFFFFFFF).Raw({0, 0, 0, 0}).b,
                     false, VqfField::Title, 21, 4});
    return cases;
}

TEST(VqfCheck, RefusalsAndAcceptances) {
    for (const CheckCase& c : CheckCases()) {
        SCOPED_TRACE(c.name);
        const VqfCheckResult r = CheckVqf(c.file);
        EXPECT_EQ(r.ok, c.ok) << r.Describe();
        EXPECT_EQ(r.field, c.field);
        if (!c.ok) {
            EXPECT_EQ(r.offset, c.offset);
        }
        EXPECT_EQ(r.left, c.left);
        // A refused file loads as an empty document; a passing one as its items.
        const VqfDocument doc = LoadVqf(c.file);
        if (!c.ok) {
            EXPECT_EQ(doc.item_list, nullptr);
            EXPECT_EQ(doc.action_kinds, nullptr);
        } else {
            EXPECT_EQ(CountItems(doc.item_list.get()), r.item_count);
        }
    }
}

TEST(VqfCheck, DescribesWhereAndWhy) {
    Bytes f = VqfBytes().Count(2).Item(u"A").Text(u"B").b;
    Put32(f, 4000);
    f.resize(f.size() + 12);
    const VqfCheckResult r = CheckVqf(f);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.Describe(), "item 1: action kind length 4000 at offset 145 exceeds the 12 bytes left");
    EXPECT_EQ(CheckVqf(Bytes(10)).Describe(), "file of 10 bytes is shorter than the 17-byte magic");
    EXPECT_EQ(CheckVqf(VqfBytes().Count(0).b).Describe(), "kind count at offset 21 needs 4 bytes, 0 left");
    EXPECT_EQ(CheckVqf(VqfBytes().Count(0).Count(1).Text(u"x").b).Describe(), "valid: 0 items, 1 kinds, 31 bytes used");
}

TEST(VqfLoad, TextRules) {
    // Title of length 0, odd lengths, NUL inside, texts of length 0.
    VqfBytes f;
    f.Count(3);
    f.Text(u"").Text(u"").Times(7).Text(u"").Text(u"");
    // Odd: 3 bytes "A" + 0x42 -> units 'A', 0x0042.
    f.Count(3).Raw({'A', 0, 'B'}).Count(1).Raw({0xFF}).Times(100).Count(5).Raw({'L', 0, 0, 0, 'x'}).Text(u"s");
    // Title made of a NUL: a stored title, empty once loaded (not "NewAction").
    f.Count(2).Raw({0, 0}).Text(u"k").Times().Text(u"").Text(u"");
    f.Count(2).Text(u"").Count(3).Raw({0xAC, 0x30, 0x31});
    const VqfDocument doc = LoadVqf(f.b);
    ASSERT_EQ(CountItems(doc.item_list.get()), 3u);
    const _ITEM_LIST* a = doc.item_list.get();
    EXPECT_EQ(a->title, u"NewAction");
    EXPECT_TRUE(a->action_kind.empty() && a->location.empty() && a->status.empty());
    EXPECT_EQ(a->planned_start, T(7, 8, 9, 10, 11));
    EXPECT_EQ(a->alarm, T(27, 28, 29, 30, 31));
    const _ITEM_LIST* b = a->next.get();
    EXPECT_EQ(b->title, u"AB");
    EXPECT_EQ(b->action_kind, std::u16string(1, u'\x00FF'));
    EXPECT_EQ(b->location, u"L");
    EXPECT_EQ(b->status, u"s");
    EXPECT_EQ(b->actual_end, T(115, 116, 117, 118, 119));
    const _ITEM_LIST* c = b->next.get();
    EXPECT_EQ(c->title, u"");
    EXPECT_EQ(c->action_kind, u"k");
    ASSERT_EQ(CountKinds(doc.action_kinds.get()), 2u);
    EXPECT_EQ(doc.action_kinds->text, u"");
    EXPECT_EQ(doc.action_kinds->next->text, u"\x30AC" u"1");
}

TEST(VqfLoad, EqualTitlesKeepBothRecordsInOrder) {
    const Bytes f = VqfBytes().Count(2).Item(u"Same", u"first").Item(u"Same", u"second").Count(0).b;
    const VqfDocument doc = LoadVqf(f);
    ASSERT_EQ(CountItems(doc.item_list.get()), 2u);
    EXPECT_EQ(doc.item_list->action_kind, u"first");
    EXPECT_EQ(doc.item_list->next->action_kind, u"second");
    EXPECT_EQ(doc.item_list->next->title, u"Same");
}

std::u16string RandomText(std::mt19937& rng, std::size_t max) {
    std::u16string s(rng() % (max + 1), u'\0');
    for (auto& c : s) {
        c = static_cast<char16_t>(rng() % 0xFFFF + 1);  // any unit but NUL, lone surrogates included
    }
    return s;
}

_TIMES RandomTimes(std::mt19937& rng) {
    return {static_cast<std::int32_t>(rng()), static_cast<std::int32_t>(rng()), static_cast<std::int32_t>(rng()),
            static_cast<std::int32_t>(rng()), static_cast<std::int32_t>(rng())};
}

TEST(VqfRoundTrip, SaveThenOpenGivesEverythingBack) {
    std::mt19937 rng(12345);
    for (int round = 0; round < 20; ++round) {
        std::unique_ptr<_ITEM_LIST> items;
        std::unique_ptr<_KIND_LIST> kinds;
        auto* tail = &items;
        const int n = 1 + static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i) {
            auto item = std::make_unique<_ITEM_LIST>();
            item->title = RandomText(rng, 40);
            if (item->title.empty()) item->title = u"t";  // an empty title comes back as NewAction
            item->action_kind = RandomText(rng, 5);
            item->planned_start = RandomTimes(rng);
            item->planned_end = RandomTimes(rng);
            item->actual_start = RandomTimes(rng);
            item->actual_end = RandomTimes(rng);
            item->alarm = RandomTimes(rng);
            item->location = RandomText(rng, 10);
            item->status = RandomText(rng, 200);
            *tail = std::move(item);
            tail = &(*tail)->next;
        }
        auto* ktail = &kinds;
        for (int k = static_cast<int>(rng() % 6); k > 0; --k) {
            *ktail = std::make_unique<_KIND_LIST>(RandomText(rng, 8));
            ktail = &(*ktail)->next;
        }
        const Bytes file = WriteVqf(items.get(), kinds.get());
        ASSERT_TRUE(CheckVqf(file)) << CheckVqf(file).Describe();
        const VqfDocument doc = LoadVqf(file);
        ASSERT_EQ(ChainItems(doc.item_list.get()), ChainItems(items.get()));
        ASSERT_EQ(KindTexts(doc.action_kinds.get()), KindTexts(kinds.get()));
        EXPECT_EQ(WriteVqf(doc.item_list.get(), doc.action_kinds.get()), file);
    }
}

TEST(VqfCheck, EveryTruncationIsRefused) {
    _ITEM_LIST first;
    first.title = u"First";
    first.action_kind = u"k";
    first.status = u"odd";
    first.next = std::make_unique<_ITEM_LIST>();
    first.next->title = u"Second";
    first.next->location = u"here";
    _KIND_LIST kinds(u"会議");
    kinds.next = std::make_unique<_KIND_LIST>(u"x");
    const Bytes file = WriteVqf(&first, &kinds);
    ASSERT_TRUE(CheckVqf(file));
    for (std::size_t n = 0; n < file.size(); ++n) {
        // A copy of exactly n bytes, so that the sanitizer sees any read past it.
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        const VqfCheckResult r = CheckVqf(prefix);
        EXPECT_FALSE(r.ok) << n;
        EXPECT_LE(r.offset, n) << n;
        EXPECT_EQ(LoadVqf(prefix).item_list, nullptr) << n;
    }
}

struct RecordCase {
    const char* name;
    Bytes record;
    std::u16string path;
};

TEST(LastFileRecord, DecodeIsBounded) {
    Bytes odd;
    Put32(odd, 5);
    odd.insert(odd.end(), {'C', 0, ':', 0, 'x'});
    Bytes long_len;
    Put32(long_len, 65536);
    long_len.resize(4 + 65536, 'a');
    Bytes max_len;
    Put32(max_len, 65534);
    for (int i = 0; i < 32767; ++i) max_len.insert(max_len.end(), {'a', 0});
    Bytes short_body;
    Put32(short_body, 100);
    short_body.insert(short_body.end(), {'C', 0, ':', 0, '\\', 0});
    Bytes with_nul;
    Put32(with_nul, 8);
    with_nul.insert(with_nul.end(), {'a', 0, 0, 0, 'b', 0, 'c', 0});
    const RecordCase cases[] = {
        {"empty", {}, u""},
        {"4 bytes", {8, 0, 0, 0}, u""},
        {"7 bytes", {6, 0, 0, 0, 'a', 0, 'b'}, u""},
        {"8 bytes", {4, 0, 0, 0, 'a', 0, 'b', 0}, u"ab"},
        {"length 0", {0, 0, 0, 0, 'a', 0, 'b', 0}, u""},
        {"odd length", odd, u"C:x"},
        {"length beyond the buffer", long_len, u""},
        {"longest length", max_len, std::u16string(32767, u'a')},
        {"shorter than its length", short_body, u"C:\\"},
        {"NUL ends the path", with_nul, u"a"},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecodeLastFileRecord(c.record), c.path);
    }
    const std::u16string path = u"C:\\データ\\plan.vqf";
    const Bytes rec = EncodeLastFileRecord(path);
    ASSERT_EQ(rec.size(), 4 + path.size() * 2);
    EXPECT_EQ(rec[0], path.size() * 2);
    EXPECT_EQ(DecodeLastFileRecord(rec), path);
}

TEST(PathRules, FileNameAndExtension) {
    EXPECT_EQ(FileNameOfPath(u"C:\\a\\plan.vqf"), u"plan.vqf");
    EXPECT_EQ(FileNameOfPath(u"plan.vqf"), u"plan.vqf");
    EXPECT_EQ(FileNameOfPath(u"C:\\a\\"), u"");
    const std::pair<std::u16string_view, bool> ext[] = {
        {u"plan", true}, {u"plan.VQF", true}, {u".vqf", true}, {u"a.vqf", false}, {u"plan.vqf", false},
        {u"", true}, {u"x.vqfx", true},
    };
    for (auto [title, needs] : ext) EXPECT_EQ(NeedsVqfExtension(title), needs) << std::string(title.begin(), title.end());
}

}  // namespace
