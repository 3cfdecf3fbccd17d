// The kind editor: dialog 115 edits a working copy of the kinds in its list
// box; OK gives the copy back as the new list.
#include "ActionKindDlg.h"

#include <algorithm>

#include "Controls.h"
#include "DetailFields.h"
#include "Records.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

// Kind texts are at most this long: the length of the add edit's buffer.
constexpr std::size_t kKindTextLimit = 2047;

KindEditor& EditorOf(HWND window) { return *reinterpret_cast<KindEditor*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

void AppendLine(HWND list, const std::u16string& text) {
    ListBox_InsertString(list, -1, WidePointer(text));
}

void Load(HWND window, KindEditor& editor) {
    // Typing stops where a kind would be cut, and never inside a pair.
    LimitField(GetDlgItem(window, IDC_KIND_TEXT), kKindTextLimit);
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    for (const std::u16string& kind : editor.working) AppendLine(list, kind);
}

void AddTypedKind(HWND window, KindEditor& editor) {
    const std::u16string text = ToU16(GetWindowString(GetDlgItem(window, IDC_KIND_TEXT), kKindTextLimit));
    if (text.empty()) return;
    // A kind is not added twice.
    if (std::find(editor.working.begin(), editor.working.end(), text) != editor.working.end()) return;
    editor.working.push_back(text);
    AppendLine(GetDlgItem(window, IDC_KIND_LIST), text);
}

void DeleteChosenKind(HWND window, KindEditor& editor) {
    HWND list = GetDlgItem(window, IDC_KIND_LIST);
    const int selected = ListBox_GetCurSel(list);
    if (selected == LB_ERR || static_cast<std::size_t>(selected) >= editor.working.size()) return;
    editor.working.erase(editor.working.begin() + selected);
    ListBox_DeleteString(list, selected);
}

}  // namespace

INT_PTR CALLBACK EditActionKindDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        Load(window, EditorOf(window));
        // Typing goes into the add edit at once, not to OK (first in the tab
        // order); FALSE keeps the platform from moving the focus there.
        SetFocus(GetDlgItem(window, IDC_KIND_TEXT));
        return FALSE;
    }
    if (message == WM_COMMAND && GetWindowLongPtrW(window, GWLP_USERDATA) != 0) {
        KindEditor& editor = EditorOf(window);
        // Only the identifier counts; the platform's IDCANCEL (Escape) is
        // not among them, so Escape leaves the dialog open.
        switch (LOWORD(wParam)) {
            case IDC_KIND_ADD:
                AddTypedKind(window, editor);
                break;
            case IDC_KIND_DELETE:
                DeleteChosenKind(window, editor);
                break;
            case IDC_KIND_OK:
                // A kind typed but not yet added is meant to be in the list:
                // OK (the button, or Enter in the edit) adds it first, as the
                // add button would.
                AddTypedKind(window, editor);
                editor.answer = editor.working;
                break;  // and the box ends with 1
            case IDC_KIND_CANCEL:
                EndDialog(window, 2);
                return TRUE;
            default:
                break;
        }
    }
    return CloseableBoxProc(window, message, wParam, IDC_KIND_OK);
}

INT_PTR RunKindEditor(HWND owner, KindEditor& editor) {
    // The lines show what a kind shows (a text cut at its first NUL), and
    // the answer is made of what the lines show.
    for (std::u16string& kind : editor.working) kind = std::u16string(ShownText(kind));
    editor.answer.reset();
    return DialogBoxParamW(g_hInst, MAKEINTRESOURCEW(IDD_ACTIONKIND), owner, EditActionKindDlgProc,
                           reinterpret_cast<LPARAM>(&editor));
}
