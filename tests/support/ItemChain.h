// A record chain built from working copies, in the given order: the shape in
// which tests hand documents to the core and the program.
#pragma once

#include <memory>
#include <vector>

#include "Records.h"

inline std::unique_ptr<_ITEM_LIST> ItemChain(const std::vector<_EDIT_ITEM>& items) {
    std::unique_ptr<_ITEM_LIST> head;
    std::unique_ptr<_ITEM_LIST>* tail = &head;
    for (const _EDIT_ITEM& item : items) {
        *tail = std::make_unique<_ITEM_LIST>();
        CopyItemList(tail->get(), item);
        tail = &(*tail)->next;
    }
    return head;
}
