// The text output window: the selected items as a plain-text report.
#include <string>

#include "Controls.h"
#include "RedrawPause.h"
#include "TextOutDlg.h"
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

// The window's own state, handed in as its lParam and kept in its
// GWLP_USERDATA while it is open.
PendingReport* ReportOf(HWND window) {
    return reinterpret_cast<PendingReport*>(GetWindowLongPtrW(window, GWLP_USERDATA));
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
    PendingReport* report = ReportOf(window);
    if (report == nullptr || report->shown == report->text.size()) {
        KillTimer(window, kFillTimer);
        return;
    }
    const std::size_t end = PartEnd(report->text, report->shown);
    AppendKeepingView(GetDlgItem(window, IDC_TEXTOUT_EDIT), report->text.substr(report->shown, end - report->shown));
    report->shown = end;
    if (report->shown == report->text.size()) {
        KillTimer(window, kFillTimer);
        SetWindowTextW(window, report->caption.c_str());
    } else {
        ShowProgress(window, *report);
    }
}

void ShowFirstPart(HWND window, PendingReport& report) {
    HWND edit = GetDlgItem(window, IDC_TEXTOUT_EDIT);
    // A report of many items is longer than an edit control takes by default.
    Edit_LimitText(edit, 0);
    GuardReportEdit(edit);
    report.shown = PartEnd(report.text, 0);
    if (report.shown == report.text.size()) {
        SetWindowTextW(edit, WidePointer(report.text));
        return;
    }
    SetWindowTextW(edit, WidePointer(report.text.substr(0, report.shown)));
    report.caption = GetWindowString(window);
    ShowProgress(window, report);
    if (SetTimer(window, kFillTimer, USER_TIMER_MINIMUM, nullptr) == 0) {
        // No timer to be had: the rest goes in now rather than never.
        while (ReportArriving(window)) ContinueReport(window);
    }
}

}  // namespace

bool ReportArriving(HWND window) {
    const PendingReport* report = ReportOf(window);
    return report != nullptr && report->shown < report->text.size();
}

INT_PTR CALLBACK TextOutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
        ShowFirstPart(window, *ReportOf(window));
    }
    if (message == WM_TIMER && wParam == kFillTimer) {
        ContinueReport(window);
        return TRUE;
    }
    // Closed before the whole report arrived: the rest is dropped.
    if (message == WM_DESTROY) {
        KillTimer(window, kFillTimer);
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    }
    return CloseableBoxProc(window, message, wParam, IDC_TEXTOUT_CLOSE);
}

INT_PTR ShowReport(HWND owner, std::u16string report) {
    PendingReport pending;
    pending.text = std::move(report);
    return DialogBoxParamW(g_hInst, MAKEINTRESOURCEW(IDD_TEXTOUT), owner, TextOutDlgProc,
                           reinterpret_cast<LPARAM>(&pending));
}
