#include "Records.h"

namespace {

// Unlinks the tail first so that each node's destructor sees an empty `next`.
template <typename Node>
void ReleaseChain(std::unique_ptr<Node>& next) {
    std::unique_ptr<Node> node = std::move(next);
    while (node) node = std::move(node->next);
}

}  // namespace

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
