// The kind editor: dialog 115 edits a working copy of the document's kinds in
// its list box; OK makes the kind chain and the main dialog's combo box equal
// to it.
#include <memory>
#include <string>

#include "Controls.h"
#include "DetailFields.h"
#include "Records.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

// Kind texts are at most this long: the length of the add edit's buffer.
constexpr std::size_t kKindTextLimit = 2047;

void AppendLine(HWND list, std::u16string_view text) {
    const std::wstring line = ToWide(ShownText(text));
    ListBox_InsertString(list, -1, line.c_str());
}

}  // namespace

int CVelquorandimestra::OnLoadActionKind(HWND window) {
    // Typing stops where a kind would be cut, and never inside a pair.
    LimitField(GetDlgItem(window, IDC_KIND_TEXT), kKindTextLimit);
    if (state != STATE_OPEN) return 0;
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    for (const _KIND_LIST* kind = document.Kinds(); kind != nullptr; kind = kind->next.get())
        AppendLine(list, kind->text);
    return 0;
}

int CVelquorandimestra::OnAddActionKind(HWND window) {
    const std::wstring text = GetWindowString(GetDlgItem(window, IDC_KIND_TEXT), kKindTextLimit);
    if (text.empty()) return 0;
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    const int count = ListBox_GetCount(list);
    for (int i = 0; i < count; ++i)
        if (GetListBoxLine(list, i) == text) return 0;  // a kind is not added twice
    AppendLine(list, ToU16(text));
    return 0;
}

int CVelquorandimestra::OnDeleteActionKind(HWND window) {
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    const int selected = ListBox_GetCurSel(list);
    if (selected != LB_ERR) ListBox_DeleteString(list, selected);
    return 0;
}

int CVelquorandimestra::OnUpdateActionKind(HWND window) {
    // The dialog's loop dispatches the main window's messages too; a document
    // that went away meanwhile keeps nothing of the dialog.
    if (state != STATE_OPEN) return 0;

    // A kind typed but not yet added is meant to be in the list: OK (the
    // button, or Enter in the edit) adds it first, as the add button would.
    OnAddActionKind(window);

    // The lines become the chain, top to bottom.
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    std::unique_ptr<_KIND_LIST> kinds;
    std::unique_ptr<_KIND_LIST>* tail = &kinds;
    const int count = ListBox_GetCount(list);
    for (int i = 0; i < count; ++i) {
        *tail = std::make_unique<_KIND_LIST>(ToU16(GetListBoxLine(list, i)));
        tail = &(*tail)->next;
    }
    document.ReplaceKinds(std::move(kinds), CurrentView());

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
    return 0;
}

void CVelquorandimestra::ShowKinds() { ::ShowKinds(MainDialogItem(IDC_ACTION_KIND), document.Kinds()); }
