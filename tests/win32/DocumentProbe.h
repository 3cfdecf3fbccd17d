// The tests' one way in to the open document's item and kind chains, which
// the manager otherwise keeps to itself: they are read as they stand, and
// changed only through the manager's own chain operations, so that its
// title index stays right.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ItemChain.h"
#include "Records.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "library.h"

class DocumentProbe {
public:
    static const _ITEM_LIST* Items() { return g_App.item_list.get(); }
    static const _KIND_LIST* Kinds() { return g_App.action_kinds.get(); }
    // The first record titled `title`, or null.
    static const _ITEM_LIST* Find(std::u16string_view title) { return SearchItemList(g_App.item_list.get(), title); }

    // The chains of a document put together by hand; nothing else changes.
    static void Put(const std::vector<_EDIT_ITEM>& items, const std::vector<std::u16string>& kinds) {
        g_App.ReplaceItems(ItemChain(items));
        g_App.action_kinds = KindList(kinds);
    }
    // The same document loaded as a file is: the open one goes first, then
    // the schedule list and its lines, the editor and the kind combo box.
    static void Load(const std::vector<_EDIT_ITEM>& items, const std::vector<std::u16string>& kinds) {
        g_App.LoadDocument(VqfDocument{ItemChain(items), KindList(kinds)}, L"", L"", std::nullopt);
    }
    // Links a copy of `item` at the end of the chain, as a new item is.
    static void Append(const _EDIT_ITEM& item) { g_App.AppendItem(ItemChain({item})); }
    // Changes the record at `index` in document order as a commit does: an
    // unsaved change that no control shows.
    static void Change(std::size_t index, const std::function<void(_ITEM_LIST& record)>& change) {
        _ITEM_LIST* record = g_App.item_list.get();
        for (; index > 0 && record != nullptr; --index) record = record->next.get();
        if (record == nullptr) throw std::out_of_range("DocumentProbe::Change: no such record");
        g_App.CommitItem(record, [record, &change] { change(*record); });
    }
};
