#include "RecordIndex.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

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

}  // namespace
