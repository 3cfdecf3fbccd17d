#include "RecordIndex.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "Alarms.h"
#include "ItemChain.h"
#include "ItemTitles.h"
#include "Records.h"

namespace {

// What the index must answer, found by walking the chain from its head.
_ITEM_LIST* WalkFind(_ITEM_LIST* head, std::u16string_view key) {
    for (_ITEM_LIST* p : ChainNodes(head))
        if (ShownText(p->title) == key) return p;
    return nullptr;
}

std::vector<_ITEM_LIST*> WalkDue(_ITEM_LIST* head, const _TIMES& minute) {
    std::vector<_ITEM_LIST*> due;
    for (_ITEM_LIST* p : ChainNodes(head))
        if (TimeCmp(minute, p->alarm) == 0) due.push_back(p);
    return due;
}

_ITEM_LIST* WalkLast(_ITEM_LIST* head) {
    while (head && head->next) head = head->next.get();
    return head;
}

_ITEM_LIST* LinkLast(std::unique_ptr<_ITEM_LIST>& head, std::u16string title, _TIMES alarm) {
    std::unique_ptr<_ITEM_LIST>* link = &head;
    while (*link) link = &(*link)->next;
    *link = std::make_unique<_ITEM_LIST>();
    (*link)->title = std::move(title);
    (*link)->alarm = alarm;
    return link->get();
}

// A small pool of titles and minutes, so that repeats (titles carried by
// several records, several alarms in one minute) are common; titles with a
// NUL read as the text before it.
const std::vector<std::u16string> kTitles = {u"A", u"B", u"C", u"会議", std::u16string(u"A\0x", 3), u"", u"NewAction"};
const std::vector<_TIMES> kMinutes = {{}, {2025, 6, 1, 9, 0}, {2025, 6, 1, 9, 1}, {2025, 6, 2, 9, 0}, {0, 6, 1, 9, 0}};

void ExpectAgrees(RecordIndex& index, std::unique_ptr<_ITEM_LIST>& head, const char* step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(index.Last(), WalkLast(head.get()));
    for (const std::u16string& title : kTitles)
        EXPECT_EQ(index.Find(ShownText(title)), WalkFind(head.get(), ShownText(title)));
    EXPECT_EQ(index.Find(u"absent"), nullptr);
    for (const _TIMES& minute : kMinutes) EXPECT_EQ(index.Due(minute), WalkDue(head.get(), minute));
}

TEST(RecordIndexTest, EmptyChainHasNothing) {
    std::unique_ptr<_ITEM_LIST> head;
    RecordIndex index(head);
    EXPECT_EQ(index.Last(), nullptr);
    EXPECT_EQ(index.Find(u"A"), nullptr);
    EXPECT_TRUE(index.Due({2025, 6, 1, 9, 0}).empty());
}

// Random sessions of the changes the document manager makes, each told to
// the index (appending, editing a record's title and alarm, retitling a
// record, linking a record at the end, removing records or replacing the
// chain then rebuilding). After every step each answer equals the walk's.
TEST(RecordIndexTest, AnswersAsTheWalkThroughRandomSessions) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        std::unique_ptr<_ITEM_LIST> head;
        RecordIndex index(head);
        for (int i = 0; i < 6; ++i) LinkLast(head, kTitles[pick(kTitles.size())], kMinutes[pick(kMinutes.size())]);
        index.Rebuild();
        ExpectAgrees(index, head, "built");

        for (int step = 0; step < 60; ++step) {
            const std::vector<_ITEM_LIST*> all = ChainNodes(head.get());
            switch (pick(7)) {
                case 0: {  // the add command
                    _ITEM_LIST* last = index.Last();
                    std::unique_ptr<_ITEM_LIST>& link = last ? last->next : head;
                    link = std::make_unique<_ITEM_LIST>();
                    link->title = kTitles[pick(kTitles.size())];
                    index.Appended(link.get());
                    ExpectAgrees(index, head, "appended");
                    break;
                }
                case 1:
                case 2: {  // a commit: new title and alarm in place
                    if (all.empty()) break;
                    _ITEM_LIST* r = all[pick(all.size())];
                    index.Change(r, [&] {
                        r->title = kTitles[pick(kTitles.size())];
                        r->alarm = kMinutes[pick(kMinutes.size())];
                    });
                    ExpectAgrees(index, head, "changed");
                    break;
                }
                case 3: {  // the delete command: records removed, then a rebuild
                    if (all.size() < 2) break;
                    const std::size_t k = pick(all.size());
                    std::unique_ptr<_ITEM_LIST>* link = &head;
                    for (std::size_t i = 0; i < k; ++i) link = &(*link)->next;
                    std::unique_ptr<_ITEM_LIST> gone = std::move(*link);
                    *link = std::move(gone->next);
                    gone.reset();
                    index.Rebuild();
                    ExpectAgrees(index, head, "removed");
                    break;
                }
                case 4: {  // retitled
                    if (all.empty()) break;
                    _ITEM_LIST* r = all[pick(all.size())];
                    index.Change(r, [&] { r->title = u"behind " + kTitles[pick(kTitles.size())]; });
                    ExpectAgrees(index, head, "retitled");
                    break;
                }
                case 5:  // linked at the end with an alarm
                    index.Appended(LinkLast(head, kTitles[pick(kTitles.size())], kMinutes[pick(kMinutes.size())]));
                    ExpectAgrees(index, head, "linked");
                    break;
                case 6: {  // the chain replaced (a document opened)
                    head.reset();
                    for (int i = 0; i < 4; ++i)
                        LinkLast(head, kTitles[pick(kTitles.size())], kMinutes[pick(kMinutes.size())]);
                    index.Rebuild();
                    ExpectAgrees(index, head, "replaced");
                    break;
                }
            }
        }
    }
}

