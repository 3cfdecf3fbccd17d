// The iCalendar export read back by an independent parser (libical).
#include <gtest/gtest.h>

#include <libical/ical.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "ICalendar.h"
#include "ItemChain.h"
#include "Utf8.h"
#include "VqfCodec.h"
#include "VqfTool.h"

namespace {

struct CalendarDeleter {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Calendar = std::unique_ptr<icalcomponent, CalendarDeleter>;

Calendar Parse(const std::string& text) {
    Calendar cal(icalparser_parse_string(text.c_str()));
    EXPECT_NE(cal, nullptr);
    if (cal) {
        EXPECT_EQ(icalcomponent_count_errors(cal.get()), 0) << text;
    }
    return cal;
}

std::vector<icalcomponent*> Todos(icalcomponent* cal) {
    std::vector<icalcomponent*> todos;
    for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_VTODO_COMPONENT); c;
         c = icalcomponent_get_next_component(cal, ICAL_VTODO_COMPONENT))
        todos.push_back(c);
    return todos;
}

std::string Text(const char* s) { return s ? s : "<none>"; }

// "YYYY-MM-DD hh:mm UTC" for a parsed date-time.
std::string Utc(icaltimetype t) {
    if (icaltime_is_null_time(t)) return "<none>";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d%s", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, icaltime_is_utc(t) ? " UTC" : " floating");
    return buf;
}

std::string Utf8(std::u16string_view s) { return ToUtf8(s); }

