#include "Velquorandimestra.h"

#include "Controls.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

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
                                                         const _EDIT_ITEM& edited, const ActionDocument::View& view) {
    const ActionDocument::Committed done = document.Commit(record, shown, edited, view);
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

ActionDocument::View CVelquorandimestra::CurrentView() const {
    ActionDocument::View view;
    // The texts are read from the records the list box lines show, not asked
    // of the list box line by line (every line of a long list may be
    // selected, and this runs whenever a field is left).
    if (schedule)
        for (int line : SelectedLines(MainDialogItem(IDC_ITEM_LIST)))
            if (const _ITEM_LIST* record = schedule->RecordOf(line))
                view.selected.emplace_back(ShownText(record->title));
    if (editor) {
        view.shown = editor->Shown();
        view.shown_title = editor->GetItem()->title;
    }
    return view;
}

void CVelquorandimestra::ShowRestored(const ActionDocument::Restored& restored) {
    std::vector<int> selected;
    for (const std::u16string& text : restored.view.selected)
        if (const int line = document.LineOf(ShownText(text)); line >= 0) selected.push_back(line);
    schedule->Mirror(restored.lines, selected);
    if (restored.kinds) ShowKinds();
    editor->SetItem(restored.view.shown);
}

int CVelquorandimestra::OnUndo() {
    if (state != STATE_OPEN || !schedule || !editor || !document.CanUndo()) return 0;
    ShowRestored(document.Undo());
    return 0;
}

int CVelquorandimestra::OnRedo() {
    if (state != STATE_OPEN || !schedule || !editor || !document.CanRedo()) return 0;
    ShowRestored(document.Redo());
    return 0;
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
