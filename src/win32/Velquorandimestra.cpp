#include "Velquorandimestra.h"

int CVelquorandimestra::InitItemList(_ITEM_LIST* item) { return ::InitItemList(item); }

_ITEM_LIST* CVelquorandimestra::SearchItemList(const _ITEM_LIST* probe) {
    return ::SearchItemList(item_list.get(), probe->title);
}

int CVelquorandimestra::CopyItemList(_ITEM_LIST* dst, const _EDIT_ITEM* src) {
    return ::CopyItemList(dst, *src);
}

int CVelquorandimestra::DeleteItem(std::unique_ptr<_ITEM_LIST> item) {
    // The caller unlinks the record first (its `next` is empty), so only the
    // record and its strings go.
    item.reset();
    return 0;
}

int CVelquorandimestra::CheckStatus() const { return state == STATE_OPEN ? 0 : 1; }

int CVelquorandimestra::DeleteInstance() {
    // Leave STATE_OPEN first: the timer can tick inside any box shown while
    // the document goes away.
    state = STATE_RELEASING;
    if (file_handle != nullptr) {
        CloseHandle(file_handle);
        file_handle = nullptr;
    }
    file_name.clear();
    file_path.clear();
    records.Clear();
    item_list.reset();     // the chain releases itself without recursion
    action_kinds.reset();
    if (schedule) {
        schedule->DeleteInstance();  // takes the lines out of the list box
        schedule.reset();
    }
    if (editor) {
        editor->DeleteInstance();
        editor.reset();
    }
    state = STATE_NONE;
    return 0;
}
