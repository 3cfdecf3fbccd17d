// Record chains in the shapes tests use: built from working copies or kind
// texts, in the given order, and read back head first.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Records.h"

// A record chain built from working copies: the shape in which tests hand
// documents to the core and the program.
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

inline std::unique_ptr<_KIND_LIST> KindList(const std::vector<std::u16string>& kinds) {
    std::unique_ptr<_KIND_LIST> head;
    std::unique_ptr<_KIND_LIST>* tail = &head;
    for (const std::u16string& kind : kinds) {
        *tail = std::make_unique<_KIND_LIST>(kind);
        tail = &(*tail)->next;
    }
    return head;
}

// The nodes of any chain linked through `next` (records, kinds, schedule
// nodes), head first.
template <class Node>
std::vector<Node*> ChainNodes(Node* head) {
    std::vector<Node*> nodes;
    for (Node* n = head; n != nullptr; n = n->next.get()) nodes.push_back(n);
    return nodes;
}

// Each record's title as it stands (embedded NULs included).
inline std::vector<std::u16string> ChainTitles(const _ITEM_LIST* head) {
    std::vector<std::u16string> titles;
    for (const _ITEM_LIST* p : ChainNodes(head)) titles.push_back(p->title);
    return titles;
}

// Each record's fields, for comparing two chains item by item and in length.
inline std::vector<_EDIT_ITEM> ChainItems(const _ITEM_LIST* head) {
    std::vector<_EDIT_ITEM> items;
    for (const _ITEM_LIST* p : ChainNodes(head)) items.push_back(*p);
    return items;
}

inline std::vector<std::u16string> KindTexts(const _KIND_LIST* head) {
    std::vector<std::u16string> texts;
    for (const _KIND_LIST* k : ChainNodes(head)) texts.push_back(k->text);
    return texts;
}