// Imports the calendar `ics` with `vqf import` in a folder of its own;
// the .vqf bytes written, with vqf's exit status and standard error.
struct Imported {
    int status;
    std::string err;
    std::vector<std::uint8_t> bytes;
};
Imported ImportText(const std::string& ics, const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("vqf_" + name + "_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "in.ics", std::ios::binary) << ics;
    std::ostringstream out, err;
    Imported result{RunVqf({"vqf", "import", (dir / "in.ics").string(), "-o", (dir / "out.vqf").string()}, out, err),
                    err.str(), {}};
    {
        std::ifstream in(dir / "out.vqf", std::ios::binary);  // closed before the removal: Windows removes no open file
        result.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove_all(dir);
    return result;
}

TEST(ICalendarLibical, EveryFieldComesBack) {
    _EDIT_ITEM full;
    full.title = u"会議, 準備; 資料\\共有 \"社外\"";
    full.action_kind = u"会議,社外";  // one kind, though it holds a comma
    full.location = u"本社 3F 第1会議室; 東京";
    std::u16string status = u"第1行：議題を確認する。\r\n第2行：資料\t配布\r\n\r\n";
    while (status.size() < 400) status += u"長い状況の説明が続きます。𠮷野家で昼食。";
    full.status = status;
    full.planned_start = {2024, 12, 31, 24, 30};  // 00:30 on New Year's Day, local
    full.planned_end = {2025, 1, 1, 8, 59};
    full.actual_start = {2024, 12, 31, 23, 0};
    full.actual_end = {2024, 2, 29, 24, 0};
    full.alarm = {2025, 3, 1, 1, 0};

    _EDIT_ITEM bare;  // nothing but a title; impossible date-times
    bare.title = u"Bare";
    bare.planned_end = {2023, 2, 29, 10, 0};
    bare.actual_end = {2024, 5, 1, 10, 60};
    bare.alarm = {2024, 5, 1, 0, 30};

    _EDIT_ITEM broken;  // an unpaired surrogate and an alarm without status
    broken.title = std::u16string(u"壊れた\xD800題名");
    broken.alarm = {2030, 6, 30, 24, 45};

    _EDIT_ITEM backwards;  // planned to complete before it starts, which the program allows
    backwards.title = u"Backwards";
    backwards.planned_start = {2024, 6, 10, 9, 0};
    backwards.planned_end = {2024, 6, 1, 9, 0};

    const auto chain = ItemChain({full, bare, broken, backwards});
    const std::string ics = MakeICalendar(chain.get(), 1733011200);  // 2024-12-01 00:00 UTC
    const Calendar cal = Parse(ics);
    ASSERT_TRUE(cal);
    const auto todos = Todos(cal.get());
    ASSERT_EQ(todos.size(), 4u);

    icalcomponent* a = todos[0];
    EXPECT_EQ(Text(icalcomponent_get_summary(a)), Utf8(full.title));
    EXPECT_EQ(Text(icalproperty_get_categories(icalcomponent_get_first_property(a, ICAL_CATEGORIES_PROPERTY))),
              "会議,社外");
    EXPECT_EQ(icalcomponent_count_properties(a, ICAL_CATEGORIES_PROPERTY), 1);
    EXPECT_EQ(Text(icalcomponent_get_location(a)), Utf8(full.location));
    // The line breaks come back as LF: CR LF is the program's, \n the format's.
    std::u16string expected_status = status;
    for (std::size_t at; (at = expected_status.find(u"\r\n")) != std::u16string::npos;)
        expected_status.replace(at, 2, u"\n");
    EXPECT_EQ(Text(icalcomponent_get_description(a)), Utf8(expected_status));
    EXPECT_EQ(Utc(icalcomponent_get_dtstart(a)), "2024-12-31 15:30:00 UTC");
    EXPECT_EQ(Utc(icalcomponent_get_due(a)), "2024-12-31 23:59:00 UTC");
    EXPECT_EQ(Utc(icalcomponent_get_dtstamp(a)), "2024-12-01 00:00:00 UTC");
    EXPECT_EQ(Utc(icalproperty_get_completed(icalcomponent_get_first_property(a, ICAL_COMPLETED_PROPERTY))),
              "2024-02-29 15:00:00 UTC");
    EXPECT_EQ(icalcomponent_get_status(a), ICAL_STATUS_COMPLETED);
    EXPECT_NE(Text(icalcomponent_get_uid(a)), "<none>");
    icalcomponent* alarm = icalcomponent_get_first_component(a, ICAL_VALARM_COMPONENT);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(icalproperty_get_action(icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY)),
              ICAL_ACTION_DISPLAY);
    const icaltriggertype trigger =
        icalproperty_get_trigger(icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY));
    EXPECT_EQ(Utc(trigger.time), "2025-02-28 16:00:00 UTC");
    EXPECT_EQ(Text(icalproperty_get_description(icalcomponent_get_first_property(alarm, ICAL_DESCRIPTION_PROPERTY))),
              Utf8(expected_status));

    icalcomponent* b = todos[1];
    EXPECT_EQ(Text(icalcomponent_get_summary(b)), "Bare");
    for (icalproperty_kind absent : {ICAL_CATEGORIES_PROPERTY, ICAL_LOCATION_PROPERTY, ICAL_DESCRIPTION_PROPERTY,
                                     ICAL_DTSTART_PROPERTY, ICAL_DUE_PROPERTY, ICAL_COMPLETED_PROPERTY,
                                     ICAL_STATUS_PROPERTY})
        EXPECT_EQ(icalcomponent_get_first_property(b, absent), nullptr) << icalproperty_kind_to_string(absent);
    // Hour 0 of 1 May is the hour 24 of 30 April that the program rings.
    alarm = icalcomponent_get_first_component(b, ICAL_VALARM_COMPONENT);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(Utc(icalproperty_get_trigger(icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY)).time),
              "2024-04-30 15:30:00 UTC");

    icalcomponent* c = todos[2];
    EXPECT_EQ(Text(icalcomponent_get_summary(c)), "壊れた\xEF\xBF\xBD題名");
    alarm = icalcomponent_get_first_component(c, ICAL_VALARM_COMPONENT);
    ASSERT_NE(alarm, nullptr);
    EXPECT_EQ(Utc(icalproperty_get_trigger(icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY)).time),
              "2030-06-30 15:45:00 UTC");
    EXPECT_EQ(Text(icalproperty_get_description(icalcomponent_get_first_property(alarm, ICAL_DESCRIPTION_PROPERTY))),
              "壊れた\xEF\xBF\xBD題名");

    // DUE stays; the start waits in an extension property, and an import
    // gives both back.
    icalcomponent* d = todos[3];
    EXPECT_EQ(icalcomponent_get_first_property(d, ICAL_DTSTART_PROPERTY), nullptr);
    EXPECT_EQ(Utc(icalcomponent_get_due(d)), "2024-06-01 00:00:00 UTC");
    EXPECT_NE(ics.find("\r\nX-VELQUORANDIMESTRA-PLANNED-START:20240610T000000Z\r\n"), std::string::npos);
    const Imported imported = ImportText(ics, "backwards");
    ASSERT_EQ(imported.status, 0) << imported.err;
    const VqfDocument doc = LoadVqf(imported.bytes);
    const _ITEM_LIST* back = doc.item_list.get();
    for (int i = 0; i < 3 && back; ++i) back = back->next.get();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->planned_start, backwards.planned_start);
    EXPECT_EQ(back->planned_end, backwards.planned_end);
    EXPECT_EQ(imported.err.find("X-VELQUORANDIMESTRA"), std::string::npos) << imported.err;
}

