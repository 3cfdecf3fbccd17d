#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Alarms.h"
#include "ItemChain.h"
#include "ItemTitles.h"
#include "Records.h"
#include "Report.h"

namespace {

_EDIT_ITEM Item(std::u16string title, _TIMES ps, _TIMES pe, _TIMES as = {}, _TIMES ae = {}, std::u16string status = {}) {
    _EDIT_ITEM item;
    item.title = std::move(title);
    item.planned_start = ps;
    item.planned_end = pe;
    item.actual_start = as;
    item.actual_end = ae;
    item.status = std::move(status);
    return item;
}

struct HeadingCase {
    const char* name;
    _EDIT_ITEM item;
    std::u16string expected;
};

TEST(Report, HeadingPieces) {
    const _TIMES mar5{2024, 3, 5, 9, 0}, mar10{2024, 3, 10, 18, 0};
    const HeadingCase cases[] = {
        {"both planned", Item(u"Plan", mar5, mar10), u"◆Plan (計画：2024/ 3/ 5 - 2024/ 3/10)\r\n"},
        {"planned end day 0", Item(u"Plan", mar5, {2024, 3, 0, 18, 0}), u"◆Plan (計画：2024/ 3/ 5 - )\r\n"},
        {"planned start month 0", Item(u"Plan", {2024, 0, 5, 9, 0}, mar10), u"◆Plan (計画： - 2024/ 3/10)\r\n"},
        {"only actual end", Item(u"A", {0, 3, 5, 1, 1}, {2024, 3, 0, 1, 1}, {}, {2025, 12, 31, 24, 0}),
         u"◆A (実績： - 2025/12/31)\r\n"},
        {"no dates at all", Item(u"A", {0, 3, 5, 1, 1}, {2024, 0, 5, 1, 1}, {2024, 3, 0, 0, 0}, {}),
         u"◆A\r\n"},
        {"actual both, hours ignored", Item(u"A", {}, {}, {1999, 12, 1, 0, 0}, {2000, 1, 2, 99, 99}),
         u"◆A (実績：1999/12/ 1 - 2000/ 1/ 2)\r\n"},
        {"actual start only", Item(u"A", {}, {}, {2024, 11, 30, 0, 0}, {}), u"◆A (実績：2024/11/30 - )\r\n"},
        {"plan and actual", Item(u"A", mar5, mar10, mar5, {}), u"◆A (計画：2024/ 3/ 5 - 2024/ 3/10) (実績：2024/ 3/ 5 - )\r\n"},
        // Any non-zero field counts, also a negative one; wide numbers are not cut.
        {"negative and wide", Item(u"A", {-1, 12345, -7, 0, 0}, {}),
         u"◆A (計画：  -1/12345/-7 - )\r\n"},
        {"extreme values", Item(u"A", {INT32_MIN, INT32_MIN, INT32_MIN, 0, 0}, {INT32_MAX, INT32_MAX, INT32_MAX, 0, 0}),
         u"◆A (計画：-2147483648/-2147483648/-2147483648 - 2147483647/2147483647/2147483647)\r\n"},
        {"empty title", Item(u"", {}, {}), u"◆\r\n"},
        {"title cut at NUL", Item(std::u16string(u"ab\0cd", 5), {}, {}), u"◆ab\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReportHeading(c.item), c.expected);
    }
}

TEST(Report, AlarmLinesAndTexts) {
    // The alarm window's line (time, title, first status line, in columns)
    // and the whole text shown for the chosen line.
    const struct {
        _TIMES alarm;
        std::u16string title, status, line, text;
        std::int64_t late = 0;  // minutes
    } cases[] = {
        {{2024, 3, 5, 9, 5}, u"会議", u"資料を印刷\r\n会議室へ", u"2024/ 3/ 5  9:05\t会議\t資料を印刷",
         u"資料を印刷\r\n会議室へ"},
        {{2024, 12, 31, 24, 30}, u"T", u"", u"2024/12/31 24:30\tT\t", u"T"},
        {{2024, 3, 5, 9, 60}, u"T", u"a\nb\rc", u"2024/ 3/ 5  9:60\tT\ta", u"a\r\nb\r\nc"},
        {{2024, 3, 5, 9, 0}, std::u16string(u"T\0x", 3), std::u16string(u"\0s", 2), u"2024/ 3/ 5  9:00\tT\t", u"T"},
        {{2024, 3, 5, 9, 0}, std::u16string(300, u'題'), u"s", u"2024/ 3/ 5  9:00\t" + std::u16string(200, u'題') + u"\ts",
         u"s"},
        // Late lines say how late after the time; one minute late is on time.
        {{2024, 3, 5, 9, 0}, u"T", u"s", u"2024/ 3/ 5  9:00  15分前\tT\ts", u"s", 15},
        {{2024, 3, 5, 9, 0}, u"T", u"s", u"2024/ 3/ 5  9:00\tT\ts", u"s", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alarm.hour << ":" << c.alarm.minute << " " << c.title.size());
        _ITEM_LIST item;
        item.alarm = c.alarm;
        item.title = c.title;
        item.status = c.status;
        EXPECT_EQ(AlarmLine(item, c.late), c.line);
        EXPECT_EQ(AlarmText(item), c.text);
    }
    // Whole units, counted down: minutes below an hour, hours below a day.
    const struct {
        std::int64_t late;
        std::u16string text;
    } lateness[] = {{-5, u""},       {0, u""},          {1, u""},          {2, u"2分前"},
                    {59, u"59分前"}, {60, u"1時間前"},  {179, u"2時間前"}, {180, u"3時間前"},
                    {1439, u"23時間前"}, {1440, u"1日前"}, {2 * 1440 + 5, u"2日前"}, {31 * 1440, u"31日前"}};
    for (const auto& l : lateness) EXPECT_EQ(LatenessText(l.late), l.text) << l.late;
}

TEST(Report, PeriodPieceIsAtMost79Units) {
    const _TIMES min{INT32_MIN, INT32_MIN, INT32_MIN, 0, 0};
    EXPECT_EQ(PeriodPiece(u"計画", min, min).size(), 79u);
}

TEST(Report, LongTitleShowsAtMost1022Units) {
    for (std::size_t length : {1021u, 1022u, 1023u, 2047u, 5000u}) {
        SCOPED_TRACE(length);
        std::u16string title(length, u'x');
        title[0] = u'T';
        const std::u16string heading = ReportHeading(Item(title, {}, {}, {}, {2024, 1, 2, 0, 0}));
        const std::size_t shown = std::min<std::size_t>(length, 1022);
        std::u16string expected = u"◆";
        expected.append(title, 0, shown).append(u" (実績： - 2024/ 1/ 2)\r\n");
        EXPECT_EQ(heading, expected);
    }
}

TEST(Report, BlocksInLineOrderSkippingUnknownLines) {
    const _TIMES d{2024, 3, 5, 9, 0};
    auto chain = ItemChain({
        Item(u"First", d, d, {}, {}, u"one\r\ntwo"),
        Item(u"Second", {}, {}),
        Item(u"Dup", {}, {}, {}, {}, u"first dup"),
        Item(u"Dup", {}, {}, {}, {}, u"second dup"),
        Item(u"dup", {}, {}, {}, {}, u"lower case"),
        Item(u"Later", {}, {}),
    });
    struct Case {
        const char* name;
        std::vector<std::u16string> lines;
        std::u16string expected;
    } cases[] = {
        {"nothing selected", {}, u""},
        {"list box order, not chain order", {u"Second", u"First"},
         u"◆Second\r\n\r\n\r\n◆First (計画：2024/ 3/ 5 - 2024/ 3/ 5)\r\none\r\ntwo\r\n\r\n"},
        {"equal titles report the first record", {u"Dup"}, u"◆Dup\r\nfirst dup\r\n\r\n"},
        {"a repeated title neither replaces its first record nor hides a later line", {u"Dup", u"Later"},
         u"◆Dup\r\nfirst dup\r\n\r\n◆Later\r\n\r\n\r\n"},
        {"case matters", {u"dup"}, u"◆dup\r\nlower case\r\n\r\n"},
        {"a line matching no record is left out", {u"Nobody", u"Second", u"SECOND"}, u"◆Second\r\n\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BuildReport(chain.get(), c.lines), c.expected);
    }
}

TEST(Report, LongTitleIsMatchedWhole) {
    // Two titles equal in their first 2047 units must not be confused.
    const std::u16string base(3000, u'a');
    auto chain = ItemChain({Item(base + u"1", {}, {}, {}, {}, u"one"), Item(base + u"2", {}, {}, {}, {}, u"two")});
    const std::u16string report = BuildReport(chain.get(), {base + u"2"});
    std::u16string expected = u"◆";
    expected.append(base, 0, 1022).append(u"\r\ntwo\r\n\r\n");
    EXPECT_EQ(report, expected);
}

TEST(Report, StatusStopsAtNul) {
    auto chain = ItemChain({Item(u"A", {}, {}, {}, {}, std::u16string(u"ok\0hidden", 9))});
    EXPECT_EQ(BuildReport(chain.get(), {u"A"}), u"◆A\r\nok\r\n\r\n");
}

// Prints how long the report of 10,000 selected lines out of 100,000 items
// takes; checks only that every block is there.
TEST(ReportBenchmark, TenThousandOfHundredThousand) {
    std::vector<_EDIT_ITEM> items;
    items.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        items.push_back(Item(NumberedTitle(u"Item", i), {2024, 1, 1, 1, 0}, {2024, 2, 1, 1, 0}, {}, {}, u"status"));
    auto chain = ItemChain(items);
    std::vector<std::u16string> lines;
    for (int i = 0; i < 100000; i += 10) lines.push_back(NumberedTitle(u"Item", i));
    const auto start = std::chrono::steady_clock::now();
    const std::u16string report = BuildReport(chain.get(), lines);
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ figures  ] report of %zu selected of 100000 items: %.1f ms, %zu units\n", lines.size(), ms,
                report.size());
    std::size_t blocks = 0;
    for (std::size_t at = report.find(u'◆'); at != std::u16string::npos; at = report.find(u'◆', at + 1)) ++blocks;
    EXPECT_EQ(blocks, lines.size());
}

}  // namespace
