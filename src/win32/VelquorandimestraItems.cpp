// The item list commands: add, delete, show the chosen line, and the commit
// that takes an edit into its record when the focus leaves a detail control.
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
#include "proc.h"
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

int CVelquorandimestra::OnAddItem() {
    if (state != STATE_OPEN || !schedule || !editor) return 0;
    const ActionDocument::Added added = document.Add(CurrentView());
    schedule->InsertSelected(added.line, added.record);
    editor->SetItem(added.record);
    return 0;
}

int CVelquorandimestra::OnDeleteItem() {
    if (state != STATE_OPEN || !schedule || !editor) return 0;
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
    return 0;
}

int CVelquorandimestra::OnEnSetFocus(HWND control) {
    // Entering a field selects its text, so that typing replaces it. Coming
    // back to the field that had the focus before a box, a dialog or another
    // window took it finds the caret and selection as the user left them.
    const bool returning = control == returning_focus_;
    returning_focus_ = nullptr;
    if (!returning) Edit_SetSel(control, 0, -1);
    return 0;
}

int CVelquorandimestra::OnEnKillFocus(HWND control) {
    // The focus has already gone where it goes: to another control of the
    // main dialog, or out of it (null, a box, another window), from where it
    // comes back to this control.
    HWND to = GetFocus();
    HWND main = GetWnd();
    if (to != control) returning_focus_ = to != nullptr && main != nullptr && IsChild(main, to) ? nullptr : control;

    if (state != STATE_OPEN || !schedule || !editor) return 0;
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
    return 0;
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

int CVelquorandimestra::OnLbnSelChange(HWND list) {
    if (state != STATE_OPEN || !editor) return 0;
    if (list != MainDialogItem(IDC_ITEM_LIST)) return 0;  // only the item list box has item lines
    const int current = ListBox_GetCurSel(list);
    if (current == LB_ERR) return 0;
    if (_ITEM_LIST* record = document.LineOwner(ListBoxText(list, current))) editor->SetItem(record);
    return 0;
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
