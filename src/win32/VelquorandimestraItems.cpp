// The item commands: add, delete, show the chosen line, the commit that takes
// an edit into its record when the focus leaves a detail control, undo and
// redo and the list box that mirrors them, the list's find field and filter,
// the report of the selected lines and the kind list.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ActionKindDlg.h"
#include "Controls.h"
#include "Report.h"
#include "TextOutDlg.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

// The item list box's own window procedure, under ItemListProc.
WNDPROC g_list_box_proc = nullptr;

// A click on the item list box while a detail field has the focus first
// takes the focus, so that the field's commit runs, possibly moving lines,
// before the list box decides which line the mouse is on: the click then
// lands where the line the user saw under the mouse now stands.
LRESULT CALLBACK ItemListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN && GetFocus() != list)
        if (CVelquorandimestra* app = MainWindowManager(GetParent(list))) lParam = app->FollowClickedLine(list, lParam);
    return CallWindowProcW(g_list_box_proc, list, message, wParam, lParam);
}

}  // namespace

void CVelquorandimestra::OnAddItem() {
    if (state != STATE_OPEN || !schedule || !editor) return;
    const ActionDocument::Added added = document.Add(CurrentView());
    schedule->InsertSelected(added.line, added.record);
    editor->SetItem(added.record);
}

void CVelquorandimestra::OnDeleteItem() {
    if (state != STATE_OPEN || !schedule || !editor) return;
    // The selected lines name the items, from the bottom-most up.
    HWND list = MainDialogItem(IDC_ITEM_LIST);
    std::vector<std::u16string> titles;
    const std::vector<int> selected = SelectedLines(list);
    for (auto line = selected.rbegin(); line != selected.rend(); ++line) titles.push_back(ListBoxText(list, *line));

    const ActionDocument::Deleted deleted = document.Delete(titles, CurrentView());
    schedule->RemoveLines(deleted.lines);
    // A document always holds an item: the last one was replaced by a fresh one.
    if (deleted.fresh != nullptr) schedule->InsertSelected(0, deleted.fresh);
    editor->SetItem(deleted.shown);
}

void CVelquorandimestra::OnEnSetFocus(HWND control) {
    // Entering a field selects its text, so that typing replaces it. Coming
    // back to the field that had the focus before a box, a dialog or another
    // window took it finds the caret and selection as the user left them.
    const bool returning = control == returning_focus_;
    returning_focus_ = nullptr;
    if (!returning) Edit_SetSel(control, 0, -1);
}

void CVelquorandimestra::OnEnKillFocus(HWND control) {
    // The focus has already gone where it goes: to another control of the
    // main dialog, or out of it (null, a box, another window), from where it
    // comes back to this control.
    HWND to = GetFocus();
    HWND main = GetWnd();
    if (to != control) returning_focus_ = to != nullptr && main != nullptr && IsChild(main, to) ? nullptr : control;

    if (state != STATE_OPEN || !schedule || !editor) return;
    // The item as the controls showed it (what the commit reads of it: its
    // title and planned date-times), then as they show it now.
    _EDIT_ITEM shown;
    shown.title = editor->GetItem()->title;
    shown.planned_start = editor->GetItem()->planned_start;
    shown.planned_end = editor->GetItem()->planned_end;
    const ActionDocument::View view = CurrentView();
    editor->UpdateItem();
    const ActionDocument::Committed done = CommitEdit(editor->Shown(), shown, *editor->GetItem(), view);
    editor->SetItem(done.record);
    // What was typed is taken: Ctrl+Z in the field now undoes the document's
    // step, not the field's typing.
    Edit_SetModify(control, FALSE);
}

LPARAM CVelquorandimestra::FollowClickedLine(HWND list, LPARAM click) {
    // The line under the mouse as the user saw it, before the commit.
    const int x = GET_X_LPARAM(click), y = GET_Y_LPARAM(click);
    const int top = ListBox_GetTopIndex(list);
    const int height = std::max(1, ListBox_GetItemHeight(list, 0));
    const int line = y >= 0 ? top + y / height : -1;
    const bool on_line = line >= 0 && line < ListBox_GetCount(list);
    std::u16string clicked = on_line ? ListBoxText(list, line) : std::u16string();
    const std::u16string edited = editor ? std::u16string(ShownText(editor->GetItem()->title)) : std::u16string();

    SetFocus(list);  // the field loses the focus: its commit runs now
    if (!on_line || state != STATE_OPEN || !schedule || !editor) return click;

    // The edited item is followed under the title the commit gave it.
    if (clicked == edited) clicked = ShownText(editor->GetItem()->title);
    const int now = schedule->ShownLine(document.LineOf(clicked));
    if (now < 0 || (now == line && ListBox_GetTopIndex(list) == top)) return click;
    // The clicked line stays under the mouse where the list can scroll so
    // far; the click goes to that line in any case.
    ListBox_SetTopIndex(list, std::max(0, now - (line - top)));
    RECT rect{};
    if (ListBox_GetItemRect(list, now, &rect) == LB_ERR) return click;
    return MAKELPARAM(x, (rect.top + rect.bottom) / 2);
}

void WatchItemListClicks(HWND list) {
    if (list == nullptr) return;
    const auto previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ItemListProc)));
    if (previous != &ItemListProc) g_list_box_proc = previous;
}

