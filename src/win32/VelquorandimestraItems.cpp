// The item list commands: add, delete, show the chosen line, and the commit
// that takes an edit into its record when the focus leaves a detail control.
#include <algorithm>
#include <memory>
#include <optional>
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

// Tries titles in the order `rename` gives until the schedule list takes one;
// returns the title it took. The schedule list is the judge of which titles
// are taken: each attempt is an AddItem, as the list box line must be made
// anyway.
template <typename Rename>
std::u16string AddUnderFreeTitle(CScheduleManager& schedule, const _EDIT_ITEM& item, unsigned position,
                                 Rename rename) {
    return rename([&](std::u16string_view key) {
        return schedule.AddItem(ToWide(key).c_str(), item.planned_start, item.planned_end, position) == 1;
    });
}

// CScheduleManager::DeleteItem removes the last selected line. Make that the
// shown item's own line: when no line, or another item's line, is the last
// selected one, the shown item's line becomes the only selected one (and
// when it has none, no line is selected, so that no other item loses its).
void SelectOwnLine(HWND list, const CScheduleManager& schedule, std::u16string_view key) {
    const std::vector<int> selected = SelectedLines(list);
    int last = -1;
    for (int i : selected) last = std::max(last, i);
    if (last >= 0 && ListBoxText(list, last) == key) return;
    const int own = schedule.FindLine(ToWide(key));
    ListBox_SetSel(list, FALSE, -1);
    if (own >= 0) ListBox_SetSel(list, TRUE, own);
}

}  // namespace

int CVelquorandimestra::OnAddItem() {
    if (state != STATE_OPEN || !schedule || !editor) return 0;
    auto fresh = std::make_unique<_ITEM_LIST>();
    InitItemList(fresh.get());
    _ITEM_LIST* record = AppendItem(std::move(fresh));
    CommitItem(record, [&] {
        record->title = AddUnderFreeTitle(*schedule, *record, CScheduleManager::kSchedulePosition,
                                          [](const TitleTaken& taken) { return AddCommandTitle(taken); });
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
    // Typing into a field replaces its text.
    Edit_SetSel(control, 0, -1);
    return 0;
}

int CVelquorandimestra::OnEnKillFocus(HWND) {
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

    HWND list = MainDialogItem(IDC_ITEM_LIST);
    // The line leaves and comes back: the list box is drawn once, at the end.
    std::optional<RedrawPause> pause(std::in_place, list);
    SelectOwnLine(list, *schedule, shown_key);
    const int line = schedule->DeleteItem(WidePointer(shown_key));

    editor->UpdateItem();
    const bool moved = working->planned_start != shown_start || working->planned_end != shown_end;
    const unsigned position = moved || line < 0 ? CScheduleManager::kSchedulePosition : static_cast<unsigned>(line);

    // A working copy that no record carries (its record was retitled by
    // another commit since it was shown) is kept as a record of its own
    // rather than dropped.
    if (record == nullptr) record = AppendItem(std::make_unique<_ITEM_LIST>());
    CommitItem(record, [&] {
        CopyItemList(record, working);
        record->title = AddUnderFreeTitle(*schedule, *record, position, [&](const TitleTaken& taken) {
            return CommitTitle(record->title, taken);
        });
    });
    pause.reset();
    editor->SetItem(record);
    return 0;
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
