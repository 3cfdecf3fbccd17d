// The kind editor (dialog 115): a working copy of the kind list, edited in
// its list box. It knows nothing of the document: it is handed the kinds and
// gives back the new list.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The editor's own state, handed in as the dialog's lParam and kept in its
// GWLP_USERDATA: the working copy, top to bottom as the list box shows it,
// and the answer, which only OK gives.
struct KindEditor {
    std::vector<std::u16string> working;
    std::optional<std::vector<std::u16string>> answer;
};

// Shows the kind editor on `editor.working`, owned by `owner`, and returns
// how it ended: 1 (OK or Enter: `editor.answer` holds the new list), 2
// (Cancel), 0 (its close box), -1 (it could not be shown).
INT_PTR RunKindEditor(HWND owner, KindEditor& editor);

INT_PTR CALLBACK EditActionKindDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
