#include "Velquorandimestra.h"

#include "WideText.h"

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

void CVelquorandimestra::ReplaceItems(std::unique_ptr<_ITEM_LIST> chain) {
    item_list = std::move(chain);  // the old chain releases itself without recursion
    records.Rebuild();
}

_ITEM_LIST* CVelquorandimestra::AppendItem(std::unique_ptr<_ITEM_LIST> record) {
    _ITEM_LIST* const last = records.Last();
    std::unique_ptr<_ITEM_LIST>& link = last ? last->next : item_list;
    link = std::move(record);
    records.Appended(link.get());
    ++changes_;
    return link.get();
}

void CVelquorandimestra::CommitItem(_ITEM_LIST* record, const std::function<void()>& change) {
    const _EDIT_ITEM before = *record;
    records.Change(record, change);
    if (!(static_cast<const _EDIT_ITEM&>(*record) == before)) ++changes_;
}

void CVelquorandimestra::ReplaceKinds(std::unique_ptr<_KIND_LIST> kinds) {
    const _KIND_LIST* a = action_kinds.get();
    const _KIND_LIST* b = kinds.get();
    while (a != nullptr && b != nullptr && a->text == b->text) {
        a = a->next.get();
        b = b->next.get();
    }
    if (a != nullptr || b != nullptr) ++changes_;
    action_kinds = std::move(kinds);
}

void CVelquorandimestra::UnlinkItems(const std::function<bool(const _ITEM_LIST& record)>& doomed) {
    std::unique_ptr<_ITEM_LIST>* link = &item_list;
    while (*link) {
        if (doomed(**link)) {
            std::unique_ptr<_ITEM_LIST> gone = std::move(*link);
            *link = std::move(gone->next);
            DeleteItem(std::move(gone));
            ++changes_;
        } else {
            link = &(*link)->next;
        }
    }
    records.Rebuild();
}

void CVelquorandimestra::StartWithFreshItem() {
    auto fresh = std::make_unique<_ITEM_LIST>();
    InitItemList(fresh.get());
    ReplaceItems(std::move(fresh));
    schedule->AddItem(ToWide(item_list->title).c_str(), item_list->planned_start, item_list->planned_end,
                      CScheduleManager::kSchedulePosition);
    editor->SetItem(item_list.get());
}

int CVelquorandimestra::CheckStatus() const { return state == STATE_OPEN ? 0 : 1; }

int CVelquorandimestra::DeleteInstance() {
    // Leave STATE_OPEN first: the timer can tick inside any box shown while
    // the document goes away.
    state = STATE_RELEASING;
    alarms_checked_to.reset();
    if (file_handle != nullptr) {
        CloseHandle(file_handle);
        file_handle = nullptr;
    }
    file_name.clear();
    file_path.clear();
    file_stamp.reset();
    ReplaceItems(nullptr);
    action_kinds.reset();
    ForgetChanges();
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
