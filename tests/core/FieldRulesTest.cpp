#include "FieldRules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kUntouched = 0x5A5A5A5A;

struct NumberCase {
    std::u16string text;
    int result;
    std::int32_t value;  // checked only when result is 1
};

TEST(MyTsToITest, AcceptsOnlyStrictSignedDecimals) {
    const NumberCase cases[] = {
        {u"", 1, 0},
        {u"   ", 1, 0},
        {u"-", 1, 0},
        {u"   -", 1, 0},
        {u" -12", 1, -12},
        {u"007", 1, 7},
        {u"-0", 1, 0},
        {u"2147483647", 1, 2147483647},
        {u"-2147483647", 1, -2147483647},
        {u"-2147483648", 1, kMin},
        {std::u16string(31, u' ') + u"5", 1, 5},
        {u"0000000000000000000000000000042", 1, 42},
        {u"12 ", 0, 0},
        {u"+5", 0, 0},
        {u"1a", 0, 0},
        {u"\t5", 0, 0},   // only U+0020 is skipped
        {u"- 5", 0, 0},
        {u"--5", 0, 0},
        {u"5-", 0, 0},
        {u"\uFF15", 0, 0},  // a full-width digit is not a digit
        {u"1.5", 0, 0},
    };
    for (const auto& c : cases) {
        std::int32_t v = kUntouched;
        EXPECT_EQ(MyTsToI(c.text, &v), c.result) << "text of length " << c.text.size();
        if (c.result == 1) {
            EXPECT_EQ(v, c.value) << "text of length " << c.text.size();
        }
    }
}

TEST(MyTsToITest, TextsLongerThan32UnitsAreRefusedWithoutTouchingTheValue) {
    for (const std::u16string& text :
         {std::u16string(33, u'1'), std::u16string(33, u' '), std::u16string(32, u' ') + u"5",
          std::u16string(40, u'0')}) {
        std::int32_t v = kUntouched;
        EXPECT_EQ(MyTsToI(text, &v), 0);
        EXPECT_EQ(v, kUntouched);
    }
    // Exactly 32 units is still read.
    std::int32_t v = kUntouched;
    EXPECT_EQ(MyTsToI(std::u16string(31, u'0') + u"9", &v), 1);
    EXPECT_EQ(v, 9);
}

TEST(MyTsToITest, SumsBeyond32BitsRestartFromTheLowestValue) {
    // 3e9 leaves the range at its first digit; the zeros add nothing.
    std::int32_t v = 0;
    EXPECT_EQ(MyTsToI(u"3000000000", &v), 1);
    EXPECT_EQ(v, kMin);
    EXPECT_EQ(MyTsToI(u"2147483648", &v), 1);
    EXPECT_EQ(v, kMin);
    // 4e9 overflows, then the remaining 294967296 is added to INT32_MIN.
    EXPECT_EQ(MyTsToI(u"4294967296", &v), 1);
    EXPECT_EQ(v, kMin + 294967296);
    // Negating INT32_MIN wraps to itself rather than overflowing.
    EXPECT_EQ(MyTsToI(u"-3000000000", &v), 1);
    EXPECT_EQ(v, kMin);
}

TEST(MyTsToITest, TextEndsAtItsFirstNul) {
    std::int32_t v = 0;
    EXPECT_EQ(MyTsToI(std::u16string(u"15\0x", 4), &v), 1);
    EXPECT_EQ(v, 15);
}

struct FieldCase {
    std::int32_t old;
    std::u16string text;
    std::int32_t expected;
};

TEST(FieldRulesTest, YearTakesTheLeadingNumber) {
    const FieldCase cases[] = {
        {2024, u"0", 0},
        {2024, u"12345", 12345},
        {2024, u"1999", 1999},
        {2024, u"  -5", -5},
        {2024, u"+7", 7},
        {2024, u"\t\n 42", 42},
        {2024, u"2025abc", 2025},
        {2024, u"2025 1", 2025},
        {2024, u"0000000000000000000000000000000000002030", 2030},  // no 32-unit limit
        {2024, u"2147483647", 2147483647},
        {2024, u"-2147483648", kMin},
        {2024, u"", 2024},
        {2024, u"   ", 2024},
        {2024, u"-", 2024},
        {2024, u"- 5", 2024},
        {2024, u"abc", 2024},
        // Beyond 32 bits the previous year is kept.
        {2024, u"2147483648", 2024},
        {2024, u"-2147483649", 2024},
        {2024, u"99999999999999999999999", 2024},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadYear(c.old, c.text), c.expected) << "text of length " << c.text.size();
}

