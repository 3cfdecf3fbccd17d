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

#include "Harness.h"
#include "ItemChain.h"
#include "Records.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "library.h"

class DocumentProbe {
public:
    static const _ITEM_LIST* Items() { return App().document.Items(); }
    static const _KIND_LIST* Kinds() { return App().document.Kinds(); }
    static const ActionDocument& Document() { return App().document; }
    // The first record titled `title`, or null.
    static const _ITEM_LIST* Find(std::u16string_view title) { return SearchItemList(App().document.First(), title); }

    // The chains of a document put together by hand; no control changes.
    static void Put(const std::vector<_EDIT_ITEM>& items, const std::vector<std::u16string>& kinds) {
        App().document.Replace(ItemChain(items), KindList(kinds));
    }
    // The same document loaded as a file is: the open one goes first, then
    // the lines, the editor and the kind combo box.
    static void Load(const std::vector<_EDIT_ITEM>& items, const std::vector<std::u16string>& kinds) {
        App().LoadDocument(VqfDocument{ItemChain(items), KindList(kinds)}, L"", L"", std::nullopt);
    }
    // Changes the record at `index` in document order as a commit does, its
    // line following: an unsaved change that the editor does not show.
    static void Change(std::size_t index, const std::function<void(_EDIT_ITEM& record)>& change) {
        const _ITEM_LIST* record = App().document.Items();
        for (; index > 0 && record != nullptr; --index) record = record->next.get();
        if (record == nullptr) throw std::out_of_range("DocumentProbe::Change: no such record");
        const _EDIT_ITEM shown = *record;
        _EDIT_ITEM edited = shown;
        change(edited);
        App().CommitEdit(record, shown, edited);
    }
};
