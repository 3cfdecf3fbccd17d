// The item list commands: add, delete, show the chosen line, and the commit
// that takes an edit into its record when the focus leaves a detail control.
#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Controls.h"
#include "ItemTitles.h"
#include "RedrawPause.h"
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
    if (message == WM_LBUTTONDOWN && GetFocus() != list) lParam = g_App.FollowClickedLine(list, lParam);
    return CallWindowProcW(g_list_box_proc, list, message, wParam, lParam);
}

}  // namespace

int CVelquorandimestra::OnAddItem() {
    if (state != STATE_OPEN || !schedule || !editor) return 0;
    auto fresh = std::make_unique<_ITEM_LIST>();
    InitItemList(fresh.get());
    _ITEM_LIST* record = AppendItem(std::move(fresh));
    CommitItem(record, [&] {
        record->title = AddCommandTitle([&](std::u16string_view key) {
            return schedule->AddItem(ToWide(key).c_str(), record->planned_start, record->planned_end,
                                     CScheduleManager::kSchedulePosition) == 1;
        });
    });
    editor->SetItem(record);
    return 0;
}

int CVelquorandimestra::OnDeleteItem() {
    if (state != STATE_OPEN || !schedule || !editor) return 0;
    HWND list = MainDialogItem(IDC_ITEM_LIST);

    // From the bottom-most selected line up. Each line goes with
    // CScheduleManager::DeleteItem, which removes the last selected line:
    // the line itself, whether or not a record carries its text, so the loop
    // always ends.
    std::unordered_map<std::u16string, int> doomed;  // title -> records to release
    {
        const std::vector<int> selected = SelectedLines(list);
        RedrawPause pause(list);
        for (auto line = selected.rbegin(); line != selected.rend(); ++line) {
            const std::u16string text = ListBoxText(list, *line);
            if (schedule->DeleteItem(WidePointer(text)) < 0) break;
            ++doomed[text];
        }
    }

    // The first record of each deleted line's title goes, in one pass over
    // the chain rather than one walk per line.
    if (!doomed.empty()) {
        UnlinkItems([&doomed](const _ITEM_LIST& record) {
            const auto hit = doomed.find(std::u16string(ShownText(record.title)));
            if (hit == doomed.end() || hit->second == 0) return false;
            --hit->second;
            return true;
        });
    }

    if (item_list) {
        editor->SetItem(item_list.get());
        return 0;
    }
    // A document always holds an item: the last one is replaced by a fresh one.
    StartWithFreshItem();
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
    _EDIT_ITEM* const working = editor->GetItem();
    const _TIMES shown_start = working->planned_start;
    const _TIMES shown_end = working->planned_end;
    const std::u16string shown_key(ShownText(working->title));

    // The record the editor shows, not the first of its title: a file may
    // hold several records with one title, and an edit of one must not land
    // in another. An editor that shows no record finds it by its title.
    _ITEM_LIST* record =
        editor->Shown() != nullptr ? records.Find(shown_key, editor->Shown()) : records.Find(shown_key);
    // The line of a title belongs to the first record of that title; a line
    // that no record carries any more is this working copy's own.
    const _ITEM_LIST* const first_of_title = records.Find(shown_key);
    const bool own_line = (first_of_title == nullptr || first_of_title == record) &&
                          schedule->SearchItem(ToWide(shown_key).c_str()) != nullptr;

    editor->UpdateItem();
    const bool moved = working->planned_start != shown_start || working->planned_end != shown_end;

    // A working copy that no record carries (its record was retitled by
    // another commit since it was shown) is kept as a record of its own
    // rather than dropped.
    if (record == nullptr) record = AppendItem(std::make_unique<_ITEM_LIST>());
    CommitItem(record, [&] {
        CopyItemList(record, working);
        // The item's own title is not taken by the item itself.
        record->title = CommitTitle(record->title, [&](std::u16string_view key) {
            return !(own_line && key == shown_key) && schedule->SearchItem(ToWide(key).c_str()) != nullptr;
        });
    });

    // The line changes only when the item moved or was renamed, and the
    // user's selection stays as it was: the lines selected stay selected,
    // the edited one under its new title, wherever it now stands.
    const std::u16string key(ShownText(record->title));
    if (moved || !own_line || key != shown_key) {
        const CScheduleManager::Removed was =
            own_line ? schedule->TakeOut(ToWide(shown_key)) : CScheduleManager::Removed{};
        const unsigned position =
            moved || was.line < 0 ? CScheduleManager::kSchedulePosition : static_cast<unsigned>(was.line);
        schedule->PutBack(ToWide(key).c_str(), record->planned_start, record->planned_end, position, was);
    }
    editor->SetItem(record);
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
    const int now = schedule->FindLine(ToWide(clicked));
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
    if (_ITEM_LIST* record = records.Find(ListBoxText(list, current))) editor->SetItem(record);
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
