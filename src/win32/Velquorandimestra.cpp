#include "Velquorandimestra.h"

#include "WideText.h"

int CVelquorandimestra::InitItemList(_ITEM_LIST* item) { return ::InitItemList(item); }

_ITEM_LIST* CVelquorandimestra::SearchItemList(const _ITEM_LIST* probe) {
    return ::SearchItemList(document.First(), probe->title);
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

ActionDocument::Committed CVelquorandimestra::CommitEdit(const _ITEM_LIST* record, const _EDIT_ITEM& shown,
                                                         const _EDIT_ITEM& edited) {
    const ActionDocument::Committed done = document.Commit(record, shown, edited);
    // A line that keeps its place and its text is not touched.
    if (schedule && (done.from != done.to || done.retitled))
        schedule->MoveLine(done.from, done.to, done.record);
    else if (schedule && done.changed)
        schedule->NoteEdited(done.to);
    return done;
}

bool CVelquorandimestra::ShowDocument(const _ITEM_LIST* selected) {
    int line = document.LineOfRecord(selected);
    // A record that a file brought under a repeated title has no line of its
    // own: the line of its title is the one marked.
    if (line < 0 && selected != nullptr) line = document.LineOf(ShownText(selected->title));
    const bool whole = schedule->Fill(document, line, CurrentListQuery()) == document.LineCount();
    editor->SetItem(selected);
    return whole;
}

int CVelquorandimestra::CheckStatus() const { return state == STATE_OPEN ? 0 : 1; }

int CVelquorandimestra::DeleteInstance() {
    // Leave STATE_OPEN first: the timer can tick inside any box shown while
    // the document goes away.
    state = STATE_RELEASING;
    EndAlarmCheck();
    if (file_handle != nullptr) {
        CloseHandle(file_handle);
        file_handle = nullptr;
    }
    file_name.clear();
    file_path.clear();
    file_stamp.reset();
    document.Clear();
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