TEST(ICalendarLibical, UtcConversionAcrossDayMonthAndYearEnds) {
    const struct {
        _TIMES local;
        const char* utc;
        bool alarm_only = false;  // a time only the alarm rings at; the dates leave it out
    } cases[] = {
        {{2024, 1, 1, 9, 0}, "2024-01-01 00:00:00 UTC"},
        {{2024, 1, 1, 1, 0}, "2023-12-31 16:00:00 UTC"},
        {{2023, 12, 31, 24, 0}, "2023-12-31 15:00:00 UTC"},
        {{2023, 12, 31, 24, 59}, "2023-12-31 15:59:00 UTC"},
        {{2024, 3, 1, 5, 15}, "2024-02-29 20:15:00 UTC"},
        {{2023, 3, 1, 5, 15}, "2023-02-28 20:15:00 UTC"},
        {{2100, 3, 1, 1, 0}, "2100-02-28 16:00:00 UTC"},
        {{2024, 4, 30, 24, 10}, "2024-04-30 15:10:00 UTC"},
        {{2024, 5, 1, 8, 59}, "2024-04-30 23:59:00 UTC"},
        {{2024, 7, 15, 12, 34}, "2024-07-15 03:34:00 UTC"},
        {{2025, 1, 1, 0, 30}, "2024-12-31 15:30:00 UTC", true},
        {{2024, 3, 1, 0, 0}, "2024-02-29 15:00:00 UTC", true},
        {{2024, 3, 5, 9, 60}, "2024-03-05 01:00:00 UTC", true},
        {{2024, 12, 31, 24, 60}, "2024-12-31 16:00:00 UTC", true},
    };
    std::vector<_EDIT_ITEM> items;
    for (const auto& c : cases) {
        _EDIT_ITEM item;
        item.title = u"t" + std::u16string(1, static_cast<char16_t>(u'A' + items.size()));
        item.alarm = c.local;
        if (!c.alarm_only) item.planned_start = item.planned_end = item.actual_end = c.local;
        items.push_back(item);
    }
    const auto chain = ItemChain(items);
    const Calendar cal = Parse(MakeICalendar(chain.get(), 0));
    ASSERT_TRUE(cal);
    const auto todos = Todos(cal.get());
    ASSERT_EQ(todos.size(), std::size(cases));
    for (std::size_t i = 0; i < todos.size(); ++i) {
        SCOPED_TRACE(cases[i].utc);
        if (cases[i].alarm_only) {
            EXPECT_EQ(icalcomponent_get_first_property(todos[i], ICAL_DTSTART_PROPERTY), nullptr);
        } else {
            EXPECT_EQ(Utc(icalcomponent_get_dtstart(todos[i])), cases[i].utc);
            EXPECT_EQ(Utc(icalcomponent_get_due(todos[i])), cases[i].utc);
            EXPECT_EQ(Utc(icalproperty_get_completed(icalcomponent_get_first_property(todos[i], ICAL_COMPLETED_PROPERTY))),
                      cases[i].utc);
        }
        icalcomponent* alarm = icalcomponent_get_first_component(todos[i], ICAL_VALARM_COMPONENT);
        ASSERT_NE(alarm, nullptr);
        EXPECT_EQ(Utc(icalproperty_get_trigger(icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY)).time),
                  cases[i].utc);
    }
}

