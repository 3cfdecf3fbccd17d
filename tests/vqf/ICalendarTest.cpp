#include <gtest/gtest.h>

#include <string>

#include "ICalendar.h"
#include "Utf8.h"

namespace {

struct UtcCase {
    _TIMES local;
    std::optional<UtcMinute> utc;
};

TEST(LocalToUtc, ZoneHour24AndCalendarEnds) {
    const UtcCase cases[] = {
        {{2024, 3, 5, 9, 0}, UtcMinute{2024, 3, 5, 0, 0}},
        {{2024, 3, 5, 10, 45}, UtcMinute{2024, 3, 5, 1, 45}},
        // Hours 1..8 fall on the UTC day before.
        {{2024, 3, 5, 1, 0}, UtcMinute{2024, 3, 4, 16, 0}},
        {{2024, 3, 1, 8, 59}, UtcMinute{2024, 2, 29, 23, 59}},
        {{2023, 3, 1, 1, 0}, UtcMinute{2023, 2, 28, 16, 0}},
        {{2024, 1, 1, 8, 30}, UtcMinute{2023, 12, 31, 23, 30}},
        // Hour 24 is the first hour after midnight: 00:xx of the next day.
        {{2024, 3, 5, 24, 0}, UtcMinute{2024, 3, 5, 15, 0}},
        {{2024, 3, 5, 24, 59}, UtcMinute{2024, 3, 5, 15, 59}},
        {{2023, 12, 31, 24, 30}, UtcMinute{2023, 12, 31, 15, 30}},
        {{2024, 2, 29, 24, 0}, UtcMinute{2024, 2, 29, 15, 0}},
        {{1970, 1, 1, 9, 0}, UtcMinute{1970, 1, 1, 0, 0}},
        {{1969, 12, 31, 24, 0}, UtcMinute{1969, 12, 31, 15, 0}},
        {{9999, 12, 31, 24, 59}, UtcMinute{9999, 12, 31, 15, 59}},
        // Unset and impossible values give nothing.
        {{0, 0, 0, 0, 0}, std::nullopt},
        {{2024, 3, 5, 0, 0}, std::nullopt},
        {{2024, 3, 5, 25, 0}, std::nullopt},
        {{2024, 3, 5, 9, 60}, std::nullopt},
        {{2024, 3, 5, 9, -1}, std::nullopt},
        {{2023, 2, 29, 9, 0}, std::nullopt},
        {{2024, 4, 31, 9, 0}, std::nullopt},
        {{2024, 13, 1, 9, 0}, std::nullopt},
        {{2024, 0, 1, 9, 0}, std::nullopt},
        {{2024, 1, 0, 9, 0}, std::nullopt},
        {{-1, 1, 1, 9, 0}, std::nullopt},
        {{10000, 1, 1, 9, 0}, std::nullopt},
        {{1, 1, 1, 1, 0}, std::nullopt},  // would be year 0 in UTC
        {{1, 1, 1, 9, 0}, UtcMinute{1, 1, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.local.year << '/' << c.local.month << '/' << c.local.day << ' '
                                        << c.local.hour << ':' << c.local.minute);
        EXPECT_EQ(LocalToUtc(c.local), c.utc);
    }
}

TEST(LocalToUtc, InvertsTheProgramClockOverYears) {
    // Every local minute the program's clock reports maps back to its UTC
    // minute; stepping 7h13m crosses every hour, day, month and year end.
    for (std::int64_t t = 0; t < 4'000'000'000LL; t += 7 * 3600 + 13 * 60) {
        const _TIMES local = GetTimeAt(static_cast<std::uint32_t>(t));
        const auto utc = LocalToUtc(local);
        ASSERT_TRUE(utc.has_value()) << t;
        ASSERT_EQ(*utc, UtcFromSeconds(t)) << t;
    }
}

TEST(UtcFromSeconds, BeforeAndAfterTheEpoch) {
    EXPECT_EQ(UtcFromSeconds(0), (UtcMinute{1970, 1, 1, 0, 0}));
    EXPECT_EQ(UtcFromSeconds(-1), (UtcMinute{1969, 12, 31, 23, 59}));
    EXPECT_EQ(UtcFromSeconds(951782400), (UtcMinute{2000, 2, 29, 0, 0}));
    EXPECT_EQ(UtcFromSeconds(4102444799), (UtcMinute{2099, 12, 31, 23, 59}));
}

TEST(EscapeICalendarText, SpecialCharactersLineBreaksAndControls) {
    const struct {
        std::u16string in;
        std::string out;
    } cases[] = {
        {u"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {u"one\r\ntwo\nthree\rfour", "one\\ntwo\\nthree\\nfour"},
        {u"\r\n\r\n", "\\n\\n"},
        {u"tab\there", "tab\there"},
        {u"bell\u0007 esc\u001b del\u007f", "bell esc del"},
        {u"会議：10時", "会議：10時"},
        {std::u16string(u"x\xD800y"), "x\xEF\xBF\xBDy"},
        {std::u16string(u"\xD800,\xDC00"), "\xEF\xBF\xBD\\,\xEF\xBF\xBD"},
        // A dropped control leaves the halves of a pair side by side.
        {std::u16string(u"\xD842\u0007\xDFB7"), "\xF0\xA0\xAE\xB7"},
        {std::u16string(u"end\xD842"), "end\xEF\xBF\xBD"},
        {u"𠮷", "\xF0\xA0\xAE\xB7"},
        {u"\U0001F3FF\U0010FFFF", "\xF0\x9F\x8F\xBF\xF4\x8F\xBF\xBF"},  // low halves U+DFFF
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeICalendarText(c.in), c.out);
}

TEST(FoldICalendarLine, OctetLimitAndUtf8Boundaries) {
    // Lines of ASCII, 2-, 3- and 4-byte sequences, at and around the limit.
    const std::string pieces[] = {"a", "\xC3\xA9", "\xE3\x81\x82", "\xF0\xA0\xAE\xB7"};
    for (const std::string& piece : pieces) {
        // 63 and 137 ASCII letters make lines of exactly 75 and 149 octets:
        // one physical line, and exactly two.
        for (std::size_t count : {1u, 18u, 24u, 25u, 37u, 38u, 63u, 74u, 75u, 76u, 137u, 300u}) {
            std::string line = "DESCRIPTION:";
            for (std::size_t i = 0; i < count; ++i) line += piece;
            const std::string folded = FoldICalendarLine(line);
            SCOPED_TRACE(testing::Message() << piece.size() << "-byte x " << count);
            ASSERT_GE(folded.size(), 2u);
            ASSERT_EQ(folded.substr(folded.size() - 2), "\r\n");
            // Unfolding gives the line back; every physical line fits and is
            // valid UTF-8 on its own.
            std::string unfolded;
            std::size_t start = 0;
            bool first = true;
            while (start < folded.size()) {
                const std::size_t end = folded.find("\r\n", start);
                ASSERT_NE(end, std::string::npos);
                const std::string physical = folded.substr(start, end - start);
                EXPECT_LE(physical.size(), 75u);
                if (!first) {
                    ASSERT_FALSE(physical.empty());
                    EXPECT_EQ(physical[0], ' ');
                    EXPECT_GT(physical.size(), 1u) << "a continuation without content";
                }
                // Folded no earlier than it must be: the next sequence would not have fit.
                if (end + 2 < folded.size()) {
                    const auto lead = static_cast<unsigned char>(folded[end + 3]);
                    const std::size_t next = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
                    EXPECT_GT(physical.size() + next, 75u) << "folded early";
                }
                const std::string content = first ? physical : physical.substr(1);
                EXPECT_TRUE(FromUtf8(content).has_value()) << "split sequence";
                unfolded += content;
                first = false;
                start = end + 2;
            }
            EXPECT_EQ(unfolded, line);
        }
    }
}

TEST(MakeICalendar, OneTodoPerItemWithUniqueUids) {
    // Two items of one title (a file may bring that) and an untitled one.
    _ITEM_LIST first;
    first.title = u"Plan";
    auto b = std::make_unique<_ITEM_LIST>();
    b->title = u"Plan";
    auto c = std::make_unique<_ITEM_LIST>();
    c->alarm = {2024, 3, 5, 24, 0};
    b->next = std::move(c);
    first.next = std::move(b);
    const std::string ics = MakeICalendar(&first, 0);
    EXPECT_EQ(ics.rfind("BEGIN:VCALENDAR\r\nVERSION:2.0\r\n", 0), 0u);
    EXPECT_EQ(ics.substr(ics.size() - 15), "END:VCALENDAR\r\n");
    std::vector<std::string> uids;
    for (std::size_t at = ics.find("\r\nUID:"); at != std::string::npos; at = ics.find("\r\nUID:", at + 1))
        uids.push_back(ics.substr(at + 6, ics.find("\r\n", at + 6) - at - 6));
    ASSERT_EQ(uids.size(), 3u);
    EXPECT_NE(uids[0], uids[1]);
    EXPECT_NE(uids[1], uids[2]);
    // Numbered from 1 as `vqf ics` numbers them.
    EXPECT_EQ(uids, (std::vector<std::string>{ICalendarUid(u"Plan", 1), ICalendarUid(u"Plan", 2),
                                              ICalendarUid(u"NewAction", 1)}));
    EXPECT_NE(ics.find("SUMMARY:NewAction\r\n"), std::string::npos);
    // Without a status the alarm shows the title.
    EXPECT_NE(ics.find("TRIGGER;VALUE=DATE-TIME:20240305T150000Z\r\nDESCRIPTION:NewAction\r\n"), std::string::npos);
    EXPECT_NE(ics.find("DTSTAMP:19700101T000000Z\r\n"), std::string::npos);
}

TEST(Utf8, ConversionsBothWays) {
    // U+0800 is E0 A0 80, the smallest three-byte sequence.
    const std::u16string texts[] = {u"", u"abc", u"予定表", u"𠮷野家", std::u16string(1, u'\0') + u"x", u"\u0800",
                                   u"\U0001F3FF\U0010FFFF"};  // low halves U+DFFF
    for (const auto& t : texts) {
        EXPECT_TRUE(IsWellFormedUtf16(t));
        EXPECT_EQ(FromUtf8(ToUtf8(t)), t);
    }
    const std::u16string broken[] = {std::u16string(u"\xD800"), std::u16string(u"a\xDC00"),
                                     std::u16string(u"\xDBFF\xDBFF\xDC00"), std::u16string(u"\xDC00\xD800")};
    for (const auto& t : broken) {
        EXPECT_FALSE(IsWellFormedUtf16(t));
        const auto back = FromUtf8(ToUtf8(t));
        ASSERT_TRUE(back.has_value());
        EXPECT_NE(back->find(u'\xFFFD'), std::u16string::npos);
    }
    const char* invalid[] = {"\xC0\xAF",         "\xE0\x80\xAF", "\xE0\x9F\xBF", "\xED\xA0\x80",
                             "\xF4\x90\x80\x80", "\xE3\x81",     "\x80",         "\xFF"};
    for (const char* s : invalid) EXPECT_FALSE(FromUtf8(s).has_value()) << s;
}

}  // namespace
