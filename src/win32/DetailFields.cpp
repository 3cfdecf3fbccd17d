#include "DetailFields.h"

#include <windowsx.h>

#include <string>

#include "WideText.h"
#include "resource.h"

namespace {

// The edit controls' own window procedure, under DetailFieldProc (every
// detail field is an edit control of the one edit class).
WNDPROC g_edit_proc = nullptr;

LRESULT CallEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(g_edit_proc, edit, message, wParam, lParam);
}

std::size_t LimitOf(HWND edit) { return static_cast<std::size_t>(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0)); }
std::size_t LengthOf(HWND edit) { return static_cast<std::size_t>(GetWindowTextLengthW(edit)); }

struct Selection {
    DWORD start = 0, end = 0;
};
Selection SelectionOf(HWND edit) {
    Selection s;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s.start), reinterpret_cast<LPARAM>(&s.end));
    return s;
}

// The units a paste would put in: the clipboard's text, in a one-line edit
// only up to its first line break, as the control pastes it.
std::size_t PastedUnits(HWND edit) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(edit)) return 0;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = units;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (!(GetWindowLongW(edit, GWL_STYLE) & ES_MULTILINE)) {
        const std::size_t line_end = text.find(L'\n');
        if (line_end != std::wstring::npos)
            text.resize(line_end > 0 && text[line_end - 1] == L'\r' ? line_end - 1 : line_end);
    }
    return text.size();
}

// The control cuts an insertion at its limit by units: half a surrogate pair
// just put in before the caret is taken out again.
void DropHalfPair(HWND edit, DWORD inserted_from) {
    const Selection now = SelectionOf(edit);
    if (now.end <= inserted_from) return;  // nothing went in
    const std::wstring text = GetWindowString(edit);
    if (now.end > text.size() || !IsHighSurrogate(text[now.end - 1])) return;
    if (now.end < text.size() && IsLowSurrogate(text[now.end])) return;
    Edit_SetSel(edit, now.end - 1, now.end);
    Edit_ReplaceSel(edit, L"");
}

// A low surrogate typed with no high one before the caret is the second half
// of a pair whose first half the limit refused (or DropHalfPair took out).
bool IsOrphanLowSurrogate(HWND edit, WPARAM unit) {
    if (!IsLowSurrogate(static_cast<wchar_t>(unit))) return false;
    const Selection s = SelectionOf(edit);
    if (s.start == 0) return true;
    const std::wstring text = GetWindowString(edit);
    return s.start > text.size() || !IsHighSurrogate(text[s.start - 1]);
}

LRESULT CALLBACK DetailFieldProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_CHAR:
            // A multi-line edit in a dialog sends WM_CLOSE to its parent on
            // Escape, which would run the close sequence from the status
            // field. Escape closes nothing from a field. An input method that
            // cancels a conversion with Escape takes the key before it comes
            // here (as VK_PROCESSKEY), so that still works.
            if (wParam == VK_ESCAPE) return 0;
            if (message == WM_CHAR && IsOrphanLowSurrogate(edit, wParam)) return 0;
            break;
        default:
            break;
    }
    const bool inserts = message == WM_CHAR || message == WM_PASTE || message == WM_IME_CHAR ||
                         message == WM_IME_COMPOSITION;
    if (!inserts) return CallEdit(edit, message, wParam, lParam);

    const Selection before = SelectionOf(edit);
    const std::size_t kept = LengthOf(edit) - (before.end - before.start);
    const std::size_t pasted = message == WM_PASTE ? PastedUnits(edit) : 0;
    const LRESULT result = CallEdit(edit, message, wParam, lParam);
    // Only an insertion that reached the limit can have been cut.
    if (LengthOf(edit) >= LimitOf(edit)) {
        const std::size_t put_in = LengthOf(edit) - kept;
        DropHalfPair(edit, before.start);
        // A paste cut short is said with a beep: the rest is not in the field.
        if (put_in < pasted) MessageBeep(MB_ICONWARNING);
    }
    return result;
}

}  // namespace

void LimitField(HWND edit, std::size_t limit) {
    if (edit == nullptr) return;
    SendMessageW(edit, EM_SETLIMITTEXT, limit, 0);
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DetailFieldProc)));
    if (previous != &DetailFieldProc) g_edit_proc = previous;
}

void PrepareDetailFields(HWND dialog) {
    LimitField(GetDlgItem(dialog, IDC_TITLE), kTitleLimit);
    // The date-time edits: 40050 to 40076, with gaps at 40052 and 40071.
    for (int id = IDC_PLAN_START_YEAR; id <= IDC_ALARM_MINUTE; ++id) LimitField(GetDlgItem(dialog, id), kNumberLimit);
    LimitField(GetDlgItem(dialog, IDC_LOCATION), kFreeTextLimit);
    LimitField(GetDlgItem(dialog, IDC_STATUS), kFreeTextLimit);
}

std::size_t FitFieldLimit(HWND edit, std::size_t base, std::size_t shown) {
    const std::size_t limit = shown > base ? shown : base;
    SendMessageW(edit, EM_SETLIMITTEXT, limit, 0);
    return limit;
}
