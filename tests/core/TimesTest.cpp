#include <gtest/gtest.h>

#include <ctime>
#include <optional>

#include "Alarms.h"
#include "Records.h"
#include "Times.h"

namespace {

// Seconds since the epoch for a UTC calendar instant.
std::uint32_t Utc(int y, int mo, int d, int h, int mi) {
    std::int64_t days = 0;
    for (int year = 1970; year < y; ++year) days += GetDates(year, 2) == 29 ? 366 : 365;
    for (int month = 1; month < mo; ++month) days += GetDates(y, month);
    days += d - 1;
    return static_cast<std::uint32_t>(days * 86400 + h * 3600 + mi * 60);
}

struct GetTimeCase {
    int y, mo, d, h, mi;  // UTC instant
    _TIMES expected;      // UTC+9, hours 1..24
};

TEST(GetTime, WorkedValuesAndDayEnds) {
    const GetTimeCase cases[] = {
        {1970, 1, 1, 0, 0, {1970, 1, 1, 9, 0}},
        {1970, 1, 1, 15, 0, {1970, 1, 1, 24, 0}},
        {1970, 1, 1, 16, 0, {1970, 1, 2, 1, 0}},
        {2023, 12, 31, 15, 30, {2023, 12, 31, 24, 30}},
        {2023, 12, 31, 16, 30, {2024, 1, 1, 1, 30}},
        {2024, 2, 28, 16, 0, {2024, 2, 29, 1, 0}},
        {2100, 2, 28, 16, 0, {2100, 3, 1, 1, 0}},
        {2024, 3, 1, 0, 30, {2024, 3, 1, 9, 30}},
        // First day of a month at 00:00 UTC is hour 9 of that day.
        {2025, 7, 1, 0, 0, {2025, 7, 1, 9, 0}},
        // 15:59 UTC is still hour 24 of the UTC date, also on 29 February.
        {2024, 2, 29, 15, 59, {2024, 2, 29, 24, 59}},
        {2024, 2, 29, 16, 0, {2024, 3, 1, 1, 0}},
        {2000, 2, 28, 16, 0, {2000, 2, 29, 1, 0}},
        {1999, 12, 31, 14, 59, {1999, 12, 31, 23, 59}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.mo << "-" << c.d << " " << c.h << ":" << c.mi);
        EXPECT_EQ(GetTimeAt(Utc(c.y, c.mo, c.d, c.h, c.mi)), c.expected);
    }
}

// The stepping algorithm against the calendar of the C library, minute by
// minute over a few day and year ends: hour 0 never appears and every other
// hour matches UTC+9.
TEST(GetTime, AgreesWithCalendarAndNeverShowsHourZero) {
    for (std::uint32_t start : {Utc(2023, 12, 31, 0, 0), Utc(2024, 2, 28, 0, 0), Utc(2038, 1, 18, 0, 0)}) {
        for (std::uint32_t t = start; t < start + 3 * 86400; t += 60) {
            const _TIMES got = GetTimeAt(t);
            ASSERT_GE(got.hour, 1);
            ASSERT_LE(got.hour, 24);
            // The reference calendar takes 64-bit seconds: a 32-bit time_t
            // wraps in 2038.
            std::tm tm{};
#ifdef _WIN32
            const __time64_t local = static_cast<__time64_t>(t) + 9 * 3600 - (got.hour == 24 ? 3600 : 0);
            ASSERT_EQ(_gmtime64_s(&tm, &local), 0) << t;
#else
            const std::time_t local = static_cast<std::time_t>(t) + 9 * 3600 - (got.hour == 24 ? 3600 : 0);
            ASSERT_NE(gmtime_r(&local, &tm), nullptr) << t;
#endif
            ASSERT_EQ(got.year, tm.tm_year + 1900) << t;
            ASSERT_EQ(got.month, tm.tm_mon + 1) << t;
            ASSERT_EQ(got.day, tm.tm_mday) << t;
            ASSERT_EQ(got.hour, got.hour == 24 ? 24 : tm.tm_hour) << t;
            ASSERT_EQ(got.minute, tm.tm_min) << t;
            ASSERT_EQ(ClockMinute(got), std::int64_t{t / 60}) << t;
        }
    }
}

TEST(GetTime, ReadsTheReplaceableClock) {
    SetClock([]() -> std::int64_t { return 15 * 3600; });
    EXPECT_EQ(GetTime(), (_TIMES{1970, 1, 1, 24, 0}));
    SetClock(nullptr);
    EXPECT_GE(GetTime().year, 2024);
}

TEST(ClockMinute, HourZeroAndMinuteSixtyNameTheMinuteTheyMean) {
    const std::optional<std::int64_t> none;
    const struct {
        _TIMES t;
        std::optional<std::int64_t> minute;
    } cases[] = {
        {{1970, 1, 1, 9, 0}, 0},
        {{1970, 1, 1, 0, 0}, -540},
        {{2024, 3, 6, 0, 30}, Utc(2024, 3, 5, 15, 30) / 60},
        {{2024, 3, 5, 24, 30}, Utc(2024, 3, 5, 15, 30) / 60},
        {{2024, 3, 5, 9, 60}, Utc(2024, 3, 5, 1, 0) / 60},
        {{2024, 2, 29, 24, 60}, Utc(2024, 2, 29, 16, 0) / 60},
        {{2023, 2, 28, 24, 60}, Utc(2023, 2, 28, 16, 0) / 60},
        {{2024, 12, 31, 24, 60}, Utc(2024, 12, 31, 16, 0) / 60},
        {{2025, 1, 1, 0, 0}, Utc(2024, 12, 31, 15, 0) / 60},
        {{}, none},
        {{0, 6, 1, 9, 0}, none},
        {{2024, 13, 1, 9, 0}, none},
        {{2024, 0, 1, 9, 0}, none},
        {{2023, 2, 29, 9, 0}, none},
        {{2024, 4, 31, 9, 0}, none},
        {{2024, 3, 0, 9, 0}, none},
        {{2024, 3, 5, 25, 0}, none},
        {{2024, 3, 5, 9, 61}, none},
        {{2024, 3, 5, -1, 0}, none},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClockMinute(c.t), c.minute)
            << c.t.year << "/" << c.t.month << "/" << c.t.day << " " << c.t.hour << ":" << c.t.minute;
}

TEST(SnoozedAlarm, LandsOnTheMinuteItRingsInHoursOneTo24) {
    // From the clock minute the snooze was chosen in; the result rings in
    // exactly that many minutes and is written as the program writes times.
    const struct {
        std::uint32_t now;  // UTC seconds of the minute
        int minutes;
        _TIMES expected;
    } cases[] = {
        {Utc(2024, 3, 5, 0, 30), 10, {2024, 3, 5, 9, 40}},
        {Utc(2024, 3, 5, 0, 55), 5, {2024, 3, 5, 10, 0}},
        {Utc(2024, 3, 5, 14, 30), 30, {2024, 3, 5, 24, 0}},   // midnight is hour 24
        {Utc(2024, 3, 5, 15, 30), 60, {2024, 3, 6, 1, 30}},
        {Utc(2024, 2, 29, 14, 55), 5, {2024, 2, 29, 24, 0}},
        {Utc(2024, 2, 29, 15, 50), 10, {2024, 3, 1, 1, 0}},
        {Utc(2024, 12, 31, 15, 58), 5, {2025, 1, 1, 1, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.now << " + " << c.minutes);
        const _TIMES t = SnoozedAlarm(c.now / 60, c.minutes);
        EXPECT_EQ(t, c.expected);
        EXPECT_EQ(ClockMinute(t), c.now / 60 + c.minutes);
    }
}

TEST(GetDates, LeapRulesAndMonthLengths) {
    struct { unsigned year, month, days; } cases[] = {
        {2000, 2, 29}, {1900, 2, 28}, {2024, 2, 29}, {2023, 2, 28}, {2100, 2, 28}, {0, 2, 29},
        {2023, 4, 30}, {2023, 6, 30}, {2023, 9, 30}, {2023, 11, 30},
        {2023, 1, 31}, {2023, 12, 31}, {2023, 7, 31}, {2023, 8, 31},
        {2023, 0, 0}, {2023, 13, 0}, {0, 0, 0}, {4294967295u, 13, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(GetDates(c.year, c.month), c.days) << c.year << "/" << c.month;
}

TEST(TimeCmp, OrdersFieldByFieldAsUnsigned) {
    const _TIMES base{2024, 5, 6, 7, 8};
    struct { _TIMES a, b; int expected; } cases[] = {
        {base, base, 0},
        {{2024, 5, 6, 7, 8}, {2024, 5, 6, 7, 9}, -1},
        {{2024, 5, 6, 7, 10}, {2024, 5, 6, 7, 9}, 1},
        {{2025, 1, 1, 1, 0}, {2024, 12, 31, 24, 59}, 1},   // year wins over lower fields
        {{0, 0, 0, 0, 0}, GetTimeAt(0), -1},              // unset sorts first
        {{-1, 0, 0, 0, 0}, {2024, 1, 1, 1, 0}, 1},        // negative is a huge unsigned
        {{2024, 1, 1, 24, 0}, {2024, 1, 2, 1, 0}, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(TimeCmp(c.a, c.b), c.expected);
}

TEST(ItemRecords, FreshItemCopyAndSearch) {
    SetClock([]() -> std::int64_t { return 1700000000; });
    _ITEM_LIST item;
    item.location = u"old";
    EXPECT_EQ(InitItemList(&item), 0);
    EXPECT_EQ(InitItemList(nullptr), 0);
    const _TIMES now = GetTimeAt(1700000000);
    EXPECT_EQ(item.title, u"NewAction");
    EXPECT_EQ(item.planned_start, now);
    EXPECT_EQ(item.planned_end, now);
    EXPECT_EQ(item.actual_start, _TIMES{});
    EXPECT_EQ(item.alarm, _TIMES{});
    EXPECT_TRUE(item.action_kind.empty() && item.location.empty() && item.status.empty());
    SetClock(nullptr);

    // A chain A -> B -> A2 (duplicate title A): search returns the nearer one.
    auto head = std::make_unique<_ITEM_LIST>();
    head->title = u"A";
    head->next = std::make_unique<_ITEM_LIST>();
    head->next->title = u"B";
    head->next->next = std::make_unique<_ITEM_LIST>();
    head->next->next->title = u"A";
    head->next->next->status = u"second";
    EXPECT_EQ(SearchItemList(head.get(), u"A"), head.get());
    EXPECT_EQ(SearchItemList(head.get(), u"a"), nullptr);
    EXPECT_EQ(SearchItemList(nullptr, u"A"), nullptr);

    // Copying keeps the destination's place in the chain.
    _EDIT_ITEM edit;
    edit.title = u"C";
    edit.alarm = {2030, 1, 2, 3, 4};
    _ITEM_LIST* middle = head->next.get();
    middle->location = u"somewhere";
    CopyItemList(middle, edit);
    EXPECT_EQ(middle->title, u"C");
    EXPECT_TRUE(middle->location.empty());
    EXPECT_EQ(middle->alarm, (_TIMES{2030, 1, 2, 3, 4}));
    EXPECT_EQ(middle->next->status, u"second");
    EXPECT_EQ(CountItems(head.get()), 3u);
}

TEST(ItemRecords, LongChainsReleaseWithoutRecursion) {
    auto head = std::make_unique<_ITEM_LIST>();
    _ITEM_LIST* tail = head.get();
    for (int i = 0; i < 1'000'000; ++i) {
        tail->next = std::make_unique<_ITEM_LIST>();
        tail = tail->next.get();
    }
    EXPECT_EQ(CountItems(head.get()), 1'000'001u);
    head.reset();  // would overflow the stack if the release recursed
    SUCCEED();
}

}  // namespace