// The commit of the first of two records with one title: the second becomes
// the one found, and the first is found under its new title, before any
// later record carrying that title.
TEST(RecordIndexTest, ChangeKeepsChainOrderAmongEqualTitles) {
    std::unique_ptr<_ITEM_LIST> head;
    RecordIndex index(head);
    _ITEM_LIST* first = LinkLast(head, u"B", {2025, 6, 1, 9, 0});
    _ITEM_LIST* second = LinkLast(head, u"B", {2025, 6, 1, 9, 0});
    _ITEM_LIST* third = LinkLast(head, u"C", {2025, 6, 1, 9, 0});
    index.Rebuild();
    index.Change(first, [&] { first->title = u"C"; });
    EXPECT_EQ(index.Find(u"B"), second);
    EXPECT_EQ(index.Find(u"C"), first);
    EXPECT_EQ(index.Due({2025, 6, 1, 9, 0}), (std::vector<_ITEM_LIST*>{first, second, third}));
    index.Change(third, [&] { third->alarm = {2025, 6, 1, 9, 1}; });
    index.Change(first, [&] { first->alarm = {2025, 6, 1, 9, 1}; });
    EXPECT_EQ(index.Due({2025, 6, 1, 9, 1}), (std::vector<_ITEM_LIST*>{first, third}));
    EXPECT_EQ(index.Due({2025, 6, 1, 9, 0}), (std::vector<_ITEM_LIST*>{second}));
}

TEST(RecordIndexTest, AlarmsMissedWhileClosedAndInARun) {
    // A document opened at `now` with the minute recorded for it in an
    // earlier run (or its file's last write): which alarms its first check
    // shows, and how many minutes late each is.
    const auto m = [](const _TIMES& t) { return *ClockMinute(t); };
    const _TIMES now{2024, 3, 5, 10, 0};
    const std::int64_t n = m(now), month = kCatchUpMinutes;
    const std::optional<std::int64_t> none;
    const _TIMES done{2024, 3, 5, 9, 0};  // an actual completion: finished
    struct Alarm {
        std::u16string title;
        _TIMES alarm;
        _TIMES actual_end = {};
    };
    const struct {
        const char* name;
        std::optional<std::int64_t> recorded, written;
        std::int64_t now;
        std::vector<Alarm> alarms;
        std::vector<std::pair<std::u16string, std::int64_t>> shown;  // title, minutes late
    } cases[] = {
        // The record wins over the file time; its own minute was checked.
        {"recorded two hours ago, an alarm one hour ago", n - 120, n - 30, n,
         {{u"8:00", {2024, 3, 5, 8, 0}}, {u"9:00", {2024, 3, 5, 9, 0}}, {u"10:00", now}, {u"10:01", {2024, 3, 5, 10, 1}}},
         {{u"9:00", 60}, {u"10:00", 0}}},
        {"no record: after the file's last write", none, n - 30, n,
         {{u"9:30", {2024, 3, 5, 9, 30}}, {u"9:45", {2024, 3, 5, 9, 45}}}, {{u"9:45", 15}}},
        {"a file written after now missed nothing", none, n + 60, n,
         {{u"9:59", {2024, 3, 5, 9, 59}}, {u"10:00", now}}, {{u"10:00", 0}}},
        {"31 days back at most", n - 2 * month, none, n,
         {{u"a month and a minute", {2024, 2, 3, 10, 0}}, {u"just within", {2024, 2, 3, 10, 1}}},
         {{u"just within", month - 1}}},
        {"finished items are not shown late", n - 120, none, n,
         {{u"done late", {2024, 3, 5, 9, 0}, done}, {u"done on time", now, done},
          {u"done a minute ago", {2024, 3, 5, 9, 59}, done}, {u"open late", {2024, 3, 5, 9, 0}}},
         {{u"open late", 60}, {u"done a minute ago", 1}, {u"done on time", 0}}},
        // 16:15 UTC on the 5th is 01:15 of the 6th here.
        {"hour 24 and minute 60", n, none, m({2024, 3, 6, 1, 15}),
         {{u"24:30", {2024, 3, 5, 24, 30}}, {u"24:60", {2024, 3, 5, 24, 60}}, {u"0:60", {2024, 3, 6, 0, 60}},
          {u"hour 25", {2024, 3, 5, 25, 0}}, {u"unset", {}}},
         {{u"24:30", 45}, {u"24:60", 15}, {u"0:60", 15}}},
        // A clock set back: what was checked stays checked until it passes.
        {"a recorded minute in the future is kept", n + 30, n - 120, n,
         {{u"9:00", {2024, 3, 5, 9, 0}}, {u"10:00", now}}, {}},
        {"a recorded minute over a month ahead is a wrong clock", n + month + 1, n - 30, n,
         {{u"9:45", {2024, 3, 5, 9, 45}}}, {{u"9:45", 15}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<_ITEM_LIST> head;
        for (const Alarm& a : c.alarms) LinkLast(head, a.title, a.alarm)->actual_end = a.actual_end;
        RecordIndex index(head);
        index.Rebuild();
        std::vector<std::pair<std::u16string, std::int64_t>> shown;
        for (const AlarmDue& due : AlarmsDue(index, AlarmsCheckedAtOpen(c.recorded, c.written, c.now), c.now)) {
            EXPECT_EQ(due.minute + due.minutes_late, c.now);
            shown.emplace_back(due.record->title, due.minutes_late);
        }
        EXPECT_EQ(shown, c.shown);
    }
}

}  // namespace