TEST(FieldRulesTest, MonthHourMinuteBounds) {
    using Reader = std::int32_t (*)(std::int32_t, std::u16string_view);
    struct BoundCase {
        Reader read;
        const char* name;
        std::int32_t old;
        std::u16string text;
        std::int32_t expected;
    };
    const BoundCase cases[] = {
        {ReadMonth, "month", 5, u"12", 12},
        {ReadMonth, "month", 5, u"13", 5},
        {ReadMonth, "month", 5, u"0", 0},
        {ReadMonth, "month", 5, u"-0", 0},
        {ReadMonth, "month", 5, u"007", 7},
        {ReadMonth, "month", 5, u" 3", 3},
        {ReadMonth, "month", 5, u"", 5},    // no digit: nothing stored
        {ReadMonth, "month", 5, u"  ", 5},
        {ReadMonth, "month", 5, u"-", 5},
        {ReadMonth, "month", 5, u"-1", 5},  // negative counts as too large
        {ReadMonth, "month", 5, u"3 ", 5},
        {ReadMonth, "month", 5, u"4294967305", 5},
        {ReadHour, "hour", 7, u"24", 24},
        {ReadHour, "hour", 7, u"25", 7},
        {ReadHour, "hour", 7, u"0", 0},
        {ReadHour, "hour", 7, u"", 7},
        {ReadHour, "hour", 7, u"-3", 7},
        {ReadMinute, "minute", 9, u"60", 60},
        {ReadMinute, "minute", 9, u"61", 9},
        {ReadMinute, "minute", 9, u"0", 0},
        {ReadMinute, "minute", 9, u"x", 9},
        {ReadMinute, "minute", 9, u"-", 9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.read(c.old, c.text), c.expected) << c.name << " text of length " << c.text.size();
}

TEST(FieldRulesTest, DayRulesDifferBetweenPlannedStartAndOtherRows) {
    struct DayCase {
        std::u16string text;
        unsigned days;
        std::int32_t planned_start;  // from old day 11
        std::int32_t other;          // from old day 11
    };
    const DayCase cases[] = {
        {u"31", 30, 30, 30},  // brought down to the month's last day
        {u"29", 30, 29, 29},
        {u"30", 30, 30, 30},
        {u"0", 30, 0, 11},    // zero only counts in the planned start row
        {u"15", 0, 0, 11},    // month outside 1..12
        {u"0", 0, 0, 11},
        {u"-1", 30, 30, 30},  // negative is larger than any length
        {u"", 30, 11, 11},
        {u"", 0, 11, 11},
        {u"-", 31, 11, 11},
        {u"x", 31, 11, 11},
        {u"5 ", 31, 11, 11},
        {std::u16string(33, u'1'), 31, 11, 11},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadDay(11, c.text, c.days, true), c.planned_start) << "days " << c.days;
        EXPECT_EQ(ReadDay(11, c.text, c.days, false), c.other) << "days " << c.days;
    }
}

TEST(FieldRulesTest, RowReadsTheDayAgainstTheMonthJustRead) {
    struct RowCase {
        _TIMES old;
        TimesTexts texts;
        bool planned_start_row;
        _TIMES expected;
    };
    const _TIMES old{2024, 4, 10, 8, 30};
    const RowCase cases[] = {
        // Day 30 in February follows the leap rule of the year typed in.
        {old, {u"2024", u"2", u"30", u"8", u"30"}, false, {2024, 2, 29, 8, 30}},
        {old, {u"2000", u"2", u"30", u"8", u"30"}, false, {2000, 2, 29, 8, 30}},
        {old, {u"1900", u"2", u"30", u"8", u"30"}, false, {1900, 2, 28, 8, 30}},
        {old, {u"2023", u"2", u"30", u"8", u"30"}, true, {2023, 2, 28, 8, 30}},
        // Day 31 in April.
        {old, {u"2024", u"4", u"31", u"8", u"30"}, true, {2024, 4, 30, 8, 30}},
        // A refused month keeps April, and the day is checked against it.
        {old, {u"2024", u"13", u"31", u"8", u"30"}, false, {2024, 4, 30, 8, 30}},
        // Month 0 with day 15: planned start gets day 0, the alarm row keeps
        // its day.
        {old, {u"2024", u"0", u"15", u"8", u"30"}, true, {2024, 0, 0, 8, 30}},
        {old, {u"2024", u"0", u"15", u"8", u"30"}, false, {2024, 0, 10, 8, 30}},
        // Every field refused or empty: the old value stands.
        {old, {u"", u"", u"", u"", u""}, false, old},
        {old, {u"y", u"-1", u"0", u"25", u"61"}, false, old},
        // All five taken.
        {old, {u"12345", u"12", u"31", u"24", u"60"}, false, {12345, 12, 31, 24, 60}},
        {_TIMES{}, {u"0", u"0", u"0", u"0", u"0"}, true, _TIMES{}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const _TIMES got = ReadTimesRow(c.old, c.texts, c.planned_start_row);
        EXPECT_EQ(got, c.expected) << "case " << i << ": got " << got.year << '-' << got.month << '-' << got.day
                                   << ' ' << got.hour << ':' << got.minute;
    }
}

}  // namespace
