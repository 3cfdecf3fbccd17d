#include <gtest/gtest.h>

#include "FindText.h"
#include "LineState.h"
#include "Times.h"

namespace {

// The clock minute of a UTC+9 date-time as the program writes it.
std::int64_t At(_TIMES t) { return *ClockMinute(t); }

_EDIT_ITEM Item(_TIMES planned_end, _TIMES actual_end = {}) {
    _EDIT_ITEM item;
    item.planned_end = planned_end;
    item.actual_end = actual_end;
    return item;
}

struct StateCase {
    const char* what;
    _TIMES planned_end;
    _TIMES actual_end;
    _TIMES now;
    bool finished, late, today, by_today;
};

TEST(LineState, AtGivenMinutes) {
    const _TIMES done{2024, 3, 1, 10, 0};
    const StateCase cases[] = {
        {"due later today", {2024, 3, 5, 18, 0}, {}, {2024, 3, 5, 9, 0}, false, false, true, true},
        {"at its own minute: not yet late", {2024, 3, 5, 18, 0}, {}, {2024, 3, 5, 18, 0}, false, false, true, true},
        {"the minute after: late", {2024, 3, 5, 18, 0}, {}, {2024, 3, 5, 18, 1}, false, true, true, true},
        {"yesterday: late, not today", {2024, 3, 4, 18, 0}, {}, {2024, 3, 5, 9, 0}, false, true, false, true},
        {"tomorrow", {2024, 3, 6, 9, 0}, {}, {2024, 3, 5, 23, 0}, false, false, false, false},
        {"finished late item is only finished", {2024, 3, 4, 18, 0}, done, {2024, 3, 5, 9, 0}, true, false, false,
         false},
        {"finished, due today", {2024, 3, 5, 18, 0}, done, {2024, 3, 5, 9, 0}, true, false, false, false},
        // Hour 24 is the hour after midnight, still the day before.
        {"due at hour 24, now hour 1 of the day", {2024, 3, 5, 24, 30}, {}, {2024, 3, 5, 1, 0}, false, false, true,
         true},
        {"due at hour 24, now at hour 24", {2024, 3, 5, 24, 30}, {}, {2024, 3, 5, 24, 10}, false, false, true, true},
        {"due at hour 1 of the next day", {2024, 3, 6, 1, 0}, {}, {2024, 3, 5, 24, 59}, false, false, false, false},
        {"hour 0 is hour 24 of the day before", {2024, 3, 6, 0, 30}, {}, {2024, 3, 5, 24, 10}, false, false, true,
         true},
        {"year end at hour 24", {2023, 12, 31, 24, 0}, {}, {2024, 1, 1, 1, 0}, false, true, false, true},
        {"unset planned completion", {}, {}, {2024, 3, 5, 9, 0}, false, false, false, false},
        {"planned completion naming no minute", {2024, 13, 5, 9, 0}, {}, {2024, 3, 5, 9, 0}, false, false, false,
         false},
        {"only a year set for the actual completion", {2024, 3, 4, 9, 0}, {2024, 0, 0, 0, 0}, {2024, 3, 5, 9, 0},
         true, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LineState s = LineStateAt(Item(c.planned_end, c.actual_end), ListClockAt(At(c.now)));
        EXPECT_EQ(s.finished, c.finished);
        EXPECT_EQ(s.late, c.late);
        EXPECT_EQ(s.due_today, c.today);
        EXPECT_EQ(s.due_by_today, c.by_today);
    }
}

TEST(LineState, DueTextAndFilters) {
    const ListClock now = ListClockAt(At({2024, 1, 6, 9, 0}));
    EXPECT_EQ(DueText({2024, 1, 6, 12, 45}, now), u"1/6 12:45");
    EXPECT_EQ(DueText({2024, 11, 30, 24, 5}, now), u"11/30 24:05");
    EXPECT_EQ(DueText({2025, 1, 6, 9, 0}, now), u"2025/1/6 9:00");
    EXPECT_EQ(DueText({2023, 12, 31, 24, 59}, now), u"2023/12/31 24:59");
    EXPECT_EQ(DueText({}, now), u"");
    // Hour 24 of 31 December is still that year's: no year shown.
    EXPECT_EQ(DueText({2023, 12, 31, 24, 0}, ListClockAt(At({2023, 12, 31, 24, 30}))), u"12/31 24:00");

    struct FilterCase {
        LineState state;
        bool all, unfinished, late, by_today, finished;
    };
    const FilterCase rows[] = {
        {{false, false, false, false}, true, true, false, false, false},  // due later
        {{false, false, true, true}, true, true, false, true, false},     // due today
        {{false, true, false, true}, true, true, true, true, false},      // late
        {{true, false, false, false}, true, false, false, false, true},   // finished
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.state.finished << r.state.late << r.state.due_today);
        EXPECT_EQ(PassesFilter(r.state, ListFilter::All), r.all);
        EXPECT_EQ(PassesFilter(r.state, ListFilter::Unfinished), r.unfinished);
        EXPECT_EQ(PassesFilter(r.state, ListFilter::Late), r.late);
        EXPECT_EQ(PassesFilter(r.state, ListFilter::DueByToday), r.by_today);
        EXPECT_EQ(PassesFilter(r.state, ListFilter::Finished), r.finished);
    }
}

TEST(FindText, MatchingRule) {
    struct Case {
        const char16_t* text;  // in the item's status
        const char16_t* find;
        bool matches;
    };
    const Case cases[] = {
        {u"Call Tanaka", u"tanaka", true},
        {u"call tanaka", u"TANAKA", true},
        {u"Ｒｅｖｉｅｗ ｄｏｃ", u"review", true},  // full-width Latin, either case
        {u"review", u"ＲＥＶ", true},
        {u"会議　準備", u"会議 準備", true},  // ideographic space
        {u"ｱﾝｹｰﾄ", u"アンケート", true},
        {u"アンケート", u"ｱﾝｹｰﾄ", true},
        {u"ｶﾞｲﾄﾞ", u"ガイド", true},  // half-width with voiced mark
        {u"ﾊﾟｽﾎﾟｰﾄ", u"パスポート", true},
        {u"ｳﾞｧｲｵﾘﾝ", u"ヴァイオリン", true},
        {u"カ\u3099イド", u"ガイド", true},  // combining voiced mark
        {u"ｶｲﾄﾞ", u"ガイド", false},  // the mark matters
        {u"ｶﾞｲﾄﾞ", u"ﾞ", false},      // a mark joined to its kana is no mark of its own
        {u"ﾞ only", u"゛", true},      // one standing alone is
        {u"ｶﾞｲﾄﾞ", u"いど", true},     // a match may start after a joined pair
        {u"ガガイド", u"ガイド", true},  // and after a false start
        {u"ガイド", u"カイ", false},
        {u"あんけーと", u"アンケート", true},  // kana type
        {u"アンケート", u"あんけ", true},
        {u"ﾊﾟ", u"ば", false},
        {u"見積もり", u"見積", true},
        {u"見積もり", u"見つもり", false},
        {u"anything", u"", true},
        {u"", u"a", false},
        {u"ab", u"abc", false},
    };
    const ListClock now = ListClockAt(At({2024, 1, 6, 9, 0}));
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::u16string(c.find)));
        _EDIT_ITEM item;
        item.status = c.text;
        EXPECT_EQ(ListQuery(c.find, ListFilter::All, now).Matches(item), c.matches);
    }

    // Every text field counts; the dates do not.
    _EDIT_ITEM item;
    item.title = u"Plan";
    item.action_kind = u"電話";
    item.location = u"大阪";
    item.planned_end = {2024, 1, 6, 12, 0};
    for (const char16_t* find : {u"plan", u"電話", u"大阪"})
        EXPECT_TRUE(ListQuery(find, ListFilter::All, now).Matches(item)) << testing::PrintToString(std::u16string(find));
    EXPECT_FALSE(ListQuery(u"2024", ListFilter::All, now).Matches(item));
    // Find and filter combine.
    EXPECT_TRUE(ListQuery(u"plan", ListFilter::DueByToday, now).Matches(item));
    EXPECT_FALSE(ListQuery(u"plan", ListFilter::Late, now).Matches(item));
    EXPECT_FALSE(ListQuery(u"", ListFilter::All, now).Narrows());
    // Typing on narrows further; a sound mark joining the last kana does not
    // (ｶ then ﾞ: か is not in が), nor does another filter or minute.
    const ListClock later = ListClockAt(now.minute + 1);
    const struct {
        const char16_t *before, *after;
        ListFilter filter;
        const ListClock* at;
        bool further;
    } typing[] = {
        {u"", u"a", ListFilter::All, &now, true},           {u"会", u"会議", ListFilter::All, &now, true},
        {u"ab", u"xaB", ListFilter::All, &now, true},       {u"ｶ", u"ｶﾞ", ListFilter::All, &now, false},
        {u"会議", u"会", ListFilter::All, &now, false},     {u"a", u"ab", ListFilter::Late, &now, false},
        {u"a", u"ab", ListFilter::All, &later, false},
    };
    for (const auto& t : typing) {
        SCOPED_TRACE(testing::PrintToString(std::u16string(t.after)));
        EXPECT_EQ(ListQuery(t.after, t.filter, *t.at).NarrowsFurtherThan(ListQuery(t.before, ListFilter::All, now)),
                  t.further);
    }
    EXPECT_TRUE(ListQuery(u"", ListFilter::Finished, now).Narrows());
}

}  // namespace