void CVelquorandimestra::OnLbnSelChange(HWND list) {
    if (state != STATE_OPEN || !editor) return;
    if (list != MainDialogItem(IDC_ITEM_LIST)) return;  // only the item list box has item lines
    const int current = ListBox_GetCurSel(list);
    if (current == LB_ERR) return;
    if (_ITEM_LIST* record = document.LineOwner(ListBoxText(list, current))) editor->SetItem(record);
}

void CVelquorandimestra::TakeTypedField() {
    HWND focus = GetFocus();
    HWND main = GetWnd();
    if (focus == nullptr || main == nullptr) return;
    // The kind combo box types into an edit control of its own.
    if (GetParent(focus) != main && GetParent(GetParent(focus)) == main) focus = GetParent(focus);
    if (GetParent(focus) != main) return;
    const int id = GetDlgCtrlID(focus);
    const bool detail = id == IDC_TITLE || id == IDC_ACTION_KIND ||
                        (id >= IDC_PLAN_START_YEAR && id <= IDC_ALARM_MINUTE) || id == IDC_LOCATION ||
                        id == IDC_STATUS;
    if (detail) OnEnKillFocus(focus);
}

INT_PTR CVelquorandimestra::OnEditKinds() {
    KindEditor kinds;
    if (state == STATE_OPEN)
        for (const _KIND_LIST* kind = document.Kinds(); kind != nullptr; kind = kind->next.get())
            kinds.working.push_back(kind->text);
    const INT_PTR ended = RunKindEditor(GetWnd(), kinds);
    // The editor's loop dispatches the main window's messages too; a
    // document that went away meanwhile keeps nothing of the editor.
    if (!kinds.answer || state != STATE_OPEN) return ended;

    // The answer becomes the chain, top to bottom: one step to undo.
    std::unique_ptr<_KIND_LIST> chain;
    std::unique_ptr<_KIND_LIST>* tail = &chain;
    for (std::u16string& kind : *kinds.answer) {
        *tail = std::make_unique<_KIND_LIST>(std::move(kind));
        tail = &(*tail)->next;
    }
    document.ReplaceKinds(std::move(chain), CurrentView());

    // The combo box follows the chain and shows the shown item's kind again
    // when it is in the list. The entry is found with its case: "work" and
    // "Work" are two kinds. The kind is the item's own, not the text the
    // combo box showed: an item whose kind the list lacked showed nothing,
    // and must not get an empty entry, nor miss its kind when it was just
    // added.
    HWND combo = MainDialogItem(IDC_ACTION_KIND);
    const std::wstring shown = editor ? ToWide(editor->GetItem()->action_kind) : GetWindowString(combo);
    ShowKinds();
    SelectKindEntry(combo, shown);
    return ended;
}

void CVelquorandimestra::ShowKinds() { ::ShowKinds(MainDialogItem(IDC_ACTION_KIND), document.Kinds()); }

void CVelquorandimestra::OnTextOut() {
    if (state != STATE_OPEN) return;
    // The report is of the selected lines of the list as it shows them.
    HWND list = MainDialogItem(IDC_ITEM_LIST);
    std::vector<std::u16string> lines;
    for (int index : SelectedLines(list)) lines.push_back(ListBoxText(list, index));
    ShowReport(GetWnd(), BuildReport([this](std::u16string_view line) { return document.LineOwner(line); }, lines));
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

void CVelquorandimestra::OnUndo() {
    if (state != STATE_OPEN || !schedule || !editor || !document.CanUndo()) return;
    ShowRestored(document.Undo());
}

void CVelquorandimestra::OnRedo() {
    if (state != STATE_OPEN || !schedule || !editor || !document.CanRedo()) return;
    ShowRestored(document.Redo());
}

// The item list's find field, its filter and the minute its lines are drawn
// at: what the list shows of the document, never what the document holds.

ListQuery CVelquorandimestra::CurrentListQuery() const {
    HWND find = MainDialogItem(IDC_FIND);
    HWND filter = MainDialogItem(IDC_FILTER);
    const int chosen = filter != nullptr ? ComboBox_GetCurSel(filter) : 0;
    const ListFilter by =
        chosen > 0 && chosen < kListFilterCount ? static_cast<ListFilter>(chosen) : ListFilter::All;
    const ListClock now =
        schedule ? schedule->Now() : ListClockAt(static_cast<std::uint32_t>(ReadClock()) / 60);
    return ListQuery(find != nullptr ? WindowText(find) : std::u16string(), by, now);
}

void CVelquorandimestra::OnFindChange() {
    if (state != STATE_OPEN || !schedule) return;
    // The filters read the current minute, not the one the lines were last
    // drawn at.
    if (schedule->NoteMinute(static_cast<std::uint32_t>(ReadClock()) / 60))
        InvalidateRect(MainDialogItem(IDC_ITEM_LIST), nullptr, FALSE);
    schedule->Narrow(document, CurrentListQuery());
}

void CVelquorandimestra::OnFind() {
    HWND find = MainDialogItem(IDC_FIND);
    if (find == nullptr) return;
    SetFocus(find);
    Edit_SetSel(find, 0, -1);
}

void CVelquorandimestra::OnListMinute() {
    if (state != STATE_OPEN || !schedule) return;
    if (schedule->NoteMinute(static_cast<std::uint32_t>(ReadClock()) / 60))
        InvalidateRect(MainDialogItem(IDC_ITEM_LIST), nullptr, FALSE);
}