TEST(ICalendarLibical, LongTextsUnfoldToTheOriginal) {
    // Long lines of every UTF-8 sequence length, folded and unfolded again.
    const std::u16string pieces[] = {u"a", u"é", u"予", u"𠮷", u"a,;\\é予𠮷\r\n"};
    std::vector<_EDIT_ITEM> items;
    for (const auto& piece : pieces) {
        _EDIT_ITEM item;
        item.title = u"Long " + piece;
        for (int i = 0; i < 200; ++i) item.status += piece;
        items.push_back(item);
    }
    const auto chain = ItemChain(items);
    const std::string ics = MakeICalendar(chain.get(), 0);
    const Calendar cal = Parse(ics);
    ASSERT_TRUE(cal);
    const auto todos = Todos(cal.get());
    ASSERT_EQ(todos.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::u16string expected = items[i].status;
        for (std::size_t at; (at = expected.find(u"\r\n")) != std::u16string::npos;) expected.replace(at, 2, u"\n");
        EXPECT_EQ(Text(icalcomponent_get_description(todos[i])), Utf8(expected));
    }
}

TEST(ICalendarLibical, ZonesTheCalendarDoesNotDefineComeFromTheTzDatabase) {
    // No VTIMEZONE: the zone is libical's, the system's on Linux and the
    // zoneinfo beside the program on Windows, and both give the same minute
    // (UTC+9, hours 1 to 24), summer time and the years past 2038 included.
    const struct {
        const char* tzid;
        const char* local;
        _TIMES japan;
    } cases[] = {
        {"America/New_York", "20250115T090000", {2025, 1, 15, 23, 0}},   // EST, UTC-5
        {"America/New_York", "20250704T093000", {2025, 7, 4, 22, 30}},   // EDT, UTC-4
        {"America/New_York", "20250309T033000", {2025, 3, 9, 16, 30}},   // the first hour of summer time
        {"America/New_York", "20251102T003000", {2025, 11, 2, 13, 30}},  // still summer time
        {"America/New_York", "20400701T111500", {2040, 7, 1, 24, 15}},   // past 2038: 00:15 on 2 July
        {"Europe/Berlin", "20250115T090000", {2025, 1, 15, 17, 0}},      // CET, UTC+1
        {"Europe/Berlin", "20250801T090000", {2025, 8, 1, 16, 0}},       // CEST, UTC+2
        {"Europe/Berlin", "20250330T030000", {2025, 3, 30, 10, 0}},      // the first hour of summer time
        {"Europe/Berlin", "20391224T180000", {2039, 12, 25, 2, 0}},
        {"/freeassociation.sourceforge.net/Europe/Berlin", "20250801T090000", {2025, 8, 1, 16, 0}},
    };
    std::string ics = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//zones//EN\r\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        ics += "BEGIN:VEVENT\r\nUID:z" + std::to_string(i) + "\r\nSUMMARY:z" + std::to_string(i) +
               "\r\nDTSTART;TZID=" + cases[i].tzid + ":" + cases[i].local + "\r\nEND:VEVENT\r\n";
    ics += "END:VCALENDAR\r\n";
    const Imported imported = ImportText(ics, "zones");
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.err, "");
    const VqfDocument doc = LoadVqf(imported.bytes);
    std::size_t i = 0;
    for (const _ITEM_LIST* item = doc.item_list.get(); item; item = item->next.get(), ++i) {
        ASSERT_LT(i, std::size(cases));
        SCOPED_TRACE(std::string(cases[i].tzid) + " " + cases[i].local);
        EXPECT_EQ(item->planned_start, cases[i].japan);
    }
    EXPECT_EQ(i, std::size(cases));
}

