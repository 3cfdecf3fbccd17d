#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ItemTitles.h"

namespace {

TitleSet Set(const std::vector<std::u16string>& titles) {
    TitleSet set;
    for (const auto& t : titles) set.Add(t);
    return set;
}

TEST(ItemTitles, AddCommandCountsUp) {
    const struct {
        std::vector<std::u16string> taken;
        std::u16string expected;
    } cases[] = {
        {{}, u"NewAction"},
        {{u"NewAction"}, u"NewAction1"},
        {{u"NewAction", u"NewAction1"}, u"NewAction2"},
        {{u"NewAction", u"NewAction1", u"NewAction2", u"NewAction3"}, u"NewAction4"},
        // A gap is filled; other case is another title.
        {{u"NewAction", u"NewAction2"}, u"NewAction1"},
        {{u"newaction"}, u"NewAction"},
        {{u"NewAction1"}, u"NewAction"},
    };
    for (const auto& c : cases) {
        const TitleSet set = Set(c.taken);
        EXPECT_EQ(AddCommandTitle(set.Taken()), c.expected);
    }
}

TEST(ItemTitles, CommitPilesSuffixes) {
    const struct {
        std::u16string wanted;
        std::vector<std::u16string> taken;
        std::u16string expected;
    } cases[] = {
        {u"Plan", {}, u"Plan"},
        {u"Plan", {u"Plan"}, u"Plan1"},
        {u"Plan", {u"Plan", u"Plan1"}, u"Plan12"},
        {u"Plan", {u"Plan", u"Plan1", u"Plan12"}, u"Plan123"},
        {u"Plan", {u"Plan", u"Plan1", u"Plan2"}, u"Plan12"},
        {u"", {}, u"NewAction"},
        {u"", {u"NewAction"}, u"NewAction1"},
        {u"", {u"NewAction", u"NewAction1"}, u"NewAction12"},
        // Nine taken steps: the counter goes to two digits.
        {u"P",
         {u"P", u"P1", u"P12", u"P123", u"P1234", u"P12345", u"P123456", u"P1234567", u"P12345678", u"P123456789"},
         u"P12345678910"},
    };
    for (const auto& c : cases) {
        const TitleSet set = Set(c.taken);
        EXPECT_EQ(CommitTitle(c.wanted, set.Taken()), c.expected);
    }
}

TEST(ItemTitles, EachCandidateIsAskedOnce) {
    // The predicate may take the title when it answers "free": asking again
    // would then see it taken.
    const TitleSet before = Set({u"Plan", u"Plan1", u"NewAction"});
    for (int rule = 0; rule < 2; ++rule) {
        std::vector<std::u16string> asked;
        TitleSet set = before;
        auto attempt = [&](std::u16string_view key) {
            asked.emplace_back(key);
            if (set.Contains(key)) return true;
            set.Add(key);
            return false;
        };
        if (rule == 0) {
            EXPECT_EQ(CommitTitle(u"Plan", attempt), u"Plan12");
            EXPECT_EQ(asked, (std::vector<std::u16string>{u"Plan", u"Plan1", u"Plan12"}));
        } else {
            EXPECT_EQ(AddCommandTitle(attempt), u"NewAction1");
            EXPECT_EQ(asked, (std::vector<std::u16string>{u"NewAction", u"NewAction1"}));
        }
    }
}

TEST(ItemTitles, LongTitlesAreNeverCut) {
    // A renamed title keeps every unit, so a taken long title cannot loop.
    const std::u16string long_title(2047, u'x');
    const TitleSet set = Set({long_title, long_title + u"1"});
    EXPECT_EQ(CommitTitle(long_title, set.Taken()), long_title + u"12");
}

TEST(ItemTitles, KeysStopAtNul) {
    const std::u16string with_nul(u"A\0B", 3);
    EXPECT_EQ(ShownText(with_nul), u"A");
    EXPECT_EQ(ShownText(u"ABC"), u"ABC");
    // The control shows "A": a taken "A" renames on the visible part.
    const TitleSet set = Set({u"A"});
    EXPECT_TRUE(set.Contains(with_nul));
    EXPECT_EQ(CommitTitle(with_nul, set.Taken()), u"A1");
    // A title empty before its NUL is an empty title.
    EXPECT_EQ(CommitTitle(std::u16string(u"\0x", 2), Set({}).Taken()), u"NewAction");
}

TEST(ItemTitles, TakenTitlesRenameAsTheSetDoes) {
    // Import keeps hashes and offsets, not texts: the same titles must come
    // out as from the set of texts, through the table's growth and with the
    // stored title, not the hash, having the last word.
    const struct {
        const char* what;
        std::vector<std::u16string> wanted;
        std::u16string stored_instead;  // what the store holds where item 0 is, if not its title
    } cases[] = {
        {"repeats", {u"Plan", u"Plan", u"Plan1", u"Plan", u"", u"", u"NewAction1", std::u16string(u"A\0B", 3), u"A"}, {}},
        {"a stored title that differs wins over its hash", {u"Plan", u"Plan"}, u"Other"},
        {"thousands of titles", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::u16string> wanted = c.wanted;
        if (wanted.empty())  // "T51" comes three times, and as the rename of "T5"
            for (int i = 0; i < 3000; ++i) wanted.push_back(NumberedTitle(u"T", i % 1200));
        std::vector<std::u16string> store;
        TakenTitles taken([&](std::uint32_t where, std::u16string_view key) { return store.at(where) == key; });
        TitleSet set;
        for (std::size_t i = 0; i < wanted.size(); ++i) {
            const std::u16string title = CommitTitle(wanted[i], taken.Taken());
            EXPECT_EQ(title, CommitTitle(wanted[i], set.Taken())) << i;
            store.emplace_back(i == 0 && !c.stored_instead.empty() ? c.stored_instead : ShownText(title));
            taken.Add(title, static_cast<std::uint32_t>(i));
            set.Add(store.back());
        }
    }
}

}  // namespace
