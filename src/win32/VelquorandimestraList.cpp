// The item list's find field, its filter and the minute its lines are drawn
// at: what the list shows of the document, never what the document holds.
#include <windowsx.h>

#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

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

int CVelquorandimestra::OnFindChange() {
    if (state != STATE_OPEN || !schedule) return 0;
    // The filters read the current minute, not the one the lines were last
    // drawn at.
    if (schedule->NoteMinute(static_cast<std::uint32_t>(ReadClock()) / 60))
        InvalidateRect(MainDialogItem(IDC_ITEM_LIST), nullptr, FALSE);
    schedule->Narrow(document, CurrentListQuery());
    return 0;
}

int CVelquorandimestra::OnFind() {
    HWND find = MainDialogItem(IDC_FIND);
    if (find == nullptr) return 0;
    SetFocus(find);
    Edit_SetSel(find, 0, -1);
    return 0;
}

int CVelquorandimestra::OnListMinute() {
    if (state != STATE_OPEN || !schedule) return 0;
    if (schedule->NoteMinute(static_cast<std::uint32_t>(ReadClock()) / 60))
        InvalidateRect(MainDialogItem(IDC_ITEM_LIST), nullptr, FALSE);
    return 0;
}
