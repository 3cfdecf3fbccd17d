// The kind editor: dialog 115 edits a working copy of the document's kinds in
// its list box; OK makes the kind chain and the main dialog's combo box equal
// to it.
#include <memory>
#include <string>

#include "Records.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

namespace {

// Kind texts are at most this long: the length of the add edit's buffer.
constexpr std::size_t kKindTextLimit = 2047;

void AppendLine(HWND list, std::u16string_view text) {
    const std::wstring line = ToWide(ShownText(text));
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(line.c_str()));
}

}  // namespace

int CVelquorandimestra::OnLoadActionKind(HWND window) {
    if (state != STATE_OPEN) return 0;
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    for (const _KIND_LIST* kind = action_kinds.get(); kind != nullptr; kind = kind->next.get())
        AppendLine(list, kind->text);
    return 0;
}

int CVelquorandimestra::OnAddActionKind(HWND window) {
    const std::wstring text = GetWindowString(GetDlgItem(window, IDC_KIND_TEXT), kKindTextLimit);
    if (text.empty()) return 0;
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
        if (GetListBoxLine(list, static_cast<int>(i)) == text) return 0;  // a kind is not added twice
    AppendLine(list, ToU16(text));
    return 0;
}

int CVelquorandimestra::OnDeleteActionKind(HWND window) {
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR) SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
    return 0;
}

int CVelquorandimestra::OnUpdateActionKind(HWND window) {
    // The dialog's loop dispatches the main window's messages too; a document
    // that went away meanwhile keeps nothing of the dialog.
    if (state != STATE_OPEN) return 0;

    // The lines become the chain, top to bottom.
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    action_kinds.reset();
    std::unique_ptr<_KIND_LIST>* tail = &action_kinds;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        *tail = std::make_unique<_KIND_LIST>(ToU16(GetListBoxLine(list, static_cast<int>(i))));
        tail = &(*tail)->next;
    }

    // The combo box follows the chain and shows the shown item's kind again
    // when it is in the list. The entry is found with its case: "work" and
    // "Work" are two kinds. The kind is the item's own, not the text the
    // combo box showed: an item whose kind the list lacked showed nothing,
    // and must not get an empty entry, nor miss its kind when it was just
    // added.
    HWND combo = GetDlgItem(GetWnd(), IDC_ACTION_KIND);
    const std::wstring shown = editor ? ToWide(editor->GetItem()->action_kind) : GetWindowString(combo);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int index = 0;
    for (const _KIND_LIST* kind = action_kinds.get(); kind != nullptr; kind = kind->next.get(), ++index) {
        const std::wstring entry = ToWide(kind->text);
        SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry.c_str()));
    }
    SelectKindEntry(combo, shown);
    return 0;
}

INT_PTR CALLBACK EditActionKindDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            g_App.OnLoadActionKind(window);
            return TRUE;
        case WM_COMMAND:
            // Only the identifier counts; the platform's IDCANCEL (Escape)
            // is not among them, so Escape leaves the dialog open.
            switch (LOWORD(wParam)) {
                case IDC_KIND_ADD:
                    g_App.OnAddActionKind(window);
                    return FALSE;
                case IDC_KIND_DELETE:
                    g_App.OnDeleteActionKind(window);
                    return FALSE;
                case IDC_KIND_OK:
                    g_App.OnUpdateActionKind(window);
                    EndDialog(window, 1);
                    return TRUE;
                case IDC_KIND_CANCEL:
                    EndDialog(window, 2);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            EndDialog(window, 0);
            return TRUE;
        default:
            return FALSE;
    }
}
