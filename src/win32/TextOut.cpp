// The text output window: the selected items as a plain-text report.
#include <string>
#include <vector>

#include "ListBox.h"
#include "Report.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

int CVelquorandimestra::OnTextOut(HWND window) {
    if (state != STATE_OPEN) return 0;
    HWND list = GetDlgItem(GetWnd(), IDC_ITEM_LIST);
    std::vector<std::u16string> lines;
    for (int index : SelectedLines(list)) lines.push_back(ToU16(GetListBoxLine(list, index)));
    const std::wstring report =
        ToWide(BuildReport([this](std::u16string_view line) { return records.Find(line); }, lines));
    HWND edit = GetDlgItem(window, IDC_TEXTOUT_EDIT);
    // A report of many items is longer than an edit control takes by default.
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(edit, report.c_str());
    return 0;
}

INT_PTR CALLBACK TextOutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        g_App.OnTextOut(window);
        return TRUE;
    }
    return CloseableBoxProc(window, message, wParam, IDC_TEXTOUT_CLOSE);
}
