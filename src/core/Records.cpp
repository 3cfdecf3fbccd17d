#include "Records.h"

#include <cstdint>
#include <cstring>

std::u16string_view ShownText(std::u16string_view text) {
    // Texts rarely hold a NUL, and the writer asks this of every text it
    // stores: the search looks at four units at a time.
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint64_t v;
        std::memcpy(&v, p + i, 8);
        // A unit of 0 borrows into its own top bit and has it clear before.
        if ((v - 0x0001000100010001ull) & ~v & 0x8000800080008000ull) break;
    }
    while (i < n && p[i] != u'\0') ++i;
    return text.substr(0, i);
}

_ITEM_LIST::~_ITEM_LIST() { ReleaseChain(next); }

_KIND_LIST::~_KIND_LIST() { ReleaseChain(next); }

int InitItemList(_ITEM_LIST* item) {
    if (item == nullptr) return 0;
    static_cast<_EDIT_ITEM&>(*item) = _EDIT_ITEM{};
    item->title = kNewActionTitle;
    const _TIMES now = GetTime();
    item->planned_start = now;
    item->planned_end = now;
    return 0;
}

_ITEM_LIST* SearchItemList(_ITEM_LIST* head, std::u16string_view title) {
    for (_ITEM_LIST* p = head; p != nullptr; p = p->next.get()) {
        if (p->title == title) return p;
    }
    return nullptr;
}

int CopyItemList(_ITEM_LIST* dst, const _EDIT_ITEM& src) {
    static_cast<_EDIT_ITEM&>(*dst) = src;
    return 0;
}

std::size_t CountItems(const _ITEM_LIST* head) {
    std::size_t n = 0;
    for (; head != nullptr; head = head->next.get()) ++n;
    return n;
}

std::size_t CountKinds(const _KIND_LIST* head) {
    std::size_t n = 0;
    for (; head != nullptr; head = head->next.get()) ++n;
    return n;
}
