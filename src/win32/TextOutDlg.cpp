// The text output window: the selected items as a plain-text report.
#include <map>
#include <string>
#include <vector>

#include "Controls.h"
#include "RedrawPause.h"
#include "Report.h"
#include "TextOutDlg.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

// An edit control takes time for every line it holds (tens of microseconds
// each under Wine), so a long report goes in part by part: the first part
// before the window shows, the others one per timer tick. Timer messages come
// after input and painting, so the window is up at once and stays responsive
// while the rest arrives.
constexpr std::size_t kReportPartUnits = 64 * 1024;
constexpr UINT_PTR kFillTimer = 1;

struct PendingReport {
    std::u16string text;
    std::size_t shown = 0;  // units of `text` already in the edit control
    std::wstring caption;   // the window's own caption, given back at the end
};

// While parts arrive the caption says so, with how much is in: a copy taken
// now would not be the whole report, and nothing else in the window shows it.
void ShowProgress(HWND window, const PendingReport& report) {
    wchar_t progress[32];
    wsprintfW(progress, L" （作成中 %d%%）", static_cast<int>(report.shown * 100 / report.text.size()));
    SetWindowTextW(window, (report.caption + progress).c_str());
}

// The edit control refuses to copy while parts arrive (Ctrl+C and its
// context menu both send WM_COPY): a copy must never pass for the whole
// report. The beep says that the command was refused; the caption says why.
// Escape does nothing in the edit, as on the close button: a multi-line edit
// would otherwise send WM_CLOSE to the window, which closes only with its
// close button or its close box.
constexpr wchar_t kEditProcProperty[] = L"Velquorandimestra.EditProc";

LRESULT CALLBACK ReportEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(edit, kEditProcProperty));
    if ((message == WM_KEYDOWN || message == WM_CHAR) && wParam == VK_ESCAPE) return 0;
    if (message == WM_COPY && ReportArriving(GetParent(edit))) {
        MessageBeep(MB_ICONWARNING);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(edit, kEditProcProperty);
    }
    return CallWindowProcW(original, edit, message, wParam, lParam);
}

void GuardReportEdit(HWND edit) {
    if (GetPropW(edit, kEditProcProperty) != nullptr) return;
    const LONG_PTR original = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    SetPropW(edit, kEditProcProperty, reinterpret_cast<HANDLE>(original));
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ReportEditProc));
}

// The reports still arriving, by window.
std::map<HWND, PendingReport>& Pending() {
    static std::map<HWND, PendingReport> pending;
    return pending;
}

// Where the part starting at `from` ends: after at least kReportPartUnits
// units, at the end of a line, so that no line (and no surrogate pair) is
// split between two parts.
std::size_t PartEnd(const std::u16string& text, std::size_t from) {
    if (text.size() - from <= kReportPartUnits) return text.size();
    const std::size_t line_end = text.find(u'\n', from + kReportPartUnits - 1);
    return line_end == std::u16string::npos ? text.size() : line_end + 1;
}

// Adds text at the end of the edit control, leaving what the user sees as it
// was: the selection and the scroll position.
void AppendKeepingView(HWND edit, const std::u16string& part) {
    DWORD sel_start = 0, sel_end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&sel_start), reinterpret_cast<LPARAM>(&sel_end));
    const int top = Edit_GetFirstVisibleLine(edit);
    const int left = GetScrollPos(edit, SB_HORZ);
    {
        const RedrawPause pause(edit, RedrawPause::kRepaintNothing);
        const int end = GetWindowTextLengthW(edit);
        Edit_SetSel(edit, end, end);
        Edit_ReplaceSel(edit, WidePointer(part));
        Edit_SetSel(edit, sel_start, sel_end);
        Edit_Scroll(edit, top - Edit_GetFirstVisibleLine(edit), 0);
        SendMessageW(edit, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, left), 0);
    }
    RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void ContinueReport(HWND window) {
    const auto pending = Pending().find(window);
    if (pending == Pending().end()) {
        KillTimer(window, kFillTimer);
        return;
    }
    PendingReport& report = pending->second;
    const std::size_t end = PartEnd(report.text, report.shown);
    AppendKeepingView(GetDlgItem(window, IDC_TEXTOUT_EDIT), report.text.substr(report.shown, end - report.shown));
    report.shown = end;
    if (report.shown == report.text.size()) {
        KillTimer(window, kFillTimer);
        SetWindowTextW(window, report.caption.c_str());
        Pending().erase(pending);
    } else {
        ShowProgress(window, report);
    }
}

}  // namespace

bool ReportArriving(HWND window) { return Pending().count(window) != 0; }

bool ContinueReportOnTimer(HWND window, UINT_PTR timer) {
    if (timer != kFillTimer) return false;
    ContinueReport(window);
    return true;
}

void DropReport(HWND window) {
    KillTimer(window, kFillTimer);
    Pending().erase(window);
}

int CVelquorandimestra::OnTextOut(HWND window) {
    if (state != STATE_OPEN) return 0;
    HWND list = MainDialogItem(IDC_ITEM_LIST);
    std::vector<std::u16string> lines;
    for (int index : SelectedLines(list)) lines.push_back(ListBoxText(list, index));
    std::u16string report = BuildReport([this](std::u16string_view line) { return document.LineOwner(line); }, lines);
    HWND edit = GetDlgItem(window, IDC_TEXTOUT_EDIT);
    // A report of many items is longer than an edit control takes by default.
    Edit_LimitText(edit, 0);
    GuardReportEdit(edit);
    const std::size_t first = PartEnd(report, 0);
    if (first == report.size()) {
        SetWindowTextW(edit, WidePointer(report));
        return 0;
    }
    SetWindowTextW(edit, WidePointer(report.substr(0, first)));
    PendingReport& pending = Pending()[window] = PendingReport{std::move(report), first, GetWindowString(window)};
    ShowProgress(window, pending);
    if (SetTimer(window, kFillTimer, USER_TIMER_MINIMUM, nullptr) == 0) {
        // No timer to be had: the rest goes in now rather than never.
        while (ReportArriving(window)) ContinueReport(window);
    }
    return 0;
}