TEST(ICalendarLibical, CalendarWrittenByLibicalComesBackThroughImportAndExport) {
    // A calendar as another program writes it: to-dos and events, times in
    // UTC, in a zone of the calendar's own VTIMEZONE and floating (taken as
    // Japan time), alarms at a time and before the start, a repeated title.
    icaltimezone* utc = icaltimezone_get_utc_timezone();
    icaltimezone* new_york = icaltimezone_get_builtin_timezone("America/New_York");
    ASSERT_NE(new_york, nullptr);
    Calendar cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//another program//EN"));
    icalcomponent_add_component(cal.get(), icalcomponent_new_clone(icaltimezone_get_component(new_york)));
    struct Expected {
        std::string title, kind, location, description;
        time_t start, end, completed, alarm;
    };
    std::vector<Expected> expected;
    int repeats = 0;
    for (int i = 0; i < 300; ++i) {
        const bool todo = i % 2 == 0;
        icalcomponent* c = todo ? icalcomponent_new_vtodo() : icalcomponent_new_vevent();
        Expected e{};
        std::string title = i % 50 == 7 ? "同じ題名" : "項目 " + std::to_string(i) + ", 第" + std::to_string(i % 7);
        e.title = title;
        if (i % 50 == 7)
            for (int k = 1; k <= repeats; ++k) e.title += std::to_string(k);  // Plan, Plan1, Plan12, ...
        repeats += i % 50 == 7;
        icalcomponent_set_summary(c, title.c_str());
        e.kind = i % 3 ? "会議" : "外出";
        icalcomponent_add_property(c, icalproperty_new_categories(e.kind.c_str()));
        if (i % 4 == 0) icalcomponent_add_property(c, icalproperty_new_categories("電話"));
        e.location = i % 5 ? "会議室 " + std::to_string(i % 9) : "";
        if (!e.location.empty()) icalcomponent_set_location(c, e.location.c_str());
        e.description = i % 6 ? "一行目\n二行目; 値は " + std::to_string(i) + "\n\n・最後" : "";
        if (!e.description.empty()) icalcomponent_set_description(c, e.description.c_str());
        e.start = 1735689600 + i * 26100;  // 2025 onwards, whole minutes
        e.end = e.start + 7200 + (i % 5) * 86400;
        icaltimetype start = icaltime_from_timet_with_zone(e.start, 0, utc);
        if (i % 3 == 1) start = icaltime_convert_to_zone(start, new_york);
        if (i % 3 == 2) start = icaltime_from_timet_with_zone(e.start + 9 * 3600, 0, nullptr);  // floating
        icalcomponent_set_dtstart(c, start);
        const icaltimetype end = icaltime_from_timet_with_zone(e.end, 0, utc);
        if (i == 6) e.end = 0;  // no due time for its alarm to follow
        else if (todo) icalcomponent_set_due(c, end);
        else icalcomponent_set_dtend(c, end);
        if (i % 5 == 0) {
            e.completed = e.end + 1800;
            icalcomponent_add_property(c, icalproperty_new_completed(icaltime_from_timet_with_zone(e.completed, 0, utc)));
        }
        if (i % 4 < 3) {
            icaltriggertype trigger{};
            trigger.time = icaltime_null_time();
            if (i % 4 == 0) trigger.time = icaltime_from_timet_with_zone(e.alarm = e.start - 600, 0, utc);
            else trigger.duration = icaldurationtype_from_int(-(15 * 60));
            if (i % 4 == 1) e.alarm = e.start - 900;
            if (i % 4 == 2 && e.end) e.alarm = e.end - 900;  // TRIGGER;RELATED=END:-PT15M, before the due time
            icalproperty* at = icalproperty_new_trigger(trigger);
            if (i % 4 == 2) icalproperty_add_parameter(at, icalparameter_new_related(ICAL_RELATED_END));
            icalcomponent* alarm = icalcomponent_new_valarm();
            icalcomponent_add_property(alarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
            icalcomponent_add_property(alarm, at);
            icalcomponent_add_property(alarm, icalproperty_new_description("alarm"));
            icalcomponent_add_component(c, alarm);
        }
        if (i == 3) icalcomponent_add_property(c, icalproperty_new_rrule(icalrecurrencetype_from_string("FREQ=DAILY")));
        if (i == 4) icalcomponent_add_property(c, icalproperty_new_attendee("mailto:a@example.com"));
        icalcomponent_add_component(cal.get(), c);
        expected.push_back(e);
    }
    const auto dir = std::filesystem::temp_directory_path() /
                     ("vqf_import_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "in.ics", std::ios::binary) << icalcomponent_as_ical_string(cal.get());
    std::ostringstream out, err;
    ASSERT_EQ(RunVqf({"vqf", "import", (dir / "in.ics").string(), "-o", (dir / "items.vqf").string()}, out, err), 0)
        << err.str();
    // What an item cannot hold is named, never dropped without a word.
    EXPECT_NE(err.str().find("not carried: RRULE"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("not carried: ATTENDEE"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("renamed \"同じ題名12\""), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("\"項目 6, 第6\": 1 alarm not carried"), std::string::npos) << err.str();
    {
        // Every category once, in the order of first appearance.
        std::ifstream items(dir / "items.vqf", std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(items)), std::istreambuf_iterator<char>());
        EXPECT_EQ(KindTexts(LoadVqf(bytes).action_kinds.get()), (std::vector<std::u16string>{u"外出", u"電話", u"会議"}));
    }
    ASSERT_EQ(RunVqf({"vqf", "ics", (dir / "items.vqf").string(), "-o", (dir / "out.ics").string()}, out, err), 0);
    std::ifstream in(dir / "out.ics", std::ios::binary);
    const std::string exported((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();  // Windows removes no open file
    std::filesystem::remove_all(dir);

    const Calendar back = Parse(exported);
    ASSERT_TRUE(back);
    const auto todos = Todos(back.get());
    ASSERT_EQ(todos.size(), expected.size());
    const auto seconds = [](icaltimetype t) { return icaltime_is_null_time(t) ? time_t{0} : icaltime_as_timet(t); };
    for (std::size_t i = 0; i < todos.size(); ++i) {
        SCOPED_TRACE(i);
        const Expected& e = expected[i];
        icalcomponent* t = todos[i];
        EXPECT_EQ(Text(icalcomponent_get_summary(t)), e.title);
        EXPECT_EQ(Text(icalproperty_get_categories(icalcomponent_get_first_property(t, ICAL_CATEGORIES_PROPERTY))),
                  e.kind);
        EXPECT_EQ(Text(icalcomponent_get_location(t)), e.location.empty() ? "<none>" : e.location);
        EXPECT_EQ(Text(icalcomponent_get_description(t)), e.description.empty() ? "<none>" : e.description);
        EXPECT_EQ(seconds(icalcomponent_get_dtstart(t)), e.start);
        EXPECT_EQ(seconds(icalcomponent_get_due(t)), e.end);
        icalproperty* completed = icalcomponent_get_first_property(t, ICAL_COMPLETED_PROPERTY);
        EXPECT_EQ(completed ? seconds(icalproperty_get_completed(completed)) : 0, e.completed);
        icalcomponent* alarm = icalcomponent_get_first_component(t, ICAL_VALARM_COMPONENT);
        EXPECT_EQ(alarm ? seconds(icalproperty_get_trigger(icalcomponent_get_first_property(alarm, ICAL_TRIGGER_PROPERTY)).time)
                        : 0,
                  e.alarm);
    }
}

}  // namespace
